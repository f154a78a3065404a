// The pre-edit popup: the text an input method is composing, shown at the focus control's caret
// in a popup of its own with a thin caret at the composition's cursor.
#pragma once

#include <gui/ctrl/Ctrl.h>

namespace Qel::detail {

class PreeditCtrl : public Ctrl {
public:
	WString text;
	Font    font;
	int     cursor = INT_MAX; // INT_MAX: no cursor

	void Paint(Draw& w) override;

	PreeditCtrl();
	~PreeditCtrl() override;
};

// The process-wide popup, made on first use.
PreeditCtrl& GetPreeditCtrl();
// Shows text with the cursor at cursor for owner (a top control): an empty text closes it.
void ShowPreedit(Ctrl* owner, const WString& text, int cursor);
// Places the popup at the caret of owner's focus control again.
void SyncPreedit(Ctrl* owner);
// Where composition happens for owner, in screen coordinates: a zero-width rectangle at the
// focus control's pre-edit point as tall as its pre-edit font; Null when there is none.
Rect GetPreeditRect(Ctrl* owner);
// The control the popup shows composition for; null while it is closed.
Ctrl* GetPreeditOwner();

} // namespace Qel::detail
