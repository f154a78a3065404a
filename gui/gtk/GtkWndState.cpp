// What the core asks of an open native window: where it is, moving, showing and enabling it,
// queueing and flushing repaints, the active window, the pointer grabs, the frame margins and
// the standard cursors.
#include "detail/EventQueue.h"
#include "detail/Wnd.h"
#include <gui/ctrl/detail/CtrlAccess.h>
#include <gui/paint/SystemDraw.h>
#include <gui/ctrl/detail/Focus.h>
#include <gui/gtk/GtkApp.h>

#include <atomic>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace Qel {

using namespace detail;

namespace {

constexpr int INVALID_MAX = 41;

std::atomic<bool> sInvalidWake;
int sMargins[4]; // left, top, right, bottom; all 0 until measured

// Truncating toward zero as the rest of the GDK conversions do; right and bottom round up, so
// that the change stays covered at any scale.
int sDown(int v, int s) { return v / s; }
int sUp(int v, int s)   { return int((int64(v) + s - 1) / s); }

const Rect sWhole(INT_MIN, INT_MIN, INT_MIN, INT_MIN);

GdkSeat* sSeat()
{
	GdkDisplay* d = gdk_display_get_default();
	return d ? gdk_display_get_default_seat(d) : nullptr;
}

bool sPointerGrabbed()
{
	GdkSeat* seat = sSeat();
	GdkDevice* p = seat ? gdk_seat_get_pointer(seat) : nullptr;
	return p && gdk_display_device_is_grabbed(gdk_display_get_default(), p);
}

bool sSeatGrab(Ctrl* c)
{
	GdkSeat* seat = sSeat();
	Top* t = c && c->IsOpen() ? CtrlAccess::GetTop(*c->GetTopCtrl()) : nullptr;
	GdkWindow* w = t ? gtk_widget_get_window(t->window) : nullptr;
	return seat && w &&
	       gdk_seat_grab(seat, w, GDK_SEAT_CAPABILITY_ALL_POINTING, TRUE, nullptr, nullptr, nullptr, nullptr) ==
	           GDK_GRAB_SUCCESS;
}

void sUngrab()
{
	if(GdkSeat* seat = sSeat())
		gdk_seat_ungrab(seat);
}

Image sCursor(int aux)
{
	ImageBuffer b(Size(1, 1));
	*b[0] = RGBA{0, 0, 0, 0};
	Image m(b);
	m.SetAuxData(aux);
	return m;
}

} // namespace

bool detail::WndIsOpen(const Top* top)
{
	return top && top->window && gtk_widget_get_window(top->window);
}

void detail::WndMoveResize(Top* top, int x, int y, int cx, int cy)
{
	if(!top || !top->window)
		return;
	if(GdkWindow* w = gtk_widget_get_window(top->window))
		gdk_window_move_resize(w, x, y, max(cx, 1), max(cy, 1));
}

void detail::WndShow(Top* top, bool show)
{
	if(!top || !top->window)
		return;
	if(show)
		gtk_widget_show_now(top->window);
	else
		gtk_widget_hide(top->window);
}

void detail::WndEnable(Top* top, bool enable)
{
	if(top && top->window)
		gtk_widget_set_sensitive(top->window, enable);
}

bool detail::WndIsActive(const Top* top)
{
	return top && top->window && gtk_window_is_active(GTK_WINDOW(top->window));
}

void detail::WndPresent(Top* top)
{
	if(top && top->window)
		gtk_window_present(GTK_WINDOW(top->window));
}

Ctrl* detail::WndOwner(const Top* top)
{
	return top ? top->owner.Get() : nullptr;
}

void detail::WakeGuiLoop()
{
	g_main_context_wakeup(g_main_context_default());
}

void detail::WndInvalidateRect(Top* top, const Rect& rect)
{
	if(!top)
		return;
	// to GDK units once, rounded outwards; FlushInvalid passes them on as they are
	Rect r = rect;
	int s = GetDisplayScale();
	if(s >= 2)
		r = Rect(sDown(r.left, s), sDown(r.top, s), sUp(r.right, s), sUp(r.bottom, s));
	if(IsWaylandDisplay())
		r = Rect(r.left - 2, r.top - 2, r.right + 2, r.bottom + 2);
	Vector<Rect>& list = top->invalid;
	if(!list.IsEmpty() && list[0] == sWhole)
		;
	else if(list.GetCount() >= INVALID_MAX) {
		list.Clear();
		list.Add(sWhole);
	}
	else
		list.Add(r);
	if(!sInvalidWake.exchange(true))
		WakeGuiLoop();
}

bool detail::TakeInvalidWake()
{
	return sInvalidWake.exchange(false);
}

