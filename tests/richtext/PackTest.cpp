#include "RichTestTypes.h"
#include "RichTestUtil.h"

#include <gtest/gtest.h>

using namespace Qel;
using namespace QelTest;

using CharFormat = RichPara::CharFormat;
using ParaFormat = RichPara::Format;

namespace {

String sPack(const RichPara& p, const ParaFormat& style, Array<RichObject>* objs = nullptr)
{
	Array<RichObject> o;
	String r = p.Pack(style, o);
	if(objs)
		*objs = std::move(o);
	return r;
}

RichPara sUnpack(const String& data, const ParaFormat& style, const Array<RichObject>& objs = Array<RichObject>())
{
	RichPara p;
	p.Unpack(data, objs, style);
	return p;
}

CharFormat sBold()
{
	CharFormat f;
	f.Bold();
	return f;
}

} // namespace

TEST(RichParaPack, ParagraphEqualToStyleAndLabels)
{
	ParaFormat style;
	RichPara p;
	p.format = style;
	EXPECT_EQ(Hex(sPack(p, style)), Hex(Bytes({0, 0, 0, 0})));

	// a label is stored whenever it is set, even when the style has the same one
	style.label = "L";
	p.format.label = "L";
	EXPECT_EQ(Hex(sPack(p, style)), Hex(Bytes({0, 4, 0, 0, 1, 'L'})));
	// an empty label reads as the style's
	p.format.label.Clear();
	String packed = sPack(p, style);
	EXPECT_EQ(Hex(packed), Hex(Bytes({0, 0, 0, 0})));
	EXPECT_EQ(sUnpack(packed, style).format.label, "L");

	// stops without a position are dropped, so tabs that differ only by them are the style's
	style.tab.Add().pos = 100;
	p.format.tab = style.tab;
	p.format.tab.Insert(0).pos = INT_NULL;
	EXPECT_EQ(Hex(sPack(p, style)), Hex(Bytes({0, 0, 0, 0})));
	// the count has 16 bits: stops past the 65535th are not stored, rather than garbling the rest
	p.format.tab.SetCount(70000);
	p.format.label = "after";
	RichPara u = sUnpack(sPack(p, style), style);
	EXPECT_EQ(u.format.tab.GetCount(), 65535);
	EXPECT_EQ(u.format.label, "after");
}

TEST(RichParaPack, FormatFieldsAndPartsToTheByte)
{
	ParaFormat style;
	RichPara p;
	p.format = style;
	p.format.align = RichPara::CENTER;
	p.format.lm = -150;                  // past 16 bits: 0xFFFF and the int32
	p.format.keep = true;
	p.format.tab.Add() = {500, RichPara::RIGHT, RichPara::FILL_DOTS};
	p.format.tab.Add().pos = INT_NULL; // Null: not stored
	p.format.rulerink = Color(0x56, 0x34, 0x12);
	p.format.newhdrftr = true;
	p.format.header_qtf = "H";
	p.Cat(WString("ab"), sBold());
	p.Cat(TestRectObject(Size(10, 10), Size(1, 1), Size(10, 10)), CharFormat());
	p.Cat(WString("c"), CharFormat());
	Array<RichObject> objs;
	String packed = sPack(p, style, &objs);
	String expected = Bytes({0x85, 0x80, 0x0A, 0x00,              // mask: bits 0 2 7 15 17 19
	                         3, 0,                                // align
	                         0xFF, 0xFF, 0x6A, 0xFF, 0xFF, 0xFF,  // lm
	                         1,                                   // keep
	                         1, 0, 0xF4, 1, 0, 0, 2, 1,           // one tab: pos, align, fill
	                         0x56, 0x34, 0x12, 0,                 // rulerink
	                         1, 1, 'H', 0,                        // newhdrftr, header, footer
	                         13, 'a', 'b', 14, 31, 'c'});         // bold on, as style, object
	EXPECT_EQ(Hex(packed), Hex(expected));
	ASSERT_EQ(objs.GetCount(), 1);

	RichPara u = sUnpack(packed, style, objs);
	ASSERT_EQ(u.part.GetCount(), 3); // text, object, text
	EXPECT_TRUE(u.part[0].text == WString("ab") && u.part[0].format.IsBold());
	EXPECT_EQ(u.part[1].object.GetSerialId(), p.part[1].object.GetSerialId());
	EXPECT_TRUE(u.part[2].text == WString("c") && !u.part[2].format.IsBold());
	EXPECT_TRUE(u.format.lm == -150 && u.format.tab.GetCount() == 1 && u.format.header_qtf == "H");
}

