// Every double form on random bit patterns, digit counts and flags: no overrun, and the texts
// read back: 17 digits exactly, the fixed form (below 18 digits) as snprintf writes it.
#include <Core/text/FormatDouble.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace Qel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	if(size < 14)
		return 0;
	double x;
	memcpy(&x, data, 8);
	dword flags;
	memcpy(&flags, data + 8, 4);
	flags &= ~(DF_COMMA | DF_SIGN_SPACE | DF_SIGN_PLUS);
	int digits = int8_t(data[12]) % 40;
	int decimals = data[13] % 60;

	static char h[1024];
	char* e = FormatDoubleBuffer(h, x, digits, flags & ~DF_FIXED & ~DF_EXPONENT);
	if(e < h || e > h + 600)
		abort();
	e = FormatDoubleExpBuffer(h, x, decimals, flags);
	if(e > h + 600)
		abort();
	e = FormatDoubleFixBuffer(h, decimals, flags, x);
	if(e > h + sizeof(h))
		abort();
	e = FormatDoubleGBuffer(h, x);
	*e = 0;
	if(!std::isfinite(x))
		return 0;
	e = FormatDoubleExpBuffer(h, x, 16, 0);
	*e = 0;
	double y;
	if(!ScanDoubleText(&y, h, 0, true) || (x == 0 ? y != 0 : memcmp(&x, &y, 8) != 0))
		abort();
	int dec = decimals % 19;
	if(std::fabs(x) * std::pow(10.0, dec) < 1e17) { // beyond 18 digits the form writes zeros
		e = FormatDoubleFixBuffer(h, dec, DF_KEEP_ZEROS | DF_MINUS_ZERO, x);
		*e = 0;
		char r[400];
		snprintf(r, sizeof(r), "%.*f", dec, x);
		if(strcmp(h, r))
			abort();
	}
	return 0;
}
