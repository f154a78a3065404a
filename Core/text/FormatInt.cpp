#include "FormatInt.h"
#include "String.h"

#include <cstdio>

namespace Qel {

namespace detail {
const char DigitPairs[201] =
	"00010203040506070809101112131415161718192021222324252627282930313233343536373839"
	"40414243444546474849505152535455565758596061626364656667686970717273747576777879"
	"8081828384858687888990919293949596979899";
} // namespace detail

using detail::PutDigits8;
using detail::PutDigitsFixed;

int FormatUnsignedDigits(dword v, char* out)
{
	int n = v <= 9 ? 1 : v <= 99 ? 2 : v <= 999 ? 3 : v <= 9999 ? 4 : v <= 99999 ? 5
	      : v <= 999999 ? 6 : v <= 9999999 ? 7 : v <= 99999999 ? 8 : v <= 999999999 ? 9 : 10;
	PutDigitsFixed(out, v, n);
	return n;
}

int FormatUnsigned64Digits(uint64 v, char* out)
{
	if(v <= 0xffffffffu)
		return FormatUnsignedDigits(dword(v), out);
	if(v <= 99999999999999999ull) {
		int n = FormatUnsignedDigits(dword(v / 100000000), out);
		PutDigits8(out + n, dword(v % 100000000));
		return n + 8;
	}
	uint64 low = v % 10000000000000000ull;
	int n = FormatUnsignedDigits(dword(v / 10000000000000000ull), out);
	PutDigits8(out + n, dword(low / 100000000));
	PutDigits8(out + n + 8, dword(low % 100000000));
	return n + 16;
}

String FormatInt64(int64 value)
{
	if(value == INT64_NULL)
		return String();
	char h[24];
	char* t = h;
	if(value < 0)
		*t++ = '-';
	t += FormatUnsigned64Digits(value < 0 ? 0 - uint64(value) : uint64(value), t);
	return String(h, t);
}

String FormatIntBase(int64 value, int base, int width, int fill, int sign, bool upper)
{
	if(base < 2 || base > 36)
		return "<invalid base>";
	const char* alphabet = upper ? "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ" : "0123456789abcdefghijklmnopqrstuvwxyz";
	char h[160];
	char* end = h + sizeof(h);
	char* t = end;
	char sgn = 0;
	uint64 u = uint64(value);
	bool null = sign >= 0 && value == INT64_NULL; // no digits and no sign
	if(sign >= 0 && !null) {
		if(value < 0) {
			sgn = '-';
			u = 0 - u;
		}
		else if(sign > 0)
			sgn = '+';
	}
	if(!null)
		do
			*--t = alphabet[u % base];
		while(u /= base);
	int limit = min(width, 65);
	if(fill == '0') {
		while(end - t < limit)
			*--t = '0';
		if(sgn)
			*--t = sgn;
	}
	else {
		if(sgn)
			*--t = sgn;
		while(end - t < limit)
			*--t = char(fill);
	}
	String r;
	int len = int(end - t);
	if(width > 65 && width > len - (fill == '0' && sgn))
		r.Cat(fill, width - len + (fill == '0' && sgn));
	r.Cat(t, len);
	return r;
}

String FormatAlpha(int n, bool upper)
{
	if(n == 0 || n == INT_NULL)
		return String();
	char h[16];
	char* t = h + sizeof(h);
	bool neg = n < 0;
	if(neg)
		n = -n;
	const char* letters = upper ? "ZABCDEFGHIJKLMNOPQRSTUVWXYZ" : "zabcdefghijklmnopqrstuvwxyz";
	for(;;) {
		*--t = letters[n % 26];
		bool more = n > 26;
		n = (n - 1) / 26;
		if(!more)
			break;
	}
	if(neg)
		*--t = '-';
	return String(t, h + sizeof(h));
}

String FormatRoman(int n, bool upper)
{
	if(n == 0 || n == INT_NULL)
		return String();
	String r;
	if(n < 0) {
		r.Cat('-');
		n = -n;
	}
	int lower = upper ? 0 : 32;
	if(n >= 1000) {
		r.Cat('M' + lower, n / 1000);
		n %= 1000;
	}
	static const char letter[] = "MDCLXVI";
	static const int  value[] = { 1000, 500, 100, 50, 10, 5, 1 };
	for(int i = 0; i < 7; i++) {
		while(n >= value[i]) {
			r.Cat(letter[i] + lower);
			n -= value[i];
		}
		if(i < 6) {
			int u = i < 2 ? 2 : i < 4 ? 4 : 6; // the subtractive unit: C, X or I
			if(n >= value[i] - value[u]) {
				r.Cat(letter[u] + lower);
				r.Cat(letter[i] + lower);
				n -= value[i] - value[u];
			}
		}
	}
	return r;
}

// VSprintf lives with Format (Format.cpp).

} // namespace Qel
