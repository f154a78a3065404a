// Premultiply, unmultiply and blend over rows. The vector paths take four pixels a step and
// give exactly the results of the scalar formulas beside them.
#include "Alpha.h"

#include <draw/detail/PixelBlend.h>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace Qel {

namespace {

// 65536 / a, the reciprocal table of unmultiplying (0 for a = 0).
struct sUnmulTable {
	dword t[256];
	uint64 lanes[256]; // four 16-bit factors per alpha: colour channels min(t, 65535), alpha 256

	sUnmulTable()
	{
		t[0] = 0;
		for(int a = 1; a < 256; a++)
			t[a] = 65536 / a;
		for(int a = 0; a < 256; a++) {
			uint64 f = min<dword>(t[a], 65535);
			lanes[a] = f | f << 16 | f << 32 | uint64(256) << 48;
		}
	}
};

const sUnmulTable& sUnmul()
{
	static const sUnmulTable x;
	return x;
}

QEL_FORCE_INLINE RGBA sPremultiply(RGBA p)
{
	int f = p.a + (p.a >> 7);
	return RGBA{ byte(p.b * f >> 8), byte(p.g * f >> 8), byte(p.r * f >> 8), p.a };
}

QEL_FORCE_INLINE RGBA sUnmultiply(RGBA p, const dword* t)
{
	dword f = t[p.a];
	return RGBA{ byte(min<dword>(255, p.b * f >> 8)), byte(min<dword>(255, p.g * f >> 8)),
	             byte(min<dword>(255, p.r * f >> 8)), p.a };
}

// Tallies the alphas seen: any other than 255, any other than 0 or 255.
struct sKindTally {
	bool translucent = false;
	bool partial = false;

	void Add(byte a)
	{
		translucent |= a != 255;
		partial |= byte(a + 1) > 1;
	}
	int Kind() const { return partial ? IMAGE_ALPHA : translucent ? IMAGE_MASK : IMAGE_OPAQUE; }
};

#ifdef __SSE2__

QEL_FORCE_INLINE __m128i sLoad(const RGBA* p)      { return _mm_loadu_si128((const __m128i*)p); }
QEL_FORCE_INLINE void    sStore(RGBA* p, __m128i x) { _mm_storeu_si128((__m128i*)p, x); }

// Alpha of each pixel in all four 16-bit lanes of that pixel.
QEL_FORCE_INLINE __m128i sAlpha16(__m128i px16)
{
	return _mm_shufflehi_epi16(_mm_shufflelo_epi16(px16, 0xFF), 0xFF);
}

// Movemask bits of the pixels whose alpha is 255, and of those whose alpha is 0.
QEL_FORCE_INLINE void sAlphaMasks(__m128i x, int& opaque, int& clear)
{
	__m128i am = _mm_set1_epi32(int(0xFF000000));
	__m128i a = _mm_and_si128(x, am);
	opaque = _mm_movemask_epi8(_mm_cmpeq_epi32(a, am));
	clear = _mm_movemask_epi8(_mm_cmpeq_epi32(a, _mm_setzero_si128()));
}

QEL_FORCE_INLINE __m128i sPremultiply16(__m128i px16)
{
	const __m128i colour = _mm_set_epi16(0, -1, -1, -1, 0, -1, -1, -1);
	const __m128i alpha256 = _mm_set_epi16(256, 0, 0, 0, 256, 0, 0, 0);
	__m128i a = sAlpha16(px16);
	__m128i f = _mm_add_epi16(a, _mm_srli_epi16(a, 7));
	f = _mm_or_si128(_mm_and_si128(f, colour), alpha256);
	return _mm_srli_epi16(_mm_mullo_epi16(px16, f), 8);
}

#endif

} // namespace

int Premultiply(RGBA* t, const RGBA* s, int n)
{
	sKindTally tally;
	int i = 0;
#ifdef __SSE2__
	bool translucent = false, partial = false;
	const __m128i zero = _mm_setzero_si128();
	for(; i + 4 <= n; i += 4) {
		__m128i x = sLoad(s + i);
		int opaque, clear;
		sAlphaMasks(x, opaque, clear);
		// no branch on the alphas: mixed rows would mispredict it, and opaque pixels come out
		// unchanged from the formula anyway
		translucent |= opaque != 0xFFFF;
		partial |= (opaque | clear) != 0xFFFF;
		__m128i lo = sPremultiply16(_mm_unpacklo_epi8(x, zero));
		__m128i hi = sPremultiply16(_mm_unpackhi_epi8(x, zero));
		sStore(t + i, _mm_packus_epi16(lo, hi));
	}
	tally.translucent = translucent;
	tally.partial = partial;
#endif
	for(; i < n; i++) {
		tally.Add(s[i].a);
		t[i] = sPremultiply(s[i]);
	}
	return tally.Kind();
}

int Unmultiply(RGBA* t, const RGBA* s, int n)
{
	const sUnmulTable& tab = sUnmul();
	sKindTally tally;
	int i = 0;
#ifdef __SSE2__
	bool translucent = false, partial = false;
	const __m128i zero = _mm_setzero_si128();
	const __m128i c255 = _mm_set1_epi16(255);
	for(; i + 4 <= n; i += 4) {
		__m128i x = sLoad(s + i);
		int opaque, clear;
		sAlphaMasks(x, opaque, clear);
		if(opaque != 0xFFFF) {
			translucent = true;
			partial |= (opaque | clear) != 0xFFFF;
			// (c << 8) * f >> 16 is c * f >> 8; then at most 255
			const RGBA* p = s + i;
			__m128i flo = _mm_set_epi64x(tab.lanes[p[1].a], tab.lanes[p[0].a]);
			__m128i fhi = _mm_set_epi64x(tab.lanes[p[3].a], tab.lanes[p[2].a]);
			__m128i lo = _mm_mulhi_epu16(_mm_slli_epi16(_mm_unpacklo_epi8(x, zero), 8), flo);
			__m128i hi = _mm_mulhi_epu16(_mm_slli_epi16(_mm_unpackhi_epi8(x, zero), 8), fhi);
			lo = _mm_sub_epi16(lo, _mm_subs_epu16(lo, c255));
			hi = _mm_sub_epi16(hi, _mm_subs_epu16(hi, c255));
			x = _mm_packus_epi16(lo, hi);
		}
		sStore(t + i, x);
	}
	tally.translucent = translucent;
	tally.partial = partial;
#endif
	for(; i < n; i++) {
		tally.Add(s[i].a);
		t[i] = sUnmultiply(s[i], tab.t);
	}
	return tally.Kind();
}

void AlphaBlend(RGBA* t, const RGBA* s, int n)
{
	int i = 0;
#ifdef __SSE2__
	const __m128i zero = _mm_setzero_si128(), am = _mm_set1_epi32(int(0xFF000000));
	for(; i + 4 <= n; i += 4) {
		__m128i x = sLoad(s + i);
		// four opaque pixels replace the target, four empty ones leave it
		if(_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(x, am), am)) == 0xFFFF)
			sStore(t + i, x);
		else
		if(_mm_movemask_epi8(_mm_cmpeq_epi8(x, zero)) != 0xFFFF)
			sStore(t + i, detail::BlendOver4(sLoad(t + i), x));
	}
#endif
	for(; i < n; i++)
		detail::BlendOver(t[i], s[i]);
}

} // namespace Qel
