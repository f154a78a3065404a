#include <Core/Core.h>

#include <gtest/gtest.h>

using namespace Qel;

namespace {

struct sCounted {
	static inline int alive = 0;
	int value;
	explicit sCounted(int v) : value(v) { alive++; }
	~sCounted() { alive--; }
};

struct sOther {
	String text;
};

} // namespace

TEST(Any, HoldsOneObjectAndKnowsItsType)
{
	Any a;
	EXPECT_TRUE(a.IsEmpty());
	EXPECT_FALSE(a.Is<sCounted>());
	a.Create<sCounted>(7);
	EXPECT_TRUE(a.Is<sCounted>());
	EXPECT_FALSE(a.Is<sOther>());
	EXPECT_EQ(a.Get<sCounted>().value, 7);
	EXPECT_EQ(sCounted::alive, 1);

	// A new object replaces the old one, which is destroyed.
	a.Create<sOther>().text = "x";
	EXPECT_EQ(sCounted::alive, 0);
	EXPECT_TRUE(a.Is<sOther>());
	EXPECT_EQ(a.Get<sOther>().text, "x");
	a.Clear();
	EXPECT_TRUE(a.IsEmpty());
	EXPECT_FALSE(a.Is<sOther>());
}

TEST(Any, MovesWithoutCopyingAndDestroysOnce)
{
	{
		Vector<Any> v;
		for(int i = 0; i < 100; i++) // growth relocates the holders as raw bytes
			v.Add().Create<sCounted>(i);
		EXPECT_EQ(sCounted::alive, 100);
		for(int i = 0; i < 100; i++)
			ASSERT_EQ(v[i].Get<sCounted>().value, i);
		Any moved = std::move(v[5]);
		EXPECT_TRUE(v[5].IsEmpty());
		EXPECT_EQ(moved.Get<sCounted>().value, 5);
		v[6] = std::move(moved);
		EXPECT_EQ(sCounted::alive, 99);
		EXPECT_EQ(v[6].Get<sCounted>().value, 5);
		EXPECT_TRUE(moved.IsEmpty());
	}
	EXPECT_EQ(sCounted::alive, 0);
}
