// The native-window side of geometry: whether a window is there, moving it, and waking the loop.
#include "detail/Top.h"
#include <gui/detail/Backend.h>

#include <atomic>

namespace Qel::detail {

bool WndIsOpen(const Top* top)
{
	return top && top->window && gtk_widget_get_window(top->window);
}

void WndMoveResize(Top* top, int x, int y, int cx, int cy)
{
	if(!top || !top->window)
		return;
	if(GdkWindow* w = gtk_widget_get_window(top->window))
		gdk_window_move_resize(w, x, y, max(cx, 1), max(cy, 1));
}

void FreeTop(Top* top)
{
	if(!top)
		return;
	if(top->im_context)
		g_object_unref(top->im_context);
	if(top->window)
		gtk_widget_destroy(top->window);
	delete top;
}

void WakeGuiLoop()
{
	g_main_context_wakeup(g_main_context_default());
}

namespace {

constexpr int INVALID_MAX = 41;

std::atomic<bool> sInvalidWake;

// Truncating toward zero as the rest of the GDK conversions do; right and bottom round up, so
// that the change stays covered at any scale.
int sDown(int v, int s) { return v / s; }
int sUp(int v, int s)   { return int((int64(v) + s - 1) / s); }

} // namespace

void WndInvalidateRect(Top* top, const Rect& rect)
{
	if(!top)
		return;
	Rect r = rect;
	int s = GetDisplayScale();
	if(s >= 2)
		r = Rect(sDown(r.left, s), sDown(r.top, s), sUp(r.right, s), sUp(r.bottom, s));
	if(IsWaylandDisplay())
		r = Rect(r.left - 2, r.top - 2, r.right + 2, r.bottom + 2);
	const Rect whole(INT_MIN, INT_MIN, INT_MIN, INT_MIN);
	Vector<Rect>& list = top->invalid;
	if(!list.IsEmpty() && list[0] == whole)
		;
	else if(list.GetCount() >= INVALID_MAX) {
		list.Clear();
		list.Add(whole);
	}
	else
		list.Add(r);
	if(!sInvalidWake.exchange(true))
		WakeGuiLoop();
}

bool TakeInvalidWake()
{
	return sInvalidWake.exchange(false);
}

Vector<ScrollRequest> TakeScrollRequests(Top* top)
{
	Vector<ScrollRequest> out;
	if(top)
		out = std::move(top->scroll);
	return out;
}

void SyncDisplay()
{
	g_main_context_iteration(nullptr, FALSE);
	if(GdkDisplay* d = gdk_display_get_default())
		gdk_display_flush(d);
}

} // namespace Qel::detail
