// ImageDraw: the painted content as an Image, with and without the opacity draw.
#include "CairoCount.h"

namespace guitest {
namespace {

TEST(ImageDraw, OpaqueUnlessAnAlphaDrawWasAskedFor)
{
	ImageDraw w(4, 3);
	Image m = w.GetImage();
	ASSERT_EQ(m.GetSize(), Size(4, 3));
	EXPECT_EQ(Pixel(m, 3, 2), 0xFF000000u); // nothing drawn: opaque black
	EXPECT_EQ(m.GetKind(), IMAGE_OPAQUE);
	w.DrawRect(0, 0, 4, 3, Color(200, 100, 50));
	EXPECT_EQ(Pixel(w.GetImage(), 1, 1), 0xFFC86432u);

	// the red of the alpha draw is the opacity; the colours come premultiplied
	w.Alpha().DrawRect(0, 0, 2, 3, Color(128, 0, 0));
	m = w.GetImage();
	ImageBuffer expect(1, 1);
	expect[0][0] = RGBA{ 50, 100, 200, 128 };
	expect.SetKind(IMAGE_ALPHA);
	Premultiply(expect);
	Image e(expect);
	EXPECT_EQ(Pixel(m, 1, 1), Pixel(e, 0, 0));
	EXPECT_LT(m[1][1].r, 200);
	EXPECT_EQ(Pixel(m, 3, 1), 0u); // painted in colour only: transparent
	EXPECT_EQ(m.GetKind(), IMAGE_ALPHA);
}

TEST(ImageDraw, PendingTextShowsAndIsDroppedAtDestruction)
{
	{
		ImageDraw w(60, 20);
		w.DrawRect(0, 0, 60, 20, Color(255, 255, 255));
		w.DrawText(2, 2, "Text", DejaVu(13), Color(0, 0, 0));
		Image m = w.GetImage();
		int inked = 0;
		for(int y = 0; y < 20; y++)
			for(int x = 0; x < 60; x++)
				inked += Pixel(m, x, y) != 0xFFFFFFFFu;
		EXPECT_GT(inked, 20);
	}
	ResetCounts();
	{
		ImageDraw w(60, 20);
		w.DrawText(2, 2, "Text", DejaVu(13), Color(0, 0, 0));
		w.Alpha().DrawText(2, 2, "Text", DejaVu(13), Color(255, 0, 0));
	}
	EXPECT_EQ(Counted().show_glyphs, 0);
	EXPECT_EQ(Counted().surfaces_made, 2);
	EXPECT_EQ(Counted().surfaces_destroyed, 2);
}

TEST(ImageDraw, SizesCairoCannotHoldDrawNothing)
{
	for(Size sz : { Size(40000, 10), Size(10, 32768), Size(-5, 10), Size(0, 0) }) {
		ImageDraw w(sz);
		w.DrawRect(0, 0, 100, 100, Color(255, 0, 0));
		w.DrawText(0, 0, "x", DejaVu(13), Color(0, 0, 0));
		w.Alpha().DrawRect(0, 0, 10, 10, Color(255, 0, 0));
		EXPECT_TRUE(w.GetImage().IsEmpty());
		EXPECT_TRUE(Healthy(w));
	}
	// the drawing layer's hooks
	Draw* d = CreateImageDraw(Size(3, 2));
	d->DrawRect(0, 0, 3, 2, Color(0, 0, 255));
	Image m = ExtractImageDraw(*d);
	delete d;
	ASSERT_EQ(m.GetSize(), Size(3, 2));
	EXPECT_EQ(Pixel(m, 2, 1), 0xFF0000FFu);
	NilDraw nil;
	EXPECT_TRUE(ExtractImageDraw(nil).IsEmpty());
}

} // namespace
} // namespace guitest
