// Table painting: rows with their grid lines, cells with backgrounds, borders (square or round)
// and vertically aligned text, whole-cell selection; tables with frames drawn around what their
// rows covered on each page and header rows repeated on continuation pages.
#include <richtext/document/RichTable.h>
#include <richtext/layout/PageContext.h>
#include <richtext/paint/RichPaint.h>
#include <richtext/object/RichTextImg.h>
#include <richtext/base/detail/LayoutMath.h>
#include <richtext/paint/detail/PaintColor.h>

#include <math.h>

namespace Qel {

using detail::PaintColor;
using detail::Sat;
using detail::ZoomLength;

namespace {

// Only what has an inside: turned inside out, a rectangle would fill its surroundings.
void sFill(Draw& w, int64 x, int64 y, int64 cx, int64 cy, Color c)
{
	if(cx > 0 && cy > 0)
		w.DrawRect(Sat(x), Sat(y), Sat(cx), Sat(cy), c);
}

void sFillBetween(Draw& w, int64 x0, int64 y0, int64 x1, int64 y1, Color c)
{
	sFill(w, min(x0, x1), min(y0, y1), abs(x1 - x0), abs(y1 - y0), c);
}

const RichCell& sCell(const RichTable& t, int r, int c)
{
	static const RichCell none;
	return r < t.cell.GetCount() && c < t.cell[r].GetCount() ? t.cell[r][c] : none;
}

void sGrow(Rect& r, const Rect& by)
{
	r.left = min(r.left, by.left);
	r.top = min(r.top, by.top);
	r.right = max(r.right, by.right);
	r.bottom = max(r.bottom, by.bottom);
}

void sGrow(VectorMap<int, Rect>& bounds, int page, int left, int top, int right, int bottom)
{
	sGrow(bounds.GetAdd(page, Rect(INT_MAX, INT_MAX, INT_MIN, INT_MIN)), Rect(left, top, right, bottom));
}

// Positions taken past a part: they stay relative to the next one.
int sSub(int v, int64 d)
{
	return int(clamp<int64>(v - d, INT_MIN, INT_MAX));
}

void sSelect(const RichPaintInfo& pi, Draw& w, int64 x, int64 y, int64 cx, int64 cy)
{
	if(pi.selection_painter)
		pi.selection_painter(w, Sat(x), Sat(y), Sat(cx), Sat(cy));
}

// Points of a round corner's arc: enough for a smooth edge at any size, bounded so that margins
// read from stored text cannot ask for millions.
constexpr int ARC_MIN = 1000;
constexpr int ARC_MAX = 4095;

} // namespace

void PaintRoundCorner(Draw& w, int x, int y, int rx, int ry, int ix, int iy, Color c)
{
	if(rx == ix || ry == iy) { // no ring: what is left are two bars
		sFillBetween(w, x, int64(y) + iy, int64(x) + rx, int64(y) + ry, c);
		sFillBetween(w, int64(x) + ix, y, int64(x) + rx, int64(y) + ry, c);
		return;
	}
	int n = clamp(max(ry > ARC_MIN ? ry : ARC_MIN, rx), ARC_MIN, ARC_MAX);
	Vector<Point> p;
	p.SetCount(2 * n + 2);
	auto at = [](int o, int r, double f) { // truncated towards zero
		return int(clamp<double>(o + r * f, INT_MIN, INT_MAX));
	};
	for(int k = 0; k <= n; k++) {
		double a = k * (M_PI / 2) / n;
		double s = sin(a), co = cos(a);
		p[k] = Point(at(x, rx, s), at(y, ry, co));
		p[2 * n + 1 - k] = Point(at(x, ix, s), at(y, iy, co));
	}
	w.DrawPolygon(p, c);
}

void PaintCellBorder(Draw& w, const Rect& r, const Rect& b, const Rect& m, Color c, bool round)
{
	int64 lb = int64(b.left) + m.left, rb = int64(b.right) + m.right;
	int64 tb = int64(b.top) + m.top, bb = int64(b.bottom) + m.bottom;
	int64 width = int64(r.right) - r.left, height = int64(r.bottom) - r.top;
	if(!round || height - tb - bb < 1 || width - lb - rb < 1) {
		sFill(w, r.left, r.top, b.left, height, c);
		sFill(w, int64(r.right) - b.right, r.top, b.right, height, c);
		sFill(w, r.left, r.top, width, b.top, c);
		sFill(w, r.left, int64(r.bottom) - b.bottom, width, b.bottom, c);
		return;
	}
	PaintRoundCorner(w, Sat(r.left + lb), Sat(r.top + tb), Sat(-lb), Sat(-tb), -m.left, -m.top, c);
	PaintRoundCorner(w, Sat(r.right - rb), Sat(r.top + tb), Sat(rb), Sat(-tb), m.right, -m.top, c);
	PaintRoundCorner(w, Sat(r.left + lb), Sat(r.bottom - bb), Sat(-lb), Sat(bb), -m.left, m.bottom, c);
	PaintRoundCorner(w, Sat(r.right - rb), Sat(r.bottom - bb), Sat(rb), Sat(bb), m.right, m.bottom, c);
	sFill(w, r.left, r.top + tb, b.left, height - tb - bb, c);
	sFill(w, int64(r.right) - b.right, r.top + tb, b.right, height - tb - bb, c);
	sFill(w, r.left + lb, r.top, width - lb - rb, b.top, c);
	sFill(w, r.left + lb, int64(r.bottom) - b.bottom, width - lb - rb, b.bottom, c);
}

void RichCell::PaintFrame(Draw& w, int left, int right, int top, int bottom, const Rect& b, const Rect& m,
                          const RichPaintInfo& pi) const
{
	sFillBetween(w, int64(left) + b.left, int64(top) + b.top, int64(right) - b.right, int64(bottom) - b.bottom,
	             PaintColor(format.color, pi.dark_theme));
	Color c = !pi.text_color.IsNull() ? pi.text_color
	        : !format.border_color.IsNull() ? PaintColor(format.border_color, pi.dark_theme) : ThemeTextColor();
	PaintCellBorder(w, Rect(left, top, right, bottom), b, m, c, format.round);
}

PagePos RichCell::GetTextTop(const RichPageContext& ctx, PagePos end) const
{
	const Rect& b = format.border;
	const Rect& m = format.margin;
	int64 y = int64(ctx.py.y) + m.top + b.top;
	if(ctx.py.page == end.page) {
		PagePos te = text.GetEnd(ctx);
		if(te.page == ctx.py.page) { // text that breaks a page has no room to move in
			int64 free = int64(end.y) - (int64(m.top) + te.y + b.top + m.bottom + b.bottom);
			if(format.valign == 2)
				y += free;
			else if(format.valign == 3)
				y += free / 2;
		}
	}
	return PagePos(ctx.py.page, Sat(y));
}

void RichCell::Paint(PageDraw& pw, RichPageContext& ctx, PagePos end, const Rect& xpg, const Rect& nxpg,
                     int y, int ny, const RichPaintInfo& pi, bool selected) const
{
	const Rect& b = format.border;
	const Rect& m = format.margin;
	int64 left = int64(ctx.page.left) + b.left + m.left;
	int64 top = int64(ctx.page.top) + b.top + m.top;
	int64 right = int64(ctx.page.right) - (int64(b.right) + m.right);
	int64 bottom = int64(ctx.page.bottom) - (int64(b.bottom) + m.bottom);
	if(left >= right || top >= bottom)
		return;
	ctx.page = Rect(Sat(left), Sat(top), Sat(right), Sat(bottom));

	// a thin border or margin keeps a pixel at any zoom
	auto dz = [&](int v) { return v == 0 ? 0 : max(1, ZoomLength(pi.zoom, v)); };
	Rect db(dz(b.left), dz(b.top), dz(b.right), dz(b.bottom));
	Rect dm(dz(m.left), dz(m.top), dz(m.right), dz(m.bottom));
	int first = ctx.py.page;
	if(first == end.page)
		PaintFrame(pw.Page(end.page), xpg.left, xpg.right, y, ny, db, dm, pi);
	else {
		PaintFrame(pw.Page(first), xpg.left, xpg.right, y, xpg.bottom, db, dm, pi);
		for(int p = first + 1; p < end.page; p++)
			PaintFrame(pw.Page(p), nxpg.left, nxpg.right, nxpg.top, nxpg.bottom, db, dm, pi);
		PaintFrame(pw.Page(end.page), nxpg.left, nxpg.right, nxpg.top, ny, db, dm, pi);
	}

	ctx.py = GetTextTop(ctx, end);
	text.Paint(pw, ctx, pi);

	if(selected) {
		int64 w = int64(xpg.right) - xpg.left;
		if(first == end.page)
			sSelect(pi, pw.Page(first), xpg.left, y, w, int64(ny) - y);
		else {
			sSelect(pi, pw.Page(first), xpg.left, y, w, int64(xpg.bottom) - y);
			for(int p = first + 1; p < end.page; p++)
				sSelect(pi, pw.Page(p), nxpg.left, nxpg.top, w, int64(nxpg.bottom) - nxpg.top);
			sSelect(pi, pw.Page(end.page), nxpg.left, nxpg.top, w, int64(ny) - nxpg.top);
		}
	}
}

bool RichTable::PaintRow(PageDraw& pw, const RichPageContext& rc, const RichTableLayout& layout, bool header_mode,
                         int row, int row_count, Rect& pg, const Rect& npg, VectorMap<int, Rect>& bounds,
                         RichPaintInfo& pi, int page_offset, bool cells_selectable) const
{
	const Layouts& lc = current;
	const TableRowLayout& pr = layout.row[row];
	int P = pr.top.page + page_offset;
	if(pw.tracer)
		pw.tracer->RowBegin(P == lc.start.page ? lc.first_page : lc.next_page, rc.py, row, *this);
	auto z = [&](int64 v) { return ZoomLength(pi.zoom, v); };

	int   gw = 0;  // the grid pen and its half left of the line's centre
	int   h = 0;
	Color gc = format.grid_color;
	if(format.grid_width == 0) {
		if(!pi.codes_color.IsNull()) {
			gw = 1;
			gc = pi.codes_color;
		}
	}
	else {
		gw = max(1, z(format.grid_width));
		h = gw - gw / 2;
	}

	if(P != lc.start.page)
		pg = npg;
	int cols = layout.columns;
	const TableCellLayout* rec = layout[row];
	for(int c = 0; c < cols;) {
		const RichCell& x = sCell(*this, row, c);
		int hs = clamp(x.hspan, 0, cols - 1 - c);
		if(rec[c].origin) {
			int last = int(min<int64>(int64(row) + max(x.vspan, 0), row_count - 1));
			PagePos e = layout.row[last].bottom;
			int  pe = e.page + page_offset;
			bool visible = pe > pi.window_top.page || (pe == pi.window_top.page && e.y > pi.window_top.y);
			int64 x0 = z(rec[c].left);
			int64 x1 = z(rec[c].right);
			int64 y0 = z(pr.grid_top.y);
			int64 y1 = z(e.y);
			if(c > 0) {
				x0 -= h;
				if(gw) {
					if(P == pe)
						pw.Page(P).DrawRect(Sat(x0), Sat(y0), gw, Sat(y1 - y0), gc);
					else {
						pw.Page(P).DrawRect(Sat(x0), Sat(y0), gw, Sat(pg.bottom - y0), gc);
						for(int p = P + 1; p < pe; p++)
							pw.Page(p).DrawRect(Sat(x0), npg.top, gw, Sat(int64(npg.bottom) - npg.top), gc);
						pw.Page(pe).DrawRect(Sat(x0), npg.top, gw, Sat(y1 - npg.top), gc);
					}
				}
				x0 += gw;
			}
			if(c + hs < cols - 1)
				x1 = z(rec[c].right) - h;
			if(!pr.first_on_page) {
				if(visible && gw)
					pw.Page(P).DrawRect(Sat(x0), Sat(y0), Sat(x1 - x0), gw, gc);
				y0 += gw;
			}
			PagePos end(pe, e.y);
			if(visible) {
				PageBounds b = Bounds(P, header_mode);
				RichPageContext cc;
				cc.text = rc.text;
				cc.styles = rc.styles;
				cc.header = rc.header;
				cc.footer = rc.footer;
				cc.page = Rect(rec[c].inner_left, Sat(b.top), rec[c].inner_right, Sat(b.bottom));
				cc.header_wanted = Sat(b.adj_top);
				cc.footer_wanted = Sat(b.adj_bottom);
				cc.py = PagePos(P, pr.top.y);
				cc.header_tables = CellHeaderTables(rc);
				const Rect& s = pi.cell_sel;
				bool selected = cells_selectable && s.left <= c && s.top <= row && c + hs <= s.right && last <= s.bottom;
				if(pw.tracer)
					pw.tracer->CellBegin(cc.page, cc.py, row, c, *this, end);
				x.Paint(pw, cc, end, Rect(Sat(x0), pg.top, Sat(x1), pg.bottom), Rect(Sat(x0), npg.top, Sat(x1), npg.bottom),
				        Sat(y0), Sat(y1), pi, selected);
				if(pw.tracer)
					pw.tracer->CellEnd(end);
			}
			if(P == pe)
				sGrow(bounds, P, Sat(x0), Sat(y0), Sat(x1), Sat(y1));
			else {
				sGrow(bounds, P, Sat(x0), Sat(y0), Sat(x1), pg.bottom);
				for(int p = P + 1; p < pe; p++)
					sGrow(bounds, p, Sat(x0), npg.top, Sat(x1), npg.bottom);
				sGrow(bounds, pe, Sat(x0), npg.top, Sat(x1), Sat(y1));
			}
			int64 len = int64(x.text.GetLength()) + 1;
			pi.sel_start = sSub(pi.sel_start, len);
			pi.sel_end = sSub(pi.sel_end, len);
			pi.table_sel = sSub(pi.table_sel, x.text.GetTableCount());
		}
		c += hs + 1;
	}
	if(pw.tracer)
		pw.tracer->RowEnd(rc.py);
	return rc.py >= pi.window_bottom;
}

void RichTable::Paint(PageDraw& pw, RichPageContext& rc, const RichPaintInfo& pi, bool base_level) const
{
	if(pw.tracer)
		pw.tracer->TableBegin(rc.page, rc.py, *this);
	const RichTableLayout& tab = Realize(rc);
	const Layouts& lc = current;
	auto z = [&](int64 v) { return ZoomLength(pi.zoom, v); };
	int f = format.frame_width == 0 ? 0 : max(1, z(format.frame_width));
	int g = format.grid_width == 0 ? 0 : max(1, z(format.grid_width));
	int rows = tab.GetRows();
	int hrows = min(HeaderRows(rc), rows);

	int64 x0 = z(int64(lc.first_page.left) + format.left_margin);
	int64 x1 = z(int64(lc.first_page.right) - format.right_margin);
	int64 top = z(lc.first_page.top) + int64(f);
	int64 bottom = z(lc.first_page.bottom) - int64(f);
	int64 header_bottom = 0;
	int64 body_top = top;
	bool  header = lc.has_header && lc.header_layout.GetRows() > 0;
	if(header) {
		header_bottom = z(lc.header_layout.row[lc.header_layout.GetRows() - 1].bottom.y);
		body_top = header_bottom + g;
	}
	Rect npg(Sat(z(int64(lc.next_page.left) + format.left_margin) + int64(f)),
	         Sat(z(lc.next_page.top) + int64(f)),
	         Sat(z(int64(lc.next_page.right) - format.right_margin) - int64(f)),
	         Sat(z(lc.next_page.bottom) - int64(f)));

	RichPaintInfo tpi = pi;
	bool selected = false; // the selection runs into the table from before it
	if(pi.sel_start < 0 && pi.sel_end >= 0) {
		tpi.sel_start = 0;
		selected = true;
	}

	if(rows && format.new_header_footer && base_level) {
		Image m = RichTextImg::HdrFtr();
		pw.Page(tab.row[0].top.page).DrawImage(-7 - m.GetWidth(), z(tab.row[0].top.y), m, pi.codes_color);
	}

	x0 += f;
	x1 -= f;
	VectorMap<int, Rect> bounds;
	Rect pg(Sat(x0), Sat(body_top), Sat(x1), Sat(bottom));
	// Read once: the tables nested in earlier cells count it on, and would move the selection
	// to or from this table's later rows.
	bool cells = tpi.table_sel == 0;
	for(int r = 0; r < rows; r++)
		if(PaintRow(pw, rc, tab, false, r, rows, pg, npg, bounds, tpi, 0, cells))
			break;

	Color fc = !format.frame_color.IsNull() ? PaintColor(format.frame_color, pi.dark_theme) : ThemeTextColor();
	if(!pi.text_color.IsNull())
		fc = pi.text_color;
	if(!pi.codes_color.IsNull()) {
		if(f == 0)
			fc = pi.codes_color;
		f = max(f, 1);
		g = max(g, 1);
	}
	// Only the pages the body rows reached: what the header rows repeated on a page draw counts
	// for that page alone, so they can never add pages to this walk.
	int body_pages = bounds.GetCount();
	for(int i = 0; i < body_pages; i++) {
		int p = bounds.GetKey(i);
		if(p > lc.start.page && header && hrows > 0) {
			RichPaintInfo hpi = tpi;
			hpi.sel_start = hpi.sel_end = -1;
			hpi.table_sel = 0;
			Rect hpg(Sat(x0), Sat(top), Sat(x1), Sat(header_bottom));
			VectorMap<int, Rect> drawn;
			for(int k = 0; k < hrows; k++) {
				Rect kpg = hpg;
				PaintRow(pw, rc, lc.header_layout, true, k, hrows, kpg, hpg, drawn, hpi, p, false);
			}
			Rect& r = bounds[i];
			int at = drawn.Find(p);
			if(at >= 0)
				sGrow(r, drawn[at]);
			pw.Page(p).DrawRect(r.left, Sat(header_bottom), Sat(int64(r.right) - r.left), g, format.grid_color);
		}
		const Rect& r = bounds[i];
		int64 l = int64(r.left) - f, t = int64(r.top) - f, rt = int64(r.right) + f, b = int64(r.bottom) + f;
		if(l < rt && t < b) {
			if(f)
				DrawFatFrame(pw.Page(p), Rect(Sat(l), Sat(t), Sat(rt), Sat(b)), fc, f);
			if(selected)
				sSelect(pi, pw.Page(p), l, t, rt - l, b - t);
		}
	}
	if(pw.tracer)
		pw.tracer->TableEnd(rc.py);
}

} // namespace Qel
