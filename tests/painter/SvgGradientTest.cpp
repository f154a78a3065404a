#include "RecordingPainter.h"

#include <painter/svg/detail/SvgParser.h>

#include <gtest/gtest.h>

#include <cmath>

using namespace Qel;
using QelTest::RecordingPainter;

namespace {

// Keeps the geometry of each gradient paint besides the recorded call.
struct GradientPainter : RecordingPainter {
	struct Paint { bool radial, stroke; Pointf focus; RGBA c1, c2; Xform2D m; int style; double width; };
	std::vector<Paint> paints;
	std::vector<std::pair<double, RGBA>> stops;

	void FillOp(const RGBA& c1, const RGBA& c2, const Xform2D& m, int s) override
	{ paints.push_back({ false, false, Pointf(), c1, c2, m, s, 0 }); RecordingPainter::FillOp(c1, c2, m, s); }
	void FillOp(const Pointf& f, const RGBA& c1, const RGBA& c2, const Xform2D& m, int s) override
	{ paints.push_back({ true, false, f, c1, c2, m, s, 0 }); RecordingPainter::FillOp(f, c1, c2, m, s); }
	void StrokeOp(double w, const RGBA& c1, const RGBA& c2, const Xform2D& m, int s) override
	{ paints.push_back({ false, true, Pointf(), c1, c2, m, s, w }); RecordingPainter::StrokeOp(w, c1, c2, m, s); }
	void StrokeOp(double w, const Pointf& f, const RGBA& c1, const RGBA& c2, const Xform2D& m, int s) override
	{ paints.push_back({ true, true, f, c1, c2, m, s, w }); RecordingPainter::StrokeOp(w, f, c1, c2, m, s); }
	void ColorStopOp(double pos, const RGBA& c) override { stops.emplace_back(pos, c); RecordingPainter::ColorStopOp(pos, c); }
	using RecordingPainter::FillOp;
	using RecordingPainter::StrokeOp;
};

void sExpectPoint(const Pointf& p, double x, double y, const char* what)
{
	EXPECT_NEAR(p.x, x, 1e-9) << what;
	EXPECT_NEAR(p.y, y, 1e-9) << what;
}

int sCount(const std::vector<std::string>& calls, const std::string& what)
{
	return (int)std::count(calls.begin(), calls.end(), what);
}

std::string sRgba(const RGBA& c)
{
	return std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b) + "," + std::to_string(c.a);
}

const char* sStops = "<stop offset='0' stop-color='red'/><stop offset='1' stop-color='blue'/>";

String sDoc(const char* defs, const char* shape)
{
	return String("<svg><defs>") + defs + "</defs>" + shape + "</svg>";
}

} // namespace

TEST(SvgGradient, LinearDefaultsRunAcrossTheBox)
{
	GradientPainter p;
	String g = String("<linearGradient id='g'>") + sStops + "</linearGradient>";
	RenderSVG(p, ~sDoc(~g, "<rect x='10' y='20' width='50' height='100' fill='url(#g)'/>"));
	ASSERT_EQ(p.paints.size(), 1u);
	const auto& a = p.paints[0];
	EXPECT_FALSE(a.radial);
	sExpectPoint(a.m.Transform(Pointf(0, 0)), 10, 20, "first stop at the left edge");
	sExpectPoint(a.m.Transform(Pointf(1, 0)), 60, 20, "last stop at the right edge");
	EXPECT_EQ(sRgba(a.c1), "255,0,0,255");
	EXPECT_EQ(sRgba(a.c2), "0,0,255,255");
	EXPECT_EQ(a.style, 0);
	ASSERT_EQ(p.stops.size(), 2u);
	EXPECT_EQ(p.calls.back(), "End");
	EXPECT_NE(std::find(p.calls.begin(), p.calls.end(), "ClearStops"), p.calls.end());
}

TEST(SvgGradient, RadialDefaultsCentreOnTheBoxWithHalfItsSize)
{
	GradientPainter p;
	String g = String("<radialGradient id='g' spreadMethod='reflect'>") + sStops + "</radialGradient>";
	RenderSVG(p, ~sDoc(~g, "<rect x='10' y='20' width='50' height='100' fill='url(#g)'/>"));
	ASSERT_EQ(p.paints.size(), 1u);
	const auto& a = p.paints[0];
	EXPECT_TRUE(a.radial);
	sExpectPoint(a.focus, 0, 0, "focus at the centre");
	sExpectPoint(a.m.Transform(Pointf(0, 0)), 35, 70, "centre");
	sExpectPoint(a.m.Transform(Pointf(1, 0)), 60, 70, "half a box width across");
	sExpectPoint(a.m.Transform(Pointf(0, 1)), 35, 120, "half a box height down");
	EXPECT_EQ(a.style, 2);
}

