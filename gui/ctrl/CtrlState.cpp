// State that other controls and the user see: visibility, enabling, editing, access keys, the
// windows of the window list and closing, each change announced to the state hooks, then to the
// subtree.
#include "Ctrl.h"
#include <gui/base/Settings.h>
#include <gui/detail/Backend.h>
#include <gui/ctrl/detail/CtrlAccess.h>
#include <gui/ctrl/detail/Focus.h>

namespace Qel {

using namespace detail;

namespace {

// Whether the owner chain of q reaches c.
bool sOwnedBy(Ctrl* q, Ctrl* c)
{
	int guard = 0;
	for(Ctrl* o = q->GetOwner(); o && guard < 10000; o = o->GetTopCtrl()->GetOwner(), guard++)
		if(o == c || o->GetTopCtrl() == c)
			return true;
	return false;
}

} // namespace

void Ctrl::NotifyState(int reason)
{
	GuiLock lock;
	// by index: a hook may install further hooks
	const Vector<StateHook>& hooks = Focus().state_hooks;
	for(int i = 0; i < hooks.GetCount(); i++)
		if(hooks[i](this, reason))
			return;
	StateDeep(reason);
	if(reason == OPEN)
		ApplySkinDeep();
	SyncRefreshFlags();
}

void Ctrl::InstallMouseHook(MouseHook hook)
{
	GuiLock lock;
	Focus().mouse_hooks.Add(hook);
}

void Ctrl::InstallKeyHook(KeyHook hook)
{
	GuiLock lock;
	Focus().key_hooks.Add(hook);
}

void Ctrl::InstallStateHook(StateHook hook)
{
	GuiLock lock;
	Focus().state_hooks.Add(hook);
}

void Ctrl::Show(bool show)
{
	GuiLock lock;
	if(IsVisible() == show)
		return;
	// the area is refreshed while visible first, so hiding repaints what the control covered
	flags = (flags | VISIBLE) & ~FULLREFRESH;
	RefreshFrame();
	SetFlag(VISIBLE, show);
	flags &= ~FULLREFRESH;
	RefreshFrame();
	Ptr<Ctrl> self = this;
	Ptr<Ctrl> parent = GetParent();
	if(parent)
		NotifyState(SHOW);
	else if(IsTopLevel() && IsOpen()) {
		WndShow(top, show);
		NotifyState(SHOW);
	}
	if(self && parent && self->GetParent() == parent && InFrame())
		parent->SyncLayout(1);
}

void Ctrl::Enable(bool enable)
{
	GuiLock lock;
	if(IsEnabled() == enable)
		return;
	SetFlag(ENABLED, enable);
	Ptr<Ctrl> self = this;
	if(IsTopLevel() && IsOpen()) {
		WndEnable(top, enable);
		NotifyState(ENABLE);
	}
	if(self && !enable && GetParent() && HasFocusDeep())
		IterateFocusForward(this, GetTopCtrl(), false, false, false);
	if(!self)
		return;
	RefreshFrame();
	NotifyState(ENABLE);
	SyncCaret();
}

Ctrl& Ctrl::SetEditable(bool editable)
{
	GuiLock lock;
	if(IsEditable() != editable) {
		SetFlag(EDITABLEFLAG, editable);
		RefreshFrame();
		NotifyState(EDITABLE);
	}
	return *this;
}

void Ctrl::Update()
{
	SetModify();
	Updated();
}

void Ctrl::UpdateRefresh()
{
	Update();
	Refresh();
}

void Ctrl::UpdateAction()
{
	Update();
	Action();
}

// Access keys -------------------------------------------------------------------------------------

dword AccessKeyBit(int c)
{
	if(c == 0)
		return 0;
	if(c >= 'A' && c <= 'Z')
		return 2u << (c - 'A');
	return 1;
}

dword Ctrl::GetAccessKeysDeep() const
{
	GuiLock lock;
	dword used = GetAccessKeys();
	for(Ctrl* q = firstchild; q; q = q->GetNext())
		used |= q->GetAccessKeysDeep();
	return used;
}

void Ctrl::DistributeAccessKeys()
{
	GuiLock lock;
	AssignAccessKeys(GetAccessKeysDeep());
}

bool Ctrl::AreAccessKeysVisible() const
{
	GuiLock lock;
	return !GetGuiAltShowsAccessKeys() || (IsAltHeld() && GetTopCtrl() == GetActiveCtrl());
}

// Windows -----------------------------------------------------------------------------------------

Ctrl* Ctrl::GetActiveCtrl()
{
	GuiLock lock;
	FocusState& f = Focus();
	if(Ctrl* q = f.focus_ctrl)
		return q->GetTopCtrl();
	return f.last_opened;
}

bool Ctrl::IsForeground() const
{
	GuiLock lock;
	const Ctrl* q = GetTopCtrl();
	return q->IsOpen() && WndIsActive(q->top);
}

void Ctrl::SetForeground()
{
	GuiLock lock;
	Ctrl* q = GetTopCtrl();
	if(q->IsOpen())
		WndPresent(q->top);
}

void Ctrl::SetWndForeground()
{
	GuiLock lock;
	if(!IsTopLevel())
		return;
	SetForeground();
	SyncActiveWindow();
}

Vector<Ctrl*> Ctrl::GetTopWindows()
{
	GuiLock lock;
	Vector<Ctrl*> out;
	for(Ctrl* q : GetTopCtrls())
		if(!q->IsPopUp())
			out.Add(q);
	return out;
}

void Ctrl::CloseTopCtrls()
{
	GuiLock lock;
	Array<Ptr<Ctrl>> list;
	for(Ctrl* q : GetTopCtrls())
		list.Add(q);
	for(Ctrl* q : list)
		if(q)
			q->Close();
}

void Ctrl::BreakLoop(int code)
{
	GuiLock lock;
	if(auto set = GetWindowHooks().set_exit_code)
		if(Ctrl* w = GetTopWindowCtrl(this))
			set(w, code);
	flags &= ~INLOOP;
}

Array<Ptr<Ctrl>> DisableOtherWindows(const Array<Ptr<Ctrl>>& list, Ctrl* except)
{
	GuiLock lock;
	Array<Ptr<Ctrl>> disabled;
	for(const Ptr<Ctrl>& p : list) {
		Ctrl* q = p;
		if(q && q != except && q->IsEnabled() && !sOwnedBy(q, except)) {
			q->Enable(false);
			disabled.Add(q);
		}
	}
	return disabled;
}

String GetAppTitle()
{
	GuiLock lock;
	static String title;
	if(title.IsEmpty())
		title = GetExeTitle();
	return title;
}

// Closing -----------------------------------------------------------------------------------------

void Ctrl::Close()
{
	GuiLock lock;
	Ctrl* q = GetTopCtrl();
	if(!CtrlAccess::GetTop(*q))
		return;
	Ptr<Ctrl> self = this;
	ReleaseFocusAndCapture();
	if(!self || !IsTopLevel())
		return;
	NotifyState(CLOSE);
	if(!self)
		return;
	if(IniUserLog) {
		String s = "   CLOSE " + Desc(this) + "\n";
		StdLog().Put(s.Begin(), s.GetLength());
	}
	if(IsTopLevel())
		WndDestroy();
	flags = (flags | VISIBLE) & ~POPUP;
}

} // namespace Qel
