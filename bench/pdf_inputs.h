// Inputs of the PDF benchmarks, made from fixed seeds, so that bench_pdf and bench_pdf_peer
// write the same document: 100 US Letter pages of 25 lines of 80 characters in two faces,
// a few shapes and one image shared by every page.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace PdfBench {

constexpr int PAGES = 100;
constexpr int LINES = 25;
constexpr int PAGE_CX = 5100, PAGE_CY = 6600; // dots, 600 per inch
constexpr int TEXT_HEIGHT = 83;               // dots: 10 points
constexpr int LEFT = 400, TOP = 700, LINE_STEP = 200;
constexpr int IMAGE_CX = 256, IMAGE_CY = 192;

// The lines of every page as UTF-8, each 80 characters; even lines sans, odd lines serif.
inline const std::vector<std::u32string>& Lines()
{
	static const std::vector<std::u32string> lines = [] {
		const char32_t* words[] = { U"document", U"page", U"glyph", U"façade", U"naïve", U"Köln", U"żółw",
		                            U"the", U"of", U"and", U"subset", U"Ελλάδα", U"Москва", U"résumé",
		                            U"font", U"width", U"a", U"to", U"is", U"→" };
		std::mt19937 rng(2024);
		std::vector<std::u32string> r;
		for(int i = 0; i < PAGES * LINES; i++) {
			std::u32string l;
			while(l.size() < 80) {
				l += words[rng() % (sizeof(words) / sizeof(*words))];
				l += U' ';
			}
			l.resize(80);
			r.push_back(l);
		}
		return r;
	}();
	return lines;
}

// Premultiplied pixels, b g r a, alpha falling off from the centre.
inline const std::vector<uint8_t>& ImagePixels()
{
	static const std::vector<uint8_t> px = [] {
		std::vector<uint8_t> p(4 * IMAGE_CX * IMAGE_CY);
		for(int y = 0; y < IMAGE_CY; y++)
			for(int x = 0; x < IMAGE_CX; x++) {
				int dx = x - IMAGE_CX / 2, dy = y - IMAGE_CY / 2;
				int a = std::max(0, 255 - (dx * dx + dy * dy) / 40);
				uint8_t* q = &p[4 * (y * IMAGE_CX + x)];
				q[0] = uint8_t(a * x / IMAGE_CX);
				q[1] = uint8_t(a * y / IMAGE_CY);
				q[2] = uint8_t(a / 2);
				q[3] = uint8_t(a);
			}
		return p;
	}();
	return px;
}

// Shapes of a page, in dots: filled rectangles (x, y, cx, cy, rgb).
struct Box {
	int x, y, cx, cy;
	uint32_t rgb;
};
inline std::vector<Box> Boxes(int page)
{
	std::vector<Box> r;
	for(int i = 0; i < 8; i++)
		r.push_back(Box{ 400 + 500 * i, 5900 + (page % 5) * 20, 400, 150, uint32_t(0x102030 * (i + 1)) });
	return r;
}

} // namespace PdfBench
