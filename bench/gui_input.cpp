// Input of the framework on an X server of this program's own: an XTEST key press until Key runs
// and a motion until MouseMove runs (timed one by one, p50 is the median), motion records through
// the queue to a control eight levels down among fifty siblings a level, keys up a focus chain of
// eight, and a burst of XTEST motions until the last one arrived. Peers in gui_input_peer.cpp.
#include <gui/Gui.h>
#include <gui/ctrl/detail/CtrlAccess.h>
#include <gui/gtk/detail/EventQueue.h>
#include <gui/gtk/detail/Top.h>

// after the framework's headers: X11's macros would spoil names there
#include "GuiInputCases.h"

#include <gdk/gdkx.h>

using namespace Qel;
using namespace bench;

namespace {

bool sStarted()
{
	static bool ok = [] {
		if(!StartOwnDisplay() || !InputDisplay())
			return false;
		char name[] = "bench_gui_input";
		char* argv[] = {name, nullptr};
		return InitGtkApp(1, argv, environ);
	}();
	return ok;
}

struct Counter : Ctrl {
	int   keys = 0;
	int   moves = 0;
	Point last;
	bool  take_keys = false;

	bool Key(dword, int) override               { keys++; return take_keys; }
	void MouseMove(Point p, dword) override     { moves++; last = p; }
};

// What the event loop does, until done holds.
template <class F>
void Pump(F done)
{
	while(!done()) {
		IterateGtkMainContext(true);
		Ctrl::ProcessEvents();
	}
}

void OpenWindow(Counter& c)
{
	c.SetRect(0, 0, WINDOW_CX, WINDOW_CY);
	c.CreateNativeWindow(nullptr, false);
	FocusWindow(GDK_WINDOW_XID(gtk_widget_get_window(detail::CtrlAccess::GetTop(c)->window)));
	Pump([&] { return c.IsWndActive(); });
	c.SetFocus();
	// the pointer starts inside (two moves: one to where it already is makes no event)
	FakeMotion(5, 5);
	FakeMotion(1, 1);
	Pump([&] { return Ctrl::GetMouseCtrl() != nullptr; });
}

void XTestKeyToKey(benchmark::State& state)
{
	if(!sStarted())
		return state.SkipWithError("no display for GTK");
	GuiLock lock;
	Counter c;
	OpenWindow(c);
	RoundTrips trips;
	for(auto _ : state)
		trips.Time([&] {
			int n = c.keys;
			FakeKeyTap(XK_F5);
			Pump([&] { return c.keys >= n + 2; }); // the press and the release
		});
	trips.Report(state);
	state.counters["keys"] = c.keys;
	c.Close();
}

void XTestMotionToMouseMove(benchmark::State& state)
{
	if(!sStarted())
		return state.SkipWithError("no display for GTK");
	GuiLock lock;
	Counter c;
	OpenWindow(c);
	RoundTrips trips;
	int i = 0;
	for(auto _ : state)
		trips.Time([&] {
			int x = 100 + i++ % 2 * 50;
			FakeMotion(x, 100);
			Pump([&] { return c.last.x == x; });
		});
	trips.Report(state);
	state.counters["moves"] = c.moves;
	c.Close();
}

// A window with fifty controls a level, eight levels down; the chain runs through the middle one.
struct Tree {
	Counter       top;
	Array<Ctrl>   plain;
	Array<Counter> chain;
	Counter*      leaf = nullptr;

