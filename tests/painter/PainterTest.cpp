#include "RecordingPainter.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace Qel;
using QelTest::RecordingPainter;

using Calls = std::vector<std::string>;

namespace {

Calls sSvg(const char* d)
{
	RecordingPainter p;
	ParseSvgPathData(p, d);
	return p.calls;
}

} // namespace

TEST(ParseDashPattern, Texts)
{
	struct Case { const char* text; std::vector<double> want; double start; };
	const Case cases[] = {
		{"9 6 3 6", {9, 6, 3, 6}, 0},
		{"3", {3, 3}, 0},
		{"4 2:1", {4, 2}, 1},
		{"", {}, 0},
		{"1 2 3", {1, 2, 3, 1, 2, 3}, 0},
		{": 2", {}, 2},
		{"4, 2", {4, 4}, 0},
		{":1 5 :3 7", {5, 7}, 3},
		{"/* gap */ 2 x 9", {2, 2}, 0},
	};
	for(const Case& c : cases) {
		double start = 0;
		Vector<double> v = ParseDashPattern(c.text, start);
		std::vector<double> got(v.begin(), v.end());
		EXPECT_EQ(got, c.want) << c.text;
		EXPECT_EQ(start, c.start) << c.text;
	}
}

TEST(Painter, DashTextReachesVectorOp)
{
	RecordingPainter p;
	p.Dash("4 2:1", 5).Dash("3", 7);
	EXPECT_EQ(p.calls, (Calls{"Dash[4,2]1", "Dash[3,3]7"}));
	NilPainter n;
	n.Dash("1 2").Move(0, 0).Fill(Color(1, 2, 3)); // does nothing, no crash
}

TEST(Painter, ShapePaths)
{
	RecordingPainter p;
	p.RectPath(10, 10, -5, 4);
	EXPECT_EQ(p.calls, (Calls{"Move(5,10)", "Line(5,0),rel", "Line(0,4),rel", "Line(-5,0),rel", "Close"}));
	p.calls.clear();
	p.Circle(1, 2, 3);
	EXPECT_EQ(p.calls, (Calls{"Move(4,2)", "Arc(1,2)(3,3)0,6.28319", "Close"}));
	p.calls.clear();
	p.RoundedRectangle(0, 0, 10, 20, 2, 3);
	ASSERT_EQ(p.calls.size(), 9u);
	EXPECT_EQ(p.calls[0], "Move(2,0)");
	EXPECT_EQ(p.calls[1], "Arc(2,3)(2,3)-1.5708,-1.5708");
	EXPECT_EQ(p.calls[4], "Line(8,20)");
	EXPECT_EQ(p.calls[8], "Line(2,0)");
}

TEST(Painter, WrappersChainAndTransform)
{
	RecordingPainter p;
	p.Translate(1, 2).Scale(3).Fill(Pointf(1, 1), RGBA{0, 0, 0, 255}, 5, RGBA{255, 255, 255, 255});
	EXPECT_EQ(p.calls[0], "Transform[(1,0)(0,1)(1,2)]");
	EXPECT_EQ(p.calls[1], "Transform[(3,0)(0,3)(0,0)]");
	EXPECT_EQ(p.calls[2], "FillRadial(1,1)#0.0.0.255(1,1)5#255.255.255.255" "0");
	ImageBuffer ib(10, 1);
	Image img(std::move(ib));
	p.calls.clear();
	p.Fill(img, Pointf(10, 0), Pointf(20, 0));
	p.Fill(img, Pointf(10, 0), Pointf(0, 0));
	EXPECT_EQ(p.calls[0], "FillImage10[(1,0)(0,1)(10,0)]0");
	EXPECT_EQ(p.calls[1], "FillImage10[(-1,-1.22465e-16)(1.22465e-16,-1)(10,0)]0");
}

