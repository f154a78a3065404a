#include <Core/Core.h>

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>

using namespace Qel;

namespace {

std::string Str(const String& s)
{
	return std::string(~s, s.GetLength());
}

template <class... T>
std::string F(const char* fmt, const T&... args)
{
	return Str(Format(fmt, args...));
}

const double inf = HUGE_VAL;

} // namespace

TEST(Format, LiteralsPositionsAndEnds)
{
	EXPECT_EQ(F("%d%%", 5), "5%");
	EXPECT_EQ(F("abc%", 7), "abc7");
	EXPECT_EQ(F("%2:d %1:d", 1, 2), "2 1");
	EXPECT_EQ(F("%2$d-%d", 1, 2), "2-<invalid pos=2>");
	EXPECT_EQ(F("%3:d|", 1, 2), "<invalid pos=2>|");
	EXPECT_EQ(F("%0:d`x", 1), "<invalid pos=-1>x");
	EXPECT_EQ(F("%d %d", 1), "1 <invalid pos=1>");
	EXPECT_EQ(F("%d of %s: %2nf", 3, String("ten"), 3.14159), "3 of ten: 3.14");
	EXPECT_EQ(F("%dpx", 3), "3px");
	EXPECT_EQ(F("%d`s", 3), "3s");
	EXPECT_EQ(F("%s and %s", String("a"), "b"), "a and b");
	EXPECT_EQ(F("x%[lit]`y", 1), "x1y");
}

TEST(Format, Alignment)
{
	EXPECT_EQ(F("%5>d", 42), "   42");
	EXPECT_EQ(F("%5<d|", 42), "42   |");
	EXPECT_EQ(F("%6=d", 42), "  42  ");
	EXPECT_EQ(F("%5=d", 42), " 42  ");
	EXPECT_EQ(F("%2>d", 123), "12");
	EXPECT_EQ(F("%<5d|", 42), "|");
	EXPECT_EQ(F("%*>d", 4, 7), "   7");
	EXPECT_EQ(F("%*:d", 2, 9), "9");
	EXPECT_EQ(F("%*:d", INT_MIN, 9), "<invalid pos=-2147483649>");
	EXPECT_EQ(F("%*:**d", INT_MAX, 9), "<invalid pos=2147483648>");
	EXPECT_EQ(F("%1001>d", 1), "1<invalid padding>");
	EXPECT_EQ(F("%3<s|", String("\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9")), "\xc3\xa9\xc3\xa9\xc3\xa9|");
	EXPECT_EQ(F("%4>s", String("\xc3\xa9")), "   \xc3\xa9");
	EXPECT_EQ(F("%99999999999999>d", 1), "1<invalid padding>");
}

TEST(Format, StarAndNullText)
{
	EXPECT_EQ(F("%*d|", 5, 42), "   42|");
	EXPECT_EQ(F("%.*f", 2, 1.0 / 3), "0.33");
	EXPECT_EQ(F("%*d", Value(), 42), "42");
	EXPECT_EQ(F("%[---]~d", INT_MIN), "---");
	EXPECT_EQ(F("%[n/a]~5>d", Value()), "  n/a");
	EXPECT_EQ(F("%d|", INT_MIN), "|");
	EXPECT_EQ(F("%[none]vt", String()), "none");
	EXPECT_EQ(F("%[none]vt", String("x")), "x");
	EXPECT_EQ(F("%[abc", 1), "1");
}

TEST(Format, PrintfFormatters)
{
	EXPECT_EQ(F("%5d|%-5d|%05d", 1, 2, 3), "    1|2    |00003");
	EXPECT_EQ(F("%x %X %o %c", 255, 255, 8, 65), "ff FF 10 A");
	EXPECT_EQ(F("%ld %lx", -1, -1), "-1 ffffffffffffffff");
	EXPECT_EQ(F("%lld", int64(1) << 40), "1099511627776");
	EXPECT_EQ(F("%.3f %e %g %G", 1.5, 1500.0, 0.0001, 1e20), "1.500 1.500000e+03 0.0001 1E+20");
	EXPECT_EQ(F("%d", 2.9), "2");
	EXPECT_EQ(F("%f", 1e300).size(), 308u);
	// only [-+ #0]*[0-9]*(.[0-9]*)? reaches printf
	EXPECT_EQ(F("%5.2.1f", 1.0), " 1.00");
	EXPECT_EQ(F("%@!5d", 7), "7"); // the text from the first foreign character on is dropped
	EXPECT_EQ(F("%-5,d|", 7), "7    |");
	EXPECT_EQ(F("%99999999999d", 7), "7");
	EXPECT_EQ(F("%+.2e", 12345.678), "+1.23e+04");
}

