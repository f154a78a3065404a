#include "TestImage.h"

#include <atomic>
#include <filesystem>
#include <limits.h>
#include <stdio.h>
#include <string>
#include <thread>
#include <vector>

using namespace Qel;
using QelTest::Bytes;
using QelTest::Put16;
using QelTest::Put32;

namespace {

struct Bmp {
	int    bpp = 24;
	int    width = 1;
	int    height = 1;
	dword  compression = BMP_RGB;
	dword  headerSize = 40;
	dword  sizeImage = 0;          // 0: computed for BMP_RGB, the pixel byte count otherwise
	int    xppm = 0, yppm = 0;
	dword  clrUsed = 0;
	std::vector<dword> colors = {};     // 0x00RRGGBB, written as b, g, r, 0
	std::vector<dword> masks = {};     // written after the 40 header bytes
	String pixels = {};

	String Make() const
	{
		String h;
		Put32(h, headerSize);
		Put32(h, width);
		Put32(h, height);
		Put16(h, 1);
		Put16(h, word(bpp));
		Put32(h, compression);
		Put32(h, sizeImage || compression == BMP_RGB ? sizeImage : pixels.GetLength());
		Put32(h, xppm);
		Put32(h, yppm);
		Put32(h, clrUsed);
		Put32(h, 0);
		for(dword m : masks)
			Put32(h, m);
		while(h.GetLength() < (int)headerSize)
			h.Cat(char(0x77)); // filler a reader must skip
		for(dword c : colors)
			Put32(h, c);
		String f = "BM";
		Put32(f, 14 + h.GetLength() + pixels.GetLength());
		Put32(f, 0);
		Put32(f, 14 + h.GetLength());
		return f + h + pixels;
	}
};

RGBA Px(Image img, int x, int y) { return img[y][x]; }

RGBA Rgb(int r, int g, int b) { return QelTest::Px(r, g, b); }

const RGBA Clear = RGBA{ 0, 0, 0, 0 };

std::string Data(const char* rel) { return std::string(QEL_TEST_DATA "/bmpsuite/") + rel; }

Image Suite(const char* rel) { return LoadImageFile(Data(rel).c_str()); }

void ExpectSame(const Image& a, const Image& b, const char* what)
{
	ASSERT_FALSE(a.IsEmpty()) << what;
	ASSERT_EQ(a.GetSize(), b.GetSize()) << what;
	EXPECT_EQ(ImageHash(a), ImageHash(b)) << what;
}

// A 3 x 2 picture, 24-bit: rows of 9 bytes padded to 12.
String Rgb24(bool topdown)
{
	Bmp b;
	b.width = 3;
	b.height = topdown ? -2 : 2;
	String top = Bytes({ 0, 0, 255, 0, 255, 0, 255, 0, 0, 9, 9, 9 });
	String bottom = Bytes({ 1, 2, 3, 4, 5, 6, 7, 8, 9, 9, 9, 9 });
	b.pixels = topdown ? top + bottom : bottom + top;
	return b.Make();
}

} // namespace

TEST(BMP, RowsBottomUpAndTopDown)
{
	Image up = LoadImageString(Rgb24(false));
	ASSERT_EQ(up.GetSize(), Size(3, 2));
	EXPECT_EQ(Px(up, 0, 0), Rgb(255, 0, 0));
	EXPECT_EQ(Px(up, 1, 0), Rgb(0, 255, 0));
	EXPECT_EQ(Px(up, 2, 0), Rgb(0, 0, 255));
	EXPECT_EQ(Px(up, 0, 1), Rgb(3, 2, 1));
	EXPECT_EQ(Px(up, 2, 1), Rgb(9, 8, 7));
	EXPECT_EQ(up.GetKind(), IMAGE_OPAQUE);
	ExpectSame(LoadImageString(Rgb24(true)), up, "top-down");
}