TEST(ParseSvgPathData, Commands)
{
	struct Case { const char* d; Calls want; };
	const Case cases[] = {
		{"M 10 20 30 40", {"Move(10,20)", "Line(30,40)"}},
		{"m 1 1 l 2 2", {"Move(1,1)", "Line(3,3)"}},
		{"M1 1h5", {"Move(1,1)", "Line(6,1)"}},
		{"M0,0 A10,10 0 1,1 20,0", {"Move(0,0)", "SvgArc(10,10)0,11(20,0)"}},
		{"M0 0a5 5 30 1120 3", {"Move(0,0)", "SvgArc(5,5)0.523599,11(20,3)"}},
		{"M 0,0 L 10,10, 20,20", {"Move(0,0)", "Line(10,10)", "Line(20,20)"}},
		{"M0 0H 5, 6", {"Move(0,0)", "Line(5,0)", "Line(6,0)"}},
		{"", {"Move(0,0)"}},
		{"X 1 2", {"Move(0,0)"}},
		{"M1 2 V5 v1", {"Move(1,2)", "Line(1,5)", "Line(1,6)"}},
		{"M1 1c1 1 2 2 3 3 1 0 1 0 1 0", {"Move(1,1)", "Cubic(2,2)(3,3)(4,4)", "Cubic(5,4)(5,4)(5,4)"}},
		{"M0 0S1 2 3 4Q5 6 7 8T9 10", {"Move(0,0)", "SmoothCubic(1,2)(3,4)", "Quadratic(5,6)(7,8)", "SmoothQuadratic(9,10)"}},
		{"M-1.5-.5.5.5", {"Move(-1.5,-0.5)", "Line(0.5,0.5)"}},
		{"M 1 1 L 2 2 Z l 1 0", {"Move(1,1)", "Line(2,2)", "Close", "Line(2,1)"}},
		{"M 1 1 L 2 2 # 3 3", {"Move(1,1)", "Line(2,2)"}},
		{"M 1 1 L 1e999 2", {"Move(1,1)"}},
		{"L", {"Move(0,0)"}},
		{"h", {"Move(0,0)"}},
		// between tokens: comments, position markers and control characters count as blanks
		{"M1 1/* c */L2 2//x\n3 3", {"Move(1,1)", "Line(2,2)", "Line(3,3)"}},
		{"M1\x02" "f.svg\x03" "12\x02 1L\x01" "2,\t2", {"Move(1,1)", "Line(2,2)"}},
		{"M1 1 L2 2 /* open", {"Move(1,1)", "Line(2,2)"}},
		{"M1 1 L2 /2", {"Move(1,1)"}},
		{"M1 1 L2 2e x", {"Move(1,1)"}}, // an exponent without digits is no number: the reading ends
		{"M+1.5E1-2e-1 L12345678901234567890123 0.000000000000000000000012", {"Move(15,-0.2)", "Line(1.23457e+22,1.2e-23)"}},
	};
	for(const Case& c : cases)
		EXPECT_EQ(sSvg(c.d), c.want) << c.d;
}

TEST(ParseSvgPathData, ErrorsKeepWhatCameBefore)
{
	// The segment with the error and everything after it are dropped; a missing number is an
	// error, not 0.
	struct Case { const char* d; Calls want; };
	const Case cases[] = {
		{"M", {}},
		{"M 1", {}},
		{"M 1 1 L", {"Move(1,1)"}},
		{"M 1 1 L 2", {"Move(1,1)"}},
		{"M 1 1 L 2 2 L 3", {"Move(1,1)", "Line(2,2)"}},
		{"M 1 1 L 2 2 3", {"Move(1,1)", "Line(2,2)"}},
		{"M 1 1 L 2 2 Z L 5 5 Z M", {"Move(1,1)", "Line(2,2)", "Close", "Line(5,5)", "Close"}},
		{"M 1 1 H", {"Move(1,1)"}},
		{"M 1 1 V L 3 3", {"Move(1,1)"}},
		{"M 1 1 C 1 2 3 4 5", {"Move(1,1)"}},
		{"M 1 1 S 1 2 3", {"Move(1,1)"}},
		{"M 1 1 Q 1 2 3", {"Move(1,1)"}},
		{"M 1 1 T", {"Move(1,1)"}},
		{"M 1 1 L 2 2,, 3 3", {"Move(1,1)", "Line(2,2)", "Line(3,3)"}},
		{"M 1 1 L 150#80", {"Move(1,1)"}},
		// arcs: every number and both flags, and flags are 0 or 1
		{"M0 0 A 5 5 0", {"Move(0,0)"}},
		{"M0 0 A 5 5 0 1", {"Move(0,0)"}},
		{"M0 0 A 5 5 0 1 1 20", {"Move(0,0)"}},
		{"M0 0 A 5 5 0 1 -1 20 0", {"Move(0,0)"}},
		{"M0 0 A 5 5 0 1 7 20 0", {"Move(0,0)"}},
		{"M0 0 A 5 5 0 1 1 20 0 A 5 2501 025 -25", {"Move(0,0)", "SvgArc(5,5)0,11(20,0)"}},
		// data that does not start with a move draws nothing
		{"L 10 10", {"Move(0,0)"}},
		{"A 5 5 0 0 1 50 50", {"Move(0,0)"}},
		{"Z M 1 1", {"Move(0,0)"}},
		{"m 1 1 z l 1 0", {"Move(1,1)", "Close", "Line(2,1)"}},
	};
	for(const Case& c : cases)
		EXPECT_EQ(sSvg(c.d), c.want) << c.d;
}

