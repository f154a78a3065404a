#include <Core/text/FormatDouble.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>

using namespace Qel;

namespace {

constexpr dword APP = DF_KEEP_ZEROS | DF_ALWAYS_POINT | DF_ZEROS_BEFORE_EXP(2);

std::string G(double x)
{
	char b[600];
	return std::string(b, FormatDoubleGBuffer(b, x));
}

std::string F(double x, int digits, dword flags)
{
	char b[600];
	return std::string(b, FormatDoubleBuffer(b, x, digits, flags));
}

std::string Fix(double x, int decimals, dword flags)
{
	char b[600];
	return std::string(b, FormatDoubleFixBuffer(b, decimals, flags, x));
}

std::string Exp(double x, int precision, dword flags)
{
	char b[600];
	return std::string(b, FormatDoubleExpBuffer(b, x, precision, flags));
}

double Bits(uint64 b)
{
	double x;
	memcpy(&x, &b, 8);
	return x;
}

const char* Scan(const char* s, double& x, int altsep = ',')
{
	x = 12345;
	return ScanDoubleText(&x, s, altsep, true);
}

const double inf = std::numeric_limits<double>::infinity();
const double qnan = std::numeric_limits<double>::quiet_NaN();

} // namespace

TEST(FormatDouble, PowerTableRows)
{
	// Each row is ten times the one before, truncated to 128 bits with the top bit set; 10^0 to
	// 10^27 are exact (the scalings behind every fixed form up to 18 decimals).
	using u128 = unsigned __int128;
	const detail::PowerOfTen* t = detail::PowersOfTen;
	EXPECT_EQ(t[350].hi, 0x8000000000000000ull);
	EXPECT_EQ(t[350].lo, 0u);
	for(int i = 0; i < 700; i++) {
		u128 T = u128(t[i].hi) << 64 | t[i].lo;
		u128 hi = (T >> 64) * 10, lo = u128(uint64(T)) * 10; // T * 10 = hi * 2^64 + lo
		hi += lo >> 64;
		int s = 63 - __builtin_clzll(uint64(hi >> 63)); // bits above 128, 3 or 4
		int d = t[i + 1].b - t[i].b; // one more where truncation stopped just below a power of 2
		ASSERT_TRUE(d == s || d == s + 1) << i;
		u128 next = hi << (64 - d) | (u128(uint64(lo)) >> d);
		u128 N = u128(t[i + 1].hi) << 64 | t[i + 1].lo;
		ASSERT_TRUE(N >> 127 && N >= next && N - next <= 2) << i;
		if(i >= 350 && i < 377) {
			ASSERT_EQ(N, next) << i;
		}
	}
}

TEST(FormatDouble, DigitGeneration)
{
	char d[20];
	EXPECT_EQ(DoubleToDigits(DecomposeDouble(0.1), d, 17), -17);
	EXPECT_EQ(std::string(d, 17), "10000000000000001");
	EXPECT_EQ(DoubleToDigits(DecomposeDouble(Bits(1)), d, 18), -341);
	EXPECT_EQ(std::string(d, 18), "494065645841246544");
	EXPECT_EQ(DoubleToDigits(DecomposeDouble(std::numeric_limits<double>::max()), d, 18), 291);
	EXPECT_EQ(std::string(d, 18), "179769313486231571");
	EXPECT_EQ(DoubleToDigits(DecomposeDouble(9.5), d, 1), 1); // rounds up into the next power
	EXPECT_EQ(d[0], '1');
	EXPECT_EQ(DoubleToDigits(DecomposeDouble(2.5), d, 1), 0); // exact half to even
	EXPECT_EQ(d[0], '2');
}

TEST(FormatDouble, GeneralForm)
{
	EXPECT_EQ(G(0.1), "0.1");
	EXPECT_EQ(G(-0.0), "0");
	EXPECT_EQ(G(1e15), "1e15");
	EXPECT_EQ(G(999999999999999.0), "999999999999999");
	EXPECT_EQ(G(1e-7), "0.0000001");
	EXPECT_EQ(G(1.5e-8), "1.5e-8");
	EXPECT_EQ(G(1e100), "1e100");
	EXPECT_EQ(G(-1.5e20), "-1.5e20");
	EXPECT_EQ(G(123456789012345678.0), "1.23456789012346e17");
	EXPECT_EQ(G(0.0001), "0.0001");
	EXPECT_EQ(G(Bits(1)), "4.94065645841247e-324");
	EXPECT_EQ(G(std::numeric_limits<double>::max()), "1.79769313486232e308");
	EXPECT_EQ(G(-123.456), "-123.456");
	EXPECT_EQ(G(inf), "inf");
	EXPECT_EQ(G(-inf), "-inf");
	EXPECT_EQ(G(qnan), "nan");
	EXPECT_EQ(G(-qnan), "-nan");
}

