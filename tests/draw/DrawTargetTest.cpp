#include "DrawCanvas.h"
#include "TestImage.h"

#include <gtest/gtest.h>

#include <functional>
#include <math.h>

using namespace QelTest;

using Records = std::vector<std::string>;

TEST(DrawTarget, NativeDpiFollowsTheDotsFlag)
{
	RecordingDraw w;
	EXPECT_EQ(w.GetNativeDpi(), Size(96, 96));
	w.info = INFO_DOTS;
	EXPECT_EQ(w.GetNativeDpi(), Size(600, 600));
	EXPECT_EQ(w.GetPageSize(), Size(0x3FFFFFFF, 0x3FFFFFFF));
}

TEST(DrawTarget, DefaultInkByInfo)
{
	struct Case { dword info; Color ink; };
	const Case cases[] = {
		{ 0, Color(0, 0, 0) },
		{ INFO_DOTS, Color(0, 0, 0) },
		{ INFO_KEEP_INK, DEFAULT_INK },
		{ INFO_KEEP_INK | INFO_DOTS, DEFAULT_INK },
	};
	for(const Case& c : cases) {
		RecordingDraw w;
		w.info = c.info;
		EXPECT_EQ(w.GetDefaultInk(), c.ink) << c.info;
	}
}

TEST(DrawTarget, SinCosOfTenthsOfADegree)
{
	struct Case { int angle; double sin, cos; bool exact; };
	const Case cases[] = {
		{ 0, 0, 1, true }, { 900, 1, 0, true }, { 1800, 0, -1, true }, { 2700, -1, 0, true },
		{ 4500, 1, 0, true }, { 3600, 0, 1, true }, { -3600, 0, 1, true },
		{ -900, -1, 0, false }, { 450, sqrt(0.5), sqrt(0.5), false }, { -1350, -sqrt(0.5), -sqrt(0.5), false },
	};
	for(const Case& c : cases) {
		double s = 7, co = 7;
		SinCos(c.angle, s, co);
		if(c.exact) {
			EXPECT_EQ(s, c.sin) << c.angle;
			EXPECT_EQ(co, c.cos) << c.angle;
		}
		else {
			EXPECT_NEAR(s, c.sin, 1e-12) << c.angle;
			EXPECT_NEAR(co, c.cos, 1e-12) << c.angle;
		}
	}
	double s, c;
	SinCos(-900, s, c);
	EXPECT_NE(c, 0.0); // the general formula, not the exact pair
}

TEST(DrawTarget, FrontOperationsCallOneSlot)
{
	Image img = RandomImage(4, 3, 1);
	struct Case { const char* what; std::function<void (Draw&)> call; Records expect; };
	const Case cases[] = {
		{ "rect", [](Draw& w) { w.DrawRect(Rect(1, 2, 11, 22), Color(1, 2, 3)); }, { "Rect 1,2,10,20#00030201" } },
		{ "image at own size", [&](Draw& w) { w.DrawImage(5, 6, img); }, { "SysImage 5,6 img4x3#FFFFFFFF" } },
		{ "image in a rect", [&](Draw& w) { w.DrawImage(Rect(5, 6, 9, 9), img); }, { "SysImage 5,6 img4x3#FFFFFFFF" } },
		{ "image with colour", [&](Draw& w) { w.DrawImage(5, 6, img, Color(0, 0, 255)); },
		  { "SysImage 5,6 img4x3#00FF0000" } },
		{ "image with Null colour", [&](Draw& w) { w.DrawImage(5, 6, img, Color()); }, {} },
		{ "polygon", [](Draw& w) { w.DrawPolygon({ Point(0, 0), Point(4, 0), Point(0, 3) }, DEFAULT_INK, 2, Color(9, 9, 9), 5); },
		  { "PolyPolyPolygon(0,0)(4,0)(0,3) sub 3 disj 3#00000000 w2#00090909 p5#FFFFFFFF" } },
		{ "ellipse", [](Draw& w) { w.DrawEllipse(Rect(0, 0, 8, 6)); },
		  { "Ellipse[0,0,8,6]#00000000 w-2147483648#00000000" } },
		{ "offset", [](Draw& w) { w.Offset(3, -4); }, { "Offset(3,-4)" } },
		{ "clipoff", [](Draw& w) { w.ClipOff(1, 2, 10, 20); }, { "Clipoff[1,2,11,22]" } },
		{ "exclude", [](Draw& w) { w.ExcludeClip(1, 2, 10, 20); }, { "ExcludeClip[1,2,11,22]" } },
		{ "part of an image", [&](Draw& w) { w.SysDrawImageOp(10, 20, img, Rect(1, 1, 3, 3), Color()); },
		  { "Clipoff[10,20,12,22]", "SysImage -1,-1 img4x3#FFFFFFFF", "End" } },
		{ "whole image by rect", [&](Draw& w) { w.SysDrawImageOp(10, 20, img, Rect(0, 0, 4, 3), Color()); },
		  { "SysImage 10,20 img4x3#FFFFFFFF" } },
	};
	for(const Case& c : cases) {
		RecordingDraw w;
		w.info = INFO_NATIVE;
		c.call(w);
		EXPECT_EQ(NoSums(w.calls), c.expect) << c.what;
	}
}

