// Tests of open windows: the GUI started through the framework once per process, a fixture
// that holds the start-up's level of the GUI lock and closes what a test opened, and a control
// that paints a colour and records what each paint covered.
#pragma once

#include "RecordingCtrl.h"

#include <gui/detail/Backend.h>
#include <gui/ctrl/detail/Focus.h>
#include <gui/input/detail/Mouse.h>
#include <gui/gtk/detail/EventQueue.h>
#include <gui/gtk/detail/KeyTranslate.h>
#include <gui/gtk/detail/Wnd.h>
#include <testkit/Testkit.h>

#include <gdk/gdkx.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <functional>
#include <unistd.h>

namespace guitest {

inline bool StartGui()
{
	static bool ok = [] {
		char name[] = "qel_gui_tests";
		char* argv[] = {name, nullptr};
		bool started = InitGtkApp(1, argv, environ);
		if(started)
			ExitGtkApp(); // each test takes its own level
		return started;
	}();
	return ok;
}

// Runs GLib (nothing is dispatched: records stay queued) until pred holds.
inline bool WaitFor(const std::function<bool()>& pred, int timeout_ms = testkit::WAIT_MS, const char* what = nullptr,
                    const testkit::SourceLocation& where = testkit::SourceLocation::current())
{
	auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
	while(!pred()) {
		if(std::chrono::steady_clock::now() > deadline) {
			testkit::ReportTimeout(what, timeout_ms, where);
			return false;
		}
		GuiWait(10);
	}
	return true;
}

inline detail::Top* TopOf(Ctrl& c)            { return detail::CtrlAccess::GetTop(c); }
inline GdkWindow*   GdkOf(Ctrl& c)            { return gtk_widget_get_window(TopOf(c)->window); }
inline unsigned long XidOf(Ctrl& c)           { return GDK_WINDOW_XID(GdkOf(c)); }

class PaintCtrl : public RecordingCtrl {
public:
	Color             color = Color(255, 255, 255);
	int               paints = 0;
	Rect              clip;    // of the last paint, in view coordinates
	std::function<void(Draw&)> extra;

	void Paint(Draw& w) override
	{
		paints++;
		if(SystemDraw* s = dynamic_cast<SystemDraw*>(&w)) {
			double x1, y1, x2, y2;
			cairo_clip_extents(s->GetCairo(), &x1, &y1, &x2, &y2);
			clip = Rect((int)floor(x1), (int)floor(y1), (int)ceil(x2), (int)ceil(y2));
		}
		Size sz = GetSize();
		w.DrawRect(0, 0, sz.cx, sz.cy, color);
		if(extra)
			extra(w);
	}

	// No caret unless a test gives one: a focused window blinks it, which would add its
	// rectangle to the repaints the tests measure.
	explicit PaintCtrl(std::string id = "p", Color c = Color(255, 255, 255)) : RecordingCtrl(std::move(id)), color(c)
	{
		caret = Rect();
	}
};

// A clock of the test's own behind timers, double clicks, repeats and the caret: stepped by hand,
// so that timing rules are seen exactly, however loaded the machine is.
class TestClock {
public:
	// Far from where an earlier test left it: no click of one test pairs with one of another.
	TestClock()                  { Now() += 100000; detail::SetGuiTickSource([] { return Now().load(); }); ForgetClicks(); }
	~TestClock()                 { detail::SetGuiTickSource(nullptr); ForgetClicks(); }
	void Advance(int ms)         { Now() += ms; }

	// Click times are kept in the clock's own terms; one of the other clock (the real one runs
	// ahead of this after a few minutes of uptime) would pair with the next click.
	static void ForgetClicks()
	{
		dword now = detail::GuiTick();
		detail::SetLastClickTime(now - 100000);
		for(int& t : detail::Mouse().double_time)
			t = detail::NULL_INT;
	}

private:
	static std::atomic<dword>& Now() { static std::atomic<dword> t{1000000}; return t; }
};

class GuiApp : public CtrlTestBase {
protected:
	void SetUp() override
	{
		CtrlTestBase::SetUp();
		ASSERT_TRUE(StartGui());
		EnterGuiMutex();
		Neutral();
	}
	void TearDown() override
	{
		Ctrl::CloseTopCtrls();
		detail::GdkQueue().Clear();
		detail::FocusState& f = detail::Focus();
		f.focus_ctrl = f.focus_wnd = f.loop_ctrl = nullptr;
		f.popup_grabs.Clear();
		Neutral();
		LeaveGuiMutex();
		CtrlTestBase::TearDown();
	}

