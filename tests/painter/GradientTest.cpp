#include <painter/Painter.h>
#include "TestPixels.h"
#include <painter/paint/Gradient.h>
#include <painter/paint/ImageSpan.h>
#include <painter/paint/detail/ImageSpanInt.h>
#include <painter/paint/RadialSpan.h>

#include <Core/stream/StringStream.h>
#include <draw/imageops/ImageOp.h>
#include <draw/imageops/ImageScale.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

using namespace Qel;
using QelTest::Rgba;
using QelTest::RandomImage;

namespace {

RGBA sGrey(int v) { return Rgba(v, v, v, 255); }

std::vector<RGBA> sRow(const Image& img, int y = 0)
{
	return std::vector<RGBA>(img[y], img[y] + img.GetWidth());
}

std::vector<int> sReds(const std::vector<RGBA>& v)
{
	std::vector<int> r;
	for(const RGBA& c : v)
		r.push_back(c.r);
	return r;
}

std::vector<RGBA> sSpan(SpanSource& s, int x, int y, int len)
{
	std::vector<RGBA> v(len, Rgba(1, 2, 3, 4)); // junk: every pixel must be written
	s.Get(v.data(), x, y, len);
	return v;
}

// Column i of row y holds red = i, green = y, opaque.
Image sIndexImage(int cx, int cy)
{
	ImageBuffer ib(cx, cy);
	for(int y = 0; y < cy; y++)
		for(int x = 0; x < cx; x++)
			ib[y][x] = Rgba(x, y, 0, 255);
	return ib;
}

} // namespace

TEST(GradientLine, ExactValues)
{
	RGBA black = sGrey(0), white = sGrey(255);
	EXPECT_EQ(sReds(sRow(MakeGradientLine(black, nullptr, 0, white, 2))), (std::vector<int>{0, 255}));
	EXPECT_EQ(sReds(sRow(MakeGradientLine(black, nullptr, 0, white, 5))), (std::vector<int>{0, 63, 127, 191, 255}));
	// truncation toward zero on the way down as well
	EXPECT_EQ(sReds(sRow(MakeGradientLine(white, nullptr, 0, black, 5))), (std::vector<int>{255, 191, 127, 63, 0}));
	EXPECT_EQ(MakeGradientLine(black, nullptr, 0, white, 1)[0][0], white);
	EXPECT_TRUE(MakeGradientLine(black, nullptr, 0, white, 0).IsEmpty());

	// a stop at 0.5 of 9 pixels sits at pixel 4
	GradientStop mid[] = {{0.5, sGrey(100)}};
	EXPECT_EQ(sReds(sRow(MakeGradientLine(black, mid, 1, white, 9))),
	          (std::vector<int>{0, 25, 50, 75, 100, 138, 177, 216, 255}));
}

TEST(GradientLine, HardEdgesAndDegenerateStops)
{
	RGBA black = sGrey(0), white = sGrey(255);
	// two stops at one place: the second colour starts right there
	GradientStop edge[] = {{0.5, sGrey(10)}, {0.5, sGrey(200)}};
	std::vector<int> r = sReds(sRow(MakeGradientLine(black, edge, 2, white, 11)));
	EXPECT_EQ(r[4], 8);
	EXPECT_EQ(r[5], 200);
	// stops at 0 replace the first colour; a stop at 1 is overwritten by the last colour
	GradientStop ends[] = {{0, sGrey(80)}, {1, sGrey(7)}};
	r = sReds(sRow(MakeGradientLine(black, ends, 2, white, 3)));
	EXPECT_EQ(r, (std::vector<int>{80, 43, 255}));
	// positions outside 0..1, and NaN, are held to the line
	GradientStop wild[] = {{NAN, sGrey(50)}, {-3, sGrey(60)}, {7, sGrey(70)}};
	r = sReds(sRow(MakeGradientLine(black, wild, 3, white, 4)));
	EXPECT_EQ(r, (std::vector<int>{60, 63, 66, 255}));
	// every channel is interpolated on its own
	Image c = MakeGradientLine(Rgba(0, 255, 10, 20), nullptr, 0, Rgba(255, 0, 30, 220), 3);
	EXPECT_EQ(c[0][1], Rgba(127, 127, 20, 120));
}

