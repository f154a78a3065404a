#include "RecordingPainter.h"

#include <painter/svg/detail/SvgParser.h>

#include <gtest/gtest.h>

#include <cmath>

using namespace Qel;
using QelTest::RecordingPainter;

using Calls = std::vector<std::string>;

// The font module reads the system's fontconfig set while the program starts, and fontconfig
// loses a block reading some system configurations; that is not ours to find. Weak: another
// test file of this program may say the same.
extern "C" __attribute__((weak)) const char* __lsan_default_suppressions()
{
	return "leak:libfontconfig.so\n";
}

namespace {

const std::string sIdentity = "Transform[(1,0)(0,1)(0,0)]";

// The calls of a document, without the identity transforms every element applies.
Calls sRender(const char* svg, bool* ok = nullptr)
{
	RecordingPainter p;
	bool b = RenderSVG(p, svg);
	if(ok)
		*ok = b;
	Calls r;
	for(const std::string& c : p.calls)
		if(c != sIdentity)
			r.push_back(c);
	return r;
}

int sCount(const Calls& calls, const std::string& prefix)
{
	int n = 0;
	for(const std::string& c : calls)
		n += c.rfind(prefix, 0) == 0;
	return n;
}

void sExpectBalanced(const Calls& calls)
{
	int depth = 0;
	for(const std::string& c : calls) {
		depth += c == "Begin";
		depth -= c == "End";
		ASSERT_GE(depth, 0);
	}
	EXPECT_EQ(depth, 0);
}

const char* sBlack = "#0.0.0.255";

} // namespace

TEST(SvgReader, ElementsPaintFillThenStrokeInsideTheirScope)
{
	struct Case { const char* svg; Calls want; };
	std::string z = std::string("Stroke0") + sBlack; // consumes an unpainted element's path
	const Case cases[] = {
		{ "<svg><path d='M0 0 L10 0' stroke='red'/></svg>",
		  { "Begin", "Begin", "Move(0,0)", "Line(10,0)", std::string("Fill") + sBlack, "Stroke1#255.0.0.255",
		    "End", "End" } },
		{ "<svg><line x1='1' y1='2' x2='3' y2='4' fill='none'/></svg>",
		  { "Begin", "Begin", "Move(1,2)", "Line(3,4)", z, "End", z, "End" } },
		{ "<svg><polyline points='0,0 5,5' fill='red' stroke='#00f' stroke-width='2'/></svg>",
		  { "Begin", "Begin", "Move(0,0)", "Line(5,5)", "Stroke2#0.0.255.255", "End", "End" } },
		{ "<svg><polygon points='1.7, 2.9 3.2, 4'/></svg>",
		  { "Begin", "Begin", "Move(1,2)", "Line(3,4)", "Close", std::string("Fill") + sBlack, "End", "End" } },
		{ "<svg><polygon points=''/></svg>", { "Begin", z, "End" } },
		{ "<svg><path d='M0 0 H4' opacity='0.5' fill-opacity='0.5' stroke='red' stroke-opacity='0'/></svg>",
		  { "Begin", "Begin", "Move(0,0)", "Line(4,0)", "Begin", "Opacity0.25", std::string("Fill") + sBlack, "End",
		    "Begin", "Opacity0", "Stroke1#255.0.0.255", "End", "End", "End" } },
		{ "<svg><path d='M0 0 H4' fill-opacity='0' stroke='red' stroke-width='0'/></svg>",
		  { "Begin", "Begin", "Move(0,0)", "Line(4,0)", z, "End", z, "End" } },
		{ "<svg><g fill='red'><path d='M0 0 H1'/></g></svg>",
		  { "Begin", "Begin", "Begin", "Move(0,0)", "Line(1,0)", "Fill#255.0.0.255", "End", "End", "End" } },
		{ "<html><path d='M0 0 H1'/></html>", {} },
		{ "<svg><unknown><path d='M0 0 H1'/></unknown>text</svg>", { "Begin", z, "End" } },
	};
	for(const Case& c : cases) {
		bool ok = false;
		EXPECT_EQ(sRender(c.svg, &ok), c.want) << c.svg;
		EXPECT_TRUE(ok) << c.svg;
	}
}

