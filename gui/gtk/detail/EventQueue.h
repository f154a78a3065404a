// The queue of input events: GTK's "event" handler only records what happened; the event pump
// merges redundant neighbours, pops one record at a time into the current event and dispatches
// it. One process-wide ring buffer, used under the GUI lock.
#pragma once

#include <gui/ctrl/Ctrl.h>

#include <gtk/gtk.h>

#include <cmath>

namespace Qel::detail {

// The backend's own record types besides GdkEventType values.
enum {
	QEV_FOCUS          = -15319, // the window got or lost the keyboard focus
	QEV_COMMIT         = -15320, // text committed by the input method
	QEV_CONFIGURE_DONE = -15321, // a configure record the sweep applied already
};

struct QueuedGdkEvent {
	using Relocatable = void;         // the ring moves its records as raw bytes

	int32     window = 0;
	int32     type = 0;
	Value     value;                  // configure: Rect; scroll: Point; buttons: int; commit: text
	dword     keyval = 0;             // key records: GDK's key value
	int32     keycode = 0;            // and the hardware key code
	Point     mousepos = Point(0, 0); // screen, device pixels
	dword     state = 0;              // modifiers, with the backend's own button bits
	int32     count = 1;              // identical key presses it stands for
	bool      pen = false;
	bool      pen_barrel = false;
	double    pressure = -HUGE_VAL;
	double    rotation = -HUGE_VAL;
	double    tilt_x = -HUGE_VAL;
	double    tilt_y = -HUGE_VAL;
	GdkEvent* event = nullptr;        // owned

	// Frees the event copy and the payload, leaving an empty record.
	void Clear();

	QueuedGdkEvent() = default;
	QueuedGdkEvent(const QueuedGdkEvent&) = delete;
	QueuedGdkEvent& operator=(const QueuedGdkEvent&) = delete;
	~QueuedGdkEvent() { Clear(); }
};

class GdkEventQueue {
public:
	// A record is added while at most this many minus one are queued.
	static constexpr int LIMIT = 50001;

	int  GetCount() const                         { return count; }
	int  GetAlloc() const                         { return items.GetCount(); }
	bool IsEmpty() const                          { return count == 0; }
	// i from the oldest record (0) on.
	QueuedGdkEvent&       operator[](int i)       { return items[Slot(i)]; }
	const QueuedGdkEvent& operator[](int i) const { return items[Slot(i)]; }

	// A fresh record at the end with its window, type and payload; null (nothing stored) when
	// the queue is full.
	QueuedGdkEvent* Add(int window = 0, int type = 0, const Value& value = Value());
	// Frees and removes the oldest record.
	void DropHead();
	// Moves the oldest record into out (freeing what out held) and removes it.
	void PopHead(QueuedGdkEvent& out);
	void Clear();

	GdkEventQueue() = default;
	GdkEventQueue(const GdkEventQueue&) = delete;
	GdkEventQueue& operator=(const GdkEventQueue&) = delete;

private:
	// A ring: count records from head on, wrapping at the end; the other slots are free.
	Vector<QueuedGdkEvent> items;
	int head = 0;
	int count = 0;

	int Slot(int i) const                         { int s = head + i; return s >= items.GetCount() ? s - items.GetCount() : s; }
};

GdkEventQueue&  GdkQueue();
// The record being dispatched: mouse and key dispatch read its position, state and event.
QueuedGdkEvent& CurrentGdkEvent();

// The "event" and "delete-event" handler of every native window; data is the window id.
gboolean GtkEventProc(GtkWidget* widget, GdkEvent* event, gpointer data);
// Appends a record (event may be null); the pointer position, state and pen data come from
// the window system and from event. Null when the queue is full.
QueuedGdkEvent* EnqueueGdkEvent(int window, int type, const Value& value, GdkEvent* event);
// A key press or release record.
void EnqueueGdkKey(int window, int type, dword keyval, int keycode, GdkEvent* event);
// Merges the oldest records that a newer one makes redundant (repeated key presses, configure
// runs, wheel steps).
void MergeGdkEvents();
// Merges, pops and dispatches at most one record; true when the queue was not empty on entry.
bool ProcessNextGdkEvent(bool* quit, bool fetch);

// Key flags (K_SHIFT, K_CTRL, K_ALT, the mouse buttons) from GDK's modifier and button word.
dword MouseKeyFlags(dword state);

// The button word (0x100, 0x200, 0x400 while buttons 1, 2, 3 are down) and the last pointer
// position, in device pixels.
dword& GdkButtonWord();
Point& GdkLastMousePos();

} // namespace Qel::detail
