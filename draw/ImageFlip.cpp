#include "ImageFlip.h"

namespace Qel {

namespace {

struct sSpotPair {
	Point hot, second;
};

sSpotPair sSpots(const Image& img, Point (*map)(Point, Size))
{
	Size sz = img.GetSize();
	Point a = map(img.GetHotSpot(), sz);
	Point c = map(img.Get2ndSpot(), sz);
	return { Point(min(a.x, c.x), min(a.y, c.y)), Point(max(a.x, c.x), max(a.y, c.y)) };
}

void sSetSpots(ImageBuffer& b, const sSpotPair& p)
{
	b.SetHotSpot(p.hot);
	b.Set2ndSpot(p.second);
}

// Fills a new buffer, walking the source in square tiles so that both sides stay in cache.
Image sRemap(const Image& img, Size rsz, int64 origin, int64 sx, int64 sy, Point (*map)(Point, Size))
{
	if(img.IsEmpty())
		return Image();
	Size sz = img.GetSize();
	ImageBuffer b(rsz);
	b.CopySpots(img);
	sSetSpots(b, sSpots(img, map));
	RGBA* t = b.Begin();
	const int TILE = 64;
	for(int ty = 0; ty < sz.cy; ty += TILE) {
		int ey = min(ty + TILE, sz.cy);
		for(int tx = 0; tx < sz.cx; tx += TILE) {
			int ex = min(tx + TILE, sz.cx);
			for(int y = ty; y < ey; y++) {
				const RGBA* s = img[y];
				RGBA* q = t + origin + y * sy;
				for(int x = tx; x < ex; x++)
					q[x * sx] = s[x];
			}
		}
	}
	return b;
}

Point sMirrorH(Point p, Size sz)   { return Point(sz.cx - 1 - p.x, p.y); }
Point sMirrorV(Point p, Size sz)   { return Point(p.x, sz.cy - 1 - p.y); }
Point sRot180(Point p, Size sz)    { return Point(sz.cx - 1 - p.x, sz.cy - 1 - p.y); }
Point sTranspose(Point p, Size)    { return Point(p.y, p.x); }
Point sClockwise(Point p, Size sz) { return Point(sz.cy - 1 - p.y, p.x); }
Point sTransverse(Point p, Size sz){ return Point(sz.cy - 1 - p.y, sz.cx - 1 - p.x); }
Point sAnti(Point p, Size sz)      { return Point(p.y, sz.cx - 1 - p.x); }

} // namespace

Image MirrorHorizontal(Image img)
{
	if(img.IsEmpty())
		return Image();
	sSpotPair spots = sSpots(img, sMirrorH);
	ImageBuffer b(img); // moved when img holds the only reference
	sSetSpots(b, spots);
	int cx = b.GetWidth();
	for(int y = 0; y < b.GetHeight(); y++) {
		RGBA* l = b[y];
		RGBA* r = l + cx - 1;
		while(l < r)
			std::swap(*l++, *r--);
	}
	return b;
}

Image MirrorVertical(Image img)
{
	if(img.IsEmpty())
		return Image();
	sSpotPair spots = sSpots(img, sMirrorV);
	ImageBuffer b(img); // moved when img holds the only reference
	sSetSpots(b, spots);
	int cx = b.GetWidth();
	for(int y1 = 0, y2 = b.GetHeight() - 1; y1 < y2; y1++, y2--) {
		RGBA* p = b[y1];
		RGBA* q = b[y2];
		for(int x = 0; x < cx; x++)
			std::swap(p[x], q[x]);
	}
	return b;
}

Image Rotate180(const Image& img)
{
	Size sz = img.GetSize();
	return sRemap(img, sz, int64(sz.cx) * sz.cy - 1, -1, -int64(sz.cx), sRot180);
}

Image Transpose(const Image& img)
{
	Size sz = img.GetSize();
	return sRemap(img, Size(sz.cy, sz.cx), 0, sz.cy, 1, sTranspose);
}

Image RotateClockwise(const Image& img)
{
	Size sz = img.GetSize();
	return sRemap(img, Size(sz.cy, sz.cx), sz.cy - 1, sz.cy, -1, sClockwise);
}

Image Transverse(const Image& img)
{
	Size sz = img.GetSize();
	return sRemap(img, Size(sz.cy, sz.cx), int64(sz.cx - 1) * sz.cy + sz.cy - 1, -int64(sz.cy), -1, sTransverse);
}

Image RotateAntiClockwise(const Image& img)
{
	Size sz = img.GetSize();
	return sRemap(img, Size(sz.cy, sz.cx), int64(sz.cx - 1) * sz.cy, -int64(sz.cy), 1, sAnti);
}

Image ApplyOrientation(Image img, int orientation)
{
	switch(orientation) {
	case 1: return MirrorHorizontal(std::move(img));
	case 2: return Rotate180(img);
	case 3: return MirrorVertical(std::move(img));
	case 4: return Transpose(img);
	case 5: return RotateClockwise(img);
	case 6: return Transverse(img);
	case 7: return RotateAntiClockwise(img);
	}
	return img;
}

} // namespace Qel
