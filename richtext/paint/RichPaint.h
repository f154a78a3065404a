// Painting rich text: the options every painting call carries (zoom, selection, the window of
// pages to paint, colours of marks and highlights), the per-page drawing targets with their
// optional observer, and the maker of cached object images. Lengths are text units (1/600 inch)
// scaled to device units by the options' zoom.
#pragma once

#include <draw/Draw.h>

#include <richtext/base/PagePos.h>
#include <richtext/object/RichObject.h>
#include <richtext/base/Zoom.h>

namespace Qel {

class RichPara;
class RichTable;

// Fills (x, y, cx, cy) with the colour the drawing targets render by inverting what is below.
void PaintRichSelection(Draw& w, int x, int y, int cx, int cy);

// The colour of PaintRichSelection: the one that inverts.
inline constexpr Color RICH_SELECTION_COLOR = INVERT_COLOR;

struct RichPaintInfo {
	Zoom    zoom;
	int     sel_start = 0;          // text positions of the part list painted
	int     sel_end = 0;            // no selection unless greater than sel_start
	// Every table met counts this down by one; the table that brings it to 0 shows the cells in
	// cell_sel (left column, top row, right column, bottom row) selected.
	int     table_sel = 0;
	Rect    cell_sel;
	PagePos window_top;             // the band of pages painted
	PagePos window_bottom = PagePos(INT_MAX, INT_MAX);
	// The defaults suit an editor on screen; a printed page sets index_color to Null (Color()).
	Color   link_color;             // Null: links look like other text
	Color   index_color;            // Null: no index-entry marks
	Color   text_color;             // not Null: the ink of all text, rules and bullets; no run backgrounds
	bool    index_background = false; // index entries as a band of the line's height
	bool    use_cache = false;      // objects through cached images
	bool    size_tracking = false;  // objects as plain boxes (while a size is being dragged)
	Color   codes_color;            // not Null: marks for spaces, tabs, paragraph ends, labels, breaks
	// The spelling errors of a paragraph, a bit per text position; null: none.
	Bits  (*spelling_hook)(const RichPara& para) = nullptr;
	int     highlight_pos = -1;     // a position in the paragraph to highlight; negative: none
	Function<bool (const String& label)> highlight_test; // or the label of one
	Color   highlight_color;
	bool    dark_theme = false;     // colours from the text go through the dark transform
	void*   context = nullptr;      // handed to the objects
	bool    show_labels = false;    // label and header/footer marks left of the text
	bool    shrink_objects = false; // objects cut at the page's right edge
	void  (*selection_painter)(Draw& w, int x, int y, int cx, int cy) = PaintRichSelection;

	// Links in the theme's mark colour, index entries in its green, highlights in its yellow.
	RichPaintInfo();
};

// Observes painting: told where each paragraph, table, row and cell begins and ends.
class RichPaintTracer {
public:
	virtual void ParagraphBegin(const Rect& page, PagePos at, const RichPara& para);
	virtual void ParagraphEnd(PagePos at);
	virtual void TableBegin(const Rect& page, PagePos at, const RichTable& table);
	virtual void TableEnd(PagePos at);
	virtual void RowBegin(const Rect& area, PagePos at, int row, const RichTable& table);
	virtual void RowEnd(PagePos at);
	virtual void CellBegin(const Rect& page, PagePos at, int row, int column, const RichTable& table,
	                       PagePos end);
	virtual void CellEnd(PagePos end);
	virtual ~RichPaintTracer();
};

// The drawing target of each page.
class PageDraw {
public:
	RichPaintTracer* tracer = nullptr;

	virtual Draw& Page(int page) = 0;
	virtual ~PageDraw();
};

// Every page on one Draw.
class SimplePageDraw : public PageDraw {
	Draw* w;

public:
	explicit SimplePageDraw(Draw& w) : w(&w) {}
	Draw& Page(int) override { return *w; }
};

// An object's picture at a device size, made once for its serial number, size and context.
class RichObjectImageMaker : public ImageMaker {
public:
	RichObject object;
	Size       sz = Size(0, 0);
	void*      context = nullptr;

	RichObjectImageMaker(const RichObject& object, Size sz, void* context)
	:	object(object), sz(sz), context(context) {}

	// 24 bytes: the serial (64 bits), cx and cy (32 each), the context pointer.
	String Key() const override;
	Image  Make() const override;
};

// A cell's border around r with widths b and margins m; rounded, the corners' radii are the
// margin plus the border.
void PaintCellBorder(Draw& w, const Rect& r, const Rect& b, const Rect& m, Color c, bool round);
// A quarter ring centred on (x, y), outer radii rx, ry and inner ix, iy; their signs pick the
// quadrant.
void PaintRoundCorner(Draw& w, int x, int y, int rx, int ry, int ix, int iy, Color c);

} // namespace Qel
