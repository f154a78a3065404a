#include "RichTestTypes.h"
#include "LayoutTestUtil.h"
#include "RichTestUtil.h"

#include <gtest/gtest.h>

using namespace Qel;
using namespace QelTest;

namespace {

const ArrayMap<Uuid, RichStyle> sNoStyles;

Uuid sId(int n) { Uuid u; u.a = n; return u; }

int64 sSerial(const RichTxt& t, int i) { return t.Get(i, sNoStyles, true).cacheid; }

// "top" (style 7), then a table whose second cell holds a table whose one cell holds "in"
// (style 7) and a "VALUE" field of the variable "v".
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

// A header or footer reached through a const document is const: a table's, and those a walk's
// context holds. A document's own changes with the document.
template <class Doc>
concept OwnHeaderChangeable = requires(Doc& d) { d.header->SetPara(0, RichPara(), RichStyle()); };
template <class Doc>
concept TableHeaderChangeable = requires(Doc& d) { d.GetTable(0).header->SetPara(0, RichPara(), RichStyle()); };
template <class Doc>
concept ContextHeaderChangeable = requires(Doc& d) { d.MakeContext(Rect(), PagePos()).header->Cat(RichPara()); };

static_assert(OwnHeaderChangeable<RichText> && !OwnHeaderChangeable<const RichText>);
static_assert(!TableHeaderChangeable<RichText> && !ContextHeaderChangeable<RichText>);
static_assert(std::is_same_v<decltype(*std::declval<const RichTextValue&>()), const RichText&>);

} // namespace

TEST(RichText, LengthsEmptinessAndStyles)
{
	RichText doc;
	EXPECT_TRUE(doc.GetLength() == 0 && doc.IsEmpty());
	ASSERT_EQ(doc.GetStyles().GetCount(), 1);
	EXPECT_TRUE(doc.GetStyles().GetKey(0) == Uuid() && doc.GetStyles()[0].name == "Default");
	doc.Cat(TextPara(""));
	EXPECT_TRUE(doc.IsEmpty());
	doc.Cat(TextPara(""));
	EXPECT_EQ(doc.GetLength(), 1);
	EXPECT_FALSE(doc.IsEmpty());

	RichText one;
	RichPara p = TextPara("ab");
	p.Cat(TestRectObject(Size(10, 10), Size(1, 1), Size(10, 10)), RichPara::CharFormat());
	p.Cat("VALUE", "x", RichPara::CharFormat());
	one.Cat(p);
	one.Cat(TextPara("a\x01\tb")); // what packing cannot keep takes no position
	EXPECT_EQ(one.GetLength(), 4 + 1 + 3);
	EXPECT_EQ(one.Get(1, sNoStyles).GetLength(), 3);
	EXPECT_EQ(one.GetPlainText(), WString("ab\x7f\x7f\na\tb"));

	const RichStyle& def = GetStyle(doc.GetStyles(), sId(5));
	EXPECT_EQ(&def, &GetStyle(sNoStyles, sId(6)));
	RichStyle st;
	st.name = "Heading";
	st.format.newpage = true;
	st.format.language = 1234;
	doc.SetStyle(sId(5), st);
	const RichStyle& got = GetStyle(doc.GetStyles(), sId(5));
	EXPECT_TRUE(&got != &def && got.name == "Heading" && got.format.styleid == sId(5));
	EXPECT_TRUE(!got.format.newpage && got.format.language == 0);
	doc.Cat(TextPara("x", sId(5)));
	EXPECT_EQ(doc.Get(2, doc.GetStyles()).format.styleid, sId(5));
}

