// A fuzzed composition (a cursor from the first four bytes, any bytes after them as UTF-8 text)
// painted by the pre-edit popup into an ImageDraw as wide as the text needs (up to a limit):
// no crash, the image whole, and a cursor outside the text draws no caret.
#include <gui/Gui.h>
#include <gui/ImageDraw.h>
#include <gui/detail/Preedit.h>

#include <stdlib.h>
#include <string.h>

using namespace Qel;

extern "C" const char* __lsan_default_suppressions()
{
	return "leak:libfontconfig.so\nleak:libglib-2.0.so\nleak:libgobject-2.0.so\n";
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
	(void)StdFont().GetCy();
	return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	if(size < 4 || size > 4096)
		return 0;
	int cursor;
	memcpy(&cursor, data, 4);
	GuiLock lock;
	static detail::PreeditCtrl* p = new detail::PreeditCtrl;
	p->text = String((const char*)data + 4, int(size - 4)).ToWString();
	p->font = StdFont().Height(13);
	p->cursor = cursor;
	int cx = min(GetTextSize(p->text, p->font).cx + 4, 2048);
	int cy = p->font.GetCy() + 1;
	p->SetRect(0, 0, max(cx, 1), cy);
	ImageDraw w(max(cx, 1), cy);
	p->Paint(w);
	Image img = w.GetImage();
	if(img.GetWidth() != max(cx, 1) || img.GetHeight() != cy)
		abort();
	return 0;
}
