#include <Core/value/Value.h>
#include <Core/value/ValueArray.h>
#include <Core/text/WString.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace Qel;

namespace {

const double inf = std::numeric_limits<double>::infinity();

std::string Text(const String& s)
{
	return std::string(~s, s.GetLength());
}

template <class F>
std::string TypeError(F f)
{
	try {
		f();
	}
	catch(const ValueTypeError& e) {
		return Text(e);
	}
	return "no error";
}

dword Tail(const Value& v)
{
	dword w;
	memcpy(&w, reinterpret_cast<const char*>(&v) + 12, 4);
	return w;
}

} // namespace

TEST(Value, Layout)
{
	static_assert(sizeof(Value) == 16);
	Value v;
	EXPECT_EQ(Tail(v), 0x300u);
	EXPECT_EQ(v.GetType(), VOID_V);
	EXPECT_EQ(Tail(Value(1)), 0x100u);
	EXPECT_EQ(Tail(Value(1.5)), 0x200u);
	EXPECT_EQ(Tail(Value(Date(2024, 3, 5))), 0x400u);
	Value a = ValueArray();
	EXPECT_EQ(Tail(a), 0xFF00u);
	EXPECT_EQ(Tail(Value(String())), 0u);
	int x;
	Value m7(-7);
	memcpy(&x, &m7, 4);
	EXPECT_EQ(x, -7);
	// Texts of every storage form are type 3.
	EXPECT_EQ(Value("").GetType(), STRING_V);
	EXPECT_EQ(Value("fourteen chars").GetType(), STRING_V);
	EXPECT_EQ(Value("a text that is clearly longer than thirty-one characters").GetType(), STRING_V);
	EXPECT_EQ(Value("thirteen char").GetType(), STRING_V);
}

TEST(Value, TypesAndNames)
{
	EXPECT_EQ(Value(1).GetType(), INT_V);
	EXPECT_EQ(Value(int64(1)).GetType(), INT64_V);
	EXPECT_EQ(Value(1.0f).GetType(), FLOAT_V);
	EXPECT_EQ(Value(true).GetType(), BOOL_V);
	EXPECT_EQ(Value(Time(2024, 1, 1)).GetType(), TIME_V);
	EXPECT_EQ(Value(WString("w")).GetType(), WSTRING_V);
	EXPECT_EQ(Value(ValueMap()).GetType(), VALUEMAP_V);
	EXPECT_EQ(ErrorValue("x").GetType(), ERROR_V);
	EXPECT_EQ(Text(Value(1).GetTypeName()), "int");
	EXPECT_EQ(Text(Value().GetTypeName()), "void");
	EXPECT_EQ(Text(Value("a").GetTypeName()), "String");
	EXPECT_EQ(Text(Value(WString("a")).GetTypeName()), "N3Qel12RichValueRepINS_7WStringEEE");
	Value::RegisterStd();
	EXPECT_EQ(Value::GetTypeByName("ValueMap"), VALUEMAP_V);
	EXPECT_EQ(Value::GetTypeByName("int64"), INT64_V);
	EXPECT_EQ(Value::GetTypeByName("no such type"), INT_NULL);
	EXPECT_EQ(Text(Value::GetRegisteredName(ERROR_V)), "error");
	EXPECT_EQ(Text(Value::GetRegisteredName(12345)), "");
	ASSERT_TRUE(Value::GetFactory(VALUEARRAY_V));
	Value::Void* rep = Value::GetFactory(VALUEARRAY_V)();
	EXPECT_TRUE(rep->IsNull());
	rep->Release();
}

TEST(Value, RegisterKeepsFirstFactory)
{
	auto f1 = []() -> Value::Void* { return new RawValueRep<int>(1); };
	auto f2 = []() -> Value::Void* { return new RawValueRep<int>(2); };
	Value::Register(0x7654321, f1, "FirstTestType");
	Value::Register(0x7654321, f2, "SecondTestType");
	EXPECT_EQ(Value::GetFactory(0x7654321), +f1);
	EXPECT_EQ(Value::GetTypeByName("SecondTestType"), 0x7654321);
	EXPECT_EQ(Text(Value::GetRegisteredName(0x7654321)), "FirstTestType");
}