TEST(SvgReader, ShapeSizesAndRadii)
{
	// The first move of a shape tells its left edge and corner radius; "-" means not drawn.
	struct Case { const char* shape; const char* move; };
	const Case cases[] = {
		{ "<rect x='10' y='20' width='100' height='40'/>", "Move(10,20)" },
		{ "<rect x='10' y='20' width='-100' height='40'/>", "-" },
		{ "<rect x='10' y='20' width='100' height='0'/>", "-" },
		{ "<rect x='10' y='20' width='100'/>", "-" },
		{ "<rect x='10' y='20' width='100' height='40' rx='5'/>", "Move(15,20)" },        // ry takes rx
		{ "<rect x='10' y='20' width='100' height='40' ry='5'/>", "Move(15,20)" },        // rx takes ry
		{ "<rect x='10' y='20' width='100' height='40' rx='-5' ry='7'/>", "Move(17,20)" },
		{ "<rect x='10' y='20' width='100' height='40' rx='-5' ry='-5'/>", "Move(10,20)" },
		{ "<rect x='10' y='20' width='100' height='40' rx='200'/>", "Move(60,20)" },      // half the width
		{ "<rect x='10' y='20' width='100' height='40' rx='7' ry='0'/>", "Move(10,20)" },
		{ "<circle cx='50' cy='50' r='10'/>", "Move(60,50)" },
		{ "<circle cx='50' cy='50' r='-10'/>", "-" },
		{ "<circle cx='50' cy='50'/>", "-" },
		{ "<ellipse cx='50' cy='50' ry='10'/>", "Move(60,50)" },
		{ "<ellipse cx='50' cy='50' rx='-20' ry='10'/>", "Move(60,50)" },
		{ "<ellipse cx='50' cy='50' rx='auto' ry='10'/>", "Move(60,50)" },
		{ "<ellipse cx='50' cy='50' rx='-20' ry='-10'/>", "-" },
		{ "<ellipse cx='50' cy='50' rx='20' ry='0'/>", "-" },
	};
	for(const Case& c : cases) {
		Calls calls = sRender(~(String("<svg>") + c.shape + "</svg>"));
		std::string move = "-";
		for(const std::string& k : calls)
			if(k.rfind("Move", 0) == 0) {
				move = k;
				break;
			}
		EXPECT_EQ(move, c.move) << c.shape;
		EXPECT_EQ(sCount(calls, "Fill"), *c.move == '-' ? 0 : 1) << c.shape;
		sExpectBalanced(calls);
	}
}

TEST(SvgReader, LengthsTakeUnitsAndTheNearestViewport)
{
	struct Case { const char* svg; Rectf want; };
	const Case cases[] = {
		{ "<svg viewBox='0 0 200 100'><rect x='10%' y='10%' width='50%' height='50%'/></svg>", Rectf(20, 10, 120, 60) },
		{ "<svg width='400' height='300'><rect width='1in' height='10mm'/></svg>", Rectf(0, 0, 96, 96 / 2.54) },
		{ "<svg viewBox='0 0 200 100'><line x1='0' y1='50%' x2='100%' y2='50%' stroke='red' stroke-width='10%'/></svg>",
		  Rectf(-0.5 * std::sqrt(25000.0) / 10, 50 - std::sqrt(25000.0) / 20, 200 + std::sqrt(25000.0) / 20,
		        50 + std::sqrt(25000.0) / 20) },
		// inside a nested svg, percentages are of its view box
		{ "<svg viewBox='0 0 200 100'><svg width='100' height='100' viewBox='0 0 10 10'>"
		  "<rect width='50%' height='50%'/></svg></svg>", Rectf(0, 0, 50, 50) },
		{ "<svg font-size='10'><g font-size='2em'><rect width='1em' height='2ex'/></g></svg>", Rectf(0, 0, 20, 20) },
		{ "<svg><rect width='10mmx' height='10'/><rect x='1' width='2' height='3pt'/></svg>", Rectf(1, 0, 3, 4) },
	};
	for(const Case& c : cases) {
		Rectf r = GetSVGBoundingBox(c.svg);
		EXPECT_NEAR(r.left, c.want.left, 1e-6) << c.svg;
		EXPECT_NEAR(r.top, c.want.top, 1e-6) << c.svg;
		EXPECT_NEAR(r.right, c.want.right, 1e-6) << c.svg;
		EXPECT_NEAR(r.bottom, c.want.bottom, 1e-6) << c.svg;
	}
}

