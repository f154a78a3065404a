#include "ImageSpan.h"

#include <draw/ImageMaker.h>
#include <draw/ImageScale.h>

#include <cmath>
#include <cstring>

namespace Qel {

namespace {

// floor(v) as an int; far-off and non-finite positions are clamped (in double) first, which
// keeps them well outside any image and lets the tiling arithmetic work on plain ints.
inline int sFloor(float v)
{
	double d = std::floor((double)v);
	return d >= -1e9 ? d <= 1e9 ? (int)d : 1000000000 : -1000000000;
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

inline RGBA sMix4(const RGBA& p00, const RGBA& p01, const RGBA& p10, const RGBA& p11,
                  float fx, float fy)
{
	float gx = 1 - fx, gy = 1 - fy;
	float w00 = gx * gy, w01 = gx * fy, w10 = fx * gy, w11 = fx * fy;
	RGBA r;
	r.r = sChannel(p00.r * w00 + p01.r * w01 + p10.r * w10 + p11.r * w11);
	r.g = sChannel(p00.g * w00 + p01.g * w01 + p10.g * w10 + p11.g * w11);
	r.b = sChannel(p00.b * w00 + p01.b * w01 + p10.b * w10 + p11.b * w11);
	r.a = sChannel(p00.a * w00 + p01.a * w01 + p10.a * w10 + p11.a * w11);
	return r;
}

inline RGBA sMix2(const RGBA& p0, const RGBA& p1, float f)
{
	float g = 1 - f;
	RGBA r;
	r.r = sChannel(p0.r * g + p1.r * f);
	r.g = sChannel(p0.g * g + p1.g * f);
	r.b = sChannel(p0.b * g + p1.b * f);
	r.a = sChannel(p0.a * g + p1.a * f);
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
	float px = (float)p.x, py = (float)p.y;
	float dx = (float)xform.x.x, dy = (float)xform.y.x;
	if(kernel)
		GetKernel(span, px, py, dx, dy, len);
	else
	if(fast)
		GetFast(span, px, py, dx, dy, len);
	else
		GetBilinear(span, px, py, dx, dy, len);
}

void PainterImageSpan::GetFast(RGBA* span, float px, float py, float dx, float dy, unsigned len)
{
	if(style == 0) {
		if(dx == 1 && dy == 0 && px == std::floor(px)) {
			// an unscaled, unrotated row: copy what lies inside the image
			int ix = sFloor(px), iy = sFloor(py);
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
		while(len--) {
			int ix = sFloor(px), iy = sFloor(py);
			*span++ = (unsigned)ix < (unsigned)cx && (unsigned)iy < (unsigned)cy
			          ? pixels[(size_t)iy * cx + ix] : sZero;
			px += dx;
			py += dy;
		}
		return;
	}
	while(len--) {
		*span++ = Fetch(sFloor(px), sFloor(py));
		px += dx;
		py += dy;
	}
}

void PainterImageSpan::GetBilinear(RGBA* span, float px, float py, float dx, float dy, unsigned len)
{
	if(cy == 1 && vstyle == FILL_VPAD) {
		// a gradient line: both rows are the same, so only the columns are mixed
		while(len--) {
			int ix = sFloor(px);
			float fx = px - ix;
			if(style == 0 && (ix < -1 || ix > cx))
				*span = sZero;
			else
			if(ix >= 0 && ix < maxx)
				*span = sMix2(pixels[ix], pixels[ix + 1], fx);
			else
				*span = sMix2(Fetch(ix, 0), Fetch(ix + 1, 0), fx);
			span++;
			px += dx;
			py += dy;
		}
		return;
	}
	while(len--) {
		int ix = sFloor(px), iy = sFloor(py);
		float fx = px - ix, fy = py - iy;
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
		px += dx;
		py += dy;
	}
}

void PainterImageSpan::GetKernel(RGBA* span, float px, float py, float dx, float dy, unsigned len)
{
	int tx = 2 * kx.radius, ty = 2 * ky.radius;
	int wx[64], wy[64]; // radius is at most 31
	while(len--) {
		int ix = sFloor(px), iy = sFloor(py);
		// the fractional position in the tables' fixed point; the tables map distance d (in
		// shrunk pixels, tap - f over radius / a) to index (d + a) << shift
		float ffx = px - ix, ffy = py - iy;
		int fx = ffx >= 0 && ffx < 1 ? int(ffx * (float)kx.factor) : 0;
		int fy = ffy >= 0 && ffy < 1 ? int(ffy * (float)ky.factor) : 0;
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
		px += dx;
		py += dy;
	}
}

} // namespace Qel
