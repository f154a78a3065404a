// Table layout over cells of objects of exact size: bands, rows across pages, repeated header
// rows, kept tables, cell heights, spans, the layout cache and deep nesting.
#include "Hostile.h"
#include "LayoutTestUtil.h"

#include <richtext/qtf/Qtf.h>

#include <gtest/gtest.h>

using namespace QelTest;

namespace {

const Rect PAGE(0, 0, 1000, 1000);

std::string B(int cx, int cy)
{
	return QtfBox(cx, cy);
}

// The document's first table laid out from (0, 0) or from pos after the part before it.
const RichTableLayout& Layout(const RichText& doc, PagePos at = PagePos(0, 0))
{
	RichPageContext rc = doc.MakeContext(PAGE, at);
	return doc.GetTable(doc.IsTable(0) ? 0 : 1).Realize(rc);
}

std::string Rows(const RichTableLayout& l)
{
	std::string s;
	for(const TableRowLayout& r : l.row)
		s += (s.empty() ? "" : " ") + Str(r.top) + "-" + Str(r.bottom);
	return s;
}

std::string Column(const RichTableLayout& l, int c)
{
	const TableCellLayout& x = l[0][c];
	return ~Format("%d..%d %d..%d", x.left, x.right, x.inner_left, x.inner_right);
}

} // namespace

TEST(TableLayout, ColumnBands)
{
	RichText doc = ParseQtf("{{1:1:2f0 a:: b:: c}}");
	const RichTableLayout& l = Layout(doc);
	EXPECT_EQ(Column(l, 0), "0..250 0..248");
	EXPECT_EQ(Column(l, 1), "250..500 252..498");
	EXPECT_EQ(Column(l, 2), "500..1000 502..1000");
	// Margins and the frame narrow the band.
	RichText m = ParseQtf("{{1:1f10<90>100 a:: b}}");
	EXPECT_EQ(Column(Layout(m), 1), "495..890 497..890");

	// Shares adding up to nothing give equal bands.
	RichTable t;
	t.format.column_widths = {0, 0};
	t.format.frame_width = 0;
	t.cell.Add().SetCount(2);
	RichText empty;
	RichPageContext rc = empty.MakeContext(PAGE, PagePos(0, 0));
	EXPECT_EQ(Column(t.Realize(rc), 1), "500..1000 502..1000");
}

TEST(TableLayout, RowsMoveWholeToTheNextPage)
{
	RichText doc = ParseQtf(("{{1f0 " + B(100, 900) + ":: " + B(100, 100) + "}}").c_str());
	const RichTableLayout& l = Layout(doc);
	EXPECT_EQ(Rows(l), "0:0-0:930 1:0-1:130");
	EXPECT_EQ(l.row[1].grid_top, PagePos(1, 0));
	EXPECT_TRUE(l.row[1].first_on_page);
	EXPECT_EQ(l.row[0].grid_top, PagePos(0, 0));
	// A kept cell moves its row when it cannot end on the page; a plain one flows on.
	std::string lines = "[Q " + B(600, 100) + B(600, 200) + "]}}";
	RichText kept = ParseQtf(("{{1f0 " + B(100, 700) + "::k " + lines).c_str());
	EXPECT_EQ(Rows(Layout(kept)), "0:0-0:730 1:0-1:330");
	RichText flow = ParseQtf(("{{1f0 " + B(100, 700) + ":: " + lines).c_str());
	EXPECT_EQ(Rows(Layout(flow)), "0:0-0:730 0:734-1:230");
	// Through a grid line, the table's frame and space after, to the next part.
	RichText doc2 = ParseQtf(("{{1f0 " + B(100, 900) + ":: " + B(100, 100) + "}}[ " + B(100, 10) + "]").c_str());
	EXPECT_EQ(Walk(doc2, PAGE)[1].begin, PagePos(1, 130));
}

TEST(TableLayout, CellHeights)
{
	// A cell too narrow for any text still takes 80 units and its insets.
	RichText narrow = ParseQtf(("{{1:99f0 a:: " + B(10, 10) + "}}").c_str());
	EXPECT_EQ(Rows(Layout(narrow)), "0:0-0:110");
	// The minimum height holds where it fits on the row's page.
	RichText min = ParseQtf(("{{1f0H200 " + B(100, 50) + "}}").c_str());
	EXPECT_EQ(Rows(Layout(min)), "0:0-0:230");
	EXPECT_EQ(Rows(Layout(min, PagePos(0, 900))), "0:900-0:980");
	// A cell spanning two rows ends the second.
	RichText span = ParseQtf(("{{1:1f0|1 " + B(100, 400) + ":: " + B(100, 50) + ":: :: " + B(100, 50) + "}}").c_str());
	const RichTableLayout& l = Layout(span);
	EXPECT_EQ(Rows(l), "0:0-0:80 0:84-0:430");
	EXPECT_FALSE(l[1][0].origin);
	EXPECT_TRUE(l[1][0].span_end);
	EXPECT_EQ(l[1][0].end, PagePos(0, 430));
}

