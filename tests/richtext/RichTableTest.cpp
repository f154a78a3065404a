#include "RichTestUtil.h"

#include <gtest/gtest.h>

#include <climits>

using namespace Qel;
using namespace QelTest;

namespace {

WString sCellText(const RichTable& t, int r, int c)
{
	return ParaText(t.cell[r][c].text, 0);
}

Vector<int> sWidths(std::initializer_list<int> w)
{
	Vector<int> v;
	for(int x : w)
		v.Add(x);
	return v;
}

Vector<int> sNormalizedWidths(std::initializer_list<int> w)
{
	RichTable t = TextTable(1, int(w.size()));
	t.format.column_widths = sWidths(w);
	t.Normalize();
	return std::move(t.format.column_widths);
}

} // namespace

TEST(RichTable, NewCellsAndTables)
{
	RichCell c;
	EXPECT_EQ(c.format.margin, Rect(25, 15, 25, 15));
	EXPECT_EQ(c.format.border, Rect(0, 0, 0, 0));
	EXPECT_EQ(c.format.valign, 3);
	EXPECT_EQ(c.format.color, Color(255, 255, 255));
	EXPECT_EQ(c.format.border_color, Color(0, 0, 0));
	EXPECT_EQ(c.text.GetPartCount(), 1);
	EXPECT_TRUE(c.text.IsPara(0));
	EXPECT_EQ(c.text.GetLength(), 0);

	RichTable t;
	EXPECT_EQ(t.format.frame_width, 10);
	EXPECT_EQ(t.format.grid_width, 4);
	EXPECT_EQ(t.GetRows(), 0);
	EXPECT_EQ(t.GetColumns(), 0);
	EXPECT_EQ(t.GetLength(), 0);
}

TEST(RichTable, LengthsAndNestedTableCounts)
{
	RichTable t = TextTable(1, 2, {"a", "bc"});
	EXPECT_EQ(t.GetLength(), 4);
	EXPECT_EQ(TextTable(2, 3).GetLength(), 5);

	// nested tables counted per cell, and the ones before a cell in row-major order
	RichTable g = TextTable(2, 2);
	RichTable leaf = TextTable(1, 1);
	RichTable mid = TextTable(1, 1);
	mid.cell[0][0].text.SetTable(1, leaf);
	g.cell[0][1].text.SetTable(0, mid);
	RichTable leaf2 = TextTable(1, 1);
	g.cell[1][1].text.SetTable(0, leaf2);
	g.Normalize();
	EXPECT_EQ(g.GetTableCount(), 3);
	EXPECT_EQ(g.GetTableCountBefore(0, 1), 0);
	EXPECT_EQ(g.GetTableCountBefore(1, 0), 2);
	EXPECT_EQ(g.GetTableCountBefore(1, 1), 2);
	EXPECT_EQ(g.GetTableCountBefore(9, 0), 3);

	RichText doc;
	doc.Cat(TextPara("x"));
	RichTable copy(g);
	doc.SetTable(1, g);
	EXPECT_EQ(g.GetRows(), 0);
	EXPECT_EQ(g.GetColumns(), 0);
	EXPECT_EQ(doc.GetLength(), 1 + 1 + copy.GetLength());
	EXPECT_EQ(doc.GetTableCount(), 4);
}

TEST(RichTable, NormalizeMergesSpannedRowsAndColumns)
{
	RichTable t = TextTable(2, 2, {"a", "b"});
	t.cell[0][0].vspan = t.cell[0][1].vspan = 1;
	t.Normalize();
	ASSERT_EQ(t.GetRows(), 1);
	EXPECT_EQ(t.cell[0][0].vspan, 0);
	EXPECT_EQ(t.cell[0][1].vspan, 0);
	EXPECT_EQ(sCellText(t, 0, 0), WString("a"));
	EXPECT_EQ(sCellText(t, 0, 1), WString("b"));

	RichTable h = TextTable(1, 3, {"x", "", "y"});
	h.format.column_widths = sWidths({3000, 3000, 4000});
	h.cell[0][0].hspan = 1;
	h.Normalize();
	EXPECT_EQ(h.format.column_widths, sWidths({6000, 4000}));
	EXPECT_EQ(h.cell[0][0].hspan, 0);
	EXPECT_EQ(sCellText(h, 0, 1), WString("y"));

	// a cell going on below is moved down with its text when its own row goes
	RichTable m = TextTable(3, 2, {"a", "b", "", "", "c", "d"});
	m.cell[0][1].vspan = 2;
	m.cell[1][0].vspan = 1;
	m.cell[1][0].text.SetPara(0, TextPara("moved"), RichStyle());
	m.Normalize();
	ASSERT_EQ(m.GetRows(), 2);
	EXPECT_EQ(m.cell[0][1].vspan, 1);
	EXPECT_EQ(sCellText(m, 1, 0), WString("moved"));
	EXPECT_EQ(m.cell[1][0].vspan, 0);
	EXPECT_EQ(m.GetLength(), 1 + 1 + 1 + 1 + 5);
}

