// Native windows on a real X server: opening, painting, repaint requests at scale 1 and 2,
// configure sweeps, moves, grabs, and what open windows change in the tree's notices.
#include "GuiApp.h"

#include <X11/Xlib.h>

namespace guitest {

namespace {

using V = std::vector<std::string>;

unsigned Rgb(Color c) { return unsigned(c.GetR()) << 16 | c.GetG() << 8 | c.GetB(); }

class Wnd : public GuiApp {};

TEST_F(Wnd, HintsMaskOwnersAndIdsThatAreNeverReused)
{
	PaintCtrl a("a"), b("b"), menu("menu"), combo("combo");
	RecordingCtrl child("child");
	a.AddChild(&child);
	Open(a, Rect(10, 10, 210, 110));
	Open(b, Rect(30, 30, 130, 80), &a);
	Open(menu, Rect(40, 40, 90, 90), nullptr, true);
	Open(combo, Rect(50, 50, 90, 90), &a, true);
	auto hint = [&](Ctrl& c) { return (int)gtk_window_get_type_hint(GTK_WINDOW(TopOf(c)->window)); };
	EXPECT_EQ(hint(a), 0);
	EXPECT_EQ(hint(b), 1);
	EXPECT_EQ(hint(menu), 9);
	EXPECT_EQ(hint(combo), 12);
	EXPECT_FALSE(gtk_window_get_decorated(GTK_WINDOW(TopOf(menu)->window)));
	EXPECT_EQ(gtk_widget_get_events(TopOf(a)->drawing), 0x37ffff6);
	EXPECT_EQ(gtk_window_get_transient_for(GTK_WINDOW(TopOf(b)->window)), GTK_WINDOW(TopOf(a)->window));
	EXPECT_EQ(b.GetOwner(), &a);
	EXPECT_EQ(a.GetOwner(), nullptr);
	EXPECT_EQ(GetFrameMargins(), Rect(8, 32, 8, 8)); // nothing measured them
	EXPECT_EQ(Ctrl::GetTopCtrls(), (Vector<Ctrl*>{&a, &b, &menu, &combo}));
	EXPECT_EQ(Ctrl::GetTopWindows(), (Vector<Ctrl*>{&a, &b}));
	// opening told the whole tree and re-skinned it
	EXPECT_EQ(Calls("child.StateChanged(16)").size(), 1u);
	EXPECT_EQ(Calls("child.ApplySkin").size(), 1u);

	int id = TopOf(b)->id;
	b.Close();
	EXPECT_FALSE(b.IsOpen());
	EXPECT_EQ(detail::FindWndCtrl(id), nullptr);
	Open(b, Rect(30, 30, 130, 80));
	EXPECT_GT(TopOf(b)->id, TopOf(combo)->id);
}

// The tree's pixels, then a change repainted exactly (rounded out to whole GDK units).
void PaintAndRepaint(GuiApp& t, int scale)
{
	PaintCtrl top("top", Color(250, 250, 250)), child("child", Color(200, 40, 40));
	top.AddChild(&child);
	child.SetRect(20, 30, 40, 20);
	t.Open(top, Rect(100, 100, 300, 220));
	EXPECT_EQ(detail::GetDisplayScale(), scale);
	EXPECT_EQ(t.Pixels(top, 25, 35)[0], Rgb(child.color));
	EXPECT_EQ(t.Pixels(top, 15, 35)[0], Rgb(top.color));
	EXPECT_EQ(t.Pixels(top, 65, 35)[0], Rgb(top.color));

	top.Refresh(Rect(11, 13, 31, 27));
	ASSERT_TRUE(t.Repainted(top));
	EXPECT_EQ(top.clip, scale == 1 ? Rect(11, 13, 31, 27) : Rect(10, 12, 32, 28));
	child.color = Color(40, 40, 200);
	child.Refresh();
	ASSERT_TRUE(t.Repainted(child));
	EXPECT_EQ(t.Pixels(top, 59, 49)[0], Rgb(child.color));

	detail::Top* w = TopOf(top);
	w->invalid.Clear();
	top.Refresh(Rect(1, 1, 4, 4));
	EXPECT_EQ(w->invalid[0], scale == 1 ? Rect(1, 1, 4, 4) : Rect(0, 0, 2, 2));
}

TEST_F(Wnd, PaintsTheTreeAndRepaintsWhatChanged)
{
	PaintAndRepaint(*this, 1);
}

TEST_F(Wnd, AtScaleTwoConfigureAndRepaintCoverDevicePixels)
{
	if(!testkit::InChild()) {
		testkit::DisplayOptions o;
		o.gdk_scale = 2;
		EXPECT_TRUE(testkit::RunInChild({}, &o));
		return;
	}
	PaintAndRepaint(*this, 2);
	PaintCtrl w("w");
	Open(w, Rect(0, 0, 100, 100));
	GdkEvent* e = gdk_event_new(GDK_CONFIGURE);
	e->configure.x = 10;
	e->configure.y = 20;
	e->configure.width = 400;
	e->configure.height = 300;
	detail::GdkQueue().Clear();
	EXPECT_FALSE(detail::GtkEventProc(nullptr, e, detail::IdToData(TopOf(w)->id)));
	gdk_event_free(e);
	ASSERT_EQ(detail::GdkQueue().GetCount(), 1);
	EXPECT_EQ(detail::GdkQueue()[0].value.ToRect(), Rect(20, 40, 820, 640));
}

TEST_F(Wnd, RefreshQueueingAndTheLimitOfTheInvalidList)
{
	PaintCtrl top("top"), hidden("hidden");
	RecordingCtrl closed("closed");
	top.AddChild(&hidden);
	hidden.SetRect(0, 0, 10, 10);
	Open(top, Rect(0, 0, 200, 100));
	detail::Top* w = TopOf(top);
	Ctrl::FlushInvalid();
	w->invalid.Clear();
	closed.Refresh();
	hidden.Show(false);
	w->invalid.Clear();
	hidden.Refresh();
	EXPECT_TRUE(w->invalid.IsEmpty());
	top.Refresh();
	top.Refresh();
	top.Refresh(Rect(1, 1, 5, 5)); // held back until the whole view is painted
	EXPECT_EQ(w->invalid.GetCount(), 1);
	top.SyncLayout(); // clears the hold
	w->invalid.Clear();
	for(int i = 0; i < 41; i++)
		top.Refresh(Rect(i, 0, i + 1, 1));
	EXPECT_EQ(w->invalid.GetCount(), 41);
	top.Refresh(Rect(50, 50, 51, 51));
	top.Refresh(Rect(60, 50, 61, 51));
	ASSERT_EQ(w->invalid.GetCount(), 1);
	EXPECT_EQ(w->invalid[0], GetNullRect());
	ASSERT_TRUE(Repainted(top));
	EXPECT_EQ(top.clip, Rect(0, 0, 200, 100)); // the whole window
	// Sync hands what is pending to the window system at once
	top.Refresh(Rect(10, 10, 20, 20));
	int n = top.paints;
	top.Sync();
	EXPECT_TRUE(w->invalid.IsEmpty());
	ASSERT_TRUE(WaitFor([&] { return top.paints > n; }));
	EXPECT_EQ(top.clip, Rect(10, 10, 20, 20));
}

TEST_F(Wnd, TwelveClipRectanglesPaintTheirExtentsNineEachOne)
{
	for(int n : {9, 12}) {
		PaintCtrl top("top");
		Open(top, Rect(0, 0, 400, 50));
		bool gap_painted = false;
		top.extra = [&](Draw& w) { gap_painted = w.IsPaintingOp(Rect(12, 5, 18, 15)); };
		for(int i = 0; i < n; i++)
			top.Refresh(Rect(20 * i, 5, 20 * i + 10, 15));
		ASSERT_TRUE(Repainted(top));
		EXPECT_EQ(gap_painted, n == 12) << n;
		top.Close();
	}
}

TEST_F(Wnd, SweepAppliesTheWindowSystemsAnswerBeforeOtherRecords)
{
	PaintCtrl top("top");
	Open(top, Rect(50, 60, 250, 160));
	detail::GdkQueue().Clear();
	detail::EnqueueGdkEvent(TopOf(top)->id, GDK_MOTION_NOTIFY, Value(), nullptr);
	GdkWindow* gw = GdkOf(top);
	XResizeWindow(GDK_WINDOW_XDISPLAY(gw), GDK_WINDOW_XID(gw), 333, 222);
	XFlush(GDK_WINDOW_XDISPLAY(gw));
	ASSERT_TRUE(WaitFor([&] { return detail::SweepConfigure(top, false); }));
	EXPECT_EQ(top.GetRect(), Rect(50, 60, 383, 282));
	EXPECT_EQ(detail::GdkQueue()[0].type, GDK_MOTION_NOTIFY); // still first, still there
	for(int i = 1; i < detail::GdkQueue().GetCount(); i++)
		EXPECT_NE(detail::GdkQueue()[i].type, GDK_CONFIGURE);
}

TEST_F(Wnd, MovesAndTheWorkAreaOfAnOpenWindow)
{
	PaintCtrl top("top");
	Open(top, Rect(10, 10, 110, 60));
	CallLog().clear();
	top.SetRect(200, 150, 320, 90);
	EXPECT_EQ(top.GetRect(), Rect(200, 150, 520, 240));
	EXPECT_FALSE(Calls("top.StateChanged(100)").empty());
	ASSERT_TRUE(WaitFor([&] { return top.GetWndScreenRect() == Rect(200, 150, 520, 240); }));
	GdkRectangle wa;
	gdk_monitor_get_workarea(gdk_display_get_monitor_at_window(gdk_display_get_default(), GdkOf(top)), &wa);
	EXPECT_EQ(top.GetWorkArea(), Rect(wa.x, wa.y, wa.x + wa.width, wa.y + wa.height));
	// a far position keeps its large offset, as SetRect does
	detail::SetWndRectFromSystem(top, Rect(20000, 10, 20100, 60));
	EXPECT_EQ(top.GetRect(), Rect(20000, 10, 20100, 60));
}

TEST_F(Wnd, ChildrenOfAnOpenWindowAreToldTheyOpenAndClose)
{
	PaintCtrl top("top");
	RecordingCtrl a("a"), b("b");
	top.AddChild(&a);
	Open(top, Rect(0, 0, 100, 100));
	top.AddChild(&b);
	EXPECT_EQ(Calls("b.StateChanged"), V{"b.StateChanged(16)"});
	EXPECT_EQ(Calls("b.ApplySkin").size(), 1u);
	CallLog().clear();
	top.AddChild(&a); // a re-order: no notice
	EXPECT_TRUE(Calls("a.StateChanged").empty());
	top.RemoveChild(&b);
	EXPECT_EQ(Calls("b.StateChanged"), V{"b.StateChanged(17)"});
}

TEST_F(Wnd, TheCaretShowsAtOnceAndBlinksEveryHalfSecond)
{
	static dword now;
	now = 100000;
	detail::SetGuiTickSource([] { return now; });
	PaintCtrl top("top");
	top.caret = Rect(10, 10, 14, 30);
	Open(top, Rect(0, 0, 100, 100));
	ASSERT_TRUE(top.SetFocus());
	std::vector<unsigned> seen;
	// at once: the caret is up without the clock moving (its paint may be over already)
	EXPECT_TRUE(Pump([&] { return Pixels(top, 12, 20)[0] == 0; }, "the caret"));
	seen.push_back(Pixels(top, 12, 20)[0]);
	for(dword t : {500u, 1000u}) {
		now = 100000 + t;
		ASSERT_TRUE(Repainted(top));
		seen.push_back(Pixels(top, 12, 20)[0]);
	}
	detail::SetGuiTickSource(nullptr);
	EXPECT_EQ(seen, (std::vector<unsigned>{0, 0xFFFFFF, 0}));
}

TEST_F(Wnd, GrabsOfTheCaptureAndOfPopups)
{
	PaintCtrl top("top"), popup("popup");
	Open(top, Rect(0, 0, 100, 100));
	Open(popup, Rect(0, 0, 50, 50), &top, true);
	GdkDevice* pointer = gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_display_get_default()));
	auto grabbed = [&] { return (bool)gdk_display_device_is_grabbed(gdk_display_get_default(), pointer); };
	detail::CaptureGrabCtrl() = &top;
	detail::RegrabCapture();
	EXPECT_TRUE(grabbed());
	EXPECT_TRUE(detail::ReleaseCaptureGrab());
	EXPECT_TRUE(WaitFor([&] { return !grabbed(); }));
	EXPECT_FALSE(detail::ReleaseCaptureGrab());
	detail::Focus().popup_grabs.Add(&popup);
	detail::GrabPopup();
	EXPECT_EQ(detail::PopupGrabCtrl(), &popup);
	EXPECT_TRUE(grabbed());
	popup.Close(); // leaves the popup list, with its grab
	EXPECT_EQ(detail::PopupGrabCtrl(), nullptr);
	EXPECT_TRUE(WaitFor([&] { return !grabbed(); }));
}

TEST_F(Wnd, AnExceptionInAPaintReachesThePumpWithTheLockDepthKept)
{
	PaintCtrl top("top");
	Open(top, Rect(0, 0, 100, 100));
	top.extra = [](Draw&) { throw Exc("paint failed"); };
	top.Refresh();
	int depth = GetGuiMutexDepth();
	String thrown;
	for(int i = 0; i < 500 && thrown.IsEmpty(); i++)
		try {
			GuiWait(10);
			Ctrl::ProcessEvents();
		}
		catch(const Exc& e) {
			thrown = e;
		}
	EXPECT_EQ(thrown, "paint failed");
	EXPECT_EQ(GetGuiMutexDepth(), depth);
	top.extra = nullptr;
	top.Refresh();
	EXPECT_TRUE(Repainted(top)); // GTK goes on as before
}

} // namespace

} // namespace guitest
