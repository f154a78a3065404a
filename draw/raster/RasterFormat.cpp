#include "RasterFormat.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace Qel {

namespace {

struct sLayout {
	byte bpp;
	int  colors;
	int  palette;
};

const sLayout sLayouts[16] = {
	{ 1, 2, 2 }, { 2, 4, 4 }, { 4, 16, 16 }, { 8, 256, 256 }, { 16, 256, 0 }, { 16, 65536, 0 },
	{ 24, 16777216, 0 }, { 32, 16777216, 0 }, { 32, 16777216, 0 }, { 32, 0, 0 },
};

// Byte position of a channel from its 32-bit mask.
byte sPosition(dword mask)
{
	return mask == 0xff000000 ? 3 : mask == 0xff0000 ? 2 : mask == 0xff00 ? 1 : 0;
}

// Left shift that brings the highest set bit of mask to bit 15. A zero mask has none, and its
// channel reads as 0 whatever the shift; masks from bit 16 up get 0.
byte sShift16(dword mask)
{
	if(mask == 0 || mask >= 0x10000)
		return 0;
	return byte(15 - (31 - __builtin_clz(mask)));
}

const RGBA* sPalette(const RGBA* palette)
{
	static const RGBA none[256] = {};
	return palette ? palette : none;
}

void sRead1(RGBA* t, const byte* s, int n, const RGBA* pal, bool msb)
{
	int i = 0;
#ifdef __SSE2__
	const __m128i p0 = _mm_set1_epi32(int(pal[0].b | pal[0].g << 8 | pal[0].r << 16 | dword(pal[0].a) << 24));
	const __m128i p1 = _mm_set1_epi32(int(pal[1].b | pal[1].g << 8 | pal[1].r << 16 | dword(pal[1].a) << 24));
	const __m128i diff = _mm_xor_si128(p0, p1);
	const __m128i blo = msb ? _mm_set_epi32(0x10, 0x20, 0x40, 0x80) : _mm_set_epi32(8, 4, 2, 1);
	const __m128i bhi = msb ? _mm_set_epi32(1, 2, 4, 8) : _mm_set_epi32(0x80, 0x40, 0x20, 0x10);
	for(; i + 8 <= n; i += 8) {
		__m128i v = _mm_set1_epi32(*s++);
		__m128i mlo = _mm_cmpeq_epi32(_mm_and_si128(v, blo), blo);
		__m128i mhi = _mm_cmpeq_epi32(_mm_and_si128(v, bhi), bhi);
		_mm_storeu_si128((__m128i*)(t + i), _mm_xor_si128(p0, _mm_and_si128(diff, mlo)));
		_mm_storeu_si128((__m128i*)(t + i + 4), _mm_xor_si128(p0, _mm_and_si128(diff, mhi)));
	}
#endif
	for(; i < n; i += 8) {
		int v = *s++;
		int m = min(8, n - i);
		for(int k = 0; k < m; k++)
			t[i + k] = pal[(msb ? v >> (7 - k) : v >> k) & 1];
	}
}

// 2 or 4 bits a pixel.
template <int BITS>
void sReadPacked(RGBA* t, const byte* s, int n, const RGBA* pal, bool msb)
{
	constexpr int PER = 8 / BITS;
	constexpr int MASK = (1 << BITS) - 1;
	int i = 0;
	for(; i + PER <= n; i += PER) {
		int v = *s++;
		for(int k = 0; k < PER; k++)
			t[i + k] = pal[(msb ? v >> (8 - BITS - k * BITS) : v >> (k * BITS)) & MASK];
	}
	if(i < n) {
		int v = *s;
		for(int k = 0; i < n; i++, k++)
			t[i] = pal[(msb ? v >> (8 - BITS - k * BITS) : v >> (k * BITS)) & MASK];
	}
}

void sRead16(RGBA* t, const byte* s, int n, bool be, dword rm, dword gm, dword bm, int rsh, int gsh, int bsh)
{
	int i = 0;
#ifdef __SSE2__
	// all in 16-bit lanes: (v & mask) << shift keeps the top bit at 15, >> 8 gives the channel
	const __m128i rmv = _mm_set1_epi16(short(rm)), gmv = _mm_set1_epi16(short(gm)), bmv = _mm_set1_epi16(short(bm));
	const __m128i rs = _mm_cvtsi32_si128(rsh), gs = _mm_cvtsi32_si128(gsh), bs = _mm_cvtsi32_si128(bsh);
	const __m128i ff00 = _mm_set1_epi16(short(0xFF00));
	for(; i + 8 <= n; i += 8) {
		__m128i v = _mm_loadu_si128((const __m128i*)(s + 2 * i));
		if(be)
			v = _mm_or_si128(_mm_slli_epi16(v, 8), _mm_srli_epi16(v, 8));
		__m128i r = _mm_srli_epi16(_mm_sll_epi16(_mm_and_si128(v, rmv), rs), 8);
		__m128i g = _mm_srli_epi16(_mm_sll_epi16(_mm_and_si128(v, gmv), gs), 8);
		__m128i b = _mm_srli_epi16(_mm_sll_epi16(_mm_and_si128(v, bmv), bs), 8);
		__m128i bg = _mm_or_si128(b, _mm_slli_epi16(g, 8));
		__m128i ra = _mm_or_si128(r, ff00);
		_mm_storeu_si128((__m128i*)(t + i), _mm_unpacklo_epi16(bg, ra));
		_mm_storeu_si128((__m128i*)(t + i + 4), _mm_unpackhi_epi16(bg, ra));
	}
#endif
	for(; i < n; i++) {
		dword v = s[2 * i] | s[2 * i + 1] << 8;
		if(be)
			v = ((v & 255) << 8) | (v >> 8);
		t[i] = RGBA{ byte(((v & bm) << bsh) >> 8), byte(((v & gm) << gsh) >> 8), byte(((v & rm) << rsh) >> 8), 255 };
	}
}

void sRead24Native(RGBA* t, const byte* s, int n)
{
	int i = 0;
	for(; i + 4 <= n; i += 4, s += 12) {
		dword w0, w1, w2;
		memcpy(&w0, s, 4);
		memcpy(&w1, s + 4, 4);
		memcpy(&w2, s + 8, 4);
		dword o[4] = {
			w0 | 0xFF000000,
			(w0 >> 24) | (w1 << 8) | 0xFF000000,
			(w1 >> 16) | (w2 << 16) | 0xFF000000,
			(w2 >> 8) | 0xFF000000,
		};
		memcpy(t + i, o, 16);
	}
	for(; i < n; i++, s += 3)
		t[i] = RGBA{ s[0], s[1], s[2], 255 };
}

void sRead32Opaque(RGBA* t, const byte* s, int n)
{
	int i = 0;
#ifdef __SSE2__
	const __m128i a = _mm_set1_epi32(int(0xFF000000));
	for(; i + 4 <= n; i += 4)
		_mm_storeu_si128((__m128i*)(t + i), _mm_or_si128(_mm_loadu_si128((const __m128i*)(s + 4 * i)), a));
#endif
	for(; i < n; i++)
		t[i] = RGBA{ s[4 * i], s[4 * i + 1], s[4 * i + 2], 255 };
}

byte sGrey(RGBA c)
{
	return byte((28 * c.b + 151 * c.g + 77 * c.r) >> 8);
}

// Palette index of a pixel for a field of the given width.
QEL_FORCE_INLINE int sIndex(RGBA c, int bits, const PaletteCv* cv)
{
	int mask = (1 << bits) - 1;
	if(cv)
		return cv->Get(c) & mask;
	switch(bits) {
	case 1:  return c.g >> 7;
	case 2:  return c.g >> 6;
	case 4:  return sGrey(c) >> 4;
	default: return sGrey(c);
	}
}

// Bit tables of the packed writers: a byte's bits in reverse order, its 2-bit fields in reverse
// order, and its bits spread to the even bits of a 16-bit word.
struct sBitTables {
	byte rev1[256], rev2[256];
	word spread[256];

