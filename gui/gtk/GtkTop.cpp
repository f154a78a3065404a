// TopWindow on GTK: opening as a native toplevel placed within the work area, the title, icons
// and size hints, the window state both ways, keeping above, and the window manager's frame
// margins.
#include "detail/Wnd.h"
#include "detail/Clip.h"
#include <gui/window/TopWindow.h>
#include <gui/base/Settings.h>
#include <gui/ctrl/detail/CtrlAccess.h>
#include <gui/window/detail/TopWindowAccess.h>
#include <gui/gtk/GtkApp.h>

#include <gdk/gdkx.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace Qel {

using namespace detail;

namespace {

GtkWindow* sGtkWindow(const Ctrl& c)
{
	Top* t = c.IsOpen() ? CtrlAccess::GetTop(c) : nullptr;
	return t && t->window ? GTK_WINDOW(t->window) : nullptr;
}

void sFreePixbuf(void* p)
{
	g_object_unref(p);
}

// Makes the pixbuf of slot i again when the image changed since; the pixbuf or null.
void* sIcon(const Image& img, void*& pixbuf, uint64& serial)
{
	uint64 id = img.GetSerialId();
	if(id != serial || !pixbuf) {
		if(pixbuf)
			sFreePixbuf(pixbuf);
		pixbuf = ImageToPixbuf(img); // straight alpha, as a pixbuf carries it
		serial = id;
	}
	return pixbuf;
}

gboolean sWindowStateProc(GtkWidget* widget, GdkEventWindowState* e, gpointer data)
{
	return WindowStateProc(widget, e, static_cast<TopWindow*>(data));
}

const char sFrameExtentsAtom[] = "_NET_FRAME_EXTENTS";

// The frame the window manager has put around the window, from its _NET_FRAME_EXTENTS: margins
// left, top, right and bottom in the server's pixels. False when the window carries none.
bool sNetFrameExtents(GdkWindow* gw, Rect& m)
{
	GdkDisplay* gd = gdk_window_get_display(gw);
	if(!GDK_IS_X11_DISPLAY(gd))
		return false;
	::Display* d = GDK_DISPLAY_XDISPLAY(gd);
	Atom type = None;
	int format = 0;
	unsigned long n = 0, after = 0;
	unsigned char* data = nullptr;
	gdk_x11_display_error_trap_push(gd);
	int rc = XGetWindowProperty(d, GDK_WINDOW_XID(gw), gdk_x11_get_xatom_by_name_for_display(gd, sFrameExtentsAtom),
	                            0, 4, False, XA_CARDINAL, &type, &format, &n, &after, &data);
	gdk_x11_display_error_trap_pop_ignored(gd);
	bool ok = rc == Success && type == XA_CARDINAL && format == 32 && n == 4 && data;
	if(ok) {
		const long* v = reinterpret_cast<const long*>(data); // format 32 arrives as longs
		auto px = [](long x) { return (int)clamp(x, 0L, 1000000L); };
		m = Rect(px(v[0]), px(v[2]), px(v[1]), px(v[3])); // the property is left, right, top, bottom
	}
	if(data)
		XFree(data);
	return ok;
}

// A window manager that announces _NET_FRAME_EXTENTS sets it on each window it frames.
bool sWmReportsFrameExtents(GdkWindow* gw)
{
	return GDK_IS_X11_DISPLAY(gdk_window_get_display(gw)) &&
	       gdk_x11_screen_supports_net_wm_hint(gdk_window_get_screen(gw), gdk_atom_intern_static_string(sFrameExtentsAtom));
}

// The window manager framed the window (or changed the frame): the margins can be learned now.
gboolean sPropertyProc(GtkWidget*, GdkEventProperty* e, gpointer data)
{
	if(e->state == GDK_PROPERTY_NEW_VALUE && e->atom == gdk_atom_intern_static_string(sFrameExtentsAtom))
		Guarded([&] { TopWindowAccess::SyncFrameMargins(*static_cast<TopWindow*>(data)); });
	return FALSE;
}

} // namespace

