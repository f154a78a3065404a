// The scanner's single multiply-or-divide path against std::from_chars, and long mantissas against
// their first 19 significant digits, on random texts built around the boundaries that matter.
#include <Core/text/FormatDouble.h>

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>

using namespace Qel;

namespace {

uint64 BitsOf(double x)
{
	uint64 b;
	memcpy(&b, &x, 8);
	return b;
}

// Mantissas near the edges: powers of two around 2^53, all nines, powers of ten, random widths.
uint64 Mantissa(std::mt19937_64& rng)
{
	switch(rng() % 6) {
	case 0: return (1ull << 53) + (rng() % 5) - 2;
	case 1: return (1ull << (rng() % 64)) + (rng() % 3) - 1;
	case 2: { uint64 m = 9; for(int n = rng() % 19; n--;) m = m * 10 + 9; return m; }
	case 3: { uint64 m = 1; for(int n = rng() % 19; n--;) m *= 10; return m; }
	case 4: return rng() % 1000;
	default: return rng() >> (rng() % 64);
	}
}

struct Text {
	std::string s;
	uint64 m;   // the digits as the scanner takes them (trailing zeros included)
	int64  e10; // the text is m times 10^e10
};

// m written with the separator somewhere (or nowhere), optional leading and trailing zeros, and an
// optional exponent that puts the decimal exponent around +-22/23, the subnormals or the overflow.
Text Make(std::mt19937_64& rng, uint64 m)
{
	std::string digits = std::to_string(m);
	int trailing = 0;
	while(rng() % 5 == 0 && m < 1000000000000000000ull) { // still within 19 digits
		digits += '0';
		m *= 10;
		trailing++;
	}
	if(rng() % 4 == 0)
		digits.insert(0, rng() % 6, '0');
	int frac = int(rng() % (digits.size() + 1));
	Text t;
	if(rng() % 3 == 0)
		t.s = "-";
	t.s += digits.substr(0, digits.size() - frac);
	if(frac || rng() % 4 == 0)
		t.s += "." + digits.substr(digits.size() - frac);
	int64 ex = 0;
	switch(rng() % 5) {
	case 0: break;
	case 1: ex = int64(rng() % 47) - 23 + frac; break; // lands on e10 in -23..23
	case 2: ex = int64(rng() % 640) - 340; break;
	case 3: ex = -int64(rng() % 30) - 300; break; // subnormals and below
	default: ex = int64(rng() % 20) + 290; break; // near the largest doubles
	}
	if(ex || rng() % 8 == 0) {
		t.s += rng() % 2 ? "e" : "E";
		if(ex >= 0 && rng() % 2)
			t.s += "+";
		t.s += std::to_string(ex);
	}
	t.m = m;
	t.e10 = ex - frac;
	return t;
}

} // namespace

TEST(ScanDouble, SingleOperationPathMatchesFromChars)
{
	std::mt19937_64 rng(7);
	int exact = 0;
	for(int i = 0; i < 1500000; i++) {
		uint64 m = Mantissa(rng);
		if(m >= 10000000000000000000ull)
			m /= 10; // 19 digits at most: all of them enter the mantissa
		Text t = Make(rng, m);
		t.s += " x"; // the number ends before the blank
		double want = 0, got = 0;
		auto r = std::from_chars(t.s.data(), t.s.data() + t.s.size(), want);
		const char* e = ScanDoubleText(&got, t.s.c_str(), 0, true);
		ASSERT_EQ(e, r.ptr) << t.s;
		ASSERT_EQ(std::signbit(got), t.s[0] == '-') << t.s;
		uint64 g = BitsOf(std::abs(got));
		if(r.ec == std::errc::result_out_of_range) // zero or infinity; the table path may be one unit off
			ASSERT_TRUE(g <= 1 || g >= BitsOf(std::numeric_limits<double>::max())) << t.s;
		else if(t.m <= (1ull << 53) && t.e10 >= -22 && t.e10 <= 22) {
			exact++;
			ASSERT_EQ(BitsOf(got), BitsOf(want)) << t.s; // correctly rounded
		}
		else // the table path: within one unit
			ASSERT_LE(std::abs(int64(g - BitsOf(std::abs(want)))), 1) << t.s;
	}
	EXPECT_GT(exact, 200000); // the boundaries were reached from both sides
}

TEST(ScanDouble, LongMantissasKeepTheirFirst19Digits)
{
	std::mt19937_64 rng(11);
	for(int i = 0; i < 300000; i++) {
		int n = 20 + int(rng() % 30);
		std::string digits(1, char('1' + rng() % 9));
		while((int)digits.size() < n)
			digits += char('0' + (rng() % 4 ? rng() % 10 : 9));
		std::string lead = rng() % 3 ? "" : (rng() % 2 ? "0." + std::string(rng() % 10, '0') : "000");
		int point = lead.empty() ? int(rng() % (n + 1)) : n; // position of the separator among the digits
		std::string text = lead + digits.substr(0, point);
		if(point < n)
			text += (lead.find('.') == std::string::npos ? "." : "") + digits.substr(point);
		int64 scale = lead.find('.') != std::string::npos ? -int64(lead.size() - 2) - n : point - n;
		int ex = int(rng() % 41) - 20;
		text += "e" + std::to_string(ex);
		// The same value from its first 19 digits: the rest are dropped, not rounded.
		std::string cut = digits.substr(0, 19) + "e" + std::to_string(scale + (n - 19) + ex);
		double a = 0, b = 0;
		const char* e = ScanDoubleText(&a, text.c_str(), 0, true);
		ASSERT_EQ(e, text.c_str() + text.size()) << text;
		ASSERT_TRUE(ScanDoubleText(&b, cut.c_str(), 0, true));
		ASSERT_EQ(BitsOf(a), BitsOf(b)) << text << " / " << cut;
	}
}
