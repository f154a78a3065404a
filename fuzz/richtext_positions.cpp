// Position queries over QTF from fuzzed bytes laid out on a page of fuzzed size: the caret of a
// fuzzed position, the position under a fuzzed point and the descriptor of a position, with a
// fuzzed depth limit. Nothing may crash or hang, positions stay within the document and the
// middle of a caret of width lies in it. The head: five bytes of page as the layout target
// takes them (width, height, a byte whose low bit makes the page unbounded), then big-endian
// 32-bit position, x and y, a byte of page number and a byte of depth limit; the rest is QTF.
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

constexpr size_t HEAD = 19;

int sInt(const unsigned char* p)
{
	return int(unsigned(p[0]) << 24 | unsigned(p[1]) << 16 | unsigned(p[2]) << 8 | p[3]);
}

void sCheckPos(int pos, int len)
{
	if(pos < 0 || pos > len)
		__builtin_trap();
}

void sCheckRichPos(const RichPos& r, int max_level)
{
	if(r.level < 0 || r.level > max_level || r.tables_before < 0 || r.para_index < 0 ||
	   r.para_index > r.para_parts || (r.level > 0 && r.table <= 0))
		__builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
	if(size < HEAD)
		return 0;
	int width = int((data[0] << 8 | data[1]) * int64(100000) / 65535);
	int height = data[4] & 1 ? 268435455 : int((data[2] << 8 | data[3]) * int64(100000) / 65535);
	int pos = sInt(data + 5);
	int x = sInt(data + 9);
	int y = sInt(data + 13);
	int page_no = data[17];
	int max_level = data[18] & 7 ? data[18] & 7 : INT_MAX;
	String text((const char*)data + HEAD, int(size - HEAD));
	RichText doc = ParseQtf(text);
	Rect page(0, 0, width, height);
	int len = doc.GetLength();

	sCheckPos(doc.GetPos(x, PagePos(page_no, y), page), len);
	sCheckPos(doc.GetPos(x, PagePos(0, 0), page), len);
	sCheckRichPos(doc.GetRichPos(pos, max_level), max_level);
	sCheckRichPos(doc.GetRichPos(len, INT_MAX), INT_MAX);

	for(int p : {pos, len, len / 2}) {
		RichCaret c = doc.GetCaret(p, page);
		if(c.right > c.left && c.bottom > c.top) {
			int mx = int((int64(c.left) + c.right) / 2);
			sCheckPos(doc.GetPos(mx, PagePos(c.page, int((int64(c.top) + c.bottom) / 2)), page), len);
		}
	}
	if(doc.GetCaret(len + 1, page) != doc.GetCaret(len, page)) // beyond the end: the end
		__builtin_trap();
	return 0;
}
