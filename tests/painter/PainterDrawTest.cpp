// The Draw operations on a painter, checked against the same shapes built as plain paths.
#include "RecordingPainter.h"

#include <draw/imageops/ImageOp.h>

#include <gtest/gtest.h>

#include <cmath>

using namespace Qel;
using QelTest::RecordingPainter;

using Calls = std::vector<std::string>;

namespace {

const Color Red(255, 0, 0);

// The expected calls, built through the plain path interface of another recorder.
template <class F>
Calls sPath(F build)
{
	RecordingPainter p;
	build(p);
	return p.calls;
}

void sRect(Painter& p, double l, double t, double r, double b)
{
	p.Move(l, t).Line(r, t).Line(r, b).Line(l, b).Close();
}

Calls sPen(const char* dash, double width, Color c = Red)
{
	Calls r = {"Begin", "LineCap2"};
	if(dash) {
		RecordingPainter d;
		d.Dash(dash);
		r.push_back(d.calls[0]);
	}
	r.push_back("Stroke" + RecordingPainter::N(width) + RecordingPainter::C(c.ToRGBA()));
	r.push_back("End");
	return r;
}

// Keeps the images of image fills.
struct ImagePainter_ : RecordingPainter {
	std::vector<Image> images;
	void FillOp(const Image& img, const Xform2D& m, dword f) override
	{
		RecordingPainter::FillOp(img, m, f);
		images.push_back(img);
	}
	using RecordingPainter::FillOp;
};

Calls operator+(Calls a, const Calls& b)
{
	a.insert(a.end(), b.begin(), b.end());
	return a;
}

} // namespace

TEST(PainterDraw, PenWidthsAndStyles)
{
	struct Case { int width; const char* dash; double stroke; };
	const Case cases[] = {
		{0, nullptr, 1}, {-1, nullptr, 0}, {-2, nullptr, 1}, {-3, "18 6", 1}, {-4, "3 3", 1},
		{-5, "9 6 3 6", 1}, {-6, "9 3 3 3 3 3", 1}, {7, nullptr, 7},
	};
	for(const Case& c : cases) {
		RecordingPainter p;
		p.DrawLineOp(1, 2, 3, 4, c.width, Red);
		EXPECT_EQ(p.calls, Calls({"Move(1,2)", "Line(3,4)"}) + sPen(c.dash, c.stroke)) << c.width;
	}
	// No pen: the path is built, nothing is stroked.
	for(Color c : {Red, Color()}) {
		RecordingPainter p;
		p.DrawLineOp(1, 2, 3, 4, c.IsNull() ? 1 : INT_NULL, c);
		EXPECT_EQ(p.calls, Calls({"Move(1,2)", "Line(3,4)"}));
	}
}

TEST(PainterDraw, DashedPenDoesNotLeak)
{
	// The dash sits inside the pen's own attribute level; a following stroke is solid.
	RecordingPainter p;
	p.DrawLineOp(0, 0, 10, 0, -3, Red);
	p.DrawLineOp(0, 0, 10, 0, 2, Red);
	int begins = 0;
	for(const std::string& s : p.calls) {
		begins += s == "Begin";
		begins -= s == "End";
		if(s.rfind("Dash", 0) == 0) {
			EXPECT_EQ(begins, 1);
		}
	}
	EXPECT_EQ(begins, 0);
	EXPECT_EQ(p.calls.size(), 2 + 5 + 2 + 4u);
}

TEST(PainterDraw, RectanglesAndInvert)
{
	RecordingPainter p;
	p.DrawRectOp(1, 2, 10, 20, Red);
	EXPECT_EQ(p.calls, sPath([](Painter& q) { sRect(q, 1, 2, 11, 22); q.Fill(Red); }));
	p.calls.clear();
	p.DrawRectOp(1, 2, 10, 20, Color::FromRaw(0x800000FF));
	EXPECT_EQ(p.calls, sPath([](Painter& q) {
		sRect(q, 1, 2, 11, 22);
		q.Invert().Fill(Color::FromRaw(0x800000FF));
	}));
}

