// The picture the image-fill benchmarks draw: opaque, with smooth areas (two ramps) and sharp
// edges (checks of a cell's size), so that neither sampling nor copying has it easy.
#pragma once

#include <draw/image/Image.h>

namespace bench {

inline Qel::Image Picture(int cx, int cy, int cell)
{
	using Qel::byte;
	Qel::ImageBuffer ib(cx, cy);
	for(int y = 0; y < cy; y++)
		for(int x = 0; x < cx; x++) {
			bool check = ((x / cell) ^ (y / cell)) & 1;
			int r = x * 255 / (cx - 1), g = y * 255 / (cy - 1);
			ib[y][x] = check ? Qel::RGBA{128, (byte)g, (byte)r, 255}
			                 : Qel::RGBA{(byte)(255 - r), (byte)(r / 2), (byte)(255 - g), 255};
		}
	return Qel::Image(ib);
}

} // namespace bench
