// The shared Draw defaults against a recording target, NilDraw and ImageAnyDraw.
#include "RecordingDraw.h"
#include "TestImage.h"
#include "../Hostile.h"

#include <algorithm>
#include <functional>
#include <tuple>
#include <math.h>

using namespace QelTest;
using Records = std::vector<std::string>;

namespace {

// Also pastes every image it gets onto a canvas, following Clipoff and End, and notes the part
// of each that shows, so pictures drawn in bands and pieces compare with the whole picture.
struct CanvasDraw : RecordingDraw {
	ImageBuffer canvas;
	std::vector<std::pair<Rect, Color>> blits;
	std::vector<std::pair<Point, Rect>> stack;
	Point org;
	Rect  clip;

	explicit CanvasDraw(Size sz) : canvas(sz), clip(0, 0, sz.cx, sz.cy) {}
	bool ClipoffOp(const Rect& r) override
	{
		RecordingDraw::ClipoffOp(r);
		stack.push_back({ org, clip });
		org = Point(r.left + org.x, r.top + org.y);
		clip = Rect(max(clip.left, org.x), max(clip.top, org.y), min(clip.right, org.x + r.right - r.left),
		            min(clip.bottom, org.y + r.bottom - r.top));
		return true;
	}
	void EndOp() override
	{
		RecordingDraw::EndOp();
		std::tie(org, clip) = stack.back();
		stack.pop_back();
	}
	void SysDrawImageOp(int x, int y, const Image& img, Color color) override
	{
		RecordingDraw::SysDrawImageOp(x, y, img, color);
		x += org.x;
		y += org.y;
		Rect a(max(x, clip.left), max(y, clip.top), min(x + img.GetWidth(), clip.right), min(y + img.GetHeight(), clip.bottom));
		blits.push_back({ a, color });
		for(int ty = a.top; ty < a.bottom; ty++)
			for(int tx = a.left; tx < a.right; tx++)
				canvas[ty][tx] = img[ty - y][tx - x];
	}
};

// Records without image checksums, only those starting with one of the prefixes when given.
Records Plain(const Records& v, std::initializer_list<const char*> prefixes = {})
{
	Records r;
	for(std::string s : v) {
		bool keep = !prefixes.size();
		for(const char* p : prefixes)
			keep = keep || s.rfind(p, 0) == 0;
		size_t i = s.find("img");
		if(i != std::string::npos && (i = s.find(':', i)) != std::string::npos)
			s.erase(i, 17);
		if(keep)
			r.push_back(s);
	}
	return r;
}

} // namespace

TEST(DrawTarget, DefaultsByInfo)
{
	struct Case { dword info; Color ink; Size dpi; };
	for(Case c : { Case{ 0, ThemeTextColor(), Size(96, 96) }, Case{ INFO_DOTS, Color(0, 0, 0), Size(600, 600) },
	               Case{ INFO_KEEP_INK | INFO_DOTS, DEFAULT_INK, Size(600, 600) } }) {
		RecordingDraw w;
		w.info = c.info;
		EXPECT_EQ(w.GetDefaultInk(), c.ink) << c.info;
		EXPECT_EQ(w.GetNativeDpi(), c.dpi) << c.info;
		EXPECT_EQ(w.GetPageSize(), Size(0x3FFFFFFF, 0x3FFFFFFF));
	}
}

TEST(DrawTarget, SinCosOfTenthsOfADegree)
{
	struct Case { int angle; double sin, cos; bool exact; };
	const Case cases[] = {
		{ 0, 0, 1, true }, { 900, 1, 0, true }, { 1800, 0, -1, true }, { 2700, -1, 0, true }, { 4500, 1, 0, true },
		{ -3600, 0, 1, true }, { -900, -1, 0, false }, { 450, sqrt(0.5), sqrt(0.5), false },
	};
	for(const Case& c : cases) {
		double s, co;
		SinCos(c.angle, s, co);
		EXPECT_NEAR(s, c.sin, c.exact ? 0 : 1e-12) << c.angle;
		EXPECT_NEAR(co, c.cos, c.exact ? 0 : 1e-12) << c.angle;
	}
	double s, co;
	SinCos(-900, s, co); // -900 % 3600 is -900: the general formula, not the exact pair
	EXPECT_NE(co, 0.0);
}