TEST(Value, NullRules)
{
	Value nulls[] = { Value(), Value(""), Value(INT_NULL), Value(INT64_NULL),
	                  Value(-inf), Value(std::nan("")), Value(-std::numeric_limits<float>::infinity()),
	                  Value(Date()), Value(Time()), ErrorValue("oops"), Value(ValueArray()), Value(ValueMap()),
	                  Value(WString()) };
	for(const Value& a : nulls) {
		EXPECT_TRUE(a.IsNull()) << Text(a.GetTypeName());
		EXPECT_EQ(a.GetHashValue(), 0u) << Text(a.GetTypeName());
		EXPECT_EQ(Text(a.ToText()), "");
		for(const Value& b : nulls) {
			EXPECT_TRUE(a == b) << Text(a.GetTypeName()) << " " << Text(b.GetTypeName());
			EXPECT_EQ(a.Compare(b), 0);
		}
		EXPECT_EQ(a.Compare(Value(-1e300)), -1);
		EXPECT_EQ(Value("").Compare(a), 0);
		EXPECT_EQ(Value(false).Compare(a), 1);
	}
	EXPECT_FALSE(Value(false).IsNull());
	EXPECT_FALSE(Value(0).IsNull());
	// Null dates with different leftover bytes are still equal, also on the compare fast path.
	Date d1, d2;
	d1.day = 3;
	EXPECT_EQ(Value(d1).Compare(Value(d2)), 0);
	Time t1, t2;
	t1.hour = 5;
	EXPECT_EQ(Value(t1).Compare(Value(t2)), 0);
	EXPECT_TRUE(Value(t1) == Value(t2));
}

TEST(Value, CrossTypeEqualityAndHash)
{
	Value five[] = { Value(5), Value(5.0), Value(int64(5)), Value(5.0f) };
	for(const Value& v : five)
		EXPECT_EQ(v.GetHashValue(), 5u);
	EXPECT_TRUE(Value(5) == Value(5.0));
	EXPECT_TRUE(Value(5.0) == Value(5));
	EXPECT_TRUE(Value(5) == Value(int64(5)));
	EXPECT_TRUE(Value(int64(5)) == Value(5.0));
	EXPECT_TRUE(Value(5) == Value(5.0f));
	EXPECT_FALSE(Value(int64(5)) == Value(5.0f)); // neither side knows the other
	EXPECT_TRUE(Value(true) == Value(1));
	EXPECT_TRUE(Value(1.0) == Value(true));
	EXPECT_TRUE(Value(false) == Value(0));
	EXPECT_FALSE(Value(true) == Value(2));
	EXPECT_FALSE(Value(1) == Value("1"));
	double half = 0.5;
	uint64 bits;
	memcpy(&bits, &half, 8);
	EXPECT_EQ(Value(0.5).GetHashValue(), bits + 0xcf79254d81e3a3a1ull);
	EXPECT_EQ(Value(-0.0).GetHashValue(), Value(0).GetHashValue());
	EXPECT_EQ(Value(-3.0).GetHashValue(), Value(-3).GetHashValue());
	// 2^63 is outside int64: hashed by its bits, not by an overflowed conversion.
	EXPECT_NE(Value(0x1p63).GetHashValue(), Value(-0x1p63).GetHashValue());
	EXPECT_EQ(Value(-0x1p63).GetHashValue(), uint64(0x8000000000000000ull));
	EXPECT_EQ(Value("abc").GetHashValue(), String("abc").GetHashValue());
	// A Date equals the midnight Time of its day and hashes alike, negative years included.
	for(int year : { 2024, -44, 1 }) {
		Date d(year, 3, 5);
		EXPECT_TRUE(Value(d) == Value(Time(year, 3, 5)));
		EXPECT_TRUE(Value(Time(year, 3, 5)) == Value(d));
		EXPECT_EQ(Value(d).GetHashValue(), Value(Time(year, 3, 5)).GetHashValue()) << year;
		EXPECT_FALSE(Value(d) == Value(Time(year, 3, 5, 0, 0, 1)));
	}
	EXPECT_TRUE(Value(WString("abc")) == Value("abc"));
	EXPECT_TRUE(Value("abc") == Value(WString("abc")));
	EXPECT_FALSE(Value("abd") == Value(WString("abc")));
}

