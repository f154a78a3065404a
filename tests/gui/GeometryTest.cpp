// Geometry: the position setters, large offsets, the layout pass, coordinate queries, screen and
// work areas (from a fake and from real displays), and moving a native window.
#include "RecordingCtrl.h"
#include "FakeScreen.h"

#include <testkit/Testkit.h>

#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <gdk/gdkx.h>
#include <gui/gtk/detail/Top.h>

namespace guitest {

using V = std::vector<std::string>;

class Geometry : public CtrlTestBase {};

TEST_F(Geometry, SettersWriteOneAxisAndKeepTheOther)
{
	Ctrl c;
	c.SetRect(1, 2, 3, 4);
	struct Case {
		std::function<void ()> set;
		bool horz;
		LogPosAxis axis;
	} cases[] = {
		{[&] { c.SetLeftPos(5, 6); }, true, LogPosAxis(LogPosAxis::LEFT, 5, 6)},
		{[&] { c.SetRightPos(7, 8); }, true, LogPosAxis(LogPosAxis::RIGHT, 7, 8)},
		{[&] { c.SetTopPos(9, 10); }, false, LogPosAxis(LogPosAxis::TOP, 9, 10)},
		{[&] { c.SetBottomPos(11, 12); }, false, LogPosAxis(LogPosAxis::BOTTOM, 11, 12)},
		{[&] { c.SetHorzSizePos(13, 14); }, true, LogPosAxis(LogPosAxis::SIZE, 13, 14)},
		{[&] { c.SetVertSizePos(15, 16); }, false, LogPosAxis(LogPosAxis::SIZE, 15, 16)},
		{[&] { c.SetHorzCenterPos(17, -18); }, true, LogPosAxis(LogPosAxis::CENTER, -18, 17)},
		{[&] { c.SetVertCenterPos(19, 20); }, false, LogPosAxis(LogPosAxis::CENTER, 20, 19)},
	};
	for(Case& k : cases) {
		LogPos before = c.GetPos();
		k.set();
		LogPos after = c.GetPos();
		EXPECT_EQ(k.horz ? after.x : after.y, k.axis);
		EXPECT_EQ(k.horz ? after.y : after.x, k.horz ? before.y : before.x);
	}
	c.SetSizePos();
	EXPECT_EQ(c.GetPos(), LogPos(LogPosAxis(LogPosAxis::SIZE, 0, 0), LogPosAxis(LogPosAxis::SIZE, 0, 0)));
	Ctrl& chained = c.SetLeftPos(1, 2).SetTopPos(3, 4);
	EXPECT_EQ(&chained, &c);
}

TEST_F(Geometry, LargeOffsetsAndClampedSizes)
{
	RecordingCtrl p("p"), c("c");
	p.SetRect(0, 0, 100, 100);
	p.AddChild(&c);
	c.SetRect(20000, 10, 100, 50);
	EXPECT_TRUE(c.GetFlags() & Ctrl::MEGARECT);
	EXPECT_EQ(c.GetRect(), Rect(20000, 10, 20100, 60));
	EXPECT_EQ(c.GetPos().x, LogPosAxis(LogPosAxis::LEFT, 0, 100));
	EXPECT_EQ(detail::CtrlAccess::StoredRect(c), Rect(0, 0, 100, 50));
	EXPECT_EQ(c.GetScreenRect(), Rect(20000, 10, 20100, 60));

	// moving by the offset alone still moves and tells the control
	CallLog().clear();
	c.SetRect(-30000, 10, 100, 50);
	EXPECT_EQ(c.GetRect(), Rect(-30000, 10, -29900, 60));
	EXPECT_EQ(Calls("c.StateChanged"), V{"c.StateChanged(100)"});

	// a setter of one axis drops that axis's offset
	c.SetLeftPos(5, 20);
	EXPECT_EQ(c.GetRect(), Rect(5, 10, 25, 60));
	c.SetRect(10, 20, 30, 40);
	EXPECT_FALSE(c.GetFlags() & Ctrl::MEGARECT);
	EXPECT_EQ(c.GetRect(), Rect(10, 20, 40, 60));

	c.SetRect(0, 0, 20000, -20000);
	EXPECT_EQ(c.GetPos().x.GetB(), 16000);
	EXPECT_EQ(c.GetPos().y.GetB(), -16000);
	c.SetRect(16000, -16000, 1, 1); // the limit itself is not large
	EXPECT_FALSE(c.GetFlags() & Ctrl::MEGARECT);
}

TEST_F(Geometry, SetPosStepsForAPlacedControl)
{
	RecordingCtrl p("p"), c("c");
	p.SetRect(0, 0, 200, 100);
	p.AddChild(&c);
	c.SetRect(5, 5, 10, 10);
	RefreshProbe probe;
	CallLog().clear();
	c.SetRect(10, 10, 30, 20);
	// the old area, the layout (a new view: refreshed, and the frame records moved), the new area
	EXPECT_EQ(CallLog(), (V{"c.RefreshFrame(0,0,10,10)", "c.Refresh(0,0,30,20)", "c.StateChanged(101)", "c.Layout(30x20)",
	                        "c.RefreshFrame(0,0,30,20)", "c.RefreshFrame(0,0,30,20)", "c.StateChanged(100)"}));
	EXPECT_EQ(c.GetRect(), Rect(10, 10, 40, 30));
	CallLog().clear();
	c.SetRect(10, 10, 30, 20); // the same position: nothing at all
	c.SetPos(c.GetPos(), false);
	EXPECT_TRUE(CallLog().empty());
	c.SetPos(c.GetPos(), true); // only the in-frame flag differs
	EXPECT_TRUE(c.InFrame());
	EXPECT_FALSE(CallLog().empty());
}

TEST_F(Geometry, SyncLayoutLevels)
{
	RecordingCtrl p("p"), a("a"), a1("a1");
	p.SetRect(0, 0, 200, 100);
	p.AddChild(&a);
	a.AddChild(&a1);
	a.SetRightPos(10, 50).SetVertSizePos(5, 5);
	a1.SetSizePos();
	CallLog().clear();
	p.SyncLayout(0);
	EXPECT_TRUE(CallLog().empty()); // nothing changed
	p.SyncLayout(1);
	EXPECT_EQ(CallLog(), (V{"p.StateChanged(101)", "p.Layout(200x100)"}));
	CallLog().clear();
	p.SyncLayout(2);
	EXPECT_EQ(CallLog(), (V{"a1.StateChanged(101)", "a1.Layout(50x90)", "a.StateChanged(101)", "a.Layout(50x90)",
	                        "p.StateChanged(101)", "p.Layout(200x100)"}));
	// a new size lays the children out again
	CallLog().clear();
	p.SetRect(0, 0, 300, 120);
	EXPECT_EQ(a.GetRect(), Rect(240, 5, 290, 115));
	EXPECT_EQ(a1.GetRect(), Rect(0, 0, 50, 110));
	EXPECT_EQ(Calls("a1.Layout"), V{"a1.Layout(50x110)"});
	// a control being destroyed is not laid out
	detail::CtrlAccess::Flags(a) |= Ctrl::DESTROYING;
	CallLog().clear();
	a.SyncLayout(2);
	EXPECT_TRUE(CallLog().empty());
	detail::CtrlAccess::Flags(a) &= ~Ctrl::DESTROYING;
}

TEST_F(Geometry, ScreenRectanglesThroughFramesAndViews)
{
	Ctrl top, inview, inframe;
	top.SetRect(100, 50, 200, 150);
	top.SetFrame(TextColorBorderFrame());
	top.AddChild(&inview);
	top.AddChild(&inframe);
	inview.SetRect(10, 10, 300, 20);
	inframe.SetPos(LogPos(LogPosAxis(LogPosAxis::LEFT, 0, 5), LogPosAxis(LogPosAxis::TOP, 0, 5)), true);
	EXPECT_EQ(top.GetScreenRect(), Rect(100, 50, 300, 200));
	EXPECT_EQ(top.GetScreenView(), Rect(101, 51, 299, 199));
	EXPECT_EQ(inview.GetScreenRect(), Rect(111, 61, 411, 81));
	EXPECT_EQ(inframe.GetScreenRect(), Rect(100, 50, 105, 55));
	EXPECT_EQ(inview.GetVisibleScreenRect(), Rect(111, 61, 299, 81)); // clipped to the parent's view
	EXPECT_EQ(inframe.GetVisibleScreenRect(), Rect(100, 50, 105, 55));
}

TEST_F(Geometry, ExtentsOfViewAndFrameChildren)
{
	Ctrl p, v, f;
	p.SetRect(0, 0, 100, 60);
	p.SetFrame(OutsetFrame()); // view 96 x 56
	p.AddChild(&v);
	p.AddChild(&f);
	v.SetSizePos();
	f.SetPos(LogPos(LogPosAxis(LogPosAxis::SIZE, 0, 0), LogPosAxis(LogPosAxis::BOTTOM, 0, 2)), true);
	EXPECT_EQ(v.GetRect(), Rect(0, 0, 96, 56));
	EXPECT_EQ(f.GetRect(), Rect(0, 58, 100, 60));
}

TEST_F(Geometry, UnplacedControlsLiveInThePrimaryWorkArea)
{
	FakeScreen screen;
	screen.monitors.Add(detail::MonitorArea{Rect(0, 0, 800, 600), Rect(0, 30, 800, 600)});
	Ctrl c;
	c.SetHorzSizePos(10, 10).SetVertCenterPos(100);
	EXPECT_EQ(c.GetRect(), Rect(10, 235, 790, 335));
}

TEST(Screen, AreasFromTheMonitors)
{
	FakeScreen screen;
	screen.monitors.Add(detail::MonitorArea{Rect(0, 0, 1000, 800), Rect(0, 20, 1000, 800)});
	screen.monitors.Add(detail::MonitorArea{Rect(1000, 0, 2000, 800), Rect(1000, 0, 1950, 800)});
	screen.root = Rect(0, 0, 2000, 800);
	screen.primary = 1;
	EXPECT_EQ(Ctrl::GetVirtualScreenArea(), Rect(0, 0, 2000, 800));
	EXPECT_EQ(Ctrl::GetPrimaryWorkArea(), Rect(1000, 0, 1950, 800));
	EXPECT_EQ(Ctrl::GetWorkArea(Point(999, 20)), Rect(0, 20, 1000, 800));
	EXPECT_EQ(Ctrl::GetWorkArea(Point(1000, 10)), Rect(1000, 0, 1950, 800));
	EXPECT_EQ(Ctrl::GetWorkArea(Point(5, 5)), Rect(1000, 0, 1950, 800)); // in no work area: the primary one
	EXPECT_EQ(Ctrl::GetWorkArea(Point(-1, 900)), Rect(1000, 0, 1950, 800));
	EXPECT_EQ(Ctrl().GetMaxSize(), Size(2000, 800));
	Ctrl c;
	EXPECT_EQ(c.GetWorkArea(), Rect(1000, 0, 1950, 800)); // not open: the primary one

	screen.primary = -1; // none marked: the first stands for it
	EXPECT_EQ(Ctrl::GetPrimaryWorkArea(), Rect(0, 20, 1000, 800));

	detail::SetDisplayScale(2);
	EXPECT_EQ(Ctrl::GetVirtualScreenArea(), Rect(0, 0, 4000, 1600));
	EXPECT_EQ(Ctrl::GetWorkArea(Point(2100, 10)), Rect(2000, 0, 3900, 1600));

	screen.wayland = true; // monitor geometry, and the monitor at the root for the whole
	screen.monitor_at_root = Rect(0, 0, 1000, 800);
	EXPECT_EQ(Ctrl::GetVirtualScreenArea(), Rect(0, 0, 2000, 1600));
	EXPECT_EQ(Ctrl::GetPrimaryWorkArea(), Rect(0, 0, 2000, 1600));
	EXPECT_EQ(Ctrl::GetWorkArea(Point(10, 10)), Rect(0, 0, 2000, 1600));
	screen.has_monitor_at_root = false;
	EXPECT_EQ(Ctrl::GetVirtualScreenArea(), Rect(0, 0, 2048, 1536));

	screen.has_root = false;
	screen.monitors.Clear();
	EXPECT_EQ(Ctrl::GetVirtualScreenArea(), Rect(0, 0, 1024, 768));
}

// The areas GDK reports on the test display, at the scale it reports.
void sUseGdkScale()
{
	testkit::InitGtk();
	detail::SetDisplayScale(gdk_window_get_scale_factor(gdk_get_default_root_window()));
}

TEST(Screen, XvfbAtScaleOne)
{
	sUseGdkScale();
	EXPECT_EQ(detail::GetDisplayScale(), 1);
	EXPECT_EQ(Ctrl::GetVirtualScreenArea(), Rect(0, 0, 1280, 1024));
	EXPECT_EQ(Ctrl::GetPrimaryWorkArea(), Rect(0, 0, 1280, 1024));
	EXPECT_EQ(Ctrl::GetWorkArea(Point(5000, 5000)), Rect(0, 0, 1280, 1024));
	EXPECT_EQ(Ctrl().GetMaxSize(), Size(1280, 1024));
}

TEST(Screen, XvfbAtScaleTwo)
{
	if(!testkit::InChild()) {
		testkit::DisplayOptions o;
		o.gdk_scale = 2;
		EXPECT_TRUE(testkit::RunInChild({}, &o));
		return;
	}
	sUseGdkScale();
	EXPECT_EQ(detail::GetDisplayScale(), 2);
	EXPECT_EQ(Ctrl::GetVirtualScreenArea(), Rect(0, 0, 1280, 1024));
	EXPECT_EQ(Ctrl::GetPrimaryWorkArea(), Rect(0, 0, 1280, 1024));
}

TEST(Screen, WithoutADisplayTheFallbackArea)
{
	if(!testkit::InChild()) {
		EXPECT_TRUE(testkit::RunInChild());
		return;
	}
	// GTK never started in this process
	EXPECT_EQ(Ctrl::GetVirtualScreenArea(), Rect(0, 0, 1024, 768));
	EXPECT_EQ(Ctrl().GetMaxSize(), Size(1024, 768));
	EXPECT_EQ(Ctrl::GetPrimaryWorkArea(), Rect(0, 0, 1024, 768));
}

TEST(Screen, StrutWindowShrinksTheWorkArea)
{
	if(!testkit::InChild()) {
		testkit::DisplayOptions o;
		o.window_manager = true;
		EXPECT_TRUE(testkit::RunInChild({}, &o));
		return;
	}
	sUseGdkScale();
	GtkWidget* dock = gtk_window_new(GTK_WINDOW_TOPLEVEL);
	gtk_window_set_type_hint(GTK_WINDOW(dock), GDK_WINDOW_TYPE_HINT_DOCK);
	gtk_window_set_default_size(GTK_WINDOW(dock), 1280, 40);
	gtk_widget_realize(dock);
	GdkWindow* w = gtk_widget_get_window(dock);
	// left, right, top, bottom, then the start and end of each edge's span
	gulong strut[12] = {0, 0, 40, 0, 0, 0, 0, 0, 0, 1279, 0, 0};
	gdk_property_change(w, gdk_atom_intern("_NET_WM_STRUT_PARTIAL", FALSE), gdk_atom_intern("CARDINAL", FALSE), 32,
	                    GDK_PROP_MODE_REPLACE, (const guchar*)strut, 12);
	gtk_widget_show(dock);
	EXPECT_TRUE(testkit::PumpUntil([] { return Ctrl::GetPrimaryWorkArea() == Rect(0, 40, 1280, 1024); }))
		<< Str(Ctrl::GetPrimaryWorkArea());
	EXPECT_EQ(Ctrl::GetWorkArea(Point(100, 100)), Rect(0, 40, 1280, 1024));
	EXPECT_EQ(Ctrl::GetVirtualScreenArea(), Rect(0, 0, 1280, 1024));
	gtk_widget_destroy(dock);
}

// A control with a real native window of its own.
struct NativeCtrl : RecordingCtrl {
	detail::Top* top;