TEST(RichText, StoresPastTheEndAddEmptyParagraphsAndKeepTotalsCurrent)
{
	RichText doc;
	doc.SetPara(3, TextPara("x"), RichStyle());
	RichTable t = TextTable(1, 2, {"a", "bc"});
	doc.SetTable(6, t);
	ASSERT_EQ(doc.GetPartCount(), 7);
	for(int i = 0; i < 6; i++)
		EXPECT_TRUE(doc.IsPara(i)) << i;
	EXPECT_EQ(doc.GetPlainText(), WString("\n\n\nx\n\n\na\tbc\n"));
	EXPECT_TRUE(doc.GetLength() == 6 + 1 + 4 && doc.GetTableCount() == 1);
	doc.SetPara(6, TextPara("xyz"), RichStyle()); // a paragraph in place of the table
	EXPECT_TRUE(doc.GetLength() == 6 + 1 + 3 && doc.GetTableCount() == 0);
	doc.SetPara(-1, TextPara("y"), RichStyle());
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
	RichTable u = TextTable(1, 2, {"x", "c"});
	u.cell[0][0].text.SetPara(1, TextPara("y"), RichStyle());
	doc.SetTable(1, u);
	EXPECT_EQ(doc.GetPlainText(true, true), WString("a\r\nb\r\n\r\nx\r\ny\r\nc\r\n"));
	// a cell holding a table spans lines as well
	EXPECT_EQ(sNested().GetPlainText(false, true), WString("top\na\nin\x7f\n\n"));
}

TEST(RichText, CopiesAreDeepAndMovesEmpty)
{
	RichText doc = sNested();
	doc.header.Set(RichText());
	doc.header->Cat(TextPara("page head"));
	RichText copy(doc);
	EXPECT_EQ(copy.GetPlainText(), doc.GetPlainText());
	ASSERT_TRUE(copy.header && copy.header.get() != doc.header.get());
	EXPECT_EQ(copy.header->GetPlainText(), WString("page head"));
	EXPECT_NE(sSerial(sInnerCell(copy), 0), sSerial(sInnerCell(doc), 0));
	copy.SetStyle(Uuid(), RichStyle());
	EXPECT_EQ(doc.GetStyles()[0].name, "Default");

	RichTxt cell(sInnerCell(doc)); // a cell text: same text and length, a serial of its own
	EXPECT_TRUE(ParaText(cell, 0) == WString("in") && cell.GetLength() == 3);
	EXPECT_NE(sSerial(cell, 0), sSerial(sInnerCell(doc), 0));
	EXPECT_FALSE(RichTxt(doc).header);

	int len = doc.GetLength();
	RichText moved(std::move(doc));
	EXPECT_TRUE(moved.GetLength() == len && moved.GetStyles().GetKey(0) == Uuid());
	EXPECT_TRUE(doc.GetPartCount() == 0 && doc.GetStyles().GetCount() == 0 && !doc.header);
}

// Documents that never set a style share the default one until they do: a change, a zoom or a
// move must reach that document alone.
TEST(RichText, ChangesToTheDefaultStyleStayInTheirDocument)
{
	RichText a, b;
	int height = a.GetStyles()[0].format.GetHeight();
	a.SetStyle(Uuid(), RichStyle());
	EXPECT_TRUE(a.GetStyles()[0].name.IsEmpty() && b.GetStyles()[0].name == "Default");

	RichText zoomed;
	zoomed.Cat(TextPara("x"));
	zoomed.ApplyZoom(Zoom(1, 2));
	EXPECT_EQ(zoomed.GetStyles()[0].format.GetHeight(), height / 2);
	RichText copy(b);
	copy.SetStyle(sId(1), RichStyle());
	EXPECT_EQ(copy.GetStyles().GetCount(), 2);

	RichText moved;
	moved = std::move(b);
	EXPECT_TRUE(b.GetStyles().IsEmpty() && moved.GetStyles()[0].name == "Default");
	moved.SetStyle(sId(2), RichStyle());
	RichText fresh;
	ASSERT_EQ(fresh.GetStyles().GetCount(), 1);
	EXPECT_EQ(fresh.GetStyles()[0].name, "Default");
	EXPECT_EQ(fresh.GetStyles()[0].format.GetHeight(), height);
}

