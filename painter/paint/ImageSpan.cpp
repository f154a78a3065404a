#include "ImageSpan.h"
#include <painter/paint/detail/ImageSpanInt.h>

#include <draw/imageops/ImageMaker.h>
#include <draw/imageops/ImageOp.h>
#include <draw/imageops/ImageScale.h>

#include <atomic>
#include <cmath>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace Qel {

namespace {

// floor(v) as an int; far-off and non-finite positions are clamped (in double) first, which
// keeps them well outside any image and lets the tiling arithmetic work on plain ints.
inline int sFloor(double v)
{
	if(!(v >= -1e9))
		return -1000000000;
	if(v > 1e9)
		return 1000000000;
	int i = (int)v; // toward zero, then down for negatives with a fraction
	return i - (v < i);
}

// The fraction of p beyond its floor i in 1/256, rounded (256 when p lies just below a whole
// number); 0 where i had to be clamped.
inline int sFraction(double p, int i)
{
	double f = (p - i) * 256 + 0.5;
	return f >= 0.5 && f < 257 ? (int)f : 0;
}

// v mod n in 0 .. n - 1 for any sign of v, by a multiplication with inv = 1 / n.
inline int sMod(int v, int n, double inv)
{
	double q = v * inv;
	int64 m = v - ((int64)q - (q < (int64)q)) * n;
	if(m < 0)
		m += n;
	if(m >= n)
		m -= n;
	return (int)m;
}

inline dword sDword(const RGBA& c)
{
	dword d;
	memcpy(&d, &c, 4);
	return d;
}

inline RGBA sRGBA(dword d)
{
	RGBA c;
	memcpy(&c, &d, 4);
	return c;
}

// a + (b - a) f / 256 for all four bytes at once, two per 32-bit half (f in 0 .. 256).
inline dword sLerp(dword a, dword b, int f)
{
	int g = 256 - f;
	dword lo = (((a & 0x00FF00FF) * g + (b & 0x00FF00FF) * f) >> 8) & 0x00FF00FF;
	dword hi = (((a >> 8) & 0x00FF00FF) * g + ((b >> 8) & 0x00FF00FF) * f) & 0xFF00FF00;
	return lo | hi;
}

// Bilinear mix: the pair of each row by fx, then the rows by fy (weights in 1/256).
inline RGBA sMix4(const RGBA& p00, const RGBA& p01, const RGBA& p10, const RGBA& p11, int fx, int fy)
{
	return sRGBA(sLerp(sLerp(sDword(p00), sDword(p10), fx), sLerp(sDword(p01), sDword(p11), fx), fy));
}

const RGBA sZero = {0, 0, 0, 0};

// A part of an image shrunk by whole factors, made once per image (by serial id), part and
// factors.
struct sMinifiedPart : ImageMaker {
	Image image;
	Rect  part;
	int   nx, ny;
	bool  parallel;

	String Key() const override
	{
		String k;
		uint64 id = image.GetSerialId();
		k.Cat((const char*)&id, sizeof(id));
		k.Cat((const char*)&part, sizeof(part));
		k.Cat((const char*)&nx, sizeof(nx));
		k.Cat((const char*)&ny, sizeof(ny));
		return k;
	}

	Image Make() const override { return Minify(Crop(image, part), nx, ny, parallel); }

	sMinifiedPart(const Image& img, const Rect& r, int nx, int ny, bool parallel)
	: image(img), part(r), nx(nx), ny(ny), parallel(parallel) {}
};

} // namespace

PainterImageSpan::PainterImageSpan(dword flags, const Xform2D& m, const Image& img, bool co,
                                   bool imagecache, int filter)
: PainterImageSpan(flags, m, img, Rect(Point(0, 0), img.GetSize()), co, imagecache, filter)
{
}