gboolean detail::WindowStateProc(GtkWidget*, GdkEventWindowState* e, TopWindow* w)
{
	Guarded([&] {
		int st = e->new_window_state;
		int state = st & GDK_WINDOW_STATE_FULLSCREEN ? TopWindow::FULLSCREEN
		          : st & GDK_WINDOW_STATE_ICONIFIED  ? TopWindow::MINIMIZED
		          : st & GDK_WINDOW_STATE_MAXIMIZED  ? TopWindow::MAXIMIZED
		          : TopWindow::OVERLAPPED;
		TopWindowAccess::SetReportedState(*w, state, st & GDK_WINDOW_STATE_ABOVE);
	});
	return FALSE;
}

void TopWindow::FreeIcons()
{
	for(void*& p : iconpixbuf)
		if(p) {
			sFreePixbuf(p);
			p = nullptr;
		}
}

void TopWindow::Open(Ctrl* owner)
{
	GuiLock lock;
	if(IsOpen())
		return;
	Ptr<Ctrl> self = this;
	if(autoaccesskeys) {
		dword used = GetAccessKeysDeep();
		if(!(GetGuiKeepAccessKeys() && used > 1))
			AssignAccessKeys(used);
	}
	if(fullscreen)
		SetRect(GetVirtualScreenArea());
	else
		CenterOnOpen(owner);
	SuppressMouseUntilRelease();
	CreateNativeWindow(owner, false);
	if(!self || !IsOpen())
		return;
	Top* t = CtrlAccess::GetTop(*this);
	g_signal_connect(t->window, "window-state-event", G_CALLBACK(sWindowStateProc), this);
	gtk_widget_add_events(t->window, GDK_PROPERTY_CHANGE_MASK);
	g_signal_connect(t->window, "property-notify-event", G_CALLBACK(sPropertyProc), this);
	SyncSizeHints();
	SyncCaption();
	if(activefocus)
		activefocus->SetFocus();
	else
		IterateFocusForward(this, this);
	if(!self || !IsOpen())
		return;
	int wanted = state;
	state = OVERLAPPED;
	SyncState(wanted);
	SyncTopMost();
	SyncFrameMargins();
}

void TopWindow::SyncFrameMargins()
{
	GuiLock lock;
	GtkWindow* win = sGtkWindow(*this);
	GdkWindow* gw = win ? gtk_widget_get_window(GTK_WIDGET(win)) : nullptr;
	if(!gw)
		return;
	int64 l, t, rt, b;
	// Margins only grow, so a measurement taken before the window manager framed the window
	// would stay wrong for good: such a one is skipped, and the frame is measured again when
	// its extents arrive.
	if(Rect m; sNetFrameExtents(gw, m)) {
		// said outright; the window's rectangle may still lag behind the window manager's move
		l = m.left;
		t = m.top;
		rt = m.right;
		b = m.bottom;
	}
	else if(sWmReportsFrameExtents(gw))
		return; // not framed yet
	else {
		GdkRectangle fr;
		gdk_window_get_frame_extents(gw, &fr);
		int s = GetDisplayScale();
		Rect r = GetRect();
		int64 fl = int64(fr.x) * s, ft = int64(fr.y) * s;
		int64 frt = (int64(fr.x) + fr.width) * s, fb = (int64(fr.y) + fr.height) * s;
		l = r.left - fl;
		t = r.top - ft;
		rt = frt - r.right;
		b = fb - r.bottom;
		// no frame around the window yet, or one not placed around it yet (at the origin)
		if((!l && !t && !rt && !b) || l < 0 || t < 0 || rt < 0 || b < 0)
			return;
	}
	auto clip = [](int64 v, int most) { return (int)clamp(v, int64(0), int64(most)); };
	MergeFrameMargins(Rect(clip(l, 32), clip(t, 64), clip(rt, 32), clip(b, 48)));
}