TEST(SvgReader, PaintsTakeCurrentColorAlphaAndFallbacks)
{
	struct Case { const char* svg; const char* fill; };
	const Case cases[] = {
		{ "<svg><path d='M0 0 H1' fill='currentColor' color='red'/></svg>", "Fill#255.0.0.255" },
		{ "<svg><g fill='currentColor' color='red'><path d='M0 0 H1' color='blue'/></g></svg>", "Fill#0.0.255.255" },
		{ "<svg><g color='lime'><path d='M0 0 H1' fill='currentColor' color='inherit'/></g></svg>", "Fill#0.255.0.255" },
		{ "<svg><path d='M0 0 H1' fill='currentColor'/></svg>", "Fill#0.0.0.255" },
		{ "<svg><path d='M0 0 H1' fill='#ff000080'/></svg>", "Fill#128.0.0.128" },
		{ "<svg><path d='M0 0 H1' fill='rgba(0, 0, 255, 0.5)' color='red'/></svg>", "Fill#0.0.128.128" },
		{ "<svg><path d='M0 0 H1' fill='url(#missing) green'/></svg>", "Fill#0.128.0.255" },
		{ "<svg><linearGradient id='e'/><path d='M0 0 H1 V1' fill='url(#e) currentColor' color='red'/></svg>",
		  "Fill#255.0.0.255" },
		{ "<svg><path d='M0 0 H1' fill='url(#missing)'/></svg>", "" },
		{ "<svg><g fill='red'><path d='M0 0 H1' fill='qwe13212'/></g></svg>", "Fill#255.0.0.255" },
		{ "<svg><path d='M0 0 H1' fill='context-fill'/></svg>", "" },
	};
	for(const Case& c : cases) {
		Calls calls = sRender(c.svg);
		std::string fill;
		for(const std::string& k : calls)
			if(k.rfind("Fill", 0) == 0)
				fill = k;
		EXPECT_EQ(fill, c.fill) << c.svg;
	}
	// nested opacities multiply
	Calls calls = sRender("<svg><g opacity='0.5'><path d='M0 0 H1' opacity='50%'/></g></svg>");
	EXPECT_EQ(sCount(calls, "Opacity0.25"), 1);
}

TEST(SvgReader, MalformedXmlDrawsNothing)
{
	bool ok = true;
	EXPECT_TRUE(sRender("<svg><path d='M0 0 H1'></svg>", &ok).empty());
	EXPECT_FALSE(ok);
	EXPECT_TRUE(BoundsPainter::IsEmpty(GetSVGBoundingBox("<svg><rect width='1' height='1'>")));
}

TEST(SvgReader, PresentationAttributesOverrideStyleAndClass)
{
	Calls c = sRender("<svg><style>.k { fill: blue; stroke: lime }</style>"
	                  "<path class='k' style='fill:red;stroke-width:3' stroke='#010203' d='M0 0 H1'/></svg>");
	EXPECT_EQ(sCount(c, "Fill#0.0.255.255"), 1);
	EXPECT_EQ(sCount(c, "Stroke3#1.2.3.255"), 1);
}

TEST(SvgReader, ClassesApplyAfterTheirSheetAndNotFromDefs)
{
	Calls c = sRender("<svg><path class='k' d='M0 0 H1'/><style>.k{fill:red}</style><path class='k' d='M0 0 H1'/>"
	                  "<defs><style>.k{fill:blue}</style></defs><path class='k' d='M0 0 H1'/></svg>");
	Calls fills;
	for(const std::string& s : c)
		if(s.rfind("Fill", 0) == 0)
			fills.push_back(s);
	EXPECT_EQ(fills, (Calls{ std::string("Fill") + sBlack, "Fill#255.0.0.255", "Fill#255.0.0.255" }));
}

