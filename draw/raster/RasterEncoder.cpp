#include "RasterEncoder.h"

#include <Core/base/Heap.h>

#include <climits>

namespace Qel {

RasterEncoder::RasterEncoder() {}

RasterEncoder::~RasterEncoder() {}

int RasterEncoder::GetPaletteCount()
{
	return 0;
}

RGBA* RasterEncoder::GetLineBuffer()
{
	if(!h)
		h.Alloc(size_t(max(size.cx, 1)));
	return h;
}

void RasterEncoder::SetPalette(Raster& pal_raster)
{
	int n = min(GetPaletteCount(), 256);
	if(n <= 0)
		return;
	palette.Alloc(256, RGBA{ 0, 0, 0, 0 });
	if(pal_raster.GetPaletteCount() == n && pal_raster.GetPalette())
		memcpy(palette.Get(), pal_raster.GetPalette(), size_t(n) * sizeof(RGBA));
	else
		CreatePalette(pal_raster, palette, n);
	palette_cv.reset(new PaletteCv);
	CreatePaletteCv(palette, n, *palette_cv);
}

void RasterEncoder::Create(Size sz, Raster& pal_raster)
{
	SetPalette(pal_raster);
	// a row must be addressable; a negative side means nothing to write
	if(sz.cx < 0 || sz.cy < 0 || int64(sz.cx) * sizeof(RGBA) > IMAGE_MAX_BYTES)
		sz = Size(0, 0);
	size = sz;
	h.Clear();
	line = GetLineBuffer();
	Start(sz);
	scanline.Clear();
	line_bytes = format.GetByteCount(size.cx);
}

void RasterEncoder::WriteLine(const RGBA* s)
{
	if(format.IsPlainRGBA()) {
		WriteLineRaw((const byte*)s);
		return;
	}
	if(!scanline)
		scanline.Alloc(size_t(max<int64>(line_bytes, 1)));
	format.Write(scanline, s, size.cx, palette_cv.get());
	WriteLineRaw(scanline);
}

void ImageEncoder::Start(Size sz)
{
	ii = 0;
	ib.Create(sz);
	if(ib.GetHeight() > 0) {
		SetLine(ib[0]);
		FreeLineBuffer();
	}
}

void ImageEncoder::WriteLineRaw(const byte* data)
{
	int cy = ib.GetHeight();
	if(ii >= cy) // rows beyond the picture (or a picture that could not be made) go nowhere
		return;
	RGBA* t = ib[ii];
	if((const RGBA*)data != t)
		memcpy(t, data, size_t(ib.GetWidth()) * sizeof(RGBA));
	if(++ii < cy)
		SetLine(ib[ii]);
	else // what callers write through the line pointer after the last row must not land in it
		SetLine(GetLineBuffer());
}

// Median cut -----------------------------------------------------------------------------------

namespace {

// Bins: red 5 bits, green 6 bits, blue 4 bits.
inline int sBin(int r5, int g6, int b4) { return r5 * 1024 + g6 * 16 + b4; }

struct sMedianBox {
	int64 volume;
	int   colors;        // non-empty bins
	int64 population;
	int   lo[3], hi[3];  // half-open ranges of green, red, blue
	int64 sr, sg, sb;    // population * bin, per axis
};

void sShrink(sMedianBox& box, const dword* hist)
{
	int64 gc[64] = {}, rc[32] = {}, bc[16] = {};
	box.colors = 0;
	box.population = 0;
	box.sr = box.sg = box.sb = 0;
	for(int r = box.lo[1]; r < box.hi[1]; r++)
		for(int g = box.lo[0]; g < box.hi[0]; g++) {
			const dword* h = hist + sBin(r, g, 0);
			for(int b = box.lo[2]; b < box.hi[2]; b++)
				if(dword n = h[b]) {
					box.colors++;
					box.population += n;
					rc[r] += n;
					gc[g] += n;
					bc[b] += n;
					box.sr += int64(n) * r;
					box.sg += int64(n) * g;
					box.sb += int64(n) * b;
				}
		}
	auto tighten = [](int& lo, int& hi, const int64* c) {
		while(lo < hi - 1 && !c[lo])
			lo++;
		while(hi - 1 > lo && !c[hi - 1])
			hi--;
	};
	tighten(box.lo[0], box.hi[0], gc);
	tighten(box.lo[1], box.hi[1], rc);
	tighten(box.lo[2], box.hi[2], bc);
	box.volume = int64(box.hi[0] - box.lo[0]) * (box.hi[1] - box.lo[1]) * (box.hi[2] - box.lo[2]);
}

byte sMean(int64 sum, int64 p, int levels)
{
	int64 v = (sum + p / 2) * 255 / (p * levels);
	return byte(clamp<int64>(v, 0, 255));
}

} // namespace

void CreatePalette(Raster& raster, RGBA* palette, int n)
{
	Buffer<dword> hist(32768, 0);
	Size sz = raster.GetSize();
	for(int y = 0; y < sz.cy; y++) {
		Raster::Line line = raster.GetLine(y);
		const RGBA* s = line.GetRGBA();
		if(!s)
			continue;
		for(int x = 0; x < sz.cx; x++)
			hist[sBin(s[x].r >> 3, s[x].g >> 2, s[x].b >> 4)]++;
	}
	int limit = clamp(n, 1, 256);
	Buffer<sMedianBox> box{ size_t(limit) };
	box[0] = sMedianBox{};
	box[0].hi[0] = 64;
	box[0].hi[1] = 32;
	box[0].hi[2] = 16;
	sShrink(box[0], hist);
	if(box[0].population == 0)
		return;
	int count = 1;
	bool second = false;
	while(n >= 2 && count < limit) {
		if(count * 2 > limit)
			second = true;
		int pick = -1;
		for(int i = 0; i < count; i++) {
			if(box[i].colors < 2)
				continue;
			if(pick < 0 || (second ? box[i].volume > box[pick].volume : box[i].colors > box[pick].colors))
				pick = i;
		}
		if(pick < 0)
			break;
		sMedianBox& b = box[pick];
		int gl = b.hi[0] - b.lo[0], rl = b.hi[1] - b.lo[1], bl = b.hi[2] - b.lo[2];
		int axis = bl > gl && bl > rl ? 2 : rl > gl ? 1 : 0;
		if(b.hi[axis] - b.lo[axis] == 1) {
			if(second)
				break;
			second = true;
			continue;
		}
		int mid = (b.lo[axis] + b.hi[axis]) >> 1;
		sMedianBox& nb = box[count];
		nb = b;
		nb.lo[axis] = mid;
		b.hi[axis] = mid;
		sShrink(b, hist);
		sShrink(nb, hist);
		count++;
	}
	for(int i = 0; i < count; i++) {
		const sMedianBox& b = box[i];
		int64 p = b.population;
		if(p <= 0) {
			palette[i] = RGBA{ 0, 0, 0, 255 };
			continue;
		}
		palette[i] = RGBA{ sMean(b.sb, p, 15), sMean(b.sg, p, 63), sMean(b.sr, p, 31), 255 };
	}
}

// Nearest-colour table ---------------------------------------------------------------------------

void CreatePaletteCv(const RGBA* palette, int n, PaletteCv& cv)
{
	n = clamp(n, 0, 256);
	if(n == 0) {
		memset(cv.cell, 0, sizeof(cv.cell));
		return;
	}
	struct Entry { int index; int partial; int g; };
	Entry bucket_entry[16][256];
	int bucket_count[16];
	for(int r5 = 0; r5 < 32; r5++) {
		int R = r5 * 255 / 31;
		for(int b4 = 0; b4 < 16; b4++) {
			int B = b4 * 17;
			memset(bucket_count, 0, sizeof(bucket_count));
			for(int i = 0; i < n; i++) {
				int dr = palette[i].r - R, db = palette[i].b - B;
				int pd = dr * dr + db * db;
				int k = min(pd >> 11, 15);
				bucket_entry[k][bucket_count[k]++] = Entry{ i, pd, palette[i].g };
			}
			byte* cell = cv.cell + (r5 << 10) + (b4 << 6);
			int memo[64];
			for(int& m : memo)
				m = -1;
			auto search = [&](int g6) {
				if(memo[g6] >= 0)
					return memo[g6];
				int G = g6 * 255 / 63;
				int best = INT_MAX, bi = 0;
				for(int k = 0; k < 16 && k * 2048 <= best; k++)
					for(int j = 0; j < bucket_count[k]; j++) {
						const Entry& e = bucket_entry[k][j];
						int dg = e.g - G;
						int d = e.partial + dg * dg;
						if(d < best) {
							best = d;
							bi = e.index;
						}
					}
				return memo[g6] = bi;
			};
			// Nearest-entry regions are convex, so along the green axis each entry holds one run:
			// equal ends fill everything between them.
			auto fill = [&](auto& self, int lo, int hi) -> void {
				int a = search(lo), b = search(hi);
				if(a == b) {
					for(int g = lo; g <= hi; g++)
						cell[g] = byte(a);
					return;
				}
				if(hi - lo <= 1) {
					cell[lo] = byte(a);
					cell[hi] = byte(b);
					return;
				}
				int mid = (lo + hi) >> 1;
				self(self, lo, mid);
				self(self, mid, hi);
			};
			fill(fill, 0, 63);
		}
	}
}

} // namespace Qel