TEST(DrawTarget, FrontOperationsCallOneSlot)
{
	Image img = RandomImage(4, 3, 1);
	struct Case { const char* what; std::function<void (Draw&)> call; Records expect; };
	const std::string ink = RecordingDraw::C(ThemeTextColor()); // the default ink on screen targets
	const Case cases[] = {
		{ "rect", [](Draw& w) { w.DrawRect(Rect(1, 2, 11, 22), Color(1, 2, 3)); }, { "Rect 1,2,10,20#00030201" } },
		{ "image", [&](Draw& w) { w.DrawImage(5, 6, img); }, { "SysImage 5,6 img4x3#FFFFFFFF" } },
		{ "image in rect", [&](Draw& w) { w.DrawImage(Rect(5, 6, 9, 9), img); }, { "SysImage 5,6 img4x3#FFFFFFFF" } },
		{ "coloured", [&](Draw& w) { w.DrawImage(5, 6, img, Color(0, 0, 255)); }, { "SysImage 5,6 img4x3#00FF0000" } },
		{ "Null colour", [&](Draw& w) { w.DrawImage(5, 6, img, Color()); }, {} },
		{ "polygon", [](Draw& w) { w.DrawPolygon({ Point(0, 0), Point(4, 0), Point(0, 3) }, DEFAULT_INK, 2, Color(9, 9, 9), 5); },
		  { "PolyPolyPolygon(0,0)(4,0)(0,3) sub 3 disj 3" + ink + " w2#00090909 p5#FFFFFFFF" } },
		{ "ellipse", [](Draw& w) { w.DrawEllipse(Rect(0, 0, 8, 6)); }, { "Ellipse[0,0,8,6]" + ink + " w-2147483648" + ink } },
		{ "offset", [](Draw& w) { w.Offset(3, -4); }, { "Offset(3,-4)" } },
		{ "clipoff", [](Draw& w) { w.ClipOff(1, 2, 10, 20); }, { "Clipoff[1,2,11,22]" } },
		{ "exclude", [](Draw& w) { w.ExcludeClip(1, 2, 10, 20); }, { "ExcludeClip[1,2,11,22]" } },
		{ "part of image", [&](Draw& w) { w.SysDrawImageOp(10, 20, img, Rect(1, 1, 3, 3), Color()); },
		  { "Clipoff[10,20,12,22]", "SysImage -1,-1 img4x3#FFFFFFFF", "End" } },
	};
	for(const Case& c : cases) {
		RecordingDraw w;
		w.info = INFO_NATIVE;
		c.call(w);
		EXPECT_EQ(Plain(w.calls), c.expect) << c.what;
	}
}

TEST(DrawTarget, LargeImagesAreDrawnInBandsOnEveryTarget)
{
	Image src = RandomImage(40, 30, 7);
	struct Case { Size size; dword info; Color color; int bands, last; };
	const Case cases[] = {
		{ Size(2000, 1500), INFO_BAND_IMAGES, Color(), 1, 1500 },
		{ Size(2001, 1500), INFO_BAND_IMAGES, Color(), 94, 12 },
		{ Size(2000, 1501), INFO_BAND_IMAGES, Color(), 94, 13 },
		{ Size(2001, 40), 0, Color(), 3, 8 },             // without the band flag too
		{ Size(1000, 1501), 0, Color(0, 0, 255), 94, 13 }, // with a colour: each band in it
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
		ASSERT_TRUE(SamePixels(Image(w.canvas), Image(expect))) << what;
		int bands = 0, rows = 0;
		for(auto [a, color] : w.blits) {
			EXPECT_EQ(color, c.color) << what;
			EXPECT_LE(a.right - a.left, 2000) << what;
			if(a.left == 3) { // the first piece of a band
				EXPECT_EQ(a.top, 5 + rows) << what;
				rows += a.bottom - a.top;
				bands++;
			}
		}
		EXPECT_EQ(bands, c.bands) << what;
		EXPECT_EQ(w.blits.back().first.bottom - w.blits.back().first.top, c.last) << what;
	}
}

