// RichTable: a table part of rich text, a grid of cells each holding a whole RichTxt, so tables
// nest. A cell may span further rows and columns; the positions it covers keep cell objects that
// take no part in text, painting or plain text. Column widths are shares that add up to 10000
// once the table is normalised, which happens before it is stored and after it is copied.
#pragma once

#include <richtext/base/PagePos.h>
#include <richtext/document/RichTxt.h>

namespace Qel {

class PageDraw;
struct RichPaintInfo;

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

	// Painting, in device units: xpg and nxpg are the cell's band on its first and on later
	// pages, y and ny its top on the first page and its bottom on the last. ctx is placed at
	// the row's top with the cell's column band as its page; end is where the cell ends.
	void    Paint(PageDraw& pw, RichPageContext& ctx, PagePos end, const Rect& xpg, const Rect& nxpg,
	              int y, int ny, const RichPaintInfo& pi, bool selected) const;
	// Where the text begins, aligned vertically when the cell lies on one page.
	PagePos GetTextTop(const RichPageContext& ctx, PagePos end) const;
	// Background and border of one page's piece of the cell, border and margin in device units.
	void    PaintFrame(Draw& w, int left, int right, int top, int bottom, const Rect& border,
	                   const Rect& margin, const RichPaintInfo& pi) const;

private:
	friend class RichTable;

	// The state of a position another cell covers: default format, no spans, no text.
	void Reset();
};

// The layout of a table on pages. Lengths are text units; a cell's record holds its column band
// and, in the row where the cell ends, where its content ends.
struct TableCellLayout {
	int     left = 0;         // the band of the columns the cell spans
	int     right = 0;
	int     inner_left = 0;   // the band without the cell's share of the grid lines
	int     inner_right = 0;
	PagePos end;              // set in the record of the row where the cell ends
	bool    origin = true;    // false: covered by a cell spanning down from a row above
	bool    span_end = false; // the cell ends in this row
};

struct TableRowLayout {
	PagePos grid_top;             // where the grid line above the row begins
	PagePos top;                  // where the cells begin
	PagePos bottom;               // where the row ends
	bool    first_on_page = false; // the first row, or one moved to a new page
};

struct RichTableLayout {
	Vector<TableRowLayout>  row;
	Vector<TableCellLayout> cell;     // a record per column, row after row
	int                     columns = 0;
	PagePos                 end;      // after the last row laid out

	int                    GetRows() const       { return row.GetCount(); }
	const TableCellLayout* operator[](int r) const { return cell.begin() + r * columns; }
	TableCellLayout*       operator[](int r)       { return cell.begin() + r * columns; }
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
	RichTextValue          header;           // page header and footer the table sets
	RichTextValue          footer;

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
	// Whether a cell spanning rows or columns covers grid position (row, column): such a
	// position's cell holds nothing of its own.
	bool IsCovered(int row, int column) const;

	// Rows of exactly one cell per column, spans clipped to the grid (a span that starts in
	// the header rows ends inside them) and the cells they cover reset.
	void NormalizeSpans();
	// Removes column i, narrowing the cells that span across it.
	void RemoveColumn(int i);
	// Merges away rows and columns made only of covered positions and scales the column widths
	// to add up to exactly 10000 (a negative width counts as 0).
	void Normalize();

	// The table laid out from rc's position and page (it starts after its space before). The
	// layout is cached for that start and page geometry; the reference is good until the next
	// call with another.
	const RichTableLayout& Realize(RichPageContext rc) const;
	// Rows 0 .. n - 1 laid out from start, with ctx's page band as the columns' width (the
	// page areas are those of the last Realize). Header rows in header mode lie on the area
	// where continuation pages repeat them.
	RichTableLayout LayoutRows(PagePos start, RichPageContext ctx, int n, bool header_mode) const;
	// The smallest width at which no line of any cell has to wrap.
	int GetWidth(const ArrayMap<Uuid, RichStyle>& s) const;