TEST(BMP, PixelFormatsPalettesAndHeaderLengths)
{
	const RGBA W = Rgb(255, 255, 255), K = Rgb(0, 0, 0), D = Rgb(0x10, 0x20, 0x30);
	struct Case { const char* what; Bmp bmp; std::vector<RGBA> row; };
	const Case cases[] = {
		{ "16 bits, 5-5-5 by default", { .bpp = 16, .width = 2, .pixels = Bytes({ 0xFF, 0x7F, 0x1F, 0 }) },
		  { Rgb(248, 248, 248), Rgb(0, 0, 248) } },
		{ "16 bits, 5-6-5 masks", { .bpp = 16, .width = 2, .compression = BMP_BITFIELDS, .masks = { 0xF800, 0x7E0, 0x1F },
		  .pixels = Bytes({ 0xE0, 0x07, 0x00, 0xF8 }) }, { Rgb(0, 252, 0), Rgb(248, 0, 0) } },
		{ "32 bits, the fourth byte ignored", { .bpp = 32, .width = 2, .pixels = Bytes({ 10, 20, 30, 0, 40, 50, 60, 0x80 }) },
		  { Rgb(30, 20, 10), Rgb(60, 50, 40) } },
		{ "32 bits, byte masks in another order", { .bpp = 32, .width = 2, .compression = BMP_BITFIELDS,
		  .masks = { 0xff, 0xff00, 0xff0000 }, .pixels = Bytes({ 10, 20, 30, 0, 40, 50, 60, 0x80 }) },
		  { Rgb(10, 20, 30), Rgb(40, 50, 60) } },
		{ "32 bits, masks straddling bytes", { .bpp = 32, .compression = BMP_BITFIELDS,
		  .masks = { 0xff000000, 0xff0, 0xff0000 }, .pixels = Bytes({ 0xB0, 0x0A, 0xCC, 0xDD }) }, { Rgb(0xDD, 0xAB, 0xCC) } },
		{ "32 bits, 10-bit masks keep their top 8", { .bpp = 32, .compression = BMP_BITFIELDS,
		  .masks = { 0x3FF00000, 0xFFC00, 0x3FF }, .pixels = Bytes({ 0xFF, 0x03, 0, 0 }) }, { Rgb(0, 0, 255) } },
		{ "1 bit", { .bpp = 1, .width = 9, .colors = { 0x102030, 0xFFFFFF }, .pixels = Bytes({ 0x80, 0x80, 0, 0 }) },
		  { W, D, D, D, D, D, D, D, W } },
		{ "4 bits, an index beyond the table is black", { .bpp = 4, .width = 3, .clrUsed = 3,
		  .colors = { 0, 0x0000FF, 0xFF0000 }, .pixels = Bytes({ 0x21, 0xF0, 0, 0 }) }, { Rgb(255, 0, 0), Rgb(0, 0, 255), K } },
		{ "8 bits, a table longer than 256 is skipped", { .bpp = 8, .width = 2, .clrUsed = 300,
		  .colors = [] { std::vector<dword> c(300); c[7] = 0x123456; return c; }(), .pixels = Bytes({ 7, 0, 0, 0 }) },
		  { Rgb(0x12, 0x34, 0x56), K } },
		{ "124-byte header before the palette", { .bpp = 8, .headerSize = 124, .clrUsed = 2, .colors = { 0, 0xABCDEF },
		  .pixels = Bytes({ 1, 0, 0, 0 }) }, { Rgb(0xAB, 0xCD, 0xEF) } },
	};
	for(const Case& c : cases) {
		Image img = LoadImageString(c.bmp.Make());
		ASSERT_EQ(img.GetSize(), Size((int)c.row.size(), 1)) << c.what;
		for(int x = 0; x < (int)c.row.size(); x++)
			EXPECT_EQ(Px(img, x, 0), c.row[x]) << c.what << " x " << x;
		EXPECT_EQ(img.GetKind(), IMAGE_OPAQUE) << c.what;
	}
	// longer headers hold the masks at bytes 40-51; the pixels follow the header directly
	for(dword hs : { 52u, 56u, 108u, 124u }) {
		Bmp v{ .bpp = 16, .width = 2, .compression = BMP_BITFIELDS, .headerSize = hs, .masks = { 0xF800, 0x7E0, 0x1F },
		       .pixels = Bytes({ 0x00, 0xF8, 0x1F, 0x00 }) };
		Image img = LoadImageString(v.Make());
		ASSERT_FALSE(img.IsEmpty()) << hs;
		EXPECT_EQ(Px(img, 0, 0), Rgb(248, 0, 0)) << hs;
		EXPECT_EQ(Px(img, 1, 0), Rgb(0, 0, 248)) << hs;
	}
}