PainterImageSpan::PainterImageSpan(dword flags, const Xform2D& m, const Image& img, const Rect& part_,
                                   bool co, bool imagecache, int filter)
{
	style = byte(flags & 15);
	hstyle = byte(flags & 3);
	vstyle = byte(flags & 12);
	fast = filter == 0 || (flags & FILL_FAST);
	image = img;
	Rect part = part_ & Rect(Point(0, 0), img.GetSize());
	if(part.right <= part.left || part.bottom <= part.top || !image.HasPixels())
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
		bool parallel = co && int64(part.right - part.left) * (part.bottom - part.top) >= 20001;
		if(part == Rect(Point(0, 0), img.GetSize()))
			image = imagecache ? MinifyCached(image, dx, dy, parallel) : Minify(image, dx, dy, parallel);
		else
			image = imagecache ? MakeImage(sMinifiedPart(image, part, dx, dy, parallel))
			                   : Minify(Crop(image, part), dx, dy, parallel);
		part = Rect(Point(0, 0), image.GetSize());
		xform = xform * Xform2D::Scale(1.0 / dx, 1.0 / dy);
	}
	// The part is sampled where it lies in the image, rows stride pixels apart; its edges are
	// where the tiling pads, repeats or reflects.
	cx = part.right - part.left;
	cy = part.bottom - part.top;
	stride = image.GetWidth();
	maxx = cx - 1;
	maxy = cy - 1;
	if(cx > 0 && cy > 0 && IsFinite(xform) && image.HasPixels())
		pixels = image.Begin() + (size_t)part.top * stride + part.left;
	if(!pixels)
		return;
	xinv = 1.0 / cx;
	yinv = 1.0 / cy;
	if(!kernel && cy == 1 && vstyle)
		MakeLine();
	// At whole pixels both nearest and bilinear sampling give the pixels themselves.
	const Xform2D& f = xform;
	if(!kernel && f.x.x == 1 && f.x.y == 0 && f.y.x == 0 && f.y.y == 1 && std::fabs(f.t.x) < 1e9 &&
	   std::fabs(f.t.y) < 1e9 && f.t.x == (int)f.t.x && f.t.y == (int)f.t.y) {
		moved = true;
		mx = (int)f.t.x;
		my = (int)f.t.y;
	}
}

const RGBA* PainterImageSpan::Peek(int x, int y, unsigned len)
{
	if(!pixels || !moved)
		return nullptr;
	int64 ix = (int64)x + mx, iy = (int64)y + my;
	if(iy < 0 || iy >= cy || ix < 0 || ix + len > cx)
		return nullptr;
	return pixels + iy * stride + ix;
}

inline int PainterImageSpan::Tile(int v, int n, int mode, double inv)
{
	switch(mode) {
	case 1:
		return v < 0 ? 0 : v >= n ? n - 1 : v;
	case 2:
		return sMod(v, n, inv);
	case 3: {
		// period 2n: the image, then its mirror image
		int64 p = 2 * (int64)n;
		double q = v * inv * 0.5;
		int64 m = v - ((int64)q - (q < (int64)q)) * p;
		if(m < 0)
			m += p;
		if(m >= p)
			m -= p;
		return int(m < n ? m : p - 1 - m);
	}
	}
	return v;
}

RGBA PainterImageSpan::Fetch(int x, int y) const
{
	x = Tile(x, cx, hstyle, xinv);
	y = Tile(y, cy, vstyle >> 2, yinv);
	if((unsigned)x >= (unsigned)cx || (unsigned)y >= (unsigned)cy)
		return sZero;
	return pixels[(size_t)y * stride + x];
}

