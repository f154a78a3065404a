// Base64Decode of any text: no fault, output no longer than three quarters of the text, and a
// decoded text encodes and decodes back to itself.
#include <Core/Core.h>

#include <cstdio>
#include <cstdlib>

using namespace Qel;

#define Check(x) do { if(!(x)) { fprintf(stderr, "failed: %s (line %d)\n", #x, __LINE__); abort(); } } while(0)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	if(size > 1 << 16)
		return 0;
	String text((const char*)data, (int)size);
	String bytes = Base64Decode(text);
	Check(bytes.GetLength() <= (int)size * 3 / 4 + 2);
	String again = Base64Encode(bytes);
	Check(again.GetLength() == (bytes.GetLength() + 2) / 3 * 4);
	Check(Base64Decode(again) == bytes);
	Check(Base64Decode(Base64Encode(text)) == text);
	return 0;
}