TEST(FormatDouble, FlaggedGeneralForm)
{
	EXPECT_EQ(F(123, 2, 0), "1.2e02");
	EXPECT_EQ(F(123, 2, DF_SHORT_EXP), "1.2e2");
	EXPECT_EQ(F(123, 2, DF_EXP_SIGN | DF_CAPITAL_E), "1.2E+02");
	EXPECT_EQ(F(1e200, 3, 0), "1e200");
	EXPECT_EQ(F(-0.0, 5, DF_MINUS_ZERO), "-0");
	EXPECT_EQ(F(-0.0, 5, 0), "0");
	EXPECT_EQ(F(5, 3, DF_SIGN_PLUS), "+5");
	EXPECT_EQ(F(5, 3, DF_SIGN_SPACE), " 5");
	EXPECT_EQ(F(0.05, 1, 0), "5e-02");
	EXPECT_EQ(F(0.5, 1, 0), "0.5");
	EXPECT_EQ(F(0.05, 1, DF_ZEROS_BEFORE_EXP(2)), "0.05");
	EXPECT_EQ(F(2.5, 3, DF_KEEP_ZEROS), "2.50");
	EXPECT_EQ(F(2, 3, DF_ALWAYS_POINT), "2.");
	EXPECT_EQ(F(1.25, 3, DF_COMMA), "1,25");
	EXPECT_EQ(F(1, 40, 0), "1"); // digits clamp to 18
	EXPECT_EQ(F(inf, 5, 0), "");
	EXPECT_EQ(F(-inf, 5, DF_SPECIALS), "-inf");
	EXPECT_EQ(F(1.5, 3, DF_FIXED | DF_KEEP_ZEROS), "1.500");
	EXPECT_EQ(F(1.5, 3, DF_EXPONENT), "1.500e00");
}

TEST(FormatDouble, ExponentForm)
{
	EXPECT_EQ(Exp(0, 2, 0), "0.00e00");
	EXPECT_EQ(Exp(0, 0, DF_SHORT_EXP | DF_EXP_SIGN), "0e+0");
	EXPECT_EQ(Exp(-1234.5, 3, DF_CAPITAL_E), "-1.234E03"); // 1234.5 -> 1.2345 ties to even
	EXPECT_EQ(Exp(1e-300, 1, 0), "1.0e-300");
	EXPECT_EQ(Exp(1.5, 19, 0), "1.5000000000000000000e00");
	EXPECT_EQ(Exp(qnan, 2, DF_SPECIALS), "nan");
}

TEST(FormatDouble, FixedForm)
{
	EXPECT_EQ(Fix(35.27396195, 2, APP), "35.27");
	EXPECT_EQ(Fix(352.7396195, 2, APP), "352.74");
	EXPECT_EQ(Fix(0, 2, APP), "0.00");
	EXPECT_EQ(Fix(0.125, 2, APP), "0.12");
	EXPECT_EQ(Fix(0.375, 2, APP), "0.38");
	EXPECT_EQ(Fix(1.005, 2, APP), "1.00");
	EXPECT_EQ(Fix(-inf, 2, APP), "");
	EXPECT_EQ(Fix(qnan, 2, APP), "");
	EXPECT_EQ(Fix(1.5, 2, 0), "1.5");
	EXPECT_EQ(Fix(2.0, 2, 0), "2");
	EXPECT_EQ(Fix(1.5, 2, DF_COMMA), "1,5");
	EXPECT_EQ(Fix(2.0, 2, DF_COMMA), "2");
	EXPECT_EQ(Fix(2.5, 0, 0), "2");
	EXPECT_EQ(Fix(3.5, 0, 0), "4");
	EXPECT_EQ(Fix(2.0, 0, DF_ALWAYS_POINT), "2.");
	EXPECT_EQ(Fix(1e20, 2, DF_KEEP_ZEROS), "100000000000000000000.00");
	EXPECT_EQ(Fix(0.5, 20, DF_KEEP_ZEROS), "0.50000000000000000000");
	EXPECT_EQ(Fix(0.001, 2, APP), "0.00");
	EXPECT_EQ(Fix(-0.001, 2, APP), "-0.00");
	EXPECT_EQ(Fix(5, 18, DF_KEEP_ZEROS), "5.000000000000000000");       // 5e18 takes the 18-digit road
	EXPECT_EQ(Fix(123456789.125, 12, DF_KEEP_ZEROS), "123456789.125000000000");
	EXPECT_EQ(Fix(0, 25, DF_KEEP_ZEROS), "0." + std::string(25, '0'));
	EXPECT_EQ(Fix(std::numeric_limits<double>::max(), 0, 0), "179769313486231571" + std::string(291, '0'));
	EXPECT_EQ(Fix(1.25, -3, 0), "1"); // a negative count counts as no decimals
}

