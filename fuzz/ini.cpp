// Ini parsing with includes: the input is cut at '\1' into up to four files f0..f3 of one folder,
// which may include each other (and themselves) by any name. Parsing must end without a crash.
#include <Core/Core.h>

#include <cstdlib>
#include <string>
#include <unistd.h>

using namespace Qel;

namespace {

String sFolder()
{
	static String folder = [] {
		char t[] = "/tmp/qel-fuzz-ini-XXXXXX";
		return String(mkdtemp(t));
	}();
	return folder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	std::string s((const char*)data, size);
	String folder = sFolder();
	for(int i = 0; i < 4; i++) {
		size_t cut = s.find('\1');
		std::string part = s.substr(0, cut);
		s = cut == std::string::npos ? "" : s.substr(cut + 1);
		String path = AppendFileName(folder, Sprintf("f%d", i));
		SaveFile(~path, String(part.data(), (int)part.size()));
	}
	VectorMap<String, String> map = detail::LoadIniFiles(~AppendFileName(folder, "f0"), nullptr);
	for(int i = 0; i < map.GetCount(); i++)
		if(map.GetKey(i).IsEmpty())
			abort();
	return 0;
}
