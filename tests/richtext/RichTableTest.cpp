#include "Hostile.h"
#include "RichTestUtil.h"

#include <richtext/qtf/Qtf.h>

#include <gtest/gtest.h>

#include <climits>

using namespace Qel;
using namespace QelTest;

namespace {

WString sCellText(const RichTable& t, int r, int c) { return ParaText(t.cell[r][c].text, 0); }

Vector<int> sWidths(std::initializer_list<int> w)
{
	Vector<int> v;
	for(int x : w)
		v.Add(x);
	return v;
}

Vector<int> sNormalized(std::initializer_list<int> w)
{
	RichTable t = TextTable(1, int(w.size()));
	t.format.column_widths = sWidths(w);
	t.Normalize();
	return std::move(t.format.column_widths);
}

WString sPlain(RichTable& t)
{
	RichText doc;
	doc.SetTable(0, t);
	return doc.GetPlainText();
}

} // namespace

TEST(RichTable, NewCellsLengthsAndNestedCounts)
{
	RichCell c;
	EXPECT_TRUE(c.text.IsPara(0) && c.text.GetPartCount() == 1 && c.text.GetLength() == 0);
	EXPECT_EQ(TextTable(1, 2, {"a", "bc"}).GetLength(), 4);
	EXPECT_EQ(TextTable(2, 3).GetLength(), 5);

	RichTable g = TextTable(2, 2), mid = TextTable(1, 1), leaf = TextTable(1, 1), leaf2 = TextTable(1, 1);
	mid.cell[0][0].text.SetTable(1, leaf);
	g.cell[0][1].text.SetTable(0, mid);
	g.cell[1][1].text.SetTable(0, leaf2);
	g.Normalize();
	EXPECT_EQ(g.GetTableCount(), 3);
	EXPECT_EQ(g.GetTableCountBefore(0, 1), 0);
	EXPECT_EQ(g.GetTableCountBefore(1, 1), 2);

	RichText doc;
	doc.Cat(TextPara("x"));
	int len = g.GetLength();
	doc.SetTable(1, g);
	EXPECT_EQ(g.GetRows() + g.GetColumns(), 0);
	EXPECT_EQ(doc.GetLength(), 1 + 1 + len);
	EXPECT_EQ(doc.GetTableCount(), 4);
}

TEST(RichTable, NormalizeMergesSpannedRowsAndColumns)
{
	RichTable t = TextTable(2, 2, {"a", "b"});
	t.cell[0][0].vspan = t.cell[0][1].vspan = 1;
	t.Normalize();
	EXPECT_TRUE(t.GetRows() == 1 && t.cell[0][0].vspan + t.cell[0][1].vspan == 0);
	EXPECT_EQ(sPlain(t), WString("a\tb\n"));

	RichTable h = TextTable(1, 3, {"x", "", "y"});
	h.format.column_widths = sWidths({3000, 3000, 4000});
	h.cell[0][0].hspan = 1;
	h.Normalize();
	EXPECT_EQ(h.format.column_widths, sWidths({6000, 4000}));
	EXPECT_EQ(h.cell[0][0].hspan, 0);

	// a cell going on below moves down with its text when its own row goes
	RichTable m = TextTable(3, 2, {"a", "b", "moved", "", "c", "d"});
	m.cell[0][1].vspan = 2;
	m.cell[1][0].vspan = 1;
	m.Normalize();
	EXPECT_TRUE(m.GetRows() == 2 && m.cell[0][1].vspan == 1 && m.cell[1][0].vspan == 0);
	EXPECT_EQ(sPlain(m), WString("a\tb\nmoved\n"));
}

TEST(RichTable, HeaderRowsAndCoveredCells)
{
	auto merged = [](int header_rows, int row) {
		RichTable t = TextTable(5, 1);
		t.format.header_rows = header_rows;
		t.cell[row - 1][0].vspan = 1;
		t.Normalize();
		EXPECT_EQ(t.GetRows(), 4);
		return t.format.header_rows;
	};
	EXPECT_EQ(merged(3, 1), 2); // the second of three header rows
	EXPECT_EQ(merged(1, 3), 1); // a body row

	// a span starting in the header ends at its last row; covered cells are reset, and rows
	// get one cell per column
	RichTable t = TextTable(3, 3, {"h", "x", "y", "z", "w", "v", "b"});
	t.format.header_rows = 2;
	t.cell[0][0].vspan = 5;
	t.cell[0][0].hspan = 1;
	t.cell[0][1].format.color = Color(1, 2, 3);
	t.cell[2].Add();
	t.cell.Add().SetCount(1);
	t.NormalizeSpans();
	EXPECT_EQ(t.cell[0][0].vspan, 1);
	EXPECT_EQ(t.cell[0][1].format.color, Color(255, 255, 255));
	EXPECT_EQ(t.cell[1][0].hspan, 1); // columns left in the span
	EXPECT_EQ(t.cell[2].GetCount() + t.cell[3].GetCount(), 6);
	std::string covered; // by the clipped span of the header's first cell only
	for(int r = -1; r <= t.GetRows(); r++)
		for(int c = -1; c <= t.GetColumns(); c++)
			covered += t.IsCovered(r, c) ? '1' : '0';
	EXPECT_EQ(covered, "00000" "00100" "01100" "00000" "00000" "00000");
	EXPECT_EQ(sPlain(t), WString("h\ty\nv\nb\t\t\n\t\t\n"));
}

