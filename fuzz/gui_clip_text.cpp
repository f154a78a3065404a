// Clipboard text bytes as the program reads them: any bytes become a WString (bytes that are
// not UTF-8 as escape characters) that writes back to exactly the same bytes.
#include <Core/Core.h>

#include <stdlib.h>

using namespace Qel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	String s((const char*)data, (int)size);
	WString w = ToUtf32(s);
	if(w.GetLength() > s.GetLength() || ToUtf8(w) != s)
		abort();
	return 0;
}
