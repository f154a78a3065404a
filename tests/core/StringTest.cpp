#include <Core/Core.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

using namespace Qel;

namespace {

// The raw 16-byte body, the storage format that Value overlays.
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

std::string Std(const String& s) { return std::string(s.Begin(), (size_t)s.GetLength()); }

String Repeat(char c, int n) { return String(c, n); }

} // namespace

TEST(String, SmallFormBytes)
{
	static_assert(sizeof(String) == 16);
	Raw r = RawOf(String());
	for(byte x : r.b)
		EXPECT_EQ(x, 0);
	EXPECT_FALSE(String().IsVoid());

	r = RawOf(String("hello"));
	EXPECT_EQ(memcmp(r.b, "hello\0\0\0\0\0\0\0\0\0\0\x05", 16), 0);

	String f("abcdefghijklmn"); // 14 characters: byte 14 is the kind and the terminator at once
	r = RawOf(f);
	EXPECT_EQ(memcmp(r.b, "abcdefghijklmn\0\x0e", 16), 0);
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

	String l = Repeat('x', 100);
	EXPECT_GE(KindOf(l), 32);
	EXPECT_EQ(LengthField(l), 100);
	String l2 = l; // shared blocks are, and a change copies first
	EXPECT_EQ(l2.Begin(), l.Begin());
	l2.Cat('y');
	EXPECT_NE(l2.Begin(), l.Begin());
	EXPECT_EQ(l.GetLength(), 100);
	EXPECT_EQ(l2.GetLength(), 101);
	String l3 = l;
	l3.Set(0, 'z');
	EXPECT_EQ(l[0], 'x');
	l3 = l;
	l3.Trim(3);
	EXPECT_EQ(l.GetLength(), 100);
	EXPECT_EQ(l3, "xxx");
}

TEST(String, VoidString)
{
	String v = String::GetVoid();
	EXPECT_TRUE(v.IsVoid());
	EXPECT_EQ(v.GetLength(), 0);
	EXPECT_EQ(KindOf(v), 50);
	EXPECT_EQ(RawOf(v).b[15], 15);
	EXPECT_TRUE(v == String());
	EXPECT_EQ(v.GetHashValue(), String().GetHashValue());
	String c = v;
	EXPECT_TRUE(c.IsVoid());
	c.Cat("abc"); // never written in place: the shared empty buffer stays empty
	EXPECT_FALSE(c.IsVoid());
	EXPECT_EQ(c, "abc");
	EXPECT_TRUE(v.IsVoid());
	EXPECT_EQ(*v.Begin(), 0);
	StringBuffer b(v);
	b.Cat("q");
	EXPECT_EQ(String(b), "q");
	EXPECT_EQ(*String::GetVoid().Begin(), 0);
}

TEST(String, AppendBoundaries)
{
	String t("abcdefghijklmn");
	t.Cat('o'); // a full small text moves to a medium block
	EXPECT_EQ(KindOf(t), 31);
	EXPECT_EQ(t, "abcdefghijklmno");

	String s = Repeat('a', 29);
	const char* p = s.Begin();
	s.Cat("b", 1); // text appends stay in place up to 30 characters
	EXPECT_EQ(s.Begin(), p);
	s.Cat("c", 1);
	EXPECT_NE(s.Begin(), p);
	EXPECT_GT(KindOf(s), 31);
	EXPECT_EQ(Std(s), std::string(29, 'a') + "bc");

	String c = Repeat('a', 30);
	p = c.Begin();
	c.Cat('b'); // a character fills the block
	EXPECT_EQ(c.Begin(), p);
	EXPECT_EQ(c.GetLength(), 31);

	String small("abc");
	small.Cat("defghijklm", 10); // 13 characters: still small
	EXPECT_EQ(KindOf(small), 0);
	small.Cat("n", 1);
	EXPECT_EQ(KindOf(small), 31);
}

TEST(String, CapacityGrowsByHalfAtLeast)
{
	String s;
	int prev = s.GetAlloc();
	int steps = 0;
	for(int i = 0; i < 100000; i++) {
		s.Cat('x');
		ASSERT_GE(s.GetAlloc(), s.GetLength());
		if(s.GetAlloc() != prev) {
			ASSERT_GE(s.GetAlloc(), prev + prev / 2) << "after " << prev;
			prev = s.GetAlloc();
			steps++;
		}
	}
	EXPECT_LT(steps, 30);
	EXPECT_EQ(s, String('x', 100000));
}