TEST(GradientLine, CacheKeyAndReuse)
{
	GradientStop st[] = {{0.25, Rgba(1, 2, 3, 4)}};
	GradientImageMaker m(Rgba(10, 20, 30, 40), st, 1, Rgba(50, 60, 70, 80), 300);
	String k = m.Key();
	ASSERT_EQ(k.GetLength(), 4 + 1 + 12 + 4 + 4);
	const byte* b = (const byte*)~k;
	EXPECT_EQ(b[0], 10);
	EXPECT_EQ(b[3], 40);
	EXPECT_EQ(b[4], 2); // count + 1
	double pos;
	memcpy(&pos, b + 5, 8);
	EXPECT_EQ(pos, 0.25);
	EXPECT_EQ(b[13], 1);
	EXPECT_EQ(b[17], 50);
	int n;
	memcpy(&n, b + 21, 4);
	EXPECT_EQ(n, 300);

	// 300 stops need the long count
	std::vector<GradientStop> many(300, GradientStop{0.5, sGrey(9)});
	String lk = GradientImageMaker(sGrey(0), many.data(), 300, sGrey(0), 2).Key();
	EXPECT_EQ(lk.GetLength(), 4 + 5 + 300 * 12 + 4 + 4);
	EXPECT_EQ((byte)lk[4], 255);

	Image a = GetGradientLine(sGrey(0), st, 1, sGrey(255), 77, true);
	Image c = GetGradientLine(sGrey(0), st, 1, sGrey(255), 77, true);
	EXPECT_TRUE(a.IsSame(c));
	Image d = GetGradientLine(sGrey(0), st, 1, sGrey(255), 77, false);
	EXPECT_FALSE(a.IsSame(d));
	EXPECT_EQ(sRow(a), sRow(d));
}

TEST(GradientLine, StyleFlags)
{
	// the fast bit is not a tiling: 128 is pad, not reflect
	struct { int style; dword flags; } t[] = {
		{0, 1 | 4}, {1, 2 | 4}, {2, 3 | 4}, {3, 3 | 4},
		{128, 1 | 4 | 128}, {129, 2 | 4 | 128}, {130, 3 | 4 | 128},
	};
	for(auto& e : t)
		EXPECT_EQ(GradientImageFlags(e.style), e.flags) << e.style;
}

TEST(ImageSpan, TilingModes)
{
	Image img = sIndexImage(10, 3);
	struct { dword flags; int x; int col; } t[] = {
		{FILL_HREPEAT, -1, 9}, {FILL_HREPEAT, 10, 0}, {FILL_HREPEAT, -21, 9}, {FILL_HREPEAT, 123, 3},
		{FILL_HREFLECT, -1, 0}, {FILL_HREFLECT, 10, 9}, {FILL_HREFLECT, -11, 9}, {FILL_HREFLECT, 20, 0},
		{FILL_HREFLECT, -15, 5}, {FILL_HPAD, -1000, 0}, {FILL_HPAD, 1000, 9}, {FILL_HNONE, 5, 5},
		{FILL_HNONE, -1, -1}, {FILL_HNONE, 10, -1},
	};
	for(auto& e : t)
		for(int filter : {0, 1}) {
			// with filter 1 at scale 1 the pixel centres fall on the pixels, so both read alike
			PainterImageSpan s(e.flags, Xform2D(), img, false, false, filter);
			RGBA c = sSpan(s, e.x, 1, 1)[0];
			if(e.col < 0)
				EXPECT_EQ(c, Rgba(0, 0, 0, 0)) << e.flags << " " << e.x;
			else
				EXPECT_EQ(c, Rgba(e.col, 1, 0, 255)) << e.flags << " " << e.x << " " << filter;
		}
	// vertical tiling the same way
	PainterImageSpan v(FILL_VREFLECT | FILL_HPAD, Xform2D(), img, false, false, 0);
	EXPECT_EQ(sSpan(v, 2, -1, 1)[0], Rgba(2, 0, 0, 255));
	EXPECT_EQ(sSpan(v, 2, 4, 1)[0], Rgba(2, 1, 0, 255));
	// one axis tiled, the other not: outside reads nothing
	PainterImageSpan h(FILL_HREPEAT, Xform2D(), img, false, false, 0);
	EXPECT_EQ(sSpan(h, 12, 3, 1)[0], Rgba(0, 0, 0, 0));
}

