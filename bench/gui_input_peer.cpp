// Peers of gui_input.cpp: a plain GTK program on its own X server. XTEST input until the
// "key-press-event"/"key-release-event" and "motion-notify-event" handlers of a window ran, and
// synthetic events handed to gtk_main_do_event on a tree as deep as the framework's (event boxes
// in fixed containers, fifty a level, eight levels), each ancestor handling the signal on its way.
#include "GuiInputCases.h"

#include <gtk/gtk.h>
#include <gdk/gdkx.h>

#include <functional>
#include <vector>

using namespace bench;

namespace {

bool sStarted()
{
	static bool ok = StartOwnDisplay() && InputDisplay() && gtk_init_check(nullptr, nullptr);
	return ok;
}

struct Counts {
	int keys = 0;
	int moves = 0;
	int x = -1, y = -1;
};

gboolean sKey(GtkWidget*, GdkEventKey*, gpointer data)
{
	static_cast<Counts*>(data)->keys++;
	return FALSE;
}

gboolean sMotion(GtkWidget*, GdkEventMotion* e, gpointer data)
{
	Counts& c = *static_cast<Counts*>(data);
	c.moves++;
	c.x = (int)e->x;
	c.y = (int)e->y;
	return FALSE;
}

gboolean sTake(GtkWidget*, GdkEvent*, gpointer)
{
	return TRUE;
}

template <class F>
void Pump(F done)
{
	while(!done())
		gtk_main_iteration_do(TRUE);
}

GtkWidget* OpenWindow(Counts& c)
{
	GtkWidget* w = gtk_window_new(GTK_WINDOW_TOPLEVEL);
	gtk_window_set_default_size(GTK_WINDOW(w), WINDOW_CX, WINDOW_CY);
	gtk_window_move(GTK_WINDOW(w), 0, 0);
	gtk_widget_add_events(w, GDK_KEY_PRESS_MASK | GDK_KEY_RELEASE_MASK | GDK_POINTER_MOTION_MASK);
	g_signal_connect(w, "key-press-event", G_CALLBACK(sKey), &c);
	g_signal_connect(w, "key-release-event", G_CALLBACK(sKey), &c);
	g_signal_connect(w, "motion-notify-event", G_CALLBACK(sMotion), &c);
	gtk_widget_show_all(w);
	FocusWindow(GDK_WINDOW_XID(gtk_widget_get_window(w)));
	Pump([&] { return gtk_window_is_active(GTK_WINDOW(w)); });
	FakeMotion(5, 5);
	FakeMotion(1, 1);
	Pump([&] { return c.x == 1 && c.y == 1; });
	return w;
}

void Close(GtkWidget* w)
{
	gtk_widget_destroy(w);
	while(g_main_context_iteration(nullptr, FALSE))
		;
}

void XTestKeyToKey(benchmark::State& state)
{
	if(!sStarted())
		return state.SkipWithError("no display for GTK");
	Counts c;
	GtkWidget* w = OpenWindow(c);
	RoundTrips trips;
	for(auto _ : state)
		trips.Time([&] {
			int n = c.keys;
			FakeKeyTap(XK_F5);
			Pump([&] { return c.keys >= n + 2; });
		});
	trips.Report(state);
	state.counters["keys"] = c.keys;
	Close(w);
}

void XTestMotionToMotionNotify(benchmark::State& state)
{
	if(!sStarted())
		return state.SkipWithError("no display for GTK");
	Counts c;
	GtkWidget* w = OpenWindow(c);
	RoundTrips trips;
	int i = 0;
	for(auto _ : state)
		trips.Time([&] {
			int x = 100 + i++ % 2 * 50;
			FakeMotion(x, 100);
			Pump([&] { return c.x == x; });
		});
	trips.Report(state);
	state.counters["moves"] = c.moves;
	Close(w);
}

// The deep tree: each level a fixed container with fifty event boxes, the middle one holding
// the next level.
struct Tree {
	GtkWidget* window = nullptr;
	GtkWidget* leaf = nullptr;
	Counts     leaf_counts, chain_counts, top_counts;

