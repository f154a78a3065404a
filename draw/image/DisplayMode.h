// Process-wide display state that decides which variant of an image is handed out: the font
// set-up drives the high-resolution flag (image lists are reset when it changes), the theme the
// dark flag. Image lists, image makers, fonts and theme colours read them.
#pragma once

namespace Qel {

bool IsHiDpiMode();
void SetHiDpiMode(bool b);
bool IsDarkTheme();
void SetDarkTheme(bool b);

} // namespace Qel