TEST(ImageSpan, FastCopiesAndPlaces)
{
	Image img = RandomImage(7, 5, 1);
	// unscaled rows, partly outside on both ends
	PainterImageSpan s(0, Xform2D::Translation(3, 1), img, false, false, 0);
	std::vector<RGBA> v = sSpan(s, 0, 2, 14);
	for(int x = 0; x < 14; x++)
		EXPECT_EQ(v[x], x >= 3 && x < 10 ? img[1][x - 3] : Rgba(0, 0, 0, 0)) << x;
	EXPECT_EQ(sSpan(s, 0, 0, 3), std::vector<RGBA>(3, Rgba(0, 0, 0, 0)));
	EXPECT_EQ(sSpan(s, 0, 6, 3), std::vector<RGBA>(3, Rgba(0, 0, 0, 0)));
	// rotated by 90 degrees: the corner of target pixel (x, y) is image point (y, -x)
	Xform2D rot;
	rot.x = Pointf(0, -1);
	rot.y = Pointf(1, 0);
	PainterImageSpan r(FILL_FAST, rot, img, false, false, 1);
	for(int y = 0; y < 7; y++)
		for(int x = -4; x <= 0; x++)
			EXPECT_EQ(sSpan(r, x, y, 1)[0], img[-x][y]) << x << " " << y;
	EXPECT_EQ(sSpan(r, 1, 0, 1)[0], Rgba(0, 0, 0, 0));
	// scaled 2x: each source pixel covers 2 x 2 target pixels
	PainterImageSpan z(0, Xform2D::Scale(2, 2), img, false, false, 0);
	v = sSpan(z, 0, 5, 14);
	for(int x = 0; x < 14; x++)
		EXPECT_EQ(v[x], img[2][x / 2]);
}

TEST(ImageSpan, Bilinear)
{
	ImageBuffer ib(2, 1);
	ib[0][0] = sGrey(0);
	ib[0][1] = sGrey(200);
	Image img = ib;
	PainterImageSpan s(FILL_PAD, Xform2D::Scale(2, 2), img, false, false, 1);
	EXPECT_EQ(sReds(sSpan(s, 0, 0, 4)), (std::vector<int>{0, 50, 150, 200}));
	// without tiling the edge fades over one pixel and then stops (rows all alike)
	ImageBuffer tall(2, 5);
	for(int y = 0; y < 5; y++) {
		tall[y][0] = sGrey(0);
		tall[y][1] = sGrey(200);
	}
	Image timg = tall;
	PainterImageSpan n(0, Xform2D::Scale(2, 2), timg, false, false, 1);
	std::vector<RGBA> v = sSpan(n, -2, 4, 8);
	std::vector<int> alpha;
	for(const RGBA& c : v)
		alpha.push_back(c.a);
	EXPECT_EQ(alpha, (std::vector<int>{0, 63, 191, 255, 255, 191, 63, 0}));
	// two rows mixed as well
	ImageBuffer sq(2, 2);
	sq[0][0] = sGrey(0);
	sq[0][1] = sGrey(100);
	sq[1][0] = sGrey(200);
	sq[1][1] = sGrey(255);
	Image simg = sq;
	PainterImageSpan q(FILL_PAD, Xform2D::Scale(2, 2), simg, false, false, 1);
	// position (0.25, 0.25): 0 * .5625 + 100 * .1875 + 200 * .1875 + 255 * .0625 = 72.1875
	EXPECT_EQ(sSpan(q, 1, 1, 1)[0].r, 72);
	// repeat wraps the right neighbour of the last column to the first
	PainterImageSpan rp(FILL_REPEAT, Xform2D::Scale(2, 2), simg, false, false, 1);
	EXPECT_EQ(sSpan(rp, 3, 1, 1)[0].r, sSpan(rp, -1, 1, 1)[0].r);
	// (1.25, 0.25): 100 * .5625 + 0 * .1875 + 255 * .1875 + 200 * .0625 = 116.5625
	EXPECT_EQ(sSpan(rp, 3, 1, 1)[0].r, 116);
}

