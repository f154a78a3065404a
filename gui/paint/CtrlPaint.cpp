// Painting of the control tree: frames first, then frame-area children, the control's own
// content with the caret, and the view's children on top, each clipped and offset. Subtrees
// outside the clip and controls hidden under an opaque child are skipped.
#include <gui/ctrl/Ctrl.h>
#include "SystemDraw.h"
#include <gui/ctrl/detail/Caret.h>
#include <gui/ctrl/detail/CtrlAccess.h>
#include <gui/detail/Geom.h>

namespace Qel {

using namespace detail;

namespace {

bool sIsDHCtrl(const Ctrl*)
{
	return false; // see CtrlRefresh.cpp
}

Rect sSizeRect(const Rect& r)
{
	return Rect(0, 0, SatSub(r.right, r.left), SatSub(r.bottom, r.top));
}

} // namespace

void Ctrl::UpdateArea(SystemDraw& w, const Rect& clip)
{
	GuiLock lock;
	if(IsPanicMode())
		return;
	ClearFullRefreshDeep();
	PaintTree(w, clip);
	AdjustValueCacheLimit();
}

void Ctrl::PaintTree(SystemDraw& w, const Rect& clip)
{
	GuiLock lock;
	ExcludeDHCtrls(w, clip, Point(0, 0));
	CtrlPaint(w, clip);
}

// Controls that paint themselves get their rectangles cut out of the clip first. off is where
// this control's frame origin lies in the draw's current coordinates.
void Ctrl::ExcludeDHCtrls(SystemDraw& w, const Rect& clip, Point off)
{
	Rect view = GetView0();
	for(Ctrl* q = firstchild; q; q = q->GetNext()) {
		if(!q->IsVisible())
			continue;
		Rect r = OffsetRect(q->GetRect(), q->InFrame() ? Point(0, 0) : TopLeft(view));
		Rect qclip = q->InFrame() ? clip : clip & view;
		Rect in_draw = OffsetRect(r, off);
		if(!r.Intersects(qclip) || !w.IsPaintingOp(in_draw))
			continue;
		if(sIsDHCtrl(q)) {
			w.FlushText();
			w.ExcludeClipOp(in_draw);
		}
		else
			q->ExcludeDHCtrls(w, OffsetRect(qclip, Neg(TopLeft(r))), AddPoint(off, TopLeft(r)));
	}
}

void Ctrl::CtrlPaint(Draw& w, const Rect& clip)
{
	GuiLock lock;
	if(!IsVisible())
		return;
	Rect whole = sSizeRect(GetRect0());
	int m = overpaint;
	Rect outer = InflateRect(whole, m);
	if(IsEmptyRect(outer) || IsEmptyRect(clip) || !outer.Intersects(clip))
		return;

	// frames, each into what the frames before it left
	Rect fr = whole;
	int nframes = FrameCount0();
	for(int i = 0; i < nframes; i++) {
		FrameData()[i].frame->FramePaint(w, fr);
		fr = FrameData()[i].GetRect();
	}
	Rect v = GetView0();
	Rect ov = InflateRect(v, m);

	// frame-area children now; view children are only noted
	bool hidden = false;
	bool view_children = false;
	bool excluded = false;
	for(Ctrl* q = firstchild; q; q = q->GetNext()) {
		if(!q->IsVisible())
			continue;
		Rect qr = q->GetRect();
		if(!q->IsTransparent() && qr.Contains(outer))
			hidden = true;
		if(q->InView()) {
			view_children = true;
			continue;
		}
		if(IsTransparent() && qr.Intersects(v) && !excluded) {
			w.BeginOp();
			w.ExcludeClipOp(v);
			excluded = true;
		}
		w.Offset(qr.left, qr.top);
		q->CtrlPaint(w, OffsetRect(clip, Neg(TopLeft(qr))));
		w.EndOp();
	}
	if(excluded)
		w.EndOp();

	// own content
	if(!hidden && !IsEmptyRect(ov) && ov.Intersects(clip) && w.IsPaintingOp(ov)) {
		if(m == 0)
			w.ClipoffOp(v);
		else {
			w.ClipOp(ov);
			w.Offset(v.left, v.top);
		}
		Paint(w);
		CaretState& caret = Caret();
		if(caret.ctrl == this && caret.visible)
			w.DrawRect(GetCaret(), INVERT_COLOR);
		w.EndOp();
		if(m)
			w.EndOp();
	}

	// view children on top, later ones over earlier ones
	if(view_children && !IsEmptyRect(v)) {
		Rect vclip = clip & v;
		w.ClipOp(vclip);
		for(Ctrl* q = firstchild; q; q = q->GetNext()) {
			if(!q->IsVisible() || q->InFrame())
				continue;
			Rect qr = q->GetRect();
			Point off = AddPoint(TopLeft(v), TopLeft(qr));
			Rect qclip = OffsetRect(vclip, Neg(off));
			// the child's own margin counts too: its frames may paint out there
			int qm = max(m, (int)q->overpaint);
			if(IsEmptyRect(qclip) || !qclip.Intersects(InflateRect(sSizeRect(qr), qm)))
				continue;
			w.Offset(off.x, off.y);
			q->CtrlPaint(w, qclip);
			w.EndOp();
		}
		w.EndOp();
	}
}

} // namespace Qel
