#include "FormatDouble.h"
#include "FormatInt.h"
#include <Core/detail/ScanDouble.h>
#include "String.h"

#include <cmath>
#include <limits>

namespace Qel {

namespace {

using u128 = unsigned __int128;

constexpr uint64 Pow10U64[19] = {
	1ull, 10ull, 100ull, 1000ull, 10000ull, 100000ull, 1000000ull, 10000000ull, 100000000ull,
	1000000000ull, 10000000000ull, 100000000000ull, 1000000000000ull, 10000000000000ull,
	100000000000000ull, 1000000000000000ull, 10000000000000000ull, 100000000000000000ull,
	1000000000000000000ull,
};

// P * 2^(e - 128) with 2^127 <= P < 2^128.
struct Scaled {
	uint64 hi;
	uint64 lo;
	int    e;
};

// m * 2^(e2 - 64) * 10^p, from the upper 128 bits of the 192-bit product with the table entry.
QEL_FORCE_INLINE Scaled Scale(uint64 m, int e2, int p)
{
	const detail::PowerOfTen& t = detail::PowersOfTen[p + 350];
	u128 P = u128(m) * t.hi + ((u128(m) * t.lo) >> 64);
	int e = t.b + e2;
	if(!(P >> 127)) {
		P <<= 1;
		e--;
	}
	return { uint64(P >> 64), uint64(P), e };
}

// Rounds the scaled value to an integer, half to even with the low word as sticky bits.
// False when the integer would not fit in 63 bits (the caller scales by one power less).
QEL_FORCE_INLINE bool RoundScaled(const Scaled& s, uint64& n)
{
	if(s.e <= 0) {
		n = s.e == 0 && (s.hi > 0x8000000000000000ull || (s.hi == 0x8000000000000000ull && s.lo));
		return true;
	}
	if(s.e >= 64)
		return false;
	int sh = 64 - s.e;
	n = s.hi >> sh;
	uint64 rest = s.hi & ((1ull << sh) - 1);
	uint64 half = 1ull << (sh - 1);
	n += rest > half || (rest == half && (s.lo || (n & 1)));
	return true;
}

// The table's negative powers of ten are truncated, so a value lying exactly halfway between two
// digit strings scales a hair low and rounds down. True when d is exactly (N + 1/2) * 10^q: then
// the tie goes to the even neighbour. A double carries at most 53 significant bits, so only
// q <= 22 (5^q below 2^53) can give such a value.
bool IsHalfAbove(const DecomposedDouble& d, uint64 N, int q)
{
	int tz = __builtin_ctzll(d.m);
	if(q > 22 || N >= (1ull << 62) || d.e2 - 64 + tz != q - 1) // the value is odd * 2^(q - 1)
		return false;
	u128 odd = 2 * N + 1;
	for(int i = 0; i < q; i++)
		odd *= 5;
	return u128(d.m >> tz) == odd;
}

QEL_FORCE_INLINE bool SignBit(double x)
{
	return std::signbit(x);
}

char* PutSpecial(char* t, double x, dword flags)
{
	if(flags & DF_SPECIALS) {
		if(SignBit(x))
			*t++ = '-';
		std::memcpy(t, std::isnan(x) ? "nan" : "inf", 3);
		t += 3;
	}
	return t;
}

QEL_FORCE_INLINE char* PutSign(char* t, double x, dword flags)
{
	if(SignBit(x)) {
		if(x != 0 || (flags & DF_MINUS_ZERO))
			*t++ = '-';
	}
	else if(flags & DF_SIGN_PLUS)
		*t++ = '+';
	else if(flags & DF_SIGN_SPACE)
		*t++ = ' ';
	return t;
}

QEL_FORCE_INLINE char* PutZeros(char* t, int n)
{
	if(n > 0) {
		std::memset(t, '0', n);
		t += n;
	}
	return t;
}

QEL_FORCE_INLINE char* PutText(char* t, const char* s, int n)
{
	std::memcpy(t, s, n);
	return t + n;
}

char* PutExponent(char* t, int x, dword flags)
{
	*t++ = flags & DF_CAPITAL_E ? 'E' : 'e';
	if(x < 0) {
		*t++ = '-';
		x = -x;
	}
	else if(flags & DF_EXP_SIGN)
		*t++ = '+';
	if(x < 10 && (flags & DF_SHORT_EXP))
		*t++ = char('0' + x);
	else if(x < 100) {
		detail::PutDigitPair(t, x);
		t += 2;
	}
	else
		t += FormatUnsignedDigits(x, t);
	return t;
}

// Digits kept after dropping trailing zeros, never fewer than lim.
QEL_FORCE_INLINE int TrimZeros(const char* dg, int n, int lim)
{
	while(n > lim && dg[n - 1] == '0')
		n--;
	return n;
}

// The plain general form: d significant digits, fixed text for exponents -7 ... d - 1.
char* FormatGeneral(char* t, double x, int d)
{
	if(x == 0) {
		*t++ = '0';
		return t;
	}
	if(SignBit(x))
		*t++ = '-';
	char dg[20];
	int r = DoubleToDigits(DecomposeDouble(x), dg, d);
	int X = r + d - 1;
	if(X >= -7 && X <= d - 1) {
		int q = r + d;
		int lim = max(q, 0);
		if(q <= 0)
			*t++ = '0';
		else
			t = PutText(t, dg, q);
		int e = TrimZeros(dg, d, lim);
		if(e > lim) {
			*t++ = '.';
			t = PutZeros(t, -q);
			t = PutText(t, dg + lim, e - lim);
		}
		return t;
	}
	*t++ = dg[0];
	int e = TrimZeros(dg, d, 1);
	if(e > 1) {
		*t++ = '.';
		t = PutText(t, dg + 1, e - 1);
	}
	*t++ = 'e';
	if(X < 0) {
		*t++ = '-';
		X = -X;
	}
	return t + FormatUnsignedDigits(X, t);
}

char* FormatFlagged(char* t, double x, int digits, dword flags)
{
	if(!std::isfinite(x))
		return PutSpecial(t, x, flags);
	t = PutSign(t, x, flags);
	int n = clamp(digits, 1, 18);
	char sep = flags & DF_COMMA ? ',' : '.';
	if(x == 0) {
		*t++ = '0';
		// with both, zero keeps its digits as any other number does ("0.00000" for six)
		if((flags & DF_ALWAYS_POINT) && (flags & DF_KEEP_ZEROS)) {
			*t++ = sep;
			t = PutZeros(t, n - 1);
		}
		return t;
	}
	char dg[20];
	int r = DoubleToDigits(DecomposeDouble(x), dg, n);
	int q = r + n;
	bool keep = flags & DF_KEEP_ZEROS;
	if(r > 0 || q < -int((flags >> 16) & 15)) {
		*t++ = dg[0];
		int e = keep ? n : TrimZeros(dg, n, 1);
		if(e > 1) {
			*t++ = sep;
			t = PutText(t, dg + 1, e - 1);
		}
		else if(flags & DF_ALWAYS_POINT)
			*t++ = sep;
		return PutExponent(t, q - 1, flags);
	}
	int lim = max(q, 0);
	if(q <= 0)
		*t++ = '0';
	else
		t = PutText(t, dg, q);
	int e = keep ? n : TrimZeros(dg, n, lim);
	if(e > lim) {
		*t++ = sep;
		t = PutZeros(t, -q);
		t = PutText(t, dg + lim, e - lim);
	}
	else if(flags & DF_ALWAYS_POINT)
		*t++ = sep;
	return t;
}

} // namespace

DecomposedDouble DecomposeDouble(double x)
{
	uint64 bits;
	std::memcpy(&bits, &x, 8);
	int b = int(bits >> 52) & 0x7ff;
	uint64 f = bits & 0xfffffffffffffull;
	DecomposedDouble d;
	if(b) {
		d.m = (f << 11) | 0x8000000000000000ull;
		d.e2 = b - 1022;
	}
	else {
		uint64 s = f << 12;
		int z = __builtin_clzll(s);
		d.m = s << z;
		d.e2 = -1022 - z;
	}
	return d;
}

int DoubleToDigits(const DecomposedDouble& d, char* out, int n)
{
	n = clamp(n, 1, 18);
	int p = n - ((d.e2 * 19728) >> 16);
	uint64 N;
	for(;;) {
		if(RoundScaled(Scale(d.m, d.e2, p), N)) {
			if(p < 0 && (N & 1) && IsHalfAbove(d, N, -p))
				N++;
			if(N < Pow10U64[n])
				break;
		}
		p--;
	}
	detail::PutDigitsFixed64(out, N, n);
	return -p;
}

char* FormatDoubleGBuffer(char* t, double x)
{
	if(!std::isfinite(x))
		return PutSpecial(t, x, DF_SPECIALS);
	return FormatGeneral(t, x, 15);
}

char* FormatDoubleBuffer(char* t, double x, int digits, dword flags)
{
	if(flags & DF_FIXED)
		return FormatDoubleFixBuffer(t, digits, flags, x);
	if(flags & DF_EXPONENT)
		return FormatDoubleExpBuffer(t, x, digits, flags);
	return FormatFlagged(t, x, digits, flags);
}

char* FormatDoubleExpBuffer(char* t, double x, int precision, dword flags)
{
	if(!std::isfinite(x))
		return PutSpecial(t, x, flags);
	t = PutSign(t, x, flags);
	char sep = flags & DF_COMMA ? ',' : '.';
	if(x == 0) {
		*t++ = '0';
		if(precision > 0) {
			*t++ = sep;
			t = PutZeros(t, precision);
		}
		*t++ = flags & DF_CAPITAL_E ? 'E' : 'e';
		if(flags & DF_EXP_SIGN)
			*t++ = '+';
		*t++ = '0';
		if(!(flags & DF_SHORT_EXP))
			*t++ = '0';
		return t;
	}
	int n = clamp(precision + 1, 1, 18);
	char dg[20];
	int r = DoubleToDigits(DecomposeDouble(x), dg, n);
	*t++ = dg[0];
	if(precision >= 1) {
		*t++ = sep;
		t = PutText(t, dg + 1, n - 1);
		t = PutZeros(t, precision - 17);
	}
	return PutExponent(t, n + r - 1, flags);
}

char* FormatDoubleFixBuffer(char* t, int decimals, dword flags, double x)
{
	if(!std::isfinite(x))
		return PutSpecial(t, x, flags);
	int D = max(decimals, 0);
	char sep = flags & DF_COMMA ? ',' : '.';
	t = PutSign(t, x, flags);
	if(x == 0) {
		*t++ = '0';
		if(D > 0) {
			*t++ = sep;
			t = PutZeros(t, D);
		}
		else if(flags & DF_ALWAYS_POINT)
			*t++ = sep;
	}
	else {
		int Dp = min(D, 18);
		DecomposedDouble d = DecomposeDouble(x);
		uint64 N;
		if(RoundScaled(Scale(d.m, d.e2, Dp), N) && N < Pow10U64[18]) {
			char dg[20];
			int c = FormatUnsigned64Digits(N, dg);
			if(Dp >= c) {
				*t++ = '0';
				*t++ = sep;
				t = PutZeros(t, Dp - c);
				t = PutText(t, dg, c);
			}
			else {
				t = PutText(t, dg, c - Dp);
				if(D > 0) {
					*t++ = sep;
					t = PutText(t, dg + c - Dp, Dp);
				}
			}
		}
		else { // |x| * 10^Dp >= 10^18: 18 significant digits, zeros below them
			char dg[20];
			int r = DoubleToDigits(d, dg, 18);
			if(r < 0) {
				t = PutText(t, dg, 18 + r);
				*t++ = sep;
				t = PutText(t, dg + 18 + r, -r);
				t = PutZeros(t, Dp + r);
			}
			else {
				t = PutText(t, dg, 18);
				t = PutZeros(t, r);
				if(D > 0)
					*t++ = sep;
				t = PutZeros(t, Dp);
			}
		}
		t = PutZeros(t, D - Dp);
		if(D == 0 && (flags & DF_ALWAYS_POINT))
			*t++ = sep;
	}
	if(D > 0 && !(flags & DF_KEEP_ZEROS)) {
		while(t[-1] == '0')
			t--;
		if(t[-1] == sep)
			t--;
	}
	return t;
}

namespace {

QEL_FORCE_INLINE bool IsDigit(byte c)
{
	return byte(c - '0') < 10;
}

QEL_FORCE_INLINE bool IsBlank(byte c)
{
	return c >= 1 && c <= 32;
}

QEL_FORCE_INLINE uint32 FourDigits(const char* s)
{
	return uint32(s[0] - '0') * 1000 + uint32(s[1] - '0') * 100 + uint32(s[2] - '0') * 10 + uint32(s[3] - '0');
}

// Takes digits into m while it has room for them (18 or 19 significant digits); counts the stored
// digits and the dropped ones.
QEL_FORCE_INLINE const char* Accumulate(const char* s, uint64& m, int64& stored, int64& dropped)
{
	const char* b = s;
	while(m <= 999999999999999ull && IsDigit(s[0]) && IsDigit(s[1]) && IsDigit(s[2]) && IsDigit(s[3])) {
		m = m * 10000 + FourDigits(s);
		s += 4;
	}
	while(m < 1000000000000000000ull && IsDigit(*s))
		m = m * 10 + uint32(*s++ - '0');
	stored += s - b;
	b = s;
	while(IsDigit(*s))
		s++;
	dropped += s - b;
	return s;
}

} // namespace

detail::Decimal detail::LongMantissa(const char* s, const char* fraction)
{
	int64 stored = 0, dropped = 0;
	uint64 m = 0;
	Accumulate(s, m, stored, dropped);
	int64 e10 = dropped;
	if(fraction) {
		stored = dropped = 0;
		Accumulate(fraction, m, stored, dropped);
		e10 -= stored;
	}
	return { m, e10 };
}

const double detail::ExactPowersOfTen[23] = { 1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11,
                                             1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22 };

// The values the single multiplication or division cannot give exactly.
double detail::ScaleDecimal(uint64 m, int64 e10)
{
	if(m == 0)
		return 0;
	// Trailing zeros of the fraction ("2.50", "9999999999999999.0") would send an exact value
	// through the approximate scaling by a negative power; dropping them keeps it exact.
	while(e10 < 0 && m % 10 == 0) {
		m /= 10;
		e10++;
	}
	if(e10 == 0)
		return double(m);
	if(e10 > 350) // m >= 1, so at least 1e351
		return std::numeric_limits<double>::infinity();
	if(e10 < -350) // m < 2^64, so below 2e-331
		return 0;
	int sh = __builtin_clzll(m);
	Scaled s = Scale(m << sh, 64 - sh, int(e10));
	uint64 bits;
	if(s.e > -1022) {
		uint64 v = s.hi >> 11;
		uint64 rest = s.hi & 0x7ff;
		int e = s.e;
		v += rest > 0x400 || (rest == 0x400 && ((v & 1) || s.lo));
		if(v >> 53) {
			v = 1ull << 52;
			e++;
		}
		if(e + 1022 >= 2047)
			return std::numeric_limits<double>::infinity();
		bits = (uint64(e + 1022) << 52) | (v & 0xfffffffffffffull);
	}
	else { // subnormal, rounded half to even like the normal range (a carry gives the smallest normal)
		int shift = -1010 - s.e;
		if(shift > 64)
			return 0;
		uint64 v = shift == 64 ? 0 : s.hi >> shift;
		uint64 rest = shift == 64 ? s.hi : s.hi & ((1ull << shift) - 1);
		uint64 half = 1ull << (shift - 1);
		v += rest > half || (rest == half && ((v & 1) || s.lo));
		bits = v;
	}
	double x;
	std::memcpy(&x, &bits, 8);
	return x;
}

const char* ScanDoubleText(double* out, const char* s, int altsep, bool exponent)
{
	while(IsBlank(*s))
		s++;
	bool neg = false;
	if(*s == '+')
		s++;
	else if(*s == '-') {
		neg = true;
		s++;
	}
	while(IsBlank(*s))
		s++;
	double x;
	s = detail::ScanUnsignedDouble(x, s, altsep, exponent);
	if(s)
		*out = neg ? -x : x;
	return s;
}

double ScanDouble(const char* text, const char** end)
{
	double x;
	const char* e = ScanDoubleText(&x, text, ',', true);
	if(!e)
		return -std::numeric_limits<double>::infinity();
	if(end)
		*end = e;
	return x;
}

double ScanDouble(const char* text)
{
	return ScanDouble(text, nullptr);
}

float ScanFloat(const char* text)
{
	double x;
	if(!ScanDoubleText(&x, text, ',', true))
		return -std::numeric_limits<float>::infinity();
	return float(x);
}

String FormatDouble(double x)
{
	if(!std::isfinite(x))
		return String();
	char h[32];
	return String(h, FormatGeneral(h, x, 15));
}

String FormatDoubleG(double x)
{
	char h[32];
	return String(h, FormatDoubleGBuffer(h, x));
}

String FormatFloat(float x)
{
	if(!std::isfinite(x))
		return String();
	char h[32];
	return String(h, FormatGeneral(h, x, 7));
}

namespace {

// Texts with many decimals are built in a buffer sized for them.
template <class F>
String FormatSized(int decimals, F f)
{
	if(decimals <= 18) {
		char h[512];
		return String(h, f(h));
	}
	StringBuffer b(512 + decimals);
	char* p = b.Begin();
	b.SetLength(int(f(p) - p));
	return String(b);
}

} // namespace

String FormatDouble(double x, int digits, dword flags)
{
	if(!(flags & (DF_FIXED | DF_EXPONENT)))
		digits = clamp(digits, 1, 18);
	return FormatSized(digits, [&](char* h) { return FormatDoubleBuffer(h, x, digits, flags); });
}

String FormatDoubleFix(double x, int decimals, dword flags)
{
	decimals = max(decimals, 0);
	return FormatSized(decimals, [&](char* h) { return FormatDoubleFixBuffer(h, decimals, flags, x); });
}

} // namespace Qel
