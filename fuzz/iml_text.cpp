// "List:image" texts from fuzzed bytes: any text finds an image of a registered list or the
// empty image, and finds the same one again.
#include <draw/Draw.h>

#include <stdlib.h>

using namespace Qel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	String text((const char*)data, (int)size); // a zero byte ends the text early, as in C
	Image a = GetImlImage(text);
	Image b = GetImlImage(text);
	if(!a.IsSame(b))
		abort();
	return 0;
}