TEST(String, SelfAliasing)
{
	String s("abc");
	s.Cat(s);
	s.Cat(s);
	s.Cat(s);
	EXPECT_EQ(s, "abcabcabcabcabcabcabcabc");
	s.Cat(s);
	EXPECT_EQ(s.GetLength(), 48);
	String t = s; // shared: the append must not read a block it has released
	t.Cat(t);
	EXPECT_EQ(t.GetLength(), 96);
	EXPECT_EQ(t.Mid(48), s);
	s.Reserve(200); // in place now: the source lies wholly before the target
	s.Cat(s);
	EXPECT_EQ(s, t);

	String u("0123456789abcdefghij");
	u.Set(u.Begin() + 2, 5);
	EXPECT_EQ(u, "23456");
	String w("0123456789abcdefghijklmnopqrstuvwxyz0123456789");
	w.Insert(3, w.Begin(), 4);
	EXPECT_EQ(w, "0120123" "3456789abcdefghijklmnopqrstuvwxyz0123456789");
	String x("0123456789");
	x.Insert(0, x.Begin() + 5, 5);
	EXPECT_EQ(x, "567890123456789");
}

TEST(String, EditingKeepsTheZeroFill)
{
	String s("abcdefgh");
	s.Trim(3);
	EXPECT_EQ(memcmp(RawOf(s).b, "abc\0\0\0\0\0\0\0\0\0\0\0\0\x03", 16), 0);
	s = "abcdefgh";
	s.Remove(1, 5);
	EXPECT_EQ(memcmp(RawOf(s).b, "agh\0\0\0\0\0\0\0\0\0\0\0\0\x03", 16), 0);
	s.Insert(1, "XY");
	EXPECT_EQ(s, "aXYgh");
	s.Insert(99, "!"); // positions are clamped to the text
	s.Remove(-3, 1);
	EXPECT_EQ(s, "XYgh!");
	s.Cat('-', 20);
	EXPECT_EQ(s.GetLength(), 25);
	s.Trim(40);
	EXPECT_EQ(s.GetLength(), 25);
}

TEST(String, EqualityAndHashAcrossForms)
{
	String s("hello");
	EXPECT_EQ(s.GetHashValue(), MemoryHash((const void*)&s, 16)); // the raw 16 bytes
	String r("hello");
	r.Reserve(100); // out of line with a short text
	EXPECT_NE(KindOf(r), 0);
	EXPECT_EQ(r.GetHashValue(), s.GetHashValue());
	EXPECT_TRUE(r == s && s == r);
	String l = Repeat('q', 40);
	EXPECT_EQ(l.GetHashValue(), MemoryHash(std::string(40, 'q').data(), 40));

	// Texts of equal length differing in one byte anywhere, across the word ladder.
	for(int n = 1; n < 100; n++) {
		String a = Repeat('k', n);
		for(int i = 0; i < n; i++) {
			String b = a;
			b.Set(i, 'j');
			ASSERT_FALSE(a == b) << n << " " << i;
			ASSERT_FALSE(a.IsEqual(b));
			ASSERT_TRUE(a == Std(a).c_str());
			ASSERT_FALSE(a == Std(b).c_str());
		}
	}
	EXPECT_FALSE(String("abcdefghijklmn") == "abcdefghijklmno");
}

TEST(String, CompareIsUnsignedBytewise)
{
	EXPECT_EQ(String("ab").Compare(String("abc")), -1);
	EXPECT_EQ(String("abc").Compare(String("ab")), 1);
	EXPECT_EQ(String("abc").Compare(String("abc")), 0);
	EXPECT_EQ(String("\xe9").Compare(String("z")), 1);
	for(int n = 1; n < 40; n++)
		for(int i = 0; i < n; i++) {
			String a = Repeat('m', n), b = a;
			b.Set(i, 0xf0);
			ASSERT_EQ(a.Compare(b), -1) << n << " " << i;
			ASSERT_EQ(b.Compare(a), 1);
			ASSERT_EQ(b.Compare(Std(a).c_str()), 1);
			ASSERT_TRUE(a < b);
		}
}

TEST(String, Mid)
{
	String s("abcdef");
	EXPECT_EQ(s.Mid(-5, 3), "abc");
	EXPECT_EQ(s.Mid(4, 10), "ef");
	EXPECT_EQ(s.Mid(2, -1), "");
	EXPECT_EQ(s.Mid(9, 2), "");
	EXPECT_EQ(s.Left(2), "ab");
	EXPECT_EQ(s.Right(2), "ef");
}

