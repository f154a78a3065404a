// Containment and intersection of Rect: half-open for points, clamped when nothing is shared.
#include <Core/Core.h>

#include <gtest/gtest.h>

using namespace Qel;

TEST(Rect, ContainsPointsOnTheLeftAndTopEdgesOnly)
{
	Rect r(10, 20, 30, 40);
	EXPECT_TRUE(r.Contains(Point(10, 20)));
	EXPECT_TRUE(r.Contains(Point(29, 39)));
	EXPECT_FALSE(r.Contains(Point(30, 39)));
	EXPECT_FALSE(r.Contains(Point(29, 40)));
	EXPECT_FALSE(r.Contains(Point(9, 25)));
	EXPECT_FALSE(Rect(5, 5, 5, 9).Contains(Point(5, 6))); // empty holds nothing
	EXPECT_TRUE(r.Contains(Rect(10, 20, 30, 40)));
	EXPECT_FALSE(r.Contains(Rect(10, 20, 31, 40)));
}

TEST(Rect, IntersectionKeepsTheCommonPartAndNeverTurnsInsideOut)
{
	EXPECT_EQ(Rect(0, 0, 10, 10) & Rect(5, -5, 20, 7), Rect(5, 0, 10, 7));
	// apart: empty at the larger left and top
	EXPECT_EQ(Rect(0, 0, 10, 10) & Rect(20, 30, 40, 50), Rect(20, 30, 20, 30));
	Rect r(0, 0, 10, 10);
	r.Intersect(Rect(-5, 2, 3, 20));
	EXPECT_EQ(r, Rect(0, 2, 3, 10));
	EXPECT_TRUE(Rect(0, 0, 10, 10).Intersects(Rect(9, 9, 12, 12)));
	EXPECT_FALSE(Rect(0, 0, 10, 10).Intersects(Rect(10, 0, 12, 12))); // touching edges share nothing
	EXPECT_FALSE(Rect(0, 0, 10, 10).Intersects(Rect(5, 5, 5, 8)));     // an empty one neither
}