TEST(ImageSpan, GradientLineSampling)
{
	// a gradient line placed from x = 0 to x = 100 at 4 pixels: pixel centres interpolate
	Image line = MakeGradientLine(sGrey(0), nullptr, 0, sGrey(255), 4);
	PainterImageSpan s(GradientImageFlags(0), Xform2D::Scale(25, 25), line, false, false, 1);
	std::vector<RGBA> v = sSpan(s, -10, 7, 120);
	for(int i = 1; i < 120; i++)
		EXPECT_GE(v[i].r, v[i - 1].r);
	EXPECT_EQ(v[0].r, 0);
	EXPECT_EQ(v[119].r, 255);
	EXPECT_NEAR(v[10 + 49].r + v[10 + 50].r, 255, 2); // symmetric about the middle
	// a 1-high line reads the same as a 2-high copy of it
	ImageBuffer two(4, 2);
	for(int x = 0; x < 4; x++)
		two[0][x] = two[1][x] = line[0][x];
	Image timg = two;
	PainterImageSpan t(GradientImageFlags(2), Xform2D::Scale(25, 25), timg, false, false, 1);
	PainterImageSpan u(GradientImageFlags(2), Xform2D::Scale(25, 25), line, false, false, 1);
	std::vector<RGBA> a = sSpan(t, -300, 3, 700), b = sSpan(u, -300, 3, 700);
	for(int i = 0; i < 700; i++)
		EXPECT_NEAR(a[i].r, b[i].r, 1) << i;
}

TEST(ImageSpan, MinifyBeforeBilinear)
{
	Image img = RandomImage(64, 40, 2);
	PainterImageSpan s(0, Xform2D::Scale(0.25, 0.3), img, false, false, 1);
	EXPECT_EQ(s.GetImage().GetSize(), Size(16, 14));
	EXPECT_EQ(sRow(s.GetImage(), 3), sRow(Minify(img, 4, 3), 3));
	// the cached shrink gives the same
	PainterImageSpan c(0, Xform2D::Scale(0.25, 0.3), img, false, true, 1);
	EXPECT_EQ(sRow(c.GetImage(), 5), sRow(s.GetImage(), 5));
	EXPECT_EQ(sSpan(c, 0, 3, 20), sSpan(s, 0, 3, 20));
	// shrunk pixels land where the originals were: a constant image stays constant inside
	ImageBuffer ib(100, 100);
	for(RGBA& p : ib)
		p = Rgba(10, 20, 30, 40);
	Image flat = ib;
	PainterImageSpan f(0, Xform2D::Scale(0.2, 0.2), flat, false, false, 1);
	std::vector<RGBA> v = sSpan(f, 0, 10, 21);
	for(int x = 0; x < 20; x++)
		EXPECT_EQ(v[x], Rgba(10, 20, 30, 40)) << x;
	EXPECT_EQ(v[20].a, 0);
	// fast mode and tiny scales do not shrink
	EXPECT_EQ(PainterImageSpan(128, Xform2D::Scale(0.2, 0.2), flat, false, false, 1).GetImage().GetSize(), Size(100, 100));
	EXPECT_EQ(PainterImageSpan(0, Xform2D::Scale(0.001, 1), flat, false, false, 1).GetImage().GetSize(), Size(100, 100));
}