TEST(DrawTarget, ImagesAboveTheThresholdAreDrawnInBandsOnEveryTarget)
{
	Image src = RandomImage(40, 30, 7);
	struct Case { Size size; dword info; Color color; int bands; int last; };
	const Case cases[] = {
		{ Size(2000, 1500), INFO_BAND_IMAGES, Color(), 0, 0 },
		{ Size(2001, 1500), INFO_BAND_IMAGES, Color(), 94, 12 },
		{ Size(2000, 1501), INFO_BAND_IMAGES, Color(), 94, 13 },
		{ Size(2001, 40), 0, Color(), 3, 8 },             // no band flag: banded all the same
		{ Size(1000, 1501), 0, Color(0, 0, 255), 94, 13 }, // a colour: banded, each band in it
	};
	for(const Case& c : cases) {
		CanvasDraw w(Size(c.size.cx + 3, c.size.cy + 5));
		w.info = c.info;
		w.DrawImageOp(3, 5, c.size.cx, c.size.cy, src, Rect(0, 0, 40, 30), c.color);
		ImageBuffer expect(c.size.cx + 3, c.size.cy + 5);
		Image whole = Rescale(src, c.size, Rect(0, 0, 40, 30));
		for(int y = 0; y < c.size.cy; y++)
			memcpy(expect[y + 5] + 3, whole[y], c.size.cx * sizeof(RGBA));
		std::string what = std::to_string(c.size.cx) + "x" + std::to_string(c.size.cy);
		ASSERT_TRUE(SamePixels(w.Take(), Image(expect))) << what;
		int bands = 0, rows = 0;
		for(const CanvasDraw::Blit& b : w.blits) {
			EXPECT_EQ(b.color, c.color) << what;
			EXPECT_LE(b.area.right - b.area.left, c.color.IsNull() ? 2000 : c.size.cx) << what;
			if(b.area.left == 3) {
				EXPECT_EQ(b.area.top, 5 + rows) << what;
				rows += b.area.bottom - b.area.top;
				bands++;
			}
		}
		EXPECT_EQ(rows, c.size.cy) << what;
		if(c.bands) {
			EXPECT_EQ(bands, c.bands) << what;
			EXPECT_EQ(w.blits.back().area.bottom - w.blits.back().area.top, c.last) << what;
		}
		else
			EXPECT_EQ(w.blits.size(), 1u) << what;
	}
}

TEST(DrawTarget, ImageDotsAreConvertedToTheNativeResolution)
{
	Image src = RandomImage(10, 10, 3);
	struct Case { dword info; Size dpi; Records expect; };
	const Case cases[] = {
		{ INFO_DOTS, Size(300, 300), { "BeginNative", "SysImage 300,300 img600x300#FFFFFFFF", "EndNative" } },
		{ INFO_DOTS, Size(300, 150), { "BeginNative", "SysImage 300,150 img600x150#FFFFFFFF", "EndNative" } },
		{ INFO_DOTS, Size(600, 600), { "BeginNative", "SysImage 600,600 img1200x600#FFFFFFFF", "EndNative" } },
		{ INFO_DOTS | INFO_NATIVE, Size(300, 300), { "SysImage 600,600 img1200x600#FFFFFFFF" } },
		{ 0, Size(0, 0), { "BeginNative", "SysImage 600,600 img1200x600#FFFFFFFF", "EndNative" } },
	};
	for(const Case& c : cases) {
		RecordingDraw w;
		w.info = c.info;
		w.dpi = c.dpi;
		w.DrawImageOp(600, 600, 1200, 600, src, Rect(0, 0, 10, 10), Color());
		EXPECT_EQ(NoSums(w.calls), c.expect) << c.info << " " << c.dpi.cx;
	}
}

