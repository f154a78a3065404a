// Text when the only faces are of a kind no document can embed (Type 1): it goes in as the
// glyphs' outlines and looks as the painter draws it.
#include "PdfTools.h"

#include <draw/record/DrawingDraw.h>

#include <gtest/gtest.h>

#include <cstdlib>

using namespace Qel;
using namespace QelTest;

extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

// The font set of this program holds one Type 1 face; fontconfig reads this at first use.
[[maybe_unused]] static const bool font_set = [] {
	unsetenv("FREETYPE_PROPERTIES");
	unsetenv("FONTCONFIG_PATH");
	unsetenv("FONTCONFIG_SYSROOT");
	return setenv("FONTCONFIG_FILE", QEL_PDF_TYPE1_CONF, 1) == 0;
}();

TEST(PdfType1, TextGoesInAsOutlines)
{
	int face = Font::FindFaceName("Nimbus Sans");
	ASSERT_GT(face, 0);
	DrawingDraw dd(2400, 600);
	dd.DrawText(50, 50, "Outlines of a Type 1 face", Font(face, 90), Color(0, 0, 0));
	WString spaced("underlined, spaced by advances");
	Vector<int> dx;
	for(int i = 0; i < spaced.GetCount(); i++)
		dx.Add(40 + i % 3 * 5);
	dd.DrawText(50, 250, spaced, Font(face, 60).Underline(), Color(0, 0, 160), dx.begin());
	dd.DrawText(1800, 550, 450, WString("turned"), Font(face, 70), Color(160, 0, 0));
	Drawing w = dd;
	Array<Drawing> pages;
	pages.Add(w);
	String pdf = DrawingToPdf(pages);
	ASSERT_TRUE(IsValidPdf(pdf));
	Image page = RenderPage(pdf), painted = PaintDrawing(w);
	int ink = 0;
	for(const RGBA& p : page)
		ink += p.r + p.g + p.b < 3 * 128;
	EXPECT_GT(ink, 20000) << "the text shows";
	PictureDiff d = Compare(page, painted);
	EXPECT_LE(d.block, 48) << d.at.x << " " << d.at.y;
	EXPECT_LE(d.mean, 4.5);
}