TEST(RichTable, HeaderRowsUnderMerging)
{
	auto covered_row = [](int header_rows, int row) {
		RichTable t = TextTable(5, 1, {"0", "1", "2", "3", "4"});
		t.format.header_rows = header_rows;
		t.cell[row - 1][0].vspan = 1;
		t.Normalize();
		EXPECT_EQ(t.GetRows(), 4);
		return t.format.header_rows;
	};
	EXPECT_EQ(covered_row(3, 1), 2); // the second of three header rows merged away
	EXPECT_EQ(covered_row(1, 3), 1); // a body row: the header stays

	// a span starting in the header ends at its last row; the cells below stay their own
	RichTable t = TextTable(4, 2, {"h", "i", "", "", "b", "c", "d", "e"});
	t.format.header_rows = 2;
	t.cell[0][0].vspan = 3;
	t.NormalizeSpans();
	EXPECT_EQ(t.cell[0][0].vspan, 1);
	EXPECT_EQ(sCellText(t, 2, 0), WString("b"));
	EXPECT_EQ(t.GetLength(), 6 + 7 - 1); // six letters in seven cells
}

TEST(RichTable, NormalizeSpansResetsCoveredCellsAndRowWidths)
{
	RichTable t = TextTable(2, 3, {"a", "x", "y", "z", "w", "v"});
	t.cell[0][0].hspan = 2;
	t.cell[0][0].vspan = 1;
	t.cell[0][1].format.color = Color(1, 2, 3);
	t.cell[0][1].vspan = 5;
	t.cell[1].Add();                         // one cell too many
	t.cell.Add().SetCount(1);                // and a row too short
	t.NormalizeSpans();
	ASSERT_EQ(t.cell[1].GetCount(), 3);
	ASSERT_EQ(t.cell[2].GetCount(), 3);
	EXPECT_EQ(t.cell[0][1].format.color, Color(255, 255, 255));
	EXPECT_EQ(t.cell[0][1].vspan, 0);
	EXPECT_EQ(t.cell[0][1].hspan, 1);        // columns left in the span
	EXPECT_EQ(t.cell[1][0].hspan, 2);
	EXPECT_EQ(t.cell[0][2].text.GetLength(), 0);
	EXPECT_EQ(t.cell[1][1].text.GetLength(), 0);
	EXPECT_EQ(t.GetLength(), 1 + 4 - 1); // "a" and the three cells of the last row
}

TEST(RichTable, ColumnWidthsScaleToExactlyTenThousand)
{
	EXPECT_EQ(sNormalizedWidths({1, 1, 1}), sWidths({3333, 3333, 3334}));
	EXPECT_EQ(sNormalizedWidths({0, 0}), sWidths({5000, 5000}));
	EXPECT_EQ(sNormalizedWidths({1}), sWidths({10000}));
	EXPECT_EQ(sNormalizedWidths({2500, 7500}), sWidths({2500, 7500}));
	// a negative share counts as none, and large shares do not overflow
	EXPECT_EQ(sNormalizedWidths({-1, 3}), sWidths({0, 10000}));
	EXPECT_EQ(sNormalizedWidths({-5, 10000}), sWidths({0, 10000}));
	EXPECT_EQ(sNormalizedWidths({300000, 100000}), sWidths({7500, 2500}));
	EXPECT_EQ(sNormalizedWidths({INT_MAX, INT_MAX, INT_MAX, INT_MAX}), sWidths({2500, 2500, 2500, 2500}));

	// widths of merged columns add up without overflowing either
	RichTable t = TextTable(1, 3);
	t.format.column_widths = sWidths({INT_MAX, INT_MAX, 0});
	t.cell[0][0].hspan = 1;
	t.Normalize();
	EXPECT_EQ(t.format.column_widths, sWidths({10000, 0}));
	RichTable none; // no rows: only the first column stays
	none.format.column_widths = sWidths({1, 2, 3});
	none.Normalize();
	EXPECT_EQ(none.format.column_widths, sWidths({10000}));
}

