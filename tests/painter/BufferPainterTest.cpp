#include <painter/Painter.h>
#include <painter/buffer/detail/BufferPainterInt.h>

#include <Core/text/Exc.h>

#include <gtest/gtest.h>
#include "../Hostile.h"

#include <cmath>
#include <functional>
#include <random>
#include <vector>

using namespace Qel;

namespace {

const RGBA White = {255, 255, 255, 255};
const RGBA Black = {0, 0, 0, 255};
const RGBA Red = {0, 0, 255, 255};    // b, g, r, a
const RGBA Blue = {255, 0, 0, 255};
const RGBA None = {0, 0, 0, 0};

bool Same(const RGBA& a, const RGBA& b) { return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a; }

Image Paint(int cx, int cy, const std::function<void (BufferPainter&)>& scene, int mode = RENDER_AA)
{
	ImagePainter p(cx, cy, mode);
	scene(p);
	return p;
}

// Rows of an image as text: '.' transparent, 'W' white, 'R' red, 'B' blue, 'K' black, '?' other.
String Picture(const Image& img)
{
	String s;
	for(int y = 0; y < img.GetHeight(); y++) {
		for(int x = 0; x < img.GetWidth(); x++) {
			const RGBA& c = img[y][x];
			s.Cat(Same(c, None) ? '.' : Same(c, White) ? 'W' : Same(c, Red) ? 'R' : Same(c, Blue) ? 'B'
			      : Same(c, Black) ? 'K' : '?');
		}
		s.Cat('\n');
	}
	return s;
}

} // namespace

TEST(ImagePainter, NewPainterGivesTransparentImageAndThenEmpty)
{
	ImagePainter p(10, 10);
	Image a = p;
	ASSERT_EQ(a.GetSize(), Size(10, 10));
	for(const RGBA& c : a)
		EXPECT_TRUE(Same(c, None));
	p.RectPath(0, 0, 5, 5).Fill(Red); // painting into the emptied buffer does nothing
	Image b = p;
	EXPECT_TRUE(b.IsEmpty());
}

TEST(BufferPainter, FillsAndStrokesExactly)
{
	Image img = Paint(8, 6, [](BufferPainter& p) {
		p.Clear(White);
		p.RectPath(1, 1, 3, 2).Fill(Red);
		p.Move(0, 4.5).Line(8, 4.5).Stroke(1, Blue);
	});
	EXPECT_EQ(Picture(img), "WWWWWWWW\n"
	                        "WRRRWWWW\n"
	                        "WRRRWWWW\n"
	                        "WWWWWWWW\n"
	                        "BBBBBBBB\n"
	                        "WWWWWWWW\n");
	// a half-covered pixel gets half of the colour
	Image h = Paint(4, 1, [](BufferPainter& p) { p.RectPath(0, 0, 1.5, 1).Fill(Black); });
	EXPECT_EQ(h[0][0].a, 255);
	EXPECT_EQ(h[0][1].a, 127);
	EXPECT_EQ(h[0][2].a, 0);
}

TEST(BufferPainter, EvenOddAndNonZero)
{
	auto scene = [](bool evenodd) {
		return Paint(6, 6, [=](BufferPainter& p) {
			p.RectPath(0, 0, 6, 6).RectPath(2, 2, 2, 2).EvenOdd(evenodd).Fill(Black);
		});
	};
	EXPECT_EQ(scene(false)[3][3].a, 255);
	EXPECT_EQ(scene(true)[3][3].a, 0);
	EXPECT_EQ(scene(true)[0][0].a, 255);
}

TEST(BufferPainter, PathBuilding)
{
	// A line as the first operation starts at (0, 0); a Null coordinate keeps the current one.
	Image a = Paint(10, 3, [](BufferPainter& p) {
		p.Line(Pointf(8, 2)).Line(Pointf(0, -INFINITY)).Close().Fill(Black);
	});
	Image b = Paint(10, 3, [](BufferPainter& p) {
		p.Move(0, 0).Line(8, 2).Line(0, 2).Close().Fill(Black);
	});
	EXPECT_EQ(ImageHash(a), ImageHash(b));
	// relative coordinates, and a Null y with rel moving x only
	Image c = Paint(10, 3, [](BufferPainter& p) {
		p.Move(1, 1).Line(Pointf(5, -INFINITY), true).Stroke(1, Black);
	});
	Image d = Paint(10, 3, [](BufferPainter& p) { p.Move(1, 1).Line(6, 1).Stroke(1, Black); });
	EXPECT_EQ(ImageHash(c), ImageHash(d));
	// a smooth cubic after a line reflects the current point itself
	Image e = Paint(20, 20, [](BufferPainter& p) {
		p.Move(2, 2).Line(10, 2).Cubic(Pointf(18, 10), Pointf(10, 18)).Close().Fill(Black);
	});
	Image f = Paint(20, 20, [](BufferPainter& p) {
		p.Move(2, 2).Line(10, 2).Cubic(Pointf(10, 2), Pointf(18, 10), Pointf(10, 18)).Close().Fill(Black);
	});
	EXPECT_EQ(ImageHash(e), ImageHash(f));
}

