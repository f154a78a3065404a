// The calls that refresh, focus, capture, caret, mouse tracking, window closing and the event
// pump make into the GUI core. Until native windows exist no window is ever open, and these act
// as they do outside an open window: refreshes go nowhere, no control has the focus or the
// mouse, and closing has no native window to destroy.
#include "Ctrl.h"
#include "detail/CtrlAccess.h"

#include <atomic>

namespace Qel {

namespace {

std::atomic<void (*)(Ctrl*, const Rect&, bool)> sRefreshProbe;
bool sRefreshPending;

Array<Ptr<Ctrl>>& sTopCtrls()
{
	static Array<Ptr<Ctrl>> list;
	return list;
}

void sProbe(Ctrl* c, const Rect& r, bool frame)
{
	if(auto probe = sRefreshProbe.load())
		probe(c, r, frame);
}

} // namespace

void detail::SetRefreshProbe(void (*probe)(Ctrl* c, const Rect& r, bool frame))
{
	sRefreshProbe.store(probe);
}

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

void Ctrl::Refresh()
{
	if(sRefreshProbe.load(std::memory_order_relaxed)) {
		GuiLock lock;
		Size sz = GetSize();
		sProbe(this, Rect(0, 0, sz.cx, sz.cy), false);
	}
}

void Ctrl::Refresh(const Rect& r)
{
	GuiLock lock;
	sProbe(this, r, false);
}

void Ctrl::RefreshFrame()
{
	GuiLock lock;
	Rect r = GetRect();
	int m = detail::CtrlAccess::GetOverPaint(*this);
	RefreshFrame(Rect(-m, -m, r.right - r.left + m, r.bottom - r.top + m));
}

void Ctrl::RefreshFrame(const Rect& r)
{
	GuiLock lock;
	sProbe(this, r, true);
}

void Ctrl::SyncRefreshFlags()
{
	GuiLock lock;
	if(!sRefreshPending)
		return;
	for(Ctrl* q : GetTopCtrls())
		detail::CtrlAccess::ClearFullRefreshDeep(*q);
	sRefreshPending = false;
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
Point Ctrl::GetPreedit()                            { return Point((int)0x80000000, (int)0x80000000); }
Font  Ctrl::GetPreeditFont()                        { return StdFont(); }

} // namespace Qel