TEST(PainterDraw, OffsetAndClips)
{
	RecordingPainter p;
	EXPECT_EQ(p.GetInfo(), 1u);
	EXPECT_TRUE(p.IsPaintingOp(Rect(0, 0, 1, 1)));
	p.OffsetOp(Point(3, 4));
	EXPECT_TRUE(p.ClipOp(Rect(1, 2, 5, 6)));
	EXPECT_TRUE(p.ClipoffOp(Rect(1, 2, 5, 6)));
	EXPECT_TRUE(p.IntersectClipOp(Rect(1, 2, 5, 6)));
	EXPECT_EQ(p.calls, sPath([](Painter& q) {
		q.Begin().Translate(3, 4);
		q.Begin();
		sRect(q, 1, 2, 5, 6);
		q.Clip();
		q.Begin();
		sRect(q, 1, 2, 5, 6);
		q.Clip().Translate(1, 2);
		sRect(q, 1, 2, 5, 6);
		q.Clip();
	}));
}

TEST(PainterDraw, ExcludeClipIsTheOutside)
{
	RecordingPainter p;
	p.ExcludeClipOp(Rect(10, 20, 30, 40));
	const double m = 99999;
	EXPECT_EQ(p.calls, sPath([&](Painter& q) {
		sRect(q, -m, -m, m, 20);
		q.Move(-m, 20).Line(10, 20).Line(10, m).Line(-m, m).Close();
		q.Move(30, 20).Line(m, 20).Line(m, m).Line(30, m).Close();
		sRect(q, 10, 40, 30, m);
		q.Clip();
	}));
}

TEST(PainterDraw, EllipseFillsEvenWithoutPen)
{
	RecordingPainter p;
	p.DrawEllipseOp(Rect(0, 0, 20, 10), Red, INT_NULL, Color(0, 0, 0));
	Calls shape = sPath([](Painter& q) { q.Ellipse(10, 5, 10, 5); });
	EXPECT_EQ(p.calls, shape + Calls{"Fill#255.0.0.255"});
	p.calls.clear();
	p.DrawEllipseOp(Rect(0, 0, 20, 10), Color(), 0, Red);
	EXPECT_EQ(p.calls, shape + Calls{"Fill#0.0.0.0"} + sPen(nullptr, 1));
}

TEST(PainterDraw, Arcs)
{
	RecordingPainter p;
	p.DrawArcOp(Rect(0, 0, 20, 10), Point(20, 5), Point(10, 0), 1, Red);
	// From the right-hand end a quarter turn on, upwards on screen: a sweep of -pi/2.
	EXPECT_EQ(p.calls, Calls({"Move(20,5)", "Arc(10,5)(10,5)0,-1.5708"}) + sPen(nullptr, 1));
	p.calls.clear();
	p.DrawArcOp(Rect(0, 0, 20, 10), Point(20, 5), Point(40, 5), 1, Red);
	EXPECT_EQ(p.calls[1], "Arc(10,5)(10,5)0,-6.28319"); // same angle: the whole ellipse
	p.calls.clear();
	p.DrawArcOp(Rect(0, 0, 0, 10), Point(20, 5), Point(40, 5), 1, Red);
	p.DrawArcOp(Rect(0, 10, 20, 10), Point(20, 5), Point(40, 5), 1, Red);
	EXPECT_TRUE(p.calls.empty());
}

TEST(PainterDraw, ImagePartScaledOntoTarget)
{
	ImageBuffer ib(40, 40);
	for(int i = 0; i < 1600; i++) {
		ib.Begin()[i] = RGBA{0, 0, 0, 255};
		ib.Begin()[i].b = byte(i);
	}
	Image img(std::move(ib));
	// the part alone, its edges padded, scaled onto the target
	ImagePainter_ p;
	p.DrawImageOp(0, 0, 100, 100, img, Rect(10, 10, 20, 20), Color());
	EXPECT_EQ(p.calls, sPath([&](Painter& q) {
		sRect(q, 0, 0, 100, 100);
		q.Fill(Crop(img, Rect(10, 10, 20, 20)), Xform2D::Scale(10, 10), FILL_PAD);
	}));
	ASSERT_EQ(p.images.size(), 1u);
	EXPECT_EQ(p.images[0].GetSize(), Size(10, 10));
	EXPECT_EQ(p.images[0][0][0].b, byte(410));
	EXPECT_EQ(p.images[0][9][9].b, byte(779));
	// the whole image goes as it is
	p.calls.clear();
	p.DrawImageOp(5, 6, 20, 80, img, Rect(0, 0, 40, 40), Color());
	ASSERT_EQ(p.images.size(), 2u);
	EXPECT_TRUE(p.images[1].IsSame(img));
	EXPECT_EQ(p.calls.back(), "FillImage40[(0.5,0)(0,2)(5,6)]5");
	p.calls.clear();
	p.DrawImageOp(0, 0, 100, 100, img, Rect(10, 10, 10, 20), Color());
	p.DrawImageOp(0, 0, 100, 100, img, Rect(10, 10, 20, 10), Color());
	EXPECT_TRUE(p.calls.empty());
}