TEST(BufferPainter, FillThenStrokeReusesThePath)
{
	Image img = Paint(10, 10, [](BufferPainter& p) {
		p.RectPath(2, 2, 6, 6).Fill(Red).Stroke(2, Blue);
	});
	EXPECT_TRUE(Same(img[5][5], Red));
	EXPECT_TRUE(Same(img[2][5], Blue));
}

TEST(BufferPainter, FillClosesEachSubPathByItself)
{
	// Two open triangles side by side: each is filled as if closed, and nothing joins the first
	// one's end to the second one's start.
	auto two = [](bool closed) {
		return Paint(12, 4, [=](BufferPainter& p) {
			p.Move(0, 0).Line(4, 0).Line(4, 4);
			if(closed)
				p.Close();
			p.Move(8, 0).Line(12, 0).Line(12, 4);
			if(closed)
				p.Close();
			p.Fill(Black);
		});
	};
	EXPECT_EQ(ImageHash(two(false)), ImageHash(two(true)));
	EXPECT_EQ(two(false)[1][6].a, 0); // between the two
	// The same for a clip and for the parts of a divided path.
	Image clip = Paint(12, 4, [](BufferPainter& p) {
		p.Move(0, 0).Line(4, 0).Line(4, 4).Move(8, 0).Line(12, 0).Line(12, 4).Clip();
		p.RectPath(0, 0, 12, 4).Fill(Black);
	});
	EXPECT_EQ(ImageHash(clip), ImageHash(two(true)));
	Image div = Paint(12, 4, [](BufferPainter& p) {
		p.Move(0, 0).Line(4, 0).Line(4, 4).Div().Move(8, 0).Line(12, 0).Line(12, 4).Fill(Black);
	});
	EXPECT_EQ(ImageHash(div), ImageHash(two(true)));
}

TEST(BufferPainter, StrokeAfterFillFollowsTheOpenPath)
{
	// The fill closes the area for itself; the stroke draws only the segments that were given.
	Image img = Paint(12, 12, [](BufferPainter& p) {
		p.Move(2, 2).Line(10, 2).Line(10, 10).Fill(Red).Stroke(2, Blue);
	});
	EXPECT_TRUE(Same(img[2][6], Blue));   // a given segment
	EXPECT_TRUE(Same(img[4][7], Red));    // inside the triangle
	EXPECT_FALSE(Same(img[6][6], Blue));  // on the diagonal that only the fill closes
	Image closed = Paint(12, 12, [](BufferPainter& p) {
		p.Move(2, 2).Line(10, 2).Line(10, 10).Close().Fill(Red).Stroke(2, Blue);
	});
	EXPECT_TRUE(Same(closed[6][6], Blue));
}

TEST(BufferPainter, OpacityOutsideAndInsideAPath)
{
	ImageBuffer ib(4, 4);
	BufferPainter p(ib);
	p.Opacity(0.5).Opacity(0.5);
	EXPECT_EQ(p.GetPathAttr().opacity, 0.25);
	p.Move(0, 0).Opacity(0.5); // open path: only this path
	EXPECT_EQ(p.GetPathAttr().opacity, 0.125);
	p.Line(4, 0).Line(4, 4).Fill(Black);
	EXPECT_EQ(p.GetPathAttr().opacity, 0.25);
}

TEST(BufferPainter, EndRestoresEveryAttribute)
{
	ImageBuffer ib(4, 4);
	BufferPainter p(ib);
	p.ColorStop(0.5, Red);
	BufferPainter::Attr before = p.GetPathAttr();
	p.Begin();
	p.Translate(3, 4).Opacity(0.5).LineCap(LINECAP_ROUND).LineJoin(LINEJOIN_BEVEL).MiterLimit(2)
	 .EvenOdd().Dash("3 1").Invert().ImageFilter(0).ColorStop(0.2, Blue).RectPath(0, 0, 2, 2).Clip();
	p.End();
	const BufferPainter::Attr& a = p.GetPathAttr();
	EXPECT_EQ(a.mtx, before.mtx);
	EXPECT_EQ(a.mtx_serial, before.mtx_serial);
	EXPECT_EQ(a.opacity, before.opacity);
	EXPECT_EQ(a.cap, before.cap);
	EXPECT_EQ(a.join, before.join);
	EXPECT_EQ(a.miter_limit, before.miter_limit);
	EXPECT_EQ(a.evenodd, before.evenodd);
	EXPECT_EQ(a.dash, before.dash);
	EXPECT_EQ(a.invert, before.invert);
	EXPECT_EQ(a.filter, before.filter);
	ASSERT_EQ(a.stop.GetCount(), 1);
	EXPECT_EQ(a.stop[0].pos, 0.5);
	EXPECT_EQ(a.cliplevel, 0);
	EXPECT_FALSE(a.hasclip);
	p.RectPath(0, 0, 4, 4).Fill(Black); // the clip has gone too
	p.Finish();
	EXPECT_EQ(ib[3][3].a, 255);
	p.End(); // unmatched: nothing
}

