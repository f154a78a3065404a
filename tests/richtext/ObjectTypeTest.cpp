// The object types rich text registers: their stored forms, sizes, painting and images, the
// clipboard of "image", and the bounds kept on untrusted objects.
#include "ObjectTestUtil.h"
#include "QtfTestUtil.h"
#include "RichTestUtil.h"

#include <gtest/gtest.h>

#include <limits.h>

using namespace Qel;
using namespace QelTest;

// Rich text only passes clipboard offers on; the GUI's own class is not linked here.
namespace Qel {
class PasteSource {
public:
	Image offered;
};
} // namespace Qel

namespace {

const std::string WHITE = RecordingDraw::C(Color(255, 255, 255));
const std::string RED = RecordingDraw::C(Color(255, 0, 0));

Image sImage(Size sz, RGBA c)
{
	ImageBuffer ib(sz.cx, sz.cy);
	for(RGBA& p : ib)
		p = c;
	return Image(ib);
}

RGBA sGradient(int x, int y) { return RGBA{ byte(3 * y), byte(x + y), byte(5 * x), 255 }; }

std::vector<std::string> sPaint(const RichObject& o, Size sz)
{
	ImageRecordingDraw w;
	o.Paint(w, sz);
	return w.Take();
}

// An image string whose header declares sz, with no pixels behind it.
String sImageStringHeader(Size sz)
{
	String s = StoreImageAsString(sImage(Size(1, 1), RGBA{ 1, 2, 3, 255 }));
	s.Set(1, sz.cx & 255);
	s.Set(2, sz.cx >> 8);
	s.Set(3, sz.cy & 255);
	s.Set(4, sz.cy >> 8);
	return s;
}

} // namespace

TEST(DrawingObject, StoredFormRoundTripsThroughQtfAndPaintsOnWhite)
{
	DrawingDraw dd(100, 50);
	dd.DrawRect(10, 10, 30, 20, Color(0, 0, 255));
	dd.DrawLineOp(0, 0, 99, 49, 2, Color(0, 128, 0));
	dd.DrawImage(60, 5, sImage(Size(8, 4), RGBA{ 0, 0, 200, 255 }));
	dd.DrawText(5, 30, "Qel", StdFont(), Color(1, 2, 3));
	Drawing drawing = dd;
	const RichObjectType* type = RichObject::FindType("Drawing");
	ASSERT_NE(type, nullptr);
	String stored = type->Write(RichObjectTypeDrawingCls::MakeValue(drawing, Size(600, 300)));
	ASSERT_GT(stored.GetLength(), 12);
	EXPECT_EQ(stored.Mid(0, 12), Bytes({1, 0, 0, 0, 0x58, 2, 0, 0, 0x2c, 1, 0, 0}));

	RichPara para;
	para.Cat(ReadObject("Drawing", stored, Size(1200, 600)), RichPara::CharFormat());
	RichText doc;
	doc.Cat(para);
	RichText back = ParseQtf(AsQTF(doc));
	RichObject o = QtfPara(back, 0).part[0].object;
	EXPECT_EQ(o.GetTypeName(), "Drawing");
	EXPECT_EQ(o.GetSize(), Size(1200, 600));
	EXPECT_EQ(o.GetPhysicalSize(), Size(600, 300));
	EXPECT_EQ(o.GetPixelSize(), Size(100, 50));
	EXPECT_EQ(type->Write(o.GetData()), stored);

	std::vector<std::string> calls = sPaint(o, Size(200, 100));
	ImageRecordingDraw direct;
	direct.DrawRect(0, 0, 200, 100, Color(255, 255, 255));
	direct.DrawDrawing(0, 0, 200, 100, drawing);
	EXPECT_EQ(calls, direct.Take());
	ASSERT_GT(calls.size(), 4u);
	EXPECT_EQ(calls[0], "Rect 0,0,200,100" + WHITE);

	// objects of the wrong kinds in the stored value list: painted up to them, nothing thrown
	Drawing wrong = drawing;
	ASSERT_EQ(wrong.val.GetCount(), 1);
	wrong.val.Clone()[0] = 5;
	RichObject w = ReadObject("Drawing", type->Write(RichObjectTypeDrawingCls::MakeValue(wrong, Size(600, 300))));
	std::vector<std::string> upto = sPaint(w, Size(200, 100));
	EXPECT_EQ(upto[0], "Rect 0,0,200,100" + WHITE);
	EXPECT_EQ(upto.back(), "End");
	EXPECT_FALSE(w.ToImage(Size(20, 10)).IsEmpty());

	// damaged: a void value, written as nothing, painted white
	for(String bad : { stored.Mid(0, 20), String("xyz"), String() }) {
		RichObject d = ReadObject("Drawing", bad, Size(40, 20));
		EXPECT_TRUE(d.GetData().IsVoid());
		EXPECT_EQ(type->Write(d.GetData()), "");
		EXPECT_EQ(d.GetPixelSize(), Size(0, 0));
		EXPECT_EQ(sPaint(d, Size(40, 20)), std::vector<std::string>{ "Rect 0,0,40,20" + WHITE });
	}
}

