#include <Core/types/Color.h>
#include <Core/value/Value.h>
#include <Core/stream/StringStream.h>
#include <Core/thread/Thread.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>

using namespace Qel;

namespace {

std::string Text(const String& s)
{
	return std::string(~s, s.GetLength());
}

// Restores the theme switch however a test ends.
struct DarkSwitch {
	explicit DarkSwitch(bool on) { SetDarkThemeTransform(on); }
	~DarkSwitch()                { SetDarkThemeTransform(false); }
};

int sCalls;
Color sRed()   { sCalls++; return Color(255, 0, 0); }
Color sGreen() { return Color(0, 255, 0); }

} // namespace

TEST(Color, NullAndSpecialsResolveToBlack)
{
	EXPECT_TRUE(Color().IsNull());
	EXPECT_EQ(Color().GetRaw(), 0xFFFFFFFFu);
	for(dword w : { 0xFFFFFFFFu, 0x80000005u, 0x800000FFu, 0x800000FEu, 0x40000000u | 2000 }) {
		EXPECT_EQ(Color::FromRaw(w).Get(), 0u) << std::hex << w;
		EXPECT_EQ(Color::FromRaw(w).IsNull(), w == 0xFFFFFFFF) << std::hex << w;
	}
	EXPECT_EQ(Color(1, 2, 3).Get(), 0x030201u);
}

TEST(Color, AdjustedFollowsTheDarkSwitch)
{
	Color white = AdjustedColor(Color(255, 255, 255)), black = AdjustedColor(Color(0, 0, 0));
	EXPECT_EQ(white.Get(), 0xFFFFFFu);
	EXPECT_EQ(black.Get(), 0u);
	DarkSwitch dark(true);
	EXPECT_EQ(white.Get(), 0u);
	EXPECT_EQ(black.Get(), 0xFFFFFFu);
	EXPECT_EQ(Color(255, 255, 255).Get(), 0xFFFFFFu); // plain colours never change
}

TEST(Color, DarkThemeTable)
{
	// Mirror of the lightness, chroma kept and scaled; the near-whites spread logarithmically.
	struct { Color in, out; } cases[] = {
		{ Color(200, 200, 200), Color(55, 55, 55) },
		{ Color(250, 250, 250), Color(15, 15, 15) },
		{ Color(255, 255, 255), Color(0, 0, 0) },
		{ Color(0, 0, 0), Color(255, 255, 255) },
		{ Color(128, 128, 128), Color(127, 127, 127) },
		{ Color(226, 226, 226), Color(29, 29, 29) },
	};
	for(auto& c : cases) {
		EXPECT_EQ(DarkTheme(c.in), c.out) << Text(c.in.ToString());
		EXPECT_EQ(DarkThemeCached(c.in), c.out) << Text(c.in.ToString());
		EXPECT_EQ(DarkThemeCached(c.in), c.out); // second probe hits the cache
	}
	EXPECT_TRUE(DarkTheme(Color()).IsNull());
	// A hue keeps its dominant channel and stays within range.
	Color r = DarkTheme(Color(255, 0, 0));
	EXPECT_GT(r.GetR(), r.GetG());
	EXPECT_EQ(r.GetG(), r.GetB());
}

TEST(Color, DarkThemeCacheAgreesAcrossThreadsAndCollisions)
{
	// Many colours share cache slots; every answer must still be the uncached one.
	bool ok = true;
	auto check = [&] {
		for(int i = 0; i < 5000; i++) {
			Color c = Color::FromRaw(dword(i) * 2654435761u & 0xFFFFFF);
			if(DarkThemeCached(c) != DarkTheme(c))
				ok = false;
		}
	};
	Thread t;
	t.Run(check);
	check();
	t.Wait();
	EXPECT_TRUE(ok);
}

