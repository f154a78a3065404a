// The painter's hooks into the Draw side, and Paintings played onto BufferPainter.
#include "../draw/RecordingDraw.h"
#include "TestPixels.h"

#include <painter/Painter.h>
#include <draw/canvas/ImageAnyDraw.h>
#include <draw/record/DrawingDraw.h>

#include <gtest/gtest.h>

#include <random>
#include <thread>
#include <vector>

using namespace Qel;
using QelTest::Rgba;
using QelTest::RandomImage;

// The font module reads the system's fontconfig set while the program starts, and fontconfig
// loses a block reading some system configurations; that is not ours to find.
extern "C" const char* __lsan_default_suppressions()
{
	return "leak:libfontconfig.so\n";
}

namespace {

const RGBA sRed = Rgba(255, 0, 0, 255), sBlue = Rgba(0, 0, 255, 255);

// A recording Draw that also keeps the images it is given.
struct ImageKeeper : QelTest::RecordingDraw {
	std::vector<std::pair<Rect, Image>> images;
	void DrawImageOp(int x, int y, int cx, int cy, const Image& img, const Rect& src, Color color) override
	{
		images.push_back({Rect(x, y, x + cx, y + cy), img});
		RecordingDraw::DrawImageOp(x, y, cx, cy, img, src, color);
	}
};

// 100 x 50: the upper half red, the lower half blue.
Painting sTwoHalves()
{
	PaintingPainter pp(100, 50);
	pp.RectPath(0, 0, 100, 25);
	pp.Fill(sRed);
	pp.RectPath(0, 25, 100, 25);
	pp.Fill(sBlue);
	return pp;
}

} // namespace

TEST(PainterHooks, InstalledOnceAtStart)
{
	EXPECT_EQ(GetPaintingRenderHook(), &PaintPaintingBand);
	EXPECT_EQ(GetDrawingRenderHook(), &PaintDrawingImage);
	EXPECT_EQ(GetPaintingImageHook(), &PaintCharacterImage);
	EXPECT_TRUE(ImageAnyDraw::IsAvailable());
	// later calls, from any thread, leave what is registered alone
	RegisterPaintingRenderer(nullptr, nullptr, nullptr);
	std::vector<std::thread> t;
	for(int i = 0; i < 4; i++)
		t.emplace_back([] { InitPainterDrawHooks(); });
	for(auto& th : t)
		th.join();
	EXPECT_EQ(GetPaintingRenderHook(), nullptr);
	RegisterPaintingRenderer(PaintPaintingBand, PaintDrawingImage, PaintCharacterImage);
}

TEST(PainterHooks, PaintingBand)
{
	// the lower half of a 100 x 50 painting, drawn at 200 x 100, is the band at (0, 50)
	ImageBuffer ib(200, 50);
	PaintPaintingBand(ib, sTwoHalves(), Size(200, 100), Point(0, 50), RENDER_AA);
	for(const RGBA& c : ib)
		ASSERT_EQ(c, sBlue);
	ImageBuffer top(200, 60);
	PaintPaintingBand(top, sTwoHalves(), Size(200, 100), Point(0, 0), RENDER_AA);
	EXPECT_EQ(top[49][100], sRed);
	EXPECT_EQ(top[50][100], sBlue);
	// a painting without a size draws nothing
	Painting p = sTwoHalves();
	p.size = Sizef(0, 50);
	ImageBuffer none(10, 10);
	PaintPaintingBand(none, p, Size(10, 10), Point(0, 0), RENDER_AA);
	for(const RGBA& c : none)
		ASSERT_EQ(c, Rgba(0, 0, 0, 0));
}

// A painting whose corners lie farther apart than int reaches, its middle on the target.
TEST(PainterHooks, PaintingsWiderThanInt)
{
	PaintingPainter pp(100, 50); // the left half red, the right half blue
	pp.RectPath(0, 0, 50, 50);
	pp.Fill(sRed);
	pp.RectPath(50, 0, 50, 50);
	pp.Fill(sBlue);
	ImagePainter ip(64, 50);
	ip.DrawPaintingOp(Rect(INT_MIN + 82, 0, INT_MAX - 18, 50), pp); // the halves part at x = 31.5
	Image m = ip;
	for(int y : { 0, 49 }) {
		EXPECT_EQ(m[y][30], sRed) << y;
		EXPECT_EQ(m[y][33], sBlue) << y;
	}
}

