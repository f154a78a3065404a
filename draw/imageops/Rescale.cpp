#include "Rescale.h"

#include <Core/thread/Thread.h>

#include <cmath>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace Qel {

namespace detail {

const byte* RescaleSCurve()
{
	static StaticMutex lock;
	static byte table[1024];
	static std::atomic<bool> made{false};
	if(made.load(std::memory_order_acquire))
		return table;
	Mutex::Lock l(lock);
	if(!made.load(std::memory_order_relaxed)) {
		for(int i = 0; i < 1024; i++) {
			double v = i <= 512 ? pow(min(i, 1024 - i) / 512.0, 0.85) : 2 - pow((1024 - i) / 512.0, 0.85);
			table[i] = byte(clamp(int(v * 128), 0, 255));
		}
		made.store(true, std::memory_order_release);
	}
	return table;
}

} // namespace detail

namespace {

inline int64 sFloorDiv(int64 a, int64 b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }
inline int64 sCeilDiv(int64 a, int64 b)  { return -sFloorDiv(-a, b); }

struct sEntry {
	int64 first;   // first source pixel read
	int   w[4];
};

} // namespace

void RescaleAxisMap(Vector<int>& table, int tfrom, int tto, int& tclip0, int& tclip1,
                    int sfrom, int sto, int sclip0, int sclip1, int stride, int total)
{
	table.Clear();
	if(tfrom > tto) {
		std::swap(tfrom, tto);
		std::swap(sfrom, sto);
	}
	int64 S = int64(sto) - sfrom, T = int64(tto) - tfrom;
	int64 c0 = max(sclip0, sfrom), c1 = min(sclip1, sto);
	int64 t0 = max(tclip0, tfrom), t1 = min(tclip1, tto);
	auto empty = [&] { tclip1 = tclip0; };
	if(S <= 0 || T <= 0 || c0 >= c1 || t0 >= t1)
		return empty();
	// positions count in 1 / T of a source pixel; target pixel j covers A(j) .. A(j) + S
	auto A = [&](int64 j) { return int64(sfrom) * T + (j - tfrom) * S; };
	// keep the target pixels whose span meets the clip
	t0 = max(t0, tfrom + (c0 - sfrom) * T / S);
	t1 = min(t1, tfrom + sCeilDiv((c1 - sfrom) * T, S));
	if(t0 >= t1)
		return empty();
	int n = int(t1 - t0);
	int64 cn = c1 - c0;
	Vector<sEntry> e;
	e.SetCount(n);
	int k = 1, step = 0;
	if(cn == 1) {
		for(sEntry& q : e)
			q = sEntry{ c0, { total, 0, 0, 0 } };
	}
	else if(S >= T) {
		int64 m = min(sCeilDiv(S, T), cn);
		if(m >= 4) { // area: four equally weighted samples, m / 4 apart
			k = 4;
			step = int(m / 4);
			for(int i = 0; i < n; i++) {
				int64 a = max(A(t0 + i), c0 * T);
				e[i].first = min(a / T, c1 - 1 - 3 * int64(step));
			}
		}
		else {
			for(int i = 0; i < n; i++) {
				int64 a = max(A(t0 + i), c0 * T), b = min(A(t0 + i) + S, c1 * T);
				int64 p0 = a / T, pe = sCeilDiv(b, T);
				sEntry& q = e[i];
				q = sEntry{ p0, { 0, 0, 0, 0 } };
				int cnt = int(pe - p0);
				k = max(k, cnt);
				if(cnt == 1) {
					q.w[0] = total;
					continue;
				}
				int64 first = (p0 + 1) * T - a;
				int w = int(first * total / (b - a));
				q.w[0] = w;
				int64 rem = total - w, span = b - (p0 + 1) * T;
				for(int j = 1; j < cnt - 1; j++) {
					int64 v = rem * T / span;
					q.w[j] = int(v);
					rem -= v;
					span -= T;
				}
				q.w[cnt - 1] = int(rem);
			}
			// taps beyond the clip would be read even with weight 0: move such entries back
			for(sEntry& q : e)
				if(q.first + k > c1) {
					int d = int(q.first + k - c1);
					for(int j = 3; j >= 0; j--)
						q.w[j] = j >= d ? q.w[j - d] : 0;
					q.first -= d;
				}
		}
	}
	else { // enlarging: two taps, the second weighted by the S-curve of the fraction
		k = 2;
		const byte* curve = detail::RescaleSCurve();
		for(int i = 0; i < n; i++) {
			int64 pos = A(t0 + i) + ((S - T) >> 1);
			sEntry& q = e[i];
			if(pos <= c0 * T)
				q = sEntry{ c0, { total, 0, 0, 0 } };
			else if(pos >= (c1 - 1) * T)
				q = sEntry{ c1 - 2, { 0, total, 0, 0 } };
			else {
				int64 p0 = pos / T;
				int64 f = pos - p0 * T;
				int w2 = curve[f * 1024 / T] * total >> 8;
				q = sEntry{ p0, { total - w2, w2, 0, 0 } };
			}
		}
	}
	int per = step ? 1 : k + 1;
	table.SetCount(4 + n * per);
	int* t = table.begin();
	t[0] = n;
	t[1] = k;
	t[2] = per;
	t[3] = step * stride;
	t += 4;
	int64 prev = 0;
	for(const sEntry& q : e) {
		*t++ = int((q.first - prev) * stride);
		prev = q.first;
		if(!step)
			for(int j = 0; j < k; j++)
				*t++ = q.w[j];
	}
	tclip0 = int(t0);
	tclip1 = int(t1);
}

