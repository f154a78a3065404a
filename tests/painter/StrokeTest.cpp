#include <painter/Painter.h>

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using namespace Qel;

namespace {

struct Rec : LinearPathConsumer {
	std::vector<std::string> calls;
	std::vector<Pointf> pts;
	int ends = 0;
	static std::string S(const Pointf& p) { char b[64]; snprintf(b, sizeof(b), "(%g,%g)", p.x, p.y); return b; }
	void Move(const Pointf& p) override { calls.push_back("M" + S(p)); pts.push_back(p); }
	void Line(const Pointf& p) override { calls.push_back("L" + S(p)); pts.push_back(p); }
	void End() override { ends++; }
};

const Rectf sNoClip(-INFINITY, 0, 0, 0);

// Stroke a polyline into a w x h coverage map.
std::vector<std::vector<int>> sStroke(const std::vector<Pointf>& pl, double width, int cap, int join,
                                      double miter = 4, int w = 24, int h = 24)
{
	Rasterizer r(w, h);
	Stroker s;
	s.target = &r;
	s.Init(width, miter, 0.3, cap, join, sNoClip);
	s.Move(pl[0]);
	for(size_t i = 1; i < pl.size(); i++)
		s.Line(pl[i]);
	s.End();
	std::vector<std::vector<int>> img(h, std::vector<int>(w, 0));
	struct F : Rasterizer::Filler {
		std::vector<int>* o; int x = 0;
		void Start(int minx, int) override { x = minx; }
		void Render(int v) override { if(x < (int)o->size()) (*o)[x] = v; x++; }
		void Render(int v, int n) override { while(n-- > 0) Render(v); }
	};
	for(int y = r.GetMinY(); y <= r.GetMaxY(); y++) {
		F f;
		f.o = &img[y];
		r.Render(y, f, false);
	}
	return img;
}

long sSum(const std::vector<std::vector<int>>& img)
{
	long s = 0;
	for(auto& l : img)
		for(int v : l)
			s += v;
	return s;
}

} // namespace

TEST(Stroker, CapsOfOneSegment)
{
	struct Case { int cap; int x0, x1; double area; };
	const Case cases[] = {
		{LINECAP_BUTT, 5, 15, 20},
		{LINECAP_SQUARE, 4, 16, 24},
		{LINECAP_ROUND, 4, 16, 20 + M_PI},
	};
	for(const Case& c : cases) {
		auto img = sStroke({{5, 5}, {15, 5}}, 2, c.cap, LINEJOIN_MITER);
		EXPECT_NEAR(sSum(img) / 256.0, c.area, 0.05 * c.area) << c.cap;
		EXPECT_EQ(img[4][10], 256);
		EXPECT_EQ(img[5][10], 256);
		EXPECT_EQ(img[3][10], 0);
		EXPECT_EQ(img[4][c.x0 - 1], 0) << c.cap;
		EXPECT_EQ(img[4][c.x1], 0) << c.cap;
		if(c.cap != LINECAP_ROUND) {
			EXPECT_EQ(img[4][c.x0], 256) << c.cap;
			EXPECT_EQ(img[4][c.x1 - 1], 256) << c.cap;
		}
	}
}

TEST(Stroker, ClosedPathJoinsAtStart)
{
	auto closed = sStroke({{2, 2}, {8, 2}, {8, 8}, {2, 8}, {2, 2}}, 2, LINECAP_BUTT, LINEJOIN_MITER);
	EXPECT_EQ(closed[1][1], 256); // mitred corner at the start
	EXPECT_EQ(closed[5][5], 0);   // the inside stays open
	auto open = sStroke({{2, 2}, {8, 2}, {8, 8}, {2, 8}, {2, 2.000000001}}, 2, LINECAP_BUTT, LINEJOIN_MITER);
	EXPECT_EQ(open[1][1], 0);     // caps instead of the join
}

