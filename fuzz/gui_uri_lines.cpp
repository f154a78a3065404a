// The "files" form: fuzzed bytes split into URIs never give an empty line, a line feed inside a
// line or a carriage return at its end, and joining and splitting again gives the same URIs.
#include <gui/clip/Clip.h>

#include <stdlib.h>

using namespace Qel;

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
	String s((const char*)data, (int)size);
	Vector<String> uris = SplitUriLines(s);
	for(const String& u : uris) {
		Check(!u.IsEmpty());
		Check(u.Find('\n') < 0);
		Check(!u.EndsWith("\r"));
	}
	String joined = JoinUriLines(uris);
	Check(joined.GetLength() <= s.GetLength() + 1);
	Check(SplitUriLines(joined) == uris);
	return 0;
}
