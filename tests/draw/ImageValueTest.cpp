// Image inside a Value: Null, equality and hash, text, the binary form and the hex "data" forms
// of XML and JSON, and how damaged or oversized stored images fail.
#include "TestImage.h"

#include <Core/exchange/Jsonize.h>
#include <Core/stream/StringStream.h>
#include <Core/xml/XmlParser.h>
#include <Core/exchange/Xmlize.h>

#include <functional>

namespace QelTest {
namespace {

// One opaque pixel b=1, g=2, r=3.
Image OnePixel()
{
	ImageBuffer b(1, 1);
	b[0][0] = RGBA{1, 2, 3, 255};
	return b;
}

String Binary(const Value& v)
{
	StringStream ss;
	Value(v).Serialize(ss);
	return HexString(ss.GetResult());
}

bool LoadBinary(Value& v, const String& bytes)
{
	StringStream ss(bytes);
	ss.SetLoading();
	v.Serialize(ss);
	return !ss.IsError();
}

// The envelope: "data", the image's form, "end\0" and the byte count up to there (37).
const char STORED_ONE_PIXEL[] = "64617461" "01" "0100000001000000" "0000000000000000" "0000000000000000"
                                "010203ff" "656e6400" "25000000";

TEST(ImageValue, BinaryFormIsTypeThenImageForm)
{
	EXPECT_EQ(Binary(OnePixel()), "97" "01" "0100000001000000" "0000000000000000" "0000000000000000" "010203ff");
	Value back;
	ASSERT_TRUE(LoadBinary(back, ScanHexString(Binary(OnePixel()))));
	EXPECT_EQ(back.GetType(), IMAGE_V);
	EXPECT_TRUE(SamePixels(Image(back), OnePixel()));
}

TEST(ImageValue, StoredStringHasTheEnvelope)
{
	Image img = OnePixel();
	EXPECT_EQ(HexString(StoreAsString(img)), STORED_ONE_PIXEL);
	Image back;
	ASSERT_TRUE(LoadFromString(back, ScanHexString(STORED_ONE_PIXEL)));
	EXPECT_TRUE(SamePixels(back, img));
	// a wrong count, a missing end marker or a cut payload is refused and leaves the target alone
	String bad = ScanHexString(STORED_ONE_PIXEL);
	for(int at : { 0, 33, bad.GetLength() - 1 }) { // magic, end marker, count
		String b = bad;
		b.Set(at, b[at] ^ 1);
		Image keep = OnePixel();
		EXPECT_FALSE(LoadFromString(keep, b)) << at;
		EXPECT_TRUE(SamePixels(keep, OnePixel())) << at;
	}
	Image keep = OnePixel();
	EXPECT_FALSE(LoadFromString(keep, bad.Mid(0, 20)));
}

TEST(ImageValue, XmlAndJsonCarryTheHexUnderData)
{
	Value v = OnePixel();
	XmlNode n;
	XmlIO out(n, false);
	v.Xmlize(out);
	EXPECT_EQ(n.Attr("type"), "Image");
	EXPECT_EQ(n.Attr("data"), STORED_ONE_PIXEL);
	Value x;
	XmlIO in(n, true);
	x.Xmlize(in);
	EXPECT_TRUE(x == v);

	Value json = ValueToJson(v);
	EXPECT_EQ(json["type"], Value("Image"));
	EXPECT_EQ(json["value"]["data"], Value(STORED_ONE_PIXEL));
	Value j;
	ValueFromJson(j, json);
	EXPECT_TRUE(j == v);
	// upper-case digits and separators read as well
	ValueMap m;
	m.Add("type", "Image");
	ValueMap d;
	String upper = STORED_ONE_PIXEL;
	for(int i = 0; i < upper.GetLength(); i++)
		upper.Set(i, ToUpper(upper[i]));
	upper.Insert(8, " ");
	d.Add("data", upper);
	m.Add("value", d);
	Value k;
	ValueFromJson(k, m);
	EXPECT_TRUE(k == v);
}

template <class E, class F>
std::string ErrorOf(F f)
{
	try {
		f();
	}
	catch(E& e) {
		return std::string(~e, e.GetLength());
	}
	return "no error";
}

TEST(ImageValue, BadDataTextThrowsTheFormsError)
{
	for(Value data : { Value("not an image"), Value("64617461"), Value(12), Value() }) {
		ValueMap m;
		m.Add("type", "Image");
		ValueMap d;
		if(!data.IsVoid())
			d.Add("data", data);
		m.Add("value", d);
		Value j;
		EXPECT_EQ(ErrorOf<JsonizeError>([&] { ValueFromJson(j, m); }), "jsonize by serialize error");
	}
	XmlNode n;
	n.SetAttr("type", "Image");
	n.SetAttr("data", "0011");
	Value x;
	XmlIO in(n, true);
	EXPECT_EQ(ErrorOf<XmlError>([&] { x.Xmlize(in); }), "xmlize by serialize error");
}

TEST(ImageValue, NullEqualityHashAndText)
{
	EXPECT_TRUE(Value(Image()).IsNull());
	EXPECT_FALSE(Value(OnePixel()).IsNull());
	EXPECT_EQ(Value(RandomImage(7, 3, 5)).ToText(), "Image (7, 3)");

	// separately made, pixel-identical images with the same spots are equal; any difference is not
	Image a = RandomImage(5, 4, 9), b = RandomImage(5, 4, 9);
	ASSERT_NE(a.GetSerialId(), b.GetSerialId());
	EXPECT_TRUE(Value(a) == Value(b));
	EXPECT_EQ(Value(a).GetHashValue(), Value(b).GetHashValue());
	auto changed = [&](auto edit) {
		Image m = b;
		ImageBuffer ib(m);
		edit(ib);
		return Image(ib);
	};
	const std::function<void (ImageBuffer&)> edits[] = {
		[](ImageBuffer& ib) { ib.SetHotSpot(Point(1, 1)); },
		[](ImageBuffer& ib) { ib.Set2ndSpot(Point(2, 1)); },
		[](ImageBuffer& ib) { ib.SetPhysicalSize(Size(50, 40)); },
		[](ImageBuffer& ib) { ib[3][4].a ^= 1; },
	};
	for(auto& e : edits)
		EXPECT_FALSE(Value(a) == Value(changed(e)));
	EXPECT_FALSE(Value(a) == Value(RandomImage(4, 5, 9)));
	EXPECT_FALSE(Value(a) == Value(Image()));
}

TEST(ImageValue, SpotsAndPhysicalSizeSurviveEveryForm)
{
	ImageBuffer b(3, 2);
	Image src = RandomImage(3, 2, 4);
	b.Set(src);
	b.SetHotSpot(Point(-1000, 2));
	b.Set2ndSpot(Point(-999, 7));
	b.SetPhysicalSize(Size(30, 20));
	Value v = Image(b);
	Value bin;
	ASSERT_TRUE(LoadBinary(bin, ScanHexString(Binary(v))));
	Value json;
	ValueFromJson(json, ValueToJson(v));
	XmlNode n;
	XmlIO out(n, false);
	Value(v).Xmlize(out);
	Value xml;
	XmlIO in(n, true);
	xml.Xmlize(in);
	for(const Value& w : { bin, json, xml }) {
		Image m = w;
		EXPECT_EQ(m.GetHotSpot(), Point(-1000, 2));
		EXPECT_EQ(m.Get2ndSpot(), Point(-999, 7));
		EXPECT_EQ(m.GetPhysicalSize(), Size(30, 20));
		EXPECT_TRUE(w == v);
	}
}

// A stored size beyond what an image can hold is an error of the stream, not an abort, and the
// value is not left half-made.
TEST(ImageValue, OversizedStoredImageFailsCleanly)
{
	struct Case { int cx, cy; } cases[] = { { 0x7FFFFFFF, 0x7FFFFFFF }, { 65536, 65536 }, { -1, 5 }, { 5, -1 } };
	for(Case c : cases) {
		StringStream ss;
		int t = IMAGE_V + 1;
		ss.Put(t);
		ss.Put(1); // flag: no second spot
		ss.Put32le(c.cx);
		ss.Put32le(c.cy);
		for(int i = 0; i < 4; i++)
			ss.Put32le(0);
		ss.Put("\1\2\3\4", 4);
		Value v;
		EXPECT_FALSE(LoadBinary(v, ss.GetResult())) << c.cx << "x" << c.cy;
		Image keep = OnePixel();
		String payload = ss.GetResult().Mid(1);
		String env = ScanHexString("64617461") + payload + ScanHexString("656e6400");
		EXPECT_FALSE(LoadFromString(keep, env));
		EXPECT_TRUE(SamePixels(keep, OnePixel()));
	}
	// a plausible size with too few bytes behind it fails the same way
	Value v;
	String cut = ScanHexString(Binary(RandomImage(40, 40, 1)));
	EXPECT_FALSE(LoadBinary(v, cut.Mid(0, cut.GetLength() - 3)));
}

} // namespace
} // namespace QelTest