TEST(BufferPainter, ColorStopsStayOrdered)
{
	ImageBuffer ib(1, 1);
	BufferPainter p(ib);
	p.ColorStop(0.5, Red).ColorStop(2, Blue).ColorStop(-1, Black).ColorStop(0.5, White);
	const auto& s = p.GetPathAttr().stop;
	ASSERT_EQ(s.GetCount(), 4);
	EXPECT_EQ(s[0].pos, 0);
	EXPECT_EQ(s[1].pos, 0.5);
	EXPECT_TRUE(Same(s[1].color, Red));   // equal places keep the order they came in
	EXPECT_TRUE(Same(s[2].color, White));
	EXPECT_EQ(s[3].pos, 1);
	p.ClearStops();
	EXPECT_TRUE(p.GetPathAttr().stop.IsEmpty());
}

// Stops may come in any order and in any number: ascending by place, equal places in the order
// given, and a million of them, worst first, cost one sort.
TEST(BufferPainter, ManyColorStopsInAnyOrder)
{
	std::mt19937 rng(5);
	for(int iter = 0; iter < 50; iter++) {
		ImageBuffer ib(1, 1);
		BufferPainter p(ib);
		std::vector<std::pair<double, int>> want; // by insertion, as the order is defined
		int n = 1 + iter * 3;
		for(int i = 0; i < n; i++) {
			double pos = (rng() % 7) / 6.0;
			size_t at = 0;
			while(at < want.size() && want[at].first <= pos)
				at++;
			want.insert(want.begin() + at, { pos, i });
			p.ColorStop(pos, RGBA{ byte(i), byte(i >> 8), 0, 255 });
			if(i % 5 == 4) { // read in between: later stops still go where they belong
				const auto& s = p.GetPathAttr().stop;
				ASSERT_EQ(s.GetCount(), (int)want.size());
			}
		}
		const auto& s = p.GetPathAttr().stop;
		ASSERT_EQ(s.GetCount(), n);
		for(int i = 0; i < n; i++) {
			EXPECT_EQ(s[i].pos, want[i].first) << iter << " " << i;
			EXPECT_EQ(s[i].color.b | s[i].color.g << 8, want[i].second) << iter << " " << i;
		}
	}
	auto million = [] {
		ImageBuffer ib(16, 16);
		BufferPainter p(ib);
		for(int i = 1000000; i > 0; i--)
			p.ColorStop(i / 1e6, RGBA{ byte(i), 0, 0, 255 });
		p.RectPath(0, 0, 16, 16).Fill(Pointf(0, 0), RGBA{ 0, 0, 0, 255 }, Pointf(16, 0), RGBA{ 255, 0, 0, 255 });
		p.Finish();
		return ib[0][8].a == 255;
	};
	QEL_EXPECT_BOUNDED(512, 10, million());
}

TEST(BufferPainter, ClearMakesOpaqueImages)
{
	ImageBuffer ib(3, 3);
	BufferPainter p(ib);
	EXPECT_EQ(ib.GetKind(), IMAGE_ALPHA);
	p.Clear(RGBA{0, 0, 128, 128});
	EXPECT_EQ(ib.GetKind(), IMAGE_ALPHA);
	p.Clear(White);
	EXPECT_EQ(ib.GetKind(), IMAGE_OPAQUE);
	EXPECT_TRUE(Same(ib[2][2], White));
}

TEST(BufferPainter, TransparentAndZeroWidthDrawNothing)
{
	Image img = Paint(6, 6, [](BufferPainter& p) {
		p.RectPath(0, 0, 6, 6).Fill(None);
		p.Move(0, 3).Line(6, 3).Stroke(0, Black);
		p.Move(0, 3).Line(6, 3).Stroke(-1, Black); // never a fill in disguise
		p.RectPath(0, 0, 6, 6).Stroke(-3, Black);
	});
	for(const RGBA& c : img)
		EXPECT_TRUE(Same(c, None));
}

