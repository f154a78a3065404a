// Coverage of glyphs, cached: what the rasteriser makes of a glyph's outline at one sub-pixel
// phase of its origin, kept as its cells (to be added to any rasteriser at a whole-pixel offset)
// and as the coverage those cells render to (blended directly where a plain colour fills).
// Shared by every painter and thread; bounded by a budget, least recently used out.
#pragma once

#include <painter/raster/Rasterizer.h>
#include <draw/font/Font.h>

#include <atomic>

namespace Qel::detail {

// Phases of the origin per pixel, in each direction.
inline constexpr int GLYPH_PHASES = 4;
inline constexpr int GLYPH_MASK_PAD = 3;

struct GlyphCoverage {
	std::atomic<int> refs{1};
	// The outline's box, relative to the origin; left > right when the glyph has no outline.
	double left = 1, top = 1, right = 0, bottom = 0;
	// Relative to the whole-pixel part of the (quantised) origin: lines row0 .. row0 + rows - 1
	// hold the cells, touch0 .. touch1 are the lines the outline touched, and cell columns are
	// in the rasteriser's units (thirds of a pixel in subpixel mode).
	int row0 = 0, rows = 0;
	int touch0 = 0, touch1 = -1;
	const int*              rowstart = nullptr; // rows + 1 entries
	const Rasterizer::Cell* cells = nullptr;
	// Even-odd coverage (0..256) of the cells' pixels, row by row, columns mx0 .. mx0 + mw - 1
	// (not made in subpixel mode); span[2 r] .. span[2 r + 1] the columns of row r not 0. Rows are
	// stride apart, with GLYPH_MASK_PAD zeros behind each, so blends can go four pixels at a time.
	int            mx0 = 0, mw = 0, stride = 0;
	const uint16*  mask = nullptr;
	const int16*   span = nullptr;
	size_t         bytes = 0;

	// Cache links.
	GlyphCoverage* prev = nullptr;
	GlyphCoverage* next = nullptr;
	int            slot = -1;

	void Retain()  { refs.fetch_add(1, std::memory_order_relaxed); }
	void Release();
};

// The coverage of ch in fnt, its origin's fraction (phase) given in quarters of a pixel; null
// for a glyph too large to be worth caching. It stays valid until the calling thread's next
// lookup.
const GlyphCoverage* FindGlyphCoverage(Font fnt, int ch, int phasex, int phasey, bool subpixel);

// The origin of a glyph placed at (x, y): the quantised position, split into whole pixels and
// phases. False when the position is beyond what the cache serves.
bool GlyphOrigin(double x, double y, int& ix, int& iy, int& phasex, int& phasey);

// Bytes held by the cache and its budget; with a budget of 0 there is no coverage at all and
// glyphs go the outline's way (tests compare the two).
size_t GetGlyphCacheBytes();
size_t GetGlyphCacheBudget();
void   SetGlyphCacheBudget(size_t bytes);

} // namespace Qel::detail
