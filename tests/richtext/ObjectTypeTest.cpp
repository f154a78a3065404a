// The object types rich text registers: stored forms, sizes, painting and images, over made
// pictures, the PNG suite and the SVG test documents; the clipboard of "image"; and the bounds
// kept on untrusted objects.
#include "QtfTestUtil.h"
#include "draw/RecordingDraw.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <limits.h>
#include <math.h>

using namespace Qel;
using namespace QelTest;

// Rich text only passes clipboard offers on; the GUI's own class is not linked here.
class Qel::PasteSource {
public:
	Image offered;
};

namespace {

using Calls = std::vector<std::string>;

// Notes images with the rectangle they are drawn into, instead of rescaling them.
struct ImageDraw : RecordingDraw {
	std::vector<Image> images;
	void DrawImageOp(int x, int y, int cx, int cy, const Image& m, const Rect&, Color) override
	{
		images.push_back(m);
		Put("Image " + I(x) + "," + I(y) + "," + I(cx) + "," + I(cy) + " " + Img(m));
	}
};

const std::string WHITE = RecordingDraw::C(Color(255, 255, 255)), RED = RecordingDraw::C(Color(255, 0, 0));

std::string sImageCall(Size sz, const Image& m)
{
	return "Image 0,0," + std::to_string(sz.cx) + "," + std::to_string(sz.cy) + " " + RecordingDraw::Img(m);
}

RichObject sObject(const char* type, const String& data, Size sz = Size(100, 100))
{
	RichObject o;
	o.Read(type, data, sz);
	return o;
}

Calls sPaint(const RichObject& o, Size sz)
{
	ImageDraw w;
	o.Paint(w, sz);
	return w.Take();
}

dword sBe32(const String& s, int at)
{
	return dword(byte(s[at])) << 24 | dword(byte(s[at + 1])) << 16 | dword(byte(s[at + 2])) << 8 | byte(s[at + 3]);
}

void sPut32(String& s, dword v)
{
	for(int sh = 24; sh >= 0; sh -= 8)
		s.Cat(char(v >> sh));
}

void sChunk(String& out, const char* type, const String& data)
{
	String body = String(type) + data;
	sPut32(out, data.GetLength());
	out.Cat(body);
	sPut32(out, CRC32(body));
}

// A PNG of a declared size and kind (depth, colour type) whose rows are raw, filter bytes
// included.
String sPng(int cx, int cy, int depth, int ctype, const String& raw)
{
	String out = "\x89PNG\r\n\x1a\n", ihdr;
	sPut32(ihdr, cx);
	sPut32(ihdr, cy);
	ihdr << char(depth) << char(ctype) << String('\0', 3);
	sChunk(out, "IHDR", ihdr);
	sChunk(out, "IDAT", ZCompress(raw));
	sChunk(out, "IEND", String());
	return out;
}

// Vertical 1-bit stripes: cheap at any size.
String sStripesPng(Size sz)
{
	String row = String('\0', 1) + String('\x0f', (sz.cx + 7) / 8), raw;
	for(int y = 0; y < sz.cy; y++)
		raw.Cat(row);
	return sPng(sz.cx, sz.cy, 1, 0, raw);
}

Image sImage(Size sz, RGBA c, Size dots = Size(0, 0))
{
	ImageBuffer ib(sz.cx, sz.cy);
	for(RGBA& p : ib)
		p = c;
	ib.SetPhysicalSize(dots);
	return Image(ib);
}

std::vector<std::filesystem::path> sFiles(const char* dir, const char* ext)
{
	std::vector<std::filesystem::path> files;
	for(const auto& e : std::filesystem::recursive_directory_iterator(dir))
		if(e.path().extension() == ext)
			files.push_back(e.path());
	std::sort(files.begin(), files.end());
	return files;
}

} // namespace

