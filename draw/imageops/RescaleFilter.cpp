// Built with -ffp-contract=off: kernel tables must not depend on how the compiler fuses the
// arithmetic. The resampling itself sums integer products exactly (32-bit horizontally, doubles
// below 2^53 vertically), so neither the order of the taps nor the spread of rows over threads
// can change a result.
#include "RescaleFilter.h"
#include "Rescale.h"

#include <Core/container/Buffer.h>
#include <Core/thread/CoWork.h>
#include <Core/thread/Thread.h>
#include <Core/container/Vector.h>

#include <atomic>
#include <cmath>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace Qel {

double FilterBox(double x, double)
{
	return x >= -0.5 && x <= 0.5 ? 1 : 0;
}

double FilterTriangle(double x, double)
{
	double t = fabs(x);
	return t <= 1 ? 1 - t : 0;
}

double FilterBspline(double x, double)
{
	double t = fabs(x);
	if(t < 1)
		return (3 * t * t * t - 6 * t * t + 4) / 6;
	if(t < 2)
		return (-t * t * t + 6 * t * t - 12 * t + 8) / 6;
	return 0;
}

double FilterQuadratic(double x, double)
{
	double t = fabs(x);
	if(t < 0.5)
		return 0.75 - t * t;
	if(t < 1.5)
		return 0.5 * (t - 1.5) * (t - 1.5);
	return 0;
}

double FilterMitchell(double x, double)
{
	double t = fabs(x);
	if(t < 1)
		return (7 * t * t * t - 12 * t * t + 16.0 / 3) / 6;
	if(t < 2)
		return (-7.0 / 3 * t * t * t + 12 * t * t - 20 * t + 32.0 / 3) / 6;
	return 0;
}

double FilterHermite(double x, double)
{
	double t = fabs(x);
	return t < 1 ? (12 * t * t * t - 18 * t * t + 6) / 6 : 0;
}

namespace {

double sLanczos(double x, int a)
{
	double t = fabs(x);
	if(t < 1e-200)
		return 1;
	if(t >= a)
		return 0;
	return a * sin(M_PI * t) * sin(M_PI * t / a) / (9.869604401089358 * t * t);
}

} // namespace

double FilterLanczos2(double x, double) { return sLanczos(x, 2); }
double FilterLanczos3(double x, double) { return sLanczos(x, 3); }
double FilterLanczos4(double x, double) { return sLanczos(x, 4); }
double FilterLanczos5(double x, double) { return sLanczos(x, 5); }

namespace {

struct sKernelInfo {
	RescaleKernel fn;
	int           a;
};

const sKernelInfo sKernels[10] = {
	{ FilterBox, 1 }, { FilterTriangle, 1 }, { FilterBspline, 2 }, { FilterQuadratic, 2 },
	{ FilterMitchell, 2 }, { FilterHermite, 2 }, { FilterLanczos2, 2 }, { FilterLanczos3, 3 },
	{ FilterLanczos4, 4 }, { FilterLanczos5, 5 },
};

struct sSharedTable {
	RescaleKernel fn;
	int           a, shift;
	int*          w;
};

StaticMutex sTableLock;

// Tables are made once and never freed: callers keep their pointers.
const int* sTable(RescaleKernel fn, int a, int shift)
{
	Mutex::Lock lock(sTableLock);
	// never destroyed: a worker may still hold a table while the program's statics go
	static Vector<sSharedTable>& tables = *new Vector<sSharedTable>;
	for(const sSharedTable& t : tables)
		if(t.fn == fn && t.a == a && t.shift == shift)
			return t.w;
	int n = (2 * a << shift) + 1;
	double f = double(1 << shift);
	int* w = new int[n];
	for(int i = 0; i < n; i++)
		w[i] = int(fn(i / f - a, f) * f);
	tables.Add(sSharedTable{ fn, a, shift, w });
	return w;
}

} // namespace

void GetKernelTable(KernelTable& kt, RescaleKernel kernel, int a, int src, int dst)
{
	a = clamp(a, 1, 31);
	int ratio = dst > 0 ? src / dst : 1;
	int r = int(min<int64>(int64(a) * max(ratio, 1), 31));
	int s = 8 - r / 8;
	kt.a = a;
	kt.radius = r;
	kt.shift = s;
	kt.factor = double(1 << s);
	kt.centre = a << s;
	kt.bound = 2 * r << s;
	kt.table = sTable(kernel, a, s);
}

