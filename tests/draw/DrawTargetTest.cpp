#include "RecordingDraw.h"

#include <gtest/gtest.h>

using namespace QelTest;

TEST(DrawTarget, NativeDpiFollowsTheDotsFlag)
{
	RecordingDraw w;
	EXPECT_EQ(w.GetNativeDpi(), Size(96, 96));
	w.info = INFO_DOTS;
	EXPECT_EQ(w.GetNativeDpi(), Size(600, 600));
	EXPECT_EQ(w.GetPageSize(), Size(0x3FFFFFFF, 0x3FFFFFFF));
}
