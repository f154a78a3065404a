// The caret's process-wide state, under the GUI lock.
#pragma once

#include <gui/ctrl/Ctrl.h>

namespace Qel::detail {

struct CaretState {
	Ptr<Ctrl> ctrl;       // the control whose caret is shown (the focus control)
	Ptr<Ctrl> shown_ctrl; // where the caret rectangle was last refreshed
	Rect      rect;       // the last caret rectangle, in ctrl's view
	dword     blink_start = 0;
	bool      visible = false;
};

CaretState& Caret();

} // namespace Qel::detail
