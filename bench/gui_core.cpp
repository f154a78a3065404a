// The GUI core: the GUI lock, the timer list and its pass, the cross-thread call and the layout
// of a control tree. Peers in gui_core_peer.cpp.
#include "GuiCases.h"

#include <gui/Gui.h>

#include <glib.h>

#include <atomic>
#include <memory>
#include <thread>

using namespace Qel;
using namespace bench;

namespace {

void GuiLockDepth1(benchmark::State& state)
{
	for(auto _ : state) {
		GuiLock lock;
		benchmark::ClobberMemory();
	}
}

void GuiLockDepth5(benchmark::State& state)
{
	for(auto _ : state) {
		GuiLock a, b, c, d, e;
		benchmark::ClobberMemory();
	}
}

void GuiLockContended(benchmark::State& state)
{
	for(auto _ : state) {
		GuiLock lock;
		benchmark::ClobberMemory();
	}
}

void TimerAddKill(benchmark::State& state)
{
	static char ids[PENDING_TIMERS + 1];
	for(int i = 0; i < PENDING_TIMERS; i++)
		SetTimeCallback(60000, [] {}, ids + i);
	void* id = ids + PENDING_TIMERS;
	for(auto _ : state) {
		SetTimeCallback(60000, [] {}, id);
		KillTimeCallback(id);
	}
	KillTimeCallbacks(ids, ids + PENDING_TIMERS + 1);
}

std::atomic<dword> sTick;

void TimerProcPass(benchmark::State& state)
{
	detail::SetGuiTickSource([] { return sTick.load(); });
	sTick = 1000;
	static char ids[10000];
	int ran = 0;
	for(int i = 0; i < 10000; i++)
		if(i % 1000 == 0)
			SetTimeCallback(-1, [&] { ran++; }, ids + i); // due on every pass
		else
			SetTimeCallback(1000000, [] {}, ids + i);
	GuiLock lock;
	for(auto _ : state) {
		dword now = ++sTick;
		TimerProc(now);
	}
	state.counters["ran_per_pass"] = double(ran) / double(state.iterations());
	KillTimeCallbacks(ids, ids + 10000);
	detail::SetGuiTickSource(nullptr);
}

// A GUI thread as the event pump runs it for timers: it waits in GLib with the lock released,
// woken by a 20 ms timer or by a wake-up, and runs the due timers under the lock.
void CallRoundTrip(benchmark::State& state)
{
	std::atomic<bool> stop{false}, ready{false};
	std::thread gui([&] {
		detail::MarkGuiThread();
		GuiLock lock;
		guint wake = g_timeout_add(20, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
		ready = true;
		while(!stop) {
			{
				GuiUnlockAll unlock;
				g_main_context_iteration(nullptr, TRUE);
			}
			TimerProc(detail::GuiTick());
		}
		g_source_remove(wake);
	});
	while(!ready)
		std::this_thread::yield();
	RoundTrips trips;
	int n = 0;
	for(auto _ : state)
		trips.Time([&] { Ctrl::Call([&] { n++; }); });
	trips.Report(state);
	stop = true;
	g_main_context_wakeup(nullptr);
	gui.join();
	if(n != (int)state.iterations())
		state.SkipWithError("a call was lost");
}

struct LayoutTree {
	Ctrl root;
	std::unique_ptr<Ctrl[]> groups{new Ctrl[LAYOUT_GROUPS]};
	std::unique_ptr<Ctrl[]> leaves{new Ctrl[LAYOUT_GROUPS * LAYOUT_LEAVES]};

	LayoutTree()
	{
		root.SetRect(0, 0, 800, 600);
		for(int g = 0; g < LAYOUT_GROUPS; g++) {
			root.AddChild(&groups[g]);
			groups[g].SetRect(g * 80, 0, 80, 600);
			for(int i = 0; i < LAYOUT_LEAVES; i++) {
				Ctrl& leaf = leaves[g * LAYOUT_LEAVES + i];
				groups[g].AddChild(&leaf);
				leaf.SetRect(i % 3 * 20, i * 6, 20, 6);
			}
		}
	}
};

void SyncLayoutTree(benchmark::State& state)
{
	LayoutTree t;
	for(auto _ : state)
		t.root.SyncLayout(2);
	benchmark::DoNotOptimize(t.leaves[5].GetRect());
}

BENCHMARK(GuiLockDepth1)->Name("GuiLockDepth1/Qel");
BENCHMARK(GuiLockDepth5)->Name("GuiLockDepth5/Qel");
BENCHMARK(GuiLockContended)->Name("GuiLockContended/Qel")->Threads(2)->Threads(4)->UseRealTime();
BENCHMARK(TimerAddKill)->Name("TimerAddKillAmong1000/Qel");
BENCHMARK(TimerProcPass)->Name("TimerProc10000Entries10Due/Qel");
BENCHMARK(CallRoundTrip)->Name("CallRoundTrip/Qel")->UseRealTime()->Iterations(100);
BENCHMARK(SyncLayoutTree)->Name("Layout1000Controls/Qel");

} // namespace