namespace {

#ifdef __SSE2__

QEL_FORCE_INLINE __m128i sPixel16(const RGBA* p)
{
	int v;
	memcpy(&v, p, 4);
	return _mm_unpacklo_epi8(_mm_cvtsi32_si128(v), _mm_setzero_si128());
}

// Two pixels interleaved channel by channel (b0 b1 g0 g1 r0 r1 a0 a1) as 16-bit lanes.
QEL_FORCE_INLINE __m128i sPair16(const RGBA* p, const RGBA* q)
{
	int a, b;
	memcpy(&a, p, 4);
	memcpy(&b, q, 4);
	return _mm_unpacklo_epi8(_mm_unpacklo_epi8(_mm_cvtsi32_si128(a), _mm_cvtsi32_si128(b)), _mm_setzero_si128());
}

QEL_FORCE_INLINE __m128i sWeights(int w0, int w1)
{
	return _mm_set1_epi32(int((dword(w0) & 0xFFFF) | dword(w1) << 16));
}

QEL_FORCE_INLINE void sStore(int* t, __m128i v) { _mm_storeu_si128((__m128i*)t, v); }

#endif

void sRow1(int* t, const RGBA* s, const int* map)
{
	int n = map[0];
	map += 4;
	for(int i = 0; i < n; i++, t += 4, map += 2) {
		s += map[0];
#ifdef __SSE2__
		sStore(t, _mm_slli_epi32(_mm_unpacklo_epi16(sPixel16(s), _mm_setzero_si128()), 8));
#else
		t[0] = s->b << 8;
		t[1] = s->g << 8;
		t[2] = s->r << 8;
		t[3] = s->a << 8;
#endif
	}
}

// Weighted taps: K of them, sum w * p per channel.
template <int K>
void sRowK(int* t, const RGBA* s, const int* map)
{
	int n = map[0];
	map += 4;
	for(int i = 0; i < n; i++, t += 4, map += K + 1) {
		s += map[0];
		const int* w = map + 1;
#ifdef __SSE2__
		__m128i acc = _mm_madd_epi16(sPair16(s, s + 1), sWeights(w[0], w[1]));
		if(K == 3)
			acc = _mm_add_epi32(acc, _mm_madd_epi16(sPair16(s + 2, s + 2), sWeights(w[2 % K], 0)));
		if(K == 4)
			acc = _mm_add_epi32(acc, _mm_madd_epi16(sPair16(s + 2, s + 3), sWeights(w[2 % K], w[3 % K])));
		sStore(t, acc);
#else
		int b = 0, g = 0, r = 0, a = 0;
		for(int j = 0; j < K; j++) {
			b += s[j].b * w[j];
			g += s[j].g * w[j];
			r += s[j].r * w[j];
			a += s[j].a * w[j];
		}
		t[0] = b;
		t[1] = g;
		t[2] = r;
		t[3] = a;
#endif
	}
}

void sRowArea(int* t, const RGBA* s, const int* map)
{
	int n = map[0];
	int step = map[3];
	map += 4;
	for(int i = 0; i < n; i++, t += 4, map++) {
		s += map[0];
#ifdef __SSE2__
		__m128i sum = _mm_add_epi16(_mm_add_epi16(sPixel16(s), sPixel16(s + step)),
		                            _mm_add_epi16(sPixel16(s + 2 * step), sPixel16(s + 3 * step)));
		sStore(t, _mm_slli_epi32(_mm_unpacklo_epi16(sum, _mm_setzero_si128()), 6));
#else
		RGBA a = s[0], b = s[step], c = s[2 * step], d = s[3 * step];
		t[0] = (a.b + b.b + c.b + d.b) << 6;
		t[1] = (a.g + b.g + c.g + d.g) << 6;
		t[2] = (a.r + b.r + c.r + d.r) << 6;
		t[3] = (a.a + b.a + c.a + d.a) << 6;
#endif
	}
}

inline byte sSat(int v) { return byte(v < 0 ? 0 : v > 255 ? 255 : v); }

// n pixels of four accumulators each, shifted right and saturated into bytes.
void sPack(RGBA* t, const int* a, int n, int shift)
{
	int i = 0;
#ifdef __SSE2__
	__m128i sh = _mm_cvtsi32_si128(shift);
	for(; i + 4 <= n; i += 4, a += 16) {
		__m128i v0 = _mm_sra_epi32(_mm_loadu_si128((const __m128i*)a), sh);
		__m128i v1 = _mm_sra_epi32(_mm_loadu_si128((const __m128i*)(a + 4)), sh);
		__m128i v2 = _mm_sra_epi32(_mm_loadu_si128((const __m128i*)(a + 8)), sh);
		__m128i v3 = _mm_sra_epi32(_mm_loadu_si128((const __m128i*)(a + 12)), sh);
		_mm_storeu_si128((__m128i*)(t + i), _mm_packus_epi16(_mm_packs_epi32(v0, v1), _mm_packs_epi32(v2, v3)));
	}
#endif
	for(; i < n; i++, a += 4)
		t[i] = RGBA{ sSat(a[0] >> shift), sSat(a[1] >> shift), sSat(a[2] >> shift), sSat(a[3] >> shift) };
}

// Per channel (sum of w[j] * row[j]) >> 16 over k rows; the accumulators are at most 255 * 256
// and the weights total 256, so every sum stays below 2^24 and is exact in single precision.
void sBlend(RGBA* t, const int* const* row, const int* w, int k, int n)
{
	int i = 0;
#ifdef __SSE2__
	__m128 wf[4];
	for(int j = 0; j < k; j++)
		wf[j] = _mm_set1_ps(float(w[j]));
	auto one = [&](int x) {
		__m128 acc = _mm_mul_ps(_mm_cvtepi32_ps(_mm_loadu_si128((const __m128i*)(row[0] + 4 * x))), wf[0]);
		for(int j = 1; j < k; j++)
			acc = _mm_add_ps(acc, _mm_mul_ps(_mm_cvtepi32_ps(_mm_loadu_si128((const __m128i*)(row[j] + 4 * x))), wf[j]));
		return _mm_srai_epi32(_mm_cvttps_epi32(acc), 16);
	};
	for(; i + 4 <= n; i += 4) {
		__m128i p01 = _mm_packs_epi32(one(i), one(i + 1));
		__m128i p23 = _mm_packs_epi32(one(i + 2), one(i + 3));
		_mm_storeu_si128((__m128i*)(t + i), _mm_packus_epi16(p01, p23));
	}
#endif
	for(; i < n; i++) {
		int v[4] = {};
		for(int j = 0; j < k; j++)
			for(int c = 0; c < 4; c++)
				v[c] += row[j][4 * i + c] * w[j];
		t[i] = RGBA{ sSat(v[0] >> 16), sSat(v[1] >> 16), sSat(v[2] >> 16), sSat(v[3] >> 16) };
	}
}

// Area sampling on both axes at once: each target pixel is the sum of 4 x 4 samples >> 4 (the
// same as the horizontal sums << 6 added over four rows >> 10).
void sAreaArea(RGBA* t, const RGBA* const* row, const int* map)
{
	int n = map[0];
	int step = map[3];
	map += 4;
	int64 off = 0;
	for(int i = 0; i < n; i++) {
		off += map[i];
#ifdef __SSE2__
		__m128i sum = _mm_setzero_si128();
		const __m128i zero = _mm_setzero_si128();
		if(step == 1)
			for(int j = 0; j < 4; j++) {
				__m128i v = _mm_loadu_si128((const __m128i*)(row[j] + off));
				sum = _mm_add_epi16(sum, _mm_add_epi16(_mm_unpacklo_epi8(v, zero), _mm_unpackhi_epi8(v, zero)));
			}
		else
			for(int j = 0; j < 4; j++) {
				const RGBA* p = row[j] + off;
				sum = _mm_add_epi16(sum, _mm_add_epi16(sPair16(p, p + step), sPair16(p + 2 * step, p + 3 * step)));
			}
		if(step == 1) // lanes hold pixels 0 + 2 and 1 + 3
			sum = _mm_add_epi16(sum, _mm_srli_si128(sum, 8));
		else { // lanes hold b b g g r r a a
			sum = _mm_add_epi16(sum, _mm_srli_epi32(sum, 16));
			sum = _mm_shufflelo_epi16(_mm_shufflehi_epi16(sum, 0x08), 0x08);
			sum = _mm_unpacklo_epi32(sum, _mm_unpackhi_epi64(sum, sum));
		}
		int v = _mm_cvtsi128_si32(_mm_packus_epi16(_mm_srli_epi16(sum, 4), zero));
		memcpy(t + i, &v, 4);
#else
		int c[4] = {};
		for(int j = 0; j < 4; j++)
			for(int k = 0; k < 4; k++) {
				RGBA q = row[j][off + k * step];
				c[0] += q.b;
				c[1] += q.g;
				c[2] += q.r;
				c[3] += q.a;
			}
		t[i] = RGBA{ byte(c[0] >> 4), byte(c[1] >> 4), byte(c[2] >> 4), byte(c[3] >> 4) };
#endif
	}
}

} // namespace

