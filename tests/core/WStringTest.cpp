#include <Core/Core.h>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using namespace Qel;

namespace {

WString Chars(int n, int first = 'a')
{
	WString s;
	for(int i = 0; i < n; i++)
		s.Cat(first + i % 26);
	return s;
}

WString W(const char* s)
{
	WString r;
	while(*s)
		r.Cat((byte)*s++);
	return r;
}

} // namespace

TEST(WString, StorageClasses)
{
	WString e;
	EXPECT_EQ(e.GetAlloc(), 0);
	EXPECT_EQ(e[0], 0u);
	WString s(Chars(23).Begin(), 23);
	EXPECT_EQ(s.GetAlloc(), 23);
	s.Cat('x');
	EXPECT_GE(s.GetAlloc(), 34);
	EXPECT_EQ(s.GetLength(), 24);
	EXPECT_EQ(s[24], 0u);
	WString t(s.Begin(), 0);
	EXPECT_EQ(t.GetAlloc(), 0);
}

TEST(WString, CopyOnWrite)
{
	WString a = Chars(30);
	WString b = a;
	EXPECT_EQ(a.Begin(), b.Begin()); // shared
	b.Cat('!');
	EXPECT_EQ(a.GetLength(), 30);
	EXPECT_EQ(b.GetLength(), 31);
	WString c = a;
	c.Remove(0, 5);
	EXPECT_EQ(a, Chars(30));
	EXPECT_EQ(c, Chars(30).Mid(5));
	WString d = a;
	d.Insert(3, 'Z');
	EXPECT_EQ(a, Chars(30));
	EXPECT_EQ(d[3], (wchar)'Z');
	WString f = a;
	f.Set(0, 'Q');
	EXPECT_EQ(a[0], (wchar)'a');
	// a short text is never shared: copies own their block
	WString g = Chars(5);
	WString h = g;
	EXPECT_NE(g.Begin(), h.Begin());
	h.Set(0, 'X');
	EXPECT_EQ(g[0], (wchar)'a');
}

TEST(WString, InsertFromItself)
{
	for(int n : {10, 22, 40}) {
		WString a = Chars(n);
		WString piece = a.Mid(2, 5);
		WString expect = a;
		expect.Insert(1, piece);
		a.Insert(1, 5, a.Begin() + 2);
		EXPECT_EQ(a, expect) << n;
		WString b = Chars(n);
		WString c = b + b;
		b.Cat(b);
		EXPECT_EQ(b, c);
	}
}

TEST(WString, RemoveTrimAndEmpty)
{
	WString a = Chars(40);
	a.Remove(0, a.GetLength());
	EXPECT_TRUE(a.IsEmpty());
	EXPECT_EQ(*a.End(), 0u);
	// operations on an empty text must leave the shared zero alone
	WString e;
	e.Remove(0, 0);
	e.Trim(0);
	e.UnShare();
	e.Shrink();
	e.Cat(nullptr, 0);
	EXPECT_TRUE(e.IsEmpty());
	EXPECT_EQ(*e.Begin(), 0u);
	WStringBuffer b;
	b.SetLength(0);
	b.Clear();
	WString fromb(b);
	EXPECT_TRUE(fromb.IsEmpty());
	EXPECT_EQ(*WString().Begin(), 0u);

	WString r = Chars(5);
	r.Remove(5, 3);
	r.Remove(3, 10);
	EXPECT_EQ(r, Chars(3));

	WString t = Chars(50);
	WString u = t;
	u.Trim(10);
	EXPECT_EQ(u, Chars(10));
	EXPECT_EQ(t.GetLength(), 50);
}

TEST(WString, FindAndCompare)
{
	WString s = W("hello world, hello");
	EXPECT_EQ(s.Find('o'), 4);
	EXPECT_EQ(s.Find(W("hello"), 1), 13);
	EXPECT_EQ(s.ReverseFind('l'), 16);
	EXPECT_EQ(s.Find('z'), -1);
	EXPECT_TRUE(s.StartsWith(W("hell")));
	EXPECT_TRUE(s.EndsWith(W("llo")));
	EXPECT_FALSE(s.EndsWith(W("hello world, hello!")));
	s.Replace(W("hello"), W("bye"));
	EXPECT_EQ(s, W("bye world, bye"));
	EXPECT_LT(W("ab"), W("abc"));
	EXPECT_LT(W("abc"), W("abd"));
	WString big;
	big.Cat(0x10000);
	EXPECT_LT(W("z"), big); // unsigned compare of code points
	EXPECT_EQ(W("abcdef").Mid(-5, 3), W("abc"));
	EXPECT_EQ(W("abcdef").Mid(4, 10), W("ef"));
	EXPECT_TRUE(W("abcdef").Mid(2, -1).IsEmpty());
}