TEST(String, Replace)
{
	String s("aaa");
	s.Replace("aa", "b"); // non-overlapping, left to right
	EXPECT_EQ(s, "ba");
	s = "x.y.z";
	s.Replace(".", "--");
	EXPECT_EQ(s, "x--y--z");
	s.Replace("", "q");
	EXPECT_EQ(s, "x--y--z");
	s.Replace("-", "");
	EXPECT_EQ(s, "xyz");
	s.Replace("xyz", "a longer text than the small form holds");
	EXPECT_EQ(s, "a longer text than the small form holds");
}

TEST(String, Search)
{
	String s("one two one two");
	EXPECT_EQ(s.Find('t'), 4);
	EXPECT_EQ(s.Find('t', 5), 12);
	EXPECT_EQ(s.Find("two"), 4);
	EXPECT_EQ(s.Find("two", 5), 12);
	EXPECT_EQ(s.Find("two", 13), -1);
	EXPECT_EQ(s.Find("", 15), 15);
	EXPECT_EQ(s.ReverseFind('o'), 14);
	EXPECT_EQ(s.ReverseFind("one"), 8);
	EXPECT_EQ(s.ReverseFind("xyz"), -1);
	EXPECT_TRUE(s.StartsWith("one "));
	EXPECT_TRUE(s.EndsWith(" two"));
	EXPECT_FALSE(s.EndsWith("one two one two!"));
}

TEST(String, TextOperators)
{
	String s;
	s << 0 << ' ' << -17 << ' ' << 2147483647 << ' ' << INT_NULL << '|';
	EXPECT_EQ(s, "0 -17 2147483647 |");
	EXPECT_EQ(String(String() << -2147483647), "-2147483647");
	const char* none = nullptr;
	EXPECT_EQ(none + String("x"), "x");
	EXPECT_EQ("a" + String("b") + 'c' + String("d") + "e", "abcde");
}

TEST(String, TrimWhiteSpace)
{
	EXPECT_EQ(TrimBoth(String(" \t\na b\r\v\f ")), "a b");
	EXPECT_EQ(TrimLeft(String("  x ")), "x ");
	EXPECT_EQ(TrimRight(String("  x ")), "  x");
	EXPECT_EQ(TrimBoth(String("   ")), "");
	EXPECT_EQ(TrimBoth("  x "), "x"); // a literal picks the String form
	EXPECT_EQ(TrimLeft("x "), "x ");
	EXPECT_EQ(TrimRight(" x "), " x");
	EXPECT_EQ(ToUpper("ab"), "AB");
	String l = Repeat('w', 50);
	EXPECT_EQ(TrimBoth(l).Begin(), l.Begin()); // unchanged: a copy sharing the block
}

TEST(String, CharCount)
{
	EXPECT_EQ(String("a\xc3\xb1" "b\xe2\x82\xac\xf0\x9f\x98\x80").GetCharCount(), 5);
	EXPECT_EQ(String("\xc0\x80").GetCharCount(), 2);     // overlong: two stray bytes
	EXPECT_EQ(String("\xed\xa0\x80").GetCharCount(), 3); // a surrogate in three bytes: three stray bytes
	EXPECT_EQ(String("\xe2\x82").GetCharCount(), 2);     // cut short
}

TEST(String, SharedCopiesAcrossThreads)
{
	String s = Repeat('t', 100);
	std::vector<std::thread> t;
	for(int k = 0; k < 4; k++)
		t.emplace_back([&s] {
			for(int i = 0; i < 20000; i++) {
				String c = s;
				if(c.GetLength() != 100)
					abort();
			}
		});
	for(auto& x : t)
		x.join();
	String c = s;
	c.Cat('!'); // the count is back at one owner plus this copy: copy on write
	EXPECT_EQ(s.GetLength(), 100);
}

TEST(String, Exc)
{
	try {
		throw Exc("bad input");
	}
	catch(const Exc& e) {
		EXPECT_EQ(e, "bad input");
		EXPECT_EQ(e.GetLength(), 9);
	}
	Exc e(String("text"));
	EXPECT_EQ(e, "text");
}

TEST(StringDeathTest, TooBig)
{
	String s("abc");
	EXPECT_DEATH(s.Cat('x', 0x7fffffff), "String is too big!");
	EXPECT_DEATH(s.Insert(0, "x", -1), "String is too big!");
	EXPECT_DEATH(String("x", -2), "String is too big!");
	StringBuffer b;
	b.Cat("abc");
	EXPECT_DEATH(b.Cat('x', 0x7fffffff), "StringBuffer is too big \\(>2GB\\)!");
}

