#include <Core/Core.h>

#include <gtest/gtest.h>

using namespace Qel;

TEST(Defs, FixedWidthTypes)
{
	static_assert(sizeof(byte) == 1 && sizeof(word) == 2 && sizeof(dword) == 4 && sizeof(int64) == 8);
	EXPECT_EQ(Qel::min(3, 5), 3);
	EXPECT_EQ(Qel::max(3, 5), 5);
	EXPECT_EQ(Qel::clamp(9, 0, 4), 4);
}