TEST(Value, Ordering)
{
	EXPECT_EQ(Value(2).Compare(Value(2.5)), -1);
	EXPECT_EQ(Value(2.5).Compare(Value(2)), 1);
	EXPECT_EQ(Value(int64(2)).Compare(Value(2.5f)), -1);
	EXPECT_EQ(Value(2.5f).Compare(Value(int64(2))), 1);
	EXPECT_EQ(Value(true).Compare(Value(0.5)), 1);
	EXPECT_EQ(Value(int64(-1)).Compare(Value(int64(1))), -1);
	EXPECT_EQ(Value(int64(3)).Compare(Value(1e30f)), -1);
	EXPECT_EQ(Value(Date(2024, 3, 4)).Compare(Value(Date(2024, 3, 5))), -1);
	EXPECT_EQ(Value(Date(2025, 1, 1)).Compare(Value(Date(2024, 12, 31))), 1);
	EXPECT_EQ(Value(Date(2024, 3, 5)).Compare(Value(Time(2024, 3, 5))), 0);
	EXPECT_EQ(Value(Date(2024, 3, 5)).Compare(Value(Time(2024, 3, 5, 1))), -1);
	EXPECT_EQ(Value(Time(2024, 3, 5, 1)).Compare(Value(Date(2024, 3, 5))), 1);
	EXPECT_EQ(Value("ab").Compare(Value("abc")), -1);
	EXPECT_EQ(Value("\xe9").Compare(Value("z")), 1);
	EXPECT_EQ(Value("a text longer than fourteen").Compare(Value("a text longer than fourteen!")), -1);
	EXPECT_EQ(Value("b").Compare(Value(WString("a"))), 1);
	EXPECT_EQ(Value(WString("a")).Compare(Value("b")), -1);
	EXPECT_EQ(Value(1).Compare(Value("1")), 0); // unrelated kinds do not order
}

TEST(Value, CopyAssignAndSharing)
{
	ValueArray a;
	a.Add(1);
	a.Add("two");
	Value v = a;
	EXPECT_EQ(a.Get().GetCount(), 2);
	{
		Value w = v;
		Value x;
		x = w;
		EXPECT_TRUE(x == v);
		EXPECT_EQ(Text(x.ToText()), "[1, two]");
	}
	Value s = "a text long enough to be shared between copies";
	Value t = s;
	Value& alias = t;
	t = alias; // self assignment
	EXPECT_TRUE(t == s);
	Value m;
	m.Add(Value(5));
	m = m[0]; // the source lives inside what is released
	EXPECT_EQ(m.ToInt(), 5);
	Value moved = static_cast<Value&&>(t);
	EXPECT_TRUE(moved == s);
	EXPECT_TRUE(t.IsVoid());
}