TEST(Stroker, MiterLimitAndJoins)
{
	auto tip = [](const std::vector<Pointf>& pl, int join, double miter) {
		Rec rec;
		Stroker s;
		s.target = &rec;
		s.Init(2, miter, 0.3, LINECAP_BUTT, join, sNoClip);
		s.Move(pl[0]);
		for(size_t i = 1; i < pl.size(); i++)
			s.Line(pl[i]);
		s.End();
		double m = 0;
		for(const Pointf& p : rec.pts)
			if(Distance(p, pl[1]) < 50) // the joint only, not the far ends
				m = std::max(m, Distance(p, pl[1]));
		return m;
	};
	EXPECT_NEAR(tip({{0, 0}, {100, 0}, {100, 100}}, LINEJOIN_MITER, 4), std::sqrt(2.0), 1e-9);
	double a = 10 * M_PI / 180; // sharp 10 degree turn: tip would be 11.5 w2 away
	std::vector<Pointf> sharp = {{0, 0}, {100, 0}, {100 - 100 * std::cos(a), 100 * std::sin(a)}};
	EXPECT_LT(tip(sharp, LINEJOIN_MITER, 4), 1.0 + 1e-9);
	EXPECT_GT(tip(sharp, LINEJOIN_MITER, 20), 11);
	EXPECT_LT(tip(sharp, 5, 20), 1.0 + 1e-9);  // any other code bevels
	EXPECT_LT(tip(sharp, 77, 20), 1.0 + 1e-9);
	EXPECT_NEAR(tip(sharp, LINEJOIN_ROUND, 4), 1.0, 1e-9);
}

TEST(Stroker, ReversalWithRoundJoinDrawsHalfCircle)
{
	auto img = sStroke({{5, 5}, {15, 5}, {6, 5}}, 4, LINECAP_BUTT, LINEJOIN_ROUND);
	EXPECT_NEAR(sSum(img) / 256.0, 40 + 2 * M_PI, 1.0);
	EXPECT_GT(img[5][16], 200);
	// ending exactly on the start closes the path: a round join there too
	auto closed = sStroke({{5, 5}, {15, 5}, {5, 5}}, 4, LINECAP_BUTT, LINEJOIN_ROUND);
	EXPECT_NEAR(sSum(closed) / 256.0, 40 + 4 * M_PI, 1.5);
}

TEST(Stroker, PreclipCullsFarSegment)
{
	Rec rec;
	Stroker s;
	s.target = &rec;
	s.Init(2, 4, 0.3, LINECAP_ROUND, LINEJOIN_ROUND, Rectf(0, 0, 100, 100));
	s.Move(Pointf(-100, 10));
	s.Line(Pointf(-50, 10));
	s.Move(Pointf(10, 10));
	s.Line(Pointf(20, 10));
	s.End();
	ASSERT_FALSE(rec.pts.empty());
	for(const Pointf& p : rec.pts)
		EXPECT_GT(p.x, 0);
	EXPECT_EQ(rec.ends, 1);
}

TEST(Stroker, PointsAndDegenerateSegmentsDrawNothing)
{
	Rec rec;
	Stroker s;
	s.target = &rec;
	s.Init(2, 4, 0.3, LINECAP_ROUND, LINEJOIN_ROUND, sNoClip);
	s.Line(Pointf(1, 1)); // a Line before any Move starts a sub-path
	s.Line(Pointf(1, 1));
	s.Move(Pointf(3, 3));
	s.End();
	EXPECT_TRUE(rec.calls.empty());
	s.Init(1e12, 4, 0.3, LINECAP_ROUND, LINEJOIN_ROUND, sNoClip); // huge width: bounded arcs
	s.Move(Pointf(0, 0));
	s.Line(Pointf(1, 0));
	s.End();
	EXPECT_LT(rec.calls.size(), 200000u);
}

namespace {

std::vector<std::string> sDash(std::vector<double> pat, double start, const std::vector<Pointf>& pl)
{
	Rec rec;
	Vector<double> v;
	for(double d : pat)
		v.Add(d);
	Dasher d;
	d.target = &rec;
	d.Init(v, start);
	d.Move(pl[0]);
	for(size_t i = 1; i < pl.size(); i++)
		d.Line(pl[i]);
	d.End();
	return rec.calls;
}

using Calls = std::vector<std::string>;

} // namespace

