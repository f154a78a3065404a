// The formats of a drag from fuzzed target names (one a line): every format once, "text",
// "image" and "files" each with a target that was offered, other names unchanged.
#include <gui/gtk/detail/Clip.h>

#include <stdlib.h>

using namespace Qel;
using namespace Qel::detail;

extern "C" const char* __lsan_default_suppressions()
{
	return "leak:libfontconfig.so\nleak:libglib-2.0.so\nleak:libgobject-2.0.so\nleak:libgtk-3.so\nleak:libgdk-3.so\n"
	       "leak:libX11.so\nleak:libcairo.so\nleak:libpango\n";
}

namespace {

void Check(bool b)
{
	if(!b)
		abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	Vector<String> names;
	const char* s = (const char*)data;
	const char* e = s + size;
	while(s < e && names.GetCount() < 200) {
		const char* q = s;
		while(q < e && *q != '\n')
			q++;
		names.Add(String(s, int(q - s)));
		s = q + 1;
	}
	DropFormats f;
	CollectDropFormats(names, f);
	Index<String> seen;
	for(const String& fmt : f.formats.GetKeys()) {
		Check(seen.Find(fmt) < 0);
		seen.Add(fmt);
		String t = f.Target(fmt);
		bool offered = false;
		for(const String& n : names)
			offered |= n == t;
		Check(offered);
	}
	Check(f.formats.GetCount() <= names.GetCount());
	return 0;
}
