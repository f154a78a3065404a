// Text of integers: decimal digits, any base with fill and sign, alphabetic and roman numbering,
// dates by letter pattern, and printf-style formatting.
#pragma once

#include <Core/base/Defs.h>

#include <cstdarg>

namespace Qel {

class String;

namespace detail {
extern const char DigitPairs[201]; // "00" "01" ... "99"

QEL_FORCE_INLINE void PutDigitPair(char* p, uint32 v)
{
	std::memcpy(p, DigitPairs + 2 * v, 2);
}

QEL_FORCE_INLINE void PutDigits4(char* p, uint32 v)
{
	PutDigitPair(p, v / 100);
	PutDigitPair(p + 2, v % 100);
}

QEL_FORCE_INLINE void PutDigits8(char* p, uint32 v)
{
	PutDigits4(p, v / 10000);
	PutDigits4(p + 4, v % 10000);
}

// Writes v as exactly n digits (1 <= n <= 10), zero-padded on the left.
QEL_FORCE_INLINE void PutDigitsFixed(char* p, uint32 v, int n)
{
	switch(n) {
	case 1: *p = char('0' + v); break;
	case 2: PutDigitPair(p, v); break;
	case 3: *p = char('0' + v / 100); PutDigitPair(p + 1, v % 100); break;
	case 4: PutDigits4(p, v); break;
	case 5: *p = char('0' + v / 10000); PutDigits4(p + 1, v % 10000); break;
	case 6: PutDigitPair(p, v / 10000); PutDigits4(p + 2, v % 10000); break;
	case 7: *p = char('0' + v / 1000000); PutDigitPair(p + 1, v / 10000 % 100); PutDigits4(p + 3, v % 10000); break;
	case 8: PutDigits8(p, v); break;
	case 9: *p = char('0' + v / 100000000); PutDigits8(p + 1, v % 100000000); break;
	default: PutDigitPair(p, v / 100000000); PutDigits8(p + 2, v % 100000000); break;
	}
}

// Writes v as exactly n digits (1 <= n <= 18), zero-padded on the left.
QEL_FORCE_INLINE void PutDigitsFixed64(char* p, uint64 v, int n)
{
	if(n > 16) {
		uint64 low = v % 10000000000000000ull;
		PutDigitsFixed(p, uint32(v / 10000000000000000ull), n - 16);
		p += n - 16;
		PutDigits8(p, uint32(low / 100000000));
		PutDigits8(p + 8, uint32(low % 100000000));
	}
	else if(n > 8) {
		PutDigitsFixed(p, uint32(v / 100000000), n - 8);
		PutDigits8(p + n - 8, uint32(v % 100000000));
	}
	else
		PutDigitsFixed(p, uint32(v), n);
}
} // namespace detail

// Decimal digits without terminator; return the count (1 to 10, 1 to 20).
int FormatUnsignedDigits(dword value, char* out);

// Writes the decimal digits of v, with a '-' when negative; returns the position after them.
inline char* PutDecimal(char* out, int v)
{
	if(v < 0)
		*out++ = '-';
	return out + FormatUnsignedDigits(v < 0 ? 0u - (dword)v : (dword)v, out);
}
int FormatUnsigned64Digits(uint64 value, char* out);

String FormatInt64(int64 value);
String FormatIntBase(int64 value, int base, int width = 0, int fill = ' ', int sign = 0, bool upper = false);
String FormatAlpha(int value, bool upper = true);
String FormatRoman(int value, bool upper = true);
String VSprintf(const char* format, va_list args);

} // namespace Qel
