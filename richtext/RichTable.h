// RichTable: a table part of rich text, a grid of cells each holding a whole RichTxt, so tables
// nest. A cell may span further rows and columns; the positions it covers keep cell objects that
// take no part in text, painting or plain text. Column widths are shares that add up to 10000
// once the table is normalised, which happens before it is stored and after it is copied.
#pragma once

#include "PagePos.h"
#include "RichTxt.h"

namespace Qel {

class RichCell {
public:
	struct Format {
		Rect  border = Rect(0, 0, 0, 0);     // widths of the border lines: left, top, right, bottom
		Rect  margin = Rect(25, 15, 25, 15); // inner margins
		int   valign = 3;                    // 1 top, 2 bottom, 3 centre
		int   min_height = 0;
		Color color = Color(255, 255, 255);
		Color border_color = Color(0, 0, 0);
		bool  keep = false;
		bool  round = false;
	};

	Format  format;
	int     vspan = 0; // further rows covered
	int     hspan = 0; // further columns covered
	RichTxt text;

	// Default format, no spans, one empty paragraph in the default style.
	RichCell();
	// One empty paragraph in the default style again.
	void ClearText();

private:
	friend class RichTable;

	// The state of a position another cell covers: default format, no spans, no text.
	void Reset();
};

class RichTable {
public:
	struct Format {
		int         before = 0;        // space above
		int         left_margin = 0;
		int         right_margin = 0;
		int         after = 0;         // space below
		int         frame_width = 10;
		Color       frame_color = Color(0, 0, 0);
		int         grid_width = 4;
		Color       grid_color = Color(0, 0, 0);
		Vector<int> column_widths;     // relative; their count is the column count
		int         header_rows = 0;   // leading rows repeated on every page
		bool        keep = false;
		bool        new_page = false;
		bool        new_header_footer = false; // sets the page header and footer below
		String      header_qtf;
		String      footer_qtf;
	};

	Format                 format;
	Array<Array<RichCell>> cell;             // rows of cells, one per column
	RichText*              header = nullptr; // page header and footer the table sets; owned
	RichText*              footer = nullptr;

	RichTable() = default;
	// A deep copy, normalised. The page header and footer documents are copied too; the layout
	// is not.
	RichTable(const RichTable& src);
	// The source is left empty: no rows, no columns, the default format.
	RichTable(RichTable&& src) noexcept;
	RichTable& operator=(RichTable&& src) noexcept;
	RichTable& operator=(const RichTable&) = delete;
	~RichTable();

	int GetRows() const    { return cell.GetCount(); }
	int GetColumns() const { return format.column_widths.GetCount(); }

	// The texts of the cells that begin a cell, in row-major order, each followed by a cell
	// end but the last one.
	int GetLength() const;
	// Tables nested in the cells (the table itself not counted).
	int GetTableCount() const;
	// Tables nested in the cells before (row, column), in row-major order.
	int GetTableCountBefore(int row, int column) const;

	// Rows of exactly one cell per column, spans clipped to the grid (a span that starts in
	// the header rows ends inside them) and the cells they cover reset.
	void NormalizeSpans();
	// Removes column i, narrowing the cells that span across it.
	void RemoveColumn(int i);
	// Merges away rows and columns made only of covered positions and scales the column widths
	// to add up to exactly 10000 (a negative width counts as 0).
	void Normalize();

private:
	// Per grid position: where a cell begins, the last row and column it reaches; elsewhere the
	// row and column of the cell covering the position (column -1: the row has no cell there).
	struct SpanEntry {
		int  row = 0;
		int  column = -1;
		bool origin = true;
	};

	// The layout cache: a start page of -1 marks it stale.
	PagePos cached_start = PagePos(-1, 0);
	int     cached_columns = 0;
	int     cached_rows = 0;
	bool    has_header = false;
	Rect    first_page;
	Rect    next_page;
	Rect    header_area;

	// Rebuilt from the cells' spans when the grid changes shape; rows x columns, row-major.
	mutable Vector<SpanEntry> span;
	mutable int               span_rows = -1;
	mutable int               span_columns = -1;
	mutable int               length = -1;      // cached; -1: stale
	mutable int               table_count = -1;

	friend class RichTxt;

	// Marks the layout, length and table count stale.
	void Invalidate();
	// The span map for the grid as it is, rebuilt (without touching the cells) when its shape
	// no longer fits.
	const SpanEntry* Spans() const;
	void             BuildSpans() const;
	// Calls f(row, column, cell) for every cell that begins a cell, in row-major order.
	template <class C, class F>
	static void      ForEachOrigin(C& table, F f);
	void             RemoveColumnAt(int i);
	void             Reset();
};

template <class C, class F>
void RichTable::ForEachOrigin(C& table, F f)
{
	const SpanEntry* sp = table.Spans();
	int cols = table.GetColumns();
	for(int r = 0; r < table.cell.GetCount(); r++) {
		auto& row = table.cell[r];
		int n = min(cols, row.GetCount());
		for(int c = 0; c < n; c++)
			if(sp[r * cols + c].origin)
				f(r, c, row[c]);
	}
}

} // namespace Qel
