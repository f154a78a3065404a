// Theme colours and the registry of theme-dependent values. Colours are handed out as system
// colours, so code that keeps one sees the new value after a theme change; defaults are made on
// first use and follow a dark paper colour.
#pragma once

#include <draw/image/DisplayMode.h>

#include <Core/types/Color.h>

namespace Qel {

// Base colours, dark-adapted when the paper is dark at the time they are made.
Color ThemeBlack();
Color ThemeGray();
Color ThemeLightGray();
Color ThemeWhiteGray();
Color ThemeWhite();
Color ThemeNavy();
Color ThemeYellow();
Color ThemeGreen();
Color ThemeLightYellow();

// Role colours.
Color ThemePaperColor();
Color ThemeFaceColor();
Color ThemeTextColor();
Color ThemeHighlightColor();
Color ThemeHighlightTextColor();
Color ThemeMenuColor();
Color ThemeMenuTextColor();
Color ThemeInfoColor();
Color ThemeInfoTextColor();
Color ThemeDisabledColor();
Color ThemeLightColor();
Color ThemeShadowColor();
Color ThemeMarkColor();
Color ThemeMenuMarkColor();
Color ThemeDarkShadowColor();
Color ThemeLabelTextColor();

// The paper colour also decides whether the theme is dark (and so the dark transform of
// adjusted colours and the image lists' dark variants).
void SetThemePaperColor(Color c);
void SetThemeFaceColor(Color c);
void SetThemeTextColor(Color c);
void SetThemeHighlightColor(Color c);
void SetThemeHighlightTextColor(Color c);
void SetThemeMenuColor(Color c);
void SetThemeMenuTextColor(Color c);
void SetThemeInfoColor(Color c);
void SetThemeInfoTextColor(Color c);
void SetThemeDisabledColor(Color c);
void SetThemeLabelTextColor(Color c);

bool IsLabelTextInverted();

// A theme-dependent static: its state byte (0 not made yet, 1 default, 2 set) and the function
// that makes it again. Registered once, on first use; registered already when *registered is set.
void RegisterThemeReset(byte* state, byte* registered, void (*reset)());

// A theme change: ResetThemeValues forgets every value (set ones too), the skin sets what it takes
// from the desktop, ApplyThemeResets makes the rest again.
void ResetThemeValues();
void ApplyThemeResets();

} // namespace Qel
