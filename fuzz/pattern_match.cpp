// Wildcard matching with a fuzzed pattern and name: no crash, no runaway time, and a few laws
// that any correct matcher keeps.
#include <Core/Core.h>

#include <cstdlib>
#include <string>

using namespace Qel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	std::string s((const char*)data, size);
	size_t cut = s.find('\0');
	std::string pattern = s.substr(0, cut);
	std::string name = cut == std::string::npos ? "" : s.substr(cut + 1);
	name = name.substr(0, name.find('\0'));
	bool m = PatternMatch(pattern.c_str(), name.c_str());
	PatternMatchFileName(pattern.c_str(), name.c_str());
	// a name always matches itself when it holds no wildcard, and "*" around a match still matches
	if(name.find_first_of("*?") == std::string::npos && !PatternMatch(name.c_str(), name.c_str()))
		abort();
	if(m && !PatternMatch(("*" + pattern + "*").c_str(), name.c_str()))
		abort();
	if(!PatternMatch("*", name.c_str()))
		abort();
	return 0;
}
