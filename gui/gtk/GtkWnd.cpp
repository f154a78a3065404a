// The native-window side of geometry: whether a window is there, moving it, and waking the loop.
#include "detail/Top.h"
#include <gui/detail/Backend.h>

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

} // namespace Qel::detail