TEST(PainterHooks, PaintingValueOnAnyDraw)
{
	// through a Value and the Draw default: the painting comes back as an image of the rectangle
	Value v = sTwoHalves();
	ImageKeeper w;
	w.DrawPaintingOp(Rect(10, 20, 210, 120), Painting(v));
	ASSERT_EQ(w.images.size(), 1u);
	EXPECT_EQ(w.images[0].first, Rect(10, 20, 210, 120));
	const Image& m = w.images[0].second;
	ASSERT_EQ(m.GetSize(), Size(200, 100));
	EXPECT_EQ(m[10][10], sRed);
	EXPECT_EQ(m[49][199], sRed);
	EXPECT_EQ(m[50][0], sBlue);
	EXPECT_EQ(m[99][150], sBlue);
	// on a painter the record plays directly, scaled the same way
	ImagePainter ip(220, 130);
	ip.DrawPaintingOp(Rect(10, 20, 210, 120), Painting(v));
	Image pm = ip;
	for(int y = 0; y < 100; y++)
		for(int x = 0; x < 200; x++)
			ASSERT_EQ(pm[y + 20][x + 10], m[y][x]) << x << " " << y;
}

TEST(PainterHooks, DrawingAndImageTargets)
{
	DrawingDraw dd(50, 40);
	dd.DrawRect(10, 10, 20, 10, Color(0, 255, 0));
	Drawing d = dd;
	ImageBuffer ib(100, 80);
	PaintDrawingImage(ib, d, RENDER_AA);
	EXPECT_EQ(ib[25][30], Rgba(0, 255, 0, 255));
	EXPECT_EQ(ib[19][30], Rgba(0, 0, 0, 0));
	EXPECT_EQ(ib[39][59], Rgba(0, 255, 0, 255));
	EXPECT_EQ(ib[39][60], Rgba(0, 0, 0, 0));
	EXPECT_EQ(ib[40][59], Rgba(0, 0, 0, 0));

	// ImageAnyDraw paints through an ImagePainter
	Image m;
	{
		ImageAnyDraw w(30, 20);
		w.DrawRect(5, 5, 10, 10, Color(255, 0, 0));
		m = w;
	}
	ASSERT_EQ(m.GetSize(), Size(30, 20));
	EXPECT_EQ(m[7][7], sRed);
	EXPECT_EQ(m[2][2], Rgba(0, 0, 0, 0));

	// the extractor gives nothing for a Draw of another kind
	QelTest::RecordingDraw other;
	EXPECT_TRUE(ExtractPainterImage(other).IsEmpty());
	Draw* made = CreateImagePainterDraw(Size(4, 3));
	made->DrawRect(0, 0, 4, 3, Color(0, 0, 255));
	Image e = ExtractPainterImage(*made);
	delete made;
	ASSERT_EQ(e.GetSize(), Size(4, 3));
	EXPECT_EQ(e[2][3], sBlue);
}

// Recorded polygons play back like any other record, and what follows them too.
TEST(PainterHooks, RecordedPolygonsPlayBack)
{
	DrawingDraw dd(100, 100);
	dd.DrawPolygon(Vector<Point>{ Point(10, 10), Point(50, 10), Point(10, 50) }, Color(255, 0, 0));
	dd.DrawPolygon(Vector<Point>{ Point(60, 60), Point(90, 60), Point(90, 90), Point(60, 90) }, Color(0, 0, 255));
	dd.DrawRect(0, 95, 100, 5, Color(0, 255, 0));
	Drawing d = dd;
	for(int scale : { 1, 2 }) {
		ImagePainter ip(100 * scale, 100 * scale);
		ip.DrawDrawing(0, 0, 100 * scale, 100 * scale, d);
		Image m = ip;
		auto at = [&](int x, int y) { return m[y * scale][x * scale]; };
		EXPECT_EQ(at(15, 15), sRed) << scale;
		EXPECT_EQ(at(45, 45).a, 0) << scale << ": beyond the hypotenuse";
		EXPECT_EQ(at(75, 75), sBlue) << scale;
		EXPECT_EQ(at(50, 97), Rgba(0, 255, 0, 255)) << scale << ": the record after them";
	}
}

