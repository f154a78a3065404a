// Refresh requests travel up the tree, in the coordinates of each level, to the window's list of
// rectangles to repaint; Sync paints them at once.
#include "Ctrl.h"
#include <gui/detail/Backend.h>
#include <gui/ctrl/detail/CtrlAccess.h>
#include <gui/detail/Geom.h>

#include <atomic>

namespace Qel {

using namespace detail;

namespace {

std::atomic<void (*)(Ctrl*, const Rect&, bool)> sRefreshProbe;
bool sRefreshPending; // some control holds back its refreshes until the next paint

void sProbe(Ctrl* c, const Rect& r, bool frame)
{
	if(auto probe = sRefreshProbe.load(std::memory_order_relaxed))
		probe(c, r, frame);
}

// Controls that paint themselves through a native child window of their own; no control of
// this system is one, so the windows' painting never leaves holes for them.
bool sIsDHCtrl(const Ctrl*)
{
	return false;
}

} // namespace

void detail::SetRefreshProbe(void (*probe)(Ctrl* c, const Rect& r, bool frame))
{
	sRefreshProbe.store(probe);
}

bool Ctrl::IsVisibleDeep() const
{
	GuiLock lock;
	for(const Ctrl* q = this; q; q = q->GetParent())
		if(!q->IsVisible())
			return false;
	return true;
}

void Ctrl::Refresh()
{
	GuiLock lock;
	if(sRefreshProbe.load(std::memory_order_relaxed)) {
		Size sz = GetSize();
		sProbe(this, Rect(0, 0, sz.cx, sz.cy), false);
	}
	if((flags & FULLREFRESH) || !IsVisibleDeep() || !IsOpen())
		return;
	Rect r = InflateRect(GetView0(), overpaint);
	if(IsEmptyRect(r))
		return;
	flags |= FULLREFRESH;
	sRefreshPending = true;
	RefreshFrame(r);
}

void Ctrl::Refresh(const Rect& r)
{
	GuiLock lock;
	sProbe(this, r, false);
	if((flags & FULLREFRESH) || !IsVisibleDeep() || !IsOpen())
		return;
	Rect v = GetView0();
	RefreshFrame(OffsetRect(r, TopLeft(v)) & InflateRect(v, overpaint));
}

void Ctrl::RefreshFrame()
{
	GuiLock lock;
	Rect r = GetRect();
	int m = overpaint;
	RefreshFrame(Rect(-m, -m, SatSub(r.right, r.left) + m, SatSub(r.bottom, r.top) + m));
}

void Ctrl::RefreshFrame(const Rect& r)
{
	GuiLock lock;
	sProbe(this, r, true);
	if(IsEmptyRect(r) || !IsOpen() || !IsVisibleDeep())
		return;
	if(!IsTopLevel() && parent && !sIsDHCtrl(this)) {
		Rect pr = OffsetRect(r, TopLeft(GetRect()));
		if(InFrame())
			parent->RefreshFrame(pr);
		else
			parent->Refresh(pr);
	}
	else if(IsTopLevel())
		WndInvalidateRect(top, r);
}

void Ctrl::SyncRefreshFlags()
{
	GuiLock lock;
	if(!sRefreshPending)
		return;
	for(Ctrl* q : GetTopCtrls())
		q->ClearFullRefreshDeep();
	sRefreshPending = false;
}

void Ctrl::SyncScroll()
{
	Vector<ScrollRequest> list = TakeScrollRequests(CtrlAccess::GetTop(*this));
	if(flags & FULLREFRESH) // the whole view is repainted anyway
		return;
	// small shifts and large ones alike repaint the area; an area that did not move stays
	for(const ScrollRequest& q : list)
		if(q.dx || q.dy)
			WndInvalidateRect(top, q.area);
}

void Ctrl::Sync()
{
	GuiLock lock;
	Ctrl* q = GetTopCtrl();
	if(q->IsTopLevel() && q->IsOpen()) {
		q->SyncScroll();
		FlushInvalid();
		SyncDisplay();
	}
	SyncCaret();
}

} // namespace Qel
