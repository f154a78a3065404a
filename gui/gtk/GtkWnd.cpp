// Native windows: the window list, opening a top-level control as a GTK window, painting it
// through the "draw" signal and destroying it again.
#include "detail/EventQueue.h"
#include "detail/Wnd.h"
#include "detail/Clip.h"
#include <gui/paint/SystemDraw.h>
#include <gui/ctrl/detail/CtrlAccess.h>
#include <gui/ctrl/detail/Focus.h>
#include <gui/gtk/GtkApp.h>

#include <cmath>

namespace Qel {

using namespace detail;

namespace {

// Ids are never reused within the process.
int sNextWndId;

} // namespace

void detail::ProbeDecorations(Top& frame, int hint)
{
	frame.frame_left = frame.frame_top = frame.frame_right = frame.frame_bottom = 0;
	frame.csd = false;
	if(!IsWayland() || hint == GDK_WINDOW_TYPE_HINT_COMBO ||
	   (hint != GDK_WINDOW_TYPE_HINT_POPUP_MENU && IsKdeDesktop()))
		return;
	// a throw-away window with the same decorations tells where its content would start
	GtkWidget* win = gtk_window_new(GTK_WINDOW_TOPLEVEL);
	GtkWidget* bar;
	if(hint == GDK_WINDOW_TYPE_HINT_POPUP_MENU) {
		bar = gtk_drawing_area_new();
		gtk_widget_set_size_request(bar, 1, 1);
	}
	else {
		bar = gtk_header_bar_new();
		gtk_header_bar_set_show_close_button(GTK_HEADER_BAR(bar), TRUE);
	}
	gtk_window_set_titlebar(GTK_WINDOW(win), bar);
	GtkWidget* area = gtk_drawing_area_new();
	gtk_container_add(GTK_CONTAINER(win), area);
	gtk_widget_show_all(win);
	GtkAllocation a, w;
	gtk_widget_get_allocation(area, &a);
	gtk_widget_get_allocation(win, &w);
	int s = GetDisplayScale();
	frame.frame_left = a.x * s;
	frame.frame_top = a.y * s;
	frame.frame_right = (w.width - (a.width + a.x)) * s;
	frame.frame_bottom = (w.height - (a.height + a.y)) * s;
	frame.csd = true;
	gtk_widget_destroy(win);
}

namespace {

gboolean sDrawProc(GtkWidget*, cairo_t* cr, gpointer data)
{
	return Guarded<gboolean>(TRUE, [&]() -> gboolean {
		Ctrl* c = FindWndCtrl(DataToId(data));
		if(!c || !c->IsTopLevel())
			return TRUE;
		Ptr<Ctrl> self = c;
		CtrlAccess::Flags(*c) &= ~Ctrl::FULLREFRESH;
		double s = GetDisplayScale();
		cairo_scale(cr, 1 / s, 1 / s);
		SetWndRectFromSystem(*c, c->GetWndScreenRect());
		if(!self)
			return TRUE;
		double x1, y1, x2, y2;
		cairo_clip_extents(cr, &x1, &y1, &x2, &y2);
		Rect clip((int)floor(x1), (int)floor(y1), (int)ceil(x2), (int)ceil(y2));
		SystemDraw w(cr);
		w.ClipOp(clip);
		// a few rectangles are painted one by one; a long list is cheaper as its extents
		cairo_rectangle_list_t* list = cairo_copy_clip_rectangle_list(cr);
		if(list->status == CAIRO_STATUS_SUCCESS && list->num_rectangles <= 9)
			for(int i = 0; i < list->num_rectangles; i++) {
				const cairo_rectangle_t& r = list->rectangles[i];
				w.AddPaintArea(Rect((int)floor(r.x), (int)floor(r.y), (int)ceil(r.x + r.width), (int)ceil(r.y + r.height)));
			}
		cairo_rectangle_list_destroy(list);
		try {
			c->UpdateArea(w, clip);
		}
		catch(...) {
			w.EndAllOps();
			throw;
		}
		w.EndOp();
		return TRUE;
	});
}

} // namespace

Array<WndRec>& detail::WndList()
{
	static Array<WndRec> list;
	return list;
}

WndRec* detail::FindWnd(int id)
{
	for(WndRec& w : WndList())
		if(w.id == id)
			return &w;
	return nullptr;
}

Ctrl* detail::FindWndCtrl(int id)
{
	WndRec* w = id ? FindWnd(id) : nullptr;
	Ctrl* c = w ? w->ctrl.Get() : nullptr;
	return c && c->IsTopLevel() && WndIsOpen(CtrlAccess::GetTop(*c)) ? c : nullptr;
}

GtkWidget* detail::EventWidget(const Top* top)
{
	return top ? top->drawing ? top->drawing : top->window : nullptr;
}

void detail::AddTopCtrl(Ctrl* c)
{
	GuiLock lock;
	WndList().Add().ctrl = c;
}

void detail::RemoveTopCtrl(Ctrl* c)
{
	GuiLock lock;
	Array<WndRec>& list = WndList();
	for(int i = list.GetCount() - 1; i >= 0; i--)
		if(list[i].ctrl == c || !list[i].ctrl)
			list.Remove(i);
}

Vector<Ctrl*> Ctrl::GetTopCtrls()
{
	GuiLock lock;
	Vector<Ctrl*> out;
	for(const WndRec& w : WndList())
		if(Ctrl* c = w.ctrl)
			out.Add(c);
	return out;
}

void Ctrl::CreateNativeWindow(Ctrl* owner, bool popup)
{
	CheckGuiStarted();
	GuiLock lock;
	if(GetParent() || IsOpen())
		return;
	if(IsTopLevel())
		FreeTop(top);
	Top* t = new Top;
	CtrlAccess::SetTop(*this, t);
	flags |= ISOPEN;
	SetFlag(POPUP, popup);
	t->owner = owner;
	GtkWidget* win = gtk_window_new(popup && owner ? GTK_WINDOW_POPUP : GTK_WINDOW_TOPLEVEL);
	t->window = win;
	t->id = ++sNextWndId;
	WndRec& rec = WndList().Add();
	rec.id = t->id;
	rec.window = win;
	rec.ctrl = this;
	gpointer id = IdToData(t->id);

	const WindowHooks& hooks = GetWindowHooks();
	GdkWindowTypeHint hint = GDK_WINDOW_TYPE_HINT_NORMAL;
	if(popup && !owner) {
		gtk_window_set_decorated(GTK_WINDOW(win), FALSE);
		hint = GDK_WINDOW_TYPE_HINT_POPUP_MENU;
	}
	else if(popup)
		hint = GDK_WINDOW_TYPE_HINT_COMBO;
	else if(IsWindowCtrl(this) && hooks.is_tool_window && hooks.is_tool_window(this))
		hint = GDK_WINDOW_TYPE_HINT_UTILITY;
	else if(owner)
		hint = GDK_WINDOW_TYPE_HINT_DIALOG;
	gtk_window_set_type_hint(GTK_WINDOW(win), hint);

	ProbeDecorations(*t, hint);
	if(t->csd) {
		t->header = gtk_header_bar_new();
		if(hint == GDK_WINDOW_TYPE_HINT_POPUP_MENU)
			gtk_widget_set_size_request(t->header, 1, 1);
		else
			gtk_header_bar_set_show_close_button(GTK_HEADER_BAR(t->header), TRUE);
		gtk_header_bar_set_has_subtitle(GTK_HEADER_BAR(t->header), FALSE);
		gtk_window_set_titlebar(GTK_WINDOW(win), t->header);
		t->drawing = gtk_drawing_area_new();
		gtk_widget_set_can_focus(t->drawing, TRUE);
		g_signal_connect(win, "delete-event", G_CALLBACK(GtkEventProc), id);
	}
	else
		t->drawing = win;
	rec.drawing = t->drawing;
	// every event but motion hints and smooth scrolling, so the wheel arrives in steps
	gtk_widget_set_events(t->drawing, 0x37ffff6);
	g_signal_connect(t->drawing, "event", G_CALLBACK(GtkEventProc), id);
	g_signal_connect(t->drawing, "draw", G_CALLBACK(sDrawProc), id);
	ConnectDragAndDrop(t->drawing, t->id);
	if((hint == GDK_WINDOW_TYPE_HINT_NORMAL || hint == GDK_WINDOW_TYPE_HINT_DIALOG ||
	    hint == GDK_WINDOW_TYPE_HINT_UTILITY) && IsWindowCtrl(this) && hooks.sync_size_hints)
		hooks.sync_size_hints(this);

	Rect r = GetRect();
	int fl = 0, ft = 0, fr = 0, fb = 0;
	if(t->csd) {
		fl = t->frame_left;
		ft = t->frame_top;
		fr = t->frame_right;
		fb = t->frame_bottom;
	}
	int64 ox = int64(r.left) - fl, oy = int64(r.top) - ft;
	int64 ocx = int64(r.right) + fr - ox, ocy = int64(r.bottom) + fb - oy;
	int s = GetDisplayScale();
	auto gdk = [](int64 v) { return (int)clamp(v, int64(-1000000), int64(1000000)); };
	gtk_window_set_default_size(GTK_WINDOW(win), max(gdk(ocx / s), 1), max(gdk(ocy / s), 1));
	gtk_window_move(GTK_WINDOW(win), gdk(ox / s), gdk(oy / s));
	gtk_window_resize(GTK_WINDOW(win), max(gdk(ocx / s - (fl + fr)), 1), max(gdk(ocy / s - (ft + fb)), 1));

	if(t->drawing != win)
		gtk_container_add(GTK_CONTAINER(win), t->drawing);
	gtk_widget_show_all(win);
	gtk_widget_realize(win);
	if(owner)
		if(Top* ot = CtrlAccess::GetTop(*owner->GetTopCtrl()); ot && ot->window)
			gtk_window_set_transient_for(GTK_WINDOW(win), GTK_WINDOW(ot->window));
	gtk_widget_set_app_paintable(win, TRUE);
	gtk_widget_set_can_focus(win, TRUE);

	// the pre-edit and commit handlers connect to this context
	t->im_context = gtk_im_multicontext_new();
	gtk_im_context_set_client_window(t->im_context, gtk_widget_get_window(t->drawing));
	gtk_im_context_set_use_preedit(t->im_context, TRUE);
	ConnectImSignals(t);

	Ptr<Ctrl> self = this;
	SweepConfigure(*this, true);
	if(!self || !IsOpen())
		return;
	SyncActiveWindow();
	if(!popup)
		SetWndForeground();
	if(!self)
		return;
	Focus().last_opened = this;
	NotifyState(OPEN);
	if(!self || !IsOpen())
		return;
	Rect sr = GetScreenRect();
	Point m = GdkLastMousePos();
	Point p(m.x - sr.left, m.y - sr.top);
	if(p.x >= 0 && p.y >= 0 && p.x < sr.right - sr.left && p.y < sr.bottom - sr.top)
		DispatchMouse(MOUSEMOVE, p, 0);
	if(self)
		UpdateRect(true);
}

void Ctrl::WndDestroy()
{
	GuiLock lock;
	Top* t = CtrlAccess::GetTop(*this);
	if(!t)
		return;
	FocusState& f = Focus();
	if(t->drawing)
		gtk_drag_dest_unset(t->drawing);
	Ptr<Ctrl> owner = t->owner;
	Ctrl* otop = owner ? owner->GetTopCtrl() : nullptr;
	if(otop && otop->IsTopLevel()) {
		// the windows this one owned stay above its owner
		Top* ot = CtrlAccess::GetTop(*otop);
		GtkWindow* ow = ot && ot->window ? GTK_WINDOW(ot->window) : nullptr;
		for(WndRec& w : WndList())
			if(Ctrl* c = w.ctrl; c && c != this)
				if(Top* wt = CtrlAccess::GetTop(*c); wt && wt->window && wt->owner == this)
					gtk_window_set_transient_for(GTK_WINDOW(wt->window), ow);
		if(!HasFocusDeep() && !f.focus_ctrl)
			owner = f.last_opened;
	}
	else
		owner = nullptr;
	if(t->im_context) {
		g_object_unref(t->im_context);
		t->im_context = nullptr;
	}
	GtkWidget* win = t->window;
	int id = t->id;
	// handlers that GTK runs while the window goes find it closed already
	t->window = t->drawing = t->header = nullptr;
	if(win)
		gtk_widget_destroy(win);
	flags &= ~(ISOPEN | POPUP);
	delete t;
	CtrlAccess::SetTop(*this, nullptr);
	Array<WndRec>& list = WndList();
	for(int i = list.GetCount() - 1; i >= 0; i--)
		if(list[i].id == id || !list[i].ctrl)
			list.Remove(i);
	if(f.last_opened == this)
		f.last_opened = nullptr;
	if(owner && owner->IsOpen()) {
		Top* ot = CtrlAccess::GetTop(*owner->GetTopCtrl());
		if(ot->drawing != ot->window)
			gtk_window_set_focus(GTK_WINDOW(ot->window), ot->drawing);
		IterateGtkMainContext(false);
		if(GdkDisplay* d = gdk_display_get_default())
			gdk_display_flush(d);
	}
	if(IsWindowCtrl(this))
		if(auto normal = GetWindowHooks().normal_rect) {
			Rect r = normal(this);
			if(r.right > r.left && r.bottom > r.top)
				SetRect(r);
		}
}

void detail::FreeTop(Top* top)
{
	if(!top)
		return;
	if(top->im_context)
		g_object_unref(top->im_context);
	Array<WndRec>& list = WndList();
	for(int i = list.GetCount() - 1; i >= 0; i--)
		if(top->id && list[i].id == top->id)
			list.Remove(i);
	if(top->window)
		gtk_widget_destroy(top->window);
	delete top;
}

} // namespace Qel
