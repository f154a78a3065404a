// The event pump: GLib iterations with the GUI lock released, then the queued events, timers,
// caret and repaints under it.
#include "detail/EventQueue.h"
#include "detail/Wnd.h"
#include <gui/ctrl/detail/CtrlAccess.h>
#include <gui/ctrl/detail/Focus.h>
#include <gui/gtk/GtkApp.h>

#include <exception>

namespace Qel {

using namespace detail;

namespace {

std::exception_ptr sKept;

// Sources that are always ready (an idle callback that keeps itself) would otherwise hold the
// pump in GLib for good and starve the framework's own events.
constexpr int MAX_DRAIN = 1000;

} // namespace

void detail::KeepCallbackException()
{
	GuiLock lock;
	if(!sKept)
		sKept = std::current_exception();
}

void detail::RethrowCallbackException()
{
	std::exception_ptr e;
	{
		GuiLock lock;
		e = sKept;
		sKept = nullptr;
	}
	if(e)
		std::rethrow_exception(e);
}

void IterateGtkMainContext(bool may_block)
{
	{
		GuiUnlockAll unlock;
		if(g_main_context_iteration(nullptr, may_block))
			for(int i = 0; i < MAX_DRAIN && g_main_context_iteration(nullptr, FALSE); i++)
				;
	}
	RethrowCallbackException();
}

void GuiWait(int ms)
{
	GuiLock lock;
	// longer waits end by the 20 ms wake-up anyway
	if(ms < 20)
		g_timeout_add(max(ms, 0), [](gpointer) -> gboolean { return G_SOURCE_REMOVE; }, nullptr);
	IterateGtkMainContext(true);
}

bool detail::PumpEvents(bool* quit, bool fetch)
{
	GuiLock lock;
	FocusState& f = Focus();
	GdkEventQueue& q = GdkQueue();
	bool found = false;
	if(fetch)
		IterateGtkMainContext(false);
	while(!q.IsEmpty()) {
		// a modal loop that ended leaves the rest to the loop outside it
		if(Ctrl* l = f.loop_ctrl; l && !l->InLoop())
			break;
		found |= ProcessNextGdkEvent(quit, fetch);
		if(fetch)
			IterateGtkMainContext(false);
	}
	// a handler may have destroyed the focus control: the window keeps a focus
	CtrlAccess::TakeDeferredFocus();
	TimerProc(GuiTick());
	Ctrl::BlinkCaret();
	if(quit)
		*quit = false;
	Array<Ptr<Ctrl>> windows;
	for(const WndRec& w : WndList())
		if(w.ctrl)
			windows.Add(w.ctrl);
	for(Ctrl* c : windows)
		if(c && c->IsTopLevel())
			CtrlAccess::SyncScroll(*c);
	Ctrl::FlushInvalid();
	IterateGtkMainContext(false);
	if(GdkDisplay* d = gdk_display_get_default())
		gdk_display_flush(d);
	return found;
}

void Ctrl::ProcessEvents(bool* quit)
{
	PumpEvents(quit, true);
}

void detail::IterateMainContext(bool may_block)
{
	IterateGtkMainContext(may_block);
}

void detail::WaitForEvents(int ms)
{
	GuiWait(ms);
}

bool detail::SweepConfigure(Ctrl& top, bool may_block)
{
	GuiLock lock;
	Ptr<Ctrl> self = &top;
	IterateGtkMainContext(may_block);
	bool found = false;
	GdkEventQueue& q = GdkQueue();
	for(int i = 0; self && i < q.GetCount(); i++) {
		Top* t = CtrlAccess::GetTop(top);
		if(!t)
			break;
		QueuedGdkEvent& e = q[i];
		if(e.type != GDK_CONFIGURE || e.window != t->id)
			continue;
		// marked before it is applied: the layout it causes may queue further records
		e.type = QEV_CONFIGURE_DONE;
		Rect r = e.value.IsNull() ? GetNullRect() : e.value.ToRect();
		found = true;
		if(r != top.GetRect())
			CtrlAccess::AdoptWndRect(top, r);
	}
	return found;
}

} // namespace Qel