TEST(PingObject, PaintsTheFileOnWhiteOrARedRectangle)
{
	String png = RgbaPng(Size(20, 10), sGradient, 3780); // 96 per inch
	RichObject o = ReadObject("PING", png);
	EXPECT_EQ(o.GetTypeName(), "PING");
	EXPECT_EQ(o.GetData(), Value(png)); // the bytes, as they came
	EXPECT_EQ(o.GetPixelSize(), Size(20, 10));
	EXPECT_EQ(o.GetPhysicalSize(), Size(125, 62));
	EXPECT_EQ(o.GetType()->Write(o.GetData()), png);
	std::vector<std::string> calls = sPaint(o, Size(40, 20));
	ASSERT_EQ(calls.size(), 2u);
	EXPECT_EQ(calls[0], "Rect 0,0,40,20" + WHITE);
	EXPECT_EQ(calls[1], "Image 0,0,40,20 " + RecordingDraw::Img(LoadImageString(png)));

	for(String bad : { String("no image"), png.Mid(0, 60), png.Mid(0, 40) + String('x', 40) }) {
		RichObject b = ReadObject("PING", bad);
		EXPECT_EQ(sPaint(b, Size(40, 20)), std::vector<std::string>{ "Rect 0,0,40,20" + RED });
	}
	// a value that is not text
	ImageRecordingDraw w;
	o.GetType()->Paint(Value(5), w, Size(3, 3));
	EXPECT_EQ(w.Take(), std::vector<std::string>{ "Rect 0,0,3,3" + RED });
}

TEST(ImageObject, SizesPaintingAndImagesFromTheImageString)
{
	Image img = sImage(Size(30, 20), RGBA{ 10, 20, 30, 255 });
	ImageBuffer ib(30, 20);
	for(RGBA& p : ib)
		p = RGBA{ 10, 20, 30, 255 };
	ib.SetPhysicalSize(Size(300, 400));
	Image withdots(ib);
	RichObject a = ReadObject("image", StoreImageAsString(img));
	EXPECT_EQ(a.GetPixelSize(), Size(30, 20));
	EXPECT_EQ(a.GetPhysicalSize(), Size(187, 125)); // none stored: from the pixels
	RichObject b = ReadObject("image", StoreImageAsString(withdots));
	EXPECT_EQ(b.GetPhysicalSize(), Size(300, 400));
	EXPECT_EQ(b.GetType()->Write(b.GetData()), StoreImageAsString(withdots));

	EXPECT_EQ(sPaint(a, Size(60, 40)), std::vector<std::string>{ "Image 0,0,60,40 " + RecordingDraw::Img(img) });
	Image big = a.ToImage(Size(60, 40));
	EXPECT_EQ(RecordingDraw::Img(big), RecordingDraw::Img(Rescale(img, Size(60, 40))));

	// damaged or oversized strings draw nothing and make no image
	for(String bad : { String("short"), sImageStringHeader(Size(65535, 65535)), sImageStringHeader(Size(9000, 9000)) }) {
		RichObject d = ReadObject("image", bad);
		EXPECT_TRUE(sPaint(d, Size(10, 10)).empty());
		EXPECT_TRUE(d.ToImage(Size(10, 10)).IsEmpty());
	}
}