TEST(SvgReader, NestedSvgPlacesItsContentOnly)
{
	Calls c = sRender("<svg><svg x='5' y='6' width='20' height='10' viewBox='0 0 10 10'><path d='M0 0 H1'/></svg>"
	                  "<svg x='1' width='7'><path d='M9 9 H1'/></svg><path d='M2 2 H3'/></svg>");
	Calls want = {
		"Begin", "Begin", "Transform[(1,0)(0,1)(5,6)]", "Transform[(1,0)(0,1)(-0,-0)]", "Begin", "Begin",
		"Move(0,0)", "Line(1,0)", std::string("Fill") + sBlack, "End", "End", "End",
		"Begin", "Move(2,2)", "Line(3,2)", std::string("Fill") + sBlack, "End", "End",
	};
	EXPECT_EQ(c, want); // uniform scale min(20/10, 10/10) = 1; no height: skipped
}

TEST(SvgReader, UseOfSymbolClipsAndScalesEachAxis)
{
	RecordingPainter p;
	RenderSVG(p, "<svg><symbol id='s' viewBox='0 0 10 10' width='20' height='40'><path d='M0 0 H1'/></symbol>"
	             "<use xlink:href='#s' x='3' y='4'/><use href='#missing'/></svg>");
	Calls want = {
		"Begin", sIdentity, "Begin", sIdentity, "Transform[(1,0)(0,1)(3,4)]",
		"Move(0,0)", "Line(20,0),rel", "Line(0,40),rel", "Line(-20,0),rel", "Close", "Clip",
		"Transform[(2,0)(0,4)(0,0)]", "Transform[(1,0)(0,1)(-0,-0)]",
		"Begin", sIdentity, "Begin", sIdentity, "Move(0,0)", "Line(1,0)", std::string("Fill") + sBlack, "End",
		"End", "End", "End",
	};
	EXPECT_EQ(p.calls, want);
}

TEST(SvgReader, SymbolsAndDefsAreNotDrawnDirectly)
{
	Calls c = sRender("<svg><symbol id='s'><path d='M0 0 H1'/></symbol><defs><path id='p' d='M0 0 H1'/></defs></svg>");
	EXPECT_EQ(sCount(c, "Move"), 0);
	c = sRender("<svg><defs><path id='p' d='M0 0 H1'/></defs><use href='#p'/><use href='#p'/></svg>");
	EXPECT_EQ(sCount(c, "Move"), 2);
}

TEST(SvgReader, EmptyViewBoxesShowNothing)
{
	Calls c = sRender("<svg><symbol id='s' viewBox='0 0 0 10' width='5' height='5'><path d='M0 0 H1'/></symbol>"
	                  "<use href='#s'/><svg width='5' height='5' viewBox='0 0 0 0'><path d='M0 0 H1'/></svg></svg>");
	EXPECT_EQ(sCount(c, "Move"), 0);
	sExpectBalanced(c);
}

TEST(SvgReader, ImagesComeThroughTheLoader)
{
	const char* doc = "<svg><image xlink:href='pic' x='1' y='2' width='20' height='10'/></svg>";
	Calls c = sRender(doc);
	EXPECT_EQ(sCount(c, "FillImage"), 0);
	// a 2 x 1 picture of 24-bit BMP
	const unsigned char bmp[] = {
		'B', 'M', 62, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,
		40, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 8, 0, 0, 0,
		0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
		0, 0, 255, 0, 0, 255, 0, 0,
	};
	String png((const char*)bmp, (int)sizeof(bmp));
	String asked;
	RecordingPainter p;
	RenderSVG(p, doc, [&](String ref, String& data) { asked = ref; data = png; });
	EXPECT_EQ(asked, "pic");
	Calls want_tail = { "FillImage2[(10,0)(0,10)(1,2)]0", "End" };
	ASSERT_GE(p.calls.size(), 2u);
	EXPECT_EQ(Calls(p.calls.end() - 3, p.calls.end() - 1), want_tail);
}

TEST(SvgReader, TextRunsArePaintedOnceInTheirOwnStyle)
{
	Calls c = sRender("<svg><text x='10' y='40' fill='red'>Ab<tspan x='10' y='80' fill='blue'>Cd</tspan>"
	                  "<tspan fill='lime'>E</tspan></text></svg>");
	Calls fills;
	for(const std::string& s : c)
		if(s.rfind("Fill", 0) == 0 || s.rfind("Stroke", 0) == 0)
			fills.push_back(s);
	Calls want = { "Fill#255.0.0.255", "Fill#0.0.255.255", "Fill#0.255.0.255" };
	EXPECT_EQ(fills, want);
	sExpectBalanced(c);
	EXPECT_GT(sCount(c, "Div"), 4);
	EXPECT_EQ(sCount(c, "Character"), 0); // the target gets outlines
	EXPECT_GT(sCount(c, "Move"), 4);
}