TEST(DrawTarget, ImageBandPieces)
{
	auto band = [](int cx, int cy, std::initializer_list<std::pair<int, int>> white) {
		ImageBuffer b(cx, cy);
		for(RGBA& p : b)
			p = Px(0, 0, 0);
		for(auto [from, to] : white)
			for(int y = 0; y < cy; y++)
				for(int x = from; x < to; x++)
					b[y][x] = Px(255, 255, 255);
		return Image(b);
	};
	struct Case { const char* what; dword info; Image img; Records expect; };
	const Case cases[] = {
		{ "screen, 4500 columns", 0, band(4500, 3, {}),
		  { "Clipoff[7,8,2007,11]", "Clipoff[2007,8,4007,11]", "Clipoff[4007,8,4507,11]" } },
		{ "screen ignores white", 0, band(100, 2, { { 10, 40 } }), { "SysImage 7,8 img100x2#FFFFFFFF" } },
		{ "dots, white run of 30", INFO_DOTS, band(100, 2, { { 10, 40 } }),
		  { "Rect 17,8,30,2#00FFFFFF", "Clipoff[7,8,17,10]", "Clipoff[47,8,107,10]" } },
		{ "dots, white run of 15", INFO_DOTS, band(100, 2, { { 10, 25 } }), { "SysImage 7,8 img100x2#FFFFFFFF" } },
		{ "dots, white at both ends", INFO_DOTS, band(60, 1, { { 0, 16 }, { 44, 60 } }),
		  { "Rect 7,8,16,1#00FFFFFF", "Rect 51,8,16,1#00FFFFFF", "Clipoff[23,8,51,9]" } },
		{ "dots, all black", INFO_DOTS, band(30, 1, {}), { "SysImage 7,8 img30x1#FFFFFFFF" } },
		{ "dots, all white", INFO_DOTS, band(30, 4, { { 0, 30 } }), { "Rect 7,8,30,4#00FFFFFF" } },
	};
	for(const Case& c : cases) {
		RecordingDraw w;
		w.info = c.info;
		DrawImageBand(w, 7, 8, c.img);
		// Pieces show as their clips; a whole image is drawn at the band's corner.
		EXPECT_EQ(Only(w.calls, { "Clipoff", "Rect", "SysImage 7," }), c.expect) << c.what;
	}
}

namespace {

// A drawer whose row y is the pixel (y, band, 0, 255), logging what it is asked.
std::vector<std::string> sDrawerLog;

class RowDrawer : public DataDrawer {
	int row = 0;
	int tag;

public:
	void Open(const String& data, int cx, int cy) override
	{
		sDrawerLog.push_back("Open " + std::string(~data) + " " + std::to_string(cx) + "x" + std::to_string(cy) +
		                     " tag" + std::to_string(tag));
	}
	void Render(ImageBuffer& ib) override
	{
		sDrawerLog.push_back("Render " + std::to_string(ib.GetWidth()) + "x" + std::to_string(ib.GetHeight()));
		for(int y = 0; y < ib.GetHeight(); y++, row++)
			for(int x = 0; x < ib.GetWidth(); x++)
				ib[y][x] = Px(row & 255, row >> 8, 0);
	}
	explicit RowDrawer(int tag) : tag(tag) {}
};

void sRegisterRowDrawers()
{
	static bool done = [] {
		DataDrawer::Register("rows", [] { return (DataDrawer*)new RowDrawer(1); });
		DataDrawer::Register("rows", [] { return (DataDrawer*)new RowDrawer(2); });
		DataDrawer::Register("none", nullptr);
		return true;
	}();
	(void)done;
}

// A 24-bit bottom-up BMP file of an opaque image.
String Bmp24(const Image& m)
{
	int cx = m.GetWidth(), cy = m.GetHeight(), stride = (cx * 3 + 3) & ~3;
	String h = "BM";
	Put32(h, 54 + stride * cy);
	Put32(h, 0);
	Put32(h, 54);
	Put32(h, 40);
	Put32(h, cx);
	Put32(h, cy);
	Put16(h, 1);
	Put16(h, 24);
	for(int i = 0; i < 6; i++)
		Put32(h, 0);
	for(int y = cy - 1; y >= 0; y--) {
		for(int x = 0; x < cx; x++) {
			RGBA p = m[y][x];
			h.Cat(char(p.b));
			h.Cat(char(p.g));
			h.Cat(char(p.r));
		}
		for(int i = cx * 3; i < stride; i++)
			h.Cat(char(0));
	}
	return h;
}

} // namespace

