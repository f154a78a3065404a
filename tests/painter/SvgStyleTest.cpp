#include "RecordingPainter.h"

#include <painter/svg/detail/SvgParser.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

using namespace Qel;
using QelTest::RecordingPainter;

namespace {

std::string sRgb(Color c)
{
	if(c.IsNull())
		return "null";
	return std::to_string(c.GetR()) + "," + std::to_string(c.GetG()) + "," + std::to_string(c.GetB());
}

} // namespace

TEST(SvgColor, Texts)
{
	struct Case { const char* text; const char* want; };
	const Case cases[] = {
		{"#F00", "255,0,0"}, {"#ff0000", "255,0,0"}, {"#abc", "170,187,204"},
		{"#12345678", "18,52,86"},           // the last byte of eight digits is the alpha
		{"# 0a0b0c", "null"}, {"#", "null"}, {"#aaz", "null"}, {"#12345", "null"}, {"#1234567", "null"},
		{"rgb(100%, 50%, 0%)", "255,127,0"}, {"rgb(100%, 50%, 0)", "null"}, {"rgb(300,-5,10", "255,0,10"}, {"RGB(1 2 3)", "1,2,3"},
		{"rgb(1, 2)", "null"},               // too few numbers: not a colour
		{"Red", "255,0,0"}, {"RED", "255,0,0"}, {"crimson", "220,20,60"}, {"lightgrey", "211,211,211"},
		{"yellowgreen", "154,205,50"}, {"aliceblue", "240,248,255"},
		{"grey", "128,128,128"}, {"lightgray", "211,211,211"}, {"transparent", "null"}, {"none", "null"}, {"", "null"},
		{"currentColor", "null"},
	};
	for(const Case& c : cases)
		EXPECT_EQ(sRgb(GetSvgColor(c.text)), c.want) << c.text;
}

TEST(SvgColor, FormsWithAlphaAndCurrentColor)
{
	using Ink = detail::SvgParser::Ink;
	struct Case { const char* text; const char* rgb; double alpha; };
	const Case cases[] = {
		{"#f008", "255,0,0", 0x88 / 255.0}, {"#FF000080", "255,0,0", 0x80 / 255.0}, {"#ABC", "170,187,204", 1},
		{"rgba(0, 127, 0, 0.5)", "0,127,0", 0.5}, {"rgb(0, 127, 0, 0.5)", "0,127,0", 0.5},
		{"rgba(0,127,0,50%)", "0,127,0", 0.5}, {"rgba(0, 127, 0, 2)", "0,127,0", 1},
		{"rgba(0%, 50%, 0%, 0.5)", "0,127,0", 0.5}, {"rgb(0.8, 127.5, 14.2)", "0,127,14", 1},
		{"rgb(-10%, 50%, 120%)", "0,127,255", 1}, {"rgb(0 / 5)", "", 0}, {"rgba(0, 50%, 0, 0.5)", "", 0},
		{"hsl(120, 100%, 25%)", "0,128,0", 1}, {"hsl(480, 100%, 25%)", "0,128,0", 1},
		{"hsl(-240, 200%, 25%)", "0,128,0", 1}, {"HSLA(120, 100%, 25%, 0.25)", "0,128,0", 0.25},
		{"hsl(120deg, 100%, 25%)", "0,128,0", 1}, {"hsl(120, 100%)", "", 0},
		{"transparent", "0,0,0", 0}, {"GreeN", "0,128,0", 1}, {"red icc-color(x, 0.1)", "255,0,0", 1},
		{"none", "null", 1}, {"qwe13212", "", 0}, {"#aaz", "", 0}, {"url(#g)", "", 0},
	};
	for(const Case& c : cases) {
		Ink ink;
		bool ok = detail::SvgParser::ParseInk(c.text, ink);
		EXPECT_EQ(ok, *c.rgb != 0) << c.text;
		if(ok && *c.rgb) {
			EXPECT_EQ(sRgb(ink.color), c.rgb) << c.text;
			EXPECT_NEAR(ink.alpha, c.alpha, 1e-9) << c.text;
		}
	}
	Ink cur;
	ASSERT_TRUE(detail::SvgParser::ParseInk(" currentColor ", cur));
	EXPECT_TRUE(cur.current);
}