TEST(WString, HashAndIndex)
{
	EXPECT_EQ(Chars(30).GetHashValue(), Chars(30).Mid(0).GetHashValue());
	EXPECT_NE(Chars(30).GetHashValue(), Chars(31).GetHashValue());
	Index<WString> ix;
	for(int i = 0; i < 50; i++)
		ix.Add(Chars(i));
	EXPECT_EQ(ix.Find(Chars(40)), 40);
	EXPECT_EQ(ix.Find(WString()), 0);
	Vector<WString> v;
	for(int i = 0; i < 100; i++) // relocated bitwise as the vector grows
		v.Add(Chars(i % 40));
	EXPECT_EQ(v[77], Chars(37));
}

TEST(WString, Trim)
{
	EXPECT_TRUE(TrimRight(W(" \t \t")).IsEmpty());
	EXPECT_EQ(TrimRight(W("abc\n")), W("abc"));
	WString x = Chars(40);
	EXPECT_EQ(TrimRight(x).Begin(), x.Begin()); // unchanged text shares the buffer
	EXPECT_EQ(TrimLeft(W("  a ")), W("a "));
	EXPECT_EQ(TrimBoth(W("  a ")), W("a"));
	EXPECT_EQ(WStrLen(nullptr), 0);
	const wchar z[] = {'a', 'b', 0};
	EXPECT_EQ(WStrLen(z), 2);
}

TEST(WStringBuffer, AdoptOrShrink)
{
	WStringBuffer b;
	b.Cat('a');
	EXPECT_EQ(b.GetAlloc(), 23);
	for(int i = 1; i < 30; i++)
		b.Cat('a' + i % 26);
	EXPECT_EQ(b.GetAlloc(), 46);
	const wchar* p = b.Begin();
	WString s(b);
	EXPECT_EQ(s.GetLength(), 30);
	EXPECT_NE(s.Begin(), p); // 46 > 40: shrunk to an exact copy
	EXPECT_TRUE(b.IsEmpty());

	WStringBuffer c;
	c.SetLength(35);
	for(int i = 0; i < 35; i++)
		c.Begin()[i] = 'x';
	c.SetLength(30);
	p = c.Begin();
	WString t(c);
	EXPECT_EQ(t.Begin(), p); // 35 <= 40: adopted without a copy
	EXPECT_EQ(t[30], 0u);
	EXPECT_EQ(t, WString('x', 30));
}

TEST(WStringBuffer, Growth)
{
	WStringBuffer b;
	for(int i = 0; i < 100000; i++)
		b.Cat(i);
	b.Cat(Chars(3));
	WString s(b);
	ASSERT_EQ(s.GetLength(), 100003);
	for(int i = 0; i < 100000; i++)
		ASSERT_EQ(s[i], (wchar)i);
	EXPECT_EQ(s.Right(3), Chars(3));
}

TEST(WString, SharedAcrossThreads)
{
	// Copies of one shared block are taken, changed and dropped on several threads at once:
	// the count must stay exact and no writer may touch the block the others still read.
	WString base = Chars(100);
	std::vector<std::thread> t;
	std::vector<int> bad(8);
	for(int i = 0; i < 8; i++)
		t.emplace_back([&base, &bad, i] {
			for(int k = 0; k < 2000; k++) {
				WString c = base;
				WString d = c;
				d.Cat('!');
				d.Set(0, 'Z');
				bad[i] += c != Chars(100) || d.GetLength() != 101 || d[0] != 'Z';
			}
		});
	for(auto& x : t)
		x.join();
	for(int i = 0; i < 8; i++)
		EXPECT_EQ(bad[i], 0);
	EXPECT_EQ(base, Chars(100));
}

TEST(WStringDeathTest, TooBig)
{
	EXPECT_DEATH({ WString s = Chars(5); s.Insert(0, -1, nullptr); }, "WString is too big!");
	EXPECT_DEATH({
		WString s = Chars(5);
		const wchar c = 'x';
		// length + count past 0x7fffffff cannot be represented
		s.Insert(0, 0x7ffffffe, &c);
	}, "WString is too big!");
}

TEST(WStringBufferDeathTest, TooBig)
{
	EXPECT_DEATH({
		WStringBuffer b;
		b.Cat('a');
		const wchar c = 'x';
		// one character more than the length can hold
		b.Expand(30, &c, 0x7fffffff);
	}, "WStringBuffer is too big!");
}
