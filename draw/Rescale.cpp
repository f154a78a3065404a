#include "Rescale.h"

#include <Core/Thread.h>

#include <cmath>

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

inline void sPut(int* t, RGBA c, int f)
{
	t[0] = c.b * f;
	t[1] = c.g * f;
	t[2] = c.r * f;
	t[3] = c.a * f;
}

inline void sAdd(int* t, RGBA c, int f)
{
	t[0] += c.b * f;
	t[1] += c.g * f;
	t[2] += c.r * f;
	t[3] += c.a * f;
}

void sRow1(int* t, const RGBA* s, const int* map)
{
	int n = map[0];
	map += 4;
	for(int i = 0; i < n; i++, t += 4, map += 2) {
		s += map[0];
		sPut(t, s[0], 256);
	}
}

void sRow2(int* t, const RGBA* s, const int* map)
{
	int n = map[0];
	map += 4;
	for(int i = 0; i < n; i++, t += 4, map += 3) {
		s += map[0];
		RGBA a = s[0], b = s[1];
		int wa = map[1], wb = map[2];
		t[0] = a.b * wa + b.b * wb;
		t[1] = a.g * wa + b.g * wb;
		t[2] = a.r * wa + b.r * wb;
		t[3] = a.a * wa + b.a * wb;
	}
}

template <int K>
void sRowK(int* t, const RGBA* s, const int* map)
{
	int n = map[0];
	map += 4;
	for(int i = 0; i < n; i++, t += 4, map += K + 1) {
		s += map[0];
		sPut(t, s[0], map[1]);
		for(int j = 1; j < K; j++)
			sAdd(t, s[j], map[j + 1]);
	}
}

void sRowArea(int* t, const RGBA* s, const int* map)
{
	int n = map[0];
	int step = map[3];
	map += 4;
	for(int i = 0; i < n; i++, t += 4, map++) {
		s += map[0];
		RGBA a = s[0], b = s[step], c = s[2 * step], d = s[3 * step];
		t[0] = (a.b + b.b + c.b + d.b) << 6;
		t[1] = (a.g + b.g + c.g + d.g) << 6;
		t[2] = (a.r + b.r + c.r + d.r) << 6;
		t[3] = (a.a + b.a + c.a + d.a) << 6;
	}
}

inline byte sSat(int v) { return byte(v < 0 ? 0 : v > 255 ? 255 : v); }

} // namespace

void BlendRows(RGBA* t, const int* a, int wa, const int* b, int wb, int n)
{
	for(int i = 0; i < n; i++, a += 4, b += 4)
		t[i] = RGBA{ byte((a[0] * wa + b[0] * wb) >> 16), byte((a[1] * wa + b[1] * wb) >> 16),
		             byte((a[2] * wa + b[2] * wb) >> 16), byte((a[3] * wa + b[3] * wb) >> 16) };
}

bool Rescaler::Create(Raster& s, Size sz, const Rect& r)
{
	ready = false;
	src = &s;
	size = sz;
	if(sz.cx <= 0 || sz.cy <= 0)
		return false;
	src_size = s.GetSize();
	x0 = 0;
	x1 = sz.cx;
	RescaleAxisMap(hmap, 0, sz.cx, x0, x1, r.left, r.right, 0, src_size.cx);
	if(hmap.IsEmpty())
		return false;
	y0 = 0;
	y1 = sz.cy;
	RescaleAxisMap(vmap, 0, sz.cy, y0, y1, r.top, r.bottom, 0, src_size.cy);
	if(vmap.IsEmpty())
		return false;
	int htaps = hmap[1];
	if(hmap[3])
		row_fn = sRowArea;
	else switch(htaps) {
	case 1: row_fn = sRow1; break;
	case 2: row_fn = sRow2; break;
	case 3: row_fn = sRowK<3>; break;
	case 4: row_fn = sRowK<4>; break;
	default: return false;
	}
	vtaps = vmap[1];
	ventry = vmap[2];
	vstep = vmap[3];
	area = vstep > 0;
	ring.Alloc(size_t(4) * (x1 - x0) * (area ? 4 : vtaps));
	for(int& t : ring_tag)
		t = -1;
	for(int& t : cache_tag)
		t = -1;
	cache.Clear();
	cache_next = 0;
	vpos = 4;
	cy = 0;
	ty = 0;
	ready = true;
	return true;
}