TEST(Dasher, Cuts)
{
	EXPECT_EQ(sDash({10, 5}, 0, {{0, 0}, {30, 0}}), (Calls{"M(0,0)", "L(10,0)", "M(15,0)", "L(25,0)", "M(30,0)"}));
	Calls s12 = {"M(0,0)", "M(3,0)", "L(13,0)", "M(18,0)", "L(28,0)", "M(30,0)"};
	EXPECT_EQ(sDash({10, 5}, 12, {{0, 0}, {30, 0}}), s12);
	EXPECT_EQ(sDash({10, 5}, 27, {{0, 0}, {30, 0}}), s12);
	EXPECT_EQ(sDash({10, 5}, -3, {{0, 0}, {30, 0}}), s12);
	// the pattern continues over the corner
	EXPECT_EQ(sDash({10, 5}, 0, {{0, 0}, {8, 0}, {8, 8}}), (Calls{"M(0,0)", "L(8,0)", "L(8,2)", "M(8,7)", "L(8,8)"}));
}

TEST(Dasher, BadPatternsStrokeSolid)
{
	const Calls solid = {"M(0,0)", "L(30,0)"};
	const std::vector<std::vector<double>> pats = {{}, {0, 0}, {-1, -1}, {10, -5}, {INFINITY, 1}, {NAN, 2}, {1e308, 1e308}};
	for(auto& p : pats)
		EXPECT_EQ(sDash(p, 0, {{0, 0}, {30, 0}}), solid);
	EXPECT_EQ(sDash({10, 5}, NAN, {{0, 0}, {30, 0}}), sDash({10, 5}, 0, {{0, 0}, {30, 0}}));
	EXPECT_EQ(sDash({10, 5}, INFINITY, {{0, 0}, {30, 0}}), sDash({10, 5}, 0, {{0, 0}, {30, 0}}));
}

TEST(Dasher, TinyPatternIsBounded)
{
	Calls c = sDash({1e-9, 1e-9}, 0, {{0, 0}, {1e6, 0}, {2e6, 0}});
	EXPECT_LE(c.size(), (size_t)Dasher::MAX_CUTS + 10);
	EXPECT_EQ(c.back(), "L(2e+06,0)");
}

// With a view, dashes out of it are stepped over arithmetically: a line ten million long with a
// pattern of 4 costs a few calls, and the cuts in view are those made without the view.
TEST(Dasher, OutOfViewIsSteppedOver)
{
	auto dash = [](const Rectf* view, std::vector<Pointf> pl) {
		Rec rec;
		Vector<double> pat = {3, 1};
		Dasher d;
		d.target = &rec;
		d.Init(pat, 0.5);
		if(view) {
			d.SetView(*view);
			d.SetViewCutLimit(1000); // cuts out of view do not count
		}
		d.Move(pl[0]);
		for(size_t i = 1; i < pl.size(); i++)
			d.Line(pl[i]);
		d.End();
		return rec;
	};
	Rectf view(0, 0, 100, 100);
	auto inview = [&](const Rec& r) {
		std::vector<std::string> v;
		for(size_t i = 0; i < r.pts.size(); i++)
			if(r.pts[i].x >= 0 && r.pts[i].x <= 100 && r.pts[i].y >= 0 && r.pts[i].y <= 100)
				v.push_back(r.calls[i]);
		return v;
	};
	for(auto pl : std::vector<std::vector<Pointf>>{{{50, 50}, {-1e7, 50}}, {{-1e7, 50}, {50, 50}}, {{-1e7, 50}, {1e7, 60}},
	                                               {{-5e6, -5e6}, {5e6, 5e6}, {5e6, -5e6}}, {{50, 200}, {60, -1e7}}}) {
		Rec a = dash(&view, pl);
		EXPECT_LT(a.calls.size(), 200u);
		if(pl.size() == 2 && pl[0].x >= 0) { // from out of view the full cut would pass MAX_CUTS first
			EXPECT_EQ(inview(a), inview(dash(nullptr, pl)));
		}
	}
	// a polyline that leaves and comes back keeps the pattern's phase: the same cuts in view
	std::vector<Pointf> out_and_back = {{10, 10}, {10, 5000}, {90, 5000}, {90, 10}};
	EXPECT_EQ(inview(dash(&view, out_and_back)), inview(dash(nullptr, out_and_back)));
	EXPECT_LT(dash(&view, out_and_back).calls.size(), dash(nullptr, out_and_back).calls.size() / 10);
	// a hundred thousand segments out of view before it, each with a cut
	std::vector<Pointf> many;
	for(int i = 0; i < 100000; i++)
		many.push_back(Pointf(-1e6 + 2.5 * i, 50));
	many.push_back(Pointf(60, 50));
	EXPECT_EQ(inview(dash(&view, many)), inview(dash(nullptr, many)));
}

