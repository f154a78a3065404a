// Geometry: rectangles from logical positions, the position setters, the layout pass and the
// coordinate queries.
#include "Ctrl.h"
#include "Zoom.h"
#include <gui/base/Settings.h>
#include <gui/detail/Backend.h>
#include <gui/ctrl/detail/CtrlAccess.h>

#include <climits>

namespace Qel {

namespace {

constexpr int MEGA_LIMIT = 16000;

Rect sOffset(const Rect& r, Point p)
{
	return Rect(r.left + p.x, r.top + p.y, r.right + p.x, r.bottom + p.y);
}

Size sSize(const Rect& r)
{
	return Size(r.right - r.left, r.bottom - r.top);
}

} // namespace

void Ctrl::SetRect0(const Rect& r)
{
	// the stored rectangle is 16-bit: saturate rather than wrap
	auto c = [](int v) { return int16(clamp(v, -32768, 32767)); };
	rect[0] = c(r.left);
	rect[1] = c(r.top);
	rect[2] = c(r.right);
	rect[3] = c(r.bottom);
}

Point Ctrl::GetMegaOffset() const
{
	if(!(flags & MEGARECT))
		return Point(0, 0);
	return Point(GetIntAttr(ATTR_MEGARECT_X, 0), GetIntAttr(ATTR_MEGARECT_Y, 0));
}

LogPos Ctrl::GetPos() const
{
	GuiLock lock;
	return pos;
}

Rect Ctrl::GetRect() const
{
	GuiLock lock;
	return sOffset(GetRect0(), GetMegaOffset());
}

Size Ctrl::GetSize() const
{
	return sSize(GetView());
}

Rect Ctrl::GetScreenRect() const
{
	GuiLock lock;
	Rect r = GetRect();
	const Ctrl* p = GetParent();
	if(!p)
		return r;
	Rect pr = p->GetScreenRect();
	Point off(pr.left, pr.top);
	if(InView()) {
		Rect v = p->GetView();
		off.x += v.left;
		off.y += v.top;
	}
	return sOffset(r, off);
}

Rect Ctrl::GetScreenView() const
{
	GuiLock lock;
	Rect r = GetScreenRect();
	return sOffset(GetView(), Point(r.left, r.top));
}

Rect Ctrl::GetVisibleScreenRect() const
{
	GuiLock lock;
	Rect r = GetScreenRect();
	if(const Ctrl* p = GetParent())
		r.Intersect(InFrame() ? p->GetVisibleScreenRect() : p->GetVisibleScreenView());
	return r;
}

Rect Ctrl::GetVisibleScreenView() const
{
	return GetVisibleScreenRect() & GetScreenView();
}

Rect Ctrl::GetWorkArea() const
{
	GuiLock lock;
	const Ctrl* top = GetTopCtrl();
	if(top->IsOpen()) {
		Rect r = top->GetScreenRect();
		return GetWorkArea(Point(r.left, r.top));
	}
	return GetPrimaryWorkArea();
}

Size Ctrl::GetMinSize() const
{
	int h = GetStdFontSize().cy;
	return AddFrameSize(h / 2, h + 2 * GetGuiMinSizeMargin() + 2);
}

Size Ctrl::GetStdSize() const
{
	Size sz = GetMinSize();
	sz.cx *= 10;
	return sz;
}

Size Ctrl::GetMaxSize() const
{
	return sSize(GetVirtualScreenArea());
}

int Ctrl::SpecialSize(int v, bool horz) const
{
	Size sz;
	switch(v) {
	case STDSIZE: sz = GetStdSize(); break;
	case MAXSIZE: sz = GetMaxSize(); break;
	case MINSIZE: sz = GetMinSize(); break;
	default: return v;
	}
	return horz ? sz.cx : sz.cy;
}

Rect Ctrl::CalcRect(LogPos p, Size extent) const
{
	GuiLock lock;
	return CalcRect0(p, extent);
}

Rect Ctrl::CalcRect0(LogPos p, Size extent) const
{
	auto axis = [&](LogPosAxis x, int e, bool horz, int& from, int& to) {
		int a = x.GetA(), b = x.GetB();
		if(a >= STDSIZE && a <= MINSIZE)
			a = SpecialSize(a, horz);
		if(b >= STDSIZE && b <= MINSIZE)
			b = SpecialSize(b, horz);
		int start, length;
		switch(x.GetAlign()) {
		case LogPosAxis::LEFT:   start = a; length = b; break;
		case LogPosAxis::RIGHT:  start = e - (a + b); length = b; break;
		case LogPosAxis::CENTER: start = a + (e - b) / 2; length = b; break;
		default:                 start = a; length = e - (a + b); break;
		}
		from = start;
		to = start + max(length, 0);
	};
	Rect r;
	axis(p.x, extent.cx, true, r.left, r.right);
	axis(p.y, extent.cy, false, r.top, r.bottom);
	return r;
}

void Ctrl::UpdateRect(bool sync)
{
	GuiLock lock;
	Size extent;
	if(Ctrl* p = GetParent())
		extent = InFrame() ? sSize(p->GetRect0()) : sSize(p->GetView0());
	else
		extent = sSize(GetPrimaryWorkArea());
	// large offsets stay out of the 16-bit rectangle: GetRect adds them
	SetRect0(CalcRect0(pos, extent));
	if(sync)
		SyncLayout(0);
}

void Ctrl::UpdateRectRefresh()
{
	GuiLock lock;
	UpdateRect(true);
	RefreshFrame();
}

// Position setters ------------------------------------------------------------------------------

// Stores a new position (with new large offsets, when mega is given) for a placed control or a
// window that is not open: the old area is refreshed, the rectangle recomputed and laid out, the
// new area refreshed and the move announced.
void Ctrl::SetPos0(LogPos p, bool inframe, const MegaOffset* mega)
{
	bool placed = GetParent();
	if(placed)
		RefreshFrame();
	if(mega) {
		SetFlag(MEGARECT, mega->on);
		if(mega->on) {
			SetIntAttr(ATTR_MEGARECT_X, mega->offset.x);
			SetIntAttr(ATTR_MEGARECT_Y, mega->offset.y);
		}
	}
	pos = p;
	SetFlag(INFRAME, inframe);
	UpdateRect(true);
	if(placed)
		RefreshFrame();
	NotifyState(POSITION);
}

Ctrl& Ctrl::SetPos1(LogPos p, bool inframe, const MegaOffset* mega)
{
	GuiLock lock;
	bool mega_same = !mega || (mega->on == bool(flags & MEGARECT) && (!mega->on || mega->offset == GetMegaOffset()));
	if(p == pos && inframe == InFrame() && mega_same)
		return *this;
	if((IsTopLevel() || !GetParent()) && IsOpen()) {
		Point off = mega ? (mega->on ? mega->offset : Point(0, 0)) : GetMegaOffset();
		WndSetPos(sOffset(CalcRect(p, sSize(GetPrimaryWorkArea())), off));
		NotifyState(POSITION);
		return *this;
	}
	SetPos0(p, inframe, mega);
	return *this;
}

Ctrl& Ctrl::SetPos(LogPos p, bool inframe)
{
	return SetPos1(p, inframe, nullptr);
}

Ctrl::MegaOffset Ctrl::RectPos(int& x, int& y, int& cx, int& cy)
{
	cx = clamp(cx, -MEGA_LIMIT, MEGA_LIMIT);
	cy = clamp(cy, -MEGA_LIMIT, MEGA_LIMIT);
	MegaOffset m;
	m.on = x < -MEGA_LIMIT || x > MEGA_LIMIT || y < -MEGA_LIMIT || y > MEGA_LIMIT;
	if(m.on) {
		m.offset = Point(x, y);
		x = y = 0;
	}
	return m;
}

Ctrl& Ctrl::SetRect(int x, int y, int cx, int cy)
{
	GuiLock lock;
	MegaOffset m = RectPos(x, y, cx, cy);
	return SetPos1(LogPos(LogPosAxis(LogPosAxis::LEFT, x, cx), LogPosAxis(LogPosAxis::TOP, y, cy)), false, &m);
}

Ctrl& Ctrl::SetRect(const Rect& r)
{
	return SetRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

// A setter of one axis drops that axis's large offset, so the new position stands as given.
Ctrl& Ctrl::SetPosX(LogPosAxis x)
{
	GuiLock lock;
	if(!(flags & MEGARECT))
		return SetPos(LogPos(x, pos.y), InFrame());
	MegaOffset m;
	m.offset = Point(0, GetMegaOffset().y);
	m.on = m.offset.y != 0;
	return SetPos1(LogPos(x, pos.y), InFrame(), &m);
}

Ctrl& Ctrl::SetPosY(LogPosAxis y)
{
	GuiLock lock;
	if(!(flags & MEGARECT))
		return SetPos(LogPos(pos.x, y), InFrame());
	MegaOffset m;
	m.offset = Point(GetMegaOffset().x, 0);
	m.on = m.offset.x != 0;
	return SetPos1(LogPos(pos.x, y), InFrame(), &m);
}

Ctrl& Ctrl::SetLeftPosZoomed(int a, int size)
{
	return SetLeftPos(HorzLayoutZoom(a), HorzLayoutZoom(size));
}

Ctrl& Ctrl::SetTopPosZoomed(int a, int size)
{
	return SetTopPos(VertLayoutZoom(a), VertLayoutZoom(size));
}

Ctrl& Ctrl::SetHorzSizePosZoomed(int l, int r)
{
	return SetHorzSizePos(HorzLayoutZoom(l), HorzLayoutZoom(r));
}

void Ctrl::WndSetPos(const Rect& r)
{
	GuiLock lock;
	detail::Top* t = detail::CtrlAccess::GetTop(*this);
	if(!t)
		return;
	SyncPendingConfigure();
	int x = r.left, y = r.top, cx = r.right - r.left, cy = r.bottom - r.top;
	MegaOffset m = RectPos(x, y, cx, cy);
	SetPos0(LogPos(LogPosAxis(LogPosAxis::LEFT, x, cx), LogPosAxis(LogPosAxis::TOP, y, cy)), false, &m);
	Point margins = SyncWindowFrame();
	double s = detail::GetDisplayScale();
	detail::WndMoveResize(t, int((r.left - margins.x) / s), int((r.top - margins.y) / s),
	                      int((r.right - r.left) / s), int((r.bottom - r.top) / s));
}

void Ctrl::AdoptWndRect(const Rect& r)
{
	GuiLock lock;
	int x = r.left, y = r.top;
	int cx = (int)clamp(int64(r.right) - r.left, int64(INT_MIN), int64(INT_MAX));
	int cy = (int)clamp(int64(r.bottom) - r.top, int64(INT_MIN), int64(INT_MAX));
	MegaOffset m = RectPos(x, y, cx, cy);
	SetPos0(LogPos(LogPosAxis(LogPosAxis::LEFT, x, cx), LogPosAxis(LogPosAxis::TOP, y, cy)), false, &m);
}

// Layout ------------------------------------------------------------------------------------------

void Ctrl::SyncLayout(int level)
{
	GuiLock lock;
	SyncLayout0(level);
}

void Ctrl::SyncLayout0(int level)
{
	if(IsDestroying())
		return;
	flags &= ~FULLREFRESH;
	Rect oview = GetView0();
	bool fchanged = false;
	SyncFrames(fchanged);
	Rect view = GetView0();
	if(level >= 2 || sSize(view) != sSize(oview)) {
		Size whole = sSize(GetRect0());
		for(Ctrl* q = firstchild; q; q = q->GetNext()) {
			q->SetRect0(q->CalcRect0(q->pos, q->InFrame() ? whole : sSize(view)));
			q->SyncLayout0(level >= 2 ? level : 0);
		}
		Refresh();
	}
	if(view != oview || level) {
		StateChanged(LAYOUTPOS);
		Layout();
	}
	if(fchanged)
		RefreshFrame();
}

} // namespace Qel
