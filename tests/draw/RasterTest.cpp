#include <draw/Draw.h>

#include <gtest/gtest.h>

#include <atomic>
#include <stdlib.h>
#include <unistd.h>

using namespace Qel;

namespace {

// A test format: "TRS" + one tag byte, width, height, hot spot, physical size, orientation and
// an error-after-rows flag (32-bit each), then rows of 1-bit pixels (palette black, white)
// or RGBA (tag 'r').
class TestRaster : public StreamRaster {
public:
	char   tag;
	Size   size;
	Point  hot;
	Size   dots;
	int    orientation = 0;
	int    failAfter = -1;
	int64  rowsAt = 0;
	RasterFormat fmt;
	RGBA   pal[2] = { { 0, 0, 0, 255 }, { 255, 255, 255, 255 } };
	Buffer<byte> row;
	int64  rowBytes = 0;
	int    rowsRead = 0;

	explicit TestRaster(char tag) : tag(tag) { fmt.SetType(RASTER_1); }

	bool Create() override
	{
		Stream& s = GetStream();
		char magic[4];
		if(!s.GetAll(magic, 4) || memcmp(magic, "TRS", 3) || magic[3] != tag)
			return false;
		int v[8];
		for(int& x : v)
			x = s.Get32le();
		if(s.IsError())
			return false;
		size = Size(v[0], v[1]);
		hot = Point(v[2], v[3]);
		dots = Size(v[4], v[5]);
		orientation = v[6];
		failAfter = v[7];
		rowBytes = tag == 'r' ? int64(size.cx) * 4 : (int64(size.cx) + 7) / 8;
		rowsAt = s.GetPos();
		return size.cx >= 0 && size.cy >= 0;
	}
	Size GetSize() override { return size; }
	Info GetInfo() override
	{
		Info f;
		f.hotspot = hot;
		f.dots = dots;
		f.orientation = orientation;
		f.kind = IMAGE_UNKNOWN;
		return f;
	}
	Line GetLine(int y) override
	{
		rowsRead++;
		if(failAfter >= 0 && rowsRead > failAfter)
			SetError();
		Stream& s = GetStream();
		s.Seek(rowsAt + int64(y) * rowBytes);
		if(!row)
			row.Alloc(size_t(max<int64>(rowBytes, 1)));
		memset(row, 0, rowBytes);
		s.GetAll(row, (int)rowBytes);
		if(tag == 'r')
			return Line((const RGBA*)row.Get(), false);
		return Line(row.Get(), this, false);
	}
	const RGBA* GetPalette() override          { return tag == 'r' ? nullptr : pal; }
	const RasterFormat* GetFormat() override   { return tag == 'r' ? nullptr : &fmt; }
};

StreamRaster* NewBitRaster()  { return new TestRaster('b'); }
StreamRaster* NewRgbaRaster() { return new TestRaster('r'); }

std::atomic<int> sProbes;
StreamRaster* NewCountingRaster() { sProbes++; return new TestRaster('x'); }

void Register()
{
	static bool done = [] {
		RegisterStreamRasterFormat(NewCountingRaster);
		RegisterStreamRasterFormat(NewBitRaster);
		RegisterStreamRasterFormat(NewRgbaRaster);
		return true;
	}();
	(void)done;
}

String Header(char tag, int cx, int cy, Point hot = Point(), Size dots = Size(), int orientation = 0, int failAfter = -1)
{
	String s = "TRS";
	s.Cat(tag);
	for(int x : { cx, cy, hot.x, hot.y, dots.cx, dots.cy, orientation, failAfter })
		s.Cat((const char*)&x, 4);
	return s;
}

// An RGBA raster whose pixel (x, y) is (x, y, 0, 255).
String Grid(int cx, int cy, Point hot = Point(), Size dots = Size(), int orientation = 0, int failAfter = -1)
{
	String s = Header('r', cx, cy, hot, dots, orientation, failAfter);
	for(int y = 0; y < cy; y++)
		for(int x = 0; x < cx; x++) {
			RGBA c{ byte(x), byte(y), 0, 255 };
			s.Cat((const char*)&c, 4);
		}
	return s;
}

std::unique_ptr<StreamRaster> Open(StringStream& ss)
{
	Register();
	return OpenStreamRaster(ss);
}

} // namespace

