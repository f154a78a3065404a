#include "TestImage.h"

#include <climits>

using namespace QelTest;

namespace {

void CopyRow(RGBA* t, const RGBA* s, int n) { memcpy(t, s, size_t(n) * sizeof(RGBA)); }

Image Columns(int cx, int cy)
{
	ImageBuffer b(cx, cy);
	for(int y = 0; y < cy; y++)
		for(int x = 0; x < cx; x++)
			b[y][x] = Px(x, y, 7);
	return b;
}

} // namespace

TEST(ImageOp, DstSrcOpClipsAndShifts)
{
	Image src = Columns(10, 10);
	ImageBuffer t(5, 4);
	DstSrcOp(t, Point(-3, 0), src, Rect(0, 0, 10, 10), CopyRow);
	for(int y = 0; y < 4; y++)
		for(int x = 0; x < 5; x++)
			EXPECT_EQ(t[y][x], Px(x + 3, y, 7));

	// a rectangle partly outside the source, a target offset beyond the right edge
	ImageBuffer u(6, 6);
	DstSrcOp(u, Point(2, -1), src, Rect(-4, 8, 3, 20), CopyRow);
	EXPECT_EQ(u[0][2], Px(0, 9, 7));
	EXPECT_EQ(u[0][4], Px(2, 9, 7));
	EXPECT_EQ(u[0][5], Px(0, 0, 0, 0));
	EXPECT_EQ(u[1][2], Px(0, 0, 0, 0));
	ImageBuffer w(3, 3);
	DstSrcOp(w, Point(3, 0), src, Rect(0, 0, 10, 10), CopyRow);
	DstSrcOp(w, Point(0, 0), src, Rect(5, 5, 2, 2), CopyRow);
	DstSrcOp(w, Point(INT_MIN, INT_MIN), src, Rect(INT_MAX, INT_MAX, INT_MIN, INT_MIN), CopyRow);
	for(RGBA c : w)
		EXPECT_EQ(c, Px(0, 0, 0, 0));
}

TEST(ImageOp, DstSrcOpParallelEqualsSerial)
{
	for(Size sz : OddSizes) {
		Image src = RandomImage(sz.cx, sz.cy, sz.cx * 31 + sz.cy);
		Image base = RandomImage(sz.cx + 3, sz.cy + 2, 5);
		Image copy = base;
		ImageBuffer a(base), b(copy);
		DstSrcOp(a, Point(1, 1), src, Rect(0, 0, sz.cx, sz.cy), AlphaBlend, false);
		DstSrcOp(b, Point(1, 1), src, Rect(0, 0, sz.cx, sz.cy), AlphaBlend, true);
		EXPECT_TRUE(SamePixels(Image(a), Image(b))) << sz.cx << "x" << sz.cy;
	}
}

TEST(ImageOp, OverBlendsAndClips)
{
	Image dest = Solid(3, 3, Px(0, 0, 255));
	Image big = Solid(10, 10, Px(128, 0, 0, 128));
	Over(dest, big);
	ASSERT_EQ(dest.GetSize(), Size(3, 3));
	RGBA expect = Px(0, 0, 255);
	RGBA half = Px(128, 0, 0, 128);
	AlphaBlend(&expect, &half, 1);
	EXPECT_EQ(dest[2][2], expect);
	EXPECT_EQ(dest[0][0], expect);

	Image d2 = Solid(4, 1, Px(10, 10, 10));
	Over(d2, Point(2, 0), Solid(5, 1, Px(200, 200, 200)), Rect(0, 0, 5, 1));
	EXPECT_EQ(d2[0][1], Px(10, 10, 10));
	EXPECT_EQ(d2[0][2], Px(200, 200, 200));

	Image e;
	Over(e, big);
	EXPECT_TRUE(e.IsEmpty());
}