TEST(DrawingObject, StoredFormThroughQtfPaintedOnWhite)
{
	DrawingDraw dd(100, 50);
	dd.DrawRect(10, 10, 30, 20, Color(0, 0, 255));
	dd.DrawImage(60, 5, sImage(Size(8, 4), RGBA{ 0, 0, 200, 255 }));
	dd.DrawText(5, 30, "Qel", StdFont(), Color(1, 2, 3));
	Drawing drawing = dd;
	const RichObjectType* type = RichObject::FindType("Drawing");
	String stored = type->Write(RichObjectTypeDrawingCls::MakeValue(drawing, Size(600, 300)));
	EXPECT_EQ(stored.Mid(0, 12), String("\1\0\0\0\x58\2\0\0\x2c\1\0\0", 12)); // version, size
	RichPara para;
	para.Cat(sObject("Drawing", stored, Size(1200, 600)), RichPara::CharFormat());
	RichText doc;
	doc.Cat(para);
	RichObject o = QtfPara(ParseQtf(AsQTF(doc)), 0).part[0].object;
	EXPECT_TRUE(o.GetTypeName() == "Drawing" && o.GetSize() == Size(1200, 600));
	EXPECT_TRUE(o.GetPhysicalSize() == Size(600, 300) && o.GetPixelSize() == Size(100, 50));
	EXPECT_EQ(type->Write(o.GetData()), stored);
	ImageDraw direct;
	direct.DrawRect(0, 0, 200, 100, Color(255, 255, 255));
	direct.DrawDrawing(0, 0, 200, 100, drawing);
	EXPECT_EQ(sPaint(o, Size(200, 100)), direct.Take());

	// objects of the wrong kinds in its value list: painted up to them, nothing thrown
	drawing.val.Clone()[0] = 5;
	RichObject w = sObject("Drawing", type->Write(RichObjectTypeDrawingCls::MakeValue(drawing, Size(6, 3))));
	EXPECT_EQ(sPaint(w, Size(200, 100)).back(), "End");
	EXPECT_FALSE(w.ToImage(Size(20, 10)).IsEmpty());
	// damaged: void, written as nothing, painted white
	RichObject d = sObject("Drawing", stored.Mid(0, 20));
	EXPECT_TRUE(d.GetData().IsVoid() && type->Write(d.GetData()).IsEmpty());
	EXPECT_EQ(sPaint(d, Size(40, 20)), Calls{ "Rect 0,0,40,20" + WHITE });
}

TEST(ImageObject, ImageStringSizesPaintingAndClipboardThroughHooksOnly)
{
	Image img = sImage(Size(30, 20), RGBA{ 10, 20, 30, 255 });
	RichObject a = sObject("image", StoreImageAsString(img));
	RichObject b = sObject("image", StoreImageAsString(sImage(Size(30, 20), RGBA{ 1, 1, 1, 255 }, Size(300, 400))));
	EXPECT_TRUE(a.GetPixelSize() == Size(30, 20) && a.GetPhysicalSize() == Size(187, 125));
	EXPECT_EQ(b.GetPhysicalSize(), Size(300, 400));
	EXPECT_EQ(sPaint(a, Size(60, 40)), Calls{ sImageCall(Size(60, 40), img) });
	EXPECT_EQ(RecordingDraw::Img(a.ToImage(Size(60, 40))), RecordingDraw::Img(Rescale(img, Size(60, 40))));

	const RichObjectType* t = a.GetType();
	PasteSource clip;
	clip.offered = sImage(Size(4, 3), RGBA{ 5, 6, 7, 255 });
	SetRichImageClipboardHooks(nullptr, nullptr, nullptr, nullptr);
	Value none = t->ReadClip(clip);
	EXPECT_TRUE(!t->AcceptClip(clip) && none.IsNull() && none.GetType() == INT_V);
	EXPECT_TRUE(t->GetClipFormats().IsEmpty() && t->GetClipData(a.GetData(), "image").IsEmpty());
	static Value given;
	SetRichImageClipboardHooks([](const Value& v, const String& fmt) -> String { given = v; return "clip:" + fmt; },
	                           [](PasteSource& c) { return !c.offered.IsEmpty(); },
	                           [](PasteSource& c) { return c.offered; }, []() -> String { return "image"; });
	PasteSource nothing;
	EXPECT_TRUE(t->AcceptClip(clip) && !t->AcceptClip(nothing));
	EXPECT_EQ(sObject("image", t->ReadClip(clip).ToString()).GetPixelSize(), Size(4, 3));
	EXPECT_EQ(t->GetClipFormats(), "image");
	EXPECT_EQ(t->GetClipData(a.GetData(), "image"), "clip:image");
	EXPECT_EQ(RecordingDraw::Img(Image(given)), RecordingDraw::Img(img));
	SetRichImageClipboardHooks(nullptr, nullptr, nullptr, nullptr);
}

