// Positions in laid-out rich text: carets and hit tests of paragraphs, part lists and tables,
// position descriptors, the zoom of formats, paragraphs and documents, and the locked queries
// of documents (the lock given back when painting throws).
#include "LayoutTestUtil.h"
#include "RichTestUtil.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <stdexcept>

using namespace QelTest;

namespace {

const Rect PAGE(0, 0, 1000, 1000);

RichPageContext Context(const RichText& doc, const Rect& page = PAGE)
{
	return doc.MakeContext(page, PagePos(0, 0));
}

RichPara Boxes(int n, int cx, int cy)
{
	RichPara p;
	for(int i = 0; i < n; i++)
		p.Cat(Box(cx, cy), RichPara::CharFormat());
	return p;
}

} // namespace

TEST(ParaPosition, CaretsOfObjectLines)
{
	RichText doc;
	RichPara p = Boxes(3, 100, 50);
	p.part[1].object.SetYDelta(10);
	Rect page(0, 0, 250, 1000);
	RichPageContext rc = Context(doc, page);
	RichCaret c = p.GetCaret(1, rc);
	// the line takes the lowered object's reach below the baseline
	EXPECT_EQ(Rect(c), Rect(100, 0, 200, 60));
	EXPECT_EQ(c.line, 0);
	EXPECT_EQ(c.object_ypos, 50);    // the object's ascent plus its ydelta
	EXPECT_EQ(c.object_ydelta, 10);
	// The second line starts where the first ends; the caret has the metrics of what is before it.
	rc = Context(doc, page);
	c = p.GetCaret(2, rc);
	EXPECT_EQ(Rect(c), Rect(0, 60, 100, 110));
	EXPECT_EQ(c.line, 1);
	EXPECT_EQ(c.caret_ascent, 50);
	// Past the last line: after its content to the page's right edge, no room below the baseline.
	rc = Context(doc, page);
	c = p.GetCaret(3, rc);
	EXPECT_EQ(Rect(c), Rect(100, 60, 250, 110));
	EXPECT_EQ(c.caret_descent, 0);

	// The first line would stay alone at the page's foot: both go to the next page.
	rc = Context(doc, Rect(0, 0, 250, 120));
	rc.py.y = 40;
	c = p.GetCaret(2, rc);
	EXPECT_EQ(c.page, 1);
	EXPECT_EQ(c.top, 60);
}

TEST(ParaPosition, PointsRightOfWrappedLines)
{
	RichText doc;
	RichPara p = TextPara("aaaa bbbb cccc");
	RichPageContext rc = Context(doc);
	int w = p.FormatLines(1000, RichPara::Number()).line[0].cx;
	// wide enough for "aaaa bbbb" only: the lines end with the spaces they wrapped at
	Rect page(0, 0, w * 3 / 4, 1000);
	RichPara::Lines l = p.FormatLines(page.right, RichPara::Number());
	ASSERT_EQ(l.GetCount(), 2);
	int y0 = 1, y1 = l.line[0].GetHeight() + 1;
	auto at = [&](int x, int y) {
		RichPageContext c = Context(doc, page);
		return p.GetPos(x, PagePos(0, y), c);
	};
	EXPECT_EQ(at(page.right + 500, y0), 9);  // the space the line ends with
	EXPECT_EQ(at(page.right + 500, y1), 14); // the paragraph's length on the last line
	EXPECT_EQ(at(-5, y1), 10);
	EXPECT_EQ(at(0, PagePos(3, 0).y), 0);
	// A point inside a character gives the position before it, whichever half it is in.
	rc = Context(doc, page);
	RichCaret c = p.GetCaret(2, rc);
	EXPECT_EQ(at(c.left, y0), 2);
	EXPECT_EQ(at(c.right - 1, y0), 2);
	EXPECT_EQ(at(c.right, y0), 3);
	// Below the paragraph: the last line.
	EXPECT_EQ(at(c.left, 5000), 12);

	// Without a space to wrap at, a point right of the first line gives the next line's start.
	RichPara boxes = Boxes(3, 100, 50);
	RichPageContext bc = Context(doc, Rect(0, 0, 250, 1000));
	EXPECT_EQ(boxes.GetPos(900, PagePos(0, 10), bc), 2);
	// An empty paragraph is position 0 wherever the point is.
	bc = Context(doc);
	EXPECT_EQ(RichPara().GetPos(900, PagePos(0, 10), bc), 0);
}

