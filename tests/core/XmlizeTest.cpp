#include <Core/Core.h>

#include <gtest/gtest.h>

using namespace Qel;

namespace {

template <class T>
T sLoadAttr(const char* text)
{
	T x;
	AttrTextLoad(x, String(text));
	return x;
}

struct Point3 {
	int    x = 0, y = 0;
	String name;
	void Xmlize(XmlIO& xml) { xml.Attr("x", x).Attr("y", y)("name", name); }
	bool operator==(const Point3& b) const { return x == b.x && y == b.y && name == b.name; }
};

struct Record {
	String         text;
	WString        wide;
	int            i = 0;
	int16          s = 0;
	int64          l = 0;
	float          f = 0;
	double         d = 0;
	bool           b = false;
	Date           date;
	Time           time;
	Vector<int>    ints;
	Array<Point3>  points;
	Index<String>  keys;
	VectorMap<String, double> map;
	Point3         origin;

	void Xmlize(XmlIO& xml)
	{
		xml.Attr("text", text).Attr("wide", wide).Attr("i", i).Attr("s", s).Attr("l", l)
		   .Attr("f", f).Attr("d", d).Attr("b", b).Attr("date", date).Attr("time", time)
		   ("ints", ints)("points", points)("keys", keys)("map", map)("origin", origin);
	}
};

} // namespace

TEST(Xmlize, AttrTextForms)
{
	EXPECT_EQ(sLoadAttr<int>("-17"), -17);
	EXPECT_TRUE(IsNull(sLoadAttr<int>("abc")));
	EXPECT_TRUE(IsNull(sLoadAttr<int>("")));
	EXPECT_EQ(AttrTextStore(INT_NULL), "");
	EXPECT_EQ(AttrTextStore(-17), "-17");
	EXPECT_EQ(sLoadAttr<int16>("70000"), int16(70000));
	EXPECT_EQ(AttrTextStore(int16(-5)), "-5");
	EXPECT_EQ(sLoadAttr<int64>("-9007199254740993"), -9007199254740993LL);
	EXPECT_EQ(AttrTextStore(INT64_NULL), "");
	EXPECT_EQ(sLoadAttr<float>("1,5"), 1.5f);
	EXPECT_TRUE(IsNull(sLoadAttr<double>("x")));
	EXPECT_EQ(sLoadAttr<double>(AttrTextStore(0.1)), 0.1);
	EXPECT_TRUE(sLoadAttr<bool>("1"));
	EXPECT_FALSE(sLoadAttr<bool>("true"));
	EXPECT_EQ(AttrTextStore(true), "1");
	EXPECT_EQ(AttrTextStore(false), "0");
	EXPECT_EQ(sLoadAttr<WString>("\xc3\xa9"), ToUtf32("\xc3\xa9"));
}

TEST(Xmlize, Dates)
{
	EXPECT_EQ(AttrTextStore(Date(5, 3, 7)), "00050307");
	EXPECT_EQ(AttrTextStore(Time(2024, 12, 31, 23, 59, 58)), "20241231T23:59:58");
	EXPECT_EQ(AttrTextStore(Date()), "");
	EXPECT_EQ(AttrTextStore(Time()), "");
	struct Case { const char* text; bool ok; };
	Case dates[] = {
		{ "20240229", true }, { "20230229", false }, { "21000229", false }, { "20000229", true },
		{ "2024013", true }, { "202401", false }, { "20241301", false }, { "20240100", false },
		{ "abcd0101", false }, { "2024xx01", false },
	};
	for(const Case& c : dates)
		EXPECT_EQ(!sLoadAttr<Date>(c.text).IsNull(), c.ok) << c.text;
	EXPECT_EQ(sLoadAttr<Date>("2024013"), Date(2024, 1, 3));
	Case times[] = {
		{ "20240229T23:59:59", true }, { "20240229T24:00:00", false }, { "20240229T23:60:00", false },
		{ "20240229T23:00:60", false }, { "20240229T23:00", false }, { "20230229T10:00:00", false },
	};
	for(const Case& c : times)
		EXPECT_EQ(!sLoadAttr<Time>(c.text).IsNull(), c.ok) << c.text;
	EXPECT_EQ(sLoadAttr<Time>("20240229T23:59:59"), Time(2024, 2, 29, 23, 59, 59));
}

TEST(Xmlize, StructureRoundTrip)
{
	Record r;
	r.text = "a<b>&\"c\"";
	r.wide = ToUtf32("\xc3\xa9\xe4\xb8\x80");
	r.i = -17;
	r.s = -300;
	r.l = 1LL << 60;
	r.f = 2.5f;
	r.d = 0.1; // 15 significant digits: exact for short decimals only
	r.b = true;
	r.date = Date(1999, 12, 31);
	r.time = Time(2000, 2, 29, 1, 2, 3);
	r.ints = { 1, 2, 3 };
	r.points.Add(Point3{ 1, 2, "p" });
	r.points.Add(Point3{ 3, 4, "" });
	r.keys.Add("k1");
	r.keys.Add("k2");
	r.map.Add("m", 1.5);
	r.map.Add("n", -2);
	r.origin = Point3{ 7, 8, "o" };

	XmlNode root;
	XmlIO store(root, false);
	r.Xmlize(store);
	EXPECT_EQ(root["points"].GetCount(), 2);

	Record q;
	q.ints = { 9 };
	XmlIO load(root, true);
	q.Xmlize(load);
	EXPECT_EQ(q.text, r.text);
	EXPECT_EQ(q.wide, r.wide);
	EXPECT_EQ(q.i, r.i);
	EXPECT_EQ(q.s, r.s);
	EXPECT_EQ(q.l, r.l);
	EXPECT_EQ(q.f, r.f);
	EXPECT_EQ(q.d, r.d);
	EXPECT_EQ(q.b, r.b);
	EXPECT_EQ(q.date, r.date);
	EXPECT_EQ(q.time, r.time);
	EXPECT_EQ(q.ints, r.ints);
	EXPECT_TRUE(q.points == r.points);
	EXPECT_EQ(q.keys.GetKeys(), r.keys.GetKeys());
	EXPECT_TRUE(q.map == r.map);
	EXPECT_TRUE(q.origin == r.origin);
}

TEST(Xmlize, LoadingFromParsedText)
{
	XmlNode n = ParseXmlTree("<r x='-3' y='x'><name> ignored </name><name>p</name></r>");
	Point3 p;
	p.y = 5;
	XmlIO xml(n.At(0), true);
	p.Xmlize(xml);
	EXPECT_EQ(p.x, -3);
	EXPECT_TRUE(IsNull(p.y));
	EXPECT_EQ(p.name, " ignored ");
	// a missing child leaves the member alone; a missing attribute reads as Null
	XmlNode e = ParseXmlTree("<r/>");
	Point3 k{ 1, 2, "keep" };
	XmlIO ex(e.At(0), true);
	k.Xmlize(ex);
	EXPECT_EQ(k.name, "keep");
	EXPECT_TRUE(IsNull(k.x));
}

TEST(Xmlize, UserDataTravels)
{
	XmlNode n;
	XmlIO xml(n, false, Value(42));
	XmlIO c = xml.Add("c");
	EXPECT_EQ(c.GetUserData(), Value(42));
	EXPECT_TRUE(c.IsStoring());
}
