// A window on the desktop: a titled, sizeable window painted with a background, a border frame
// and a line of text, holding two children placed by logical positions that follow the window's
// size. It runs until the window manager closes it (or the given time is over), through the
// framework's start-up path; without a desktop it says so and ends with 255.
//
//     window [--seconds N]     (closes itself after N seconds)
#include <gui/Gui.h>

using namespace Qel;

// A plain block of colour.
class Patch : public Ctrl {
public:
	Color color;

	void Paint(Draw& w) override
	{
		Size sz = GetSize();
		w.DrawRect(0, 0, sz.cx, sz.cy, color);
	}
};

class DemoWindow : public TopWindow {
	Patch side;   // left edge, as tall as the window
	Patch footer; // along the bottom, as wide as the window

public:
	void Paint(Draw& w) override
	{
		Size sz = GetSize();
		w.DrawRect(0, 0, sz.cx, sz.cy, Color(244, 240, 226));
		w.DrawText(124, 14, "A Qel control in a native window", StdFont(), Color(40, 40, 40));
	}

	DemoWindow()
	{
		SetFrame(TextColorBorderFrame());
		side.color = Color(56, 112, 176);
		side.SetLeftPos(12, 100).SetVertSizePos(12, 12);
		footer.color = Color(208, 120, 40);
		footer.SetHorzSizePos(124, 12).SetBottomPos(12, 60);
		AddChild(&side);
		AddChild(&footer);
		SetRect(100, 100, 480, 320);
		Title("Qel window").Sizeable();
	}
};

int main(int argc, char** argv, char** envp)
{
	AppInit(argc, (const char**)argv, (const char**)envp);
	if(!InitGtkApp(argc, argv, envp))
		return -1;
	AppExecute([] {
		const Vector<WString>& args = CommandLine();
		int seconds = 0;
		for(int i = 0; i + 1 < args.GetCount(); i++)
			if(args[i] == "--seconds")
				seconds = max(ScanInt(args[i + 1].ToString()), 0);
		DemoWindow win;
		if(seconds)
			SetTimeCallback(seconds * 1000, [&] { win.Close(); });
		win.Run();
	});
	Ctrl::CloseTopCtrls();
	Ctrl::ShutdownThreads();
	ExitGtkApp();
	AppExit();
	return GetExitCode();
}
