#include <Core/Core.h>

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <string>

using namespace Qel;

namespace {

std::string Text(const Value& v)
{
	String s = v.GetType() == 6 ? GetErrorText(v) : v.ToString();
	return std::string(~s, s.GetLength());
}

bool IsDoubleNull(const Value& v)
{
	return v.GetType() == 2 && std::isinf(v.ToDouble()) && v.ToDouble() < 0;
}

} // namespace

TEST(Convert, PlainFormat)
{
	const Convert& c = GetStdConvert();
	EXPECT_EQ(Text(c.Format(INT_MIN)), "");
	EXPECT_EQ(Text(c.Format(Value())), "");
	EXPECT_EQ(Text(c.Format(ErrorValue("x"))), "");
	EXPECT_EQ(Text(c.Format(-12)), "-12");
	EXPECT_EQ(Text(c.Format(true)), "1");
	EXPECT_EQ(Text(c.Format(int64(1) << 40)), "1099511627776");
	EXPECT_EQ(Text(c.Format(1.5)), "1.5");
	EXPECT_EQ(Text(c.Format(HUGE_VAL)), "");
	WString w(String("\xc3\xa9"));
	EXPECT_EQ(c.Format(w).GetType(), 8);
	EXPECT_EQ(Text(c.Scan(String("x"))), "x");
	EXPECT_EQ(c.Filter('q'), 'q');
	Value q = 7;
	EXPECT_EQ(NoConvert().Format(q).GetType(), 1);
	EXPECT_EQ(&GetStdConvert(), &GetStdConvert());
	EXPECT_EQ(std::string(~StdFormat(5)), "5");
}

TEST(Convert, DoubleScan)
{
	ConvertDouble c;
	EXPECT_TRUE(IsDoubleNull(c.Scan(String())));
	EXPECT_EQ(Text(c.Scan(String("abc"))), "Invalid number !");
	EXPECT_EQ(c.Scan(String("2,5")).ToDouble(), 2.5);
	EXPECT_EQ(c.Scan(String("12 ")).ToDouble(), 12.0);
	EXPECT_EQ(Text(c.Scan(String("12x"))), "Invalid number !");
	EXPECT_EQ(Text(c.Scan(String("1e999"))), "Invalid number !");
	EXPECT_EQ(c.Scan(5).ToDouble(), 5.0); // a number is read through its text, never thrown

	ConvertDouble nn(0, 10, true);
	EXPECT_EQ(Text(nn.Scan(String())), "Null value not allowed.");
	EXPECT_EQ(Text(nn.Scan(String("11"))), "Number must be between 0 and 10.");
	EXPECT_EQ(Text(nn.Scan(String("-0.5"))), "Number must be between 0 and 10.");
	EXPECT_EQ(nn.Scan(String("10")).ToDouble(), 10.0);

	ConvertDouble pat;
	pat.pattern = "%.2f";
	EXPECT_EQ(pat.Scan(String("1 234,5e")).ToDouble(), 1234.5); // filtered, trailing E dropped
	EXPECT_EQ(pat.Scan(String("x1.5e+2y")).ToDouble(), 150.0);
}

TEST(Convert, KilogramsField)
{
	ConvertDouble kg(-DBL_MAX, DBL_MAX, false);
	Value empty = kg.Scan(String(""));
	EXPECT_TRUE(IsDoubleNull(empty));
	EXPECT_TRUE(empty.IsNull());
	Value bad = kg.Scan(String("abc"));
	ASSERT_EQ(bad.GetType(), 6);
	EXPECT_EQ(Text(bad), "Invalid number !");
	EXPECT_EQ(kg.Scan(String("2.5")).ToDouble(), 2.5);
	EXPECT_EQ(kg.Scan(String("-1.7976931348623157e308")).ToDouble(), -DBL_MAX);
	EXPECT_EQ(Text(kg.Format(1.0 / 3)), "0.3333333333");
	EXPECT_EQ(Text(kg.Format(1e20)), "1e+20");
	Value n = kg.Format(empty);
	EXPECT_EQ(n.GetType(), 1);
	EXPECT_TRUE(n.IsNull());
}

TEST(Convert, DoubleFilter)
{
	ConvertDouble c;
	EXPECT_EQ(c.Filter(','), '.');
	EXPECT_EQ(c.Filter('.'), '.');
	EXPECT_EQ(c.Filter('e'), 'E');
	EXPECT_EQ(c.Filter('E'), 'E');
	EXPECT_EQ(c.Filter('-'), '-');
	EXPECT_EQ(c.Filter('7'), '7');
	EXPECT_EQ(c.Filter('x'), 0);
	EXPECT_EQ(c.Filter(' '), 0);
	c.comma = true;
	EXPECT_EQ(c.Filter('.'), ',');
}

TEST(Convert, StringScan)
{
	ConvertString c(3);
	EXPECT_EQ(Text(c.Scan(String("abcd"))), "Please enter no more than 3 characters.");
	EXPECT_EQ(Text(c.Scan(String("abc"))), "abc");
	EXPECT_EQ(Text(c.Scan(String(""))), "");
	EXPECT_EQ(Text(c.Scan(String("abc  "))), "Please enter no more than 3 characters.");
	c.trimright = true;
	EXPECT_EQ(Text(c.Scan(String("abc \t\n"))), "abc");
	c.trimleft = true;
	EXPECT_EQ(Text(c.Scan(String("  ab "))), "ab");
	c.notnull = true;
	EXPECT_EQ(Text(c.Scan(String("   "))), "Null value not allowed.");
	EXPECT_EQ(Text(c.Scan(ErrorValue("keep"))), "keep");
	EXPECT_EQ(Text(c.Scan(5)), "Please enter no more than 3 characters.");

	ConvertString w(2);
	Value wide = w.Scan(WString(String("\xc3\xa9\xc3\xa9")));
	EXPECT_EQ(wide.GetType(), 8); // two characters although four bytes
	EXPECT_EQ(Text(w.Scan(WString(String("abc")))), "Please enter no more than 2 characters.");
}
