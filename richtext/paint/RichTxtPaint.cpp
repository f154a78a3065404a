// Painting walks: the layout walk with a painter attached. Parts in the paint window are drawn
// where the walk puts them; the pages covered get the headers and footers in force on them, with
// their page numbers.
#include <richtext/document/RichTable.h>
#include <richtext/layout/PageContext.h>
#include <richtext/paint/RichPaint.h>
#include <richtext/base/detail/LayoutMath.h>
#include <richtext/layout/detail/PageMarks.h>

namespace Qel {

using detail::ZoomLength;

namespace {

int sSub(int v, int64 d)
{
	return int(clamp<int64>(v - d, INT_MIN, INT_MAX));
}

const ArrayMap<Uuid, RichStyle>& sStyles(const RichPageContext& rc)
{
	static const ArrayMap<Uuid, RichStyle> none;
	return rc.styles ? *rc.styles : none;
}

} // namespace

bool RichTxt::IsPaintingArea(PageDraw& pw, Zoom z, const Rect& page, PagePos top, PagePos bottom)
{
	for(int p = top.page; p <= bottom.page; p++) {
		Rect r(0, 0, 0, 0);
		if(z.d)
			r = Rect(ZoomLength(z, page.left), ZoomLength(z, p == top.page ? top.y : page.top),
			         ZoomLength(z, page.right), ZoomLength(z, p == bottom.page ? bottom.y : page.bottom));
		if(pw.Page(p).IsPaintingOp(r))
			return true;
		if(p == INT_MAX)
			break;
	}
	return false;
}

void RichTxt::Paint(PageDraw& pw, RichPageContext& rc, const RichPaintInfo& pi) const
{
	rc.number = RichPara::Number();
	PaintFrom(pw, rc, pi, detail::PageTally(), nullptr);
}

void RichTxt::PaintFrom(PageDraw& pw, RichPageContext& rc, const RichPaintInfo& pi_, detail::PageTally w,
                        detail::PageMarks* marks) const
{
	RichPaintInfo pi = pi_;
	// the positions are relative to the part the walk starts at
	pi.sel_start = sSub(pi.sel_start, w.offset);
	pi.sel_end = sSub(pi.sel_end, w.offset);
	pi.highlight_pos = sSub(pi.highlight_pos, w.offset);
	pi.table_sel = sSub(pi.table_sel, w.tables);
	bool base_level = rc.text && static_cast<const RichTxt*>(rc.text) == this;
	RichPageContext begin;
	for(; w.part < part.GetCount() && rc.py < pi.window_bottom; Tally(w)) {
		int i = w.part;
		if(marks)
			marks->Note(w, rc);
		int64 len = summary[i].length;
		if(summary[i].table) {
			const RichTable& t = part[i].Get<RichTable>();
			pi.table_sel = sSub(pi.table_sel, 1);
			Advance(i, rc, begin);
			// like a paragraph, a table that ends above the window draws nothing: its grid and
			// frame would fall on pages that are not painted
			if(rc.py >= pi.window_top)
				t.Paint(pw, begin, pi, base_level);
			pi.table_sel = sSub(pi.table_sel, t.GetTableCount());
			len = t.GetLength();
		}
		else {
			Rect page = rc.page;
			Advance(i, rc, begin);
			if(rc.py >= pi.window_top) {
				const Para& pp = part[i].Get<Para>();
				if(!pi.spelling_hook) {
					pp.spell_valid = false;
					pp.spell_errors.Clear();
				}
				bool spell = pi.spelling_hook && !pp.spell_valid;
				bool paint = IsPaintingArea(pw, pi.zoom, page, begin.py, rc.py);
				if(spell || paint) {
					RichPara p = Get(i, sStyles(rc), true);
					if(spell) {
						pp.spell_errors = pi.spelling_hook(p);
						pp.spell_valid = true;
					}
					if(paint) {
						RichPageContext pc = begin;
						p.Paint(pw, pc, pi, pp.spell_errors, base_level);
					}
				}
			}
		}
		pi.sel_start = sSub(pi.sel_start, len + 1);
		pi.sel_end = sSub(pi.sel_end, len + 1);
		pi.highlight_pos = sSub(pi.highlight_pos, len + 1);
	}
}

void RichText::Paint(PageDraw& pw, PagePos py, const Rect& page, const RichPaintInfo& pi) const
{
	Mutex::Lock lock(mutex);
	RichPageContext rc = MakeContext(page, py);
	int from = rc.py.page;
	detail::PageMarks* m = pw.tracer ? nullptr : Marks(rc); // a tracer sees every part
	detail::PageTally w;
	// parts that end above the window paint nothing
	if(const detail::PageMark* k = m ? m->Last([&](const detail::PageMark& k) { return k.rc.py < pi.window_top; })
	                                 : nullptr) {
		rc = k->rc;
		w = k->at;
	}
	PaintFrom(pw, rc, pi, w, m);
	PaintHeaderFooter(pw, page, py, pi, from, rc.py.page);
}

void RichText::PaintHeaderFooter(PageDraw& pw, const Rect& page, PagePos py, const RichPaintInfo& pi,
                                 int from_page, int to_page) const
{
	Mutex::Lock lock(mutex);
	RichPaintInfo hpi = pi;
	hpi.sel_start = hpi.sel_end = 0;
	RichPageContext rc = MakeContext(page, py);
	int count = -1; // pages of the document, measured when a page number is first wanted
	auto paint = [&](const RichText* t, int p, PagePos at) {
		if(count < 0)
			count = GetHeight(page).page + 1;
		t->SetShownPageFields(p, count);
		Mutex::Lock tlock(t->mutex);
		RichPageContext hc = t->MakeContext(page, at);
		t->RichTxt::Paint(pw, hc, hpi);
		t->PaintHeaderFooter(pw, page, at, hpi, p, p);
	};
	// Each page gets the header and footer in force when the walk first reaches it.
	int done = -1; // the last page handled
	auto pages = [&] {
		int last = min(rc.py.page, to_page);
		for(int p = max(done + 1, from_page); p <= last; p++) {
			if(rc.header && rc.header_wanted)
				paint(rc.header, p, PagePos(p, page.top));
			if(rc.footer && rc.footer_wanted)
				paint(rc.footer, p, PagePos(p, int(clamp<int64>(int64(page.bottom) - rc.footer_wanted, INT_MIN, INT_MAX))));
			if(p == INT_MAX)
				break;
		}
		done = max(done, rc.py.page);
		return done < to_page;
	};
	detail::PageMarks* m = pw.tracer ? nullptr : Marks(rc);
	detail::PageTally w;
	// pages before from_page are not painted: the walk may start on one of them
	if(const detail::PageMark* k = m ? m->Last([&](const detail::PageMark& k) { return k.rc.py.page < from_page; })
	                                 : nullptr) {
		rc = k->rc;
		w = k->at;
	}
	RichPageContext begin;
	for(; w.part < GetPartCount(); Tally(w)) {
		if(!pages())
			return;
		if(m)
			m->Note(w, rc);
		Advance(w.part, rc, begin);
	}
	pages();
}

} // namespace Qel