TEST(Format, ChoiceTexts)
{
	EXPECT_EQ(F("%[1:file;files]s", 1), "file");
	EXPECT_EQ(F("%[1:file;files]s", 2), "files");
	for(auto [n, e] : { std::pair(1, "st"), { 2, "nd" }, { 3, "rd" }, { 4, "th" }, { 11, "st" }, { 23, "rd" } })
		EXPECT_EQ(F("%[10%1:st;2:nd;3:rd;th]s", n), e) << n;
	EXPECT_EQ(F("%[1,2,3:few;4:four]s", 2), "few");
	EXPECT_EQ(F("%[1,2,3:few;4:four]s", 4), "four");
	EXPECT_EQ(F("%[1,2,3:few;4:four]s", 5), "");
	EXPECT_EQ(F("%[1:one]s", 2), "");
	EXPECT_EQ(F("%s", 2), "");
	EXPECT_EQ(F("%[0%1:x;y]s", 1), "y");
}

TEST(Format, TextWithWidth)
{
	EXPECT_EQ(F("%5.3s|", String("abcdef")), "  abc|");
	EXPECT_EQ(F("%-5s|", String("ab")), "ab   |");
	EXPECT_EQ(F("%.1s", WString(String("\xc3\xa9x"))), "\xc3\xa9");
	EXPECT_EQ(F("%3s|", Value()), "   |");
	EXPECT_THROW(Format("%99999999999s", String("a")), CParser::Error);
}

TEST(Format, NumberFamilies)
{
	EXPECT_EQ(F("%1nf", 2.71), "2.7");
	EXPECT_EQ(F("%n", 1234.5678), "1234.5678");
	EXPECT_EQ(F("%n", -1234.5678), "-1234.5678");
	EXPECT_EQ(F("%2n", -1234.5678), "-1234.57");
	EXPECT_EQ(F("%2v", 1234.5678), "1.2e03");
	EXPECT_EQ(F("%+2nf", 2.0), "+2");
	EXPECT_EQ(F("%2!nf", 2.0), "2.00");
	EXPECT_EQ(F("%2,!nf", 2.0), "2,00");
	EXPECT_EQ(F("%2nlf", 1234567.891), "1,234,567.89");
	EXPECT_EQ(F("%2@nlf", 1234567.891), "1234567.89");
	EXPECT_EQ(F("%2,nlf", 1234.5), "1,234,5");
	EXPECT_EQ(F("%-3nf", 2.5), "2");
	EXPECT_EQ(F("%99999999999!nf", 0.5).size(), 1002u);
	EXPECT_EQ(F("%n|", Value()), "|");
	EXPECT_EQ(F("%n", 5), "5");

	EXPECT_EQ(F("%+05.1mf", 2.5), "+02.5");
	EXPECT_EQ(F("%m", inf), "inf");
	EXPECT_EQ(F("%?m|", inf), "|");
	EXPECT_EQ(F("%-6.1mf|", 2.5), "2.5   |");
	EXPECT_EQ(F("%6.1mf|", 2.5), "   2.5|");
	EXPECT_EQ(F("%1001mf|", 2.5), "|");
	EXPECT_EQ(F("%.101mf|", 2.5), "|");
	EXPECT_EQ(F("%.2me", 1234.5), "1.23e+03");
	EXPECT_EQ(F("%.2mE", 1234.5), "1.23E+03");
	EXPECT_EQ(F("%,2mf", 1.5), "1,50");
	EXPECT_EQ(F("%06.1mf", Value()), "  -inf");
}

TEST(Format, AlphaRomanTwelveNames)
{
	EXPECT_EQ(F("%a", 28), "ab");
	EXPECT_EQ(F("%A", -1), "-A");
	EXPECT_EQ(F("%a|", 0), "|");
	EXPECT_EQ(F("%r %R", 944, 1004), "cmxliv MIV");
	EXPECT_EQ(F("%tw %tw %tw %tw", 0, 13, 12, 23), "12 1 12 11");
	EXPECT_EQ(F("%[0]tw", 9), "09");
	EXPECT_EQ(F("%month %Month %MONTH", 1, 2, 12), "january February DECEMBER");
	EXPECT_EQ(F("%mon %Mon %MON|%Month", 1, 2, 12, 13), "jan Feb DEC|");
	EXPECT_EQ(F("%day %Day %DAY %dy %Dy %DY", 0, 1, 6, 2, 3, 4), "sunday Monday SATURDAY tu We TH");
}

