#include "ImageFlip.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace Qel {

namespace {

struct sSpotPair {
	Point hot, second;
};

// Both spots mapped like pixels, then taken as the corners of a rectangle.
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

// A new buffer of size sz with img's physical size and attribute byte and the mapped spots;
// every pixel is written by the caller.
ImageBuffer sTarget(const Image& img, Size sz, Point (*map)(Point, Size))
{
	ImageBuffer b;
	detail::CreateUninitialized(b, sz);
	b.CopySpots(img);
	sSetSpots(b, sSpots(img, map));
	return b;
}

#ifdef __SSE2__
QEL_FORCE_INLINE __m128i sLoad(const RGBA* p)       { return _mm_loadu_si128((const __m128i*)p); }
QEL_FORCE_INLINE void    sStore(RGBA* p, __m128i x)  { _mm_storeu_si128((__m128i*)p, x); }
QEL_FORCE_INLINE __m128i sReverse4(__m128i x)        { return _mm_shuffle_epi32(x, 0x1B); }
#endif

// t[n - 1 - i] = s[i]
void sCopyReversed(RGBA* t, const RGBA* s, int n)
{
	int i = 0;
#ifdef __SSE2__
	for(; i + 4 <= n; i += 4)
		sStore(t + n - 4 - i, sReverse4(sLoad(s + i)));
#endif
	for(; i < n; i++)
		t[n - 1 - i] = s[i];
}

void sReverseInPlace(RGBA* l, int n)
{
	RGBA* r = l + n; // one past the right end
#ifdef __SSE2__
	while(r - l >= 8) {
		__m128i a = sLoad(l);
		__m128i b = sLoad(r - 4);
		sStore(l, sReverse4(b));
		sStore(r - 4, sReverse4(a));
		l += 4;
		r -= 4;
	}
#endif
	while(r - l >= 2)
		std::swap(*l++, *--r);
}

// The four mirrors about a diagonal: source (x, y) goes to t[origin + x * sx + y * sy], with
// sy = +1 or -1 (neighbours in a source column stay neighbours in a result row). The source is
// walked in square tiles so that both sides stay in cache; inside a tile, 4 x 4 blocks are
// transposed in registers.
void sTransposeInto(RGBA* t, const Image& img, int64 origin, int64 sx, int sy)
{
	Size sz = img.GetSize();
	const int TILE = 64;
	int w4 = sz.cx & ~3, h4 = sz.cy & ~3;
#ifdef __SSE2__
	for(int ty = 0; ty < h4; ty += TILE)
		for(int tx = 0; tx < w4; tx += TILE) {
			int ey = min(ty + TILE, h4), ex = min(tx + TILE, w4);
			// down the source columns: each result row fills left to right
			for(int x = tx; x < ex; x += 4) {
				RGBA* q0 = t + origin + int64(x) * sx - (sy < 0 ? 3 : 0);
				for(int y = ty; y < ey; y += 4) {
					const RGBA* s0 = img[y] + x;
					int64 w = sz.cx;
					__m128i r0 = sLoad(s0), r1 = sLoad(s0 + w), r2 = sLoad(s0 + 2 * w), r3 = sLoad(s0 + 3 * w);
					__m128i t0 = _mm_unpacklo_epi32(r0, r1), t1 = _mm_unpacklo_epi32(r2, r3);
					__m128i t2 = _mm_unpackhi_epi32(r0, r1), t3 = _mm_unpackhi_epi32(r2, r3);
					__m128i c[4] = { _mm_unpacklo_epi64(t0, t1), _mm_unpackhi_epi64(t0, t1),
					                 _mm_unpacklo_epi64(t2, t3), _mm_unpackhi_epi64(t2, t3) };
					RGBA* q = q0 + int64(y) * sy;
					for(int k = 0; k < 4; k++)
						sStore(q + k * sx, sy < 0 ? sReverse4(c[k]) : c[k]);
				}
			}
		}
#else
	w4 = h4 = 0;
#endif
	// what the blocks left: the right columns of every row, the bottom rows
	for(int y = 0; y < sz.cy; y++) {
		const RGBA* s = img[y];
		RGBA* q = t + origin + int64(y) * sy;
		for(int x = y < h4 ? w4 : 0; x < sz.cx; x++)
			q[x * sx] = s[x];
	}
}

Image sTransposed(const Image& img, int64 origin, int64 sx, int sy, Point (*map)(Point, Size))
{
	if(img.IsEmpty())
		return Image();
	Size sz = img.GetSize();
	ImageBuffer b = sTarget(img, Size(sz.cy, sz.cx), map);
	Size dots = img.GetPhysicalSize();
	b.SetPhysicalSize(Size(dots.cy, dots.cx)); // the picture turned: its width was its height
	sTransposeInto(b.Begin(), img, origin, sx, sy);
	return b;
}

Point sMirrorH(Point p, Size sz)    { return Point(sz.cx - 1 - p.x, p.y); }
Point sMirrorV(Point p, Size sz)    { return Point(p.x, sz.cy - 1 - p.y); }
Point sRot180(Point p, Size sz)     { return Point(sz.cx - 1 - p.x, sz.cy - 1 - p.y); }
Point sTranspose(Point p, Size)     { return Point(p.y, p.x); }
Point sClockwise(Point p, Size sz)  { return Point(sz.cy - 1 - p.y, p.x); }
Point sTransverse(Point p, Size sz) { return Point(sz.cy - 1 - p.y, sz.cx - 1 - p.x); }
Point sAnti(Point p, Size sz)       { return Point(p.y, sz.cx - 1 - p.x); }

} // namespace