TEST(FormatDouble, ExactTiesRoundToEvenAsPrintf)
{
	EXPECT_EQ(Exp(35, 0, DF_EXP_SIGN), "4e+01");
	EXPECT_EQ(G(1000000000000015.0), "1.00000000000002e15");
	EXPECT_EQ(F(0, 6, DF_ALWAYS_POINT | DF_KEEP_ZEROS), "0.00000"); // as %#g writes zero
	// k * 10^j + 5 * 10^(j - 1): a tie once j digits are cut off; some precisions, others not
	std::mt19937_64 rng(5);
	char h[64];
	for(int i = 0; i < 100000; i++) {
		int j = 1 + int(rng() % 15);
		uint64 p10 = 1;
		for(int k = 0; k < j; k++)
			p10 *= 10;
		uint64 v = rng() % ((1ull << 53) / p10) * p10 + p10 / 2;
		double x = double(v);
		int digits = snprintf(h, sizeof(h), "%llu", (unsigned long long)v);
		int P = i % 2 ? max(digits - j - 1, 0) : int(rng() % 17);
		snprintf(h, sizeof(h), "%.*e", P, x);
		ASSERT_EQ(Exp(x, P, DF_EXP_SIGN), h) << v << " " << P;
	}
}

TEST(FormatDouble, FixedFormLongDecimalsStayInBuffer)
{
	std::string s = Fix(1.0 / 3, 400, DF_KEEP_ZEROS);
	ASSERT_EQ(s.size(), 402u);
	EXPECT_EQ(s.substr(0, 20), "0.333333333333333315");
	EXPECT_EQ(s.find_first_not_of('0', 20), std::string::npos);
}

TEST(FormatDouble, FixedFormMatchesPrintfOnTwoDecimals)
{
	std::mt19937_64 rng(7);
	char h[64];
	for(int i = 0; i < 300000; i++) {
		double x = i < 100000 ? i / 100.0 + 0.005 : std::uniform_real_distribution<double>(0, 1e6)(rng);
		snprintf(h, sizeof(h), "%.2f", x);
		ASSERT_EQ(Fix(x, 2, APP), h) << x;
	}
}

TEST(FormatDouble, SeventeenDigitsRoundTrip)
{
	std::mt19937_64 rng(11);
	for(int i = 0; i < 300000; i++) {
		uint64 b = rng();
		if(i % 3 == 0)
			b &= 0x800fffffffffffffull; // subnormals
		double x = Bits(b);
		if(!std::isfinite(x))
			continue;
		std::string s = F(x, 17, DF_EXPONENT);
		double y;
		ASSERT_TRUE(ScanDoubleText(&y, s.c_str(), 0, true));
		ASSERT_EQ(memcmp(&x, &y, 8), 0) << s;
		ASSERT_EQ(ScanDouble(G(x).c_str()), std::strtod(G(x).c_str(), nullptr)) << G(x);
	}
	for(double x : { std::numeric_limits<double>::max(), std::numeric_limits<double>::min(),
	                 std::numeric_limits<double>::denorm_min(), 1.0, 0.1, 2.2250738585072009e-308 }) {
		double y = ScanDouble(F(x, 17, 0).c_str());
		EXPECT_EQ(x, y) << F(x, 17, 0);
	}
}