Vector<ScrollRequest> detail::TakeScrollRequests(Top* top)
{
	Vector<ScrollRequest> out;
	if(top)
		out = std::move(top->scroll);
	return out;
}

void detail::SyncDisplay()
{
	IterateGtkMainContext(false);
	if(GdkDisplay* d = gdk_display_get_default())
		gdk_display_flush(d);
}

void Ctrl::FlushInvalid()
{
	GuiLock lock;
	if(!TakeInvalidWake())
		return;
	for(WndRec& w : WndList()) {
		Ctrl* c = w.ctrl;
		Top* t = c ? CtrlAccess::GetTop(*c) : nullptr;
		if(!t)
			continue;
		Vector<Rect> list = std::move(t->invalid);
		GdkWindow* gw = WndIsOpen(t) ? gtk_widget_get_window(EventWidget(t)) : nullptr;
		if(!gw || list.IsEmpty())
			continue;
		if(list[0] == sWhole) {
			gdk_window_invalidate_rect(gw, nullptr, TRUE);
			continue;
		}
		for(const Rect& r : list) {
			int64 cx = int64(r.right) - r.left, cy = int64(r.bottom) - r.top;
			if(cx > 0 && cy > 0) {
				GdkRectangle g = {r.left, r.top, (int)min(cx, int64(INT_MAX)), (int)min(cy, int64(INT_MAX))};
				gdk_window_invalidate_rect(gw, &g, TRUE);
			}
		}
	}
}

Rect Ctrl::GetWndScreenRect() const
{
	GuiLock lock;
	Top* t = CtrlAccess::GetTop(*this);
	if(!IsOpen() || !t)
		return GetNullRect();
	GdkWindow* gw = gtk_widget_get_window(t->window);
	int x = 0, y = 0, cx = 0, cy = 0;
	if(IsWayland()) {
		if(t->header) {
			gdk_window_get_origin(gtk_widget_get_window(t->drawing), &x, &y);
			GtkAllocation a;
			gtk_widget_get_allocation(t->drawing, &a);
			cx = a.width;
			cy = a.height;
		}
		else
			gdk_window_get_geometry(gw, &x, &y, &cx, &cy);
	}
	else {
		gdk_window_get_position(gw, &x, &y);
		cx = gdk_window_get_width(gw);
		cy = gdk_window_get_height(gw);
	}
	int s = GetDisplayScale();
	return Rect(x * s, y * s, (x + cx) * s, (y + cy) * s);
}

void detail::SetWndRectFromSystem(Ctrl& c, const Rect& r)
{
	GuiLock lock;
	if(r != c.GetRect())
		CtrlAccess::AdoptWndRect(c, r);
	if(IsWindowCtrl(&c))
		if(auto overlapped = GetWindowHooks().set_overlapped)
			overlapped(&c, r);
}

void Ctrl::SyncPendingConfigure()
{
	SweepConfigure(*this, false);
}

Point Ctrl::SyncWindowFrame()
{
	if(!IsWindowCtrl(this))
		return Point(0, 0);
	if(auto hints = GetWindowHooks().sync_size_hints)
		hints(this);
	Rect m = GetFrameMargins();
	return Point(m.left, m.top);
}

Ctrl* Ctrl::GetOwner() const
{
	GuiLock lock;
	return WndOwner(CtrlAccess::GetTop(*this));
}

void Ctrl::SetAlpha(byte)
{
	GuiLock lock;
}

Rect GetFrameMargins()
{
	GuiLock lock;
	if(!sMargins[0] && !sMargins[1] && !sMargins[2] && !sMargins[3])
		return Rect(8, 32, 8, 8);
	return Rect(sMargins[0], sMargins[1], sMargins[2], sMargins[3]);
}

void detail::MergeFrameMargins(const Rect& m)
{
	GuiLock lock;
	const int v[4] = {m.left, m.top, m.right, m.bottom};
	for(int i = 0; i < 4; i++)
		sMargins[i] = max(sMargins[i], v[i]);
}

bool IsKdeDesktop()
{
	const char* d = getenv("XDG_SESSION_DESKTOP");
	return !IsX11() && d && strcmp(d, "KDE") == 0;
}

