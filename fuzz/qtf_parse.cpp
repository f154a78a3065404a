// QTF from fuzzed bytes, read with and without an access key and written back. Nothing may
// crash, hang, read past the text's end or take unbounded memory. A first byte that is an
// upper-case letter is the access key; any other first byte means none.
#include <richtext/RichText.h>

using namespace Qel;

extern "C" const char* __lsan_default_suppressions()
{
	return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
	(void)Font::GetStdFont(); // "g" measures the standard font
	return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
	if(size == 0)
		return 0;
	int key = data[0] >= 'A' && data[0] <= 'Z' ? data[0] : 0;
	String text((const char*)data + 1, int(size - 1)); // NUL-terminated, as the reader wants
	RichText doc = ParseQtf(text, key);
	String qtf = AsQTF(doc, CHARSET_UTF8, QTF_OPT_BODY | QTF_OPT_LINE_BREAKS);
	if(qtf.IsEmpty())
		__builtin_trap(); // a body is always written
	return 0;
}
