#include "TestImage.h"

using namespace QelTest;

namespace {

Image Pixels(int cx, int cy, std::initializer_list<RGBA> px, Point hot = Point(), Point spot2 = Point(), Size dots = Size())
{
	ImageBuffer b(cx, cy);
	RGBA* t = b.Begin();
	for(RGBA c : px)
		*t++ = c;
	b.SetHotSpot(hot);
	b.Set2ndSpot(spot2);
	b.SetPhysicalSize(dots);
	return b;
}

String Store(Image img)
{
	StringStream ss;
	img.Serialize(ss);
	return ss.GetResult();
}

Image Load(const String& data, bool* error = nullptr)
{
	StringStream ss(data);
	ss.SetLoading();
	Image img;
	img.Serialize(ss);
	if(error)
		*error = ss.IsError();
	return img;
}

String Le32(int x) { return String((const char*)&x, 4); }

} // namespace

TEST(ImageStore, BinaryExactBytes)
{
	Image img = Pixels(2, 1, { RGBA{ 1, 2, 3, 4 }, RGBA{ 5, 6, 7, 8 } }, Point(1, 0), Point(), Size(12, 6));
	EXPECT_EQ(Store(img), Bytes({ 1, 2, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 12, 0, 0, 0, 6, 0, 0, 0,
	                              1, 2, 3, 4, 5, 6, 7, 8 }));
	Image spot = Pixels(1, 1, { RGBA{ 0, 0, 0, 255 } }, Point(), Point(3, 0));
	String s = Store(spot);
	EXPECT_EQ(s[0], 2);
	EXPECT_EQ(s.GetLength(), 1 + 24 + 8 + 4);
	EXPECT_EQ(Store(Image()), Bytes({ 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0 }));
}

TEST(ImageStore, BinaryRoundTrip)
{
	Image img = Pixels(3, 2, { RGBA{ 1, 2, 3, 4 }, RGBA{}, RGBA{ 9, 9, 9, 9 }, RGBA{ 0, 0, 0, 255 } },
	                   Point(2, 1), Point(3, 2), Size(30, 20));
	bool error = true;
	Image back = Load(Store(img), &error);
	EXPECT_FALSE(error);
	EXPECT_EQ(back.GetPhysicalSize(), Size(30, 20));
	EXPECT_TRUE(Value(back) == Value(img)); // pixels, size and both spots
}

TEST(ImageStore, BinaryDamage)
{
	String head = Bytes({ 1 });
	struct { int cx, cy; int extra; bool error; bool empty; } cases[] = {
		{ -1, 5, 0, true, true },               // negative size
		{ 5, 0, 0, false, true },               // no pixels
		{ 2, 2, 15, true, true },               // one byte short
		{ 2, 2, 16, false, false },
		{ 0x40000, 0x40000, 16, true, true },   // more than an image can hold
		{ 0x800, 0x300, 1000, true, true },     // blocked load, stream ends early
	};
	for(auto c : cases) {
		String s = head + Le32(c.cx) + Le32(c.cy) + String(0, 16) + String(7, c.extra);
		bool error;
		Image img = Load(s, &error);
		EXPECT_EQ(error, c.error) << c.cx << "x" << c.cy;
		EXPECT_EQ(img.IsEmpty(), c.empty) << c.cx << "x" << c.cy;
	}
	// a throwing stream throws, and the image is left empty
	StringStream ss(head + Le32(-3) + Le32(3) + String(0, 16));
	ss.SetLoading();
	ss.LoadThrowing();
	Image img = Pixels(1, 1, { RGBA{} });
	EXPECT_THROW(img.Serialize(ss), LoadingError);
	EXPECT_TRUE(img.IsEmpty());
}

TEST(ImageStore, BinaryBlockedLoad)
{
	ImageBuffer b(0x800, 0x300); // 0x180000 pixels: the block path
	for(int64 i = 0; i < b.GetLength(); i++)
		b.Begin()[i] = RGBA{ byte(i), byte(i >> 8), byte(i >> 16), 255 };
	Image img = b;
	Image back = Load(Store(img));
	EXPECT_EQ(ImageHash(back), ImageHash(img));
}

