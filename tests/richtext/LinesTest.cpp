// Paragraph line layout with objects of exact size: breaking, tabs, alignment, line spacing, the
// lines cache and lengths far beyond a page.
#include "LayoutTestUtil.h"

#include <gtest/gtest.h>

using namespace QelTest;

namespace {

RichPara Boxes(std::initializer_list<Size> boxes, const RichPara::Format& f = RichPara::Format())
{
	RichPara p;
	p.format = f;
	for(Size sz : boxes)
		p.Cat(Box(sz.cx, sz.cy), RichPara::CharFormat());
	return p;
}

void Text(RichPara& p, const char* s)
{
	p.Cat(WString(s), RichPara::CharFormat());
}

void Obj(RichPara& p, int cx, int cy = 100, int ydelta = 0)
{
	p.Cat(Box(cx, cy, ydelta), RichPara::CharFormat());
}

RichPara::Lines Format(const RichPara& p, int cx)
{
	return p.FormatLines(cx, RichPara::Number());
}

} // namespace

TEST(Lines, BreakAlignAndSpacing)
{
	RichPara p = Boxes({{400, 100}, {400, 200}, {400, 50}, {1500, 10}, {10, 10}});
	EXPECT_EQ(DescribeLines(Format(p, 1000)),
	          "0+2 0+2 x=0 cx=800 200/0/0 | 2+1 2+1 x=0 cx=400 50/0/0 | 3+1 3+1 x=0 cx=1500 10/0/0 | "
	          "4+1 4+1 x=0 cx=10 10/0/0");
	p.format.align = RichPara::RIGHT;
	p.format.lm = 50;
	p.format.rm = 50;
	EXPECT_EQ(DescribeLines(Format(p, 1100)),
	          "0+2 0+2 x=250 cx=800 200/0/0 | 2+1 2+1 x=650 cx=400 50/0/0 | 3+1 3+1 x=-450 cx=1500 10/0/0 | "
	          "4+1 4+1 x=1040 cx=10 10/0/0");
	p.format.align = RichPara::CENTER;
	p.format.linespacing = RichPara::LSP_ONE_HALF;
	EXPECT_EQ(DescribeLines(Format(p, 1100)),
	          "0+2 0+2 x=150 cx=800 300/0/0 | 2+1 2+1 x=350 cx=400 75/0/0 | 3+1 3+1 x=-200 cx=1500 15/0/0 | "
	          "4+1 4+1 x=545 cx=10 15/0/0");

	// An object reaching below the baseline; the indent of the first line and of the others.
	RichPara q;
	q.format.indent = 100;
	q.format.bullet = RichPara::BULLET_ROUND;
	q.format.linespacing = RichPara::LSP_DOUBLE;
	Obj(q, 500, 200, 30);
	Obj(q, 500, 100);
	EXPECT_EQ(DescribeLines(Format(q, 1000)), "0+1 0+1 x=100 cx=500 340/60/0 | 1+1 1+1 x=100 cx=500 200/0/0");
	q.format.bullet = RichPara::BULLET_NONE; // no bullet, no number: only the first line is indented
	EXPECT_EQ(DescribeLines(Format(q, 1000)), "0+1 0+1 x=100 cx=500 340/60/0 | 1+1 1+1 x=0 cx=500 200/0/0");

	// A line feed starts a line; the text positions of fields and objects.
	RichPara r;
	Obj(r, 100);
	Text(r, "\n");
	Obj(r, 100);
	r.Cat(String("NONE"), String(), RichPara::CharFormat());
	Obj(r, 100);
	RichPara::Lines l = Format(r, 1000);
	ASSERT_EQ(l.GetCount(), 2);
	EXPECT_EQ(l.len, 5);
	EXPECT_EQ(l[1].pos, 1);
	EXPECT_EQ(l[1].ppos, 1);
	EXPECT_EQ(l[1].plen, 4);
	EXPECT_EQ(l[1].cx, 200);
	EXPECT_EQ(l.pos[3], 4);
}