TEST(DrawTarget, ImageDotsConvertToTheNativeResolution)
{
	Image src = RandomImage(10, 10, 3);
	struct Case { dword info; Size dpi; Records expect; };
	const Case cases[] = {
		{ INFO_DOTS, Size(300, 300), { "BeginNative", "SysImage 300,300 img600x300#FFFFFFFF", "EndNative" } },
		{ INFO_DOTS, Size(300, 150), { "BeginNative", "SysImage 300,150 img600x150#FFFFFFFF", "EndNative" } },
		{ INFO_DOTS | INFO_NATIVE, Size(300, 300), { "SysImage 600,600 img1200x600#FFFFFFFF" } },
		{ 0, Size(0, 0), { "BeginNative", "SysImage 600,600 img1200x600#FFFFFFFF", "EndNative" } },
	};
	for(const Case& c : cases) {
		RecordingDraw w;
		w.info = c.info;
		w.dpi = c.dpi;
		w.DrawImageOp(600, 600, 1200, 600, src, Rect(0, 0, 10, 10), Color());
		EXPECT_EQ(Plain(w.calls), c.expect) << c.info << " " << c.dpi.cy;
	}
	// Empty sizes and images draw nothing.
	for(Rect r : { Rect(0, 0, 0, 10), Rect(0, 0, 10, -1), Rect(0, 0, -5000, 3000), Rect(0, 0, 3000, 3000) }) {
		RecordingDraw w;
		w.DrawImageOp(0, 0, r.right, r.bottom, r.right == 3000 ? Image() : src, Rect(0, 0, 10, 10), Color());
		w.DrawImageOp(0, 0, 3000, 3000, src, Rect(5, 5, 5, 9), Color());
		EXPECT_TRUE(Plain(w.calls, { "SysImage", "Clipoff" }).empty()) << r.right << "x" << r.bottom;
	}
}

// Images at the ends of the coordinate range and with extreme source rectangles: nothing wraps
// round (found by fuzzing; the sanitized build catches the overflow itself).
TEST(DrawTarget, ImagesAtTheEdgeOfCoordinates)
{
	ImageBuffer ib(10, 10);
	for(RGBA& p : ib)
		p = Px(1, 2, 3);
	Image src(ib);
	for(Rect s : { Rect(0, 0, 10, 10), Rect(INT_MIN, INT_MIN, INT_MAX, INT_MAX), Rect(-5, INT_MIN, 5, 0) }) {
		RecordingDraw w;
		w.DrawImageOp(INT_MAX - 2100, INT_MAX - 20, 3000, 3000, src, s, Color());
		w.DrawImageOp(INT_MIN + 5, INT_MAX - 20, 10, 10, src, s, Color());
		w.DrawImageOp(INT_MIN + 5, INT_MIN + 5, 3000, 3000, src, s, Color());
		for(const std::string& c : Plain(w.calls, { "Clipoff" })) {
			int l, t, r, b;
			ASSERT_EQ(sscanf(c.c_str(), "Clipoff[%d,%d,%d,%d]", &l, &t, &r, &b), 4) << c;
			EXPECT_TRUE(l < r && t < b) << c;
		}
	}
}

TEST(DrawTarget, ImageBandPieces)
{
	auto band = [](int cx, int cy, std::initializer_list<std::pair<int, int>> white) {
		ImageBuffer b(cx, cy);
		for(int y = 0; y < cy; y++)
			for(int x = 0; x < cx; x++) {
				bool w = false;
				for(auto [from, to] : white)
					w = w || (x >= from && x < to);
				b[y][x] = w ? Px(255, 255, 255) : Px(0, 0, 0);
			}
		return Image(b);
	};
	struct Case { const char* what; dword info; Image img; Records expect; };
	const Case cases[] = {
		{ "screen, 4500 columns", 0, band(4500, 3, {}), { "Clipoff[7,8,2007,11]", "Clipoff[2007,8,4007,11]", "Clipoff[4007,8,4507,11]" } },
		{ "screen ignores white", 0, band(100, 2, { { 10, 40 } }), { "SysImage 7,8 img100x2#FFFFFFFF" } },
		{ "dots, white run of 30", INFO_DOTS, band(100, 2, { { 10, 40 } }),
		  { "Rect 17,8,30,2#00FFFFFF", "Clipoff[7,8,17,10]", "Clipoff[47,8,107,10]" } },
		{ "dots, white run of 15", INFO_DOTS, band(100, 2, { { 10, 25 } }), { "SysImage 7,8 img100x2#FFFFFFFF" } },
		{ "dots, white ends", INFO_DOTS, band(60, 1, { { 0, 16 }, { 44, 60 } }),
		  { "Rect 7,8,16,1#00FFFFFF", "Rect 51,8,16,1#00FFFFFF", "Clipoff[23,8,51,9]" } },
		{ "dots, all white", INFO_DOTS, band(30, 4, { { 0, 30 } }), { "Rect 7,8,30,4#00FFFFFF" } },
	};
	for(const Case& c : cases) {
		RecordingDraw w;
		w.info = c.info;
		DrawImageBand(w, 7, 8, c.img);
		EXPECT_EQ(Plain(w.calls, { "Clipoff", "Rect", "SysImage 7," }), c.expect) << c.what;
	}
}