// RenderPath's width codes: -1 fills, a positive width strokes, any other width draws nothing.
TEST(BufferPainter, RenderPathCodes)
{
	for(double w : {-1.0, 2.0, 0.0, -0.5, -4.0, (double)NAN, (double)INFINITY}) {
		for(bool co : {false, true}) {
			Image img = Paint(6, 6, [&](BufferPainter& p) {
				p.Co(co);
				p.RectPath(1, 1, 4, 4);
				p.RenderPath(w, nullptr, Black);
			});
			bool drawn = w == -1 || w == 2;
			EXPECT_EQ(Same(img[3][3], Black), w == -1) << w << co;
			EXPECT_EQ(Same(img[1][1], Black), drawn) << w << co;
			if(!drawn) {
				for(const RGBA& c : img)
					EXPECT_TRUE(Same(c, None)) << w << co;
			}
		}
	}
}

TEST(BufferPainter, StrokeEndsThePathWhateverItsWidth)
{
	for(double w : {0.0, -5.0, 1.0, (double)NAN}) {
		ImageBuffer ib(4, 4);
		BufferPainter p(ib);
		p.Move(1, 1).Line(3, 3).Stroke(w, Black);
		p.Opacity(0.5); // no path open: the current attributes change as well
		p.Move(0, 0);
		EXPECT_EQ(p.GetPathAttr().opacity, 0.5) << w;
	}
}

TEST(BufferPainter, ThinLineInsideOnePixelRow)
{
	for(bool co : {false, true}) {
		Image img = Paint(10, 4, [&](BufferPainter& p) {
			p.Co(co);
			p.Move(1, 2.25).Line(9, 2.25).Line(9, 2.75).Line(1, 2.75).Fill(Black);
		});
		EXPECT_EQ(img[2][5].a, 127) << co;
		EXPECT_EQ(img[1][5].a, 0);
		EXPECT_EQ(img[3][5].a, 0);
	}
}

TEST(BufferPainter, DashStartWrapsAroundThePattern)
{
	auto dashed = [](double start) {
		return Paint(40, 3, [=](BufferPainter& p) {
			p.Dash(Vector<double>{4, 2}, start).Move(0, 1.5).Line(40, 1.5).Stroke(1, Black);
		});
	};
	Image a = dashed(5), b = dashed(11);
	EXPECT_EQ(ImageHash(a), ImageHash(b));
	// start 5 is one unit into the gap: the first dash begins at x = 1
	EXPECT_EQ(a[1][0].a, 0);
	EXPECT_EQ(a[1][1].a, 255);
	EXPECT_EQ(a[1][4].a, 255);
	EXPECT_EQ(a[1][5].a, 0);
	EXPECT_EQ(a[1][7].a, 255);
}

// A pattern of an odd count swaps dashes and gaps on every pass: it paints as the list written out
// twice, whatever the start, also past two passes or below zero.
TEST(BufferPainter, OddDashPatternPaintsAsWrittenTwice)
{
	auto dashed = [](const Vector<double>& pattern, double start) {
		return ImageHash(Paint(120, 3, [&](BufferPainter& p) {
			p.Dash(pattern, start).Move(0, 1.5).Line(120, 1.5).Stroke(1, Black);
		}));
	};
	for(const Vector<double>& odd : {Vector<double>{10}, Vector<double>{10, 5, 7}, Vector<double>{3.5, 1, 2}}) {
		Vector<double> twice = odd;
		twice.Append(odd);
		for(double start : {0.0, 5.0, 15.0, 30.0, 41.0, 66.5, 100.0, -5.0, -12.0, -44.0, -101.25})
			EXPECT_EQ(dashed(odd, start), dashed(twice, start)) << odd.GetCount() << " lengths, start " << start;
	}
}

TEST(BufferPainter, InvertAppliesToTheOpenPathOnly)
{
	Image img = Paint(4, 2, [](BufferPainter& p) {
		p.Clear(White);
		p.Move(0, 0).Invert().Line(2, 0).Line(2, 1).Line(0, 1).Fill(Black);
		p.RectPath(2, 0, 2, 1).Fill(Red);
	});
	EXPECT_EQ(Picture(img), "KKRR\nWWWW\n");
	Image inv = Paint(4, 1, [](BufferPainter& p) {
		p.Clear(White);
		p.Invert().RectPath(0, 0, 2, 1).Fill(Red).RectPath(2, 0, 2, 1).Fill(Red);
	});
	EXPECT_EQ(Picture(inv), "KKKK\n");
}

