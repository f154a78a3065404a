#include "ImageOp.h"

#include <Core/thread/CoWork.h>

namespace Qel {

namespace {

// r clipped to 0 .. sz, never inverted; 64-bit so that no edge wraps.
Rect sClip(const Rect& r, Size sz)
{
	int64 l = clamp<int64>(r.left, 0, sz.cx), t = clamp<int64>(r.top, 0, sz.cy);
	int64 rr = clamp<int64>(max<int64>(r.right, l), l, sz.cx);
	int64 b = clamp<int64>(max<int64>(r.bottom, t), t, sz.cy);
	return Rect(int(l), int(t), int(rr), int(b));
}

} // namespace

void DstSrcOp(ImageBuffer& dest, Point p, const Image& src, const Rect& srect, ImageRowOp op, bool parallel)
{
	int64 l = srect.left, t = srect.top;
	int64 px = p.x, py = p.y;
	if(px < 0) {
		l -= px;
		px = 0;
	}
	if(py < 0) {
		t -= py;
		py = 0;
	}
	Size ssz = src.GetSize();
	int64 r = min<int64>(ssz.cx, max<int64>(l < 0 ? 0 : l, srect.right));
	int64 b = min<int64>(ssz.cy, max<int64>(t < 0 ? 0 : t, srect.bottom));
	l = max<int64>(l, 0);
	t = max<int64>(t, 0);
	int64 n = min<int64>(dest.GetWidth() - px, r - l);
	int64 rows = min<int64>(dest.GetHeight() - py, b - t);
	if(n <= 0 || rows <= 0)
		return;
	auto row = [&](int i) { op(dest[int(py + i)] + px, src[int(t + i)] + l, int(n)); };
	if(parallel)
		CoFor(int(rows), row);
	else
		for(int i = 0; i < rows; i++)
			row(i);
}

void Over(Image& dest, Point p, const Image& src, const Rect& srect)
{
	if(dest.IsEmpty() || src.IsEmpty())
		return;
	ImageBuffer b(dest);
	DstSrcOp(b, p, src, srect, AlphaBlend);
	dest = b;
}

void Over(Image& dest, const Image& src)
{
	Over(dest, Point(0, 0), src, Rect(Point(0, 0), src.GetSize()));
}

Image CreateImage(Size sz, RGBA c)
{
	ImageBuffer b;
	if(!detail::CreateUninitialized(b, sz))
		return Image();
	for(RGBA& q : b)
		q = c;
	return Image(b);
}

Image CreateImage(Size sz, Color c)
{
	return CreateImage(sz, c.ToRGBA());
}

void SetHotSpots(Image& m, Point hotspot, Point spot2)
{
	if(m.IsEmpty())
		return;
	ImageBuffer b(m);
	b.SetHotSpot(hotspot);
	b.Set2ndSpot(spot2);
	m = b;
}

Image WithHotSpots(const Image& m, Point hotspot, Point spot2)
{
	Image h = m;
	SetHotSpots(h, hotspot, spot2);
	return h;
}

Image WithHotSpots(const Image& m, int x1, int y1, int x2, int y2)
{
	return WithHotSpots(m, Point(x1, y1), Point(x2, y2));
}

Image WithHotSpot(const Image& m, int x, int y)
{
	return WithHotSpots(m, Point(x, y), m.Get2ndSpot());
}

void SetKindFromPixels(Image& m)
{
	if(m.IsEmpty())
		return;
	bool opaque = true;
	for(RGBA c : m)
		if(c.a != 255) {
			opaque = false;
			break;
		}
	ImageBuffer b(m);
	b.SetKind(opaque ? IMAGE_OPAQUE : IMAGE_ALPHA);
	m = b;
}

void Crop(RasterEncoder& tgt, Raster& src, const Rect& r)
{
	Rect rc = sClip(r, src.GetSize());
	Size sz(rc.right - rc.left, rc.bottom - rc.top);
	tgt.Create(sz, src);
	if(tgt.GetSize() != sz)
		return;
	for(int y = rc.top; y < rc.bottom; y++) {
		Raster::Line line = src.GetLine(y);
		const RGBA* s = line.GetRGBA();
		if(s)
			tgt.WriteLine(s + rc.left);
		else {
			memset(tgt.GetLine(), 0, size_t(sz.cx) * sizeof(RGBA));
			tgt.WriteLine();
		}
	}
}

Image Crop(const Image& img, const Rect& r)
{
	Size sz = img.GetSize();
	if(r.left == 0 && r.top == 0 && r.right == sz.cx && r.bottom == sz.cy)
		return img;
	Rect rc = sClip(r, sz);
	if(rc.left >= rc.right || rc.top >= rc.bottom)
		return Image();
	ImageRaster src(img);
	ImageEncoder tgt;
	Crop(tgt, src, rc);
	return tgt.GetImage();
}

Image Crop(const Image& img, int x, int y, int cx, int cy)
{
	// 64-bit far edges, saturated into int
	auto edge = [](int a, int d) { return int(clamp<int64>(int64(a) + d, INT_MIN, INT_MAX)); };
	return Crop(img, Rect(x, y, edge(x, cx), edge(y, cy)));
}

namespace {

// A writable copy of img's pixels with its spots (the block moves when img holds it alone).
ImageBuffer sBuffer(const Image& img)
{
	Image m = img;
	return ImageBuffer(m);
}

} // namespace

Image Grayscale(const Image& img, int amount)
{
	if(img.IsEmpty())
		return img;
	ImageBuffer b = sBuffer(img);
	int na = 256 - amount;
	for(RGBA& c : b) {
		int grey = (77 * c.r + 151 * c.g + 28 * c.b) >> 8;
		auto mix = [&](int v) { return byte(clamp((v * na + grey * amount) >> 8, 0, 255)); };
		c.r = mix(c.r);
		c.g = mix(c.g);
		c.b = mix(c.b);
	}
	return Image(b);
}

Image DarkTheme(const Image& img)
{
	if(img.IsEmpty())
		return img;
	ImageBuffer b = sBuffer(Unmultiply(img));
	// runs of one colour are common in icons: remember the last answer
	RGBA last_in{ 0, 0, 0, 0 }, last_out{ 0, 0, 0, 0 };
	bool have = false;
	for(RGBA& c : b) {
		RGBA key{ c.b, c.g, c.r, 0 };
		if(!have || !(key == last_in)) {
			Color d = DarkTheme(Color(c.r, c.g, c.b));
			last_in = key;
			last_out = RGBA{ byte(d.GetB()), byte(d.GetG()), byte(d.GetR()), 0 };
			have = true;
		}
		c.r = last_out.r;
		c.g = last_out.g;
		c.b = last_out.b;
	}
	Premultiply(b);
	return Image(b);
}

Image Colorize(const Image& img, Color color)
{
	if(img.IsEmpty())
		return img;
	ImageBuffer b = sBuffer(img);
	RGBA c = color.ToRGBA();
	for(RGBA& q : b) {
		byte a = q.a;
		q = c;
		q.a = a;
	}
	Premultiply(b);
	return Image(b);
}

Image RecreateAlpha(const Image& overwhite, const Image& overblack)
{
	Size sz = overwhite.GetSize();
	if(sz != overblack.GetSize() || overwhite.IsEmpty())
		return Image();
	ImageBuffer r;
	detail::CreateUninitialized(r, sz);
	const RGBA* w = overwhite.Begin();
	const RGBA* k = overblack.Begin();
	for(RGBA& t : r) {
		int a = min(k->r - w->r + 255, 255);
		if(a > 0)
			t = RGBA{ byte(min(k->b * 255 / a, 255)), byte(min(k->g * 255 / a, 255)),
			          byte(min(k->r * 255 / a, 255)), byte(a) };
		else
			t = RGBA{ 0, 0, 0, 0 };
		w++;
		k++;
	}
	Premultiply(r);
	return Image(r);
}

int ChannelDiff(RGBA a, RGBA b)
{
	return max(max(abs(a.r - b.r), abs(a.g - b.g)), max(abs(a.b - b.b), abs(a.a - b.a)));
}

bool IsUniformArea(const Image& img, const Rect& r)
{
	Rect rc = sClip(r, img.GetSize());
	if(rc.left >= rc.right || rc.top >= rc.bottom)
		return true;
	RGBA c = img[rc.top][rc.left];
	for(int y = rc.top; y < rc.bottom; y++) {
		const RGBA* s = img[y];
		for(int x = rc.left; x < rc.right; x++)
			if(!(s[x] == c))
				return false;
	}
	return true;
}

} // namespace Qel