TEST(SvgLength, EachUnitAndPercentages)
{
	using P = detail::SvgParser;
	NilPainter nil;
	P sp(nil);
	sp.Top().viewport = Sizef(200, 100);
	sp.Top().font_size = 20;
	double diag = std::sqrt((200.0 * 200 + 100 * 100) / 2);
	struct Case { const char* text; P::Axis axis; double want; };
	const Case cases[] = {
		{"10", P::HORZ, 10}, {"10px", P::HORZ, 10}, {" 1in ", P::HORZ, 96}, {"2.54cm", P::HORZ, 96},
		{"25.4mm", P::VERT, 96}, {"72pt", P::VERT, 96}, {"6pc", P::VERT, 96}, {"2em", P::HORZ, 40},
		{"2EM", P::HORZ, 40}, {"2ex", P::HORZ, 20}, {"50%", P::HORZ, 100}, {"50%", P::VERT, 50},
		{"50%", P::DIAGONAL, diag / 2}, {"1e1", P::HORZ, 10}, {"1E1px", P::HORZ, 10}, {".5", P::HORZ, 0.5},
		{"-5", P::HORZ, -5}, {"+5.", P::HORZ, 5},
		// not lengths: the default
		{"10mmx", P::HORZ, -1}, {"10 px", P::HORZ, -1}, {"px", P::HORZ, -1}, {"", P::HORZ, -1},
		{"1,5", P::HORZ, -1}, {"10Q", P::HORZ, -1}, {"5%%", P::HORZ, -1}, {"1e999", P::HORZ, -1},
		{"1e", P::HORZ, -1}, {"--1", P::HORZ, -1},
	};
	for(const Case& c : cases)
		EXPECT_NEAR(sp.Length(c.text, c.axis, -1), c.want, 1e-9) << c.text;
}

TEST(SvgColor, NamedTableIsCompleteAndLowerCase)
{
	// every name of the table resolves, in either case, and the two cyan/aqua aliases agree
	const char* names[] = { "aqua", "cyan", "fuchsia", "magenta", "darkslategray", "navajowhite" };
	for(const char* n : names) {
		EXPECT_FALSE(GetSvgNamedColor(n).IsNull()) << n;
		EXPECT_EQ(GetSvgNamedColor(ToUpper(String(n))).GetRaw(), GetSvgNamedColor(n).GetRaw()) << n;
	}
	EXPECT_EQ(GetSvgNamedColor("aqua").GetRaw(), GetSvgNamedColor("cyan").GetRaw());
	EXPECT_EQ(GetSvgNamedColor("slategrey").GetRaw(), GetSvgNamedColor("slategray").GetRaw());
	EXPECT_TRUE(GetSvgNamedColor("slategreen").IsNull());
}

TEST(SvgTransform, Lists)
{
	using detail::SvgParser;
	struct Case { const char* text; Pointf in, want; };
	const Case cases[] = {
		{"translate(10)", {1, 1}, {11, 1}},
		{"translate(10 20) scale(2)", {1, 1}, {12, 22}},
		{"translate(10,20),scale(2)", {1, 1}, {12, 22}},
		{"rotate(90 10 10)", {20, 10}, {10, 20}},
		{"rotate(90)", {1, 0}, {0, 1}},
		{"scale(2 3)", {1, 1}, {2, 3}},
		{"skewX(45)", {0, 1}, {1, 1}},
		{"skewY(45)", {1, 0}, {1, 1}},
		{"matrix(1 2 3 4 5 6)", {1, 1}, {9, 12}},
		{"matrix(1 2 3)", {1, 1}, {1, 1}},     // too few numbers: identity
		{"bogus(5) translate(1 1)", {0, 0}, {1, 1}},
		{"translate(5 5) scale(x) translate(100 100)", {0, 0}, {5, 5}}, // an error ends the list
		{"", {3, 4}, {3, 4}},
	};
	for(const Case& c : cases) {
		Pointf p = SvgParser::Transform(c.text).Transform(c.in);
		EXPECT_NEAR(p.x, c.want.x, 1e-9) << c.text;
		EXPECT_NEAR(p.y, c.want.y, 1e-9) << c.text;
	}
}