TEST(BMP, PhysicalSizeFromResolution)
{
	// 3780 pixels per metre is 96 per inch; nonsense resolutions give no size, not a negative one
	for(auto [yppm, want] : { std::pair{ 1890, Size(600, 600) }, std::pair{ 0, Size() }, std::pair{ -3780, Size() } }) {
		Bmp b{ .width = 96, .height = 48, .xppm = 3780, .yppm = yppm, .pixels = String(0, 96 * 3 * 48) };
		EXPECT_EQ(LoadImageString(b.Make()).GetPhysicalSize(), want) << yppm;
	}
}

TEST(BMP, RejectedHeaders)
{
	struct Case { const char* what; void (*edit)(Bmp&); };
	const Case cases[] = {
		{ "width 0", [](Bmp& b) { b.width = 0; } },
		{ "negative width", [](Bmp& b) { b.width = -3; } },
		{ "height 0", [](Bmp& b) { b.height = 0; } },
		{ "height INT_MIN", [](Bmp& b) { b.height = INT_MIN; } },
		{ "pixels beyond 2 GB", [](Bmp& b) { b.width = 3000000; b.height = 2000000; } },
		{ "2 bits", [](Bmp& b) { b.bpp = 2; } },
		{ "64 bits", [](Bmp& b) { b.bpp = 64; } },
		{ "OS/2 header", [](Bmp& b) { b.headerSize = 12; } },
		{ "RLE8 with 4 bits", [](Bmp& b) { b.bpp = 4; b.compression = BMP_RLE8; } },
		{ "RLE4 with 8 bits", [](Bmp& b) { b.bpp = 8; b.compression = BMP_RLE4; } },
		{ "bit fields with 24 bits", [](Bmp& b) { b.compression = BMP_BITFIELDS; b.masks = { 0xff, 0xff00, 0xff0000 }; } },
		{ "bit fields with 8 bits", [](Bmp& b) { b.bpp = 8; b.compression = BMP_BITFIELDS; } },
		{ "JPEG", [](Bmp& b) { b.compression = 4; } },
		{ "compressed, no byte size", [](Bmp& b) { b.bpp = 8; b.compression = BMP_RLE8; b.sizeImage = 0; b.pixels.Clear(); } },
		{ "palette beyond the data", [](Bmp& b) { b.bpp = 8; b.clrUsed = 0x12345678; } },
	};
	for(const Case& c : cases) {
		Bmp b;
		b.width = 2;
		b.height = 2;
		b.pixels = String(0, 64);
		c.edit(b);
		String data = b.Make();
		EXPECT_TRUE(LoadImageString(data).IsEmpty()) << c.what;
		StringStream s(data);
		BMPHeader h;
		bool header = ReadBMPHeader(s, h, true);
		BMPRaster r;
		s.Seek(0);
		r.SetStream(s);
		EXPECT_FALSE(header && r.Create()) << c.what;
	}
	String bad = Rgb24(false);
	bad.Set(1, 'A');
	EXPECT_TRUE(LoadImageString(bad).IsEmpty());
}

TEST(BMP, ShortRowsGiveTheEmptyImage)
{
	String data = Rgb24(false);
	String cut = data.Mid(0, data.GetLength() - 5);
	EXPECT_TRUE(LoadImageString(cut).IsEmpty());
	// the rows that are there can still be read, and the raster says it failed
	StringStream s(cut);
	std::unique_ptr<StreamRaster> r = OpenStreamRaster(s);
	ASSERT_TRUE(r);
	EXPECT_EQ(r->GetLine(1).GetRGBA()[0], Rgb(3, 2, 1));
	EXPECT_FALSE(r->IsError());
	EXPECT_EQ(r->GetLine(0).GetRGBA()[0], Rgb(0, 0, 0));
	EXPECT_TRUE(r->IsError());
}