void BlendRows(RGBA* t, const int* a, int wa, const int* b, int wb, int n)
{
	const int* row[2] = { a, b };
	int w[2] = { wa, wb };
	sBlend(t, row, w, 2, n);
}

bool Rescaler::Create(Raster& s, Size sz, const Rect& r)
{
	return Create(s, sz, r, Rect(Point(0, 0), sz));
}

bool Rescaler::Create(Raster& s, Size sz, const Rect& r, const Rect& part_)
{
	ready = false;
	src = &s;
	size = sz;
	part = part_;
	if(sz.cx <= 0 || sz.cy <= 0 || part.left < 0 || part.top < 0 || part.right > sz.cx || part.bottom > sz.cy ||
	   part.left >= part.right || part.top >= part.bottom)
		return false;
	src_size = s.GetSize();
	// the tables hold entries for the part only, each what it is in the whole
	x0 = part.left;
	x1 = part.right;
	RescaleAxisMap(hmap, 0, sz.cx, x0, x1, r.left, r.right, 0, src_size.cx);
	if(hmap.IsEmpty())
		return false;
	y0 = part.top;
	y1 = part.bottom;
	RescaleAxisMap(vmap, 0, sz.cy, y0, y1, r.top, r.bottom, 0, src_size.cy);
	if(vmap.IsEmpty())
		return false;
	int htaps = hmap[1];
	if(hmap[3])
		row_fn = sRowArea;
	else switch(htaps) {
	case 1: row_fn = sRow1; break;
	case 2: row_fn = sRowK<2>; break;
	case 3: row_fn = sRowK<3>; break;
	case 4: row_fn = sRowK<4>; break;
	default: return false;
	}
	vtaps = vmap[1];
	ventry = vmap[2];
	vstep = vmap[3];
	area = vstep > 0;
	ring.Alloc(size_t(4) * (x1 - x0) * (area ? 5 : vtaps));
	for(int& t : ring_tag)
		t = -1;
	for(int& t : cache_tag)
		t = -1;
	for(Raster::Line& l : cache_line)
		l = Raster::Line();
	cache.Clear();
	// an image's rows stay where they are; other rasters may reuse one buffer
	stable_rows = dynamic_cast<ImageRaster*>(&s) != nullptr;
	cache_next = 0;
	vpos = 4;
	cy = 0;
	ty = part.top;
	ready = true;
	return true;
}

