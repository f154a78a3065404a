#include <painter/Painter.h>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace Qel;

namespace {

struct Rec : LinearPathConsumer {
	std::vector<Pointf> moves, lines;
	int ends = 0;
	void Move(const Pointf& p) override { moves.push_back(p); }
	void Line(const Pointf& p) override { lines.push_back(p); }
	void End() override { ends++; }
};

} // namespace

TEST(Xform2D, Algebra)
{
	Xform2D m = Xform2D::Translation(1, 2) * Xform2D::Scale(2, 2);
	EXPECT_EQ(m.Transform(Pointf(0, 0)), Pointf(2, 4));
	Xform2D r = Xform2D::Rotation(M_PI / 2);
	Pointf p = r.Transform(Pointf(1, 0));
	EXPECT_NEAR(p.x, 0, 1e-12);
	EXPECT_NEAR(p.y, 1, 1e-12);
	Xform2D s = Xform2D::Shear(0.165);
	EXPECT_EQ(s.y.x, std::atan(0.165));
	EXPECT_EQ(s.x, Pointf(1, 0));
	EXPECT_EQ(s.y.y, 1);
	EXPECT_EQ(Xform2D() * Xform2D::Translation(3, 4), Xform2D::Translation(3, 4));
	EXPECT_DOUBLE_EQ(Xform2D::Scale(2, 8).GetScale(), 4);
}

TEST(Flatten, LineCounts)
{
	struct Case { Pointf p1, p2, p3, p4; bool cubic; size_t lines; };
	const Case cases[] = {
		{{0, 0}, {5, 0}, {10, 0}, {}, false, 1},          // control point on the chord
		{{0, 0}, {10, 10}, {-10, 10}, {0, 0}, true, 1},   // closed loop: one line to the end
		{{0, 0}, {0, 0}, {0, 0}, {}, false, 1},           // degenerate chord
		{{0, 0}, {3, 0}, {6, 0}, {10, 0}, true, 1},       // straight cubic
	};
	for(const Case& c : cases) {
		Rec r;
		if(c.cubic)
			ApproximateCubic(r, c.p1, c.p2, c.p3, c.p4, 0.09);
		else
			ApproximateQuadratic(r, c.p1, c.p2, c.p3, 0.09);
		EXPECT_EQ(r.lines.size(), c.lines);
		EXPECT_EQ(r.lines.back(), c.cubic ? c.p4 : c.p3);
	}
}

TEST(Flatten, ControlBeyondEndSplitsToDepthLimit)
{
	Rec r;
	ApproximateQuadratic(r, Pointf(0, 0), Pointf(20, 0), Pointf(10, 0), 0.09);
	EXPECT_GT(r.lines.size(), 1u);
	EXPECT_LE(r.lines.size(), 65536u);
	EXPECT_EQ(r.lines.back(), Pointf(10, 0));
}

TEST(Flatten, StaysWithinTolerance)
{
	Rec r;
	Pointf a(0, 0), b(0, 100), c(100, 100), d(100, 0);
	ApproximateCubic(r, a, b, c, d, 0.3 * 0.3);
	ASSERT_GT(r.lines.size(), 8u);
	Pointf prev = a;
	for(const Pointf& q : r.lines) {
		// midpoint of every chord lies near the curve: check the curve's x-range is monotone
		EXPECT_GE(q.x, prev.x - 1e-9);
		prev = q;
	}
}

TEST(Transformer, MapsAndForwardsEnd)
{
	Rec r;
	Xform2D m = Xform2D::Translation(1, 1);
	Transformer t(m);
	t.target = &r;
	t.Move(Pointf(1, 2));
	t.Line(Pointf(3, 4));
	t.End();
	EXPECT_EQ(r.moves[0], Pointf(2, 3));
	EXPECT_EQ(r.lines[0], Pointf(4, 5));
	EXPECT_EQ(r.ends, 1);
}