TEST(Lines, EmptyParagraphTakesTheFontAsItIs)
{
	RichPara p;
	p.format.linespacing = RichPara::LSP_DOUBLE;
	p.format.indent = 70;
	p.format.Height(200);
	RichPara::Lines l = Format(p, 1000);
	const FontMetrics& m = Font(p.format).GetMetrics();
	ASSERT_EQ(l.GetCount(), 1);
	EXPECT_EQ(DescribeLines(l), ~Qel::Format("0+0 0+0 x=70 cx=0 %d/%d/%d", m.ascent, m.descent, m.external));
}

TEST(Lines, TabStops)
{
	auto widths = [](const RichPara::Lines& l) {
		std::string s;
		for(int i = 0; i < l.clen; i++)
			s += ~Qel::Format("%s%d", i ? " " : "", l.width[i]);
		return s;
	};
	// Past the last stop: the next multiple of tabsize, also from a multiple.
	RichPara p;
	Obj(p, 296);
	Text(p, "\t");
	Obj(p, 10);
	RichPara::Lines l = Format(p, 2000);
	EXPECT_EQ(widths(l), "296 296 10");
	EXPECT_EQ(l.text[1], 9u);
	EXPECT_TRUE(l[0].withtabs);

	// A right stop at 3000 ends the text after it there; a centre stop centres it; fill
	// characters become the tab's code.
	RichPara r;
	r.format.lm = 100;
	r.format.align = RichPara::CENTER; // not for lines with tabs
	r.format.tab.Add({3000, RichPara::RIGHT, RichPara::FILL_DOTS});
	r.format.tab.Add({4000, RichPara::CENTER, 0});
	Text(r, "\t");
	Obj(r, 500);
	Text(r, "\t");
	Obj(r, 200);
	l = Format(r, 6000);
	EXPECT_EQ(widths(l), "2400 500 900 200");
	EXPECT_EQ(l.text[0], 10u);
	EXPECT_EQ(l[0].xpos, 100);

	// Bullet text: the tab after the bullet goes to the indent, and so do the lines after.
	RichPara b;
	b.format.bullet = RichPara::BULLET_TEXT;
	b.format.indent = 400;
	b.format.lm = 100;
	Obj(b, 100);
	Text(b, "\t");
	for(int i = 0; i < 3; i++)
		Obj(b, 300);
	l = Format(b, 1000);
	EXPECT_EQ(widths(l), "100 300 300 300 300");
	EXPECT_EQ(l.GetCount(), 3);
	EXPECT_EQ(l[0].xpos, 100);
	EXPECT_EQ(l[1].xpos, 500);
	EXPECT_EQ(l[2].xpos, 500);

	// A tab that would pass the available width goes to the next line with what follows.
	RichPara w;
	w.format.tab.Add({900, RichPara::LEFT, 0});
	Obj(w, 500);
	Text(w, "\t");
	Obj(w, 50);
	l = Format(w, 800);
	EXPECT_EQ(l.GetCount(), 3);
	EXPECT_EQ(l[1].pos, 1);
	EXPECT_EQ(widths(l), "500 900 50");
}

TEST(Lines, TabsNeverMoveBack)
{
	for(int tabsize : {0, -100}) {
		RichPara p;
		p.format.tabsize = tabsize;
		p.format.lm = 30;
		Obj(p, 100);
		Text(p, "\t");
		Obj(p, 50);
		RichPara::Lines l = Format(p, 1000);
		EXPECT_EQ(l.width[1], 0) << tabsize;
		EXPECT_EQ(l[0].cx, 150) << tabsize;
	}
}

