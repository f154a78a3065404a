// Builders shared by the image tests: random premultiplied pixels, solid images, raw bytes and
// pixel-exact comparison.
#pragma once

#include <draw/Draw.h>

#include <gtest/gtest.h>

namespace QelTest {

using namespace Qel;

inline dword NextRand(dword& h)
{
	h = h * 1103515245 + 12345;
	return h >> 8;
}

// Premultiplied pixels: a third opaque, a third clear, the rest partial.
inline Image RandomImage(int cx, int cy, dword seed, bool opaque = false)
{
	ImageBuffer b(cx, cy);
	dword h = seed;
	for(RGBA& c : b) {
		dword r = NextRand(h);
		byte a = opaque || r % 3 == 0 ? 255 : r % 3 == 1 ? 0 : byte(r >> 16);
		c = RGBA{ byte((r >> 4 & 255) * a / 255), byte((r >> 12 & 255) * a / 255),
		          byte((NextRand(h) & 255) * a / 255), a };
	}
	return Image(b);
}

inline Image Solid(int cx, int cy, RGBA c)
{
	return CreateImage(Size(cx, cy), c);
}

inline ::testing::AssertionResult SamePixels(const Image& a, const Image& b)
{
	if(a.GetSize() != b.GetSize())
		return ::testing::AssertionFailure() << "sizes " << a.GetWidth() << "x" << a.GetHeight()
		                                     << " and " << b.GetWidth() << "x" << b.GetHeight();
	for(int y = 0; y < a.GetHeight(); y++)
		for(int x = 0; x < a.GetWidth(); x++)
			if(!(a[y][x] == b[y][x])) {
				RGBA p = a[y][x], q = b[y][x];
				return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << "): "
				       << int(p.r) << "," << int(p.g) << "," << int(p.b) << "," << int(p.a) << " vs "
				       << int(q.r) << "," << int(q.g) << "," << int(q.b) << "," << int(q.a);
			}
	return ::testing::AssertionSuccess();
}

// Little-endian fields of stored formats.
inline void Put16(String& s, int v) { s.Cat(char(v)); s.Cat(char(v >> 8)); }
inline void Put32(String& s, dword v) { for(int i = 0; i < 4; i++) s.Cat(char(v >> 8 * i)); }

inline String Bytes(std::initializer_list<int> b)
{
	String s;
	for(int x : b)
		s.Cat(char(x));
	return s;
}

inline RGBA Px(int r, int g, int b, int a = 255) { return RGBA{ byte(b), byte(g), byte(r), byte(a) }; }

// Sizes with odd widths and heights, and fewer rows than the pool has workers.
inline const Size OddSizes[] = { Size(1, 1), Size(7, 1), Size(1, 9), Size(13, 3), Size(61, 37), Size(130, 5) };

} // namespace QelTest
