// GDK events become queued records inside the GTK callback; the event pump merges and pops them
// later, outside any GTK code.
#include "detail/EventQueue.h"
#include "detail/Wnd.h"
#include <gui/ctrl/detail/CtrlAccess.h>
#include <gui/ctrl/detail/Focus.h>
#include <gui/input/detail/Mouse.h>
#include <gui/gtk/GtkApp.h>

namespace Qel {

using namespace detail;

namespace {

dword sButtons;
Point sLastMouse(0, 0);

// Cancels a composition in progress: input that is not typing ends it.
void sCancelPreedit(Top* top)
{
	ClosePreedit();
	ResetGtkIm(top);
}

Value sButtonPayload(guint button)
{
	return (button >= 1 && button <= 3) || button == 8 || button == 9 ? Value((int)button) : Value();
}

gboolean sEventProc(GdkEvent* event, int id)
{
	Ctrl* ctrl = FindWndCtrl(id);
	Top* top = ctrl ? CtrlAccess::GetTop(*ctrl) : nullptr;
	switch(event->type) {
	case GDK_DELETE:
		sCancelPreedit(top);
		EnqueueGdkEvent(id, GDK_DELETE, Value(), event);
		return TRUE;
	case GDK_MOTION_NOTIFY:
	case GDK_LEAVE_NOTIFY:
		EnqueueGdkEvent(id, event->type, Value(), event);
		return TRUE;
	case GDK_BUTTON_PRESS:
	case GDK_2BUTTON_PRESS:
	case GDK_BUTTON_RELEASE: {
		sCancelPreedit(top);
		guint b = event->button.button;
		if(b >= 1 && b <= 3) {
			dword bit = 0x100u << (b - 1);
			if(event->type == GDK_BUTTON_RELEASE)
				sButtons &= ~bit;
			else
				sButtons |= bit;
		}
		Value v = sButtonPayload(b);
		if(v.IsNull())
			return FALSE;
		EnqueueGdkEvent(id, event->type, v, event);
		return TRUE;
	}
	case GDK_KEY_PRESS:
	case GDK_KEY_RELEASE: {
		// releases too: the input method's hex entry goes on once Ctrl and Shift are let go
		if(top && top->im_context && gtk_im_context_filter_keypress(top->im_context, &event->key))
			return TRUE;
		EnqueueGdkKey(id, event->type, event->key.keyval, event->key.hardware_keycode, event);
		return TRUE;
	}
	case GDK_FOCUS_CHANGE:
		sCancelPreedit(top);
		if(!ctrl)
			return FALSE;
		if(top->im_context) {
			if(event->focus_change.in)
				gtk_im_context_focus_in(top->im_context);
			else
				gtk_im_context_focus_out(top->im_context);
		}
		EnqueueGdkEvent(id, QEV_FOCUS, Value(), event);
		return FALSE;
	case GDK_CONFIGURE: {
		int s = GetDisplayScale();
		const GdkEventConfigure& c = event->configure;
		EnqueueGdkEvent(id, GDK_CONFIGURE, Rect(c.x * s, c.y * s, (c.x + c.width) * s, (c.y + c.height) * s), event);
		return FALSE;
	}
	case GDK_SCROLL: {
		Point d;
		switch(event->scroll.direction) {
		case GDK_SCROLL_UP:    d = Point(0, 120); break;
		case GDK_SCROLL_DOWN:  d = Point(0, -120); break;
		case GDK_SCROLL_LEFT:  d = Point(-120, 0); break;
		case GDK_SCROLL_RIGHT: d = Point(120, 0); break;
		default:               return FALSE; // smooth deltas: the event mask asks for steps
		}
		EnqueueGdkEvent(id, GDK_SCROLL, d, event);
		return TRUE;
	}
	default:
		return FALSE;
	}
}

// Where the pen's axes are in the event; null for other events.
gdouble* sAxes(GdkEvent* e)
{
	switch(e->type) {
	case GDK_MOTION_NOTIFY:  return e->motion.axes;
	case GDK_BUTTON_PRESS:
	case GDK_2BUTTON_PRESS:
	case GDK_BUTTON_RELEASE: return e->button.axes;
	default:                 return nullptr;
	}
}

// The modifier state an input event carries, as it stands after the event: the event's own
// field tells the state before it, so a modifier key's press adds its bit and its release
// removes it. False for records without an input event.
bool sEventModifiers(const GdkEvent* event, GdkModifierType& mask)
{
	if(!event)
		return false;
	guint state;
	switch(event->type) {
	case GDK_MOTION_NOTIFY:  state = event->motion.state; break;
	case GDK_BUTTON_PRESS:
	case GDK_2BUTTON_PRESS:
	case GDK_BUTTON_RELEASE: state = event->button.state; break;
	case GDK_SCROLL:         state = event->scroll.state; break;
	case GDK_ENTER_NOTIFY:
	case GDK_LEAVE_NOTIFY:   state = event->crossing.state; break;
	case GDK_KEY_PRESS:
	case GDK_KEY_RELEASE: {
		state = event->key.state;
		guint bit = 0;
		switch(event->key.keyval) {
		case GDK_KEY_Shift_L: case GDK_KEY_Shift_R:     bit = GDK_SHIFT_MASK; break;
		case GDK_KEY_Control_L: case GDK_KEY_Control_R: bit = GDK_CONTROL_MASK; break;
		case GDK_KEY_Alt_L: case GDK_KEY_Alt_R:
		case GDK_KEY_Meta_L: case GDK_KEY_Meta_R:       bit = GDK_MOD1_MASK; break;
		default: break;
		}
		state = event->type == GDK_KEY_PRESS ? state | bit : state & ~bit;
		break;
	}
	default:
		return false;
	}
	mask = GdkModifierType(state);
	return true;
}

} // namespace

// The ring's slots hold constructed values, void while free; filling and emptying them in place
// keeps the hot path to one copy of the payload.
void QueuedGdkEvent::Clear()
{
	if(event) {
		gdk_event_free(event);
		event = nullptr;
	}
	if(!value.IsVoid()) {
		value.~Value();
		new(&value) Value;
	}
}

QueuedGdkEvent* GdkEventQueue::Add(int window, int type, const Value& value)
{
	if(count >= LIMIT)
		return nullptr;
	if(count == items.GetCount()) {
		// free slots open where the newest record ends: the older ones from head on move up
		// behind them, so the order stays and the next record lands in the first free slot
		int grow = max(count, 4);
		items.InsertN(head, grow);
		if(count)
			head += grow;
	}
	QueuedGdkEvent& e = items[Slot(count++)];
	e.Clear();
	e.window = window;
	e.type = type;
	if(!value.IsVoid()) {
		e.value.~Value();
		new(&e.value) Value(value);
	}
	e.keyval = 0;
	e.keycode = 0;
	e.mousepos = Point(0, 0);
	e.state = 0;
	e.count = 1;
	e.pen = e.pen_barrel = false;
	e.pressure = e.rotation = e.tilt_x = e.tilt_y = -HUGE_VAL;
	return &e;
}

void GdkEventQueue::DropHead()
{
	if(!count)
		return;
	items[head].Clear();
	head = head + 1 == items.GetCount() ? 0 : head + 1;
	count--;
}

void GdkEventQueue::PopHead(QueuedGdkEvent& out)
{
	if(!count)
		return;
	QueuedGdkEvent& e = items[head];
	out.Clear();
	out.window = e.window;
	out.type = e.type;
	if(!e.value.IsVoid()) {
		out.value.~Value();
		new(&out.value) Value(std::move(e.value));
	}
	out.keyval = e.keyval;
	out.keycode = e.keycode;
	out.mousepos = e.mousepos;
	out.state = e.state;
	out.count = e.count;
	out.pen = e.pen;
	out.pen_barrel = e.pen_barrel;
	out.pressure = e.pressure;
	out.rotation = e.rotation;
	out.tilt_x = e.tilt_x;
	out.tilt_y = e.tilt_y;
	out.event = e.event;
	e.event = nullptr;
	DropHead();
}

void GdkEventQueue::Clear()
{
	while(count)
		DropHead();
}

GdkEventQueue& detail::GdkQueue()
{
	static GdkEventQueue q;
	return q;
}

QueuedGdkEvent& detail::CurrentGdkEvent()
{
	static QueuedGdkEvent e;
	return e;
}

dword& detail::GdkButtonWord()
{
	return sButtons;
}

Point& detail::GdkLastMousePos()
{
	return sLastMouse;
}

bool detail::IsMouseButtonHeld()
{
	GuiLock lock;
	return sButtons & 0x700;
}

bool detail::IsAltHeld()
{
	GuiLock lock;
	return CurrentGdkEvent().state & GDK_MOD1_MASK;
}

dword detail::MouseKeyFlags(dword state)
{
	dword k = 0;
	if(state & GDK_SHIFT_MASK)
		k |= K_SHIFT;
	if(state & GDK_CONTROL_MASK)
		k |= K_CTRL;
	if(state & GDK_MOD1_MASK)
		k |= K_ALT;
	if(state & GDK_BUTTON1_MASK)
		k |= K_MOUSELEFT;
	if(state & GDK_BUTTON2_MASK)
		k |= K_MOUSEMIDDLE;
	if(state & GDK_BUTTON3_MASK)
		k |= K_MOUSERIGHT;
	return k;
}

dword detail::CurrentEventState()
{
	return MouseKeyFlags(CurrentGdkEvent().state);
}

Point detail::CurrentEventMousePos()
{
	return CurrentGdkEvent().mousepos;
}

bool detail::CurrentEventIsPen()
{
	return CurrentGdkEvent().pen;
}

gboolean detail::GtkEventProc(GtkWidget*, GdkEvent* event, gpointer data)
{
	// a failed delete request must not let GTK destroy the window behind the control's back
	return Guarded<gboolean>(event->type == GDK_DELETE, [&] { return sEventProc(event, DataToId(data)); });
}

void detail::EnqueueGdkKey(int window, int type, dword keyval, int keycode, GdkEvent* event)
{
	GuiLock lock;
	if(QueuedGdkEvent* e = EnqueueGdkEvent(window, type, Value(), event)) {
		e->keyval = keyval;
		e->keycode = keycode;
	}
}

namespace {

// The pointer position, state and pen data of a fresh record.
void sFillRecord(QueuedGdkEvent* e, GdkEvent* event)
{
	GdkModifierType mask = GdkModifierType(0);
	// The modifiers as the event saw them: asking the server now would give those of a later
	// moment (a Ctrl released meanwhile turns a late Ctrl+C into C) and cost a round trip.
	// Records without such an event ask the server.
	if(!sEventModifiers(event, mask))
		if(GdkDisplay* d = gdk_display_get_default()) {
			GdkSeat* seat = gdk_display_get_default_seat(d);
			GdkDevice* pointer = seat ? gdk_seat_get_pointer(seat) : nullptr;
			if(GdkWindow* root = pointer ? gdk_get_default_root_window() : nullptr) {
				int x, y;
				gdk_window_get_device_position(root, pointer, &x, &y, &mask);
			}
		}
	int s = GetDisplayScale();
	if(event && event->type == GDK_MOTION_NOTIFY)
		sLastMouse = Point(int(event->motion.x_root * s), int(event->motion.y_root * s));
	else if(event && event->type == GDK_LEAVE_NOTIFY)
		sLastMouse = Point(int(event->crossing.x_root * s), int(event->crossing.y_root * s));
	e->mousepos = sLastMouse;
	e->state = (dword(mask) & ~0x700u) | sButtons;
	e->count = 1;
	gdouble* axes = event ? sAxes(event) : nullptr;
	GdkDevice* dev = event ? gdk_event_get_source_device(event) : nullptr;
	if(!dev || !(event->type == GDK_MOTION_NOTIFY || event->type == GDK_BUTTON_PRESS ||
	             event->type == GDK_2BUTTON_PRESS || event->type == GDK_BUTTON_RELEASE))
		return;
	GdkInputSource src = gdk_device_get_source(dev);
	if(src != GDK_SOURCE_PEN && src != GDK_SOURCE_TOUCHSCREEN)
		return;
	e->pen = true;
	e->pen_barrel = sButtons & 0x400;
	// a pen stroke wants every motion, not the last of a burst
	if(event->type == GDK_BUTTON_PRESS && event->any.window)
		gdk_window_set_event_compression(event->any.window, FALSE);
	else if(event->type == GDK_BUTTON_RELEASE && event->any.window)
		gdk_window_set_event_compression(event->any.window, TRUE);
	if(!axes)
		return;
	auto axis = [&](GdkAxisUse use, double& out) {
		double v;
		if(gdk_device_get_axis(dev, axes, use, &v))
			out = v;
	};
	axis(GDK_AXIS_PRESSURE, e->pressure);
	axis(GDK_AXIS_ROTATION, e->rotation);
	axis(GDK_AXIS_XTILT, e->tilt_x);
	axis(GDK_AXIS_YTILT, e->tilt_y);
}

} // namespace

QueuedGdkEvent* detail::EnqueueGdkEvent(int window, int type, const Value& value, GdkEvent* event)
{
	GuiLock lock;
	QueuedGdkEvent* e = GdkQueue().Add(window, type, value);
	if(e)
		sFillRecord(e, event);
	return e;
}

void detail::MergeGdkEvents()
{
	GuiLock lock;
	GdkEventQueue& q = GdkQueue();
	while(q.GetCount() >= 2) {
		QueuedGdkEvent& a = q[0];
		QueuedGdkEvent& b = q[1];
		if(a.type != b.type || a.window != b.window || a.state != b.state)
			break;
		if(a.type == GDK_KEY_PRESS && a.keyval == b.keyval && a.keycode == b.keycode)
			b.count += a.count;
		else if(a.type == GDK_SCROLL) {
			Point pa = a.value.ToPoint(), pb = b.value.ToPoint();
			b.value = Point(pa.x + pb.x, pa.y + pb.y);
		}
		else if(a.type != GDK_CONFIGURE) // only the newest geometry counts
			break;
		q.DropHead();
		SyncActiveWindow();
	}
}

bool detail::ProcessNextGdkEvent(bool* quit, bool fetch)
{
	GuiLock lock;
	if(fetch)
		IterateGtkMainContext(false);
	GdkEventQueue& q = GdkQueue();
	bool found = !q.IsEmpty();
	if(found) {
		MergeGdkEvents();
		QueuedGdkEvent& cur = CurrentGdkEvent();
		q.PopHead(cur);
		Ptr<Ctrl> ctrl = FindWndCtrl(cur.window);
		SyncActiveWindow();
		RegrabCapture();
		if(ctrl)
			SyncImCursorLocation(ctrl);
		if(ctrl)
			CtrlAccess::DispatchBackendEvent(*ctrl);
	}
	if(quit)
		*quit = false;
	SyncActiveWindow();
	Ctrl::SyncCaret();
	return found;
}

} // namespace Qel