TEST(ImageObject, ClipboardGoesThroughTheHooksOnly)
{
	const RichObjectType* t = RichObject::FindType("image");
	ASSERT_NE(t, nullptr);
	PasteSource clip;
	clip.offered = sImage(Size(4, 3), RGBA{ 5, 6, 7, 255 });
	String stored = StoreImageAsString(clip.offered);

	SetRichImageClipboardHooks(nullptr, nullptr, nullptr, nullptr);
	EXPECT_FALSE(t->AcceptClip(clip));
	Value none = t->ReadClip(clip);
	EXPECT_TRUE(none.IsNull() && none.GetType() == INT_V);
	EXPECT_EQ(t->GetClipFormats(), "");
	EXPECT_EQ(t->GetClipData(stored, "image"), "");

	static Value given;
	static String given_format;
	SetRichImageClipboardHooks(
		[](const Value& img, const String& fmt) -> String {
			given = img;
			given_format = fmt;
			return "clip:" + fmt;
		},
		[](PasteSource& c) { return !c.offered.IsEmpty(); },
		[](PasteSource& c) { return c.offered; },
		[]() -> String { return "image"; });
	EXPECT_TRUE(t->AcceptClip(clip));
	EXPECT_EQ(t->ReadClip(clip), Value(stored));
	EXPECT_EQ(t->GetClipFormats(), "image");
	EXPECT_EQ(t->GetClipData(stored, "image"), "clip:image");
	ASSERT_EQ(given.GetType(), dword(IMAGE_V));
	EXPECT_EQ(RecordingDraw::Img(Image(given)), RecordingDraw::Img(clip.offered));
	EXPECT_EQ(given_format, "image");
	// what is read from the clipboard makes an object of the image
	RichObject o = ReadObject("image", t->ReadClip(clip).ToString());
	EXPECT_EQ(o.GetPixelSize(), Size(4, 3));
	PasteSource empty;
	EXPECT_FALSE(t->AcceptClip(empty));
	SetRichImageClipboardHooks(nullptr, nullptr, nullptr, nullptr);
}

TEST(PngObject, DecodedWhenReadAndWrittenBackAsImage)
{
	String png = RgbaPng(Size(10, 10), sGradient, 7874); // 200 per inch
	RichObject o = ReadObject("PNG", png);
	const RichObjectType* t = o.GetType();
	ASSERT_EQ(o.GetData().GetType(), dword(IMAGE_V));
	EXPECT_EQ(o.GetTypeName(), "PNG");
	EXPECT_EQ(t->GetTypeName(o.GetData()), "image");
	EXPECT_EQ(o.GetPhysicalSize(), Size(30, 30));
	EXPECT_EQ(o.GetPixelSize(), Size(10, 10));
	String written = t->Write(o.GetData());
	EXPECT_EQ(RecordingDraw::Img(LoadImageFromString(written)), RecordingDraw::Img(LoadImageString(png)));
	EXPECT_EQ(ReadObject("image", written).GetPhysicalSize(), Size(30, 30));

	// never enlarged more than four times
	EXPECT_EQ(sPaint(o, Size(100, 100)),
	          std::vector<std::string>{ "Image 0,0,40,40 " + RecordingDraw::Img(Image(o.GetData())) });
	EXPECT_EQ(sPaint(o, Size(25, 100))[0].substr(0, 16), "Image 0,0,25,40 ");
	EXPECT_EQ(o.ToImage(Size(100, 30)).GetSize(), Size(40, 30));

	// bytes that do not decode stay, with no size, and paint a placeholder
	RichObject bad = ReadObject("PNG", png.Mid(0, 50));
	EXPECT_EQ(bad.GetData(), Value(png.Mid(0, 50)));
	EXPECT_EQ(bad.GetType()->GetTypeName(bad.GetData()), "PNG");
	EXPECT_EQ(bad.GetPhysicalSize(), Size(0, 0));
	EXPECT_EQ(bad.GetPixelSize(), Size(0, 0));
	EXPECT_EQ(t->Write(bad.GetData()), png.Mid(0, 50));
	std::vector<std::string> calls = sPaint(bad, Size(120, 20));
	ASSERT_EQ(calls.size(), 6u);
	EXPECT_EQ(calls[0], "Rect 0,0,120,20" + RecordingDraw::C(ThemeFaceColor()));
	EXPECT_EQ(calls[5].substr(0, 35), "Text 2,2 a0 \"plugin/png missing!\" f");
	EXPECT_EQ(bad.ToImage(Size(120, 20)).GetSize(), Size(120, 20));
}