	sBitTables()
	{
		for(int i = 0; i < 256; i++) {
			int r1 = 0, r2 = 0, sp = 0;
			for(int k = 0; k < 8; k++) {
				if(i & (1 << k)) {
					r1 |= 0x80 >> k;
					sp |= 1 << (2 * k);
				}
			}
			for(int k = 0; k < 4; k++)
				r2 |= ((i >> (2 * k)) & 3) << (6 - 2 * k);
			rev1[i] = byte(r1);
			rev2[i] = byte(r2);
			spread[i] = word(sp);
		}
	}
};

const sBitTables& sBits()
{
	static const sBitTables x;
	return x;
}

#ifdef __SSE2__
// Green bytes of 16 pixels, in pixel order.
QEL_FORCE_INLINE __m128i sGreens16(const RGBA* s)
{
	const __m128i m = _mm_set1_epi32(255);
	__m128i g0 = _mm_and_si128(_mm_srli_epi32(_mm_loadu_si128((const __m128i*)s), 8), m);
	__m128i g1 = _mm_and_si128(_mm_srli_epi32(_mm_loadu_si128((const __m128i*)(s + 4)), 8), m);
	__m128i g2 = _mm_and_si128(_mm_srli_epi32(_mm_loadu_si128((const __m128i*)(s + 8)), 8), m);
	__m128i g3 = _mm_and_si128(_mm_srli_epi32(_mm_loadu_si128((const __m128i*)(s + 12)), 8), m);
	return _mm_packus_epi16(_mm_packs_epi32(g0, g1), _mm_packs_epi32(g2, g3));
}
#endif

// 1 and 2 bits without a converter keep the top bits of green: 16 pixels a step, their top
// bits gathered with byte masks.
int sWriteGreenBits(byte* t, const RGBA* s, int n, int bits, bool msb)
{
	int i = 0;
#ifdef __SSE2__
	const sBitTables& tb = sBits();
	for(; i + 16 <= n; i += 16) {
		__m128i g = sGreens16(s + i);
		int b7 = _mm_movemask_epi8(g);
		if(bits == 1) {
			*t++ = msb ? tb.rev1[b7 & 255] : byte(b7);
			*t++ = msb ? tb.rev1[b7 >> 8] : byte(b7 >> 8);
		}
		else {
			int b6 = _mm_movemask_epi8(_mm_slli_epi16(g, 1));
			dword lo = tb.spread[b6 & 255] | tb.spread[b7 & 255] << 1;
			dword hi = tb.spread[b6 >> 8] | tb.spread[b7 >> 8] << 1;
			dword v = lo | hi << 16;
			for(int k = 0; k < 4; k++, v >>= 8)
				*t++ = msb ? tb.rev2[v & 255] : byte(v);
		}
	}
#else
	(void)t; (void)s; (void)n; (void)bits; (void)msb;
#endif
	return i;
}

void sWritePacked(byte* t, const RGBA* s, int n, int bits, bool msb, const PaletteCv* cv)
{
	int per = 8 / bits;
	if(!cv && bits <= 2) {
		int done = sWriteGreenBits(t, s, n, bits, msb);
		t += done / per;
		s += done;
		n -= done;
	}
	for(int i = 0; i < n; i += per) {
		int v = 0;
		int m = min(per, n - i);
		for(int k = 0; k < m; k++) {
			int x = sIndex(s[i + k], bits, cv);
			v |= msb ? x << (8 - bits - k * bits) : x << (k * bits);
		}
		*t++ = (byte)v;
	}
}

} // namespace

