#include <painter/Painter.h>
#include <painter/raster/detail/RasterizerCells.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

using namespace Qel;

namespace {

// Records what the rasteriser hands a filler: the coverage of each column.
struct CoverFiller : Rasterizer::Filler {
	std::vector<int>* out;
	int x = 0;
	int starts = 0;
	explicit CoverFiller(std::vector<int>& o) : out(&o) {}
	void Start(int minx, int) override { x = minx; starts++; }
	void Render(int val) override { Put(val); }
	void Render(int val, int len) override { while(len-- > 0) Put(val); }
	void Put(int v) { if(x >= 0 && x < (int)out->size()) (*out)[x] = v; x++; }
};

std::vector<std::vector<int>> sRender(Rasterizer& r, bool evenodd = false)
{
	Size sz = r.GetSize();
	int w = sz.cx * (r.IsSubpixel() ? 3 : 1);
	std::vector<std::vector<int>> img(sz.cy, std::vector<int>(w, 0));
	for(int y = r.GetMinY(); y <= r.GetMaxY(); y++) {
		CoverFiller f(img[y]);
		r.Render(y, f, evenodd);
	}
	return img;
}

void sPoly(Rasterizer& r, const std::vector<Pointf>& p)
{
	r.Move(p.back());
	for(const Pointf& q : p)
		r.Line(q);
}

// Signed area of polygon p clipped to the unit pixel (px, py).
double sPixelArea(const std::vector<Pointf>& poly, int px, int py)
{
	std::vector<Pointf> p = poly, q;
	auto clip = [&](auto inside, auto cut) {
		q.clear();
		for(size_t i = 0; i < p.size(); i++) {
			Pointf a = p[i], b = p[(i + 1) % p.size()];
			bool ia = inside(a), ib = inside(b);
			if(ia)
				q.push_back(a);
			if(ia != ib)
				q.push_back(cut(a, b));
		}
		p.swap(q);
	};
	auto cx = [](double e) {
		return [e](Pointf a, Pointf b) { return Pointf(e, a.y + (b.y - a.y) * (e - a.x) / (b.x - a.x)); };
	};
	auto cy = [](double e) {
		return [e](Pointf a, Pointf b) { return Pointf(a.x + (b.x - a.x) * (e - a.y) / (b.y - a.y), e); };
	};
	clip([&](Pointf a) { return a.x >= px; }, cx(px));
	clip([&](Pointf a) { return a.x <= px + 1; }, cx(px + 1));
	clip([&](Pointf a) { return a.y >= py; }, cy(py));
	clip([&](Pointf a) { return a.y <= py + 1; }, cy(py + 1));
	double s = 0;
	for(size_t i = 0; i < p.size(); i++) {
		Pointf a = p[i], b = p[(i + 1) % p.size()];
		s += a.x * b.y - b.x * a.y;
	}
	return s / 2;
}

} // namespace

TEST(Rasterizer, SquareCoversInnerPixelsOnly)
{
	Rasterizer r(6, 6);
	sPoly(r, {{1, 1}, {3, 1}, {3, 3}, {1, 3}});
	auto img = sRender(r);
	for(int y = 0; y < 6; y++)
		for(int x = 0; x < 6; x++)
			EXPECT_EQ(img[y][x], (x >= 1 && x < 3 && y >= 1 && y < 3) ? 256 : 0) << x << "," << y;
}

TEST(Rasterizer, HalfPixelEdgeAndSubpixelColumns)
{
	Rasterizer r(4, 2);
	sPoly(r, {{0.5, 0}, {2, 0}, {2, 1}, {0.5, 1}});
	auto img = sRender(r);
	EXPECT_EQ(img[0][0], 128);
	EXPECT_EQ(img[0][1], 256);
	EXPECT_EQ(img[0][2], 0);

	Rasterizer s(2, 1, true);
	sPoly(s, {{0, 0}, {1, 0}, {1, 1}, {0, 1}});
	auto sub = sRender(s);
	EXPECT_EQ(sub[0], (std::vector<int>{256, 256, 256, 0, 0, 0}));
}