TEST(Raster, RegistryProbesInOrderAndRewinds)
{
	Register();
	StringStream ss("xxxx" + Grid(3, 2));
	ss.Get(); ss.Get(); ss.Get(); ss.Get(); // start in the middle of the data
	int before = sProbes;
	std::unique_ptr<StreamRaster> r = OpenStreamRaster(ss);
	ASSERT_TRUE(r);
	EXPECT_EQ(sProbes, before + 1);
	EXPECT_EQ(r->GetSize(), Size(3, 2));
	EXPECT_FALSE(r->IsError());

	StringStream junk("TRSq and more");
	junk.Get();
	EXPECT_FALSE(OpenStreamRaster(junk));
	EXPECT_EQ(junk.GetPos(), 1);
	EXPECT_FALSE(junk.IsError());

	StringStream empty("");
	EXPECT_FALSE(OpenStreamRaster(empty));
	EXPECT_EQ(empty.GetPos(), 0);
	EXPECT_FALSE(empty.IsError());
	EXPECT_TRUE(LoadImageString("not an image").IsEmpty());
}

TEST(Raster, RowsConvertThroughTheFormat)
{
	Register();
	String s = Header('b', 10, 2) + String("\x81\x02\x00\x03", 4);
	Image img = LoadImageString(s);
	ASSERT_EQ(img.GetSize(), Size(10, 2));
	RGBA w{ 255, 255, 255, 255 }, k{ 0, 0, 0, 255 };
	RGBA want[2][10] = { { w, k, k, k, k, k, k, w, k, w }, { k, k, k, k, k, k, k, k, w, w } };
	for(int y = 0; y < 2; y++)
		for(int x = 0; x < 10; x++)
			EXPECT_EQ(img[y][x], want[y][x]) << x << "," << y;
}

TEST(Raster, Clipping)
{
	StringStream ss(Grid(20, 20, Point(8, 8), Size(2000000000, 600)));
	std::unique_ptr<StreamRaster> r = Open(ss);
	ASSERT_TRUE(r);
	struct { int x, y, cx, cy; Rect out; } cases[] = {
		{ -5, -5, 10, 10, Rect(0, 0, 10, 10) },
		{ 15, 0, 10, 10, Rect(15, 0, 20, 10) },
		{ 4, 4, 10, 10, Rect(4, 4, 14, 14) },
		{ 25, 3, 5, 5, Rect() },
		{ 3, 3, -10, 5, Rect() },
		{ 0x7FFFFFF0, 0, 100, 100, Rect() },
		{ 5, 5, 0x7FFFFFFF, 0x7FFFFFFF, Rect(5, 5, 20, 20) },
		{ -0x7FFFFFFF, 2, 0x7FFFFFFF, 3, Rect(0, 2, 20, 5) }, // origin clamped before the far edge
	};
	for(auto c : cases) {
		Image img = r->GetImage(c.x, c.y, c.cx, c.cy);
		Size want(c.out.right - c.out.left, c.out.bottom - c.out.top);
		if(want.cx <= 0 || want.cy <= 0) {
			EXPECT_TRUE(img.IsEmpty());
			continue;
		}
		ASSERT_EQ(img.GetSize(), want);
		EXPECT_EQ(img[0][0], (RGBA{ byte(c.out.left), byte(c.out.top), 0, 255 }));
		EXPECT_EQ(img[want.cy - 1][want.cx - 1], (RGBA{ byte(c.out.right - 1), byte(c.out.bottom - 1), 0, 255 }));
		EXPECT_EQ(img.GetHotSpot(), Point(8 - c.out.left, 8 - c.out.top));
		EXPECT_EQ(img.GetPhysicalSize(), Size(int(int64(want.cx) * 2000000000 / 20), want.cy * 600 / 20));
	}
}