TEST(BMP, RasterPaletteIsPaddedWithBlack)
{
	Bmp b{ .bpp = 4, .width = 5, .height = 3, .clrUsed = 1, .colors = { 0xFF0000 }, .pixels = String(0, 12) };
	StringStream s(b.Make());
	std::unique_ptr<StreamRaster> r = OpenStreamRaster(s);
	ASSERT_TRUE(dynamic_cast<BMPRaster*>(r.get()));
	EXPECT_EQ(r->GetPaletteCount(), 16);
	EXPECT_EQ(r->GetPalette()[0], Rgb(255, 0, 0));
	EXPECT_EQ(r->GetPalette()[1], Rgb(0, 0, 0));
	EXPECT_EQ(r->GetFormat()->GetType(), RASTER_4 | RASTER_MSBFIRST);
	EXPECT_EQ(r->GetInfo().kind, IMAGE_OPAQUE);
}

namespace {

String Rle(int bpp, int w, int h, std::initializer_list<int> data)
{
	Bmp b;
	b.bpp = bpp;
	b.width = w;
	b.height = h;
	b.compression = bpp == 8 ? BMP_RLE8 : BMP_RLE4;
	b.clrUsed = 16;
	b.colors.assign(16, 0);
	for(int i = 1; i < 16; i++)
		b.colors[i] = dword(i * 0x10);
	b.pixels = Bytes(data);
	return b.Make();
}

// Pixels by palette index (blue = 16 * index), '.' for transparent, rows top to bottom.
std::string Picture(const Image& img)
{
	std::string s;
	for(int y = 0; y < img.GetHeight(); y++) {
		if(y)
			s += '/';
		for(int x = 0; x < img.GetWidth(); x++) {
			RGBA c = img[y][x];
			s += c.a == 0 ? '.' : "0123456789ABCDEF"[c.b >> 4];
		}
	}
	return s;
}

} // namespace

TEST(BMP, RunLengthPictures)
{
	struct Case { const char* what; String data; const char* picture; };
	const Case cases[] = {
		{ "RLE8 runs, end of line, end of picture",
		  Rle(8, 4, 2, { 3, 5, 0, 0, 2, 7, 0, 1 }), "77../555." },
		{ "RLE8 run cut at the row's end", Rle(8, 3, 1, { 9, 2, 0, 1 }), "222" },
		{ "RLE8 absolute run with padding", Rle(8, 4, 1, { 0, 3, 1, 2, 3, 0, 1, 4, 0, 1 }), "1234" },
		{ "RLE8 delta", Rle(8, 3, 3, { 0, 2, 1, 1, 1, 6, 0, 0, 1, 9, 0, 1 }), "9../.6./..." },
		{ "RLE8 end of the last line ends the picture", Rle(8, 3, 2, { 2, 1, 0, 0, 1, 3, 0, 0, 5, 5 }), "3../11." },
		{ "RLE4 alternating nibbles", Rle(4, 5, 1, { 5, 0x12, 0, 1 }), "12121" },
		{ "RLE4 absolute run to the row's end, no padding", Rle(4, 4, 1, { 0, 4, 0x34, 0x56, 0, 1 }), "3456" },
		{ "RLE4 absolute run of 5 with padding", Rle(4, 6, 1, { 0, 5, 0x12, 0x34, 0x50, 0, 1, 0xBB, 0, 1 }), "12345B" },
		{ "RLE4 absolute run of 3", Rle(4, 3, 1, { 0, 3, 0x12, 0x30, 0, 1 }), "123" },
	};
	for(const Case& c : cases) {
		Image img = LoadImageString(c.data);
		ASSERT_FALSE(img.IsEmpty()) << c.what;
		EXPECT_EQ(Picture(img), c.picture) << c.what;
		EXPECT_EQ(img.GetKind(), IMAGE_ALPHA) << c.what;
	}
	// stored top-down, the first file row is the top
	String td = Rle(8, 2, -2, { 2, 1, 0, 0, 2, 2, 0, 1 });
	EXPECT_EQ(Picture(LoadImageString(td)), "11/22");
	StringStream s(td);
	std::unique_ptr<StreamRaster> r = OpenStreamRaster(s);
	ASSERT_TRUE(r);
	EXPECT_EQ(r->GetInfo().kind, IMAGE_ALPHA);
}