TEST(SvgPoints, TruncatedPairsUpToTheFirstError)
{
	using detail::SvgParser;
	struct Case { const char* text; std::vector<std::pair<int, int>> want; };
	const Case cases[] = {
		{"1.7, 2.9 3.2, 4", {{1, 2}, {3, 4}}},
		{"10,20,30,40", {{10, 20}, {30, 40}}},
		{"1 2 3", {{1, 2}}},
		{"1 2 x 3 4", {{1, 2}}},
		{"-1.9 -2", {{-1, -2}}},
		{"", {}},
	};
	for(const Case& c : cases) {
		Vector<Pointf> v = SvgParser::ParsePoints(c.text);
		std::vector<std::pair<int, int>> got;
		for(const Pointf& p : v)
			got.emplace_back((int)p.x, (int)p.y);
		EXPECT_EQ(got, c.want) << c.text;
	}
}

TEST(SvgViewBox, FourNumbersWithAnySeparators)
{
	using detail::SvgParser;
	XmlNode n;
	n.SetType(XT_START);
	auto vb = [&](const char* text) { n.SetAttr("viewBox", text); return SvgParser::GetViewBox(n); };
	Rectf r = vb("0 0 100 50");
	EXPECT_EQ(r, Rectf(0, 0, 100, 50));
	r = vb("-10,5;20 , 30");
	EXPECT_EQ(r, Rectf(-10, 5, 10, 35));
	EXPECT_TRUE(BoundsPainter::IsEmpty(vb("1 2 3")));
	EXPECT_TRUE(BoundsPainter::IsEmpty(vb("")));
}

TEST(SvgStyle, PropertiesReachStateAndTarget)
{
	RecordingPainter rec;
	detail::SvgParser sp(rec);
	sp.Style("fill:red;;stroke: blue ;stroke-width:3;opacity:x;fill-opacity:0.5;font-size:12.5px;"
	         "font-weight:600;font-style:oblique;text-anchor:end;font-family:courier");
	const detail::SvgParser::State& s = sp.Top();
	EXPECT_EQ(sRgb(s.fill.ink.color), "255,0,0");
	EXPECT_EQ(sRgb(s.stroke.ink.color), "0,0,255");
	EXPECT_EQ(s.stroke_width, 3);
	EXPECT_EQ(s.opacity, 1);           // unreadable: 1
	EXPECT_EQ(s.fill_opacity, 0.5);
	EXPECT_EQ(s.font.GetRawHeight(), 12);
	EXPECT_TRUE(s.font.IsBold());
	EXPECT_TRUE(s.font.IsItalic());
	EXPECT_EQ(s.font.GetFace(), Font::MONOSPACE);
	EXPECT_EQ(s.text_anchor, 2);
	sp.Style("fill:inherit;stroke:none;font-weight:normal;text-anchor:start;Fill:blue");
	EXPECT_EQ(sRgb(s.fill.ink.color), "255,0,0"); // names are case-sensitive, inherit keeps
	EXPECT_TRUE(s.stroke.ink.color.IsNull());
	EXPECT_FALSE(s.font.IsBold());
	EXPECT_EQ(s.text_anchor, 0);
	sp.ProcessValue("text-anchor", "middle");
	EXPECT_EQ(s.text_anchor, 1);
	EXPECT_TRUE(rec.calls.empty());
}

