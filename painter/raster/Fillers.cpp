#include "Fillers.h"

#include <Core/base/Heap.h>
#include <draw/detail/PixelBlend.h>
#include <draw/image/Alpha.h>

#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace Qel {

using detail::BlendOver;
using detail::ScalePixel;

static inline int sSat(int v) { return v > 255 ? 255 : v; }

RGBA ScaleRGBA(const RGBA& s, int v)
{
	return ScalePixel(s, v);
}

void AlphaBlendCover(RGBA& d, const RGBA& s, int v)
{
	BlendOver(d, ScalePixel(s, v));
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
	BlendOver(*t, ScalePixel(invert ? sInverse(*t) : c, val));
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
	RGBA s = ScalePixel(c, val);
#ifdef __SSE2__
	// Long spans (large shapes) dominate the fill time: four pixels at once.
	if(e - p >= 4) {
		detail::SolidOver4 over(s);
		for(; p + 4 <= e; p += 4)
			_mm_storeu_si128((__m128i*)p, over(_mm_loadu_si128((const __m128i*)p)));
	}
#endif
	while(p < e)
		BlendOver(*p++, s);
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
	if(v == 256) { // fully covered: the source row goes over as it is
		AlphaBlend(t, s, len);
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
			src = alpha == 256 ? *s : ScalePixel(*s, alpha);
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
