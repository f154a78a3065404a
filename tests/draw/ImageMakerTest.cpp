#include "TestImage.h"

#include <Core/value/ValueCache.h>

#include <atomic>
#include <climits>
#include <thread>

using namespace QelTest;

namespace {

// Counts its makes; the key is given by the test.
struct CountingMaker : ImageMaker {
	String            key;
	Size              size;
	std::atomic<int>* made;

	String Key() const override { return key; }
	Image  Make() const override
	{
		(*made)++;
		return size.cx ? Solid(size.cx, size.cy, Px(10, 20, 30)) : Image();
	}
	CountingMaker(const String& k, Size sz, std::atomic<int>& n) : key(k), size(sz), made(&n) {}
};

struct OtherMaker : CountingMaker {
	using CountingMaker::CountingMaker;
};

String UniqueKey()
{
	static std::atomic<int> n{0};
	String k = "k";
	k << n++;
	return k;
}

struct DarkGuard {
	~DarkGuard() { SetDarkTheme(false); }
};

} // namespace

TEST(ImageMaker, EqualKeysMakeOnceAndClassesDoNotMeet)
{
	std::atomic<int> n{0};
	String k = UniqueKey();
	Image a = MakeImage(CountingMaker(k, Size(4, 3), n));
	Image b = MakeImage(CountingMaker(k, Size(4, 3), n));
	EXPECT_EQ(n, 1);
	EXPECT_TRUE(a.IsSame(b));
	Image c = MakeImage(OtherMaker(k, Size(4, 3), n));
	EXPECT_EQ(n, 2);
	EXPECT_FALSE(c.IsSame(a));
}

TEST(ImageMaker, DarkThemeAndPaintOnlyAreSeparateEntries)
{
	DarkGuard guard;
	std::atomic<int> n{0};
	String k = UniqueKey();
	Image light = MakeImage(CountingMaker(k, Size(2, 2), n));
	SetDarkTheme(true);
	Image dark = MakeImage(CountingMaker(k, Size(2, 2), n));
	EXPECT_EQ(n, 2);
	Image paint = MakeImagePaintOnly(CountingMaker(k, Size(2, 2), n));
	EXPECT_EQ(n, 3);
	EXPECT_TRUE(paint.IsPaintOnly());
	EXPECT_FALSE(dark.IsPaintOnly());
	SetDarkTheme(false);
	EXPECT_TRUE(MakeImage(CountingMaker(k, Size(2, 2), n)).IsSame(light));
	EXPECT_EQ(n, 3);
}

TEST(ImageMaker, EmptyResultIsCachedAsEmpty)
{
	std::atomic<int> n{0};
	String k = UniqueKey();
	EXPECT_TRUE(MakeImage(CountingMaker(k, Size(), n)).IsEmpty());
	EXPECT_TRUE(MakeImage(CountingMaker(k, Size(), n)).IsEmpty());
	EXPECT_EQ(n, 1);
}

TEST(ImageMaker, CostGrowsWithThePixelCount)
{
	std::atomic<int> n{0};
	String k = UniqueKey();
	Mutex::Lock lock(ValueCacheMutex());
	int64 before = GetValueCache().GetSize();
	Image a = MakeImage(CountingMaker(k, Size(100, 30), n));
	int64 made = GetValueCache().GetSize() - before;
	Image b = MakeImage(CountingMaker(UniqueKey(), Size(1, 1), n));
	int64 small = GetValueCache().GetSize() - before - made;
	// the cache adds its own per-entry amount to both
	EXPECT_EQ(made - small, 100 * 30 - 1);
	EXPECT_GT(detail::ImageCacheCost(Image()), 0) << "empty results still cost their record";
}

TEST(ImageMaker, SimpleMakerKeysOnImageAndFunction)
{
	static std::atomic<int> calls{0};
	struct F {
		static Image Flip(const Image& m) { calls++; return MirrorHorizontal(m); }
		static Image Gray(const Image& m) { calls++; return Grayscale(m); }
	};
	Image src = RandomImage(5, 4, 7);
	calls = 0;
	Image a = MakeImage(src, F::Flip);
	Image b = MakeImage(src, F::Flip);
	EXPECT_EQ(calls, 1);
	EXPECT_TRUE(a.IsSame(b));
	EXPECT_TRUE(SamePixels(a, MirrorHorizontal(src)));
	MakeImage(src, F::Gray);
	MakeImage(RandomImage(5, 4, 7), F::Flip); // same pixels, other serial id
	EXPECT_EQ(calls, 3);
}

