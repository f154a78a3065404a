// TopWindow on GTK: centring on the owner within the frame margins, fitting a window larger than
// the work area, the frame margins learned (clamped, never shrinking, from openbox's extents),
// the state both ways (the calls made, the window manager's reports, openbox maximising and
// restoring, keeping above).
#include "FakeScreen.h"
#include "GuiApp.h"

#include <gui/window/detail/TopWindowAccess.h>

#include <X11/Xlib.h>

// The GTK state calls the windows make, recorded and then made.
std::vector<std::string>& GtkStateCalls()
{
	static std::vector<std::string> calls;
	return calls;
}

#define QEL_RECORD_GTK(name)                                          \
	extern "C" void __real_gtk_window_##name(GtkWindow* w);           \
	extern "C" void __wrap_gtk_window_##name(GtkWindow* w)            \
	{                                                                 \
		GtkStateCalls().push_back(#name);                             \
		__real_gtk_window_##name(w);                                  \
	}
QEL_RECORD_GTK(maximize)
QEL_RECORD_GTK(unmaximize)
QEL_RECORD_GTK(iconify)
QEL_RECORD_GTK(deiconify)
QEL_RECORD_GTK(fullscreen)
QEL_RECORD_GTK(unfullscreen)
#undef QEL_RECORD_GTK

extern "C" void __real_gtk_window_set_keep_above(GtkWindow* w, gboolean b);
extern "C" void __wrap_gtk_window_set_keep_above(GtkWindow* w, gboolean b)
{
	GtkStateCalls().push_back(b ? "keep_above(1)" : "keep_above(0)");
	__real_gtk_window_set_keep_above(w, b);
}

namespace guitest {

namespace {

using V = std::vector<std::string>;
using detail::TopWindowAccess;

// Asks the window manager to add (1) or remove (0) states, as a pager does.
void WmState(unsigned long xid, int action, const char* a, const char* b = nullptr)
{
	::Display* d = XOpenDisplay(testkit::DisplayName());
	XEvent e = {};
	e.xclient.type = ClientMessage;
	e.xclient.window = xid;
	e.xclient.message_type = XInternAtom(d, "_NET_WM_STATE", False);
	e.xclient.format = 32;
	e.xclient.data.l[0] = action;
	e.xclient.data.l[1] = (long)XInternAtom(d, a, False);
	e.xclient.data.l[2] = b ? (long)XInternAtom(d, b, False) : 0;
	e.xclient.data.l[3] = 1;
	XSendEvent(d, DefaultRootWindow(d), False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
	XCloseDisplay(d);
}

class TopGtk : public GuiApp {};

TEST_F(TopGtk, CentredOnTheOwnerWithinTheWorkArea)
{
	FakeScreen screen;
	screen.monitors.Add({Rect(0, 0, 1920, 1080), Rect(0, 0, 1920, 1080)});
	PaintCtrl owner("owner");
	Open(owner, Rect(100, 100, 400, 300));
	// unmeasured margins are 8, 32, 8, 8: the dialog stops at the work area's corner
	TopWindow d;
	d.SetRect(0, 0, 500, 400);
	d.Open(&owner);
	EXPECT_EQ(d.GetRect(), Rect(8, 32, 508, 432));

	// larger than the work area: kept inside from its top-left and shortened, with the minimum
	TopWindow big;
	big.SetMinSize(Size(100, 1500));
	big.SetRect(0, 0, 3000, 2000);
	big.CenterOnOpen(&owner);
	EXPECT_EQ(big.GetRect(), Rect(8, 32, 1912, 1072));
	EXPECT_EQ(big.GetMinSize(), Size(100, 1040));
	// centring on the screen needs no owner; no centring keeps the place
	TopWindow s, n;
	s.CenterScreen().SetRect(300, 300, 400, 200);
	s.CenterOnOpen(nullptr);
	EXPECT_EQ(s.GetRect(), Rect(760, 440, 1160, 640));
	n.NoCenter().SetRect(0, 0, 40, 10);
	n.CenterOnOpen(&owner);
	EXPECT_EQ(n.GetRect(), Rect(0, 0, 80, 20)); // only grown to the minimum size
}

TEST_F(TopGtk, FrameMarginsAreClampedAndNeverShrink)
{
	if(!testkit::InChild()) {
		testkit::DisplayOptions o;
		EXPECT_TRUE(testkit::RunInChild({}, &o));
		return;
	}
	TopWindow w;
	w.SetRect(100, 100, 300, 200);
	w.Open(nullptr);
	EXPECT_EQ(GetFrameMargins(), Rect(8, 32, 8, 8)); // no window manager: nothing measured
	// the window as the window manager would have placed it within its frame
	detail::SetWndRectFromSystem(w, Rect(110, 190, 390, 290));
	TopWindowAccess::SyncFrameMargins(w);
	EXPECT_EQ(GetFrameMargins(), Rect(10, 64, 10, 10));
	detail::SetWndRectFromSystem(w, Rect(105, 130, 395, 295));
	TopWindowAccess::SyncFrameMargins(w);
	EXPECT_EQ(GetFrameMargins(), Rect(10, 64, 10, 10));
	detail::SetWndRectFromSystem(w, Rect(140, 100, 400, 300)); // 40 left: clamped to 32
	TopWindowAccess::SyncFrameMargins(w);
	EXPECT_EQ(GetFrameMargins(), Rect(32, 64, 10, 10));
}

TEST_F(TopGtk, StateCallsAndReports)
{
	TopWindow w;
	w.SetRect(100, 100, 300, 200);
	w.Open(nullptr);
	GtkStateCalls().clear();
	w.SyncState(TopWindow::FULLSCREEN);
	EXPECT_TRUE(w.IsFullScreen());
	w.SyncState(TopWindow::MAXIMIZED);
	EXPECT_FALSE(w.IsFullScreen());
	w.SyncState(TopWindow::MINIMIZED);
	w.SyncState(TopWindow::OVERLAPPED);
	w.SetTopMost();
	EXPECT_EQ(GtkStateCalls(), (V{"fullscreen", "unfullscreen", "maximize", "unmaximize", "iconify", "deiconify",
	                              "keep_above(1)"}));
	// a closed window only records the state; opening moves there
	TopWindow c;
	c.SetRect(100, 100, 300, 200);
	c.SyncState(TopWindow::MAXIMIZED);
	GtkStateCalls().clear();
	c.Open(nullptr);
	EXPECT_EQ(GtkStateCalls(), (V{"maximize", "keep_above(0)"}));

	// what the window manager reports, a bit at a time
	Rect normal = w.GetOverlappedRect();
	GdkEventWindowState e = {};
	e.type = GDK_WINDOW_STATE;
	std::vector<int> states;
	for(int bits : {(int)GDK_WINDOW_STATE_MAXIMIZED, GDK_WINDOW_STATE_ICONIFIED | GDK_WINDOW_STATE_MAXIMIZED,
	                GDK_WINDOW_STATE_FULLSCREEN | GDK_WINDOW_STATE_ICONIFIED, (int)GDK_WINDOW_STATE_ABOVE, 0}) {
		if(bits == GDK_WINDOW_STATE_ABOVE)
			detail::SetWndRectFromSystem(w, Rect(120, 120, 320, 320));
		e.new_window_state = GdkWindowState(bits);
		EXPECT_EQ(detail::WindowStateProc(TopOf(w)->window, &e, &w), FALSE);
		states.push_back(w.GetState());
		if(bits == GDK_WINDOW_STATE_ABOVE) {
			EXPECT_TRUE(w.IsTopMost());
		}
		if(bits == GDK_WINDOW_STATE_MAXIMIZED) {
			EXPECT_EQ(w.GetOverlappedRect(), normal);
		}
	}
	EXPECT_EQ(states, (std::vector<int>{1, 0, 99, 2, 2}));
	EXPECT_FALSE(w.IsTopMost());
	EXPECT_EQ(w.GetOverlappedRect(), Rect(120, 120, 320, 320));
}

TEST_F(TopGtk, SizeHintsInGdkUnitsAtScale2)
{
	if(!testkit::InChild()) {
		testkit::DisplayOptions o;
		o.gdk_scale = 2;
		EXPECT_TRUE(testkit::RunInChild({}, &o));
		return;
	}
	ASSERT_EQ(detail::GetDisplayScale(), 2);
	TopWindow w;
	w.SetRect(100, 100, 301, 201); // device pixels: 150 by 100 GDK units, which the server sees doubled
	w.Open(nullptr);
	std::string hints;
	EXPECT_TRUE(Pump([&] {
		hints = testkit::Xprop(XidOf(w), "WM_NORMAL_HINTS");
		return hints.find("minimum size: 300 by 200") != std::string::npos &&
		       hints.find("maximum size: 300 by 200") != std::string::npos;
	}, "the size hints")) << hints;
}

TEST_F(TopGtk, FixedSizeHintsIncludeTheFrames)
{
	// a fixed-size window's size hints are its whole rectangle, not the view inside its frames
	TopWindow w;
	w.SetFrame(TextColorBorderFrame());
	w.SetRect(100, 100, 300, 200);
	w.Open(nullptr);
	::Display* d = GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
	XWindowAttributes a = {};
	EXPECT_TRUE(Pump([&] {
		return XGetWindowAttributes(d, XidOf(w), &a) && a.width == 300 && a.height == 200;
	}, "the native size")) << a.width << " x " << a.height;
	EXPECT_EQ(w.GetRect(), Rect(100, 100, 400, 300));
}

// The window manager's frame extents (left, top, right, bottom); false until it set them.
bool FrameExtents(unsigned long xid, Rect& m)
{
	std::string ext = testkit::Xprop(xid, "_NET_FRAME_EXTENTS");
	int l, r, t, b;
	if(ext.find("=") == std::string::npos ||
	   sscanf(ext.c_str() + ext.find("=") + 1, " %d, %d, %d, %d", &l, &r, &t, &b) != 4)
		return false;
	m = Rect(l, t, r, b);
	return true;
}

// Whether w shows within the window manager's frame and the program knows where it is.
bool Placed(TopWindow& w)
{
	::Display* d = GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
	::Window root, parent, child, *children = nullptr;
	unsigned n;
	XWindowAttributes a;
	int x, y;
	if(!XQueryTree(d, XidOf(w), &root, &parent, &children, &n))
		return false;
	XFree(children);
	return parent != root && XGetWindowAttributes(d, XidOf(w), &a) && a.map_state == IsViewable &&
	       XTranslateCoordinates(d, XidOf(w), root, 0, 0, &x, &y, &child) &&
	       w.GetRect() == Rect(x, y, x + a.width, y + a.height);
}

TEST_F(TopGtk, OpenboxMaximisesRestoresAndKeepsAbove)
{
	if(!testkit::InChild()) {
		testkit::DisplayOptions o;
		o.width = 1920;
		o.height = 1080;
		o.window_manager = true;
		EXPECT_TRUE(testkit::RunInChild({}, &o));
		return;
	}
	TopWindow w;
	w.Title("Framed").Sizeable();
	w.SetRect(200, 200, 400, 300);
	w.Open(nullptr);
	unsigned long frame = testkit::FindWindow("Framed");
	ASSERT_NE(frame, 0u);
	// openbox's frame extents, learned when the next window opens
	Rect ext;
	ASSERT_TRUE(Pump([&] { return FrameExtents(XidOf(w), ext); }, "the frame extents"));
	ASSERT_TRUE(Pump([&] { return w.GetRect() == w.GetWndScreenRect(); }, "the placed window"));
	TopWindowAccess::SyncFrameMargins(w);
	EXPECT_EQ(GetFrameMargins(), Rect(min(ext.left, 32), min(ext.top, 64), min(ext.right, 32), min(ext.bottom, 48)));

	Rect normal = w.GetOverlappedRect();
	WmState(XidOf(w), 1, "_NET_WM_STATE_MAXIMIZED_VERT", "_NET_WM_STATE_MAXIMIZED_HORZ");
	ASSERT_TRUE(Pump([&] { return w.GetState() == TopWindow::MAXIMIZED; }, "maximised"));
	EXPECT_EQ(w.GetOverlappedRect(), normal);
	WmState(XidOf(w), 0, "_NET_WM_STATE_MAXIMIZED_VERT", "_NET_WM_STATE_MAXIMIZED_HORZ");
	ASSERT_TRUE(Pump([&] { return w.GetState() == TopWindow::OVERLAPPED; }, "restored"));
	ASSERT_TRUE(Pump([&] { return w.GetOverlappedRect() == w.GetRect(); }, "the normal rectangle"));

	// the program's requests reach the window manager
	w.SyncState(TopWindow::MAXIMIZED);
	std::string st;
	EXPECT_TRUE(Pump([&] {
		st = testkit::Xprop(XidOf(w), "_NET_WM_STATE");
		return st.find("_NET_WM_STATE_MAXIMIZED_HORZ") != std::string::npos;
	}, "maximised by the program")) << st;
	w.SetTopMost();
	EXPECT_TRUE(Pump([&] {
		st = testkit::Xprop(XidOf(w), "_NET_WM_STATE");
		return st.find("_NET_WM_STATE_ABOVE") != std::string::npos;
	}, "kept above")) << st;
	w.SyncState(TopWindow::OVERLAPPED);
	EXPECT_TRUE(Pump([&] { return w.GetState() == TopWindow::OVERLAPPED; }, "restored"));
}

TEST_F(TopGtk, OpenboxFrameMarginsAreTheExtents)
{
	if(!testkit::InChild()) {
		testkit::DisplayOptions o;
		o.window_manager = true;
		EXPECT_TRUE(testkit::RunInChild({}, &o));
		return;
	}
	// openbox frames a window a while after it is mapped; whenever each window happened to
	// measure, the margins are the extents, and a tall window centred in the work area just
	// fills its height together with its frame
	Rect work = Ctrl::GetPrimaryWorkArea();
	for(int pass = 0; pass < 4; pass++) {
		TopWindow w;
		w.Title("Plain").SetRect(100 + 10 * pass, 100, 300, 200);
		w.Open(nullptr);
		Rect ext;
		ASSERT_TRUE(Pump([&] { return FrameExtents(XidOf(w), ext); }, "the frame extents"));
		EXPECT_TRUE(Pump([&] { return GetFrameMargins() == ext; }, "the margins")) << pass;
		TopWindow tall;
		tall.Title("Tall").CenterScreen().SetRect(0, 0, 400, 1000);
		tall.Open(nullptr);
		ASSERT_TRUE(Pump([&] { return Placed(tall); }, "the placed window"));
		Rect r = tall.GetRect();
		EXPECT_EQ(GetFrameMargins(), ext) << pass;
		EXPECT_EQ(r.top - ext.top, work.top) << pass;
		EXPECT_EQ(r.bottom + ext.bottom, work.bottom) << pass;
		EXPECT_EQ(r.right - r.left, 400);
	}
}

} // namespace

} // namespace guitest
