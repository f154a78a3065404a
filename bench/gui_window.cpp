// Native windows of the framework on an X server of this program's own: a refresh until the
// pixels are on the server, one idle window's wake-ups and CPU, the event queue with its
// merging over a million mixed records, and a TopWindow opened, drawn once and closed again
// (timed, and the memory it leaves). Peers in gui_window_peer.cpp.
#include "GuiWindowCases.h"

#include <gui/Gui.h>
#include <gui/gtk/detail/EventQueue.h>
#include <gui/gtk/detail/Wnd.h>
#include <gui/ctrl/detail/CtrlAccess.h>

#include <gtk/gtk.h>

using namespace Qel;
using namespace bench;

namespace {

bool sStarted()
{
	static bool ok = [] {
		if(!StartOwnDisplay())
			return false;
		char name[] = "bench_gui_window";
		char* argv[] = {name, nullptr};
		return InitGtkApp(1, argv, environ);
	}();
	return ok;
}

class Canvas : public Ctrl {
public:
	int           paints = 0;
	Qel::Font     font = Qel::Font(Qel::Font::FindFaceName("DejaVu Sans"), LINE_PX);
	Vector<String> lines;

	void Paint(Draw& w) override
	{
		w.DrawRect(0, 0, WINDOW_CX, WINDOW_CY, Color(255, 255, 255));
		for(int i = 0; i < RECTS; i++) {
			int x, y, cx, cy;
			RectOf(i, x, y, cx, cy);
			uint32_t c = RectRgb(i);
			w.DrawRect(x, y, cx, cy, Color(c >> 16, c >> 8 & 255, c & 255));
		}
		for(int i = 0; i < LINES; i++)
			w.DrawText(LineX(i), LineY(i), lines[i], font, Color(0, 0, 0));
		paints++;
	}

	Canvas()
	{
		for(int i = 0; i < LINES; i++)
			lines.Add(Line(i).c_str());
	}
};

// What the server shows of the rectangles.
int RectCentres(Ctrl& c)
{
	GdkWindow* w = gtk_widget_get_window(detail::CtrlAccess::GetTop(c)->window);
	GdkPixbuf* pb = gdk_pixbuf_get_from_window(w, 0, 0, WINDOW_CX, WINDOW_CY);
	if(!pb)
		return -1;
	const unsigned char* data = gdk_pixbuf_get_pixels(pb);
	int stride = gdk_pixbuf_get_rowstride(pb), channels = gdk_pixbuf_get_n_channels(pb);
	int n = RectCentresRight([&](int x, int y) { return RowPixel(data, stride, channels, x, y); });
	g_object_unref(pb);
	return n;
}

void RefreshToScreen(benchmark::State& state)
{
	if(!sStarted()) {
		state.SkipWithError("no display for GTK");
		return;
	}
	GuiLock lock;
	Canvas c;
	c.SetRect(0, 0, WINDOW_CX, WINDOW_CY);
	c.CreateNativeWindow(nullptr, false);
	while(!c.paints)
		GuiWait(10);
	auto repaint = [&] {
		int n = c.paints;
		c.Refresh();
		while(c.paints == n) {
			Ctrl::ProcessEvents();
			if(c.paints == n)
				IterateGtkMainContext(true);
		}
		gdk_display_sync(gdk_display_get_default());
	};
	repaint(); // the caches are warm from here on
	RoundTrips trips;
	for(auto _ : state)
		trips.Time(repaint);
	trips.Report(state);
	state.counters["rect_centres_right"] = RectCentres(c);
	c.Close();
}

// The canvas filling a window that opens at the corner.
class CanvasWindow : public TopWindow {
public:
	Canvas canvas;

