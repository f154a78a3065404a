#include <Core/Core.h>

#include <gtest/gtest.h>

#include <string>

using namespace Qel;

namespace {

// The raw 16-byte body, for checks of the storage format that Value overlays.
struct Raw {
	byte b[16];
};

Raw RawOf(const String& s)
{
	Raw r;
	memcpy(r.b, (const void*)&s, 16);
	return r;
}

int KindOf(const String& s) { return RawOf(s).b[14]; }

int32 LengthField(const String& s)
{
	int32 l;
	memcpy(&l, RawOf(s).b + 8, 4);
	return l;
}

} // namespace

TEST(String, SmallFormBytes)
{
	static_assert(sizeof(String) == 16);
	String e;
	Raw r = RawOf(e);
	for(byte x : r.b)
		EXPECT_EQ(x, 0);
	EXPECT_FALSE(e.IsVoid());

	String s("hello");
	r = RawOf(s);
	EXPECT_EQ(memcmp(r.b, "hello", 5), 0);
	for(int i = 5; i < 15; i++)
		EXPECT_EQ(r.b[i], 0) << i;
	EXPECT_EQ(r.b[15], 5);

	String f("abcdefghijklmn"); // 14 characters: byte 14 is kind and terminator at once
	r = RawOf(f);
	EXPECT_EQ(r.b[14], 0);
	EXPECT_EQ(r.b[15], 14);
	EXPECT_STREQ(f.Begin(), "abcdefghijklmn");
	EXPECT_EQ(String((const char*)nullptr).GetLength(), 0);
}

TEST(String, MediumAndSharedForms)
{
	String m("abcdefghijklmno"); // 15 characters go straight out of line
	EXPECT_EQ(KindOf(m), 31);
	EXPECT_EQ(RawOf(m).b[15], 15);
	EXPECT_EQ(LengthField(m), 15);
	EXPECT_EQ(m.GetAlloc(), 31);
	EXPECT_EQ(m.Begin()[15], 0);

	String m2 = m; // medium blocks are never shared
	EXPECT_NE(m2.Begin(), m.Begin());
	EXPECT_EQ(m2, m);

	std::string t(100, 'x');
	String l(t.c_str());
	EXPECT_GE(KindOf(l), 32);
	EXPECT_EQ(LengthField(l), 100);
	String l2 = l; // shared blocks are
	EXPECT_EQ(l2.Begin(), l.Begin());
	l2.Cat('y');   // copy on write
	EXPECT_NE(l2.Begin(), l.Begin());
	EXPECT_EQ(l.GetLength(), 100);
	EXPECT_EQ(l2.GetLength(), 101);
}

TEST(String, VoidString)
{
	String v = String::GetVoid();
	EXPECT_TRUE(v.IsVoid());
	EXPECT_EQ(v.GetLength(), 0);
	EXPECT_EQ(KindOf(v), 50);
	EXPECT_EQ(RawOf(v).b[15], 15);
	EXPECT_EQ(v, String());
	String c = v;
	EXPECT_TRUE(c.IsVoid());
	c.Cat("abc");
	EXPECT_FALSE(c.IsVoid());
	EXPECT_EQ(c, "abc");
	EXPECT_TRUE(v.IsVoid());
	EXPECT_EQ(v.GetHashValue(), String().GetHashValue());
}

TEST(String, AppendGrowth)
{
	String s;
	std::string ref;
	for(int i = 0; i < 2000; i++) {
		char c = 'a' + i % 26;
		s.Cat(c);
		ref += c;
		ASSERT_EQ(s.GetLength(), (int)ref.size());
		ASSERT_EQ(std::string(s.Begin()), ref);
	}
	String t("abcdefghijklmn");
	t.Cat('o');
	EXPECT_EQ(KindOf(t), 31);
	EXPECT_EQ(t, "abcdefghijklmno");
}

