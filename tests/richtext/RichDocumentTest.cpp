#include "RichTestTypes.h"
#include "RichTestUtil.h"

#include <gtest/gtest.h>

using namespace Qel;
using namespace QelTest;

namespace {

const ArrayMap<Uuid, RichStyle> sNoStyles;

Uuid sId(int n)
{
	Uuid u;
	u.a = n;
	return u;
}

// Serial of paragraph i as the paragraph cache sees it.
int64 sSerial(const RichTxt& t, int i)
{
	return t.Get(i, sNoStyles, true).cacheid;
}

// A document whose second part is a table holding, in its second cell, a table whose one
// cell holds a paragraph of style 7 with a "VALUE" field of the variable "v".
RichText sNested()
{
	RichText doc;
	doc.Cat(TextPara("top", sId(7)));
	RichTable inner = TextTable(1, 1);
	RichPara p = TextPara("in", sId(7));
	p.Cat("VALUE", "v", RichPara::CharFormat());
	inner.cell[0][0].text.SetPara(0, p, RichStyle());
	RichTable outer = TextTable(1, 2, {"a"});
	outer.cell[0][1].text.SetTable(0, inner);
	doc.SetTable(1, outer);
	return doc;
}

const RichTxt& sInnerCell(const RichText& doc)
{
	return doc.GetTable(1).cell[0][1].text.GetTable(0).cell[0][0].text;
}

struct sGrowOp : RichTxt::ParaOp {
	bool operator()(RichTxt::Para& p) override { p.length += 10; return true; }
};

} // namespace

TEST(RichText, NewDocumentStylesAndLookup)
{
	RichText doc;
	EXPECT_EQ(doc.GetPartCount(), 0);
	EXPECT_EQ(doc.GetLength(), 0);
	EXPECT_TRUE(doc.IsEmpty());
	ASSERT_EQ(doc.GetStyles().GetCount(), 1);
	EXPECT_EQ(doc.GetStyles().GetKey(0), Uuid());
	EXPECT_EQ(doc.GetStyles()[0].name, "Default");

	const RichStyle& def = GetStyle(doc.GetStyles(), sId(5));
	EXPECT_EQ(&def, &GetStyle(sNoStyles, sId(6))); // one process-wide fallback
	EXPECT_EQ(def.format.after, RichPara::Format().after);

	RichStyle st;
	st.name = "Heading";
	st.format.newpage = true;
	st.format.language = 1234;
	st.format.Bold();
	st.next = sId(9);
	doc.SetStyle(sId(5), st);
	const RichStyle& got = GetStyle(doc.GetStyles(), sId(5));
	EXPECT_NE(&got, &def);
	EXPECT_EQ(got.name, "Heading");
	EXPECT_EQ(got.next, sId(9));
	EXPECT_EQ(got.format.styleid, sId(5));
	EXPECT_FALSE(got.format.newpage);
	EXPECT_EQ(got.format.language, 0);

	// paragraphs unpack against their style: the style's bold reaches the text
	doc.Cat(TextPara("x", sId(5)));
	RichPara p = doc.Get(0, doc.GetStyles());
	EXPECT_EQ(p.format.styleid, sId(5));
	EXPECT_EQ(p.cacheid, 0);
	EXPECT_NE(doc.Get(0, doc.GetStyles(), true).cacheid, 0);
}

TEST(RichText, LengthsAndEmptiness)
{
	RichText doc;
	doc.Cat(TextPara(""));
	EXPECT_EQ(doc.GetLength(), 0);
	EXPECT_TRUE(doc.IsEmpty());
	doc.Cat(TextPara(""));
	EXPECT_EQ(doc.GetLength(), 1);
	EXPECT_FALSE(doc.IsEmpty());

	RichPara p = TextPara("ab");
	p.Cat(TestRectObject(Size(10, 10), Size(1, 1), Size(10, 10)), RichPara::CharFormat());
	p.Cat("VALUE", "x", RichPara::CharFormat());
	RichText one;
	one.Cat(p);
	EXPECT_EQ(one.GetLength(), 4);
	RichText ctl; // characters the packed form cannot keep take no position
	ctl.Cat(TextPara("a\x01\tb"));
	EXPECT_EQ(ctl.GetLength(), 3);
	EXPECT_EQ(ctl.Get(0, sNoStyles).GetLength(), 3);
	EXPECT_EQ(one.GetPlainText(), WString("ab\x7f\x7f"));

	// a stored paragraph replaces a table, and the cached total follows every store
	RichTable t = TextTable(1, 2, {"a", "bc"});
	one.SetTable(1, t);
	EXPECT_EQ(one.GetLength(), 4 + 1 + 4);
	EXPECT_EQ(one.GetTableCount(), 1);
	one.SetPara(1, TextPara("xyz"), RichStyle());
	EXPECT_TRUE(one.IsPara(1));
	EXPECT_EQ(one.GetLength(), 4 + 1 + 3);
	EXPECT_EQ(one.GetTableCount(), 0);
}

TEST(RichText, StoringPastTheEndAddsEmptyParagraphs)
{
	RichText doc;
	doc.SetPara(3, TextPara("x"), RichStyle());
	ASSERT_EQ(doc.GetPartCount(), 4);
	for(int i = 0; i < 4; i++)
		EXPECT_TRUE(doc.IsPara(i)) << i;
	EXPECT_EQ(doc.GetLength(), 3 + 1);
	EXPECT_EQ(doc.GetPlainText(), WString("\n\n\nx"));

	RichTable t = TextTable(1, 1, {"t"});
	doc.SetTable(6, t);
	ASSERT_EQ(doc.GetPartCount(), 7);
	EXPECT_TRUE(doc.IsPara(5));
	EXPECT_TRUE(doc.IsTable(6));
	EXPECT_EQ(doc.GetPlainText(), WString("\n\n\nx\n\n\nt\n"));

	doc.SetPara(-1, TextPara("y"), RichStyle()); // no slot before the first
	doc.SetTable(-1, t);
	EXPECT_EQ(doc.GetPartCount(), 7);
}

