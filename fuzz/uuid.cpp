// ScanUuid of any text: no fault; the zero Uuid unless 32 hex digits are there, and then the
// text form of the result holds exactly those digits.
#include <Core/Core.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>

using namespace Qel;

#define Check(x) do { if(!(x)) { fprintf(stderr, "failed: %s (line %d)\n", #x, __LINE__); abort(); } } while(0)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	if(size > 4096)
		return 0;
	String text((const char*)data, (int)size);
	Uuid u = ScanUuid(~text); // up to the first zero byte
	String digits;
	for(const char* s = ~text; *s && digits.GetLength() < 32; s++)
		if(isxdigit((byte)*s))
			digits.Cat(char(toupper((byte)*s)));
	if(digits.GetLength() < 32)
		Check(u.IsNull());
	else {
		String t = u.ToString();
		// The text form writes each 32-bit group as it was read.
		Check(t == digits);
		Check(ScanUuid(t) == u);
	}
	return 0;
}
