// The document's public queries: measuring, painting on pages or at a place on any Draw, the
// caret, the position under a point and the position descriptor. Each holds the document's
// lock throughout (released by scope, on exceptions too) and lays the document out from the
// top of the page it is given.
#include <richtext/document/RichTable.h>
#include <richtext/layout/PageContext.h>
#include <richtext/paint/RichPaint.h>
#include <richtext/position/RichPos.h>
#include <richtext/layout/detail/PageMarks.h>

namespace Qel {

namespace {

// Device width cx as text width: cx * d / m, 0 when m is 0.
int sTextWidth(Zoom z, int cx)
{
	if(z.m == 0)
		return 0;
	return int(clamp<int64>(int64(cx) * z.d / z.m, INT_MIN, INT_MAX));
}

// Ends an offset on every way out.
struct sOffset {
	Draw& w;
	sOffset(Draw& w, int x, int y) : w(w) { w.Offset(x, y); }
	~sOffset() { w.EndOp(); }
};

} // namespace

int RichText::GetWidth() const
{
	Mutex::Lock lock(mutex);
	return RichTxt::GetWidth(GetStyles());
}

int RichText::GetHeight(Zoom z, int cx) const
{
	if(z.d == 0)
		return 0;
	Mutex::Lock lock(mutex);
	PagePos e = GetHeight(Rect(0, 0, sTextWidth(z, cx), 268435455));
	return int(clamp<int64>(int64(e.y) * z.m / z.d, INT_MIN, INT_MAX));
}

void RichText::Paint(PageDraw& pw, const Rect& page, const RichPaintInfo& pi) const
{
	Paint(pw, PagePos(0, 0), page, pi); // locks
}

void RichText::Paint(Draw& w, int x, int y, int cx, const RichPaintInfo& pi) const
{
	Mutex::Lock lock(mutex);
	SimplePageDraw pw(w);
	RichPaintInfo p = pi;
	p.window_top = PagePos(0, 0);
	p.window_bottom = PagePos(0, INT_MAX);
	p.use_cache = true;
	p.size_tracking = false;
	p.highlight_color = Color();
	sOffset offset(w, x, y);
	Paint(pw, PagePos(0, 0), Rect(0, 0, sTextWidth(p.zoom, cx), INT_MAX), p);
}

// The walks start from the last context remembered before the part they look for.
RichCaret RichText::GetCaret(int pos, const Rect& page) const
{
	Mutex::Lock lock(mutex);
	RichPageContext rc = MakeContext(page, PagePos(0, 0));
	detail::PageMarks* m = Marks(rc);
	detail::PageTally w;
	int64 at = clamp(pos, 0, GetLength());
	if(const detail::PageMark* k = m ? m->Last([&](const detail::PageMark& k) { return k.at.offset <= at; })
	                                 : nullptr) {
		rc = k->rc;
		w = k->at;
	}
	return CaretFrom(pos, rc, w, m);
}

int RichText::GetPos(int x, PagePos y, const Rect& page) const
{
	Mutex::Lock lock(mutex);
	RichPageContext rc = MakeContext(page, PagePos(0, 0));
	if(GetPartCount() == 0)
		return 0;
	detail::PageMarks* m = Marks(rc);
	detail::PageTally w;
	if(const detail::PageMark* k = m ? m->Last([&](const detail::PageMark& k) { return k.rc.py <= y; }) : nullptr) {
		rc = k->rc;
		w = k->at;
	}
	return PosFrom(x, y, rc, w, m);
}

RichPos RichText::GetRichPos(int pos, int max_level) const
{
	Mutex::Lock lock(mutex);
	RichPos out;
	// any walk's marks tell where the parts begin in the text
	detail::PageTally w;
	if(marks && !detail::IsFullPageWalks()) {
		DropChangedMarks();
		if(const detail::PageMarks* m = marks->Any())
			if(const detail::PageMark* k = m->Last([&](const detail::PageMark& k) { return k.at.offset <= pos; }))
				w = k->at;
	}
	RichPosFrom(pos, out, 0, max_level, GetStyles(), w);
	if(IsNull(out.tables_before))
		out.tables_before = 0;
	return out;
}

} // namespace Qel
