// Layout zoom through a measuring seam, the re-skin with its order and guard, the GUI settings
// and what the GUI core registers at start-up.
#include "RecordingCtrl.h"

#include <richtext/RichText.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace guitest {

using V = std::vector<std::string>;

// The smallest PNG and BMP files: one red pixel each.
const char sPng1x1[] = "\x89\x50\x4e\x47\x0d\x0a\x1a\x0a\x00\x00\x00\x0d\x49\x48\x44\x52\x00\x00\x00\x01\x00\x00\x00\x01\x08\x02\x00\x00\x00\x90\x77\x53\xde\x00\x00\x00\x0c\x49\x44\x41\x54\x78\x9c\x63\xf8\xcf\xc0\x00\x00\x03\x01\x01\x00\xc9\xfe\x92\xef\x00\x00\x00\x00\x49\x45\x4e\x44\xae\x42\x60\x82";
const char sBmp1x1[] = "\x42\x4d\x3a\x00\x00\x00\x00\x00\x00\x00\x36\x00\x00\x00\x28\x00\x00\x00\x01\x00\x00\x00\x01\x00\x00\x00\x01\x00\x18\x00\x00\x00\x00\x00\x04\x00\x00\x00\x13\x0b\x00\x00\x13\x0b\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\xff\x00";

Size sMeasure;

class LayoutScale : public CtrlTestBase {
protected:
	Font std_font;

	void SetUp() override
	{
		CtrlTestBase::SetUp();
		std_font = Font::GetStdFont();
		detail::SetZoomTextMeasure([] { return sMeasure; });
	}
	void TearDown() override
	{
		detail::SetZoomTextMeasure(nullptr);
		Font::SetStdFont(std_font);
		Ctrl::SetSkin(nullptr);
		CtrlTestBase::TearDown();
	}
	// A new measure of the zoom text, taken by the next zoom question.
	static void Measure(Size sz)
	{
		sMeasure = sz;
		detail::SetZoomTextMeasure([] { return sMeasure; });
	}
};

TEST_F(LayoutScale, LayoutsScaleWithTheMeasuredText)
{
	Font::SetStdFont(StdFont(11));
	ASSERT_LT(GetStdFontSize().cy, 21);
	Measure(Size(99, 13));
	EXPECT_EQ(HorzLayoutZoom(100), 100);
	EXPECT_EQ(VertLayoutZoom(10), 10);
	Measure(Size(198, 26));
	EXPECT_EQ(HorzLayoutZoom(100), 200);
	EXPECT_EQ(VertLayoutZoom(10), 20);
	EXPECT_EQ(HorzLayoutZoom(-16380), -16380); // the special sizes pass
	EXPECT_EQ(VertLayoutZoom(-16000), -16000);
	EXPECT_EQ(VertLayoutZoom(-15999), -31998);
	EXPECT_EQ(LayoutZoom(3, 5), Size(6, 10));
	EXPECT_EQ(StdFontZoomed(13), Font(0, 26));
	EXPECT_EQ(GetRichTextStdScreenZoom(), Qel::Zoom(192, 600));
	Measure(Size(297, 26));
	EXPECT_EQ(HorzLayoutZoom(-7), -21); // truncating toward zero
	EXPECT_EQ(HorzLayoutZoom(1), 3);

	Ctrl c;
	Measure(Size(198, 26));
	c.SetLeftPosZoomed(10, 20).SetTopPosZoomed(1, 2);
	EXPECT_EQ(c.GetPos(), LogPos(LogPosAxis(LogPosAxis::LEFT, 20, 40), LogPosAxis(LogPosAxis::TOP, 2, 4)));
	c.SetHorzSizePosZoomed(5, MINSIZE);
	EXPECT_EQ(c.GetPos().x, LogPosAxis(LogPosAxis::SIZE, 10, MINSIZE));
}

TEST_F(LayoutScale, NeverShrinksButTheRichTextZoomFollowsTheMeasure)
{
	Font::SetStdFont(StdFont(11));
	Measure(Size(90, 12));
	EXPECT_EQ(HorzLayoutZoom(100), 100);
	EXPECT_EQ(VertLayoutZoom(100), 100);
	EXPECT_EQ(GetRichTextStdScreenZoom(), Qel::Zoom(87, 600)); // min(90 * 96 / 99, 12 * 96 / 13)
}

