// Gradient and image fills of BufferPainter, pixel by pixel.
#include <painter/Painter.h>
#include "TestPixels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <random>
#include <vector>

using namespace Qel;
using QelTest::Rgba;
using QelTest::RandomImage;

namespace {

RGBA sGrey(int v) { return Rgba(v, v, v, 255); }
const RGBA sBlack = sGrey(0), sWhite = sGrey(255);
const RGBA sClear = Rgba(0, 0, 0, 0);

Image sPaint(int cx, int cy, const std::function<void (BufferPainter&)>& fn, bool co = false, bool cache = true)
{
	ImageBuffer ib(cx, cy);
	{
		BufferPainter p(ib);
		p.Co(co);
		p.ImageCache(cache);
		fn(p);
	}
	return ib;
}

// Fills the whole image area with something.
std::function<void (BufferPainter&)> sFillAll(int cx, int cy, const std::function<void (BufferPainter&)>& fill)
{
	return [=](BufferPainter& p) {
		p.RectPath(0, 0, cx, cy);
		fill(p);
	};
}

int sMaxDiff(const Image& a, const Image& b)
{
	int d = 0;
	for(int y = 0; y < a.GetHeight(); y++)
		for(int x = 0; x < a.GetWidth(); x++) {
			RGBA p = a[y][x], q = b[y][x];
			d = std::max({d, abs(p.r - q.r), abs(p.g - q.g), abs(p.b - q.b), abs(p.a - q.a)});
		}
	return d;
}

bool sAllClear(const Image& m)
{
	for(const RGBA& c : m)
		if(!(c == sClear))
			return false;
	return true;
}

} // namespace

TEST(GradientFill, LinearPixels)
{
	Image m = sPaint(100, 2, sFillAll(100, 2, [](BufferPainter& p) {
		p.Fill(Pointf(0, 0), sBlack, Pointf(100, 0), sWhite);
	}));
	// a line of 100 pixels, each on its own target pixel
	Image line = MakeGradientLine(sBlack, nullptr, 0, sWhite, 100);
	for(int x = 0; x < 100; x++) {
		EXPECT_EQ(m[0][x], line[0][x]) << x;
		EXPECT_EQ(m[1][x], line[0][x]) << x;
	}
	// stops come from the attributes; a transform scales the line with it
	Image s = sPaint(50, 1, [](BufferPainter& p) {
		p.Scale(0.5);
		p.ColorStopOp(0.5, Rgba(255, 0, 0, 255));
		p.RectPath(0, 0, 100, 2);
		p.Fill(Pointf(0, 0), sBlack, Pointf(100, 0), sWhite);
	});
	EXPECT_EQ(s[0][0], sBlack);
	EXPECT_EQ(s[0][49], sWhite);
	EXPECT_GT(s[0][25].r, 240); // around the red stop
	EXPECT_LT(s[0][25].g, 15);
}

TEST(GradientFill, StopsAtOnePlaceMakeAHardEdgeInTheirOrder)
{
	// black to red up to the middle, then blue to white
	Image m = sPaint(100, 1, [](BufferPainter& p) {
		p.ColorStopOp(0.5, Rgba(255, 0, 0, 255));
		p.ColorStopOp(0.5, Rgba(0, 0, 255, 255));
		p.RectPath(0, 0, 100, 1);
		p.Fill(Pointf(0, 0), sBlack, Pointf(100, 0), sWhite);
	});
	EXPECT_GT(m[0][48].r, 230);
	EXPECT_LT(m[0][48].b, 10);
	EXPECT_GT(m[0][51].b, 230);
	EXPECT_LT(m[0][51].r, 25);
}

