#include <richtext/RichText.h>

#include <gtest/gtest.h>

using namespace Qel;

using CharFormat = RichPara::CharFormat;
using ParaFormat = RichPara::Format;

TEST(ParaFormat, Defaults)
{
	ParaFormat f;
	EXPECT_TRUE(f.align == RichPara::LEFT && f.tabsize == 296);
	EXPECT_EQ(f.AsInt64(), Font(Font::SANSSERIF, 100).AsInt64());
	EXPECT_TRUE(f.ink == Color(0, 0, 0) && f.paper.GetRaw() == 0xFFFFFFFFu && f.rulerink == Color(0, 0, 0));
	EXPECT_TRUE(f.styleid.IsNull() && f.tab.IsEmpty() && f.sscript == 0);
	EXPECT_EQ(f.lm + f.rm + f.indent + f.before + f.after + f.ruler + f.bullet + f.linespacing + f.number[7], 0);
	EXPECT_FALSE(f.newpage || f.fflag || f.keep || f.keepnext || f.orphan || f.newhdrftr || f.reset_number);
	EXPECT_EQ(RichPara::Tab().align, RichPara::LEFT);
}

TEST(ParaFormat, SelfAssignmentKeepsAndMoveEmptiesTheSource)
{
	ParaFormat f;
	f.label = "a label that is long enough to live on the heap";
	f.before_number = "(";
	f.after_number = ")";
	f.header_qtf = "header";
	f.footer_qtf = "footer";
	f.link = "https://example.com/a/long/link/target";
	f.indexentry = WString("index entry");
	f.tab.Add().pos = 500;
	ParaFormat& alias = f;
	f = alias;
	EXPECT_EQ(f.label, "a label that is long enough to live on the heap");
	EXPECT_EQ(f.tab.GetCount(), 1);
	EXPECT_EQ(f.indexentry, WString("index entry"));

	ParaFormat g;
	g = std::move(f);
	EXPECT_TRUE(g.label == "a label that is long enough to live on the heap" && g.header_qtf == "header");
	EXPECT_TRUE(g.tab.GetCount() == 1 && g.link == "https://example.com/a/long/link/target");
	EXPECT_TRUE(f.label.IsEmpty() && f.before_number.IsEmpty() && f.after_number.IsEmpty());
	EXPECT_TRUE(f.header_qtf.IsEmpty() && f.footer_qtf.IsEmpty() && f.link.IsEmpty());
	EXPECT_TRUE(f.indexentry.IsEmpty() && f.tab.IsEmpty());

	ParaFormat h(g); // a copy shares nothing that a change could reach
	h.tab[0].pos = 7;
	h.label.Cat('!');
	EXPECT_EQ(g.tab[0].pos, 500);
	EXPECT_EQ(g.label, "a label that is long enough to live on the heap");
}

namespace {

ParaFormat sNumbered(std::initializer_list<int> styles)
{
	ParaFormat f;
	int i = 0;
	for(int s : styles)
		f.number[i++] = byte(s);
	return f;
}

} // namespace

TEST(ParaNumber, LevelsAdvanceAndClearDeeperOnes)
{
	ParaFormat a = sNumbered({RichPara::NUMBER_1});
	ParaFormat b = sNumbered({RichPara::NUMBER_1, RichPara::NUMBER_a});
	RichPara::Number n;
	String seq;
	for(const ParaFormat* f : {&a, &b, &b, &a, &b}) {
		n.Next(*f);
		seq << n.AsText(*f) << " ";
	}
	EXPECT_EQ(seq, "1 1.a 1.b 2 2.a ");

	// reset on the deepest level starts it again
	ParaFormat r = b;
	r.reset_number = true;
	n.Next(b);
	EXPECT_EQ(n.AsText(b), "2.b");
	n.Next(r);
	EXPECT_EQ(n.AsText(r), "2.a");

	// a format with no numbered level changes nothing and shows only its texts
	ParaFormat none;
	none.before_number = "<";
	none.after_number = ">";
	RichPara::Number before = n;
	n.Next(none);
	EXPECT_EQ(memcmp(before.n, n.n, sizeof(n.n)), 0);
	EXPECT_EQ(n.AsText(none), "<>");
	none.reset_number = true; // with no level the reset clears level 0, unless it is Null
	n.Next(none);
	EXPECT_EQ(n.n[0], 0);
	n.n[0] = INT_NULL;
	n.Next(none);
	EXPECT_EQ(n.n[0], INT_NULL);
}

TEST(ParaNumber, SixStylesWithNegativeAndNullCounters)
{
	ParaFormat f = sNumbered({1, 2, 3, 4, 5, 6});
	f.before_number = "[";
	f.after_number = "]";
	RichPara::Number n;
	for(int i = 0; i < 6; i++)
		n.n[i] = 1;
	EXPECT_EQ(n.AsText(f), "[1.0.a.A.i.I]"); // style 2 counts from 0
	for(int i = 0; i < 6; i++)
		n.n[i] = 1994;
	EXPECT_EQ(n.AsText(f), "[1994.1993.bxr.BXR.mcmxciv.MCMXCIV]");
	for(int i = 0; i < 6; i++)
		n.n[i] = -28;
	EXPECT_EQ(n.AsText(f), "[-28.-29.-ab.-AB.-xxviii.-XXVIII]");
	for(int i = 0; i < 6; i++)
		n.n[i] = 0;
	EXPECT_EQ(n.AsText(f), "[0.-1....]"); // letters and numerals show nothing for 0
	for(int i = 0; i < 6; i++)
		n.n[i] = INT_NULL;
	EXPECT_EQ(n.AsText(f), "[]"); // Null shows nothing, and no level before it adds a dot
	n.n[1] = int(0x80000001); // style 2 of the smallest counter goes below the int range
	EXPECT_EQ(n.AsText(f), "[-2147483648....]");

	// the counter at the top of the range wraps instead of overflowing
	ParaFormat one = sNumbered({1});
	RichPara::Number m;
	m.n[0] = 2147483647;
	m.Next(one);
	EXPECT_EQ(m.n[0], INT_NULL);
}

TEST(ParaNumber, StyleTwoStartsAtZeroAndResetWithoutDeeperLevel)
{
	ParaFormat f = sNumbered({RichPara::NUMBER_0});
	RichPara::Number n;
	n.Next(f);
	EXPECT_EQ(n.AsText(f), "0");
	n.Next(f);
	EXPECT_EQ(n.AsText(f), "1");
	ParaFormat deep = sNumbered({0, RichPara::NUMBER_1});
	n.Next(deep);
	n.Next(deep);
	EXPECT_EQ(n.AsText(deep), "2");
	deep.reset_number = true;
	n.Next(deep);
	EXPECT_EQ(n.AsText(deep), "1");
	EXPECT_EQ(n.n[0], 2); // the reset touched only the deepest level
}