TEST(PainterDraw, ImageWithAColourIsItsMask)
{
	ImageBuffer ib(2, 1);
	ib[0][0] = RGBA{10, 20, 30, 255};
	ib[0][1] = RGBA{0, 0, 0, 0};
	Image img(std::move(ib));
	ImagePainter_ p;
	p.DrawImageOp(5, 6, 2, 1, img, Rect(0, 0, 2, 1), Red);
	p.DrawImageOp(5, 6, 2, 1, img, Rect(0, 0, 2, 1), Color());
	ASSERT_EQ(p.images.size(), 2u);
	EXPECT_EQ(p.calls[5], "FillImage2[(1,0)(0,1)(5,6)]5");
	const RGBA* c = p.images[0].Begin();
	EXPECT_TRUE(c[0] == Red.ToRGBA());
	EXPECT_EQ(c[1].a, 0);
	EXPECT_TRUE(p.images[1].Begin()[0] == (RGBA{10, 20, 30, 255})); // no colour: the image itself
}

TEST(PainterDraw, PolygonsFillThenOutline)
{
	const Point v[] = { {0, 0}, {10, 0}, {10, 10}, {2, 2}, {4, 2}, {4, 4}, {20, 20}, {30, 20}, {30, 30} };
	const int sub[] = { 3, 3, 3 };
	const int dis[] = { 6, 3 };
	RecordingPainter p;
	p.DrawPolyPolyPolygonOp(v, 9, sub, 3, dis, 2, Red, 2, Color(0, 0, 0), 0, Color());
	EXPECT_EQ(p.calls, sPath([&](Painter& q) {
		q.Move(0, 0).Line(10, 0).Line(10, 10).Close();
		q.Move(2, 2).Line(4, 2).Line(4, 4).Close();
		q.Fill(Red);
		StrokePen(q, 2, Color(0, 0, 0));
		q.Move(20, 20).Line(30, 20).Line(30, 30).Close();
		q.Fill(Red);
		StrokePen(q, 2, Color(0, 0, 0));
	}));
}

TEST(PainterDraw, PolygonPatterns)
{
	const Point v[] = { {0, 0}, {10, 0}, {10, 10} };
	const int n = 3;
	struct Case { uint64 pattern; Color color; const char* fill; };
	const Case cases[] = {
		{0, Red, "Fill#255.0.0.255"},
		{~uint64(0), Red, "FillImage8[(1,0)(0,1)(0,0)]10"},
		{0x5555, Red, "FillImage8[(1,0)(0,1)(0,0)]10"},
		{0x5555, Color(), nullptr},
	};
	for(const Case& c : cases) {
		ImagePainter_ p;
		p.DrawPolyPolyPolygonOp(v, 3, &n, 1, &n, 1, c.color, 1, Color(), c.pattern, Color());
		Calls want = {"Move(0,0)", "Line(10,0)", "Line(10,10)", "Close"};
		if(c.fill)
			want.push_back(c.fill);
		EXPECT_EQ(p.calls, want) << c.pattern;
		// Set bits are holes, row by row from the top left; the rest is the opaque colour.
		for(const Image& m : p.images) {
			ASSERT_EQ(m.GetWidth(), 8);
			ASSERT_EQ(m.GetHeight(), 8);
			for(int i = 0; i < 64; i++) {
				RGBA x = m.Begin()[i];
				if((c.pattern >> i) & 1)
					EXPECT_EQ(x.a, 0) << i;
				else
					EXPECT_TRUE(x == c.color.ToRGBA()) << i;
			}
		}
	}
}

