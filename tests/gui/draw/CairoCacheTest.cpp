// The scaled-font and image-surface caches: what they keep, what they cost and when they let go.
#include "CairoCount.h"

#include <gui/paint/detail/CairoCache.h>

namespace guitest {
namespace {

Image sImage(int cx, int cy, byte v = 100)
{
	ImageBuffer ib(cx, cy);
	for(RGBA& p : ib)
		p = RGBA{ v, v, v, 255 };
	return Image(ib);
}

TEST(CairoCaches, FontsByFontAndAngleTrimmedTo128AfterEachRun)
{
	auto& cache = detail::CairoFontCache();
	cache.Clear();
	ImageDraw w(50, 50);
	Font f = DejaVu(12);
	ResetCounts();
	for(int angle = 0; angle <= 128; angle++) { // 129 pairs, each a run of its own
		w.DrawText(20, 20, angle, WString("xy"), f, Color(0, 0, 0));
		w.FlushText();
		if(angle == 0) {
			EXPECT_EQ(cache.GetSize(), 133);
		}
	}
	EXPECT_EQ(cache.GetCount(), 128);
	EXPECT_EQ(Counted().fonts_destroyed, 1);
	w.DrawText(20, 20, 128, WString("x"), f, Color(0, 0, 0)); // the most recent one stays
	w.DrawText(0, 0, 0, WString("x"), f, Color(0, 0, 0));     // the first one went
	w.FlushText();
	EXPECT_EQ(Counted().fonts_made, 130);
	EXPECT_EQ(Counted().fonts_destroyed, 2);
}

TEST(CairoCaches, ImagesBySerialSweptWhenOnlyTheCacheHoldsThem)
{
	auto& cache = detail::CairoImageCache();
	cache.Clear();
	ImageDraw w(300, 300);
	Image big = sImage(201, 201); // more than the sweep's pixel count: each draw of it sweeps
	w.DrawImage(0, 0, big);
	Image a = sImage(10, 10), copy = a;
	w.DrawImage(0, 0, a);
	w.DrawImage(5, 5, copy);
	w.DrawImage(5, 5, a, Color(255, 0, 0));
	EXPECT_EQ(cache.GetCount(), 2);
	EXPECT_EQ(cache.GetSize(), 201 * 201 + 120 + 220);
	a.Clear();
	copy.Clear();
	w.DrawRect(0, 0, 1, 1, Color(0, 0, 0));
	EXPECT_EQ(cache.GetCount(), 2); // released, kept until the next sweep
	w.DrawImage(0, 0, big);
	EXPECT_EQ(cache.GetSize(), 201 * 201 + 120); // the image still held stays
}

TEST(CairoCaches, AtMost1000SurfacesAndTheScreenBudget)
{
	auto& cache = detail::CairoImageCache();
	cache.Clear();
	// no display: the virtual screen is taken as 1024 x 768
	EXPECT_EQ(detail::CairoImageCacheBudget(), 4 * 1024 * 768);
	ImageDraw w(10, 10);
	Vector<Image> held;
	ResetCounts();
	for(int i = 0; i < 1100; i++) {
		held.Add(sImage(1, 1, byte(i)));
		w.DrawImage(0, 0, held.Top());
	}
	EXPECT_EQ(cache.GetCount(), 1000);
	EXPECT_EQ(Counted().surfaces_made - Counted().surfaces_destroyed, 1000);
	held.Clear();
	cache.Clear();
	for(int i = 0; i < 4; i++) { // 4,000,000 pixels against 3,145,728
		held.Add(sImage(1000, 1000, byte(i)));
		w.DrawImage(0, 0, held.Top());
	}
	EXPECT_EQ(cache.GetCount(), 3);
	EXPECT_LE(cache.GetSize(), detail::CairoImageCacheBudget());
	cache.Clear();
}

} // namespace
} // namespace guitest
