// The door through which the backend's window-state handler and the tests reach a window's
// recorded state.
#pragma once

#include <gui/window/TopWindow.h>

namespace Qel::detail {

struct TopWindowAccess {
	// What the window manager reported: the state, whether the window is kept above, and the
	// rectangle of the normal state.
	static void SetReportedState(TopWindow& w, int state, bool above)
	{
		w.state = (byte)state;
		w.fullscreen = state == TopWindow::FULLSCREEN;
		w.topmost = above;
		if(state == TopWindow::OVERLAPPED)
			w.overlapped = w.GetRect();
	}
	static int&  ExitCode(TopWindow& w)   { return w.exitcode; }
	static Rect& Overlapped(TopWindow& w) { return w.overlapped; }
	static void SyncFrameMargins(TopWindow& w) { w.SyncFrameMargins(); }
	static int  ActionCount(const TopWindow& w) { return w.action.GetCount(); }
};

// The cascade of GetDefaultWindowRect starts over, as in a new process.
void ResetDefaultWindowRect();

} // namespace Qel::detail
