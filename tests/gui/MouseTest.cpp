// Mouse dispatch with real input through XTEST: routing, enter and leave, the frame, the derived
// events on a clock of the test's own, key flags, the capture's grab, the wheel, hooks and the
// user log, click suppression and the cursor on the GDK window.
#include "GuiApp.h"

#include <gui/input/detail/Mouse.h>

#include <X11/keysym.h>
#include <X11/extensions/XTest.h>

namespace guitest {

namespace {

using V = std::vector<std::string>;

// The window's origin on the screen: it opens exactly there without a window manager.
constexpr int X0 = 100, Y0 = 100;

void At(int x, int y)      { testkit::MoveTo(X0 + x, Y0 + y); }
void ClickAt(int x, int y) { testkit::Click(X0 + x, Y0 + y); }

bool sHookOn;

// Takes the presses of the control named "hooked" while a test switches it on.
bool sHook(Ctrl* c, bool, int event, Point, int, dword)
{
	RecordingCtrl* r = dynamic_cast<RecordingCtrl*>(c);
	return sHookOn && r && r->id == "hooked" && event == 0x81;
}

struct CaptureCtrl : RecordingCtrl {
	using RecordingCtrl::RecordingCtrl;
	void LeftDown(Point p, dword k) override
	{
		RecordingCtrl::LeftDown(p, k);
		SetCapture();
	}
};

bool PointerGrabbed()
{
	GdkDisplay* d = gdk_display_get_default();
	return gdk_display_device_is_grabbed(d, gdk_seat_get_pointer(gdk_display_get_default_seat(d)));
}

class Mouse : public GuiApp {};

// The mouse calls of the log that start with prefix, without the cursor queries the timer pass
// makes.
V Mice(const std::string& prefix)
{
	V out;
	for(const std::string& s : Calls(prefix))
		if(s.find("Mouse") != std::string::npos && s.find("(64,") == std::string::npos &&
		   s.find(",64)") == std::string::npos)
			out.push_back(s);
	return out;
}

TEST_F(Mouse, RoutingEnterLeaveAndTheFrame)
{
	PaintCtrl top("top");
	RecordingCtrl a("a"), b("b"), off("off");
	RecordingFrame fa("fa", 5);
	top.AddChild(&a);
	a.SetRect(10, 10, 100, 60);
	a.SetFrame(fa);
	top.AddChild(&b);
	b.SetRect(80, 40, 60, 60);
	top.AddChild(&off);
	off.SetRect(200, 10, 50, 50);
	off.Enable(false);
	Open(top, Rect(X0, Y0, X0 + 300, Y0 + 200));
	CallLog().clear();
	At(12, 12); // the frame of a
	ASSERT_TRUE(PumpFor("a.FrameMouseEvent(32"));
	EXPECT_EQ(Mice("a."), (V{"a.FrameMouseEvent(16,2,2)", "a.FrameMouseEvent(32,2,2)"}));
	EXPECT_EQ(Mice("top.Child"), (V{"top.ChildFrameMouseEvent(a,16)", "top.ChildFrameMouseEvent(a,32)"}));
	CallLog().clear();
	At(30, 30); // its view
	ASSERT_TRUE(PumpFor("a.MouseMove"));
	EXPECT_EQ(Mice("a."), (V{"a.MouseEnter(15,15,0)", "a.MouseMove(15,15,0)"}));
	CallLog().clear();
	At(90, 50); // b lies over a there: the later child is on top
	ASSERT_TRUE(PumpFor("b.MouseMove"));
	EXPECT_EQ(Mice("a."), (V{"a.MouseLeave", "a.FrameMouseEvent(48,0,0)"}));
	EXPECT_EQ(Mice("b."), (V{"b.FrameMouseEvent(16,10,10)", "b.MouseEnter(10,10,0)", "b.MouseMove(10,10,0)"}));
	EXPECT_TRUE(b.HasMouse() && top.HasMouseDeep() && !top.HasMouse() && !a.HasMouseDeep());
	EXPECT_TRUE(b.HasMouseIn(Rect(5, 5, 15, 15)) && !b.HasMouseIn(Rect(0, 0, 5, 5)));
	Point p(90, 50);
	EXPECT_EQ(top.ChildFromPoint(p), &b);
	EXPECT_EQ(p, Point(10, 10));
	CallLog().clear();
	At(210, 20); // a disabled child takes nothing: its parent has the pointer
	ASSERT_TRUE(PumpFor("top.MouseMove"));
	EXPECT_TRUE(Calls("off.").empty());
	// a disabled window swallows everything; a wheel without a delta reaches nobody
	CallLog().clear();
	EXPECT_TRUE(top.DispatchMouse(0x50, Point(20, 20), 0).IsEmpty());
	top.Enable(false);
	EXPECT_EQ(top.DispatchMouse(0x81, Point(20, 20), 0).GetAuxData(), 69u);
	EXPECT_TRUE(Calls("top.Left").empty() && Mice("a.").empty());
}

TEST_F(Mouse, DragTripleHoldAndRepeatOnTheTestClock)
{
	TestClock clock;
	PaintCtrl top("top");
	RecordingCtrl a("a");
	top.AddChild(&a);
	a.SetRect(10, 10, 200, 150);
	Open(top, Rect(X0, Y0, X0 + 300, Y0 + 200));
	ASSERT_TRUE(a.SetFocus());
	At(50, 50);
	testkit::ButtonDown(1);
	ASSERT_TRUE(PumpFor("a.LeftDown"));
	At(54, 50); // exactly the drag distance: no drag yet
	ASSERT_TRUE(PumpFor("a.MouseMove(44"));
	At(55, 50);
	At(70, 50);
	ASSERT_TRUE(PumpFor("a.MouseMove(60"));
	EXPECT_EQ(Calls("a.LeftDrag"), (V{"a.LeftDrag(40,40,8)"})); // once, where the button went down
	testkit::ButtonUp(1);
	ASSERT_TRUE(PumpFor("a.LeftUp"));

	// held still: repeats every 31 ms after half a second while the window has the focus, one
	// hold after a second
	clock.Advance(1000);
	CallLog().clear();
	At(50, 50);
	testkit::ButtonDown(1);
	ASSERT_TRUE(PumpFor("a.LeftDown(40,40,8)"));
	const std::pair<int, size_t> steps[] = {{499, 0}, {1, 0}, {30, 0}, {1, 1}, {31, 2}, {438, 3}};
	for(auto [ms, repeats] : steps) {
		clock.Advance(ms);
		Ctrl::ProcessEvents();
		EXPECT_EQ(Calls("a.LeftRepeat").size(), repeats) << ms;
		EXPECT_EQ(Calls("a.LeftHold").size(), repeats == 3 ? 1u : 0u);
	}
	EXPECT_EQ(Calls("a.LeftRepeat")[0], "a.LeftRepeat(40,40,8)");
	EXPECT_EQ(Calls("a.LeftHold"), (V{"a.LeftHold(40,40,8)"}));
	detail::Focus().focus_ctrl = nullptr; // without the focus the repeat goes on silently
	for(int i = 0; i < 3; i++)
		clock.Advance(31), Ctrl::ProcessEvents();
	EXPECT_EQ(Calls("a.LeftRepeat").size(), 3u);
	testkit::ButtonUp(1);
	ASSERT_TRUE(PumpFor("a.LeftUp"));
	EXPECT_FALSE(ExistsTimeCallback(detail::MouseTimerId()));

	// a press within 500 ms and less than 4 pixels of a double click is a triple one
	for(int dx : {3, 4}) {
		clock.Advance(1000);
		CallLog().clear();
		ClickAt(50, 50);
		ASSERT_TRUE(PumpFor("a.LeftUp"));
		clock.Advance(100);
		ClickAt(50, 50);
		ASSERT_TRUE(PumpFor("a.LeftDouble(40,40,24)"));
		clock.Advance(100);
		CallLog().clear();
		ClickAt(50 + dx, 50);
		ASSERT_TRUE(PumpFor("a.LeftUp"));
		EXPECT_EQ(Calls("a.LeftTriple").size(), dx == 3 ? 1u : 0u) << dx;
		if(dx == 3) {
			EXPECT_EQ(Calls("a.LeftTriple")[0], "a.LeftTriple(43,40,40)");
		}
	}
}

TEST_F(Mouse, KeyFlagsCaptureAndTheWheel)
{
	TestClock clock; // two presses in a row are no double click
	PaintCtrl top("top"), other("other");
	CaptureCtrl a("a");
	RecordingCtrl b("b");
	top.AddChild(&a);
	a.SetRect(10, 10, 100, 100);
	top.AddChild(&b);
	b.SetRect(150, 10, 100, 100);
	Open(top, Rect(X0, Y0, X0 + 300, Y0 + 200));
	ASSERT_TRUE(b.SetFocus());
	Open(other, Rect(X0 + 150, Y0 + 60, X0 + 290, Y0 + 190), &top, true); // over b, partly, unfocused
	::Display* d = GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
	auto key = [&](KeySym s, bool down) {
		XTestFakeKeyEvent(d, XKeysymToKeycode(d, s), down, 0);
		XSync(d, False);
	};
	CallLog().clear();
	At(20, 20);
	for(KeySym s : {XK_Shift_L, XK_Control_L, XK_Alt_L})
		key(s, true);
	testkit::ButtonDown(3);
	ASSERT_TRUE(PumpFor("a.RightDown"));
	clock.Advance(1000);
	testkit::ButtonDown(1);
	ASSERT_TRUE(PumpFor("a.LeftDown"));
	for(KeySym s : {XK_Shift_L, XK_Control_L, XK_Alt_L})
		key(s, false);
	EXPECT_EQ(Calls("a.LeftDown"), (V{"a.LeftDown(10,10," + std::to_string(0x1C00000 | 8 | 4) + ")"}));
	// the press took the capture: the grab holds and moves elsewhere still reach a
	EXPECT_TRUE(a.HasCapture() && top.HoldsPointerGrab() && PointerGrabbed());
	At(170, 20);
	ASSERT_TRUE(PumpFor("a.MouseMove(160,10"));
	EXPECT_TRUE(Calls("b.Mouse").empty());
	testkit::ButtonUp(3);
	testkit::ButtonUp(1);
	ASSERT_TRUE(PumpFor("a.LeftUp"));
	EXPECT_EQ(Calls("a.CancelMode").size(), 1u); // the last button up ended the capture
	EXPECT_FALSE(a.HasCapture());
	EXPECT_TRUE(WaitFor([] { return !PointerGrabbed(); }));
	// a hidden capture takes nothing (and a move without buttons ends it)
	ASSERT_TRUE(a.SetCapture());
	a.Show(false);
	CallLog().clear();
	At(180, 30);
	ASSERT_TRUE(PumpFor("b.MouseMove(30,20"));
	EXPECT_TRUE(Calls("a.MouseMove").empty());
	EXPECT_FALSE(a.HasCapture());
	a.Show(true);

	// the wheel goes to b, then up to its parent's view, which has it instead of a notice
	CallLog().clear();
	testkit::ButtonDown(4);
	testkit::ButtonUp(4);
	ASSERT_TRUE(PumpFor("top.MouseWheel"));
	EXPECT_EQ(Calls("b.MouseWheel"), (V{"b.MouseWheel(30,20,120)"}));
	EXPECT_EQ(Calls("top.MouseWheel"), (V{"top.MouseWheel(180,30,120)"}));
	EXPECT_TRUE(Calls("top.ChildMouseEvent(b,80").empty());
	// over a window without the focus it scrolls the focused one, at the pointer's place there
	At(170, 90);
	ASSERT_TRUE(PumpFor("other.MouseMove"));
	CallLog().clear();
	testkit::ButtonDown(5);
	testkit::ButtonUp(5);
	ASSERT_TRUE(PumpFor("top.MouseWheel"));
	EXPECT_EQ(Calls("b.MouseWheel"), (V{"b.MouseWheel(20,80,-120)"}));
	EXPECT_EQ(Calls("top.MouseWheel"), (V{"top.MouseWheel(170,90,-120)"}));
	EXPECT_TRUE(Calls("other.MouseWheel").empty() && Calls("other.FrameMouseEvent(80").empty());
}

TEST_F(Mouse, HooksUserLogSuppressionAndLeaving)
{
	static bool installed = (Ctrl::InstallMouseHook(sHook), true);
	(void)installed;
	TestClock clock; // clicks far apart in time: no double clicks
	SaveFile(ConfigFile("q.ini"), "user_log = 1\n");
	detail::InvalidateIni();
	PaintCtrl top("top");
	RecordingCtrl a("a"), hooked("hooked");
	top.AddChild(&a);
	a.SetRect(10, 10, 100, 100);
	a.SetDescription("the a");
	top.AddChild(&hooked);
	hooked.SetRect(150, 10, 100, 100);
	Open(top, Rect(X0, Y0, X0 + 300, Y0 + 200));
	ClickAt(50, 50);
	ASSERT_TRUE(PumpFor("a.LeftUp"));
	String log = LoadFile(StdLogFile().GetPath());
	EXPECT_GE(log.Find("LEFTDOWN (40, 40) ( LEFT ) " + Ctrl::Desc(&a) + "\n"), 0) << S(log);
	EXPECT_GE(log.Find("LEFTUP (40, 40) ( ) " + Ctrl::Desc(&a) + "\n"), 0);
	clock.Advance(1000);
	sHookOn = true;
	ClickAt(160, 20); // the hook takes the press before the control and the log
	ASSERT_TRUE(PumpFor("hooked.LeftUp"));
	sHookOn = false;
	EXPECT_TRUE(Calls("hooked.LeftDown").empty());
	EXPECT_LT(LoadFile(StdLogFile().GetPath()).Find("LEFTDOWN (10, 10)"), 0);
	SaveFile(ConfigFile("q.ini"), "");
	detail::InvalidateIni();

	// a suppressed click vanishes with its release; the next one arrives
	CallLog().clear();
	clock.Advance(1000);
	Ctrl::SuppressMouseClick();
	ClickAt(60, 60);
	ASSERT_TRUE(Pump([] { return !detail::Mouse().click_suppressed; }));
	clock.Advance(1000);
	ClickAt(160, 100);
	ASSERT_TRUE(PumpFor("hooked.LeftUp"));
	EXPECT_TRUE(Calls("a.Left").empty());
	EXPECT_EQ(Calls("hooked.LeftDown").size(), 1u);

	// the pointer leaving the window leaves the control too
	CallLog().clear();
	testkit::MoveTo(X0 + 500, Y0 + 500);
	// the check runs in the timer pass, once per tick
	ASSERT_TRUE(Pump([&] {
		clock.Advance(1);
		return !Calls("hooked.MouseLeave").empty();
	}));
	EXPECT_EQ(Ctrl::GetMouseCtrl(), nullptr);
}

TEST_F(Mouse, TheCursorOnTheWindow)
{
	PaintCtrl top("top");
	RecordingCtrl plain("plain"), ibeam("ibeam"), hand("hand"), image("image"), blank("blank");
	ImageBuffer ib(Size(8, 8));
	for(int y = 0; y < 8; y++)
		for(int x = 0; x < 8; x++)
			ib[y][x] = RGBA{0, 0, 255, 255};
	ib.SetHotSpot(Point(4, 4));
	ibeam.cursor = IBeamCursorImage();
	hand.cursor = HandCursorImage();
	image.cursor = Image(ib);
	RecordingCtrl* all[] = {&plain, &ibeam, &hand, &image, &blank};
	for(int i = 0; i < 5; i++) {
		top.AddChild(all[i]);
		all[i]->SetRect(10 + 50 * i, 10, 40, 40);
		all[i]->has_cursor = i > 0;
	}
	Open(top, Rect(X0, Y0, X0 + 300, Y0 + 200));
	auto type = [&] {
		GdkCursor* c = gdk_window_get_cursor(GdkOf(top));
		return c ? gdk_cursor_get_cursor_type(c) : GdkCursorType(-100);
	};
	const GdkCursorType want[] = {GDK_LEFT_PTR, GDK_XTERM, GDK_HAND2, GDK_CURSOR_IS_PIXMAP, GDK_BLANK_CURSOR};
	for(int i : {1, 0, 2, 4, 3}) {
		At(30 + 50 * i, 30);
		EXPECT_TRUE(Pump([&] { return Ctrl::GetMouseCtrl() == all[i] && type() == want[i]; })) << i;
	}
}

} // namespace

} // namespace guitest