const RGBA* Rescaler::GetSourceRow(int y)
{
	int w = src_size.cx;
	for(int i = 0; i < 4; i++)
		if(cache_tag[i] == y)
			return cache_row[i];
	cache_next = (cache_next + 1) & 3;
	Raster::Line& line = cache_line[cache_next];
	line = src->GetLine(y);
	const RGBA* s = line.GetRGBA();
	cache_tag[cache_next] = y;
	if(stable_rows && s)
		return cache_row[cache_next] = s;
	// a decoder may hand out the same buffer for every line: keep a copy
	if(!cache)
		cache.Alloc(size_t(4) * w);
	RGBA* t = cache + size_t(cache_next) * w;
	if(s)
		memcpy(t, s, size_t(w) * sizeof(RGBA));
	else
		memset(t, 0, size_t(w) * sizeof(RGBA));
	line = Raster::Line();
	return cache_row[cache_next] = t;
}

int* Rescaler::LoadRing(int slot, int row)
{
	int* t = ring + size_t(slot) * 4 * (x1 - x0);
	if(ring_tag[slot] != row) {
		row_fn(t, GetSourceRow(row), hmap.begin());
		ring_tag[slot] = row;
	}
	return t;
}

void Rescaler::GetLine(RGBA* target)
{
	if(!ready || ty >= part.bottom)
		return;
	int y = ty++;
	int w = part.right - part.left;
	if(y < y0 || y >= y1) {
		memset(target, 0, size_t(w) * sizeof(RGBA));
		return;
	}
	memset(target, 0, size_t(x0 - part.left) * sizeof(RGBA));
	memset(target + (x1 - part.left), 0, size_t(part.right - x1) * sizeof(RGBA));
	RGBA* t = target + (x0 - part.left);
	int n = x1 - x0;
	const int* e = vmap.begin() + vpos;
	cy += e[0];
	if(area && hmap[3]) {
		const RGBA* rows[4];
		for(int j = 0; j < 4; j++)
			rows[j] = GetSourceRow(cy + j * vstep);
		sAreaArea(t, rows, hmap.begin());
	}
	else if(area) {
		// the four rows may sit in any slot: shrinking by less than 5, neighbouring target rows
		// share a row
		int want[4] = { cy, cy + vstep, cy + 2 * vstep, cy + 3 * vstep };
		int slot_of[4] = { -1, -1, -1, -1 };
		bool used[4] = {};
		for(int j = 0; j < 4; j++)
			for(int k = 0; k < 4; k++)
				if(ring_tag[k] == want[j] && !used[k]) {
					slot_of[j] = k;
					used[k] = true;
					break;
				}
		for(int j = 0; j < 4; j++)
			if(slot_of[j] < 0)
				for(int k = 0; k < 4; k++)
					if(!used[k]) {
						slot_of[j] = k;
						used[k] = true;
						break;
					}
		const int* a = LoadRing(slot_of[0], want[0]);
		const int* b = LoadRing(slot_of[1], want[1]);
		const int* c = LoadRing(slot_of[2], want[2]);
		const int* d = LoadRing(slot_of[3], want[3]);
		int* sum = ring + size_t(4) * 4 * n; // the fifth row of the ring
		for(int i = 0; i < 4 * n; i++)
			sum[i] = a[i] + b[i] + c[i] + d[i];
		sPack(t, sum, n, 10);
	}
	else {
		const int* row[4];
		for(int j = 0; j < vtaps; j++)
			row[j] = LoadRing((cy + j) % vtaps, cy + j);
		const int* w = e + 1;
		if(vtaps == 1)
			sPack(t, row[0], n, 8);
		else if(vtaps == 2 && !(w[0] && w[1]))
			sPack(t, w[1] ? row[1] : row[0], n, 8);
		else
			sBlend(t, row, w, vtaps, n);
	}
	vpos += ventry;
}

