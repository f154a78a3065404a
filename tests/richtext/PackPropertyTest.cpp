// Random paragraphs packed against random styles unpack to the same content and formats, but
// for what the packed form does not keep (font width and other flags, characters below 32
// other than the tab, the header texts of a paragraph that starts none, an empty label).
#include "RichTestTypes.h"
#include "RichTestUtil.h"

#include <gtest/gtest.h>

#include <random>

using namespace Qel;
using namespace QelTest;

using CharFormat = RichPara::CharFormat;
using ParaFormat = RichPara::Format;
using Part = RichPara::Part;

namespace {

struct sGen {
	std::mt19937 rng{20260315};

	int  Int(int n)          { return int(rng() % unsigned(n)); }
	bool Chance(int percent) { return Int(100) < percent; }
	template <class T>
	T Pick(std::initializer_list<T> l) { return l.begin()[Int(int(l.size()))]; }

	// ordinary, negative, around and past 16 bits, the extremes
	int Length() { return Pick({Int(600), -Int(3000), 65534 + Int(3), Int(2000000000), INT_NULL, 2147483647}); }
	wchar Char()
	{
		return Pick({wchar(Int(32)),                // controls: only the tab survives
		             wchar(0xEE00 + Int(256)),      // the converter's escape characters
		             wchar(0xA0 + Int(0x60)), wchar(0x400 + Int(0x100)), wchar(0x10000 + Int(0x100000)),
		             wchar(32 + Int(95)), wchar(32 + Int(95))});
	}
	WString Text(int maxlen)
	{
		WString s;
		for(int n = Chance(3) ? 600 : Int(maxlen); n > 0; n--)
			s.Cat(Char());
		return s;
	}
	String Bytes(int maxlen)
	{
		String s;
		for(int n = Chance(5) ? 127 + Int(300) : Int(maxlen); n > 0; n--)
			s.Cat(char(Int(256)));
		return s;
	}
	Color Colour() { return Pick({Color(), Color(0, 0, 0), Color::FromRaw(rng()), Color::FromRaw(0x40000000 | Int(50))}); }
	void Chars(CharFormat& f)
	{
		f.Face(Pick({0, 1, 2, 3, 65533, 65534, 65535}));
		f.Height(Pick({100, 1, -5, 0, 32767, -32768, Font::STD_HEIGHT}));
		f.Width(Int(100));
		f.Flags(Int(0x10000));
		f.language = Chance(50) ? 0 : int(rng());
		f.ink = Colour();
		f.paper = Colour();
		f.link = Chance(70) ? String() : Bytes(20);
		f.indexentry = Chance(70) ? WString() : Text(10);
		f.sscript = Int(3);
		f.capitals = Chance(30);
		f.dashed = Chance(30);
	}
	void Parts(Array<Part>& part, const CharFormat& base, int depth)
	{
		for(int n = Int(depth ? 4 : 9); n > 0; n--) {
			Part& p = part.Add();
			p.format = base;
			if(Chance(70))
				Chars(p.format);
			int kind = Int(10);
			if(kind == 0 && depth < 2) {
				p.field = Pick({"VALUE", "qeltest-field"});
				p.fieldparam = Bytes(10);
				Parts(p.fieldpart, p.format, depth + 1);
			}
			else if(kind == 1 && Chance(50))
				p.object = TestRectObject(Size(Int(5000), Int(5000)), Size(Int(500), Int(500)), Size(Length(), Length()));
			else if(kind == 1)
				p.object.Read("qeltest-unknown", Bytes(30) + "!", Size(Int(1000), Int(1000)));
			else
				p.text = Text(30);
		}
	}
	void Para(ParaFormat& f)
	{
		Chars(f);
		for(int* v : {&f.align, &f.before, &f.lm, &f.indent, &f.rm, &f.after, &f.bullet, &f.tabsize,
		              &f.ruler, &f.rulerstyle})
			if(Chance(50))
				*v = Length();
		for(bool* b : {&f.keep, &f.newpage, &f.keepnext, &f.orphan, &f.fflag, &f.newhdrftr, &f.reset_number})
			*b = Chance(50);
		f.linespacing = Int(4) - 3;
		f.rulerink = Colour();
		f.header_qtf = Chance(50) ? String() : Bytes(200);
		f.footer_qtf = Bytes(20);
		f.label = Chance(50) ? String() : Bytes(10);
		f.before_number = Bytes(5);
		f.after_number = Bytes(5);
		for(int i = 0; i < 8; i++)
			f.number[i] = byte(Chance(50) ? 0 : Int(8));
		if(Chance(50)) {
			f.tab.Clear();
			for(int n = Int(6); n > 0; n--)
				f.tab.Add() = {Chance(20) ? INT_NULL : Length(), byte(Int(256)), byte(Int(256))};
		}
		f.styleid = Chance(50) ? Uuid() : Uuid::Create();
	}
};

// What the packed form keeps of parts: no characters below 32 but the tab, no empty text
// parts, and runs of text in one kept format as one run.
void sCanonical(const Array<Part>& in, Array<Part>& out)
{
	for(const Part& p : in) {
		if(p.IsField() || !p.object.IsNull()) {
			Part& q = out.Add(p);
			q.text.Clear();
			q.fieldpart.Clear();
			sCanonical(p.fieldpart, q.fieldpart);
			continue;
		}
		WString t;
		for(wchar c : p.text)
			if(c >= 32 || c == 9)
				t.Cat(c);
		if(t.IsEmpty())
			continue;
		if(out.GetCount() && !out.Top().IsField() && out.Top().object.IsNull() && SameKeptFormat(out.Top().format, p.format))
			out.Top().text.Cat(t);
		else {
			out.Add().text = t;
			out.Top().format = p.format;
		}
	}
}

void sExpectSameParts(const Array<Part>& a, const Array<Part>& b, const std::string& where)
{
	Array<Part> ca, cb;
	sCanonical(a, ca);
	sCanonical(b, cb);
	ASSERT_EQ(ca.GetCount(), cb.GetCount()) << where;
	for(int i = 0; i < ca.GetCount(); i++) {
		const Part& x = ca[i];
		const Part& y = cb[i];
		std::string at = where + " part " + std::to_string(i);
		EXPECT_TRUE(SameKeptFormat(x.format, y.format)) << at << "\n" << DescribeFormat(x.format) << "\n" << DescribeFormat(y.format);
		EXPECT_TRUE(x.text == y.text && x.field == y.field && x.fieldparam == y.fieldparam) << at;
		EXPECT_EQ(x.object.GetSerialId(), y.object.GetSerialId()) << at;
		EXPECT_TRUE(x.object.GetTypeName() == y.object.GetTypeName() && x.object.GetData() == y.object.GetData() &&
		            x.object.GetSize() == y.object.GetSize()) << at;
		sExpectSameParts(x.fieldpart, y.fieldpart, at);
	}
}

} // namespace

