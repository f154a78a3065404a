// Language code texts: whatever parses must format back to the same code.
#include <Core/Core.h>

#include <cstdlib>
#include <string>

using namespace Qel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	std::string s((const char*)data, size);
	int code = ParseLanguageCode(s.c_str());
	if(code) {
		if(ParseLanguageCode(~FormatLanguageCode(code)) != code)
			abort();
		GetLanguageCharset(code);
	}
	return 0;
}