TEST(ImageOp, CreateImageAndSpots)
{
	Image m = CreateImage(Size(2, 3), Color(10, 20, 30));
	ASSERT_EQ(m.GetSize(), Size(2, 3));
	EXPECT_EQ(m[2][1], Px(10, 20, 30));
	EXPECT_EQ(m.GetKind(), IMAGE_OPAQUE);
	EXPECT_EQ(CreateImage(Size(1, 1), Color())[0][0], Px(0, 0, 0, 0));
	EXPECT_TRUE(CreateImage(Size(-1, 4), Color(1, 2, 3)).IsEmpty());
	EXPECT_TRUE(CreateImage(Size(1 << 20, 1 << 20), Color(1, 2, 3)).IsEmpty());

	Image k = WithHotSpot(WithHotSpots(m, 1, 2, 3, 4), 5, 6);
	EXPECT_EQ(k.GetHotSpot(), Point(5, 6));
	EXPECT_EQ(k.Get2ndSpot(), Point(3, 4));
	EXPECT_EQ(m.GetHotSpot(), Point(0, 0)) << "the source is not changed";
	EXPECT_TRUE(WithHotSpot(Image(), 1, 1).IsEmpty());
}

TEST(ImageOp, SetKindFromPixels)
{
	for(bool opaque : { true, false }) {
		Image a = RandomImage(5, 5, 1, opaque);
		SetKindFromPixels(a);
		EXPECT_EQ(a.GetKind(), opaque ? IMAGE_OPAQUE : IMAGE_ALPHA);
	}
}

TEST(ImageOp, Crop)
{
	Image m = Columns(6, 5);
	EXPECT_EQ(Crop(m, Rect(0, 0, 6, 5)).GetSerialId(), m.GetSerialId());
	Image c = Crop(m, 2, 1, 3, 2);
	ASSERT_EQ(c.GetSize(), Size(3, 2));
	EXPECT_EQ(c[0][0], Px(2, 1, 7));
	EXPECT_EQ(c[1][2], Px(4, 2, 7));
	Image d = Crop(m, Rect(-5, 3, 100, 100));
	ASSERT_EQ(d.GetSize(), Size(6, 2));
	EXPECT_EQ(d[0][0], Px(0, 3, 7));
	EXPECT_TRUE(Crop(m, Rect(7, 0, 9, 5)).IsEmpty());
	EXPECT_TRUE(Crop(m, 1, 1, INT_MAX, -3).IsEmpty());
	EXPECT_EQ(Crop(m, 4, 4, INT_MAX, INT_MAX).GetSize(), Size(2, 1));
}

TEST(ImageOp, ColourOperations)
{
	Image m = RandomImage(9, 7, 3);
	EXPECT_TRUE(SamePixels(Grayscale(m, 0), m));
	// full strength gives grey pixels with their alpha, and leaves grey pixels as they are
	Image g = Grayscale(m, 256);
	for(int i = 0; i < m.GetLength(); i++) {
		RGBA t = g.Begin()[i];
		ASSERT_TRUE(t.r == t.g && t.g == t.b && t.a == m.Begin()[i].a) << i;
	}
	EXPECT_TRUE(SamePixels(Grayscale(g, 256), g));

	Image white = Solid(2, 2, Px(255, 255, 255));
	RGBA dark = DarkTheme(white)[0][0];
	EXPECT_LT(dark.r + dark.g + dark.b, 3 * 128);
	EXPECT_EQ(dark.a, 255);
	Image half = Solid(1, 1, Px(0, 0, 0, 128));
	RGBA hd = DarkTheme(half)[0][0];
	EXPECT_EQ(hd.a, 128);
	EXPECT_LE(std::max({ hd.r, hd.g, hd.b }), hd.a) << "premultiplied again";

	Image c = Colorize(half, Color(255, 0, 0));
	EXPECT_EQ(c[0][0], Px(128, 0, 0, 128));

	EXPECT_EQ(ChannelDiff(Px(10, 20, 30, 40), Px(12, 20, 25, 41)), 5);
	EXPECT_EQ(ChannelDiff(Px(0, 0, 0, 0), Px(0, 0, 0, 255)), 255);
}

