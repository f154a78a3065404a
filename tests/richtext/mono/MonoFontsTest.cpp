// The fixed-pitch font set of the layout tests: whatever face a format names, every character
// advances by the same width, regular or bold.
#include <richtext/RichText.h>

#include <gtest/gtest.h>

using namespace Qel;

TEST(MonoFonts, EveryFaceIsOneFixedPitchFont)
{
	for(int face : {Font::SERIF, Font::SANSSERIF, Font::MONOSPACE}) {
		for(bool bold : {false, true}) {
			Font f = Font(face, 100).Bold(bold);
			int w = f.GetWidth('M');
			EXPECT_GT(w, 0);
			EXPECT_EQ(f.GetWidth('i'), w) << face << " " << bold;
			EXPECT_EQ(f.GetWidth(' '), w) << face << " " << bold;
			EXPECT_EQ(f.GetWidth('W'), Font(Font::MONOSPACE, 100).GetWidth('W'));
		}
	}
}