TEST(ParaPosition, RichPosOfPartsAndEnd)
{
	RichPara p;
	p.format.Height(150);
	RichPara::CharFormat bold;
	bold.Bold();
	p.Cat(WString("ab"), bold);
	p.Cat(Box(10, 10), RichPara::CharFormat());
	RichPara::CharFormat italic;
	italic.Italic();
	p.Cat("VALUE", "x", italic);
	RichPos r;
	p.GetRichPos(r, 1);
	EXPECT_EQ(r.chr, 'b');
	EXPECT_TRUE(r.format.IsBold());
	r = RichPos();
	p.GetRichPos(r, 2);
	EXPECT_EQ(r.chr, -1);
	EXPECT_EQ(r.object.GetSize(), Size(10, 10));
	r = RichPos();
	p.GetRichPos(r, 3);
	EXPECT_EQ(r.chr, -2);
	EXPECT_EQ(r.field, "VALUE");
	EXPECT_EQ(r.fieldparam, "x");
	EXPECT_TRUE(r.fieldformat.IsItalic());
	// At the paragraph's length: a line end in the paragraph's own format.
	r = RichPos();
	p.GetRichPos(r, 4);
	EXPECT_EQ(r.chr, 10);
	EXPECT_EQ(r.format.GetHeight(), 150);
	EXPECT_FALSE(r.format.IsBold());
}

TEST(Zoom, FormatLengthsAndEdges)
{
	RichPara::Format f;
	f.ruler = 1;
	ApplyZoom(f, Zoom(1, 6));
	EXPECT_EQ(f.ruler, 1); // a ruler does not vanish
	f.ruler = 0;
	ApplyZoom(f, Zoom(1, 6));
	EXPECT_EQ(f.ruler, 0);

	RichPara::Format g;
	g.lm = 100;
	g.indent = 50;
	g.Height(100);
	g.before = 30;
	g.tab.Add().pos = 600;
	g.tab.Add().pos = RichPara::TAB_RIGHTPOS | 600;
	ApplyZoom(g, Zoom(1, 3));
	EXPECT_EQ(g.lm, 33);
	EXPECT_EQ(g.indent, 17); // z(150) - 33, the first line's start rounded as an edge
	EXPECT_EQ(g.GetHeight(), 33);
	EXPECT_EQ(g.before, 10);
	EXPECT_EQ(g.tab[0].pos, 200);
	EXPECT_EQ(g.tab[1].pos, RichPara::TAB_RIGHTPOS | 200);

	// Font heights round to the nearest, stay at least 1 and within what a font holds: the
	// product does not wrap in 32 bits.
	RichPara::Format h;
	h.Height(2);
	ApplyZoom(h, Zoom(1, 6));
	EXPECT_EQ(h.GetHeight(), 1);
	h.Height(30000);
	ApplyZoom(h, Zoom(200000, 1));
	EXPECT_EQ(h.GetHeight(), 32767);
	h.Height(30000);
	h.lm = 1000;
	ApplyZoom(h, Zoom(7, 0)); // a zero divisor changes nothing
	EXPECT_EQ(h.GetHeight(), 30000);
	EXPECT_EQ(h.lm, 1000);
}

TEST(Zoom, ParagraphTextObjectsAndFields)
{
	RichPara p;
	p.cacheid = 77;
	RichPara::CharFormat f;
	f.Height(101);
	p.Cat(WString("ab"), f);
	p.Cat(Box(300, 90), RichPara::CharFormat());
	f.Height(120);
	p.Cat("VALUE", "x", f);
	p.ApplyZoom(Zoom(1, 2));
	EXPECT_EQ(p.part[0].format.GetHeight(), 51);
	EXPECT_EQ(p.part[1].object.GetSize(), Size(150, 45));
	EXPECT_EQ(p.part[2].format.GetHeight(), 120);
	EXPECT_EQ(p.cacheid, 0); // an edit: not taken back by the paragraph cache
}

namespace {

struct Serials : RichTxt::ParaOp {
	Vector<int64> serial;
	bool operator()(RichTxt::Para& p) override
	{
		serial.Add(p.update_serial);
		return false;
	}
};

Vector<int64> GetSerials(RichText& doc)
{
	Serials s;
	doc.Update(s);
	return std::move(s.serial);
}

} // namespace