TEST(SvgReader, TextAnchorMovesTheRun)
{
	auto left = [](const char* anchor) {
		String doc = String("<svg><text x='100' y='50' text-anchor='") + anchor + "'>Wide text</text></svg>";
		return GetSVGBoundingBox(~doc).left;
	};
	double start = left("start"), middle = left("middle"), end = left("end"), right = left("right");
	Font f(Font::SERIF, 24);
	double w = 0;
	for(const char* s = "Wide text"; *s; s++)
		w += f.GetWidth(*s);
	ASSERT_GT(w, 0);
	EXPECT_NEAR(start - middle, w / 2, 0.5);
	EXPECT_NEAR(start - end, w, 1e-6);
	EXPECT_EQ(end, right);
	EXPECT_EQ(left("left"), start);
}

TEST(SvgBoundingBox, PaintedGeometryInRootCoordinates)
{
	struct Case { const char* svg; Rectf want; };
	double s = std::sqrt(2.0);
	const Case cases[] = {
		{ "<svg><rect x='10' y='20' width='30' height='40'/></svg>", Rectf(10, 20, 40, 60) },
		{ "<svg><rect x='10' y='20' width='30' height='40' fill='none' stroke='red' stroke-width='4'/></svg>",
		  Rectf(8, 18, 42, 62) },
		{ "<svg><g transform='translate(100 0)'><circle r='5'/></g><line x2='1' stroke='blue'/></svg>",
		  Rectf(-0.5, -5, 105, 5) },
		{ "<svg><rect width='10' height='10' transform='rotate(45)'/></svg>", Rectf(-5 * s, 0, 5 * s, 10 * s) },
		{ "<svg width='500' height='500' viewBox='0 0 5 5'><rect x='1' y='1' width='1' height='1'/></svg>",
		  Rectf(1, 1, 2, 2) },
	};
	for(const Case& c : cases) {
		Rectf r = GetSVGBoundingBox(c.svg);
		EXPECT_NEAR(r.left, c.want.left, 1e-3) << c.svg;
		EXPECT_NEAR(r.top, c.want.top, 1e-3) << c.svg;
		EXPECT_NEAR(r.right, c.want.right, 1e-3) << c.svg;
		EXPECT_NEAR(r.bottom, c.want.bottom, 1e-3) << c.svg;
	}
	EXPECT_TRUE(BoundsPainter::IsEmpty(GetSVGBoundingBox("<svg><rect width='5' height='5' fill='none'/></svg>")));
	EXPECT_TRUE(BoundsPainter::IsEmpty(GetSVGBoundingBox("")));
}

TEST(SvgBoundingBox, PathData)
{
	Rectf r = GetSvgPathBoundingBox("M0 0 Q1 2 2 0");
	EXPECT_EQ(r, Rectf(0, 0, 2, 1));
	r = GetSvgPathBoundingBox("M10 10 h5 v-20");
	EXPECT_EQ(r, Rectf(10, -10, 15, 10));
	EXPECT_TRUE(BoundsPainter::IsEmpty(GetSvgPathBoundingBox("")));
	EXPECT_TRUE(BoundsPainter::IsEmpty(GetSvgPathBoundingBox(nullptr)));
}

TEST(SvgReader, IsSVG)
{
	EXPECT_TRUE(IsSVG("<?xml version='1.0'?>\n<!-- x --><svg/>"));
	EXPECT_TRUE(IsSVG("  <svg width='1'><g/></svg>"));
	EXPECT_FALSE(IsSVG("<html><svg/></html>"));
	EXPECT_FALSE(IsSVG("plain text"));
	EXPECT_FALSE(IsSVG(""));
	EXPECT_FALSE(IsSVG("<svg"));
}