TEST(GradientFill, LinearStyles)
{
	auto row = [](int style) {
		Image m = sPaint(40, 1, sFillAll(40, 1, [=](BufferPainter& p) {
			p.Fill(Pointf(10, 0), sBlack, Pointf(20, 0), sWhite, style);
		}));
		return std::vector<RGBA>(m[0], m[0] + 40);
	};
	std::vector<RGBA> pad = row(0), repeat = row(1), reflect = row(2), fastpad = row(128);
	for(int x = 0; x < 10; x++) {
		EXPECT_EQ(pad[x], sBlack);
		EXPECT_EQ(pad[30 + x], sWhite);
		EXPECT_EQ(repeat[x], repeat[x + 10]) << x;
		EXPECT_EQ(repeat[x + 20], repeat[x + 10]) << x;
		EXPECT_EQ(reflect[x], reflect[19 - x]) << x;
		EXPECT_EQ(reflect[x + 20], reflect[19 - x]) << x;
	}
	// the fast bit is not a tiling: pad with fast sampling
	for(int x = 0; x < 10; x++) {
		EXPECT_EQ(fastpad[x], sBlack) << x;
		EXPECT_EQ(fastpad[30 + x], sWhite) << x;
	}
	for(int x = 10; x < 20; x++)
		EXPECT_LE(fastpad[x].r, fastpad[x + 1].r);
}

TEST(GradientFill, LinearByTransform)
{
	// positions 0 .. 1 along the transform's x axis, against the same gradient by points
	for(int style : {0, 1, 2}) {
		Image a = sPaint(300, 4, sFillAll(300, 4, [=](BufferPainter& p) {
			p.Fill(sBlack, sWhite, Xform2D::Scale(100, 100) * Xform2D::Translation(12, 0), style);
		}));
		Image b = sPaint(300, 4, sFillAll(300, 4, [=](BufferPainter& p) {
			p.Fill(Pointf(12, 0), sBlack, Pointf(112, 0), sWhite, style);
		}));
		EXPECT_LE(sMaxDiff(a, b), 3) << style;
	}
	// a transform without area is a box of no size: nothing is painted
	EXPECT_TRUE(sAllClear(sPaint(20, 20, sFillAll(20, 20, [](BufferPainter& p) {
		p.Fill(sBlack, sWhite, Xform2D::Scale(0, 5), 0);
	}))));
}

TEST(GradientFill, RadialPixels)
{
	Image m = sPaint(101, 101, sFillAll(101, 101, [](BufferPainter& p) {
		p.Fill(Pointf(50, 50), sBlack, 50, sWhite);
	}));
	EXPECT_EQ(m[50][50], sBlack);
	EXPECT_EQ(m[0][0], sWhite); // pads outside the circle
	for(int x = 51; x < 100; x++)
		EXPECT_LE(m[50][x - 1].r, m[50][x].r) << x;
	EXPECT_NEAR(m[50][75].r, 127, 4);
	// symmetric about the centre (pixel corners: x and 100 - x are mirror images)
	for(int x = 1; x < 50; x++)
		EXPECT_EQ(m[50][x].r, m[50][100 - x].r) << x;

	// reflect and repeat beyond the radius
	Image rf = sPaint(101, 1, sFillAll(101, 1, [](BufferPainter& p) {
		p.Fill(Pointf(0, 0), sBlack, 25, sWhite, 2);
	}));
	Image rp = sPaint(101, 1, sFillAll(101, 1, [](BufferPainter& p) {
		p.Fill(Pointf(0, 0), sBlack, 25, sWhite, 1);
	}));
	EXPECT_EQ(rf[0][50].r, 0);
	EXPECT_NEAR(rf[0][40].r, rf[0][60].r, 30);
	EXPECT_GT(rp[0][49].r, 240);
	EXPECT_LT(rp[0][51].r, 20);
	// the fast bit pads
	Image fp = sPaint(101, 1, sFillAll(101, 1, [](BufferPainter& p) {
		p.Fill(Pointf(0, 0), sBlack, 25, sWhite, 128);
	}));
	for(int x = 26; x < 101; x++)
		EXPECT_EQ(fp[0][x], sWhite) << x;
}

