// The window list and the helpers every GTK callback of the backend uses.
#pragma once

#include "Top.h"

namespace Qel::detail {

// One native window, in creation order; events find their control here by id.
struct WndRec {
	int        id = 0;
	GtkWidget* window = nullptr;
	GtkWidget* drawing = nullptr;
	Ptr<Ctrl>  ctrl;
};

Array<WndRec>& WndList();
WndRec*        FindWnd(int id);
// The control of window id when it still exists and has its native window.
Ctrl*          FindWndCtrl(int id);
// The event widget of a record: the drawing area under a header bar, else the window.
GtkWidget*     EventWidget(const Top* top);

// Fills the decoration margins and the client-side flag of frame for a window of the type hint:
// under Wayland a throw-away window with a header bar is measured; elsewhere they are 0.
void ProbeDecorations(Top& frame, int hint);
// The "window-state-event" handler of a window: the state the window manager reports, and
// whether it keeps the window above.
gboolean WindowStateProc(GtkWidget* widget, GdkEventWindowState* e, TopWindow* w);
// Connects the pre-edit and commit handlers of the window's input-method context.
void ConnectImSignals(Top* top);
// Raises each stored frame margin to the one given (left, top, right, bottom).
void MergeFrameMargins(const Rect& m);
// The windows that hold a pointer grab for the popups and for the mouse capture.
Ptr<Ctrl>& PopupGrabCtrl();
Ptr<Ctrl>& CaptureGrabCtrl();

// Runs f inside a GTK callback: the GUI lock is taken and the first exception is kept for the
// event pump instead of unwinding through C code. Returns f's result, or fallback after an
// exception.
template <class R, class F>
R Guarded(R fallback, F&& f)
{
	try {
		GuiLock lock;
		return f();
	}
	catch(...) {
		KeepCallbackException();
		return fallback;
	}
}

template <class F>
void Guarded(F&& f)
{
	try {
		GuiLock lock;
		f();
	}
	catch(...) {
		KeepCallbackException();
	}
}

// Window ids travel as the user data of the signal handlers.
inline gpointer IdToData(int id)   { return GINT_TO_POINTER(id); }
inline int      DataToId(gpointer p) { return GPOINTER_TO_INT(p); }

} // namespace Qel::detail
