#include "Fillers.h"

#include <Core/base/Heap.h>

#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace Qel {

static inline int sSat(int v) { return v > 255 ? 255 : v; }

static inline RGBA sScale(const RGBA& s, int v)
{
	RGBA r;
	r.b = (byte)((s.b * v) >> 8);
	r.g = (byte)((s.g * v) >> 8);
	r.r = (byte)((s.r * v) >> 8);
	r.a = (byte)((s.a * v) >> 8);
	return r;
}

RGBA ScaleRGBA(const RGBA& s, int v)
{
	return sScale(s, v);
}

static inline void sBlend(RGBA& d, const RGBA& s) // s already scaled by the coverage
{
	int a = s.a;
	int ca = 256 - ((a * 129) >> 7);
	d.b = (byte)sSat(((ca * d.b) >> 8) + s.b);
	d.g = (byte)sSat(((ca * d.g) >> 8) + s.g);
	d.r = (byte)sSat(((ca * d.r) >> 8) + s.r);
	d.a = (byte)sSat((((256 - a) * d.a) >> 8) + s.a);
}

void AlphaBlendCover(RGBA& d, const RGBA& s, int v)
{
	sBlend(d, sScale(s, v));
}

static inline RGBA sInverse(const RGBA& d)
{
	RGBA r;
	r.b = (byte)(255 - d.b);
	r.g = (byte)(255 - d.g);
	r.r = (byte)(255 - d.r);
	r.a = 255;
	return r;
}

void SolidFiller::Start(int minx, int)
{
	t += minx;
}

void SolidFiller::Render(int val)
{
	// edge pixels of every line come here: blended inline
	sBlend(*t, sScale(invert ? sInverse(*t) : c, val));
	t++;
}

void SolidFiller::Render(int val, int len)
{
	// A local cursor: stores through the pixels could alias the member, which would then be
	// written back on every pixel.
	RGBA* p = t;
	RGBA* e = p + len;
	t = e;
	if(val == 0)
		return;
	if(invert) {
		if(val == 256)
			while(p < e) {
				*p = sInverse(*p);
				p++;
			}
		else
			while(p < e) {
				AlphaBlendCover(*p, sInverse(*p), val);
				p++;
			}
		return;
	}
	if(c.a == 255 && val == 256) {
#ifdef __SSE2__
		dword w;
		memcpy(&w, &c, 4);
		__m128i v = _mm_set1_epi32((int)w);
		for(; p + 4 <= e; p += 4)
			_mm_storeu_si128((__m128i*)p, v);
#endif
		while(p < e)
			*p++ = c;
		return;
	}
	RGBA s = ScaleRGBA(c, val);
#ifdef __SSE2__
	// Long spans (large shapes) dominate the fill time: four pixels at once, the same arithmetic
	// as sBlend in 16-bit lanes, the saturation done by the pack.
	if(e - p >= 4) {
		short ca = short(256 - ((s.a * 129) >> 7)), aa = short(256 - s.a);
		__m128i mul = _mm_set_epi16(aa, ca, ca, ca, aa, ca, ca, ca);
		__m128i add = _mm_set_epi16(s.a, s.r, s.g, s.b, s.a, s.r, s.g, s.b);
		__m128i zero = _mm_setzero_si128();
		for(; p + 4 <= e; p += 4) {
			__m128i d = _mm_loadu_si128((const __m128i*)p);
			__m128i lo = _mm_unpacklo_epi8(d, zero);
			__m128i hi = _mm_unpackhi_epi8(d, zero);
			lo = _mm_add_epi16(_mm_srli_epi16(_mm_mullo_epi16(lo, mul), 8), add);
			hi = _mm_add_epi16(_mm_srli_epi16(_mm_mullo_epi16(hi, mul), 8), add);
			_mm_storeu_si128((__m128i*)p, _mm_packus_epi16(lo, hi));
		}
	}
#endif
	while(p < e)
		sBlend(*p++, s);
}

void SpanFiller::Start(int minx, int maxx)
{
	t += minx;
	unsigned len = (unsigned)(maxx - minx + 1);
	s = ss->Peek(minx, y, len); // read in place rather than copied first
	if(!s) {
		ss->Get(buffer, minx, y, len);
		s = buffer;
	}
}

void SpanFiller::Render(int val)
{
	AlphaBlendCover(*t++, *s++, alpha == 256 ? val : (alpha * val) >> 8);
}

