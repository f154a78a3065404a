// ScanDoubleText on arbitrary text: no crash, and where strtod reads the same span, the same value
// up to the last bit when at most 19 significant digits take part (one more unit otherwise).
#include <Core/FormatDouble.h>

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
	if(d > (SignificantDigits(s, e) <= 19 ? 0 : 1))
		abort();
	return 0;
}