TEST(PngObject, DecodedOnReadAndPaintedIntoTheWholeBox)
{
	String png = sStripesPng(Size(10, 10));
	RichObject o = sObject("PNG", png), bad = sObject("PNG", png.Mid(0, 50));
	ASSERT_EQ(o.GetData().GetType(), dword(IMAGE_V));
	EXPECT_EQ(o.GetType()->GetTypeName(o.GetData()), "image");
	EXPECT_EQ(sObject("image", o.GetType()->Write(o.GetData())).GetPixelSize(), Size(10, 10));
	EXPECT_EQ(sPaint(o, Size(100, 100)), Calls{ sImageCall(Size(100, 100), o.GetData()) });
	EXPECT_EQ(o.ToImage(Size(100, 30)).GetSize(), Size(100, 30));
	// bytes that do not decode stay, with no size, and paint a placeholder
	EXPECT_TRUE(bad.GetData() == Value(png.Mid(0, 50)) && bad.GetType()->GetTypeName(bad.GetData()) == "PNG");
	EXPECT_TRUE(bad.GetPhysicalSize() == Size(0, 0) && bad.GetPixelSize() == Size(0, 0));
	Calls calls = sPaint(bad, Size(120, 20));
	EXPECT_EQ(calls[0], "Rect 0,0,120,20" + RecordingDraw::C(ThemeFaceColor()));
	EXPECT_EQ(calls.back().substr(0, 35), "Text 2,2 a0 \"plugin/png missing!\" f");
}

// A page at 600 dots per inch prints a picture in the box it fills on screen, before its
// round trip through QTF (where the decoded picture becomes an "image") and after.
TEST(PngObject, DocumentPrintsAsItsRoundTrip)
{
	RichText doc;
	RichPara para;
	para.Cat(sObject("PNG", sStripesPng(Size(96, 64)), Size(960, 640)), RichPara::CharFormat());
	doc.Cat(para);
	auto images = [](const RichText& d) {
		ImageDraw w;
		SimplePageDraw pw(w);
		d.Paint(pw, Rect(0, 0, 4800, 6000), RichPaintInfo());
		Calls out;
		for(const std::string& c : w.Take())
			if(c.compare(0, 6, "Image ") == 0)
				out.push_back(c.substr(0, c.find(' ', 6)));
		return out;
	};
	RichText back = ParseQtf(AsQTF(doc));
	EXPECT_EQ(back.Get(0, back.GetStyles()).part[0].object.GetTypeName(), "image");
	EXPECT_EQ(images(doc), Calls{ "Image 0,0,960,640" });
	EXPECT_EQ(images(back), images(doc));
}