TEST_F(LayoutScale, BigStandardFontUsesTheTallerReference)
{
	Font::SetStdFont(StdFont(40));
	ASSERT_GE(GetStdFontSize().cy, 21);
	Measure(Size(99, 30)); // 34 with the 4 added, against 17
	EXPECT_EQ(VertLayoutZoom(10), 20);
	EXPECT_EQ(HorzLayoutZoom(10), 10);
	EXPECT_EQ(GetRichTextStdScreenZoom(), Qel::Zoom(96, 600));
}

TEST_F(LayoutScale, RealMeasureOfTheStandardFont)
{
	detail::SetZoomTextMeasure(nullptr);
	Font::SetStdFont(StdFont(11));
	Size t = GetTextSize("OK Cancel Exit Retry", StdFont());
	ASSERT_GT(t.cx, 0);
	EXPECT_EQ(HorzLayoutZoom(99 * 1000), max(t.cx, 99) * 1000);
}

int sSkinRuns;
int sSkin2Runs;

TEST_F(LayoutScale, ReSkinOrderGuardAndWindows)
{
	static void (* const table[])() = {
		[] {
			sSkinRuns++;
			CallLog().push_back("skin(style " + std::to_string(GetGuiStyle()) + ")");
			HorzLayoutZoom(1); // computes the zoom, whose re-skin must not run inside this one
			SetGuiStyle(2);
		},
		[] { sSkin2Runs++; },
		nullptr,
	};
	Measure(Size(99, 13));
	RecordingCtrl top("top"), a("a"), a1("a1");
	top.SetRect(0, 0, 100, 50);
	top.AddChild(&a);
	a.AddChild(&a1);
	detail::AddTopCtrl(&top);
	SetGuiStyle(3);
	Ctrl::SetSkin(table);
	sSkinRuns = sSkin2Runs = 0;
	RefreshProbe probe;
	CallLog().clear();
	Ctrl::ReSkin();
	detail::RemoveTopCtrl(&top);
	EXPECT_EQ(sSkinRuns, 1);
	EXPECT_EQ(sSkin2Runs, 0); // only the selected entry
	EXPECT_EQ(CallLog(), (V{"skin(style 1)", "a1.Refresh(0,0,0,0)", "a1.StateChanged(101)", "a1.Layout(0x0)",
	                        "a.Refresh(0,0,0,0)", "a.StateChanged(101)", "a.Layout(0x0)", "top.Refresh(0,0,100,50)", "top.StateChanged(101)", "top.Layout(100x50)",
	                        "a1.ApplySkin", "a.ApplySkin", "top.ApplySkin", "top.RefreshFrame(0,0,100,50)"}));
	EXPECT_EQ(GetGuiStyle(), 2); // set by the skin, kept through the resets

	Ctrl::SetSkin(nullptr);
	Ctrl::ReSkin();
	EXPECT_EQ(GetGuiStyle(), 1); // back to the default
	EXPECT_EQ(sSkinRuns, 1);

	// a change of the standard font re-skins
	Ctrl::SetSkin(table);
	Font::SetStdFont(StdFont(12));
	EXPECT_GE(sSkinRuns, 2);
}

TEST_F(LayoutScale, PostReSkinStaysOffUnlessSwitchedOn)
{
	// the pass below runs whatever is due: timers an earlier test left (a mouse hold check,
	// say) must not be counted as the re-skin's
	detail::ClearTimers();
	static void (* const table[])() = {[] { sSkinRuns++; }, nullptr};
	Ctrl::SetSkin(table);
	int timers = detail::GetTimerCount();
	Ctrl::PostReSkin();
	EXPECT_EQ(detail::GetTimerCount(), timers);
	detail::SetPostReSkin(true);
	Ctrl::PostReSkin();
	Ctrl::PostReSkin(); // replaces the pending one
	EXPECT_EQ(detail::GetTimerCount(), timers + 1);
	sSkinRuns = 0;
	GuiLock lock;
	dword t = detail::GuiTick() + 1000;
	TimerProc(t);
	TimerProc(t + 1);
	EXPECT_EQ(sSkinRuns, 1);
	EXPECT_EQ(detail::GetTimerCount(), timers);
	detail::SetPostReSkin(false);
}

