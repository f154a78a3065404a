// The calls that focus, capture, caret, mouse tracking, window closing and the event pump make
// into the GUI core. Until native windows exist no window is ever open, and these act as they do
// outside an open window: no control has the focus or the mouse, and closing has no native
// window to destroy.
#include "Ctrl.h"
#include "detail/CtrlAccess.h"

namespace Qel {

namespace {

Array<Ptr<Ctrl>>& sTopCtrls()
{
	static Array<Ptr<Ctrl>> list;
	return list;
}

} // namespace

void detail::AddTopCtrl(Ctrl* c)
{
	GuiLock lock;
	sTopCtrls().Add(c);
}

void detail::RemoveTopCtrl(Ctrl* c)
{
	GuiLock lock;
	Array<Ptr<Ctrl>>& list = sTopCtrls();
	for(int i = list.GetCount() - 1; i >= 0; i--)
		if(list[i] == c || !list[i])
			list.Remove(i);
}

Vector<Ctrl*> Ctrl::GetTopCtrls()
{
	GuiLock lock;
	Vector<Ctrl*> out;
	for(const Ptr<Ctrl>& p : sTopCtrls())
		if(p)
			out.Add(p);
	return out;
}

void Ctrl::NotifyState(int reason)
{
	StateDeep(reason);
}

void Ctrl::ReleaseFocusAndCapture() {}
void Ctrl::CheckMouseCtrl()         {}
void Ctrl::SyncCaret()              {}
Ctrl* Ctrl::GetFocusCtrl()          { return nullptr; }
bool Ctrl::SetWantedFocus()         { return false; }
void Ctrl::CancelPreedit()          {}
Ctrl* Ctrl::GetOwner() const        { return nullptr; }
void Ctrl::Close()                  {}
void Ctrl::SyncPendingConfigure()   {}
Point Ctrl::SyncWindowFrame()       { return Point(0, 0); }

void Ctrl::ProcessEvents(bool*)
{
	GuiLock lock;
	TimerProc(detail::GuiTick());
}

Image Ctrl::FrameMouseEvent(int, Point, int, dword) { return Image(); }
Image Ctrl::MouseEvent(int, Point, int, dword)      { return Image(); }
Image Ctrl::CursorImage(Point, dword)               { return Image(); }
void  Ctrl::MouseWheel(Point, int, dword)           {}
void  Ctrl::HorzMouseWheel(Point, int, dword)       {}
bool  Ctrl::HotKey(dword)                           { return false; }
Point Ctrl::GetPreedit()                            { return Point(INT_NULL, INT_NULL); }
Font  Ctrl::GetPreeditFont()                        { return StdFont(); }

} // namespace Qel
