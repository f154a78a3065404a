// Pixels and images the painter tests build.
#pragma once

#include <draw/image/Image.h>

#include <random>

namespace QelTest {

inline Qel::RGBA Rgba(int r, int g, int b, int a)
{
	Qel::RGBA x;
	x.r = (Qel::byte)r; x.g = (Qel::byte)g; x.b = (Qel::byte)b; x.a = (Qel::byte)a;
	return x;
}

// Random premultiplied pixels, the same for the same seed.
inline Qel::Image RandomImage(int cx, int cy, unsigned seed)
{
	std::mt19937 rng(seed);
	Qel::ImageBuffer ib(cx, cy);
	for(Qel::RGBA& c : ib) {
		int a = rng() % 256;
		c = Rgba(rng() % (a + 1), rng() % (a + 1), rng() % (a + 1), a);
	}
	return ib;
}

} // namespace QelTest