namespace {

// A drawer whose row y is the pixel (y, y >> 8, 0), logging what it is asked.
Records sDrawerLog;

struct RowDrawer : DataDrawer {
	int row = 0, tag;
	explicit RowDrawer(int tag) : tag(tag) {}
	void Open(const String& data, int cx, int cy) override
	{
		sDrawerLog.push_back("Open " + std::string(~data) + " " + std::to_string(cx) + "x" + std::to_string(cy) + " " + std::to_string(tag));
	}
	void Render(ImageBuffer& ib) override
	{
		sDrawerLog.push_back("Render " + std::to_string(ib.GetWidth()) + "x" + std::to_string(ib.GetHeight()));
		for(int y = 0; y < ib.GetHeight(); y++, row++)
			for(RGBA* p = ib[y]; p < ib[y] + ib.GetWidth(); p++)
				*p = Px(row & 255, row >> 8, 0);
	}
};

const bool sDrawers = [] {
	DataDrawer::Register("rows", [] { return (DataDrawer*)new RowDrawer(1); });
	DataDrawer::Register("rows", [] { return (DataDrawer*)new RowDrawer(2); }); // the first stays
	DataDrawer::Register("none", nullptr);
	return true;
}();

} // namespace

TEST(DrawTarget, DataIsDrawnInBandsOf32OnEveryTarget)
{
	struct Case { dword info; Size size; int renders; const char* last; };
	const Case cases[] = {
		{ 0, Size(30, 20), 1, "Render 30x20" },
		{ INFO_BAND_DATA, Size(2049, 10), 1, "Render 2049x10" },
		{ INFO_BAND_DATA, Size(10, 2049), 65, "Render 10x1" },
		{ 0, Size(10, 2049), 65, "Render 10x1" },
		{ INFO_BAND_DATA, Size(2048, 2048), 1, "Render 2048x2048" },
	};
	for(const Case& c : cases) {
		sDrawerLog.clear();
		CanvasDraw w(c.size);
		w.info = c.info;
		w.DrawDataOp(0, 0, c.size.cx, c.size.cy, "d", "rows");
		std::string what = std::to_string(c.size.cx) + "x" + std::to_string(c.size.cy);
		ASSERT_EQ(sDrawerLog.size(), 1u + c.renders) << what;
		EXPECT_EQ(sDrawerLog[0], "Open d " + what + " 1");
		EXPECT_EQ(sDrawerLog.back(), c.last) << what;
		for(int y = 0; y < c.size.cy; y++) // every row in its place, whatever the banding
			ASSERT_EQ(w.canvas[y][c.size.cx - 1], Px(y & 255, y >> 8, 0)) << what << " row " << y;
	}
}

