#include <Core/Core.h>
#include <Core/value/Complex.h>
#include <Core/xml/XmlParser.h>
#include <Core/exchange/Xmlize.h>
#include <Core/exchange/Jsonize.h>

#include <gtest/gtest.h>

#include <limits>
#include <string>

using namespace Qel;

namespace {

std::string Text(const String& s)
{
	return std::string(~s, s.GetLength());
}

XmlNode ToXml(const Value& v)
{
	XmlNode n;
	XmlIO io(n, false);
	Value(v).Xmlize(io);
	return n;
}

Value FromXml(XmlNode& n, Value v = Value())
{
	XmlIO io(n, true);
	v.Xmlize(io);
	return v;
}

template <class E, class F>
std::string ErrorOf(F f)
{
	try {
		f();
	}
	catch(const E& e) {
		return Text(e);
	}
	return "no error";
}

struct Carried {
	int x;
};

Value Sample()
{
	ValueArray a;
	a.Add(1);
	a.Add("a");
	a.Add(Value());
	a.Add(0.1 + 0.2);
	a.Add(float(0.1f) * 3);
	ValueMap m;
	m.Add(1, "one");
	m.Add("k", a);
	m.Add(Date(2024, 2, 29), Time(2024, 2, 29, 23, 59, 58));
	m.Add(true, int64(1) << 60);
	m.Add(Color(1, 2, 3), Size(3, 4));
	m.Add(Point(-1, 2), Rect(1, 2, 3, 4));
	m.Add(Pointf(0.5, 1e-300), Rectf(0.1, 0.2, 0.3, 0.4));
	m.Add(Size64(1, 2), Point64(3, int64(1) << 50));
	m.Add(Sizef(1.5, 2), Rect64(-1, -2, 3, int64(1) << 62));
	m.Add(WString("wide \u20AC"), Complex(0.1, -3));
	m.Add(ValueMap(), ValueArray());
	return m;
}

} // namespace

TEST(ValueXml, Forms)
{
	XmlNode n = ToXml(5);
	EXPECT_EQ(Text(n.Attr("type")), "int");
	EXPECT_EQ(Text(n.Attr("value")), "5");
	n = ToXml("ab");
	EXPECT_EQ(Text(n.Attr("type")), "String");
	EXPECT_EQ(Text(n.GatherText()), "ab");
	n = ToXml(ErrorValue("x")); // written as the int Null
	EXPECT_EQ(Text(n.Attr("type")), "int");
	EXPECT_EQ(FromXml(n), Value(INT_NULL));
	n = ToXml(Color(1, 2, 3));
	EXPECT_EQ(Text(n.Attr("red")), "1");
	EXPECT_EQ(Text(n.Attr("blue")), "3");
	n = ToXml(Size64(3, 4));
	EXPECT_EQ(Text(n.Attr("cx")), "3");
	EXPECT_EQ(Text(n.Attr("cy")), "4");

	XmlNode none;
	EXPECT_TRUE(FromXml(none, 7).IsVoid());
	XmlNode bad;
	bad.SetAttr("type", "NoSuchType");
	EXPECT_EQ(ErrorOf<XmlError>([&] { FromXml(bad); }), "invalid Value type");
}

TEST(ValueXml, RoundTrips)
{
	Value v = Sample();
	XmlNode n = ToXml(v);
	Value back = FromXml(n);
	EXPECT_TRUE(back == v);
	// (A loaded empty map is an empty map, no longer the shared Null one, so the texts differ.)
	// Exactly: 0.1 + 0.2 is not the double that 15 digits give.
	EXPECT_EQ(back["k"][3].To<double>(), 0.1 + 0.2);
	EXPECT_EQ(back["k"][4].To<float>(), float(0.1f) * 3);
	for(double d : { 0.1, 1.0 / 3, 1e300, 5e-324, -0.0, 123456789012345678.0 }) {
		XmlNode x = ToXml(d);
		EXPECT_EQ(FromXml(x).To<double>(), d);
	}
	XmlNode plain = ToXml(0.5);
	EXPECT_EQ(Text(plain.Attr("value")), "0.5");
}

TEST(ValueXml, UnnamedTypesTravelAsHex)
{
	Value carried = Value::MakeRaw(Carried{ 1 });
	XmlNode n = ToXml(carried);
	EXPECT_EQ(Text(n.Attr("type")), "serialized_binary");
	EXPECT_EQ(Text(n.GatherText()).substr(0, 8), "64617461");
	// It does not load back (no factory): the target keeps what it held.
	EXPECT_EQ(FromXml(n, 42), Value(42));
	// A named type written as hex by hand loads through the envelope.
	XmlNode h;
	h.SetAttr("type", "serialized_binary");
	h.AddText(String("64 61 74 61 02 05 00 00 00 65 6e 64 00 0d 00 00 00"));
	EXPECT_EQ(FromXml(h), Value(5));
}