TEST(Rasterizer, NonFiniteSegmentsAreIgnored)
{
	Rasterizer r(4, 4);
	double bad[] = {NAN, INFINITY, -INFINITY};
	for(double b : bad) {
		r.Move(Pointf(0, 0));
		r.Line(Pointf(b, 2));
		r.Move(Pointf(1, b));
		r.Line(Pointf(2, 2));
	}
	EXPECT_GT(r.GetMinY(), r.GetMaxY());
}

TEST(Rasterizer, LeftOfImageBecomesEdge)
{
	Rasterizer r(4, 2);
	sPoly(r, {{-10, 0}, {1.5, 0}, {1.5, 2}, {-10, 2}});
	auto img = sRender(r);
	EXPECT_EQ(img[1][0], 256);
	EXPECT_EQ(img[1][1], 128);
	EXPECT_EQ(img[1][2], 0);
}

TEST(Rasterizer, FillRules)
{
	for(bool eo : {false, true}) {
		Rasterizer r(6, 6);
		sPoly(r, {{0, 0}, {4, 0}, {4, 4}, {0, 4}});
		sPoly(r, {{2, 2}, {6, 2}, {6, 6}, {2, 6}});
		auto img = sRender(r, eo);
		EXPECT_EQ(img[3][3], eo ? 0 : 256);
		EXPECT_EQ(img[1][1], 256);
		EXPECT_EQ(img[5][5], 256);
	}
}

TEST(Rasterizer, LongSegmentKeepsItsArea)
{
	Rasterizer a(20000, 4);
	a.Move(Pointf(0, 0.3));
	a.Line(Pointf(19999.7, 3.6));
	a.Line(Pointf(0, 3.9));
	a.Line(Pointf(0, 0.3));
	auto ia = sRender(a);
	long long sum = 0;
	for(auto& l : ia)
		for(int v : l)
			sum += v;
	// area of the triangle-ish quad in 1/256 units
	double area = 0.5 * 19999.7 * (3.6 - 0.3) + 0.5 * 19999.7 * (3.9 - 3.6);
	EXPECT_NEAR(sum / 256.0, area, area * 1e-3);
}

TEST(Rasterizer, ResetEmptiesEverything)
{
	Rasterizer r(8, 8);
	for(int i = 0; i < 100; i++) { // enough cells to need heap lines
		r.Move(Pointf(0.1 * i / 20, 0));
		r.Line(Pointf(8 - 0.1 * i / 20, 8));
	}
	r.Reset();
	EXPECT_GT(r.GetMinY(), r.GetMaxY());
	for(int y = 0; y < 8; y++)
		EXPECT_EQ(detail::RasterizerCells::Count(r, y), 0);
}

TEST(Rasterizer, WideSubpixelImage)
{
	Rasterizer r(12000, 1, true); // 36000 sub-columns: past 16-bit cell x
	sPoly(r, {{11990, 0}, {11999, 0}, {11999, 1}, {11990, 1}});
	auto img = sRender(r);
	EXPECT_EQ(img[0][11995 * 3], 256);
	EXPECT_EQ(img[0][11989 * 3], 0);
}