TEST(Arcs, SegmentCounts)
{
	struct Case { double sweep; size_t cubics; };
	const Case cases[] = {
		{M_PI / 2, 1}, {2 * M_PI, 4}, {2 * M_PI + 0.01, 5}, {0, 0}, {-M_PI, 2},
		{NAN, 0}, {INFINITY, 0},
		{12 * M_PI + M_PI / 2, 9}, // pairs of whole turns beyond the second are dropped
	};
	for(const Case& c : cases) {
		NilPainter nil;
		struct Counter : NilPainter {
			size_t n = 0;
			void CubicOp(const Pointf&, const Pointf&, const Pointf&, bool) override { n++; }
		} cnt;
		ArcToCubics(cnt, Xform2D(), 0, c.sweep);
		EXPECT_EQ(cnt.n, c.cubics) << c.sweep;
	}
	struct Last : NilPainter {
		size_t n = 0;
		Pointf end;
		void CubicOp(const Pointf&, const Pointf&, const Pointf& p, bool) override { n++; end = p; }
	} last;
	ArcToCubics(last, Xform2D(), 0, 2001 * M_PI);
	EXPECT_LE(last.n, 16u);
	EXPECT_NEAR(last.end.x, -1, 1e-9);
	EXPECT_NEAR(last.end.y, 0, 1e-9);
	last.n = 0;
	ArcToCubics(last, Xform2D(), 0, 1e300);
	EXPECT_LE(last.n, 16u);
}

TEST(Arcs, QuarterCircleIsAccurate)
{
	RecordingPainter p;
	AppendArc(p, Pointf(10, 10), Pointf(5, 5), 0, M_PI / 2);
	ASSERT_EQ(p.calls.size(), 2u);
	EXPECT_EQ(p.calls[0], "Line(15,10)");
	EXPECT_EQ(p.calls[1], "Cubic(15,12.7614)(12.7614,15)(10,15)");
}

TEST(Arcs, SvgEndPointForm)
{
	// Quarter arc, sweep positive: centre below the chord's start.
	RecordingPainter p;
	AppendSvgArc(p, Pointf(10, 10), false, true, Pointf(10, 10), Pointf(0, 0), 0);
	ASSERT_EQ(p.calls.size(), 1u);
	EXPECT_EQ(p.calls[0], "Cubic(5.52285,0)(10,4.47715)(10,10)");
	// radii too small: scaled up to a half circle of radius 10
	p.calls.clear();
	AppendSvgArc(p, Pointf(1, 1), false, true, Pointf(20, 0), Pointf(0, 0), 0);
	ASSERT_EQ(p.calls.size(), 2u);
	EXPECT_EQ(p.calls[0], "Cubic(0,-5.52285)(4.47715,-10)(10,-10)");
	// degenerate arcs: same point draws nothing, zero radius is a line
	p.calls.clear();
	AppendSvgArc(p, Pointf(5, 5), true, true, Pointf(1, 1), Pointf(1, 1), 0);
	AppendSvgArc(p, Pointf(0, 5), true, true, Pointf(3, 1), Pointf(1, 1), 0);
	AppendSvgArc(p, Pointf(NAN, 5), true, true, Pointf(3, 1), Pointf(1, 1), 0);
	EXPECT_EQ(p.calls, (Calls{"Line(3,1)"}));
}

TEST(Painter, EveryWrapperReachesItsOperation)
{
	const RGBA a{1, 2, 3, 255}, b{4, 5, 6, 255};
	Xform2D m = Xform2D::Translation(7, 8);
	ImageBuffer ib(4, 2);
	Image img(std::move(ib));
	RecordingPainter p;
	p.Translate(Pointf(1, 2)).Scale(2, 3).Rotate(0)
	 .Fill(a, b, m, 1).Fill(Pointf(1, 1), a, b, m, 2)
	 .Stroke(2, a, b, m, 3).Stroke(2, Pointf(1, 1), a, b, m, 4)
	 .Stroke(3, img, Pointf(0, 0), Pointf(0, 8), 5)
	 .Dash((const char*)nullptr, 2).Character(1, 2, 'x', StdFont());
	const Calls want = {
		"Transform[(1,0)(0,1)(1,2)]", "Transform[(2,0)(0,3)(0,0)]", "Transform[(1,-0)(0,1)(0,0)]",
		"FillLinearX#3.2.1.255#6.5.4.255[(1,0)(0,1)(7,8)]1",
		"FillRadialX(1,1)#3.2.1.255#6.5.4.255[(1,0)(0,1)(7,8)]2",
		"StrokeLinearX2#3.2.1.255#6.5.4.255[(1,0)(0,1)(7,8)]3",
		"StrokeRadialX2(1,1)#3.2.1.255#6.5.4.255[(1,0)(0,1)(7,8)]4",
		"StrokeImage34[(1.22465e-16,-2)(2,1.22465e-16)(0,0)]5", // a quarter turn, twice the size
		"Dash[]2", "Character(1,2)120",
	};
	EXPECT_EQ(p.calls, want);
}