TEST(GradientFill, RadialByTransformAndFocus)
{
	Image a = sPaint(80, 80, sFillAll(80, 80, [](BufferPainter& p) {
		p.Fill(Pointf(0.3, 0.1), sBlack, sWhite, Xform2D::Scale(30, 20) * Xform2D::Translation(40, 40), 0);
	}));
	Image b = sPaint(80, 80, [](BufferPainter& p) {
		p.Translate(40, 40);
		p.Scale(30, 20);
		p.RectPath(-40.0 / 30, -2, 80.0 / 30, 4);
		p.Fill(Pointf(0.3, 0.1), sBlack, Pointf(0, 0), 1, sWhite);
	});
	EXPECT_LE(sMaxDiff(a, b), 2);
	// the focus takes the first colour, the circle the last
	EXPECT_EQ(a[42][49], sBlack);
	EXPECT_EQ(a[40][71], sWhite);
	EXPECT_EQ(a[40][5], sWhite);
	// no radius, or no area: nothing
	for(double r : {0.0, -3.0})
		EXPECT_TRUE(sAllClear(sPaint(20, 20, sFillAll(20, 20, [=](BufferPainter& p) {
			p.Fill(Pointf(10, 10), sBlack, Pointf(10, 10), r, sWhite);
		}))));
	EXPECT_TRUE(sAllClear(sPaint(20, 20, sFillAll(20, 20, [](BufferPainter& p) {
		p.Fill(Pointf(0, 0), sBlack, sWhite, Xform2D::Scale(5, 0), 0);
	}))));
}

TEST(GradientFill, Strokes)
{
	// gradient strokes paint the stroke only, with the gradient's colours
	for(int kind = 0; kind < 4; kind++) {
		Image m = sPaint(60, 20, [=](BufferPainter& p) {
			p.Move(5, 10).Line(55, 10);
			switch(kind) {
			case 0: p.Stroke(4, Pointf(5, 0), sBlack, Pointf(55, 0), sWhite); break;
			case 1: p.Stroke(4, sBlack, sWhite, Xform2D::Scale(50, 50) * Xform2D::Translation(5, 0)); break;
			case 2: p.Stroke(4, Pointf(30, 10), sBlack, Pointf(30, 10), 25, sWhite); break;
			case 3: p.Stroke(4, Pointf(0, 0), sBlack, sWhite, Xform2D::Scale(25, 25) * Xform2D::Translation(30, 10)); break;
			}
		});
		EXPECT_EQ(m[2][30], sClear) << kind;
		EXPECT_EQ(m[10][30].a, 255) << kind;
		EXPECT_EQ(m[10][2], sClear) << kind;
		if(kind < 2)
			EXPECT_LT(m[10][10].r, m[10][50].r) << kind;
		else
			EXPECT_LT(m[10][30].r, m[10][50].r) << kind;
	}
}

TEST(ImageFill, Pixels)
{
	Image img = RandomImage(16, 12, 7);
	// unscaled, with the default filter: the image itself
	Image m = sPaint(16, 12, sFillAll(16, 12, [&](BufferPainter& p) { p.Fill(img); }));
	EXPECT_EQ(sMaxDiff(m, img), 0);
	// nearest-pixel at scale 3: blocks of the image's pixels
	Image z = sPaint(48, 36, sFillAll(48, 36, [&](BufferPainter& p) {
		p.ImageFilter(0);
		p.Fill(img, Xform2D::Scale(3, 3));
	}));
	for(int y = 0; y < 36; y++)
		for(int x = 0; x < 48; x++)
			ASSERT_EQ(z[y][x], img[y / 3][x / 3]) << x << " " << y;
	// a kernel filter at scale 1 gives the image back as well
	Image k = sPaint(16, 12, sFillAll(16, 12, [&](BufferPainter& p) {
		p.ImageFilter(FILTER_LANCZOS3);
		p.Fill(img, Xform2D(), FILL_PAD);
	}));
	EXPECT_EQ(sMaxDiff(k, img), 0);
	// placed along a line: rotated by 180 degrees about (16, 12)
	Image r = sPaint(16, 12, [&](BufferPainter& p) {
		p.RectPath(0, 0, 16, 12);
		p.Fill(img, Pointf(16, 12), Pointf(0, 12), FILL_PAD);
	});
	for(int y = 0; y < 12; y++)
		for(int x = 0; x < 16; x++)
			ASSERT_EQ(r[y][x], img[11 - y][15 - x]) << x << " " << y;
}