// Decimals of up to 16 digits as people and printf write them, up to and around the limits of
// exact arithmetic (2^53, 10^22), read exactly as strtod reads them.
TEST(ScanDouble, ShortDecimalsMatchStrtod)
{
	std::mt19937_64 rng(5);
	for(int i = 0; i < 200000; i++) {
		uint64 m = rng() >> (11 + rng() % 53);
		if(i % 4 == 0)
			m = (1ull << 53) - rng() % 4;
		int e = int(rng() % 51) - 25;
		std::string s = std::to_string(m) + "e" + std::to_string(e);
		ASSERT_EQ(ScanDouble(s.c_str()), std::strtod(s.c_str(), nullptr)) << s;
		if(e < 0 && e > -20) {
			std::string d = std::to_string(m);
			d.insert(d.size() > size_t(-e) ? d.size() + e : 0, d.size() > size_t(-e) ? "." : "0.");
			ASSERT_EQ(ScanDouble(d.c_str()), std::strtod(d.c_str(), nullptr)) << d;
		}
	}
}

TEST(ScanDouble, Forms)
{
	double x;
	EXPECT_EQ(ScanDouble(" \t- 1,5"), -1.5);
	EXPECT_EQ(ScanDouble("1.5e2"), 150);
	EXPECT_EQ(ScanDouble("1.5E+2"), 150);
	EXPECT_EQ(ScanDouble("15e- 1"), 1.5);
	EXPECT_EQ(ScanDouble("1e400"), inf);
	EXPECT_EQ(ScanDouble("2e308"), inf);
	EXPECT_EQ(ScanDouble("-2e308"), -inf);
	EXPECT_EQ(ScanDouble("1.7976931348623157e308"), std::numeric_limits<double>::max());
	EXPECT_EQ(ScanDouble("1e-400"), 0);
	EXPECT_EQ(ScanDouble(".5"), 0.5);
	EXPECT_EQ(ScanDouble("12abc"), 12);
	EXPECT_EQ(ScanDouble("+7"), 7);
	EXPECT_TRUE(std::signbit(ScanDouble("-0")));
	EXPECT_EQ(ScanDouble("0e999"), 0);
	EXPECT_EQ(ScanDouble("4.9406564584124654e-324"), std::numeric_limits<double>::denorm_min());
	EXPECT_EQ(ScanDouble("2.4703282292062328e-324"), std::numeric_limits<double>::denorm_min());
	EXPECT_EQ(ScanDouble("2.4703282292062327e-324"), 0);
	EXPECT_EQ(ScanDouble("0.000000000000000000000000000000000000001e308"), 1e269);
	const char* e = Scan("1.2.3", x);
	ASSERT_TRUE(e);
	EXPECT_EQ(x, 1.2);
	EXPECT_STREQ(e, ".3");
	EXPECT_FALSE(Scan("1,5", x, '.') && x == 1.5);
}

TEST(ScanDouble, NoNumber)
{
	double x;
	for(const char* s : { "", "5e", "5e+", "abc", ".", ",", "-", " - ", "e5", "+-1" }) {
		EXPECT_EQ(Scan(s, x), nullptr) << s;
		EXPECT_EQ(x, 12345) << s;
		EXPECT_EQ(ScanDouble(s), -inf) << s;
	}
	const char* end = "untouched";
	EXPECT_EQ(ScanDouble("x", &end), -inf);
	EXPECT_STREQ(end, "untouched");
	EXPECT_EQ(ScanDouble("3x", &end), 3);
	EXPECT_STREQ(end, "x");
	EXPECT_EQ(ScanFloat("?"), -std::numeric_limits<float>::infinity());
	EXPECT_EQ(ScanFloat("0.1"), 0.1f);
}

TEST(ScanDouble, LongMantissas)
{
	// Nineteen significant digits at most take part; the rest only scale.
	EXPECT_EQ(ScanDouble("12345678901234567890123"), 1.2345678901234568e22);
	EXPECT_EQ(ScanDouble("0.000000000000000000001234567890123456789999"), 1.234567890123456789e-21);
	std::string many(500, '9');
	EXPECT_EQ(ScanDouble(many.c_str()), inf);
	EXPECT_EQ(ScanDouble(("0." + std::string(400, '0') + "1").c_str()), 0);
	EXPECT_EQ(ScanDouble(("1" + std::string(300, '0') + "e-300").c_str()), 1);
}

TEST(ScanDouble, TrailingFractionZerosStayExact)
{
	// Without dropping the zeros these went through an approximate scaling by 10^-1 and came
	// out one unit low.
	EXPECT_EQ(ScanDouble("9999999999999999.0"), 1e16);
	EXPECT_EQ(ScanDouble("000000000000009999999999999999.0"), 1e16);
	EXPECT_EQ(ScanDouble("2.500"), 2.5);
	EXPECT_EQ(ScanDouble("-0.0"), 0.0);
	EXPECT_TRUE(std::signbit(ScanDouble("-0.0")));
}
