#include <draw/Draw.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace Qel;

namespace {

Image MakeImage(int cx, int cy, dword seed = 1, bool alpha = false)
{
	ImageBuffer b(cx, cy);
	dword h = seed;
	for(RGBA& c : b) {
		h = h * 1103515245 + 12345;
		byte a = alpha ? byte(h >> 24) : 255;
		c = RGBA{ byte(min<int>(a, h >> 8 & 255)), byte(min<int>(a, h >> 16 & 255)), byte(min<int>(a, h & 255)), a };
	}
	return b;
}

} // namespace

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
	EXPECT_EQ(img.GetHotSpot(), Point());
	EXPECT_EQ(img.Get2ndSpot(), Point());
	EXPECT_EQ(img.GetPhysicalSize(), Size());
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
	Image img = MakeImage(5, 4);
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

TEST(Image, SerialIdsAreConsecutive)
{
	Image a = MakeImage(1, 1);
	Image b = MakeImage(1, 1);
	EXPECT_EQ(b.GetSerialId(), a.GetSerialId() + 1);
	Image c = a;
	EXPECT_EQ(c.GetSerialId(), a.GetSerialId());
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
	Image img = MakeImage(300, 300, 3, true);
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

TEST(Image, Hash)
{
	Image a = MakeImage(7, 3, 5);
	Image b = MakeImage(7, 3, 5);
	Image c = MakeImage(7, 3, 6);
	EXPECT_EQ(ImageHash(a), ImageHash(b));
	EXPECT_NE(ImageHash(a), ImageHash(c));
	EXPECT_EQ(ImageHash(Image()), MemoryHash(nullptr, 0));
}

TEST(Image, ValueForm)
{
	Image img = MakeImage(3, 2);
	Value v = img;
	EXPECT_EQ(v.GetType(), (dword)IMAGE_V);
	EXPECT_FALSE(v.IsNull());
	Image back = v;
	EXPECT_TRUE(back.IsSame(img));
	EXPECT_EQ(v.ToText(), "Image (3, 2)");
	EXPECT_EQ(ImageAsString(Image()), "Image (0, 0)");
	EXPECT_TRUE(Value(Image()).IsNull());
	EXPECT_TRUE(Image(Value()).IsEmpty());

	// separately made but equal images compare equal, a different spot does not
	Value w = MakeImage(3, 2);
	EXPECT_TRUE(v == w);
	ImageBuffer b(3, 2);
	Image other = MakeImage(3, 2);
	b.Set(other);
	b.SetHotSpot(Point(1, 0));
	EXPECT_FALSE(v == Value(Image(b)));
	EXPECT_EQ(v.GetHashValue(), w.GetHashValue());

	// the registered factory makes the representation a stored Value loads into
	Value::Factory f = Value::GetFactory(IMAGE_V);
	ASSERT_TRUE(f);
	EXPECT_EQ(Value::GetTypeByName("Image"), 150);
	StringStream out;
	v.GetVoidPtr()->Serialize(out);
	StringStream in(out.GetResult());
	in.SetLoading();
	Value::Void* rep = f();
	rep->Serialize(in);
	Value loaded(rep, IMAGE_V);
	EXPECT_TRUE(loaded == v);
	EXPECT_EQ(Image(loaded).GetSize(), Size(3, 2));

	// and through the stored form of Value
	StringStream vs;
	v.Serialize(vs);
	StringStream vin(vs.GetResult());
	vin.SetLoading();
	Value stored;
	stored.Serialize(vin);
	EXPECT_FALSE(vin.IsError());
	EXPECT_EQ(stored.GetType(), (dword)IMAGE_V);
	EXPECT_TRUE(stored == v);

	try {
		Image bad = Value(12);
		FAIL();
	}
	catch(const ValueTypeError& e) {
		EXPECT_EQ(e.target, 150);
		EXPECT_EQ(String(e), "Invalid value conversion: int -> N3Qel5ImageE");
	}
}
