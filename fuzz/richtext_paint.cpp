// QTF from fuzzed bytes painted on pages of fuzzed size at a fuzzed zoom (a zero divisor
// included), with a fuzzed window, selection and options: on NilDraw (the walk alone), on a
// NilDraw that paints everything (every painting path, drawing nothing) and on a 64 x 64 image
// the painter renders. Nothing may crash, hang or take unbounded memory. The first 12 bytes are
// the settings (below); the rest is the text.
#include <richtext/RichText.h>
#include <plugin/png/detail/PngChecksums.h>

using namespace Qel;

extern "C" const char* __lsan_default_suppressions()
{
	return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
	detail::SetPngIgnoreChecksums(true);
	(void)Font::GetStdFont();
	return 0;
}

namespace {

class PaintingNilDraw : public NilDraw {
public:
	bool IsPaintingOp(const Rect&) const override { return true; }
};

Bits sSpelling(const RichPara& p)
{
	Bits b;
	for(int i = 0; i < min(p.GetLength(), 4096); i += 3)
		b.Set(i);
	return b;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
	if(size < 12)
		return 0;
	// 0, 1: zoom multiplier and divisor (0 to 255 each)
	// 2, 3: page width and height (in steps of 64 units; height 255 is unbounded)
	// 4, 5: window top and bottom pages (255: none)
	// 6, 7: selection start and end (in steps of 4 positions, from -64)
	// 8: table selection; 9, 10: option bits; 11: highlighted position (and, with option 2048,
	//    the zoom 1 + (byte & 3) the document takes after its first paint, laid out already)
	Zoom zoom(data[0], data[1]);
	Rect page(32, 16, 32 + data[2] * 64, data[3] == 255 ? 268435455 : 16 + data[3] * 64);
	RichPaintInfo pi;
	pi.zoom = zoom;
	if(data[4] != 255)
		pi.window_top = PagePos(data[4] & 15, (data[4] >> 4) * 400);
	if(data[5] != 255)
		pi.window_bottom = PagePos(data[5] & 15, (data[5] >> 4) * 400);
	pi.sel_start = data[6] * 4 - 64;
	pi.sel_end = data[7] * 4 - 64;
	pi.table_sel = data[8] & 7;
	pi.cell_sel = Rect(0, 0, data[8] >> 5, data[8] >> 5);
	dword o = data[9] | data[10] << 8;
	if(o & 1)
		pi.codes_color = Color(0, 0, 255);
	pi.show_labels = o & 2;
	pi.use_cache = o & 4;
	pi.size_tracking = o & 8;
	pi.shrink_objects = o & 16;
	pi.index_background = o & 32;
	pi.dark_theme = o & 64;
	if(o & 128)
		pi.text_color = Color(10, 20, 30);
	if(o & 256)
		pi.link_color = Color();
	if(o & 512)
		pi.spelling_hook = sSpelling;
	if(o & 1024)
		pi.highlight_test = [](const String& label) { return label.GetCount() > 1; };
	pi.highlight_pos = data[11] - 8;

	RichText doc = ParseQtf(String((const char*)data + 12, int(size - 12)));
	NilDraw nil;
	SimplePageDraw walk(nil);
	doc.Paint(walk, PagePos(0, 0), page, pi);
	if(o & 2048) // what the first layout left must not outlive it
		doc.ApplyZoom(Zoom(1 + (data[11] & 3), 1));
	PaintingNilDraw all;
	SimplePageDraw every(all);
	doc.Paint(every, PagePos(0, 0), page, pi);
	ImageAnyDraw img(64, 64);
	SimplePageDraw image(img);
	doc.Paint(image, PagePos(0, 0), page, pi);
	Image m = img;
	if(m.GetSize() != Size(64, 64))
		__builtin_trap();
	return 0;
}
