#include <plugin/png/png.h>
#include <draw/Draw.h>

#include <gtest/gtest.h>

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <filesystem>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <vector>

using namespace Qel;

namespace {

std::string Data(const std::string& name) { return QEL_TEST_DATA "/pngsuite/" + name; }

std::string ReadFile(const std::string& path)
{
	std::string s;
	FILE* f = fopen(path.c_str(), "rb");
	if(!f)
		return s;
	char buf[4096];
	size_t n;
	while((n = fread(buf, 1, sizeof(buf), f)) > 0)
		s.append(buf, n);
	fclose(f);
	return s;
}

String ToString(const std::string& s) { return String(s.data(), (int)s.size()); }

Image Load(const std::string& name) { return LoadImageString(ToString(ReadFile(Data(name)))); }

dword Be32(const std::string& s, size_t at)
{
	return dword(byte(s[at])) << 24 | dword(byte(s[at + 1])) << 16 | dword(byte(s[at + 2])) << 8 | byte(s[at + 3]);
}

// The file without the chunks this decoder leaves aside on purpose: gamma and colour space,
// and the colour-key tRNS of grey and RGB pictures.
std::string Strip(const std::string& png)
{
	std::string out = png.substr(0, 8);
	int ctype = png.size() > 25 ? byte(png[25]) : 0;
	for(size_t at = 8; at + 12 <= png.size();) {
		size_t len = Be32(png, at);
		std::string type = png.substr(at + 4, 4);
		size_t end = std::min(png.size(), at + 12 + len);
		bool drop = type == "gAMA" || type == "cHRM" || type == "sRGB" || type == "iCCP" ||
		            (type == "tRNS" && (ctype == 0 || ctype == 2));
		if(!drop)
			out += png.substr(at, end - at);
		at = end;
	}
	return out;
}

// libpng's simplified decoder, premultiplied.
Image Reference(const std::string& file)
{
	std::string data = Strip(file);
	png_image img = {};
	img.version = PNG_IMAGE_VERSION;
	if(!png_image_begin_read_from_memory(&img, data.data(), data.size()))
		return Image();
	img.format = PNG_FORMAT_BGRA;
	img.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
	ImageBuffer b(img.width, img.height);
	if(!png_image_finish_read(&img, nullptr, b.Begin(), 0, nullptr)) {
		png_image_free(&img);
		return Image();
	}
	Premultiply(b.Begin(), b.Begin(), int(b.GetLength()));
	return Image(b);
}

int MaxDifference(const Image& a, const Image& b)
{
	int d = 0;
	for(int64 i = 0; i < a.GetLength(); i++) {
		RGBA x = a.Begin()[i], y = b.Begin()[i];
		d = std::max({ d, abs(x.r - y.r), abs(x.g - y.g), abs(x.b - y.b), abs(x.a - y.a) });
	}
	return d;
}

std::vector<std::string> SuiteFiles()
{
	std::vector<std::string> v;
	for(const auto& e : std::filesystem::directory_iterator(QEL_TEST_DATA "/pngsuite"))
		if(e.path().extension() == ".png")
			v.push_back(e.path().filename().string());
	std::sort(v.begin(), v.end());
	return v;
}

// A PNG written by libpng from rows of raw samples.
struct Writer {
	std::string out;
	static void Write(png_structp png, png_bytep data, size_t n)
	{
		((Writer*)png_get_io_ptr(png))->out.append((const char*)data, n);
	}
	static void Flush(png_structp) {}
};

std::string MakePng(int width, int height, int depth, int ctype, const std::vector<std::string>& rows,
                    std::vector<png_color> plte = {}, std::vector<byte> trns = {},
                    int ppm = 0, bool interlace = false)
{
	Writer w;
	png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
	png_infop info = png_create_info_struct(png);
	png_set_write_fn(png, &w, Writer::Write, Writer::Flush);
	png_set_IHDR(png, info, width, height, depth, ctype, interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
	             PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
	if(plte.size())
		png_set_PLTE(png, info, plte.data(), (int)plte.size());
	if(trns.size())
		png_set_tRNS(png, info, trns.data(), (int)trns.size(), nullptr);
	if(ppm)
		png_set_pHYs(png, info, ppm, ppm, PNG_RESOLUTION_METER);
	png_write_info(png, info);
	std::vector<png_bytep> rp;
	for(const std::string& r : rows)
		rp.push_back((png_bytep)r.data());
	png_write_image(png, rp.data());
	png_write_end(png, info);
	png_destroy_write_struct(&png, &info);
	return w.out;
}

std::unique_ptr<StreamRaster> Open(StringStream& s)
{
	std::unique_ptr<StreamRaster> r = OpenStreamRaster(s);
	EXPECT_TRUE(r && dynamic_cast<PNGRaster*>(r.get()));
	return r;
}

} // namespace

TEST(PNG, SuiteMatchesLibpngAndCorruptFilesAreEmpty)
{
	int compared = 0;
	for(const std::string& name : SuiteFiles()) {
		if(name[0] == 'x') {
			EXPECT_TRUE(Load(name).IsEmpty()) << name;
			continue;
		}
		std::string file = ReadFile(Data(name));
		Image img = LoadImageString(ToString(file));
		// libpng's simplified decoder treats interlaced 16-bit files apart; their plain twins
		// are the reference (and InterlacedEqualsPlain holds the two together)
		std::string twin = name;
		twin[3] = 'n';
		if(name.substr(0, 2) == "bg") // the same pictures with a background colour
			twin = "basn" + name.substr(4);
		bool deep = name.find("16") != std::string::npos || name.substr(0, 3) == "pp0";
		bool useTwin = deep && name[3] == 'i' && std::filesystem::exists(Data(twin));
		Image ref = Reference(useTwin ? ReadFile(Data(twin)) : file);
		ASSERT_FALSE(img.IsEmpty()) << name;
		ASSERT_FALSE(ref.IsEmpty()) << name;
		ASSERT_EQ(img.GetSize(), ref.GetSize()) << name;
		// 16-bit samples are cut to their high byte, libpng rounds them
		EXPECT_LE(MaxDifference(img, ref), deep ? 1 : 0) << name;
		compared++;
	}
	EXPECT_GT(compared, 150);
}

TEST(PNG, InterlacedEqualsPlain)
{
	int pairs = 0;
	for(const std::string& name : SuiteFiles()) {
		if(name.size() < 4 || name[3] != 'i')
			continue;
		std::string plain = name;
		plain[3] = 'n';
		if(!std::filesystem::exists(Data(plain)))
			continue;
		Image a = Load(name), b = Load(plain);
		ASSERT_FALSE(a.IsEmpty()) << name;
		EXPECT_EQ(ImageHash(a), ImageHash(b)) << name;
		pairs++;
	}
	EXPECT_GE(pairs, 30);
}

// Interlaced pictures are decoded whole into one buffer, whose rows are handed out raw. In 1, 2
// and 4-bit rows the bits past the last pixel are never decoded: they must not carry what the
// heap held before. Freed blocks of the buffer's size, filled with a pattern, are what the
// decoder gets back.
TEST(PNG, InterlacedRawRowsHoldNoOldMemory)
{
	int checked = 0;
	for(const std::string& name : SuiteFiles()) {
		if(name.size() < 8 || name[3] != 'i' || !(name[7] == '1' || name[7] == '2' || name[7] == '4'))
			continue;
		std::vector<std::string> raw[2];
		for(int pass = 0; pass < 2; pass++) {
			StringStream s(ToString(ReadFile(Data(name))));
			std::unique_ptr<StreamRaster> r = Open(s);
			ASSERT_TRUE(r) << name;
			int stride = int(r->GetFormat()->GetByteCount(r->GetWidth()));
			size_t bytes = size_t(stride) * r->GetHeight();
			std::vector<void*> blocks;
			for(int i = 0; i < 64; i++) {
				blocks.push_back(MemoryAlloc(bytes));
				memset(blocks.back(), pass ? 0xFF : 0x00, bytes);
			}
			for(void* p : blocks)
				MemoryFree(p);
			for(int y = 0; y < r->GetHeight(); y++) {
				Raster::Line line = r->GetLine(y);
				raw[pass].emplace_back((const char*)line.GetRawData(), stride);
			}
			EXPECT_FALSE(r->IsError()) << name;
		}
		EXPECT_EQ(raw[0], raw[1]) << name;
		checked++;
	}
	EXPECT_GE(checked, 20);
}

TEST(PNG, BackwardRowsRestart)
{
	for(const char* name : { "basn6a08.png", "basn3p02.png", "basn0g16.png", "basi2c08.png", "f02n2c08.png" }) {
		Image whole = Load(name);
		ASSERT_FALSE(whole.IsEmpty()) << name;
		StringStream s(ToString(ReadFile(Data(name))));
		std::unique_ptr<StreamRaster> r = Open(s);
		ASSERT_TRUE(r);
		int cy = r->GetHeight(), cx = r->GetWidth();
		std::vector<int> order;
		for(int y = 5; y < cy; y += 3)
			order.push_back(y);
		for(int y : { 2, 0, 31, 30, 1, 1, 17, 3 })
			order.push_back(y);
		for(int y : order) {
			Raster::Line line = r->GetLine(y);
			ASSERT_EQ(memcmp(line.GetRGBA(), whole[y], cx * sizeof(RGBA)), 0) << name << " row " << y;
		}
		EXPECT_FALSE(r->IsError());
	}
}

// Whole rows go straight into the picture, parts through the rows handed out: the same pixels.
TEST(PNG, PartsMatchTheWhole)
{
	for(const char* name : { "basn6a08.png", "basn3p02.png", "basi0g04.png", "basn2c16.png" }) {
		Image whole = Load(name);
		ASSERT_FALSE(whole.IsEmpty()) << name;
		struct { int x, y, cx, cy; } parts[] = { { 0, 7, 32, 9 }, { 3, 0, 17, 32 }, { 0, 31, 32, 1 } };
		for(auto p : parts) {
			StringStream s(ToString(ReadFile(Data(name))));
			std::unique_ptr<StreamRaster> r = Open(s);
			ASSERT_TRUE(r);
			r->GetLine(20); // plain pictures then start again from the top
			Image part = r->GetImage(p.x, p.y, p.cx, p.cy);
			ASSERT_EQ(part.GetSize(), Size(p.cx, p.cy)) << name;
			for(int y = 0; y < p.cy; y++)
				ASSERT_EQ(memcmp(part[y], whole[p.y + y] + p.x, p.cx * sizeof(RGBA)), 0) << name << " " << y;
		}
	}
}

TEST(PNG, FormatsAndPalettes)
{
	struct Case { const char* file; int type; int kind; int bpp; };
	const Case cases[] = {
		{ "basn0g01.png", RASTER_1 | RASTER_MSBFIRST, IMAGE_OPAQUE, 1 },
		{ "basn0g02.png", RASTER_2 | RASTER_MSBFIRST, IMAGE_OPAQUE, 2 },
		{ "basn3p04.png", RASTER_4 | RASTER_MSBFIRST, IMAGE_OPAQUE, 4 },
		{ "basn0g08.png", RASTER_8, IMAGE_OPAQUE, 8 },
		{ "basn0g16.png", RASTER_8, IMAGE_OPAQUE, 16 },
		{ "basn2c08.png", RASTER_24, IMAGE_OPAQUE, 8 },
		{ "basn2c16.png", RASTER_24, IMAGE_OPAQUE, 16 },
		{ "basn4a08.png", RASTER_8ALPHA, IMAGE_ALPHA, 8 },
		{ "basn6a08.png", RASTER_32ALPHA, IMAGE_ALPHA, 8 },
		{ "basn6a16.png", RASTER_32ALPHA, IMAGE_ALPHA, 16 },
		{ "tbbn3p08.png", RASTER_8, IMAGE_ALPHA, 8 },
		{ "tbbn2c16.png", RASTER_24, IMAGE_OPAQUE, 16 }, // colour key ignored
	};
	for(const Case& c : cases) {
		StringStream s(ToString(ReadFile(Data(c.file))));
		std::unique_ptr<StreamRaster> r = Open(s);
		ASSERT_TRUE(r) << c.file;
		EXPECT_EQ(r->GetFormat()->GetType(), c.type) << c.file;
		EXPECT_EQ(r->GetInfo().kind, c.kind) << c.file;
		EXPECT_EQ(r->GetInfo().bpp, c.bpp) << c.file;
		EXPECT_EQ(r->GetPaletteCount(), 0) << c.file;
	}
	StringStream s(ToString(ReadFile(Data("basn0g01.png"))));
	std::unique_ptr<StreamRaster> r = Open(s);
	ASSERT_TRUE(r);
	EXPECT_EQ(r->GetPalette()[0], (RGBA{ 0, 0, 0, 255 }));
	EXPECT_EQ(r->GetPalette()[1], (RGBA{ 255, 255, 255, 255 }));
	EXPECT_EQ(r->GetPalette()[2], (RGBA{ 0, 0, 0, 0 }));
	EXPECT_EQ(r->GetInfo().colors, 2);
}

TEST(PNG, PixelsOfBuiltPictures)
{
	struct Case { const char* what; int width, depth, ctype; std::string row; std::vector<RGBA> want; };
	const Case cases[] = {
		{ "RGB", 2, 8, PNG_COLOR_TYPE_RGB, std::string("\x10\x20\x30\x40\x50\x60", 6),
		  { { 0x30, 0x20, 0x10, 255 }, { 0x60, 0x50, 0x40, 255 } } },
		{ "RGBA, premultiplied", 1, 8, PNG_COLOR_TYPE_RGB_ALPHA, std::string("\xFF\x00\x00\x80", 4), { { 0, 0, 128, 128 } } },
		{ "grey with alpha", 1, 8, PNG_COLOR_TYPE_GRAY_ALPHA, std::string("\xFF\x80", 2), { { 128, 128, 128, 128 } } },
		{ "16-bit RGBA, high bytes", 1, 16, PNG_COLOR_TYPE_RGB_ALPHA, std::string("\x12\xFF\x34\xFF\x56\xFF\xFF\x00", 8),
		  { { 0x56, 0x34, 0x12, 255 } } },
	};
	for(const Case& c : cases) {
		Image img = LoadImageString(ToString(MakePng(c.width, 1, c.depth, c.ctype, { c.row })));
		ASSERT_EQ(img.GetSize(), Size(c.width, 1)) << c.what;
		for(int x = 0; x < c.width; x++)
			EXPECT_EQ(img[0][x], c.want[x]) << c.what;
	}
	// 2-bit palette, entry 0 made transparent by a one-entry tRNS
	std::vector<png_color> plte = { { 255, 0, 0 }, { 0, 255, 0 }, { 0, 0, 255 } };
	std::string pal = MakePng(4, 1, 2, PNG_COLOR_TYPE_PALETTE, { std::string("\x1B", 1) }, plte, { 0 });
	StringStream s(ToString(pal));
	std::unique_ptr<StreamRaster> r = Open(s);
	ASSERT_TRUE(r);
	EXPECT_EQ(r->GetFormat()->GetType(), RASTER_2 | RASTER_MSBFIRST);
	EXPECT_EQ(r->GetInfo().kind, IMAGE_ALPHA);
	EXPECT_EQ(r->GetPalette()[0], (RGBA{ 0, 0, 0, 0 }));
	EXPECT_EQ(r->GetPalette()[1], (RGBA{ 0, 255, 0, 255 }));
	Image img = LoadImageString(ToString(pal));
	ASSERT_FALSE(img.IsEmpty());
	EXPECT_EQ(img[0][0], (RGBA{ 0, 0, 0, 0 }));
	EXPECT_EQ(img[0][1], (RGBA{ 0, 255, 0, 255 }));
	EXPECT_EQ(img[0][2], (RGBA{ 255, 0, 0, 255 }));
	EXPECT_EQ(img[0][3], (RGBA{ 0, 0, 0, 0 })); // index 3 has no palette entry
}

TEST(PNG, PhysicalSize)
{
	std::vector<std::string> rows(2, std::string(96, '\x40'));
	Image img = LoadImageString(ToString(MakePng(96, 2, 8, PNG_COLOR_TYPE_GRAY, rows, {}, {}, 3780)));
	ASSERT_FALSE(img.IsEmpty());
	EXPECT_EQ(img.GetPhysicalSize(), Size(600, 12));
	EXPECT_EQ(LoadImageString(ToString(MakePng(96, 2, 8, PNG_COLOR_TYPE_GRAY, rows))).GetPhysicalSize(), Size(0, 0));
	EXPECT_EQ(Load("cdun2c08.png").GetPhysicalSize(), Size(756, 756)); // 1000 pixels per metre
}

TEST(PNG, TruncatedAndDamagedData)
{
	std::string file = ReadFile(Data("basn6a08.png"));
	ASSERT_FALSE(Load("basn6a08.png").IsEmpty());
	// cut anywhere before the end of the compressed pixels (IEND and the last checksums are
	// not needed once every row is there)
	size_t end = file.find("IEND") - 12;
	for(size_t n = 0; n < end; n += std::max<size_t>(1, n / 8))
		EXPECT_TRUE(LoadImageString(ToString(file.substr(0, n))).IsEmpty()) << n;
	// a broken checksum inside the pixel data fails while rows are read: error state and zeros
	StringStream s(ToString(ReadFile(Data("xcsn0g01.png"))));
	std::unique_ptr<StreamRaster> r = OpenStreamRaster(s);
	ASSERT_TRUE(r);
	Size sz = r->GetSize();
	int bad = -1;
	for(int y = 0; y < sz.cy && bad < 0; y++) {
		Raster::Line line = r->GetLine(y);
		if(r->IsError()) {
			bad = y;
			for(int x = 0; x < sz.cx; x++)
				EXPECT_EQ(line.GetRGBA()[x], (RGBA{ 0, 0, 0, 255 }));
		}
	}
	EXPECT_GE(bad, 0);
	EXPECT_TRUE(r->GetImage().IsEmpty());
	// damaged compressed data under a good checksum: libpng fails inside the rows
	std::string z = ReadFile(Data("basn2c08.png"));
	size_t idat = z.find("IDAT");
	ASSERT_NE(idat, std::string::npos);
	size_t len = Be32(z, idat - 4);
	int failed = 0;
	for(int i = 0; i < 60; i++) {
		std::string d = z;
		d[idat + 4 + 2 + (i * 37) % (len - 6)] ^= byte(0x5A + i);
		dword crc = crc32(0, (const Bytef*)d.data() + idat, uInt(len + 4));
		for(int k = 0; k < 4; k++)
			d[idat + 4 + len + k] = char(crc >> (24 - 8 * k));
		failed += LoadImageString(ToString(d)).IsEmpty();
	}
	EXPECT_GT(failed, 0);
}

TEST(PNG, StreamExceptionsPassThrough)
{
	std::string file = ReadFile(Data("basn2c08.png"));
	for(size_t n : { size_t(20), file.size() / 2 }) {
		StringStream s(ToString(file.substr(0, n)));
		s.LoadThrowing();
		EXPECT_THROW(LoadImageAny(s), LoadingError) << n;
	}
	StringStream s(ToString(file));
	s.LoadThrowing();
	EXPECT_FALSE(LoadImageAny(s).IsEmpty());
}
