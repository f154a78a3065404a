// A fuzzed composition shown by the pre-edit popup on an X server of the target's own: a cursor
// (the first four bytes), the caret's column and height (the next three) and any bytes after
// them as UTF-8 text go through ShowPreedit and SyncPreedit for a window near the screen's right
// edge, and the popup paints into an ImageDraw of its size. Nothing may crash; an empty text
// closes the popup, and an open one lies within the work area's right edge.
#include "GuiDisplay.h"

#include <gui/Gui.h>
#include <gui/paint/ImageDraw.h>
#include <gui/detail/Backend.h>
#include <gui/input/detail/Preedit.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <csignal>
#include <unistd.h>

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

using fuzz::StartDisplay;

// A control whose caret the input places.
struct Field : Ctrl {
	Rect caret;
	Rect GetCaret() const override { return caret; }
};

struct Scene {
	Ctrl  top;
	Field field;

	Scene()
	{
		field.SetRect(0, 0, 300, 60);
		top.AddChild(&field);
		top.SetRect(500, 100, 300, 60);
	}
};

Scene* sScene;

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
	if(!StartDisplay() || !InitGtkApp(*argc, *argv, environ)) {
		fprintf(stderr, "gui_preedit: no X server for GTK; every input passes untried\n");
		return 0;
	}
	sScene = new Scene;
	return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	if(!sScene || size < 7 || size > 4096)
		return 0;
	GuiLock lock;
	Scene& s = *sScene;
	if(!s.top.IsOpen())
		s.top.CreateNativeWindow(nullptr, false);
	if(Ctrl::GetFocusCtrl() != &s.field)
		s.field.SetFocus();
	int cursor;
	memcpy(&cursor, data, 4);
	int x = data[4] | data[5] << 8;
	s.field.caret = Rect(x, 5, x + 1, 5 + data[6] % 64);
	WString text = String((const char*)data + 7, int(size - 7)).ToWString();
	detail::ShowPreedit(&s.top, text, cursor);
	detail::PreeditCtrl& p = detail::GetPreeditCtrl();
	Check(!text.IsEmpty() || !p.IsOpen());
	if(p.IsOpen()) {
		detail::SyncPreedit(&s.top);
		Rect r = p.GetRect();
		Check(r.right <= Ctrl::GetWorkArea(&s.top).right || r.left >= s.field.GetScreenView().left + x);
		Size sz = p.GetSize();
		if(sz.cx > 0 && sz.cy > 0 && sz.cx <= 8192) {
			ImageDraw w(sz);
			p.Paint(w);
			Check(w.GetImage().GetSize() == sz);
		}
	}
	IterateGtkMainContext(false);
	return 0;
}
