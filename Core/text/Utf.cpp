#include "Utf.h"
#include "String.h"
#include "WString.h"
#include <Core/container/Vector.h>

#include <emmintrin.h>

namespace Qel {

namespace {

QEL_FORCE_INLINE bool IsCont(byte b) { return (b & 0xC0) == 0x80; }

// Decodes one character that does not start with an ASCII byte; advances s.
QEL_FORCE_INLINE wchar DecodeNonAscii(const byte*& s, const byte* e)
{
	const byte* p = s;
	byte b = *p;
	if(b >= 0xC2 && b <= 0xDF) {
		if(e - p >= 2 && IsCont(p[1])) {
			s = p + 2;
			return ((b & 0x1F) << 6) | (p[1] & 0x3F);
		}
	}
	else if(b >= 0xE0 && b <= 0xEF) {
		if(e - p >= 3 && IsCont(p[1]) && IsCont(p[2])) {
			wchar v = ((b & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F);
			// surrogates are no characters: as such, two of them would merge into one in UTF-16
			if(v >= 0x800 && !IsUtfEscape(v) && (v < 0xD800 || v > 0xDFFF)) {
				s = p + 3;
				return v;
			}
		}
	}
	else if(b >= 0xF0 && b <= 0xF7) {
		if(e - p >= 4 && IsCont(p[1]) && IsCont(p[2]) && IsCont(p[3])) {
			wchar v = ((b & 0x07) << 18) | ((p[1] & 0x3F) << 12) | ((p[2] & 0x3F) << 6) | (p[3] & 0x3F);
			if(v >= 0x10000 && v <= 0x10FFFF) {
				s = p + 4;
				return v;
			}
		}
	}
	s = p + 1;
	return UTF_ESCAPE + b;
}

// Widens 16 ASCII bytes to 16 characters.
QEL_FORCE_INLINE void Widen16(wchar* t, __m128i v)
{
	__m128i z = _mm_setzero_si128();
	__m128i lo = _mm_unpacklo_epi8(v, z);
	__m128i hi = _mm_unpackhi_epi8(v, z);
	_mm_storeu_si128((__m128i*)t, _mm_unpacklo_epi16(lo, z));
	_mm_storeu_si128((__m128i*)(t + 4), _mm_unpackhi_epi16(lo, z));
	_mm_storeu_si128((__m128i*)(t + 8), _mm_unpacklo_epi16(hi, z));
	_mm_storeu_si128((__m128i*)(t + 12), _mm_unpackhi_epi16(hi, z));
}

QEL_FORCE_INLINE int Utf8Size(wchar c)
{
	return c < 0x80 ? 1 : c < 0x800 ? 2 : IsUtfEscape(c) ? 1 : c < 0x10000 ? 3 : c <= 0x10FFFF ? 4 : 0;
}

} // namespace

int detail::Utf8ToUtf32(wchar* t, const char* src, int len)
{
	const byte* s = (const byte*)src;
	const byte* e = s + max(len, 0);
	wchar* t0 = t;
	while(s < e) {
		if(*s < 0x80) {
			// Output never runs ahead of input, so 16 characters fit wherever 16 bytes remain.
			if(e - s >= 16 && s[1] < 0x80) {
				__m128i v = _mm_loadu_si128((const __m128i*)s);
				int mask = _mm_movemask_epi8(v);
				Widen16(t, v);
				int n = mask ? __builtin_ctz(mask) : 16;
				s += n;
				t += n;
			}
			else
				*t++ = *s++;
			continue;
		}
		// runs of two-byte sequences (Latin, Greek, Cyrillic, Hebrew, Arabic) in a tight loop
		while(e - s >= 2 && s[0] >= 0xC2 && s[0] <= 0xDF && IsCont(s[1])) {
			*t++ = ((s[0] & 0x1F) << 6) | (s[1] & 0x3F);
			s += 2;
		}
		// and of three-byte ones (CJK); anything unusual is left to the full decoder
		while(e - s >= 3 && (s[0] & 0xF0) == 0xE0 && IsCont(s[1]) && IsCont(s[2])) {
			wchar v = ((s[0] & 0x0F) << 12) | ((s[1] & 0x3F) << 6) | (s[2] & 0x3F);
			if(v < 0x800 || (v >= 0xD800 && v <= 0xDFFF) || IsUtfEscape(v))
				break;
			*t++ = v;
			s += 3;
		}
		if(s < e && *s >= 0x80)
			*t++ = DecodeNonAscii(s, e);
	}
	return int(t - t0);
}

int Utf32Len(const char* src, int len)
{
	const byte* s = (const byte*)src;
	const byte* e = s + max(len, 0);
	int n = 0;
	while(s < e) {
		while(e - s >= 16) {
			int mask = _mm_movemask_epi8(_mm_loadu_si128((const __m128i*)s));
			if(mask == 0) {
				s += 16;
				n += 16;
				continue;
			}
			int k = __builtin_ctz(mask);
			s += k + 0;
			n += k;
			DecodeNonAscii(s, e);
			n++;
		}
		if(s >= e)
			break;
		if(*s < 0x80)
			s++;
		else
			DecodeNonAscii(s, e);
		n++;
	}
	return n;
}

int Utf8CharsToBytes(const char* src, int len, int n)
{
	const byte* s = (const byte*)src;
	const byte* e = s + max(len, 0);
	for(; s < e && n > 0; n--)
		if(*s < 0x80)
			s++;
		else
			DecodeNonAscii(s, e);
	return int(s - (const byte*)src);
}


namespace {

QEL_FORCE_INLINE bool Ascii16(const wchar* s)
{
	__m128i a = _mm_loadu_si128((const __m128i*)s);
	__m128i b = _mm_loadu_si128((const __m128i*)(s + 4));
	__m128i c = _mm_loadu_si128((const __m128i*)(s + 8));
	__m128i d = _mm_loadu_si128((const __m128i*)(s + 12));
	__m128i any = _mm_or_si128(_mm_or_si128(a, b), _mm_or_si128(c, d));
	return _mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(any, _mm_set1_epi32(~0x7F)), _mm_setzero_si128())) == 0xFFFF;
}

QEL_FORCE_INLINE void Narrow16(byte* t, const wchar* s)
{
	__m128i w1 = _mm_packs_epi32(_mm_loadu_si128((const __m128i*)s), _mm_loadu_si128((const __m128i*)(s + 4)));
	__m128i w2 = _mm_packs_epi32(_mm_loadu_si128((const __m128i*)(s + 8)), _mm_loadu_si128((const __m128i*)(s + 12)));
	_mm_storeu_si128((__m128i*)t, _mm_packus_epi16(w1, w2));
}

QEL_FORCE_INLINE byte* Encode(byte* t, wchar c)
{
	if(c < 0x80)
		*t++ = c;
	else if(c < 0x800) {
		t[0] = 0xC0 | (c >> 6);
		t[1] = 0x80 | (c & 0x3F);
		t += 2;
	}
	else if(c < 0x10000) {
		if(IsUtfEscape(c))
			*t++ = byte(c);
		else {
			t[0] = 0xE0 | (c >> 12);
			t[1] = 0x80 | ((c >> 6) & 0x3F);
			t[2] = 0x80 | (c & 0x3F);
			t += 3;
		}
	}
	else if(c <= 0x10FFFF) {
		t[0] = 0xF0 | (c >> 18);
		t[1] = 0x80 | ((c >> 12) & 0x3F);
		t[2] = 0x80 | ((c >> 6) & 0x3F);
		t[3] = 0x80 | (c & 0x3F);
		t += 4;
	}
	return t;
}

} // namespace

