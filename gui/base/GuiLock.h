// The GUI lock: one recursive mutex that guards the control tree, the focus, the timers' owners
// and the native windows. A thread locks the mutex once, when its own nesting depth leaves 0, and
// unlocks it once, when the depth returns to 0; blocking waits give the lock up completely and
// take the same depth back afterwards.
#pragma once

#include <Core/Core.h>

namespace Qel {

namespace detail {

// The calling thread's depth; the GUI core lives in executables, so the fastest TLS model does.
extern thread_local int gui_mutex_depth [[gnu::tls_model("initial-exec")]];
void LockGuiMutex();
void UnlockGuiMutex();
[[noreturn]] void GuiMutexUnderflow();

} // namespace detail

// Nested entries only count: the mutex is taken when the depth leaves 0 and given back when it
// returns there.
inline void EnterGuiMutex()
{
	if(detail::gui_mutex_depth++ == 0)
		detail::LockGuiMutex();
}

inline void LeaveGuiMutex()
{
	int d = --detail::gui_mutex_depth;
	if(d <= 0) {
		if(d < 0)
			detail::GuiMutexUnderflow();
		detail::UnlockGuiMutex();
	}
}

// Leaves the lock completely; returns the depth that was held (0: nothing was unlocked).
int  LeaveGuiMutexAll();
// Takes the lock back with depth n (nothing for n <= 0).
void EnterGuiMutex(int n);
// The calling thread's nesting depth.
inline int GetGuiMutexDepth() { return detail::gui_mutex_depth; }

class GuiLock {
public:
	GuiLock()  { EnterGuiMutex(); }
	~GuiLock() { LeaveGuiMutex(); }
	GuiLock(const GuiLock&) = delete;
	GuiLock& operator=(const GuiLock&) = delete;
};

// Releases the lock completely for the scope of a blocking wait and restores the depth, also
// when the wait ends by an exception.
class GuiUnlockAll {
	int n;

public:
	GuiUnlockAll() : n(LeaveGuiMutexAll()) {}
	~GuiUnlockAll() { EnterGuiMutex(n); }
	GuiUnlockAll(const GuiUnlockAll&) = delete;
	GuiUnlockAll& operator=(const GuiUnlockAll&) = delete;
};

namespace detail {

// The GUI thread is the one that started GTK; before that, the process's initial thread stands
// for it.
void MarkGuiThread();
bool IsGuiThread();

} // namespace detail

} // namespace Qel