TEST(ImageFill, TilingAndOutside)
{
	Image img = RandomImage(5, 5, 8);
	Image t = sPaint(20, 20, sFillAll(20, 20, [&](BufferPainter& p) {
		p.Fill(img, Xform2D::Translation(2, 3), FILL_REPEAT | FILL_FAST);
	}));
	for(int y = 0; y < 20; y++)
		for(int x = 0; x < 20; x++)
			ASSERT_EQ(t[y][x], img[(y + 2) % 5][(x + 3) % 5]) << x << " " << y;
	// no tiling: nothing beyond the image and its one-pixel rim
	Image n = sPaint(20, 20, sFillAll(20, 20, [&](BufferPainter& p) {
		p.Fill(img, Xform2D::Scale(2, 2) * Xform2D::Translation(4, 4), 0);
	}));
	for(int y = 0; y < 20; y++)
		for(int x = 0; x < 20; x++)
			if(x < 3 || x > 14 || y < 3 || y > 14) {
				ASSERT_EQ(n[y][x], sClear) << x << " " << y;
			}
}

TEST(ImageFill, ShrunkAndRotated)
{
	Image img = RandomImage(256, 256, 9);
	auto paint = [&](int filter, bool cache, bool co) {
		return sPaint(100, 100, sFillAll(100, 100, [&](BufferPainter& p) {
			p.ImageFilter(filter);
			p.Fill(img, Xform2D::Scale(0.37, 0.37) * Xform2D::Rotation(0.5) * Xform2D::Translation(30, 5), FILL_REFLECT);
		}), co, cache);
	};
	for(int filter : {0, 1, (int)FILTER_LANCZOS3}) {
		Image a = paint(filter, true, false);
		EXPECT_EQ(sMaxDiff(a, paint(filter, false, false)), 0) << filter;
		EXPECT_EQ(sMaxDiff(a, paint(filter, true, true)), 0) << filter;
		for(const RGBA& c : a)
			ASSERT_TRUE(c.r <= c.a && c.g <= c.a && c.b <= c.a);
	}
	// a flat image stays flat through every filter and shrink
	ImageBuffer fb(64, 64);
	for(RGBA& c : fb)
		c = Rgba(20, 40, 60, 200);
	Image flat = fb;
	for(int filter : {0, 1, (int)FILTER_MITCHELL})
		for(double s : {0.05, 0.3, 1.0, 4.0}) {
			Image m = sPaint(30, 30, sFillAll(30, 30, [&](BufferPainter& p) {
				p.ImageFilter(filter);
				p.Fill(flat, Xform2D::Scale(s, s) * Xform2D::Rotation(0.3), FILL_REPEAT);
			}));
			for(const RGBA& c : m) {
				ASSERT_NEAR(c.a, 200, 1) << filter << " " << s;
				ASSERT_NEAR(c.b, 60, 1) << filter << " " << s;
			}
		}
}

