#include "TestImage.h"

#include <atomic>
#include <thread>
#include <vector>

using namespace QelTest;

TEST(ImageBuffer, CreateZeroFillsAndResets)
{
	ImageBuffer b(3, 2);
	b.SetHotSpot(Point(1, 1));
	b.SetKind(IMAGE_OPAQUE);
	b.Create(2, 5);
	EXPECT_EQ(b.GetSize(), Size(2, 5));
	EXPECT_EQ(b.GetHotSpot(), Point());
	EXPECT_EQ(b.GetKind(), IMAGE_UNKNOWN);
	for(const RGBA& c : b)
		EXPECT_EQ(c, RGBA{});
}

TEST(ImageBuffer, SizesThatCannotBeHeldAreRefused)
{
	struct { int cx, cy; bool ok; } cases[] = {
		{ -1, 5, false }, { 5, -1, false }, { 65536, 65536, false }, { 0x7FFFFFFF, 2, false },
		{ 46341, 46341, false }, { 0, 5, true }, { 0, 0, true }, { 1, 1, true },
	};
	for(auto c : cases) {
		ImageBuffer b(4, 4);
		EXPECT_EQ(b.Create(c.cx, c.cy), c.ok) << c.cx << "x" << c.cy;
		if(!c.ok) {
			EXPECT_EQ(b.GetSize(), Size());
		}
	}
}

TEST(Image, EmptyImage)
{
	ImageBuffer b(0, 0);
	Image img = b;
	EXPECT_TRUE(img.IsEmpty());
	EXPECT_EQ(img.GetKind(), IMAGE_EMPTY);
	EXPECT_EQ(img.GetSize(), Size());
	img.SetAuxData(5);
	EXPECT_EQ(img.GetAuxData(), 0u);
}

TEST(Image, HandOverLeavesBufferAndImageEmpty)
{
	ImageBuffer b(4, 3);
	b[1][2] = RGBA{ 1, 2, 3, 255 };
	b.SetHotSpot(Point(2, 1));
	b.Set2ndSpot(Point(3, 2));
	b.SetPhysicalSize(Size(40, 30));
	b.SetAttr(7);
	const RGBA* block = b.Begin();
	Image img = b;
	EXPECT_EQ(b.GetSize(), Size());
	EXPECT_TRUE(b.IsEmpty());
	EXPECT_EQ(img.Begin(), block); // no copy
	EXPECT_EQ(img[1][2], (RGBA{ 1, 2, 3, 255 }));
	EXPECT_EQ(img.GetHotSpot(), Point(2, 1));
	EXPECT_EQ(img.Get2ndSpot(), Point(3, 2));
	EXPECT_EQ(img.GetPhysicalSize(), Size(40, 30));
	EXPECT_EQ(img.GetAttr(), 7);

	Image moved = std::move(img);
	EXPECT_TRUE(img.IsEmpty());
	EXPECT_EQ(img.GetSize(), Size());
	EXPECT_EQ(moved.GetSize(), Size(4, 3));

	ImageBuffer b2(2, 2);
	ImageBuffer b3(5, 5);
	b3.Set(b2);
	EXPECT_EQ(b2.GetSize(), Size());
	EXPECT_EQ(b3.GetSize(), Size(2, 2));
}

TEST(Image, BufferFromUnsharedImageMovesFromSharedCopies)
{
	Image img = RandomImage(5, 4, 1);
	const RGBA* block = img.Begin();
	Image other = img;
	ImageBuffer b(img);
	EXPECT_TRUE(img.IsEmpty());
	EXPECT_NE(b.Begin(), block);
	b[0][0] = RGBA{ 9, 9, 9, 9 };
	EXPECT_NE(other[0][0], (RGBA{ 9, 9, 9, 9 })); // the other holder sees the old pixels
	EXPECT_EQ(b.GetKind(), IMAGE_UNKNOWN);

	ImageBuffer b2(other);
	EXPECT_EQ(b2.Begin(), block); // last holder: the block moves
	EXPECT_TRUE(other.IsEmpty());
}

TEST(Image, KindScan)
{
	// one translucent pixel anywhere makes it alpha; 0/255 alphas scan as alpha, never mask
	for(int n : { 1, 3, 4, 5, 17 })
		for(int at = 0; at <= n; at++) {
			ImageBuffer b(n, 1);
			for(RGBA& c : b)
				c.a = 255;
			if(at < n)
				b[0][at] = RGBA{};
			EXPECT_EQ(Image(b).GetKind(), at < n ? IMAGE_ALPHA : IMAGE_OPAQUE) << n << " " << at;
		}
	ImageBuffer b(2, 2);
	b.SetKind(IMAGE_MASK);
	EXPECT_EQ(Image(b).GetKind(), IMAGE_MASK); // a stated kind is kept
}

TEST(Image, KindUnderThreads)
{
	Image img = RandomImage(300, 300, 3);
	std::vector<std::thread> th;
	std::atomic<int> bad{0};
	for(int i = 0; i < 8; i++)
		th.emplace_back([&] {
			for(int k = 0; k < 50; k++) {
				Image c = img;
				if(c.GetKind() != IMAGE_ALPHA)
					bad++;
			}
		});
	for(auto& t : th)
		t.join();
	EXPECT_EQ(bad, 0);
	EXPECT_EQ(img.GetRefCount(), 1);
}

TEST(Image, HashFollowsPixelsSerialFollowsTheRecord)
{
	Image a = RandomImage(7, 3, 5);
	Image b = RandomImage(7, 3, 5);
	Image c = RandomImage(7, 3, 6);
	EXPECT_EQ(ImageHash(a), ImageHash(b));
	EXPECT_NE(ImageHash(a), ImageHash(c));
	EXPECT_NE(a.GetSerialId(), b.GetSerialId());
	EXPECT_EQ(Image(a).GetSerialId(), a.GetSerialId()) << "copies share the serial id";
	EXPECT_EQ(ImageHash(Image()), MemoryHash(nullptr, 0));
}

TEST(Image, ValueFormComparesAndStoresTheImage)
{
	Image img = RandomImage(3, 2, 1);
	Value v = img;
	EXPECT_TRUE(Image(v).IsSame(img));
	EXPECT_EQ(v.ToText(), "Image (3, 2)");
	EXPECT_TRUE(Value(Image()).IsNull());
	EXPECT_TRUE(Image(Value()).IsEmpty());

	// separately made but equal images compare equal, a different spot does not
	Value w = RandomImage(3, 2, 1);
	EXPECT_TRUE(v == w);
	ImageBuffer b(3, 2);
	Image other = RandomImage(3, 2, 1);
	b.Set(other);
	b.SetHotSpot(Point(1, 0));
	EXPECT_FALSE(v == Value(Image(b)));
	EXPECT_EQ(v.GetHashValue(), w.GetHashValue());

	// and through the stored form of Value
	StringStream vs;
	v.Serialize(vs);
	StringStream vin(vs.GetResult());
	vin.SetLoading();
	Value stored;
	stored.Serialize(vin);
	EXPECT_FALSE(vin.IsError());
	EXPECT_TRUE(stored == v);
	EXPECT_THROW((void)Image(Value(12)), ValueTypeError);
}