TEST(GuiSettings, SetValuesLastUntilTheNextReset)
{
	ResetThemeValues();
	ApplyThemeResets();
	EXPECT_EQ(GetGuiStyle(), 1);
	EXPECT_EQ(GetGuiPopupEffect(), 1);
	EXPECT_EQ(GetGuiDragDistance(), 4);
	SetGuiStyle(2);
	SetGuiPopupEffect(0);
	ApplyThemeResets(); // a set value is not made again
	EXPECT_EQ(GetGuiStyle(), 2);
	EXPECT_EQ(GetGuiPopupEffect(), 0);
	ResetThemeValues();
	ApplyThemeResets();
	EXPECT_EQ(GetGuiStyle(), 1);
	EXPECT_EQ(GetGuiPopupEffect(), 1);
}

TEST(GuiSettings, ScrollBarSizesFollowTheResolution)
{
	bool hidpi = IsHiDpiMode();
	ResetThemeValues();
	SetHiDpiMode(true);
	ApplyThemeResets();
	EXPECT_EQ(GetGuiScrollBarSize(), 34);
	EXPECT_EQ(GetGuiScrollBarArrowSize(), 34);
	SetHiDpiMode(false); // kept until the next reset
	EXPECT_EQ(GetGuiScrollBarSize(), 34);
	ResetThemeValues();
	ApplyThemeResets();
	EXPECT_EQ(GetGuiScrollBarSize(), 17);
	EXPECT_EQ(GetGuiScrollBarArrowSize(), 17);
	SetHiDpiMode(hidpi);
}

TEST(GuiSettings, MinimumSizeFromTheStandardFont)
{
	int h = GetStdFontSize().cy;
	Ctrl c;
	EXPECT_EQ(c.GetMinSize(), Size(h / 2, h + 2));
	EXPECT_EQ(c.GetStdSize(), Size(h / 2 * 10, h + 2));
	c.SetFrame(OutsetFrame());
	EXPECT_EQ(c.GetMinSize(), Size(h / 2 + 4, h + 6));
}

TEST(GuiStartup, RegistrationsAreMadeBeforeMain)
{
	int i = FindIml("CtrlCoreImg");
	ASSERT_GE(i, 0);
	Iml& list = GetIml(i);
	const char* names[] = {"DndMoveX11", "DndMove", "DndMove98", "DndNone", "DndNone98", "DndCopy", "DndCopy98", "DndData"};
	ASSERT_EQ(list.GetCount(), 8);
	for(int k = 0; k < 8; k++) {
		EXPECT_EQ(list.GetName(k), names[k]);
		Image m = GetImlImage((std::string("CtrlCoreImg:") + names[k]).c_str());
		int side = IsHiDpiMode() ? 64 : 32;
		EXPECT_EQ(m.GetSize(), Size(side, side)) << names[k];
	}
	// two blocks of four images
	std::ifstream src(QEL_CTRLCOREIMG_SOURCE);
	std::stringstream text;
	text << src.rdbuf();
	EXPECT_NE(text.str().find("sBlock0, sizeof(sBlock0), 4)"), std::string::npos);
	EXPECT_NE(text.str().find("sBlock1, sizeof(sBlock1), 4)"), std::string::npos);
	EXPECT_EQ(text.str().find("sBlock2"), std::string::npos);

	// the image formats: PNG and BMP both load
	Image png = LoadImageString(String(sPng1x1, sizeof(sPng1x1) - 1));
	EXPECT_EQ(png.GetSize(), Size(1, 1));
	Image bmp = LoadImageString(String(sBmp1x1, sizeof(sBmp1x1) - 1));
	EXPECT_EQ(bmp.GetSize(), Size(1, 1));
}

} // namespace guitest
