#include <Core/Core.h>

#include <gtest/gtest.h>

#include <cmath>

using namespace Qel;

namespace {

template <class T>
Value sStore(T x)
{
	JsonIO io;
	Jsonize(io, x);
	return io.GetResult();
}

template <class T>
T sLoad(const Value& v, T init = T())
{
	JsonIO io(v);
	Jsonize(io, init);
	return init;
}

template <class T>
String sLoadError(const Value& v)
{
	T x{};
	try {
		JsonIO io(v);
		Jsonize(io, x);
	}
	catch(JsonizeError& e) {
		return e;
	}
	return "no error";
}

const double sInf = std::numeric_limits<double>::infinity();

struct Item {
	String name;
	int    count = 0;
	Vector<double> values;
	void Jsonize(JsonIO& io) { io("name", name)("count", count)("values", values); }
	bool operator==(const Item& b) const { return name == b.name && count == b.count && values == b.values; }
};

struct Doc {
	String  text;
	WString wide;
	double  d = 0;
	int     i = 0;
	int16   s = 0;
	int64   l = 0;
	bool    b = false;
	Date    date;
	Time    time;
	Array<Item> items;
	VectorMap<String, int> counts;
	VectorMap<int, String> names;
	Index<int> set;
	Item    head;

	void Jsonize(JsonIO& io)
	{
		io("text", text)("wide", wide)("d", d)("i", i)("s", s)("l", l)("b", b)("date", date)
		  ("time", time)("items", items)("counts", counts)("names", names)("set", set)("head", head);
	}
};

} // namespace

TEST(Jsonize, StoredForms)
{
	EXPECT_EQ(sStore(1.5).GetType(), DOUBLE_V);
	EXPECT_TRUE(IsNull(sStore(-sInf).ToDouble()));
	EXPECT_EQ(sStore(7).GetType(), DOUBLE_V);
	EXPECT_TRUE(sStore(INT_NULL).IsNull());
	EXPECT_EQ(sStore(int16(-3)), Value(-3.0));
	EXPECT_EQ(sStore(true), Value(true));
	EXPECT_EQ(sStore(int64(42)).GetType(), INT64_V);
	int64 big = (int64(1) << 53) + 1;
	EXPECT_EQ(sStore(big), Value("9007199254740993"));
	EXPECT_EQ(sStore(-(int64(1) << 53)).GetType(), INT64_V);
	EXPECT_EQ(sStore(int64(1) << 53).GetType(), STRING_V);
	Value n = sStore(INT64_NULL);
	EXPECT_EQ(n.GetType(), INT_V);
	EXPECT_TRUE(n.IsNull());
	EXPECT_EQ(sStore(Date(5, 1, 2)), Value("0005-01-02"));
	EXPECT_EQ(sStore(Time(2024, 2, 29, 13, 4, 5)), Value("2024-02-29T13:04:05"));
	EXPECT_EQ(sStore(Date()).GetType(), INT_V);
	EXPECT_EQ(sStore(String("x")), Value("x"));
	EXPECT_EQ(sStore(ToUtf32("x")).GetType(), WSTRING_V);
}

TEST(Jsonize, Loading)
{
	EXPECT_EQ(sLoad<int>(Value(3.0)), 3);
	EXPECT_EQ(sLoad<int>(Value("42")), 42);
	EXPECT_EQ(sLoad<int>(Value(int64(-5))), -5);
	EXPECT_TRUE(IsNull(sLoad<int>(Value())));
	EXPECT_TRUE(IsNull(sLoad<int>(Value(""))));
	EXPECT_EQ(sLoad<double>(Value(2.5f)), 2.5);
	EXPECT_EQ(sLoad<double>(Value(true)), 1);
	EXPECT_EQ(sLoad<double>(Value(ToUtf32("1.25"))), 1.25);
	EXPECT_EQ(sLoad<int16>(Value(-32768.0)), -32768);
	EXPECT_TRUE(sLoad<bool>(Value(2)));
	EXPECT_FALSE(sLoad<bool>(Value(0.0), true));
	EXPECT_EQ(sLoad<int64>(Value(3.9)), 3);
	EXPECT_EQ(sLoad<int64>(Value("9007199254740993")), 9007199254740993LL);
	EXPECT_EQ(sLoad<int64>(Value(7)), 7);
	EXPECT_TRUE(IsNull(sLoad<int64>(Value())));
	EXPECT_EQ(sLoad<Date>(Value("2024-02-29")), Date(2024, 2, 29));
	EXPECT_EQ(sLoad<Date>(Value("20240229")), Date(2024, 2, 29));
	EXPECT_TRUE(sLoad<Date>(Value(), Date(2000, 1, 1)).IsNull());
	EXPECT_EQ(sLoad<Time>(Value("2024-02-29T13:04:05")), Time(2024, 2, 29, 13, 4, 5));
	EXPECT_EQ(sLoad<Time>(Value("20240229130405")), Time(2024, 2, 29, 13, 4, 5));
	EXPECT_EQ(sLoad<Time>(Value("2024/02/29 13:04:05")), Time(2024, 2, 29, 13, 4, 5));
	EXPECT_EQ(sLoad<Time>(Value("2024/02/29 13:04")), Time(2024, 2, 29, 13, 4, 0));
	EXPECT_EQ(sLoad<String>(Value()), "");
	EXPECT_EQ(sLoad<String>(Value(ToUtf32("\xc3\xa9"))), "\xc3\xa9");
	EXPECT_EQ(sLoad<WString>(Value("\xc3\xa9")), ToUtf32("\xc3\xa9"));
}