	NativeCtrl() : RecordingCtrl("w")
	{
		testkit::InitGtk();
		top = new detail::Top;
		top->window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
		gtk_window_set_decorated(GTK_WINDOW(top->window), FALSE);
		gtk_widget_realize(top->window);
		detail::CtrlAccess::SetTop(*this, top);
		detail::CtrlAccess::Flags(*this) |= Ctrl::ISOPEN;
	}
	Rect ServerRect() const
	{
		int x, y, cx, cy;
		gdk_window_get_geometry(gtk_widget_get_window(top->window), &x, &y, &cx, &cy);
		return Rect(x, y, x + cx, y + cy);
	}
};

TEST_F(Geometry, NativeWindowMovesWithItsControl)
{
	sUseGdkScale();
	NativeCtrl w;
	ASSERT_TRUE(w.IsOpen());
	w.WndSetPos(Rect(30, 40, 330, 240));
	EXPECT_EQ(w.GetRect(), Rect(30, 40, 330, 240));
	EXPECT_EQ(w.ServerRect(), Rect(30, 40, 330, 240));
	CallLog().clear();
	w.SetRect(50, 60, 100, 80); // an open window moves through its native window
	EXPECT_EQ(w.ServerRect(), Rect(50, 60, 150, 140));
	EXPECT_EQ(w.GetRect(), Rect(50, 60, 150, 140));
	EXPECT_EQ(Calls("w.StateChanged(100)").size(), 2u); // from the native move and from SetPos
}

TEST_F(Geometry, NativeWindowFarOffKeepsItsCoordinates)
{
	sUseGdkScale();
	NativeCtrl w;
	w.WndSetPos(Rect(20000, 10, 20100, 60));
	EXPECT_EQ(w.GetRect(), Rect(20000, 10, 20100, 60));
	EXPECT_EQ(w.GetScreenRect(), Rect(20000, 10, 20100, 60));
	EXPECT_EQ(w.GetSize(), Size(100, 50));
	w.WndSetPos(Rect(-17000, -17000, -16900, -16950));
	EXPECT_EQ(w.GetRect(), Rect(-17000, -17000, -16900, -16950));
}

TEST_F(Geometry, NativeWindowAtScaleTwo)
{
	if(!testkit::InChild()) {
		testkit::DisplayOptions o;
		o.gdk_scale = 2;
		EXPECT_TRUE(testkit::RunInChild({}, &o));
		return;
	}
	sUseGdkScale();
	NativeCtrl w;
	w.WndSetPos(Rect(20, 40, 820, 640));
	EXPECT_EQ(w.GetRect(), Rect(20, 40, 820, 640));
	EXPECT_EQ(w.ServerRect(), Rect(10, 20, 410, 320)); // GDK units
}

} // namespace guitest