void detail::SyncActiveWindow()
{
	GuiLock lock;
	FocusState& f = Focus();
	Ctrl* fw = f.focus_wnd;
	// a popup never becomes the desktop's active window: its owner's window stands for it
	Ctrl* judge = fw && fw->IsOpen() ? fw->GetTopCtrl() : nullptr;
	for(int guard = 0; judge && judge->IsPopUp() && guard < 100; guard++) {
		Ctrl* o = judge->GetOwner();
		judge = o && o->IsOpen() ? o->GetTopCtrl() : nullptr;
	}
	if(judge && WndIsActive(CtrlAccess::GetTop(*judge)))
		return;
	Ctrl* active = nullptr;
	for(WndRec& w : WndList())
		if(Ctrl* c = w.ctrl; c && c->IsOpen() && WndIsActive(CtrlAccess::GetTop(*c))) {
			active = c;
			break;
		}
	if(active == fw)
		return;
	Ptr<Ctrl> old = fw, now = active;
	if(old && old->IsOpen())
		old->WindowFocusOut();
	if(now)
		now->WindowFocusIn();
	Ctrl::SyncCaret();
}

// Pointer grabs -----------------------------------------------------------------------------------

Ptr<Ctrl>& detail::PopupGrabCtrl()
{
	static Ptr<Ctrl> c;
	return c;
}

Ptr<Ctrl>& detail::CaptureGrabCtrl()
{
	static Ptr<Ctrl> c;
	return c;
}

void detail::GrabPopup()
{
	GuiLock lock;
	Ctrl* first = nullptr;
	for(Ctrl* q : Focus().popup_grabs)
		if(q) {
			first = q;
			break;
		}
	if(!first || PopupGrabCtrl())
		return;
	ReleaseCaptureGrab();
	if(PopupGrabCtrl()) // releasing the capture's grab granted it already
		return;
	if(IsWayland() || sSeatGrab(first))
		PopupGrabCtrl() = first;
}

void detail::ReleasePopupGrab()
{
	GuiLock lock;
	if(!PopupGrabCtrl())
		return;
	if(sPointerGrabbed())
		sUngrab();
	// forgotten even when the grab was broken meanwhile (or never taken, under Wayland): a
	// stale record would keep later popups from grabbing
	PopupGrabCtrl() = nullptr;
}

bool detail::ReleaseCaptureGrab()
{
	GuiLock lock;
	if(!CaptureGrabCtrl())
		return false;
	sUngrab();
	CaptureGrabCtrl() = nullptr;
	GrabPopup();
	return true;
}

void detail::RegrabCapture()
{
	GuiLock lock;
	Ctrl* c = CaptureGrabCtrl();
	if(!c || !c->IsOpen() || sPointerGrabbed())
		return;
	if(!sSeatGrab(c))
		CaptureGrabCtrl() = nullptr;
}

bool detail::GrabCapture(Ctrl* top)
{
	GuiLock lock;
	ReleaseCaptureGrab(); // which may give the popups their grab back
	ReleasePopupGrab();
	if(!sSeatGrab(top))
		return false;
	CaptureGrabCtrl() = top;
	return true;
}

bool detail::HoldsCaptureGrab(const Ctrl* top)
{
	GuiLock lock;
	return top && CaptureGrabCtrl() == top && top->IsOpen() && sPointerGrabbed();
}

// Cursors -----------------------------------------------------------------------------------------

void detail::WndSetCursor(Ctrl* top, const Image& img)
{
	GuiLock lock;
	Top* t = top ? CtrlAccess::GetTop(*top) : nullptr;
	GdkDisplay* d = gdk_display_get_default();
	if(!t || !d)
		return;
	uint64 id = img.GetSerialId();
	if(t->cursor_set && t->cursor_id == id)
		return;
	t->cursor_set = true;
	t->cursor_id = id;
	GdkCursor* cursor = nullptr;
	if(uint64 aux = img.GetAuxData())
		cursor = gdk_cursor_new_for_display(d, GdkCursorType(aux - 1));
	else if(!img.IsEmpty()) {
		// a surface of its own: the cached ones are drawn at device scale 1
		cairo_surface_t* s = ImageToCairoSurface(img);
		int scale = GetDisplayScale();
		cairo_surface_set_device_scale(s, scale, scale);
		Point hot = img.GetHotSpot();
		cursor = gdk_cursor_new_from_surface(d, s, double(hot.x) / scale, double(hot.y) / scale);
		cairo_surface_destroy(s);
	}
	else
		cursor = gdk_cursor_new_for_display(d, GDK_BLANK_CURSOR);
	if(top->IsOpen() && t->window)
		gdk_window_set_cursor(gtk_widget_get_window(t->window), cursor);
	if(cursor)
		g_object_unref(cursor);
	if(IsX11() && IsWaylandSession())
		top->RefreshFrame(Rect(0, 0, 1, 1));
	gdk_display_flush(d);
}

// The auxiliary word is the GDK cursor type plus one, so the cursor setter makes the GDK cursor.
Image IBeamCursorImage()
{
	static const Image m = sCursor(GDK_XTERM + 1);
	return m;
}

Image HandCursorImage()
{
	static const Image m = sCursor(GDK_HAND2 + 1);
	return m;
}

} // namespace Qel
