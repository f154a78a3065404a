// Mouse dispatch: from the event the backend hands to a top control down to the control under
// the pointer (or the capture), with enter and leave, the view and frame split, the synthesised
// triple, drag, repeat and hold events, hooks and the user log; the capture, click suppression
// and the cursor.
#include <gui/ctrl/Ctrl.h>
#include <gui/base/Settings.h>
#include <gui/detail/Backend.h>
#include <gui/ctrl/detail/CtrlAccess.h>
#include <gui/ctrl/detail/Focus.h>
#include <gui/detail/Geom.h>
#include <gui/input/detail/Mouse.h>

#include <cstdlib>

namespace Qel {

using namespace detail;

namespace {

// The key flags of the buttons by button number (0 middle, 1 left, 2 right).
constexpr dword sButtonBit[3] = {K_MOUSEMIDDLE, K_MOUSELEFT, K_MOUSERIGHT};

bool sIsWheel(int event)                { return event == Ctrl::MOUSEWHEEL || event == Ctrl::MOUSEHWHEEL; }
bool sHeld(int button)                  { return CurrentEventState() & sButtonBit[button]; }
bool sAnyHeld()                         { return CurrentEventState() & (K_MOUSELEFT | K_MOUSEMIDDLE | K_MOUSERIGHT); }
Point sSub(Point a, Point b)            { return Point(SatSub(a.x, b.x), SatSub(a.y, b.y)); }

// Chebyshev distance, the one the drag distance is measured in.
int sDistance(Point a, Point b)
{
	return (int)min(max(std::abs(int64(a.x) - b.x), std::abs(int64(a.y) - b.y)), int64(INT_MAX));
}

void sLog(const String& s)
{
	StdLog().Put(s.Begin(), s.GetLength());
}

// "LEFTDOWN (10, 20) ( CTRL LEFT ) desc" for wheel, down, up and double events.
void sLogMouse(const char* prefix, Ctrl* c, int event, Point p, dword keyflags)
{
	static const char* const button[] = {"MIDDLE", "LEFT", "RIGHT"};
	const char* action;
	switch(event & Ctrl::ACTION) {
	case Ctrl::MOUSEWHEEL: action = "WHEEL"; break;
	case Ctrl::DOWN:       action = "DOWN"; break;
	case Ctrl::UP:         action = "UP"; break;
	case Ctrl::DOUBLE:     action = "DOUBLE"; break;
	default:               return;
	}
	int b = event & Ctrl::BUTTON;
	if(b > 2)
		return;
	String s = prefix;
	s << button[b] << action << " (" << p.x << ", " << p.y << ") (";
	static const struct { dword flag; const char* word; } words[] = {
		{K_ALT, " ALT"}, {K_CTRL, " CTRL"}, {K_SHIFT, " SHIFT"},
		{K_MOUSELEFT, " LEFT"}, {K_MOUSERIGHT, " RIGHT"}, {K_MOUSEMIDDLE, " MIDDLE"},
	};
	for(const auto& w : words)
		if(keyflags & w.flag)
			s << w.word;
	s << " ) " << Ctrl::Desc(c) << "\n";
	sLog(s);
}

dword sKeyFlags(int event)
{
	dword k = CurrentEventState();
	if((event & Ctrl::ACTION) == Ctrl::DOUBLE)
		k |= K_MOUSEDOUBLE;
	if((event & Ctrl::ACTION) == Ctrl::TRIPLE)
		k |= K_MOUSETRIPLE;
	if(CurrentEventIsPen())
		k |= K_PEN;
	return k;
}

Image sMakeCursor(int aux)
{
	ImageBuffer b(Size(1, 1));
	*b[0] = RGBA{0, 0, 0, 0};
	Image m(b);
	m.SetAuxData(aux);
	return m;
}

void sStartRepeat(int button);
void sHoldCheck(int button);

} // namespace

MouseState& detail::Mouse()
{
	static MouseState m;
	return m;
}

Image ArrowCursorImage()
{
	// the GDK left-pointer arrow (68), plus one
	static const Image m = sMakeCursor(69);
	return m;
}

Image OverrideCursorImage()
{
	GuiLock lock;
	return Mouse().override_cursor;
}

bool GetMouseLeft()
{
	GuiLock lock;
	return CurrentEventState() & K_MOUSELEFT;
}

bool GetMouseRight()
{
	GuiLock lock;
	return CurrentEventState() & K_MOUSERIGHT;
}

Point GetMousePos()
{
	GuiLock lock;
	return CurrentEventMousePos();
}

// Defaults of the per-event operations -----------------------------------------------------------

Image Ctrl::MouseEvent(int event, Point p, int zdelta, dword keyflags)
{
	switch(event) {
	case MOUSEENTER:     MouseEnter(p, keyflags); break;
	case MOUSEMOVE:      MouseMove(p, keyflags); break;
	case MOUSELEAVE:     MouseLeave(); break;
	case CURSORIMAGE:    return CursorImage(p, keyflags);
	case MOUSEWHEEL:     MouseWheel(p, zdelta, keyflags); break;
	case MOUSEHWHEEL:    HorzMouseWheel(p, zdelta, keyflags); break;
	case LEFTDOWN:       LeftDown(p, keyflags); break;
	case LEFTUP:         LeftUp(p, keyflags); break;
	case LEFTDOUBLE:     LeftDouble(p, keyflags); break;
	case LEFTREPEAT:     LeftRepeat(p, keyflags); break;
	case LEFTDRAG:       LeftDrag(p, keyflags); break;
	case LEFTHOLD:       LeftHold(p, keyflags); break;
	case LEFTTRIPLE:     LeftTriple(p, keyflags); break;
	case RIGHTDOWN:      RightDown(p, keyflags); break;
	case RIGHTUP:        RightUp(p, keyflags); break;
	case RIGHTDOUBLE:    RightDouble(p, keyflags); break;
	case RIGHTREPEAT:    RightRepeat(p, keyflags); break;
	case RIGHTDRAG:      RightDrag(p, keyflags); break;
	case RIGHTHOLD:      RightHold(p, keyflags); break;
	case RIGHTTRIPLE:    RightTriple(p, keyflags); break;
	case MIDDLEDOWN:     MiddleDown(p, keyflags); break;
	case MIDDLEUP:       MiddleUp(p, keyflags); break;
	case MIDDLEDOUBLE:   MiddleDouble(p, keyflags); break;
	case MIDDLEREPEAT:   MiddleRepeat(p, keyflags); break;
	case MIDDLEDRAG:     MiddleDrag(p, keyflags); break;
	case MIDDLEHOLD:     MiddleHold(p, keyflags); break;
	case MIDDLETRIPLE:   MiddleTriple(p, keyflags); break;
	default:             break;
	}
	return ArrowCursorImage();
}

Image Ctrl::FrameMouseEvent(int, Point, int, dword)
{
	return ArrowCursorImage();
}

Image Ctrl::CursorImage(Point, dword)
{
	return ArrowCursorImage();
}

void Ctrl::PassWheelUp(int event, Point p, int zdelta, dword keyflags)
{
	Ctrl* parent = GetParent();
	if(!parent)
		return;
	// through the screen: exact whatever frames lie between
	Point s = AddPoint(p, TopLeft(GetScreenView()));
	Rect pv = parent->GetScreenView();
	if(!pv.Contains(s))
		return;
	parent->InvokeMouseEvent(event, sSub(s, TopLeft(pv)), zdelta, keyflags);
	Mouse().wheel_passed_up = true;
}

void Ctrl::MouseWheel(Point p, int zdelta, dword keyflags)
{
	GuiLock lock;
	PassWheelUp(MOUSEWHEEL, p, zdelta, keyflags);
}

void Ctrl::HorzMouseWheel(Point p, int zdelta, dword keyflags)
{
	GuiLock lock;
	PassWheelUp(MOUSEHWHEEL, p, zdelta, keyflags);
}

// Dispatch -------------------------------------------------------------------------------------

Image Ctrl::DispatchMouse(int event, Point p, int zdelta)
{
	GuiLock lock;
	if(sIsWheel(event) && zdelta == 0)
		return Image();
	MouseState& m = Mouse();
	Ptr<Ctrl> self = this;
	if(event != MOUSEMOVE)
		m.repeat_pos = p;
	int action = event & ACTION, b = event & BUTTON;
	bool button = b <= RIGHT;
	if(action == DOWN && button) {
		Qel::SetTimeCallback(500, [b] { sStartRepeat(b); }, MouseTimerId());
		Qel::SetTimeCallback(1000, [b] { sHoldCheck(b); }, MouseTimerId());
		m.press_pos[b] = p;
		if(!IsNullPoint(m.double_pos[b]) && sDistance(m.double_pos[b], p) < GetGuiDragDistance() &&
		   m.double_time[b] != NULL_INT && int(GuiTick() - dword(m.double_time[b])) < GetGuiDoubleClickTime())
			event = TRIPLE | b;
		m.press_ctrl = this;
	}
	else if(action == DOUBLE && button) {
		m.double_time[b] = (int)GuiTick();
		m.double_pos[b] = p;
		Qel::SetTimeCallback(500, [b] { sStartRepeat(b); }, MouseTimerId());
		m.press_ctrl = this;
	}
	else if(event == MOUSEMOVE) {
		if(m.press_ctrl == this)
			for(int k : {LEFT, RIGHT, MIDDLE}) {
				Point at = m.press_pos[k];
				if(!IsNullPoint(at) && sDistance(at, p) > GetGuiDragDistance() && sHeld(k)) {
					m.press_pos[k] = NullPoint();
					DispatchMouseEvent(DRAG | k, at, 0);
					if(!self)
						return ArrowCursorImage();
				}
			}
		m.repeat_pos = p;
	}
	if(m.press_ctrl != this)
		m.press_ctrl = nullptr;
	if(action == UP && button) {
		m.press_pos[b] = NullPoint();
		StopMouseRepeat();
	}
	Image img = DispatchMouseEvent(event, p, zdelta);
	if(!sAnyHeld())
		ReleaseCapture();
	return img;
}

Image Ctrl::DispatchMouseEvent(int event, Point p, int zdelta)
{
	GuiLock lock;
	FocusState& f = Focus();
	Ctrl* cap = f.capture;
	if(cap && cap != this && cap->AcceptsMouse())
		return cap->DeliverMouseEvent(event, sSub(AddPoint(p, TopLeft(GetScreenRect())), TopLeft(cap->GetScreenRect())),
		                              zdelta);
	if(!IsEnabled())
		return ArrowCursorImage();
	Ctrl* c = this;
	if(sIsWheel(event) && (IsTopLevel() || !GetParent()))
		if(Ctrl* focus = f.focus_ctrl) {
			// the wheel scrolls what the keyboard works in, wherever the pointer is
			c = focus->GetTopCtrl();
			p = sSub(CurrentEventMousePos(), TopLeft(c->GetScreenRect()));
		}
	Point q = p;
	if(Ctrl* child = c->ChildAtPoint(q))
		return child->DispatchMouseEvent(event, q, zdelta);
	return c->DeliverMouseEvent(event, p, zdelta);
}

bool Ctrl::AcceptsMouse() const
{
	GuiLock lock;
	if(!IsEnabled() || IsIgnoreMouse() || !IsOpen())
		return false;
	return IsVisibleDeep();
}

Ctrl* Ctrl::ChildAtPoint(Point& p)
{
	GuiLock lock;
	Rect view = GetView();
	bool inview = view.Contains(p);
	Point at = inview ? sSub(p, TopLeft(view)) : p;
	// topmost first; the rectangle is the cheap test, so it comes before the walk to the top
	for(Ctrl* q = GetLastChild(); q; q = q->GetPrev()) {
		if(q->InView() != inview)
			continue;
		Rect r = q->GetRect();
		if(r.Contains(at) && q->AcceptsMouse()) {
			p = sSub(at, TopLeft(r));
			return q;
		}
	}
	return nullptr;
}

Ctrl* Ctrl::ChildFromPoint(Point& p, bool inview)
{
	GuiLock lock;
	if(!inview)
		p = AddPoint(p, TopLeft(GetView()));
	Ctrl* c = this;
	for(;;) {
		Rect view = c->GetView();
		bool in = view.Contains(p);
		Point at = in ? sSub(p, TopLeft(view)) : p;
		Ctrl* hit = nullptr;
		for(Ctrl* q = c->GetLastChild(); q && !hit; q = q->GetPrev())
			if(q->InView() == in && q->IsVisible() && q->GetRect().Contains(at))
				hit = q;
		if(!hit)
			return c;
		p = sSub(at, TopLeft(hit->GetRect()));
		c = hit;
	}
}

Image Ctrl::DeliverMouseEvent(int event, Point p, int zdelta)
{
	GuiLock lock;
	FocusState& f = Focus();
	MouseState& m = Mouse();
	dword keyflags = sKeyFlags(event);
	Ptr<Ctrl> self = this;
	m.pos = p;
	if(f.pointer_ctrl != this) {
		if(Ptr<Ctrl> old = f.pointer_ctrl) {
			// a pointer that already left the view got its view leave then
			if(m.in_view)
				old->SendViewMouseEvent(MOUSELEAVE, Point(0, 0), 0, keyflags);
			if(old)
				old->SendFrameMouseEvent(MOUSELEAVE, Point(0, 0), 0, keyflags);
		}
		m.in_view = m.in_frame = false;
		if(!self)
			return ArrowCursorImage();
		f.pointer_ctrl = this;
		m.in_frame = true;
		SendFrameMouseEvent(MOUSEENTER, p, 0, keyflags);
		if(!self)
			return ArrowCursorImage();
	}
	Rect view = GetView();
	bool inview = view.Contains(p);
	if(inview != m.in_view) {
		m.in_view = inview;
		SendViewMouseEvent(inview ? MOUSEENTER : MOUSELEAVE, sSub(p, TopLeft(view)), 0, keyflags);
		if(!self)
			return ArrowCursorImage();
	}
	Image img = inview || HasCapture() ? SendViewMouseEvent(event, sSub(p, TopLeft(view)), zdelta, keyflags)
	                                   : SendFrameMouseEvent(event, p, zdelta, keyflags);
	return self ? img : ArrowCursorImage();
}

Image Ctrl::SendViewMouseEvent(int event, Point p, int zdelta, dword keyflags)
{
	GuiLock lock;
	Ptr<Ctrl> self = this;
	// by index: a hook may install further hooks
	const Vector<MouseHook>& hooks = Focus().mouse_hooks;
	for(int i = 0; i < hooks.GetCount() && self; i++)
		if(hooks[i](this, false, event, p, zdelta, keyflags))
			return ArrowCursorImage();
	if(!self)
		return ArrowCursorImage();
	if(UserLogOn())
		sLogMouse("", this, event, p, keyflags);
	if(!sIsWheel(event))
		if(Ctrl* parent = GetParent()) {
			parent->ChildMouseEvent(this, event, p, zdelta, keyflags);
			if(!self)
				return ArrowCursorImage();
		}
	return InvokeMouseEvent(event, p, zdelta, keyflags);
}

Image Ctrl::SendFrameMouseEvent(int event, Point p, int zdelta, dword keyflags)
{
	GuiLock lock;
	Ptr<Ctrl> self = this;
	const Vector<MouseHook>& hooks = Focus().mouse_hooks;
	for(int i = 0; i < hooks.GetCount() && self; i++)
		if(hooks[i](this, true, event, p, zdelta, keyflags))
			return ArrowCursorImage();
	if(!self)
		return ArrowCursorImage();
	if(UserLogOn())
		sLogMouse("FRAME ", this, event, p, keyflags);
	if(Ctrl* parent = GetParent()) {
		parent->ChildFrameMouseEvent(this, event, p, zdelta, keyflags);
		if(!self)
			return Image();
	}
	return FrameMouseEvent(event, p, zdelta, keyflags);
}

Image Ctrl::InvokeMouseEvent(int event, Point p, int zdelta, dword keyflags)
{
	GuiLock lock;
	MouseState& m = Mouse();
	struct Restore {
		bool& flag;
		bool  saved;
		~Restore() { flag = saved; }
	} restore{m.wheel_passed_up, m.wheel_passed_up};
	m.wheel_passed_up = false;
	Ptr<Ctrl> self = this;
	Image img = MouseEvent(event, p, zdelta, keyflags);
	if(sIsWheel(event) && self && !m.wheel_passed_up)
		if(Ctrl* parent = GetParent())
			parent->ChildMouseEvent(this, event, p, zdelta, keyflags);
	return img;
}

// Repeat, hold, suppression --------------------------------------------------------------------

namespace {

void sRepeatTick(int button)
{
	MouseState& m = Mouse();
	Ptr<Ctrl> c = m.press_ctrl;
	if(!c || !sHeld(button)) {
		Ctrl::StopMouseRepeat();
		return;
	}
	if(c->HasFocusDeep())
		CtrlAccess::DispatchMouseEvent(*c, Ctrl::REPEAT | button, m.repeat_pos, 0);
}

void sStartRepeat(int button)
{
	GuiLock lock;
	SetTimeCallback(-31, [button] { GuiLock lock; sRepeatTick(button); }, MouseTimerId());
}

void sHoldCheck(int button)
{
	GuiLock lock;
	FocusState& f = Focus();
	MouseState& m = Mouse();
	Ctrl* pc = f.pointer_ctrl;
	Ctrl* press = m.press_ctrl;
	Point at = m.press_pos[button];
	if(!pc || !press || IsNullPoint(at) || !sHeld(button))
		return;
	// the pointer in the pressed top control's coordinates
	Point now = sSub(AddPoint(m.pos, TopLeft(pc->GetScreenRect())), TopLeft(press->GetScreenRect()));
	if(sDistance(now, at) < GetGuiDragDistance())
		CtrlAccess::DispatchMouseEvent(*press, Ctrl::HOLD | button, m.repeat_pos, 0);
}

} // namespace

void Ctrl::StopMouseRepeat()
{
	GuiLock lock;
	MouseState& m = Mouse();
	Qel::KillTimeCallback(MouseTimerId());
	m.press_ctrl = nullptr;
	for(Point& p : m.press_pos)
		p = NullPoint();
}

void Ctrl::SuppressMouseClick()
{
	GuiLock lock;
	Mouse().click_suppressed = true;
	StopMouseRepeat();
}

void Ctrl::SuppressMouseUntilRelease()
{
	GuiLock lock;
	if(!sAnyHeld())
		return;
	SuppressMouseClick();
	Mouse().up_suppressed = true;
}

void Ctrl::EndMouseSuppression()
{
	GuiLock lock;
	if(sAnyHeld())
		return;
	StopMouseRepeat();
	MouseState& m = Mouse();
	m.click_suppressed = m.up_suppressed = false;
}

// Capture --------------------------------------------------------------------------------------

bool Ctrl::SetCapture()
{
	GuiLock lock;
	ReleaseCapture();
	Ctrl* t = GetTopCtrl();
	if(!t->IsOpen() || !GrabCapture(t))
		return false;
	FocusState& f = Focus();
	f.pointer_ctrl = f.capture = this;
	return true;
}

bool Ctrl::ReleaseCapture()
{
	GuiLock lock;
	FocusState& f = Focus();
	Ptr<Ctrl> cap = f.capture;
	if(!cap)
		return false;
	Ptr<Ctrl> top = cap->GetTopCtrl();
	cap->CancelMode();
	f.capture = nullptr;
	CheckMouseCtrl();
	if(top && top->HoldsPointerGrab()) {
		ReleaseCaptureGrab();
		return true;
	}
	return false;
}

bool Ctrl::HasCapture() const
{
	GuiLock lock;
	return Focus().capture == this && GetTopCtrl()->HoldsPointerGrab();
}

bool Ctrl::HoldsPointerGrab() const
{
	GuiLock lock;
	return HoldsCaptureGrab(this);
}

// Queries --------------------------------------------------------------------------------------

Ctrl* Ctrl::GetMouseCtrl()
{
	GuiLock lock;
	return Focus().pointer_ctrl;
}

bool Ctrl::HasMouse() const
{
	GuiLock lock;
	return Focus().pointer_ctrl == this;
}

bool Ctrl::HasMouseDeep() const
{
	GuiLock lock;
	Ctrl* pc = Focus().pointer_ctrl;
	return pc && (pc == this || HasChildDeep(pc));
}

bool Ctrl::HasMouseIn(const Rect& r) const
{
	GuiLock lock;
	if(!HasMouse())
		return false;
	Rect view = GetScreenView();
	Rect shown = OffsetRect(r, TopLeft(view)) & (view & GetVisibleScreenRect());
	return shown.Contains(CurrentEventMousePos());
}

// Cursor ---------------------------------------------------------------------------------------

void Ctrl::CheckMouseCtrl()
{
	GuiLock lock;
	FocusState& f = Focus();
	MouseState& m = Mouse();
	Ptr<Ctrl> pc = f.pointer_ctrl;
	if(pc && !pc->HasCapture() && !pc->GetScreenRect().Contains(CurrentEventMousePos())) {
		dword keyflags = sKeyFlags(MOUSEMOVE);
		if(m.in_view)
			pc->SendViewMouseEvent(MOUSELEAVE, sSub(m.pos, TopLeft(pc->GetView())), 0, keyflags);
		if(m.in_frame && pc)
			pc->SendFrameMouseEvent(MOUSELEAVE, m.pos, 0, keyflags);
		m.in_view = m.in_frame = false;
		f.pointer_ctrl = nullptr;
		StopMouseRepeat();
	}
	SyncCursor();
}

void Ctrl::SyncCursor()
{
	GuiLock lock;
	MouseState& m = Mouse();
	if(!m.override_cursor.IsEmpty()) {
		SetNativeCursor(m.override_cursor);
		return;
	}
	Ctrl* pc = Focus().pointer_ctrl;
	SetNativeCursor(pc ? pc->DeliverMouseEvent(CURSORIMAGE, m.pos, 0) : ArrowCursorImage());
}

void Ctrl::SetNativeCursor(const Image& img)
{
	GuiLock lock;
	Ctrl* pc = Focus().pointer_ctrl;
	Ctrl* t = pc ? pc->GetTopCtrl() : GetActiveCtrl();
	if(t && t->IsTopLevel())
		WndSetCursor(t, img);
}

} // namespace Qel
