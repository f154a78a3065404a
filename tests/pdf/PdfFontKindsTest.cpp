// Faces of other kinds: the second face of a collection, a face that cannot be embedded, an
// OpenType face with CFF outlines.
#include "PdfTools.h"

#include <draw/record/DrawingDraw.h>

#include <gtest/gtest.h>

#include <cstdlib>


using namespace Qel;
using namespace QelTest;

extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

// The faces of other kinds live in a font set of their own; fontconfig reads this at first use.
[[maybe_unused]] static const bool font_set = [] {
	unsetenv("FREETYPE_PROPERTIES");
	unsetenv("FONTCONFIG_PATH");
	unsetenv("FONTCONFIG_SYSROOT");
	return setenv("FONTCONFIG_FILE", QEL_PDF_FONTKINDS_CONF, 1) == 0;
}();

TEST(PdfFontKinds, CollectionAndUnreadableFaces)
{
	ASSERT_GT(Font::FindFaceName("DejaVu Serif"), 0) << "the collection's second face";
	DrawingDraw dd(2400, 600);
	dd.DrawText(50, 50, "Sans from a collection", Font(Font::SANSSERIF, 80), Color(0, 0, 0));
	dd.DrawText(50, 200, "Serif, its second face", Font(Font::SERIF, 80), Color(0, 0, 0));
	dd.DrawText(50, 350, "Mono stored as WOFF", Font(Font::MONOSPACE, 80), Color(0, 0, 0));
	Drawing w = dd;
	Array<Drawing> pages;
	pages.Add(w);
	String pdf = DrawingToPdf(pages);
	ASSERT_TRUE(IsValidPdf(pdf));
	std::string text = PdfText(pdf);
	for(const char* s : { "Sans from a collection", "Serif, its second face", "Mono stored as WOFF" })
		EXPECT_NE(text.find(s), std::string::npos) << s << " in " << text;
	EXPECT_TRUE(FontRow(pdf, "DejaVuSans").starts_with("+ CID TrueType Identity-H yes yes yes"));
	EXPECT_TRUE(FontRow(pdf, "DejaVuSerif").starts_with("+ CID TrueType Identity-H yes yes yes"));
	std::string fonts = Shell("pdffonts '" + Save("kinds.pdf", pdf) + "'");
	EXPECT_EQ(fonts.find("Mono"), std::string::npos) << "the standard face shows what WOFF cannot: " << fonts;
	// Sans and Serif as the painter draws them; the mono line differs in its face
	Image page = RenderPage(pdf), painted = PaintDrawing(w);
	ASSERT_EQ(page.GetSize(), painted.GetSize());
	ImageBuffer a(2400, 300), b(2400, 300);
	for(int y = 0; y < 300; y++)
		for(int x = 0; x < 2400; x++) {
			a[y][x] = page[y][x];
			b[y][x] = painted[y][x];
		}
	PictureDiff d = Compare(Image(std::move(a)), Image(std::move(b)));
	EXPECT_LE(d.block, 48);
	EXPECT_LE(d.mean, 4.5);
}

TEST(PdfFontKinds, CffFacesGoInWhole)
{
	int face = Font::FindFaceName("Nimbus Sans");
#ifdef QEL_PDF_HAS_CFF
	ASSERT_GT(face, 0) << "Nimbus Sans was put in the font set but is not found";
#else
	if(face <= 0)
		GTEST_SKIP() << "no OpenType face with CFF outlines installed";
#endif
	DrawingDraw dd(2400, 300);
	dd.DrawText(50, 50, "Outlines of cubic curves ÄÖÜ", Font(face, 90), Color(0, 0, 0));
	Drawing w = dd;
	Array<Drawing> pages;
	pages.Add(w);
	String pdf = DrawingToPdf(pages);
	ASSERT_TRUE(IsValidPdf(pdf));
	EXPECT_TRUE(pdf.StartsWith("%PDF-1.6"));
	EXPECT_NE(PdfText(pdf).find("Outlines of cubic curves ÄÖÜ"), std::string::npos);
	EXPECT_TRUE(FontRow(pdf, "NimbusSans-Regular").starts_with("CID Type 0C (OT) Identity-H yes no yes"))
		<< FontRow(pdf, "NimbusSans-Regular");
	PictureDiff d = Compare(RenderPage(pdf), PaintDrawing(w));
	EXPECT_LE(d.block, 48);
	EXPECT_LE(d.mean, 4.5);
}
