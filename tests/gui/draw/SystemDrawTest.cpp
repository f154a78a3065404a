// SystemDraw on an ImageDraw, checked in exact pixels and in counted cairo calls.
#include "CairoCount.h"

#include <gui/paint/detail/CairoCache.h>
#include <painter/Painter.h>

#include <cairo-ft.h>
#include <fontconfig/fontconfig.h>

namespace guitest {
namespace {

const Color white(255, 255, 255), black(0, 0, 0), red(255, 0, 0), blue(0, 0, 255);
constexpr unsigned WHITE = 0xFFFFFFFF, BLACK = 0xFF000000, RED = 0xFFFF0000, BLUE = 0xFF0000FF;

struct Canvas : ImageDraw {
	explicit Canvas(int cx, int cy = 20) : ImageDraw(cx, cy) { DrawRect(0, 0, cx, cy, white); }
};

TEST(SystemDrawLines, PenWidthsStylesAndTheInvertingMarker)
{
	Canvas w(40);
	w.DrawLineOp(0, 2, 10, 2, 0, black);    // width 0 is one pixel
	w.DrawLineOp(0, 10, 10, 10, 3, black);  // rows 9 to 11
	w.DrawLineOp(15, 0, 15, 10, -4, black); // dots {3, 3} from (15.5, 0.5)
	w.DrawLineOp(0, 15, 40, 15, -3, black); // dashes {18, 6} in pixels
	w.DrawRect(30, 0, 10, 10, Color(10, 20, 30));
	w.DrawRect(30, 0, 5, 5, Color::FromRaw(0x800000FF));
	w.DrawRect(30, 0, 10, 10, Color());
	w.DrawLineOp(30, 8, 40, 8, 1, Color());
	Image m = w.GetImage();
	ExpectPixels(m, {{0, 2, BLACK}, {9, 2, BLACK}, {10, 2, WHITE}, {5, 1, WHITE}, {5, 3, WHITE},
	                 {4, 8, WHITE}, {4, 9, BLACK}, {4, 10, BLACK}, {4, 11, BLACK}, {4, 12, WHITE},
	                 {15, 1, BLACK}, {15, 2, BLACK}, {15, 4, WHITE}, {15, 5, WHITE}, {15, 7, BLACK}, {15, 8, BLACK},
	                 {14, 1, WHITE}, {16, 1, WHITE},
	                 {17, 15, BLACK}, {19, 15, WHITE}, {23, 15, WHITE}, {25, 15, BLACK},
	                 {32, 2, 0xFFF5EBE1}, {37, 7, 0xFF0A141E}, {37, 8, 0xFF0A141E}});
}

TEST(SystemDrawState, IsPaintingFollowsClipsOffsetsAndPaintAreas)
{
	ImageDraw w(100, 100);
	EXPECT_TRUE(w.IsPaintingOp(Rect(999990, 0, 1000010, 10))); // the box of an empty clip stack
	EXPECT_FALSE(w.IsPaintingOp(Rect(999999, 0, 1000010, 10)));
	EXPECT_FALSE(w.IsPaintingOp(Rect(5, 5, 5, 10)));
	w.ClipOff(10, 10, 20, 20);
	EXPECT_TRUE(w.IsPaintingOp(Rect(0, 0, 5, 5)));
	EXPECT_FALSE(w.IsPaintingOp(Rect(20, 0, 30, 5)));
	w.ExcludeClip(0, 0, 20, 20); // cairo's clip only
	EXPECT_TRUE(w.IsPaintingOp(Rect(0, 0, 5, 5)));
	w.EndOp();
	w.AddPaintArea(Rect(50, 50, 60, 60));
	w.AddPaintArea(Rect(0, 0, 0, 10)); // empty: never met
	EXPECT_FALSE(w.IsPaintingOp(Rect(0, 0, 10, 10)));
	w.Offset(40, 40);
	EXPECT_TRUE(w.IsPaintingOp(Rect(15, 15, 16, 16)));
	w.EndOp();

	ImageDraw target(200, 200);
	target.AddPaintArea(Rect(100, 100, 110, 110));
	BackDraw back(w.GetCairo(), Size(50, 50), &target, Point(100, 100));
	EXPECT_TRUE(back.IsPaintingOp(Rect(0, 0, 5, 5)));
	EXPECT_FALSE(back.IsPaintingOp(Rect(20, 20, 30, 30))); // the target does not paint there
	EXPECT_FALSE(back.IsPaintingOp(Rect(50, 0, 60, 10)));  // outside the buffer
	EXPECT_TRUE(BackDraw(w.GetCairo(), Size(50, 50)).IsPaintingOp(Rect(40, 40, 60, 60)));
}

TEST(SystemDrawState, LevelsRestoreTheContextAndUnmatchedEndOpLeavesItAlone)
{
	Canvas w(10);
	ResetCounts();
	w.EndOp();
	EXPECT_EQ(Counted().restore, 0);
	w.BeginOp();
	w.EndOp();
	w.EndOp();
	EXPECT_EQ(Counted().save, 1);
	EXPECT_EQ(Counted().restore, 1);
	// an offset level gives back the clip narrowed inside it, and its offset
	w.Offset(2, 2);
	w.ExcludeClip(-2, -2, 8, 8);
	w.IntersectClipOp(Rect(0, 0, 1, 1));
	w.EndOp();
	w.DrawRect(0, 0, 2, 2, black);
	// coordinates anywhere in the int range
	w.ExcludeClipOp(Rect(INT_MIN, 5, INT_MAX, INT_MAX));
	w.ClipOp(Rect(INT_MIN, INT_MIN, INT_MAX, INT_MAX));
	w.Offset(INT_MAX, INT_MIN);
	w.ClipOp(Rect(INT_MIN, INT_MAX - 5, -5, INT_MAX));
	w.DrawRect(INT_MIN, INT_MIN, INT_MAX, INT_MAX, black);
	w.EndOp();
	w.EndOp();
	w.DrawRect(-100, 3, INT_MAX, INT_MAX, black);
	EXPECT_TRUE(Healthy(w));
	ExpectPixels(w.GetImage(), {{0, 0, BLACK}, {2, 2, WHITE}, {0, 4, BLACK}, {0, 5, WHITE}});
}

TEST(SystemDrawShapes, PatternsCountsEllipsesAndArcs)
{
	Canvas w(40);
	Vector<Point> sq = { Point(2, 2), Point(10, 2), Point(10, 10), Point(2, 10) };
	// a set bit leaves its pixel of the 8 x 8 tile (row by row, from the low bit) transparent
	w.DrawPolygon(sq, red, 0, Color(), 0x55AA55AA55AA55AAull);
	Vector<Point> sq2 = { Point(12, 2), Point(20, 2), Point(20, 10), Point(12, 10) };
	w.DrawPolygon(sq2, red, 1, black, ~0ull); // nothing of the fill, the outline still
	// counts past the vertices stop, counts below 1 are skipped
	Point v[] = { Point(22, 2), Point(30, 2), Point(30, 10), Point(22, 10) };
	int subs[] = { -2, 4, 9 }, disjuncts[] = { 4, 7 };
	w.DrawPolyPolyPolygonOp(v, 4, subs, 3, disjuncts, 2, blue, 0, Color(), 0, Color());
	int lines[] = { 0, 2, 5, -1 };
	w.DrawPolyPolylineOp(v, 4, lines, 4, 2, black, Color());
	w.DrawEllipseOp(Rect(32, 2, 32, 10), black, 1, black); // no width: nothing, and no error
	w.DrawEllipseOp(Rect(32, 12, 38, 12), black, 1, black);
	// start and end on one ray: a full turn
	w.DrawArcOp(Rect(2, 12, 10, 20), Point(10, 16), Point(20, 16), 1, black);
	EXPECT_TRUE(Healthy(w));
	Image m = w.GetImage();
	ExpectPixels(m, {{2, 2, RED}, {3, 2, WHITE}, {3, 3, RED}, {2, 3, WHITE}, {16, 6, WHITE},
	                 {26, 6, BLUE}, {26, 2, BLACK}, {29, 6, BLUE}, {32, 6, WHITE}, {35, 11, WHITE}, {6, 16, WHITE}});
	EXPECT_NE(Pixel(m, 16, 2), WHITE);
	for(Point p : { Point(6, 12), Point(2, 16), Point(6, 19), Point(9, 16) })
		EXPECT_NE(Pixel(m, p.x, p.y), WHITE) << p.x << "," << p.y;

	// without an outline the path of a disjunct stays and is filled again with the next one
	Point t[] = { Point(0, 0), Point(10, 0), Point(0, 10), Point(12, 12), Point(18, 12), Point(18, 18) };
	int tc[] = { 3, 3 };
	Canvas once(20), twice(20);
	once.DrawPolyPolyPolygonOp(t, 3, tc, 1, tc, 1, black, 0, Color(), 0, Color());
	twice.DrawPolyPolyPolygonOp(t, 6, tc, 2, tc, 2, black, 0, Color(), 0, Color());
	RGBA a = once.GetImage()[4][5], b = twice.GetImage()[4][5]; // on the slanted edge
	EXPECT_LT(b.r, a.r);
	EXPECT_LT(a.r, 255);
}

TEST(SystemDrawText, RunsSplitByFontInkAngleOrAnyOtherOperation)
{
	Font f = DejaVu(13);
	auto runs = [&](auto second) {
		ImageDraw w(200, 50);
		ResetCounts();
		w.DrawText(0, 0, "ab", f, black);
		second(w);
		w.FlushText();
		return Counted().show_glyphs;
	};
	EXPECT_EQ(runs([&](Draw& w) { w.DrawText(20, 0, "cd", f, black); }), 1);
	EXPECT_EQ(Counted().glyphs, 4);
	EXPECT_EQ(runs([&](Draw& w) { w.DrawText(20, 0, "cd", Font(f).Bold(), black); }), 2);
	EXPECT_EQ(runs([&](Draw& w) { w.DrawText(20, 0, "cd", f, red); }), 2);
	EXPECT_EQ(runs([&](Draw& w) { w.DrawText(20, 0, 900, WString("cd"), f, black); }), 2);
	EXPECT_EQ(runs([&](Draw& w) { w.DrawRect(0, 40, 2, 2, red); w.DrawText(20, 0, "cd", f, black); }), 2);
	EXPECT_EQ(runs([&](Draw& w) { w.Offset(1, 1); w.DrawText(20, 0, "cd", f, black); w.EndOp(); }), 2);
}

// The reference: the same glyphs at the same places, straight through cairo with a font that
// fontconfig matches for the same request.
Image sReferenceText(Size sz, Point at, const char* text, Font f)
{
	FcPattern* p = FcPatternCreate();
	FcPatternAddString(p, FC_FAMILY, (const FcChar8*)"DejaVu Sans");
	FcPatternAddInteger(p, FC_PIXEL_SIZE, f.GetHeight());
	FcConfigSubstitute(nullptr, p, FcMatchPattern);
	FcDefaultSubstitute(p);
	FcResult result;
	FcPattern* match = FcFontMatch(nullptr, p, &result);
	FcPatternDestroy(p);
	cairo_font_face_t* face = cairo_ft_font_face_create_for_pattern(match);
	FcPatternDestroy(match);
	cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, sz.cx, sz.cy);
	cairo_t* cr = cairo_create(s);
	cairo_set_source_rgb(cr, 1, 1, 1);
	cairo_paint(cr);
	cairo_set_font_face(cr, face);
	cairo_set_font_size(cr, f.GetHeight());
	std::vector<cairo_glyph_t> g;
	double x = at.x;
	for(const char* q = text; *q; x += f.GetWidth(*q++))
		g.push_back({ GetGlyphInfo(f, *q).glyphi, x, double(at.y + f.GetAscent()) });
	cairo_set_source_rgb(cr, 0, 0, 0);
	cairo_show_glyphs(cr, g.data(), (int)g.size());
	cairo_surface_flush(s);
	ImageBuffer ib(sz);
	for(int y = 0; y < sz.cy; y++)
		memcpy(ib[y], cairo_image_surface_get_data(s) + y * cairo_image_surface_get_stride(s), sz.cx * 4);
	cairo_destroy(cr);
	cairo_surface_destroy(s);
	cairo_font_face_destroy(face);
	return Image(ib);
}

TEST(SystemDrawText, PixelsEqualTheCairoReference)
{
	Font f = DejaVu(13);
	Canvas w(120, 30);
	w.DrawText(3, 4, "Hamburg Qy", f, black);
	Image m = w.GetImage(), ref = sReferenceText(Size(120, 30), Point(3, 4), "Hamburg Qy", f);
	int inked = 0;
	for(int y = 0; y < 30; y++)
		for(int x = 0; x < 120; x++) {
			ASSERT_EQ(Pixel(m, x, y), Pixel(ref, x, y)) << x << "," << y;
			inked += Pixel(m, x, y) != WHITE;
		}
	EXPECT_GT(inked, 100);
}

// Where ink starts in row y, or -1.
int sFirstInk(const Image& m, int y)
{
	for(int x = 0; x < m.GetWidth(); x++)
		if(m[y][x].r < 128)
			return x;
	return -1;
}

TEST(SystemDrawText, HeightsZeroAndNegativeAndSlantedFaces)
{
	Font f = DejaVu(30);
	auto draw = [](Font f) {
		Canvas w(60, 40);
		w.DrawText(5, 0, "l", f, black);
		w.FlushText();
		EXPECT_TRUE(Healthy(w));
		return w.GetImage();
	};
	Image up = draw(f);
	EXPECT_EQ(ImageHash(draw(Font(f).Height(-30))), ImageHash(up)); // upright, the same size
	draw(Font(f).Height(0));
	// the private set has no italic DejaVu Sans: the upright face is slanted
	Image it = draw(Font(f).Italic());
	int top = 0, bottom = 39;
	while(top < 39 && sFirstInk(up, top) < 0)
		top++;
	while(bottom > 0 && sFirstInk(up, bottom) < 0)
		bottom--;
	ASSERT_GT(bottom - top, 15);
	EXPECT_EQ(sFirstInk(up, top + 1), sFirstInk(up, bottom - 1));
	EXPECT_GT(sFirstInk(it, top + 1), sFirstInk(it, bottom - 1) + 2);
}

TEST(SystemDrawImages, AttributeImagesColoursLargeImagesAndTargets)
{
	auto& cache = detail::CairoImageCache();
	Canvas w(20);
	ImageBuffer ib(4, 4);
	for(RGBA& p : ib)
		p = RGBA{ 0, 0, 255, 255 };
	ib.SetAttr(1);
	Image attr(ib);
	int n = cache.GetCount();
	w.DrawImage(2, 2, attr);
	EXPECT_EQ(cache.GetCount(), n); // drawn from its pixels, not cached

	ImageBuffer mb(2, 1);
	mb[0][0] = RGBA{ 0, 0, 0, 255 };
	mb[0][1] = RGBA{ 0, 0, 0, 0 };
	Image mask(mb);
	w.DrawImage(10, 2, mask, blue);
	w.DrawImage(10, 4, mask);
	EXPECT_EQ(cache.GetCount(), n + 1); // one surface for both

	// past what one surface holds: painted where it shows, never cached
	ImageBuffer wide(40000, 2);
	for(int x = 0; x < 40000; x++)
		wide[0][x] = wide[1][x] = x & 1 ? RGBA{ 0, 0, 0, 255 } : RGBA{ 0, 0, 255, 255 };
	w.DrawImage(-39990, 10, Image(wide));
	// a small image onto a target far larger than the surface: only what shows is made
	w.DrawImageOp(-100000, -100000, 200000, 200000, mask, Rect(1, 0, 2, 1), Color());
	w.DrawImageOp(-100000, 15, 200000, 5, mask, Rect(0, 0, 1, 1), Color());
	EXPECT_EQ(cache.GetCount(), n + 1);
	EXPECT_TRUE(Healthy(w));

	// a pixel block smaller than its destination is read no further than it reaches
	RGBA block[] = { RGBA{ 0, 0, 0, 255 }, RGBA{ 0, 0, 0, 255 } };
	DrawPixelBlock(w, Rect(16, 2, 20, 6), block, Size(1, 2), Point(0, 0));

	ExpectPixels(w.GetImage(), {{3, 3, RED}, {10, 2, BLUE}, {11, 2, WHITE}, {10, 4, BLACK},
	                            {0, 10, RED}, {1, 11, BLACK}, {12, 12, WHITE}, {1, 1, WHITE}, {12, 17, BLACK},
	                            {16, 3, BLACK}, {17, 3, WHITE}, {16, 4, WHITE}});
}

// Painting records whose rectangles run from near INT_MAX to near INT_MIN (inputs a fuzzer found,
// played as its target plays them), and a painting wider than int whose middle shows.
TEST(SystemDrawImages, PaintingsWithCornersFarApart)
{
	for(const char* name : { "gui_draw_play-crash-3f7133b11836bc6d7235645147ba6f72797f7186",
	                         "gui_draw_play-crash-9d9fe6e2eb88432438a2ca61c90b7dd492db2fba",
	                         "gui_draw_play-crash-e579f847e86a824a7d5d09c2996dea6c7e115de1" }) {
		String in = LoadFile(String(QEL_TEST_DATA) + "/hostile/" + name);
		ASSERT_GT(in.GetLength(), 3) << name;
		Drawing d;
		d.size = Size(byte(in[1]) + 1, byte(in[2]) + 1);
		d.data = in.Mid(3);
		Canvas w(64, 64);
		PlayDrawing(w, Rect(0, 0, 64, 64), d);
		w.ClipOff(-7, 5, 50, 40);
		PlayDrawing(w, Rect(-30, -20, 90, 100), d);
		w.EndOp();
		EXPECT_TRUE(Healthy(w)) << name;
		EXPECT_EQ(w.GetImage().GetSize(), Size(64, 64)) << name;
	}
	PaintingPainter pp(100, 50); // the left half red, the right half blue
	pp.RectPath(0, 0, 50, 50);
	pp.Fill(red);
	pp.RectPath(50, 0, 50, 50);
	pp.Fill(blue);
	Canvas w(64, 50);
	w.DrawPaintingOp(Rect(INT_MIN + 82, 0, INT_MAX - 18, 50), pp); // the halves part at x = 31.5
	w.DrawPaintingOp(Rect(INT_MAX - 50, 0, INT_MIN + 50, 50), pp);  // reversed: nothing
	ExpectPixels(w.GetImage(), {{30, 0, RED}, {30, 49, RED}, {33, 0, BLUE}, {33, 49, BLUE}});
}

} // namespace
} // namespace guitest
