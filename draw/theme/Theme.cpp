// Theme colours: one system colour slot each, made lazily, forgotten and made again on a theme change.
#include "Theme.h"
#include <draw/iml/Iml.h>

#include <Core/container/Vector.h>
#include <Core/thread/Thread.h>

#include <atomic>

namespace Qel {

namespace {

struct ThemeReset {
	byte* state;
	void (*reset)();
};

Vector<ThemeReset>& sRegistry()
{
	static Vector<ThemeReset> r;
	return r;
}

// Colours are made on first use, which may come from any thread (documents painted on workers):
// making, setting, registering and forgetting them happen under this lock. Recursive: a colour
// made from another makes that one first.
Mutex& sThemeLock()
{
	static Mutex m;
	return m;
}

bool sLabelInverted;

struct ThemeColor {
	byte   state = 0;
	byte   registered = 0;
	SColor color;
};

// The record of one accessor; the accessor itself is its reset function.
template <Color (*accessor)()>
ThemeColor& sRecord()
{
	static ThemeColor r;
	return r;
}

template <Color (*accessor)()>
void sReset() { accessor(); }

template <Color (*accessor)()>
Color sGet(Color (*make)())
{
	ThemeColor& r = sRecord<accessor>();
	if(std::atomic_ref<byte>(r.state).load(std::memory_order_acquire) == 0) {
		Mutex::Lock lock(sThemeLock());
		if(r.state == 0) {
			RegisterThemeReset(&r.state, &r.registered, sReset<accessor>);
			r.color.Set(make());
			std::atomic_ref<byte>(r.state).store(1, std::memory_order_release);
		}
	}
	return r.color;
}

template <Color (*accessor)()>
void sSet(Color c)
{
	Mutex::Lock lock(sThemeLock());
	accessor(); // registers the record
	ThemeColor& r = sRecord<accessor>();
	r.color.Set(c);
	std::atomic_ref<byte>(r.state).store(2, std::memory_order_release);
}

Color sAdapted(dword rgb)
{
	Color c = Color::FromRaw(rgb);
	return IsDarkTheme() ? DarkThemeCached(c) : c;
}

} // namespace

Color ThemeBlack()       { return sGet<ThemeBlack>([] { return sAdapted(0x000000); }); }
Color ThemeGray()        { return sGet<ThemeGray>([] { return sAdapted(0x808080); }); }
Color ThemeLightGray()   { return sGet<ThemeLightGray>([] { return sAdapted(0xC0C0C0); }); }
Color ThemeWhiteGray()   { return sGet<ThemeWhiteGray>([] { return sAdapted(0xE0E0E0); }); }
Color ThemeWhite()       { return sGet<ThemeWhite>([] { return sAdapted(0xFFFFFF); }); }
Color ThemeNavy()        { return sGet<ThemeNavy>([] { return sAdapted(0x800000); }); }
Color ThemeYellow()      { return sGet<ThemeYellow>([] { return sAdapted(0x00FFFF); }); }
Color ThemeGreen()       { return sGet<ThemeGreen>([] { return sAdapted(0x00FF00); }); }
Color ThemeLightYellow() { return sGet<ThemeLightYellow>([] { return sAdapted(0xC0FFFF); }); }

Color ThemePaperColor()         { return sGet<ThemePaperColor>([] { return Color::FromRaw(0xFFFFFF); }); }
Color ThemeFaceColor()          { return sGet<ThemeFaceColor>(ThemeLightGray); }
Color ThemeTextColor()          { return sGet<ThemeTextColor>(ThemeBlack); }
Color ThemeHighlightColor()     { return sGet<ThemeHighlightColor>(ThemeNavy); }
Color ThemeHighlightTextColor() { return sGet<ThemeHighlightTextColor>(ThemeWhite); }
Color ThemeMenuColor()          { return sGet<ThemeMenuColor>(ThemeLightGray); }
Color ThemeMenuTextColor()      { return sGet<ThemeMenuTextColor>(ThemeBlack); }
Color ThemeInfoColor()          { return sGet<ThemeInfoColor>(ThemeLightYellow); }
Color ThemeInfoTextColor()      { return sGet<ThemeInfoTextColor>(ThemeBlack); }
Color ThemeDisabledColor()      { return sGet<ThemeDisabledColor>(ThemeGray); }
Color ThemeLightColor()         { return sGet<ThemeLightColor>(ThemeWhite); }
Color ThemeShadowColor()        { return sGet<ThemeShadowColor>(ThemeGray); }
Color ThemeLabelTextColor()     { return sGet<ThemeLabelTextColor>(ThemeTextColor); }

Color ThemeMarkColor()
{
	return sGet<ThemeMarkColor>([] {
		Color blue = Color::FromRaw(0xFF0000);
		return IsDark(ThemePaperColor()) ? DarkTheme(blue) : blue;
	});
}

Color ThemeMenuMarkColor()
{
	return sGet<ThemeMenuMarkColor>([] {
		Color blue = Color::FromRaw(0xFF0000);
		return IsDark(ThemeMenuColor()) ? DarkTheme(blue) : blue;
	});
}

Color ThemeDarkShadowColor()
{
	return sGet<ThemeDarkShadowColor>([] { return Blend(ThemeShadowColor(), ThemeBlack(), 128); });
}

void SetThemePaperColor(Color c)
{
	sSet<ThemePaperColor>(c);
	SetDarkTheme(IsDark(c));
	SetDarkThemeTransform(IsDark(c));
	Iml::RefreshAll(); // the lists hold dark variants of their images
}

void SetThemeFaceColor(Color c)          { sSet<ThemeFaceColor>(c); }
void SetThemeTextColor(Color c)          { sSet<ThemeTextColor>(c); }
void SetThemeHighlightColor(Color c)     { sSet<ThemeHighlightColor>(c); }
void SetThemeHighlightTextColor(Color c) { sSet<ThemeHighlightTextColor>(c); }
void SetThemeMenuColor(Color c)          { sSet<ThemeMenuColor>(c); }
void SetThemeMenuTextColor(Color c)      { sSet<ThemeMenuTextColor>(c); }
void SetThemeInfoColor(Color c)          { sSet<ThemeInfoColor>(c); }
void SetThemeInfoTextColor(Color c)      { sSet<ThemeInfoTextColor>(c); }
void SetThemeDisabledColor(Color c)      { sSet<ThemeDisabledColor>(c); }
void SetThemeLabelTextColor(Color c)     { sSet<ThemeLabelTextColor>(c); }

bool IsLabelTextInverted() { return sLabelInverted; }

void RegisterThemeReset(byte* state, byte* registered, void (*reset)())
{
	Mutex::Lock lock(sThemeLock());
	if(*registered)
		return;
	sRegistry().Add(ThemeReset{state, reset});
	*registered = 1;
}

void ResetThemeValues()
{
	SetDarkTheme(false);
	SetDarkThemeTransform(false);
	Mutex::Lock lock(sThemeLock());
	for(const ThemeReset& r : sRegistry())
		std::atomic_ref<byte>(*r.state).store(0, std::memory_order_release);
	// The built-in look painter needs no registering again: it heads the painter list for good.
}

void ApplyThemeResets()
{
	{
		// by index: a reset may register further values and so grow the registry
		Mutex::Lock lock(sThemeLock());
		Vector<ThemeReset>& reg = sRegistry();
		for(int i = 0; i < reg.GetCount(); i++) {
			void (*reset)() = reg[i].reset;
			reset();
		}
	}
	sLabelInverted = IsDark(ThemeLabelTextColor()) != IsDark(ThemeTextColor());
	SColor::RefreshAll();
}

} // namespace Qel