// Round joins and caps whose circle lies wholly around the view, or wholly beside it, take eight
// steps a turn: the coverage in view is the same to the bit, with far fewer points.
TEST(Stroker, RoundArcsOutOfViewAreCoarse)
{
	struct Count : LinearPathFilter {
		int n = 0;
		void Move(const Pointf& p) override { n++; target->Move(p); }
		void Line(const Pointf& p) override { n++; target->Line(p); }
	};
	auto stroke = [](const std::vector<Pointf>& pl, double width, bool view, int& points) {
		Rasterizer r(24, 24);
		Count c;
		c.target = &r;
		Stroker s;
		s.target = &c;
		s.Init(width, 4, 0.3, LINECAP_ROUND, LINEJOIN_ROUND, sNoClip);
		if(view)
			s.SetView(Rectf(-1, -1, 25, 25));
		s.Move(pl[0]);
		for(size_t i = 1; i < pl.size(); i++)
			s.Line(pl[i]);
		s.End();
		points = c.n;
		std::vector<std::vector<int>> img(24, std::vector<int>(24, 0));
		struct F : Rasterizer::Filler {
			std::vector<int>* o; int x = 0;
			void Start(int minx, int) override { x = minx; }
			void Render(int v) override { if(x >= 0 && x < 24) (*o)[x] = v; x++; }
			void Render(int v, int n) override { while(n-- > 0) Render(v); }
		};
		for(int y = r.GetMinY(); y <= r.GetMaxY(); y++) {
			F f;
			f.o = &img[y];
			r.Render(y, f, false);
		}
		return img;
	};
	struct Case { std::vector<Pointf> pl; double width; };
	const Case cases[] = {
		{ {{10, 10}, {14, 30}, {3, 12}}, 1e4 },           // the view deep inside every circle
		{ {{-500, 12}, {-300, 40}, {-450, -30}}, 100 },   // circles beside the view, the stroke across it
		{ {{12, -1e6}, {12, 1e6}, {13, -1e6}}, 2e5 },
	};
	for(const Case& c : cases) {
		int fine, coarse;
		auto a = stroke(c.pl, c.width, false, fine);
		auto b = stroke(c.pl, c.width, true, coarse);
		EXPECT_EQ(a, b) << c.width;
		EXPECT_LT(coarse * 2, fine) << c.width;
	}
	// a join whose circle crosses the view keeps every step
	int fine, coarse;
	EXPECT_EQ(stroke({{2, 2}, {12, 20}, {20, 2}}, 16, false, fine), stroke({{2, 2}, {12, 20}, {20, 2}}, 16, true, coarse));
	EXPECT_EQ(fine, coarse);
}

TEST(Dasher, EveryDashGetsCaps)
{
	Rasterizer r(40, 10);
	Stroker s;
	s.target = &r;
	s.Init(2, 4, 0.3, LINECAP_SQUARE, LINEJOIN_MITER, sNoClip);
	Vector<double> pat = {10, 5};
	Dasher d;
	d.target = &s;
	d.Init(pat, 0);
	d.Move(Pointf(5, 5));
	d.Line(Pointf(35, 5));
	d.End();
	struct F : Rasterizer::Filler {
		std::vector<int> o = std::vector<int>(40); int x = 0;
		void Start(int minx, int) override { x = minx; }
		void Render(int v) override { o[x++] = v; }
		void Render(int v, int n) override { while(n-- > 0) Render(v); }
	} f;
	r.Render(5, f, false);
	EXPECT_EQ(f.o[4], 256);  // square cap before the first dash
	EXPECT_EQ(f.o[15], 256); // square cap after it
	EXPECT_EQ(f.o[17], 0);   // the gap
	EXPECT_EQ(f.o[19], 256); // cap before the second dash
}
