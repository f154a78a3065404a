// ScanDoubleText on arbitrary text: no crash, and where strtod reads the same span, the same value
// up to the last bit when at most 19 significant digits take part (one more unit otherwise).
#include <Core/text/FormatDouble.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace Qel;

namespace {

int64 Ordered(double x)
{
	int64 b;
	memcpy(&b, &x, 8);
	return b < 0 ? INT64_MIN - b : b;
}

int SignificantDigits(const char* s, const char* e)
{
	int n = 0;
	bool lead = true;
	for(; s < e && *s != 'e' && *s != 'E'; s++)
		if(*s >= '0' && *s <= '9') {
			lead = lead && *s == '0';
			n += !lead;
		}
	return n;
}

// True when the text's decimal exponent, after dropping the fraction's trailing zeros, lies in
// 0..27 with at most 19 significant digits: then the scanner's scaling is exact.
bool ExactScaling(const char* s, const char* e)
{
	const char* x = s;
	while(x < e && *x != 'e' && *x != 'E')
		x++;
	if(x < e)
		return false; // an explicit exponent: leave it to the one-unit bound
	const char* dot = nullptr;
	for(const char* p = s; p < x; p++)
		if(*p == '.')
			dot = p;
	if(!dot)
		return true;
	for(const char* p = dot + 1; p < x; p++)
		if(*p != '0')
			return false;
	return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	std::string text((const char*)data, size);
	const char* s = text.c_str();
	double x = 0;
	const char* e = ScanDoubleText(&x, s, ',', true);
	if(!e)
		return 0;
	if(e < s || e > s + text.size())
		abort();
	const char* t = s;
	while(*t == ' ' || *t == '\t')
		t++;
	if(t[0] == '-' || t[0] == '+')
		t++;
	if(strchr(std::string(s, e).c_str(), ',') || *t <= ' ')
		return 0; // forms strtod does not read
	char* se;
	double y = strtod(s, &se);
	if(se != e)
		return 0;
	int64 d = Ordered(x) - Ordered(y);
	if(d < 0)
		d = -d;
	// Scaling by a power of ten outside 10^0..10^27 multiplies by a truncated table entry, so the
	// last bit may differ there; inside it, and for up to 19 digits, the result is exact.
	if(d > 1 || (d == 1 && SignificantDigits(s, e) <= 19 && ExactScaling(s, e)))
		abort();
	return 0;
}
