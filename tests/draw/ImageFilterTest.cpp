#include "TestImage.h"

using namespace QelTest;

namespace {

// Returns one chosen neighbour and counts its calls.
struct Pick : ImageFilter9 {
	int row, col;
	int calls = 0;
	RGBA operator()(const RGBA** mx) override { calls++; return mx[row][col]; }
	Pick(int row, int col) : row(row), col(col) {}
};

} // namespace

TEST(ImageFilter, EdgesRepeat)
{
	Image one = Solid(1, 1, Px(1, 2, 3));
	for(int r = 0; r < 3; r++)
		for(int c = 0; c < 3; c++) {
			Pick p(r, c);
			EXPECT_EQ(Filter(one, p)[0][0], Px(1, 2, 3));
			EXPECT_EQ(p.calls, 1);
		}
	// each neighbour of every pixel is the pixel at the offset, clamped into the image
	for(Size sz : { Size(1, 4), Size(5, 1), Size(2, 2), Size(7, 5) }) {
		Image m = RandomImage(sz.cx, sz.cy, 9);
		for(int r = 0; r < 3; r++)
			for(int c = 0; c < 3; c++) {
				Pick p(r, c);
				Image f = Filter(m, p);
				ASSERT_EQ(f.GetSize(), sz);
				for(int y = 0; y < sz.cy; y++)
					for(int x = 0; x < sz.cx; x++)
						ASSERT_EQ(f[y][x], m[std::clamp(y + r - 1, 0, sz.cy - 1)][std::clamp(x + c - 1, 0, sz.cx - 1)])
							<< sz.cx << "x" << sz.cy << " at " << x << "," << y << " neighbour " << r << c;
			}
	}
}

TEST(ImageFilter, Etch)
{
	EtchFilter f;
	auto run = [&](RGBA tl, RGBA c) {
		RGBA rows[3][3] = { { tl, Px(0, 0, 0, 0), Px(0, 0, 0, 0) }, { Px(0, 0, 0, 0), c, Px(0, 0, 0, 0) },
		                    { Px(0, 0, 0, 0), Px(0, 0, 0, 0), Px(0, 0, 0, 0) } };
		const RGBA* mx[3] = { rows[0], rows[1], rows[2] };
		return f(mx);
	};
	RGBA clear = Px(0, 0, 0, 0);
	EXPECT_EQ(run(clear, Px(10, 10, 10, 200)), Px(0x80, 0x80, 0x80, 200));
	EXPECT_EQ(run(Px(10, 10, 10, 150), Px(250, 250, 250, 255)), Px(255, 255, 255, 150));
	EXPECT_EQ(run(Px(10, 10, 10, 128), Px(10, 10, 10, 128)), clear) << "alpha 128 is too faint";
	EXPECT_EQ(run(Px(200, 200, 100, 255), clear), clear) << "a sum of 500 is not dark";
}

TEST(ImageFilter, Upscale2x)
{
	Image m = RandomImage(9, 6, 4, true);
	Image u = Upscale2x(m);
	ASSERT_EQ(u.GetSize(), Size(18, 12));
	for(RGBA c : u)
		ASSERT_EQ(c.a, 255);

	// a second spot: plain pixel doubling, spots doubled
	Image s = WithHotSpots(RandomImage(5, 3, 6), Point(1, 2), Point(3, 1));
	Image d = Upscale2x(s);
	EXPECT_TRUE(SamePixels(d, Magnify(s, 2, 2)));
	EXPECT_EQ(d.GetHotSpot(), Point(2, 4));
	EXPECT_EQ(d.Get2ndSpot(), Point(6, 2));

	// a solid disc on transparent keeps a clean outside and a solid inside
	ImageBuffer b(16, 16);
	for(int y = 0; y < 16; y++)
		for(int x = 0; x < 16; x++)
			b[y][x] = (x - 8) * (x - 8) + (y - 8) * (y - 8) < 25 ? Px(200, 40, 40) : Px(0, 0, 0, 0);
	Image disc = Upscale2x(Image(b));
	EXPECT_EQ(disc[0][0], Px(0, 0, 0, 0));
	EXPECT_EQ(disc[16][16], Px(200, 40, 40));
	for(RGBA c : disc)
		ASSERT_LE(std::max({ c.r, c.g, c.b }), c.a);
}

TEST(ImageFilter, Upscale2xOpaqueTurnsWithTheImage)
{
	// the rule is the same for each corner turned to the bottom right: doubling commutes with
	// quarter turns
	for(Size sz : { Size(1, 1), Size(2, 3), Size(9, 7) }) {
		Image m = RandomImage(sz.cx, sz.cy, sz.cx + 40, true);
		// fewer colours, so that edges and equal distances occur
		ImageBuffer b(m);
		for(RGBA& c : b)
			c = c.g & 64 ? Px(250, 250, 250) : c.g & 32 ? Px(20, 20, 20) : Px(120, 60, 200);
		m = b;
		EXPECT_TRUE(SamePixels(RotateClockwise(Upscale2xOpaque(m)), Upscale2xOpaque(RotateClockwise(m))))
			<< sz.cx << "x" << sz.cy;
	}
	// a diagonal edge gets blended corners; a flat image stays flat
	ImageBuffer e(4, 4);
	for(int y = 0; y < 4; y++)
		for(int x = 0; x < 4; x++)
			e[y][x] = x + y < 4 ? Px(0, 0, 0) : Px(254, 254, 254);
	Image ue = Upscale2xOpaque(Image(e));
	int blended = 0;
	for(RGBA c : ue)
		blended += c.r == 127;
	EXPECT_GT(blended, 0);
	EXPECT_TRUE(SamePixels(Upscale2xOpaque(Solid(3, 2, Px(5, 6, 7))), Solid(6, 4, Px(5, 6, 7))));
}

TEST(ImageFilter, Downscale2x)
{
	Image m = WithHotSpot(Solid(11, 20, Px(30, 60, 90)), 5, 7);
	Image d = Downscale2x(m);
	ASSERT_EQ(d.GetSize(), Size(5, 10));
	EXPECT_EQ(d.GetHotSpot(), Point(2, 3));
	EXPECT_TRUE(SamePixels(d, Solid(5, 10, Px(30, 60, 90))));
	Image s = WithHotSpots(RandomImage(8, 8, 3), Point(0, 0), Point(3, 5));
	EXPECT_EQ(Downscale2x(s).Get2ndSpot(), Point(1, 2));
	EXPECT_TRUE(SamePixels(Downscale2x(s), RescaleFilter(s, Size(4, 4), Rect(0, 0, 8, 8), FILTER_TRIANGLE)));
}