TEST(Color, SystemColours)
{
	sCalls = 0;
	SColor red(sRed);
	EXPECT_EQ(sCalls, 1); // resolved at registration
	EXPECT_EQ(Color(red).Get(), 0x0000FFu);
	EXPECT_EQ(sCalls, 1);
	SColor::RefreshAll();
	EXPECT_EQ(red.Get(), 0x0000FFu);
	EXPECT_EQ(red.Get(), 0x0000FFu);
	EXPECT_EQ(sCalls, 2); // asked again exactly once
	int slot = red.GetRaw() & 0xFFFFFF;
	EXPECT_EQ(Text(red.ToString()), "SColor(" + std::to_string(slot) + ") -> Color(255, 0, 0)");

	SColor blank;
	EXPECT_EQ(blank.Get(), 0u);
	blank.Set(SColor(sGreen)); // a system colour collapses to its plain value
	EXPECT_EQ(blank.Get(), 0x00FF00u);
	blank.Set(Color(1, 2, 3));
	EXPECT_EQ(blank.Get(), 0x030201u);
	SColor::RefreshAll(); // no function: keeps the set value
	EXPECT_EQ(blank.Get(), 0x030201u);
	Color::FromRaw(0x40000000 | 5000).Get(); // out of range slots are harmless
	SColor far;
	static_cast<Color&>(far) = Color::FromRaw(0x40000000 | 5000);
	far.Set(Color(1, 1, 1));
}

TEST(Color, SystemColourResolvedOnceAcrossThreads)
{
	static std::atomic<int> calls;
	SColor blue([] { calls++; return Color(0, 0, 255); });
	for(int round = 0; round < 20; round++) {
		SColor::RefreshAll();
		calls = 0;
		std::atomic<bool> ok = true;
		auto get = [&] {
			for(int i = 0; i < 100; i++)
				if(blue.Get() != 0xFF0000u)
					ok = false;
		};
		Thread t[3];
		for(Thread& x : t)
			x.Run(get);
		get();
		for(Thread& x : t)
			x.Wait();
		EXPECT_TRUE(ok);
		EXPECT_EQ(calls, 1);
	}
}

TEST(Color, BlendGrayAndDarkness)
{
	Color black(0, 0, 0), white(255, 255, 255);
	EXPECT_EQ(Blend(black, white, 128), Color(128, 128, 128));
	EXPECT_EQ(Blend(Color(10, 20, 30), Color(200, 100, 0), 0), Color(10, 20, 30));
	EXPECT_EQ(Blend(Color(10, 20, 30), Color(200, 100, 0), 255), Color(200, 100, 0));
	// Exhaustive against the formula over one channel pair.
	for(int a = 0; a <= 255; a++)
		for(int x : { 0, 37, 255 })
			for(int y : { 0, 200, 255 }) {
				int f = a + (a >> 7);
				int want = std::min(255, x + (((y - x) * f) >> 8));
				ASSERT_EQ(Blend(Color(x, 0, 0), Color(y, 0, 0), a).GetR(), want);
			}
	EXPECT_FALSE(IsDark(Color(80, 80, 80)));
	EXPECT_TRUE(IsDark(Color(79, 79, 79)));
	EXPECT_EQ(Grayscale(Color(255, 255, 255)), 255);
	EXPECT_EQ(Grayscale(Color(0, 255, 0)), 150);
}

TEST(Color, RGBAConversions)
{
	RGBA p = Color(1, 2, 3).ToRGBA();
	EXPECT_EQ(p.r, 1);
	EXPECT_EQ(p.g, 2);
	EXPECT_EQ(p.b, 3);
	EXPECT_EQ(p.a, 255);
	RGBA z = Color().ToRGBA();
	EXPECT_EQ(z.a | z.r | z.g | z.b, 0);
	EXPECT_TRUE(Color(RGBA{0, 0, 0, 0}).IsNull());
	EXPECT_EQ(Color(RGBA{3, 2, 1, 255}), Color(1, 2, 3));
	// Half-transparent white must stay white, not wrap to black.
	EXPECT_EQ(Color(RGBA{128, 128, 128, 128}), Color(255, 255, 255));
	EXPECT_EQ(Color(RGBA{1, 1, 1, 1}), Color(255, 255, 255));
	EXPECT_EQ(Color(RGBA{255, 255, 255, 7}), Color(255, 255, 255)); // not premultiplied: saturates
	// Premultiply then un-premultiply stays within rounding for every alpha.
	for(int a = 1; a <= 255; a++) {
		RGBA q = MakeRGBA(a, Color(200, 100, 50));
		ASSERT_EQ(q.a, a);
		ASSERT_LE(q.r, a);
		Color back(q);
		ASSERT_NEAR(back.GetR(), 200, 256 / a + 1) << a;
	}
	RGBA h = MakeRGBA(128, Color(255, 255, 255));
	EXPECT_EQ(h.r, 128);
	EXPECT_EQ(h.a, 128);
}

