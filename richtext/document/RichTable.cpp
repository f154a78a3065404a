// Tables: cells, copies and moves, the span map, lengths and normalisation.
#include <richtext/document/RichTable.h>

namespace Qel {

RichCell::RichCell()
{
	text.SetEmpty();
}

void RichCell::ClearText()
{
	text = RichTxt();
	text.SetEmpty();
}

void RichCell::Reset()
{
	format = Format();
	vspan = 0;
	// merging rows and columns resets the covered cells over and over: most are reset already
	if(!text.IsSetEmpty())
		ClearText();
}

RichTable::RichTable(const RichTable& src)
:	format(src.format), cell(src.cell), header(src.header), footer(src.footer)
{
	Normalize();
}

RichTable::RichTable(RichTable&& src) noexcept
{
	*this = std::move(src);
}

RichTable& RichTable::operator=(RichTable&& src) noexcept
{
	if(this != &src) {
		format = std::move(src.format);
		cell = std::move(src.cell);
		header = std::move(src.header);
		footer = std::move(src.footer);
		current = std::move(src.current);
		older = std::move(src.older);
		span = std::move(src.span);
		span_rows = src.span_rows;
		span_columns = src.span_columns;
		length = src.length;
		table_count = src.table_count;
		src.Reset();
	}
	return *this;
}

RichTable::~RichTable() = default;

void RichTable::Reset()
{
	header.Clear();
	footer.Clear();
	format = Format();
	cell.Clear();
	span.Clear();
	span_rows = span_columns = -1;
	current = Layouts();
	older.Clear();
	length = table_count = -1;
}

void RichTable::Invalidate()
{
	current.start.page = -1;
	older.Clear();
	length = table_count = -1;
}

void RichTable::BuildSpans() const
{
	int rows = GetRows();
	int cols = GetColumns();
	int64 n = int64(rows) * cols;
	if(n > INT_MAX)
		Panic("Too many items in container!");
	span.Clear();
	span.SetCount(int(n));
	span_rows = rows;
	span_columns = cols;
	int header_last = clamp(format.header_rows, 0, rows) - 1;
	auto covered = [&](int r, int c) { return !span[r * cols + c].origin; };
	for(int r = 0; r < rows; r++) {
		int have = cell[r].GetCount();
		// a span that starts in the header rows stays inside them
		int64 limit = r <= header_last ? header_last : rows - 1;
		for(int c = 0; c < cols; c++) {
			SpanEntry& e = span[r * cols + c];
			if(!e.origin)
				continue;
			if(c >= have) {
				e.origin = false;
				e.row = r;
				continue;
			}
			const RichCell& x = cell[r][c];
			int r_last = int(min(limit, r + int64(max(x.vspan, 0))));
			int c_last = int(min(int64(cols - 1), c + int64(max(x.hspan, 0))));
			// A cell stops where another one's span already reaches, or merging rows and
			// columns could bury one cell under another. Only a span from above can reach
			// into this row, and any that reaches a row below reaches this one too.
			for(int cc = c + 1; cc <= c_last; cc++)
				if(covered(r, cc)) {
					c_last = cc - 1;
					break;
				}
			e.row = r_last;
			e.column = c_last;
			for(int rr = r; rr <= r_last; rr++)
				for(int cc = c; cc <= c_last; cc++)
					if(rr != r || cc != c) {
						SpanEntry& q = span[rr * cols + cc];
						q.origin = false;
						q.row = r;
						q.column = c;
					}
		}
	}
}

const RichTable::SpanEntry* RichTable::Spans() const
{
	if(span_rows != GetRows() || span_columns != GetColumns())
		BuildSpans();
	return span.begin();
}

bool RichTable::IsCovered(int row, int column) const
{
	int cols = GetColumns();
	return row >= 0 && row < GetRows() && column >= 0 && column < cols && !Spans()[row * cols + column].origin;
}

void RichTable::NormalizeSpans()
{
	int cols = GetColumns();
	for(Array<RichCell>& row : cell)
		row.SetCount(cols);
	Invalidate();
	BuildSpans();
	for(int r = 0; r < GetRows(); r++)
		for(int c = 0; c < cols; c++) {
			const SpanEntry& e = span[r * cols + c];
			RichCell& x = cell[r][c];
			if(e.origin) {
				x.vspan = e.row - r;
				x.hspan = e.column - c;
				// a cell holds a paragraph at least, as one read from QTF does: "[]" is no text
				if(x.text.GetPartCount() == 0)
					x.text.SetEmpty();
			}
			else {
				x.Reset();
				// the columns left in the span: a walk stepping by hspan + 1 jumps past it
				x.hspan = span[e.row * cols + e.column].column - c;
			}
		}
}

int RichTable::GetLength() const
{
	int known = length;
	if(known < 0) {
		int64 n = 0;
		ForEachOrigin(*this, [&](int, int, const RichCell& c) { n += c.text.GetLength() + 1; });
		length = known = int(max<int64>(n - 1, 0));
	}
	return known;
}

int RichTable::GetTableCount() const
{
	int known = table_count;
	if(known < 0) {
		int n = 0;
		ForEachOrigin(*this, [&](int, int, const RichCell& c) { n += c.text.GetTableCount(); });
		table_count = known = n;
	}
	return known;
}

int RichTable::GetTableCountBefore(int row, int column) const
{
	int n = 0;
	ForEachOrigin(*this, [&](int r, int c, const RichCell& x) {
		if(r < row || (r == row && c < column))
			n += x.text.GetTableCount();
	});
	return n;
}

void RichTable::RemoveColumnAt(int i)
{
	const SpanEntry* sp = Spans();
	int cols = GetColumns();
	// Every cell reaching across column i from the left narrows by one.
	for(int r = 0; r < GetRows(); r++) {
		Array<RichCell>& row = cell[r];
		for(int c = 0; c < min(i, row.GetCount()); c++) {
			const SpanEntry& e = sp[r * cols + c];
			if(e.origin && e.column >= i)
				row[c].hspan = e.column - c - 1;
		}
	}
	for(Array<RichCell>& row : cell)
		if(i < row.GetCount())
			row.Remove(i);
	format.column_widths.Remove(i);
	Invalidate();
}

void RichTable::RemoveColumn(int i)
{
	if(i < 0 || i >= GetColumns())
		return;
	NormalizeSpans();
	RemoveColumnAt(i);
	NormalizeSpans();
}

void RichTable::Normalize()
{
	for(int& w : format.column_widths)
		w = max(w, 0); // a negative share would make the others exceed the whole
	format.header_rows = clamp(format.header_rows, 0, GetRows());
	NormalizeSpans();

	const SpanEntry* sp = span.begin();
	int cols = GetColumns();
	for(int r = 1; r < GetRows();) {
		bool redundant = true;
		for(int c = 0; c < cols && redundant; c++)
			if(sp[r * cols + c].origin && cell[r][c].vspan == 0)
				redundant = false;
		if(!redundant) {
			r++;
			continue;
		}
		// Row r only continues cells of the rows above or cells that go on below: merge it
		// into the row below.
		if(r < format.header_rows)
			format.header_rows--;
		for(int rr = 0; rr < r; rr++)
			for(int c = 0; c < cols; c++)
				if(sp[rr * cols + c].origin && sp[rr * cols + c].row >= r)
					cell[rr][c].vspan--;
		Array<RichCell>* gone = cell.Detach(r);
		for(int c = 0; c < cols; c++)
			if(sp[r * cols + c].origin) { // it covers the row below, which the merge keeps
				Vector<RichCell*>& below = cell[r].GetPointers();
				std::swap(below[c], gone->GetPointers()[c]); // the cell it covered leaves instead
				below[c]->vspan--;
			}
		NormalizeSpans();
		sp = span.begin();
		delete gone;
	}

	for(int c = 1; c < GetColumns();) {
		bool redundant = true;
		for(int r = 0; r < GetRows() && redundant; r++)
			if(sp[r * cols + c].origin)
				redundant = false;
		if(!redundant) {
			c++;
			continue;
		}
		Vector<int>& w = format.column_widths;
		w[c - 1] = int(min<int64>(int64(w[c - 1]) + w[c], INT_MAX));
		RemoveColumnAt(c);
		NormalizeSpans();
		sp = span.begin();
		cols = GetColumns();
	}

	Vector<int>& w = format.column_widths;
	int n = w.GetCount();
	if(n == 0)
		return;
	int64 sum = 0;
	for(int x : w)
		sum += x;
	if(sum == 10000)
		return;
	if(n == 1) {
		w[0] = 10000;
		return;
	}
	int64 rest = 10000;
	for(int i = 0; i < n - 1; i++) {
		w[i] = int(sum < 1 ? 10000 / n : w[i] * int64(10000) / sum);
		rest -= w[i];
	}
	w[n - 1] = int(rest);
}

} // namespace Qel
