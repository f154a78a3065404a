#include "TestImage.h"

#include <climits>

using namespace QelTest;

TEST(ImageScale, MinifyAveragesBlocks)
{
	ImageBuffer b(5, 5);
	for(int y = 0; y < 5; y++)
		for(int x = 0; x < 5; x++)
			b[y][x] = Px(x * 10, y * 10, 100, 255);
	Image m = Minify(Image(b), 2, 2);
	ASSERT_EQ(m.GetSize(), Size(3, 3));
	EXPECT_EQ(m[0][0], Px(5, 5, 100));
	EXPECT_EQ(m[0][2], Px(40, 5, 100)) << "the last column averages the one column left";
	EXPECT_EQ(m[2][2], Px(40, 40, 100));
	EXPECT_EQ(m[2][1], Px(25, 40, 100));
	EXPECT_TRUE(Minify(Image(b), 0, 1).IsEmpty());
	EXPECT_TRUE(SamePixels(Minify(Solid(7, 3, Px(9, 8, 7, 200)), 7, 3), Solid(1, 1, Px(9, 8, 7, 200))));
	EXPECT_EQ(Minify(Solid(3, 3, Px(1, 1, 1)), 100, 100).GetSize(), Size(1, 1));
}

TEST(ImageScale, MagnifyRepeatsPixels)
{
	ImageBuffer b(2, 1);
	b[0][0] = Px(1, 2, 3);
	b[0][1] = Px(4, 5, 6);
	Image src(b);
	Image m = Magnify(src, 3, 2);
	ASSERT_EQ(m.GetSize(), Size(6, 2));
	for(int y = 0; y < 2; y++)
		for(int x = 0; x < 6; x++)
			EXPECT_EQ(m[y][x], x < 3 ? Px(1, 2, 3) : Px(4, 5, 6));
	EXPECT_EQ(Magnify(src, 1, 1).GetSerialId(), src.GetSerialId());
	EXPECT_EQ(Magnify(src, Rect(1, -5, 9, 9), 2, 2).GetSize(), Size(2, 2));
	EXPECT_TRUE(Magnify(src, -2, 2).IsEmpty());
	EXPECT_TRUE(Magnify(src, 2, 0).IsEmpty());
	EXPECT_TRUE(Magnify(src, INT_MAX, 2).IsEmpty());
	EXPECT_TRUE(Magnify(src, 1 << 16, 1 << 16).IsEmpty());
	EXPECT_TRUE(Magnify(src, Rect(3, 0, 5, 1), 2, 2).IsEmpty());
}

TEST(ImageScale, DownSample3x)
{
	EXPECT_TRUE(DownSample3x(Solid(2, 9, Px(1, 1, 1))).IsEmpty());
	EXPECT_TRUE(SamePixels(DownSample3x(Solid(3, 3, Px(77, 88, 99, 255))), Solid(1, 1, Px(77, 88, 99))));
	ImageBuffer b(7, 3);
	for(int x = 0; x < 7; x++)
		for(int y = 0; y < 3; y++)
			b[y][x] = Px(x * 3 + y, 0, 0, 255);
	b.SetHotSpot(Point(5, 2));
	b.Set2ndSpot(Point(6, 1));
	Image d = DownSample3x(Image(b));
	ASSERT_EQ(d.GetSize(), Size(2, 1));
	EXPECT_EQ(d[0][0].r, 4); // (0+1+2 + 3+4+5 + 6+7+8) / 9
	EXPECT_EQ(d[0][1].r, 13);
	EXPECT_EQ(d.GetHotSpot(), Point(1, 0));
	EXPECT_EQ(d.Get2ndSpot(), Point(2, 0));
}

TEST(ImageScale, ParallelEqualsSerial)
{
	for(Size sz : OddSizes) {
		Image m = RandomImage(sz.cx * 3 + 2, sz.cy * 3 + 1, sz.cx * 7 + sz.cy);
		for(Size f : { Size(1, 1), Size(2, 3), Size(5, 2), Size(40, 40) })
			EXPECT_TRUE(SamePixels(Minify(m, f.cx, f.cy, true), Minify(m, f.cx, f.cy, false)))
				<< "Minify " << f.cx << "x" << f.cy;
		EXPECT_TRUE(SamePixels(Magnify(m, 3, 2, true), Magnify(m, 3, 2, false)));
		EXPECT_TRUE(SamePixels(DownSample3x(m, true), DownSample3x(m, false)));
	}
}