// Coverage equals 256 x the exact pixel/polygon intersection area (star-shaped, so simple).
TEST(Rasterizer, CoverageMatchesExactArea)
{
	std::mt19937 rng(7);
	std::uniform_real_distribution<double> ur(0, 1);
	for(int iter = 0; iter < 60; iter++) {
		const int W = 24;
		double cx = -4 + 32 * ur(rng), cy = -4 + 32 * ur(rng); // some reach outside the image
		int n = 3 + iter % 9;
		std::vector<double> ang;
		for(int i = 0; i < n; i++)
			ang.push_back(ur(rng) * 2 * M_PI);
		std::sort(ang.begin(), ang.end());
		std::vector<Pointf> poly;
		for(double a : ang) {
			double rad = 1 + 12 * ur(rng);
			Pointf p(cx + rad * cos(a), cy + rad * sin(a));
			if(iter % 4 == 0) // integer-aligned vertices
				p = Pointf(std::round(p.x), std::round(p.y));
			poly.push_back(p);
		}
		bool boxed = true;
		for(Pointf& p : poly)
			boxed = boxed && p.x >= 0 && p.y >= 0 && p.x <= W && p.y <= W;
		Rasterizer r(W, W);
		sPoly(r, poly);
		auto img = sRender(r);
		for(int y = 0; y < W; y++)
			for(int x = 0; x < W; x++) {
				double want = 256 * std::fabs(sPixelArea(poly, x, y));
				// edges moved onto the image border add their own rounding
				ASSERT_NEAR(img[y][x], want, boxed ? 2.0 : 3.0) << iter << " " << x << "," << y;
			}
	}
}

// Whatever the line holds (a few cells in a short stretch, or many over a long one), Render makes
// the calls of the plain walk over the cells sorted by x, and a second Render repeats them.
TEST(Rasterizer, RenderIsTheSortedWalk)
{
	struct Log : Rasterizer::Filler {
		std::vector<int> calls;
		void Start(int a, int b) override { calls.insert(calls.end(), {-1, a, b}); }
		void Render(int v) override { calls.insert(calls.end(), {-2, v}); }
		void Render(int v, int n) override { calls.insert(calls.end(), {-3, v, n}); }
		void End() override { calls.push_back(-4); }
	};
	auto cov = [](int v, bool eo) {
		v = std::abs(v);
		if(eo) {
			v &= 511;
			return v > 256 ? 512 - v : v;
		}
		return std::min(v, 256);
	};
	std::mt19937 rng(11);
	std::uniform_real_distribution<double> ur(0, 1);
	for(int iter = 0; iter < 80; iter++) {
		bool eo = iter & 1;
		double span = iter % 3 == 0 ? 6 : iter % 3 == 1 ? 60 : 400; // glyph-like to wide
		Rasterizer r(500, 64, iter % 5 == 4);
		int n = 3 + iter % 40;
		std::vector<Pointf> poly;
		for(int i = 0; i < n; i++)
			poly.push_back(Pointf(20 + span * ur(rng), 64 * ur(rng)));
		sPoly(r, poly);
		for(int y = r.GetMinY(); y <= r.GetMaxY(); y++) {
			const Rasterizer::Cell* cells = detail::RasterizerCells::Get(r, y);
			std::vector<Rasterizer::Cell> c(cells, cells + detail::RasterizerCells::Count(r, y));
			std::sort(c.begin(), c.end(), [](auto& a, auto& b) { return a.x < b.x; });
			Log want;
			if(c.size()) {
				want.Start(c.front().x, c.back().x);
				int cover = 0;
				for(size_t i = 0; i < c.size();) {
					int x = c[i].x, a = 0;
					for(; i < c.size() && c[i].x == x; i++) {
						cover += c[i].cover;
						a += c[i].area;
					}
					if(a) {
						want.Render(cov((int)(((int64)cover * 512 - a) >> 9), eo));
						x++;
					}
					if(i < c.size() && c[i].x > x)
						want.Render(cov(cover, eo), c[i].x - x);
				}
				want.End();
			}
			for(int pass = 0; pass < 2; pass++) {
				Log got;
				r.Render(y, got, eo);
				ASSERT_EQ(got.calls, want.calls) << iter << " line " << y << " pass " << pass;
			}
		}
	}
}

