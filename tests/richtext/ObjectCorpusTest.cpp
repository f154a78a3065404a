// The image object types over real files: every picture of the PNG suite (the damaged x* ones
// included) as "PING", "PNG" and "rawimage", and the SVG test documents as "rawimage". Sizes
// are checked against the files' own headers, read here byte by byte.
#include "ObjectTestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <math.h>
#include <string>
#include <vector>

using namespace Qel;
using namespace QelTest;

namespace {

std::vector<std::filesystem::path> sFiles(const char* dir, const char* ext)
{
	std::vector<std::filesystem::path> files;
	for(const auto& e : std::filesystem::recursive_directory_iterator(dir))
		if(e.path().extension() == ext)
			files.push_back(e.path());
	std::sort(files.begin(), files.end());
	return files;
}

dword sGet32(const String& s, int at)
{
	return dword(byte(s[at])) << 24 | dword(byte(s[at + 1])) << 16 | dword(byte(s[at + 2])) << 8 | byte(s[at + 3]);
}

// What the file's header says: its pixel size and its size in dots when pHYs gives metres.
struct PngHeader {
	Size pixels = Size(0, 0);
	Size dots = Size(0, 0);
};

PngHeader sHeader(const String& png)
{
	PngHeader h;
	h.pixels = Size(int(sGet32(png, 16)), int(sGet32(png, 20)));
	for(int at = 8; at + 8 <= png.GetLength();) {
		int len = int(sGet32(png, at));
		if(png.Mid(at + 4, 4) == "pHYs" && byte(png[at + 16]) == 1) {
			double xres = sGet32(png, at + 8), yres = sGet32(png, at + 12);
			h.dots = Size(int(floor(h.pixels.cx * 23622.04724409449 / xres + 0.5)),
			              int(floor(h.pixels.cy * 23622.04724409449 / yres + 0.5)));
		}
		at += len + 12;
	}
	return h;
}

Size sDotsOr96(const PngHeader& h)
{
	return h.dots.cx ? h.dots : Size(h.pixels.cx * 600 / 96, h.pixels.cy * 600 / 96);
}

std::vector<std::string> sPaint(const RichObject& o, Size sz)
{
	ImageRecordingDraw w;
	o.Paint(w, sz);
	return w.Take();
}

std::string sImageCall(Size sz, const Image& img)
{
	return "Image 0,0," + std::to_string(sz.cx) + "," + std::to_string(sz.cy) + " " + RecordingDraw::Img(img);
}

} // namespace

