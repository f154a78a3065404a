#include <Core/Core.h>

#include <gtest/gtest.h>

using namespace Qel;

TEST(Bits, SetGetAndWordLayout)
{
	Bits b;
	EXPECT_FALSE(b.Get(0));
	EXPECT_FALSE(b[1000000]);
	EXPECT_FALSE(b.Get(-1));
	b.Set(0);
	b.Set(33);
	b.Set(95);
	EXPECT_TRUE(b[0]);
	EXPECT_FALSE(b[1]);
	EXPECT_TRUE(b[33]);
	EXPECT_TRUE(b.Get(95));
	EXPECT_FALSE(b.Get(96));
	ASSERT_EQ(b.GetWordCount(), 3);
	EXPECT_EQ(b.GetWords()[0], 1u);
	EXPECT_EQ(b.GetWords()[1], 2u);
	EXPECT_EQ(b.GetWords()[2], 0x80000000u);
	b.Set(33, false);
	EXPECT_FALSE(b[33]);
	EXPECT_EQ(b.GetWords()[1], 0u);
}

TEST(Bits, ClearingPastTheEndAndNegativeIndexesChangeNothing)
{
	Bits b;
	b.Set(5000, false);
	b.Set(-3);
	EXPECT_EQ(b.GetWordCount(), 0);
	b.Set(5);
	Bits c = b;
	c.Set(6);
	EXPECT_FALSE(b[6]); // copies are independent
	EXPECT_TRUE(c[5]);
	b.Clear();
	EXPECT_FALSE(b[5]);
	EXPECT_EQ(b.GetWordCount(), 0);
}