TEST(ImageSpan, Kernel)
{
	Image img = RandomImage(20, 20, 3);
	for(int filter : {(int)FILTER_BSPLINE, (int)FILTER_MITCHELL, (int)FILTER_HERMITE, (int)FILTER_LANCZOS3}) {
		PainterImageSpan s(FILL_REPEAT, Xform2D::Translation(2, 3), img, false, false, filter);
		ASSERT_TRUE(s.IsKernel());
		if(filter == FILTER_HERMITE || filter == FILTER_LANCZOS3) // interpolating kernels give the pixels back at scale 1
			for(int y = 3; y < 23; y += 4) {
				std::vector<RGBA> v = sSpan(s, 2, y, 20);
				for(int x = 0; x < 20; x++)
					EXPECT_EQ(v[x], img[y - 3][x]) << filter << " " << x << " " << y;
			}
		// rotated, scaled and shrunk: colours never exceed alpha, a flat image stays flat
		ImageBuffer fb(9, 9);
		for(RGBA& p : fb)
			p = Rgba(50, 60, 70, 90);
		Image flat = fb;
		for(double sc : {3.0, 1.0, 0.4, 0.1}) {
			Xform2D m = Xform2D::Scale(sc, sc) * Xform2D::Rotation(0.5);
			PainterImageSpan k(FILL_REFLECT, m, img, false, false, filter);
			for(const RGBA& c : sSpan(k, -20, 5, 60))
				EXPECT_TRUE(c.r <= c.a && c.g <= c.a && c.b <= c.a);
			PainterImageSpan f(FILL_REPEAT, m, flat, false, false, filter);
			for(const RGBA& c : sSpan(f, -20, 5, 60)) {
				EXPECT_NEAR(c.a, 90, 1);
				EXPECT_NEAR(c.r, 50, 1);
			}
		}
	}
	// the kernel reads transparent outside an untiled image
	PainterImageSpan o(0, Xform2D(), img, false, false, FILTER_LANCZOS3);
	EXPECT_EQ(sSpan(o, 40, 5, 1)[0], Rgba(0, 0, 0, 0));
}

TEST(ImageSpan, NothingToPaint)
{
	Image img = RandomImage(4, 4, 4);
	std::vector<RGBA> none(5, Rgba(0, 0, 0, 0));
	Xform2D singular = Xform2D::Scale(0, 3);
	Xform2D nan;
	nan.t.x = NAN;
	Xform2D huge = Xform2D::Scale(1e-300, 1e-300);
	for(int filter : {0, 1, (int)FILTER_LANCZOS3}) {
		for(const Xform2D& m : {singular, nan}) {
			PainterImageSpan s(FILL_REPEAT, m, img, false, false, filter);
			EXPECT_TRUE(s.IsEmpty());
			EXPECT_EQ(sSpan(s, 0, 0, 5), none);
		}
		PainterImageSpan e(FILL_REPEAT, Xform2D(), Image(), false, false, filter);
		EXPECT_TRUE(e.IsEmpty());
		EXPECT_EQ(sSpan(e, 0, 0, 5), none);
		// an inverse far beyond float range must not crash the sampling
		PainterImageSpan h(FILL_REFLECT, huge, img, false, false, filter);
		sSpan(h, -3, 2, 5);
		PainterImageSpan h0(0, huge, img, false, false, filter);
		sSpan(h0, -3, 2, 5);
	}
}

namespace {

// Pixel i of the line holds i in red (low byte) and green (high bits).
Image sRadialLine()
{
	ImageBuffer ib(2048, 1);
	for(int i = 0; i < 2048; i++)
		ib[0][i] = Rgba(i & 255, i >> 8, 0, 255);
	return ib;
}

int sIndex(PainterRadialSpan& s, int x, int y)
{
	RGBA c = sSpan(s, x, y, 1)[0];
	return c.a ? c.r + 256 * c.g : -1;
}

} // namespace

TEST(RadialSpan, Indexes)
{
	Image line = sRadialLine();
	PainterRadialSpan s(Xform2D(), Pointf(50, 50), 40, Pointf(50, 50), 0, line);
	EXPECT_EQ(sIndex(s, 50, 50), 0);
	EXPECT_EQ(sIndex(s, 90, 50), 2047);
	EXPECT_EQ(sIndex(s, 50, 10), 2047);
	EXPECT_EQ(sIndex(s, 70, 50), 1023);
	EXPECT_EQ(sIndex(s, 130, 50), 2047);

	struct { int style; int index; } t[] = {{1, 2046}, {2, 1}, {0, 2047}, {128, 2047}, {3, 2047}, {130, 1}};
	for(auto& e : t) {
		PainterRadialSpan r(Xform2D(), Pointf(50, 50), 40, Pointf(50, 50), e.style, line);
		EXPECT_EQ(sIndex(r, 130, 50), e.index) << e.style; // t = 0.5: index 4094
	}
	// off-centre focus: rays end on the circle on both sides
	PainterRadialSpan f(Xform2D(), Pointf(50, 50), 40, Pointf(60, 50), 0, line);
	EXPECT_EQ(sIndex(f, 60, 50), 0);
	EXPECT_EQ(sIndex(f, 90, 50), 2047);
	EXPECT_EQ(sIndex(f, 10, 50), 2047);
	EXPECT_EQ(sIndex(f, 35, 50), 1023);
	// a span steps like single pixels
	std::vector<RGBA> v = sSpan(f, 0, 47, 100);
	for(int i = 0; i < 100; i += 7)
		EXPECT_EQ(v[i], sSpan(f, i, 47, 1)[0]);
	// through a transform: the unit circle scaled by 40 about (50, 50)
	PainterRadialSpan m(Xform2D::Scale(40, 40) * Xform2D::Translation(50, 50), Pointf(0, 0), 1,
	                    Pointf(0, 0), 0, line);
	EXPECT_EQ(sIndex(m, 70, 50), 1023);
	EXPECT_EQ(sIndex(m, 50, 30), 1023);
	EXPECT_EQ(sIndex(m, 50, 50), 0);
}

