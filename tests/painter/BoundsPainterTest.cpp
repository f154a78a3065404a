#include "RecordingPainter.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace Qel;
using QelTest::RecordingPainter;

namespace {

void sExpectRect(const Rectf& r, double l, double t, double rt, double b, double eps = 1e-9)
{
	EXPECT_NEAR(r.left, l, eps);
	EXPECT_NEAR(r.top, t, eps);
	EXPECT_NEAR(r.right, rt, eps);
	EXPECT_NEAR(r.bottom, b, eps);
}

} // namespace

TEST(BoundsPainter, CurveExtremaAreExact)
{
	NilPainter nil;
	{
		BoundsPainter bp(nil);
		bp.Move(0, 0).Quadratic(Pointf(1, 2), Pointf(2, 0));
		sExpectRect(bp.GetPathBox(), 0, 0, 2, 1);
	}
	{
		BoundsPainter bp(nil);
		bp.Move(0, 0).Cubic(Pointf(0, 1), Pointf(1, 1), Pointf(1, 0));
		sExpectRect(bp.GetPathBox(), 0, 0, 1, 0.75);
	}
	{
		// both extrema of an S curve on one axis
		BoundsPainter bp(nil);
		bp.Move(0, 0).Cubic(Pointf(1, 3), Pointf(2, -3), Pointf(3, 0));
		const Rectf& r = bp.GetPathBox();
		EXPECT_GT(r.bottom, 0.8);
		EXPECT_LT(r.top, -0.8);
		EXPECT_NEAR(r.bottom, -r.top, 1e-9);
	}
	{
		// a full circle measures as its radius, not as the control hull
		BoundsPainter bp(nil);
		bp.Circle(10, 10, 5);
		sExpectRect(bp.GetPathBox(), 5, 5, 15, 15, 1e-3);
	}
}

TEST(BoundsPainter, LoneMoveAndPointBoxes)
{
	NilPainter nil;
	BoundsPainter bp(nil);
	bp.Move(5, 5);
	EXPECT_TRUE(BoundsPainter::IsEmpty(bp.GetPathBox()));
	bp.Line(5, 5);
	sExpectRect(bp.GetPathBox(), 5, 5, 5, 5);
}

TEST(BoundsPainter, SmoothCurvesReflectAndReachTargetAsPlainCurves)
{
	RecordingPainter rec;
	BoundsPainter bp(rec);
	bp.Move(0, 0).Line(4, 0);
	bp.Quadratic(Pointf(8, 0)); // control: the reflection of (4, 0) about itself
	bp.Cubic(Pointf(10, 2), Pointf(12, 0));
	std::vector<std::string> want = {
		"Move(0,0)", "Line(4,0)", "Quadratic(4,0)(8,0)", "Cubic(8,0)(10,2)(12,0)",
	};
	EXPECT_EQ(rec.calls, want);
}

TEST(BoundsPainter, SmoothCurveAfterAnArcStartsFromTheCurrentPoint)
{
	struct Cubics : NilPainter {
		std::vector<Pointf> c1, end;
		void CubicOp(const Pointf& p1, const Pointf&, const Pointf& p, bool) override { c1.push_back(p1); end.push_back(p); }
	} rec;
	BoundsPainter bp(rec);
	bp.Move(0, 0).SvgArc(Pointf(5, 5), 0, false, true, Pointf(10, 0));
	bp.Cubic(Pointf(12, 4), Pointf(14, 0));
	ASSERT_GE(rec.c1.size(), 2u);
	size_t n = rec.c1.size();
	EXPECT_NEAR(rec.c1[n - 1].x, rec.end[n - 2].x, 1e-12);
	EXPECT_NEAR(rec.c1[n - 1].y, rec.end[n - 2].y, 1e-12);
}

TEST(BoundsPainter, RelativePointsAreMeasuredFromTheCurrentPoint)
{
	RecordingPainter rec;
	BoundsPainter bp(rec);
	bp.RectPath(10, 20, 30, 40);
	sExpectRect(bp.GetPathBox(), 10, 20, 40, 60);
	EXPECT_EQ(rec.calls[1], "Line(30,0),rel");
}