TEST(DrawTarget, DataDrawersInBands)
{
	sRegisterRowDrawers();
	struct Case { dword info; Size size; std::vector<std::string> log; };
	const Case cases[] = {
		{ 0, Size(30, 20), { "Open d 30x20 tag1", "Render 30x20" } },
		{ INFO_BAND_DATA, Size(2049, 10), { "Open d 2049x10 tag1", "Render 2049x10" } },
		{ INFO_BAND_DATA, Size(10, 2049), { "Open d 10x2049 tag1" } }, // then 65 bands, checked below
		{ 0, Size(10, 2049), { "Open d 10x2049 tag1" } },              // no band flag: banded all the same
		{ INFO_BAND_DATA, Size(2048, 2048), { "Open d 2048x2048 tag1", "Render 2048x2048" } },
	};
	for(const Case& c : cases) {
		sDrawerLog.clear();
		CanvasDraw w(c.size);
		w.info = c.info;
		w.DrawDataOp(0, 0, c.size.cx, c.size.cy, "d", "rows");
		std::string what = std::to_string(c.size.cx) + "x" + std::to_string(c.size.cy);
		if(c.size.cy == 2049) {
			ASSERT_EQ(sDrawerLog.size(), 1u + 65u) << what;
			EXPECT_EQ(sDrawerLog[1], "Render 10x32");
			EXPECT_EQ(sDrawerLog.back(), "Render 10x1");
			sDrawerLog.resize(1);
		}
		EXPECT_EQ(sDrawerLog, c.log) << what;
		// Every row arrives in its place, whatever the banding.
		Image m = w.Take();
		for(int y = 0; y < c.size.cy; y++)
			ASSERT_EQ(m[y][c.size.cx - 1], Px(y & 255, y >> 8, 0)) << what << " row " << y;
	}
}

TEST(DrawTarget, DataOperationBracketsAndConverts)
{
	sRegisterRowDrawers();
	struct Case { const char* id; dword info; Size dpi; Records expect; std::vector<std::string> log; };
	const Case cases[] = {
		{ "unknown", 0, Size(0, 0), { "BeginNative", "EndNative" }, {} },
		{ "none", 0, Size(0, 0), { "BeginNative", "EndNative" }, {} },
		{ "unknown", INFO_NATIVE, Size(0, 0), {}, {} },
		{ "rows", INFO_DOTS, Size(300, 300), { "BeginNative", "SysImage 300,300 img600x300#FFFFFFFF", "EndNative" },
		  { "Open x 600x300 tag1", "Render 600x300" } },
		{ "rows", INFO_DOTS | INFO_NATIVE, Size(300, 300), { "SysImage 600,600 img1200x600#FFFFFFFF" },
		  { "Open x 1200x600 tag1", "Render 1200x600" } },
		// Bands of converted data are not converted a second time.
		{ "rows", INFO_DOTS, Size(150, 150), { "BeginNative", "SysImage 150,150 img300x32#FFFFFFFF" },
		  { "Open x 300x3075 tag1", "Render 300x32" } },
	};
	for(const Case& c : cases) {
		sDrawerLog.clear();
		RecordingDraw w;
		w.info = c.info;
		w.dpi = c.dpi;
		w.DrawDataOp(600, 600, 1200, c.dpi.cy == 150 ? 12300 : 600, "x", c.id);
		Records r = NoSums(w.calls);
		if(c.dpi.cy == 150) {
			EXPECT_EQ(r.back(), "EndNative");
			EXPECT_EQ(std::count(r.begin(), r.end(), "BeginNative"), 1);
			r.resize(2);
			sDrawerLog.resize(2);
		}
		EXPECT_EQ(r, c.expect) << c.id << " " << c.info;
		EXPECT_EQ(sDrawerLog, c.log) << c.id << " " << c.info;
	}
}

TEST(DrawTarget, ImageDataDecodesAndRescales)
{
	Image src = RandomImage(5, 3, 11, true);
	for(Size sz : { Size(5, 3), Size(12, 7), Size(2, 1), Size(2100, 3) }) {
		CanvasDraw w(sz);
		w.DrawDataOp(0, 0, sz.cx, sz.cy, Bmp24(src), "image_data");
		EXPECT_TRUE(SamePixels(w.Take(), Rescale(src, sz, Rect(0, 0, 5, 3)))) << sz.cx << "x" << sz.cy;
	}
	// Data that no format reads draws a transparent area, and nothing breaks.
	for(const char* bad : { "", "BM", "not an image at all" }) {
		CanvasDraw w(Size(4, 4));
		w.DrawDataOp(0, 0, 4, 4, bad, "image_data");
		EXPECT_TRUE(SamePixels(w.Take(), Image(ImageBuffer(4, 4)))) << bad;
	}
}

