// What the GUI core asks of the windowing backend (GTK and GDK live only behind these).
#pragma once

#include "../Ctrl.h"

namespace Qel::detail {

// Whether the native window of the record has its GDK window.
bool WndIsOpen(const Top* top);
// Moves and sizes the native window, in GDK units.
void WndMoveResize(Top* top, int x, int y, int cx, int cy);
// Frees a native window record that no Close took care of.
void FreeTop(Top* top);
// Makes a GUI thread blocked in its main-context iteration return.
void WakeGuiLoop();

// Queues r (device pixels, in the window control's frame coordinates) in the window's list of
// rectangles to repaint, in GDK units. Past 41 rectangles the list becomes the Null rectangle,
// which stands for the whole window. The first rectangle queued after the event pump looked
// wakes the GUI loop.
void WndInvalidateRect(Top* top, const Rect& r);
// The event pump clears the wake flag; returns whether it was set.
bool TakeInvalidWake();

// A pending scroll of a window area by (dx, dy).
struct ScrollRequest {
	Rect area;
	int  dx = 0;
	int  dy = 0;
};
Vector<ScrollRequest> TakeScrollRequests(Top* top);
// One main-context iteration that does not wait, then the display flushed: queued painting
// happens now.
void SyncDisplay();

// Whether the default GDK display is a Wayland display (decided on the first question).
bool IsWaylandDisplay();

// The integer display scale: GDK coordinates times the scale are device pixels.
int  GetDisplayScale();
void SetDisplayScale(int scale);

} // namespace Qel::detail