TEST(SvgStyle, OpacitiesAndLengthsOfProperties)
{
	RecordingPainter rec;
	detail::SvgParser sp(rec);
	sp.state.Add(sp.Top()); // an element below the root, so opacity has a parent to multiply
	detail::SvgParser::State& s = sp.Top();
	s.viewport = Sizef(300, 400);
	sp.Style("opacity:50%;fill-opacity:2;stroke-opacity:-1;font-size:2em;stroke-width:1em");
	EXPECT_EQ(s.opacity, 0.5);
	EXPECT_EQ(s.fill_opacity, 1);
	EXPECT_EQ(s.stroke_opacity, 0);
	EXPECT_EQ(s.font_size, 48);
	EXPECT_EQ(s.font.GetRawHeight(), 48);
	EXPECT_EQ(s.stroke_width, 48);
	// what is not a value of the property leaves it as it was
	sp.Style("opacity:0.1mm;fill-opacity:x;stroke-width:-2;stroke-width:3q;font-size:-1;fill:bogus");
	EXPECT_EQ(s.opacity, 0.5);
	EXPECT_EQ(s.fill_opacity, 1);
	EXPECT_EQ(s.stroke_width, 48);
	EXPECT_EQ(s.font_size, 48);
	EXPECT_EQ(sRgb(s.fill.ink.color), "0,0,0");
	sp.Style("stroke-width:10%;font-size:50%");
	EXPECT_NEAR(s.stroke_width, std::sqrt((300.0 * 300 + 400 * 400) / 2) / 10, 1e-9);
	EXPECT_EQ(s.font_size, 24);
	EXPECT_TRUE(rec.calls.empty());
	// dashes in any unit; a negative length or a zero sum draws solid
	sp.Style("stroke-miterlimit:5mm;stroke-miterlimit:20%;stroke-dasharray:1em 10% 3;stroke-dashoffset:1in;"
	         "stroke-dasharray:5 -1;stroke-dasharray:0 0;stroke-dasharray:2,,3");
	std::vector<std::string> want = {
		"Dash[24,35.3553,3,24,35.3553,3]0", "Dash[24,35.3553,3,24,35.3553,3]96", "Dash[]96", "Dash[]96",
		"Dash[2,3]96",
	};
	EXPECT_EQ(rec.calls, want);
}

TEST(SvgStyle, LineAttributesGoToTheTarget)
{
	RecordingPainter rec;
	detail::SvgParser sp(rec);
	sp.Style("fill-rule:evenodd;stroke-linecap:round;stroke-linejoin:bevel;stroke-miterlimit:0.5;"
	         "miter-limit:7;stroke-dasharray:5,3;stroke-dashoffset:2;stroke-linecap:bogus;"
	         "stroke-dasharray:none");
	std::vector<std::string> want = {
		"EvenOdd1", "LineCap2", "LineJoin5", "MiterLimit1", "MiterLimit7", "Dash[5,3]0", "Dash[5,3]2",
		"LineCap0", "Dash[]2",
	};
	EXPECT_EQ(rec.calls, want);
}

TEST(SvgStyle, ClassSheetsRecordSingleClassSelectorsOnly)
{
	VectorMap<String, String> cls;
	detail::SvgParser::ParseClasses(
		"rect { fill: red } .a { fill:blue } #x { fill: green } .b, .c { stroke: red } #y { fill: .b }"
		" .f{opacity:0.5", cls);
	auto get = [&](const char* k) { int q = cls.Find(k); return q < 0 ? std::string("-") : std::string(~TrimBoth(cls[q])); };
	EXPECT_EQ(get("a"), "fill:blue");
	EXPECT_EQ(get("b"), "-");
	EXPECT_EQ(get("c"), "stroke: red");
	EXPECT_EQ(get("f"), "opacity:0.5");
}

// Threads: the colour names are built once on first use, then read without a lock; documents
// share nothing else.
TEST(SvgThreads, ColoursAndDocumentsFromManyThreads)
{
	std::vector<std::thread> t;
	std::atomic<int> bad{0};
	for(int i = 0; i < 8; i++)
		t.emplace_back([&, i] {
			const char* names[] = { "red", "Navy", "papayawhip", "greyish" };
			for(int k = 0; k < 200; k++) {
				Color c = GetSvgColor(names[(i + k) % 4]);
				bool want_null = (i + k) % 4 == 3;
				bad += c.IsNull() != want_null;
			}
			Rectf r = GetSVGBoundingBox("<svg><rect x='1' y='2' width='3' height='4' fill='teal'/></svg>");
			bad += r != Rectf(1, 2, 4, 6);
		});
	for(std::thread& th : t)
		th.join();
	EXPECT_EQ(bad, 0);
}
