// NormalizePath over arbitrary path and start folder: the result is absolute, free of empty,
// "." and ".." parts, and normalises to itself (one starting at the home folder excepted).
#include <Core/Core.h>

#include <cstdlib>
#include <string>

using namespace Qel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	std::string s((const char*)data, size);
	size_t cut = s.find('\0');
	std::string path = s.substr(0, cut);
	std::string cur = cut == std::string::npos ? "/x" : s.substr(cut + 1);
	cur = cur.substr(0, cur.find('\0'));
	String r = NormalizePath(path.c_str(), cur.c_str());
	if(r.IsEmpty() || r[0] != '/')
		abort();
	if(path[0] == '~') // the home folder and a '/' start it, as they are
		return 0;
	if(NormalizePath(~r, "/other") != r)
		abort();
	String rest = r.Mid(r.StartsWith("//") ? 2 : 1);
	if(rest.GetLength()) {
		String body = "/" + rest + "/";
		if(body.Find("//") >= 0 || body.Find("/./") >= 0 || body.Find("/../") >= 0 || body.Find('\\') >= 0)
			abort();
	}
	return 0;
}