TEST(RichParaPack, CharacterFormatCodes)
{
	CharFormat s, n;
	n.Bold().Italic().Underline().Strikeout().NonAntiAliased();
	n.capitals = true;
	n.dashed = true;
	n.sscript = RichPara::SUPERSCRIPT;
	n.Face(Font::MONOSPACE).Height(150);
	n.link = "L";
	n.ink = Color(255, 0, 0);
	n.paper = Color(0, 0, 255);
	n.language = 0x409;
	n.indexentry = WString("ix");
	StringStream out;
	RichPara::PackCharFormat(out, s, n, s);
	EXPECT_EQ(Hex(out.GetResult()),
	          Hex(Bytes({13, 16, 19, 25, 30, 2, 22, 28, 11, 1, 4, 3, 0, 5, 150, 0, 10, 1, 'L',
	                     7, 0xFF, 0, 0, 0, 8, 0, 0, 0xFF, 0, 6, 9, 4, 0, 0, 2, 2, 'i', 0, 'x', 0})));
	// back to the style: every item "as style"
	StringStream back;
	RichPara::PackCharFormat(back, n, s, s);
	EXPECT_EQ(Hex(back.GetResult()),
	          Hex(Bytes({14, 17, 20, 26, 30, 3, 23, 29, 11, 0, 4, 0xFF, 0xFF, 5, 0xFF, 0xFF, 10, 0,
	                     7, 0, 0, 0, 0, 8, 0xFF, 0xFF, 0xFF, 0xFF, 6, 0, 0, 0, 0, 2, 0})));
	// against a bold style, turning bold off is an explicit "off"
	CharFormat bs = sBold();
	StringStream off;
	RichPara::PackCharFormat(off, bs, s, bs);
	EXPECT_EQ(Hex(off.GetResult()), Hex(Bytes({12})));
}

TEST(RichParaPack, ValuesPastSixteenBitsKeepTheirExactValue)
{
	ParaFormat style;
	RichPara p;
	p.format = style;
	p.format.indent = -150;      // a hanging indent
	p.format.lm = 70000;
	p.format.rm = 65535;         // the marker value itself
	p.format.after = 65534;      // still two bytes
	CharFormat f;
	f.Face(0xFFFE).Height(-20);  // both need the escape of the font codes
	p.Cat(WString("x"), f);
	CharFormat g;
	g.Face(0xFFFF).Height(32767);
	p.Cat(WString("y"), g);
	String packed = sPack(p, style);
	RichPara u = sUnpack(packed, style);
	EXPECT_TRUE(u.format.indent == -150 && u.format.lm == 70000 && u.format.rm == 65535 && u.format.after == 65534);
	ASSERT_EQ(u.part.GetCount(), 2);
	EXPECT_TRUE(u.part[0].format.GetFace() == 0xFFFE && u.part[0].format.GetHeight() == -20);
	EXPECT_TRUE(u.part[1].format.GetFace() == 0xFFFF && u.part[1].format.GetHeight() == 32767);
	// the byte layout of the two escapes
	StringStream out;
	RichPara::PackCharFormat(out, CharFormat(), f, CharFormat());
	EXPECT_EQ(Hex(out.GetResult()), Hex(Bytes({4, 0xFE, 0xFF, 0xFE, 0xFF, 0, 0, 5, 0xFE, 0xFF, 0xEC, 0xFF, 0xFF, 0xFF})));
}

TEST(RichParaPack, TextIsStrictUtf8WithoutControlCharacters)
{
	ParaFormat style;
	RichPara p;
	p.format = style;
	const wchar text[] = {'a', 0xEE05, 0xEE09, 1, 9, 31, 0xD800, 0x1F600, 'z', 0};
	p.Cat(WString(text), CharFormat());
	String packed = sPack(p, style);
	EXPECT_EQ(Hex(packed.Mid(4)), Hex(Bytes({'a', 0xEE, 0xB8, 0x85, 0xEE, 0xB8, 0x89, 9, 0xEF, 0xBF, 0xBD,
	                                         0xF0, 0x9F, 0x98, 0x80, 'z'})));
	RichPara u = sUnpack(packed, style);
	ASSERT_EQ(u.part.GetCount(), 1);
	const wchar back[] = {'a', 0xEE05, 0xEE09, 9, 0xFFFD, 0x1F600, 'z', 0};
	EXPECT_EQ(u.part[0].text, WString(back));
}