TEST(TableLayout, HeaderRowsRepeat)
{
	std::string qtf = "{{1f0h2 " + B(100, 100) + ":: " + B(100, 100);
	for(int i = 0; i < 8; i++)
		qtf += ":: " + B(100, 200);
	RichText doc = ParseQtf((qtf + "}}").c_str());
	const RichTableLayout& l = Layout(doc);
	EXPECT_EQ(Rows(l), "0:0-0:130 0:134-0:264 0:268-0:498 0:502-0:732 0:736-0:966 1:268-1:498 1:502-1:732 "
	                   "1:736-1:966 2:268-2:498 2:502-2:732");
	EXPECT_TRUE(l.row[5].first_on_page);

	// Header rows never stand alone at the foot of the start page.
	RichText late = ParseQtf(("[ " + B(100, 700) + "&]" + qtf + "}}").c_str());
	EXPECT_EQ(Layout(late, PagePos(0, 700)).row[0].top, PagePos(1, 0));

	// A header taller than a page is not repeated: continuation pages start at their top.
	std::string tall = "{{1f0h2 " + B(100, 600) + ":: " + B(100, 600) + ":: " + B(100, 600) + "}}";
	RichText td = ParseQtf(tall.c_str());
	const RichTableLayout& t = Layout(td);
	EXPECT_EQ(Rows(t), "0:0-0:630 1:0-1:630 2:0-2:630");
}

TEST(TableLayout, KeptTable)
{
	std::string rows = B(100, 100) + ":: " + B(100, 100) + "}}";
	RichText doc = ParseQtf(("[ " + B(100, 800) + "&]{{1f0K " + rows).c_str());
	EXPECT_EQ(Rows(Layout(doc, PagePos(0, 800))), "1:0-1:130 1:134-1:264");
	// Longer than a page, it still crosses pages from there.
	std::string big = "{{1f0K " + B(100, 600) + ":: " + B(100, 600) + "}}";
	RichText bd = ParseQtf(("[ " + B(100, 800) + "&]" + big).c_str());
	EXPECT_EQ(Rows(Layout(bd, PagePos(0, 800))), "1:0-1:630 2:0-2:630");
}

TEST(TableLayout, CachedByStartAndPage)
{
	RichText doc = ParseQtf(("{{1f0 " + B(100, 900) + ":: " + B(100, 100) + "}}").c_str());
	const RichTable& t = doc.GetTable(0);
	RichPageContext rc = doc.MakeContext(PAGE, PagePos(0, 0));
	t.Realize(rc);
	// The same place pages later: the same layout, pages on.
	rc.py = PagePos(3, 0);
	EXPECT_EQ(Rows(t.Realize(rc)), "3:0-3:930 4:0-4:130");
	rc.py = PagePos(0, 50);
	t.Realize(rc);
	rc.py = PagePos(1, 0);
	EXPECT_EQ(Rows(t.Realize(rc)), "1:0-1:930 2:0-2:130");
	rc.page.right = 500;
	EXPECT_EQ(t.Realize(rc)[0][0].right, 500);
}

TEST(TableLayout, DeepNestingAcrossPages)
{
	// Sixteen tables, each in the cell of the one around it after a paragraph, on pages that
	// every level crosses.
	// Each repeats its first row on continuation pages and keeps itself together, so that
	// every level lays the one inside out from several places.
	std::string qtf;
	for(int i = 0; i < 16; i++)
		qtf += "{{20:1h1K " + B(100, 40);
	qtf += B(100, 100);
	for(int i = 0; i < 16; i++)
		qtf += ":: " + B(100, 120) + ":: " + B(100, 30) + ":: " + B(100, 250) + "}}";
	RichText doc = ParseQtf(qtf.c_str());
	ASSERT_EQ(doc.GetTableCount(), 16);
	PagePos end = doc.GetHeight(Rect(0, 0, 5000, 600));
	EXPECT_GT(end.page, 5);
	EXPECT_EQ(doc.GetHeight(Rect(0, 0, 5000, 600)), end);
	EXPECT_GT(doc.GetHeight(Rect(0, 0, 4000, 700)).page, 3);
}

// A table in a header row of a table that repeats its header rows is laid out where they repeat
// and where they first stand, so each such table around it doubled the work: a chain of them as
// deep as QTF nests tables never came back. Only the few outermost repeat their headers now.
TEST(TableLayout, HeaderRowsInHeaderRowsOfNestedTables)
{
	String q;
	for(int i = 0; i < QTF_MAX_TABLE_DEPTH; i++)
		q << "{{1h1 level";
	q << "innermost";
	for(int i = 0; i < QTF_MAX_TABLE_DEPTH; i++)
		q << ":: body}}";
	RichText doc = ParseQtf(~q);
	ASSERT_EQ(doc.GetTableCount(), QTF_MAX_TABLE_DEPTH);
	const Rect page(0, 0, 5000, 7000);
	QEL_EXPECT_BOUNDED(256, 5, [&] {
		NilDraw w;
		doc.Paint(w, 0, 0, 5000, RichPaintInfo()); // on one page as long as the text
		SimplePageDraw pw(w);
		doc.Paint(pw, page, RichPaintInfo());
		return doc.GetHeight(Zoom(1, 1), 5000) + doc.GetCaret(doc.GetLength(), page).page +
		       doc.GetPos(100, PagePos(1, 100), page);
	}());
}