TEST(PainterHooks, CharacterImageIsNotDarkened)
{
	Image m = PaintCharacterImage(2, 2, 0, 'W', Font(2, 30), Color(255, 255, 255), Size(40, 40));
	ASSERT_EQ(m.GetSize(), Size(40, 40));
	int edges = 0, ink = 0;
	for(const RGBA& c : m) {
		// white ink, premultiplied once: every channel equals the alpha
		ASSERT_EQ(c.r, c.a);
		ASSERT_EQ(c.b, c.a);
		ink += c.a > 0;
		edges += c.a > 0 && c.a < 255;
	}
	if(!ink)
		GTEST_SKIP() << "no font with a W";
	EXPECT_GT(edges, 0);
	// turned by 90 degrees the character lies on its side, still fully inside
	Image r = PaintCharacterImage(2, 38, 900, 'W', Font(2, 30), Color(255, 255, 255), Size(40, 40));
	int rink = 0;
	for(const RGBA& c : r)
		rink += c.a > 0;
	EXPECT_NEAR(rink, ink, ink / 5);
}

namespace {

// A scene with every kind of fill, stroke, clip, mask and attribute.
void sScene(Painter& p, const Image& img)
{
	p.ClearOp(Rgba(10, 10, 10, 255));
	p.Begin();
	p.ColorStopOp(0.3, Rgba(0, 200, 0, 255));
	p.RectPath(5, 5, 60, 40);
	p.Fill(Pointf(5, 5), sRed, Pointf(65, 45), sBlue, 1);
	p.Circle(100, 30, 25);
	p.Fill(Pointf(90, 20), Rgba(255, 255, 255, 255), Pointf(100, 30), 25, sBlue, 2);
	p.End();
	p.Begin();
	p.Circle(60, 90, 40).Clip();
	p.RectPath(0, 50, 130, 80);
	p.Fill(img, Xform2D::Scale(1.7, 1.7) * Xform2D::Rotation(0.4), FILL_REFLECT);
	p.End();
	p.Move(10, 140).Line(120, 100).Cubic(Pointf(130, 120), Pointf(100, 150), Pointf(80, 130));
	p.Dash(Vector<double>{6, 3}, 1);
	p.LineCap(LINECAP_ROUND).LineJoin(LINEJOIN_ROUND);
	p.Stroke(4, Rgba(0, 0, 0, 0), Rgba(255, 200, 0, 255), Xform2D::Scale(60, 60) * Xform2D::Translation(60, 120), 0);
	p.Begin();
	p.BeginMask();
	p.RectPath(0, 0, 130, 75).Fill(Rgba(128, 128, 128, 255));
	p.End();
	p.Opacity(0.6);
	p.EvenOdd();
	p.Ellipse(65, 40, 60, 30).Ellipse(65, 40, 30, 15);
	p.Fill(Pointf(0.2, 0), Rgba(255, 0, 255, 255), Rgba(0, 255, 255, 255),
	       Xform2D::Scale(60, 30) * Xform2D::Translation(65, 40), 0);
	p.End();
	p.ImageFilter(FILTER_LANCZOS3);
	p.Move(5, 5).Line(125, 5).Line(125, 155);
	p.Stroke(3, img, Xform2D::Scale(0.4, 0.4), FILL_REPEAT);
	p.Move(0, 150).Line(130, 150);
	p.Stroke(2, Pointf(0, 150), sRed, Pointf(0, 150), 130, sBlue, 0);
	p.Move(0, 155).Line(130, 155);
	p.Stroke(2, Pointf(0, 0), sBlue, Pointf(130, 0), sRed, 2);
	p.Move(0, 158).Line(130, 158);
	p.Stroke(2, sRed, sBlue, Xform2D::Scale(30, 30), 1);
	p.Move(0, 40).Line(130, 60);
	p.Stroke(1, Rgba(255, 255, 255, 255));
	p.Invert();
	p.RectPath(100, 100, 20, 20).Fill(Rgba(255, 255, 255, 255));
}

} // namespace

TEST(PainterHooks, RecordedPaintingGivesTheSamePixels)
{
	Image img = RandomImage(40, 30, 12);
	ImagePainter direct(130, 160);
	sScene(direct, img);
	Image a = direct;

	PaintingPainter rec(130, 160);
	sScene(rec, img);
	Painting p = rec;
	// and through the stored form as a Value
	Painting q = Painting(Value(p));
	ImagePainter played(130, 160);
	PlayPainting(played, q);
	Image b = played;
	ASSERT_EQ(a.GetSize(), b.GetSize());
	int diff = 0;
	for(int i = 0; i < a.GetLength(); i++)
		diff += !(a.Begin()[i] == b.Begin()[i]);
	EXPECT_EQ(diff, 0);
	// something was painted with each kind
	EXPECT_NE(a[20][20], Rgba(10, 10, 10, 255));
	EXPECT_NE(a[90][60], Rgba(10, 10, 10, 255));
}
