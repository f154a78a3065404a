// The popped event record becomes the framework's input on the top control of its window:
// mouse codes for the mouse dispatch (through the popups while they hold the pointer), key codes
// for the key dispatch, pen events, close requests, geometry and committed text.
#include "detail/EventQueue.h"
#include "detail/KeyTranslate.h"
#include "detail/Wnd.h"
#include <gui/ctrl/detail/CtrlAccess.h>
#include <gui/ctrl/detail/Focus.h>
#include <gui/detail/Geom.h>
#include <gui/input/detail/Keys.h>
#include <gui/input/detail/Mouse.h>

namespace Qel {

using namespace detail;

namespace {

constexpr KeycodeMaps sKeymapMaps = {LatinKeycodeMap, DigitKeycodeMap};

Point sRelative(Point p, const Rect& r) { return Point(SatSub(p.x, r.left), SatSub(p.y, r.top)); }

// GDK buttons 1, 2, 3 are left, middle, right.
int sButtonCode(int gdk_button)
{
	return gdk_button == 1 ? Ctrl::LEFT : gdk_button == 3 ? Ctrl::RIGHT : Ctrl::MIDDLE;
}

void sDispatchPen(Ctrl* c, const QueuedGdkEvent& e)
{
	GuiLock lock;
	Point p;
	Ctrl* target = Focus().capture;
	if(target)
		p = sRelative(e.mousepos, target->GetScreenRect());
	else {
		target = c;
		p = sRelative(e.mousepos, c->GetScreenRect());
		while(Ctrl* child = CtrlAccess::ChildAtPoint(*target, p))
			target = child;
	}
	PenInfo pen;
	pen.action = e.type == GDK_MOTION_NOTIFY ? 0 : e.type == GDK_BUTTON_RELEASE ? 2 : 1;
	pen.barrel = e.pen_barrel;
	pen.pressure = e.pressure;
	pen.rotation = e.rotation;
	pen.tilt_x = e.tilt_x;
	pen.tilt_y = e.tilt_y;
	dword keyflags = MouseKeyFlags(e.state);
	Ptr<Ctrl> t = target;
	t->PenEvent(p, pen, keyflags);
	Ctrl::SyncCaret();
	Image over = OverrideCursorImage();
	if(!over.IsEmpty())
		Ctrl::SetNativeCursor(over);
	else if(t)
		Ctrl::SetNativeCursor(t->CursorImage(p, keyflags));
}

// The mouse event on top control c; while popups hold the pointer, it goes to the popup under it.
void sRoute(Ctrl* c, int action, int code, int zdelta)
{
	const QueuedGdkEvent& e = CurrentGdkEvent();
	FocusState& f = Focus();
	Ctrl* first = nullptr;
	Ctrl* last = nullptr;
	for(Ctrl* q : f.popup_grabs)
		if(q) {
			if(!first)
				first = q;
			last = q;
		}
	if(!first) {
		c->DispatchMouse(code, sRelative(e.mousepos, c->GetScreenRect()), zdelta);
		return;
	}
	// the open popups, the one opened last first
	Array<Ptr<Ctrl>> popups;
	for(const WndRec& w : WndList())
		if(Ctrl* q = w.ctrl; q && q->IsPopUp() && q->IsOpen())
			popups.Add(q);
	for(int i = popups.GetCount() - 1; i >= 0; i--)
		if(Ctrl* q = popups[i]) {
			Rect r = q->GetScreenRect();
			if(r.Contains(e.mousepos)) {
				q->DispatchMouse(code, sRelative(e.mousepos, r), zdelta);
				return;
			}
		}
	if(action == Ctrl::DOWN) {
		// a click outside every popup ends them: their window takes the focus back
		Ptr<Ctrl> recent = last;
		Ctrl::SuppressMouseUntilRelease();
		if(recent && recent->IsOpen() && recent->HasFocusDeep())
			if(Ctrl* w = GetTopWindowCtrl(recent))
				CtrlAccess::ActivateWnd(*w);
		return;
	}
	Rect r = first->GetScreenRect();
	if(r.Contains(e.mousepos))
		first->DispatchMouse(code, sRelative(e.mousepos, r), zdelta);
}

void sDispatchKey(const QueuedGdkEvent& e)
{
	bool release = e.type == GDK_KEY_RELEASE;
	dword code = TranslateGdkKey(e.keyval, e.keycode, e.state, release, sKeymapMaps);
	if(!code)
		return;
	if(!release && RunHotKey(code))
		return;
	Ctrl::DispatchKey(code, e.count);
}

} // namespace

void Ctrl::DispatchBackendEvent()
{
	GuiLock lock;
	if(!IsOpen())
		return;
	Ptr<Ctrl> self = this;
	const QueuedGdkEvent& e = CurrentGdkEvent();
	MouseState& m = Mouse();
	if(e.pen && (e.type == GDK_MOTION_NOTIFY || e.type == GDK_BUTTON_PRESS || e.type == GDK_BUTTON_RELEASE)) {
		sDispatchPen(this, e);
		if(!self)
			return;
	}
	switch(e.type) {
	case GDK_DELETE:
		if(IsWindowCtrl(this) && IsEnabled()) {
			SuppressMouseUntilRelease();
			if(auto close = GetWindowHooks().when_close)
				close(this);
			else
				Close();
		}
		break;
	case GDK_MOTION_NOTIFY:
		sRoute(this, MOUSEMOVE, MOUSEMOVE, 0);
		break;
	case GDK_BUTTON_PRESS: {
		int b = e.value;
		if(b == 8 || b == 9) {
			DispatchKey(b == 8 ? K_MOUSEBACKWARD : K_MOUSEFORWARD, 1);
			break;
		}
		if(!IsWndActive() && !IsPopUp())
			SetWndForeground();
		if(!self)
			return;
		RecheckFocusWindow();
		if(!self)
			return;
		if(m.up_suppressed) {
			StopMouseRepeat();
			m.click_suppressed = m.up_suppressed = false;
		}
		else if(m.click_suppressed)
			break;
		int action = ClickAction(GuiTick());
		sRoute(this, action, action | sButtonCode(b), 0);
		break;
	}
	case GDK_BUTTON_RELEASE: {
		int b = e.value;
		if(b == 8 || b == 9) {
			DispatchKey((b == 8 ? K_MOUSEBACKWARD : K_MOUSEFORWARD) | K_KEYUP, 1);
			break;
		}
		if(m.click_suppressed)
			EndMouseSuppression();
		else if(!IsDropDelivering())
			sRoute(this, UP, UP | sButtonCode(b), 0);
		break;
	}
	case GDK_KEY_PRESS:
	case GDK_KEY_RELEASE:
		sDispatchKey(e);
		break;
	case GDK_CONFIGURE:
		SetWndRectFromSystem(*this, e.value.IsNull() ? GetNullRect() : e.value.ToRect());
		break;
	case GDK_SCROLL: {
		Point d = e.value.ToPoint();
		if(d.y)
			sRoute(this, MOUSEWHEEL, MOUSEWHEEL, d.y);
		if(d.x && self)
			sRoute(this, MOUSEHWHEEL, MOUSEHWHEEL, d.x);
		break;
	}
	case QEV_COMMIT: {
		WString text = e.value;
		for(int i = 0; i < text.GetCount(); i++)
			DispatchKey(text[i], 1);
		break;
	}
	case QEV_FOCUS:
		Focus().last_opened = nullptr;
		break;
	default:
		break;
	}
	if(self)
		PostInput();
}

} // namespace Qel
