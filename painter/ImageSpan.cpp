#include "ImageSpan.h"

#include <draw/ImageMaker.h>
#include <draw/ImageScale.h>

#include <cmath>
#include <cstring>

namespace Qel {

namespace {

// floor(v) as an int; far-off and non-finite positions are clamped (in double) first, which
// keeps them well outside any image and lets the tiling arithmetic work on plain ints.
inline int sFloor(double v)
{
	double d = std::floor(v);
	return d >= -1e9 ? d <= 1e9 ? (int)d : 1000000000 : -1000000000;
}

// The fraction of p beyond its floor i (1 when p lies just below a whole number and the
// difference rounds up); 0 where i had to be clamped.
inline float sFrac(double p, int i)
{
	double f = p - i;
	return f >= 0 && f <= 1 ? (float)f : 0;
}

inline int sTile(int v, int n, int mode)
{
	switch(mode) {
	case 1:
		return v < 0 ? 0 : v >= n ? n - 1 : v;
	case 2: {
		int m = v % n;
		return m < 0 ? m + n : m;
	}
	case 3: {
		int64 p = 2 * (int64)n;
		int64 m = v % p;
		if(m < 0)
			m += p;
		return int(m < n ? m : p - 1 - m);
	}
	}
	return v;
}

// A channel sum, truncated toward zero and limited to 0..255 (NaN gives 0).
inline byte sChannel(float v)
{
	return v > 0 ? v < 255 ? (byte)(int)v : 255 : 0;
}

// Mixed as p0 + (p1 - p0) f, so that equal pixels give themselves back exactly.
inline float sLerp(float p0, float p1, float f)
{
	return p0 + (p1 - p0) * f;
}

inline RGBA sMix4(const RGBA& p00, const RGBA& p01, const RGBA& p10, const RGBA& p11,
                  float fx, float fy)
{
	RGBA r;
	r.r = sChannel(sLerp(sLerp(p00.r, p10.r, fx), sLerp(p01.r, p11.r, fx), fy));
	r.g = sChannel(sLerp(sLerp(p00.g, p10.g, fx), sLerp(p01.g, p11.g, fx), fy));
	r.b = sChannel(sLerp(sLerp(p00.b, p10.b, fx), sLerp(p01.b, p11.b, fx), fy));
	r.a = sChannel(sLerp(sLerp(p00.a, p10.a, fx), sLerp(p01.a, p11.a, fx), fy));
	return r;
}

inline RGBA sMix2(const RGBA& p0, const RGBA& p1, float f)
{
	RGBA r;
	r.r = sChannel(sLerp(p0.r, p1.r, f));
	r.g = sChannel(sLerp(p0.g, p1.g, f));
	r.b = sChannel(sLerp(p0.b, p1.b, f));
	r.a = sChannel(sLerp(p0.a, p1.a, f));
	return r;
}

const RGBA sZero = {0, 0, 0, 0};

} // namespace

PainterImageSpan::PainterImageSpan(dword flags, const Xform2D& m, const Image& img, bool co,
                                   bool imagecache, int filter)
{
	style = byte(flags & 15);
	hstyle = byte(flags & 3);
	vstyle = byte(flags & 12);
	fixed = hstyle && vstyle;
	fast = filter == 0 || (flags & FILL_FAST);
	image = img;
	if(image.GetWidth() <= 0 || image.GetHeight() <= 0)
		return;
	int dx = 1, dy = 1;
	if(!fast) {
		double sx = std::hypot(m.x.x, m.y.x);
		double sy = std::hypot(m.x.y, m.y.y);
		if(sx >= 0.01 && sy >= 0.01) { // so 1 / s stays at most 100
			dx = int(max(1.0, 1 / sx));
			dy = int(max(1.0, 1 / sy));
		}
	}
	xform = Inverse(m);
	if(!fast && filter != 1) {
		kernel = true;
		kx = GetFilterKernel(filter, dx);
		ky = GetFilterKernel(filter, dy);
	}
	else
	if(dx > 1 || dy > 1) {
		// bilinear reads at most four pixels, so a strong shrink first averages whole blocks
		bool parallel = co && image.GetLength() >= 20001;
		image = imagecache ? MinifyCached(image, dx, dy, parallel) : Minify(image, dx, dy, parallel);
		xform = xform * Xform2D::Scale(1.0 / dx, 1.0 / dy);
	}
	cx = image.GetWidth();
	cy = image.GetHeight();
	maxx = cx - 1;
	maxy = cy - 1;
	if(cx > 0 && cy > 0 && IsFinite(xform))
		pixels = image.Begin();
}

RGBA PainterImageSpan::Fetch(int x, int y) const
{
	x = sTile(x, cx, hstyle);
	y = sTile(y, cy, vstyle >> 2);
	if((unsigned)x >= (unsigned)cx || (unsigned)y >= (unsigned)cy)
		return sZero;
	return pixels[(size_t)y * cx + x];
}

void PainterImageSpan::Get(RGBA* span, int x, int y, unsigned len)
{
	if(!pixels) {
		memset((void *)span, 0, len * sizeof(RGBA));
		return;
	}
	Pointf p = fast ? xform.Transform(Pointf(x, y))
	                : xform.Transform(Pointf(x + 0.5, y + 0.5));
	if(!fast) {
		p.x -= 0.5;
		p.y -= 0.5;
	}
	// each position from the start point by one multiplication, so that errors do not add up
	// along the span (a nearest-pixel fill at a whole scale must not slip at pixel borders)
	double px = p.x, py = p.y;
	double dx = xform.x.x, dy = xform.y.x;
	if(kernel)
		GetKernel(span, px, py, dx, dy, len);
	else
	if(fast)
		GetFast(span, px, py, dx, dy, len);
	else
		GetBilinear(span, px, py, dx, dy, len);
}

void PainterImageSpan::GetFast(RGBA* span, double x0, double y0, double dx, double dy, unsigned len)
{
	if(style == 0) {
		if(dx == 1 && dy == 0 && x0 == std::floor(x0)) {
			// an unscaled, unrotated row: copy what lies inside the image
			int ix = sFloor(x0), iy = sFloor(y0);
			if((unsigned)iy >= (unsigned)cy) {
				memset((void *)span, 0, len * sizeof(RGBA));
				return;
			}
			const RGBA* row = pixels + (size_t)iy * cx;
			int64 a = max<int64>(ix, 0), b = min<int64>((int64)ix + len, cx);
			int64 head = min<int64>(max<int64>(a - ix, 0), len);
			memset((void *)span, 0, head * sizeof(RGBA));
			if(b > a)
				memcpy(span + head, row + a, (b - a) * sizeof(RGBA));
			int64 done = head + max<int64>(b - a, 0);
			memset((void *)(span + done), 0, (len - done) * sizeof(RGBA));
			return;
		}
		for(unsigned i = 0; i < len; i++) {
			double px = x0 + i * dx, py = y0 + i * dy;
			int ix = sFloor(px), iy = sFloor(py);
			*span++ = (unsigned)ix < (unsigned)cx && (unsigned)iy < (unsigned)cy
			          ? pixels[(size_t)iy * cx + ix] : sZero;
		}
		return;
	}
	for(unsigned i = 0; i < len; i++) {
		double px = x0 + i * dx, py = y0 + i * dy;
		*span++ = Fetch(sFloor(px), sFloor(py));
	}
}

void PainterImageSpan::GetBilinear(RGBA* span, double x0, double y0, double dx, double dy, unsigned len)
{
	if(cy == 1 && vstyle == FILL_VPAD) {
		// a gradient line: both rows are the same, so only the columns are mixed
		for(unsigned i = 0; i < len; i++) {
			double px = x0 + i * dx;
			int ix = sFloor(px);
			float fx = sFrac(px, ix);
			if(style == 0 && (ix < -1 || ix > cx))
				*span = sZero;
			else
			if(ix >= 0 && ix < maxx)
				*span = sMix2(pixels[ix], pixels[ix + 1], fx);
			else
				*span = sMix2(Fetch(ix, 0), Fetch(ix + 1, 0), fx);
			span++;
		}
		return;
	}
	for(unsigned i = 0; i < len; i++) {
		double px = x0 + i * dx, py = y0 + i * dy;
		int ix = sFloor(px), iy = sFloor(py);
		float fx = sFrac(px, ix), fy = sFrac(py, iy);
		if(style == 0 && (ix < -1 || ix > cx || iy < -1 || iy > cy))
			*span = sZero;
		else
		if(ix >= 0 && ix < maxx && iy >= 0 && iy < maxy) {
			const RGBA* s = pixels + (size_t)iy * cx + ix;
			*span = sMix4(s[0], s[cx], s[1], s[cx + 1], fx, fy);
		}
		else
			*span = sMix4(Fetch(ix, iy), Fetch(ix, iy + 1), Fetch(ix + 1, iy), Fetch(ix + 1, iy + 1),
			              fx, fy);
		span++;
	}
}

void PainterImageSpan::GetKernel(RGBA* span, double x0, double y0, double dx, double dy, unsigned len)
{
	int tx = 2 * kx.radius, ty = 2 * ky.radius;
	int wx[64], wy[64]; // radius is at most 31
	for(unsigned i = 0; i < len; i++) {
		double px = x0 + i * dx, py = y0 + i * dy;
		int ix = sFloor(px), iy = sFloor(py);
		// the fractional position in the tables' fixed point; the tables map distance d (in
		// shrunk pixels, tap - f over radius / a) to index (d + a) << shift
		int fx = int(sFrac(px, ix) * kx.factor), fy = int(sFrac(py, iy) * ky.factor);
		for(int k = 0; k < tx; k++) {
			int tap = k + 1 - kx.radius;
			wx[k] = kx.Get(int((((int64)tap << kx.shift) - fx) * kx.a / kx.radius + kx.centre));
		}
		for(int k = 0; k < ty; k++) {
			int tap = k + 1 - ky.radius;
			wy[k] = ky.Get(int((((int64)tap << ky.shift) - fy) * ky.a / ky.radius + ky.centre));
		}
		int64 r = 0, g = 0, b = 0, a = 0, sum = 0;
		for(int j = 0; j < ty; j++) {
			if(!wy[j])
				continue;
			int yy = iy + j + 1 - ky.radius;
			for(int k = 0; k < tx; k++) {
				int64 w = (int64)wx[k] * wy[j];
				if(!w)
					continue;
				RGBA c = Fetch(ix + k + 1 - kx.radius, yy);
				r += c.r * w;
				g += c.g * w;
				b += c.b * w;
				a += c.a * w;
				sum += w;
			}
		}
		if(sum <= 0)
			*span = sZero;
		else {
			int64 av = clamp<int64>(a / sum, 0, 255);
			span->a = (byte)av;
			span->r = (byte)clamp<int64>(r / sum, 0, av);
			span->g = (byte)clamp<int64>(g / sum, 0, av);
			span->b = (byte)clamp<int64>(b / sum, 0, av);
		}
		span++;
	}
}

} // namespace Qel
