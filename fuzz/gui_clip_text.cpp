// Clipboard text bytes as the program reads them, in each form a text target arrives in: nothing
// is dropped. The UTF-8 forms become a WString (bytes that are not UTF-8 as escape characters)
// that writes back to exactly the same bytes; the Latin-1 forms give one character per byte;
// text/plain loses only the CR of each CR LF.
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
	const char* p = (const char*)data;
	int n = (int)size;
	String s(p, n);
	WString w = ToUtf32(s);
	Check(w.GetLength() <= n && ToUtf8(w) == s);
	Check(DecodeClipText(p, n, "UTF8_STRING") == s);

	WString latin1 = ToUtf32(DecodeClipText(p, n, "STRING"));
	Check(latin1.GetLength() == n);
	for(int i = 0; i < n; i++)
		Check(latin1[i] == (byte)p[i]);

	int crlf = 0;
	for(int i = 0; i + 1 < n; i++)
		if(p[i] == '\r' && p[i + 1] == '\n')
			crlf++, i++;
	String plain = DecodeClipText(p, n, "text/plain;charset=utf-8");
	Check(plain.GetLength() == n - crlf && ToUtf8(ToUtf32(plain)) == plain);
	Check(ToUtf32(DecodeClipText(p, n, "text/plain")).GetLength() == n - crlf);
	// converted, or the bytes kept when they are not of that charset
	DecodeClipText(p, n, "text/plain;charset=UTF-16");
	return 0;
}
