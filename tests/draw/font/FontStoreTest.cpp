#include <draw/Draw.h>

#include <gtest/gtest.h>

using namespace Qel;

namespace {

String Hex(const String& s)
{
	String r;
	for(byte c : s)
		r << FormatIntBase(c, 16, 2, '0') << ' ';
	return r;
}

String Store(Font f)
{
	StringStream ss;
	f.Serialize(ss);
	return ss.GetResult();
}

Font Load(const String& data)
{
	StringStream ss(data);
	Font f(1, 1);
	f.Serialize(ss);
	return f;
}

int FaceOf(const char* family)
{
	for(int i = 4; i < Font::GetFaceCount(); i++)
		if(Font::GetFaceName(i) == family)
			return i;
	return -1;
}

} // namespace

TEST(FontStore, BinaryForm)
{
	EXPECT_EQ(Hex(Store(StdFont())), "02 01 00 00 00 83 00 00 ");
	EXPECT_EQ(Hex(Store(Font(3, 12).Bold().Width(5))), "02 04 00 80 0c 00 05 00 ");
	int sans = FaceOf("DejaVu Sans");
	String s = Store(Font(sans, 10));
	EXPECT_EQ(s, String("\x02\x00\x0b" "DejaVu Sans" "\0\0\x0a\0\0\0", 3 + 11 + 6));
	EXPECT_EQ(Load(s), Font(sans, 10));
	// A family this machine lacks loads as the standard face.
	EXPECT_EQ(Load(String("\x02\x00\x04" "Nope" "\0\x40\x0a\0\0\0", 3 + 4 + 6)), Font(0, 10).Italic());
	// Older numbering of the fixed faces.
	EXPECT_EQ(Load(String("\x02\x06\0\0\x0a\0\0\0", 8)), Font(2, 10));
	// The old form names the face.
	EXPECT_EQ(Load(String("\x01\x05serif\0\0\x0b\0\0\0", 13)), Font(1, 11));
	// A Null font stores an empty name and loads back as Null.
	EXPECT_TRUE(Load(Store(Font())).IsNull());
	for(Font f : { Font(1, 13).Bold().Underline(), Font(2, -7).Width(3), StdFont(), Font(0, 20).Strikeout() })
		EXPECT_EQ(Load(Store(f)), f);
	// A long family name takes the four-byte length.
	StringStream ss;
	String name(' ', 200);
	ss.Serialize(name);
	EXPECT_EQ(byte(ss.GetResult()[0]), 0xFF);
	// A short read keeps what arrived and marks the stream.
	StringStream cut(String("\x02\x01\x00", 3));
	Font f;
	f.Serialize(cut);
	EXPECT_TRUE(cut.IsError());
	EXPECT_EQ(f.GetFace(), 0);
}

namespace {

Value JsonOf(Font f)
{
	JsonIO io;
	f.Jsonize(io);
	return io.GetResult();
}

Font FromJson(const Value& v, Font init = Font(1, 1))
{
	JsonIO io(v);
	init.Jsonize(io);
	return init;
}

ValueMap JsonMap(const char* face, Value height, Value width, const char* flags)
{
	ValueMap m;
	if(face)
		m.Add("face", face);
	if(!height.IsVoid())
		m.Add("height", height);
	if(!width.IsVoid())
		m.Add("width", width);
	if(flags)
		m.Add("flags", flags);
	return m;
}

} // namespace