void PainterImageSpan::MakeLine()
{
	// A one-line image that every row reads (a gradient line): its pixels laid out once more
	// with the tiling applied, so that a column and its right neighbour are two loads.
	int n = hstyle == 2 ? cx : hstyle == 3 ? 2 * cx : cx + 1;
	line.Alloc((size_t)n + 1);
	period = hstyle >= 2 ? n : 0;
	pinv = 1.0 / n;
	for(int k = 0; k <= n; k++)
		if(hstyle >= 2)
			line[k] = pixels[Tile(k, cx, hstyle, xinv)];
		else {
			int i = k - 1; // pad and none keep column -1 in front
			line[k] = hstyle == 1 ? pixels[i < 0 ? 0 : i >= cx ? cx - 1 : i]
			                      : i >= 0 && i < cx ? pixels[i] : sZero;
		}
}

void PainterImageSpan::Get(RGBA* span, int x, int y, unsigned len)
{
	if(!pixels) {
		memset((void *)span, 0, len * sizeof(RGBA));
		return;
	}
	int64 ix = (int64)x + mx, iy = (int64)y + my;
	if(moved && !line && ix > -1000000000 && ix + len < 1000000000 && iy > -1000000000 && iy < 1000000000) {
		GetMoved(span, (int)ix, (int)iy, len);
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
	if(line)
		GetLine(span, px, dx, len);
	else
	if(fast)
		GetFast(span, px, py, dx, dy, len);
	else
		GetBilinear(span, px, py, dx, dy, len);
}

void PainterImageSpan::GetMoved(RGBA* span, int ix, int iy, unsigned len)
{
	// At whole pixels every sampling gives the pixels themselves: what lies in the image is
	// copied, the rest tiled pixel by pixel. This serves the spans Peek cannot give in place, as
	// a rectangle's are, which reach a pixel past its right edge.
	unsigned a = 0, b = 0;
	if(iy >= 0 && iy < cy) {
		a = (unsigned)clamp<int64>(-(int64)ix, 0, len);
		b = (unsigned)clamp<int64>((int64)cx - ix, a, len);
		if(b > a)
			memcpy(span + a, pixels + (size_t)iy * stride + ix + a, (b - a) * sizeof(RGBA));
	}
	for(unsigned i = 0; i < a; i++)
		span[i] = Fetch(ix + (int)i, iy);
	for(unsigned i = b; i < len; i++)
		span[i] = Fetch(ix + (int)i, iy);
}

void PainterImageSpan::GetLine(RGBA* span, double x0, double dx, unsigned len)
{
	const RGBA* l = line;
	double x1 = x0 + len * dx;
	if(!fast && std::fabs(dx) < 16384 && std::fabs(x0) < 1e9 && std::fabs(x1) < 1e9) {
		// positions in 32.32 fixed point, stepped: within 2^-32 of a pixel per step
		int ix = sFloor(x0);
		int64 u = (int64)((x0 - ix) * 4294967296.0);
		int64 du = (int64)(dx * 4294967296.0);
		auto frac = [](int64 u) { return (int)(((u & 0xFFFFFFFF) + (1 << 23)) >> 24); };
		if(period) {
			int64 p = (int64)period << 32;
			u += (int64)sMod(ix, period, pinv) << 32;
			for(unsigned i = 0; i < len; i++) {
				int k = (int)(u >> 32);
				span[i] = sRGBA(sLerp(sDword(l[k]), sDword(l[k + 1]), frac(u)));
				u += du;
				while(u >= p)
					u -= p;
				while(u < 0)
					u += p;
			}
			return;
		}
		u += (int64)ix << 32;
		for(unsigned i = 0; i < len; i++) {
			int64 k = u >> 32;
			if(hstyle == 1) {
				int64 c = k < -1 ? -1 : k >= cx ? cx - 1 : k;
				span[i] = sRGBA(sLerp(sDword(l[c + 1]), sDword(l[c + 2]), k == c ? frac(u) : 0));
			}
			else
				span[i] = k < -1 || k >= cx ? sZero : sRGBA(sLerp(sDword(l[k + 1]), sDword(l[k + 2]), frac(u)));
			u += du;
		}
		return;
	}
	for(unsigned i = 0; i < len; i++) {
		double px = x0 + i * dx;
		int ix = sFloor(px);
		int k;
		if(period)
			k = sMod(ix, period, pinv);
		else
		if(hstyle == 1)
			k = (ix < -1 ? -1 : ix >= cx ? cx - 1 : ix) + 1;
		else {
			if(ix < -1 || ix >= cx) {
				span[i] = sZero;
				continue;
			}
			k = ix + 1;
		}
		span[i] = fast ? l[k] : sRGBA(sLerp(sDword(l[k]), sDword(l[k + 1]), sFraction(px, ix)));
	}
}

void PainterImageSpan::GetFast(RGBA* span, double x0, double y0, double dx, double dy, unsigned len)
{
	if(style == 0) {
		if(dx == 1 && dy == 0 && x0 == (double)sFloor(x0)) {
			// an unscaled, unrotated row: copy what lies inside the image
			int ix = sFloor(x0), iy = sFloor(y0);
			if((unsigned)iy >= (unsigned)cy) {
				memset((void *)span, 0, len * sizeof(RGBA));
				return;
			}
			const RGBA* row = pixels + (size_t)iy * stride;
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
			int ix = sFloor(x0 + i * dx), iy = sFloor(y0 + i * dy);
			span[i] = (unsigned)ix < (unsigned)cx && (unsigned)iy < (unsigned)cy
			          ? pixels[(size_t)iy * stride + ix] : sZero;
		}
		return;
	}
	for(unsigned i = 0; i < len; i++)
		span[i] = Fetch(sFloor(x0 + i * dx), sFloor(y0 + i * dy));
}

namespace {

// One axis of a bilinear span, stepped in 32.32 fixed point; repeat and reflect keep the
// position within one period.
struct sAxis {
	int64 u, du, p;
	int   n, mode;

	// Whether stepping suits: positions within range, steps shorter than a period.
	static bool Fits(double x0, double dx, unsigned len, int n, int mode)
	{
		double x1 = x0 + len * dx;
		return std::fabs(x0) < 1e9 && std::fabs(x1) < 1e9 && std::fabs(dx) < (mode >= 2 ? n : 65536);
	}

	sAxis(double x0, double dx, int n_, int mode_, double inv)
	{
		n = n_;
		mode = mode_;
		int ix = sFloor(x0);
		u = (int64)((x0 - ix) * 4294967296.0);
		du = (int64)(dx * 4294967296.0);
		int period = mode == 2 ? n : mode == 3 ? 2 * n : 0;
		p = (int64)period << 32;
		u += (int64)(period ? sMod(ix, period, mode == 2 ? inv : inv * 0.5) : ix) << 32;
	}

	int Column() const   { return (int)(u >> 32); }
	int Fraction() const { return (int)(((u & 0xFFFFFFFF) + (1 << 23)) >> 24); } // 1/256

	void Step()
	{
		u += du;
		if(p) { // a step is shorter than the period, so one correction does
			if(u >= p)
				u -= p;
			else
			if(u < 0)
				u += p;
		}
	}

	// The two neighbouring columns of column k (outside 0 .. n - 1 when untiled).
	void Pair(int k, int& a, int& b) const
	{
		switch(mode) {
		case 0: a = k; b = k + 1; break;
		case 1: a = k < 0 ? 0 : k >= n ? n - 1 : k; b = k + 1 < 0 ? 0 : k + 1 >= n ? n - 1 : k + 1; break;
		case 2: a = k; b = k + 1 == n ? 0 : k + 1; break;
		default: {
			int k1 = k + 1 == 2 * n ? 0 : k + 1;
			a = k < n ? k : 2 * n - 1 - k;
			b = k1 < n ? k1 : 2 * n - 1 - k1;
		}
		}
	}
};

std::atomic<bool> sVector{true};

#ifdef __SSE2__
// sMix4 for four pixels, each channel in a 16-bit lane: (a (256 - f) + b f) >> 8 stays below
// 65536, so the wrapping 16-bit products and sums are exact. s[j] points at the top left pixel
// of pixel j's square; the row below lies stride pixels further on; wx, wy hold the four pixels'
// fractions (0 .. 256) as 32-bit lanes.
inline void sMix4x4(RGBA* out, const RGBA* const s[4], size_t stride, __m128i wx, __m128i wy)
{
	auto pair = [](const RGBA* p) { return _mm_loadl_epi64((const __m128i*)p); };
	__m128i t01 = _mm_unpacklo_epi64(pair(s[0]), pair(s[1]));
	__m128i t23 = _mm_unpacklo_epi64(pair(s[2]), pair(s[3]));
	__m128i b01 = _mm_unpacklo_epi64(pair(s[0] + stride), pair(s[1] + stride));
	__m128i b23 = _mm_unpacklo_epi64(pair(s[2] + stride), pair(s[3] + stride));
	auto even = [](__m128i a, __m128i b) {
		return _mm_castps_si128(_mm_shuffle_ps(_mm_castsi128_ps(a), _mm_castsi128_ps(b), _MM_SHUFFLE(2, 0, 2, 0)));
	};
	auto odd = [](__m128i a, __m128i b) {
		return _mm_castps_si128(_mm_shuffle_ps(_mm_castsi128_ps(a), _mm_castsi128_ps(b), _MM_SHUFFLE(3, 1, 3, 1)));
	};
	__m128i p00 = even(t01, t23), p10 = odd(t01, t23), p01 = even(b01, b23), p11 = odd(b01, b23);
	// each pixel's weight spread over its four lanes: pixels 0, 1 in lo, 2, 3 in hi
	const __m128i k256 = _mm_set1_epi16(256), zero = _mm_setzero_si128();
	wx = _mm_packs_epi32(wx, wx);
	wy = _mm_packs_epi32(wy, wy);
	wx = _mm_unpacklo_epi16(wx, wx);
	wy = _mm_unpacklo_epi16(wy, wy);
	__m128i fxl = _mm_unpacklo_epi32(wx, wx), fxh = _mm_unpackhi_epi32(wx, wx);
	__m128i fyl = _mm_unpacklo_epi32(wy, wy), fyh = _mm_unpackhi_epi32(wy, wy);
	auto lerp = [&](__m128i a, __m128i b, __m128i f) {
		return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(a, _mm_sub_epi16(k256, f)), _mm_mullo_epi16(b, f)), 8);
	};
	auto lo = [&](__m128i v) { return _mm_unpacklo_epi8(v, zero); };
	auto hi = [&](__m128i v) { return _mm_unpackhi_epi8(v, zero); };
	__m128i rl = lerp(lerp(lo(p00), lo(p10), fxl), lerp(lo(p01), lo(p11), fxl), fyl);
	__m128i rh = lerp(lerp(hi(p00), hi(p10), fxh), lerp(hi(p01), hi(p11), fxh), fyh);
	_mm_storeu_si128((__m128i*)out, _mm_packus_epi16(rl, rh));
}
#endif

} // namespace