TEST(ImageOp, RecreateAlpha)
{
	// red at half alpha rendered over white and over black
	Image w = Solid(2, 1, Px(255, 127, 127));
	Image k = Solid(2, 1, Px(128, 0, 0));
	Image r = RecreateAlpha(w, k);
	ASSERT_EQ(r.GetSize(), Size(2, 1));
	EXPECT_EQ(r[0][0].a, 128);
	EXPECT_EQ(r[0][0].r, 128);
	EXPECT_EQ(r[0][0].g, 0);

	// white over white, black over black: nothing was there
	EXPECT_EQ(RecreateAlpha(Solid(1, 1, Px(255, 255, 255)), Solid(1, 1, Px(0, 0, 0)))[0][0], Px(0, 0, 0, 0));
	EXPECT_TRUE(RecreateAlpha(Solid(2, 2, Px(1, 1, 1)), Solid(1, 1, Px(1, 1, 1))).IsEmpty());
}

TEST(ImageOp, IsUniformArea)
{
	ImageBuffer b(4, 4);
	for(RGBA& c : b)
		c = Px(1, 2, 3);
	b[3][3] = Px(9, 9, 9);
	Image m(b);
	EXPECT_TRUE(IsUniformArea(m, Rect(0, 0, 3, 4)));
	EXPECT_FALSE(IsUniformArea(m, Rect(0, 0, 4, 4)));
	EXPECT_TRUE(IsUniformArea(m, Rect(3, 3, 9, 9)));
	EXPECT_TRUE(IsUniformArea(m, Rect(10, 10, 20, 20)));
	EXPECT_TRUE(IsUniformArea(Image(), Rect(0, 0, 5, 5)));
}

// Every operation on the empty image and on one pixel: no crash, the sizes that follow.
TEST(ImageOp, EmptyAndSinglePixel)
{
	struct Case {
		const char* name;
		Image (*fn)(const Image&);
		Size one; // result size for a 1 x 1 image
	};
	static const Case cases[] = {
		{ "Grayscale", [](const Image& m) { return Grayscale(m, 100); }, Size(1, 1) },
		{ "DarkTheme", [](const Image& m) { return DarkTheme(m); }, Size(1, 1) },
		{ "Colorize", [](const Image& m) { return Colorize(m, Color(1, 2, 3)); }, Size(1, 1) },
		{ "RecreateAlpha", [](const Image& m) { return RecreateAlpha(m, m); }, Size(1, 1) },
		{ "Crop", [](const Image& m) { return Crop(m, 0, 0, 1, 1); }, Size(1, 1) },
		{ "Filter", [](const Image& m) { EtchFilter f; return Filter(m, f); }, Size(1, 1) },
		{ "Upscale2x", [](const Image& m) { return Upscale2x(m); }, Size(2, 2) },
		{ "Upscale2xOpaque", [](const Image& m) { return Upscale2xOpaque(m); }, Size(2, 2) },
		{ "Downscale2x", [](const Image& m) { return Downscale2x(m); }, Size(0, 0) },
		{ "Minify", [](const Image& m) { return Minify(m, 3, 2, true); }, Size(1, 1) },
		{ "Magnify", [](const Image& m) { return Magnify(m, 2, 3, true); }, Size(2, 3) },
		{ "DownSample3x", [](const Image& m) { return DownSample3x(m, true); }, Size(0, 0) },
		{ "Rescale", [](const Image& m) { return Rescale(m, Size(3, 2), Rect(0, 0, 1, 1)); }, Size(3, 2) },
		{ "RescaleFilter", [](const Image& m) { return RescaleFilter(m, Size(3, 2), Rect(0, 0, 1, 1), 7, {}, true); }, Size(3, 2) },
	};
	Image one = Solid(1, 1, Px(200, 100, 50));
	for(const Case& c : cases) {
		Image e = c.fn(Image());
		EXPECT_TRUE(e.IsEmpty() || c.one == Size(3, 2)) << c.name;
		EXPECT_EQ(c.fn(one).GetSize(), c.one) << c.name;
	}
	Image e;
	SetKindFromPixels(e);
	SetHotSpots(e, Point(1, 1), Point(1, 1));
	EXPECT_TRUE(e.IsEmpty());
}