TEST(Value, Conversions)
{
	EXPECT_EQ(Value().ToInt(), INT_NULL);
	EXPECT_EQ(Value().ToDouble(), -inf);
	EXPECT_FALSE(Value().ToBool());
	EXPECT_EQ(Text(Value().ToString()), "");
	EXPECT_EQ(ErrorValue("abc").ToInt(), INT_NULL);
	EXPECT_EQ(Text(ErrorValue("abc").ToText()), ""); // Null
	EXPECT_EQ(Text(ErrorValue("abc").GetVoidPtr()->AsString()), "<error: 'abc'>");
	EXPECT_EQ(Text(GetErrorText(ErrorValue("abc"))), "abc");
	EXPECT_EQ(Value(2.9).ToInt(), 2);
	EXPECT_EQ(Value(-2.9).ToInt(), -2);
	EXPECT_EQ(Value(int64(0x100000005ll)).ToInt(), 5);
	EXPECT_EQ(Value(true).ToDouble(), 1.0);
	EXPECT_EQ(Value(7).ToInt64(), 7);
	EXPECT_EQ(Value(-7).ToInt64(), -7);
	EXPECT_EQ(Value(2.5f).ToInt(), 2);
	EXPECT_EQ(Value(3).ToFloat(), 3.0f);
	EXPECT_EQ(Value(0.5).ToFloat(), 0.5f);
	EXPECT_TRUE(Value(0.5).ToBool());
	EXPECT_FALSE(Value(int64(0)).ToBool());
	EXPECT_EQ(Value(int64(1) << 40).ToDouble(), 0x1p40);
	EXPECT_EQ(Text(Value(WString("wide")).ToString()), "wide");
	EXPECT_TRUE(Value("\xc3\xa9t\xc3\xa9").ToWString() == WString("\xc3\xa9t\xc3\xa9"));
	EXPECT_EQ(Value(Date(2024, 3, 5)).ToDate(), Date(2024, 3, 5));
	EXPECT_TRUE(Value().ToDate().IsNull());
	double d = Value(1.25);
	int i = Value(3);
	EXPECT_EQ(d, 1.25);
	EXPECT_EQ(i, 3);
	// Out of range and NaN give the integer's Null instead of an undefined conversion.
	EXPECT_EQ(Value(1e10).ToInt(), INT_NULL);
	EXPECT_EQ(Value(-3e9).ToInt(), INT_NULL);
	EXPECT_EQ(Value(1e19).ToInt64(), INT64_NULL);
	EXPECT_EQ(Value(3e38f).ToInt64(), INT64_NULL);
	EXPECT_EQ(Value(-0x1p63).ToInt64(), INT64_NULL);
	EXPECT_EQ(Value(0x1p62).ToInt64(), int64(1) << 62);
}

TEST(Value, ConversionErrors)
{
	EXPECT_EQ(TypeError([] { Value("12").ToInt(); }), "Invalid value conversion: String -> d");
	EXPECT_EQ(TypeError([] { Value("12").ToDouble(); }), "Invalid value conversion: String -> x");
	EXPECT_EQ(TypeError([] { Value("12").ToInt64(); }), "Invalid value conversion: String -> d");
	EXPECT_EQ(TypeError([] { Value("12").ToFloat(); }), "Invalid value conversion: String -> x");
	EXPECT_EQ(TypeError([] { Value("12").ToBool(); }), "Invalid value conversion: String -> x");
	EXPECT_EQ(TypeError([] { Value(Date(2024, 1, 1)).ToDouble(); }), "Invalid value conversion: Date -> x");
	EXPECT_EQ(TypeError([] { Value(1).ToString(); }), "Invalid value conversion: int -> N3Qel7WStringE");
	EXPECT_EQ(TypeError([] { Value(1).ToWString(); }), "Invalid value conversion: int -> N3Qel7WStringE");
	EXPECT_EQ(TypeError([] { Value(1).ToDate(); }), "Invalid value conversion: int -> N3Qel4DateE");
	EXPECT_EQ(TypeError([] { Value(Date(2024, 1, 1)).ToTime(); }), "Invalid value conversion: Date -> N3Qel4TimeE");
	EXPECT_EQ(TypeError([] { Value(1.5).To<int>(); }), "Invalid value conversion: double -> i");
	EXPECT_EQ(TypeError([] { Value(1).To<bool>(); }), "Invalid value conversion: int -> b");
	EXPECT_EQ(TypeError([] { Value(1).To<float>(); }), "Invalid value conversion: int -> f");
	EXPECT_EQ(TypeError([] { Value(1).To<String>(); }), "Invalid value conversion: int -> N3Qel6StringE");
	EXPECT_EQ(TypeError([] { ValueArray a; a.Add(1); Value(a).ToInt(); }),
	          "Invalid value conversion: N3Qel10ValueArray4DataE -> d");
	EXPECT_EQ(TypeError([] { Value(1).ToRect(); }), "Invalid value conversion: int -> N3Qel5Rect_IiEE");
	EXPECT_EQ(Value().ToRect().left, INT_NULL);
	EXPECT_EQ(Value::MakeRaw(Rect(1, 2, 3, 4)).ToRect(), Rect(1, 2, 3, 4));
	try {
		Value(Date(2024, 1, 1)).ToInt();
	}
	catch(const ValueTypeError& e) {
		EXPECT_EQ(e.target, DOUBLE_V);
		EXPECT_EQ(e.src.GetType(), DATE_V);
	}
	EXPECT_EQ(Text(Value(-12).ToText()), "-12");
	EXPECT_EQ(Text(Value(true).ToText()), "true");
	EXPECT_EQ(Text(Value(0.1).ToText()), "0.1");
	EXPECT_EQ(Text(Value(0.1f).ToText()), "0.1");
	EXPECT_EQ(Text(Value(Time(2026, 12, 5, 14, 5, 9)).ToText()), "12/05/2026 14:05:09");
}

