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
	std::mt19937 rng;

	explicit sGen(unsigned seed) : rng(seed) {}

	int  Int(int n)             { return int(rng() % unsigned(n)); }
	bool Chance(int percent)    { return Int(100) < percent; }
	template <class T>
	T Pick(std::initializer_list<T> l) { return l.begin()[Int(int(l.size()))]; }

	// Lengths: ordinary, negative, past 16 bits, and the extremes.
	int Length()
	{
		switch(Int(6)) {
		case 0: return Int(600);
		case 1: return -Int(3000);
		case 2: return 65534 + Int(3);
		case 3: return Int(2000000000);
		case 4: return Pick({0, int(0x80000000), 2147483647, -1});
		default: return Int(20000);
		}
	}
	wchar Char()
	{
		switch(Int(8)) {
		case 0: return wchar(Int(32));                 // controls: tab survives, the rest not
		case 1: return wchar(0xEE00 + Int(256));       // the converter's escape characters
		case 2: return wchar(0xA0 + Int(0x60));        // Latin-1
		case 3: return wchar(0x400 + Int(0x100));      // Cyrillic
		case 4: return wchar(0x10000 + Int(0x100000)); // past the first plane
		case 5: return wchar(0xE000 + Int(0x1FFE));    // up to U+FFFD
		default: return wchar(32 + Int(95));
		}
	}
	WString Text(int maxlen)
	{
		WString s;
		int n = Chance(3) ? 600 + Int(400) : Int(maxlen);
		for(int i = 0; i < n; i++)
			s.Cat(Char());
		return s;
	}
	String Bytes(int maxlen)
	{
		String s;
		int n = Chance(5) ? 127 + Int(300) : Int(maxlen);
		for(int i = 0; i < n; i++)
			s.Cat(char(Int(256)));
		return s;
	}
	Color Colour()
	{
		return Pick({Color(), Color(0, 0, 0), Color::FromRaw(rng()), Color::FromRaw(0x40000000 | Int(50))});
	}
	void Chars(CharFormat& f)
	{
		f.Face(Pick({0, 1, 2, 3, 7, 65533, 65534, 65535}));
		f.Height(Pick({100, 1, 150, -5, 0, 32767, -32768, Font::STD_HEIGHT}));
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
	CharFormat Chars(const CharFormat& base)
	{
		CharFormat f = base;
		if(Chance(70))
			Chars(f);
		return f;
	}
	RichObject Object()
	{
		if(Chance(50))
			return TestRectObject(Size(Int(5000), Int(5000)), Size(Int(500), Int(500)), Size(Length(), Length()));
		RichObject o;
		String data = Bytes(30);
		data.Cat('!'); // never Null
		o.Read("qeltest-unknown", data, Size(Int(1000), Int(1000)));
		return o;
	}
	void Parts(Array<Part>& part, const CharFormat& base, int depth)
	{
		int n = Int(depth ? 4 : 9);
		for(int i = 0; i < n; i++) {
			Part& p = part.Add();
			p.format = Chars(base);
			int kind = Int(10);
			if(kind == 0 && depth < 2) {
				p.field = Pick({"VALUE", "qeltest-field", "x"});
				p.fieldparam = Bytes(10);
				Parts(p.fieldpart, p.format, depth + 1);
			}
			else if(kind == 1)
				p.object = Object();
			else
				p.text = Text(30);
		}
	}
	void Para(ParaFormat& f)
	{
		Chars(f);
		auto maybe = [&](int& v) { if(Chance(50)) v = Length(); };
		maybe(f.align);
		maybe(f.before);
		maybe(f.lm);
		maybe(f.indent);
		maybe(f.rm);
		maybe(f.after);
		maybe(f.bullet);
		maybe(f.tabsize);
		maybe(f.ruler);
		maybe(f.rulerstyle);
		f.linespacing = Int(4) - 3;
		f.rulerink = Colour();
		f.keep = Chance(50);
		f.newpage = Chance(50);
		f.keepnext = Chance(50);
		f.orphan = Chance(50);
		f.fflag = Chance(50);
		f.newhdrftr = Chance(50);
		f.header_qtf = Chance(50) ? String() : Bytes(200);
		f.footer_qtf = Chance(50) ? String() : Bytes(20);
		f.label = Chance(50) ? String() : Bytes(10);
		if(Chance(50)) {
			f.before_number = Bytes(5);
			f.after_number = Bytes(5);
			f.reset_number = Chance(50);
			for(int i = 0; i < 8; i++)
				f.number[i] = byte(Int(8));
		}
		if(Chance(50)) {
			f.tab.Clear();
			int n = Int(6);
			for(int i = 0; i < n; i++)
				f.tab.Add() = {Chance(20) ? int(0x80000000) : Length(), byte(Int(256)), byte(Int(256))};
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
			if(p.IsField()) {
				q.object.Clear();
				q.fieldpart.Clear();
				sCanonical(p.fieldpart, q.fieldpart);
			}
			continue;
		}
		WString t;
		for(wchar c : p.text)
			if(c >= 32 || c == 9)
				t.Cat(c);
		if(t.IsEmpty())
			continue;
		if(out.GetCount() && !out.Top().IsField() && out.Top().object.IsNull() &&
		   SameKeptFormat(out.Top().format, p.format))
			out.Top().text.Cat(t);
		else {
			Part& q = out.Add();
			q.text = t;
			q.format = p.format;
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
		std::string at = where + " part " + std::to_string(i);
		const Part& x = ca[i];
		const Part& y = cb[i];
		EXPECT_TRUE(SameKeptFormat(x.format, y.format)) << at << "\n" << DescribeFormat(x.format)
		                                                << "\n" << DescribeFormat(y.format);
		EXPECT_EQ(x.text, y.text) << at;
		EXPECT_EQ(x.field, y.field) << at;
		EXPECT_EQ(x.fieldparam, y.fieldparam) << at;
		EXPECT_EQ(x.object.GetSerialId(), y.object.GetSerialId()) << at;
		EXPECT_EQ(x.object.GetTypeName(), y.object.GetTypeName()) << at;
		EXPECT_EQ(x.object.GetData(), y.object.GetData()) << at;
		EXPECT_EQ(x.object.GetSize(), y.object.GetSize()) << at;
		if(x.IsField())
			sExpectSameParts(x.fieldpart, y.fieldpart, at);
	}
}

} // namespace