// Header rows read from QTF count 0 up to the rows of the table, whatever the number says.
TEST(RichTable, HeaderRowsHeldWithinTheRows)
{
	for(const char* name : { "table_header_rows_intmin.qtf", "grid_header_rows_intmin.qtf" }) {
		SCOPED_TRACE(name);
		RichText doc = ParseQtf(LoadFile(String(QEL_TEST_DATA "/richtext/hostile/") + name));
		ASSERT_TRUE(doc.IsTable(0));
		EXPECT_EQ(doc.GetTable(0).format.header_rows, 0);
		EXPECT_EQ(ParseQtf(AsQTF(doc)).GetTable(0).format.header_rows, 0);
	}
	EXPECT_EQ(ParseQtf("{{1h9; a:: b}}").GetTable(0).format.header_rows, 2);
	// a span of four more rows in a table of one
	const char* one_row = "{{1:1 a::h-2147483648|4 b}}";
	QEL_EXPECT_BOUNDED(200, 10, AsQTF(ParseQtf(one_row)));
	if(HasFailure())
		return;
	RichText doc = ParseQtf(AsQTF(ParseQtf(one_row)));
	const RichTable& t = doc.GetTable(0);
	EXPECT_TRUE(t.GetRows() == 1 && t.cell[0][1].vspan == 0 && t.format.header_rows == 0);
}

TEST(RichTable, WidthsAndSpansOfAnyValue)
{
	EXPECT_EQ(sNormalized({1, 1, 1}), sWidths({3333, 3333, 3334}));
	EXPECT_EQ(sNormalized({0, 0}), sWidths({5000, 5000}));
	EXPECT_EQ(sNormalized({1}), sWidths({10000}));
	EXPECT_EQ(sNormalized({-5, 10000}), sWidths({0, 10000}));
	EXPECT_EQ(sNormalized({INT_MAX, INT_MAX, INT_MAX, INT_MAX}), sWidths({2500, 2500, 2500, 2500}));
	RichTable none; // no rows: only the first column stays
	none.format.column_widths = sWidths({INT_MAX, INT_MAX, 3});
	none.Normalize();
	EXPECT_EQ(none.format.column_widths, sWidths({10000}));

	RichTable t = TextTable(3, 3, {"a", "b", "c", "d", "e", "f", "g", "h", "i"});
	t.cell[0][0].vspan = -4;
	t.cell[0][0].hspan = -1;
	t.cell[1][1].vspan = INT_MAX;
	t.cell[1][1].hspan = INT_MAX - 1;
	t.Normalize();
	EXPECT_TRUE(t.cell[0][0].vspan + t.cell[0][0].hspan == 0 && t.cell[1][1].vspan == 1 && t.cell[1][1].hspan == 1);
	EXPECT_EQ(sPlain(t), WString("a\tb\tc\nd\te\ng\n"));

	// P's span would reach below O, which O covers; merging O's row would bury O under P
	RichTable o = TextTable(3, 2, {"A", "B", "", "O", "P", ""});
	o.cell[0][0].vspan = o.cell[1][1].vspan = o.cell[2][0].hspan = 1;
	EXPECT_EQ(sPlain(o), WString("A\tB\nP\tO\n"));
}

TEST(RichTable, RemoveColumnCopyAndMove)
{
	RichTable t = TextTable(2, 3, {"a", "", "b", "c"});
	t.format.column_widths = sWidths({1, 2, 3});
	t.cell[0][0].hspan = 1;
	t.cell[1][0].hspan = 2;
	t.RemoveColumn(1);
	t.RemoveColumn(-1);
	EXPECT_EQ(t.format.column_widths, sWidths({1, 3}));
	EXPECT_TRUE(t.cell[0][0].hspan == 0 && t.cell[1][0].hspan == 1);
	EXPECT_EQ(t.GetLength(), 3 + 3 - 1);

	t.format.header_qtf = "head";
	t.header.Set(RichText());
	t.header->Cat(TextPara("page head"));
	RichTable copy(t);
	EXPECT_EQ(copy.format.column_widths, sWidths({2500, 7500}));
	ASSERT_TRUE(copy.header); // the page header survives the copy
	EXPECT_NE(copy.header.get(), t.header.get());
	EXPECT_EQ(copy.header->GetPlainText(), WString("page head"));
	copy.cell[0][0].ClearText();
	EXPECT_EQ(sCellText(t, 0, 0), WString("a"));

	RichTable moved(std::move(t));
	EXPECT_EQ(moved.GetRows(), 2);
	EXPECT_TRUE(t.GetRows() + t.GetColumns() == 0 && !t.header && t.format.header_qtf.IsEmpty());
}

// A cell given a text of no parts holds an empty paragraph once stored, as every cell read from
// QTF does: written as "[]", a cell without parts had its separator taken for a format command,
// and the cells after it moved up.
TEST(RichTable, CellWithoutPartsHoldsAnEmptyParagraph)
{
	RichTable t = TextTable(2, 2, {"a", "", "c", "d"});
	t.cell[0][1].text = RichTxt();
	RichText doc;
	doc.SetTable(0, t);
	EXPECT_EQ(doc.GetTable(0).cell[0][1].text.GetPartCount(), 1);
	RichText back = ParseQtf(~AsQTF(doc));
	EXPECT_EQ(back.GetPlainText(), doc.GetPlainText());
	EXPECT_EQ(AsQTF(back), AsQTF(doc));
	ASSERT_TRUE(back.IsTable(0));
	EXPECT_EQ(back.GetTable(0).cell[1][0].text.GetPlainText(), WString("c"));
}