TEST(BufferPainter, Clips)
{
	// Two clips in one scope intersect; the scope's end brings the whole image back.
	Image img = Paint(6, 3, [](BufferPainter& p) {
		p.Begin();
		p.RectPath(0, 0, 4, 3).Clip();
		p.RectPath(2, 0, 4, 3).Clip();
		p.RectPath(0, 0, 6, 2).Fill(Red);
		p.End();
		p.RectPath(0, 2, 6, 1).Fill(Blue);
	});
	EXPECT_EQ(Picture(img), "..RR..\n..RR..\nBBBBBB\n");
	// a clip to an empty path hides everything in its scope
	Image e = Paint(3, 1, [](BufferPainter& p) {
		p.Begin().Clip();
		p.RectPath(0, 0, 3, 1).Fill(Red);
		p.End();
	});
	EXPECT_EQ(Picture(e), "...\n");
	// parts split by Div clip to all of them
	for(bool co : {false, true}) {
		Image d = Paint(6, 1, [&](BufferPainter& p) {
			p.Co(co);
			p.RectPath(0, 0, 2, 1).Div().RectPath(4, 0, 2, 1).Clip();
			p.RectPath(0, 0, 6, 1).Fill(Red);
		});
		EXPECT_EQ(Picture(d), "RR..RR\n") << co;
	}
	// a partial clip line masks the coverage
	Image h = Paint(4, 1, [](BufferPainter& p) {
		p.RectPath(0, 0, 1.5, 1).Clip();
		p.RectPath(0, 0, 4, 1).Fill(Black);
	});
	EXPECT_EQ(h[0][0].a, 255);
	EXPECT_EQ(h[0][1].a, 127);
	EXPECT_EQ(h[0][2].a, 0);
}

TEST(BufferPainter, Masks)
{
	auto masked = [](RGBA m, int mode) {
		return Paint(4, 2, [=](BufferPainter& p) {
			p.BeginMask();
			p.RectPath(0, 0, 2, 2).Fill(m);
			p.End();
			p.RectPath(0, 0, 4, 2).Fill(Red);
		}, mode);
	};
	for(int mode : {RENDER_AA, RENDER_NOAA}) {
		EXPECT_EQ(Picture(masked(White, mode)), "RR..\nRR..\n");
		EXPECT_EQ(Picture(masked(Black, mode)), "....\n....\n");
		Image g = masked(RGBA{128, 128, 128, 255}, mode);
		EXPECT_NEAR(g[0][0].a, mode == RENDER_AA ? 128 : 255, 2); // no-AA coverage is all or nothing
		EXPECT_EQ(g[0][3].a, 0);
	}
	// subpixel: three units per pixel, the blur of the filter on both passes
	Image s = masked(White, RENDER_SUBPIXEL);
	EXPECT_GT(s[0][1].a, 128);
	EXPECT_EQ(s[0][3].a, 0);
	// only the level BeginMask opens ends the mask: inner scopes paint into it
	Image n = Paint(4, 1, [](BufferPainter& p) {
		p.BeginMask();
		p.Begin().RectPath(0, 0, 1, 1).Fill(White).End();
		p.RectPath(3, 0, 1, 1).Fill(White);
		p.End();
		p.RectPath(0, 0, 4, 1).Fill(Red);
	});
	EXPECT_EQ(Picture(n), "R..R\n");
	// a mask inside a clipped scope narrows that scope's clip
	Image c = Paint(4, 1, [](BufferPainter& p) {
		p.Begin();
		p.RectPath(0, 0, 3, 1).Clip();
		p.BeginMask();
		p.RectPath(1, 0, 3, 1).Fill(White);
		p.End();
		p.RectPath(0, 0, 4, 1).Fill(Red);
		p.End();
		p.RectPath(3, 0, 1, 1).Fill(Blue);
	});
	EXPECT_EQ(Picture(c), ".RRB\n");
}

TEST(BufferPainter, OnPathPlacement)
{
	struct Case {
		Pointf a, b;
		double q;
		bool   abs;
		Pointf at;
		double angle;
	} cases[] = {
		{{0, 0}, {100, 0}, 0.5, false, {50, 0}, 0},
		{{0, 0}, {0, 100}, 0.5, false, {0, 50}, M_PI / 2},
		{{0, 0}, {1, 0}, 1.5, true, {1.5, 0}, 0},
		{{0, 0}, {0.5, 0}, 0.8, true, {0.8, 0}, 0},     // short path: extended past its end
		{{0, 0}, {0.5, 0}, 2.0, false, {1.0, 0}, 0},
		{{10, 10}, {10, 10}, 0.5, false, {0, 0}, 0},    // zero length: no placement
	};
	for(const Case& c : cases) {
		ImageBuffer ib(4, 4);
		BufferPainter p(ib);
		p.Move(c.a).Line(c.b).BeginOnPath(c.q, c.abs);
		const Xform2D& m = p.GetPathAttr().mtx;
		EXPECT_NEAR(m.t.x, c.at.x, 1e-9) << c.q;
		EXPECT_NEAR(m.t.y, c.at.y, 1e-9) << c.q;
		EXPECT_NEAR(std::atan2(m.y.x, m.x.x), c.angle, 1e-9);
		p.End();
		EXPECT_EQ(p.GetPathAttr().mtx, Xform2D());
	}
	// consecutive placements use one recording; a new path is recorded anew
	ImageBuffer ib(4, 4);
	BufferPainter p(ib);
	p.Move(0, 0).Line(10, 0).Line(10, 10);
	p.BeginOnPath(0.25).RectPath(0, 0, 1, 1).Fill(Black).End();
	p.BeginOnPath(0.75);
	EXPECT_NEAR(p.GetPathAttr().mtx.t.y, 5, 1e-9);
	p.End();
	p.Move(0, 0).Line(0, 8).BeginOnPath(0.5);
	EXPECT_NEAR(p.GetPathAttr().mtx.t.y, 4, 1e-9);
	p.End();
}