TEST(Zoom, Documents)
{
	RichText doc = ParseQtf("[s0;%% &][ {{1:2 [4 a]:: b}}]");
	RichTable t = TextTable(1, 2, {"x", "y"});
	t.format.frame_width = 10;
	t.format.grid_width = 0;
	t.format.before = 7;
	t.cell[0][0].format.margin = Rect(25, 15, 25, 15);
	int body = doc.GetPartCount();
	doc.SetTable(body, t);
	String qtf = AsQTF(doc);
	Vector<int64> before = GetSerials(doc);

	doc.ApplyZoom(Zoom(3, 3)); // equal terms: nothing is stored again
	doc.ApplyZoom(Zoom(3, 0)); // a zero divisor: likewise
	EXPECT_EQ(GetSerials(doc), before);
	EXPECT_EQ(AsQTF(doc), qtf);

	int height = doc.Get(0, doc.GetStyles()).format.GetHeight();
	doc.ApplyZoom(Zoom(2, 1));
	const RichTable& z = doc.GetTable(body);
	EXPECT_EQ(z.format.frame_width, 20);
	EXPECT_EQ(z.format.grid_width, 0);
	EXPECT_EQ(z.format.before, 14);
	EXPECT_EQ(z.cell[0][0].format.margin, Rect(50, 30, 50, 30));
	EXPECT_EQ(z.format.column_widths[0], 5000);
	// Paragraphs are stored against the zoomed styles and read back zoomed, in cells too.
	EXPECT_EQ(GetStyle(doc.GetStyles(), Uuid()).format.GetHeight(), 2 * height);
	EXPECT_EQ(doc.Get(0, doc.GetStyles()).format.GetHeight(), 2 * height);
	const RichTable& inner = doc.GetTable(1);
	RichPara a = inner.cell[0][0].text.Get(0, doc.GetStyles());
	ASSERT_EQ(a.part.GetCount(), 1);
	EXPECT_EQ(a.part[0].format.GetHeight(), 2 * ParseQtf("[4 a]").Get(0, RichText().GetStyles()).part[0].format.GetHeight());
	EXPECT_EQ(doc.GetLength(), ParseQtf(~qtf).GetLength());
}

TEST(DocumentPosition, CaretsAndPointsAtTheEnds)
{
	RichText doc = ParseQtf(("[ " + QtfBox(100, 50) + QtfBox(100, 50) + "&][ " + QtfBox(300, 80) + "]").c_str());
	int len = doc.GetLength();
	ASSERT_EQ(len, 4);
	EXPECT_EQ(doc.GetCaret(len + 5, PAGE), doc.GetCaret(len, PAGE));
	EXPECT_EQ(doc.GetCaret(-3, PAGE), doc.GetCaret(0, PAGE));
	RichCaret c = doc.GetCaret(3, PAGE);
	EXPECT_EQ(Rect(c), Rect(0, 50, 300, 130));
	EXPECT_EQ(c.text_page, PAGE);
	EXPECT_EQ(doc.GetPos(150, PagePos(0, 60), PAGE), 3);
	EXPECT_EQ(doc.GetPos(150, PagePos(0, 10), PAGE), 1);
	EXPECT_EQ(doc.GetPos(0, PagePos(0, 500), PAGE), len);
	EXPECT_EQ(doc.GetPos(0, PagePos(7, 0), PAGE), len);
	EXPECT_EQ(RichText().GetPos(0, PagePos(0, 0), PAGE), 0);
	EXPECT_EQ(RichText().GetCaret(0, PAGE), RichCaret());
}

TEST(DocumentPosition, TableCells)
{
	RichText doc;
	doc.Cat(TextPara(""));
	RichTable t = TextTable(2, 2, {"a", "b", "c", "d"});
	doc.SetTable(1, t);
	// Cells in the order of the text: "", a, b, c, d.
	RichCaret a = doc.GetCaret(1, PAGE);
	RichCaret b = doc.GetCaret(3, PAGE);
	RichCaret c = doc.GetCaret(5, PAGE);
	EXPECT_EQ(a.top, b.top);
	EXPECT_LT(a.left, 500);
	EXPECT_GT(b.left, 500);
	EXPECT_GT(c.top, a.bottom);
	// The cell's text area, inside the frame and the cell's margin, is the page its caret was
	// laid out on.
	EXPECT_EQ(a.text_page.left, 10 + 25);
	EXPECT_EQ(doc.GetPos(b.left + 1, PagePos(0, b.top + 1), PAGE), 3);
	// Left of the first column and right of the last, a point still lands in the row's cells.
	EXPECT_EQ(doc.GetPos(-100, PagePos(0, c.top + 1), PAGE), 5);
	EXPECT_EQ(doc.GetPos(5000, PagePos(0, c.top + 1), PAGE), 8);
	// A table with rows but no columns holds no cell: its start, and no caret.
	RichTable empty;
	empty.cell.Add();
	RichPageContext rc = Context(doc);
	EXPECT_EQ(empty.GetPos(10, PagePos(0, 900), rc), 0);
	rc = Context(doc);
	EXPECT_EQ(empty.GetCaret(0, rc), RichCaret());
	int pos = 0;
	EXPECT_EQ(empty.FindCell(pos), Point(-1, -1));
}