TEST(RichParaPackProperty, RandomParagraphsUnpackAsPacked)
{
	sGen g;
	for(int round = 0; round < 1500 && !HasFailure(); round++) {
		std::string where = "round " + std::to_string(round);
		ParaFormat style;
		g.Para(style);
		RichPara p;
		p.format = style;
		g.Para(p.format);
		if(g.Chance(80))
			g.Parts(p.part, p.format, 0);
		Array<RichObject> objs;
		String packed = p.Pack(style, objs);
		RichPara u;
		u.Unpack(packed, objs, style);

		const ParaFormat& f = p.format;
		const ParaFormat& x = u.format;
		EXPECT_TRUE(x.align == f.align && x.before == f.before && x.lm == f.lm && x.indent == f.indent &&
		            x.rm == f.rm && x.after == f.after && x.bullet == f.bullet && x.tabsize == f.tabsize &&
		            x.ruler == f.ruler && x.rulerstyle == f.rulerstyle && x.rulerink == f.rulerink &&
		            x.linespacing == f.linespacing) << where;
		EXPECT_TRUE(x.keep == f.keep && x.newpage == f.newpage && x.keepnext == f.keepnext &&
		            x.orphan == f.orphan && x.fflag == f.fflag && x.newhdrftr == f.newhdrftr) << where;
		EXPECT_EQ(x.header_qtf, f.newhdrftr ? f.header_qtf : style.header_qtf) << where;
		EXPECT_EQ(x.footer_qtf, f.newhdrftr ? f.footer_qtf : style.footer_qtf) << where;
		EXPECT_EQ(x.label, f.label.IsEmpty() ? style.label : f.label) << where;
		EXPECT_TRUE(x.before_number == f.before_number && x.after_number == f.after_number &&
		            x.reset_number == f.reset_number && memcmp(x.number, f.number, 8) == 0) << where;
		EXPECT_TRUE(x.styleid == style.styleid) << where;
		Vector<RichPara::Tab> tabs;
		for(const RichPara::Tab& t : f.tab)
			if(!IsNull(t.pos))
				tabs.Add(t);
		EXPECT_TRUE(x.tab == tabs) << where;
		EXPECT_TRUE(SameKeptFormat(x, f)) << where << "\n" << DescribeFormat(x) << "\n" << DescribeFormat(f);
		sExpectSameParts(p.part, u.part, where);

		// Long links and index entries set aside, in field contents too, come back in their
		// places; with nothing long the form is the one without.
		RichPara::Aside aside;
		Array<RichObject> objs_a, objs_b, objs_c;
		String packed_a = p.Pack(style, objs_a, &aside);
		RichPara a;
		a.Unpack(String(), packed_a, objs_a, &aside, style);
		EXPECT_EQ(Hex(a.Pack(style, objs_b)), Hex(u.Pack(style, objs_c))) << where;
		if(aside.IsEmpty()) {
			EXPECT_EQ(Hex(packed_a), Hex(packed)) << where;
		}

		// What was unpacked packs to bytes that are stable from then on (the first round may
		// still drop controls, empty runs and a label taken from the style).
		Array<RichObject> objs2, objs3;
		String packed2 = u.Pack(style, objs2);
		RichPara u2;
		u2.Unpack(packed2, objs2, style);
		EXPECT_EQ(Hex(u2.Pack(style, objs3)), Hex(packed2)) << where;
		EXPECT_EQ(objs3.GetCount(), objs.GetCount()) << where;
	}
}