TEST(ImageFill, NothingToPaintStillEndsThePath)
{
	Image img = RandomImage(4, 4, 10);
	struct { Image image; Xform2D m; } cases[] = {
		{Image(), Xform2D()},
		{img, Xform2D::Scale(0, 1)},
		{img, Xform2D::Scale(NAN, 1)},
		{img, Xform2D::Translation(INFINITY, 0)},
	};
	// the next path starts afresh: only the small square is filled afterwards
	auto small = [](BufferPainter& p) {
		p.RectPath(4, 4, 2, 2);
		p.Fill(sWhite);
	};
	auto check = [](const Image& m) {
		for(int y = 0; y < 10; y++)
			for(int x = 0; x < 10; x++)
				ASSERT_EQ(m[y][x], x >= 4 && x < 6 && y >= 4 && y < 6 ? sWhite : sClear) << x << " " << y;
	};
	for(auto& c : cases) {
		check(sPaint(10, 10, [&](BufferPainter& p) {
			p.RectPath(0, 0, 10, 10);
			p.Fill(c.image, c.m, FILL_REPEAT);
			small(p);
		}));
		check(sPaint(10, 10, [&](BufferPainter& p) {
			p.RectPath(0, 0, 10, 10);
			p.Stroke(3, c.image, c.m, FILL_REPEAT);
			small(p);
		}));
	}
	// the same for gradients between coinciding points and circles without radius
	check(sPaint(10, 10, [&](BufferPainter& p) {
		p.RectPath(0, 0, 10, 10);
		p.Fill(Pointf(3, 3), sBlack, Pointf(3, 3), sWhite);
		small(p);
	}));
	check(sPaint(10, 10, [&](BufferPainter& p) {
		p.RectPath(0, 0, 10, 10);
		p.Fill(Pointf(3, 3), sBlack, Pointf(3, 3), 0, sWhite);
		small(p);
	}));
}

TEST(ImageFill, OpacityAndCoMode)
{
	Image img = RandomImage(32, 32, 11);
	auto scene = [&](BufferPainter& p) {
		for(int i = 0; i < 40; i++) {
			p.Begin();
			p.Opacity(0.5 + 0.01 * i);
			p.Circle(5 + i, 5 + (i * 7) % 30, 6);
			switch(i % 4) {
			case 0: p.Fill(img, Xform2D::Rotation(i), FILL_REFLECT); break;
			case 1: p.Fill(Pointf(i, 0), sBlack, Pointf(40, 30), Rgba(200, 10, 30, 255), 1); break;
			case 2: p.Fill(Pointf(20, 20), Rgba(0, 0, 90, 90), Pointf(25, 15), 20, sWhite, 2); break;
			case 3: p.Stroke(2, img, Xform2D::Scale(0.3, 0.3), FILL_PAD); break;
			}
			p.End();
		}
	};
	Image a = sPaint(50, 40, scene, false);
	Image b = sPaint(50, 40, scene, true);
	EXPECT_EQ(sMaxDiff(a, b), 0);
	// half opacity halves a fill on a transparent target
	Image h = sPaint(32, 32, sFillAll(32, 32, [&](BufferPainter& p) {
		p.Opacity(0.5);
		p.Fill(img);
	}));
	for(int y = 0; y < 32; y++)
		for(int x = 0; x < 32; x++)
			ASSERT_EQ(h[y][x].a, (img[y][x].a * 128) >> 8);
}

TEST(GradientFill, FarOffGeometryStaysInside)
{
	// a path of enormous extent: its cut at the image edges must not leave the image
	for(int kind = 0; kind < 3; kind++) {
		Image m = sPaint(64, 64, [=](BufferPainter& p) {
			p.Move(-1e200, -1e200).Line(1e200, 1e200).Line(-1e200, 3e200).Close();
			switch(kind) {
			case 0: p.Fill(Pointf(0, 0), sBlack, Pointf(30, 30), 20, sWhite); break;
			case 1: p.Fill(RandomImage(3, 3, 1), Xform2D::Scale(1e10, 1e-10), FILL_REPEAT); break;
			case 2: p.Fill(sWhite); break;
			}
		});
		EXPECT_EQ(m.GetSize(), Size(64, 64));
	}
}
