// The event loop: the main loop until no window is left, or a control's own loop until it
// closes or its loop is broken. Loops nest.
#include <gui/ctrl/Ctrl.h>
#include <gui/detail/Backend.h>
#include <gui/ctrl/detail/Focus.h>

namespace Qel {

using namespace detail;

Ctrl* Ctrl::GetLoopCtrl()
{
	GuiLock lock;
	return Focus().loop_ctrl;
}

void Ctrl::EventLoop(Ctrl* ctrl)
{
	GuiLock lock;
	InstallImResetHook();
	if(!IsMouseButtonHeld())
		ReleaseCapture();
	if(!ctrl) {
		while(!GetTopCtrls().IsEmpty()) {
			IterateMainContext(true);
			PumpEvents(nullptr, true);
		}
		return;
	}
	FocusState& f = Focus();
	struct Restore {
		FocusState& f;
		Ptr<Ctrl>   prev;
		~Restore() { f.loop_ctrl = prev; } // null when that control went away meanwhile
	} restore{f, f.loop_ctrl};
	Ptr<Ctrl> self = ctrl;
	f.loop_ctrl = ctrl;
	ctrl->flags |= INLOOP;
	while(self && self->IsOpen() && self->InLoop()) {
		IterateMainContext(true);
		PumpEvents(nullptr, true);
	}
}

} // namespace Qel
