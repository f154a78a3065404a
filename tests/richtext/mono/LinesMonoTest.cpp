// Line layout of text in the one fixed-pitch font: breaks at spaces, trailing spaces, words split
// when nothing else fits, justified widths, reduced fonts, numbers measured anew.
#include <richtext/RichText.h>

#include <gtest/gtest.h>

using namespace Qel;

namespace {

int W(int height = 100)
{
	return Font(Font::SANSSERIF, height).GetWidth('M');
}

RichPara Para(const char* text, int align = RichPara::LEFT)
{
	RichPara p;
	p.format.align = align;
	p.Cat(WString(text), RichPara::CharFormat());
	return p;
}

// Each line's characters, "|" between lines.
std::string Text(const RichPara::Lines& l)
{
	std::string s;
	for(int i = 0; i < l.GetCount(); i++) {
		if(i)
			s += "|";
		for(int k = l[i].pos; k < l[i].pos + l[i].len; k++)
			s += char(l.text[k]);
	}
	return s;
}

int64 Width(const RichPara::Lines& l, int from, int to)
{
	int64 w = 0;
	for(int k = from; k < to; k++)
		w += l.width[k];
	return w;
}

} // namespace

TEST(LinesMono, BreaksAtSpaces)
{
	int w = W();
	RichPara::Lines l = Para("aaa bbb ccc").FormatLines(w * 15 / 2, RichPara::Number());
	EXPECT_EQ(Text(l), "aaa bbb |ccc");
	EXPECT_EQ(l[0].cx, 7 * w); // not the space it broke at
	EXPECT_EQ(l[1].ppos, 8);
	// Spaces before the break stay on the line; the last one ends it.
	l = Para("aaa   bbb").FormatLines(w * 5, RichPara::Number());
	EXPECT_EQ(Text(l), "aaa   |bbb");
	EXPECT_EQ(l[0].cx, 5 * w);
	// A word wider than the line is split where it stops fitting.
	l = Para("abcdefghij").FormatLines(w * 9 / 2, RichPara::Number());
	EXPECT_EQ(Text(l), "abcd|efgh|ij");
	// Trailing spaces of the last line count.
	l = Para("ab  ").FormatLines(w * 10, RichPara::Number());
	EXPECT_EQ(l[0].cx, 4 * w);
}

TEST(LinesMono, JustifiedWidths)
{
	int w = W();
	int cx = w * 19 / 2;
	RichPara p = Para("aa bb cc dd ee", RichPara::JUSTIFY);
	RichPara::Lines l = p.FormatLines(cx, RichPara::Number());
	l.Justify(p.format);
	ASSERT_EQ(Text(l), "aa bb cc |dd ee");
	EXPECT_EQ(Width(l, 0, 8), cx); // the trailing space takes nothing
	EXPECT_EQ(l.width[2] + l.width[5], cx - 6 * w);
	EXPECT_EQ(Width(l, 9, 14), 5 * w); // the last line stays
	l.Justify(p.format);               // once only
	EXPECT_EQ(Width(l, 0, 8), cx);

	// Non-breaking spaces stretch; leading spaces do not.
	RichPara nb;
	nb.format.align = RichPara::JUSTIFY;
	WString t(" a");
	t.Cat(160);
	t.Cat(WString("b c dd"));
	nb.Cat(t, RichPara::CharFormat());
	l = nb.FormatLines(w * 13 / 2, RichPara::Number());
	l.Justify(nb.format);
	ASSERT_EQ(l.GetCount(), 2);
	EXPECT_EQ(l[1].pos, 7);
	EXPECT_EQ(l.width[0], w);
	EXPECT_GT(l.width[2], w);
	EXPECT_EQ(Width(l, 0, 6), w * 13 / 2);

	// Slack far past 32,767 units.
	RichPara wide = Para("a b\ncd", RichPara::JUSTIFY);
	l = wide.FormatLines(200000, RichPara::Number());
	l.Justify(wide.format);
	EXPECT_EQ(Width(l, 0, 3), 200000);
}

TEST(LinesMono, ReducedFonts)
{
	RichPara p;
	RichPara::CharFormat f;
	f.capitals = true;
	p.Cat(WString("Ab"), f);
	f.capitals = false;
	f.sscript = RichPara::SUPERSCRIPT;
	p.Cat(WString("c"), f);
	RichPara::Lines l = p.FormatLines(10000, RichPara::Number());
	EXPECT_EQ(l.text[1], wchar('B'));
	EXPECT_EQ(l.width[0], W());
	EXPECT_EQ(l.width[1], W(80));
	EXPECT_EQ(l.format[1]->GetHeight(), 80);
	EXPECT_EQ(l.width[2], W(60));
	EXPECT_EQ(l.format[2]->GetHeight(), 100);
	EXPECT_EQ(l.height[2].ascent, Font(Font::SANSSERIF, 100).GetAscent());
}

TEST(LinesMono, NumbersMeasuredAnew)
{
	// The last paragraph's number grows from 9 to 10 when one before it becomes numbered.
	RichPara numbered = Para("x");
	numbered.format.number[0] = RichPara::NUMBER_1;
	numbered.format.after_number = ".";
	RichText doc;
	doc.Cat(Para("x"));
	for(int i = 0; i < 9; i++)
		doc.Cat(numbered);
	int w = W();
	EXPECT_EQ(doc.GetWidth(doc.GetStyles()), 4 * w);
	doc.SetPara(0, numbered, RichStyle());
	EXPECT_EQ(doc.GetWidth(doc.GetStyles()), 5 * w);
}