// Hostile curves flatten to millions of records: the recording stays bounded and placement at
// the very end still lands on the path's end.
TEST(BufferPainter, OnPathRecordingOfHugeCurvesStaysBounded)
{
	ImageBuffer ib(4, 4);
	BufferPainter p(ib);
	p.Move(0, 0);
	for(int i = 0; i < 40; i++)
		p.Cubic(Pointf(-1e9, 1e9), Pointf(1e9, 1e9), Pointf(i & 1 ? 0 : 1, 0));
	p.Line(Pointf(10, 0)).BeginOnPath(1.0); // the last cubic ends at (0, 0)
	EXPECT_NEAR(p.GetPathAttr().mtx.t.x, 10, 1e-3);
	EXPECT_NEAR(p.GetPathAttr().mtx.t.y, 0, 1e-3);
	p.End();
}

TEST(BufferPainter, CreateForAnotherSizeFinishesQueuedWork)
{
	ImageBuffer a(8, 8), b(4, 4);
	BufferPainter p(a);
	p.Co();
	p.RectPath(0, 0, 8, 8).Fill(Red);
	p.Create(b, RENDER_SUBPIXEL);
	EXPECT_TRUE(Same(a[7][7], Red));
	p.RectPath(0, 0, 4, 4).Fill(Blue);
	p.Finish();
	EXPECT_TRUE(Same(b[1][1], Blue));
}

TEST(BufferPainter, OversizedBuffersFailWithAnError)
{
	int64 old = detail::GetPainterBufferLimit();
	detail::SetPainterBufferLimit(4000);
	{
		ImageBuffer ib(3000, 4);
		BufferPainter p(ib);
		p.Move(0, 0);
		EXPECT_THROW({ for(int i = 0; i < 1000; i++) p.Line(i, 1); }, Exc);
		p.Stroke(0, Black);
		p.RectPath(0, 0, 10, 10);
		EXPECT_THROW(p.Clip(), Exc);
		EXPECT_THROW(p.BeginMask(), Exc);
	}
	detail::SetPainterBufferLimit(old);
	ImageBuffer ib(4, 4);
	BufferPainter p(ib);
	p.RectPath(0, 0, 4, 4).Fill(Black); // still usable afterwards
	EXPECT_EQ(ib[0][0].a, 255);
}

TEST(BufferPainter, TextOutlines)
{
	Font f = SansSerif(40);
	// replaying an outline moves every point and never carries curves
	struct Rec : LinearPathConsumer {
		Vector<Pointf> pts;
		int moves = 0;
		void Move(const Pointf& p) override { moves++; pts.Add(p); }
		void Line(const Pointf& p) override { pts.Add(p); }
	} a, b;
	ApproximateChar(a, Pointf(0, 0), 'o', f, 0.3);
	ApproximateChar(b, Pointf(10, 20), 'o', f, 0.3);
	ASSERT_GT(a.pts.GetCount(), 8);
	EXPECT_EQ(a.moves, 2); // two contours
	ASSERT_EQ(a.pts.GetCount(), b.pts.GetCount());
	for(int i = 0; i < a.pts.GetCount(); i++) {
		EXPECT_FLOAT_EQ(b.pts[i].x, a.pts[i].x + 10);
		EXPECT_FLOAT_EQ(b.pts[i].y, a.pts[i].y + 20);
	}
	// the text a painter fills is the outlines
	Image t = Paint(60, 50, [&](BufferPainter& p) { p.CharacterOp(Pointf(5, 2), 'o', f); p.Fill(Black); });
	int64 ink = 0;
	for(const RGBA& c : t)
		ink += c.a;
	EXPECT_GT(ink, 255 * 100);
	EXPECT_EQ(t[0][0].a, 0);
}