TEST(String, SelfAliasing)
{
	String s("abc");
	s.Cat(s);
	EXPECT_EQ(s, "abcabc");
	s.Cat(s);
	s.Cat(s);
	EXPECT_EQ(s, "abcabcabcabcabcabcabcabc");
	s.Cat(s);
	EXPECT_EQ(s.GetLength(), 48);
	String t = s;
	t.Cat(t);
	EXPECT_EQ(t.GetLength(), 96);
	EXPECT_EQ(t.Mid(48), s);

	String u("0123456789abcdefghij");
	u.Set(u.Begin() + 2, 5);
	EXPECT_EQ(u, "23456");
	String w("0123456789abcdefghijklmnopqrstuvwxyz0123456789");
	w.Insert(3, w.Begin(), 4);
	EXPECT_EQ(w, "0120123" "3456789abcdefghijklmnopqrstuvwxyz0123456789");
}

TEST(String, HashValues)
{
	EXPECT_EQ(MemoryHash("", 0), 0xf7c21089bee7c0a5ULL);
	EXPECT_EQ(MemoryHash("A", 1), 0xcf79254d81e3a3a1ULL + 'A');
	// The small form hashes its raw 16 bytes, which is MemoryHash of those bytes.
	String s("hello");
	EXPECT_EQ(s.GetHashValue(), MemoryHash((const void*)&s, 16));
	String r("hello");
	r.Reserve(100); // out of line with a short text: same hash, equal
	EXPECT_NE(KindOf(r), 0);
	EXPECT_EQ(r.GetHashValue(), s.GetHashValue());
	EXPECT_TRUE(r == s);
	EXPECT_TRUE(s == r);
	std::string t(40, 'q');
	EXPECT_EQ(String(t.c_str()).GetHashValue(), MemoryHash(t.data(), 40));
}

TEST(String, Compare)
{
	EXPECT_EQ(String("ab").Compare(String("abc")), -1);
	EXPECT_EQ(String("abc").Compare(String("ab")), 1);
	EXPECT_EQ(String("abc").Compare(String("abc")), 0);
	EXPECT_EQ(String("\xe9").Compare(String("z")), 1);
	EXPECT_TRUE(String("abcdefghijklmnopq") < String("abcdefghijklmnopr"));
	EXPECT_TRUE(String("abc") == "abc");
	EXPECT_FALSE(String("abc") == "abcd");
	EXPECT_FALSE(String("abcdefghijklmn") == "abcdefghijklmno");
}

TEST(String, Mid)
{
	String s("abcdef");
	EXPECT_EQ(s.Mid(-5, 3), "abc");
	EXPECT_EQ(s.Mid(4, 10), "ef");
	EXPECT_EQ(s.Mid(2, -1), "");
	EXPECT_EQ(s.Mid(9, 2), "");
}

TEST(String, Replace)
{
	String s("aaa");
	s.Replace("aa", "b");
	EXPECT_EQ(s, "ba");
	s = "x.y.z";
	s.Replace(".", "--");
	EXPECT_EQ(s, "x--y--z");
	s.Replace("", "q");
	EXPECT_EQ(s, "x--y--z");
}

TEST(String, IntegerText)
{
	String s;
	s << 0 << ' ' << -17 << ' ' << 2147483647 << ' ' << (int)0x80000000 << '|';
	EXPECT_EQ(s, "0 -17 2147483647 |");
}

TEST(String, Trim)
{
	EXPECT_EQ(TrimBoth(String(" \t\na b\r\v\f ")), "a b");
	EXPECT_EQ(TrimLeft(String("  x ")), "x ");
	EXPECT_EQ(TrimRight(String("  x ")), "  x");
	EXPECT_EQ(TrimBoth(String("   ")), "");
}

TEST(StringBuffer, BuildsString)
{
	StringBuffer b;
	for(int i = 0; i < 1000; i++)
		b.Cat('a' + i % 26);
	String s = b;
	EXPECT_EQ(s.GetLength(), 1000);
	EXPECT_EQ(b.GetLength(), 0);
	EXPECT_EQ(s[999], 'a' + 999 % 26);
	StringBuffer c(s);
	EXPECT_EQ(s.GetLength(), 0);
	EXPECT_EQ(c.GetLength(), 1000);
	c.Cat("xyz");
	s = c;
	EXPECT_EQ(s.GetLength(), 1003);
	EXPECT_TRUE(s.EndsWith("zxyz") || s.EndsWith("xyz"));
}

