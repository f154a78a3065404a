// The blinking caret: shown for 500 ms after it moved, then toggled every 500 ms.
#include "Ctrl.h"
#include <gui/ctrl/detail/Caret.h>

namespace Qel {

detail::CaretState& detail::Caret()
{
	static CaretState c;
	return c;
}

void Ctrl::BlinkCaret()
{
	GuiLock lock;
	detail::CaretState& c = detail::Caret();
	int phase = (int(detail::GuiTick() - c.blink_start) / 500) & 1;
	if(phase == int(c.visible)) {
		c.visible = !phase;
		RefreshCaret();
	}
}

void Ctrl::RefreshCaret()
{
	GuiLock lock;
	detail::CaretState& c = detail::Caret();
	if(Ctrl* q = c.shown_ctrl) {
		q->Refresh(c.rect);
		c.shown_ctrl = nullptr;
	}
	if(Ctrl* q = c.ctrl) {
		c.rect = q->GetCaret();
		q->Refresh(c.rect);
		c.shown_ctrl = q;
	}
}

} // namespace Qel