TEST(ImageStore, StringFormOpaque)
{
	Image img = Pixels(2, 1, { RGBA{ 1, 2, 3, 255 }, RGBA{ 4, 5, 6, 255 } }, Point(1, 0), Point(), Size(600, 300));
	String s = StoreImageAsString(img);
	EXPECT_EQ(s.Mid(0, 13), Bytes({ 3, 2, 0, 1, 0, 1, 0, 0, 0, 0x58, 2, 0x2c, 1 }));
	EXPECT_EQ(ZDecompress(s.Mid(13)), Bytes({ 3, 2, 1, 6, 5, 4 }));
	EXPECT_EQ(GetImageStringSize(s), Size(2, 1));
	EXPECT_EQ(GetImageStringPhysicalSize(s), Size(600, 300));
	Image back = LoadImageFromString(s);
	EXPECT_EQ(back[0][0], (RGBA{ 1, 2, 3, 255 }));
	EXPECT_EQ(back[0][1], (RGBA{ 4, 5, 6, 255 }));
	EXPECT_EQ(back.GetHotSpot(), Point(1, 0));
	EXPECT_EQ(back.GetPhysicalSize(), Size(600, 300));

	String s67 = s;
	s67.Set(0, 67);
	EXPECT_EQ(ImageHash(LoadImageFromString(s67)), ImageHash(img));
}

TEST(ImageStore, StringFormAlpha)
{
	Image img = Pixels(3, 1, { RGBA{ 1, 2, 3, 4 }, RGBA{ 0, 0, 0, 0 }, RGBA{ 7, 8, 9, 255 } });
	String s = StoreImageAsString(img);
	EXPECT_EQ(s[0], 4);
	EXPECT_EQ(ZDecompress(s.Mid(13)), Bytes({ 3, 2, 1, 4, 0, 0, 0, 0, 9, 8, 7, 255 }));
	Image back = LoadImageFromString(s);
	EXPECT_EQ(ImageHash(back), ImageHash(img));
	EXPECT_EQ(StoreImageAsString(Image()), String());
}

TEST(ImageStore, StringFormDamage)
{
	String good = StoreImageAsString(Pixels(2, 2, { RGBA{ 1, 2, 3, 4 } }));
	auto header = [](int bpp, int cx, int cy) {
		return Bytes({ bpp, cx & 255, cx >> 8, cy & 255, cy >> 8, 0, 0, 0, 0, 0, 0, 0, 0 });
	};
	String adler = good;
	adler.Set(adler.GetLength() - 1, adler[adler.GetLength() - 1] ^ 1);
	String cases[] = {
		good.Mid(0, 12),                                       // shorter than the header
		good.Mid(0, good.GetLength() - 1),                     // truncated stream
		adler,                                                 // only the Adler-32 trailer damaged
		header(5, 2, 2) + good.Mid(13),                        // bytes per pixel
		header(4, 0, 2) + good.Mid(13),                        // zero width
		header(4, 2, 1) + good.Mid(13),                        // more data than the header says
		header(4, 3, 2) + good.Mid(13),                        // less
		header(4, 0xFFFF, 0xFFFF) + ZCompress(String(0, 100000)), // size and data disagree
		good.Mid(0, 13) + "garbage data",
	};
	for(const String& s : cases)
		EXPECT_TRUE(LoadImageFromString(s).IsEmpty());
	EXPECT_FALSE(LoadImageFromString(good).IsEmpty());
	EXPECT_EQ(GetImageStringSize(good.Mid(0, 12)), Size());
}

TEST(ImageStore, StringFormStopsAtExpectedLength)
{
	// 16 MB of zeros for a 1 x 1 image: refused after the first output chunk
	String bomb = Bytes({ 4, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0 }) + ZCompress(String(0, 16 << 20));
	EXPECT_TRUE(LoadImageFromString(bomb).IsEmpty());
}

TEST(ImageStore, WideImageDoesNotLoadBack)
{
	ImageBuffer b(65537, 1);
	String s = StoreImageAsString(Image(b));
	EXPECT_EQ(GetImageStringSize(s), Size(1, 1));
	EXPECT_TRUE(LoadImageFromString(s).IsEmpty());
}
