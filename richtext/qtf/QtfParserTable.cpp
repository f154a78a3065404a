// The QTF reader's tables: "{{" tables filled cell by cell, grid tables ("++") written as rows
// of relative widths, and cell formats.
#include <richtext/qtf/Qtf.h>
#include <richtext/qtf/detail/QtfParser.h>

#include <algorithm>

namespace Qel::detail {

RichQtfParser::Table& RichQtfParser::TableTop()
{
	if(table.IsEmpty())
		Error("Not in table");
	return table.Top();
}

RichQtfParser::Table& RichQtfParser::Spare()
{
	if(spare)
		*spare = Table();
	else
		spare = std::make_unique<Table>();
	return *spare;
}

// Past the bound a cell's end ends the paragraph, unless it is empty: the cells of a table
// not made go on as paragraphs of the cell around them.
void RichQtfParser::EndOverPara()
{
	PlaceWaiting();
	if(!text.IsEmpty() || packed.HasParts())
		EndPart();
}

void RichQtfParser::CloseOver()
{
	EndOverPara();
	over--;
	over_grid = false; // a grid table is only the innermost
	over_closed = true;
}

void RichQtfParser::OpenTable()
{
	if(InGrid())
		Error("{{ in ++ table");
	PlaceWaiting();
	if(!text.IsEmpty() || packed.HasParts())
		EndPart();
	bool past = table.GetCount() >= MAX_TABLES;
	Table& t = past ? Spare() : table.Add();
	Vector<int>& w = t.table.format.column_widths;
	w.Add(IsDigit(*term) ? ReadNumber() : 1);
	while(*term == ':') {
		term++;
		if(!IsDigit(*term))
			Error("Expected number");
		w.Add(ReadNumber());
	}
	if(breakpage) {
		t.table.format.new_page = true;
		breakpage = false;
	}
	ReadCellFormat(t, false);
	over += past;
}

void RichQtfParser::OpenGrid()
{
	PlaceWaiting();
	Flush();
	if(packed.HasParts())
		EndPart();
	if(table.GetCount() >= MAX_TABLES) {
		Spare();
		over++;
		over_grid = true;
		return;
	}
	Table& t = table.Add();
	t.grid = true;
	t.hspan = 1;
	t.row_cells.Add(0);
	t.table.format.frame_width = 10;
	t.table.format.grid_width = 10;
}

void RichQtfParser::NextCell()
{
	if(InGrid()) // the format of the current cell
		ReadCellFormat(over ? *spare : table.Top(), true);
	else {
		EndCell();
		ReadCellFormat(over ? *spare : table.Top(), false);
	}
}

void RichQtfParser::EndRow()
{
	EndCell();
	if(!over && table.Top().grid)
		table.Top().row_cells.Add(0);
}

void RichQtfParser::EndCell()
{
	if(over) {
		EndOverPara();
		return;
	}
	EndPart();
	Table& t = TableTop();
	int r, c;
	if(t.grid) {
		r = t.row_cells.GetCount() - 1;
		c = t.row_cells.Top()++;
	}
	else {
		int n = t.table.GetColumns();
		r = t.counter / n;
		c = t.counter % n;
	}
	while(t.table.cell.GetCount() <= r)
		t.table.cell.Add();
	Array<RichCell>& row = t.table.cell[r];
	while(row.GetCount() <= c)
		row.Add();
	RichCell& cell = row[c];
	if(t.text.GetPartCount())
		cell.text = std::move(t.text);
	else
		cell.ClearText();
	cell.format = t.format;
	cell.vspan = t.vspan;
	cell.hspan = t.hspan;
	if(t.grid && r > 0 && c + 1 < t.table.cell[0].GetCount())
		t.format = t.table.cell[0][c + 1].format; // the column's cell of the first row
	else {
		t.counter++;
		t.vspan = 0;
		t.hspan = t.grid;
	}
	t.format.keep = t.format.round = false;
}

void RichQtfParser::CloseTable()
{
	if(over) {
		CloseOver();
		return;
	}
	EndCell();
	Table& t = table.Top();
	while(t.counter % t.table.GetColumns())
		EndCell();
	if(!waiting)
		waiting = std::make_unique<RichTable>();
	*waiting = std::move(t.table);
	istable = true;
	table.Drop();
}

// Each row is divided by its cells' relative widths into 10000 units; the left edges of all
// rows make the columns, and each cell spans the columns up to its right edge.
void RichQtfParser::CloseGrid()
{
	if(over) {
		CloseOver();
		return;
	}
	EndCell();
	Table& t = table.Top();
	Array<Array<RichCell>>& rows = t.table.cell;
	if(rows.IsEmpty())
		Error("table");
	Vector<int> edge;
	Vector<int> left;
	Vector<int> right;
	for(const Array<RichCell>& row : rows) {
		int64 total = 0;
		for(const RichCell& c : row)
			total += max(c.hspan, 1); // a row summing to 0 would divide by it
		int64 at = 0;
		for(const RichCell& c : row) {
			int l = int(at * 10000 / total);
			at += max(c.hspan, 1);
			int r = int(at * 10000 / total);
			if(l == r) // narrower than one unit: no column could hold it
				Error("table");
			left.Add(l);
			right.Add(r);
			edge.Add(l);
		}
	}
	Sort(edge.begin(), edge.end());
	int n = 0;
	for(int i = 0; i < edge.GetCount(); i++)
		if(i == 0 || edge[i] != edge[n - 1])
			edge[n++] = edge[i];
	edge.Trim(n);
	edge.Add(10000);
	int columns = edge.GetCount() - 1;
	if(int64(rows.GetCount()) * columns > MAX_GRID_CELLS)
		Error("table");
	auto column = [&](int x) { return int(std::lower_bound(edge.begin(), edge.end(), x) - edge.begin()); };

	RichTable nt;
	nt.format = std::move(t.table.format);
	nt.format.column_widths.Clear();
	for(int i = 0; i < columns; i++)
		nt.format.column_widths.Add(edge[i + 1] - edge[i]);
	nt.header = std::move(t.table.header);
	nt.footer = std::move(t.table.footer);
	int k = 0;
	for(Array<RichCell>& row : rows) {
		Array<RichCell>& out = nt.cell.Add();
		out.SetCount(columns);
		for(RichCell& c : row) {
			int cl = column(left[k]);
			int cr = column(right[k]);
			k++;
			RichCell& d = out[cl];
			d.text = std::move(c.text);
			d.format = c.format;
			d.hspan = cr - cl - 1;
			d.vspan = max(c.vspan, 1) - 1; // here the number counts the rows covered
		}
	}
	table.Drop();
	RichTxt& txt = table.GetCount() ? table.Top().text : target;
	txt.SetTable(txt.GetPartCount(), nt);
}

void RichQtfParser::ReadBorder(Table& t, int side)
{
	auto set = [&](Rect& r, int v) {
		if(v < 0)
			return;
		if(side == 'l' || side == 'a')
			r.left = v;
		if(side == 't' || side == 'a')
			r.top = v;
		if(side == 'r' || side == 'a')
			r.right = v;
		if(side == 'b' || side == 'a')
			r.bottom = v;
	};
	if(IsDigit(*term))
		set(t.format.border, ReadNumber());
	if(*term == '/') {
		term++;
		set(t.format.margin, ReadNumber());
	}
}

void RichQtfParser::ReadCellFormat(Table& t, bool grid_width)
{
	RichCell::Format& f = t.format;
	RichTable::Format& tf = t.table.format;
	if(grid_width && IsDigit(*term))
		t.hspan = ReadNumber();
	for(;;) {
		int c = byte(*term);
		if(c == 0)
			Error("Unexpected end of text in cell format");
		if(c < 32 || c > 126)
			Error("Invalid cell format");
		term++;
		switch(c) {
		case ' ': return;
		case ';': break;
		case 'l': case 't': case 'r': case 'b': case 'a': ReadBorder(t, c); break;
		case '=': f.valign = 3; break;
		case '^': f.valign = 1; break;
		case 'v': f.valign = 2; break;
		case 'H': f.min_height = ExpectNumber(); break;
		case '@': f.color = ReadColor(); break;
		case 'R': f.border_color = ReadColor(); break;
		case 'k': f.keep = true; break;
		case 'o': f.round = true; break;
		case '-': t.hspan = ReadNumber(); break;
		case '|': case '+': t.vspan = ReadNumber(); break;
		case '!': f = RichCell::Format(); break;
		case '*':
			f.border = f.margin = Rect(0, 0, 0, 0);
			tf.frame_width = tf.grid_width = 0;
			break;
		case '~': tf.frame_width = tf.grid_width = 0; break;
		case '<': tf.left_margin = ExpectNumber(); break;
		case '>': tf.right_margin = ExpectNumber(); break;
		case 'B': tf.before = ExpectNumber(); break;
		case 'A': tf.after = ExpectNumber(); break;
		case 'f': tf.frame_width = ExpectNumber(); break;
		case 'g': tf.grid_width = ExpectNumber(); break;
		case 'F': case '_': tf.frame_color = ReadColor(); break;
		case 'G': tf.grid_color = ReadColor(); break;
		case 'h': tf.header_rows = ReadNumber(); break;
		case 'K': tf.keep = true; break;
		case 'P': tf.new_page = true; break;
		case 'T': {
			String header = ReadNested();
			String footer = ReadNested();
			Nested(&t.table.header, header);
			Nested(&t.table.footer, footer);
			tf.new_header_footer = true;
			tf.header_qtf = header;
			tf.footer_qtf = footer;
			break;
		}
		default:
			term--;
			Error("Invalid cell format");
		}
	}
}

void RichQtfParser::CloseAll()
{
	while(over)
		CloseOver();
	while(table.GetCount())
		if(table.Top().grid)
			CloseGrid();
		else
			CloseTable();
}

} // namespace Qel::detail
