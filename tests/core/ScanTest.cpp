#include <Core/Core.h>

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

using namespace Qel;

TEST(Scan, UnsignedBasesAndFailures)
{
	const char* e = nullptr;
	EXPECT_EQ(ScanUint("ff", &e, 16), 255u);
	EXPECT_EQ(ScanUint("1z", &e, 36), 71u);
	const char* g = "g";
	EXPECT_EQ(ScanUint(g, &e, 16), 0xFFFFFFFFu);
	EXPECT_EQ(e, g);
	EXPECT_EQ(ScanUint(" 1"), 0xFFFFFFFFu); // no blanks, no sign
	EXPECT_EQ(ScanUint("+1"), 0xFFFFFFFFu);

	const char* big = "4294967296";
	e = big + 3;
	EXPECT_EQ(ScanUint(big, &e), 0xFFFFFFFFu);
	EXPECT_EQ(e, big + 3); // overflow leaves the end untouched
	EXPECT_EQ(ScanUint("4294967295x", &e), 0xFFFFFFFFu);
	EXPECT_EQ(*e, 'x');

	EXPECT_EQ(ScanUint64("18446744073709551615"), UINT64_MAX);
	EXPECT_EQ(ScanUint64("18446744073709551616"), UINT64_MAX);
	EXPECT_EQ(ScanUint64("7fffffffffffffff", nullptr, 16), (uint64)INT64_MAX);
	EXPECT_EQ(ScanUint("12", nullptr, 0), 0xFFFFFFFFu); // no digit has a base 0 value
}

TEST(Scan, IntWithBase)
{
	const char* s = "  -1A!";
	const char* e = nullptr;
	EXPECT_EQ(ScanInt(s, &e, 16), -26);
	EXPECT_EQ(e, s + 5);
	const char* t = " -x";
	EXPECT_EQ(ScanInt(t, &e, 10), INT_MIN);
	EXPECT_EQ(e, t + 2); // just after the sign
	const char* u = "  q";
	EXPECT_EQ(ScanInt(u, &e, 10), INT_MIN);
	EXPECT_EQ(e, u + 2);
	EXPECT_EQ(ScanInt("FFFFFFFF", nullptr, 16), INT_MIN);
	EXPECT_EQ(ScanInt("FFFFFFFE", nullptr, 16), -2); // magnitudes wrap into the negative range
	EXPECT_EQ(ScanInt("100000000", nullptr, 16), INT_MIN);
	EXPECT_EQ(ScanInt("-80000000", nullptr, 16), INT_MIN);
	EXPECT_EQ(ScanInt("+777", nullptr, 8), 511);
}

TEST(Scan, DecimalInt)
{
	EXPECT_EQ(ScanInt("2147483647"), 2147483647);
	EXPECT_EQ(ScanInt("2147483648"), INT_MIN);
	EXPECT_EQ(ScanInt("-2147483648"), INT_MIN);
	EXPECT_EQ(ScanInt("-2147483647"), -2147483647);
	EXPECT_EQ(ScanInt("+-5"), -5);
	EXPECT_EQ(ScanInt("- 7"), -7);
	EXPECT_EQ(ScanInt("  \t12abc"), 12);
	EXPECT_EQ(ScanInt("abc"), INT_MIN);
	EXPECT_EQ(ScanInt(""), INT_MIN);
	EXPECT_EQ(ScanInt("-+5"), INT_MIN);
	EXPECT_EQ(ScanInt("00000000000000000000000000042"), 42);
	EXPECT_EQ(ScanInt("99999999999999999999999999"), INT_MIN);
	EXPECT_EQ(ScanInt("4294967296"), INT_MIN);
}

TEST(Scan, DecimalInt64)
{
	EXPECT_EQ(ScanInt64("9223372036854775807"), INT64_MAX);
	EXPECT_EQ(ScanInt64("9223372036854775808"), INT64_MIN);
	EXPECT_EQ(ScanInt64("-9223372036854775807"), -INT64_MAX);
	EXPECT_EQ(ScanInt64("-9223372036854775808"), INT64_MIN);
	EXPECT_EQ(ScanInt64("18446744073709551616"), INT64_MIN);
	EXPECT_EQ(ScanInt64(" -12x"), -12);
	EXPECT_EQ(ScanInt64("x"), INT64_MIN);
}

TEST(Scan, DoubleValue)
{
	Value v = ScanDoubleValue("");
	EXPECT_EQ(v.GetType(), 2);
	EXPECT_TRUE(std::isinf(v.ToDouble()) && v.ToDouble() < 0);
	EXPECT_EQ(ScanDoubleValue(nullptr).GetType(), 2);
	EXPECT_EQ(ScanDoubleValue("1.5").ToDouble(), 1.5);
	EXPECT_EQ(ScanDoubleValue("1,5").ToDouble(), 1.5);
	EXPECT_EQ(ScanDoubleValue("1.5 \t").ToDouble(), 1.5);
	for(const char* bad : { "1.5x", "1e999", "abc", " ", "5e" }) {
		Value e = ScanDoubleValue(bad);
		ASSERT_EQ(e.GetType(), 6) << bad;
		EXPECT_EQ(GetErrorText(e), "Invalid number !");
	}
}
