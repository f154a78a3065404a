// Table layout: column bands, rows stacked down the pages with grid lines between them, rows
// moved to the next page when their cells cannot start (or, kept, cannot end) where they are,
// header rows repeated on continuation pages; and the width a table needs.
#include <richtext/document/RichTable.h>
#include <richtext/layout/PageContext.h>
#include <richtext/base/detail/LayoutMath.h>

namespace Qel {

using detail::ClipInt;
using detail::Sat;

namespace {

constexpr int   OLDER_LAYOUTS = 16;       // layouts kept for other geometries
constexpr int64 OLDER_CELLS   = 1 << 16;  // cell records they may hold together

// a * b / c, rounded up when up is set, without overflow (c > 0); far outside any page when
// that does not fit.
int64 sMulDiv(int64 a, int64 b, int64 c, bool up = false)
{
	__int128 p = __int128(a) * b;
	__int128 q = (up ? p + c - 1 : p) / c;
	return int64(q > (int64(1) << 40) ? int64(1) << 40 : q < -(int64(1) << 40) ? -(int64(1) << 40) : q);
}

const RichCell& sNoCell()
{
	static const RichCell c;
	return c;
}

void sShift(RichTableLayout& l, int d)
{
	if(d == 0)
		return;
	for(TableRowLayout& r : l.row) {
		r.grid_top.page += d;
		r.top.page += d;
		r.bottom.page += d;
	}
	for(TableCellLayout& c : l.cell)
		c.end.page += d;
	l.end.page += d;
}

// The area of a cell's text between the page bounds; false when it is empty.
bool sTextRect(const TableCellLayout& cl, const RichCell& x, int64 top, int64 bottom, Rect& r)
{
	const Rect& b = x.format.border;
	const Rect& m = x.format.margin;
	int64 left = int64(cl.inner_left) + m.left + b.left;
	int64 right = int64(cl.inner_right) - (int64(m.right) + b.right);
	int64 t = top + b.top + m.top;
	int64 btm = bottom - (int64(b.bottom) + m.bottom);
	r = Rect(ClipInt(left), ClipInt(t), ClipInt(right), ClipInt(btm));
	return left < right && t < btm;
}

} // namespace

int RichTable::HeaderRows(const RichPageContext& rc) const
{
	return rc.header_tables < MAX_HEADER_TABLES ? clamp(format.header_rows, 0, GetRows()) : 0;
}

int RichTable::CellHeaderTables(const RichPageContext& rc) const
{
	return rc.header_tables + (HeaderRows(rc) > 0);
}

RichTable::PageBounds RichTable::Bounds(int p, bool header_mode) const
{
	const Layouts& c = current;
	if(header_mode)
		return {c.header_area.top, c.header_area.bottom, 0, 0};
	if(p == c.start.page)
		return {c.first_page.top, c.first_page.bottom, int64(c.next_page.top) - c.first_page.top,
		        int64(c.first_page.bottom) - c.next_page.bottom};
	return {c.next_page.top, c.next_page.bottom, 0, 0};
}

RichTableLayout RichTable::LayoutRows(PagePos start, RichPageContext ctx, int n, bool header_mode) const
{
	int cols = GetColumns();
	n = clamp(n, 0, GetRows());
	RichTableLayout l;
	l.columns = cols;
	l.row.SetCount(n);
	l.cell.SetCount(int(min<int64>(int64(n) * cols, INT_MAX)));

	// Column bands from the shares; shares adding up to nothing give equal bands.
	Buffer<int> band(cols + 1);
	int64 total = 0;
	for(int w : format.column_widths)
		total += max(w, 0);
	int64 width = int64(ctx.page.right) - ctx.page.left;
	band[0] = Sat(ctx.page.left);
	int64 s = 0;
	for(int i = 0; i < cols; i++) {
		s += total > 0 ? max(format.column_widths[i], 0) : 1;
		band[i + 1] = Sat(ctx.page.left + sMulDiv(s, width, total > 0 ? total : cols));
	}

	auto cell_at = [&](int r, int c) -> const RichCell& {
		return c < cell[r].GetCount() ? cell[r][c] : sNoCell();
	};
	auto span = [&](const RichCell& x, int c) { return clamp(x.hspan, 0, cols - 1 - c); };
	auto context = [&](const Rect& r, const PageBounds& b, int page, int64 y) {
		RichPageContext cc;
		cc.text = ctx.text;
		cc.styles = ctx.styles;
		cc.header = ctx.header;
		cc.footer = ctx.footer;
		cc.page = r;
		cc.header_wanted = Sat(b.adj_top);
		cc.footer_wanted = Sat(b.adj_bottom);
		cc.py = PagePos(page, Sat(y));
		cc.header_tables = CellHeaderTables(ctx);
		return cc;
	};

	int64 g = format.grid_width;
	int64 half = g / 2;
	int   page = start.page;
	int64 y = int64(start.y) + format.frame_width;
	l.end = PagePos(page, Sat(y));
	for(int r = 0; r < n; r++) {
		TableRowLayout& row = l.row[r];
		TableCellLayout* rec = l[r];
		row.first_on_page = r == 0;
		row.grid_top = PagePos(page, Sat(y));
		if(r)
			y += g;

		bool kept = format.keep || r < format.header_rows;
		bool all_origin = true;
		for(int c = 0; c < cols;) {
			const RichCell& x = cell_at(r, c);
			int hs = span(x, c);
			TableCellLayout& cl = rec[c];
			if(cl.origin) {
				cl.left = band[c];
				cl.right = band[c + hs + 1];
				cl.inner_left = Sat(cl.left + (c > 0 ? half : 0));
				cl.inner_right = Sat(cl.right - (c + hs < cols - 1 ? g - half : 0));
				cl.span_end = false;
				int last = int(min<int64>(int64(r) + max(x.vspan, 0), n - 1));
				for(int rr = r + 1; rr <= last; rr++) {
					l[rr][c].origin = false;
					l[rr][c].span_end = false;
				}
				l[last][c].span_end = true;
				kept = kept || x.format.keep;
			}
			else
				all_origin = false;
			c += hs + 1;
		}

		// A row that goes on with cells from above stays with them; any other moves to the
		// next page when a cell's first line cannot start here, or a kept cell cannot end.
		if(all_origin) {
			PageBounds b = Bounds(page, header_mode);
			bool move = false;
			for(int c = 0; c < cols && !move;) {
				const RichCell& x = cell_at(r, c);
				int hs = span(x, c);
				const Rect& bd = x.format.border;
				const Rect& m = x.format.margin;
				int64 at = y + bd.top + m.top;
				Rect tr;
				if(sTextRect(rec[c], x, b.top, b.bottom, tr)) {
					RichPageContext cc = context(tr, b, page, at);
					move = x.text.GetTop(cc).page != page;
					if(kept && !move)
						move = x.text.GetEnd(context(tr, b, page, at)).page != page;
				}
				else if(kept)
					move = at + bd.bottom + m.bottom + 80 >= b.bottom;
				c += hs + 1;
			}
			if(move) {
				page++;
				y = header_mode ? current.header_area.top : current.next_page.top;
				row.grid_top = PagePos(page, Sat(y));
				row.first_on_page = true;
			}
		}
		row.top = PagePos(page, Sat(y));

		PageBounds b = Bounds(page, header_mode);
		for(int c = 0; c < cols;) {
			const RichCell& x = cell_at(r, c);
			int hs = span(x, c);
			if(rec[c].origin) {
				const Rect& bd = x.format.border;
				const Rect& m = x.format.margin;
				int64 at = y + bd.top + m.top;
				int64 insets = at - y + bd.bottom + m.bottom;
				PagePos end;
				Rect tr;
				if(sTextRect(rec[c], x, b.top, b.bottom, tr)) {
					PagePos e = x.text.GetEnd(context(tr, b, page, at));
					int64 bottom = int64(e.y) + bd.bottom + m.bottom;
					int64 need = y + insets + x.format.min_height;
					end = PagePos(e.page, Sat(bottom));
					if(e.page == page && need <= tr.bottom && need > bottom)
						end.y = Sat(need);
				}
				else if(y + insets + 80 < b.bottom) // no room for text: a sliver of a cell
					end = PagePos(page, Sat(y + insets + 80));
				else
					end = PagePos(page + 1, Sat(b.top + b.adj_top + 80));
				l[int(min<int64>(int64(r) + max(x.vspan, 0), n - 1))][c].end = end;
			}
			c += hs + 1;
		}

		PagePos bottom(page, Sat(y));
		for(int c = 0; c < cols; c += span(cell_at(r, c), c) + 1)
			if(rec[c].span_end)
				bottom = max(bottom, rec[c].end);
		row.bottom = bottom;
		l.end = bottom;
		page = bottom.page;
		y = bottom.y;
	}
	return l;
}

void RichTable::Remember() const
{
	if(current.start.page < 0)
		return;
	older.Insert(0, new Layouts(std::move(current)));
	current = Layouts();
	int64 cells = 0;
	int i = 0;
	for(; i < older.GetCount() && i < OLDER_LAYOUTS; i++) {
		cells += older[i].layout.cell.GetCount() + older[i].header_layout.cell.GetCount();
		if(i && cells > OLDER_CELLS)
			break;
	}
	older.Trim(i);
}

void RichTable::MakeLayout(const RichPageContext& rc, const Rect& first, const Rect& next) const
{
	int rows = GetRows();
	int cols = GetColumns();
	// past the bound every count lays the table out alike
	int header_tables = min(rc.header_tables, MAX_HEADER_TABLES);
	auto same = [&](const Layouts& c) {
		return c.start.page >= 0 && c.start.y == rc.py.y && c.first_page == first && c.next_key == next &&
		       c.rows == rows && c.columns == cols && c.header_tables == header_tables;
	};
	// Laid out from the same place on an earlier or later page, the table lies the same way.
	auto take = [&] {
		sShift(current.layout, rc.py.page - current.start.page);
		current.start.page = rc.py.page;
	};
	if(same(current)) {
		take();
		return;
	}
	for(int i = 0; i < older.GetCount(); i++)
		if(same(older[i])) {
			Layouts* o = older.Detach(i);
			Remember();
			current = std::move(*o);
			delete o;
			take();
			return;
		}

	// Made whole again: a stale record (marked by its start page alone) would lend its header
	// and areas to a layout that no longer has them.
	Remember();
	current = Layouts();
	Layouts& c = current;
	c.start = rc.py;
	c.rows = rows;
	c.columns = cols;
	c.header_tables = header_tables;
	c.first_page = first;
	c.next_key = c.next_page = c.header_area = next;

	auto context = [&](PagePos at) {
		RichPageContext x = rc;
		if(at.page == rc.py.page) { // a page break inside a cell lands in the continuation area
			x.page = c.first_page;
			x.header_wanted = Sat(int64(c.next_page.top) - c.first_page.top);
			x.footer_wanted = Sat(int64(c.first_page.bottom) - c.next_page.bottom);
		}
		else {
			x.page = c.next_page;
			x.header_wanted = x.footer_wanted = 0;
		}
		x.header_current = x.footer_current = 0;
		x.py = at;
		return x;
	};

	int64 y = int64(rc.py.y) + format.before;
	PagePos start(rc.py.page, Sat(y));
	if(y > first.bottom)
		start = PagePos(rc.py.page + 1, Sat(next.top));

	int h = HeaderRows(rc);
	if(h > 0) {
		RichPageContext hc = rc;
		hc.page = next;
		hc.header_wanted = hc.footer_wanted = hc.header_current = hc.footer_current = 0;
		hc.py = PagePos(0, Sat(next.top));
		c.header_layout = LayoutRows(hc.py, hc, h, true);
		const RichTableLayout& hl = c.header_layout;
		if(hl.row[0].top.page == hl.row[h - 1].bottom.page) { // a header taller than a page is not repeated
			// Header rows never stand alone at the foot of the start page: the first body row
			// decides, and the rows after it do not.
			if(h < rows && LayoutRows(start, context(start), h + 1, false).row[h].top.page != start.page)
				start = PagePos(start.page + 1, Sat(next.top));
			c.has_header = true;
			c.header_area.bottom = hl.row[h - 1].bottom.y;
			c.next_page.top = ClipInt(int64(c.header_area.bottom) + format.grid_width);
		}
	}
	c.layout = LayoutRows(start, context(start), rows, false);
	if(format.keep && rows && c.layout.row[0].top.page != c.layout.row[rows - 1].bottom.page) {
		PagePos again(start.page + 1, Sat(c.next_page.top));
		c.layout = LayoutRows(again, context(again), rows, false);
	}
}

const RichTableLayout& RichTable::Realize(RichPageContext rc) const
{
	Rect first = rc.page;
	Rect next = first;
	next.top = ClipInt(int64(next.top) + rc.header_wanted - rc.header_current);
	next.bottom = ClipInt(int64(next.bottom) + rc.footer_current - rc.footer_wanted);
	int64 f = format.frame_width;
	int64 left = int64(first.left) + format.left_margin + f;
	int64 right = int64(first.right) - (int64(format.right_margin) + f);
	if(left < right && first.top + f < first.bottom - f) {
		first = Rect(ClipInt(left), ClipInt(first.top + f), ClipInt(right), ClipInt(first.bottom - f));
		next.left = first.left;
		next.right = first.right;
		if(next.top + f < next.bottom - f) {
			next.top = ClipInt(next.top + f);
			next.bottom = ClipInt(next.bottom - f);
		}
	}
	MakeLayout(rc, first, next);
	return current.layout;
}

int RichTable::GetWidth(const ArrayMap<Uuid, RichStyle>& s) const
{
	int cols = GetColumns();
	int64 frame = int64(format.left_margin) + format.right_margin;
	if(cols == 0)
		return Sat(format.grid_width + frame);
	Vector<int64> need;
	need.SetCount(cols, 0);
	for(const Array<RichCell>& row : cell)
		for(int c = 0; c < min(cols, row.GetCount()); c++) {
			const RichCell& x = row[c];
			const Rect& b = x.format.border;
			const Rect& m = x.format.margin;
			int64 w = int64(x.text.GetWidth(s)) + b.left + b.right + m.left + m.right;
			need[c] = max(need[c], w);
		}
	int64 total = 0;
	for(int w : format.column_widths)
		total += max(w, 0);
	int64 t = 0;
	for(int c = 0; c < cols; c++) {
		int64 share = total > 0 ? max(format.column_widths[c], 0) : 1;
		if(share > 0) // a column of no width gets no room, whatever it holds
			t = max(t, sMulDiv(need[c], total > 0 ? total : cols, share, true));
	}
	return Sat((int64(cols) + 1) * format.grid_width + frame + t);
}

} // namespace Qel