TEST(RichParaPack, DamagedTextDecodesToReplacementCharacters)
{
	// overlong, surrogate, past U+10FFFF, a lone continuation byte, a cut sequence
	String packed = Bytes({0, 0, 0, 0, 0xC0, 0x80, 'a', 0xED, 0xA0, 0x80, 'b', 0xF4, 0x90, 0x80, 0x80,
	                       'c', 0x80, 0xE2, 0x82, 'd', 0xC3, 0xA9, 0xE2, 0x82});
	RichPara u = sUnpack(packed, ParaFormat());
	ASSERT_EQ(u.part.GetCount(), 1);
	const wchar f = 0xFFFD;
	const wchar expect[] = {f, f, 'a', f, f, f, 'b', f, f, f, f, 'c', f, f, 'd', 0xE9, f, 0};
	EXPECT_EQ(u.part[0].text, WString(expect));
}

TEST(RichParaPack, DamagedStreamsEndWhereTheyAreCut)
{
	ParaFormat style;
	style.label = "S";
	// the mask wants a label but the String is cut: the style's label stays, nothing else
	RichPara u = sUnpack(Bytes({0, 4, 0, 0, 5, 'a', 'b'}), style);
	EXPECT_EQ(u.format.label, "S");
	EXPECT_TRUE(u.part.IsEmpty());
	// a cut mask
	u = sUnpack(Bytes({0, 4}), style);
	EXPECT_EQ(u.format.label, "S");
	EXPECT_TRUE(u.part.IsEmpty());
	// an object byte with no object left adds none; 0 and 1 are ignored
	u = sUnpack(Bytes({0, 0, 0, 0, 'a', 31, 0, 1, 'b', 31}), style);
	ASSERT_EQ(u.part.GetCount(), 2);
	EXPECT_EQ(u.part[0].text, WString("a"));
	EXPECT_EQ(u.part[1].text, WString("b"));
	// a face code cut in its value, a tab count larger than the stops that follow
	u = sUnpack(Bytes({0, 0, 0, 0, 'a', 4, 3}), style);
	ASSERT_EQ(u.part.GetCount(), 1);
	EXPECT_EQ(u.part[0].format.GetFace(), style.GetFace());
	u = sUnpack(Bytes({0, 0x80, 0, 0, 0xFF, 0xFF, 1, 0, 0, 0, 1, 0, 2, 0, 0}), style);
	ASSERT_EQ(u.format.tab.GetCount(), 1);
	EXPECT_EQ(u.format.tab[0].pos, 1);
	// a field whose content String says more than there is: its id and parameter stay
	u = sUnpack(Bytes({0, 0, 0, 0, 3, 1, 'F', 1, 'p', 20, 'x'}), style);
	ASSERT_EQ(u.part.GetCount(), 1);
	EXPECT_EQ(u.part[0].field, "F");
	EXPECT_EQ(u.part[0].fieldparam, "p");
	EXPECT_TRUE(u.part[0].fieldpart.IsEmpty());
	// a field without an id is none, and leaves no empty part between the text around it
	u = sUnpack(Bytes({0, 0, 0, 0, 'a', 3, 0, 1, 'p', 2, 13, 'x', 'b'}), style);
	ASSERT_EQ(u.part.GetCount(), 2);
	EXPECT_EQ(u.part[0].text, WString("a"));
	EXPECT_EQ(u.part[1].text, WString("b"));
	EXPECT_TRUE(u.part[1].field.IsEmpty() && u.part[1].fieldparam.IsEmpty() && u.part[1].fieldpart.IsEmpty());
	EXPECT_FALSE(u.part[1].format.IsBold()); // the content's codes stayed inside it
	// a stored empty label is the style's, as when none is stored
	u = sUnpack(Bytes({0, 4, 0, 0, 0}), style);
	EXPECT_EQ(u.format.label, "S");
	// fields nested 200 deep: the content past 32 levels is dropped, not followed
	String nested = "x";
	for(int i = 0; i < 200; i++) {
		StringStream ss;
		String id = "F", param, content = nested;
		ss.Put(3);
		ss % id % param % content;
		nested = ss.GetResult();
	}
	u = sUnpack(Bytes({0, 0, 0, 0}) + nested, style);
	int depth = 0;
	for(const Array<RichPara::Part>* q = &u.part; q->GetCount(); q = &(*q)[0].fieldpart)
		depth++;
	EXPECT_EQ(depth, 33);
	// sscript 3 means the style's
	style.sscript = RichPara::SUBSCRIPT;
	u = sUnpack(Bytes({0, 0, 0, 0, 11, 1, 'a', 11, 7, 'b'}), style);
	ASSERT_EQ(u.part.GetCount(), 2);
	EXPECT_EQ(u.part[0].format.sscript, RichPara::SUPERSCRIPT);
	EXPECT_EQ(u.part[1].format.sscript, RichPara::SUBSCRIPT);
}

