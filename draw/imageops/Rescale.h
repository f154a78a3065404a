// Plain rescaling with constant memory: per-axis integer weight tables (area averaging when
// shrinking, an S-shaped two-tap blend when enlarging), the row samplers that apply a horizontal
// table to one source row, and the Rescaler, which turns a rectangle of any Raster into target
// rows one at a time while holding only a few source rows.
#pragma once

#include <draw/raster/RasterEncoder.h>

#include <Core/container/Vector.h>

namespace Qel {

// Builds the table of one axis: target pixels tfrom .. tto show source pixels sfrom .. sto, and
// only source pixels in sclip0 .. sclip1 may be read. tclip0 .. tclip1 is the target range
// wanted; on return it is narrowed to the pixels that fall on the source clip (the table has one
// entry for each). The table is empty when either range is empty.
//
// Layout: target pixel count n, taps k (1 to 4), ints per entry, box step; then n entries, each
// the advance of the first source pixel since the previous entry (the first one from pixel 0),
// times stride, followed by k weights that total `total`. Area entries (box step above 0, ints
// per entry 1) hold the advance alone: their four samples lie box step apart, weighted equally.
void RescaleAxisMap(Vector<int>& table, int tfrom, int tto, int& tclip0, int& tclip1,
                    int sfrom, int sto, int sclip0, int sclip1, int stride = 1, int total = 256);

// Per channel ((a * wa + b * wb) >> 16) for n pixels of four 32-bit accumulators each.
void BlendRows(RGBA* t, const int* a, int wa, const int* b, int wb, int n);

class Rescaler {
public:
	// A horizontal sampler: one source row through a table into four accumulators (b, g, r, a,
	// value * 256) per target pixel.
	using RowFn = void (*)(int* t, const RGBA* s, const int* map);

	// Prepares rescaling rectangle r of src to sz; false (and no rows) when there is nothing to
	// read or write. Parts of r outside src come out transparent.
	bool Create(Raster& src, Size sz, const Rect& r);
	// The same, but only part (within 0, 0, sz) of the target comes out: rows of part's width
	// from part's top, the pixels they would have in the whole target.
	bool Create(Raster& src, Size sz, const Rect& r, const Rect& part);
	// The next target row, sz.cx (or part's width) pixels; nothing after the last row or a failed
	// Create.
	void GetLine(RGBA* target);
	// Source row y, from a cache of the last four rows read; valid until the fourth call after.
	const RGBA* GetSourceRow(int y);

	Rescaler() = default;
	~Rescaler() = default;
	Rescaler(const Rescaler&) = delete;
	Rescaler& operator=(const Rescaler&) = delete;

private:
	Raster*    src = nullptr;
	Size       size;
	Rect       part;               // the rows and columns that come out
	Vector<int> hmap, vmap;
	RowFn      row_fn = nullptr;
	Size       src_size;
	int        x0 = 0, x1 = 0;     // target columns that have source pixels
	int        y0 = 0, y1 = 0;     // target rows likewise
	int        vtaps = 0, vstep = 0, ventry = 0;
	bool       area = false;
	Buffer<int> ring;              // vtaps (area: 4) rows of 4 * (x1 - x0) accumulators
	int        ring_tag[4];
	int        vpos = 0;           // next entry in vmap
	int        cy = 0;             // current source row
	int        ty = 0;             // next target row
	bool       ready = false;
	Raster::Line cache_line[4];    // the last four source rows read
	const RGBA*  cache_row[4];
	Buffer<RGBA> cache;            // copies of them, for rasters that reuse their row buffer
	bool       stable_rows = false;
	int        cache_tag[4];
	int        cache_next = 0;

	int*       LoadRing(int slot, int row);
};

// rect of src rescaled into target at size sz; progress(y, sz.cy) is asked before each row and
// true stops it (false returned).
bool  Rescale(RasterEncoder& target, Size sz, Raster& src, const Rect& r,
              const Gate<int, int>& progress = {});
// The same Image when sz is its size and r the whole of it.
Image Rescale(const Image& src, Size sz, const Rect& r);
// The whole image; the empty Image when progress stops it.
Image Rescale(const Image& src, Size sz, const Gate<int, int>& progress = {});
Image Rescale(const Image& src, int cx, int cy, const Gate<int, int>& progress = {});

namespace detail {
// The 1024-entry S-curve of the enlarging weights (0 .. 255), made once.
const byte* RescaleSCurve();
} // namespace detail

} // namespace Qel
