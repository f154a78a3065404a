// Packed paragraphs from fuzzed bytes: unpacked with 0-3 objects against one of two styles,
// then packed, unpacked and packed again. Nothing may crash, hang or read outside the input,
// and the second pack must give the bytes of the first. The first input byte picks the object
// count (bits 0-1) and the style (bit 2); the rest is the packed paragraph.
#include <richtext/RichText.h>

#include <stdlib.h>

using namespace Qel;

extern "C" const char* __lsan_default_suppressions()
{
	return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
	(void)Font::GetStdFont(); // a standard height in the data resolves through it
	return 0;
}

namespace {

const RichPara::Format& sStyle(int i)
{
	static RichPara::Format plain;
	static RichPara::Format rich = [] {
		RichPara::Format f;
		f.Bold().Face(Font::SERIF).Height(150);
		f.label = "style";
		f.lm = 70000;
		f.indent = -200;
		f.tab.Add().pos = 300;
		f.newhdrftr = true;
		f.header_qtf = "header";
		f.number[0] = RichPara::NUMBER_1;
		f.sscript = RichPara::SUBSCRIPT;
		f.paper = Color(1, 2, 3);
		return f;
	}();
	return i ? rich : plain;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	if(size < 1 || size > 65536)
		return 0;
	const RichPara::Format& style = sStyle(data[0] & 4);
	Array<RichObject> objs;
	for(int i = 0; i < (data[0] & 3); i++)
		objs.Add().Read(i & 1 ? "qelfuzz" : "other", Format("object %d", i), Size(10 * i, 20));
	RichPara p;
	p.Unpack(String((const char*)data + 1, int(size - 1)), objs, style);
	Array<RichObject> o1;
	String s1 = p.Pack(style, o1);
	RichPara q;
	q.Unpack(s1, o1, style);
	Array<RichObject> o2;
	String s2 = q.Pack(style, o2);
	if(s1 != s2 || o1.GetCount() != o2.GetCount())
		abort();
	return 0;
}