TEST(DrawTarget, DataOperationBracketsAndConvertsOnce)
{
	struct Case { const char* id; dword info; Size dpi; int cy; Records expect; Records log; };
	const Case cases[] = {
		{ "unknown", 0, Size(0, 0), 600, { "BeginNative", "EndNative" }, {} },
		{ "none", 0, Size(0, 0), 600, { "BeginNative", "EndNative" }, {} },
		{ "unknown", INFO_NATIVE, Size(0, 0), 600, {}, {} },
		{ "rows", INFO_DOTS, Size(300, 300), 600, { "BeginNative", "SysImage 300,300 img600x300#FFFFFFFF", "EndNative" },
		  { "Open x 600x300 1", "Render 600x300" } },
		{ "rows", INFO_DOTS | INFO_NATIVE, Size(300, 300), 600, { "SysImage 600,600 img1200x600#FFFFFFFF" },
		  { "Open x 1200x600 1", "Render 1200x600" } },
		{ "rows", INFO_DOTS, Size(150, 150), 12300, { "BeginNative", "SysImage 150,150 img300x32#FFFFFFFF" },
		  { "Open x 300x3075 1", "Render 300x32" } }, // bands are not converted again
		{ "rows", 0, Size(0, 0), 0, { "BeginNative", "EndNative" }, {} },
		{ "rows", 0, Size(0, 0), -5, { "BeginNative", "EndNative" }, {} },
	};
	for(const Case& c : cases) {
		sDrawerLog.clear();
		RecordingDraw w;
		w.info = c.info;
		w.dpi = c.dpi;
		w.DrawDataOp(600, 600, 1200, c.cy, "x", c.id);
		Records r = Plain(w.calls);
		if(c.cy > 2048) {
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
	String bmp = LoadFile(QEL_TEST_DATA "/bmpsuite/g/rgb24.bmp");
	Image src = LoadImageString(bmp);
	ASSERT_FALSE(src.IsEmpty());
	for(Size sz : { src.GetSize(), Size(12, 7), Size(2100, 3) }) {
		CanvasDraw w(sz);
		w.DrawDataOp(0, 0, sz.cx, sz.cy, bmp, "image_data");
		EXPECT_TRUE(SamePixels(Image(w.canvas), Rescale(src, sz, Rect(Point(0, 0), src.GetSize())))) << sz.cx;
	}
	for(const char* bad : { "", "BM", "not an image" }) { // a transparent area, nothing broken
		CanvasDraw w(Size(4, 4));
		w.DrawDataOp(0, 0, 4, 4, bad, "image_data");
		EXPECT_TRUE(SamePixels(Image(w.canvas), Image(ImageBuffer(4, 4)))) << bad;
	}
}

namespace {

// A canvas of which only a window is painted: its painting test, in drawing coordinates.
struct WindowDraw : CanvasDraw {
	Rect shown;
	WindowDraw(Size sz, Rect shown) : CanvasDraw(sz), shown(shown) {}
	bool IsPaintingOp(const Rect& r) const override
	{
		return max(r.left + org.x, shown.left) < min(r.right + org.x, shown.right) &&
		       max(r.top + org.y, shown.top) < min(r.bottom + org.y, shown.bottom);
	}
};

} // namespace

// Large pictures that show only in part cost what shows: the part comes out with the pixels it
// has in the whole, and a huge size that shows in a small window takes neither time nor memory.
TEST(DrawTarget, LargePicturesMakeOnlyWhatShows)
{
	String bmp = LoadFile(QEL_TEST_DATA "/bmpsuite/g/rgb24.bmp");
	Image src = LoadImageString(bmp);
	ASSERT_FALSE(src.IsEmpty());
	Image whole = Rescale(src, Size(3000, 2600), Rect(Point(0, 0), src.GetSize()));
	Rect window(30, 20, 430, 320); // on the canvas
	for(int image = 0; image < 2; image++) {
		WindowDraw w(Size(500, 400), window);
		w.ClipoffOp(Rect(-1000, -2000, 500, 400)); // the picture's (1030, 2020) lands on the window's corner
		if(image)
			w.DrawImage(0, 0, 3000, 2600, src);
		else
			w.DrawDataOp(0, 0, 3000, 2600, bmp, "image_data");
		w.EndOp();
		EXPECT_TRUE(SamePixels(Crop(Image(w.canvas), window), Crop(whole, Rect(1030, 2020, 1430, 2320)))) << image;
		for(const auto& b : w.blits) // every piece sent lies in the window's rows
			EXPECT_TRUE(b.first.top >= window.top && b.first.bottom <= window.bottom) << image;
	}

	// A drawer that makes only the whole renders down to the window and draws what shows.
	sDrawerLog.clear();
	WindowDraw rows(Size(10, 200), Rect(0, 100, 10, 150));
	rows.DrawDataOp(0, 0, 10, 5000, "d", "rows");
	EXPECT_EQ(sDrawerLog.size(), 6u); // Open, then bands down to row 150
	for(int y = 100; y < 150; y++)
		ASSERT_EQ(rows.canvas[y][9], Px(y, 0, 0)) << y;
	EXPECT_EQ(rows.canvas[95][9], RGBA()); // in a band above the window

	// Out of sight nothing is made.
	sDrawerLog.clear();
	WindowDraw none(Size(10, 10), Rect(0, 0, 0, 0));
	none.DrawDataOp(0, 0, 10, 5000, "d", "rows");
	EXPECT_TRUE(sDrawerLog.empty());

	// A picture a billion pixels high, partly in a 400 x 300 window, at the edge of coordinates.
	auto huge = [&](bool image, int x, int y) {
		WindowDraw w(Size(500, 400), window);
		if(image)
			w.DrawImage(x, y, 4000, 1 << 30, src);
		else
			w.DrawDataOp(x, y, 4000, 1 << 30, bmp, "image_data");
		return w.blits.size();
	};
	QEL_EXPECT_BOUNDED(256, 20, huge(false, 0, -(1 << 29)), huge(true, -100, -(1 << 29)),
	                   huge(false, INT_MAX - 100, INT_MAX - 100), huge(true, INT_MIN + 100, 10));
}

namespace {

Records sPaintLog;

void sPaintHook(ImageBuffer& ib, const Painting&, Size sz, Point pos, int mode)
{
	sPaintLog.push_back(std::to_string(ib.GetWidth()) + "x" + std::to_string(ib.GetHeight()) + " paper" + std::to_string(ib[0][0].a) +
	                    " s" + std::to_string(sz.cx) + "x" + std::to_string(sz.cy) + " y" + std::to_string(pos.y) + " m" + std::to_string(mode));
	for(int y = 0; y < ib.GetHeight(); y++)
		for(int x = 0; x < ib.GetWidth(); x++)
			ib[y][x] = Px(x & 255, (y + pos.y) & 255, 1);
}

void sDrawingHook(ImageBuffer&, const Drawing&, int) {}
Image sCharHook(int, int, int, int, Font, Color, Size) { return Image(); }

} // namespace

TEST(DrawTarget, PaintingsRenderThroughTheHookInBandsOf100)
{
	RecordingDraw none;
	none.DrawPaintingOp(Rect(0, 0, 10, 10), Painting());
	RegisterPaintingRenderer(sPaintHook, sDrawingHook, nullptr);
	none.DrawPaintingOp(Rect(0, 0, 10, 10), Painting());
	EXPECT_TRUE(none.calls.empty() && sPaintLog.empty()); // only with all three hooks

	RegisterPaintingRenderer(sPaintHook, sDrawingHook, sCharHook);
	struct Case { dword info; Rect r; Records log; };
	const Case cases[] = {
		{ 0, Rect(3, 4, 33, 24), { "30x20 paper0 s30x20 y0 m0" } },
		{ INFO_BAND_IMAGES, Rect(3, 4, 33, 24), { "30x20 paper255 s30x20 y0 m0" } },
		{ 0, Rect(1, 2, 2002, 252), { "2001x100 paper0 s2001x250 y0 m0", "2001x100 paper0 s2001x250 y100 m0", "2001x50 paper0 s2001x250 y200 m0" } },
		{ 0, Rect(5, 5, 5, 50), {} },
	};
	for(const Case& c : cases) {
		sPaintLog.clear();
		CanvasDraw w(Size(c.r.right, c.r.bottom));
		w.info = c.info;
		w.DrawPaintingOp(c.r, Painting());
		EXPECT_EQ(sPaintLog, c.log) << c.r.right;
		for(int y = c.r.top; y < c.r.bottom && !c.log.empty(); y++)
			ASSERT_EQ(w.canvas[y][c.r.right - 1], Px((c.r.right - 1 - c.r.left) & 255, (y - c.r.top) & 255, 1)) << y;
	}
	// corners far apart: the extent does not wrap around, and only the part that shows is made
	sPaintLog.clear();
	WindowDraw far(Size(64, 64), Rect(0, 0, 64, 64));
	far.DrawPaintingOp(Rect(INT_MAX - 50, 0, INT_MIN + 50, 64), Painting()); // reversed
	far.DrawPaintingOp(Rect(INT_MIN + 50, 0, INT_MAX - 50, 64), Painting()); // wider than int
	far.DrawPaintingOp(Rect(0, -100000, 64, 100000), Painting());
	EXPECT_EQ(sPaintLog, Records({ "64x64 paper0 s2147483647x64 y0 m0", "64x64 paper0 s64x200000 y100000 m0" }));
	RegisterPaintingRenderer(nullptr, nullptr, nullptr);
}

TEST(NilDraw, DrawsNothingAndCountsInDots)
{
	NilDraw w;
	EXPECT_EQ(w.GetNativeDpi(), Size(600, 600));
	EXPECT_EQ(w.GetDefaultInk(), Color(0, 0, 0));
	EXPECT_EQ(w.GetPageSize(), Size(0, 0));
	EXPECT_EQ(w.GetPaintRect(), Rect(0, 0, 0, 0));
	Rect r(0, 0, 10, 10);
	EXPECT_FALSE(w.IsPaintingOp(r) || w.ClipOp(r) || w.ClipoffOp(r) || w.ExcludeClipOp(r) || w.IntersectClipOp(r));
	Drawing d;
	d.size = Size(10, 10);
	d.data = "\x09\x00\x00\x00\x00";
	w.DrawDrawing(0, 0, 10, 10, d);
	w.DrawImage(0, 0, 3000, 3000, ImageBuffer(10, 10));
	w.DrawDataOp(0, 0, 3000, 3000, "x", "image_data");
}

namespace {

int sLive; // inner targets alive
RecordingDraw* sLast;

struct Inner : RecordingDraw {
	char kind;
	explicit Inner(char k, Size sz) : kind(k) { page = sz; sLive++; sLast = this; }
	~Inner() override { sLive--; }
};

Draw* sCreateA(Size sz) { return new Inner('A', sz); }
Draw* sCreateB(Size sz) { return new Inner('B', sz); }
Image sExtract(Draw& w)
{
	Inner& i = dynamic_cast<Inner&>(w);
	ImageBuffer b(w.GetPageSize());
	b.SetHotSpot(Point(i.kind, int(i.calls.size())));
	return Image(b);
}

} // namespace

TEST(ImageAnyDraw, WithoutHooksDrawsNothing)
{
	ImageAnyDraw w(10, 10);
	w.DrawRect(0, 0, 5, 5, Color(1, 2, 3));
	w.DrawImage(0, 0, ImageBuffer(3, 3));
	w.DrawDataOp(0, 0, 10, 10, "", "image_data");
	EXPECT_FALSE(w.IsPaintingOp(Rect(0, 0, 1, 1)));
	EXPECT_EQ(w.GetInfo(), 0u);
	EXPECT_TRUE(Image(w).IsEmpty());
}

TEST(ImageAnyDraw, ForwardsToTheRegisteredTarget)
{
	ImageAnyDraw::RegisterDefault(sCreateA, sExtract);
	ImageAnyDraw::RegisterDefault(sCreateB, sExtract); // a second default changes nothing
	{
		ImageAnyDraw w(Size(7, 5));
		ASSERT_EQ(sLive, 1);
		sLast->info = INFO_DOTS;
		EXPECT_EQ(w.GetNativeDpi(), Size(600, 600)); // a shared default over the forwarded info
		EXPECT_EQ(w.GetPageSize(), Size(7, 5));
		w.DrawRect(1, 2, 3, 4, Color(0, 0, 0));
		w.Offset(1, 1);
		w.EndOp();
		w.DrawLineOp(0, 0, 5, 5, 1, Color(0, 0, 0));
		w.DrawImageOp(0, 0, 2, 2, ImageBuffer(2, 2), Rect(0, 0, 2, 2), Color());
		EXPECT_EQ(Plain(sLast->calls), (Records{ "Rect 1,2,3,4#00000000", "Offset(1,1)", "End", "Line 0,0,5,5 w1#00000000",
		                                         "BeginNative", "SysImage 0,0 img2x2#FFFFFFFF", "EndNative" }));
		Image m = w;
		EXPECT_EQ(m.GetSize(), Size(7, 5));
		EXPECT_EQ(m.GetHotSpot(), Point('A', 7));
	}
	EXPECT_EQ(sLive, 0); // the inner target goes with it
	ImageAnyDraw::Register(sCreateB, sExtract); // the painter's registration wins, before or after
	ImageAnyDraw::RegisterDefault(sCreateA, sExtract);
	EXPECT_EQ(Image(ImageAnyDraw(3, 3)).GetHotSpot(), Point('B', 0));
	EXPECT_EQ(sLive, 0);
	ImageAnyDraw::Register(nullptr, nullptr);
}