void GetFilterKernel(KernelTable& kt, int number, int src, int dst)
{
	const sKernelInfo& k = sKernels[clamp(number, 0, 9)];
	GetKernelTable(kt, k.fn, k.a, src, dst);
}

KernelTable GetFilterKernel(int number, int dx)
{
	KernelTable kt;
	GetFilterKernel(kt, number, dx, 1);
	return kt;
}

namespace {

// Source position of each target pixel of one axis, described by its taps: the first tap's
// source index (clamped into the source) and weight for each of the 2R taps.
struct sTaps {
	int         n = 0;      // target pixels
	int         taps = 0;   // 2R
	Buffer<int> index;      // n * taps source indexes, already offset and clamped
	Buffer<int> weight;     // n * taps weights
	Buffer<int64> sum;      // per target pixel, the sum of its weights
};

void sMakeTaps(sTaps& t, const KernelTable& kt, int len, int off, int limit, int target)
{
	int s = kt.shift, r = kt.radius, a = kt.a;
	t.n = target;
	t.taps = 2 * r;
	t.index.Alloc(size_t(target) * t.taps);
	t.weight.Alloc(size_t(target) * t.taps);
	t.sum.Alloc(size_t(target));
	int64 o = ((int64(1) << s) - (int64(len) << s) / target) >> 1;
	for(int x = 0; x < target; x++) {
		int64 p = ((int64(len) * x) << s) / target - o;
		int64 ip = p >> s;
		int64 f = p - (ip << s);
		int64 sum = 0;
		for(int k = 0; k < t.taps; k++) {
			int tap = k + 1 - r;
			int64 col = clamp<int64>(ip + tap, 0, len - 1) + off;
			col = clamp<int64>(col, 0, limit - 1);
			int64 i = ((int64(tap) << s) - max<int64>(f, 0)) * a / r + (int64(a) << s);
			int w = kt.Get(int(clamp<int64>(i, 0, int64(2 * a) << s)));
			t.index[size_t(x) * t.taps + k] = int(col);
			t.weight[size_t(x) * t.taps + k] = w;
			sum += w;
		}
		t.sum[x] = sum;
	}
}

// One source row through the horizontal taps: four exact sums per target pixel, as doubles.
void sHorizontal(double* t, const RGBA* s, const sTaps& h)
{
	const int* ix = h.index;
	const int* w = h.weight;
	int taps = h.taps;
	for(int x = 0; x < h.n; x++, ix += taps, w += taps, t += 4) {
#ifdef __SSE2__
		const __m128i zero = _mm_setzero_si128();
		__m128i acc = _mm_setzero_si128();
		for(int k = 0; k < taps; k += 2) { // taps is even: 2R
			int p0, p1;
			memcpy(&p0, s + ix[k], 4);
			memcpy(&p1, s + ix[k + 1], 4);
			__m128i v = _mm_unpacklo_epi8(_mm_unpacklo_epi8(_mm_cvtsi32_si128(p0), _mm_cvtsi32_si128(p1)), zero);
			__m128i wv = _mm_set1_epi32(int((dword(w[k]) & 0xFFFF) | dword(w[k + 1]) << 16));
			acc = _mm_add_epi32(acc, _mm_madd_epi16(v, wv));
		}
		_mm_storeu_pd(t, _mm_cvtepi32_pd(acc));
		_mm_storeu_pd(t + 2, _mm_cvtepi32_pd(_mm_shuffle_epi32(acc, 0x4E)));
#else
		int b = 0, g = 0, r = 0, a = 0;
		for(int k = 0; k < taps; k++) {
			RGBA c = s[ix[k]];
			b += c.b * w[k];
			g += c.g * w[k];
			r += c.r * w[k];
			a += c.a * w[k];
		}
		t[0] = b;
		t[1] = g;
		t[2] = r;
		t[3] = a;
#endif
	}
}

inline byte sChannel(double v, double top)
{
	v = min(v, top);
	return v <= 0 ? 0 : byte(int(v)); // truncated; negative lobes give 0
}

} // namespace