void SpanFiller::Render(int val, int len)
{
	if(val == 0) {
		t += len;
		s += len;
		return;
	}
	int v = alpha == 256 ? val : (alpha * val) >> 8;
	// local cursors: stores through the pixels could alias the members
	RGBA* t = this->t;
	const RGBA* s = this->s;
	this->t += len;
	this->s += len;
	if(v == 256) { // fully covered: opaque source pixels replace, transparent ones leave alone
#ifdef __SSE2__
		// Four pixels at once with sBlend's arithmetic: each pixel's own multipliers spread to
		// its 16-bit lanes. An opaque source is the source, so whole opaque quads are stored.
		const __m128i zero = _mm_setzero_si128(), amask = _mm_set1_epi32(int(0xFF000000));
		const __m128i k256 = _mm_set1_epi32(256), k129 = _mm_set1_epi32(129);
		for(; len >= 4; len -= 4, t += 4, s += 4) {
			__m128i sv = _mm_loadu_si128((const __m128i*)s);
			if(_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(sv, amask), amask)) == 0xFFFF) {
				_mm_storeu_si128((__m128i*)t, sv);
				continue;
			}
			__m128i a = _mm_srli_epi32(sv, 24);
			__m128i ca = _mm_sub_epi32(k256, _mm_srli_epi32(_mm_mullo_epi16(a, k129), 7));
			__m128i m = _mm_or_si128(ca, _mm_slli_epi32(_mm_sub_epi32(k256, a), 16)); // (ca, aa)
			__m128i mlo = _mm_unpacklo_epi32(m, m), mhi = _mm_unpackhi_epi32(m, m);
			mlo = _mm_shufflehi_epi16(_mm_shufflelo_epi16(mlo, _MM_SHUFFLE(1, 0, 0, 0)), _MM_SHUFFLE(1, 0, 0, 0));
			mhi = _mm_shufflehi_epi16(_mm_shufflelo_epi16(mhi, _MM_SHUFFLE(1, 0, 0, 0)), _MM_SHUFFLE(1, 0, 0, 0));
			__m128i d = _mm_loadu_si128((const __m128i*)t);
			__m128i lo = _mm_add_epi16(_mm_srli_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(d, zero), mlo), 8),
			                           _mm_unpacklo_epi8(sv, zero));
			__m128i hi = _mm_add_epi16(_mm_srli_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(d, zero), mhi), 8),
			                           _mm_unpackhi_epi8(sv, zero));
			_mm_storeu_si128((__m128i*)t, _mm_packus_epi16(lo, hi));
		}
#endif
		while(len-- > 0) {
			if(s->a == 255)
				*t = *s;
			else
			if(s->a)
				sBlend(*t, *s);
			t++;
			s++;
		}
		return;
	}
	while(len-- > 0)
		AlphaBlendCover(*t++, *s++, v);
}

ClipFiller::ClipFiller(int cx_)
{
	cx = cx_ < 0 ? 0 : cx_;
	buffer = (byte*)MemoryAlloc(2 * (size_t)cx + 2);
	Clear();
}

ClipFiller::~ClipFiller()
{
	MemoryFree(buffer);
}

void ClipFiller::Clear()
{
	t = buffer;
	x = 0;
	last = -1;
	lastn = nullptr;
	empty = full = true;
}

void ClipFiller::Start(int minx, int)
{
	Render(0, minx);
}

void ClipFiller::Render(int val)
{
	Render(val, 1);
}

// Runs of one kind: full runs count up to 128 per pair (bytes 128..255), empty runs up to 128
// (bytes 0..127); a run continuing the previous one first tops up its count byte.
void ClipFiller::Runs(int kind, int len)
{
	int lim = kind == 256 ? 255 : 127;
	if(last == kind) {
		int room = lim - *lastn;
		int k = len < room ? len : room;
		*lastn = (byte)(*lastn + k);
		len -= k;
	}
	if(len <= 0) // nothing left: writing a pair here would encode a bogus run
		return;
	int base = kind == 256 ? 127 : -1;
	while(len > 128) {
		*t++ = 0;
		*t++ = (byte)lim;
		len -= 128;
	}
	*t++ = 0;
	lastn = t;
	*t++ = (byte)(len + base);
	last = kind;
}

void ClipFiller::Render(int val, int len)
{
	if(len <= 0)
		return;
	if(x + len > cx) // never write past the line
		len = cx - x;
	if(len <= 0)
		return;
	if(val >= 256) {
		Runs(256, len);
		empty = false;
	}
	else if(val <= 0) {
		Runs(0, len);
		full = false;
	}
	else {
		memset(t, val, len);
		t += len;
		last = -1;
		empty = full = false;
	}
	x += len;
}

