#include "TestImage.h"

#include <atomic>
#include <stdexcept>

using namespace QelTest;

namespace {

Image RF(const Image& m, Size sz, int filter, bool parallel = false)
{
	return RescaleFilter(m, sz, Rect(Point(0, 0), m.GetSize()), filter, {}, parallel);
}

double Zero(double, double) { return 0; }

} // namespace

TEST(RescaleFilter, KernelTables)
{
	KernelTable kt;
	GetFilterKernel(kt, FILTER_BOX, 10, 10);
	EXPECT_EQ(kt.table[kt.centre - 128], 256); // x = -0.5 is inside the box
	EXPECT_EQ(kt.table[kt.centre - 129], 0);
	GetFilterKernel(kt, FILTER_LANCZOS3, 10, 4);
	EXPECT_EQ(kt.table[kt.centre], 256);
	EXPECT_LT(kt.table[kt.centre + 320], 0) << "a negative lobe at distance 1.25";

	// one target pixel from a 1000-pixel row: the radius caps, the shift drops so sums fit
	GetFilterKernel(kt, 9, 1000, 1);
	EXPECT_EQ(kt.radius, 31);
	EXPECT_EQ(kt.shift, 5);

	// the painter's two-argument form shares the tables
	KernelTable two = GetFilterKernel(FILTER_MITCHELL, 3);
	GetFilterKernel(kt, FILTER_MITCHELL, 3, 1);
	EXPECT_EQ(two.radius, kt.radius);
	EXPECT_EQ(two.table, kt.table);
}

TEST(RescaleFilter, FilterNumbersClampAndNullIsThePlainRescale)
{
	Image m = RandomImage(13, 11, 8);
	EXPECT_TRUE(SamePixels(RF(m, Size(7, 5), 12), RF(m, Size(7, 5), 9)));
	EXPECT_TRUE(SamePixels(RF(m, Size(7, 5), -3), RF(m, Size(7, 5), 0)));
	EXPECT_TRUE(SamePixels(RF(m, Size(5, 7), INT_NULL), Rescale(m, Size(5, 7), Rect(0, 0, 13, 11))));
	EXPECT_TRUE(SamePixels(RF(m, m.GetSize(), FILTER_BOX), m));
}

TEST(RescaleFilter, SolidStaysSolidAndResultsStayPremultiplied)
{
	Image solid = Solid(9, 7, Px(30, 200, 90, 210));
	Image m = RandomImage(23, 19, 3);
	for(int f = 0; f < 10; f++)
		for(Size t : { Size(3, 2), Size(9, 7), Size(31, 40), Size(1, 1) }) {
			ASSERT_TRUE(SamePixels(RF(solid, t, f), Solid(t.cx, t.cy, Px(30, 200, 90, 210)))) << f;
			for(RGBA c : RF(m, t, f))
				ASSERT_LE(std::max({ c.r, c.g, c.b }), c.a) << f;
		}
}

TEST(RescaleFilter, EmptyInputs)
{
	Image m = RandomImage(4, 4, 1);
	EXPECT_TRUE(RF(m, Size(0, 3), 7).IsEmpty());
	EXPECT_TRUE(RescaleFilter(m, Size(3, 3), Rect(2, 0, 2, 4), 7).IsEmpty());
	// a rectangle reaching beyond the image repeats its edges
	Image r = RescaleFilter(Solid(4, 4, Px(9, 9, 9)), Size(6, 6), Rect(-10, -10, 20, 20), FILTER_LANCZOS3);
	EXPECT_TRUE(SamePixels(r, Solid(6, 6, Px(9, 9, 9))));
}

TEST(RescaleFilter, NonPositiveWeightSumGivesTransparent)
{
	Image m = Solid(5, 5, Px(100, 100, 100));
	Image r = RescaleFilter(m, Size(3, 3), Rect(0, 0, 5, 5), Zero, 2);
	EXPECT_TRUE(SamePixels(r, Solid(3, 3, Px(0, 0, 0, 0))));
}

TEST(RescaleFilter, CancelAtOnce)
{
	Image m = RandomImage(40, 30, 2);
	for(bool parallel : { false, true }) {
		Image r = RescaleFilter(m, Size(25, 17), Rect(0, 0, 40, 30), FILTER_LANCZOS3,
		                        [](int, int) { return true; }, parallel);
		EXPECT_TRUE(SamePixels(r, Solid(25, 17, Px(0, 0, 0, 0))));
	}
}

TEST(RescaleFilter, ProgressExceptionReachesTheCallerOnce)
{
	Image m = RandomImage(40, 300, 2);
	for(bool parallel : { false, true }) {
		std::atomic<int> thrown = 0;
		int caught = 0;
		try {
			RescaleFilter(m, Size(20, 200), Rect(0, 0, 40, 300), FILTER_BSPLINE,
			              [&](int y, int) -> bool { if(y % 7 == 3) { thrown++; throw std::runtime_error("stop"); } return false; },
			              parallel);
		}
		catch(const std::runtime_error&) {
			caught++;
		}
		EXPECT_EQ(caught, 1);
		EXPECT_GE(thrown, 1);
	}
}

TEST(RescaleFilter, ParallelEqualsSerial)
{
	for(Size sz : OddSizes) {
		Image m = RandomImage(sz.cx, sz.cy, sz.cx * 3 + sz.cy);
		for(int f : { FILTER_BOX, FILTER_MITCHELL, FILTER_LANCZOS3, FILTER_LANCZOS5 })
			for(Size t : { Size(1, 1), Size(sz.cx * 2 + 1, sz.cy * 3 + 1), Size(sz.cx / 3 + 1, sz.cy / 2 + 1), Size(97, 3) }) {
				std::atomic<int> rows = 0;
				Image p = RescaleFilter(m, t, Rect(0, 0, sz.cx, sz.cy), f, [&](int, int) { rows++; return false; }, true);
				EXPECT_EQ(rows, t.cy);
				ASSERT_TRUE(SamePixels(p, RF(m, t, f, false))) << sz.cx << "x" << sz.cy << " -> " << t.cx << "x" << t.cy << " filter " << f;
			}
	}
}

TEST(RescaleFilter, InsideAPoolJob)
{
	Image m = RandomImage(50, 40, 6);
	Image serial = RF(m, Size(21, 33), FILTER_LANCZOS2);
	std::atomic<int> same = 0;
	CoWork co;
	for(int i = 0; i < 6; i++)
		co & [&] { same += SamePixels(RF(m, Size(21, 33), FILTER_LANCZOS2, true), serial) ? 1 : 0; };
	co.Finish();
	EXPECT_EQ(same, 6);
}