TEST(StringBuffer, BuildsAndHandsOver)
{
	StringBuffer b;
	EXPECT_EQ(b.GetAlloc(), 255);
	for(int i = 0; i < 1000; i++)
		b.Cat((char)('a' + i % 26));
	const char* p = b.Begin();
	String s = b; // adopted without a copy
	EXPECT_EQ(s.Begin(), p);
	EXPECT_EQ(s.GetLength(), 1000);
	EXPECT_EQ(b.GetLength(), 0);
	EXPECT_EQ(b.GetAlloc(), 255);

	StringBuffer c(s); // and taken back
	EXPECT_EQ(c.Begin(), p);
	EXPECT_TRUE(s.IsEmpty());
	c.Cat("xyz");
	s = c;
	EXPECT_EQ(s.GetLength(), 1003);
	EXPECT_TRUE(s.EndsWith("lxyz"));

	StringBuffer d;
	d.SetLength(2000);
	memset(d.Begin(), 'q', 2000);
	d.SetLength(20); // far more room than text: the String shrinks it
	String q = d;
	EXPECT_EQ(q, "qqqqqqqqqqqqqqqqqqqq");
	EXPECT_EQ(q.GetAlloc(), 31);

	StringBuffer e;
	e.Cat("short");
	EXPECT_EQ(String(e), "short");
}

TEST(StringBuffer, AppendsItsOwnText)
{
	StringBuffer b;
	b.Cat(String('a', 200));
	b.Cat(b.Begin(), 200); // must grow: the source is the block being replaced
	b.Cat(b.Begin(), 400);
	String s = b;
	EXPECT_EQ(Std(s), std::string(800, 'a'));

	String t("abc");
	StringBuffer c(t);
	EXPECT_EQ(c.GetAlloc(), 31);
	c.Cat(c.Begin(), 3);
	EXPECT_EQ(String(c), "abcabc");
}

TEST(StringBuffer, GrowthKeepsTheHeaderCapacity)
{
	// Whether a large block grows in place or moves, the capacity a String adopts must be the
	// buffer's real one.
	StringBuffer b;
	b.SetLength(1000);
	memset(b.Begin(), 'a', 1000);
	b.SetLength(1400);
	memset(b.Begin() + 1000, 'b', 400);
	b.SetLength(1300);
	int cap = b.GetAlloc();
	EXPECT_GE(cap, 1400);
	String s = b;
	EXPECT_EQ(s.GetAlloc(), cap);
	EXPECT_EQ(Std(s), std::string(1000, 'a') + std::string(300, 'b'));
	const char* p = s.Begin();
	s.Cat('c', cap - 1301); // fills the adopted block in place
	EXPECT_EQ(s.Begin(), p);
	EXPECT_EQ(s.GetLength(), cap - 1);
}

TEST(StringBuffer, LargeBlockGrowsInPlace)
{
	bool resizes = false;
	std::thread([&] { // a fresh thread heap: free space follows the block
		void* q = MemoryAlloc(2000);
		size_t more = 3000;
		resizes = MemoryTryRealloc(q, more);
		MemoryFree(q);
		if(!resizes)
			return;
		StringBuffer b;
		b.SetLength(1000);
		memset(b.Begin(), 'a', 1000);
		const char* p = b.Begin();
		b.SetLength(1500);
		EXPECT_EQ(b.Begin(), p);
		EXPECT_GE(b.GetAlloc(), 1500);
		b.SetLength(700);
		StringBuffer small; // below 801 characters a buffer always moves
		small.SetLength(500);
		p = small.Begin();
		small.SetLength(600);
		EXPECT_NE(small.Begin(), p);
		String s = b;
		EXPECT_EQ(Std(s), std::string(700, 'a'));
	}).join();
	if(!resizes)
		GTEST_SKIP() << "this allocator does not resize in place";
}

// An over-sized buffer handed to a String ends at the capacity a fresh copy would have, whether the
// heap cut it where it lies (large and big blocks) or the text moved.
TEST(StringBuffer, AdoptedBufferShrinksToCopyCapacity)
{
	std::thread([] {
		for(int len : {9000, 100000}) {
			StringBuffer b;
			b.SetLength(len * 2);
			memset(b.Begin(), 'q', (size_t)len * 2);
			b.SetLength(len);
			String s = b;
			EXPECT_EQ(Std(s), std::string((size_t)len, 'q'));
			String fresh(s.Begin(), len);
			EXPECT_EQ(s.GetAlloc(), fresh.GetAlloc());
			EXPECT_TRUE(b.IsEmpty());
			s.Cat("tail"); // the cut block is still a sound heap block
			EXPECT_TRUE(s.EndsWith("qtail"));
		}
	}).join();
}
