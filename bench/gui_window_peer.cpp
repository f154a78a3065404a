// Peers of gui_window.cpp: a plain GTK program on its own X server (a GtkDrawingArea painted with
// cairo and Pango after gtk_widget_queue_draw, gtk_main idling with one window, a window made,
// shown, drawn once and destroyed), and the event records merged and popped from a std::deque.
#include "GuiWindowCases.h"

#include <gtk/gtk.h>

#include <array>
#include <deque>
#include <variant>

using namespace bench;

namespace {

bool sStarted()
{
	static bool ok = StartOwnDisplay() && gtk_init_check(nullptr, nullptr);
	return ok;
}

struct Area {
	GtkWidget*   window;
	GtkWidget*   area;
	PangoLayout* layout = nullptr;
	int          draws = 0;
};

gboolean sDraw(GtkWidget*, cairo_t* cr, gpointer data)
{
	Area& a = *static_cast<Area*>(data);
	cairo_set_source_rgb(cr, 1, 1, 1);
	cairo_paint(cr);
	for(int i = 0; i < RECTS; i++) {
		int x, y, cx, cy;
		RectOf(i, x, y, cx, cy);
		uint32_t c = RectRgb(i);
		cairo_set_source_rgb(cr, (c >> 16) / 255.0, (c >> 8 & 255) / 255.0, (c & 255) / 255.0);
		cairo_rectangle(cr, x, y, cx, cy);
		cairo_fill(cr);
	}
	if(!a.layout) {
		a.layout = pango_cairo_create_layout(cr);
		PangoFontDescription* d = pango_font_description_from_string("DejaVu Sans");
		pango_font_description_set_absolute_size(d, LINE_PX * PANGO_SCALE);
		pango_layout_set_font_description(a.layout, d);
		pango_font_description_free(d);
	}
	cairo_set_source_rgb(cr, 0, 0, 0);
	for(int i = 0; i < LINES; i++) {
		pango_layout_set_text(a.layout, Line(i).c_str(), -1);
		cairo_move_to(cr, LineX(i), LineY(i));
		pango_cairo_show_layout(cr, a.layout);
	}
	a.draws++;
	return TRUE;
}

void sOpen(Area& a)
{
	a.window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
	a.area = gtk_drawing_area_new();
	gtk_widget_set_size_request(a.area, WINDOW_CX, WINDOW_CY);
	g_signal_connect(a.area, "draw", G_CALLBACK(sDraw), &a);
	gtk_container_add(GTK_CONTAINER(a.window), a.area);
	gtk_window_move(GTK_WINDOW(a.window), 0, 0);
	gtk_widget_show_all(a.window);
	while(!a.draws)
		g_main_context_iteration(nullptr, TRUE);
}

void sClose(Area& a)
{
	if(a.layout)
		g_object_unref(a.layout);
	gtk_widget_destroy(a.window);
	while(g_main_context_iteration(nullptr, FALSE))
		;
}

void RefreshToScreen(benchmark::State& state)
{
	if(!sStarted()) {
		state.SkipWithError("no display for GTK");
		return;
	}
	Area a;
	sOpen(a);
	auto repaint = [&] {
		int n = a.draws;
		gtk_widget_queue_draw(a.area);
		while(a.draws == n)
			g_main_context_iteration(nullptr, TRUE);
		gdk_display_sync(gdk_display_get_default());
	};
	repaint();
	RoundTrips trips;
	for(auto _ : state)
		trips.Time(repaint);
	trips.Report(state);
	GdkPixbuf* pb = gdk_pixbuf_get_from_window(gtk_widget_get_window(a.area), 0, 0, WINDOW_CX, WINDOW_CY);
	if(pb) {
		const unsigned char* data = gdk_pixbuf_get_pixels(pb);
		int stride = gdk_pixbuf_get_rowstride(pb), channels = gdk_pixbuf_get_n_channels(pb);
		state.counters["rect_centres_right"] =
			RectCentresRight([&](int x, int y) { return RowPixel(data, stride, channels, x, y); });
		g_object_unref(pb);
	}
	sClose(a);
}

void sCycle()
{
	Area a;
	sOpen(a);
	sClose(a);
}

void WindowCycle(benchmark::State& state)
{
	if(!sStarted()) {
		state.SkipWithError("no display for GTK");
		return;
	}
	sCycle();
	for(auto _ : state)
		sCycle();
}

void WindowCycleMemory(benchmark::State& state)
{
	if(!sStarted()) {
		state.SkipWithError("no display for GTK");
		return;
	}
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
	for(auto _ : state) {
		Area a;
		sOpen(a);
		sPoll = g_main_context_get_poll_func(nullptr);
		g_main_context_set_poll_func(nullptr, sCountingPoll);
		sPolls = 0;
		double cpu = CpuSeconds();
		g_timeout_add_seconds(IdleSeconds(), [](gpointer) -> gboolean { gtk_main_quit(); return G_SOURCE_REMOVE; },
		                      nullptr);
		gtk_main();
		cpu = CpuSeconds() - cpu;
		g_main_context_set_poll_func(nullptr, sPoll);
		state.counters["cpu_pct"] = 100 * cpu / IdleSeconds();
		state.counters["wakeups_per_s"] = double(sPolls) / IdleSeconds();
		sClose(a);
	}
}

// The same records and merging rules on a std::deque.
using Payload = std::variant<std::monostate, std::array<int, 2>, std::array<int, 4>, std::array<int, 1>,
                             std::pair<int, int>>;

struct Rec {
	int     window, type, state, count;
	Payload value;
};

void EventRing(benchmark::State& state)
{
	std::vector<int> bursts;
	std::vector<RecordSpec> mix = RecordMix(bursts);
	std::vector<Payload> payload;
	for(const RecordSpec& r : mix)
		switch(r.type) {
		case 8:  payload.push_back(std::array<int, 2>{0x61, r.arg}); break;
		case 13: payload.push_back(std::array<int, 4>{0, 0, r.arg, r.arg}); break;
		case 31: payload.push_back(std::pair<int, int>(r.arg & 1 ? 120 : 0, r.arg & 2 ? -120 : 120)); break;
		case 4:  payload.push_back(std::array<int, 1>{r.arg}); break;
		default: payload.push_back(std::monostate());
		}
	std::deque<Rec> q;
	int64_t popped = 0, counted = 0;
	for(auto _ : state) {
		popped = counted = 0;
		size_t i = 0;
		for(int burst : bursts) {
			for(int k = 0; k < burst && i < mix.size(); k++, i++)
				q.push_back(Rec{mix[i].window, mix[i].type, mix[i].state, 1, payload[i]});
			while(!q.empty()) {
				while(q.size() >= 2) {
					Rec& a = q[0];
					Rec& b = q[1];
					if(a.type != b.type || a.window != b.window || a.state != b.state)
						break;
					if(a.type == 8 && a.value == b.value)
						b.count += a.count;
					else if(a.type == 31) {
						auto pa = std::get<std::pair<int, int>>(a.value), pb = std::get<std::pair<int, int>>(b.value);
						b.value = std::pair<int, int>(pa.first + pb.first, pa.second + pb.second);
					}
					else if(a.type != 13)
						break;
					q.pop_front();
				}
				Rec out = std::move(q.front());
				q.pop_front();
				popped++;
				counted += out.count;
				benchmark::DoNotOptimize(out);
			}
		}
	}
	state.counters["popped"] = double(popped);
	state.counters["counted"] = double(counted);
}

} // namespace

BENCHMARK(RefreshToScreen)->Name("RefreshToScreen/GtkDrawingArea")->UseRealTime()->Iterations(REFRESHES);
BENCHMARK(IdleWindow)->Name("IdleWindow/GtkMain")->UseRealTime()->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(EventRing)->Name("EventRing1M/StdDeque")->Unit(benchmark::kMillisecond);
BENCHMARK(WindowCycle)->Name("WindowCycle/GtkWindow")->UseRealTime()->Iterations(CYCLES)->Unit(benchmark::kMillisecond);
BENCHMARK(WindowCycleMemory)->Name("WindowCycleMemory/GtkWindow")->UseRealTime()->Iterations(1)->Unit(benchmark::kSecond);