	// The origin cell (column, row) whose text holds pos, row by row; pos becomes the position in
	// that text. (-1, -1) when no cell holds it.
	Point     FindCell(int& pos) const;
	// The position queries of part lists, for the table laid out from rc.
	RichCaret GetCaret(int pos, RichPageContext& rc) const;
	int       GetPos(int x, PagePos p, RichPageContext& rc) const;
	// Rescales the table's lengths and its cells; column widths are shares and stay.
	void      ApplyZoom(Zoom z, const ArrayMap<Uuid, RichStyle>& old_styles,
	                    const ArrayMap<Uuid, RichStyle>& new_styles);

	// Paints the table laid out from rc: rows, repeated header rows, frames, selection.
	void Paint(PageDraw& pw, RichPageContext& rc, const RichPaintInfo& pi, bool base_level) const;
	// Paints one row of layout: grid lines and cells, in device units on the pages' bands pg (the
	// start page's, replaced by npg from the first row on a later page) and npg; widens bounds
	// (page -> device rectangle) by what it drew and moves pi's selection past the row's cells.
	// True when rc lies at or after the window's bottom.
	bool PaintRow(PageDraw& pw, const RichPageContext& rc, const RichTableLayout& layout, bool header_mode,
	              int row, int row_count, Rect& pg, const Rect& npg, VectorMap<int, Rect>& bounds,
	              RichPaintInfo& pi, int page_offset, bool cells_selectable) const;

private:
	// Per grid position: where a cell begins, the last row and column it reaches; elsewhere the
	// row and column of the cell covering the position (column -1: the row has no cell there).
	struct SpanEntry {
		int  row = 0;
		int  column = -1;
		bool origin = true;
	};

	// A layout with the geometry it was made for.
	struct Layouts {
		PagePos         start = PagePos(-1, 0); // the position realised from; page -1: stale
		int             columns = 0;
		int             rows = 0;
		Rect            first_page;             // the start page's area for the table
		Rect            next_key;               // the continuation area asked for
		Rect            next_page;              // the continuation area, below repeated headers
		Rect            header_area;            // where repeated header rows lie
		bool            has_header = false;
		int             header_tables = 0;      // of the context, as far as it counts
		RichTableLayout layout;
		RichTableLayout header_layout;          // the header rows alone, on page 0
	};

	// The layout cache: the current layout, and a few made for other geometries. Nested tables
	// are laid out from several places while the tables around them try page breaks; those come
	// back, often a page further on, and are taken from here, moved by whole pages.
	mutable Layouts        current;
	mutable Array<Layouts> older; // newest first

	// Rebuilt from the cells' spans when the grid changes shape; rows x columns, row-major.
	mutable Vector<SpanEntry> span;
	mutable int               span_rows = -1;
	mutable int               span_columns = -1;
	// Cached, -1: stale; counted by any reader, as those of part lists.
	mutable detail::Relaxed<int> length = -1;
	mutable detail::Relaxed<int> table_count = -1;

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

	// Repeated header rows nest this deep at most: the work of laying out tables each in a header
	// row of the one around it doubles with every one.
	static constexpr int MAX_HEADER_TABLES = 4;
	// The header rows laid out to repeat in the context rc: none inside as many tables that
	// repeat theirs already.
	int        HeaderRows(const RichPageContext& rc) const;
	// The count of such tables around a cell of this table laid out from rc.
	int        CellHeaderTables(const RichPageContext& rc) const;
	// Bounds of page p for the break test and cell ends: top and bottom, and the header and
	// footer heights a page break inside a cell applies.
	struct PageBounds {
		int64 top, bottom, adj_top, adj_bottom;
	};
	PageBounds Bounds(int p, bool header_mode) const;
	// Finds or makes the layout for rc with the areas first and next.
	void       MakeLayout(const RichPageContext& rc, const Rect& first, const Rect& next) const;
	void       Remember() const;
	// The context the text of cell (row, column) is laid out in, as painting places it; false
	// when its border and margins leave no room.
	bool       CellContext(const RichPageContext& rc, const RichTableLayout& l, int row, int column,
	                       RichPageContext& cc) const;
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
