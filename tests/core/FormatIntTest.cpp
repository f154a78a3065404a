#include <Core/text/FormatInt.h>
#include <Core/text/FormatDouble.h>
#include <Core/text/String.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdarg>
#include <limits>
#include <string>

using namespace Qel;

namespace {

std::string Text(const String& s)
{
	return std::string(~s, s.GetLength());
}

String Vs(const char* f, ...)
{
	va_list a;
	va_start(a, f);
	String s = VSprintf(f, a);
	va_end(a);
	return s;
}

} // namespace

TEST(FormatInt, Digits)
{
	char h[24];
	EXPECT_EQ(FormatUnsignedDigits(0, h), 1);
	EXPECT_EQ(h[0], '0');
	EXPECT_EQ(FormatUnsignedDigits(4294967295u, h), 10);
	EXPECT_EQ(std::string(h, 10), "4294967295");
	for(uint64 v = 1, n = 1; n <= 20; v *= 10, n++) {
		EXPECT_EQ(FormatUnsigned64Digits(v, h), int(n));
		EXPECT_EQ(FormatUnsigned64Digits(v - 1, h), int(n == 1 ? 1 : n - 1));
	}
	EXPECT_EQ(FormatUnsigned64Digits(18446744073709551615ull, h), 20);
	EXPECT_EQ(std::string(h, 20), "18446744073709551615");
	EXPECT_EQ(FormatUnsigned64Digits(100000000000000000ull, h), 18);
	EXPECT_EQ(std::string(h, 18), "100000000000000000");
	EXPECT_EQ(Text(FormatInt64(-9223372036854775807ll)), "-9223372036854775807");
	EXPECT_EQ(Text(FormatInt64(INT64_NULL)), "");
	EXPECT_EQ(Text(FormatInt64(0)), "0");
}

TEST(FormatInt, Base)
{
	EXPECT_EQ(Text(FormatIntBase(255, 16, 4, '0', 0, true)), "00FF");
	EXPECT_EQ(Text(FormatIntBase(-5, 10, 4, ' ', 0, false)), "  -5");
	EXPECT_EQ(Text(FormatIntBase(-5, 10, 4, '0', 0, false)), "-0005");
	EXPECT_EQ(Text(FormatIntBase(5, 10, 3, '*', 1, false)), "*+5");
	EXPECT_EQ(Text(FormatIntBase(-1, 16, 0, ' ', -1, false)), "ffffffffffffffff");
	EXPECT_EQ(Text(FormatIntBase(std::numeric_limits<int64>::min(), 2, 0, ' ', -1, false)), "1" + std::string(63, '0'));
	EXPECT_EQ(Text(FormatIntBase(std::numeric_limits<int64>::min(), 10, 3, '.', 0, false)), "...");
	EXPECT_EQ(Text(FormatIntBase(35, 36, 0, ' ', 0, false)), "z");
	EXPECT_EQ(Text(FormatIntBase(123456, 10, 2, ' ', 0, false)), "123456");
	EXPECT_EQ(Text(FormatIntBase(7, 1, 0, ' ', 0, false)), "<invalid base>");
	EXPECT_EQ(Text(FormatIntBase(7, 37, 0, ' ', 0, false)), "<invalid base>");
	EXPECT_EQ(Text(FormatIntBase(7, 10, 70, ' ', 0, false)), std::string(69, ' ') + "7");
	EXPECT_EQ(Text(FormatIntBase(7, 10, 70, '0', 0, false)), std::string(69, '0') + "7");
}

TEST(FormatInt, AlphaAndRoman)
{
	const std::pair<int, const char*> alpha[] = { { 1, "A" }, { 26, "Z" }, { 27, "AA" }, { 28, "AB" }, { 52, "AZ" },
	                                             { 53, "BA" }, { 702, "ZZ" }, { 703, "AAA" }, { -1, "-A" } };
	for(auto [n, s] : alpha)
		EXPECT_EQ(Text(FormatAlpha(n, true)), s) << n;
	EXPECT_EQ(Text(FormatAlpha(28, false)), "ab");
	EXPECT_EQ(Text(FormatAlpha(0, true)), "");
	EXPECT_EQ(Text(FormatAlpha(INT_NULL, true)), "");
	EXPECT_EQ(Text(FormatRoman(944, true)), "CMXLIV");
	EXPECT_EQ(Text(FormatRoman(944, false)), "cmxliv");
	EXPECT_EQ(Text(FormatRoman(1004, true)), "MIV");
	EXPECT_EQ(Text(FormatRoman(4, true)), "IV");
	EXPECT_EQ(Text(FormatRoman(3999, true)), "MMMCMXCIX");
	EXPECT_EQ(Text(FormatRoman(-9, true)), "-IX");
	EXPECT_EQ(Text(FormatRoman(0, true)), "");
	EXPECT_EQ(Text(FormatRoman(INT_NULL, true)), "");
}

TEST(FormatInt, Sprintf)
{
	EXPECT_EQ(Text(Vs("%d-%s-%.2f", 12, "ab", 1.005)), "12-ab-1.00");
	EXPECT_EQ(Vs("%2000d", 1).GetLength(), 2000); // never cut
	std::string f(300, 'x');
	f += "%s";
	EXPECT_EQ(Vs(f.c_str(), "!").GetLength(), 301);
}

TEST(FormatDouble, StringForms)
{
	EXPECT_EQ(Text(FormatDouble(0.1)), "0.1");
	EXPECT_EQ(Text(FormatDouble(-INFINITY)), "");
	EXPECT_EQ(Text(FormatDouble(NAN)), "");
	EXPECT_EQ(Text(FormatDoubleG(-INFINITY)), "-inf");
	EXPECT_EQ(Text(FormatFloat(1e7f)), "1e7");
	EXPECT_EQ(Text(FormatFloat(0.1f)), "0.1");
	EXPECT_EQ(Text(FormatFloat(NAN)), "");
	EXPECT_EQ(Text(FormatDoubleFix(35.27396195, 2, DF_KEEP_ZEROS | DF_ALWAYS_POINT | DF_ZEROS_BEFORE_EXP(2))), "35.27");
	EXPECT_EQ(Text(FormatDoubleFix(-INFINITY, 2, DF_KEEP_ZEROS | DF_ALWAYS_POINT | DF_ZEROS_BEFORE_EXP(2))), "");
	EXPECT_EQ(Text(FormatDoubleFix(1.25, -1, 0)), "1");
	EXPECT_EQ(FormatDoubleFix(1e308, 5000, DF_KEEP_ZEROS).GetLength(), 309 + 1 + 5000);
	EXPECT_EQ(FormatDouble(0.0, 3000, DF_EXPONENT).GetLength(), 3000 + 5);
	EXPECT_EQ(Text(FormatDouble(123, 2, DF_EXP_SIGN | DF_CAPITAL_E)), "1.2E+02");
	EXPECT_EQ(Text(FormatDouble(1.5, 2, DF_FIXED | DF_COMMA)), "1,5");
}
