// A first window: a TopWindow holding one control, which shows rich text at the screen's zoom.
// It ends when the window is closed.
#include <gui/Gui.h>
#include <richtext/RichText.h>

using namespace Qel;

class TextView : public Ctrl {
public:
	RichText text;

	void Paint(Draw& w) override
	{
		Size sz = GetSize();
		w.DrawRect(0, 0, sz.cx, sz.cy, Color(255, 255, 255));
		// Rich text measures in dots of 1/600 inch, and the default zoom (1:1) paints that many
		// pixels an inch: the screen zoom makes its fonts the size of the desktop's.
		RichPaintInfo pi;
		pi.zoom = RichTextScreenZoom();
		text.Paint(w, 8, 8, sz.cx - 16, pi);
	}
};

int main(int argc, char** argv, char** envp)
{
	AppInit(argc, (const char**)argv, (const char**)envp);
	if(!InitGtkApp(argc, argv, envp))
		return -1;
	AppExecute([] {
		TextView view;
		view.text = ParseQtf("[+150* Hello] from [/ Qel]: rich text in a control of a window.");
		view.SetSizePos();
		TopWindow win;
		win.Title("Hello").SetRect(100, 100, 420, 160);
		win.AddChild(&view);
		win.Run();
	});
	Ctrl::CloseTopCtrls();
	Ctrl::ShutdownThreads();
	ExitGtkApp();
	AppExit();
	return GetExitCode();
}
