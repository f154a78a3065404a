#include "ImageFilter.h"
#include "ImageOp.h"
#include "ImageScale.h"
#include "RescaleFilter.h"

namespace Qel {

RGBA EtchFilter::operator()(const RGBA** mx)
{
	RGBA c = mx[1][1];
	RGBA tl = mx[0][0];
	if(c.a >= 129 && c.b + c.g + c.r < 500)
		return RGBA{ 0x80, 0x80, 0x80, c.a };
	if(tl.a >= 129 && tl.b + tl.g + tl.r < 500)
		return RGBA{ 0xFF, 0xFF, 0xFF, tl.a };
	return RGBA{ 0, 0, 0, 0 };
}

void FilterRow(RGBA* t, const RGBA* top, const RGBA* mid, const RGBA* bottom, int w, ImageFilter9& f)
{
	if(w <= 0)
		return;
	const RGBA* row[3] = { top, mid, bottom };
	RGBA edge[3][3];
	const RGBA* mx[3];
	// the edge columns with the missing neighbour replaced by the edge pixel
	auto at_edge = [&](int l, int c, int r) {
		for(int i = 0; i < 3; i++) {
			edge[i][0] = row[i][l];
			edge[i][1] = row[i][c];
			edge[i][2] = row[i][r];
			mx[i] = edge[i];
		}
		return f(mx);
	};
	if(w == 1) {
		t[0] = at_edge(0, 0, 0);
		return;
	}
	t[0] = at_edge(0, 0, 1);
	for(int x = 1; x < w - 1; x++) {
		mx[0] = top + x - 1;
		mx[1] = mid + x - 1;
		mx[2] = bottom + x - 1;
		t[x] = f(mx);
	}
	t[w - 1] = at_edge(w - 2, w - 1, w - 1);
}

void Filter(RasterEncoder& target, Raster& src, ImageFilter9& f)
{
	Size sz = src.GetSize();
	target.Create(sz, src);
	if(target.GetSize() != sz || sz.cx <= 0 || sz.cy <= 0)
		return;
	// a ring of three converted rows: each source row is read once
	Buffer<RGBA> ring(size_t(sz.cx) * 3);
	int tag[3] = { -1, -1, -1 };
	auto get = [&](int y) -> const RGBA* {
		RGBA* slot = ring + size_t(y % 3) * sz.cx;
		if(tag[y % 3] != y) {
			Raster::Line line = src.GetLine(y);
			const RGBA* s = line.GetRGBA();
			if(s)
				memcpy(slot, s, size_t(sz.cx) * sizeof(RGBA));
			else
				memset(slot, 0, size_t(sz.cx) * sizeof(RGBA));
			tag[y % 3] = y;
		}
		return slot;
	};
	int h = sz.cy;
	for(int y = 0; y < h; y++) {
		int y0 = max(y - 1, 0), y2 = min(y + 1, h - 1);
		const RGBA* a = get(y0);
		const RGBA* b = get(y);
		const RGBA* c = get(y2);
		FilterRow(target.GetLine(), a, b, c, sz.cx, f);
		target.WriteLine();
	}
}

Image Filter(const Image& img, ImageFilter9& f)
{
	ImageRaster src(img);
	ImageEncoder tgt;
	Filter(tgt, src, f);
	return tgt.GetImage();
}

namespace {

// Keeps pixels that sit inside the picture or are solid enough; clears the faint fringe that
// the alpha recovery leaves outside edges.
class sUpscaleCleanFilter : public ImageFilter9 {
public:
	RGBA operator()(const RGBA** mx) override
	{
		RGBA c = mx[1][1];
		int t = mx[0][1].a, b = mx[2][1].a, l = mx[1][0].a, r = mx[1][2].a;
		if(t >= 231 || b >= 231 || l >= 231 || r >= 231 || (t && b && l && r))
			return c;
		return c.a >= 111 ? c : RGBA{ 0, 0, 0, 0 };
	}
};

inline int sDist(RGBA a, RGBA b)
{
	return 16169 * abs(a.r - b.r) + 23345 * abs(a.g - b.g) + 8486 * abs(a.b - b.b);
}

} // namespace

Image Upscale2xOpaque(const Image& img)
{
	Size sz = img.GetSize();
	if(img.IsEmpty())
		return img;
	ImageBuffer t;
	if(!detail::CreateUninitialized(t, Size(sz.cx * 2, sz.cy * 2)))
		return Image();
	int w = sz.cx, h = sz.cy;
	// source pixel at (x, y) clamped into the image
	auto px = [&](int x, int y) { return img[clamp(y, 0, h - 1)][clamp(x, 0, w - 1)]; };
	// the frame (u, v) that turns each corner into the bottom-right one
	static const int frame[4][4] = {
		{ -1, 0, 0, -1 }, // top-left
		{ 0, -1, 1, 0 },  // top-right
		{ 1, 0, 0, 1 },   // bottom-right
		{ 0, 1, -1, 0 },  // bottom-left
	};
	static const int place[4][2] = { { 0, 0 }, { 1, 0 }, { 1, 1 }, { 0, 1 } };
	for(int y = 0; y < h; y++)
		for(int x = 0; x < w; x++) {
			RGBA E = img[y][x];
			for(int k = 0; k < 4; k++) {
				int ux = frame[k][0], uy = frame[k][1], vx = frame[k][2], vy = frame[k][3];
				auto at = [&](int a, int b) { return px(x + a * ux + b * vx, y + a * uy + b * vy); };
				RGBA B = at(0, -1), C = at(1, -1), D = at(-1, 0), F = at(1, 0), F4 = at(2, 0);
				RGBA G = at(-1, 1), H = at(0, 1), I = at(1, 1), I4 = at(2, 1), H5 = at(0, 2), I5 = at(1, 2);
				int wd1 = sDist(E, C) + sDist(E, G) + sDist(I, F4) + sDist(I, H5) + 4 * sDist(H, F);
				int wd2 = sDist(H, D) + sDist(H, I5) + sDist(F, I4) + sDist(F, B) + 4 * sDist(E, I);
				RGBA o = E;
				if(wd1 < wd2) {
					RGBA N = sDist(E, F) <= sDist(E, H) ? F : H;
					o = RGBA{ byte((E.b + N.b) >> 1), byte((E.g + N.g) >> 1), byte((E.r + N.r) >> 1), E.a };
				}
				t[2 * y + place[k][1]][2 * x + place[k][0]] = o;
			}
		}
	return Image(t);
}

Image Upscale2x(const Image& img)
{
	if(img.IsEmpty())
		return img;
	Point hs = img.GetHotSpot(), s2 = img.Get2ndSpot();
	Image r;
	if(s2.x > 0 || s2.y > 0)
		r = Magnify(img, 2, 2);
	else {
		Size sz = img.GetSize();
		Rect all(Point(0, 0), sz);
		Image w = CreateImage(sz, Color(255, 255, 255));
		Over(w, Point(0, 0), img, all);
		Image b = CreateImage(sz, Color(0, 0, 0));
		Over(b, Point(0, 0), img, all);
		sUpscaleCleanFilter clean;
		r = Filter(RecreateAlpha(Upscale2xOpaque(w), Upscale2xOpaque(b)), clean);
	}
	if(r.IsEmpty())
		return r;
	SetHotSpots(r, Point(2 * hs.x, 2 * hs.y), Point(2 * s2.x, 2 * s2.y));
	return r;
}

Image Downscale2x(const Image& img)
{
	if(img.IsEmpty())
		return img;
	Size sz = img.GetSize();
	Point s2 = img.Get2ndSpot();
	Image r = RescaleFilter(img, Size(sz.cx / 2, sz.cy / 2), Rect(Point(0, 0), sz),
	                        s2.x < 1 && s2.y < 1 ? 7 : 1, {}, false);
	if(r.IsEmpty())
		return r;
	Point hs = img.GetHotSpot();
	SetHotSpots(r, Point(hs.x / 2, hs.y / 2), Point(s2.x / 2, s2.y / 2));
	return r;
}

} // namespace Qel