namespace detail {

void ImageSpanVector(bool on)
{
	sVector.store(on, std::memory_order_relaxed);
}

} // namespace detail

void PainterImageSpan::GetBilinear(RGBA* span, double x0, double y0, double dx, double dy, unsigned len)
{
	int vmode = vstyle >> 2;
	if(sAxis::Fits(x0, dx, len, cx, hstyle) && sAxis::Fits(y0, dy, len, cy, vmode)) {
		sAxis ax(x0, dx, cx, hstyle, xinv), ay(y0, dy, cy, vmode, yinv);
		auto at = [&](int x, int y) {
			return (unsigned)x < (unsigned)cx && (unsigned)y < (unsigned)cy ? pixels[(size_t)y * stride + x] : sZero;
		};
		// A column below maxx (and a row below maxy) has its right (lower) neighbour next to it
		// in every tiling, so such squares are read directly.
		auto one = [&](RGBA& out, int kx, int ky, int fx, int fy) {
			if((unsigned)kx < (unsigned)maxx && (unsigned)ky < (unsigned)maxy) {
				const RGBA* s = pixels + (size_t)ky * stride + kx;
				out = sMix4(s[0], s[stride], s[1], s[stride + 1], fx, fy);
			}
			else {
				int xa, xb, ya, yb;
				ax.Pair(kx, xa, xb);
				ay.Pair(ky, ya, yb);
				out = sMix4(at(xa, ya), at(xa, yb), at(xb, ya), at(xb, yb), fx, fy);
			}
		};
		unsigned i = 0;
#ifdef __SSE2__
		if(sVector.load(std::memory_order_relaxed)) {
			// Four positions at once while neither axis wraps within them: both columns and
			// fractions come from the 32.32 positions in vector lanes, the same numbers that
			// stepping one by one gives.
			const __m128i dx2 = _mm_set1_epi64x(2 * ax.du), dy2 = _mm_set1_epi64x(2 * ay.du);
			const __m128i half = _mm_set1_epi32(1 << 15), none = _mm_set1_epi32(-1);
			const __m128i mx = _mm_set1_epi32(maxx), my = _mm_set1_epi32(maxy);
			auto high = [](__m128i a, __m128i b) {
				return _mm_castps_si128(_mm_shuffle_ps(_mm_castsi128_ps(a), _mm_castsi128_ps(b), _MM_SHUFFLE(3, 1, 3, 1)));
			};
			auto fraction = [&](__m128i a, __m128i b) { // as sAxis::Fraction: rounded to 1/256
				__m128i l = _mm_castps_si128(_mm_shuffle_ps(_mm_castsi128_ps(a), _mm_castsi128_ps(b), _MM_SHUFFLE(2, 0, 2, 0)));
				return _mm_srli_epi32(_mm_add_epi32(_mm_srli_epi32(l, 8), half), 16);
			};
			alignas(16) int kx[4], ky[4], fx[4], fy[4];
			if(ay.du == 0 && (unsigned)ay.Column() < (unsigned)maxy) {
				// along a row of the image (no rotation): one pair of rows, one vertical weight
				int kyc = ay.Column(), fyc = ay.Fraction();
				const RGBA* row = pixels + (size_t)kyc * stride;
				const __m128i fyv = _mm_set1_epi32(fyc);
				for(; i + 4 <= len; i += 4) {
					int64 ex = ax.u + 4 * ax.du;
					if(ax.p && (ex < 0 || ex >= ax.p)) {
						for(int j = 0; j < 4; j++) {
							one(span[i + j], ax.Column(), kyc, ax.Fraction(), fyc);
							ax.Step();
						}
						continue;
					}
					__m128i x01 = _mm_set_epi64x(ax.u + ax.du, ax.u), x23 = _mm_add_epi64(x01, dx2);
					ax.u = ex;
					__m128i kxv = high(x01, x23), fxv = fraction(x01, x23);
					__m128i in = _mm_and_si128(_mm_cmpgt_epi32(kxv, none), _mm_cmpgt_epi32(mx, kxv));
					_mm_store_si128((__m128i*)kx, kxv);
					if(_mm_movemask_epi8(in) == 0xFFFF) {
						const RGBA* s[4] = { row + kx[0], row + kx[1], row + kx[2], row + kx[3] };
						sMix4x4(span + i, s, stride, fxv, fyv);
					}
					else {
						_mm_store_si128((__m128i*)fx, fxv);
						for(int j = 0; j < 4; j++)
							one(span[i + j], kx[j], kyc, fx[j], fyc);
					}
				}
			}
			for(; i + 4 <= len; i += 4) {
				int64 ex = ax.u + 4 * ax.du, ey = ay.u + 4 * ay.du;
				if((ax.p && (ex < 0 || ex >= ax.p)) || (ay.p && (ey < 0 || ey >= ay.p))) {
					for(int j = 0; j < 4; j++) {
						one(span[i + j], ax.Column(), ay.Column(), ax.Fraction(), ay.Fraction());
						ax.Step();
						ay.Step();
					}
					continue;
				}
				__m128i x01 = _mm_set_epi64x(ax.u + ax.du, ax.u), x23 = _mm_add_epi64(x01, dx2);
				__m128i y01 = _mm_set_epi64x(ay.u + ay.du, ay.u), y23 = _mm_add_epi64(y01, dy2);
				ax.u = ex;
				ay.u = ey;
				__m128i kxv = high(x01, x23), kyv = high(y01, y23);
				__m128i fxv = fraction(x01, x23), fyv = fraction(y01, y23);
				__m128i in = _mm_and_si128(_mm_and_si128(_mm_cmpgt_epi32(kxv, none), _mm_cmpgt_epi32(mx, kxv)),
				                           _mm_and_si128(_mm_cmpgt_epi32(kyv, none), _mm_cmpgt_epi32(my, kyv)));
				_mm_store_si128((__m128i*)kx, kxv);
				_mm_store_si128((__m128i*)ky, kyv);
				if(_mm_movemask_epi8(in) == 0xFFFF) {
					const RGBA* s[4];
					for(int j = 0; j < 4; j++)
						s[j] = pixels + (size_t)ky[j] * stride + kx[j];
					sMix4x4(span + i, s, stride, fxv, fyv);
				}
				else {
					_mm_store_si128((__m128i*)fx, fxv);
					_mm_store_si128((__m128i*)fy, fyv);
					for(int j = 0; j < 4; j++)
						one(span[i + j], kx[j], ky[j], fx[j], fy[j]);
				}
			}
		}
#endif
		for(; i < len; i++) {
			one(span[i], ax.Column(), ay.Column(), ax.Fraction(), ay.Fraction());
			ax.Step();
			ay.Step();
		}
		return;
	}
	for(unsigned i = 0; i < len; i++) {
		double px = x0 + i * dx, py = y0 + i * dy;
		int ix = sFloor(px), iy = sFloor(py);
		int fx = sFraction(px, ix), fy = sFraction(py, iy);
		if(style == 0 && (ix < -1 || ix > cx || iy < -1 || iy > cy))
			span[i] = sZero;
		else
		if(ix >= 0 && ix < maxx && iy >= 0 && iy < maxy) {
			const RGBA* s = pixels + (size_t)iy * stride + ix;
			span[i] = sMix4(s[0], s[stride], s[1], s[stride + 1], fx, fy);
		}
		else {
			// at the edges and in the tiles around the image: each axis tiled once
			int xa = Tile(ix, cx, hstyle, xinv), xb = Tile(ix + 1, cx, hstyle, xinv);
			int ya = Tile(iy, cy, vstyle >> 2, yinv), yb = Tile(iy + 1, cy, vstyle >> 2, yinv);
			auto at = [&](int x, int y) {
				return (unsigned)x < (unsigned)cx && (unsigned)y < (unsigned)cy ? pixels[(size_t)y * stride + x] : sZero;
			};
			span[i] = sMix4(at(xa, ya), at(xa, yb), at(xb, ya), at(xb, yb), fx, fy);
		}
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
		int fx = (sFraction(px, ix) << kx.shift) >> 8, fy = (sFraction(py, iy) << ky.shift) >> 8;
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
			span[i] = sZero;
		else {
			int64 av = clamp<int64>(a / sum, 0, 255);
			span[i].a = (byte)av;
			span[i].r = (byte)clamp<int64>(r / sum, 0, av);
			span[i].g = (byte)clamp<int64>(g / sum, 0, av);
			span[i].b = (byte)clamp<int64>(b / sum, 0, av);
		}
	}
}

} // namespace Qel