TEST(PainterDraw, RecordedCountsNeverReadPastTheVertices)
{
	const Point v[] = { {0, 0}, {1, 0}, {1, 1}, {0, 1}, {5, 5} };
	{
		// Non-positive counts are skipped; a count beyond what is left stops the drawing.
		const int counts[] = { 2, 0, -4, 2, 3, 1 };
		RecordingPainter p;
		p.DrawPolyPolylineOp(v, 5, counts, 6, INT_NULL, Red, Color());
		EXPECT_EQ(p.calls, Calls({"Move(0,0)", "Line(1,0)", "Move(1,1)", "Line(0,1)"}));
	}
	{
		const int sub[] = { 3, -1, 0, 7 };
		const int dis[] = { 3, -2, 1 };
		RecordingPainter p;
		p.DrawPolyPolyPolygonOp(v, 4, sub, 4, dis, 3, Red, 0, Color(), 0, Color());
		EXPECT_EQ(p.calls, Calls({"Move(0,0)", "Line(1,0)", "Line(1,1)", "Close", "Fill#255.0.0.255",
		                          "Fill#255.0.0.255"}));
	}
	{
		const int sub[] = { 3, 3 };
		const int dis[] = { 6 };
		RecordingPainter p;
		p.DrawPolyPolyPolygonOp(v, 5, sub, 2, dis, 1, Red, 0, Color(), 0, Color());
		EXPECT_TRUE(p.calls.empty()); // the polygon itself claims more than there is
		p.DrawPolyPolyPolygonOp(v, 5, sub, 2, dis + 1, 0, Red, 0, Color(), 0, Color());
		p.DrawPolyPolylineOp(v, 5, nullptr, 3, 0, Red, Color());
		EXPECT_TRUE(p.calls.empty());
	}
}

TEST(PainterDraw, TextGoesThroughTextOp)
{
	const wchar text[] = { 'A', 'b', 0 };
	const int dx[] = { 7, 9 };
	RecordingPainter p;
	p.DrawTextOp(10, 20, 900, text, StdFont(), Red, -1, dx);
	ASSERT_EQ(p.calls.size(), 10u);
	EXPECT_EQ(p.calls[0], "Begin");
	EXPECT_EQ(p.calls[1], "EvenOdd1");
	EXPECT_EQ(p.calls[2], "Transform[(1,0)(0,1)(10,20)]");
	// A quarter turn against the clock on screen (y down): x goes up.
	Xform2D r = Xform2D::Rotation(-M_PI / 2);
	Pointf x = r.Transform(Pointf(1, 0));
	EXPECT_NEAR(x.x, 0, 1e-12);
	EXPECT_NEAR(x.y, -1, 1e-12);
	EXPECT_EQ(p.calls[3], "Transform" + RecordingPainter::M(r));
	EXPECT_EQ(Calls(p.calls.begin() + 4, p.calls.end()),
	          Calls({"Character(0,0)65", "Div", "Character(7,0)98", "Div", "Fill#255.0.0.255", "End"}));
	p.calls.clear();
	p.DrawTextOp(10, 20, 0, text, StdFont(), Red, 0, nullptr);
	EXPECT_EQ(p.calls, Calls({"Begin", "EvenOdd1", "Transform[(1,0)(0,1)(10,20)]", "Move(0,0)",
	                          "Fill#255.0.0.255", "End"}));
}

TEST(PainterDraw, NilPainterTakesEverything)
{
	NilPainter n;
	Draw& d = n;
	const Point v[] = { {0, 0}, {1, 0} };
	const int c = 2;
	d.OffsetOp(Point(1, 1));
	d.DrawRectOp(0, 0, 5, 5, Red);
	d.DrawPolyPolylineOp(v, 2, &c, 1, -3, Red, Color());
	d.DrawEllipseOp(Rect(0, 0, 4, 4), Red, 1, Red);
	d.EndOp();
	EXPECT_EQ(d.GetInfo(), 1u);
	EXPECT_TRUE(d.IsPaintingOp(Rect(0, 0, 1, 1)));
}