TEST(ValueXml, MapFromTextWithCommentsBetweenItems)
{
	const char* text = "<v type=\"ValueMap\"><key type=\"int\" value=\"1\"/><key type=\"int\" value=\"2\"/>"
	                   "<item type=\"String\">a</item><!-- note -->text<item type=\"String\">b</item></v>";
	XmlNode doc = ParseXmlTree(text);
	XmlNode& v = doc.At(doc.FindTag("v"));
	Value m = FromXml(v);
	ASSERT_EQ(m.GetType(), VALUEMAP_V);
	EXPECT_EQ(m[Value(1)], Value("a"));
	EXPECT_EQ(m[Value(2)], Value("b"));
	// A text between two keys ends the key list.
	XmlNode doc2 = ParseXmlTree("<v type=\"ValueMap\"><key type=\"int\" value=\"1\"/>x<key type=\"int\" value=\"2\"/>"
	                            "<item type=\"int\" value=\"7\"/></v>");
	Value m2 = FromXml(doc2.At(doc2.FindTag("v")));
	EXPECT_EQ(m2[Value(1)], Value(7));
	EXPECT_TRUE(m2[Value(2)].IsNull());
}

TEST(ValueXml, ColourComponentsClamp)
{
	XmlNode n;
	n.SetAttr("type", "Color").SetAttr("red", "300").SetAttr("green", "-5").SetAttr("blue", "7");
	EXPECT_EQ(FromXml(n), Value(Color(255, 0, 7)));
	XmlNode null;
	null.SetAttr("type", "Color");
	EXPECT_TRUE(FromXml(null).IsNull());
	EXPECT_EQ(FromXml(null).GetType(), COLOR_V);
	XmlNode stored = ToXml(Color());
	EXPECT_TRUE(FromXml(stored).To<Color>().IsNull());
}

TEST(ValueXml, NestingLimit)
{
	XmlNode root;
	XmlNode* n = &root;
	for(int i = 0; i < VALUE_NESTING_LIMIT + 10; i++) {
		n->SetAttr("type", "ValueArray");
		n = &n->AddTag("item");
	}
	n->SetAttr("type", "int").SetAttr("value", "1");
	EXPECT_EQ(ErrorOf<XmlError>([&] { FromXml(root); }), "Value nesting too deep");
}

TEST(ValueJson, Forms)
{
	EXPECT_EQ(ValueToJson(Value()), Value(INT_NULL));
	EXPECT_EQ(ValueToJson(String()).GetType(), INT_V);
	EXPECT_EQ(ValueToJson(ValueArray()).GetType(), INT_V);
	Value five = ValueToJson(5);
	ASSERT_EQ(five.GetType(), VALUEMAP_V);
	EXPECT_EQ(five["type"], Value("int"));
	EXPECT_EQ(five["value"], Value(5));
	EXPECT_EQ(Text(five.ToText()), "{ type: int, value: 5 }");
	EXPECT_EQ(ValueToJson(1.5f)["value"].GetType(), FLOAT_V);
	Value red = ValueToJson(Color(255, 0, 0))["value"];
	EXPECT_EQ(red["red"], Value(255));
	Value c = ValueToJson(Complex(1, 2))["value"];
	EXPECT_EQ(c["imag"], Value(2));
	Value pairs = ValueToJson(Sample())["value"];
	ASSERT_EQ(pairs.GetType(), VALUEARRAY_V);
	EXPECT_EQ(pairs[0]["key"]["type"], Value("int"));

	Value v = 9;
	ValueFromJson(v, Value());
	EXPECT_EQ(v.GetType(), INT_V);
	EXPECT_TRUE(v.IsNull());
}

TEST(ValueJson, RoundTripsAndErrors)
{
	Value v = Sample();
	Value back;
	ValueFromJson(back, ValueToJson(v));
	EXPECT_TRUE(back == v);
	EXPECT_EQ(Text(back.ToText()), Text(v.ToText()));
	EXPECT_EQ(back["k"][3].To<double>(), 0.1 + 0.2);

	Value carried = Value::MakeRaw(Carried{ 1 });
	Value j = ValueToJson(carried);
	EXPECT_EQ(j["type"], Value("serialized_binary"));
	Value keep = 42;
	ValueFromJson(keep, j);
	EXPECT_EQ(keep, Value(42));

	auto obj = [](Value type, Value value) {
		ValueMap m;
		m.Add("type", type);
		m.Add("value", value);
		return Value(m);
	};
	struct { Value json; const char* error; } bad[] = {
		{ obj("String", 5), "serialized_binary Error" },
		{ obj("serialized_binary", 5), "serialized_binary Error" },
		{ obj("NoSuchType", 5), "invalid Value type" },
		{ obj(5, 5), "invalid Value type" },
		{ Value(5), "invalid Value type" },
		{ obj("WString", 5), "string expected" },
		{ obj("float", "abc"), "number expected" },
	};
	for(auto& b : bad)
		EXPECT_EQ(ErrorOf<JsonizeError>([&] { Value x; ValueFromJson(x, b.json); }), b.error) << b.error;
	Value f;
	ValueFromJson(f, obj("float", "2.5"));
	EXPECT_EQ(f, Value(2.5f));
	Value col;
	ValueFromJson(col, obj("Color", ValueToJson(Color(1, 2, 3))["value"]));
	EXPECT_EQ(col, Value(Color(1, 2, 3)));
}

TEST(ValueJson, NestingLimit)
{
	Value tree = ValueToJson(5);
	for(int i = 0; i < VALUE_NESTING_LIMIT + 10; i++) {
		ValueArray a;
		a.Add(tree);
		ValueMap m;
		m.Add("type", "ValueArray");
		m.Add("value", a);
		tree = m;
	}
	EXPECT_EQ(ErrorOf<JsonizeError>([&] { Value x; ValueFromJson(x, tree); }), "Value nesting too deep");
}
