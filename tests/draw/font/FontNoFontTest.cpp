// With no fonts at all: only the fixed faces, and nothing measures or crashes.
#include <draw/Draw.h>

#include <gtest/gtest.h>

using namespace Qel;

TEST(FontNoFonts, OnlyTheFixedFacesAndEmptyResults)
{
	EXPECT_EQ(Font::GetFaceCount(), 4);
	EXPECT_EQ(Font::FindFaceName("DejaVu Sans"), 0);
	Font f(2, 12);
	EXPECT_EQ(f.GetAscent(), 0);
	EXPECT_EQ(f.GetMetrics().path[0], 0);
	GlyphInfo gi = f.GetGlyphInfo('A');
	EXPECT_TRUE(gi.IsMissing());
	EXPECT_FALSE(HasGlyph(f, 'A'));
	Font out;
	EXPECT_FALSE(Replace(f, 'A', out));
	EXPECT_EQ(f.GetData(), "");
	EXPECT_EQ(f.GetData("cmap"), "");
	EXPECT_EQ(GetStdFontSize(), Size(0, 0));
	Font::SetStdFont(Font(1, 30));
	EXPECT_EQ(Font::GetStdFont(), Font(1, 30));
}
