// Text drawing with no fonts installed: every character is missing and lines are 0 high.
#include "../RecordingDraw.h"

#include <gtest/gtest.h>

using namespace QelTest;

TEST(DrawTextNoFont, TabsWithALineHeightOfZeroTakeNoRoom)
{
	Font f(Font::SANSSERIF, 20);
	ASSERT_EQ(f.GetCy(), 0);
	EXPECT_EQ(GetMultilineTextSize(ToUtf32("a\tb\t\t\nc\t").Begin(), f), Size(0, 0));
	RecordingDraw w;
	DrawMultilineText(w, 0, 0, ToUtf32("a\tb\t").Begin(), f, Color(0, 0, 0), 'B');
	w.DrawText(0, 0, 900, ToUtf32("x\xEE\x80\x80"), f.Underline().Strikeout());
	w.info = INFO_TEXT_LINES;
	w.DrawText(0, 0, 0, ToUtf32("x\xEE\x80\x80"), f.Underline().Strikeout());
	for(const std::string& s : w.calls) // no character the target's font lacks reaches it
		EXPECT_EQ(s.rfind("Text", 0), std::string::npos) << s;
}