TEST(BufferPainter, PartsSplitByDivRenderOnTheirOwn)
{
	auto scene = [](bool div) {
		return Paint(6, 1, [=](BufferPainter& p) {
			p.EvenOdd().RectPath(0, 0, 4, 1);
			if(div)
				p.Div();
			p.RectPath(2, 0, 4, 1).Fill(Black);
		});
	};
	EXPECT_EQ(Picture(scene(false)), "KK..KK\n"); // one path: the overlap is a hole
	EXPECT_EQ(Picture(scene(true)), "KKKKKK\n");  // two parts: each filled whole
}

TEST(BufferPainter, UnknownJoinsBevel)
{
	auto corner = [](int join) {
		return Paint(30, 30, [=](BufferPainter& p) {
			p.LineJoin(join).Move(5, 25).Line(15, 5).Line(25, 25).Stroke(6, Black);
		});
	};
	Image bevel = corner(LINEJOIN_BEVEL);
	EXPECT_EQ(ImageHash(corner(259)), ImageHash(bevel)); // 259 is 3 in a byte, yet no miter
	EXPECT_EQ(ImageHash(corner(0)), ImageHash(bevel));
	EXPECT_NE(ImageHash(corner(LINEJOIN_MITER)), ImageHash(bevel));
}

TEST(BufferPainter, SegmentAfterCloseStartsAtTheClosedSubPath)
{
	Image a = Paint(20, 20, [](BufferPainter& p) {
		p.Move(10, 10).Line(18, 10).Line(18, 18).Close().Line(2, 18).Line(2, 2).Fill(Black);
	});
	Image b = Paint(20, 20, [](BufferPainter& p) {
		p.Move(10, 10).Line(18, 10).Line(18, 18).Close().Move(10, 10).Line(2, 18).Line(2, 2).Fill(Black);
	});
	EXPECT_EQ(ImageHash(a), ImageHash(b));
}

TEST(BufferPainter, OpenMaskNeverCostsThePicture)
{
	ImageBuffer ib(4, 4);
	{
		BufferPainter p(ib);
		p.RectPath(0, 0, 4, 4).Fill(Red);
		p.BeginMask();
		p.RectPath(0, 0, 2, 2).Fill(White);
	}
	EXPECT_TRUE(Same(ib[3][3], Red));
	ImagePainter q(4, 4);
	q.RectPath(0, 0, 4, 4).Fill(Blue);
	q.BeginMask();
	Image img = q;
	EXPECT_TRUE(Same(img[0][0], Blue));
}

// Geometry far off the picture, endless arcs and enormous round strokes end quickly and leave
// what is visible as it should be.
TEST(BufferPainter, HostileGeometryEndsAndKeepsWhatIsVisible)
{
	auto offscreen = [](BufferPainter& p) {
		p.Move(Pointf(-100, 10));
		for(int i = 0; i < 2000; i++) // each would flatten into tens of thousands of lines
			p.Cubic(Pointf(-1e9, -1e9), Pointf(-1e9, 1e9), Pointf(-100, i & 1 ? 40 : 10));
		p.Line(Pointf(40, 40)).Line(Pointf(40, 10)).Close().Fill(Red);
	};
	auto plain = [](BufferPainter& p) {
		p.Move(Pointf(-100, 10)).Line(Pointf(-100, 40)).Line(Pointf(40, 40)).Line(Pointf(40, 10)).Close().Fill(Red);
	};
	for(bool co : {false, true}) {
		Image a = Paint(64, 64, [&](BufferPainter& p) { p.Co(co); offscreen(p); });
		Image b = Paint(64, 64, [&](BufferPainter& p) { p.Co(co); plain(p); });
		EXPECT_EQ(Picture(a), Picture(b)) << co;
	}

	Image arc = Paint(64, 64, [](BufferPainter& p) {
		p.Move(Pointf(52, 32)).Arc(Pointf(32, 32), Pointf(20, 20), 0, 1e300).Fill(Red);
	});
	EXPECT_TRUE(Same(arc[32][32], Red));

	Image wide = Paint(64, 64, [](BufferPainter& p) {
		p.Move(Pointf(0, 0));
		for(int i = 0; i < 300; i++)
			p.Line(Pointf(i & 1 ? 60 : 4, 2 + i * 0.2));
		p.LineJoin(LINEJOIN_ROUND).LineCap(LINECAP_ROUND).Stroke(1e12, Blue);
	});
	EXPECT_TRUE(Same(wide[10][10], Blue));
}