	CanvasWindow()
	{
		canvas.SetRect(0, 0, WINDOW_CX, WINDOW_CY);
		AddChild(&canvas);
		SetRect(0, 0, WINDOW_CX, WINDOW_CY);
		NoCenter();
	}
};

void sCycle()
{
	CanvasWindow w;
	w.Open(nullptr);
	while(!w.canvas.paints) {
		Ctrl::ProcessEvents();
		if(!w.canvas.paints)
			IterateGtkMainContext(true);
	}
	w.Close();
	IterateGtkMainContext(false);
}

void WindowCycle(benchmark::State& state)
{
	if(!sStarted()) {
		state.SkipWithError("no display for GTK");
		return;
	}
	GuiLock lock;
	sCycle(); // the caches are warm from here on
	for(auto _ : state)
		sCycle();
}

void WindowCycleMemory(benchmark::State& state)
{
	if(!sStarted()) {
		state.SkipWithError("no display for GTK");
		return;
	}
	GuiLock lock;
	for(auto _ : state) {
		for(int i = 0; i < MEMORY_FIRST; i++)
			sCycle();
		long first = ProcStatusKB("VmRSS:");
		for(int i = MEMORY_FIRST; i < MEMORY_CYCLES; i++)
			sCycle();
		long all = ProcStatusKB("VmRSS:");
		state.counters["rss_after_100_kb"] = double(first);
		state.counters["rss_growth_kb"] = double(all - first);
	}
}

int sPolls;
GPollFunc sPoll;

// Polls that may sleep are the wake-ups; the loop also polls without waiting.
gint sCountingPoll(GPollFD* fds, guint n, gint timeout)
{
	sPolls += timeout != 0;
	return sPoll(fds, n, timeout);
}

void IdleWindow(benchmark::State& state)
{
	if(!sStarted()) {
		state.SkipWithError("no display for GTK");
		return;
	}
	GuiLock lock;
	for(auto _ : state) {
		Canvas c;
		c.SetRect(0, 0, WINDOW_CX, WINDOW_CY);
		c.CreateNativeWindow(nullptr, false);
		while(!c.paints)
			GuiWait(10);
		sPoll = g_main_context_get_poll_func(nullptr);
		g_main_context_set_poll_func(nullptr, sCountingPoll);
		sPolls = 0;
		double cpu = CpuSeconds();
		SetTimeCallback(IdleSeconds() * 1000, [&] { c.Close(); });
		Ctrl::EventLoop();
		cpu = CpuSeconds() - cpu;
		g_main_context_set_poll_func(nullptr, sPoll);
		state.counters["cpu_pct"] = 100 * cpu / IdleSeconds();
		state.counters["wakeups_per_s"] = double(sPolls) / IdleSeconds();
	}
}

void EventRing(benchmark::State& state)
{
	std::vector<int> bursts;
	std::vector<RecordSpec> mix = RecordMix(bursts);
	// payloads as the event handler makes them, one value per distinct payload (a handler's
	// value is fresh in the cache when it is queued)
	VectorMap<int64, Value> made;
	Vector<int> payload;
	for(const RecordSpec& r : mix) {
		int64 key = int64(r.type) << 32 | r.arg;
		int i = made.Find(key);
		if(i < 0) {
			Value v;
			switch(r.type) {
			case 8:  break; // keys: their fields are set as they are queued
			case 13: v = Rect(0, 0, r.arg, r.arg); break;
			case 31: v = Point(r.arg & 1 ? 120 : 0, r.arg & 2 ? -120 : 120); break;
			case 4:  v = r.arg; break;
			}
			made.Add(key, v);
			i = made.GetCount() - 1;
		}
		payload.Add(i);
	}
	GuiLock lock;
	detail::GdkEventQueue& q = detail::GdkQueue();
	detail::QueuedGdkEvent out;
	int64 popped = 0, counted = 0;
	for(auto _ : state) {
		popped = counted = 0;
		size_t i = 0;
		for(int burst : bursts) {
			for(int k = 0; k < burst && i < mix.size(); k++, i++) {
				detail::QueuedGdkEvent* e = q.Add(mix[i].window, mix[i].type, made[payload[(int)i]]);
				e->state = mix[i].state;
				if(mix[i].type == 8) {
					e->keyval = 0x61;
					e->keycode = mix[i].arg;
				}
			}
			while(!q.IsEmpty()) {
				detail::MergeGdkEvents();
				q.PopHead(out);
				popped++;
				counted += out.count;
			}
		}
	}
	state.counters["popped"] = double(popped);
	state.counters["counted"] = double(counted);
}

} // namespace

BENCHMARK(RefreshToScreen)->Name("RefreshToScreen/QelCtrl")->UseRealTime()->Iterations(REFRESHES);
BENCHMARK(IdleWindow)->Name("IdleWindow/QelEventLoop")->UseRealTime()->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(EventRing)->Name("EventRing1M/QelQueue")->Unit(benchmark::kMillisecond);
BENCHMARK(WindowCycle)->Name("WindowCycle/QelTopWindow")->UseRealTime()->Iterations(CYCLES)->Unit(benchmark::kMillisecond);
BENCHMARK(WindowCycleMemory)->Name("WindowCycleMemory/QelTopWindow")->UseRealTime()->Iterations(1)->Unit(benchmark::kSecond);