// Data that ends before the picture does is an error, as a cut uncompressed file is; the rows
// decoded so far stay readable from the raster.
TEST(BMP, RunLengthDataCutShort)
{
	struct Case { const char* what; String data; const char* rows; };
	const Case cases[] = {
		{ "after a run", Rle(8, 3, 2, { 2, 1 }), ".../11." },
		{ "after an escape", Rle(8, 2, 1, { 1, 3, 0 }), "3." },
		{ "inside a pair", Rle(8, 3, 1, { 2, 4, 1 }), "44." },
		{ "inside an absolute run", Rle(8, 4, 1, { 1, 5, 0, 3, 1, 2 }), "5..." },
		{ "before the padding of an absolute run", Rle(8, 4, 1, { 0, 3, 1, 2, 3 }), "123." },
		{ "inside a delta", Rle(4, 3, 2, { 1, 0x70, 0, 2, 1 }), ".../7.." },
		{ "after the last row's pixels", Rle(4, 2, 1, { 2, 0x12 }), "12" },
	};
	for(const Case& c : cases) {
		EXPECT_TRUE(LoadImageString(c.data).IsEmpty()) << c.what;
		StringStream s(c.data);
		std::unique_ptr<StreamRaster> r = OpenStreamRaster(s);
		ASSERT_TRUE(r) << c.what;
		EXPECT_TRUE(r->IsError()) << c.what;
		ImageBuffer b(r->GetSize());
		for(int y = 0; y < b.GetHeight(); y++)
			memcpy(b[y], r->GetLine(y).GetRGBA(), sizeof(RGBA) * b.GetWidth());
		EXPECT_EQ(Picture(Image(b)), c.rows) << c.what;
	}
}

TEST(BMP, RunLengthDataLeavingThePicture)
{
	const String bad[] = {
		Rle(8, 3, 2, { 0, 2, 3, 0 }),               // delta to x = width
		Rle(8, 3, 2, { 0, 2, 0, 2 }),               // delta below the last row
		Rle(8, 3, 1, { 0, 4, 1, 2, 3, 4 }),         // absolute run over the row's end
		Rle(4, 3, 1, { 0, 4, 0x12, 0x34 }),
		Rle(8, 3, 1, { 0, 3, 1, 2 }),               // run cut by the end of the data
		Rle(8, 3, 1, { 2 }),                        // pair cut
		Rle(8, 3, 1, { 0, 2, 1 }),                  // delta cut
	};
	for(const String& data : bad)
		EXPECT_TRUE(LoadImageString(data).IsEmpty());
}

TEST(BMP, SuiteGoodFiles)
{
	for(const auto& e : std::filesystem::directory_iterator(Data("g"))) {
		std::string name = e.path().filename().string();
		Image img = LoadImageFile(e.path().c_str());
		if(name == "pal8os2.bmp") { // OS/2 headers are not read
			EXPECT_TRUE(img.IsEmpty());
			continue;
		}
		ASSERT_FALSE(img.IsEmpty()) << name;
		EXPECT_EQ(img.GetWidth(), name.find("pal8w") == 0 ? atoi(name.c_str() + 5) : 127) << name;
	}
	// one picture stored many ways
	const char* pal8[] = { "g/pal8-0.bmp", "g/pal8topdown.bmp", "g/pal8v4.bmp", "g/pal8v5.bmp",
	                       "g/pal8rle.bmp", "q/pal8oversizepal.bmp", "q/pal8os2v2.bmp", "q/pal8os2v2-sz.bmp",
	                       "q/pal8os2v2-40sz.bmp" };
	Image ref = Suite("g/pal8.bmp");
	for(const char* f : pal8)
		ExpectSame(Suite(f), ref, f);
	const char* rgb[] = { "g/rgb32.bmp", "g/rgb32bf.bmp", "g/rgb32bfdef.bmp", "g/rgb24pal.bmp",
	                      "q/rgb24largepal.bmp", "q/rgb32-xbgr.bmp", "q/rgb32h52.bmp", "q/rgb32fakealpha.bmp" };
	ref = Suite("g/rgb24.bmp");
	for(const char* f : rgb)
		ExpectSame(Suite(f), ref, f);
	ExpectSame(Suite("g/pal4rle.bmp"), Suite("g/pal4.bmp"), "pal4rle");
	ExpectSame(Suite("g/rgb16bfdef.bmp"), Suite("g/rgb16.bmp"), "rgb16bfdef");
	ExpectSame(Suite("g/rgb16-565pal.bmp"), Suite("g/rgb16-565.bmp"), "rgb16-565pal");
	// 5-bit channels: the same picture, within their precision
	Image img16 = Suite("g/rgb16.bmp"), img24 = Suite("g/rgb24.bmp");
	for(int y = 0; y < 64; y += 7)
		for(int x = 0; x < 127; x += 5) {
			RGBA a = img16[y][x], b = img24[y][x];
			EXPECT_LE(abs(a.r - b.r) + abs(a.g - b.g) + abs(a.b - b.b), 24) << x << ' ' << y;
			EXPECT_EQ(a.r & 7, 0);
		}
	EXPECT_EQ(Suite("g/pal8nonsquare.bmp").GetPhysicalSize(), Size(1058, 533));
	EXPECT_EQ(Suite("g/pal8.bmp").GetPhysicalSize(), Size(1058, 533));
	Image pal1 = Suite("g/pal1.bmp");
	for(RGBA c : pal1)
		ASSERT_TRUE(c == Rgb(0, 0, 0) || c == Rgb(255, 255, 255));
}

