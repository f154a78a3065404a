// The door through which the backend and the GUI core's own files reach a control's fields.
#pragma once

#include <gui/ctrl/Ctrl.h>

namespace Qel::detail {

struct CtrlAccess {
	static dword& Flags(Ctrl& c)               { return c.flags; }
	static Top*   GetTop(const Ctrl& c)        { return c.IsTopLevel() ? c.top : nullptr; }
	// Makes c top-level with the native window record t; null makes it an unplaced control.
	static void   SetTop(Ctrl& c, Top* t)
	{
		c.top = t;
		c.SetFlag(Ctrl::TOPLEVEL, t);
	}
	static Rect   StoredRect(const Ctrl& c)    { return c.GetRect0(); }
	static int    GetOverPaint(const Ctrl& c)  { return c.overpaint; }
	// The rectangle of the frame record i, relative to the control.
	static Rect   FrameRect(const Ctrl& c, int i) { return c.FrameData()[i].GetRect(); }
	static void   ClearFullRefreshDeep(Ctrl& c) { c.ClearFullRefreshDeep(); }
	static void   DispatchBackendEvent(Ctrl& c) { c.DispatchBackendEvent(); }
	static void   AdoptWndRect(Ctrl& c, const Rect& r) { c.AdoptWndRect(r); }
	static void   TakeDeferredFocus()          { Ctrl::TakeDeferredFocus(); }
	static Image  DispatchMouseEvent(Ctrl& c, int event, Point p, int zdelta) { return c.DispatchMouseEvent(event, p, zdelta); }
	static Ctrl*  ChildAtPoint(Ctrl& c, Point& p) { return c.ChildAtPoint(p); }
	static void   ActivateWnd(Ctrl& c)         { c.ActivateWnd(); }
	static void   SyncScroll(Ctrl& c)          { c.SyncScroll(); }
};

// The window that contains c: its top control when that is a window, else the window of the
// top control's owner; null when there is none.
Ctrl* GetTopWindowCtrl(const Ctrl* c);
// The window class tells which controls are windows.
void  SetWindowClassTest(bool (*is_window)(const Ctrl*));

// The window list's controls, as the native windows enter and leave it.
void  AddTopCtrl(Ctrl* c);
void  RemoveTopCtrl(Ctrl* c);
// Sees every refresh request: the control, the rectangle, and whether it is in frame
// coordinates (RefreshFrame) or view coordinates (Refresh).
void  SetRefreshProbe(void (*probe)(Ctrl* c, const Rect& r, bool frame));

} // namespace Qel::detail