Image RescaleFilter(const Image& img, Size sz, const Rect& r, RescaleKernel kernel, int a,
                    const Gate<int, int>& progress, bool parallel)
{
	int64 sw = int64(r.right) - r.left, sh = int64(r.bottom) - r.top;
	int tcx = sz.cx, tcy = sz.cy;
	if(img.IsEmpty() || sw <= 0 || sh <= 0 || sw > INT_MAX || sh > INT_MAX || tcx < 1 || tcy < 1 || !kernel)
		return Image();
	ImageBuffer ib;
	if(!ib.Create(sz))
		return Image();
	Size isz = img.GetSize();
	KernelTable hk, vk;
	GetKernelTable(hk, kernel, a, int(sw), tcx);
	GetKernelTable(vk, kernel, a, int(sh), tcy);
	sTaps h, v;
	sMakeTaps(h, hk, int(sw), r.left, isz.cx, tcx);
	sMakeTaps(v, vk, int(sh), r.top, isz.cy, tcy);
	int ring_rows = v.taps;
	int workers = parallel ? CoWork::GetPoolSize() + 1 : 1;
	// bands of target rows: a worker keeps the horizontal results of the source rows its band
	// reads, so neighbouring target rows share them. A band should read several times more rows
	// than the window it starts with, while leaving every worker a few bands.
	int64 want = int64(8) * ring_rows * tcy / max<int64>(sh, 1);
	int band = int(clamp<int64>(want, 8, max(8, tcy / (workers * 4))));
	// bands shrink towards the end, so that a worker held up late delays little
	std::atomic<int> next_row{0};
	auto take = [&](int& y0, int& y1) {
		int r = next_row.load(std::memory_order_relaxed);
		for(;;) {
			if(r >= tcy)
				return false;
			int n = clamp((tcy - r) / (2 * workers), 2, band);
			if(next_row.compare_exchange_weak(r, r + n, std::memory_order_relaxed)) {
				y0 = r;
				y1 = min(tcy, r + n);
				return true;
			}
		}
	};
	auto work = [&] {
		Buffer<double> ring, acc;
		Buffer<int> tag;
		for(int y0, y1; take(y0, y1);) {
			if(!ring) { // only workers that get a band pay for the buffers
				ring.Alloc(size_t(ring_rows) * tcx * 4);
				tag.Alloc(size_t(ring_rows), -1);
				acc.Alloc(size_t(tcx) * 4);
			}
			for(int y = y0; y < y1; y++) {
				if(progress && progress(y, tcy))
					return;
				const int* ix = v.index + size_t(y) * v.taps;
				const int* wy = v.weight + size_t(y) * v.taps;
				memset(acc.Get(), 0, size_t(tcx) * 4 * sizeof(double));
				for(int k = 0; k < v.taps; k++) {
					int row = ix[k];
					int slot = row % ring_rows;
					double* hr = ring + size_t(slot) * tcx * 4;
					if(tag[slot] != row) {
						sHorizontal(hr, img[row], h);
						tag[slot] = row;
					}
					double w = wy[k];
					if(w == 0)
						continue;
					double* q = acc;
					for(int i = 0; i < 4 * tcx; i++)
						q[i] += w * hr[i];
				}
				RGBA* t = ib[y];
				double sy = double(v.sum[y]);
				for(int x = 0; x < tcx; x++) {
					double ws = double(h.sum[x]) * sy;
					const double* q = acc + 4 * x;
					if(ws <= 0) {
						t[x] = RGBA{ 0, 0, 0, 0 };
						continue;
					}
					double alpha = min(q[3] / ws, 255.0);
					t[x] = RGBA{ sChannel(q[0] / ws, alpha), sChannel(q[1] / ws, alpha),
					             sChannel(q[2] / ws, alpha), sChannel(alpha, alpha) };
				}
			}
		}
	};
	if(parallel && tcy > band) {
		CoWork co;
		co.Loop(work);
	}
	else
		work();
	return Image(ib);
}

Image RescaleFilter(const Image& img, Size sz, const Rect& r, int number,
                    const Gate<int, int>& progress, bool parallel)
{
	if(IsNull(number))
		return Rescale(img, sz, r);
	const sKernelInfo& k = sKernels[clamp(number, 0, 9)];
	return RescaleFilter(img, sz, r, k.fn, k.a, progress, parallel);
}

} // namespace Qel
