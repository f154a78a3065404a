// What the GUI core asks of the windowing backend (GTK and GDK live only behind these).
#pragma once

#include <draw/Draw.h>

namespace Qel {

class Ctrl;

namespace detail {

struct Top;

// Whether the native window of the record has its GDK window.
bool WndIsOpen(const Top* top);
// Moves and sizes the native window, in GDK units.
void WndMoveResize(Top* top, int x, int y, int cx, int cy);
// Frees a native window record that no Close took care of.
void FreeTop(Top* top);
// Shows or hides, enables or disables the native window.
void WndShow(Top* top, bool show);
void WndEnable(Top* top, bool enable);
// Whether the window system takes the window for the active one; bringing it to the front.
bool WndIsActive(const Top* top);
void WndPresent(Top* top);
// The owner the window was opened with.
Ctrl* WndOwner(const Top* top);
// Pointer grabs: the popups' grab (taken when popups are listed and none is held) and the
// mouse capture's one. Releasing the capture's grab gives the popups theirs back; true when
// there was one.
void GrabPopup();
void ReleasePopupGrab();
bool ReleaseCaptureGrab();
// Takes the capture's grab again when something else broke it; forgets it when that fails.
void RegrabCapture();
// Gives up the popups' and the capture's grabs and grabs every pointing device for the window
// of top; true when the window system granted it.
bool GrabCapture(Ctrl* top);
// Whether top is the capture's grab holder, is open and the pointer is grabbed.
bool HoldsCaptureGrab(const Ctrl* top);
// Sets img as the cursor of top's window: an auxiliary word is a standard cursor's type plus
// one, an empty image hides the pointer. Nothing happens while the window shows that image.
void WndSetCursor(Ctrl* top, const Image& img);
// Follows the window system's active window: focus-out and focus-in of the windows concerned.
void SyncActiveWindow();
// Served by the pre-edit and the input method: closing the pre-edit popup, resetting a
// window's composition, telling the input method where the caret is, and the reset that
// CancelPreedit runs.
void ClosePreedit();
void ResetGtkIm(Top* top);
void SyncImCursorLocation(Ctrl* top);
void InstallImResetHook();
// The input method's reset that CancelPreedit runs; null until the backend installs it.
void (*&ImResetHook())();
// Whether a drag of the window system is being delivered to a drop target: releases of its
// button belong to the drag then.
bool IsDropDelivering();
// Whether a mouse button is held, as the backend saw it last.
bool IsMouseButtonHeld();
// Whether Alt was held when the current backend event was made.
bool IsAltHeld();
// Makes a GUI thread blocked in its main-context iteration return.
void WakeGuiLoop();

// The event pump: the queued events (dispatched), timers, caret and repaints, once. Returns
// whether an event was found. fetch lets the main context deliver more between the events.
bool PumpEvents(bool* quit, bool fetch);
// One main-context iteration and then every further ready one, with the GUI lock released
// meanwhile; an exception a callback threw during it is thrown here.
void IterateMainContext(bool may_block);
// Waits for events for about ms milliseconds at most.
void WaitForEvents(int ms);
// Applies the window system's pending answers to moves and sizes of top's window at once; true
// when one was found.
bool SweepConfigure(Ctrl& top, bool may_block);
// Adopts a rectangle the window system reported for c's window (left/top position, large
// offsets as SetRect).
void SetWndRectFromSystem(Ctrl& c, const Rect& r);

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

// The GDK backends allowed at start-up: X11 first unless the configuration folder holds a
// file named "USE_WAYLAND".
String GdkBackendList();
// Set once start-up ran its first re-skin.
bool IsGuiStarted();
// Ends the program with a message saying so when the GUI has not started (InitGtkApp not
// called, or it failed): GTK would otherwise fail obscurely or crash.
void CheckGuiStarted();
// The X11 filter that runs hot keys before GTK sees them.
void InstallHotKeyFilter();

// Whether the default GDK display is a Wayland display (decided once there is one).
bool IsWaylandDisplay();

// Signal handlers and main-loop callbacks run inside C code, which an exception must never
// cross: they keep the first one here, and the event pump throws it again once the main-loop
// iteration is over. Call from inside a catch block.
void KeepCallbackException();
// Throws the kept exception, if any, and forgets it.
void RethrowCallbackException();

// The integer display scale: GDK coordinates times the scale are device pixels.
int  GetDisplayScale();
void SetDisplayScale(int scale);
// log2 of the display scale (rounded down): sizes of the drag icon and the pre-edit shift by it.
int  GetDisplayScaleShift();

} // namespace detail

} // namespace Qel
