// Frames, the basic frame classes and a control's frame list.
#include "Ctrl.h"

#include <cstring>

namespace Qel {

void CtrlFrame::FrameAdd(Ctrl&) {}
void CtrlFrame::FrameRemove()   {}
int  CtrlFrame::OverPaint() const { return 0; }

void NullFrameClass::FrameLayout(Rect&)               {}
void NullFrameClass::FrameAddSize(Size&)              {}
void NullFrameClass::FramePaint(Draw&, const Rect&)   {}

CtrlFrame& NullFrame()
{
	static NullFrameClass f;
	return f;
}

void BorderFrame::FrameLayout(Rect& r)
{
	int n = GetBorderRingCount(border);
	if(r.right - r.left >= 2 * n && r.bottom - r.top >= 2 * n)
		r = Rect(r.left + n, r.top + n, r.right - n, r.bottom - n);
}

void BorderFrame::FrameAddSize(Size& sz)
{
	int n = 2 * GetBorderRingCount(border);
	sz.cx += n;
	sz.cy += n;
}

void BorderFrame::FramePaint(Draw& w, const Rect& r)
{
	int n = GetBorderRingCount(border);
	int cx = r.right - r.left, cy = r.bottom - r.top;
	if(cx >= 2 * n && cy >= 2 * n)
		DrawBorder(w, r.left, r.top, cx, cy, border);
}

CtrlFrame& TextColorBorderFrame()
{
	static BorderFrame f(TextColorBorder());
	return f;
}

CtrlFrame& OutsetFrame()
{
	static BorderFrame f(OutsetBorder());
	return f;
}

void LayoutFrameLeft(Rect& r, Ctrl* c, int t)
{
	if(!c)
		return;
	if(!c->IsVisible())
		t = 0;
	c->SetPos(LogPos(LogPosAxis(LogPosAxis::LEFT, r.left, t), LogPosAxis(LogPosAxis::TOP, r.top, r.bottom - r.top)), true);
	r.left += t;
}

void LayoutFrameRight(Rect& r, Ctrl* c, int t)
{
	if(!c)
		return;
	if(!c->IsVisible())
		t = 0;
	c->SetPos(LogPos(LogPosAxis(LogPosAxis::LEFT, r.right - t, t), LogPosAxis(LogPosAxis::TOP, r.top, r.bottom - r.top)), true);
	r.right -= t;
}

void LayoutFrameTop(Rect& r, Ctrl* c, int t)
{
	if(!c)
		return;
	if(!c->IsVisible())
		t = 0;
	c->SetPos(LogPos(LogPosAxis(LogPosAxis::LEFT, r.left, r.right - r.left), LogPosAxis(LogPosAxis::TOP, r.top, t)), true);
	r.top += t;
}

void LayoutFrameBottom(Rect& r, Ctrl* c, int t)
{
	if(!c)
		return;
	if(!c->IsVisible())
		t = 0;
	c->SetPos(LogPos(LogPosAxis(LogPosAxis::LEFT, r.left, r.right - r.left), LogPosAxis(LogPosAxis::TOP, r.bottom - t, t)), true);
	r.bottom -= t;
}

// The frame list --------------------------------------------------------------------------------

void Ctrl::FrameRec::SetRect(const Rect& r)
{
	auto c = [](int v) { return int16(clamp(v, -32768, 32767)); };
	left = c(r.left);
	top = c(r.top);
	right = c(r.right);
	bottom = c(r.bottom);
}

int Ctrl::GetFrameCount() const
{
	GuiLock lock;
	return FrameCount0();
}

CtrlFrame& Ctrl::GetFrame(int i) const
{
	GuiLock lock;
	return *FrameData()[i].frame;
}

// Room for one more record at index i of the array (the records from i on move up).
Ctrl::FrameRec* Ctrl::GrowFrameArray(int i)
{
	FrameArray& m = multi;
	if(m.count >= m.alloc) {
		dword n = m.count * 3 / 2 + 1;
		FrameRec* a = new FrameRec[n];
		if(m.count)
			memcpy(a, m.frames, m.count * sizeof(FrameRec));
		delete[] m.frames;
		m.frames = a;
		m.alloc = n;
	}
	memmove(m.frames + i + 1, m.frames + i, (m.count - i) * sizeof(FrameRec));
	m.count++;
	return m.frames + i;
}

Ctrl::FrameRec* Ctrl::InsertFrameRec(int i)
{
	if(!(flags & MULTIFRAME)) {
		if(!frame.frame)
			return &frame;
		FrameRec first = frame;
		multi = FrameArray{new FrameRec[2], 2, 1};
		multi.frames[0] = first;
		flags |= MULTIFRAME;
	}
	return GrowFrameArray(clamp(i, 0, (int)multi.count));
}

Ctrl& Ctrl::InsertFrame(int i, CtrlFrame& f)
{
	GuiLock lock;
	FrameRec* r = InsertFrameRec(clamp(i, 0, GetFrameCount()));
	*r = FrameRec{&f, 0, 0, 0, 0};
	f.FrameAdd(*this);
	SyncLayout();
	RefreshFrame();
	return *this;
}

Ctrl& Ctrl::AddFrame(CtrlFrame& f)
{
	GuiLock lock;
	return InsertFrame(GetFrameCount(), f);
}

Ctrl& Ctrl::SetFrame(int i, CtrlFrame& f)
{
	GuiLock lock;
	if(i < 0)
		return *this;
	while(GetFrameCount() <= i)
		*InsertFrameRec(GetFrameCount()) = FrameRec{&NullFrame(), 0, 0, 0, 0};
	FrameRec& r = FrameData()[i];
	r.frame->FrameRemove();
	r.frame = &f;
	f.FrameAdd(*this);
	SyncLayout();
	RefreshFrame();
	return *this;
}

Size Ctrl::AddFrameSize(int cx, int cy) const
{
	GuiLock lock;
	Size sz(cx, cy);
	const FrameRec* fr = FrameData();
	for(int i = GetFrameCount() - 1; i >= 0; i--)
		fr[i].frame->FrameAddSize(sz);
	return sz;
}

Rect Ctrl::GetView() const
{
	GuiLock lock;
	return GetView0();
}

// Lays the frames out from the whole rectangle; changed is set when a record moved.
void Ctrl::SyncFrames(bool& changed)
{
	Rect r0 = GetRect0();
	Rect r(0, 0, r0.right - r0.left, r0.bottom - r0.top);
	FrameRec* fr = FrameData();
	int op = OverPaint();
	for(int i = 0, n = FrameCount0(); i < n; i++) {
		fr[i].frame->FrameLayout(r);
		if(fr[i].GetRect() != r) {
			fr[i].SetRect(r);
			changed = true;
		}
		op = max(op, fr[i].frame->OverPaint());
	}
	overpaint = byte(clamp(op, 0, 255));
}

} // namespace Qel