TEST(RichText, PlainTextSeparators)
{
	RichText doc;
	RichTable t = TextTable(1, 2, {"a", "b"});
	doc.SetTable(0, t);
	EXPECT_EQ(doc.GetPlainText(false, true), WString("a\tb\n"));
	EXPECT_EQ(doc.GetPlainText(true, true), WString("a\tb\r\n"));
	EXPECT_EQ(doc.GetPlainText(false, false), WString("a\nb\n"));

	// a cell of two paragraphs keeps line breaks between the cells of every table
	RichTable u = TextTable(2, 2, {"a", "x", "c", "d"});
	u.cell[0][1].text.SetPara(1, TextPara("y"), RichStyle());
	doc.SetTable(1, u);
	EXPECT_EQ(doc.GetPlainText(false, true), WString("a\nb\n\na\nx\ny\nc\nd\n"));

	RichText two;
	two.Cat(TextPara("x"));
	two.Cat(TextPara("y"));
	EXPECT_EQ(two.GetPlainText(true, true), WString("x\r\ny"));

	// a nested table's cells stay on lines of their own inside a tab-separated row
	RichText nest = sNested();
	EXPECT_EQ(nest.GetPlainText(false, true), WString("top\na\nin\x7f\n\n"));
}

TEST(RichText, CopiesAreDeepAndIndependent)
{
	RichText doc = sNested();
	doc.header_qtf = "head";
	doc.header = new RichText;
	doc.header->Cat(TextPara("page head"));

	RichText copy(doc);
	EXPECT_EQ(copy.GetPlainText(), doc.GetPlainText());
	EXPECT_EQ(copy.GetLength(), doc.GetLength());
	EXPECT_EQ(copy.GetTableCount(), 2);
	EXPECT_EQ(copy.GetStyles().GetCount(), doc.GetStyles().GetCount());
	ASSERT_NE(copy.header, nullptr);
	EXPECT_NE(copy.header, doc.header);
	EXPECT_EQ(copy.header->GetPlainText(), WString("page head"));
	EXPECT_NE(sSerial(copy, 0), sSerial(doc, 0));
	EXPECT_NE(sSerial(sInnerCell(copy), 0), sSerial(sInnerCell(doc), 0));

	copy.Cat(TextPara("more"));
	copy.SetStyle(Uuid(), RichStyle());
	EXPECT_EQ(doc.GetPartCount(), 2);
	EXPECT_EQ(doc.GetStyles()[0].name, "Default");

	// a cell text copy: same text and length, new serials, no header or footer
	RichTxt cell(sInnerCell(doc));
	EXPECT_EQ(ParaText(cell, 0), WString("in"));
	EXPECT_EQ(cell.GetLength(), 3);
	EXPECT_NE(sSerial(cell, 0), sSerial(sInnerCell(doc), 0));
	RichTxt whole(doc);
	EXPECT_EQ(whole.header, nullptr);
	EXPECT_TRUE(whole.header_qtf.IsEmpty());
}

TEST(RichText, MoveLeavesNoPartsAndNoStyles)
{
	RichText doc = sNested();
	int len = doc.GetLength();
	RichText moved(std::move(doc));
	EXPECT_EQ(moved.GetLength(), len);
	EXPECT_EQ(moved.GetStyles().GetKey(0), Uuid());
	EXPECT_EQ(doc.GetPartCount(), 0);
	EXPECT_EQ(doc.GetStyles().GetCount(), 0);
	EXPECT_EQ(doc.GetLength(), 0);

	RichText other;
	other.Cat(TextPara("old"));
	other = std::move(moved);
	EXPECT_EQ(other.GetLength(), len);
	EXPECT_EQ(moved.GetPartCount(), 0);
}

TEST(RichText, StyleChangesAndFieldsReachNestedCells)
{
	RichText doc = sNested();
	int64 top = sSerial(doc, 0);
	int64 inner = sSerial(sInnerCell(doc), 0);
	int64 plain = sSerial(doc.GetTable(1).cell[0][0].text, 0); // style 0: untouched
	doc.SetStyle(sId(7), RichStyle());
	EXPECT_NE(sSerial(doc, 0), top);
	EXPECT_NE(sSerial(sInnerCell(doc), 0), inner);
	EXPECT_EQ(sSerial(doc.GetTable(1).cell[0][0].text, 0), plain);

	VectorMap<String, Value> vars;
	vars.Add("v", 42);
	EXPECT_TRUE(doc.EvaluateFields(doc.GetStyles(), vars));
	RichPara p = sInnerCell(doc).Get(0, doc.GetStyles());
	ASSERT_EQ(p.part.GetCount(), 2);
	ASSERT_EQ(p.part[1].fieldpart.GetCount(), 1);
	EXPECT_EQ(p.part[1].fieldpart[0].text, WString("42"));
	EXPECT_EQ(p.format.styleid, sId(7));

	RichText none;
	none.Cat(TextPara("no fields"));
	EXPECT_FALSE(none.EvaluateFields(none.GetStyles(), vars));

	// a change deep in a cell reaches every cached total on the way up
	int len = doc.GetLength();
	sGrowOp grow;
	EXPECT_TRUE(doc.Update(grow));
	EXPECT_EQ(doc.GetLength(), len + 3 * 10);
	EXPECT_EQ(doc.GetTable(1).GetLength(), 1 + 1 + 3 + 2 * 10);
}