TEST(BMP, SuiteBadAndQuestionableFiles)
{
	// rejected outright, or failing on their rows
	const char* empty[] = {
		"b/badbitcount.bmp", "b/badpalettesize.bmp", "b/badrle.bmp", "b/badrle4.bmp",
		"b/badrle4bis.bmp", "b/badrle4ter.bmp", "b/badrlebis.bmp", "b/badrleter.bmp",
		"b/badwidth.bmp", "b/reallybig.bmp", "b/shortfile.bmp", "x/ba-bm.bmp",
		"q/pal1huffmsb.bmp", "q/pal2.bmp", "q/pal2color.bmp", "q/pal8os2-hs.bmp",
		"q/pal8os2-sz.bmp", "q/pal8os2sp.bmp", "q/pal8os2v2-16.bmp", "q/rgb24jpeg.bmp",
		"q/rgb24png.bmp", "q/rgb24rle24.bmp", "q/rgba32abf.bmp", "q/rgba64.bmp",
	};
	for(const char* f : empty)
		EXPECT_TRUE(Suite(f).IsEmpty()) << f;
	// fields this decoder does not use (file size, planes, image byte size, resolution,
	// a header longer than any defined) or that it reads as the picture says (indexes
	// beyond the colours used are black, run-length rows top-down)
	const char* read[] = {
		"b/badbitssize.bmp", "b/baddens1.bmp", "b/baddens2.bmp", "b/badfilesize.bmp",
		"b/badheadersize.bmp", "b/badplanes.bmp", "b/pal8badindex.bmp", "b/rgb16-880.bmp",
		"b/rletopdown.bmp",
	};
	for(const char* f : read)
		EXPECT_FALSE(Suite(f).IsEmpty()) << f;
	// run-length data that ends early or skips pixels leaves them transparent
	for(const char* f : { "q/pal4rlecut.bmp", "q/pal8rlecut.bmp", "q/pal4rletrns.bmp", "q/pal8rletrns.bmp" }) {
		Image img = Suite(f);
		ASSERT_FALSE(img.IsEmpty()) << f;
		EXPECT_EQ(img.GetKind(), IMAGE_ALPHA) << f;
		int clear = 0;
		for(RGBA c : img)
			clear += c == Clear;
		EXPECT_GT(clear, 0) << f;
	}
	// everything else loads or not, but safely
	for(const char* dir : { "b", "q", "x" })
		for(const auto& e : std::filesystem::directory_iterator(Data(dir))) {
			Image img = LoadImageFile(e.path().c_str());
			EXPECT_TRUE(img.IsEmpty() || img.GetWidth() == 127) << e.path();
		}
}

TEST(BMP, LoadsFromManyThreads)
{
	// the format joins the registry on first use, whichever thread that is
	String pal = Rle(8, 3, 2, { 2, 1 });
	String rgb = Rgb24(false);
	hash_t a = ImageHash(LoadImageString(pal)), b = ImageHash(LoadImageString(rgb));
	std::atomic<int> bad{0};
	std::vector<std::thread> threads;
	for(int t = 0; t < 4; t++)
		threads.emplace_back([&] {
			for(int i = 0; i < 50; i++)
				bad += ImageHash(LoadImageString(pal)) != a || ImageHash(LoadImageString(rgb)) != b;
		});
	for(std::thread& t : threads)
		t.join();
	EXPECT_EQ(bad, 0);
}