bool Rescale(RasterEncoder& target, Size sz, Raster& src, const Rect& r, const Gate<int, int>& progress)
{
	target.Create(sz, src);
	Size tsz = target.GetSize();
	Rescaler rs;
	bool ok = rs.Create(src, tsz, r);
	for(int y = 0; y < tsz.cy; y++) {
		if(progress && progress(y, tsz.cy))
			return false;
		RGBA* t = target.GetLine();
		if(ok)
			rs.GetLine(t);
		else
			memset(t, 0, size_t(tsz.cx) * sizeof(RGBA));
		target.WriteLine();
	}
	return true;
}

Image Rescale(const Image& src, Size sz, const Rect& r)
{
	if(sz == src.GetSize() && r == Rect(Point(0, 0), sz))
		return src;
	ImageRaster raster(src);
	ImageEncoder tgt;
	Rescale(tgt, sz, raster, r);
	return tgt.GetImage();
}

Image Rescale(const Image& src, Size sz, const Gate<int, int>& progress)
{
	Rect r(Point(0, 0), src.GetSize());
	if(!progress)
		return Rescale(src, sz, r);
	if(sz == src.GetSize())
		return src;
	ImageRaster raster(src);
	ImageEncoder tgt;
	if(!Rescale(tgt, sz, raster, r, progress))
		return Image();
	return tgt.GetImage();
}

Image Rescale(const Image& src, int cx, int cy, const Gate<int, int>& progress)
{
	return Rescale(src, Size(cx, cy), progress);
}

} // namespace Qel