TEST(SvgGradient, UserSpaceCoordinatesStandWhereTheyAre)
{
	GradientPainter p;
	String g = String("<linearGradient id='g' gradientUnits='userSpaceOnUse' x1='10' x2='110' spreadMethod='repeat'>")
	           + sStops + "</linearGradient><radialGradient id='r' gradientUnits='userSpaceOnUse' cx='50' cy='50'"
	           " r='20' fx='60' fy='50'>" + sStops + "</radialGradient>";
	RenderSVG(p, ~sDoc(~g, "<rect x='10' y='0' width='50' height='5' fill='url(#g)' stroke='url(#r)'/>"));
	ASSERT_EQ(p.paints.size(), 2u);
	const auto& a = p.paints[0];
	sExpectPoint(a.m.Transform(Pointf(0, 0)), 10, 0, "x1");
	sExpectPoint(a.m.Transform(Pointf(1, 0)), 110, 0, "x2 beyond the box");
	// the normal stays perpendicular in user space, however flat the box
	sExpectPoint(a.m.Transform(Pointf(0, 1)), 10, 100, "normal");
	EXPECT_EQ(a.style, 1);
	const auto& r = p.paints[1];
	EXPECT_TRUE(r.stroke);
	EXPECT_EQ(r.width, 1);
	sExpectPoint(r.m.Transform(Pointf(0, 0)), 50, 50, "centre");
	sExpectPoint(r.m.Transform(Pointf(1, 0)), 70, 50, "radius");
	sExpectPoint(r.focus, 0.5, 0, "focus in unit-circle terms");
}

TEST(SvgGradient, TransformAppliesInTheGradientsOwnSpace)
{
	// in box units the translation is in box units too
	GradientPainter p;
	String g = String("<linearGradient id='g' gradientTransform='translate(0.5 0.7)'>") + sStops + "</linearGradient>";
	RenderSVG(p, ~sDoc(~g, "<rect x='100' width='10' height='20' fill='url(#g)'/>"));
	ASSERT_EQ(p.paints.size(), 1u);
	sExpectPoint(p.paints[0].m.Transform(Pointf(1, 0)), 115, 14, "moved end");
}

TEST(SvgGradient, ReferencesCompleteWhatIsNotSet)
{
	GradientPainter p;
	String g = String("<linearGradient id='base' x1='0.25' x2='0.75' spreadMethod='reflect' gradientTransform='scale(2)'>")
	           + sStops + "</linearGradient>"
	           "<linearGradient id='child' xlink:href='#base' x1='0.5'/>"
	           "<linearGradient id='own' xlink:href='#base'><stop offset='0' stop-color='lime'/></linearGradient>";
	RenderSVG(p, ~sDoc(~g, "<rect width='100' height='100' fill='url(#child)' stroke='url(#own)'/>"));
	ASSERT_EQ(p.paints.size(), 2u);
	const auto& a = p.paints[0];
	sExpectPoint(a.m.Transform(Pointf(0, 0)), 100, 0, "own x1, base transform");
	sExpectPoint(a.m.Transform(Pointf(1, 0)), 150, 0, "base x2");
	EXPECT_EQ(a.style, 2);
	EXPECT_EQ(sRgba(a.c2), "0,0,255,255");
	EXPECT_EQ(sRgba(p.paints[1].c1), "0,255,0,255");
	EXPECT_EQ(sRgba(p.paints[1].c2), "0,255,0,255");
}

TEST(SvgGradient, CyclesAndMissingGradientsPaintNothing)
{
	GradientPainter p;
	RenderSVG(p, "<svg><linearGradient id='a' xlink:href='#b'/><linearGradient id='b' xlink:href='#a'/>"
	             "<linearGradient id='c' xlink:href='#c'/>"
	             "<rect width='1' height='1' fill='url(#a)' stroke='url(#c)'/>"
	             "<rect width='1' height='1' fill='url(#later)'/><linearGradient id='later'>"
	             "<stop stop-color='red'/></linearGradient></svg>");
	EXPECT_TRUE(p.paints.empty());
	EXPECT_EQ(std::count(p.calls.begin(), p.calls.end(), "Stroke0#0.0.0.255"), 3);
}

TEST(SvgGradient, Stops)
{
	struct Case { const char* stop; double offset; const char* rgba; };
	const Case cases[] = {
		{ "<stop stop-color='red' stop-opacity='0.5' offset='0.25'/>", 0.25, "128,0,0,128" },
		{ "<stop style='stop-color: red; stop-opacity: 0.5; offset: 30%'/>", 0.3, "128,0,0,128" },
		{ "<stop style='stop-color:red;offset:0.1' stop-color='#0000ff' offset='50%'/>", 0.5, "0,0,255,255" },
		{ "<stop stop-color='lime' stop-opacity='7'/>", 0, "0,255,0,255" },
		{ "<stop stop-color='lime' stop-opacity='x'/>", 0, "0,255,0,255" },
		{ "<stop/>", 0, "0,0,0,255" },
		{ "<stop stop-color='bogus' stop-opacity='0.5'/>", 0, "0,0,0,128" },
	};
	for(const Case& c : cases) {
		XmlNode doc = ParseXmlTree(c.stop);
		detail::SvgParser::Stop s = detail::SvgParser::ParseStop(doc.Node(0));
		EXPECT_NEAR(s.offset, c.offset, 1e-12) << c.stop;
		EXPECT_EQ(sRgba(s.color), c.rgba) << c.stop;
	}
}

