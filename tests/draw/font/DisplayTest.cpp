// Displays: background paper, alignment, vertical placement, clipping with the ellipsis,
// images, attributed texts and sizes. Text goes through smart-text hooks with fixed metrics
// (7 pixels a character, 10 a line), so the layout is checked exactly; the ellipsis sits on the
// baseline of the private test font.
#include "../LookDraw.h"
#include "../TestImage.h"

#include <gtest/gtest.h>

namespace QelTest {
namespace {

using Calls = std::vector<std::string>;

Size FixedSize(const char* text, Font, int)
{
	return Size(7 * int(strlen(text)), 10);
}

std::vector<std::string>* sOut;

void RecordText(Draw&, int x, int y, int cx, const char* text, Font, Color ink, dword)
{
	sOut->push_back("Smart " + std::to_string(x) + "," + std::to_string(y) + " w" + std::to_string(cx) + " " +
	                text + RecordingDraw::C(ink));
}

class DisplayFixture : public ::testing::Test {
protected:
	ImageRecordingDraw w;
	void SetUp() override
	{
		ResetThemeValues();
		ApplyThemeResets();
		sOut = &w.calls;
		SetSmartTextHooks(FixedSize, RecordText);
	}
	void TearDown() override { SetSmartTextHooks(nullptr, nullptr); }
};

const Color INK(1, 1, 1), PAPER(2, 2, 2), A(3, 3, 3), B(4, 4, 4);

TEST_F(DisplayFixture, BackgroundPaper)
{
	struct Case { Color paper, normalpaper; dword style; Color fill; } cases[] = {
		{ Color(), B, 0, B },           // normal paper without style bits
		{ Color(), B, 0x4, PAPER },     // the given paper when the attributed one is Null
		{ A, B, 0x1, A },
		{ A, B, 0x8, A },
		{ A, B, 0x2, B },               // not a paper state
		{ A, Color(), 0, A },           // the normal paper falls back to the attributed one first
		{ Color(), Color(), 0, PAPER },
	};
	for(const Case& c : cases) {
		AttrText t("x");
		t.paper = c.paper;
		t.normalpaper = c.normalpaper;
		StdDisplay().PaintBackground(w, Rect(0, 0, 5, 5), t, INK, PAPER, c.style);
		EXPECT_EQ(w.Take(), (Calls{ "Rect 0,0,5,5" + RecordingDraw::C(c.fill) }));
	}
	StdDisplay().PaintBackground(w, Rect(0, 0, 5, 5), "plain", INK, PAPER, 0x4);
	EXPECT_EQ(w.Take(), (Calls{ "Rect 0,0,5,5" + RecordingDraw::C(PAPER) }));
}

TEST_F(DisplayFixture, TextAlignmentAndVerticalPlacement)
{
	struct Case { int display, attr, cy; int x, y; } cases[] = {
		{ ALIGN_LEFT, INT_NULL, 20, 10, 25 },
		{ ALIGN_RIGHT, INT_NULL, 20, 79, 25 },   // right edge at 100
		{ ALIGN_CENTER, INT_NULL, 20, 44, 25 },  // (90 - 21) / 2 from the left
		{ ALIGN_LEFT, ALIGN_RIGHT, 20, 79, 25 },        // the text's own alignment wins
		{ ALIGN_LEFT, ALIGN_LEFT, 8, 10, 19 },          // 10 < 4/3 of 8: centred, above the top
		{ ALIGN_LEFT, ALIGN_LEFT, 7, 10, 20 },          // 7 < 3/4 of 10: at the top
	};
	for(const Case& c : cases) {
		StdDisplayClass d(c.display);
		AttrText t("abc");
		t.align = c.attr;
		d.PaintContent(w, Rect(10, 20, 100, 20 + c.cy), t, INK, PAPER, 0);
		EXPECT_EQ(w.Take(), (Calls{ "Smart " + std::to_string(c.x) + "," + std::to_string(c.y) + " w90 abc" +
		                            RecordingDraw::C(INK) })) << c.display << " " << c.attr << " " << c.cy;
	}
}

TEST_F(DisplayFixture, ValuesShowTheirTextForm)
{
	StdDisplayClass d;
	d.Paint(w, Rect(0, 0, 100, 10), 12, INK, PAPER, 0);
	EXPECT_EQ(w.Take(), (Calls{ "Rect 0,0,100,10" + RecordingDraw::C(PAPER), "Smart 0,0 w100 12" + RecordingDraw::C(INK) }));
	d.Paint(w, Rect(0, 0, 100, 10), Value(), INK, PAPER, 0);
	EXPECT_EQ(w.Take().size(), 1u) << "a void value paints only the background";
	EXPECT_EQ(d.GetStdSize(12), Size(14, 10));
	EXPECT_EQ(d.GetStdSize("abcd"), Size(28, 10));
}

TEST_F(DisplayFixture, WideTextIsClippedBeforeTheEllipsis)
{
	Image dots = DrawImg::threedots();
	ASSERT_FALSE(dots.IsEmpty());
	Size dsz = dots.GetSize();
	StdDisplayClass d(ALIGN_RIGHT);
	d.PaintContent(w, Rect(0, 0, 50, 10), "0123456789", INK, PAPER, 0);
	int clip = 50 - dsz.cx;
	Calls want = {
		"Clip[0,0," + std::to_string(clip) + ",10]",
		"Smart 0,0 w50 0123456789" + RecordingDraw::C(INK),
		"End",
		"Image " + std::to_string(clip) + "," + std::to_string(StdFont().GetAscent() - dsz.cy) + "," +
			std::to_string(dsz.cx) + "," + std::to_string(dsz.cy) + " " + RecordingDraw::Img(dots) + "[0,0," +
			std::to_string(dsz.cx) + "," + std::to_string(dsz.cy) + "]#FFFFFFFF",
	};
	EXPECT_EQ(w.Take(), want);
}

TEST_F(DisplayFixture, Images)
{
	Image m = RandomImage(6, 4, 1);
	std::string img = RecordingDraw::Img(m);
	StdDisplay().Paint(w, Rect(10, 10, 30, 20), m, INK, PAPER, 0);
	EXPECT_EQ(w.Take(), (Calls{ "Rect 10,10,20,10" + RecordingDraw::C(PAPER), "Image 17,13,6,4 " + img + "[0,0,6,4]#FFFFFFFF" }));
	// larger than the rectangle: from its top-left corner
	StdDisplay().PaintContent(w, Rect(10, 10, 14, 12), m, INK, PAPER, 0);
	EXPECT_EQ(w.Take(), (Calls{ "Image 10,10,6,4 " + img + "[0,0,6,4]#FFFFFFFF" }));
	EXPECT_EQ(StdDisplay().GetStdSize(m), Size(6, 4));
}

TEST_F(DisplayFixture, AttributedTextWithImageAndInks)
{
	AttrText t("ab");
	t.img = RandomImage(8, 14, 2);
	t.imgspc = 3;
	t.ink = A;
	t.normalink = B;
	StdDisplay().PaintContent(w, Rect(0, 0, 100, 10), t, INK, PAPER, 0);
	std::string img = RecordingDraw::Img(t.img);
	EXPECT_EQ(w.Take(), (Calls{ "Image 0,0,8,14 " + img + "[0,0,8,14]#FFFFFFFF", "Smart 11,0 w89 ab" + RecordingDraw::C(B) }));
	StdDisplay().PaintContent(w, Rect(0, 0, 100, 30), t, INK, PAPER, 0x4);
	EXPECT_EQ(w.Take(), (Calls{ "Image 0,8,8,14 " + img + "[0,0,8,14]#FFFFFFFF", "Smart 11,10 w89 ab" + RecordingDraw::C(A) }));
	t.normalink = Color();
	StdDisplay().PaintContent(w, Rect(0, 0, 100, 10), t, INK, PAPER, 0);
	EXPECT_EQ(w.Take().back(), "Smart 11,0 w89 ab" + RecordingDraw::C(INK));

	EXPECT_EQ(StdDisplay().GetStdSize(t), Size(14 + 8 + 3, 14));
	t.text = "";
	EXPECT_EQ(StdDisplay().GetStdSize(t), Size(11, 14)) << "an empty text adds no height";
	t.img = Image();
	EXPECT_EQ(StdDisplay().GetStdSize(t), Size(0, 0));
}

TEST_F(DisplayFixture, DialogBackgroundAndDisplayedValues)
{
	DialogBackground().Paint(w, Rect(1, 2, 3, 4), "ignored", INK, PAPER, 0);
	EXPECT_EQ(w.Take(), (Calls{ "Rect 1,2,2,2" + RecordingDraw::C(ThemeFaceColor()) }));
	EXPECT_EQ(DialogBackground().GetStdSize("abc"), Size(21, 10));
	EXPECT_EQ(DialogBackground().RatioSize("abc", 5, 9), Size(5, 9));

	DisplayedValue none;
	none.Paint(w, Rect(0, 0, 9, 9), INK, PAPER, 0);
	EXPECT_TRUE(w.Take().empty());
	EXPECT_EQ(none.GetStdSize(), Size(0, 0));
	EXPECT_TRUE(none.GetValue().IsNull());
	DisplayedValue dv(StdDisplay(), "xy");
	dv.Paint(w, 0, 0, 50, 10, INK, PAPER, 0);
	EXPECT_EQ(w.Take(), (Calls{ "Rect 0,0,50,10" + RecordingDraw::C(PAPER), "Smart 0,0 w50 xy" + RecordingDraw::C(INK) }));
	EXPECT_EQ(dv.GetStdSize(), Size(14, 10));
}

} // namespace
} // namespace QelTest