TEST(RichText, StylesFieldsAndUpdatesReachNestedCells)
{
	RichText doc = sNested();
	int64 top = sSerial(doc, 0), inner = sSerial(sInnerCell(doc), 0);
	int64 plain = sSerial(doc.GetTable(1).cell[0][0].text, 0); // default style: untouched
	doc.SetStyle(sId(7), RichStyle());
	EXPECT_NE(sSerial(doc, 0), top);
	EXPECT_NE(sSerial(sInnerCell(doc), 0), inner);
	EXPECT_EQ(sSerial(doc.GetTable(1).cell[0][0].text, 0), plain);

	VectorMap<String, Value> vars;
	vars.Add("v", 42);
	EXPECT_TRUE(doc.EvaluateFields(doc.GetStyles(), vars));
	RichPara p = sInnerCell(doc).Get(0, doc.GetStyles());
	ASSERT_TRUE(p.part.GetCount() == 2 && p.part[1].fieldpart.GetCount() == 1);
	EXPECT_EQ(p.part[1].fieldpart[0].text, WString("42"));
	EXPECT_FALSE(RichTxt(doc.GetTable(1).cell[0][0].text).EvaluateFields(doc.GetStyles(), vars));

	// a change deep in a cell reaches every cached total on the way up
	struct Grow : RichTxt::ParaOp {
		bool operator()(RichTxt::Para& p) override { p.length += 10; return true; }
	} grow;
	int len = doc.GetLength();
	EXPECT_TRUE(doc.Update(grow));
	EXPECT_EQ(doc.GetLength(), len + 3 * 10);
	EXPECT_EQ(doc.GetTable(1).GetLength(), 1 + 1 + 3 + 2 * 10);
}

namespace {

// A paragraph of the style id, st, with no format of its own.
RichPara sStyled(const char* text, const Uuid& id, const RichStyle& st)
{
	RichPara p = TextPara(text);
	p.format = st.format;
	p.format.styleid = id;
	return p;
}

// Twelve paragraphs in the style list, a table whose cell holds three more, and one after it;
// the styles list and other, with the formats given.
RichText sList(const Uuid& list, const RichStyle& list_style, const Uuid& other, const RichStyle& other_style)
{
	RichText doc;
	doc.SetStyle(list, list_style);
	doc.SetStyle(other, other_style);
	for(int i = 0; i < 12; i++)
		doc.Cat(sStyled("item", list, list_style));
	RichTable t = TextTable(1, 1);
	for(int i = 0; i < 3; i++)
		t.cell[0][0].text.SetPara(i, sStyled("in a cell", list, list_style), list_style);
	doc.SetTable(12, t);
	doc.Cat(sStyled("last", list, list_style));
	return doc;
}

// Where every position's caret lies, and where the document ends, on pages that break the list.
std::vector<std::string> sCarets(const RichText& doc)
{
	const Rect page(0, 0, 2000, 700);
	std::vector<std::string> r = {Str(doc.GetHeight(page)), Str(doc.GetHeight(Rect(0, 0, 600, 268435455)))};
	for(int pos = 0; pos <= doc.GetLength(); pos++) {
		RichCaret c = doc.GetCaret(pos, page);
		r.push_back(Str(PagePos(c.page, c.top)) + " " + std::to_string(c.left));
	}
	return r;
}

} // namespace

// A paragraph keeps nothing of its style's numbering that a restyle leaves behind: a list (and
// the one in a table cell) that its style numbers after it was stored, numbers otherwise or no
// more, or that moves to another style, numbers as the same list built in that style.
TEST(RichText, RestyledListsNumberAsListsBuiltInTheirStyle)
{
	RichStyle plain, numbered, lettered;
	numbered.format.number[0] = RichPara::NUMBER_1;
	numbered.format.after_number = ". ";
	lettered.format.number[0] = RichPara::NUMBER_A;
	lettered.format.before_number = "(";
	lettered.format.after_number = ") ";
	lettered.format.reset_number = true;
	const RichStyle* formats[] = {&plain, &numbered, &lettered};
	for(const RichStyle* from : formats)
		for(const RichStyle* to : formats) {
			if(from == to)
				continue;
			SCOPED_TRACE(~AsQTF(sList(sId(1), *from, sId(2), *to), CHARSET_UTF8, 0));
			RichText built = sList(sId(1), *to, sId(2), *to);
			RichText restyled = sList(sId(1), *from, sId(2), *to);
			sCarets(restyled); // laid out in the old style first
			restyled.SetStyle(sId(1), *to);
			EXPECT_EQ(AsQTF(restyled), AsQTF(built));
			EXPECT_EQ(sCarets(restyled), sCarets(built));

			RichText moved = sList(sId(1), *from, sId(2), *to);
			sCarets(moved);
			RichText::StyleChangeOp op(sId(1), sId(2));
			EXPECT_TRUE(moved.Update(op));
			RichText built_moved = sList(sId(2), *to, sId(1), *from);
			EXPECT_EQ(sCarets(moved), sCarets(built_moved));
			EXPECT_EQ(sCarets(ParseQtf(~AsQTF(moved))), sCarets(moved));
		}
}