	// The server and the dispatcher as if nobody had touched them: one display serves every test,
	// and a pointer left over a window the next test opens, a button or key an aborted test held,
	// or a click it made would reach that test.
	static void Neutral()
	{
		const std::pair<int, int> corner = testkit::ResetInput();
		const int x = corner.first, y = corner.second; // a lambda below takes them
		// asked on the program's own connection, in the server's pixels whatever the scale
		::Display* d = GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
		ASSERT_TRUE(WaitFor([&] {
			::Window root, child;
			int px, py, wx, wy;
			unsigned mask;
			XQueryPointer(d, DefaultRootWindow(d), &root, &child, &px, &py, &wx, &wy, &mask);
			return px == x && py == y && !(mask & 0x1F00);
		}, testkit::WAIT_MS, "the pointer in the corner"));
		Ctrl::StopMouseRepeat();
		detail::FocusState& f = detail::Focus();
		f.capture = f.pointer_ctrl = nullptr;
		detail::Mouse() = detail::MouseState();
		detail::GdkButtonWord() = 0;
		detail::GdkLastMousePos() = Point(x, y);
		detail::CurrentGdkEvent().state = 0;
		detail::CurrentGdkEvent().mousepos = Point(x, y);
		TestClock::ForgetClicks();
		// A window that had the focus when it closed handed it to the root at that moment; a
		// focus request stamped with an earlier user action than that is ignored, and the next
		// test's window would stay inactive unless the pointer happens to lie over it. So the
		// program's last user action is now.
		GdkWindowAttr attr = {};
		attr.wclass = GDK_INPUT_ONLY;
		attr.window_type = GDK_WINDOW_TOPLEVEL;
		attr.width = attr.height = 1;
		attr.event_mask = GDK_PROPERTY_CHANGE_MASK; // the server time comes back as a property notice
		GdkWindow* w = gdk_window_new(nullptr, &attr, 0);
		gdk_x11_window_set_user_time(w, gdk_x11_get_server_time(w));
		gdk_window_destroy(w);
	}

public:
	// Opens c at r (device pixels) and waits for its first paint.
	void Open(PaintCtrl& c, const Rect& r, Ctrl* owner = nullptr, bool popup = false)
	{
		c.SetRect(r);
		c.CreateNativeWindow(owner, popup);
		ASSERT_TRUE(c.IsOpen());
		ASSERT_TRUE(WaitFor([&] { return c.paints > 0; }, testkit::WAIT_MS, "the first paint"));
		Settle(c);
	}

	// Pumps until a few passes in a row painted nothing: what opening set off is over.
	void Settle(PaintCtrl& c)
	{
		for(int quiet = 0, guard = 0; quiet < 3 && guard < 300; guard++) {
			int n = c.paints;
			Ctrl::ProcessEvents();
			GuiWait(10);
			quiet = c.paints == n && TopOf(c)->invalid.IsEmpty() ? quiet + 1 : 0;
		}
	}

	// Pumps the way the event loop does (dispatching what arrives) until pred holds.
	bool Pump(const std::function<bool()>& pred, const char* what = nullptr,
	          const testkit::SourceLocation& where = testkit::SourceLocation::current())
	{
		return WaitFor([&] {
			Ctrl::ProcessEvents();
			return pred();
		}, testkit::WAIT_MS, what, where);
	}
	// Pumps until the log holds an entry that starts with prefix.
	bool PumpFor(const std::string& prefix, const testkit::SourceLocation& where = testkit::SourceLocation::current())
	{
		return Pump([&] { return !Calls(prefix).empty(); }, prefix.c_str(), where);
	}

	// Pumps the way the event loop does until c painted again.
	bool Repainted(PaintCtrl& c, const testkit::SourceLocation& where = testkit::SourceLocation::current())
	{
		int n = c.paints;
		return WaitFor([&] {
			Ctrl::ProcessEvents();
			return c.paints > n;
		}, testkit::WAIT_MS, "a repaint", where);
	}

	std::vector<unsigned> Pixels(Ctrl& c, int x, int y, int cx = 1, int cy = 1)
	{
		gdk_display_sync(gdk_display_get_default());
		return testkit::ReadPixels(XidOf(c), x, y, cx, cy);
	}
};

} // namespace guitest