TEST(RawImageObject, DecodesLargeFilesStraightToTheTargetAndCachesBySerial)
{
	String png = RgbaPng(Size(200, 100), sGradient);
	RichObject o = ReadObject("rawimage", png);
	EXPECT_EQ(o.GetPixelSize(), Size(200, 100));
	EXPECT_EQ(o.GetPhysicalSize(), Size(1250, 625));
	EXPECT_EQ(o.GetType()->Write(o.GetData()), png);
	Image whole = LoadImageString(png);

	ImageRecordingDraw w;
	o.Paint(w, Size(100, 50)); // larger than the target: decoded at the target size
	ASSERT_EQ(w.images.size(), 1u);
	EXPECT_EQ(w.calls[0].substr(0, 20), "Image 0,0,100,50 img");
	EXPECT_EQ(w.images[0].GetSize(), Size(100, 50));
	EXPECT_EQ(RecordingDraw::Img(w.images[0]), RecordingDraw::Img(Rescale(whole, Size(100, 50))));
	w.Take();
	o.Paint(w, Size(400, 200)); // smaller: decoded whole, scaled by the target
	EXPECT_EQ(w.Take(), std::vector<std::string>{ "Image 0,0,400,200 " + RecordingDraw::Img(whole) });

	RichObject p = ReadObject("rawimage", png);
	ASSERT_NE(o.GetSerialId(), p.GetSerialId());
	Image a = o.ToImage(Size(200, 100)), a2 = o.ToImage(Size(200, 100)), b = p.ToImage(Size(200, 100));
	EXPECT_EQ(RecordingDraw::Img(a), RecordingDraw::Img(whole));
	EXPECT_EQ(a.GetSerialId(), a2.GetSerialId());
	EXPECT_NE(a.GetSerialId(), b.GetSerialId());
	EXPECT_EQ(RecordingDraw::Img(o.ToImage(Size(50, 25))), RecordingDraw::Img(Rescale(whole, Size(50, 25))));
	ImgFormatLoader k1(o.GetSerialId(), png), k2(p.GetSerialId(), png);
	EXPECT_NE(k1.Key(), k2.Key());
	EXPECT_EQ(k1.Key().GetLength(), 8);
}

TEST(RawImageObject, SvgTextSizedByWhatItPaints)
{
	String svg = "<svg xmlns='http://www.w3.org/2000/svg'><rect x='4' y='2' width='96.7' height='48.2'/></svg>";
	RichObject o = ReadObject("rawimage", svg);
	EXPECT_EQ(o.GetPixelSize(), Size(96, 48));
	EXPECT_EQ(o.GetPhysicalSize(), Size(600, 300));
	Image rendered = RenderSVGImage(Size(50, 30), svg); // fitted inside a margin
	Size rsz = rendered.GetSize();
	EXPECT_EQ(sPaint(o, Size(50, 30)), std::vector<std::string>{ "Image 0,0," + std::to_string(rsz.cx) + "," +
	                                                             std::to_string(rsz.cy) + " " + RecordingDraw::Img(rendered) });
	EXPECT_EQ(RecordingDraw::Img(o.ToImage(Size(50, 30))), RecordingDraw::Img(rendered));
	// past the image size limit the picture is rendered smaller and drawn scaled up
	ImageRecordingDraw w;
	o.Paint(w, Size(8192, 4096));
	ASSERT_EQ(w.images.size(), 1u);
	EXPECT_LE(int64(w.images[0].GetWidth()) * w.images[0].GetHeight(), int64(16) << 20);
	EXPECT_GT(w.images[0].GetWidth(), 4000);
	EXPECT_EQ(w.calls[0].substr(0, 10), "Image 0,0,");

	// painting nothing, or not SVG at all: no size, nothing painted
	for(const char* none : { "<svg xmlns='http://www.w3.org/2000/svg'/>", "<svg><g/></svg>", "<html/>", "" }) {
		RichObject n = ReadObject("rawimage", none, Size(10, 10));
		EXPECT_EQ(n.GetPixelSize(), Size(0, 0)) << none;
		EXPECT_EQ(n.GetPhysicalSize(), Size(0, 0)) << none;
	}
	EXPECT_TRUE(sPaint(ReadObject("rawimage", "not an image"), Size(10, 10)).empty());
	EXPECT_TRUE(ReadObject("rawimage", "not an image").ToImage(Size(10, 10)).IsEmpty());
}