TEST(Color, Text)
{
	EXPECT_EQ(Text(Color().ToString()), "Color(Null)");
	EXPECT_EQ(Text(Color(255, 0, 0).ToString()), "Color(255, 0, 0)");
	EXPECT_EQ(Text(Color::Special(5).ToString()), "Color::Special(5)");
	EXPECT_EQ(Text(AdjustedColor(Color(1, 2, 3)).ToString()), "Color(1, 2, 3)");
}

TEST(Color, InValue)
{
	Value red = Color(255, 0, 0);
	EXPECT_EQ(red.GetType(), COLOR_V);
	EXPECT_EQ(red.GetHashValue(), 255u);
	EXPECT_EQ(Text(red.ToText()), "Color(255, 0, 0)");
	EXPECT_FALSE(red == Value(255));
	EXPECT_EQ(Color(red), Color(255, 0, 0));
	EXPECT_EQ(red.To<Color>(), Color(255, 0, 0));
	EXPECT_TRUE(Value(Color()).IsNull());
	EXPECT_TRUE(Value(Color()) == Value());
	EXPECT_FALSE(Value(Color::Special(0xFF)).IsNull());
	EXPECT_TRUE(Color(Value()).IsNull());
	EXPECT_THROW(Color(Value(5)), ValueTypeError);
	EXPECT_EQ(Value::GetRegisteredName(COLOR_V), String("Color"));
	EXPECT_EQ(Value(Color(1, 2, 3)).Compare(Value(Color(3, 2, 1))), 0);

	StringStream ss;
	Color c(255, 0, 0);
	c.Serialize(ss);
	EXPECT_EQ(ss.GetResult(), String("\xFF\x00\x00\x00", 4));
	StringStream in(String("\x01\x02", 2));
	in.SetLoading();
	Color d(1, 1, 1);
	d.Serialize(in);
	EXPECT_TRUE(in.IsError());
	EXPECT_TRUE(d.IsNull());
}

TEST(Color, PointfHelpers)
{
	EXPECT_EQ(Mid(Pointf(0, 0), Pointf(2, 4)), Pointf(1, 2));
	EXPECT_EQ(Perpendicular(Pointf(1, 2)), Pointf(-2, 1));
	EXPECT_DOUBLE_EQ(Length(Pointf(3, 4)), 5);
	EXPECT_DOUBLE_EQ(Squared(Pointf(3, 4)), 25);
	EXPECT_DOUBLE_EQ(Distance(Pointf(1, 1), Pointf(4, 5)), 5);
	EXPECT_DOUBLE_EQ(SquaredDistance(Pointf(1, 1), Pointf(4, 5)), 25);
	Pointf p = Polar(Pointf(1, 1), 2, M_PI / 2);
	EXPECT_NEAR(p.x, 1, 1e-12);
	EXPECT_NEAR(p.y, 3, 1e-12);
	EXPECT_DOUBLE_EQ(Angle(Pointf(0, 1)), M_PI / 2);
	EXPECT_EQ(GetFitSize(Sizef(200, 100), 50, 50), Sizef(50, 25));
	EXPECT_EQ(GetFitSize(Sizef(100, 200), 50, 50), Sizef(25, 50));
	EXPECT_EQ(GetFitSize(Sizef(0, 100), 50, 50), Sizef(0, 0));
	EXPECT_EQ(GetFitSize(Sizef(10, 10), -1, 50), Sizef(0, 0));
}
