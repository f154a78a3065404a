#include "TestImage.h"

#include <climits>

using namespace QelTest;

namespace {

// An encoder that reduces to a palette of n entries and keeps the index bytes.
class IndexEncoder : public RasterEncoder {
	int n;

public:
	Vector<String> rows;

	int  GetPaletteCount() override          { return n; }
	void Start(Size) override                { rows.Clear(); }
	void WriteLineRaw(const byte* s) override { rows.Add(String((const char*)s, GetWidth())); }

	explicit IndexEncoder(int n) : n(n)      { format.SetType(RASTER_8); }
};

// A raster of one shared row, as tall as wanted: many pixels without the memory.
class TallRaster : public Raster {
	Size sz;
	Buffer<RGBA> row;

public:
	bool  Create() override                  { return true; }
	Size  GetSize() override                 { return sz; }
	Info  GetInfo() override                 { return Info(); }
	Line  GetLine(int) override              { return Line(row, false); }
	bool  IsError() override                 { return false; }
	const RGBA*         GetPalette() override { return nullptr; }
	const RasterFormat* GetFormat() override  { return nullptr; }

	TallRaster(Size sz, RGBA c) : sz(sz), row(size_t(sz.cx), c) {}
};

int Dist(RGBA a, RGBA b)
{
	return (a.r - b.r) * (a.r - b.r) + (a.g - b.g) * (a.g - b.g) + (a.b - b.b) * (a.b - b.b);
}

double PaletteError(const Image& img, int n)
{
	ImageRaster r(img);
	RGBA pal[256];
	CreatePalette(r, pal, n);
	PaletteCv cv;
	CreatePaletteCv(pal, n, cv);
	double e = 0;
	for(RGBA c : img)
		e += Dist(c, pal[cv.Get(c)]);
	return e / double(img.GetLength());
}

} // namespace

TEST(RasterEncoder, ImageEncoderRowsAndEmptyHeight)
{
	ImageRaster none(Image{});
	ImageEncoder e;
	e.Create(Size(3, 0), none);
	EXPECT_TRUE(e.GetImage().IsEmpty());

	ImageEncoder f;
	f.Create(Size(2, 2), none);
	RGBA* line = f.GetLine();
	line[0] = line[1] = Px(1, 2, 3);
	f.WriteLineRaw((const byte*)line); // the row is the target itself: nothing to copy
	RGBA row[2] = { Px(4, 5, 6), Px(7, 8, 9) };
	f.WriteLine(row);
	f.GetLine()[0] = Px(9, 9, 9);       // past the last row: must not land in the picture
	f.WriteLine(row);
	Image m = f.GetImage();
	ASSERT_EQ(m.GetSize(), Size(2, 2));
	EXPECT_EQ(m[0][1], Px(1, 2, 3));
	EXPECT_EQ(m[1][0], Px(4, 5, 6));
	EXPECT_EQ(m[1][1], Px(7, 8, 9));

	ImageEncoder bad;
	bad.Create(Size(-1, 5), none);
	bad.WriteLine();
	EXPECT_TRUE(bad.GetImage().IsEmpty());
}

TEST(RasterEncoder, PaletteEncoderWritesIndexes)
{
	ImageBuffer b(4, 2);
	for(int x = 0; x < 4; x++) {
		b[0][x] = x & 1 ? Px(255, 255, 255) : Px(0, 0, 0);
		b[1][x] = Px(250, 250, 250);
	}
	Image img(b);
	ImageRaster r(img);
	IndexEncoder e(2);
	Crop(e, r, Rect(0, 0, 4, 2));
	ASSERT_EQ(e.rows.GetCount(), 2);
	const RGBA* pal = e.GetPalette();
	int white = pal[0].r > 128 ? 0 : 1;
	EXPECT_EQ(e.rows[0], String(white ? "\0\1\0\1" : "\1\0\1\0", 4));
	EXPECT_EQ(e.rows[1], String(white ? "\1\1\1\1" : "\0\0\0\0", 4));
}

TEST(RasterEncoder, MedianCutSplitsTwoColoursAndWritesNoMoreThanItHas)
{
	ImageBuffer b(4, 4);
	for(int i = 0; i < 16; i++)
		b.Begin()[i] = i < 8 ? Px(0, 0, 0) : Px(255, 255, 255);
	ImageRaster r{ Image(b) };
	RGBA pal[2];
	CreatePalette(r, pal, 2);
	EXPECT_LE(Dist(pal[0], Px(0, 0, 0)), 100);
	EXPECT_EQ(pal[1], Px(255, 255, 255));

	// one colour is one box that cannot be split; no pixels, no entries
	ImageRaster one(Solid(5, 5, Px(100, 150, 200)));
	RGBA p1[4];
	memset(p1, 0x11, sizeof(p1));
	CreatePalette(one, p1, 4);
	EXPECT_LE(Dist(p1[0], Px(100, 150, 200)), 400);
	EXPECT_EQ(p1[1].a, 0x11);
	ImageRaster empty(Image{});
	RGBA p2 = Px(1, 2, 3, 4);
	CreatePalette(empty, &p2, 1);
	EXPECT_EQ(p2, Px(1, 2, 3, 4));
}

TEST(RasterEncoder, MedianCutSumsDoNotOverflow)
{
	TallRaster r(Size(10000, 10000), Px(255, 255, 255)); // 1e8 pixels
	RGBA pal[1];
	CreatePalette(r, pal, 1);
	EXPECT_EQ(pal[0], Px(255, 255, 255));
}

TEST(RasterEncoder, MorePaletteEntriesFitBetter)
{
	ImageBuffer b(64, 64);
	for(int y = 0; y < 64; y++)
		for(int x = 0; x < 64; x++)
			b[y][x] = Px(x * 4, y * 4, (x + y) * 2);
	Image img(b);
	double e2 = PaletteError(img, 2), e16 = PaletteError(img, 16), e256 = PaletteError(img, 256);
	EXPECT_GT(e2, e16);
	EXPECT_GT(e16, e256);
	EXPECT_LT(e256, 200);
}

TEST(RasterEncoder, PaletteCvFindsTheNearestEntry)
{
	RGBA bw[2] = { Px(0, 0, 0), Px(255, 255, 255) };
	PaletteCv cv;
	CreatePaletteCv(bw, 2, cv);
	EXPECT_EQ(cv.Get(Px(100, 100, 100)), 0);
	EXPECT_EQ(cv.Get(Px(200, 200, 200)), 1);

	// against a full search over every cell, for palettes of several sizes
	dword h = 7;
	for(int n : { 1, 3, 17, 256 }) {
		RGBA pal[256];
		for(int i = 0; i < n; i++) {
			dword v = NextRand(h);
			pal[i] = Px(v & 255, v >> 8 & 255, NextRand(h) & 255);
		}
		CreatePaletteCv(pal, n, cv);
		int bad = 0;
		for(int r5 = 0; r5 < 32; r5++)
			for(int b4 = 0; b4 < 16; b4++)
				for(int g6 = 0; g6 < 64; g6++) {
					RGBA c = Px(r5 * 255 / 31, g6 * 255 / 63, b4 * 17);
					int best = INT_MAX;
					for(int i = 0; i < n; i++)
						best = std::min(best, Dist(c, pal[i]));
					int got = cv[(r5 << 10) | (b4 << 6) | g6];
					bad += got >= n || Dist(c, pal[got]) != best;
				}
		EXPECT_EQ(bad, 0) << n << " entries";
	}
}
