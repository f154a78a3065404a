// Paragraph painting: runs of one character format (background, decorations, link markers, tab
// leaders, marks of codes, the text), and whole paragraphs line by line with the page breaks of
// layout: rulers, highlight, objects, bullets, spelling marks, selection and marks.
#include <richtext/document/RichTable.h>
#include <richtext/layout/PageContext.h>
#include <richtext/paint/RichPaint.h>
#include <richtext/object/RichTextImg.h>
#include <richtext/base/detail/LayoutMath.h>
#include <richtext/paint/detail/PaintColor.h>
#include <richtext/layout/detail/LineWalk.h>
#include <richtext/object/detail/ObjectImage.h>
#include <richtext/paint/detail/PaintRepeat.h>

namespace Qel {

using detail::PaintColor;
using detail::Sat;
using detail::ZoomLength;

namespace {

// Font heights are 16-bit.
int sFontHeight(int h)
{
	return clamp(h, 1, 32767);
}

// The first multiple of m at or above v (m > 0).
int64 sCeilMultiple(int64 v, int64 m)
{
	int64 r = v % m;
	return r == 0 ? v : r > 0 ? v - r + m : v - r;
}

// A ruler whose top is at top (text units), across the paragraph between its margins.
void sPaintRuler(Draw& w, const RichPara::Format& f, const Rect& page, int64 top, Zoom zoom, Color c)
{
	auto z = [&](int64 v) { return ZoomLength(zoom, v); };
	int64 rx = int64(z(f.lm)) + z(page.left);
	int   ry = z(top);
	int64 width = int64(z(page.right)) - (int64(z(page.left)) + z(f.rm) + z(f.lm));
	int   t = max(1, z(f.ruler));
	if(f.rulerstyle == 1 || f.rulerstyle == 2) { // dotted, dashed
		int64 seg = f.rulerstyle == 1 ? t : 2 * int64(t);
		int64 end = rx + width;
		detail::PaintRepeat(w, rx, end, 2 * seg, seg, [&](int p) {
			w.DrawRect(p, ry, Sat(min(seg, end - p)), t, c);
		});
	}
	else
		w.DrawRect(Sat(rx), ry, Sat(width), t, c);
}

// A round or square bullet at x on the first line, whose top is y and ascent a (text units).
void sPaintBullet(Draw& w, int bullet, int64 x, int64 y, int64 a, Zoom zoom, Color c, Color white)
{
	auto z = [&](int64 v) { return ZoomLength(zoom, v); };
	int64 r = a / 2;
	int64 by = y + (a - r) * 4 / 5;
	Rect outer(z(x), z(by), z(x + r), z(by + r));
	int t = max(1, z(a / 8));
	Rect inner(outer.left + t, outer.top + t, outer.right - t, outer.bottom - t);
	bool hollow = (bullet == RichPara::BULLET_ROUND_WHITE || bullet == RichPara::BULLET_BOX_WHITE) &&
	              inner.left < inner.right && inner.top < inner.bottom; // not turned inside out
	if(bullet <= RichPara::BULLET_ROUND_WHITE) {
		w.DrawEllipse(outer, c);
		if(hollow)
			w.DrawEllipse(inner, white);
	}
	else {
		w.DrawRect(outer, c);
		if(hollow)
			w.DrawRect(inner, white);
	}
}

// Marks under the misspelt characters of a line (device units from x, line bottom at bottom);
// the first skip characters, the number text, are never marked.
void sPaintSpelling(Draw& w, const Bits& spelling, const int* pos, const int* dx, int len, int skip,
                    int64 x, int bottom, bool two)
{
	for(int k = 0; k < len; k++) {
		if(k >= skip && spelling.Get(pos[k])) {
			if(two)
				w.DrawRect(Sat(x), bottom - 3, dx[k], 1, Color(128, 0, 0));
			w.DrawRect(Sat(x), bottom - 2, dx[k], 1, Color(255, 0, 0));
		}
		x += dx[k];
	}
}

// An object of a line at x (device units), its line at top and h high, its own top at oy; shrunk
// to the page's right edge pr when the options ask. paper: its run's background.
void sPaintObject(Draw& w, const RichPaintInfo& pi, const RichObject& obj, int x, int top, int h, int oy, int pr,
                  Color paper)
{
	Size sz = obj.GetSize();
	int cx = ZoomLength(pi.zoom, sz.cx);
	int cy = ZoomLength(pi.zoom, sz.cy);
	if(pi.shrink_objects && int64(x) + cx > pr)
		cx = pr - x;
	if(!paper.IsNull())
		w.DrawRect(x, top, cx, h, paper);
	if(cx > 0 && cy > 0) {
		w.ClipOff(x, oy, cx, cy);
		if(pi.size_tracking)
			w.DrawRect(0, 0, cx, cy, ThemeFaceColor());
		// a picture larger than any screen is not kept in the cache: it is drawn
		else if(pi.use_cache && detail::ObjectArea(Size(cx, cy)) <= detail::OBJECT_IMAGE_MAX_PIXELS)
			w.DrawImage(0, 0, MakeImagePaintOnly(RichObjectImageMaker(obj, Size(cx, cy), pi.context)));
		else
			obj.Paint(w, Size(cx, cy), pi.context);
		w.EndOp();
	}
}

// Where the runs of a line ended and the selection's edges on it (text units).
struct sLineRuns {
	int64 x;
	int64 sel_left;
	int64 sel_right;
	bool  right_set; // the selection's end lies on the line
};

// The runs of one character format and the objects of line ln, laid out at left with its top at
// y and h high; dx holds its device widths.
sLineRuns sPaintRuns(Draw& w, const RichPaintInfo& pi, const RichPara::Lines& pl, const RichPara::Line& ln,
                     const int* dx, int64 left, int64 y, int64 h, int page_right, bool highlight)
{
	Zoom  zoom = pi.zoom;
	auto  z = [&](int64 v) { return ZoomLength(zoom, v); };
	const wchar* text = pl.text + ln.pos;
	const RichPara::CharFormat* const* fmt = pl.format + ln.pos;
	const RichPara::HeightInfo* hi = pl.height + ln.pos;
	const int* adv = pl.width + ln.pos;
	const int* pos = pl.pos + ln.pos;
	int   len = ln.len;
	int64 base = y + ln.ascent;
	sLineRuns r{left, page_right, 0, false};
	bool  left_set = false;
	int   rs = 0;     // run start
	int64 run_x = left;
	int64 x = left;
	auto run = [&](int to, int64 xe) {
		if(to > rs)
			RichPara::PaintRun(w, pi, text, fmt + rs, dx, rs, to - rs, Sat(run_x), Sat(xe), Sat(base), Sat(y), Sat(h),
			                   ln.ascent, zoom, highlight);
	};
	for(int k = 0; k < len; k++) {
		if(!left_set && pos[k] >= pi.sel_start) {
			r.sel_left = min(r.sel_left, x);
			left_set = true;
		}
		if(!r.right_set && pos[k] >= pi.sel_end) {
			r.sel_right = x;
			r.right_set = true;
		}
		const RichObject* obj = hi[k].object;
		if(fmt[k] == fmt[rs] && !obj) {
			x += adv[k];
			continue;
		}
		run(k, x);
		rs = k;
		run_x = x;
		if(obj) {
			rs = k + 1;
			run_x = x + adv[k];
			if(!obj->IsNull())
				sPaintObject(w, pi, *obj, z(x), z(y), z(h), z(base - hi[k].ascent), z(page_right),
				             fmt[k] ? fmt[k]->paper : Color());
		}
		x += adv[k];
	}
	run(len, x);
	r.x = x;
	return r;
}

void sSelectArea(const RichPaintInfo& pi, Draw& w, int64 x, int64 y, int64 cx, int64 cy)
{
	if(pi.selection_painter)
		pi.selection_painter(w, Sat(x), Sat(y), Sat(cx), Sat(cy));
}

// The ruler of format f above its space before, the first line being at y.
void sPaintParaRuler(PageDraw& pw, const RichPageContext& rc, const RichPaintInfo& pi, const RichPara::Format& f,
                     int64 y, Color text_ink)
{
	int64 bottom = y - f.before;
	int64 top = bottom - f.ruler;
	if(top >= 0 && bottom < rc.page.bottom) {
		Color c = !pi.text_color.IsNull() ? pi.text_color
		        : !f.rulerink.IsNull() ? PaintColor(f.rulerink, pi.dark_theme) : text_ink;
		sPaintRuler(pw.Page(rc.py.page), f, rc.page, top, pi.zoom, c);
	}
}

// A selection that started before the paragraph covers the pages from p0 down to y, where its
// first line is, on the page now laid out.
void sSelectBefore(PageDraw& pw, const RichPageContext& rc, const RichPaintInfo& pi, PagePos p0, int64 y)
{
	auto z = [&](int64 v) { return ZoomLength(pi.zoom, v); };
	int zleft = z(rc.page.left);
	for(int p = p0.page; p <= rc.py.page; p++) {
		int top = p == p0.page ? z(p0.y) : z(rc.page.top);
		int bottom = p == rc.py.page ? z(y) : z(rc.page.bottom);
		sSelectArea(pi, pw.Page(p), zleft, top, int64(z(rc.page.right)) - zleft, int64(bottom) - top);
	}
}

// Device widths of the len advances adv from x on, from cumulative positions, so that rounding
// never drifts.
void sDeviceWidths(int* dx, const int* adv, int len, int64 x, Zoom zoom)
{
	for(int k = 0; k < len; k++) {
		dx[k] = ZoomLength(zoom, x + adv[k]) - ZoomLength(zoom, x);
		x += adv[k];
	}
}

// The selected span of line ln, as its runs found it, taken to the line's end or the page's
// edges where the selection goes on past them; false when nothing of the line is selected.
bool sLineSelection(const RichPaintInfo& pi, const RichPara::Line& ln, const Rect& page, const sLineRuns& runs,
                    int64& sel_left, int64& sel_right)
{
	sel_left = runs.sel_left;
	sel_right = runs.right_set ? runs.sel_right : runs.x;
	int64 L = ln.ppos;
	int64 E = L + ln.plen;
	if(pi.sel_end == E)
		sel_right = runs.x;
	if(pi.sel_start == E)
		sel_left = runs.x;
	if(pi.sel_start < L)
		sel_left = page.left;
	if(E < pi.sel_end)
		sel_right = page.right;
	return L < pi.sel_end && pi.sel_start < pi.sel_end;
}

// Where the lines of a paragraph were painted, for the marks of codes around them.
struct sParaMarks {
	bool    reached = false;  // the first line
	PagePos first_at;
	int     first_ascent = 0;
	bool    painted = false;  // the last line
	int     last_page = 0;
	int64   last_x = 0;
	int64   last_base = 0;
	int     last_ascent = 0;
};

// The paragraph-end mark after the last line painted, and the page-break mark above the lines
// when the paragraph starts a page.
void sPaintEndMarks(PageDraw& pw, const RichPageContext& rc, const RichPaintInfo& pi, const RichPara::Format& f,
                    const sParaMarks& m, PagePos lines_at)
{
	auto z = [&](int64 v) { return ZoomLength(pi.zoom, v); };
	if(m.painted) {
		Image img = RichTextImg::EndParaChar();
		if(img.GetHeight() < z(m.last_ascent))
			pw.Page(m.last_page).DrawImage(z(m.last_x), z(m.last_base) - img.GetHeight(), img,
			                               f.indexentry.IsEmpty() ? pi.codes_color : pi.index_color);
	}
	if(f.newpage) {
		Draw& w = pw.Page(lines_at.page);
		int step = w.GetInfo() & INFO_DOTS ? 50 : 8;
		int my = z(lines_at.y);
		detail::PaintRepeat(w, z(rc.page.left), z(rc.page.right), step, step / 2,
		                    [&](int p) { w.DrawRect(p, my, step / 2, step / 8, pi.codes_color); });
	}
}

// The label and header-and-footer marks left of the first line.
void sPaintLabelMarks(PageDraw& pw, const RichPaintInfo& pi, const RichPara::Format& f, const sParaMarks& m,
                      bool base_level)
{
	auto z = [&](int64 v) { return ZoomLength(pi.zoom, v); };
	Draw& w = pw.Page(m.first_at.page);
	auto mark = [&](const Image& img) {
		w.DrawImage(-7 - img.GetWidth(), z(m.first_at.y) + (z(m.first_ascent) - img.GetHeight()) / 2, img, pi.codes_color);
	};
	if(!f.label.IsEmpty())
		mark(RichTextImg::Label());
	if(f.newhdrftr && base_level)
		mark(RichTextImg::HdrFtr());
}

} // namespace

void RichPara::PaintRun(Draw& w, const RichPaintInfo& pi, const wchar* text, const CharFormat* const* format,
                        const int* dx, int i, int n, int x, int xend, int y, int top, int height, int ascent,
                        Zoom z, bool highlight)
{
	if(n <= 0 || !format[0])
		return;
	const CharFormat& f = *format[0];
	auto Z = [&](int64 v) { return ZoomLength(z, v); };
	int x0 = Z(x);
	int runw = Z(xend) - x0;
	int base = Z(y);
	int ltop = Z(top);
	int lh = Z(int64(top) + height) - ltop;

	if(!f.indexentry.IsEmpty() && !pi.index_color.IsNull()) {
		if(pi.index_background)
			w.DrawRect(x0, ltop, runw, lh, PaintColor(pi.index_color, pi.dark_theme));
		else
			w.DrawRect(x0, base, runw, 2, pi.index_color);
	}
	if(!f.paper.IsNull() && !highlight && pi.text_color.IsNull())
		w.DrawRect(x0, ltop, runw, lh, PaintColor(f.paper, pi.dark_theme));

	Font font = f;
	int h = Z(abs(f.GetHeight()));
	int sup_ascent = 0, sup_descent = 0;
	if(f.sscript) { // placed against the full-size letters
		font.Height(clamp(h, 0, 32767));
		sup_ascent = font.GetAscent();
		sup_descent = font.GetDescent();
		h = h * 3 / 5;
	}
	font.Height(sFontHeight(h));

	Color ink = f.ink.IsNull() ? ThemeTextColor() : PaintColor(f.ink, pi.dark_theme);
	if(!pi.text_color.IsNull())
		ink = pi.text_color;

	if(f.dashed) {
		int step = max(2, font.GetAscent() / 5);
		int d = font.GetDescent();
		int dy = base + d / 2;
		int dh = max(1, d / 3);
		detail::PaintRepeat(w, x0, int64(x0) + runw, step, step / 2,
		                    [&](int p) { w.DrawRect(p, dy, step / 2, dh, ink); });
	}

	bool link = !f.link.IsEmpty();
	if(link) {
		if(!pi.link_color.IsNull() && !font.IsUnderline() && !f.dashed) {
			font.Underline();
			if(pi.text_color.IsNull())
				ink = pi.link_color;
		}
		w.Escape("url:" + f.link);
	}

	// Tabs are drawn as spaces (their glyphs would show); spaces and tabs may get marks.
	const wchar* s = text + i;
	Buffer<wchar> spaced;
	bool marks = !pi.codes_color.IsNull();
	int  mark_limit = Z(ascent);
	int64 cx = x0;
	for(int k = 0; k < n; k++) {
		wchar c = s[k];
		int cw = dx[i + k];
		Image m;
		if(c == 32 || c == 160) {
			if(marks)
				m = c == 32 ? RichTextImg::SpaceChar() : RichTextImg::HardSpaceChar();
		}
		else if(c >= 9 && c <= 12) {
			if(c > 9) {
				static const wchar fill[] = {'.', '-', '_'};
				wchar fc = fill[c - 10];
				int fw = font.GetWidth(fc);
				if(fw > 0) { // a font too small to have an advance gets no leader
					int fy = base - font.GetAscent();
					detail::PaintRepeat(w, sCeilMultiple(cx, fw), cx + cw - fw, fw, fw,
					                    [&](int p) { w.DrawText(p, fy, &fc, font, Color(0, 0, 0), 1); });
				}
			}
			if(marks)
				m = RichTextImg::TabChar();
			if(!spaced) {
				spaced.Alloc(n);
				memcpy(spaced, s, n * sizeof(wchar));
			}
			spaced[k] = ' ';
		}
		if(!m.IsEmpty() && m.GetHeight() < mark_limit)
			w.DrawImage(Sat(cx + (cw - m.GetWidth()) / 2), base - m.GetHeight(), m, pi.codes_color);
		cx += cw;
	}

	int ty = f.sscript == SUPERSCRIPT ? base - sup_ascent
	       : f.sscript == SUBSCRIPT ? base + sup_descent - (font.GetAscent() + font.GetDescent())
	       : base - font.GetAscent();
	w.DrawText(x0, ty, spaced ? (const wchar*)spaced : s, font, ink, n, dx + i);
	if(link)
		w.Escape("url:");
}

void RichPara::Paint(PageDraw& pw, RichPageContext& rc, const RichPaintInfo& pi, const Bits& spelling,
                     bool base_level) const
{
	const Format& f = format;
	Zoom zoom = pi.zoom;
	auto z = [&](int64 v) { return ZoomLength(zoom, v); };
	RichPara::Lines pl = FormatLines(detail::PageWidth(rc.page), rc.number);
	pl.Justify(f);
	PagePos p0 = rc.py;
	int64 y = int64(rc.py.y) + f.ruler + f.before;
	PagePos lines_at(rc.py.page, Sat(y));
	if(pw.tracer)
		pw.tracer->ParagraphBegin(rc.page, PagePos(rc.py.page, Sat(y - f.before - f.ruler)), *this);

	bool highlight = pi.highlight_pos >= 0 && pi.highlight_pos < pl.len ? true
	               : pi.highlight_test ? pi.highlight_test(f.label) : false;

	Color text_ink = ThemeTextColor();
	if(f.ruler) // above the space before
		sPaintParaRuler(pw, rc, pi, f, y, text_ink);

	int zleft = z(rc.page.left);
	if(pi.sel_start < 0 && pi.sel_end > 0 && p0.page <= rc.py.page) // selected from before
		sSelectBefore(pw, rc, pi, p0, y);

	sParaMarks marks;
	Buffer<int> dx(max(pl.clen, 1));
	// a selection running on past a page's foot fills the rest of that page
	auto select_to_foot = [&](int i, int64 y) {
		if(pi.sel_start < pl.line[i].ppos && pl.line[i].ppos < pi.sel_end)
			sSelectArea(pi, pw.Page(rc.py.page), zleft, z(y), int64(z(rc.page.right)) - zleft, int64(z(rc.page.bottom)) - z(y));
	};
	auto paint_line = [&](int i, int64 y, int64 h) {
		const Line& ln = pl.line[i];
		if(rc.py > pi.window_bottom)
			return true;
		if(i == 0) {
			marks.reached = true;
			marks.first_at = rc.py;
			marks.first_ascent = ln.ascent;
		}
		if(rc.py.page < pi.window_top.page || (rc.py.page == pi.window_top.page && y + h < pi.window_top.y))
			return false;

		Draw& w = pw.Page(rc.py.page);
		int64 left = int64(rc.page.left) + ln.xpos;
		sDeviceWidths(dx, pl.width + ln.pos, ln.len, left, zoom);
		int zy = z(y);
		int zh = z(y + h) - zy;
		if(highlight)
			w.DrawRect(zleft, zy, z(int64(rc.page.right) - rc.page.left), zh, pi.highlight_color);

		sLineRuns runs = sPaintRuns(w, pi, pl, ln, dx, left, y, h, rc.page.right, highlight);

		if(i == 0 && f.bullet >= BULLET_ROUND && f.bullet <= BULLET_BOX_WHITE) {
			Color ink = part.GetCount() ? part[0].format.ink : f.ink;
			Color c = !pi.text_color.IsNull() ? pi.text_color : !ink.IsNull() ? PaintColor(ink, pi.dark_theme) : text_ink;
			sPaintBullet(w, f.bullet, int64(rc.page.left) + f.lm, y, ln.ascent, zoom, c,
			             PaintColor(Color(255, 255, 255), pi.dark_theme));
		}

		if(zoom.d && z(h) > 3 && pi.spelling_hook)
			sPaintSpelling(w, spelling, pl.pos + ln.pos, dx, ln.len, i == 0 ? pl.number_len : 0, z(left), z(y + h),
			               z(h) > 16);

		int64 sel_left, sel_right;
		if(sLineSelection(pi, ln, rc.page, runs, sel_left, sel_right))
			sSelectArea(pi, w, z(sel_left), zy, int64(z(sel_right)) - z(sel_left), zh);

		marks.painted = true;
		marks.last_page = rc.py.page;
		marks.last_x = runs.x;
		marks.last_base = y + ln.ascent;
		marks.last_ascent = ln.ascent;
		return false;
	};
	y = detail::WalkLines(rc, y, pl.GetCount(), f.orphan, [&](int i) { return int64(detail::LineHeight(pl.line[i])); },
	                      paint_line, select_to_foot);

	if(!pi.codes_color.IsNull())
		sPaintEndMarks(pw, rc, pi, f, marks, lines_at);

	if(pi.sel_start <= pl.len && pl.len < pi.sel_end && rc.py < pi.window_bottom)
		sSelectArea(pi, pw.Page(rc.py.page), zleft, z(y), int64(z(rc.page.right)) - zleft,
		        int64(z(min(y + f.after, int64(rc.page.bottom)))) - z(y));

	if(marks.reached && !pi.codes_color.IsNull() && pi.show_labels)
		sPaintLabelMarks(pw, pi, f, marks, base_level);

	// past the space after, as layout goes on
	detail::PassSpaceAfter(rc, y, f.after);
	if(pw.tracer)
		pw.tracer->ParagraphEnd(rc.py);
}

} // namespace Qel
