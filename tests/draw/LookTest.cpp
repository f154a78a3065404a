// Looks: margins through NilDraw, colour, nine-part, tiled and bar images, overlaid and
// bordered looks, the painter registry and the theme recolouring of templates.
#include "LookDraw.h"
#include "TestImage.h"

#include <gtest/gtest.h>

namespace QelTest {
namespace {

using Calls = std::vector<std::string>;

class Look : public ::testing::Test {
protected:
	void SetUp() override
	{
		ResetThemeValues();
		ApplyThemeResets();
	}
};

// A 10 x 10 image with spots, its pixels all different so that every part is told apart.
Image Spotted(Point hot, Point spot2 = Point(0, 0), int cx = 10, int cy = 10)
{
	ImageBuffer b(cx, cy);
	Image src = RandomImage(cx, cy, 77, true);
	b.Set(src);
	b.SetHotSpot(hot);
	b.Set2ndSpot(spot2);
	return b;
}

std::string Part(int x, int y, int cx, int cy, const Image& img, const Rect& src, Color ink = Color())
{
	return "Image " + RecordingDraw::I(x) + "," + RecordingDraw::I(y) + "," + RecordingDraw::I(cx) + "," +
	       RecordingDraw::I(cy) + " " + RecordingDraw::Img(img) + RecordingDraw::R(src) + RecordingDraw::C(ink);
}

TEST_F(Look, Margins)
{
	struct Case { Value look; Rect margins; } cases[] = {
		{ Color(1, 2, 3), Rect(1, 1, 1, 1) },
		{ Spotted(Point(3, 3)), Rect(3, 3, 3, 3) },
		{ Spotted(Point(2, 3), Point(6, 7)), Rect(2, 3, 3, 2) },
		{ Spotted(Point(6, 7), Point(2, 3)), Rect(2, 3, 3, 2) },
		{ Spotted(Point(8, 2)), Rect(1, 2, 2, 2) },          // past the middle: mirrored
		{ Spotted(Point(1, 1), Point(-999, 4)), Rect(1, 1, 1, 1) }, // margins keep the hot spot
		{ Spotted(Point(-1000, 0)), Rect(0, 0, 0, 0) },
		{ Spotted(Point(50, -20)), Rect(0, 0, 0, 0) },        // outside the image: clamped
		{ MakeLookWith(Spotted(Point(2, 2)), RandomImage(3, 3, 1)), Rect(2, 2, 2, 2) },
		{ MakeLookBorder(Color(1, 1, 1), OutsetBorder()), Rect(2, 2, 2, 2) },
		{ MakeLookBorder(Spotted(Point(4, 4)), ThinInsetBorder()), Rect(1, 1, 1, 1) },
	};
	for(const Case& c : cases)
		EXPECT_EQ(GetLookMargins(c.look), c.margins) << c.look.ToText();
	EXPECT_EQ(GetLookMargins(Value()), GetNullRect());
	EXPECT_EQ(GetLookMargins(Color()), GetNullRect());
	EXPECT_EQ(GetLookMargins(Value("not a look")), GetNullRect());
}

TEST_F(Look, InvertedRectangleOrNullLookPaintsNothing)
{
	ImageRecordingDraw w;
	EXPECT_EQ(LookOp(w, Rect(10, 0, 5, 5), Color(1, 2, 3), LOOK_PAINT), Value(Rect(0, 0, 0, 0)));
	EXPECT_EQ(LookOp(w, Rect(0, 10, 5, 5), Spotted(Point(3, 3)), LOOK_PAINT), Value(Rect(0, 0, 0, 0)));
	EXPECT_TRUE(LookOp(w, Rect(0, 0, 5, 5), Value(), LOOK_PAINT).IsVoid());
	EXPECT_TRUE(LookOp(w, Rect(0, 0, 5, 5), Value(12.5), LOOK_PAINT).IsVoid()) << "no painter takes a double";
	EXPECT_TRUE(w.Take().empty());
}

TEST_F(Look, ColourFillsOrFrames)
{
	ImageRecordingDraw w;
	PaintLook(w, 2, 3, 10, 5, Color(9, 8, 7));
	EXPECT_EQ(w.Take(), (Calls{ "Rect 2,3,10,5#00070809" }));
	PaintLookEdge(w, Rect(2, 3, 12, 8), Color(9, 8, 7));
	EXPECT_EQ(w.Take(), (Calls{ "Rect 2,3,9,1#00070809", "Rect 2,3,1,4#00070809", "Rect 11,3,1,5#00070809",
	                            "Rect 2,7,10,1#00070809" }));
}

TEST_F(Look, NinePartImageKeepsCornersAndStretchesTheRest)
{
	Image img = Spotted(Point(3, 3));
	ImageRecordingDraw w;
	PaintLook(w, Rect(100, 200, 130, 230), img, Color(1, 1, 1));
	Calls c = w.Take();
	ASSERT_EQ(c.size(), 11u);
	EXPECT_EQ(c.front(), "Clipoff[100,200,130,230]");
	EXPECT_EQ(c.back(), "End");
	Color ink(1, 1, 1);
	EXPECT_EQ(c[1], Part(0, 0, 3, 3, img, Rect(0, 0, 3, 3), ink));
	EXPECT_EQ(c[2], Part(3, 0, 24, 3, CachedRescale(img, Size(24, 3), Rect(3, 0, 7, 3)), Rect(0, 0, 24, 3), ink));
	EXPECT_EQ(c[3], Part(27, 0, 3, 3, img, Rect(7, 0, 10, 3), ink));
	EXPECT_EQ(c[4], Part(0, 3, 3, 24, CachedRescale(img, Size(3, 24), Rect(0, 3, 3, 7)), Rect(0, 0, 3, 24), ink));
	EXPECT_EQ(c[8], Part(27, 27, 3, 3, img, Rect(7, 7, 10, 10), ink));
	// the centre's 4 x 4 source pixels stretch to 24 x 24
	EXPECT_EQ(c[9], Part(3, 3, 24, 24, CachedRescale(img, Size(24, 24), Rect(3, 3, 7, 7)), Rect(0, 0, 24, 24), ink));

	// the edge operation leaves the centre out; without the cache the parts are the same
	PaintLookEdge(w, Rect(100, 200, 130, 230), img, ink);
	Calls e = w.Take();
	EXPECT_EQ(e.size(), 10u);
	LookOp(w, Rect(100, 200, 130, 230), img, LOOK_PAINT | LOOK_NOCACHE, ink);
	EXPECT_EQ(w.Take(), c);
}

TEST_F(Look, UniformOpaqueCentreIsFilled)
{
	ImageBuffer b(10, 10);
	for(RGBA& p : b)
		p = RGBA{ 10, 20, 30, 255 };
	b[0][0] = RGBA{ 0, 0, 0, 255 };
	b.SetHotSpot(Point(3, 3));
	Image img = b;
	ImageRecordingDraw w;
	PaintLook(w, Rect(0, 0, 30, 20), img);
	Calls c = w.Take();
	ASSERT_EQ(c.size(), 11u);
	EXPECT_EQ(c[9], "Rect 3,3,24,14#000A141E");
	// a translucent centre is stretched instead
	ImageBuffer t(10, 10);
	for(RGBA& p : t)
		p = RGBA{ 5, 10, 15, 128 };
	t.SetHotSpot(Point(3, 3));
	Image half = t;
	PaintLook(w, Rect(0, 0, 30, 20), half);
	c = w.Take();
	EXPECT_EQ(c[9].substr(0, 16), "Image 3,3,24,14 ");
}

TEST_F(Look, NarrowRectangleIsCutInHalves)
{
	Image img = Spotted(Point(3, 3));
	ImageRecordingDraw w;
	PaintLook(w, Rect(0, 0, 4, 30), img);
	Calls c = w.Take();
	// left 2 columns of the image to the left, right 2 to the right, no centre
	Calls want = {
		"Clipoff[0,0,4,30]",
		Part(0, 0, 2, 3, img, Rect(0, 0, 2, 3)),
		Part(2, 0, 2, 3, img, Rect(8, 0, 10, 3)),
		Part(0, 3, 2, 24, CachedRescale(img, Size(2, 24), Rect(0, 3, 2, 7)), Rect(0, 0, 2, 24)),
		Part(2, 3, 2, 24, CachedRescale(img, Size(2, 24), Rect(8, 3, 10, 7)), Rect(0, 0, 2, 24)),
		Part(0, 27, 2, 3, img, Rect(0, 7, 2, 10)),
		Part(2, 27, 2, 3, img, Rect(8, 7, 10, 10)),
		"End",
	};
	EXPECT_EQ(c, want);
	// a rectangle larger than the image on the cut axis takes at most the whole image per half
	PaintLook(w, Rect(0, 0, 30, 5), Spotted(Point(3, 5)));
	for(const std::string& s : w.Take())
		EXPECT_EQ(s.find(",-"), std::string::npos) << s;
}

TEST_F(Look, MirroredHotSpotTilesTheCentre)
{
	Image img = Spotted(Point(6, 6)); // past the middle: left and top 3, right and bottom 4, centre tiled both ways
	ImageRecordingDraw w;
	PaintLook(w, Rect(0, 0, 20, 20), img);
	Calls c = w.Take();
	Image tile = Crop(img, Rect(3, 3, 6, 6));
	// corners and edges, then the 3 x 3 tiles of the 13 x 13 centre in a clip
	ASSERT_GE(c.size(), 10u);
	EXPECT_EQ(c[9], "Clip[3,3,16,16]");
	EXPECT_EQ(c[10], Part(3, 3, 3, 3, tile, Rect(0, 0, 3, 3)));
	EXPECT_EQ(c.size(), 1u + 8 + 1 + 25 + 1 + 1);
	// tiled in one direction: the other direction is stretched to the centre's size
	PaintLook(w, Rect(0, 0, 20, 20), Spotted(Point(2, 6)));
	c = w.Take();
	EXPECT_EQ(c[9], "Clip[2,3,18,16]");
	EXPECT_EQ(c.size(), 1u + 8 + 1 + 5 + 1 + 1);
}

TEST_F(Look, SecondSpotMarksEqualMargins)
{
	ImageRecordingDraw w;
	Image img = Spotted(Point(1, 1), Point(-999, 4));
	PaintLook(w, Rect(0, 0, 30, 30), img);
	Calls c = w.Take();
	ASSERT_EQ(c.size(), 11u);
	EXPECT_EQ(c[1], Part(0, 0, 4, 4, img, Rect(0, 0, 4, 4)));
	EXPECT_EQ(c[8], Part(26, 26, 4, 4, img, Rect(6, 6, 10, 10)));
}

TEST_F(Look, SpotsOutsideTheImageAreClamped)
{
	for(Point hot : { Point(50, 50), Point(-7, 3), Point(3, -9), Point(12, 12) }) {
		for(Point spot : { Point(0, 0), Point(-20, 40), Point(11, 2) }) {
			ImageRecordingDraw w;
			PaintLook(w, Rect(0, 0, 25, 17), Spotted(hot, spot));
			Rect m = GetLookMargins(Spotted(hot, spot));
			EXPECT_TRUE(m.left >= 0 && m.top >= 0 && m.right >= 0 && m.bottom >= 0);
			for(const std::string& s : w.Take())
				EXPECT_EQ(s.find(",-"), std::string::npos) << s;
		}
	}
}

TEST_F(Look, BarKeepsCapsAndCentre)
{
	// 30 x 10: thickness 10, caps of 5, stretches 7 and 8
	Image bar = Spotted(Point(-1000, 0), Point(0, 0), 30, 10);
	ImageRecordingDraw w;
	PaintLook(w, Rect(10, 20, 110, 32), bar, Color(1, 2, 3));
	auto seg = [&](int x, int dl, int sx, int sl) {
		Image m = CachedRescale(bar, Size(dl, 12), Rect(sx, 0, sx + sl, 10));
		return Part(x, 20, dl, 12, m, Rect(0, 0, dl, 12));
	};
	// D = 100: k = 90, j = 85: 5, 42, 5, 43, 5
	EXPECT_EQ(w.Take(), (Calls{ seg(10, 5, 0, 5), seg(15, 42, 5, 7), seg(57, 5, 12, 5), seg(62, 43, 17, 8),
	                            seg(105, 5, 25, 5) }));
	// too short for the caps: each cap takes half
	PaintLook(w, Rect(0, 0, 8, 10), bar);
	EXPECT_EQ(w.Take(), (Calls{ Part(0, 0, 4, 10, CachedRescale(bar, Size(4, 10), Rect(0, 0, 5, 10)), Rect(0, 0, 4, 10)),
	                            Part(4, 0, 4, 10, CachedRescale(bar, Size(4, 10), Rect(25, 0, 30, 10)), Rect(0, 0, 4, 10)) }));
	// vertical bars run down; the edge operation and the margins draw nothing
	Image vbar = Spotted(Point(-1000, 0), Point(0, 0), 6, 20);
	PaintLook(w, Rect(0, 0, 6, 40), vbar);
	Calls v = w.Take();
	ASSERT_EQ(v.size(), 5u);
	EXPECT_EQ(v[1].substr(0, 16), "Image 0,3,6,15 i");
	PaintLookEdge(w, Rect(0, 0, 6, 40), vbar);
	EXPECT_TRUE(w.Take().empty());
	// a bar image shorter than three caps never reads past its end
	PaintLook(w, Rect(0, 0, 40, 10), Spotted(Point(-1000, 0)));
	for(const std::string& s : w.Take())
		EXPECT_EQ(s.find(",-"), std::string::npos) << s;
}

TEST_F(Look, OverlayIsCentredOverTheInnerLook)
{
	Image over = RandomImage(8, 4, 3);
	ImageRecordingDraw w;
	PaintLook(w, Rect(0, 0, 5, 9), MakeLookWith(Color(1, 2, 3), over, Color(0, 0, 255), Point(1, -1)));
	// (5 - 8) / 2 rounds down to -2, (9 - 4) / 2 is 2
	EXPECT_EQ(w.Take(), (Calls{ "Rect 0,0,5,9#00030201", Part(-1, 1, 8, 4, over, Rect(0, 0, 8, 4), Color(0, 0, 255)) }));
	PaintLookEdge(w, Rect(0, 0, 5, 9), MakeLookWith(Color(1, 2, 3), over));
	EXPECT_EQ(w.Take().size(), 4u) << "the edge is the inner look's edge alone";

	Value looks[2] = { Color(1, 1, 1), Color(2, 2, 2) };
	const Color tints[2] = { Color(9, 0, 0), Color(0, 9, 0) };
	MakeLookWith(looks, over, tints, 2);
	PaintLook(w, Rect(0, 0, 8, 4), looks[1]);
	EXPECT_EQ(w.Take(), (Calls{ "Rect 0,0,8,4#00020202", Part(0, 0, 8, 4, over, Rect(0, 0, 8, 4), Color(0, 9, 0)) }));
}

TEST_F(Look, BorderAroundTheInnerLook)
{
	PixelDraw p;
	PaintLook(p, Rect(0, 0, 10, 10), MakeLookBorder(Color(5, 5, 5), ThinOutsetBorder()));
	EXPECT_EQ(p.At(5, 5), 0x050505u);
	EXPECT_EQ(p.At(0, 5), 0xFFFFFFu);
	EXPECT_EQ(p.At(9, 5), 0x808080u);
	EXPECT_EQ(p.px.size(), 100u);
	PixelDraw e;
	PaintLookEdge(e, Rect(0, 0, 10, 10), MakeLookBorder(Color(5, 5, 5), ThinOutsetBorder()));
	EXPECT_EQ(e.px.size(), 36u);
	EXPECT_FALSE(e.Has(5, 5));
}

Value sLastLook;

Value IntPainter(Draw& w, const Rect& r, const Value& look, int op, Color)
{
	sLastLook = look;
	if(look.GetType() != INT_V)
		return Value();
	if(op == LOOK_MARGINS)
		return Rect(look.ToInt(), 0, 0, 0);
	w.DrawRectOp(r.left, r.top, 1, 1, Color(look.ToInt(), 0, 0));
	return true;
}

TEST_F(Look, LaterPaintersComeFirst)
{
	RegisterLookPainter(IntPainter);
	RegisterLookPainter(IntPainter);
	ResetThemeValues(); // registers the built-in painter again: nothing changes
	ApplyThemeResets();
	EXPECT_EQ(GetLookMargins(7), Rect(7, 0, 0, 0));
	sLastLook = Value();
	EXPECT_EQ(GetLookMargins(Color(1, 1, 1)), Rect(1, 1, 1, 1)) << "not handled: the next painter";
	EXPECT_EQ(sLastLook, Value(Color(1, 1, 1)));
	ImageRecordingDraw w;
	PaintLook(w, Rect(3, 4, 5, 6), 9);
	EXPECT_EQ(w.Take(), (Calls{ "Rect 3,4,1,1#00000009" }));
}

TEST_F(Look, ThemeImageRecolouring)
{
	const Color text = ThemeTextColor(), shadow = ThemeShadowColor(), face = ThemeFaceColor(),
	            light = ThemeLightColor(), hl = ThemeHighlightColor(), paper = ThemePaperColor();
	struct Case { RGBA in; Color want; } cases[] = {
		{ RGBA{ 0, 0, 0, 255 }, text },
		{ RGBA{ 64, 64, 64, 255 }, Blend(text, shadow, 128) },
		{ RGBA{ 128, 128, 128, 255 }, shadow },
		{ RGBA{ 160, 160, 160, 255 }, Blend(shadow, face, 128) },
		{ RGBA{ 192, 192, 192, 255 }, face },
		{ RGBA{ 255, 255, 255, 255 }, Blend(face, light, 252) },
		{ RGBA{ 0, 0, 255, 255 }, Blend(text, hl, 254) },   // pure red (memory order b, g, r)
		{ RGBA{ 0, 0, 100, 255 }, text },                    // weight below 0 clamped, not wrapped
		{ RGBA{ 200, 0, 0, 255 }, Blend(text, hl, 144) },   // pure blue
		{ RGBA{ 50, 0, 0, 255 }, text },
		{ RGBA{ 90, 90, 0, 255 }, Blend(text, paper, 90) }, // (0, v, v)
		{ RGBA{ 10, 20, 30, 255 }, Color(30, 20, 10) },      // other colours stay
	};
	ImageBuffer b(std::size(cases), 2);
	for(int i = 0; i < (int)std::size(cases); i++) {
		b[0][i] = cases[i].in;
		b[1][i] = RGBA{ byte(cases[i].in.b / 2), byte(cases[i].in.g / 2), byte(cases[i].in.r / 2), 128 };
	}
	Image out = MakeThemeImage(Image(b));
	for(int i = 0; i < (int)std::size(cases); i++) {
		EXPECT_EQ(Color(out[0][i]).Get(), cases[i].want.Get()) << i;
		EXPECT_EQ(out[1][i].a, 128) << "alpha kept";
		dword h = cases[i].want.Get();
		EXPECT_NEAR(out[1][i].r, (h & 255) / 2, 2) << i << " premultiplied again";
	}
	EXPECT_TRUE(MakeThemeImage(Image()).IsEmpty());
}

} // namespace
} // namespace QelTest