// The two mirrors work in place when img holds the only reference to its pixels; a shared
// image is copied in the same pass that mirrors it.
Image MirrorHorizontal(Image img)
{
	if(img.IsEmpty())
		return Image();
	int cx = img.GetWidth(), cy = img.GetHeight();
	if(img.GetRefCount() > 1) {
		ImageBuffer b = sTarget(img, img.GetSize(), sMirrorH);
		for(int y = 0; y < cy; y++)
			sCopyReversed(b[y], img[y], cx);
		return b;
	}
	sSpotPair spots = sSpots(img, sMirrorH);
	ImageBuffer b(img);
	sSetSpots(b, spots);
	for(int y = 0; y < cy; y++)
		sReverseInPlace(b[y], cx);
	return b;
}

Image MirrorVertical(Image img)
{
	if(img.IsEmpty())
		return Image();
	int cx = img.GetWidth(), cy = img.GetHeight();
	if(img.GetRefCount() > 1) {
		ImageBuffer b = sTarget(img, img.GetSize(), sMirrorV);
		for(int y = 0; y < cy; y++)
			memcpy(b[cy - 1 - y], img[y], size_t(cx) * sizeof(RGBA));
		return b;
	}
	sSpotPair spots = sSpots(img, sMirrorV);
	ImageBuffer b(img);
	sSetSpots(b, spots);
	for(int y1 = 0, y2 = cy - 1; y1 < y2; y1++, y2--) {
		RGBA* p = b[y1];
		RGBA* q = b[y2];
		for(int x = 0; x < cx; x++)
			std::swap(p[x], q[x]);
	}
	return b;
}

Image Rotate180(const Image& img)
{
	if(img.IsEmpty())
		return Image();
	int cx = img.GetWidth(), cy = img.GetHeight();
	ImageBuffer b = sTarget(img, img.GetSize(), sRot180);
	for(int y = 0; y < cy; y++)
		sCopyReversed(b[cy - 1 - y], img[y], cx);
	return b;
}

Image Transpose(const Image& img)
{
	return sTransposed(img, 0, img.GetHeight(), 1, sTranspose);
}

Image RotateClockwise(const Image& img)
{
	Size sz = img.GetSize();
	return sTransposed(img, sz.cy - 1, sz.cy, -1, sClockwise);
}

Image Transverse(const Image& img)
{
	Size sz = img.GetSize();
	return sTransposed(img, int64(sz.cx) * sz.cy - 1, -int64(sz.cy), -1, sTransverse);
}

Image RotateAntiClockwise(const Image& img)
{
	Size sz = img.GetSize();
	return sTransposed(img, int64(sz.cx - 1) * sz.cy, -int64(sz.cy), 1, sAnti);
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