// Pieces wholly left or right of the image add no cells, only the cover they carry across, so a
// path that wanders off the image a million times costs no memory for it; the coverage is that of
// the same shape with a plain edge there.
TEST(Rasterizer, PiecesOutsideAddNoCells)
{
	for(bool sub : {false, true}) {
		Rasterizer a(20, 10, sub), b(20, 10, sub);
		a.Move(Pointf(12.5, 10.25));
		for(int i = 0; i <= 200000; i++) // the left side zig-zags far off, down to y = -0.5
			a.Line(Pointf(i & 1 ? -1e6 : -10 - i % 7, 10.25 - i * 10.75 / 200000));
		a.Line(Pointf(12.5, -0.5));
		a.Line(Pointf(1e6 + 3, 3.3)); // and out on the right, and back
		a.Line(Pointf(12.5, 10.25));
		sPoly(b, {{12.5, 10.25}, {-10, 10.25}, {-10, -0.5}, {12.5, -0.5}, {1e6 + 3, 3.3}});
		EXPECT_EQ(sRender(a), sRender(b)) << sub;
		EXPECT_EQ(sRender(a, true), sRender(b, true)) << sub;
		for(int y = 0; y < 10; y++)
			EXPECT_LE(detail::RasterizerCells::Count(a, y), 6) << y;
	}
	// paths one after another, on an image tall enough that the per-line covers are not kept
	Rasterizer t(4, 2000);
	for(int i = 0; i < 3; i++) {
		sPoly(t, {{-1e6, 1000.5 + i}, {2.5, 1000.5 + i}, {2.5, 1999}, {-1e6, 1999}});
		auto img = sRender(t);
		EXPECT_EQ(img[1000 + i][1], 128) << i;
		EXPECT_EQ(img[1001 + i][1], 256) << i;
		EXPECT_EQ(img[1001 + i][2], 128) << i;
		EXPECT_EQ(img[999 + i][0], 0) << i;
		t.Reset();
	}
}

// A path that needs more cells than its limit stops there: what was added stays, the rasteriser
// says so, and Reset makes it ready for the next path. The default limit follows the image.
TEST(Rasterizer, CellLimitEndsThePath)
{
	EXPECT_EQ(Rasterizer(64, 64).GetCellLimit(), 1 << 18);
	EXPECT_EQ(Rasterizer(1000, 1000).GetCellLimit(), 16 * 1001 * 1001);
	EXPECT_EQ(Rasterizer(5000, 5000, true).GetCellLimit(), 1 << 24);
	Rasterizer r(100, 100);
	r.SetCellLimit(1000);
	sPoly(r, {{1, 1}, {3, 1}, {3, 3}, {1, 3}});
	EXPECT_FALSE(r.IsFull());
	for(int i = 0; i < 1000; i++) { // lines across the whole image: 100 cells each
		r.Move(Pointf(0, 5 + i * 0.01));
		r.Line(Pointf(100, 90 - i * 0.01));
	}
	EXPECT_TRUE(r.IsFull());
	int n = 0;
	for(int y = 0; y < 100; y++)
		n += detail::RasterizerCells::Count(r, y);
	EXPECT_LE(n, 1000);
	EXPECT_EQ(sRender(r)[2][2], 256); // the square made first is there
	r.Reset();
	EXPECT_FALSE(r.IsFull());
	sPoly(r, {{1, 1}, {3, 1}, {3, 3}, {1, 3}});
	EXPECT_EQ(sRender(r)[2][2], 256);
}

// Cells copied in from another rasteriser (cached glyphs) count against the same limit: past it
// they are dropped and the path is cut, not written beyond the cell store.
TEST(Rasterizer, CopiedCellsStopAtTheLimit)
{
	std::vector<Rasterizer::Cell> row(300);
	for(int i = 0; i < 300; i++)
		row[i] = Rasterizer::Cell{i % 100, i & 1 ? -256 : 256, 0};
	Rasterizer r(100, 100);
	r.SetCellLimit(1000);
	ASSERT_TRUE(r.TouchLines(0, 9));
	for(int y = 0; y < 10; y++)
		r.AddCells(y, row.data(), 300, 0);
	EXPECT_TRUE(r.IsFull());
	int n = 0;
	for(int y = 0; y < 100; y++)
		n += detail::RasterizerCells::Count(r, y);
	EXPECT_LE(n, 1000);
	EXPECT_GT(n, 0);
	EXPECT_FALSE(r.TouchLines(-1, 3)); // lines off the area: nothing done
}
