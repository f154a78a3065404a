// The keyboard focus: who holds it, how it moves through the tree, and how it leaves a subtree
// that is removed, closed or destroyed. The caret follows the focus.
#include <gui/ctrl/Ctrl.h>
#include <gui/detail/Backend.h>
#include <gui/ctrl/detail/Caret.h>
#include <gui/ctrl/detail/CtrlAccess.h>
#include <gui/ctrl/detail/Focus.h>

namespace Qel {

using namespace detail;

namespace {

bool sClickFocus;

// Whether q can be walked into: its window is open and it is visible up to its top control.
bool sReachable(Ctrl* q)
{
	return q->IsOpen() && q->IsVisibleDeep();
}

// Offers the focus to q itself (not its children).
bool sTake(Ctrl* q, bool noframe, bool init, bool all)
{
	if(noframe && q->InFrame())
		return false;
	if(all)
		return q->SetFocus();
	return (!init || q->IsInitFocus()) && q->SetWantedFocus();
}

// A sibling chain from q on: each reachable enabled control, then its children.
bool sForward(Ctrl* q, bool noframe, bool init, bool all)
{
	for(; q; q = q->GetNext()) {
		if(!sReachable(q) || !q->IsEnabled())
			continue;
		if(sTake(q, noframe, init, all) || sForward(q->GetFirstChild(), noframe, init, all))
			return true;
	}
	return false;
}

// A sibling chain from q backwards: each control's children (last first), then the control.
bool sBackward(Ctrl* q, bool noframe, bool all)
{
	for(; q; q = q->GetPrev()) {
		if(!sReachable(q) || !q->IsEnabled())
			continue;
		if(sBackward(q->GetLastChild(), noframe, all) || sTake(q, noframe, false, all))
			return true;
	}
	return false;
}

} // namespace

FocusState& detail::Focus()
{
	static FocusState s;
	return s;
}

Ctrl* Ctrl::GetFocusCtrl()
{
	GuiLock lock;
	return Focus().focus_ctrl;
}

bool Ctrl::GetClickFocus()
{
	GuiLock lock;
	return sClickFocus;
}

void Ctrl::SetClickFocus(bool b)
{
	GuiLock lock;
	sClickFocus = b;
}

bool Ctrl::HasFocusDeep() const
{
	GuiLock lock;
	Ctrl* f = Focus().focus_ctrl;
	return f && (f == this || HasChildDeep(f));
}

void Ctrl::LostFocusNotices(Ctrl* old)
{
	Ptr<Ctrl> q = old;
	if(!q || q->IsDestroying())
		return;
	q->NotifyState(FOCUS);
	if(q && !q->IsDestroying())
		q->LostFocus();
	if(q)
		if(Ctrl* p = q->GetParent(); p && !p->IsDestroying())
			p->ChildLostFocus();
}

bool Ctrl::SetFocus0(Ctrl* ctrl, bool activate)
{
	GuiLock lock;
	if(IniUserLog) {
		String s = "      SETFOCUS " + Desc(ctrl) + "\n";
		StdLog().Put(s.Begin(), s.GetLength());
	}
	FocusState& f = Focus();
	f.defer_focus = nullptr;
	if(f.focus_ctrl == ctrl)
		return true;
	if(!ctrl || !ctrl->IsOpen() || !ctrl->IsEnabled() || !ctrl->IsVisibleDeep())
		return false;
	Ptr<Ctrl> target = ctrl;
	Ctrl* w = GetTopWindowCtrl(ctrl);
	if(!w)
		w = ctrl->GetTopCtrl();
	Ptr<Ctrl> window = w;
	if(w->IsTopLevel() && !w->IsForeground())
		w->SetWndForeground();
	if(!target) // presenting the window ran handlers
		return false;
	Ptr<Ctrl> old = f.focus_ctrl;
	f.focus_ctrl = target;
	f.focus_wnd = window;
	LostFocusNotices(old);
	SyncCaret();
	DeactivateTopOf(old, target);
	NotifyFocusChange(old, target, activate);
	return true;
}

bool Ctrl::SetFocus()
{
	return SetFocus0(this, true);
}

bool Ctrl::SetWantedFocus()
{
	GuiLock lock;
	if(IsWantFocus() && IsEnabled() && IsVisibleDeep() && IsOpen())
		return SetFocus();
	return false;
}

bool Ctrl::IterateFocusForward(Ctrl* c, Ctrl* top, bool noframe, bool init, bool all)
{
	GuiLock lock;
	if(!c)
		return false;
	if(sForward(c->GetFirstChild(), noframe, init, all))
		return true;
	for(Ctrl* q = c; q && q != top; q = q->GetParent())
		if(sForward(q->GetNext(), noframe, init, all))
			return true;
	return false;
}

bool Ctrl::IterateFocusBackward(Ctrl* c, Ctrl* top, bool noframe, bool all)
{
	GuiLock lock;
	for(Ctrl* q = c; q && q != top; q = q->GetParent()) {
		if(sBackward(q->GetPrev(), noframe, all))
			return true;
		Ctrl* p = q->GetParent();
		if(p && p != top && sReachable(p) && p->IsEnabled() && sTake(p, noframe, false, all))
			return true;
	}
	return false;
}

void Ctrl::ReleaseFocusAndCapture()
{
	GuiLock lock;
	FocusState& f = Focus();
	if(IsOpen()) {
		Ctrl* cap = f.capture;
		if(cap && (cap == this || HasChildDeep(cap))) {
			ReleaseCapture();
			CancelModeDeep();
		}
		Ctrl* pc = f.pointer_ctrl;
		if(pc && (pc == this || HasChildDeep(pc)))
			f.pointer_ctrl = nullptr;
		for(int i = f.popup_grabs.GetCount() - 1; i >= 0; i--)
			if(f.popup_grabs[i] == this || !f.popup_grabs[i]) {
				f.popup_grabs.Remove(i);
				ReleasePopupGrab();
			}
	}
	if(HasFocusDeep()) {
		Ctrl* p = GetParent();
		if(IsDestroying()) {
			if(p) {
				f.defer_focus = p;
				f.defer_candidates.Add(p);
			}
		}
		else {
			Ptr<Ctrl> old = f.focus_ctrl;
			f.focus_ctrl = nullptr;
			LostFocusNotices(old);
			if(p) {
				bool wants = IsWantFocus();
				flags &= ~WANTFOCUS;
				Ptr<Ctrl> self = this;
				SetFocus0(p, false);
				if(self && wants)
					flags |= WANTFOCUS;
			}
			else if(IsPopUp())
				if(Ctrl* owner = GetOwner(); owner && owner->IsEnabled())
					owner->SetFocus();
		}
	}
	if(IsDestroying())
		flags &= ~WANTFOCUS;
	SyncCaret();
}

void Ctrl::TakeDeferredFocus()
{
	GuiLock lock;
	FocusState& f = Focus();
	if(!f.defer_focus && f.defer_candidates.IsEmpty())
		return;
	// a failed SetFocus clears the target too: then the latest candidate still there stands in
	Ptr<Ctrl> target = f.defer_focus;
	for(int i = f.defer_candidates.GetCount() - 1; !target && i >= 0; i--)
		target = f.defer_candidates[i];
	f.defer_focus = nullptr;
	f.defer_candidates.Clear();
	Ptr<Ctrl> wnd = f.focus_wnd;
	// someone holds the focus again, or the window lost it: nothing to give back
	if(f.focus_ctrl || !wnd || !wnd->IsOpen())
		return;
	if(target) {
		Ctrl* w = GetTopWindowCtrl(target);
		if((w ? w : target->GetTopCtrl()) != wnd)
			target = nullptr;
	}
	if(target && SetFocus0(target, false))
		return;
	// the controls after the target (not inside it: it cannot take the focus), then from the
	// start of its top control
	Ptr<Ctrl> top = target ? target->GetTopCtrl() : wnd.Get();
	for(Ptr<Ctrl> q = target; q && q != top; q = q->GetParent())
		if(sForward(q->GetNext(), false, false, false))
			return;
	if(!top || f.focus_ctrl || sForward(top->GetFirstChild(), false, false, false))
		return;
	if(top)
		SetFocus0(top, false);
}

void Ctrl::SyncCaret()
{
	GuiLock lock;
	CaretState& c = Caret();
	Ctrl* focus = Focus().focus_ctrl;
	if(c.ctrl != focus) {
		c.ctrl = focus;
		c.blink_start = GuiTick();
		c.visible = true;
		RefreshCaret();
	}
	else if(focus && focus->GetCaret() != c.rect) {
		c.blink_start = GuiTick();
		c.visible = true;
		RefreshCaret();
	}
}

} // namespace Qel
