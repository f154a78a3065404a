#include "FormatInt.h"

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

} // namespace Qel
