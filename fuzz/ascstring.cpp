// AsCString followed by CParser::ReadString gives back the bytes, whatever they are; under
// ASCSTRING_JSON on one line, only escapes JSON has.
#include <Core/Core.h>

#include <cstdlib>
#include <cstring>

using namespace Qel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	if(size < 2)
		return 0;
	int flags = data[0] & 7;
	int linemax = data[1] < 200 ? data[1] : INT_MAX;
	const char* prefix = data[0] & 8 ? " \t" : nullptr;
	String x((const char*)data + 2, int(size - 2));
	String lit = AsCString(x, linemax, prefix, flags);
	CParser p(~lit);
	String back = p.ReadString();
	if(back.GetLength() != x.GetLength() || memcmp(~back, ~x, x.GetLength()) || !p.IsEof())
		abort();
	if((flags & ASCSTRING_JSON) && linemax == INT_MAX)
		for(const char* q = ~lit + 1; q < lit.End() - 1; q++) {
			if(byte(*q) < 32)
				abort();
			if(*q == '\\' && !strchr("\"\\/bfnrtu", *++q))
				abort();
		}
	return 0;
}
