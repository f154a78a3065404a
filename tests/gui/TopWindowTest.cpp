// TopWindow: the modal loop and the codes it ends with, closing through the actions, nested
// loops, the windows a loop disables, focus keys, the cascade of default rectangles, size hints
// as the window manager reads them, and the user-log lines.
#include "FakeScreen.h"
#include "GuiApp.h"

#include <gui/window/detail/TopWindowAccess.h>


namespace guitest {

namespace {

using V = std::vector<std::string>;

// A child that refuses to accept while refuse is set.
struct Field : RecordingCtrl {
	bool refuse = false;
	using RecordingCtrl::RecordingCtrl;
	bool Accept() override { Log("Accept"); return !refuse; }
};

struct Win : TopWindow {
	Field a{"a"}, b{"b"};
	explicit Win(const char* title = "Win")
	{
		Title(title);
		AddChild(&a);
		a.SetRect(10, 10, 50, 20);
		AddChild(&b);
		b.SetRect(10, 40, 50, 20);
		SetRect(100, 100, 300, 200);
	}
};

// Runs f from the loop that runs next.
void Later(Function<void ()> f) { SetTimeCallback(0, std::move(f)); }

class TopWin : public GuiApp {};

TEST_F(TopWin, CloseEndsTheLoopThroughTheActions)
{
	// a cancel action: closing rejects every child and ends with 2
	Win w;
	w.BreakCallback(TopWindow::IDCANCEL);
	w.BreakCallback(TopWindow::IDOK);
	Later([&] { w.Close(); });
	EXPECT_EQ(w.Run(), TopWindow::IDCANCEL);
	EXPECT_EQ(Calls("a.Reject").size() + Calls("b.Reject").size(), 2u);
	EXPECT_TRUE(Calls("a.Accept").empty());
	EXPECT_TRUE(w.IsOpen()); // a loop that ends leaves the window open

	// only OK: a child that refuses keeps the loop running, and accepting children end it with 1
	Win d;
	d.BreakCallback(TopWindow::IDOK);
	d.b.refuse = true;
	bool still_running = false;
	Later([&] {
		d.Close();
		Later([&] {
			still_running = d.InLoop();
			d.b.refuse = false;
			d.Close();
		});
	});
	CallLog().clear();
	EXPECT_EQ(d.Run(), TopWindow::IDOK);
	EXPECT_TRUE(still_running);
	EXPECT_EQ(Calls("b.Accept").size(), 2u);
	EXPECT_TRUE(Calls("a.Reject").empty());

	// yes and no: no wins over exit and yes, exit over yes
	Win y;
	y.BreakCallback(TopWindow::IDYES);
	y.BreakCallback(TopWindow::IDEXIT);
	Later([&] { y.Close(); });
	EXPECT_EQ(y.Run(), TopWindow::IDEXIT);
	y.BreakCallback(TopWindow::IDNO);
	Later([&] { y.Close(); });
	EXPECT_EQ(y.Run(), TopWindow::IDNO);
	// closing rejects without a cancel action
	Win r;
	r.CloseRejects();
	Later([&] { r.Close(); });
	EXPECT_EQ(r.Run(), TopWindow::IDCANCEL);
	// a closed window's loop with no code: WhenClose sets none, the fallback's Accept fails
	Win n;
	n.WhenClose = [] {};
	n.a.refuse = true;
	Later([&] { n.Ctrl::Close(); });
	EXPECT_EQ(n.Run(), INT_NULL);
}

TEST_F(TopWin, NestedLoopsBreakCallbacksAndWhatTheyDisable)
{
	Win a("A"), b("B");
	b.SetRect(150, 150, 200, 100);
	a.Open(nullptr);
	int inner = 0, a_code_inside = 0;
	bool a_enabled_inside = true, a_open_after_close = false;
	Function<void ()> end_b = b.BreakCallback(5);
	Later([&] {
		b.Open(&a);
		Later([&] {
			a_enabled_inside = a.IsEnabled();
			a.Close(); // A's loop is not innermost: ignored
			a_open_after_close = a.IsOpen() && a.InLoop();
			a_code_inside = a.GetExitCode();
			end_b();
		});
		inner = b.Run();
		a.BreakCallback(7)();
	});
	EXPECT_EQ(a.Run(), 7);
	EXPECT_EQ(inner, 5);
	EXPECT_FALSE(a_enabled_inside);
	EXPECT_TRUE(a.IsEnabled());
	EXPECT_TRUE(a_open_after_close);
	EXPECT_EQ(a_code_inside, INT_NULL);     // A's own Run was waiting
	EXPECT_EQ(b.GetExitCode(), 0);          // back to what it was before the Run
	EXPECT_EQ(detail::TopWindowAccess::ActionCount(b), 1);
	b.BreakCallback(5);                     // the same id is one action
	EXPECT_EQ(detail::TopWindowAccess::ActionCount(b), 1);

	// the owner chain: the root and what it owns are disabled, a stranger is not, a window that
	// was disabled before stays so; an application-modal run disables the stranger too
	PaintCtrl root("root"), child("child"), off("off"), stranger("stranger");
	Open(root, Rect(0, 0, 100, 100));
	Open(child, Rect(120, 0, 220, 100), &root);
	Open(off, Rect(240, 0, 340, 100), &root);
	Open(stranger, Rect(360, 0, 460, 100));
	off.Enable(false);
	Win d("D");
	d.SetRect(0, 200, 200, 100);
	d.Open(&child);
	V inside;
	auto look = [&] {
		std::string s;
		for(Ctrl* c : {(Ctrl*)&root, (Ctrl*)&child, (Ctrl*)&off, (Ctrl*)&stranger, (Ctrl*)&d})
			s += c->IsEnabled() ? "1" : "0";
		inside.push_back(s);
	};
	Later([&] { look(); d.BreakCallback(1)(); });
	d.Run();
	Later([&] { look(); d.BreakCallback(1)(); });
	d.Run(true);
	look();
	EXPECT_EQ(inside, (V{"00011", "00001", "11011"}));
}

TEST_F(TopWin, FocusKeysWithAndWithoutAFocus)
{
	Win w;
	Field mid("mid");
	w.RemoveChild(&w.b);
	w.AddChild(&mid); // a, mid, b in that order; mid takes no focus
	w.AddChild(&w.b);
	mid.SetRect(70, 10, 50, 20);
	mid.WantFocus(false);
	w.a.WantFocus();
	w.b.WantFocus();
	w.Open(nullptr);
	EXPECT_EQ(Ctrl::GetFocusCtrl(), &w.a); // opening focuses the first that takes it
	// the focus on the window itself: nothing inside has it
	detail::Focus().focus_ctrl = &w;
	EXPECT_TRUE(Ctrl::DispatchKey(9, 1));
	EXPECT_EQ(Ctrl::GetFocusCtrl(), &w.a);
	EXPECT_TRUE(Ctrl::DispatchKey(9, 1));
	EXPECT_EQ(Ctrl::GetFocusCtrl(), &w.b);
	detail::Focus().focus_ctrl = &w;
	EXPECT_TRUE(Ctrl::DispatchKey(0x800009, 1)); // Shift+Tab
	EXPECT_EQ(Ctrl::GetFocusCtrl(), &w.b);
	EXPECT_TRUE(Ctrl::DispatchKey(0x20FF52, 1)); // Up
	EXPECT_EQ(Ctrl::GetFocusCtrl(), &w.a);
	EXPECT_FALSE(w.Key('x', 1));
	TopWindow inner; // only a window on its own moves the focus
	w.AddChild(&inner);
	EXPECT_FALSE(inner.Key(9, 1));
	w.RemoveChild(&inner);
}

TEST_F(TopWin, DefaultRectanglesCascadeInTheWorkArea)
{
	FakeScreen screen;
	screen.root = Rect(0, 0, 1280, 1024);
	screen.monitors.Add({Rect(0, 0, 1280, 1024), Rect(0, 0, 1280, 1024)});
	detail::ResetDefaultWindowRect();
	Win w1, w2;
	w1.SetRect(Rect());
	w2.SetRect(Rect());
	w1.Open(nullptr);
	w2.Open(nullptr);
	EXPECT_EQ(w1.GetRect(), Rect(80, 80, 80 + 853, 80 + 682));
	EXPECT_EQ(w2.GetRect(), Rect(90, 90, 90 + 853, 90 + 682));
	// on by 10 while the window fits 60 pixels short of the edge, then back to the corner
	std::vector<int> lefts;
	for(int i = 0; i < 24; i++)
		lefts.push_back(GetDefaultWindowRect().left);
	EXPECT_EQ(lefts.front(), 100);
	EXPECT_EQ(lefts[21], 310);
	EXPECT_EQ(lefts[22], 20);
	EXPECT_EQ(lefts[23], 30);
}

TEST_F(TopWin, SizeHintsAsTheWindowManagerReadsThem)
{
	Win w;
	w.Open(nullptr);
	// GTK hands the hints to the server on its next size pass
	std::string hints;
	auto shows = [&](const char* min, const char* max) {
		return Pump([&] {
			hints = testkit::Xprop(XidOf(w), "WM_NORMAL_HINTS");
			return hints.find(min) != std::string::npos && hints.find(max) != std::string::npos;
		}, "the size hints");
	};
	EXPECT_TRUE(shows("minimum size: 300 by 200", "maximum size: 300 by 200")) << hints;
	w.Sizeable().SetMinSize(Size(150, 100));
	EXPECT_TRUE(shows("minimum size: 150 by 100", "maximum size: 1280 by 1024")) << hints;
	Size sz(10, 20);
	w.a.SetFrame(TextColorBorderFrame());
	w.a.SetMinSizeWithFrames(sz);
	EXPECT_EQ(sz, Size(12, 22));
}

TEST_F(TopWin, BackgroundAndIconsOnTheServer)
{
	TopWindow w;
	w.SetRect(100, 100, 200, 100);
	ImageBuffer b(Size(2, 1));
	b[0][0] = RGBA{0, 0, 255, 255};  // opaque red
	b[0][1] = RGBA{25, 50, 100, 128}; // straight (200, 100, 50) at half alpha, premultiplied
	w.Icon(Image(b));
	w.Open(nullptr);
	// the face colour of the theme, painted without a skin's look
	Color face = ThemeFaceColor();
	unsigned want = unsigned(face.GetR()) << 16 | face.GetG() << 8 | face.GetB();
	EXPECT_TRUE(Pump([&] {
		std::vector<unsigned> px = Pixels(w, 150, 50);
		return !px.empty() && px[0] == want;
	}, "the background"));
	// the window manager reads the icon as straight ARGB
	::Display* d = gdk_x11_display_get_xdisplay(gdk_display_get_default());
	Atom type;
	int format;
	unsigned long n = 0, after;
	unsigned char* data = nullptr;
	ASSERT_EQ(XGetWindowProperty(d, XidOf(w), XInternAtom(d, "_NET_WM_ICON", False), 0, 16, False, AnyPropertyType,
	                             &type, &format, &n, &after, &data), Success);
	ASSERT_TRUE(data && n == 4) << n;
	long* v = (long*)data;
	EXPECT_EQ(v[0], 2);
	EXPECT_EQ(v[1], 1);
	EXPECT_EQ((unsigned long)v[2] & 0xFFFFFFFF, 0xFFFF0000ul);
	unsigned long p = (unsigned long)v[3];
	EXPECT_EQ(p >> 24 & 255, 128u);
	EXPECT_NEAR(double(p >> 16 & 255), 200, 2);
	EXPECT_NEAR(double(p >> 8 & 255), 100, 2);
	EXPECT_NEAR(double(p & 255), 50, 2);
	XFree(data);
}

TEST_F(TopWin, TitleDescriptionsAndTheUserLog)
{
	Win w("Weigh"), u("");
	w.Open(nullptr);
	u.SetRect(500, 100, 200, 100);
	u.Open(nullptr);
	auto ends = [](const std::string& s, const std::string& end) {
		return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
	};
	EXPECT_TRUE(ends(S(Ctrl::Desc(&w.a)), " (\"Weigh\")")) << S(Ctrl::Desc(&w.a));
	std::string d = S(Ctrl::Desc(&u.a));
	EXPECT_NE(d.find("Win)"), std::string::npos) << d; // the window's type without a title
	EXPECT_EQ(S(Ctrl::Desc(&u.b)).find("<<"), std::string::npos);
	std::string title = testkit::Xprop(XidOf(w), "WM_NAME");
	EXPECT_NE(title.find("\"Weigh\""), std::string::npos) << title;

	SaveFile(ConfigFile("q.ini"), "user_log = 1\n");
	detail::InvalidateIni();
	w.a.WantFocus();
	u.a.WantFocus();
	ASSERT_TRUE(w.a.SetFocus());
	ASSERT_TRUE(u.a.SetFocus());
	ASSERT_TRUE(w.SetFocus()); // the remembered focus comes back on activation
	SaveFile(ConfigFile("q.ini"), "");
	detail::InvalidateIni();
	EXPECT_EQ(Ctrl::GetFocusCtrl(), &w.a);
	String log = LoadFile(StdLogFile().GetPath());
	std::string wd = S(Ctrl::Desc(&w)), ud = S(Ctrl::Desc(&u));
	for(std::string line : {"   DEACTIVATE " + wd + "\n", "   ACTIVATE " + ud + "\n", "   DEACTIVATE " + ud + "\n",
	                        "   ACTIVATE " + wd + "\n"})
		EXPECT_GE(log.Find(line.c_str()), 0) << line;
	EXPECT_TRUE(ends(wd, " \"Weigh\"")) << wd;
}

} // namespace

} // namespace guitest
