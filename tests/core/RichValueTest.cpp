#include <Core/value/Value.h>
#include <Core/value/ValueArray.h>
#include <Core/types/Color.h>
#include <Core/value/Complex.h>
#include <Core/format/Format.h>
#include <Core/container/Hash.h>
#include <Core/text/WString.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

using namespace Qel;

namespace {

std::string Text(const String& s)
{
	return std::string(~s, s.GetLength());
}

const double inf = std::numeric_limits<double>::infinity();

} // namespace

// None of these may silently become a bool.
static_assert(!std::is_constructible_v<Value, const wchar_t*>);
static_assert(!std::is_constructible_v<Value, void*>);
static_assert(!std::is_constructible_v<Value, const int*>);
static_assert(!std::is_convertible_v<Value, bool>);
template <class T> concept TestableAsCondition = requires(const T& v) { v ? 1 : 0; };
static_assert(!TestableAsCondition<Value>);
static_assert(TestableAsCondition<int>);
static_assert(std::is_convertible_v<const wchar*, Value>);

TEST(RichValue, IntegersOfEveryKind)
{
	struct { Value v; dword type; const char* text; } cases[] = {
		{ 5u, INT64_V, "5" },
		{ 4000000000u, INT64_V, "4000000000" },
		{ size_t(7), INT64_V, "7" },
		{ 8ll, INT64_V, "8" },
		{ -9l, INT64_V, "-9" },
		{ uint64(1) << 63, DOUBLE_V, "9.22337203685478e18" },
		{ std::numeric_limits<unsigned long long>::max(), DOUBLE_V, "1.84467440737096e19" },
		{ short(-3), INT_V, "-3" },
		{ byte(200), INT_V, "200" },
	};
	for(auto& c : cases) {
		EXPECT_EQ(c.v.GetType(), c.type) << c.text;
		EXPECT_EQ(Text(c.v.ToText()), c.text);
	}
	EXPECT_EQ(Text(Format("%d %d %d", 5u, size_t(6), 7ll)), "5 6 7");
	const wchar w[] = { 'a', 0x20AC, 0 };
	Value wide = w;
	EXPECT_EQ(wide.GetType(), WSTRING_V);
	EXPECT_EQ(Text(wide.ToString()), "a\u20AC");
	EXPECT_TRUE(IsNull(Value()));
	EXPECT_FALSE(IsNull(Value(1)));
	EXPECT_TRUE(IsNull(String()));
	EXPECT_TRUE(IsNull(Date()));
	EXPECT_TRUE(IsNull(Color()));
	EXPECT_TRUE(IsNull(INT_NULL));
	EXPECT_TRUE(IsNull(-inf));
	EXPECT_FALSE(Value(true).ToBool() == false);
}

TEST(RichValue, GeometryTextsAndNull)
{
	struct { Value v; dword type; const char* text; } cases[] = {
		{ Rect64(0, 0, 10, 20), RECT64_V, "[0, 0] - [10, 20] : (10, 20)" },
		{ Rect(1, 2, 4, 6), RECT_V, "[1, 2] - [4, 6] : (3, 4)" },
		{ Rectf(0.5, 0, 1, 2.25), RECTF_V, "[0.5, 0] - [1, 2.25] : (0.5, 2.25)" },
		{ Pointf(0.5, 2), POINTF_V, "[0.5, 2]" },
		{ Point64(-1, int64(1) << 40), POINT64_V, "[-1, 1099511627776]" },
		{ Size64(3, 4), SIZE64_V, "(3, 4)" },
		{ Sizef(3, 0.25), SIZEF_V, "(3, 0.25)" },
		{ Size(3, 4), SIZE_V, "(3, 4)" },
		{ Point(1, 2), POINT_V, "(1, 2)" },
		{ Complex(1, -2), COMPLEX_V, "(1,-2)" },
	};
	for(auto& c : cases) {
		EXPECT_EQ(c.v.GetType(), c.type) << c.text;
		EXPECT_EQ(Text(c.v.ToText()), c.text);
		EXPECT_FALSE(c.v.IsNull()) << c.text;
		EXPECT_EQ(Text(Value::GetRegisteredName(c.type)), Text(Value::GetRegisteredName(c.v.GetType())));
		EXPECT_FALSE(Value::GetRegisteredName(c.type).IsEmpty()) << c.text;
		Value copy = c.v;
		EXPECT_TRUE(copy == c.v) << c.text;
		EXPECT_EQ(copy.GetHashValue(), c.v.GetHashValue());
	}
	Value nulls[] = { Rect64(INT64_NULL, 0, 1, 1), Pointf(-inf, 1), Sizef(NAN, 0), Point64(INT64_NULL, 5),
	                  Size(INT_NULL, 1), Rect(INT_NULL, 0, 0, 0), Complex(1, inf) };
	for(const Value& v : nulls) {
		EXPECT_TRUE(v.IsNull()) << v.GetType();
		EXPECT_TRUE(v == Value());
	}
	// A NaN coordinate is the double Null: the value still equals itself and its copies.
	Value nan = Pointf(1, NAN);
	EXPECT_TRUE(nan == Value(Pointf(1, -inf)));
	EXPECT_EQ(nan.GetHashValue(), Value(Pointf(1, -inf)).GetHashValue());
	EXPECT_FALSE(nan == Value(Pointf(2, NAN)));
	EXPECT_EQ(Value(Rect64(1, 2, 3, 4)).GetHashValue(), hash_t(CombineHash().Put(1).Put(2).Put(3).Put(4)));
	EXPECT_EQ(Value(Point(1, 2)).To<Point>(), Point(1, 2));
	EXPECT_EQ(Point(Value(Point(3, 4))), Point(3, 4));
	EXPECT_EQ(Value(Sizef(1, 2)).To<Sizef>(), Sizef(1, 2));
	EXPECT_EQ(Value().ToSize().cx, INT_NULL);
	EXPECT_THROW(Value(1).ToPoint(), ValueTypeError);
	EXPECT_FALSE(Value(Point(1, 2)) == Value(Size(1, 2)));
	EXPECT_EQ(Value(Rect64(1, 1, 2, 2)).Compare(Value(Rect64(0, 0, 1, 1))), 0); // no order
}

TEST(RichValue, ComplexAndWideText)
{
	EXPECT_TRUE(Value(Complex(2, 0)) == Value(2.0));
	EXPECT_TRUE(Value(2) == Value(Complex(2, 0)));
	EXPECT_TRUE(Value(Complex(1, 0)) == Value(true));
	EXPECT_FALSE(Value(Complex(2, 1)) == Value(2.0));
	EXPECT_EQ(Complex(Value(Complex(1, 2))), Complex(1, 2));
	EXPECT_EQ(Complex(Value(3)), Complex(3, 0));

	Value w = WString("abc"), s = String("abc");
	EXPECT_EQ(w.GetHashValue(), s.GetHashValue());
	EXPECT_TRUE(w == s);
	EXPECT_TRUE(s == w);
	EXPECT_EQ(w.Compare(Value(5)), 0);
	EXPECT_LT(Value(WString("abc")).Compare(Value(WString("abd"))), 0);
	EXPECT_GT(Value(WString("abcd")).Compare(Value(WString("abc"))), 0);
}