TEST(ImageMaker, CachedOperationsMatchTheDirectOnes)
{
	Image src = RandomImage(31, 17, 3);
	EXPECT_TRUE(SamePixels(MinifyCached(src, 3, 2), Minify(src, 3, 2)));
	EXPECT_TRUE(MinifyCached(src, 3, 2, true).IsSame(MinifyCached(src, 3, 2, false)));
	EXPECT_TRUE(SamePixels(CachedColorize(src, Color(200, 10, 0)), Colorize(src, Color(200, 10, 0))));
	EXPECT_TRUE(SamePixels(CachedRescale(src, Size(10, 40)), Rescale(src, Size(10, 40))));
	Rect r(3, 2, 20, 15);
	EXPECT_TRUE(SamePixels(CachedRescale(src, Size(8, 8), r, FILTER_LANCZOS3),
	                       RescaleFilter(src, Size(8, 8), r, FILTER_LANCZOS3)));
	EXPECT_TRUE(CachedRescale(src, src.GetSize()).IsSame(src));
	EXPECT_TRUE(CachedRescale(src, src.GetSize(), Rect(0, 0, 31, 17), FILTER_BOX).IsSame(src));
}

TEST(ImageMaker, RescaleMapsBothSpots)
{
	Image src = WithHotSpots(RandomImage(20, 10, 5), Point(10, 4), Point(19, 9));
	Image m = CachedRescale(src, Size(40, 5));
	EXPECT_EQ(m.GetHotSpot(), Point(20, 2));
	EXPECT_EQ(m.Get2ndSpot(), Point(38, 4));
	// relative to the rectangle's corner; points left of it truncate towards zero
	Image c = CachedRescale(src, Size(30, 30), Rect(5, 2, 15, 8), FILTER_TRIANGLE);
	EXPECT_EQ(c.GetHotSpot(), Point(15, 10));
	EXPECT_EQ(c.Get2ndSpot(), Point(42, 35));
	Image left = CachedRescale(WithHotSpot(src, 1, 0), Size(7, 7), Rect(5, 2, 15, 8));
	EXPECT_EQ(left.GetHotSpot(), Point(-2, -2));
}

TEST(ImageMaker, FreePaintOnlyPixelsDropsCostAndEmptiesAccessors)
{
	std::atomic<int> n{0};
	String k = UniqueKey();
	Image img = MakeImagePaintOnly(CountingMaker(k, Size(50, 40), n));
	ASSERT_TRUE(img.IsPaintOnly());
	uint64 serial = img.GetSerialId();
	int64 before;
	{
		Mutex::Lock lock(ValueCacheMutex());
		before = GetValueCache().GetSize();
	}
	FreePaintOnlyPixels(img);
	{
		Mutex::Lock lock(ValueCacheMutex());
		EXPECT_EQ(before - GetValueCache().GetSize(), 2000);
	}
	EXPECT_FALSE(img.HasPixels());
	EXPECT_EQ(img.GetSize(), Size(50, 40));
	EXPECT_EQ(img.GetSerialId(), serial);
	EXPECT_TRUE(!img.Begin() && !img.End() && !img[3] && img.GetLength() == 0 && img.GetKind() == IMAGE_EMPTY);
	Image copy = img;
	EXPECT_TRUE(ImageBuffer(copy).IsEmpty());
	img = MakeImagePaintOnly(CountingMaker(k, Size(50, 40), n));
	EXPECT_FALSE(img.HasPixels()); // the cache still hands out the record, pixels gone
	EXPECT_EQ(n, 1);

	// gone from the cache after eviction: the next request makes it again
	img = MakeImagePaintOnly(CountingMaker(k, Size(50, 40), n));
	EvictImageFromCache(img);
	Image again = MakeImagePaintOnly(CountingMaker(k, Size(50, 40), n));
	EXPECT_EQ(n, 2);
	EXPECT_TRUE(again.HasPixels());
	EXPECT_NE(again.GetSerialId(), serial);
}

TEST(ImageMaker, PixelsOfSharedOrOrdinaryImagesStay)
{
	std::atomic<int> n{0};
	String k = UniqueKey();
	Image img = MakeImagePaintOnly(CountingMaker(k, Size(8, 8), n));
	Image other = img; // a second holder may be reading
	FreePaintOnlyPixels(img);
	EXPECT_TRUE(img.HasPixels());
	other.Clear();
	FreePaintOnlyPixels(img);
	EXPECT_FALSE(img.HasPixels());

	Image plain = MakeImage(CountingMaker(UniqueKey(), Size(8, 8), n));
	FreePaintOnlyPixels(plain);
	EXPECT_TRUE(plain.HasPixels());
	EvictImageFromCache(plain); // has pixels: stays cached
	EXPECT_EQ(n, 2);

	// a paint-only image made from a shared record is not marked
	Image shared = Solid(3, 3, Px(1, 2, 3));
	struct Same : ImageMaker {
		Image m;
		String Key() const override { String k; k << int(m.GetSerialId()); return k; }
		Image  Make() const override { return m; }
	} same;
	same.m = shared;
	EXPECT_FALSE(MakeImagePaintOnly(same).IsPaintOnly());
}