	Tree()
	{
		Ctrl* parent = &top;
		for(int level = 0; level < DEPTH; level++)
			for(int i = 0; i < SIBLINGS; i++) {
				int x, y, cx, cy;
				SiblingRect(i, x, y, cx, cy);
				Ctrl& q = i == PATH_INDEX ? chain.Add() : plain.Add();
				q.SetRect(x, y, cx, cy);
				parent->AddChild(&q);
				if(i == SIBLINGS - 1)
					parent = &chain.Top();
			}
		leaf = &chain.Top();
		top.take_keys = true; // the key climbs the whole chain to the window
	}
};

void ProcessAll()
{
	while(detail::ProcessNextGdkEvent(nullptr, false))
		;
}

void MotionThroughDeepTree(benchmark::State& state)
{
	if(!sStarted())
		return state.SkipWithError("no display for GTK");
	GuiLock lock;
	Tree t;
	OpenWindow(t.top);
	t.leaf->SetFocus();
	int id = detail::CtrlAccess::GetTop(t.top)->id;
	Rect leaf = t.leaf->GetScreenRect();
	detail::GdkEventQueue& q = detail::GdkQueue();
	for(auto _ : state) {
		int before = t.leaf->moves;
		for(int done = 0; done < INPUT_RECORDS; done += 10000) {
			for(int i = 0; i < 10000; i++) {
				detail::QueuedGdkEvent* e = q.Add(id, GDK_MOTION_NOTIFY);
				e->mousepos = Point(leaf.left + 1 + i % 2, leaf.top + 1);
			}
			ProcessAll();
		}
		if(t.leaf->moves - before != INPUT_RECORDS)
			state.SkipWithError("motion records lost");
	}
	state.counters["leaf_moves"] = t.leaf->moves;
	t.top.Close();
}

void KeysUpDeepFocusChain(benchmark::State& state)
{
	if(!sStarted())
		return state.SkipWithError("no display for GTK");
	GuiLock lock;
	Tree t;
	OpenWindow(t.top);
	t.leaf->SetFocus();
	int id = detail::CtrlAccess::GetTop(t.top)->id;
	detail::GdkEventQueue& q = detail::GdkQueue();
	for(auto _ : state) {
		int before = t.top.keys;
		for(int done = 0; done < INPUT_RECORDS; done += 10000) {
			for(int i = 0; i < 10000; i++) {
				// F5 and F6 by turns: no two neighbours merge
				if(detail::QueuedGdkEvent* e = q.Add(id, GDK_KEY_PRESS)) {
					e->keyval = i % 2 ? 0xffc2 : 0xffc3;
					e->keycode = 71 + i % 2;
				}
			}
			ProcessAll();
		}
		if(t.top.keys - before != INPUT_RECORDS)
			state.SkipWithError("keys lost");
	}
	state.counters["top_keys"] = t.top.keys;
	t.top.Close();
}

void XTestMotionBurst(benchmark::State& state)
{
	if(!sStarted())
		return state.SkipWithError("no display for GTK");
	GuiLock lock;
	Counter c;
	OpenWindow(c);
	int records = 0;
	::Display* gdk = GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
	unsigned long requests = 0;
	for(auto _ : state) {
		int n = c.moves;
		unsigned long r0 = XNextRequest(gdk);
		for(int i = 0; i < BURST; i++)
			XTestFakeMotionEvent(InputDisplay(), -1, BurstX(i), BurstY(i), 0);
		XSync(InputDisplay(), False);
		Pump([&] { return c.last == Point(BurstX(BURST - 1), BurstY(BURST - 1)); });
		records += c.moves - n;
		requests += XNextRequest(gdk) - r0;
		FakeMotion(1, 1);
		Pump([&] { return c.last == Point(1, 1); });
	}
	// the requests the program sent the server while it took the burst in
	state.counters["records_per_burst"] = double(records) / state.iterations();
	state.counters["x_requests_per_burst"] = double(requests) / state.iterations();
	c.Close();
}

} // namespace

BENCHMARK(XTestKeyToKey)->Name("XTestKey/QelKey")->UseRealTime()->Iterations(INPUT_EVENTS)->Unit(benchmark::kMicrosecond);
BENCHMARK(XTestMotionToMouseMove)->Name("XTestMotion/QelMouseMove")->UseRealTime()->Iterations(INPUT_EVENTS)->Unit(benchmark::kMicrosecond);
BENCHMARK(MotionThroughDeepTree)->Name("Motion100kDepth8/QelDispatch")->Unit(benchmark::kMillisecond);
BENCHMARK(KeysUpDeepFocusChain)->Name("Keys100kDepth8/QelDispatch")->Unit(benchmark::kMillisecond);
BENCHMARK(XTestMotionBurst)->Name("XTestBurst1000/QelMouseMove")->UseRealTime()->Iterations(20)->Unit(benchmark::kMillisecond);

