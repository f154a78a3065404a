// QTF from fuzzed bytes laid out on a page of fuzzed size: the document's height, its natural
// width and the layout of every table, nested ones included. Nothing may crash, hang or take
// unbounded memory. The first five bytes are the page: width and height (0 to 100,000 units
// each, big-endian 16-bit fractions of that) and a byte whose low bit makes the page unbounded.
#include <richtext/RichText.h>

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

namespace {

void RealizeTables(const RichTxt& txt, const RichPageContext& rc, int depth)
{
	for(int i = 0; i < txt.GetPartCount(); i++)
		if(txt.IsTable(i)) {
			const RichTable& t = txt.GetTable(i);
			const RichTableLayout& l = t.Realize(rc);
			if(l.GetRows() != t.GetRows() || l.columns != t.GetColumns())
				__builtin_trap();
			if(depth < 20)
				for(const Array<RichCell>& row : t.cell)
					for(const RichCell& c : row)
						RealizeTables(c.text, rc, depth + 1);
		}
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
	if(size < 5)
		return 0;
	int width = int((data[0] << 8 | data[1]) * int64(100000) / 65535);
	int height = data[4] & 1 ? 268435455 : int((data[2] << 8 | data[3]) * int64(100000) / 65535);
	String text((const char*)data + 5, int(size - 5));
	RichText doc = ParseQtf(text);
	Rect page(0, 0, width, height);
	PagePos end = doc.GetHeight(page);
	if(end.page < 0)
		__builtin_trap();
	(void)doc.GetWidth(doc.GetStyles());
	RealizeTables(doc, doc.MakeContext(page, PagePos(0, 0)), 0);
	if(!(doc.GetHeight(page) == end)) // laid out already: the same walk again
		__builtin_trap();
	return 0;
}