TEST(DocumentPosition, RichPosInTables)
{
	RichText doc;
	doc.Cat(TextPara(""));
	RichTable t = TextTable(1, 2, {"a", "b"});
	doc.SetTable(1, t);
	RichPos r = doc.GetRichPos(3);
	EXPECT_EQ(r.level, 1);
	EXPECT_EQ(r.table, 1);
	EXPECT_EQ(r.table_index, 1);
	EXPECT_EQ(r.table_start, 1);
	EXPECT_EQ(r.cell_column, 1);
	EXPECT_EQ(r.cell_row, 0);
	EXPECT_EQ(r.pos_in_table, 2);
	EXPECT_EQ(r.pos_in_cell, 0);
	EXPECT_EQ(r.chr, 'b');
	EXPECT_EQ(r.tables_before, 0);

	r = doc.GetRichPos(0);
	EXPECT_EQ(r.level, 0);
	EXPECT_EQ(r.table, 0);
	EXPECT_EQ(r.tables_before, 0); // no table entered
	EXPECT_EQ(r.chr, 10);
	r = doc.GetRichPos(100);
	EXPECT_EQ(r.para_index, 2);
	EXPECT_EQ(r.para_parts, 2);

	// A table nested in the second cell of a table after another: tables counted in
	// document order, nested ones included.
	RichText nest;
	RichTable first = TextTable(1, 1, {"p"});
	RichTable inner0 = TextTable(1, 1, {"q"});
	first.cell[0][0].text.SetTable(1, inner0);
	nest.SetTable(0, first);
	RichTable outer = TextTable(1, 2, {"x", ""});
	RichTable inner = TextTable(1, 2, {"u", "v"});
	outer.cell[0][1].text.SetTable(0, inner);
	nest.SetTable(1, outer);
	int at = nest.GetLength(); // after "v"
	r = nest.GetRichPos(at);
	EXPECT_EQ(r.level, 2);
	EXPECT_EQ(r.table, 4);
	EXPECT_EQ(r.tables_before, 3);
	EXPECT_EQ(r.cell_column, 1);
	EXPECT_EQ(r.pos_in_cell, 1);
	EXPECT_EQ(r.chr, 10);
	r = nest.GetRichPos(at, 1); // only the outer table
	EXPECT_EQ(r.level, 1);
	EXPECT_EQ(r.table, 3);
	EXPECT_EQ(r.tables_before, 0);
	EXPECT_EQ(r.cell_column, 1);
	EXPECT_EQ(r.para_parts, 0);
}

TEST(DocumentPosition, HeightAtAZoom)
{
	EXPECT_EQ(RichText().GetHeight(Zoom(1, 1), 500), 0);
	RichText doc = ParseQtf("[ aaaa bbbb cccc dddd]");
	EXPECT_EQ(doc.GetHeight(Zoom(1, 0), 500), 0);
	int line = doc.GetHeight(Rect(0, 0, 100000, 268435455)).y;
	EXPECT_EQ(doc.GetHeight(Zoom(1, 2), 100000), line / 2);
	// The text width is cx * d / m in 64 bits: 65536 * 65537 wraps in 32 to a width of 1 unit,
	// one letter a line.
	EXPECT_EQ(doc.GetHeight(Zoom(65536, 65537), 65536), int(int64(line) * 65536 / 65537));
}

namespace {

// Paints everything, and counts the offsets and clips left open.
struct CountingDraw : NilDraw {
	int  open = 0;
	bool throw_text = false;

	bool IsPaintingOp(const Rect&) const override { return true; }
	void BeginOp() override                        { open++; }
	void OffsetOp(const Point&) override           { open++; }
	bool ClipOp(const Rect&) override              { open++; return true; }
	bool ClipoffOp(const Rect&) override           { open++; return true; }
	void EndOp() override                          { open--; }
	void DrawTextOp(int, int, int, const wchar*, Font, Color, int, const int*) override
	{
		if(throw_text)
			throw std::runtime_error("no room on the device");
	}
};

} // namespace

TEST(DocumentLock, GivenBackWhenPaintingThrows)
{
	RichText doc = ParseQtf("[ some text]");
	CountingDraw w;
	w.throw_text = true;
	RichPaintInfo pi;
	EXPECT_THROW(doc.Paint(w, 10, 20, 500, pi), std::runtime_error);
	EXPECT_EQ(w.open, 0); // the offset was ended too
	SimplePageDraw pw(w);
	EXPECT_THROW(doc.Paint(pw, PAGE, pi), std::runtime_error);
	// Another thread gets the document.
	auto other = std::async(std::launch::async, [&] { return doc.GetWidth(); });
	ASSERT_EQ(other.wait_for(std::chrono::seconds(60)), std::future_status::ready);
	EXPECT_GT(other.get(), 0);
}