void RasterFormat::SetPositions(dword r, dword g, dword b, dword a)
{
	rpos = sPosition(r);
	gpos = sPosition(g);
	bpos = sPosition(b);
	apos = sPosition(a);
}

void RasterFormat::Set16le(dword rm, dword gm, dword bm)
{
	type = RASTER_16;
	rmask = rm;
	gmask = gm;
	bmask = bm;
	rpos = sShift16(rm);
	gpos = sShift16(gm);
	bpos = sShift16(bm);
	apos = 0;
}

void RasterFormat::Set24le(dword rm, dword gm, dword bm)
{
	type = RASTER_24;
	SetPositions(rm, gm, bm, 0);
}

void RasterFormat::Set32le(dword rm, dword gm, dword bm, dword am)
{
	type = am ? RASTER_32PREMULTIPLIED : RASTER_32;
	SetPositions(rm, gm, bm, am);
}

void RasterFormat::SetRGBAStraight()
{
	type = RASTER_32ALPHA;
	bpos = 0;
	gpos = 1;
	rpos = 2;
	apos = 3;
}

int RasterFormat::GetBpp() const
{
	return sLayouts[type & 15].bpp;
}

int RasterFormat::GetColorCount() const
{
	return sLayouts[type & 15].colors;
}

int RasterFormat::GetPaletteCount() const
{
	return sLayouts[type & 15].palette;
}

