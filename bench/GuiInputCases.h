// Shared shapes of the input benchmarks (bench/gui_input.cpp and its peer): real input through
// XTEST on an X server of the program's own, and the deep trees that synthetic events cross.
#pragma once

#include "GuiWindowCases.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <X11/extensions/XTest.h>

namespace bench {

constexpr int INPUT_EVENTS = 500;     // XTEST events timed one by one
constexpr int INPUT_RECORDS      = 100000;  // synthetic events through a deep tree
constexpr int DEPTH        = 8;       // levels below the window
constexpr int SIBLINGS     = 50;      // controls per level; the path goes through the middle one
constexpr int PATH_INDEX   = SIBLINGS / 2;
constexpr int CELL         = 12;      // siblings sit in a row of CELL x CELL squares...
constexpr int LEVEL_CX     = SIBLINGS * CELL; // ...except the path one, which spans the level below
constexpr int BURST        = 1000;    // XTEST motions sent at once

// The input side's own connection: what it sends is real input to the program's windows.
inline ::Display* InputDisplay()
{
	static ::Display* d = XOpenDisplay(nullptr);
	return d;
}

inline void FakeMotion(int x, int y)
{
	XTestFakeMotionEvent(InputDisplay(), -1, x, y, 0);
	XSync(InputDisplay(), False);
}

inline void FakeKeyTap(KeySym s)
{
	::Display* d = InputDisplay();
	KeyCode k = XKeysymToKeycode(d, s);
	XTestFakeKeyEvent(d, k, True, 0);
	XTestFakeKeyEvent(d, k, False, 0);
	XSync(d, False);
}

inline void FocusWindow(unsigned long xid)
{
	XSetInputFocus(InputDisplay(), xid, RevertToPointerRoot, CurrentTime);
	XSync(InputDisplay(), False);
}

// Where the i-th burst motion goes (window coordinates); the last one is a place of its own.
inline int BurstX(int i) { return 20 + i % 200; }
inline int BurstY(int i) { return i == BURST - 1 ? 300 : 20 + i % 100; }

// The rectangle of sibling i of a level, in its parent's coordinates; the path sibling holds the
// next level.
inline void SiblingRect(int i, int& x, int& y, int& cx, int& cy)
{
	if(i == PATH_INDEX) {
		x = 0;
		y = CELL;
		cx = LEVEL_CX;
		cy = 400;
		return;
	}
	x = i * CELL;
	y = 0;
	cx = cy = CELL;
}

} // namespace bench
