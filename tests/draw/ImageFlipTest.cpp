#include <draw/Draw.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace Qel;

namespace {

Image Numbered(int cx, int cy, Point hot = Point(), Point spot2 = Point())
{
	ImageBuffer b(cx, cy);
	for(int y = 0; y < cy; y++)
		for(int x = 0; x < cx; x++)
			b[y][x] = RGBA{ byte(x), byte(y), byte(x >> 8 | y >> 8 << 4), 255 };
	b.SetHotSpot(hot);
	b.Set2ndSpot(spot2);
	b.SetPhysicalSize(Size(cx * 10, cy * 10));
	return b;
}

struct Op {
	const char* name;
	Image (*fn)(const Image&);
	bool swaps; // result is H x W
	Point (*to)(int x, int y, int w, int h);
};

Image Mh(const Image& i) { return MirrorHorizontal(i); }
Image Mv(const Image& i) { return MirrorVertical(i); }

const Op ops[] = {
	{ "MirrorHorizontal", Mh, false, [](int x, int y, int w, int) { return Point(w - 1 - x, y); } },
	{ "Rotate180", Rotate180, false, [](int x, int y, int w, int h) { return Point(w - 1 - x, h - 1 - y); } },
	{ "MirrorVertical", Mv, false, [](int x, int y, int, int h) { return Point(x, h - 1 - y); } },
	{ "Transpose", Transpose, true, [](int x, int y, int, int) { return Point(y, x); } },
	{ "RotateClockwise", RotateClockwise, true, [](int x, int y, int, int h) { return Point(h - 1 - y, x); } },
	{ "Transverse", Transverse, true, [](int x, int y, int w, int h) { return Point(h - 1 - y, w - 1 - x); } },
	{ "RotateAntiClockwise", RotateAntiClockwise, true, [](int x, int y, int w, int) { return Point(y, w - 1 - x); } },
};

} // namespace

TEST(ImageFlip, AgainstNaiveMaps)
{
	for(const Op& op : ops)
		for(Size sz : { Size(1, 1), Size(3, 2), Size(2, 3), Size(1, 7), Size(67, 130), Size(129, 65) }) {
			Image src = Numbered(sz.cx, sz.cy, Point(1, 0), Point(sz.cx - 1, sz.cy - 1));
			Image r = op.fn(src);
			ASSERT_EQ(r.GetSize(), op.swaps ? Size(sz.cy, sz.cx) : sz) << op.name;
			for(int y = 0; y < sz.cy; y++)
				for(int x = 0; x < sz.cx; x++) {
					Point p = op.to(x, y, sz.cx, sz.cy);
					ASSERT_EQ(r[p.y][p.x], src[y][x]) << op.name << " " << x << "," << y;
				}
			Point a = op.to(1, 0, sz.cx, sz.cy);
			Point b = op.to(sz.cx - 1, sz.cy - 1, sz.cx, sz.cy);
			EXPECT_EQ(r.GetHotSpot(), Point(min(a.x, b.x), min(a.y, b.y))) << op.name;
			EXPECT_EQ(r.Get2ndSpot(), Point(max(a.x, b.x), max(a.y, b.y))) << op.name;
			Size dots = src.GetPhysicalSize();
			EXPECT_EQ(r.GetPhysicalSize(), op.swaps ? Size(dots.cy, dots.cx) : dots) << op.name;
			EXPECT_TRUE(op.fn(Image()).IsEmpty());
		}
}

TEST(ImageFlip, InversesRestoreAndUnsharedImagesFlipInPlace)
{
	Image src = Numbered(37, 21, Point(3, 4), Point(10, 12));
	const std::pair<Image (*)(const Image&), Image (*)(const Image&)> pairs[] = {
		{ RotateClockwise, RotateAntiClockwise }, { RotateAntiClockwise, RotateClockwise }, { Rotate180, Rotate180 },
		{ Transpose, Transpose }, { Transverse, Transverse }, { Mh, Mh }, { Mv, Mv },
	};
	for(auto [f, g] : pairs) {
		Image img = g(f(src));
		EXPECT_EQ(ImageHash(img), ImageHash(src));
		EXPECT_EQ(img.GetSize(), src.GetSize());
		EXPECT_EQ(img.GetHotSpot(), Point(3, 4));
		EXPECT_EQ(img.Get2ndSpot(), Point(10, 12));
	}
	Image m = Numbered(8, 8);
	const RGBA* block = m.Begin();
	EXPECT_EQ(MirrorHorizontal(std::move(m)).Begin(), block);
}

TEST(ImageFlip, ApplyOrientation)
{
	Image src = Numbered(5, 3, Point(1, 2));
	Image (*want[])(const Image&) = { nullptr, Mh, Rotate180, Mv, Transpose, RotateClockwise, Transverse, RotateAntiClockwise };
	for(int o = -1; o < 10; o++) {
		Image r = ApplyOrientation(src, o);
		if(o >= 1 && o <= 7)
			EXPECT_EQ(ImageHash(r), ImageHash(want[o](src))) << o;
		else
			EXPECT_TRUE(r.IsSame(src)) << o;
	}
}

TEST(ImageFlip, SharedImageAcrossThreads)
{
	// one image flipped, converted and copied on 8 threads at once; it must stay as it was
	Image src = Numbered(45, 33, Point(2, 3));
	hash_t h = ImageHash(src);
	hash_t hm = ImageHash(MirrorHorizontal(src)), hr = ImageHash(RotateClockwise(src));
	std::vector<std::thread> th;
	std::atomic<int> bad{0};
	for(int i = 0; i < 8; i++)
		th.emplace_back([&, i] {
			for(int k = 0; k < 20; k++) {
				Image c = src;
				bad += ImageHash(MirrorHorizontal(c)) != hm;
				bad += ImageHash(RotateClockwise(c)) != hr;
				bad += Unmultiply(Premultiply(c)).GetKind() != IMAGE_OPAQUE;
				RGBA row[5] = { { 10, 10, 10, byte(i * 30) } };
				Unmultiply(row, row, 5);
			}
		});
	for(auto& t : th)
		t.join();
	EXPECT_EQ(bad, 0);
	EXPECT_EQ(ImageHash(src), h);
	EXPECT_EQ(src.GetRefCount(), 1);
}
