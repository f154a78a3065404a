// The input method: each window's context composes into the pre-edit popup at the caret, and
// what it commits is queued as text for the key dispatch. The reset hook ends a composition.
#include "detail/EventQueue.h"
#include "detail/Wnd.h"
#include <gui/ctrl/detail/CtrlAccess.h>
#include <gui/input/detail/Preedit.h>
#include <gui/gtk/GtkApp.h>

namespace Qel {

using namespace detail;

namespace {

// The focus control takes composition when it tells where its caret is.
bool sComposes(Ctrl* top)
{
	Ctrl* f = Ctrl::GetFocusCtrl();
	return top && f && top->HasFocusDeep() && !IsNull(f->GetPreedit().x);
}

bool sResetting; // a reset makes the context report its emptied composition

void sPreeditChanged(GtkIMContext* ctx, gpointer data)
{
	Guarded([&] {
		Ctrl* top = FindWndCtrl(DataToId(data));
		if(!sComposes(top)) {
			if(!sResetting)
				Ctrl::CancelPreedit();
			return;
		}
		gchar* str = nullptr;
		PangoAttrList* attrs = nullptr;
		gint cursor = 0;
		gtk_im_context_get_preedit_string(ctx, &str, &attrs, &cursor);
		WString text = String(str ? str : "").ToWString();
		g_free(str);
		if(attrs)
			pango_attr_list_unref(attrs);
		ShowPreedit(top, text, cursor);
		SyncImCursorLocation(top);
	});
}

void sPreeditEnd(GtkIMContext*, gpointer data)
{
	Guarded([&] {
		if(sComposes(FindWndCtrl(DataToId(data))))
			ClosePreedit();
	});
}

void sCommit(GtkIMContext*, const gchar* text, gpointer data)
{
	Guarded([&] {
		WString s = String(text ? text : "").ToWString();
		EnqueueGdkEvent(DataToId(data), QEV_COMMIT, s, nullptr);
	});
}

void sResetHook()
{
	ClosePreedit();
	Ctrl* f = Ctrl::GetFocusCtrl();
	if(Ctrl* top = f ? f->GetTopCtrl() : nullptr)
		ResetGtkIm(CtrlAccess::GetTop(*top));
}

} // namespace

void detail::ConnectImSignals(Top* t)
{
	gpointer id = IdToData(t->id);
	g_signal_connect(t->im_context, "preedit-changed", G_CALLBACK(sPreeditChanged), id);
	g_signal_connect(t->im_context, "preedit-start", G_CALLBACK(sPreeditChanged), id);
	g_signal_connect(t->im_context, "preedit-end", G_CALLBACK(sPreeditEnd), id);
	g_signal_connect(t->im_context, "commit", G_CALLBACK(sCommit), id);
}

void detail::ResetGtkIm(Top* top)
{
	GuiLock lock;
	if(!top || !top->im_context || sResetting)
		return;
	sResetting = true;
	gtk_im_context_reset(top->im_context);
	gtk_im_context_focus_out(top->im_context);
	gtk_im_context_focus_in(top->im_context);
	sResetting = false;
}

void detail::InstallImResetHook()
{
	ImResetHook() = sResetHook;
}

void detail::SyncImCursorLocation(Ctrl* top)
{
	GuiLock lock;
	Top* t = top && top->IsOpen() ? CtrlAccess::GetTop(*top) : nullptr;
	if(!t || !t->im_context || !sComposes(top))
		return;
	Rect r = GetPreeditRect(top);
	Rect tr = top->GetScreenRect();
	int s = GetDisplayScale();
	GdkRectangle g = {(r.left - tr.left) / s, (r.top - tr.top) / s, (r.right - r.left) / s, (r.bottom - r.top) / s};
	gtk_im_context_set_cursor_location(t->im_context, &g);
}

} // namespace Qel
