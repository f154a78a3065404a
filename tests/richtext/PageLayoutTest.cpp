// Page layout walks over documents of objects of exact size: the page-break rules, headers and
// footers, tables as parts, where texts begin and how wide they need to be.
#include "LayoutTestUtil.h"

#include <gtest/gtest.h>

using namespace QelTest;

namespace {

const Rect PAGE(0, 0, 1000, 1000);

RichText Qtf(const std::string& s)
{
	return ParseQtf(s.c_str());
}

std::string B(int cx, int cy)
{
	return QtfBox(cx, cy);
}

// "begin-end" of every part.
std::string Spans(const RichText& doc, const Rect& page = PAGE)
{
	std::string s;
	for(const PartSpan& p : Walk(doc, page))
		s += (s.empty() ? "" : " ") + Str(p.begin) + "-" + Str(p.end);
	return s;
}

} // namespace

TEST(PageLayout, UnboundedPageIsThePlainSum)
{
	RichText doc = Qtf("[H5b10a20 " + B(600, 100) + B(600, 150) + "&][b7 " + B(100, 30) + "&][ " + B(10, 10) + "]");
	EXPECT_EQ(doc.GetHeight(Rect(0, 0, 1000, 268435455)), PagePos(0, 5 + 10 + 250 + 20 + 7 + 30 + 10));
	// Page breaks and keeping play no part there.
	RichText brk = Qtf("[Pk " + B(100, 30000) + "&][P " + B(100, 30000) + "]");
	EXPECT_EQ(brk.GetHeight(Rect(0, 0, 1000, 268435455)), PagePos(0, 60000));
}

TEST(PageLayout, NewPageAndFirstOnPage)
{
	EXPECT_EQ(Spans(Qtf("[P " + B(100, 100) + "&][ " + B(100, 100) + "]")), "1:0-1:100 1:100-1:200");
	EXPECT_EQ(Spans(Qtf("[F " + B(100, 100) + "&][F " + B(100, 100) + "&][FP " + B(100, 100) + "]")),
	          "0:0-0:100 1:0-1:100 2:0-2:100");
	// The space after a paragraph that passes the page bottom ends the page.
	EXPECT_EQ(Spans(Qtf("[a50 " + B(100, 980) + "&][ " + B(100, 10) + "]")), "0:0-1:0 1:0-1:10");
}

TEST(PageLayout, LinesAcrossPages)
{
	std::string a = "[ " + B(1000, 800) + "&]";
	std::string two = B(600, 100) + B(600, 150);
	// The first line does not stay alone at the foot of a page unless orphans are allowed.
	EXPECT_EQ(Spans(Qtf(a + "[ " + two + "]")), "0:0-0:800 0:800-1:250");
	EXPECT_EQ(Spans(Qtf(a + "[Q " + two + "]")), "0:0-0:800 0:800-1:150");
	// Nor does the last line stand alone at the head of one.
	std::string three = B(600, 100) + B(600, 150) + B(600, 100);
	EXPECT_EQ(Spans(Qtf("[ " + B(1000, 700) + "&][ " + three + "]")), "0:0-0:700 0:700-1:250");
	// Kept together when the block fits a page.
	EXPECT_EQ(Spans(Qtf("[ " + B(1000, 700) + "&][k " + three + "]")), "0:0-0:700 1:0-1:350");
	// A kept block taller than a page stays; its lines break at the page bottom.
	EXPECT_EQ(Spans(Qtf("[k " + B(600, 400) + B(600, 400) + B(600, 400) + "]")), "0:0-1:800");
	// A line taller than a page stays where it falls.
	EXPECT_EQ(Spans(Qtf("[ " + B(1000, 100) + "&][ " + B(1000, 1500) + "]")), "0:0-0:100 0:100-1:0");
}

TEST(PageLayout, KeepWithNext)
{
	std::string tail = B(1000, 200) + "&][ " + B(1000, 200) + "]";
	EXPECT_EQ(Spans(Qtf("[ " + B(1000, 700) + "&][K " + tail)), "0:0-0:700 1:0-1:200 1:200-1:400");
	EXPECT_EQ(Spans(Qtf("[ " + B(1000, 700) + "&][ " + tail)), "0:0-0:700 0:700-0:900 1:0-1:200");
}