TEST(Value, Containers)
{
	ValueArray a;
	a.Add(1);
	a.Add("a");
	a.Add(Value());
	EXPECT_EQ(Text(Value(a).ToText()), "[1, a, ]");
	ValueArray b = a;
	b.Add(2);
	EXPECT_EQ(a.GetCount(), 3);
	EXPECT_EQ(b.GetCount(), 4);
	b.Clear();
	EXPECT_TRUE(Value(b).IsNull());
	EXPECT_EQ(Text(Value(ValueMap()).GetVoidPtr()->AsString()), "{  }");
	EXPECT_EQ(Text(Value(ValueArray()).GetVoidPtr()->AsString()), "[]");

	ValueMap m;
	m.Add("k", 1);
	m.Add("k", 2);
	Value mv = m;
	EXPECT_EQ(mv["k"].ToInt(), 1);
	EXPECT_EQ(mv[1].ToInt(), 2);
	EXPECT_EQ(Text(mv.ToText()), "{ k: 1, k: 2 }");
	EXPECT_FALSE(mv.IsNull());
	EXPECT_EQ(mv["none"].GetType(), ERROR_V);
	EXPECT_EQ(Value(3)["k"].GetType(), ERROR_V);
	EXPECT_TRUE(Value(3)[0].IsNull());

	Value x;
	x.Add(1);
	EXPECT_EQ(x.GetType(), VALUEARRAY_V);
	Value y = x;
	y.Add(2);
	EXPECT_EQ(Text(x.ToText()), "[1]");
	EXPECT_EQ(Text(y.ToText()), "[1, 2]");
	EXPECT_THROW(Value(5).Add(1), ValueTypeError);

	ValueArray p, q;
	p.Add(1); p.Add(2);
	q.Add(1); q.Add(2); q.Add(0);
	EXPECT_EQ(Value(p).Compare(Value(q)), -1);
	ValueArray r, s;
	r.Add(1.5);
	s.Add(1);
	EXPECT_EQ(Value(r).Compare(Value(s)), 1);
	EXPECT_TRUE(Value(p) == Value(a.GetCount() == 3 ? p : q));
	ValueArray p2;
	p2.Add(1.0); p2.Add(int64(2));
	EXPECT_TRUE(Value(p) == Value(p2));
	EXPECT_EQ(Value(p).GetHashValue(), Value(p2).GetHashValue());
}

// Trees built deep in code are released in a loop, not by recursion: a child process so that the
// old, recursive release fails the test by its crash alone.
TEST(ValueDeathTest, DeepTreesReleaseWithoutRecursion)
{
	GTEST_FLAG_SET(death_test_style, "threadsafe");
	EXPECT_EXIT({
		const int depth = 200000;
		Value v = 1;
		for(int i = 0; i < depth; i++) {
			if(i % 3 == 2) {
				ValueMap m;
				m.Add("k", v);
				v = m;
			}
			else {
				ValueArray a;
				a.Add(String("leaf"));
				a.Add(v);
				v = a;
			}
		}
		Value shared = v; // a second handle: the first release must leave the tree whole
		v = Value();
		bool whole = shared.GetType() == VALUEMAP_V || shared.GetType() == VALUEARRAY_V;
		shared = Value();
		_exit(whole ? 0 : 1);
	}, testing::ExitedWithCode(0), "");
}