TEST(BoundsPainter, CloseReturnsThePenToTheSubPathStart)
{
	// After a close, an arc and a relative line start where the sub-path began, as they do on
	// the target.
	for(bool div : { false, true }) {
		NilPainter nil;
		BoundsPainter bp(nil);
		bp.Move(10, 50).Line(10, 10).Line(50, 10);
		if(div)
			bp.Div();
		else
			bp.Close();
		bp.SvgArc(Pointf(5, 5), 0, false, true, Pointf(150, 150));
		// a half circle over the chord (10, 50)-(150, 150): radius 86.02, centre (80, 100)
		EXPECT_NEAR(bp.GetPathBox().right, 80 + std::hypot(70, 50), 0.05) << div; // cubics bulge a little
		bp.Close().Line(Pointf(5, 0), true);
		EXPECT_NEAR(bp.GetPathBox().left, 10, 1e-9) << div;
	}
}

TEST(BoundsPainter, ArcsReachTargetAsLinesAndCubics)
{
	RecordingPainter rec;
	BoundsPainter bp(rec);
	bp.Move(10, 0).Arc(Pointf(0, 0), Pointf(10, 10), 0, M_PI);
	bp.SvgArc(Pointf(5, 5), 0, false, true, Pointf(0, 10));
	for(const std::string& c : rec.calls)
		EXPECT_TRUE(c.rfind("Move", 0) == 0 || c.rfind("Line", 0) == 0 || c.rfind("Cubic", 0) == 0) << c;
	// the second arc is a half circle of radius 5 * sqrt(2) about (-5, 5) that rises above y = 0
	sExpectRect(bp.GetPathBox(), -10, 5 - 5 * std::sqrt(2.0), 10, 10, 1e-2);
}

TEST(BoundsPainter, BoundsWidenAndMapAllCorners)
{
	NilPainter nil;
	struct Case { Xform2D m; Rectf want; };
	double s = std::sqrt(2.0) / 2;
	const Case cases[] = {
		{ Xform2D(), Rectf(-1, -1, 11, 11) },
		// 90 degrees: x' = -y, y' = x
		{ Xform2D::Rotation(M_PI / 2), Rectf(-11, -1, 1, 11) },
		// 45 degrees: the box (-1, -1, 11, 11) turns into a diamond of width 12 * sqrt(2)
		{ Xform2D::Rotation(M_PI / 4), Rectf(-12 * s, -2 * s, 12 * s, 22 * s) },
	};
	for(const Case& c : cases) {
		BoundsPainter bp(nil);
		bp.compute_bounds = true;
		bp.Transform(c.m);
		bp.Move(0, 0).Line(10, 10);
		bp.Bounds(2);
		sExpectRect(bp.GetBounds(), c.want.left, c.want.top, c.want.right, c.want.bottom);
	}
}

TEST(BoundsPainter, ScopesClearThePathBoxAndRestoreTheTransform)
{
	RecordingPainter rec;
	BoundsPainter bp(rec);
	bp.compute_bounds = true;
	bp.Move(0, 0).Line(1, 1);
	bp.Bounds(0);
	bp.Begin();
	EXPECT_TRUE(BoundsPainter::IsEmpty(bp.GetPathBox()));
	bp.Translate(100, 100);
	bp.Move(0, 0).Line(1, 1);
	bp.Bounds(0);
	bp.End();
	bp.Move(5, 5).Line(6, 6);
	bp.Bounds(0);
	sExpectRect(bp.GetBounds(), 0, 0, 101, 101);
	std::vector<std::string> want = {
		"Move(0,0)", "Line(1,1)", "Begin", "Transform[(1,0)(0,1)(100,100)]", "Move(0,0)", "Line(1,1)",
		"End", "Move(5,5)", "Line(6,6)",
	};
	EXPECT_EQ(rec.calls, want);
}

TEST(BoundsPainter, NothingAccumulatesWithoutTheFlagOrAPath)
{
	NilPainter nil;
	BoundsPainter bp(nil);
	bp.Move(0, 0).Line(3, 3);
	bp.Bounds(1);
	EXPECT_TRUE(BoundsPainter::IsEmpty(bp.GetBounds()));
	bp.compute_bounds = true;
	bp.Begin();
	bp.Bounds(1);
	EXPECT_TRUE(BoundsPainter::IsEmpty(bp.GetBounds()));
	bp.End();
	bp.End(); // unbalanced: the root transform stays
	bp.Move(0, 0).Line(1, 0);
	bp.Bounds(0);
	sExpectRect(bp.GetBounds(), 0, 0, 1, 0);
}