TEST(RadialSpan, NothingToPaint)
{
	Image line = sRadialLine();
	for(double r : {0.0, -5.0, double(NAN), double(INFINITY)}) {
		PainterRadialSpan s(Xform2D(), Pointf(5, 5), r, Pointf(5, 5), 0, line);
		EXPECT_TRUE(s.IsEmpty());
		EXPECT_EQ(sIndex(s, 5, 6), -1);
	}
	PainterRadialSpan sg(Xform2D::Scale(0, 1), Pointf(5, 5), 3, Pointf(5, 5), 0, line);
	EXPECT_TRUE(sg.IsEmpty());
	PainterRadialSpan nl(Xform2D(), Pointf(5, 5), 3, Pointf(5, 5), 0, Image());
	EXPECT_TRUE(nl.IsEmpty());
	// a focus outside the circle: rays that miss it take the last colour, never crash
	PainterRadialSpan out(Xform2D(), Pointf(0, 0), 1, Pointf(10, 0), 2, line);
	EXPECT_EQ(sIndex(out, 10, 10), 2047);
}

TEST(ImageSpan, SpansMatchSinglePixels)
{
	// a span steps its positions; a single pixel starts afresh: they must agree
	std::mt19937 rng(13);
	std::uniform_real_distribution<double> u(0, 1);
	Image img = RandomImage(23, 17, 14);
	Image line = MakeGradientLine(Rgba(0, 10, 200, 255), nullptr, 0, Rgba(255, 240, 0, 255), 37);
	for(int round = 0; round < 300; round++) {
		double sc = 0.3 + 3 * u(rng);
		Xform2D m = Xform2D::Scale(sc, sc * (0.5 + u(rng))) * Xform2D::Rotation(round % 3 ? 6.3 * u(rng) : 0) *
		            Xform2D::Translation(100 * u(rng) - 50, 100 * u(rng) - 50);
		dword flags = (rng() % 4) | (rng() % 4) * 4;
		int filter = rng() % 2;
		const Image& src = round & 1 ? line : img;
		if(round & 1)
			flags |= FILL_VPAD;
		PainterImageSpan s(flags, m, src, false, false, filter);
		int y = (int)(rng() % 80) - 40;
		int x0 = (int)(rng() % 80) - 60;
		std::vector<RGBA> v = sSpan(s, x0, y, 150);
		for(int i = 0; i < 150; i++) {
			RGBA a = v[i], b = sSpan(s, x0 + i, y, 1)[0];
			int d = std::max({abs(a.r - b.r), abs(a.g - b.g), abs(a.b - b.b), abs(a.a - b.a)});
			ASSERT_LE(d, filter ? 1 : 0) << round << " " << i << " flags " << flags;
		}
	}
}

