// Premultiplied pixel arithmetic shared by image rows and the painter's fillers: scaling a pixel
// by a coverage or opacity, and "source over", one pixel at a time and four at a time in SSE2
// lanes. The vector forms give exactly the results of the scalar ones.
//
// Under a source of alpha a the target keeps (256 - a) / 256 of its alpha, so an opaque target
// stays opaque, and 256 - (a + (a >> 7)) 256ths of its colour, so an opaque source replaces the
// colour exactly. Then the source is added, saturating: only a source whose colour exceeds its
// alpha can reach past 255.
#pragma once

#include <Core/types/Color.h>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace Qel::detail {

// s scaled by v / 256 (v in 0..256; 256 keeps s).
QEL_FORCE_INLINE RGBA ScalePixel(const RGBA& s, int v)
{
	return RGBA{ byte(s.b * v >> 8), byte(s.g * v >> 8), byte(s.r * v >> 8), byte(s.a * v >> 8) };
}

QEL_FORCE_INLINE int OverKeepColor(int a) { return 256 - (a + (a >> 7)); }
QEL_FORCE_INLINE int OverKeepAlpha(int a) { return 256 - a; }

// s over d.
QEL_FORCE_INLINE void BlendOver(RGBA& d, const RGBA& s)
{
	int kc = OverKeepColor(s.a), ka = OverKeepAlpha(s.a);
	d.b = byte(min(255, (d.b * kc >> 8) + s.b));
	d.g = byte(min(255, (d.g * kc >> 8) + s.g));
	d.r = byte(min(255, (d.r * kc >> 8) + s.r));
	d.a = byte(min(255, (d.a * ka >> 8) + s.a));
}

#ifdef __SSE2__

// What the target keeps under two source pixels in 16-bit lanes: their alphas spread to all
// four lanes of each pixel; a * 129 >> 7 in the colour lanes is a + (a >> 7), a * 128 >> 7 in
// the alpha lane is a.
QEL_FORCE_INLINE __m128i OverKeep16(__m128i s16)
{
	__m128i a = _mm_shufflehi_epi16(_mm_shufflelo_epi16(s16, 0xFF), 0xFF);
	__m128i a1 = _mm_srli_epi16(_mm_mullo_epi16(a, _mm_set_epi16(128, 129, 129, 129, 128, 129, 129, 129)), 7);
	return _mm_sub_epi16(_mm_set1_epi16(256), a1);
}

// Four source pixels over four target pixels.
QEL_FORCE_INLINE __m128i BlendOver4(__m128i d, __m128i s)
{
	const __m128i zero = _mm_setzero_si128();
	__m128i klo = OverKeep16(_mm_unpacklo_epi8(s, zero));
	__m128i khi = OverKeep16(_mm_unpackhi_epi8(s, zero));
	__m128i lo = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(d, zero), klo), 8);
	__m128i hi = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(d, zero), khi), 8);
	return _mm_adds_epu8(_mm_packus_epi16(lo, hi), s);
}

// One source over runs of pixels, four at a time: its factors spread to the lanes once.
struct SolidOver4 {
	__m128i keep, add;

	explicit SolidOver4(const RGBA& s)
	{
		short kc = short(OverKeepColor(s.a)), ka = short(OverKeepAlpha(s.a));
		keep = _mm_set_epi16(ka, kc, kc, kc, ka, kc, kc, kc);
		add = _mm_set_epi16(s.a, s.r, s.g, s.b, s.a, s.r, s.g, s.b);
	}
	QEL_FORCE_INLINE __m128i operator()(__m128i d) const
	{
		const __m128i zero = _mm_setzero_si128();
		__m128i lo = _mm_add_epi16(_mm_srli_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(d, zero), keep), 8), add);
		__m128i hi = _mm_add_epi16(_mm_srli_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(d, zero), keep), 8), add);
		return _mm_packus_epi16(lo, hi); // the pack saturates
	}
};

#endif

} // namespace Qel::detail
