#include "ImageScale.h"

#include <Core/container/Buffer.h>
#include <Core/thread/CoWork.h>

namespace Qel {

namespace {

template <class F>
void sRows(int n, bool parallel, F&& fn)
{
	if(parallel)
		CoFor(n, fn);
	else
		for(int i = 0; i < n; i++)
			fn(i);
}

inline byte sSat(float v)
{
	int i = int(v); // truncation towards zero
	return byte(clamp(i, 0, 255));
}

} // namespace

Image Minify(const Image& img, int nx, int ny, bool parallel)
{
	if(nx < 1 || ny < 1 || img.IsEmpty())
		return Image();
	Size sz = img.GetSize();
	int w = sz.cx, h = sz.cy;
	int tcx = int((int64(w) + nx - 1) / nx), tcy = int((int64(h) + ny - 1) / ny);
	ImageBuffer t;
	if(!detail::CreateUninitialized(t, Size(tcx, tcy)))
		return Image();
	int xx = w - w % nx;
	auto row = [&](int ty) {
		// per column: b, g, r, a sums and the count; each call has its own
		Buffer<float> acc(size_t(tcx) * 5, 0.0f);
		for(int j = 0; j < ny; j++) {
			int64 sy = int64(ty) * ny + j;
			if(sy >= h)
				break;
			const RGBA* s = img[int(sy)];
			float* a = acc;
			int x = 0;
			for(; x < xx; x += nx) {
				for(int k = 0; k < nx; k++) {
					a[0] += s[x + k].b;
					a[1] += s[x + k].g;
					a[2] += s[x + k].r;
					a[3] += s[x + k].a;
				}
				a[4] += float(nx);
				a += 5;
			}
			if(x < w) {
				for(; x < w; x++) {
					a[0] += s[x].b;
					a[1] += s[x].g;
					a[2] += s[x].r;
					a[3] += s[x].a;
					a[4] += 1.0f;
				}
			}
		}
		RGBA* o = t[ty];
		const float* a = acc;
		for(int x = 0; x < tcx; x++, a += 5)
			o[x] = RGBA{ sSat(a[0] / a[4]), sSat(a[1] / a[4]), sSat(a[2] / a[4]), sSat(a[3] / a[4]) };
	};
	sRows(tcy, parallel, row);
	return Image(t);
}

Image Magnify(const Image& img, const Rect& r, int nx, int ny, bool parallel)
{
	if(nx < 1 || ny < 1 || img.IsEmpty())
		return Image();
	Size sz = img.GetSize();
	int64 l = clamp<int64>(r.left, 0, sz.cx), tp = clamp<int64>(r.top, 0, sz.cy);
	int64 rr = min<int64>(sz.cx, max<int64>(l, r.right)), b = min<int64>(sz.cy, max<int64>(tp, r.bottom));
	int64 cw = rr - l, ch = b - tp;
	if(cw <= 0 || ch <= 0)
		return Image();
	int64 tcx = cw * nx, tcy = ch * ny;
	if(!IsImageSizeValid(tcx, tcy))
		return Image();
	ImageBuffer t;
	detail::CreateUninitialized(t, Size(int(tcx), int(tcy)));
	auto row = [&](int y) {
		const RGBA* s = img[int(tp + y)] + l;
		RGBA* o = t[y * ny];
		for(int64 x = 0; x < cw; x++) {
			RGBA c = s[x];
			for(int k = 0; k < nx; k++)
				*o++ = c;
		}
		for(int k = 1; k < ny; k++)
			memcpy(t[y * ny + k], t[y * ny], size_t(tcx) * sizeof(RGBA));
	};
	sRows(int(ch), parallel, row);
	return Image(t);
}

Image Magnify(const Image& img, int nx, int ny, bool parallel)
{
	if(nx == 1 && ny == 1)
		return img;
	return Magnify(img, Rect(Point(0, 0), img.GetSize()), nx, ny, parallel);
}

Image DownSample3x(const Image& img, bool parallel)
{
	Size sz = img.GetSize();
	int tcx = sz.cx / 3, tcy = sz.cy / 3;
	if(tcx <= 0 || tcy <= 0)
		return Image();
	ImageBuffer t;
	detail::CreateUninitialized(t, Size(tcx, tcy));
	auto row = [&](int y) {
		const RGBA* s0 = img[3 * y];
		const RGBA* s1 = img[3 * y + 1];
		const RGBA* s2 = img[3 * y + 2];
		RGBA* o = t[y];
		for(int x = 0; x < tcx; x++) {
			int b = 0, g = 0, r = 0, a = 0;
			for(const RGBA* s : { s0, s1, s2 })
				for(int k = 3 * x; k < 3 * x + 3; k++) {
					b += s[k].b;
					g += s[k].g;
					r += s[k].r;
					a += s[k].a;
				}
			o[x] = RGBA{ byte((b * 58255) >> 19), byte((g * 58255) >> 19), byte((r * 58255) >> 19), byte((a * 58255) >> 19) };
		}
	};
	sRows(tcy, parallel, row);
	Point hs = img.GetHotSpot(), s2 = img.Get2ndSpot();
	t.SetHotSpot(Point(hs.x / 3, hs.y / 3));
	t.Set2ndSpot(Point(s2.x / 3, s2.y / 3));
	return Image(t);
}

} // namespace Qel