TEST(ImageSpan, FourPixelPathsMatchOneByOne)
{
	// the vector paths must give exactly the pixels of the scalar ones, for every tiling, over
	// the image's borders, into the tiles around it, and with extreme channel values
	std::mt19937 rng(29);
	std::uniform_real_distribution<double> u(0, 1);
	for(int round = 0; round < 400; round++) {
		int cx = 1 + rng() % 40, cy = 1 + rng() % 30;
		ImageBuffer ib(cx, cy);
		for(RGBA& c : ib) {
			int a = rng() % 3 ? 255 : rng() % 256;
			c = rng() % 5 ? Rgba(rng() % (a + 1), rng() % (a + 1), rng() % (a + 1), a) : Rgba(a, a, a, a);
		}
		Image img(ib);
		double sc = 0.5 + 4 * u(rng);
		Xform2D m = Xform2D::Scale(sc, sc * (0.5 + u(rng))) * Xform2D::Rotation(round % 3 ? 6.3 * u(rng) : 0) *
		            Xform2D::Translation(60 * u(rng) - 30, 60 * u(rng) - 30);
		dword flags = (rng() % 4) | (rng() % 4) * 4;
		PainterImageSpan s(flags, m, img, false, false, 1);
		for(int k = 0; k < 6; k++) {
			int x = (int)(rng() % 100) - 50, y = (int)(rng() % 100) - 40, len = 1 + rng() % 160;
			detail::ImageSpanVector(false);
			std::vector<RGBA> a = sSpan(s, x, y, len);
			detail::ImageSpanVector(true);
			std::vector<RGBA> b = sSpan(s, x, y, len);
			ASSERT_EQ(0, memcmp(a.data(), b.data(), len * sizeof(RGBA)))
				<< "round " << round << " flags " << flags << " at " << x << ", " << y << " len " << len;
		}
	}
}

TEST(ImageSpan, PeekGivesWhatGetWrites)
{
	// an image at whole pixels is read in place: the same pixels as Get, and only where the whole
	// span lies inside the image
	Image img = RandomImage(9, 6, 3), line = RandomImage(9, 1, 4);
	std::mt19937 rng(31);
	for(int round = 0; round < 600; round++) {
		bool one = round & 1; // a one-line image that every row reads (as gradients are)
		dword flags = (rng() % 4) | (rng() % 4) * 4 | (rng() % 2 ? FILL_FAST : 0);
		int tx = (int)(rng() % 16) - 8, ty = (int)(rng() % 12) - 6;
		int filter = rng() % 3;
		if(one)
			flags |= FILL_VPAD;
		PainterImageSpan s(flags, Xform2D::Translation(tx, ty), one ? line : img, false, false, filter);
		int x = (int)(rng() % 24) - 12, y = (int)(rng() % 16) - 8, len = 1 + rng() % 12;
		const RGBA* p = s.Peek(x, y, len);
		bool inside = x - tx >= 0 && x - tx + len <= 9 && y - ty >= 0 && y - ty < (one ? 1 : 6);
		if(s.IsKernel()) {
			EXPECT_FALSE(p); // a kernel mixes neighbours even at whole pixels
			continue;
		}
		ASSERT_EQ(p != nullptr, inside) << x << ", " << y << " len " << len;
		if(p) {
			std::vector<RGBA> v = sSpan(s, x, y, len);
			EXPECT_EQ(std::vector<RGBA>(p, p + len), v);
		}
	}
	EXPECT_FALSE(PainterImageSpan(0, Xform2D::Translation(0.5, 0), img, false, false, 0).Peek(1, 1, 2));
	EXPECT_FALSE(PainterImageSpan(0, Xform2D::Scale(2), img, false, false, 0).Peek(0, 0, 2));
	EXPECT_FALSE(PainterImageSpan(0, Xform2D(), Image(), false, false, 0).Peek(0, 0, 1));
}

TEST(ImageSpan, WholePixelSpansMatchTheGeneralPaths)
{
	// spans of an image at whole pixels, across its edges and into the tiles around it, against
	// the same image placed a hair off whole pixels, which samples the same pixels by position
	std::mt19937 rng(37);
	for(int round = 0; round < 400; round++) {
		Image img = RandomImage(1 + rng() % 12, 2 + rng() % 8, round);
		dword flags = (rng() % 4) | (rng() % 4) * 4 | (rng() % 3 ? 0 : FILL_FAST);
		int filter = rng() % 2, tx = (int)(rng() % 40) - 20, ty = (int)(rng() % 30) - 15;
		PainterImageSpan s(flags, Xform2D::Translation(tx, ty), img, false, false, filter);
		PainterImageSpan off(flags, Xform2D::Translation(tx - 1e-9, ty - 1e-9), img, false, false, filter);
		int x = (int)(rng() % 60) - 40, y = (int)(rng() % 40) - 25, len = 1 + rng() % 50;
		ASSERT_EQ(sSpan(s, x, y, len), sSpan(off, x, y, len))
			<< "round " << round << " flags " << flags << " filter " << filter << " at " << x << ", " << y;
	}
}

