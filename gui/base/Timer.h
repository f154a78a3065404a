// The timer list: one process-wide list of pending callbacks, each identified by an address. Any
// thread may add, remove and query entries; the GUI thread runs the due ones once per pass of its
// event loop (TimerProc). A control owns every identity inside its own object, so destroying it
// removes all its timers with one range removal.
#pragma once

#include <Core/Core.h>

namespace Qel {

// Queues cb to run delay_ms from now; a negative delay repeats it every -delay_ms.
void SetTimeCallback(int delay_ms, Function<void ()> cb, void* id = nullptr);
// Removes every entry whose identity lies in [begin, end).
void KillTimeCallbacks(void* begin, void* end);
void KillTimeCallback(void* id);
// Whether an entry with exactly this identity is pending.
bool ExistsTimeCallback(void* id);
// Removes the entries of id, then queues cb under it.
void KillSetTimeCallback(int delay_ms, Function<void ()> cb, void* id);

// Runs the due timers for the tick now, the most overdue first, at most one pass per tick value.
// GUI thread only. A callback that throws ends the pass; the list stays whole.
void TimerProc(dword now);

namespace detail {

// The millisecond tick of timers and the caret; tests replace it to step time by hand.
dword GuiTick();
void  SetGuiTickSource(dword (*tick)());

// What the control tree does around each pass: before it, the pointer's control and the caret
// brought up to date; after it, the refresh flags. Set once at start-up.
void  SetTimerPassHooks(void (*before)(), void (*after)());

// Number of pending entries.
int   GetTimerCount();
// Frees every entry (at process exit).
void  ClearTimers();

} // namespace detail

} // namespace Qel