// A picture shown larger than its pixels on a painter fills its box to the edges: opaque where
// the picture is, its corners the picture's own.
TEST(ImageObject, PictureScaledOnAPainterKeepsOpaqueEdges)
{
	ImageBuffer ib(3, 3);
	for(int i = 0; i < 9; i++)
		ib.Begin()[i] = RGBA{ byte(100 + 15 * i), byte(200 - 10 * i), byte(20 * i), 255 };
	Image img = ib;
	RichPara para;
	para.Cat(sObject("image", StoreImageAsString(img), Size(300, 300)), RichPara::CharFormat());
	RichText doc;
	doc.Cat(para);
	ImagePainter ip(100, 100);
	SimplePageDraw pw(ip);
	RichPaintInfo pi;
	pi.zoom = Zoom(96, 600);
	doc.Paint(pw, Rect(0, 0, 600, 600), pi);
	Image m = ip;
	Rect box(100, 100, 0, 0); // what is painted: the picture, 48 pixels square
	for(int y = 0; y < 100; y++)
		for(int x = 0; x < 100; x++)
			if(m[y][x].a)
				box = Rect(min(box.left, x), min(box.top, y), max(box.right, x + 1), max(box.bottom, y + 1));
	ASSERT_EQ(box, Rect(Point(box.left, box.top), Size(48, 48)));
	int translucent = 0;
	for(int y = box.top; y < box.bottom; y++)
		for(int x = box.left; x < box.right; x++)
			translucent += m[y][x].a != 255;
	EXPECT_EQ(translucent, 0);
	EXPECT_TRUE(m[box.top][box.left] == img[0][0] && m[box.top][box.right - 1] == img[0][2] &&
	            m[box.bottom - 1][box.left] == img[2][0] && m[box.bottom - 1][box.right - 1] == img[2][2]);
}

TEST(RawImageObject, LargeFilesDecodedToTheTargetSmallOnesWholeCachedBySerial)
{
	String png = sStripesPng(Size(200, 100));
	RichObject o = sObject("rawimage", png), p = sObject("rawimage", png);
	Image whole = LoadImageString(png);
	EXPECT_EQ(sPaint(o, Size(100, 50)), Calls{ sImageCall(Size(100, 50), Rescale(whole, Size(100, 50))) });
	EXPECT_EQ(sPaint(o, Size(400, 200)), Calls{ sImageCall(Size(400, 200), whole) });
	Image a = o.ToImage(Size(200, 100)), b = p.ToImage(Size(200, 100));
	EXPECT_EQ(RecordingDraw::Img(a), RecordingDraw::Img(whole));
	EXPECT_EQ(a.GetSerialId(), o.ToImage(Size(200, 100)).GetSerialId());
	EXPECT_NE(a.GetSerialId(), b.GetSerialId());

	String svg = "<svg><rect x='4' y='2' width='96.7' height='48.2'/></svg>";
	RichObject s = sObject("rawimage", svg);
	EXPECT_TRUE(s.GetPixelSize() == Size(96, 48) && s.GetPhysicalSize() == Size(600, 300));
	// what it paints fills the box, stretched as a picture file is: red on the left, blue on the right
	RichObject halves = sObject("rawimage", "<svg><rect x='4' y='2' width='48' height='48' fill='red'/>"
	                                        "<rect x='52' y='2' width='48' height='48' fill='blue'/></svg>");
	for(Size sz : { Size(96, 48), Size(50, 30), Size(20, 60) }) {
		SCOPED_TRACE(testing::PrintToString(std::vector<int>{ sz.cx, sz.cy }));
		ImageDraw w;
		halves.Paint(w, sz);
		ASSERT_EQ(w.images.size(), 1u);
		Image m = w.images[0];
		EXPECT_EQ(w.Take(), Calls{ sImageCall(sz, m) });
		ASSERT_EQ(m.GetSize(), sz);
		for(Point p : { Point(0, 0), Point(sz.cx / 2 - 1, sz.cy - 1), Point(sz.cx / 2, 0), Point(sz.cx - 1, sz.cy - 1) }) {
			RGBA c = m[p.y][p.x];
			EXPECT_TRUE(c.a == 255 && c.g == 0 && (p.x < sz.cx / 2 ? c.r == 255 && c.b == 0 : c.r == 0 && c.b == 255))
				<< p.x << "," << p.y;
		}
		EXPECT_EQ(RecordingDraw::Img(halves.ToImage(sz)), RecordingDraw::Img(m));
	}
}