	Tree()
	{
		window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
		gtk_window_set_default_size(GTK_WINDOW(window), WINDOW_CX, WINDOW_CY);
		gtk_window_move(GTK_WINDOW(window), 0, 0);
		GtkWidget* parent = gtk_fixed_new();
		gtk_container_add(GTK_CONTAINER(window), parent);
		for(int level = 0; level < DEPTH; level++) {
			GtkWidget* next = nullptr;
			for(int i = 0; i < SIBLINGS; i++) {
				int x, y, cx, cy;
				SiblingRect(i, x, y, cx, cy);
				GtkWidget* box = gtk_event_box_new();
				gtk_widget_set_size_request(box, cx, cy);
				gtk_widget_add_events(box, GDK_POINTER_MOTION_MASK | GDK_KEY_PRESS_MASK);
				gtk_fixed_put(GTK_FIXED(parent), box, x, y);
				if(i == PATH_INDEX) {
					bool last = level == DEPTH - 1;
					Counts* counts = last ? &leaf_counts : &chain_counts;
					g_signal_connect(box, "motion-notify-event", G_CALLBACK(sMotion), counts);
					g_signal_connect(box, "key-press-event", G_CALLBACK(sKey), counts);
					if(last)
						leaf = box;
					else {
						next = gtk_fixed_new();
						gtk_container_add(GTK_CONTAINER(box), next);
					}
				}
			}
			parent = next;
		}
		gtk_widget_set_can_focus(leaf, TRUE);
		// the window takes both, after passing keys to the focus widget and its ancestors
		g_signal_connect(window, "motion-notify-event", G_CALLBACK(sTake), nullptr);
		g_signal_connect_after(window, "key-press-event", G_CALLBACK(sKey), &top_counts);
		g_signal_connect_after(window, "key-press-event", G_CALLBACK(sTake), nullptr);
		gtk_widget_show_all(window);
		gtk_window_set_focus(GTK_WINDOW(window), leaf);
		Pump([&] { return gtk_widget_get_mapped(leaf); });
	}
	~Tree() { Close(window); }
};

GdkDevice* sDevice(bool keyboard)
{
	GdkSeat* seat = gdk_display_get_default_seat(gdk_display_get_default());
	return keyboard ? gdk_seat_get_keyboard(seat) : gdk_seat_get_pointer(seat);
}

void MotionThroughDeepTree(benchmark::State& state)
{
	if(!sStarted())
		return state.SkipWithError("no display for GTK");
	Tree t;
	GdkEvent* e = gdk_event_new(GDK_MOTION_NOTIFY);
	e->motion.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(t.leaf)));
	gdk_event_set_device(e, sDevice(false));
	for(auto _ : state) {
		int before = t.leaf_counts.moves;
		for(int i = 0; i < INPUT_RECORDS; i++) {
			e->motion.x = 1 + i % 2;
			e->motion.y = 1;
			gtk_main_do_event(e);
		}
		if(t.leaf_counts.moves - before != INPUT_RECORDS)
			state.SkipWithError("motion events lost");
	}
	state.counters["leaf_moves"] = t.leaf_counts.moves;
	state.counters["chain_moves"] = t.chain_counts.moves;
	gdk_event_free(e);
}

void KeysUpDeepFocusChain(benchmark::State& state)
{
	if(!sStarted())
		return state.SkipWithError("no display for GTK");
	Tree t;
	GdkEvent* e = gdk_event_new(GDK_KEY_PRESS);
	e->key.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(t.window)));
	gdk_event_set_device(e, sDevice(true));
	for(auto _ : state) {
		int before = t.top_counts.keys;
		for(int i = 0; i < INPUT_RECORDS; i++) {
			e->key.keyval = i % 2 ? GDK_KEY_F5 : GDK_KEY_F6;
			e->key.hardware_keycode = guint16(71 + i % 2);
			gtk_main_do_event(e);
		}
		if(t.top_counts.keys - before != INPUT_RECORDS)
			state.SkipWithError("keys lost");
	}
	state.counters["top_keys"] = t.top_counts.keys;
	state.counters["chain_keys"] = t.chain_counts.keys;
	gdk_event_free(e);
}

void XTestMotionBurst(benchmark::State& state)
{
	if(!sStarted())
		return state.SkipWithError("no display for GTK");
	Counts c;
	GtkWidget* w = OpenWindow(c);
	int handled = 0;
	::Display* gdk = GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
	unsigned long requests = 0;
	for(auto _ : state) {
		int n = c.moves;
		unsigned long r0 = XNextRequest(gdk);
		for(int i = 0; i < BURST; i++)
			XTestFakeMotionEvent(InputDisplay(), -1, BurstX(i), BurstY(i), 0);
		XSync(InputDisplay(), False);
		Pump([&] { return c.x == BurstX(BURST - 1) && c.y == BurstY(BURST - 1); });
		handled += c.moves - n;
		requests += XNextRequest(gdk) - r0;
		FakeMotion(1, 1);
		Pump([&] { return c.x == 1 && c.y == 1; });
	}
	state.counters["handled_per_burst"] = double(handled) / state.iterations();
	state.counters["x_requests_per_burst"] = double(requests) / state.iterations();
	Close(w);
}

} // namespace

BENCHMARK(XTestKeyToKey)->Name("XTestKey/GtkKeyPressEvent")->UseRealTime()->Iterations(INPUT_EVENTS)->Unit(benchmark::kMicrosecond);
BENCHMARK(XTestMotionToMotionNotify)->Name("XTestMotion/GtkMotionNotifyEvent")->UseRealTime()->Iterations(INPUT_EVENTS)->Unit(benchmark::kMicrosecond);
BENCHMARK(MotionThroughDeepTree)->Name("Motion100kDepth8/GtkMainDoEvent")->Unit(benchmark::kMillisecond);
BENCHMARK(KeysUpDeepFocusChain)->Name("Keys100kDepth8/GtkMainDoEvent")->Unit(benchmark::kMillisecond);
BENCHMARK(XTestMotionBurst)->Name("XTestBurst1000/GtkMotionNotifyEvent")->UseRealTime()->Iterations(20)->Unit(benchmark::kMillisecond);