void RasterFormat::Read(RGBA* t, const byte* s, int n, const RGBA* palette) const
{
	if(n <= 0)
		return;
	bool msb = type & RASTER_MSBFIRST;
	bool native = bpos == 0 && gpos == 1 && rpos == 2;
	switch(type & 15) {
	case RASTER_1:
		sRead1(t, s, n, sPalette(palette), msb);
		break;
	case RASTER_2:
		sReadPacked<2>(t, s, n, sPalette(palette), msb);
		break;
	case RASTER_4:
		sReadPacked<4>(t, s, n, sPalette(palette), msb);
		break;
	case RASTER_8: {
		const RGBA* pal = sPalette(palette);
		for(int i = 0; i < n; i++)
			t[i] = pal[s[i]];
		break;
	}
	case RASTER_8ALPHA: {
		const RGBA* pal = sPalette(palette);
		for(int i = 0; i < n; i++, s += 2) {
			RGBA c = pal[s[0]];
			c.a = s[1];
			t[i] = c;
		}
		Premultiply(t, t, n);
		break;
	}
	case RASTER_16:
		sRead16(t, s, n, msb, rmask, gmask, bmask, rpos, gpos, bpos);
		break;
	case RASTER_24:
		if(native)
			sRead24Native(t, s, n);
		else
			for(int i = 0; i < n; i++, s += 3) {
				// a position past the third byte names no byte of the pixel: that channel is 0
				byte p[4] = { s[0], s[1], s[2], 0 };
				t[i] = RGBA{ p[bpos], p[gpos], p[rpos], 255 };
			}
		break;
	case RASTER_32:
		if(native)
			sRead32Opaque(t, s, n);
		else
			for(int i = 0; i < n; i++, s += 4)
				t[i] = RGBA{ s[bpos], s[gpos], s[rpos], 255 };
		break;
	case RASTER_32ALPHA:
		if(native && apos == 3)
			Premultiply(t, (const RGBA*)s, n);
		else {
			for(int i = 0; i < n; i++, s += 4)
				t[i] = RGBA{ s[bpos], s[gpos], s[rpos], s[apos] };
			Premultiply(t, t, n);
		}
		break;
	case RASTER_32PREMULTIPLIED:
		if(native && apos == 3)
			memcpy(t, s, size_t(n) * 4);
		else
			for(int i = 0; i < n; i++, s += 4)
				t[i] = RGBA{ s[bpos], s[gpos], s[rpos], s[apos] };
		break;
	}
}

void RasterFormat::Write(byte* t, const RGBA* s, int n, const PaletteCv* cv) const
{
	if(n <= 0)
		return;
	bool msb = type & RASTER_MSBFIRST;
	bool native = bpos == 0 && gpos == 1 && rpos == 2;
	switch(type & 15) {
	case RASTER_1:
		sWritePacked(t, s, n, 1, msb, cv);
		break;
	case RASTER_2:
		sWritePacked(t, s, n, 2, msb, cv);
		break;
	case RASTER_4:
		sWritePacked(t, s, n, 4, msb, cv);
		break;
	case RASTER_8:
		for(int i = 0; i < n; i++)
			t[i] = (byte)sIndex(s[i], 8, cv);
		break;
	case RASTER_16:
		for(int i = 0; i < n; i++, t += 2) {
			RGBA c = s[i];
			dword v = ((dword(c.r) << 8) >> rpos & rmask) | ((dword(c.g) << 8) >> gpos & gmask) |
			          ((dword(c.b) << 8) >> bpos & bmask);
			t[msb] = byte(v);
			t[!msb] = byte(v >> 8);
		}
		break;
	case RASTER_24:
		for(int i = 0; i < n; i++, t += 3) {
			byte p[4] = {}; // a position past the third byte is dropped
			p[bpos] = s[i].b;
			p[gpos] = s[i].g;
			p[rpos] = s[i].r;
			t[0] = p[0];
			t[1] = p[1];
			t[2] = p[2];
		}
		break;
	case RASTER_32:
		for(int i = 0; i < n; i++, t += 4) {
			t[bpos] = s[i].b;
			t[gpos] = s[i].g;
			t[rpos] = s[i].r;
		}
		break;
	case RASTER_32ALPHA:
		if(native && apos == 3)
			Unmultiply((RGBA*)t, s, n);
		else {
			// unmultiply in pieces on the stack, then place the bytes
			RGBA u[256];
			for(int i = 0; i < n; i += 256) {
				int m = min(256, n - i);
				Unmultiply(u, s + i, m);
				for(int k = 0; k < m; k++, t += 4) {
					t[bpos] = u[k].b;
					t[gpos] = u[k].g;
					t[rpos] = u[k].r;
					t[apos] = u[k].a;
				}
			}
		}
		break;
	case RASTER_32PREMULTIPLIED:
		if(native && apos == 3)
			memcpy(t, s, size_t(n) * 4);
		else
			for(int i = 0; i < n; i++, t += 4) {
				t[bpos] = s[i].b;
				t[gpos] = s[i].g;
				t[rpos] = s[i].r;
				t[apos] = s[i].a;
			}
		break;
	}
}

} // namespace Qel
