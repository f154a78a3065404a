#include <Core/Core.h>

#include <gtest/gtest.h>

using namespace Qel;

namespace {

String Parts(const Vector<String>& v)
{
	String r;
	for(const String& s : v)
		r << "[" << s << "]";
	return r;
}

int IsSep(int c) { return c == ',' || c == ';' || c >= 0x80; }

int UpperNoDigits(int c) { return c >= '0' && c <= '9' ? 0 : c >= 'a' && c <= 'z' ? c - 32 : c; }

} // namespace

TEST(Split, EmptyPartsAndEnds)
{
	EXPECT_EQ(Parts(Split("a,,b", ',', false)), "[a][][b]");
	EXPECT_EQ(Parts(Split("a,,b", ',', true)), "[a][b]");
	EXPECT_EQ(Parts(Split("a,", ',', false)), "[a][]");
	EXPECT_EQ(Parts(Split(",a", ',', false)), "[][a]");
	EXPECT_EQ(Parts(Split("", ',', false)), "[]");
	EXPECT_EQ(Split("", ',', true).GetCount(), 0);
	EXPECT_EQ(Split(",,,", ',', true).GetCount(), 0);
	EXPECT_EQ(Parts(Split(",,,", ',', false)), "[][][][]");
	EXPECT_EQ(Parts(Split(nullptr, ',', false)), "[]");
	EXPECT_EQ(Parts(Split("abc", ',')), "[abc]");
}

TEST(Split, MaxCount)
{
	EXPECT_EQ(Parts(Split(2, ',', "a,b,c")), "[a][b]");
	EXPECT_EQ(Parts(Split(1, ',', "a,b,c")), "[a]");
	EXPECT_EQ(Parts(Split(2, ',', "a,b")), "[a][b]");
	EXPECT_EQ(Parts(Split(2, ',', "a,", false)), "[a][]");
	EXPECT_EQ(Parts(Split(2, ',', ",,,x", true)), "[x]");
	EXPECT_EQ(Split(0, ',', "a,b").GetCount(), 0);
	EXPECT_EQ(Split(-3, ',', "a,b").GetCount(), 0);
}

TEST(Split, FilterSeparatorsSeeUnsignedBytes)
{
	EXPECT_EQ(Parts(Split(10, IsSep, "a;b,c\xC3\xA9" "d")), "[a][b][c][d]");
	EXPECT_EQ(Parts(Split("x\xFFy", IsSep)), "[x][y]");
	EXPECT_EQ(Parts(Split("/usr//lib/", '/')), "[usr][lib]");
	EXPECT_EQ(Parts(Split("a\xA0" "b", '\xA0')), "[a][b]"); // a plain char separator above 127
}

TEST(Join, Delimiters)
{
	Vector<String> v;
	EXPECT_EQ(Join(v, "-"), "");
	v.Add("a");
	v.Add("");
	v.Add("b");
	EXPECT_EQ(Join(v, "-"), "a--b");
	EXPECT_EQ(Join(v, "-", true), "a-b");
	Vector<String> empties;
	empties.Add("");
	empties.Add("");
	EXPECT_EQ(Join(empties, ", "), ", ");
	EXPECT_EQ(Join(empties, ", ", true), "");
	Vector<String> big; // outgrows the builder's inline area
	for(int i = 0; i < 300; i++)
		big.Add("word");
	String j = Join(big, " ");
	EXPECT_EQ(j.GetLength(), 300 * 5 - 1);
	EXPECT_EQ(Join(Split(j, ' '), " "), j);
}

TEST(Filter, Characters)
{
	EXPECT_EQ(Filter("a1b2", UpperNoDigits), "AB");
	EXPECT_EQ(Filter("", UpperNoDigits), "");
	EXPECT_EQ(Filter(nullptr, UpperNoDigits), "");
	EXPECT_EQ(Filter("ISO-8859-2", CharsetNameFilter), "iso88592");
	EXPECT_EQ(Filter("\xE9", [](int c) { return c == 0xE9 ? 0x1E9 : c; }), "\xE9"); // low 8 bits
	EXPECT_EQ(CharFilterUnicode(31), 0);
	EXPECT_EQ(CharFilterUnicode(32), 32);
	EXPECT_EQ(CharFilterUnicode(0x10FFFE), 0x10FFFE);
	EXPECT_EQ(CharFilterUnicode(0x10FFFF), 0);
	EXPECT_EQ(CharFilterUnicode(-1), 0);
}