TEST(PageLayout, HeadersAndFooters)
{
	RichText doc = Qtf("[ " + B(100, 100) + "]");
	SetHeaderQtf(doc.header, B(1000, 300).c_str());
	SetHeaderQtf(doc.footer, B(1000, 400).c_str());
	RichPageContext rc = doc.MakeContext(PAGE, PagePos(0, 0));
	EXPECT_EQ(rc.page, Rect(0, 300, 1000, 600));
	EXPECT_EQ(rc.py, PagePos(0, 300));
	EXPECT_EQ(rc.header_wanted, 300);
	EXPECT_EQ(rc.footer_current, 400);
	EXPECT_EQ(doc.GetHeight(PAGE), PagePos(0, 400));

	// Together above 4/5 of the page: neither is used; the whole of an unbounded page counts.
	SetHeaderQtf(doc.header, B(1000, 500).c_str());
	rc = doc.MakeContext(PAGE, PagePos(0, 0));
	EXPECT_EQ(rc.page, PAGE);
	EXPECT_EQ(rc.header_wanted + rc.footer_wanted, 0);
	rc = doc.MakeContext(Rect(0, 0, 1000, 0x3FFFFFFF), PagePos(0, 0));
	EXPECT_EQ(rc.page, Rect(0, 500, 1000, 0x3FFFFFFF - 400));

	// A paragraph's header and footer hold from the next page on.
	std::string hdr = "tP" + B(1000, 200) + "^^" + B(1000, 100) + "^^";
	RichText p = Qtf("[ " + B(100, 100) + "&][" + hdr + " " + B(100, 800) + "&][ " + B(100, 200) + "]");
	EXPECT_EQ(Spans(p), "0:0-0:100 0:100-0:900 1:200-1:400");
	RichText q = Qtf("[ " + B(100, 100) + "&][P" + hdr + " " + B(100, 100) + "]");
	EXPECT_EQ(Spans(q), "0:0-0:100 1:200-1:300");

	// A table's, with a page break before it.
	RichText t = Qtf("[ " + B(100, 100) + "&]{{1P*T" + B(1000, 150) + "^^^^ " + B(100, 50) + "}}");
	EXPECT_EQ(Spans(t), "0:0-0:100 1:150-1:200");
}

TEST(PageLayout, PageFields)
{
	RichText doc = ParseQtf("{:VALUE:PAGENUMBER:} of {:VALUE:PAGECOUNT:}");
	doc.SetPageFields(4, 9);
	RichPara p = doc.Get(0, doc.GetStyles());
	ASSERT_EQ(p.part.GetCount(), 3);
	EXPECT_EQ(p.part[0].fieldpart[0].text, WString("5"));
	EXPECT_EQ(p.part[2].fieldpart[0].text, WString("9"));
}

TEST(PageLayout, TablesAsParts)
{
	// Space before, frame, one cell of default margins, frame and space after.
	RichText doc = Qtf("{{1B20f10A30 " + B(100, 50) + "}}");
	EXPECT_EQ(doc.GetHeight(PAGE), PagePos(0, 20 + 10 + 15 + 50 + 15 + 10 + 30));
	RichPageContext rc = doc.MakeContext(PAGE, PagePos(0, 0));
	EXPECT_EQ(doc.GetTop(rc), PagePos(0, 20));
	// The space after that passes the page bottom ends the page.
	RichText end = Qtf("[ " + B(100, 900) + "&]{{1A30 " + B(100, 50) + "}}");
	EXPECT_EQ(Spans(end), "0:0-0:900 0:900-1:0");

	RichTable t;
	t.format.grid_width = 4;
	t.format.left_margin = 7;
	t.format.right_margin = 9;
	EXPECT_EQ(t.GetWidth(RichText().GetStyles()), 20);
}

TEST(PageLayout, WhereTextBegins)
{
	RichText doc = Qtf("[b50 " + B(1000, 100) + "]");
	RichPageContext rc = doc.MakeContext(PAGE, PagePos(0, 0));
	EXPECT_EQ(doc.GetTop(rc), PagePos(0, 50));
	rc = doc.MakeContext(PAGE, PagePos(0, 900));
	EXPECT_EQ(doc.GetTop(rc), PagePos(1, 0));
	EXPECT_EQ(rc.py, PagePos(1, 0));
	// A first line taller than any page starts where it is.
	RichText tall = Qtf("[ " + B(1000, 1000) + "]");
	rc = tall.MakeContext(PAGE, PagePos(0, 900));
	EXPECT_EQ(tall.GetTop(rc), PagePos(0, 900));
	// Two lines that would leave the first alone: both go.
	RichText two = Qtf("[ " + B(600, 50) + B(600, 100) + "]");
	rc = two.MakeContext(PAGE, PagePos(0, 900));
	EXPECT_EQ(two.GetTop(rc), PagePos(1, 0));
}

TEST(PageLayout, NaturalWidth)
{
	// The widest line, with margins and indents; numbering runs through the paragraphs.
	RichText doc = Qtf("[l100i50 " + B(300, 10) + "&][r500 " + B(700, 10) + "]");
	EXPECT_EQ(doc.GetWidth(doc.GetStyles()), 700);
	// A table: each column's widest cell with its margins, scaled up to the column's share;
	// a column of share 0 gets no room.
	RichTable t;
	t.format.column_widths = {0, 1, 3};
	t.format.grid_width = 4;
	t.cell.Add().SetCount(3);
	t.cell[0][0].text.SetPara(0, RichPara(), RichStyle());
	RichPara p;
	p.Cat(Box(150, 10), RichPara::CharFormat());
	t.cell[0][1].text.SetPara(0, p, RichStyle());
	p.part[0].object.SetSize(Size(1000, 10));
	t.cell[0][0].text.SetPara(0, p, RichStyle());
	RichText d;
	d.SetTable(0, t);
	// column 1 needs 150 + 50 of 1/4 of the width: 800
	EXPECT_EQ(d.GetWidth(d.GetStyles()), 4 * 4 + 800);
}