TEST(ImlObject, IconsOfTheRegisteredLists)
{
	Image icon = GetImlImage("DrawImg:threedots");
	ASSERT_FALSE(icon.IsEmpty());
	RichObject o = ReadObject("iml", "DrawImg:threedots");
	EXPECT_TRUE(o.GetType()->IsText());
	EXPECT_EQ(o.GetPixelSize(), icon.GetSize());
	EXPECT_EQ(o.GetPhysicalSize(), icon.GetSize());
	EXPECT_EQ(o.GetType()->Write(o.GetData()), "DrawImg:threedots");
	EXPECT_EQ(sPaint(o, Size(32, 16)), std::vector<std::string>{ "Image 0,0,32,16 " + RecordingDraw::Img(icon) });
	EXPECT_EQ(RecordingDraw::Img(o.ToImage(Size(32, 16))), RecordingDraw::Img(Rescale(icon, Size(32, 16))));
	RichObject none = ReadObject("iml", "DrawImg:nosuchicon");
	EXPECT_EQ(none.GetPixelSize(), Size(0, 0));
	EXPECT_TRUE(sPaint(none, Size(8, 8)).empty());
	EXPECT_TRUE(none.ToImage(Size(8, 8)).IsEmpty());
}

// A few hundred bytes may declare any size: nothing that large is decoded whole, painting
// decodes at most 16 Mpixel and lets the target scale the rest, and no object image is larger.
TEST(ObjectBounds, DeclaredSizesDoNotDecideWhatIsDecoded)
{
	String huge = PngFile(60000, 60000, 1, 0, String('\0', 7501 * 3));
	ASSERT_LT(huge.GetLength(), 300);
	RichObject png = ReadObject("PNG", huge);
	EXPECT_EQ(png.GetData(), Value(huge));
	RichObject ping = ReadObject("PING", huge);
	EXPECT_EQ(ping.GetPixelSize(), Size(60000, 60000));
	EXPECT_EQ(ping.GetPhysicalSize(), Size(375000, 375000));
	EXPECT_EQ(sPaint(ping, Size(256, 256)), std::vector<std::string>{ "Rect 0,0,256,256" + RED });
	RichObject raw = ReadObject("rawimage", huge);
	EXPECT_TRUE(sPaint(raw, Size(256, 256)).empty());
	EXPECT_TRUE(raw.ToImage(Size(64, 64)).IsEmpty());
	// sizes at the end of the int range do not overflow into the physical size
	Drawing wide;
	wide.size = Size(INT_MAX, 96);
	String stored = RichObject::FindType("Drawing")->Write(RichObjectTypeDrawingCls::MakeValue(wide, Size(0, 0)));
	EXPECT_EQ(ReadObject("Drawing", stored).GetPhysicalSize(), Size(INT_MAX, 600));
	RichObject svg = ReadObject("rawimage", "<svg><rect width='1e300' height='10'/></svg>");
	EXPECT_EQ(svg.GetPixelSize(), Size(INT_MAX, 10));
	EXPECT_EQ(svg.GetPhysicalSize(), Size(INT_MAX, 62));

	// a real picture of more than 64 Mpixel stays undecoded
	String big = StripesPng(Size(8193, 8192));
	EXPECT_EQ(ReadObject("PNG", big).GetData(), Value(big));

	// 20 Mpixel into 80 Mpixel: decoded at no more than 16, scaled into the rest by the target
	RichObject stripes = ReadObject("rawimage", StripesPng(Size(5000, 4000)));
	for(const char* type : { "rawimage", "PING" }) {
		RichObject s = ReadObject(type, stripes.GetData().ToString());
		ImageRecordingDraw w;
		s.Paint(w, Size(10000, 8000));
		ASSERT_EQ(w.images.size(), 1u) << type;
		EXPECT_LE(int64(w.images[0].GetWidth()) * w.images[0].GetHeight(), int64(16) << 20) << type;
		EXPECT_GE(w.images[0].GetWidth(), 4000) << type;
		EXPECT_EQ(w.calls.back().substr(0, 22), "Image 0,0,10000,8000 i") << type;
	}

	// no object image beyond 16 Mpixel, whatever its type
	Size over(4097, 4096);
	for(const RichObject& o : { stripes, ReadObject("iml", "DrawImg:threedots"),
	                            ReadObject("image", StoreImageAsString(sImage(Size(2, 2), RGBA{ 0, 0, 0, 255 }))),
	                            ReadObject("PNG", RgbaPng(Size(2000, 2000), sGradient)),
	                            ReadObject("Drawing", String()), ReadObject("NoSuchType", "x") }) {
		EXPECT_TRUE(o.ToImage(over).IsEmpty()) << o.GetTypeName();
		EXPECT_FALSE(o.ToImage(Size(4, 4)).IsEmpty()) << o.GetTypeName();
	}
}
