// The integer scanners, ScanDoubleValue and ConvertDouble::Scan on arbitrary text.
#include <Core/Core.h>

#include <cfloat>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace Qel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	std::string s((const char*)data, size);
	const char* t = s.c_str();
	const char* e = t; // an overflow leaves the end untouched
	int base = size ? 2 + data[0] % 35 : 10;
	ScanUint(t, &e, base);
	ScanUint64(t, &e, base);
	ScanInt(t, &e, base);
	if(e < t || e > t + size)
		abort();
	int a = ScanInt(t);
	int64 b = ScanInt64(t);
	// a decimal int that is not Null must agree with the 64-bit reader
	if(a != INT_MIN && b != a)
		abort();
	Value v = ScanDoubleValue(t);
	if(v.GetType() != 2 && v.GetType() != 6)
		abort();
	static ConvertDouble kg(-DBL_MAX, DBL_MAX, false);
	static ConvertDouble pat(0, 100, true);
	pat.pattern = "%.2f";
	Value q = kg.Scan(String(t));
	if(q.GetType() != 2 && q.GetType() != 6)
		abort();
	pat.Scan(String(t));
	return 0;
}
