// Pages rendered by a PDF viewer look like the same drawing on the painter.
#include "PdfTools.h"

#include <draw/record/DrawingDraw.h>

#include <gtest/gtest.h>

using namespace Qel;
using namespace QelTest;

namespace {

const Color Black(0, 0, 0), Red(220, 0, 0), Green(0, 160, 0), Blue(0, 0, 230);

void Shapes(Draw& w)
{
	w.DrawRect(50, 50, 400, 200, Color(255, 200, 0));
	w.DrawRect(300, 100, 300, 100, Color::FromRaw(0x800000FF)); // inverts
	int pens[] = { 0, 6, -2, -3, -4, -5, -6, -1 };
	for(int i = 0; i < 8; i++)
		w.DrawLineOp(50, 300 + 30 * i, 650, 320 + 30 * i, pens[i], Blue);
	w.DrawLineOp(700, 50, 700, 550, 25, Red);
	Point zig[] = { Point(750, 50), Point(850, 250), Point(950, 50), Point(1050, 250), Point(750, 300), Point(1050, 300) };
	int zc[] = { 4, 2 };
	w.DrawPolyPolylineOp(zig, 6, zc, 2, 9, Green, Color());
	w.DrawPolygon(Vector<Point>{ Point(50, 600), Point(450, 600), Point(250, 900) }, Red, 8, Black);
	w.DrawPolygon(Vector<Point>{ Point(500, 600), Point(900, 600), Point(900, 900), Point(500, 900) }, Blue, 0,
	              Color(), 0x0F0F0F0FF0F0F0F0ull);
	// two disjunct polygons, the first with a hole of the other winding
	Point v[] = { Point(1000, 600), Point(1400, 600), Point(1400, 900), Point(1000, 900),
	              Point(1100, 700), Point(1100, 800), Point(1300, 800), Point(1300, 700),
	              Point(1450, 600), Point(1600, 900), Point(1450, 900) };
	int sub[] = { 4, 4, 3 }, dis[] = { 8, 3 };
	w.DrawPolyPolyPolygonOp(v, 11, sub, 3, dis, 2, Green, 3, Black, 0, Color());
	w.DrawEllipse(Rect(1100, 50, 1500, 300), Color(200, 200, 255), 12, Blue);
	w.DrawEllipse(Rect(1550, 50, 1700, 300), Color(), -3, Black);
	w.DrawArcOp(Rect(1750, 50, 2050, 350), Point(2050, 200), Point(1900, 50), 10, Red);
	w.DrawArcOp(Rect(2100, 50, 2350, 300), Point(2100, 175), Point(2100, 175), 4, Black);
}

void Clips(Draw& w)
{
	w.Offset(100, 1000);
	w.DrawRect(0, 0, 300, 300, Color(230, 230, 230));
	w.ClipOp(Rect(20, 20, 220, 220));
	w.ExcludeClip(80, 80, 60, 60);
	w.DrawEllipse(Rect(0, 0, 300, 300), Red);
	w.EndOp();
	w.ClipOff(350, 0, 300, 300);
	w.IntersectClipOp(Rect(50, 50, 350, 200));
	w.DrawRect(0, 0, 300, 300, Blue);
	w.EndOp();
	w.EndOp();
}

void Images(Draw& w)
{
	Image m = TestImage(60, 40);
	w.DrawImage(800, 1000, m);
	w.DrawImage(900, 1000, 300, 200, m);
	w.DrawImage(1250, 1000, m, Green);
	w.DrawImageOp(1350, 1000, 200, 200, m, Rect(30, 0, 60, 40), Color());
}

void Texts(Draw& w)
{
	Font sans(Font::SANSSERIF, 70), serif(Font::SERIF, 90);
	w.DrawText(100, 1350, "Kůň úpěl: ŽÝÁ ξψω ЖЩЯ", sans, Black);
	w.DrawText(100, 1450, "Bold serif, underlined", Font(serif).Bold().Underline(), Blue);
	w.DrawText(1300, 1350, "struck out", Font(sans).Strikeout(), Red);
	int dx[] = { 60, 80, 100, 120, 140 };
	w.DrawText(1300, 1450, "wider", sans, Black, 5, dx);
	w.DrawText(2000, 1750, 900, WString("upwards"), sans, Green);
	w.DrawText(1600, 1750, 300, WString("turned"), serif, Black);
	// the test fonts have no italic faces: the outlines lean
	w.DrawText(1300, 1600, "Slanted by hand", Font(sans).Italic(), Black);
	w.DrawText(100, 1600, 1800, WString("Upside down"), Font(serif).Italic(), Red);
}

Drawing Record(void (*draw)(Draw&))
{
	DrawingDraw dd(2400, 1800);
	draw(dd);
	return dd;
}

void ExpectAlike(const Drawing& w)
{
	Array<Drawing> pages;
	pages.Add(w);
	String pdf = DrawingToPdf(pages);
	ASSERT_TRUE(IsValidPdf(pdf));
	Image page = RenderPage(pdf);
	Image painted = PaintDrawing(w);
	ASSERT_EQ(page.GetSize(), painted.GetSize());
	PictureDiff d = Compare(page, painted);
	EXPECT_LE(d.block, 48) << "block at " << d.at.x << ", " << d.at.y;
	EXPECT_LE(d.mean, 4.5);
}

} // namespace

TEST(PdfRender, ShapesAsThePainter) { ExpectAlike(Record(Shapes)); }
TEST(PdfRender, ClipsAsThePainter)  { ExpectAlike(Record(Clips)); }
TEST(PdfRender, ImagesAsThePainter) { ExpectAlike(Record(Images)); }
TEST(PdfRender, TextAsThePainter)   { ExpectAlike(Record(Texts)); }