TEST(RichTable, OutlandishSpansAreClipped)
{
	RichTable t = TextTable(3, 3, {"a", "b", "c", "d", "e", "f", "g", "h", "i"});
	t.cell[0][0].vspan = -4;
	t.cell[0][0].hspan = -1;
	t.cell[1][1].vspan = INT_MAX;
	t.cell[1][1].hspan = INT_MAX - 1;
	t.Normalize();
	ASSERT_EQ(t.GetRows(), 3);
	EXPECT_EQ(t.cell[0][0].vspan, 0);
	EXPECT_EQ(t.cell[0][0].hspan, 0);
	EXPECT_EQ(t.cell[1][1].vspan, 1);
	EXPECT_EQ(t.cell[1][1].hspan, 1);
	RichText doc;
	doc.SetTable(0, t);
	EXPECT_EQ(doc.GetPlainText(), WString("a\tb\tc\nd\te\ng\n"));
}

TEST(RichTable, RemoveColumnNarrowsSpansAcrossIt)
{
	RichTable t = TextTable(2, 3, {"a", "", "b", "c", "", ""});
	t.format.column_widths = sWidths({1, 2, 3});
	t.cell[0][0].hspan = 1;
	t.cell[1][0].hspan = 2;
	t.NormalizeSpans();
	t.RemoveColumn(1);
	EXPECT_EQ(t.format.column_widths, sWidths({1, 3}));
	EXPECT_EQ(t.cell[0][0].hspan, 0);
	EXPECT_EQ(t.cell[1][0].hspan, 1);
	EXPECT_EQ(t.cell[1][1].hspan, 0);  // covered: no columns left after it
	EXPECT_EQ(t.GetLength(), 3 + 3 - 1); // a, b, c
	t.RemoveColumn(2);
	t.RemoveColumn(-1);
	EXPECT_EQ(t.GetColumns(), 2);
}

TEST(RichTable, CopyNormalisesAndMoveEmpties)
{
	RichTable t = TextTable(2, 2, {"a", "b", "c", "d"});
	t.cell[0][0].vspan = t.cell[0][1].vspan = 1;
	t.format.column_widths = sWidths({1, 3});
	t.format.header_qtf = "head";
	t.format.new_header_footer = true;
	t.header = new RichText;
	t.header->Cat(TextPara("page head"));
	RichTable copy(t);
	EXPECT_EQ(copy.GetRows(), 1);
	EXPECT_EQ(copy.format.column_widths, sWidths({2500, 7500}));
	EXPECT_EQ(copy.format.header_qtf, "head");
	ASSERT_NE(copy.header, nullptr); // the page header survives the copy
	EXPECT_NE(copy.header, t.header);
	EXPECT_EQ(copy.header->GetPlainText(), WString("page head"));
	copy.cell[0][0].ClearText();
	EXPECT_EQ(sCellText(t, 0, 0), WString("a"));

	RichTable moved(std::move(t));
	EXPECT_EQ(moved.GetRows(), 2);
	EXPECT_NE(moved.header, nullptr);
	EXPECT_EQ(t.GetRows(), 0);
	EXPECT_EQ(t.GetColumns(), 0);
	EXPECT_EQ(t.header, nullptr);
	EXPECT_TRUE(t.format.header_qtf.IsEmpty());
}

TEST(RichTable, OverlappingSpansNeverBuryACell)
{
	// P's span would run into the position below O that O already covers; merging away the
	// row of O would then put O under P and clear it
	RichTable t = TextTable(3, 2, {"A", "B", "", "O", "P", ""});
	t.cell[0][0].vspan = 1;
	t.cell[1][1].vspan = 1;
	t.cell[2][0].hspan = 1;
	t.Normalize();
	ASSERT_EQ(t.GetRows(), 2);
	EXPECT_EQ(t.cell[1][0].hspan, 0);
	RichText doc;
	doc.SetTable(0, t);
	EXPECT_EQ(doc.GetPlainText(), WString("A\tB\nP\tO\n"));
}
