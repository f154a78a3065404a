// Translation files of any content: a load may fail, but must not crash, hang or read past the
// text, and what it stores must translate afterwards.
#include <Core/Core.h>

#include <string>

using namespace Qel;

namespace {

const TranslationRecord sTable[] = {
	{ 1, "fz\vCar" },
	{ LNG_('D', 'E', 'D', 'E') | (255 << 20), "Auto" },
	{ 1, "fz-id\aHello" },
	{ 1, "Plain" },
	{ 0, nullptr }
};

const bool sRegistered = (RegisterTranslationModule(sTable), true);

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	std::string s((const char*)data, size); // zero-terminated for the parser
	detail::LoadTranslationText(s.c_str());
	for(int language : { LNG_('D', 'E', 'D', 'E'), LNG_CZECH, LNG_ENGLISH })
		for(const char* key : { "fz\vCar", "fz-id\aHello", "Plain" })
			TranslateTo(language, key);
	return sRegistered ? 0 : 1;
}
