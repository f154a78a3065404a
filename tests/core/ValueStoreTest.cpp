#include <Core/value/Value.h>
#include <Core/value/ValueArray.h>
#include <Core/types/Color.h>
#include <Core/value/Complex.h>
#include <Core/text/WString.h>
#include <Core/stream/StringStream.h>
#include <Core/exchange/Store.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

using namespace Qel;

namespace {

std::string Hex(const String& s)
{
	static const char* d = "0123456789ABCDEF";
	std::string r;
	for(int i = 0; i < s.GetLength(); i++) {
		if(i)
			r += ' ';
		r += d[byte(s[i]) >> 4];
		r += d[byte(s[i]) & 15];
	}
	return r;
}

String Bytes(std::initializer_list<int> b)
{
	String s;
	for(int c : b)
		s.Cat(char(c));
	return s;
}

String Stored(Value v)
{
	StringStream ss;
	v.Serialize(ss);
	return ss.GetResult();
}

// Loads in non-throwing mode; error tells whether the stream ended in error.
Value Loaded(const String& data, bool* error = nullptr)
{
	StringStream ss(data);
	ss.SetLoading();
	Value v = "previous";
	v.Serialize(ss);
	if(error)
		*error = ss.IsError();
	return v;
}

String Nested(int depth)
{
	String s;
	for(int i = 0; i < depth; i++)
		s << Bytes({ 0x0A, 0x02 }); // an array of one element
	s << Bytes({ 0x01 });
	return s;
}

} // namespace

TEST(ValueStore, ExactBytesAndRoundTrips)
{
	ValueArray three;
	for(int i = 1; i <= 3; i++)
		three.Add(i);
	ValueMap map;
	map.Add(1, "a");
	struct { Value v; const char* bytes; } cases[] = {
		{ Value(), "01" },
		{ String(), "04 00" },
		{ "ab", "04 02 61 62" },
		{ 5, "02 05 00 00 00" },
		{ INT_NULL, "02 00 00 00 80" },
		{ 1.5, "03 00 00 00 00 00 00 F8 3F" },
		{ Date(2024, 3, 5), "05 05 03 E8 07" },
		{ Time(2024, 3, 5, 1, 2, 3), "06 05 03 E8 07 01 02 03" },
		{ int64(-2), "0B FE FF FF FF FF FF FF FF" },
		{ true, "0C 01" },
		{ 2.0f, "0E 00 00 00 40" },
		{ three, "0A 04 02 01 00 00 00 02 02 00 00 00 02 03 00 00 00" },
		{ map, "0D 02 02 01 00 00 00 02 01 02 04 01 61" },
		{ Color(255, 0, 0), "28 FF 00 00 00" },
		{ Size(3, 4), "47 03 00 00 00 04 00 00 00" },
		{ Point(-1, 2), "4A FF FF FF FF 02 00 00 00" },
		{ Rect(1, 2, 3, 4), "4D 01 00 00 00 02 00 00 00 03 00 00 00 04 00 00 00" },
		{ Complex(1, -1), "15 00 00 00 00 00 00 F0 3F 00 00 00 00 00 00 F0 BF" },
	};
	for(auto& c : cases) {
		String s = Stored(c.v);
		EXPECT_EQ(Hex(s), c.bytes) << Hex(s);
		bool error;
		Value back = Loaded(s, &error);
		EXPECT_FALSE(error) << c.bytes;
		EXPECT_EQ(back.GetType(), c.v.GetType()) << c.bytes;
		EXPECT_TRUE(back == c.v) << c.bytes;
		EXPECT_EQ(Hex(Stored(back)), c.bytes);
	}
	// Heap types without an exact form above still come back whole.
	Value others[] = { WString("wide \u20AC"), Size64(3, 4), Sizef(0.5, 1), Point64(int64(1) << 40, 2),
	                   Pointf(0.5, 2), Rect64(0, 0, 10, 20), Rectf(0.1, 0.2, 0.3, 0.4), float(0.1f),
	                   std::nan(""), -0.0, Complex(0.1 + 0.2, 3) };
	for(const Value& v : others) {
		Value back = Loaded(Stored(v));
		EXPECT_EQ(back.GetType(), v.GetType()) << v.ToText().Begin();
		EXPECT_TRUE(back == v) << v.ToText().Begin();
		EXPECT_EQ(Stored(back), Stored(v));
	}
}

TEST(ValueStore, ErrorsAndUnknownTypes)
{
	bool error;
	// An error value has no payload and reads back as void without complaint.
	EXPECT_EQ(Hex(Stored(ErrorValue("x"))), "07");
	EXPECT_TRUE(Loaded(Bytes({ 0x07 }), &error).IsVoid());
	EXPECT_FALSE(error);
	// Bad type numbers, names without a factory, and truncated data are load errors.
	Value::AddTypeName(777, "NameOnly");
	String bad[] = {
		Bytes({ 0x00 }),
		Bytes({ 0xFF, 0x00, 0x00, 0x00, 0x08 }),
		Bytes({ 0xFF, 0x0A, 0x03, 0x00, 0x00 }), // 777 + 1
		Bytes({}),
		Bytes({ 0x02, 0x01 }),
		Bytes({ 0x0A }),
		Bytes({ 0x0A, 0x00 }), // a negative count
		Bytes({ 0x0A, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0x01 }), // a count far beyond the data
	};
	for(const String& s : bad) {
		Value v = Loaded(s, &error);
		EXPECT_TRUE(error) << Hex(s);
		EXPECT_NE(v.GetType(), STRING_V) << Hex(s);
		StringStream ss(s);
		ss.SetLoading();
		ss.LoadThrowing();
		Value w;
		EXPECT_THROW(w.Serialize(ss), LoadingError) << Hex(s);
	}
	EXPECT_TRUE(Loaded(bad[0]).IsVoid());
	EXPECT_TRUE(Loaded(bad[2]).IsVoid());

	// A type that nobody registered stores but does not load; the envelope rolls back.
	struct Carried { int x; };
	Value carried = Value::MakeRaw(Carried{ 1 });
	String env = StoreAsString(carried);
	Value target = 42;
	EXPECT_FALSE(LoadFromString(target, env));
	EXPECT_EQ(target, Value(42));
}