TEST(RichParaPackProperty, RandomParagraphsUnpackAsPacked)
{
	sGen g(20260315);
	for(int round = 0; round < 1500; round++) {
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
		EXPECT_EQ(x.align, f.align) << where;
		EXPECT_EQ(x.before, f.before) << where;
		EXPECT_EQ(x.lm, f.lm) << where;
		EXPECT_EQ(x.indent, f.indent) << where;
		EXPECT_EQ(x.rm, f.rm) << where;
		EXPECT_EQ(x.after, f.after) << where;
		EXPECT_EQ(x.bullet, f.bullet) << where;
		EXPECT_EQ(x.tabsize, f.tabsize) << where;
		EXPECT_EQ(x.ruler, f.ruler) << where;
		EXPECT_EQ(x.rulerstyle, f.rulerstyle) << where;
		EXPECT_EQ(x.rulerink, f.rulerink) << where;
		EXPECT_EQ(x.linespacing, f.linespacing) << where;
		EXPECT_EQ(x.keep, f.keep) << where;
		EXPECT_EQ(x.newpage, f.newpage) << where;
		EXPECT_EQ(x.keepnext, f.keepnext) << where;
		EXPECT_EQ(x.orphan, f.orphan) << where;
		EXPECT_EQ(x.fflag, f.fflag) << where;
		EXPECT_EQ(x.newhdrftr, f.newhdrftr) << where;
		EXPECT_EQ(x.header_qtf, f.newhdrftr ? f.header_qtf : style.header_qtf) << where;
		EXPECT_EQ(x.footer_qtf, f.newhdrftr ? f.footer_qtf : style.footer_qtf) << where;
		EXPECT_EQ(x.label, f.label.IsEmpty() ? style.label : f.label) << where;
		EXPECT_EQ(x.before_number, f.before_number) << where;
		EXPECT_EQ(x.after_number, f.after_number) << where;
		EXPECT_EQ(x.reset_number, f.reset_number) << where;
		EXPECT_EQ(memcmp(x.number, f.number, 8), 0) << where;
		EXPECT_TRUE(x.styleid == style.styleid) << where;
		Vector<RichPara::Tab> tabs;
		for(const RichPara::Tab& t : f.tab)
			if(!IsNull(t.pos))
				tabs.Add(t);
		EXPECT_TRUE(x.tab == tabs) << where;
		EXPECT_TRUE(SameKeptFormat(x, f)) << where << "\n" << DescribeFormat(x) << "\n" << DescribeFormat(f);
		sExpectSameParts(p.part, u.part, where);
		if(HasFailure())
			break;

		// Packing what was unpacked is stable: the form reached after one round packs to
		// itself (the first round may still drop controls, empty runs and label defaults).
		Array<RichObject> objs2, objs3;
		String packed2 = u.Pack(style, objs2);
		RichPara u2;
		u2.Unpack(packed2, objs2, style);
		EXPECT_EQ(Hex(u2.Pack(style, objs3)), Hex(packed2)) << where;
		EXPECT_EQ(objs3.GetCount(), objs.GetCount()) << where;
	}
}
