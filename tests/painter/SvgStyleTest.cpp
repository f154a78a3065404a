#include "RecordingPainter.h"

#include <painter/detail/SvgParser.h>

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
		{"#12345678", "52,86,120"},          // the top byte of eight digits is dropped
		{"# 0a0b0c", "10,11,12"},            // blanks before the digits are skipped
		{"#", "0,0,0"},
		{"rgb(100%, 50%, 0)", "255,127,0"}, {"rgb(300,-5,10", "255,0,10"}, {"RGB(1 2 3)", "1,2,3"},
		{"rgb(1, 2)", "null"},               // too few numbers: not a colour
		{"Red", "255,0,0"}, {"RED", "255,0,0"}, {"crimson", "220,20,60"}, {"lightgrey", "211,211,211"},
		{"yellowgreen", "154,205,50"}, {"aliceblue", "240,248,255"},
		{"grey", "null"}, {"lightgray", "null"}, {"transparent", "null"}, {"none", "null"}, {"", "null"},
		{"currentColor", "null"},
	};
	for(const Case& c : cases)
		EXPECT_EQ(sRgb(GetSvgColor(c.text)), c.want) << c.text;
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
	EXPECT_TRUE(GetSvgNamedColor("slategrey").IsNull());
}

TEST(SvgTransform, Lists)
{
	using detail::SvgParser;
	struct Case { const char* text; Pointf in, want; };
	const Case cases[] = {
		{"translate(10)", {1, 1}, {1, 1}},
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
	EXPECT_EQ(sRgb(s.fill), "255,0,0");
	EXPECT_EQ(sRgb(s.stroke), "0,0,255");
	EXPECT_EQ(s.stroke_width, 3);
	EXPECT_EQ(s.opacity, 1);           // unreadable: 1
	EXPECT_EQ(s.fill_opacity, 0.5);
	EXPECT_EQ(s.font.GetRawHeight(), 12);
	EXPECT_TRUE(s.font.IsBold());
	EXPECT_TRUE(s.font.IsItalic());
	EXPECT_EQ(s.font.GetFace(), Font::MONOSPACE);
	EXPECT_EQ(s.text_anchor, 2);
	sp.Style("fill:inherit;stroke:none;font-weight:normal;text-anchor:start;Fill:blue");
	EXPECT_EQ(sRgb(s.fill), "255,0,0"); // names are case-sensitive, inherit keeps
	EXPECT_TRUE(s.stroke.IsNull());
	EXPECT_FALSE(s.font.IsBold());
	EXPECT_EQ(s.text_anchor, 0);
	sp.ProcessValue("text-anchor", "middle");
	EXPECT_EQ(s.text_anchor, 1);
	EXPECT_TRUE(rec.calls.empty());
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
			const char* names[] = { "red", "Navy", "papayawhip", "grey" };
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