// A stroke partly outside the picture paints there what it paints in a larger picture that holds
// it whole: random polylines with curves, dashed or solid, under rotations, shears and mirrors,
// with and without pre-clip, and in co mode the same bytes. The rasteriser cuts an edge at the
// border and rounds the cut anew, so an edge that crosses it may lie a 256th of a pixel off the
// same edge uncut: a pixel may be off by 2 of 255; what is culled wrongly shows far more.
TEST(BufferPainter, StrokePartlyOutsidePaintsWhatItPaintsWhole)
{
	std::mt19937 rng(11);
	auto u = [&](double a, double b) { return a + (b - a) * (rng() % 1000001) / 1e6; };
	auto pt = [&](Pointf c, double r) { double x = u(c.x - r, c.x + r); return Pointf(x, u(c.y - r, c.y + r)); };
	const int S = 200, K = 330; // the small picture lies at (K, K) in the large one
	for(int i = 0; i < 40; i++) {
		Pointf sc = pt(Pointf(1.25, 1.25), 0.75);
		Xform2D m = Xform2D::Scale(sc.x, sc.y) * Xform2D::Rotation(u(0, 2 * M_PI));
		if(i % 2)
			m = m * Xform2D::Shear(u(-1, 1));
		if(i % 4 < 2)
			m = m * Xform2D::Scale(-1, 1);
		Pointf t = pt(Pointf(0, 0), 20);
		m = m * Xform2D::Translation(t.x, t.y);
		Xform2D inv = Inverse(m);
		double scale = m.GetScale();
		// Picked in pixels: across the picture and far out, or round a point by its border. The
		// ends and controls of a curve lie by the last line's end: some curves lie wholly outside.
		bool near = i % 3 == 0;
		double along = u(0, S);
		Pointf at = pt(Pointf(along, rng() % 2 * S), 15);
		if(rng() % 2)
			at = Pointf(at.y, at.x);
		auto point = [&] { return near ? pt(at, 25) : pt(Pointf(100, 100), 240); };
		Pointf line = point(), from = inv.Transform(line);
		std::vector<std::vector<Pointf>> path; // a line's end, or a cubic's end and two controls
		for(int k = 1 + rng() % 6; k > 0; k--) {
			bool curve = rng() % 3 == 0;
			if(!curve)
				line = point();
			Pointf e = curve ? pt(line, 50) : line;
			path.emplace_back(1, inv.Transform(e));
			if(curve)
				for(int c = 0; c < 2; c++)
					path.back().push_back(inv.Transform(pt(e, 50)));
		}
		Vector<double> dash;
		for(int k = rng() % 4 ? 1 + rng() % 4 : 0; k > 0; k--)
			dash.Add(u(0.5, 25) / scale);
		double start = u(-20, 20) / scale, width = u(0.5, 8) / scale, miter = u(-2, 6);
		int cap = rng() % 3, join = LINEJOIN_MITER + rng() % 3;
		auto paint = [&](int size, int off, bool pre, bool co) {
			return Paint(size, size, [&](BufferPainter& p) {
				p.PreClip(pre).Co(co);
				p.Translate(off, off).Transform(m);
				p.Dash(dash, start).LineCap(cap).LineJoin(join).MiterLimit(miter);
				p.Move(from);
				for(const std::vector<Pointf>& e : path) {
					if(e.size() == 3)
						p.Cubic(e[1], e[2], e[0]);
					else
						p.Line(e[0]);
				}
				p.Stroke(width, Black);
			});
		};
		Image whole = paint(S + 2 * K, K, false, false);
		for(bool pre : {false, true}) {
			Image part = paint(S, 0, pre, false);
			int worst = 0, wrong = 0;
			for(int y = 0; y < S; y++)
				for(int x = 0; x < S; x++) {
					int d = std::abs(part[y][x].a - whole[y + K][x + K].a);
					worst = std::max(worst, d);
					wrong += d > 2;
				}
			EXPECT_LE(worst, 2) << "case " << i << (pre ? " pre-clipped: " : ": ") << wrong << " pixels off";
			if(pre) {
				EXPECT_EQ(ImageHash(part), ImageHash(paint(S, 0, true, true))) << "case " << i;
			}
		}
	}
}

// Pre-clip culls by the whole path, also when switched on while the path is open, and by the
// reach of its caps when the miter limit is below one.
TEST(BufferPainter, PreClipCullsOnlyWhatCannotShow)
{
	auto scene = [](bool pre, double miter) {
		return Paint(20, 20, [=](BufferPainter& p) {
			p.MiterLimit(miter).LineCap(LINECAP_SQUARE).Move(2, 1).Line(18, 1);
			p.PreClip(pre);
			p.Line(60, 1).Stroke(4, Black);
		});
	};
	for(double miter : {4.0, -3.0})
		EXPECT_EQ(ImageHash(scene(true, miter)), ImageHash(scene(false, miter))) << miter;
}
