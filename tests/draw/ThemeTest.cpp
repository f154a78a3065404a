// Theme colours: defaults, system-colour identity, dark adaptation, the reset/apply cycle and
// the registry of theme-dependent values.
#include <draw/Draw.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace QelTest {
namespace {

using namespace Qel;

class Theme : public ::testing::Test {
protected:
	static void Fresh()
	{
		ResetThemeValues();
		ApplyThemeResets();
	}
	void SetUp() override    { Fresh(); }
	void TearDown() override { Fresh(); }
};

struct Default {
	const char* name;
	Color (*get)();
	dword rgb;     // 0x00BBGGRR under a light theme
	bool  adapted; // passed through the dark transform when made under a dark paper
};

const Default DEFAULTS[] = {
	{ "black", ThemeBlack, 0x000000, true },
	{ "gray", ThemeGray, 0x808080, true },
	{ "light gray", ThemeLightGray, 0xC0C0C0, true },
	{ "white gray", ThemeWhiteGray, 0xE0E0E0, true },
	{ "white", ThemeWhite, 0xFFFFFF, true },
	{ "navy", ThemeNavy, 0x800000, true },
	{ "yellow", ThemeYellow, 0x00FFFF, true },
	{ "green", ThemeGreen, 0x00FF00, true },
	{ "light yellow", ThemeLightYellow, 0xC0FFFF, true },
	{ "paper", ThemePaperColor, 0xFFFFFF, false },
	{ "face", ThemeFaceColor, 0xC0C0C0, true },
	{ "text", ThemeTextColor, 0x000000, true },
	{ "highlight", ThemeHighlightColor, 0x800000, true },
	{ "highlight text", ThemeHighlightTextColor, 0xFFFFFF, true },
	{ "menu", ThemeMenuColor, 0xC0C0C0, true },
	{ "menu text", ThemeMenuTextColor, 0x000000, true },
	{ "info", ThemeInfoColor, 0xC0FFFF, true },
	{ "info text", ThemeInfoTextColor, 0x000000, true },
	{ "disabled", ThemeDisabledColor, 0x808080, true },
	{ "light", ThemeLightColor, 0xFFFFFF, true },
	{ "shadow", ThemeShadowColor, 0x808080, true },
	{ "mark", ThemeMarkColor, 0xFF0000, true },
	{ "label text", ThemeLabelTextColor, 0x000000, true },
	{ "dark shadow", ThemeDarkShadowColor, 0x3F3F3F, true },
	{ "menu mark", ThemeMenuMarkColor, 0xFF0000, true }, // the adapted menu is dark
};

TEST_F(Theme, DefaultsUnderALightTheme)
{
	EXPECT_EQ(std::size(DEFAULTS), 25u);
	for(const Default& d : DEFAULTS) {
		Color c = d.get();
		EXPECT_EQ(c.Get(), d.rgb) << d.name;
		EXPECT_TRUE(c.GetRaw() & Color::SYSTEM_BIT) << d.name << " is handed out as a system colour";
	}
	EXPECT_FALSE(IsDarkTheme());
	EXPECT_FALSE(IsLabelTextInverted());
}

TEST_F(Theme, DarkPaperSetByTheSkinAdaptsTheDefaults)
{
	const Color dark(30, 30, 40);
	ResetThemeValues();
	SetThemePaperColor(dark);
	EXPECT_TRUE(IsDarkTheme());
	EXPECT_TRUE(IsDarkThemeTransform()) << "adjusted colours follow the theme's flag";
	EXPECT_EQ(AdjustedColor(Color(255, 255, 255)).Get(), DarkTheme(Color(255, 255, 255)).Get());
	ApplyThemeResets();
	for(const Default& d : DEFAULTS) {
		Color light = Color::FromRaw(d.rgb);
		dword want = d.name == std::string("paper") ? dark.Get() : d.adapted ? DarkTheme(light).Get() : d.rgb;
		if(d.name == std::string("dark shadow"))
			want = Blend(DarkTheme(Color::FromRaw(0x808080)), DarkTheme(Color(0, 0, 0)), 128).Get();
		EXPECT_EQ(d.get().Get(), want) << d.name;
	}
	// a new theme without a dark paper drops the flag and the dark defaults
	ResetThemeValues();
	EXPECT_FALSE(IsDarkThemeTransform());
	ApplyThemeResets();
	EXPECT_EQ(ThemePaperColor().Get(), 0xFFFFFFu);
	EXPECT_EQ(ThemeFaceColor().Get(), 0xC0C0C0u);
	EXPECT_FALSE(IsDarkTheme());
	EXPECT_EQ(AdjustedColor(Color(255, 255, 255)).Get(), 0xFFFFFFu);
}

TEST_F(Theme, MenuMarkFollowsADarkMenu)
{
	ResetThemeValues();
	SetThemeMenuColor(Color(10, 10, 10));
	ApplyThemeResets();
	EXPECT_EQ(ThemeMenuMarkColor().Get(), DarkTheme(Color(0, 0, 255)).Get());
	EXPECT_EQ(ThemeMarkColor().Get(), 0xFF0000u) << "the paper is still light";
}

TEST_F(Theme, SettersHoldUntilTheNextReset)
{
	struct Setter { void (*set)(Color); Color (*get)(); } setters[] = {
		{ SetThemePaperColor, ThemePaperColor }, { SetThemeFaceColor, ThemeFaceColor },
		{ SetThemeTextColor, ThemeTextColor }, { SetThemeHighlightColor, ThemeHighlightColor },
		{ SetThemeHighlightTextColor, ThemeHighlightTextColor }, { SetThemeMenuColor, ThemeMenuColor },
		{ SetThemeMenuTextColor, ThemeMenuTextColor }, { SetThemeInfoColor, ThemeInfoColor },
		{ SetThemeInfoTextColor, ThemeInfoTextColor }, { SetThemeDisabledColor, ThemeDisabledColor },
		{ SetThemeLabelTextColor, ThemeLabelTextColor },
	};
	for(const Setter& s : setters) {
		Color kept = s.get(); // a system colour kept by painting code
		Color before = Color::FromRaw(kept.Get());
		ResetThemeValues();
		s.set(Color(200, 201, 202));
		ApplyThemeResets();
		EXPECT_EQ(s.get().Get(), Color(200, 201, 202).Get());
		EXPECT_EQ(kept.Get(), Color(200, 201, 202).Get()) << "a kept colour sees the new value";
		ApplyThemeResets();
		EXPECT_EQ(s.get().Get(), Color(200, 201, 202).Get()) << "applying again keeps what was set";
		Fresh();
		EXPECT_EQ(kept.Get(), before.Get()) << "the reset forgets set values";
	}
}

TEST_F(Theme, DefaultsNameTheirOwnSources)
{
	ResetThemeValues();
	SetThemeFaceColor(Color(1, 2, 3));
	SetThemeTextColor(Color(100, 0, 0));
	ApplyThemeResets();
	EXPECT_EQ(ThemeMenuColor().Get(), 0xC0C0C0u) << "the menu follows the light gray, not the face";
	EXPECT_EQ(ThemeLabelTextColor().Get(), Color(100, 0, 0).Get()) << "label text follows the text";
	EXPECT_EQ(ThemeMenuTextColor().Get(), 0u);
}

TEST_F(Theme, LabelInversionWhenExactlyOneIsDark)
{
	struct Case { Color text, label; bool inverted; } cases[] = {
		{ Color(0, 0, 0), Color(255, 255, 255), true },
		{ Color(255, 255, 255), Color(0, 0, 0), true },
		{ Color(0, 0, 0), Color(20, 20, 20), false },
		{ Color(250, 250, 250), Color(200, 200, 200), false },
	};
	for(const Case& c : cases) {
		ResetThemeValues();
		SetThemeTextColor(c.text);
		SetThemeLabelTextColor(c.label);
		ApplyThemeResets();
		EXPECT_EQ(IsLabelTextInverted(), c.inverted);
	}
	Fresh();
	EXPECT_FALSE(IsLabelTextInverted());
}

int sResets;
byte sState, sRegistered;

void CountReset()
{
	sResets++;
	sState = 1;
}

TEST_F(Theme, RegistryRegistersOnceResetsAndRemakes)
{
	RegisterThemeReset(&sState, &sRegistered, CountReset);
	RegisterThemeReset(&sState, &sRegistered, CountReset);
	sState = 2;
	ResetThemeValues();
	EXPECT_EQ(sState, 0) << "set values are forgotten too";
	sResets = 0;
	ApplyThemeResets();
	EXPECT_EQ(sResets, 1) << "registered once";
	EXPECT_EQ(sState, 1);
}

// Documents paint on any thread, and their paint options read theme colours: the first use after
// a reset may come from many threads at once, and every one sees the colour made once.
TEST_F(Theme, MadeOnceWhenFirstUsedFromManyThreads)
{
	for(int round = 0; round < 20; round++) {
		ResetThemeValues();
		std::atomic<int> ready{0};
		std::vector<std::vector<dword>> seen(8);
		std::vector<std::thread> threads;
		for(auto& s : seen)
			threads.emplace_back([&] {
				ready++;
				while(ready.load() < 8) {}
				for(const Default& d : DEFAULTS)
					s.push_back(d.get().Get());
			});
		for(std::thread& t : threads)
			t.join();
		for(const auto& s : seen)
			for(size_t i = 0; i < std::size(DEFAULTS); i++)
				ASSERT_EQ(s[i], DEFAULTS[i].rgb) << DEFAULTS[i].name;
	}
}

// A theme change on one thread while others paint: what they read is the colour before or after.
TEST_F(Theme, ChangedWhileOtherThreadsReadIt)
{
	std::atomic<bool> done{false};
	std::atomic<int> wrong{0};
	std::vector<std::thread> threads;
	for(int k = 0; k < 4; k++)
		threads.emplace_back([&] {
			while(!done.load())
				for(const Default& d : DEFAULTS)
					if(d.get().Get() != d.rgb)
						wrong++;
		});
	for(int round = 0; round < 50; round++) {
		ResetThemeValues();
		ApplyThemeResets();
	}
	done = true;
	for(std::thread& t : threads)
		t.join();
	EXPECT_EQ(wrong.load(), 0);
}

} // namespace
} // namespace QelTest

namespace QelTest {
namespace {

class InfoDraw : public NilDraw {
public:
	dword info = 0;
	dword GetInfo() const override { return info; }
};

TEST(ThemeInk, DefaultInkIsTheThemeTextOnScreen)
{
	ResetThemeValues();
	SetThemeTextColor(Color(12, 34, 56));
	ApplyThemeResets();
	InfoDraw w;
	EXPECT_EQ(w.GetDefaultInk().Get(), Color(12, 34, 56).Get());
	EXPECT_TRUE(w.GetDefaultInk().GetRaw() & Color::SYSTEM_BIT) << "it follows later theme changes";
	w.info = INFO_DOTS;
	EXPECT_EQ(w.GetDefaultInk(), Color(0, 0, 0));
	for(dword info : { dword(INFO_KEEP_INK), dword(INFO_KEEP_INK | INFO_DOTS) }) {
		w.info = info;
		EXPECT_EQ(w.GetDefaultInk(), DEFAULT_INK);
	}
	ResetThemeValues();
	ApplyThemeResets();
}

} // namespace
} // namespace QelTest