TEST(ImlObject, IconsOfTheRegisteredLists)
{
	Image icon = GetImlImage("DrawImg:threedots");
	RichObject o = sObject("iml", "DrawImg:threedots"), none = sObject("iml", "DrawImg:nosuchicon");
	EXPECT_TRUE(o.GetType()->IsText() && o.GetPixelSize() == icon.GetSize() && o.GetPhysicalSize() == icon.GetSize());
	EXPECT_EQ(sPaint(o, Size(32, 16)), Calls{ sImageCall(Size(32, 16), icon) });
	EXPECT_TRUE(none.GetPixelSize() == Size(0, 0) && sPaint(none, Size(8, 8)).empty());
}

// A few hundred bytes may declare any size: nothing that large is decoded whole, painting
// decodes at most 16 Mpixel and lets the target scale the rest, and no object image is larger.
TEST(ObjectBounds, DeclaredSizesDoNotDecideWhatIsDecoded)
{
	String huge = sPng(60000, 60000, 1, 0, String('\0', 7501 * 3));
	ASSERT_LT(huge.GetLength(), 300);
	EXPECT_EQ(sObject("PNG", huge).GetData(), Value(huge));
	RichObject ping = sObject("PING", huge), raw = sObject("rawimage", huge);
	EXPECT_TRUE(ping.GetPixelSize() == Size(60000, 60000) && ping.GetPhysicalSize() == Size(375000, 375000));
	EXPECT_EQ(sPaint(ping, Size(256, 256)), Calls{ "Rect 0,0,256,256" + RED });
	EXPECT_TRUE(sPaint(raw, Size(256, 256)).empty() && raw.ToImage(Size(64, 64)).IsEmpty());
	String s = StoreImageAsString(sImage(Size(1, 1), RGBA{ 1, 2, 3, 255 })); // declaring 65535 x 65535
	EXPECT_TRUE(sPaint(sObject("image", s.Mid(0, 1) + String('\xff', 4) + s.Mid(5)), Size(9, 9)).empty());
	// sizes at the end of the int range: no overflow into the physical size
	Drawing wide;
	wide.size = Size(INT_MAX, 96);
	String stored = RichObject::FindType("Drawing")->Write(RichObjectTypeDrawingCls::MakeValue(wide, Size(0, 0)));
	EXPECT_EQ(sObject("Drawing", stored).GetPhysicalSize(), Size(INT_MAX, 600));
	EXPECT_EQ(sObject("rawimage", "<svg><rect width='1e300' height='10'/></svg>").GetPhysicalSize(), Size(INT_MAX, 62));

	// 20 Mpixel into 80: decoded at no more than 16, scaled into the rest by the target
	String stripes = sStripesPng(Size(5000, 4000));
	for(const char* type : { "rawimage", "PING" }) {
		ImageDraw w;
		sObject(type, stripes).Paint(w, Size(10000, 8000));
		ASSERT_EQ(w.images.size(), 1u) << type;
		Size isz = w.images[0].GetSize();
		EXPECT_TRUE(int64(isz.cx) * isz.cy <= int64(16) << 20 && isz.cx > 4000) << type;
		EXPECT_EQ(w.calls.back().substr(0, 22), "Image 0,0,10000,8000 i") << type;
	}
	for(const RichObject& o : { sObject("rawimage", stripes), sObject("iml", "DrawImg:threedots"),
	                            sObject("image", s), sObject("PNG", sStripesPng(Size(2000, 2000))),
	                            sObject("Drawing", String()), sObject("NoSuchType", "x") }) {
		EXPECT_TRUE(o.ToImage(Size(4097, 4096)).IsEmpty()) << o.GetTypeName();
		EXPECT_EQ(o.ToImage(Size(4, 4)).GetSize(), Size(4, 4)) << o.GetTypeName();
	}
}

