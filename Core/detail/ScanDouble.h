// The double scanner's common path, inline for readers that scan many numbers in a row. Not
// installed: ScanDoubleText (FormatDouble.h) is the interface.
#pragma once

#include <Core/base/Defs.h>

namespace Qel::detail {

// Powers of ten that are exact as doubles.
extern const double ExactPowersOfTen[23];

// m * 10^e10 for what the single multiplication or division cannot give exactly.
double ScaleDecimal(uint64 m, int64 e10);

// More than 19 digits: the first 19 significant ones make the mantissa, the integer digits beyond
// them scale it and the fraction digits beyond them are dropped. fraction is null without one.
struct Decimal {
	uint64 m;
	int64  e10;
};
Decimal LongMantissa(const char* s, const char* fraction);

// Scans the unsigned number at s (no blanks or sign in front) into x; the position after it, or
// null when there is no number (x is then unspecified).
QEL_FORCE_INLINE const char* ScanUnsignedDouble(double& x, const char* s, int altsep, bool exponent)
{
	// The digits go into m as they come; past 19 of them m is no longer the mantissa and the
	// digits are read again.
	const char* b = s;
	uint64 m = 0;
	unsigned d;
	while((d = byte(*s - '0')) < 10) {
		m = m * 10 + d;
		s++;
	}
	size_t n = s - b;
	const char* f = nullptr;
	int64 e10 = 0;
	if(*s == '.' || (*s == altsep && altsep)) {
		f = ++s;
		while((d = byte(*s - '0')) < 10) {
			m = m * 10 + d;
			s++;
		}
		e10 = f - s;
		n += s - f;
	}
	if(QEL_UNLIKELY(n - 1 >= 19)) {
		if(n == 0)
			return nullptr;
		Decimal v = LongMantissa(b, f); // by value: m and e10 stay in registers
		m = v.m;
		e10 = v.e10;
	}
	if(exponent && (*s | 0x20) == 'e') {
		s++;
		if(*s == '+')
			s++;
		bool eneg = *s == '-';
		s += eneg;
		while(byte(*s - 1) < 32) // blanks and controls
			s++;
		if(byte(*s - '0') >= 10)
			return nullptr;
		int64 ex = 0;
		while((d = byte(*s - '0')) < 10) {
			if(ex < 100000000) // far beyond any double; keeps the sum from overflowing
				ex = ex * 10 + d;
			s++;
		}
		e10 += eneg ? -ex : ex;
	}
	// Both m and the power of ten exact as doubles: one multiplication or division rounds
	// correctly, which covers most texts written by people and by printf.
	if(QEL_LIKELY(m <= (1ull << 53) && uint64(e10 + 22) <= 44))
		x = e10 < 0 ? double(m) / ExactPowersOfTen[-e10] : double(m) * ExactPowersOfTen[e10];
	else
		x = ScaleDecimal(m, e10);
	return s;
}

} // namespace Qel::detail
