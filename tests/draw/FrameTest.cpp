// Frames, borders, tiles, highlighted icons and rounded edges, checked against what the
// recording targets received.
#include "LookDraw.h"
#include "TestImage.h"

#include <gtest/gtest.h>

namespace QelTest {
namespace {

using Calls = std::vector<std::string>;

class Frame : public ::testing::Test {
protected:
	void SetUp() override
	{
		ResetThemeValues();
		ApplyThemeResets();
	}
};

TEST_F(Frame, FatFrameInsideAndOutside)
{
	ImageRecordingDraw w;
	DrawFatFrame(w, Rect(10, 10, 30, 30), Color(1, 2, 3), 3);
	EXPECT_EQ(w.Take(), (Calls{ "Rect 10,10,20,3#00030201", "Rect 10,13,3,17#00030201", "Rect 27,13,3,17#00030201",
	                            "Rect 13,27,14,3#00030201" }));
	// a negative thickness puts the 2-pixel band at (8, 8)..(32, 32) around the rectangle
	PixelDraw p;
	DrawFatFrame(p, Rect(10, 10, 30, 30), Color(1, 2, 3), -2);
	int outside = 0;
	for(int y = 6; y < 34; y++)
		for(int x = 6; x < 34; x++) {
			bool band = x >= 8 && x < 32 && y >= 8 && y < 32 && !(x >= 10 && x < 30 && y >= 10 && y < 30);
			EXPECT_EQ(p.Has(x, y), band) << x << "," << y;
			outside += band;
		}
	EXPECT_EQ(outside, 24 * 24 - 20 * 20);
}

TEST_F(Frame, FrameCornersBelongToRightAndBottom)
{
	ImageRecordingDraw w;
	DrawFrame(w, Rect(0, 0, 4, 3), Color(9, 9, 9));
	EXPECT_EQ(w.Take(), (Calls{ "Rect 0,0,3,1#00090909", "Rect 0,0,1,2#00090909", "Rect 3,0,1,3#00090909",
	                            "Rect 0,2,4,1#00090909" }));
	PixelDraw p;
	DrawFrame(p, Rect(5, 5, 6, 6), Color(9, 9, 9));
	EXPECT_EQ(p.px.size(), 1u);
	EXPECT_TRUE(p.Has(5, 5));
}

TEST_F(Frame, BorderRingsFromTheTables)
{
	struct Case { const ColorF* (*table)(); dword ring0[4]; int rings; } cases[] = {
		{ TextColorBorder, { 0, 0, 0, 0 }, 1 },
		{ OutsetBorder, { 0xC0C0C0, 0xC0C0C0, 0, 0 }, 2 },
		{ ThinOutsetBorder, { 0xFFFFFF, 0xFFFFFF, 0x808080, 0x808080 }, 1 },
		{ ThinInsetBorder, { 0x808080, 0x808080, 0xFFFFFF, 0xFFFFFF }, 1 },
	};
	for(const Case& c : cases) {
		PixelDraw p;
		DrawBorder(p, Rect(0, 0, 10, 8), c.table);
		EXPECT_EQ(GetBorderRingCount(c.table()), c.rings);
		EXPECT_EQ(p.At(0, 3), c.ring0[0]);  // left
		EXPECT_EQ(p.At(3, 0), c.ring0[1]);  // top
		EXPECT_EQ(p.At(9, 3), c.ring0[2]);  // right
		EXPECT_EQ(p.At(3, 7), c.ring0[3]);  // bottom
		EXPECT_EQ(p.At(0, 7), c.ring0[3]) << "bottom owns its corners";
		EXPECT_EQ(p.At(9, 0), c.ring0[2]) << "right owns its corners";
		EXPECT_EQ(p.Has(1, 1), c.rings > 1);
		EXPECT_EQ(p.px.size(), size_t(c.rings == 1 ? 32 : 32 + 24));
	}
	// the second ring of the outset border is light and shadow
	PixelDraw p;
	DrawBorder(p, Rect(0, 0, 10, 8), OutsetBorder);
	EXPECT_EQ(p.At(1, 3), 0xFFFFFFu);
	EXPECT_EQ(p.At(8, 3), 0x808080u);
	// a border follows the theme without being rebuilt
	ResetThemeValues();
	SetThemeTextColor(Color(7, 0, 0));
	ApplyThemeResets();
	PixelDraw q;
	DrawBorder(q, Rect(0, 0, 3, 3), TextColorBorder);
	EXPECT_EQ(q.At(0, 0), 7u);
}

TEST_F(Frame, BorderStopsWhenTheRectangleIsUsedUp)
{
	ImageRecordingDraw w;
	DrawBorder(w, 5, 5, 1, 1, OutsetBorder());
	// the first ring's top and left lines are empty; its right and bottom lines are one pixel
	std::string face = RecordingDraw::C(ThemeFaceColor());
	EXPECT_EQ(w.Take(), (Calls{ "Rect 5,5,0,1" + face, "Rect 5,5,1,0" + face, "Rect 5,5,1,1#00000000",
	                            "Rect 5,5,1,1#00000000" }));
	DrawBorder(w, 5, 5, 0, 9, OutsetBorder());
	DrawBorder(w, 5, 5, 9, 9, nullptr);
	DrawBorder(w, Rect(0, 0, 9, 9), nullptr);
	EXPECT_TRUE(w.Take().empty());
}

TEST_F(Frame, TilesCoverTheRectangleInsideAClip)
{
	ImageRecordingDraw w;
	Image tile = RandomImage(4, 3, 2);
	DrawTiles(w, Rect(1, 2, 10, 7), tile);
	Calls c = w.Take();
	ASSERT_EQ(c.size(), 2u + 3 * 2);
	EXPECT_EQ(c.front(), "Clip[1,2,10,7]");
	EXPECT_EQ(c.back(), "End");
	std::string img = RecordingDraw::Img(tile);
	EXPECT_EQ(c[1], "Image 1,2,4,3 " + img + "[0,0,4,3]#FFFFFFFF");
	EXPECT_EQ(c[3], "Image 9,2,4,3 " + img + "[0,0,4,3]#FFFFFFFF");
	EXPECT_EQ(c[6], "Image 9,5,4,3 " + img + "[0,0,4,3]#FFFFFFFF");
	DrawTiles(w, Rect(1, 2, 1, 7), tile);
	DrawTiles(w, Rect(1, 2, 10, 7), Image());
	EXPECT_TRUE(w.Take().empty());
}

TEST_F(Frame, HighlightHaloAndDisabledIcon)
{
	ImageRecordingDraw w;
	ImageBuffer b(3, 3);
	for(RGBA& p : b)
		p = RGBA{ 255, 255, 255, 255 };
	b[1][1] = RGBA{ 0, 0, 0, 255 };
	Image icon = b;
	std::string img = RecordingDraw::Img(icon);
	DrawHighlightImage(w, 10, 20, icon, true, true, Color(0, 0, 255));
	EXPECT_EQ(w.Take(), (Calls{
		"Image 11,20,3,3 " + img + "[0,0,3,3]#00FF0000", "Image 9,20,3,3 " + img + "[0,0,3,3]#00FF0000",
		"Image 10,21,3,3 " + img + "[0,0,3,3]#00FF0000", "Image 10,19,3,3 " + img + "[0,0,3,3]#00FF0000",
		"Image 10,20,3,3 " + img + "[0,0,3,3]#FFFFFFFF" }));
	DrawHighlightImage(w, 10, 20, icon, true, true, Color());
	EXPECT_EQ(w.Take().size(), 1u) << "no halo without a mask colour";

	// disabled: the etched form, made once per image
	EtchFilter etch;
	Image etched = Premultiply(Filter(Unmultiply(icon), etch));
	DrawHighlightImage(w, 0, 0, icon, false, false);
	DrawHighlightImage(w, 0, 0, icon, false, false);
	Calls c = w.Take();
	ASSERT_EQ(c.size(), 2u);
	EXPECT_EQ(c[0], "Image 0,0,3,3 " + RecordingDraw::Img(etched) + "[0,0,3,3]#FFFFFFFF");
	EXPECT_EQ(c[0], c[1]);
	EXPECT_NE(RecordingDraw::Img(etched), img);
}

// The rounded edge, drawn on the canvas: ring colours, soft corners and the gradient.
TEST_F(Frame, RoundedEdgeRingsCornersAndGradient)
{
	const Color L = ThemeLightColor(), S = ThemeShadowColor(), F = ThemeFaceColor(), H = ThemeHighlightColor(),
	            T = ThemeTextColor();
	PixelDraw p;
	Rect r(0, 0, 20, 30);
	DrawRoundedEdge(p, r, 0);
	EXPECT_EQ(r, Rect(3, 3, 17, 27)) << "three rings";
	Color a1 = Blend(S, F, 128), frame = Blend(H, T, 128);
	// outer ring straight parts, frame ring, bevel ring
	EXPECT_EQ(p.At(10, 0), a1.Get());
	EXPECT_EQ(p.At(0, 10), a1.Get());
	EXPECT_EQ(p.At(19, 10), L.Get());
	EXPECT_EQ(p.At(10, 29), L.Get());
	EXPECT_EQ(p.At(10, 1), frame.Get());
	EXPECT_EQ(p.At(18, 10), frame.Get());
	EXPECT_EQ(p.At(10, 2), L.Get());
	EXPECT_EQ(p.At(17, 10), S.Get());
	// soft corner of the outer ring
	EXPECT_EQ(p.At(0, 0), F.Get());
	Color h1 = Blend(F, a1, 160);
	EXPECT_EQ(p.At(1, 0), h1.Get());
	EXPECT_EQ(p.At(2, 0), Blend(h1, a1, 128).Get());
	Color br1 = Blend(F, L, 160);
	EXPECT_EQ(p.At(19, 29), F.Get());
	EXPECT_EQ(p.At(18, 29), br1.Get());
	// the next ring's corner is the blend of the first pixels beside this one
	EXPECT_EQ(p.At(1, 1), Blend(h1, h1, 128).Get());
	// the gradient: first row P, the split row M, the last row towards E
	Color m = Blend(L, S, 80), e = Blend(S, F, 128);
	int n = 24, split = 4 * n / 5;
	EXPECT_EQ(p.At(3, 3), L.Get());
	EXPECT_EQ(p.At(16, 3), L.Get());
	EXPECT_EQ(p.At(5, 3 + split), m.Get());
	EXPECT_EQ(p.At(5, 3 + n - 1), Blend(m, e, (n - 1 - split) * 255 / (n - split)).Get());
	for(int y = 3; y < 27; y++)
		for(int x = 3; x < 17; x++)
			ASSERT_EQ(p.At(x, y), p.At(3, y)) << "one colour per row";
}

TEST_F(Frame, RoundedEdgeVariants)
{
	const Color L = ThemeLightColor(), S = ThemeShadowColor(), F = ThemeFaceColor(), H = ThemeHighlightColor(),
	            D = ThemeDisabledColor();
	struct Case { dword style; Rect inner; int x, y; dword rgb; const char* what; } cases[] = {
		{ 0x400, Rect(2, 2, 18, 28), 10, 0, D.Get(), "disabled: no outer ring, frame in the disabled colour" },
		{ 0x200, Rect(1, 1, 19, 29), 10, 0, Blend(H, L, 128).Get(), "square frame" },
		{ 0x200, Rect(1, 1, 19, 29), 0, 0, Blend(Blend(H, L, 128), L, 128).Get(), "its corners soften" },
		{ 4, Rect(3, 3, 17, 27), 10, 1, D.Get(), "kind 4 frame" },
		{ 4, Rect(3, 3, 17, 27), 10, 0, F.Get(), "kind 4 outer ring in the face" },
		{ 1, Rect(4, 4, 16, 26), 10, 3, Blend(Blend(L, Blend(Color::FromRaw(0x800000), L, 128), 130),
		                                      Blend(Color::FromRaw(0x800000), L, 128), 130).Get(), "kind 1 square ring" },
		{ 0x800, Rect(3, 3, 17, 27), 10, 0, F.Get(), "0x800 outer ring in the face" },
		{ 0x100, Rect(3, 3, 17, 27), 3, 10, L.Get(), "sideways: first column" },
		{ 3, Rect(3, 3, 17, 27), 10, 2, Blend(H, F, 235).Get(), "kind 3 bevel" },
		{ 0x803, Rect(3, 3, 17, 27), 5, 3, Blend(F, H, 128).Get(), "0x800 kind 3 gradient start" },
	};
	(void)S;
	for(const Case& c : cases) {
		PixelDraw p;
		Rect r(0, 0, 20, 30);
		DrawRoundedEdge(p, r, c.style);
		EXPECT_EQ(r, c.inner) << c.what;
		EXPECT_EQ(p.At(c.x, c.y), c.rgb) << c.what;
	}
	PixelDraw p;
	Rect r(0, 0, 20, 30);
	DrawRoundedEdge(p, r, 0x100);
	for(int x = 3; x < 17; x++)
		for(int y = 3; y < 27; y++)
			ASSERT_EQ(p.At(x, y), p.At(x, 3)) << "one colour per column";
	// too small to hold the rings: nothing is drawn outside the rectangle, nothing crashes
	for(int s : { 0, 1, 2, 5, 7 }) {
		PixelDraw q;
		Rect t(0, 0, s, s);
		DrawRoundedEdge(q, t, 1);
		for(auto& [at, c] : q.px)
			EXPECT_TRUE(at.first >= 0 && at.first < s && at.second >= 0 && at.second < s) << s;
	}
}

} // namespace
} // namespace QelTest
