// The QTF round trip on fuzzed text q: W(P(q)) must equal W(P(W(P(q)))) byte for byte, and
// P(q) must equal P(W(P(q))) part by part. The first byte picks the form written: bit 0 line
// breaks, bit 1 no styles, bit 2 an 8-bit charset (bit 3: which one) instead of UTF-8. Without
// line breaks paragraphs of plain UTF-8 text are written from their stored form, with them
// always from the unpacked paragraph: but for the breaks the two must agree. What is written
// stays in proportion to q.
#include <richtext/QtfCompare.h>

#include <cstdio>

using namespace Qel;

extern "C" const char* __lsan_default_suppressions()
{
	return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
	(void)Font::GetStdFont();
	return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
	if(size == 0)
		return 0;
	static const int eight_bit[] = {CharsetByName("windows-1252"), CharsetByName("windows-1251")};
	int bare = data[0] & 2 ? QTF_OPT_BODY | QTF_OPT_NO_STYLES : QTF_OPT_BODY;
	int options = data[0] & 1 ? bare | QTF_OPT_LINE_BREAKS : bare;
	int charset = data[0] & 4 ? eight_bit[data[0] >> 3 & 1] : CHARSET_UTF8;
	String q((const char*)data + 1, int(size - 1));
	std::string fault = QelTest::QtfRoundTripFault(q, options, charset);
	if(!fault.empty()) {
		fprintf(stderr, "round trip broken: %s\n", fault.c_str());
		__builtin_trap();
	}
	RichText doc = ParseQtf(q);
	// Written in proportion to the text read; the constant covers what a few bytes may rightly
	// make, such as the padding cells of a grid table (at most 65,536 cells).
	if(int64 n = AsQTF(doc, charset, bare).GetLength(); n > 16 * int64(q.GetLength()) + 2000000) {
		fprintf(stderr, "written out of proportion: %d -> %lld\n", q.GetLength(), (long long)n);
		__builtin_trap();
	}
	String w = AsQTF(doc, CHARSET_UTF8, bare);
	String b = AsQTF(doc, CHARSET_UTF8, bare | QTF_OPT_LINE_BREAKS);
	w.Replace("\r\n", "");
	b.Replace("\r\n", "");
	if(w != b) {
		fprintf(stderr, "written from the stored form:\n%s\nfrom the unpacked one:\n%s\n", ~w, ~b);
		__builtin_trap();
	}
	return 0;
}