TEST(ObjectCorpus, PngSuiteAsPingPngAndRawImage)
{
	const std::string WHITE = RecordingDraw::C(Color(255, 255, 255));
	int good = 0, damaged = 0, with_dots = 0;
	for(const auto& path : sFiles(QEL_TEST_DATA "/pngsuite", ".png")) {
		std::string name = path.filename().string();
		SCOPED_TRACE(name);
		String bytes = LoadFile(path.string().c_str());
		RichObject ping = ReadObject("PING", bytes), png = ReadObject("PNG", bytes), raw = ReadObject("rawimage", bytes);
		if(name[0] == 'x') {
			damaged++;
			EXPECT_EQ(sPaint(ping, Size(20, 10)), std::vector<std::string>{ "Rect 0,0,20,10" + RecordingDraw::C(Color(255, 0, 0)) });
			EXPECT_EQ(png.GetData(), Value(bytes));
			std::vector<std::string> placeholder = sPaint(png, Size(20, 10));
			ASSERT_FALSE(placeholder.empty());
			EXPECT_NE(placeholder.back().find("plugin/png missing!"), std::string::npos);
			EXPECT_TRUE(sPaint(raw, Size(20, 10)).empty());
			EXPECT_TRUE(raw.ToImage(Size(20, 10)).IsEmpty());
			continue;
		}
		good++;
		PngHeader h = sHeader(bytes);
		with_dots += h.dots.cx > 0;
		Image img = LoadImageString(bytes);
		ASSERT_EQ(img.GetSize(), h.pixels);
		for(const RichObject* o : { &ping, &png, &raw }) {
			EXPECT_EQ(o->GetPixelSize(), h.pixels) << o->GetTypeName();
			EXPECT_EQ(o->GetPhysicalSize(), sDotsOr96(h)) << o->GetTypeName();
		}
		ASSERT_EQ(png.GetData().GetType(), dword(IMAGE_V));
		EXPECT_EQ(RecordingDraw::Img(Image(png.GetData())), RecordingDraw::Img(img));
		EXPECT_EQ(RecordingDraw::Img(LoadImageFromString(png.GetType()->Write(png.GetData()))), RecordingDraw::Img(img));

		// enlarged: decoded whole and scaled by the target; reduced: decoded at the target size
		Size up(2 * h.pixels.cx + 1, 2 * h.pixels.cy + 1);
		Size down(max(1, h.pixels.cx / 3), max(1, h.pixels.cy / 2));
		EXPECT_EQ(sPaint(ping, up), (std::vector<std::string>{ "Rect 0,0," + std::to_string(up.cx) + "," +
		                                                        std::to_string(up.cy) + WHITE, sImageCall(up, img) }));
		EXPECT_EQ(sPaint(raw, up), std::vector<std::string>{ sImageCall(up, img) });
		if(h.pixels.cx > 1 && h.pixels.cy > 1) {
			EXPECT_EQ(sPaint(raw, down), std::vector<std::string>{ sImageCall(down, Rescale(img, down)) });
		}
		EXPECT_EQ(RecordingDraw::Img(raw.ToImage(h.pixels)), RecordingDraw::Img(img));
	}
	EXPECT_EQ(good, 161);
	EXPECT_EQ(damaged, 14);
	EXPECT_EQ(with_dots, 1);
}

// A document is as large as what it paints: almost all draw a frame stroked 1 wide (1 .. 199
// mostly), so they are at least that large. Without the frame, one that has no size paints
// nothing.
TEST(ObjectCorpus, SvgDocumentsAsRawImage)
{
	int framed = 0, exact = 0, empty = 0;
	for(const auto& path : sFiles(QEL_TEST_DATA "/resvg", ".svg")) {
		SCOPED_TRACE(path.string());
		std::string text = ~LoadFile(path.string().c_str());
		RichObject o = ReadObject("rawimage", text.c_str());
		Size px = o.GetPixelSize();
		EXPECT_EQ(o.GetPhysicalSize(), Size(px.cx * 600 / 96, px.cy * 600 / 96));
		const std::string tag = "<rect id=\"frame\" x=\"1\" y=\"1\" width=\"";
		size_t at = text.find(tag), end = text.find("/>", at);
		int fcx = 0, fcy = 0;
		if(at == std::string::npos || end == std::string::npos ||
		   sscanf(text.c_str() + at + tag.size(), "%d\" height=\"%d\"", &fcx, &fcy) != 2)
			continue;
		framed++;
		Size outline(fcx + 1, fcy + 1);
		exact += px == outline;
		EXPECT_GE(px.cx, outline.cx);
		EXPECT_GE(px.cy, outline.cy);
		EXPECT_FALSE(o.ToImage(Size(100, 100)).IsEmpty());

		std::string bare_text = text.substr(0, at) + text.substr(end + 2);
		RichObject bare = ReadObject("rawimage", bare_text.c_str());
		if(bare.GetPixelSize() != Size(0, 0))
			continue;
		empty++;
		EXPECT_EQ(bare.GetPhysicalSize(), Size(0, 0));
		// and indeed paints nothing
		ImagePainter ip(200, 200);
		ip.DrawRect(0, 0, 200, 200, Color(255, 255, 255));
		RenderSVG(ip, bare_text.c_str());
		Image r = ip;
		for(const RGBA& p : r)
			ASSERT_TRUE(p == r[0][0]);
	}
	EXPECT_GT(framed, 300);
	EXPECT_GT(exact, 200);
	EXPECT_GT(empty, 10);
}