TEST(ImageMaker, ThreadsShareOneMake)
{
	std::atomic<int> n{0};
	String k = UniqueKey();
	std::atomic<int> bad{0};
	std::vector<std::thread> threads;
	for(int t = 0; t < 8; t++)
		threads.emplace_back([&, t] {
			for(int i = 0; i < 200; i++) {
				Image m = (t + i) % 3 ? MakeImage(CountingMaker(k, Size(6, 6), n))
				                      : MakeImagePaintOnly(CountingMaker(k, Size(6, 6), n));
				if(m.GetSize() != Size(6, 6))
					bad++;
				if(m.IsPaintOnly() && i % 7 == 0) {
					FreePaintOnlyPixels(m);
					EvictImageFromCache(m);
				}
				else if(m.HasPixels() && m[5][5].a != 255)
					bad++;
			}
		});
	for(auto& t : threads)
		t.join();
	EXPECT_EQ(bad, 0);
	EXPECT_GE(n, 2);
}

// Hits are served without the value cache's lock; the cache must still see them as uses, or it
// would drop the images asked for most as the least recently used.
TEST(ImageMaker, HitsKeepImagesRecentInTheCache)
{
	std::atomic<int> na{0}, nb{0}, nc{0};
	String ka = UniqueKey(), kb = UniqueKey(), kc = UniqueKey();
	detail::SetValueCacheLimits(INT_MAX, 0); // empty
	detail::SetValueCacheLimits(INT_MAX, 2);
	MakeImage(CountingMaker(ka, Size(2, 2), na));
	MakeImage(CountingMaker(kb, Size(2, 2), nb));
	for(int i = 0; i < 3; i++)
		MakeImage(CountingMaker(ka, Size(2, 2), na)); // a is now the more recent
	MakeImage(CountingMaker(kc, Size(2, 2), nc));      // one entry has to go: b
	Image a = MakeImage(CountingMaker(ka, Size(2, 2), na));
	Image b = MakeImage(CountingMaker(kb, Size(2, 2), nb));
	AdjustValueCacheLimit();
	EXPECT_EQ(na, 1);
	EXPECT_EQ(nb, 2);
	EXPECT_EQ(nc, 1);
	EXPECT_EQ(a.GetSize(), Size(2, 2));
}

// Many threads find the same images while the cache drops entries all the time; each thread
// also frees the pixels of paint-only images of its own and evicts them: every image handed out
// is whole, and an evicted entry is made again, not found stale.
TEST(ImageMaker, EightThreadsFindWhileEntriesGo)
{
	std::atomic<int> made{0};
	Vector<String> keys;
	for(int i = 0; i < 64; i++)
		keys.Add(UniqueKey());
	std::atomic<int> bad{0};
	std::atomic<bool> stop{false};
	std::thread dropper([&] {
		while(!stop) {
			ShrinkValueCache();
			detail::SetValueCacheLimits(INT_MAX, 20);
			AdjustValueCacheLimit();
		}
	});
	std::vector<std::thread> threads;
	for(int t = 0; t < 8; t++)
		threads.emplace_back([&, t] {
			String own[2] = { UniqueKey(), UniqueKey() };
			for(int i = 0; i < 2000; i++) {
				if(i % 5 == 0) {
					const String& k = own[i % 2];
					Image m = MakeImagePaintOnly(CountingMaker(k, Size(5, 4), made));
					if(m.GetSize() != Size(5, 4) || !m.HasPixels())
						bad++;
					FreePaintOnlyPixels(m);
					EvictImageFromCache(m);
					Image again = MakeImagePaintOnly(CountingMaker(k, Size(5, 4), made));
					if(!again.HasPixels() || again.IsSame(m))
						bad++;
					continue;
				}
				Image m = MakeImage(CountingMaker(keys[(t * 7 + i) % keys.GetCount()], Size(5, 4), made));
				if(m.GetSize() != Size(5, 4) || !m.HasPixels() || m[3][4] != Px(10, 20, 30))
					bad++;
			}
		});
	for(auto& t : threads)
		t.join();
	stop = true;
	dropper.join();
	AdjustValueCacheLimit();
	EXPECT_EQ(bad, 0);
	EXPECT_GE(made, 64);
}