namespace {

std::vector<std::string> sPaintLog;

void sPaintHook(ImageBuffer& ib, const Painting&, Size sz, Point pos, int mode)
{
	RGBA p = ib[0][0];
	sPaintLog.push_back(std::to_string(ib.GetWidth()) + "x" + std::to_string(ib.GetHeight()) + " paper" +
	                    std::to_string(p.r) + "," + std::to_string(p.a) + " s" + std::to_string(sz.cx) + "x" +
	                    std::to_string(sz.cy) + " pos" + std::to_string(pos.x) + "," + std::to_string(pos.y) +
	                    " mode" + std::to_string(mode));
	for(int y = 0; y < ib.GetHeight(); y++)
		for(int x = 0; x < ib.GetWidth(); x++)
			ib[y][x] = Px(x & 255, (y + pos.y) & 255, 1);
}

void sDrawingHook(ImageBuffer&, const Drawing&, int) {}
Image sCharHook(int, int, int, int, Font, Color, Size) { return Image(); }

struct PaintingHooks {
	PaintingHooks(bool all = true) { RegisterPaintingRenderer(sPaintHook, sDrawingHook, all ? sCharHook : nullptr); }
	~PaintingHooks() { RegisterPaintingRenderer(nullptr, nullptr, nullptr); }
};

} // namespace

TEST(DrawTarget, PaintingsRenderThroughTheHookInBandsOf100)
{
	Painting p;
	{
		RecordingDraw w;
		w.DrawPaintingOp(Rect(0, 0, 10, 10), p);
		PaintingHooks partial(false);
		w.DrawPaintingOp(Rect(0, 0, 10, 10), p);
		EXPECT_TRUE(w.calls.empty());
	}
	PaintingHooks hooks;
	struct Case { dword info; Rect r; std::vector<std::string> log; };
	const Case cases[] = {
		{ 0, Rect(3, 4, 33, 24), { "30x20 paper0,0 s30x20 pos0,0 mode0" } },
		{ INFO_BAND_IMAGES, Rect(3, 4, 33, 24), { "30x20 paper255,255 s30x20 pos0,0 mode0" } },
		{ 0, Rect(1, 2, 2002, 252), { "2001x100 paper0,0 s2001x250 pos0,0 mode0",
		                              "2001x100 paper0,0 s2001x250 pos0,100 mode0",
		                              "2001x50 paper0,0 s2001x250 pos0,200 mode0" } },
		{ 0, Rect(5, 5, 5, 50), {} },
	};
	for(const Case& c : cases) {
		sPaintLog.clear();
		CanvasDraw w(Size(c.r.right, c.r.bottom));
		w.info = c.info;
		w.DrawPaintingOp(c.r, p);
		EXPECT_EQ(sPaintLog, c.log) << c.r.right;
		if(c.log.empty())
			continue;
		Image m = w.Take();
		for(int y = c.r.top; y < c.r.bottom; y++)
			ASSERT_EQ(m[y][c.r.right - 1], Px((c.r.right - 1 - c.r.left) & 255, (y - c.r.top) & 255, 1)) << y;
	}
}

TEST(DrawTarget, EmptyImagesAndSizesDrawNothing)
{
	Image src = RandomImage(10, 10, 3);
	struct Case { int cx, cy; Image img; Rect r; };
	const Case cases[] = {
		{ 0, 10, src, Rect(0, 0, 10, 10) }, { 10, -1, src, Rect(0, 0, 10, 10) },
		{ -5000, 3000, src, Rect(0, 0, 10, 10) }, { 10, 10, src, Rect(5, 5, 5, 9) },
		{ 10, 10, Image(), Rect(0, 0, 10, 10) }, { 3000, 3000, src, Rect(3, 0, 2, 10) },
	};
	for(const Case& c : cases) {
		RecordingDraw w;
		w.DrawImageOp(0, 0, c.cx, c.cy, c.img, c.r, Color());
		EXPECT_TRUE(Only(w.calls, { "SysImage", "Clipoff", "Rect" }).empty()) << c.cx << "x" << c.cy;
	}
	sRegisterRowDrawers();
	sDrawerLog.clear();
	for(Size sz : { Size(0, 5), Size(5, 0), Size(-3, 4000), Size(3000, -1) }) {
		RecordingDraw w;
		w.DrawDataOp(0, 0, sz.cx, sz.cy, "", "rows");
		EXPECT_TRUE(Only(w.calls, { "SysImage", "Clipoff", "Rect" }).empty()) << sz.cx << "x" << sz.cy;
	}
	EXPECT_TRUE(sDrawerLog.empty());
}