// Sizes against the headers, read here byte by byte; pictures against the format registry's.
TEST(ObjectCorpus, PngSuiteAsPingPngAndRawImage)
{
	int good = 0, damaged = 0;
	for(const auto& path : sFiles(QEL_TEST_DATA "/pngsuite", ".png")) {
		SCOPED_TRACE(path.filename().string());
		String bytes = LoadFile(path.string().c_str());
		RichObject ping = sObject("PING", bytes), png = sObject("PNG", bytes), raw = sObject("rawimage", bytes);
		if(path.filename().string()[0] == 'x') {
			damaged++;
			EXPECT_EQ(sPaint(ping, Size(20, 10)), Calls{ "Rect 0,0,20,10" + RED });
			EXPECT_EQ(png.GetData(), Value(bytes));
			EXPECT_NE(sPaint(png, Size(20, 10)).back().find("plugin/png missing!"), std::string::npos);
			EXPECT_TRUE(sPaint(raw, Size(20, 10)).empty() && raw.ToImage(Size(20, 10)).IsEmpty());
			continue;
		}
		good++;
		Size px(sBe32(bytes, 16), sBe32(bytes, 20)), dots = Size(px.cx * 600 / 96, px.cy * 600 / 96);
		int at = bytes.Find("pHYs");
		if(at > 0 && bytes[at + 12] == 1) // metres
			dots = Size(int(floor(px.cx * 23622.04724409449 / sBe32(bytes, at + 4) + 0.5)),
			            int(floor(px.cy * 23622.04724409449 / sBe32(bytes, at + 8) + 0.5)));
		for(const RichObject* o : { &ping, &png, &raw })
			EXPECT_TRUE(o->GetPixelSize() == px && o->GetPhysicalSize() == dots) << o->GetTypeName();
		Image img = LoadImageString(bytes);
		EXPECT_EQ(RecordingDraw::Img(png.GetData()), RecordingDraw::Img(img));
		Size up(2 * px.cx + 1, 2 * px.cy + 1), down(max(1, px.cx / 3), max(1, px.cy / 2));
		EXPECT_EQ(sPaint(ping, up), (Calls{ "Rect 0,0," + std::to_string(up.cx) + "," + std::to_string(up.cy) + WHITE,
		                                    sImageCall(up, img) }));
		EXPECT_EQ(sPaint(raw, up), Calls{ sImageCall(up, img) });
		if(px.cx > 1 && px.cy > 1) {
			EXPECT_EQ(sPaint(raw, down), Calls{ sImageCall(down, Rescale(img, down)) });
		}
		EXPECT_EQ(RecordingDraw::Img(raw.ToImage(px)), RecordingDraw::Img(img));
	}
	EXPECT_TRUE(good == 161 && damaged == 14);
}

// Almost every document draws a frame stroked 1 wide, so it is at least that large; without the
// frame, one that has no size paints nothing.
TEST(ObjectCorpus, SvgDocumentsAsRawImage)
{
	int framed = 0, empty = 0;
	for(const auto& path : sFiles(QEL_TEST_DATA "/resvg", ".svg")) {
		SCOPED_TRACE(path.string());
		std::string text = ~LoadFile(path.string().c_str());
		const std::string tag = "<rect id=\"frame\" x=\"1\" y=\"1\" width=\"";
		size_t at = text.find(tag), end = text.find("/>", at);
		int fcx = 0, fcy = 0;
		if(end == std::string::npos || sscanf(text.c_str() + at + tag.size(), "%d\" height=\"%d\"", &fcx, &fcy) != 2)
			continue;
		framed++;
		RichObject o = sObject("rawimage", text.c_str());
		Size px = o.GetPixelSize();
		EXPECT_TRUE(px.cx > fcx && px.cy > fcy && o.GetPhysicalSize() == Size(px.cx * 600 / 96, px.cy * 600 / 96));
		std::string bare = text.substr(0, at) + text.substr(end + 2);
		if(sObject("rawimage", bare.c_str()).GetPhysicalSize() != Size(0, 0))
			continue;
		empty++;
		ImagePainter ip(200, 200);
		ip.DrawRect(0, 0, 200, 200, Color(255, 255, 255));
		RenderSVG(ip, bare.c_str());
		Image r = ip;
		EXPECT_TRUE(std::all_of(r.begin(), r.end(), [&](const RGBA& p) { return p == r[0][0]; }));
	}
	EXPECT_TRUE(framed > 300 && empty > 10);
}
