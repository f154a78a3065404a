// What the event pump does for timers, for tests that need a GUI thread: it waits in GLib with
// the GUI lock released, then runs the due timers under it; a 20 ms wake-up keeps it turning.
#pragma once

#include <gui/Gui.h>
#include <testkit/Testkit.h>

#include <glib.h>

#include <chrono>
#include <functional>

namespace guitest {

inline bool RunGuiLoop(const std::function<bool()>& done, int timeout_ms = testkit::WAIT_MS,
                       const testkit::SourceLocation& where = testkit::SourceLocation::current())
{
	using namespace Qel;
	GuiLock lock;
	guint wake = g_timeout_add(20, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
	auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
	bool ok;
	while(!(ok = done()) && std::chrono::steady_clock::now() < deadline) {
		{
			GuiUnlockAll unlock;
			g_main_context_iteration(nullptr, TRUE);
		}
		TimerProc(detail::GuiTick());
	}
	g_source_remove(wake);
	if(!ok)
		testkit::ReportTimeout("the loop's end condition", timeout_ms, where);
	return ok;
}

} // namespace guitest