void TopWindow::CenterOnOpen(Ctrl* owner)
{
	GuiLock lock;
	CenterRect(owner);
	if(!((center == CENTER_OWNER && owner) || center == CENTER_SCREEN))
		return;
	Rect work = owner ? owner->GetWorkArea() : GetPrimaryWorkArea();
	Rect m = GetFrameMargins();
	Rect ref = center == CENTER_OWNER ? owner->GetScreenRect() : work;
	Rect r = GetRect();
	int w = r.right - r.left, h = r.bottom - r.top;
	// the far edge first, then the near one: a window larger than the work area keeps its
	// top-left corner inside and is shortened instead
	auto place = [](int ref0, int ref1, int size, int lo, int hi) {
		int v = int((int64(ref0) + ((int64(ref1) - ref0 - size) >> 1)));
		if(int64(v) + size > hi)
			v = hi - size;
		if(v < lo)
			v = lo;
		return v;
	};
	int x = place(ref.left, ref.right, w, work.left + m.left, work.right - m.right);
	int y = place(ref.top, ref.bottom, h, work.top + m.top, work.bottom - m.bottom);
	int cx = int(min(int64(x) + w, int64(work.right) - m.right) - x);
	int cy = int(min(int64(y) + h, int64(work.bottom) - m.bottom) - y);
	minsize.cx = min(minsize.cx, cx);
	minsize.cy = min(minsize.cy, cy);
	SetRect(x, y, cx, cy);
}

void TopWindow::SyncState(int st)
{
	GuiLock lock;
	if(GtkWindow* w = sGtkWindow(*this)) {
		switch(state) {
		case MINIMIZED:  gtk_window_deiconify(w); break;
		case MAXIMIZED:  gtk_window_unmaximize(w); break;
		case FULLSCREEN: gtk_window_unfullscreen(w); break;
		}
		state = (byte)st;
		switch(st) {
		case FULLSCREEN: gtk_window_fullscreen(w); break;
		case MAXIMIZED:  gtk_window_maximize(w); break;
		case MINIMIZED:  gtk_window_iconify(w); break;
		}
	}
	else
		state = (byte)st;
	fullscreen = st == FULLSCREEN;
}

void TopWindow::SyncTopMost()
{
	GuiLock lock;
	if(GtkWindow* w = sGtkWindow(*this))
		gtk_window_set_keep_above(w, topmost);
}

TopWindow& TopWindow::SetTopMost(bool b, bool)
{
	GuiLock lock;
	topmost = b;
	SyncTopMost();
	return *this;
}

bool TopWindow::IsTopMost() const
{
	GuiLock lock;
	return topmost;
}

void TopWindow::SyncTitle()
{
	GuiLock lock;
	if(GtkWindow* w = sGtkWindow(*this))
		gtk_window_set_title(w, title.ToString());
}

void TopWindow::SyncCaption()
{
	GuiLock lock;
	SyncTitle();
	GtkWindow* w = sGtkWindow(*this);
	if(!w)
		return;
	GList* list = nullptr;
	if(void* p = sIcon(icon, iconpixbuf[0], iconserial[0]))
		list = g_list_append(list, p);
	if(void* p = sIcon(largeicon, iconpixbuf[1], iconserial[1]))
		list = g_list_append(list, p);
	if(list) {
		gtk_window_set_icon_list(w, list);
		g_list_free(list);
	}
	gtk_window_set_decorated(w, !noframe);
	gtk_window_set_urgency_hint(w, urgent);
}

void TopWindow::SyncSizeHints()
{
	GuiLock lock;
	GtkWindow* w = sGtkWindow(*this);
	if(!w)
		return;
	Top* t = CtrlAccess::GetTop(*this);
	Rect r = GetRect(); // the whole window, frames of the ctrl included
	Size cur(r.right - r.left, r.bottom - r.top);
	Size mn = cur, mx = cur;
	if(sizeable) {
		mn = GetMinSize();
		mx = GetMaxSize();
	}
	int s = GetDisplayScale();
	int dx = t->frame_left + t->frame_right, dy = t->frame_top + t->frame_bottom;
	auto gdk = [&](int v, int d) { return (int)clamp((int64(v) + d) / s, int64(0), int64(1000000)); };
	GdkGeometry g = {};
	g.min_width = gdk(mn.cx, dx);
	g.min_height = gdk(mn.cy, dy);
	g.max_width = gdk(mx.cx, dx);
	g.max_height = gdk(mx.cy, dy);
	gtk_window_set_resizable(w, sizeable);
	gtk_window_set_geometry_hints(w, nullptr, &g, GdkWindowHints(GDK_HINT_MIN_SIZE | GDK_HINT_MAX_SIZE));
	gtk_widget_set_size_request(GTK_WIDGET(w), g.min_width, g.min_height);
}

} // namespace Qel