const RGBA* Rescaler::GetSourceRow(int y)
{
	int w = src_size.cx;
	for(int i = 0; i < 4; i++)
		if(cache_tag[i] == y)
			return cache + size_t(i) * w;
	if(!cache)
		cache.Alloc(size_t(4) * w);
	// rows are copied: a decoder may hand out the same buffer for every line
	cache_next = (cache_next + 1) & 3;
	RGBA* t = cache + size_t(cache_next) * w;
	Raster::Line line = src->GetLine(y);
	const RGBA* s = line.GetRGBA();
	if(s)
		memcpy(t, s, size_t(w) * sizeof(RGBA));
	else
		memset(t, 0, size_t(w) * sizeof(RGBA));
	cache_tag[cache_next] = y;
	return t;
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
	if(!ready || ty >= size.cy)
		return;
	int y = ty++;
	if(y < y0 || y >= y1) {
		memset(target, 0, size_t(size.cx) * sizeof(RGBA));
		return;
	}
	memset(target, 0, size_t(x0) * sizeof(RGBA));
	memset(target + x1, 0, size_t(size.cx - x1) * sizeof(RGBA));
	RGBA* t = target + x0;
	int n = x1 - x0;
	const int* e = vmap.begin() + vpos;
	cy += e[0];
	if(area) {
		const int* a = LoadRing(0, cy);
		const int* b = LoadRing(1, cy + vstep);
		const int* c = LoadRing(2, cy + 2 * vstep);
		const int* d = LoadRing(3, cy + 3 * vstep);
		for(int i = 0; i < 4 * n; i += 4, t++)
			*t = RGBA{ sSat((a[i] + b[i] + c[i] + d[i]) >> 10), sSat((a[i + 1] + b[i + 1] + c[i + 1] + d[i + 1]) >> 10),
			           sSat((a[i + 2] + b[i + 2] + c[i + 2] + d[i + 2]) >> 10), sSat((a[i + 3] + b[i + 3] + c[i + 3] + d[i + 3]) >> 10) };
	}
	else {
		const int* row[4];
		for(int j = 0; j < vtaps; j++)
			row[j] = LoadRing((cy + j) % vtaps, cy + j);
		const int* w = e + 1;
		if(vtaps == 1) {
			const int* a = row[0];
			for(int i = 0; i < 4 * n; i += 4, t++)
				*t = RGBA{ byte(a[i] >> 8), byte(a[i + 1] >> 8), byte(a[i + 2] >> 8), byte(a[i + 3] >> 8) };
		}
		else if(vtaps == 2) {
			if(w[0] && w[1])
				BlendRows(t, row[0], w[0], row[1], w[1], n);
			else {
				const int* a = w[1] ? row[1] : row[0];
				for(int i = 0; i < 4 * n; i += 4, t++)
					*t = RGBA{ byte(a[i] >> 8), byte(a[i + 1] >> 8), byte(a[i + 2] >> 8), byte(a[i + 3] >> 8) };
			}
		}
		else {
			for(int i = 0; i < 4 * n; i += 4, t++) {
				int v[4] = {};
				for(int j = 0; j < vtaps; j++)
					for(int c = 0; c < 4; c++)
						v[c] += row[j][i + c] * w[j];
				*t = RGBA{ sSat(v[0] >> 16), sSat(v[1] >> 16), sSat(v[2] >> 16), sSat(v[3] >> 16) };
			}
		}
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
