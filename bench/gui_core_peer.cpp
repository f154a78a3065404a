// Peers of gui_core.cpp on the C library's allocator: std::recursive_mutex for the GUI lock,
// GLib timeout sources for the timer list, g_main_context_invoke with a GCond for the
// cross-thread call, and the size allocation of a like GtkFixed tree for the layout.
#include "GuiCases.h"

#include <gtk/gtk.h>

#include <atomic>
#include <mutex>
#include <thread>

using namespace bench;

namespace {

std::recursive_mutex sMutex;

void RecursiveDepth1(benchmark::State& state)
{
	for(auto _ : state) {
		std::lock_guard<std::recursive_mutex> lock(sMutex);
		benchmark::ClobberMemory();
	}
}

void RecursiveDepth5(benchmark::State& state)
{
	for(auto _ : state) {
		std::lock_guard<std::recursive_mutex> a(sMutex), b(sMutex), c(sMutex), d(sMutex), e(sMutex);
		benchmark::ClobberMemory();
	}
}

void RecursiveContended(benchmark::State& state)
{
	for(auto _ : state) {
		std::lock_guard<std::recursive_mutex> lock(sMutex);
		benchmark::ClobberMemory();
	}
}

gboolean sNever(gpointer)
{
	return G_SOURCE_CONTINUE;
}

void TimeoutAddRemove(benchmark::State& state)
{
	std::vector<guint> pending;
	for(int i = 0; i < PENDING_TIMERS; i++)
		pending.push_back(g_timeout_add(60000, sNever, nullptr));
	for(auto _ : state) {
		guint id = g_timeout_add(60000, sNever, nullptr);
		g_source_remove(id);
	}
	for(guint id : pending)
		g_source_remove(id);
}

struct Invoke {
	GMutex mutex;
	GCond  cond;
	bool   done = false;
	int    n = 0;
};

gboolean sInvoked(gpointer p)
{
	Invoke* v = static_cast<Invoke*>(p);
	g_mutex_lock(&v->mutex);
	v->n++;
	v->done = true;
	g_cond_signal(&v->cond);
	g_mutex_unlock(&v->mutex);
	return G_SOURCE_REMOVE;
}

void InvokeRoundTrip(benchmark::State& state)
{
	GMainContext* ctx = g_main_context_new();
	GMainLoop* loop = g_main_loop_new(ctx, FALSE);
	std::thread gui([&] {
		g_main_context_push_thread_default(ctx);
		g_main_loop_run(loop);
		g_main_context_pop_thread_default(ctx);
	});
	while(!g_main_loop_is_running(loop))
		std::this_thread::yield();
	Invoke v;
	g_mutex_init(&v.mutex);
	g_cond_init(&v.cond);
	RoundTrips trips;
	for(auto _ : state)
		trips.Time([&] {
			g_mutex_lock(&v.mutex);
			v.done = false;
			g_mutex_unlock(&v.mutex);
			g_main_context_invoke(ctx, sInvoked, &v);
			g_mutex_lock(&v.mutex);
			while(!v.done)
				g_cond_wait(&v.cond, &v.mutex);
			g_mutex_unlock(&v.mutex);
		});
	trips.Report(state);
	g_main_loop_quit(loop);
	gui.join();
	g_main_loop_unref(loop);
	g_main_context_unref(ctx);
	g_cond_clear(&v.cond);
	g_mutex_clear(&v.mutex);
}

// The same tree as the framework's case, of GtkFixed containers with fixed-size leaves; each
// pass moves the root by one pixel, which moves every allocation below it.
void FixedTreeAllocate(benchmark::State& state)
{
	if(!gtk_init_check(nullptr, nullptr)) {
		state.SkipWithError("no display for GTK");
		return;
	}
	GtkWidget* root = gtk_fixed_new();
	g_object_ref_sink(root);
	for(int g = 0; g < LAYOUT_GROUPS; g++) {
		GtkWidget* group = gtk_fixed_new();
		gtk_widget_set_size_request(group, 80, 600);
		gtk_fixed_put(GTK_FIXED(root), group, g * 80, 0);
		for(int i = 0; i < LAYOUT_LEAVES; i++) {
			GtkWidget* leaf = gtk_fixed_new();
			gtk_widget_set_size_request(leaf, 20, 6);
			gtk_fixed_put(GTK_FIXED(group), leaf, i % 3 * 20, i * 6);
		}
	}
	gtk_widget_show_all(root);
	GtkRequisition min, nat;
	gtk_widget_get_preferred_size(root, &min, &nat);
	int x = 0;
	for(auto _ : state) {
		GtkAllocation a = {x ^= 1, 0, 800, 600};
		gtk_widget_size_allocate(root, &a);
	}
	gtk_widget_destroy(root);
	g_object_unref(root);
}

BENCHMARK(RecursiveDepth1)->Name("GuiLockDepth1/std_recursive_mutex");
BENCHMARK(RecursiveDepth5)->Name("GuiLockDepth5/std_recursive_mutex");
BENCHMARK(RecursiveContended)->Name("GuiLockContended/std_recursive_mutex")->Threads(2)->Threads(4)->UseRealTime();
BENCHMARK(TimeoutAddRemove)->Name("TimerAddKillAmong1000/g_timeout_add");
BENCHMARK(InvokeRoundTrip)->Name("CallRoundTrip/g_main_context_invoke")->UseRealTime()->Iterations(100);
BENCHMARK(FixedTreeAllocate)->Name("Layout1000Controls/GtkFixed");

} // namespace
