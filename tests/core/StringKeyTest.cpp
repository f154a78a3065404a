#include <Core/Core.h>

#include <gtest/gtest.h>

using namespace Qel;

namespace {

String Text(int i, int len)
{
	String s;
	s << i;
	while(s.GetLength() < len)
		s.Cat('.');
	return s;
}

} // namespace

TEST(StringKeys, IndexAndMapsOverEveryStorageForm)
{
	// Short (inline), medium and shared texts all hash and compare by content.
	for(int len : { 3, 20, 100 }) {
		Index<String> x;
		for(int i = 0; i < 3000; i++)
			x.Add(Text(i, len));
		for(int i = 0; i < 3000; i++)
			ASSERT_EQ(x.Find(Text(i, len)), i) << len;
		EXPECT_EQ(x.Find(Text(5000, len)), -1);
		EXPECT_EQ(x.FindAdd(Text(7, len)), 7);
	}

	String grown = "abc";
	grown.Reserve(100); // out-of-line storage holding a short text
	Index<String> x;
	x.Add("abc");
	EXPECT_EQ(x.Find(grown), 0);

	VectorMap<String, String> m;
	m.Add("key", "value");
	EXPECT_EQ(m.FindAdd("key"), 0);
	EXPECT_EQ(m[0], "value");
	EXPECT_EQ(m.FindAdd("new"), 1);
	EXPECT_TRUE(m[1].IsEmpty());
	EXPECT_EQ(m.Get("key", String()), "value");
	m.Unlink(0);
	EXPECT_EQ(m.Put("again", "v2"), 0);
	EXPECT_EQ(m.Get("again", String()), "v2");

	Index<WString> w;
	w.Add(WString());
	EXPECT_EQ(w.Find(WString()), 0);

	ArrayMap<int, VectorMap<String, String>> env;
	env.GetAdd(255).Add("HOME", "/root");
	EXPECT_EQ(env.Get(255).Get("HOME", String()), "/root");
}

TEST(StringKeys, SelfAliasingAndPick)
{
	Vector<String> v;
	v.Add(String('x', 40));
	while(v.GetCount() < v.GetAlloc())
		v.Add("y");
	v.Add(v[0]);
	EXPECT_EQ(v.Top(), String('x', 40));
	while(v.GetCount() < v.GetAlloc())
		v.Add("y");
	v.Add(std::move(v[0]));
	EXPECT_EQ(v.Top(), String('x', 40));
	EXPECT_TRUE(v[0].IsEmpty());

	Index<String> x;
	String k('k', 50);
	x.Add(std::move(k));
	EXPECT_TRUE(k.IsEmpty());
	EXPECT_EQ(x.Find(String('k', 50)), 0);
	Index<String> c(x);
	x.Clear();
	EXPECT_EQ(c.Find(String('k', 50)), 0);
}