byte* ClipFiller::Finish()
{
	if(empty)
		return nullptr;
	if(x < cx) {
		Runs(0, cx - x);
		x = cx;
		full = false;
	}
	if(full)
		return (byte*)1;
	size_t n = t - buffer;
	byte* r = (byte*)MemoryAlloc(n);
	memcpy(r, buffer, n);
	return r;
}

void MaskFillerFilter::Start(int minx, int maxx)
{
	t->Start(minx, maxx);
	Rasterizer::Filler* h = t;
	NilFiller nil;
	t = &nil;
	Render(0, minx);
	t = h;
}

void MaskFillerFilter::Render(int val)
{
	for(;;) {
		if(empty) {
			t->Render(0);
			empty--;
			return;
		}
		if(full) {
			t->Render(val);
			full--;
			return;
		}
		byte m = *mask++;
		if(m) {
			t->Render((m * val) >> 8);
			return;
		}
		byte n = *mask++;
		if(n < 128)
			empty = n + 1;
		else
			full = n - 127;
	}
}

void MaskFillerFilter::Render(int val, int len)
{
	while(len > 0) {
		if(empty) {
			int n = empty < len ? empty : len;
			t->Render(0, n);
			empty -= n;
			len -= n;
		}
		else if(full) {
			int n = full < len ? full : len;
			t->Render(val, n);
			full -= n;
			len -= n;
		}
		else {
			byte m = *mask++;
			if(m) {
				t->Render((m * val) >> 8);
				len--;
			}
			else {
				byte n = *mask++;
				if(n < 128)
					empty = n + 1;
				else
					full = n - 127;
			}
		}
	}
}

void MaskFillerFilter::End()
{
	t->End();
}

} // namespace Qel

namespace Qel {

void SubpixelFiller::Start(int minx, int maxx)
{
	int px = minx / 3;
	if(minx > 2)
		px--; // one pixel of margin for the filter's left tail
	begin = minx < 3 ? sbuffer + 3 : sbuffer;
	t += px;
	for(int i = 0; i < 8; i++)
		sbuffer[i] = 0;
	v = sbuffer + 3 + minx % 3;
	if(ss) {
		ss->Get(buffer, px, y, (unsigned)(maxx / 3 - px + 2));
		s = buffer;
	}
}

void SubpixelFiller::Render(int val)
{
	int q = val / 9;
	v[-2] += q;
	v[-1] += 2 * q;
	v[0] += val - 6 * q;
	v[1] += 2 * q;
	v[2] += q;
	v[3] = 0;
	v++;
}

void SubpixelFiller::Render(int val, int len)
{
	// Runs are accumulated column by column; the result is the same as the filtered sum.
	while(len-- > 0)
		Render(val);
}

void SubpixelFiller::End()
{
	v[3] = v[4] = v[5] = 0;
	Write((int)((v + 2 - begin + 2) / 3));
}

void SubpixelFiller::Write(int n)
{
	if(end - t < n)
		n = (int)(end - t);
	const int16* a = begin;
	for(int i = 0; i < n; i++, a += 3, t++) {
		RGBA src;
		if(ss) {
			src = alpha == 256 ? *s : ScaleRGBA(*s, alpha);
			s++;
		}
		else
			src = invert ? sInverse(*t) : color;
		int w[3] = {a[0], a[1], a[2]};
		for(int& x : w)
			x = x < 0 ? 0 : x > 256 ? 256 : x;
		RGBA& d = *t;
		if(d.a != 255) {
			AlphaBlendCover(d, src, (w[0] + w[1] + w[2]) / 3);
			continue;
		}
		int sc[3] = {src.r, src.g, src.b};
		byte* dc[3] = {&d.r, &d.g, &d.b};
		for(int k = 0; k < 3; k++) {
			int r;
			if(src.a == 255)
				r = ((*dc[k] * (257 - w[k])) >> 8) + ((sc[k] * w[k]) >> 8);
			else {
				int kk = src.a * w[k];
				r = ((*dc[k] * (256 - ((kk >> 15) + (kk >> 8)))) >> 8) + ((sc[k] * w[k]) >> 8);
			}
			*dc[k] = (byte)sSat(r);
		}
	}
}

} // namespace Qel