int Utf8Len(const wchar* s, int len)
{
	// One byte per character, plus one for each of 0x7F, 0x7FF and 0xFFFF that it passes;
	// an escape is a single byte (two less), a value beyond U+10FFFF none (four less).
	const __m128i bias = _mm_set1_epi32(int(0x80000000));
	const __m128i t1 = _mm_set1_epi32(int(0x80000000 + 0x7F));
	const __m128i t2 = _mm_set1_epi32(int(0x80000000 + 0x7FF));
	const __m128i t3 = _mm_set1_epi32(int(0x80000000 + 0xFFFF));
	const __m128i t4 = _mm_set1_epi32(int(0x80000000 + 0x10FFFF));
	const __m128i high = _mm_set1_epi32(int(0xFFFFFF00));
	const __m128i esc = _mm_set1_epi32(int(UTF_ESCAPE));
	int n = 0;
	int i = 0;
	for(; i + 16 <= len; i += 16) {
		__m128i sum = _mm_setzero_si128();
		for(int k = 0; k < 16; k += 4) {
			__m128i c = _mm_loadu_si128((const __m128i*)(s + i + k));
			__m128i x = _mm_xor_si128(c, bias);
			sum = _mm_sub_epi32(sum, _mm_cmpgt_epi32(x, t1));
			sum = _mm_sub_epi32(sum, _mm_cmpgt_epi32(x, t2));
			sum = _mm_sub_epi32(sum, _mm_cmpgt_epi32(x, t3));
			__m128i e = _mm_cmpeq_epi32(_mm_and_si128(c, high), esc);
			sum = _mm_add_epi32(sum, _mm_add_epi32(e, e));
			sum = _mm_add_epi32(sum, _mm_slli_epi32(_mm_cmpgt_epi32(x, t4), 2));
		}
		sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, 0x4E));
		sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, 0xB1));
		n += 16 + _mm_cvtsi128_si32(sum);
	}
	for(; i < len; i++)
		n += Utf8Size(s[i]);
	return n;
}

