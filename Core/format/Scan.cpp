#include "Scan.h"
#include "Format.h"
#include <Core/text/FormatDouble.h>
#include <Core/value/Value.h>

#include <cmath>


namespace Qel {

namespace {

// Value of a digit in bases up to 36; 255 for anything that is no digit.
struct sDigitTable {
	byte v[256];
	constexpr sDigitTable() : v()
	{
		for(int i = 0; i < 256; i++)
			v[i] = 255;
		for(int i = 0; i < 10; i++)
			v['0' + i] = byte(i);
		for(int i = 0; i < 26; i++)
			v['A' + i] = v['a' + i] = byte(10 + i);
	}
};

constexpr sDigitTable sDigits;

QEL_FORCE_INLINE unsigned sDigit(const char* s)
{
	return sDigits.v[(byte)*s];
}

QEL_FORCE_INLINE bool sIsBlank(char c)
{
	return (byte)c - 1u < 32u; // 1..32; the terminator is never blank
}

QEL_FORCE_INLINE unsigned sDec(const char* s)
{
	return (unsigned)((byte)*s - '0');
}

// Accumulates a run of decimal digits (the first is known to be one) into m; false when the
// magnitude needs more than bits bits. Leading zeros are skipped, so the digit count bounds it.
template <int bits>
QEL_FORCE_INLINE bool sDecimal(const char*& s, uint64& m)
{
	while(*s == '0')
		s++;
	constexpr int safe = bits == 32 ? 9 : 19; // this many digits always fit
	uint64 v = 0;
	unsigned d;
	int n = 0;
	while((d = sDec(s)) < 10 && n < safe) {
		v = v * 10 + d;
		s++;
		n++;
	}
	if(d < 10) {
		if(bits == 32) {
			v = v * 10 + d;
			s++;
			if(v > 0xFFFFFFFFu || sDec(s) < 10)
				return false;
		}
		else {
			if(v > (UINT64_MAX - d) / 10)
				return false;
			v = v * 10 + d;
			s++;
			if(sDec(s) < 10)
				return false;
		}
	}
	m = v;
	return true;
}

template <class T>
T sScanUnsigned(const char* s, const char** endptr, int base)
{
	unsigned d = sDigit(s);
	if(base <= 0 || d >= (unsigned)base) {
		if(endptr)
			*endptr = s;
		return T(~T(0));
	}
	T v = 0;
	for(;;) {
		if(__builtin_mul_overflow(v, (T)base, &v) || __builtin_add_overflow(v, (T)d, &v))
			return T(~T(0));
		d = sDigit(++s);
		if(d >= (unsigned)base)
			break;
	}
	if(endptr)
		*endptr = s;
	return v;
}

template <class T, class U>
T sScanDecimal(const char* s)
{
	while(sIsBlank(*s))
		s++;
	if(*s == '+')
		s++;
	bool neg = false;
	if(*s == '-') {
		neg = true;
		s++;
	}
	while(sIsBlank(*s))
		s++;
	if(sDec(s) >= 10)
		return T(U(1) << (sizeof(U) * 8 - 1));
	uint64 m;
	if(!sDecimal<sizeof(U) * 8>(s, m))
		return T(U(1) << (sizeof(U) * 8 - 1));
	U lim = U(1) << (sizeof(U) * 8 - 1); // magnitude of the type's minimum
	if(neg ? m > lim : m >= lim)
		return T(lim);
	return neg ? T(U(0) - U(m)) : T(m);
}

} // namespace

dword ScanUint(const char* s, const char** endptr, int base)
{
	return sScanUnsigned<dword>(s, endptr, base);
}

uint64 ScanUint64(const char* s, const char** endptr, int base)
{
	return sScanUnsigned<uint64>(s, endptr, base);
}

int ScanInt(const char* s, const char** endptr, int base)
{
	while(sIsBlank(*s))
		s++;
	bool neg = false;
	if(*s == '+' || *s == '-')
		neg = *s++ == '-';
	unsigned d = sDigit(s);
	if(base <= 0 || d >= (unsigned)base) {
		if(endptr)
			*endptr = s;
		return INT_NULL;
	}
	uint64 m = 0;
	do {
		m = m * (unsigned)base + d;
		if(m > 0xFFFFFFFFu)
			return INT_NULL;
		d = sDigit(++s);
	}
	while(d < (unsigned)base);
	if(endptr)
		*endptr = s;
	if(m == 0xFFFFFFFFu)
		return INT_NULL;
	dword r = neg ? 0u - (dword)m : (dword)m;
	return (int)r;
}

int ScanInt(const char* s)
{
	return sScanDecimal<int, dword>(s);
}

int64 ScanInt64(const char* s)
{
	return sScanDecimal<int64, uint64>(s);
}

Value ScanDoubleValue(const char* s)
{
	if(!s || !*s)
		return Value(-HUGE_VAL);
	const char* e = s;
	double d = ScanDouble(s, &e);
	if(std::isfinite(d)) {
		while(sIsBlank(*e))
			e++;
		if(!*e)
			return Value(d);
	}
	return ErrorValue(detail::FormatTranslate("Invalid number !"));
}

} // namespace Qel
