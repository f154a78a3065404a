// Position queries over part lists and tables: the caret of a position and the position under a
// point walk the layout as painting does and hand over to the paragraph or cell that holds
// them; the position descriptor walks the parts without layout.
#include <richtext/document/RichTable.h>
#include <richtext/layout/PageContext.h>
#include <richtext/paint/RichPaint.h>
#include <richtext/position/RichPos.h>
#include <richtext/base/detail/LayoutMath.h>
#include <richtext/layout/detail/PageMarks.h>

namespace Qel {

using detail::Sat;

namespace {

const ArrayMap<Uuid, RichStyle>& sStyles(const RichPageContext& rc)
{
	static const ArrayMap<Uuid, RichStyle> none;
	return rc.styles ? *rc.styles : none;
}

} // namespace

RichCaret RichTxt::GetCaret(int pos, RichPageContext& rc) const
{
	rc.number = RichPara::Number();
	return CaretFrom(pos, rc, detail::PageTally(), nullptr);
}

RichCaret RichTxt::CaretFrom(int pos, RichPageContext& rc, detail::PageTally w, detail::PageMarks* marks) const
{
	int64 at = clamp(pos, 0, GetLength());
	RichPageContext begin;
	while(w.part < part.GetCount()) {
		int  i = w.part;
		bool table = summary[i].table;
		int  len = table ? part[i].Get<RichTable>().GetLength() : summary[i].length;
		if(marks)
			marks->Note(w, rc);
		Advance(i, rc, begin);
		int64 in = at - w.offset;
		if(in <= len) {
			if(table)
				return part[i].Get<RichTable>().GetCaret(int(in), begin);
			RichPageContext pc = begin;
			RichCaret c = Get(i, sStyles(rc), true).GetCaret(int(in), pc);
			c.text_page = begin.page;
			return c;
		}
		Tally(w);
	}
	return RichCaret();
}

int RichTxt::GetPos(int x, PagePos p, RichPageContext& rc) const
{
	rc.number = RichPara::Number();
	if(part.IsEmpty())
		return 0;
	return PosFrom(x, p, rc, detail::PageTally(), nullptr);
}

int RichTxt::PosFrom(int x, PagePos p, RichPageContext& rc, detail::PageTally w, detail::PageMarks* marks) const
{
	RichPageContext begin;
	while(w.part < part.GetCount()) {
		int  i = w.part;
		bool table = summary[i].table;
		if(marks)
			marks->Note(w, rc);
		Advance(i, rc, begin);
		if(p < rc.py) {
			int in = table ? part[i].Get<RichTable>().GetPos(x, p, begin)
			               : Get(i, sStyles(rc), true).GetPos(x, p, begin);
			return int(min<int64>(w.offset + in, GetLength()));
		}
		Tally(w);
	}
	return int(clamp<int64>(w.offset - 1, 0, GetLength()));
}

void RichTxt::GetRichPos(int pos, RichPos& out, int tables_before, int max_level,
                         const ArrayMap<Uuid, RichStyle>& s) const
{
	RichPosFrom(pos, out, tables_before, max_level, s, detail::PageTally());
}

void RichTxt::RichPosFrom(int pos, RichPos& out, int tables_before, int max_level,
                          const ArrayMap<Uuid, RichStyle>& s, const detail::PageTally& w) const
{
	int n = part.GetCount();
	auto no_para = [&](int index) {
		out.para_index = out.para_parts = index;
		out.pos_in_para = out.para_length = 0;
	};
	if(n == 0) {
		no_para(0);
		return;
	}
	int start = pos;
	int before = int(tables_before + w.tables);
	int i = w.part;
	int len = 0;
	pos = int(pos - w.offset);
	for(; i < n; i++) {
		bool table = summary[i].table;
		len = table ? part[i].Get<RichTable>().GetLength() : summary[i].length;
		if(pos <= len)
			break;
		pos -= len + 1;
		if(table)
			before += part[i].Get<RichTable>().GetTableCount() + 1;
	}
	if(i == n) {
		no_para(n);
		return;
	}
	if(part[i].Is<Para>()) {
		out.pos_in_para = pos;
		out.para_index = i;
		out.para_parts = n;
		out.para_length = len;
		Get(i, s, true).GetRichPos(out, pos);
		return;
	}
	const RichTable& t = part[i].Get<RichTable>();
	out.level++;
	out.table_index = i;
	out.table_text_parts = n;
	out.table_text_length = GetLength();
	out.table_start = start - pos;
	out.pos_in_table = pos;
	out.columns = t.GetColumns();
	out.rows = t.GetRows();
	out.table_length = t.GetLength();
	out.tables_before = tables_before;
	out.table = before + 1;
	Point c = t.FindCell(pos);
	if(c.x < 0) { // a table without cells holds no paragraph
		out.cell_column = out.cell_row = out.cell_length = out.pos_in_cell = 0;
		no_para(0);
		return;
	}
	const RichTxt& text = t.cell[c.y][c.x].text;
	out.cell_column = c.x;
	out.cell_row = c.y;
	out.cell_length = text.GetLength();
	out.pos_in_cell = pos;
	if(out.level >= max_level)
		return;
	text.GetRichPos(pos, out, out.table + t.GetTableCountBefore(c.y, c.x), max_level, s);
}

Point RichTable::FindCell(int& pos) const
{
	Point found(-1, -1);
	ForEachOrigin(*this, [&](int r, int c, const RichCell& x) {
		if(found.x >= 0)
			return;
		int len = x.text.GetLength();
		if(pos <= len)
			found = Point(c, r);
		else
			pos -= len + 1;
	});
	return found;
}

bool RichTable::CellContext(const RichPageContext& rc, const RichTableLayout& l, int row, int column,
                            RichPageContext& cc) const
{
	if(row >= l.GetRows() || column >= l.columns || column >= cell[row].GetCount())
		return false;
	const RichCell& x = cell[row][column];
	const TableRowLayout& pr = l.row[row];
	const TableCellLayout& rec = l[row][column];
	PagePos end = l.row[int(min<int64>(int64(row) + max(x.vspan, 0), l.GetRows() - 1))].bottom;
	const Rect& bd = x.format.border;
	const Rect& m = x.format.margin;
	PageBounds b = Bounds(pr.top.page, false);
	int64 left = int64(rec.inner_left) + bd.left + m.left;
	int64 right = int64(rec.inner_right) - (int64(bd.right) + m.right);
	int64 top = b.top + bd.top + m.top;
	int64 bottom = b.bottom - (int64(bd.bottom) + m.bottom);
	if(left >= right || top >= bottom) // no room for text: the cell is not painted either
		return false;
	cc = RichPageContext();
	cc.text = rc.text;
	cc.styles = rc.styles;
	cc.header = rc.header;
	cc.footer = rc.footer;
	cc.page = Rect(Sat(left), Sat(top), Sat(right), Sat(bottom));
	cc.header_wanted = Sat(b.adj_top);
	cc.footer_wanted = Sat(b.adj_bottom);
	cc.header_tables = CellHeaderTables(rc);
	cc.py = pr.top;
	cc.py = x.GetTextTop(cc, end);
	return true;
}

RichCaret RichTable::GetCaret(int pos, RichPageContext& rc) const
{
	const RichTableLayout& l = Realize(rc);
	if(GetRows() == 0 || GetColumns() == 0)
		return RichCaret();
	Point c = FindCell(pos);
	RichPageContext cc;
	if(c.x < 0 || !CellContext(rc, l, c.y, c.x, cc))
		return RichCaret();
	return cell[c.y][c.x].text.GetCaret(pos, cc);
}

int RichTable::GetPos(int x, PagePos p, RichPageContext& rc) const
{
	const RichTableLayout& l = Realize(rc);
	int rows = l.GetRows();
	int cols = GetColumns();
	if(rows == 0 || cols == 0 || l.columns != cols) // no cells: the table's start
		return 0;
	const SpanEntry* sp = Spans();
	int64 offset = 0;
	for(int r = 0; r < rows; r++) {
		const TableCellLayout* rec = l[r];
		for(int c = 0; c < min(cols, cell[r].GetCount()); c++) {
			if(!sp[r * cols + c].origin)
				continue;
			const RichCell& x0 = cell[r][c];
			int hs = clamp(x0.hspan, 0, cols - 1 - c);
			PagePos e = l.row[int(min<int64>(int64(r) + max(x0.vspan, 0), rows - 1))].bottom;
			// the first and last columns reach out to whatever lies left and right of the table
			if(p < e && (c == 0 || int64(x) >= int64(rec[c].inner_left) - format.grid_width) &&
			   (c + hs >= cols - 1 || x < rec[c].inner_right)) {
				RichPageContext cc;
				int in = CellContext(rc, l, r, c, cc) ? x0.text.GetPos(x, p, cc) : 0;
				return int(min<int64>(offset + in, GetLength()));
			}
			offset += int64(x0.text.GetLength()) + 1;
		}
	}
	return int(max<int64>(offset - 1, 0));
}

} // namespace Qel