TEST(ValueStore, EnvelopeAndRollback)
{
	Value v = 5;
	String env = StoreAsString(v);
	EXPECT_EQ(Hex(env), "64 61 74 61 02 05 00 00 00 65 6E 64 00 0D 00 00 00");
	Value w;
	EXPECT_TRUE(LoadFromString(w, env));
	EXPECT_EQ(w, Value(5));
	Value keep = "kept";
	EXPECT_FALSE(LoadFromString(keep, env.Left(env.GetLength() - 6)));
	EXPECT_EQ(keep, Value("kept"));
}

TEST(ValueStore, NestingLimit)
{
	bool error;
	Value v = Loaded(Nested(VALUE_NESTING_LIMIT), &error);
	EXPECT_FALSE(error);
	int depth = 0;
	for(Value x = v; x.GetType() == VALUEARRAY_V; x = Value(x[0]))
		depth++;
	EXPECT_EQ(depth, VALUE_NESTING_LIMIT);
	EXPECT_EQ(Hex(Stored(v)), Hex(Nested(VALUE_NESTING_LIMIT)));
	Loaded(Nested(VALUE_NESTING_LIMIT + 1), &error);
	EXPECT_TRUE(error);
	// Far deeper input fails the same way instead of exhausting the stack.
	Loaded(Nested(200000), &error);
	EXPECT_TRUE(error);
	Value keep = 1;
	StringStream ss(Nested(100000));
	ss.SetLoading();
	ss.LoadThrowing();
	EXPECT_THROW(keep.Serialize(ss), LoadingError);
	// Maps count too: a key that is itself a deep array.
	String m = Bytes({ 0x0D, 0x02 }) + Nested(600);
	Loaded(m, &error);
	EXPECT_TRUE(error);
}

TEST(ValueStore, MapKeyForms)
{
	bool error;
	// Format 2 with key 0 listed as removed: the key stays in place but is no longer found.
	String f2 = Bytes({ 0x0D, 0x03, 0x02, 1, 0, 0, 0, 0x02, 2, 0, 0, 0, 0x02, 0x02, 0, 0, 0, 0,
	                    0x03, 0x04, 1, 'a', 0x04, 1, 'b' });
	Value m = Loaded(f2, &error);
	ASSERT_FALSE(error);
	ASSERT_EQ(m.GetType(), VALUEMAP_V);
	EXPECT_TRUE(m[Value(1)].IsNull());
	EXPECT_EQ(m[Value(2)], Value("b"));
	EXPECT_EQ(m[0], Value("a"));
	// It stores back in the same form.
	EXPECT_EQ(Hex(Stored(m)), Hex(f2));
	// Format 1: one hash word per key, bit 31 marks the removed ones.
	String f1 = Bytes({ 0x0D, 0x03, 0x02, 1, 0, 0, 0, 0x02, 2, 0, 0, 0, 0x01, 0x03, 0, 0, 0, 0, 0, 0, 0, 0x80,
	                    0x03, 0x04, 1, 'a', 0x04, 1, 'b' });
	m = Loaded(f1, &error);
	ASSERT_FALSE(error);
	EXPECT_EQ(m[Value(1)], Value("a"));
	EXPECT_TRUE(m[Value(2)].IsNull());
	// A listed position outside the keys, an unknown format, or unequal counts are load errors.
	String bad[] = {
		Bytes({ 0x0D, 0x02, 0x02, 1, 0, 0, 0, 0x02, 0x02, 5, 0, 0, 0, 0x02, 0x04, 1, 'a' }),
		Bytes({ 0x0D, 0x02, 0x02, 1, 0, 0, 0, 0x07, 0x02, 0x04, 1, 'a' }),
		Bytes({ 0x0D, 0x02, 0x02, 1, 0, 0, 0, 0x02, 0x01, 0x01 }),
	};
	for(const String& s : bad) {
		Loaded(s, &error);
		EXPECT_TRUE(error) << Hex(s);
	}
}

TEST(ValueStore, BoolLoadsAnyNonZeroByte)
{
	Value v = Loaded(Bytes({ 0x0C, 0x07 }));
	EXPECT_EQ(v, Value(true));
	EXPECT_EQ(Hex(Stored(v)), "0C 01");
}

TEST(ValueStore, ColorShortRead)
{
	bool error;
	Value v = Loaded(Bytes({ 0x28, 0x01, 0x02 }), &error);
	EXPECT_TRUE(error);
	EXPECT_EQ(v.GetType(), COLOR_V);
	EXPECT_TRUE(v.IsNull());
}
