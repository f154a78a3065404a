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

// Whether the default GDK display is a Wayland display (decided on the first question).
bool IsWaylandDisplay();

// The integer display scale: GDK coordinates times the scale are device pixels.
int  GetDisplayScale();
void SetDisplayScale(int scale);

} // namespace Qel::detail
