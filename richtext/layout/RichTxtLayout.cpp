// Page layout walks: the page context, the step over one part with the page-break rules,
// laying a paragraph out again, and the measurements built on them.
#include <richtext/document/RichTable.h>
#include <richtext/layout/PageContext.h>
#include <richtext/base/detail/LayoutMath.h>
#include <richtext/base/detail/UpdateSerial.h>
#include <richtext/layout/detail/LineWalk.h>
#include <richtext/layout/detail/PageMarks.h>

namespace Qel {

using detail::ClipInt;
using detail::Sat;

namespace {

int64 sHeight(const RichPageContext& rc)
{
	return int64(rc.page.bottom) - rc.page.top;
}

const ArrayMap<Uuid, RichStyle>& sStyles(const RichPageContext& rc)
{
	static const ArrayMap<Uuid, RichStyle> none;
	return rc.styles ? *rc.styles : none;
}

// Pages taller than this are one page that never breaks: a document measured for its height.
constexpr int64 UNBOUNDED_PAGE = 29999;

// The header or footer that paragraph i starts, made from qtf. Paragraphs mostly inherit the
// texts from the ones before them: a paragraph shortly before with the same text shares its
// document, so the text is not read again for each.
std::shared_ptr<const RichText> sHeaderFooter(const Vector<Any>& part, int i, const String& qtf, bool footer)
{
	if(qtf.IsEmpty())
		return nullptr;
	for(int k = i - 1; k >= 0 && k >= i - 16; k--)
		if(part[k].Is<RichTxt::Para>()) {
			const RichTxt::Para& q = part[k].Get<RichTxt::Para>();
			if(!q.hdrftr)
				continue;
			const std::shared_ptr<const RichText>& d = footer ? q.hdrftr->footer : q.hdrftr->header;
			if(d && (footer ? q.hdrftr->footer_qtf : q.hdrftr->header_qtf) == qtf)
				return d;
		}
	RichTextValue made;
	SetHeaderQtf(made, qtf);
	return std::make_shared<RichText>(std::move(*made));
}

bool sHasNumbering(const RichPara::Format& f)
{
	if(f.reset_number || !f.before_number.IsEmpty() || !f.after_number.IsEmpty())
		return true;
	for(byte n : f.number)
		if(n)
			return true;
	return false;
}

} // namespace

void RichPageContext::ApplyWanted()
{
	page.top = ClipInt(int64(page.top) + header_wanted - header_current);
	page.bottom = ClipInt(int64(page.bottom) + footer_current - footer_wanted);
	header_current = header_wanted;
	footer_current = footer_wanted;
	py.y = max(py.y, page.top);
}

void RichPageContext::PageBreak()
{
	py.page++;
	ApplyWanted();
	py.y = page.top;
}

void RichPageContext::NewHeaderFooter(const RichText* h, const RichText* f)
{
	int cx = ClipInt(int64(page.right) - page.left);
	// measuring sets the page numbers first, so the same texts measure the same
	if(h == header && f == footer && cx == measured_cx)
		return;
	header = h;
	footer = f;
	measured_cx = cx;
	auto measure = [&](const RichText* t) {
		if(!t)
			return 0;
		t->SetShownPageFields(999990, 999990); // page numbers as wide as they may get
		return max(t->GetHeight(Rect(0, 0, cx, 268435455)).y, 0);
	};
	header_wanted = measure(h);
	footer_wanted = measure(f);
	int64 limit = sHeight(*this);
	if(limit < 0x3FFFFFFF)
		limit = limit * 4 / 5;
	if(int64(header_wanted) + footer_wanted > limit)
		header_wanted = footer_wanted = 0;
}

RichPageContext RichText::MakeContext(const Rect& page, PagePos py) const
{
	RichPageContext rc;
	rc.text = this;
	rc.styles = &GetStyles();
	rc.page = page;
	rc.py = py;
	rc.NewHeaderFooter(header.get(), footer.get());
	rc.ApplyWanted();
	return rc;
}

detail::PageMarks* RichText::Marks(const RichPageContext& start) const
{
	if(detail::IsFullPageWalks()) // the marks stay for when it is off, and are dropped as usual
		return nullptr;
	if(!marks)
		marks = std::make_unique<detail::PageMarkCache>();
	DropChangedMarks();
	return &marks->Get(start);
}

void RichText::DropChangedMarks() const
{
	if(marks && changed_from < INT_MAX) {
		marks->Truncate(changed_from);
		changed_from = INT_MAX;
	}
}

void RichTxt::Tally(detail::PageTally& t) const
{
	int i = t.part++;
	if(!summary[i].table) {
		t.offset += summary[i].length + 1;
		return;
	}
	const RichTable& tab = part[i].Get<RichTable>();
	t.offset += tab.GetLength() + 1;
	t.tables += tab.GetTableCount() + 1;
}

PagePos RichText::GetHeight(const Rect& page) const
{
	Mutex::Lock lock(mutex);
	RichPageContext rc = MakeContext(page, PagePos(0, 0));
	detail::PageMarks* m = Marks(rc);
	detail::PageTally w;
	if(const detail::PageMark* k = m ? m->Last([](const detail::PageMark&) { return true; }) : nullptr) {
		rc = k->rc;
		w = k->at;
	}
	RichPageContext begin;
	while(w.part < GetPartCount()) {
		if(m)
			m->Note(w, rc);
		Advance(w.part, rc, begin);
		Tally(w);
	}
	return rc.py;
}

void RichText::SetPageFields(int page, int count)
{
	Mutex::Lock lock(mutex);
	VectorMap<String, Value> vars;
	vars.Add("PAGENUMBER", page < INT_MAX ? page + 1 : page);
	vars.Add("PAGECOUNT", count);
	EvaluateFields(GetStyles(), vars);
}

void RichText::SetShownPageFields(int page, int count) const
{
	// headers and footers are made as documents of their own, never as const objects
	const_cast<RichText*>(this)->SetPageFields(page, count);
}

void RichTxt::Sync(int i, const RichPageContext& rc) const
{
	const Para& p = part[i].Get<Para>();
	Summary& s = summary[i];
	p.update_serial = detail::NewParaUpdateSerial(); // the layouts cached under the old one are stale
	int cx = ClipInt(int64(rc.page.right) - rc.page.left);
	s.laid_out_width = cx;
	RichPara para = Get(i, sStyles(rc), true);
	RichPara::Lines lines = para.FormatLines(cx, rc.number);
	p.line_heights.SetCount(lines.GetCount());
	int64 sum = 0;
	s.even = true;
	for(int k = 0; k < lines.GetCount(); k++) {
		int h = detail::LineHeight(lines[k]);
		p.line_heights[k] = h;
		sum += h;
		s.even = s.even && h == p.line_heights[0];
	}
	s.lines = lines.GetCount();
	s.lines_height = Sat(sum);
	s.first_line = s.lines ? p.line_heights[0] : 0;
	const RichPara::Format& f = para.format;
	s.ruler = f.ruler;
	s.before = f.before;
	s.after = f.after;
	s.newpage = f.newpage;
	s.fflag = f.fflag;
	s.keep = f.keep;
	s.keepnext = f.keepnext;
	s.orphan = f.orphan;
	s.newhdrftr = f.newhdrftr;
	// what the walks count numbers with, as the paragraph unpacks under its style now
	if(!sHasNumbering(f))
		p.number_format.reset();
	else if(p.number_format)
		*p.number_format = RichPara::NumberFormat(f);
	else
		p.number_format = std::make_unique<RichPara::NumberFormat>(f);
	s.numbered = bool(p.number_format);
	p.number = rc.number;
	if(f.header_qtf.IsEmpty() && f.footer_qtf.IsEmpty())
		p.hdrftr.reset();
	else {
		if(!p.hdrftr)
			p.hdrftr = std::make_unique<Para::HeaderFooter>();
		Para::HeaderFooter& hf = *p.hdrftr;
		if(hf.header_qtf != f.header_qtf) {
			hf.header_qtf = f.header_qtf;
			hf.header = sHeaderFooter(part, i, f.header_qtf, false);
		}
		if(hf.footer_qtf != f.footer_qtf) {
			hf.footer_qtf = f.footer_qtf;
			hf.footer = sHeaderFooter(part, i, f.footer_qtf, true);
		}
	}
}

const RichTxt::Summary& RichTxt::SyncedPara(int i, const RichPageContext& rc) const
{
	const Summary& s = summary[i];
	if(s.laid_out_width != ClipInt(int64(rc.page.right) - rc.page.left) ||
	   (s.numbered && !(part[i].Get<Para>().number == rc.number)))
		Sync(i, rc);
	return s;
}

void RichTxt::Advance(int i, RichPageContext& rc, RichPageContext& begin) const
{
	if(!summary[i].table)
		AdvancePara(i, rc, begin);
	else
		AdvanceTable(i, rc, begin);
}

void RichTxt::AdvancePara(int i, RichPageContext& rc, RichPageContext& begin) const
{
	const Summary& p = SyncedPara(i, rc);
	auto next_number = [&](RichPara::Number& n) {
		if(p.numbered)
			n.Next(*part[i].Get<Para>().number_format);
	};
	int64 y = rc.py.y;
	if(sHeight(rc) > UNBOUNDED_PAGE) {
		begin = rc;
		rc.py.y = Sat(y + p.ruler + p.before + p.lines_height + p.after);
		next_number(rc.number);
		return;
	}

	int64 block = int64(p.ruler) + p.before + (p.keep || p.keepnext ? p.lines_height : p.first_line);
	int64 next_block = 0;
	if(p.keepnext && IsPara(i + 1)) {
		RichPageContext nc = rc;
		next_number(nc.number);
		const Summary& q = SyncedPara(i + 1, nc);
		next_block = int64(q.first_line) + q.ruler + q.before;
	}
	if(rc.text && static_cast<const RichTxt*>(rc.text) == this && p.newhdrftr) {
		const Para& pp = part[i].Get<Para>();
		rc.NewHeaderFooter(pp.hdrftr ? pp.hdrftr->header.get() : nullptr, pp.hdrftr ? pp.hdrftr->footer.get() : nullptr);
	}

	bool brk;
	if(p.fflag)
		brk = rc.py.y > rc.page.top || p.newpage;
	else // a block that fits no page does not move
		brk = p.newpage || (y + block + next_block > rc.page.bottom && block < sHeight(rc));
	if(brk)
		rc.PageBreak();
	begin = rc;

	y = int64(rc.py.y) + p.ruler + p.before;
	if(p.lines && y + p.lines_height < rc.page.bottom)
		y += p.lines_height;
	else if(p.even) // the lines break over a page: lines of one height walk from their count
		y = detail::WalkLines(rc, y, p.lines, p.orphan, [&](int) { return int64(p.first_line); },
		                      [](int, int64, int64) { return false; });
	else {
		const Vector<int>& h = part[i].Get<Para>().line_heights;
		y = detail::WalkLines(rc, y, h.GetCount(), p.orphan, [&](int k) { return int64(h[k]); },
		                      [](int, int64, int64) { return false; });
	}
	detail::PassSpaceAfter(rc, y, p.after);
	next_number(rc.number);
}

void RichTxt::AdvanceTable(int i, RichPageContext& rc, RichPageContext& begin) const
{
	const RichTable& t = part[i].Get<RichTable>();
	if(t.format.new_header_footer && rc.text && static_cast<const RichTxt*>(rc.text) == this)
		rc.NewHeaderFooter(t.header.get(), t.footer.get());
	if(t.format.new_page)
		rc.PageBreak();
	begin = rc;
	PagePos e = t.Realize(rc).end;
	const RichTable::Layouts& c = t.current;
	int64 y = int64(e.y) + t.format.frame_width + t.format.after;
	int64 limit = e.page == c.start.page ? c.first_page.bottom : c.next_page.bottom;
	bool  over = y > limit;
	PagePos to(over ? e.page + 1 : e.page, Sat(y));
	if(to.page > rc.py.page)
		rc.ApplyWanted();
	if(over)
		to.y = rc.page.top; // the next part starts at the top of the page after
	rc.py = to;
}

PagePos RichTxt::GetTop(RichPageContext& rc) const
{
	if(part.IsEmpty())
		return rc.py;
	if(IsTable(0)) {
		const RichTable& t = GetTable(0);
		if(t.GetRows() == 0)
			return rc.py;
		PagePos top = t.Realize(rc).row[0].top;
		top.y = Sat(int64(top.y) - t.format.frame_width);
		return top;
	}
	const Summary& p = SyncedPara(0, rc);
	rc.py.y = Sat(int64(rc.py.y) + p.ruler + p.before);
	const Vector<int>& h = part[0].Get<Para>().line_heights;
	if(h.IsEmpty()) {
		if(rc.py.y > rc.page.bottom && sHeight(rc) > 0)
			rc.PageBreak();
		return rc.py;
	}
	// where the first line falls
	detail::WalkLines(rc, rc.py.y, h.GetCount(), p.orphan, [&](int k) { return int64(h[k]); },
	                  [](int, int64, int64) { return true; });
	return rc.py;
}

PagePos RichTxt::GetEnd(RichPageContext rc) const
{
	RichPageContext begin;
	for(int i = 0; i < part.GetCount(); i++)
		Advance(i, rc, begin);
	return rc.py;
}

int RichTxt::GetWidth(const ArrayMap<Uuid, RichStyle>& s) const
{
	RichPara::Number number;
	int64 w = 0;
	for(int i = 0; i < part.GetCount(); i++)
		if(!summary[i].table) {
			RichPara p = Get(i, s, true);
			RichPara::Lines lines = p.FormatLines(INT_MAX, number);
			for(int k = 0; k < lines.GetCount(); k++)
				w = max(w, int64(lines[k].xpos) + lines[k].cx);
			number.Next(p.format);
		}
		else
			w = max<int64>(w, part[i].Get<RichTable>().GetWidth(s));
	return Sat(w);
}

} // namespace Qel
