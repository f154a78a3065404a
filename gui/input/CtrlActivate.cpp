// Activation: the notices around a focus change that crosses windows, and the framework's focus
// window kept in step with the window the desktop made active.
#include <gui/ctrl/Ctrl.h>
#include <gui/detail/Backend.h>
#include <gui/ctrl/detail/CtrlAccess.h>
#include <gui/ctrl/detail/Focus.h>

namespace Qel {

using namespace detail;

void (*&detail::ImResetHook())()
{
	static void (*hook)() = nullptr;
	return hook;
}

void Ctrl::DeactivateTopOf(Ptr<Ctrl> old_focus, Ptr<Ctrl> new_focus)
{
	GuiLock lock;
	if(!old_focus)
		return;
	Ptr<Ctrl> old_top = old_focus->GetTopCtrl();
	Ptr<Ctrl> new_top = new_focus ? new_focus->GetTopCtrl() : nullptr;
	if(!old_top || old_top == new_top || old_top->IsDestroying())
		return;
	old_top->DeactivateBy(new_top);
	if(old_top)
		old_top->Deactivate();
	if(old_top)
		old_top->NotifyState(DEACTIVATE);
	if(old_top)
		old_top->ShowAccessKeys(false);
}

void Ctrl::NotifyFocusChange(Ptr<Ctrl> old_focus, Ptr<Ctrl> new_focus, bool activate)
{
	GuiLock lock;
	FocusState& f = Focus();
	// every step asks again: a handler that moved the focus elsewhere ends what is left
	if(activate && new_focus && f.focus_ctrl == new_focus) {
		Ptr<Ctrl> top = new_focus->GetTopCtrl();
		Ctrl* old_top = old_focus ? old_focus->GetTopCtrl() : nullptr;
		if(top != old_top && !top->IsDestroying()) {
			top->NotifyState(ACTIVATE);
			if(top)
				top->Activate();
			if(top)
				top->ShowAccessKeys(top->AreAccessKeysVisible());
		}
	}
	if(new_focus && f.focus_ctrl == new_focus && !new_focus->IsDestroying()) {
		new_focus->GotFocus();
		if(new_focus)
			new_focus->NotifyState(FOCUS);
	}
	if(new_focus && f.focus_ctrl == new_focus)
		if(Ctrl* p = new_focus->GetParent(); p && !p->IsDestroying())
			p->ChildGotFocus();
	SyncCaret();
}

void Ctrl::ActivateWnd()
{
	FocusState& f = Focus();
	Ptr<Ctrl> old = f.focus_ctrl;
	// the window's own class puts the focus back where it was when it left
	Ptr<Ctrl> target = old && (old == this || HasChildDeep(old)) ? old : Ptr<Ctrl>(this);
	f.focus_wnd = this;
	if(old == target)
		return;
	f.focus_ctrl = target;
	LostFocusNotices(old);
	SyncCaret();
	DeactivateTopOf(old, target);
	NotifyFocusChange(old, target, true);
}

void Ctrl::WindowFocusIn()
{
	GuiLock lock;
	if(Focus().focus_wnd != this)
		ActivateWnd();
}

void Ctrl::WindowFocusOut()
{
	GuiLock lock;
	FocusState& f = Focus();
	if(f.focus_wnd == this) {
		Ptr<Ctrl> old = f.focus_ctrl;
		DeactivateTopOf(old, nullptr);
		f.focus_wnd = nullptr;
		f.focus_ctrl = nullptr;
		LostFocusNotices(old);
		SyncCaret();
	}
	CancelPreedit();
}

void Ctrl::RecheckFocusWindow()
{
	GuiLock lock;
	FocusState& f = Focus();
	Ctrl* focus = f.focus_ctrl;
	if(f.focus_wnd == this && focus && focus->GetTopCtrl() != this)
		ActivateWnd();
}

bool Ctrl::IsWndActive() const
{
	GuiLock lock;
	return IsOpen() && WndIsActive(CtrlAccess::GetTop(*this));
}

void Ctrl::CancelPreedit()
{
	GuiLock lock;
	ClosePreedit();
	if(void (*reset)() = ImResetHook())
		reset();
}

} // namespace Qel
