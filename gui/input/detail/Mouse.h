// The process-wide mouse state of the dispatcher, under the GUI lock. The control under the
// pointer and the capture live in FocusState; this holds what the synthesised events need.
#pragma once

#include <gui/ctrl/Ctrl.h>

namespace Qel::detail {

constexpr int NULL_INT = (int)0x80000000;

inline Point NullPoint()              { return Point(NULL_INT, NULL_INT); }
inline bool  IsNullPoint(Point p)     { return p.x == NULL_INT && p.y == NULL_INT; }

struct MouseState {
	bool      in_frame = false;       // the frame enter of the control under the pointer was sent
	bool      in_view = false;
	Point     pos = NullPoint();      // in the pointer control's coordinates; its address is the
	                                  // identity of every repeat and hold timer
	Ptr<Ctrl> press_ctrl;             // the top control that got the last press
	Point     repeat_pos = NullPoint();
	Point     press_pos[3] = {NullPoint(), NullPoint(), NullPoint()};  // by button; Null: nothing pending
	Point     double_pos[3] = {NullPoint(), NullPoint(), NullPoint()};
	int       double_time[3] = {NULL_INT, NULL_INT, NULL_INT};        // tick of the last double click
	bool      click_suppressed = false;
	bool      up_suppressed = false;
	bool      wheel_passed_up = false;
	Image     override_cursor;
};

MouseState& Mouse();

// The modifiers and buttons held (K_SHIFT, K_CTRL, K_ALT, K_MOUSELEFT, K_MOUSEMIDDLE,
// K_MOUSERIGHT), the pointer's screen position (device pixels) and the pen mark of the event
// being dispatched; the backend keeps them.
dword CurrentEventState();
Point CurrentEventMousePos();
bool  CurrentEventIsPen();

// The last pointer query a repeat or hold timer made: the timer identity.
inline void* MouseTimerId()           { return &Mouse().pos; }

} // namespace Qel::detail