TEST(Format, AnyTypeAndRegistry)
{
	EXPECT_EQ(F("%", String("txt")), "txt");
	EXPECT_EQ(F("%vt", 1.5), "1.5");
	EXPECT_EQ(F("%vt|", Value()), "|");
	EXPECT_EQ(F("%", Value()), "");
	EXPECT_EQ(F("%zz", 5), "5zz");

	RegisterFormatter(3, "up", [](const Formatting& f) { return String("<") + f.format + ">" + f.arg.ToString(); });
	EXPECT_EQ(F("%[opt]up|%upper", String("a"), String("b")), "<opt>a|<>bper");
	RegisterFormatter(3, "up", [](const Formatting&) { return String("second"); });
	EXPECT_EQ(F("%up", String("a")), "<>a");
	RegisterFormatter(7, "every", [](const Formatting& f) { return f.id; });
	EXPECT_EQ(F("%every %everyone", 1, String("x")), "every everyone");
	EXPECT_EQ(F("%every", 1.5), "every");
}

TEST(Format, FrontEnds)
{
	Vector<Value> v;
	v.Add(1);
	v.Add(String("b"));
	EXPECT_EQ(Str(Format("%d%s", v)), "1b");
	EXPECT_EQ(Str(Format(0, "%d%s", v)), "1b");
	EXPECT_EQ(F("%d", (byte)200), "200");
	EXPECT_EQ(F("%d", (short)-2), "-2");
	EXPECT_EQ(Str(FormatArgs("%d%d%d%d", 1, 2, 3, 4)), "1234");
	EXPECT_EQ(F("%2:02d/%3:02d/%1:4d", (short)2024, (byte)3, (byte)5), "03/05/2024");
	EXPECT_EQ(F("%04d%02d%02d`T%02d:%02d:%02d", (short)2024, (byte)3, (byte)5, (byte)1, (byte)2, (byte)3),
	          "20240305T01:02:03");
	EXPECT_EQ(F("Number must be between %g and %g.", -1.7976931348623157e308, 1.7976931348623157e308),
	          "Number must be between -1.79769e+308 and 1.79769e+308.");
}

TEST(Format, Sprintf)
{
	EXPECT_EQ(Str(Sprintf("%08X-%s", 0xbeefu, "x")), "0000BEEF-x");
	std::string big(5000, 'q');
	String s = Sprintf("<%s>", big.c_str());
	EXPECT_EQ(s.GetLength(), 5002); // formatted again rather than cut
	EXPECT_EQ(Str(Sprintf("%2000d", 1)).size(), 2000u);
	EXPECT_EQ(Sprintf("%-3000s|", "a"), "a" + String(' ', 2999) + "|");
}

// A width whose result no String can hold gives the empty text instead of ending the process.
// (The C library pads the whole width while measuring, so this takes a few seconds.)
TEST(Format, SprintfTooLongForAStringIsEmpty)
{
	EXPECT_EQ(Sprintf("%2147483647d", 1), "");
}

TEST(Format, TrimCharCount)
{
	String s("a\xc3\xa9" "b");
	TrimCharCount(s, 2);
	EXPECT_EQ(Str(s), "a\xc3\xa9");
	TrimCharCount(s, -1);
	EXPECT_EQ(Str(s), "");

	// bytes the decoder cannot take (overlong, escape range, beyond U+10FFFF) count one each,
	// as String::GetCharCount counts them
	for(const char* bad : { "\xE0\x80\x80", "\xEE\xB8\x80", "\xF4\x90\x80\x80" }) {
		String t = String(bad) + "ab";
		String cut = t;
		TrimCharCount(cut, 2);
		EXPECT_EQ(Str(cut), std::string(bad, 2));
		EXPECT_EQ(F("%.2s", t), std::string(bad, 2));
		EXPECT_EQ(Format("%9>s", t).GetCharCount(), 9);
	}
}