TEST(Jsonize, Errors)
{
	struct Case { String error, expected; };
	ValueMap map;
	map.Add("a", 1);
	Case cases[] = {
		{ sLoadError<double>(Value("abc")), "number expected" },
		{ sLoadError<double>(Value(map)), "number expected" },
		{ sLoadError<int>(Value(3.5)), "number is not integer" },
		{ sLoadError<int>(Value(4294967296.0)), "number is not integer" },
		{ sLoadError<int>(Value("x")), "number expected" },
		{ sLoadError<int16>(Value(32768.0)), "16-bit integer expected" },
		{ sLoadError<int16>(Value()), "16-bit integer expected" },
		{ sLoadError<int16>(Value("x")), "16-bit integer expected" },
		{ sLoadError<bool>(Value("true")), "boolean expected" },
		{ sLoadError<bool>(Value()), "boolean expected" },
		{ sLoadError<int64>(Value("x12")), "invalid int64 value" },
		{ sLoadError<int64>(Value(1e19)), "invalid int64 value" },
		{ sLoadError<int64>(Value(map)), "invalid int64 value" },
		{ sLoadError<Date>(Value("2023-02-29")), "string expected for Date value" },
		{ sLoadError<Date>(Value(20240101)), "string expected for Date value" },
		{ sLoadError<Date>(Value("2024-01")), "string expected for Date value" },
		{ sLoadError<Time>(Value("2024-01-01T24:00:00")), "string expected for Time value" },
		{ sLoadError<Time>(Value("2024-01-01T23:00:60")), "string expected for Time value" },
		{ sLoadError<Time>(Value("2024-01-01")), "string expected for Time value" },
		{ sLoadError<String>(Value(1)), "string expected" },
		{ sLoadError<WString>(Value(1.0)), "string expected" },
	};
	for(const Case& c : cases)
		EXPECT_EQ(c.error, c.expected);
}

TEST(Jsonize, StructureRoundTrip)
{
	Doc d;
	d.text = "t";
	d.wide = ToUtf32("\xe4\xb8\x80");
	d.d = 0.1;
	d.i = -7;
	d.s = 300;
	d.l = -(int64(1) << 62);
	d.b = true;
	d.date = Date(2024, 2, 29);
	d.time = Time(1970, 1, 1, 0, 0, 1);
	d.items.Add(Item{ "a", 1, { 1.5, 2 } });
	d.items.Add(Item{ "b", 2, {} });
	d.counts.Add("x", 1);
	d.counts.Add("y", 2);
	d.names.Add(3, "three");
	d.set.Add(5);
	d.set.Add(6);
	d.head = Item{ "h", 9, { 3 } };

	JsonIO store;
	d.Jsonize(store);
	Value v = store.GetResult();
	EXPECT_EQ(v.GetType(), VALUEMAP_V);
	EXPECT_EQ(v["counts"]["y"], Value(2.0));

	Doc e;
	JsonIO load(v);
	e.Jsonize(load);
	EXPECT_EQ(e.text, d.text);
	EXPECT_EQ(e.wide, d.wide);
	EXPECT_EQ(e.d, d.d);
	EXPECT_EQ(e.i, d.i);
	EXPECT_EQ(e.s, d.s);
	EXPECT_EQ(e.l, d.l);
	EXPECT_EQ(e.b, d.b);
	EXPECT_EQ(e.date, d.date);
	EXPECT_EQ(e.time, d.time);
	EXPECT_TRUE(e.items == d.items);
	EXPECT_TRUE(e.counts == d.counts);
	EXPECT_TRUE(e.names == d.names);
	EXPECT_EQ(e.set.GetKeys(), d.set.GetKeys());
	EXPECT_TRUE(e.head == d.head);
}

TEST(Jsonize, MissingAndFailingMembers)
{
	ValueMap m;
	m.Add("name", "n");
	m.Add("count", 2.5);
	Item it{ "old", 5, { 1 } };
	Value mv(m);
	try {
		JsonIO io(mv);
		it.Jsonize(io);
		FAIL();
	}
	catch(JsonizeError& e) {
		EXPECT_EQ(e, "number is not integer");
	}
	EXPECT_EQ(it.count, 5);   // the failing member keeps its value
	EXPECT_EQ(it.values.GetCount(), 1); // the absent one too
	ValueMap e;
	e.Add("count", ErrorValue("x"));
	Value ev(e);
	JsonIO io(ev);
	it.Jsonize(io);
	EXPECT_EQ(it.count, 5);
	// a source that is no object leaves every member alone
	Value three(3);
	JsonIO nio(three);
	it.Jsonize(nio);
	EXPECT_EQ(it.name, "n");
}