TEST(Raster, ProgressCancelsAndErrorsEmpty)
{
	StringStream ss(Grid(4, 6));
	std::unique_ptr<StreamRaster> r = Open(ss);
	ASSERT_TRUE(r);
	int calls = 0;
	EXPECT_TRUE(r->GetImage([&](int, int) { calls++; return true; }).IsEmpty());
	EXPECT_EQ(calls, 1);
	std::vector<std::pair<int, int>> seen;
	EXPECT_FALSE(r->GetImage([&](int i, int n) { seen.push_back({ i, n }); return false; }).IsEmpty());
	ASSERT_EQ(seen.size(), 6u);
	EXPECT_EQ(seen[5], std::make_pair(5, 6));
	EXPECT_TRUE(r->GetImage([&](int i, int) { return i == 3; }).IsEmpty());

	StringStream bad(Grid(4, 6, Point(), Size(), 0, 5)); // error at the last row
	EXPECT_TRUE(LoadImageAny(bad).IsEmpty());
	StringStream short_(Grid(4, 6).Mid(0, 40)); // stream ends inside the rows
	EXPECT_TRUE(LoadImageAny(short_).IsEmpty());
}

TEST(Raster, SizesThatCannotBeHeld)
{
	Register();
	for(Size sz : { Size(100000, 100000), Size(0x7FFFFFFF, 0x7FFFFFFF), Size(46341, 46341) })
		EXPECT_TRUE(LoadImageString(Header('b', sz.cx, sz.cy)).IsEmpty());
	EXPECT_TRUE(LoadImageString(Header('b', 0, 5)).IsEmpty());
}

TEST(Raster, Orientation)
{
	Register();
	Image up = LoadImageString(Grid(3, 2, Point(), Size(30, 20)));
	for(int o = 0; o < 10; o++) {
		Image img = LoadImageString(Grid(3, 2, Point(), Size(30, 20), o));
		Image want = ApplyOrientation(up, o);
		EXPECT_EQ(img.GetSize(), want.GetSize()) << o;
		EXPECT_EQ(ImageHash(img), ImageHash(want)) << o;
	}
	EXPECT_EQ(ImageHash(LoadImageString(Grid(3, 2, Point(), Size(), 9))), ImageHash(up));
}

TEST(Raster, ImageRasterCropsWithSpotsAndStoresTheKind)
{
	ImageBuffer b(3, 2);
	for(RGBA& c : b)
		c = RGBA{ 1, 2, 3, 255 };
	b[1][2] = RGBA{ 0, 0, 0, 10 };
	b.SetHotSpot(Point(1, 1));
	b.SetPhysicalSize(Size(6, 4));
	Image img = b;
	EXPECT_EQ(img.GetData()->buffer.GetKind(), IMAGE_UNKNOWN);
	ImageRaster r(img);
	EXPECT_EQ(r.GetInfo().kind, IMAGE_ALPHA);
	EXPECT_EQ(img.GetData()->buffer.GetKind(), IMAGE_ALPHA); // stored in the image
	EXPECT_EQ(r.GetLine(1).GetRGBA(), img[1]);
	Image part = r.GetImage(1, 0, 2, 2);
	EXPECT_EQ(part[1][1], (RGBA{ 0, 0, 0, 10 }));
	EXPECT_EQ(part.GetHotSpot(), Point(0, 1));
	EXPECT_EQ(part.GetPhysicalSize(), Size(4, 4));
	EXPECT_EQ(ImageRaster(Image()).GetInfo().kind, IMAGE_EMPTY);
	EXPECT_TRUE(ImageRaster(Image()).GetImage().IsEmpty());
}

TEST(Raster, LoadImageFile)
{
	Register();
	char path[] = "/tmp/qel_raster_XXXXXX";
	int fd = mkstemp(path);
	ASSERT_GE(fd, 0);
	String data = Grid(5, 4);
	ASSERT_EQ(write(fd, data.Begin(), data.GetLength()), data.GetLength());
	close(fd);
	Image img = LoadImageFile(path);
	EXPECT_EQ(img.GetSize(), Size(5, 4));
	unlink(path);
	EXPECT_TRUE(LoadImageFile(path).IsEmpty());
}