char* detail::Utf32ToUtf8(char* tgt, const wchar* s, int len)
{
	byte* t = (byte*)tgt;
	const wchar* e = s + max(len, 0);
	while(e - s >= 16) {
		if(Ascii16(s)) {
			Narrow16(t, s);
			s += 16;
			t += 16;
		}
		else // a run that is not all ASCII goes the slow way before the next try
			for(const wchar* q = s + 16; s < q; s++)
				t = Encode(t, *s);
	}
	while(s < e)
		t = Encode(t, *s++);
	return (char*)t;
}

int Utf16Len(const wchar* s, int len)
{
	int n = 0;
	for(int i = 0; i < len; i++)
		n += s[i] < 0x10000 ? 1 : s[i] <= 0x10FFFF ? 2 : 0;
	return n;
}

char16* detail::Utf32ToUtf16(char16* t, const wchar* s, int len)
{
	for(int i = 0; i < len; i++) {
		wchar c = s[i];
		if(c < 0x10000)
			*t++ = char16(c);
		else if(c <= 0x10FFFF) {
			*t++ = char16(0xD800 + ((c - 0x10000) >> 10));
			*t++ = char16(0xDC00 + (c & 0x3FF));
		}
	}
	return t;
}

namespace {

QEL_FORCE_INLINE bool IsHiSurrogate(char16 u) { return u >= 0xD800 && u <= 0xDBFF; }
QEL_FORCE_INLINE bool IsLoSurrogate(char16 u) { return u >= 0xDC00 && u <= 0xDFFF; }

} // namespace

int Utf32Len(const char16* s, int len)
{
	int n = 0;
	for(int i = 0; i < len; i++, n++)
		if(IsHiSurrogate(s[i]) && i + 1 < len && IsLoSurrogate(s[i + 1]))
			i++;
	return n;
}

int detail::Utf16ToUtf32(wchar* t, const char16* s, int len)
{
	wchar* t0 = t;
	for(int i = 0; i < len; i++) {
		char16 u = s[i];
		if(IsHiSurrogate(u) && i + 1 < len && IsLoSurrogate(s[i + 1])) {
			*t++ = ((u & 0x3FF) << 10) + (s[i + 1] & 0x3FF) + 0x10000;
			i++;
		}
		else
			*t++ = u;
	}
	return int(t - t0);
}

WString ToUtf32(const char* s, int len)
{
	if(len <= 0)
		return WString();
	WStringBuffer b(len);
	b.SetLength(detail::Utf8ToUtf32(b.Begin(), s, len));
	return WString(b);
}

WString ToUtf32(const char* s)
{
	return ToUtf32(s, s ? (int)strlen(s) : 0);
}

WString ToUtf32(const char16* s, int len)
{
	if(len <= 0)
		return WString();
	WStringBuffer b(len);
	b.SetLength(detail::Utf16ToUtf32(b.Begin(), s, len));
	return WString(b);
}

} // namespace Qel

namespace Qel {

String ToUtf8(const wchar* s, int len)
{
	if(!s || len <= 0)
		return String();
	StringBuffer b(Utf8Len(s, len));
	detail::Utf32ToUtf8(b.Begin(), s, len);
	return String(b);
}

String ToUtf8(const wchar* s)
{
	return ToUtf8(s, WStrLen(s));
}

String ToUtf8(const WString& s)
{
	return ToUtf8(s.Begin(), s.GetLength());
}

String ToUtf8(wchar c)
{
	return ToUtf8(&c, 1);
}

WString ToUtf32(const String& s)
{
	return ToUtf32(s.Begin(), s.GetLength());
}

} // namespace Qel

namespace Qel {

Vector<char16> ToUtf16(const wchar* s, int len)
{
	Vector<char16> r;
	if(!s || len <= 0)
		return r;
	r.Reserve(len);
	r.SetCount(Utf16Len(s, len));
	detail::Utf32ToUtf16(r.begin(), s, len);
	return r;
}

Vector<char16> ToUtf16(const WString& s)
{
	return ToUtf16(s.Begin(), s.GetLength());
}

Vector<char16> ToUtf16(const char* s, int len)
{
	return ToUtf16(ToUtf32(s, len));
}

WString ToUtf32(const Vector<char16>& s)
{
	return ToUtf32(s.begin(), s.GetCount());
}

String ToUtf8(const char16* s, int len)
{
	return ToUtf8(ToUtf32(s, len));
}

} // namespace Qel