TEST(ImageSpan, APartReadsAsACopyOfIt)
{
	// A part is read where it lies in its image, its rows an image row apart: every tiling,
	// filter and path must give what a copy of the part gives, in Get and in Peek. Shrinks go
	// through the cache by part, so the parts of one image must not mix there.
	std::mt19937 rng(41);
	std::uniform_real_distribution<double> u(0, 1);
	Image img = RandomImage(37, 29, 17);
	for(int round = 0; round < 600; round++) {
		int l = rng() % 36, t = rng() % 28;
		int r = l + 1 + rng() % (37 - l), b = round % 5 ? t + 1 + rng() % (29 - t) : t + 1; // some one row high
		Rect part(l, t, r, b);
		Image copy = Crop(img, part);
		dword flags = (rng() % 4) | (rng() % 4) * 4 | (rng() % 4 ? 0 : FILL_FAST);
		int filter = round % 3 == 2 ? (int)FILTER_LANCZOS3 : round % 3;
		bool cache = rng() % 2;
		Xform2D m = Xform2D::Translation(10 * u(rng), 10 * u(rng) - 5);
		switch(round % 4) {
		case 0: // in place, or a half pixel off in y: row by row
			m = Xform2D::Translation((int)(rng() % 40) - 20, (int)(rng() % 40) - 20 + (rng() % 3 ? 0 : 0.5));
			break;
		case 1: // shrunk first; or too far for that, target pixel 0 on the part, the next ones far off
			m = rng() % 4 ? Xform2D::Scale(0.15 + 0.5 * u(rng), 0.15 + 0.5 * u(rng)) * m
			              : Xform2D::Translation(124.5 - u(rng) * (r - l - 1), 124.5 - u(rng) * (b - t - 1)) *
			                Xform2D::Scale(0.004, 0.004);
			break;
		case 2: m = Xform2D::Scale(0.5 + 3 * u(rng), 0.5 + 3 * u(rng)) * Xform2D::Rotation(6.3 * u(rng)) * m; break;
		default: m = Xform2D::Scale(1 + u(rng), 1) * Xform2D::Translation(1.5e9, 3); // beyond stepping
		}
		PainterImageSpan a(flags, m, img, part, false, cache, filter), c(flags, m, copy, false, cache, filter);
		ASSERT_EQ(a.IsKernel(), c.IsKernel());
		for(int k = 0; k < 5; k++) {
			int x = (int)(rng() % 80) - 30, y = (int)(rng() % 60) - 20, len = 1 + rng() % 70;
			if(k == 0) // across target pixel 0: the only one the far shrink puts on the part
				x = -3, y = 0, len = 8;
			ASSERT_EQ(sSpan(a, x, y, len), sSpan(c, x, y, len))
				<< "round " << round << " flags " << flags << " filter " << filter << " at " << x << ", " << y;
		}
		// in place, each row of the part read where it lies
		for(int y = 0; round % 4 == 0 && y < b - t; y++) {
			int x0 = (int)m.t.x, y0 = (int)m.t.y + y;
			const RGBA* pa = a.Peek(x0, y0, r - l);
			const RGBA* pc = c.Peek(x0, y0, r - l);
			ASSERT_EQ(pa != nullptr, pc != nullptr) << round;
			if(pa) {
				ASSERT_EQ(std::vector<RGBA>(pa, pa + r - l), std::vector<RGBA>(pc, pc + r - l)) << round;
			}
		}
	}
	// a part reaching past the image reads what lies in it; one outside it, nothing
	PainterImageSpan past(0, Xform2D(), img, Rect(30, 20, 50, 40), false, false, 0);
	PainterImageSpan inside(0, Xform2D(), Crop(img, Rect(30, 20, 37, 29)), false, false, 0);
	EXPECT_EQ(sSpan(past, -2, 3, 12), sSpan(inside, -2, 3, 12));
	EXPECT_TRUE(PainterImageSpan(0, Xform2D(), img, Rect(40, 0, 50, 10), false, false, 1).IsEmpty());
}