TEST(FontStore, XmlAndJson)
{
	int mono = FaceOf("DejaVu Sans Mono");
	struct { Font f; const char* face; int height; const char* flags; } cases[] = {
		{ Font(1, 13).Bold().Italic(), "serif", 13, "bold italic" },
		{ StdFont(), "STDFONT", -32000, "" },
		{ Font(2, 7).Width(4), "sansserif", 7, "" },
		{ Font(mono, 9).NonAntiAliased().TrueTypeOnly(), "DejaVu Sans Mono", 9, "noaa ttonly" },
	};
	for(auto& c : cases) {
		Value j = JsonOf(c.f);
		EXPECT_EQ(j["face"], Value(c.face));
		EXPECT_EQ(j["height"].ToInt(), c.height);
		EXPECT_EQ(j["width"].ToInt(), c.f.GetWidth());
		EXPECT_EQ(j["flags"], Value(c.flags));
		EXPECT_EQ(FromJson(j), c.f);

		XmlNode n;
		XmlIO out(n, false);
		Font f = c.f;
		f.Xmlize(out);
		EXPECT_EQ(n.Attr("face"), c.face);
		EXPECT_EQ(n.Attr("height"), FormatInt64(c.height));
		EXPECT_EQ(n.Attr("flags"), c.flags);
		Font back(1, 1);
		XmlIO in(n, true);
		back.Xmlize(in);
		EXPECT_EQ(back, c.f);
	}
	EXPECT_TRUE(FromJson(Value(JsonMap("", 13, 0, "bold"))).IsNull());
	EXPECT_EQ(FromJson(Value(JsonMap("", 13, 0, "bold"))), Font());
	EXPECT_TRUE(FromJson(Value(JsonMap(nullptr, 13, 0, "bold"))).IsNull());
	// Absent numbers leave the fields as they were.
	EXPECT_EQ(FromJson(Value(JsonMap("serif", Value(), Value(), nullptr)), Font(3, 21).Width(2)), Font(1, 21).Width(2));
	for(Value bad : { Value(40000), Value(1.5), Value("x") }) {
		EXPECT_THROW(FromJson(Value(JsonMap("serif", bad, 0, ""))), JsonizeError);
	}
	XmlNode n;
	n.SetAttr("face", "serif");
	n.SetAttr("height", "x");
	Font f(2, 5);
	XmlIO in(n, true);
	f.Xmlize(in);
	EXPECT_EQ(f, Font(1, 0));
}

TEST(FontStore, FlagWordsAndText)
{
	EXPECT_EQ(Font(1, 1).Bold().Italic().FlagsToText(), "bold italic");
	EXPECT_EQ(Font(1, 1).FlagsToText(), "");
	EXPECT_EQ(Font::FlagsFromText("italic 12 bold"), 0xC000);
	EXPECT_EQ(Font::FlagsFromText("strikeout, underline; 7 \"italic"), 0x3000);
	EXPECT_EQ(Font::FlagsFromText("noaa ttonly boldface"), 0xC00);
	EXPECT_EQ(Font::FlagsFromText(""), 0);
	for(int flags = 0; flags < 0x10000; flags += 0x400)
		EXPECT_EQ(Font::FlagsFromText(Font(1, 1).Flags(flags).FlagsToText()), flags);
	EXPECT_EQ(Font().ToString(), "<null>");
	EXPECT_EQ(Font(1, 13).Bold().Underline().ToString(), "<serif:13 Bold Underline>");
	EXPECT_EQ(StdFont().Italic().Strikeout().ToString(), "<STDFONT:12 Italic Strikeout>");
}

TEST(FontStore, FontAsValue)
{
	Font f = Font(3, 14).Bold();
	Value v = f;
	EXPECT_EQ(v.GetType(), dword(FONT_V));
	EXPECT_FALSE(v.IsRef());
	EXPECT_EQ(Font(v), f);
	EXPECT_EQ(v.ToText(), "<monospace:14 Bold>");
	EXPECT_EQ(v.GetHashValue(), f.GetHashValue());
	EXPECT_EQ(v, Value(Font(3, 14).Bold()));
	EXPECT_NE(v, Value(Font(3, 15).Bold()));
	EXPECT_TRUE(Value(Font()).IsNull());
	EXPECT_TRUE(Font(Value()).IsNull());
	// A representation holding a Font converts the same.
	Value rich = Value::MakeRich(f);
	EXPECT_EQ(Font(rich), f);
	EXPECT_TRUE(rich == v || !(rich == v)); // comparing across forms must not crash
	try {
		Font bad(Value(5));
		ADD_FAILURE();
	}
	catch(ValueTypeError& e) {
		EXPECT_EQ(e, "Invalid value conversion: int -> N3Qel4FontE");
		EXPECT_EQ(e.target, 40);
	}
	// Stored forms of the Value.
	StringStream ss;
	v.Serialize(ss);
	StringStream in(ss.GetResult());
	Value back;
	back.Serialize(in);
	EXPECT_EQ(Font(back), f);
	EXPECT_FALSE(back.IsRef());
	Value j = ValueToJson(v);
	Value jb;
	ValueFromJson(jb, j);
	EXPECT_EQ(Font(jb), f);
	EXPECT_EQ(Value::GetTypeByName("Font"), 40);
}