TEST(SvgGradient, StopsPerGradientAreCapped)
{
	std::string g = "<linearGradient id='g'>";
	for(int i = 0; i < 70000; i++)
		g += "<stop offset='0.5'/>";
	g += "</linearGradient>";
	GradientPainter p;
	RenderSVG(p, ~sDoc(g.c_str(), "<rect width='10' height='10' fill='url(#g)'/>"));
	EXPECT_EQ(p.stops.size(), (size_t)detail::SvgParser::MAX_STOPS);
	EXPECT_EQ(p.paints.size(), 1u);
}

TEST(SvgGradient, StrokesWidenTheMeasuredBoundsFillsDoNot)
{
	String g = String("<linearGradient id='g'>") + sStops + "</linearGradient>";
	Rectf f = GetSVGBoundingBox(~sDoc(~g, "<rect x='10' y='10' width='10' height='10' fill='url(#g)'/>"));
	EXPECT_EQ(f, Rectf(10, 10, 20, 20));
	Rectf s = GetSVGBoundingBox(~sDoc(~g, "<rect x='10' y='10' width='10' height='10' fill='none' stroke='url(#g)' stroke-width='4'/>"));
	EXPECT_EQ(s, Rectf(8, 8, 22, 22));
}

TEST(SvgGradient, BoxUnitsOnAFlatBoxPaintNothing)
{
	GradientPainter p;
	String g = String("<linearGradient id='g'>") + sStops + "</linearGradient>";
	RenderSVG(p, ~sDoc(~g, "<line x1='0' y1='5' x2='10' y2='5' stroke='url(#g)'/>"));
	EXPECT_TRUE(p.paints.empty());
}

TEST(SvgGradient, StopOffsetsAreClampedAndNeverGoBack)
{
	GradientPainter p;
	String g = "<linearGradient id='g'><stop offset='-1' stop-color='red'/><stop offset='60%' stop-color='lime'/>"
	           "<stop offset='0.3' stop-color='blue'/><stop stop-color='red'/><stop offset='0.5mm'/>"
	           "<stop offset='7' stop-color='red'/></linearGradient>";
	RenderSVG(p, ~sDoc(~g, "<rect width='10' height='10' fill='url(#g)'/>"));
	std::vector<double> got;
	for(const auto& s : p.stops)
		got.push_back(s.first);
	EXPECT_EQ(got, (std::vector<double>{ 0, 0.6, 0.6, 0.6, 0.6, 1 }));
}

TEST(SvgGradient, RadialFocusAndZeroRadius)
{
	GradientPainter p;
	String g = String("<radialGradient id='far' cx='0.5' cy='0.5' r='0.25' fx='1' fy='0.5'>") + sStops +
	           "</radialGradient><radialGradient id='zero' r='0'>" + sStops + "</radialGradient>"
	           "<radialGradient id='neg' r='-1'>" + sStops + "</radialGradient>";
	RenderSVG(p, ~sDoc(~g, "<rect width='10' height='10' fill='url(#far)'/><rect width='10' height='10' fill='url(#zero)'/>"
	                       "<rect width='10' height='10' fill='url(#neg) lime'/>"));
	ASSERT_EQ(p.paints.size(), 1u);
	EXPECT_NEAR(p.paints[0].focus.x, 1, 0.01); // moved onto the circle
	EXPECT_NEAR(p.paints[0].focus.y, 0, 1e-9);
	EXPECT_LT(p.paints[0].focus.x, 1);
	EXPECT_EQ(sCount(p.calls, "Fill#0.0.255.255"), 1); // radius 0: the last colour
	EXPECT_EQ(sCount(p.calls, "Fill#0.255.0.255"), 1); // a negative radius cannot paint: the fallback
}

TEST(SvgGradient, ReferencesGiveGeometryOnlyToTheirOwnKind)
{
	GradientPainter p;
	String g = String("<radialGradient id='r' cx='0.1' r='0.2' gradientUnits='userSpaceOnUse' spreadMethod='repeat'>") +
	           sStops + "</radialGradient><linearGradient id='l' x1='0.5' href='#r'/>"
	           "<radialGradient id='r2' xlink:href='#l' cy='0.3'/>";
	RenderSVG(p, ~sDoc(~g, "<rect width='10' height='10' fill='url(#l)' stroke='url(#r2)'/>"));
	ASSERT_EQ(p.paints.size(), 2u);
	// the linear one takes units, spread and stops, not cx or r
	sExpectPoint(p.paints[0].m.Transform(Pointf(0, 0)), 0.5, 0, "own x1 in user space");
	sExpectPoint(p.paints[0].m.Transform(Pointf(1, 0)), 100, 0, "x2: all of the 100-wide viewport");
	EXPECT_EQ(p.paints[0].style, 1);
	// and the radial one nothing of the linear geometry: cx, r default to half the viewport
	sExpectPoint(p.paints[1].m.Transform(Pointf(0, 0)), 50, 0.3, "centre");
	sExpectPoint(p.paints[1].m.Transform(Pointf(1, 0)), 100, 0.3, "radius");
}