TEST(RichParaPack, ParagraphWithoutPartsKeepsItsOwnCharacterFormat)
{
	ParaFormat style;
	RichPara p;
	p.format = style;
	p.format.Italic();
	p.format.ink = Color(1, 2, 3);
	String packed = sPack(p, style);
	EXPECT_EQ(Hex(packed), Hex(Bytes({0, 0, 0, 0, 16, 7, 1, 2, 3, 0})));
	RichPara u = sUnpack(packed, style);
	EXPECT_TRUE(u.part.IsEmpty());
	EXPECT_TRUE(u.format.IsItalic());
	EXPECT_EQ(u.format.ink, Color(1, 2, 3));

	// A trailing empty part is not kept; the paragraph keeps its own format after its parts
	// (the stream ends with it), so it is still there when what was unpacked is packed again.
	RichPara q;
	q.format = style;
	q.format.Underline();
	q.Cat(WString("t"), CharFormat());
	q.Cat(WString(), sBold());
	String qp = sPack(q, style);
	EXPECT_EQ(Hex(qp), Hex(Bytes({0, 0, 0, 0, 't', 13, 14, 19})));
	u = sUnpack(qp, style);
	ASSERT_EQ(u.part.GetCount(), 1);
	EXPECT_FALSE(u.part[0].format.IsBold());
	EXPECT_FALSE(u.format.IsBold());
	EXPECT_TRUE(u.format.IsUnderline());
	EXPECT_EQ(Hex(sPack(u, style)), Hex(Bytes({0, 0, 0, 0, 't', 19})));
}

TEST(RichParaPack, FieldsNestTheirPartsAndNumberObjectsInStreamOrder)
{
	ParaFormat style;
	RichPara p;
	p.format = style;
	RichObject o1 = TestRectObject(Size(1, 1), Size(1, 1), Size(1, 1));
	RichObject o2 = TestRectObject(Size(2, 2), Size(2, 2), Size(2, 2));
	CharFormat italic;
	italic.Italic();
	p.Cat("MyField", "param", italic);
	RichPara::Part& fp = p.part.Top();
	fp.fieldpart.Add().text = WString("in");
	fp.fieldpart.Top().format = sBold();
	fp.fieldpart.Add().object = o1;
	fp.fieldpart.Top().format = sBold();
	p.Cat(o2, italic);
	p.Cat(WString("after"), italic);
	Array<RichObject> objs;
	String packed = sPack(p, style, &objs);
	ASSERT_EQ(objs.GetCount(), 2);
	EXPECT_EQ(objs[0].GetSerialId(), o1.GetSerialId());
	EXPECT_EQ(objs[1].GetSerialId(), o2.GetSerialId());
	// italic on, the field: id, parameter, then its own stream (bold on against the italic
	// running format), then the object and the text in italic
	EXPECT_EQ(Hex(packed.Mid(4)), Hex(Bytes({16, 3, 7, 'M', 'y', 'F', 'i', 'e', 'l', 'd', 5, 'p', 'a', 'r', 'a', 'm',
	                                         5, 13, 17, 'i', 'n', 31, 31, 'a', 'f', 't', 'e', 'r',
	                                         17}))); // back to the paragraph's own format
	RichPara u = sUnpack(packed, style, objs);
	ASSERT_EQ(u.part.GetCount(), 3);
	EXPECT_TRUE(u.part[0].field == "MyField" && u.part[0].fieldparam == "param" && u.part[0].format.IsItalic());
	ASSERT_EQ(u.part[0].fieldpart.GetCount(), 2);
	EXPECT_TRUE(u.part[0].fieldpart[0].text == WString("in") && u.part[0].fieldpart[0].format.IsBold());
	EXPECT_EQ(u.part[0].fieldpart[1].object.GetSerialId(), o1.GetSerialId());
	// the field content's formats do not leak into the parts after it
	EXPECT_EQ(u.part[1].object.GetSerialId(), o2.GetSerialId());
	EXPECT_TRUE(u.part[2].format.IsItalic() && !u.part[2].format.IsBold() && !u.part[1].format.IsBold());
	EXPECT_FALSE(u.format.IsItalic());
}
