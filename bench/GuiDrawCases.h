// Shared inputs of the screen-drawing benchmarks (bench/gui_draw.cpp and its peers): the texts,
// the image sizes and counts, and the control grid, the same on both sides.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

constexpr int TEXT_STRINGS = 2000;
constexpr int TEXT_LENGTH  = 40;
constexpr int TEXT_PX      = 13;
constexpr int CANVAS_CX    = 1024;
constexpr int CANVAS_CY    = 768;

// 40 letters, digits and spaces per string, from a fixed generator.
inline std::vector<std::string> TextLines()
{
	static const char set[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789    ";
	uint32_t s = 12345;
	std::vector<std::string> out;
	for(int i = 0; i < TEXT_STRINGS; i++) {
		std::string t;
		for(int j = 0; j < TEXT_LENGTH; j++) {
			s = s * 1103515245 + 12345;
			t += set[(s >> 16) % (sizeof(set) - 1)];
		}
		out.push_back(t);
	}
	return out;
}

// Where string i starts (its top-left corner).
inline int TextX(int i) { return (i % 4) * 250; }
inline int TextY(int i) { return (i / 4) % 47 * 16; }

constexpr int CACHED_DRAWS  = 10000;
constexpr int CACHED_SIDE   = 64;
constexpr int DISTINCT      = 5000;
constexpr int DISTINCT_SIDE = 100;

inline int DrawX(int i) { return i * 37 % (CANVAS_CX - 64); }
inline int DrawY(int i) { return i * 53 % (CANVAS_CY - 64); }

// Premultiplied b, g, r, a of pixel (x, y) of image n: a gradient with a soft alpha edge.
inline void ImagePixel(int n, int x, int y, uint8_t* bgra)
{
	uint8_t a = uint8_t(x < 8 ? 32 * x : 255);
	bgra[0] = uint8_t((x * 3 + n) % 256 * a / 255);
	bgra[1] = uint8_t((y * 5 + n * 7) % 256 * a / 255);
	bgra[2] = uint8_t((x + y + n * 13) % 256 * a / 255);
	bgra[3] = a;
}

constexpr int FILL_CX     = 1920;
constexpr int FILL_CY     = 1080;
constexpr int FILL_RECTS  = 1000;

inline void FillRect(int i, int& x, int& y, int& cx, int& cy)
{
	x = i * 97 % 1800;
	y = i * 61 % 1000;
	cx = 20 + i % 100;
	cy = 10 + i % 70;
}

// 1,000 controls in a grid of 25 columns of 40 pixels by 40 rows of 25 pixels.
constexpr int GRID_COLUMNS = 25;
constexpr int GRID_CONTROLS = 1000;
constexpr int CELL_CX = 40;
constexpr int CELL_CY = 25;

inline uint32_t CellColor(int i) { return uint32_t(i * 2654435761u) & 0xFFFFFF; } // 0xBBGGRR

} // namespace bench