// Hostile documents: deep trees, reference cycles and fan-out end quickly and balanced.
TEST(SvgLimits, DeepNestingIsCutOffWithoutRecursionTrouble)
{
	auto nest = [](int depth) {
		String s = "<svg>";
		for(int i = 0; i < depth; i++)
			s << "<g>";
		s << "<path d='M0 0 H1'/>";
		for(int i = 0; i < depth; i++)
			s << "</g>";
		return s + "</svg>";
	};
	EXPECT_EQ(sCount(sRender(~nest(200)), "Move"), 1);
	EXPECT_EQ(sCount(sRender(~nest(300)), "Move"), 0);
	Calls c = sRender(~nest(200000));
	EXPECT_EQ(sCount(c, "Move"), 0);
	sExpectBalanced(c);
	EXPECT_LE(sCount(c, "Begin"), detail::SvgParser::MAX_DEPTH + 2);
}

TEST(SvgLimits, SelfReferenceStopsAtTheNestingLimit)
{
	Calls c = sRender("<svg><use id='u' href='#u'/></svg>");
	sExpectBalanced(c);
	EXPECT_EQ(sCount(c, "Begin"), detail::SvgParser::MAX_DEPTH + 2);
}

TEST(SvgLimits, UseFanOutStaysWithinTheBudget)
{
	// ten levels of ten uses each would draw 10^10 paths
	String s = "<svg><defs><path id='a0' d='M0 0 H1'/>";
	for(int i = 1; i <= 10; i++) {
		s << "<g id='a" << (i) << "'>";
		for(int j = 0; j < 10; j++)
			s << "<use href='#a" << (i - 1) << "'/>";
		s << "</g>";
	}
	s << "</defs><use href='#a10'/></svg>";
	Calls c = sRender(~s);
	sExpectBalanced(c);
	int moves = sCount(c, "Move");
	EXPECT_GT(moves, 1000);
	EXPECT_LE(moves, detail::SvgParser::MAX_ELEMENTS);
}

TEST(SvgLimits, LongGradientReferenceChains)
{
	String s = "<svg><defs><linearGradient id='g0'><stop offset='0' stop-color='red'/></linearGradient>";
	const int n = 100000;
	for(int i = 1; i <= n; i++)
		s << "<linearGradient id='g" << (i) << "' xlink:href='#g" << (i - 1) << "'/>";
	s << "</defs><rect width='10' height='10' fill='url(#g" << (n) << ")'/></svg>";
	Calls c = sRender(~s);
	EXPECT_EQ(sCount(c, "FillLinearX#255.0.0.255#255.0.0.255"), 1);
}

TEST(SvgImage, ContentFitsTheSizeLessAMargin)
{
	Image img = RenderSVGImage(Size(100, 50), String("<svg><rect x='5' y='5' width='10' height='10' fill='red'/></svg>"));
	ASSERT_EQ(img.GetSize(), Size(40, 40));
	for(Point p : { Point(0, 0), Point(20, 20), Point(39, 39) }) {
		RGBA c = img[p.y][p.x];
		EXPECT_EQ(c.r, 255);
		EXPECT_EQ(c.g, 0);
		EXPECT_EQ(c.a, 255);
	}
	// a wide document keeps its proportions
	img = RenderSVGImage(Size(100, 100), String("<svg><rect width='30' height='10'/></svg>"));
	EXPECT_EQ(img.GetSize(), Size(90, 30));
	EXPECT_TRUE(RenderSVGImage(Size(100, 100), String("<svg><rect width='3' height='3' fill='none'/></svg>")).IsEmpty());
	EXPECT_TRUE(RenderSVGImage(Size(10, 10), String("<svg><rect width='3' height='3'/></svg>")).IsEmpty());
	EXPECT_TRUE(RenderSVGImage(Size(100, 100), String("<svg><rect")).IsEmpty());
}

TEST(SvgImage, ContentWithoutAFiniteSizeGivesTheEmptyImage)
{
	// the box spans more than the double range
	const char* docs[] = {
		"<svg><path d='M-1e308 -1e308 L1e308 1e308 L0 20'/></svg>",
		"<svg><path d='M-1e308 0 L1e308 10 L0 20'/></svg>",
		"<svg><rect x='-1e308' y='-1e308' width='1.7e308' height='1.7e308'/><rect x='1e308' width='1' height='1'/></svg>",
		"<svg><path d='M0 0 H1e308 V1e308' stroke='red' stroke-width='1e308'/></svg>",
	};
	for(const char* d : docs)
		EXPECT_TRUE(RenderSVGImage(Size(64, 64), String(d)).IsEmpty()) << d;
}