TEST(Lines, UnboundedWidth)
{
	// No alignment offset and no right edge for a tab to reach: the natural width.
	RichText doc = ParseQtf(("[=l100; " + QtfBox(500, 100) + "]").c_str());
	EXPECT_EQ(doc.GetWidth(doc.GetStyles()), 600);
	RichText text = ParseQtf("[=l100; Hello]");
	int w = text.GetWidth(text.GetStyles());
	EXPECT_GT(w, 100);
	EXPECT_LT(w, 1000);

	RichPara p;
	p.format.tab.Add({RichPara::TAB_RIGHTPOS | 100, RichPara::RIGHT, 0});
	Text(p, "\t");
	Obj(p, 500);
	RichPara::Lines l = Format(p, INT_MAX);
	EXPECT_EQ(l.width[0], 0);
	EXPECT_EQ(l[0].cx, 500);
	l = Format(p, 2000);
	EXPECT_EQ(l.width[0], 1400);
}

TEST(Lines, LengthsBeyondAnyPage)
{
	// Three objects each past half of the int range: x is summed in 64 bits, so the third
	// one does not wrap round to fit.
	RichPara p = Boxes({{1500000000, 10}, {1500000000, 10}, {1500000000, 10}});
	RichPara::Lines l = Format(p, INT_MAX);
	EXPECT_EQ(DescribeLines(l), "0+2 0+2 x=0 cx=1073741823 10/0/0 | 2+1 2+1 x=0 cx=1073741823 10/0/0");
	// A tab far to the right saturates instead of wrapping.
	RichPara t;
	t.format.tab.Add({0x77FFFFFF, RichPara::LEFT, 0});
	Obj(t, 900000000);
	Obj(t, 900000000);
	Text(t, "\t");
	l = Format(t, INT_MAX);
	EXPECT_EQ(l.width[2], 0x77FFFFFF - 1800000000);
	EXPECT_EQ(l[0].cx, 1073741823);
}

TEST(Lines, CacheKeepsLayoutPerWidthAndNumber)
{
	RichPara p = Boxes({{100, 10}});
	p.format.number[0] = RichPara::NUMBER_1;
	p.cacheid = 0x7123456789ABLL; // as a stored paragraph's serial
	{
		RichPara::Lines l = p.FormatLines(1000, RichPara::Number());
		EXPECT_EQ(l.number_len, 2);
		EXPECT_EQ(l.text[0], wchar('1'));
		l.Justify(p.format);
	}
	RichPara::Lines l = p.FormatLines(1000, RichPara::Number());
	EXPECT_TRUE(l.justified); // the one laid out before
	EXPECT_FALSE(p.FormatLines(999, RichPara::Number()).justified);
	RichPara::Number n;
	n.n[0] = 9;
	RichPara::Lines other = p.FormatLines(1000, n);
	EXPECT_FALSE(other.justified);
	EXPECT_EQ(other.number_len, 3);
	EXPECT_EQ(other.text[0], wchar('1'));
	EXPECT_EQ(other.text[1], wchar('0'));
}

TEST(Lines, CacheKeepsTheNewestWithinItsBounds)
{
	auto park = [](int64 id, int cx) {
		RichPara p = Boxes({{cx, 10}});
		p.cacheid = id;
		p.FormatLines(1000, RichPara::Number()).Justify(p.format); // parked as justified
	};
	auto cached = [](int64 id, int cx) {
		RichPara p = Boxes({{cx, 10}});
		p.cacheid = id;
		return p.FormatLines(1000, RichPara::Number()).justified; // and parked again
	};
	const int64 base = 0x7200000000LL;
	for(int i = 0; i < 66; i++)
		park(base + i, 1);
	EXPECT_FALSE(cached(base, 1)); // 65 older ones: the oldest went
	EXPECT_TRUE(cached(base + 2, 1));
	// Older entries hold at most 10,000 characters together.
	RichPara big;
	big.Cat(WString('x', 9999), RichPara::CharFormat());
	big.cacheid = base + 100;
	big.FormatLines(1000000, RichPara::Number()).Justify(big.format);
	park(base + 101, 1);
	park(base + 102, 1);
	EXPECT_TRUE(cached(base + 101, 1));
	EXPECT_FALSE(cached(base + 2, 1));
}
