// Short texts with line breaks, tabs and an access key, as labels and displays draw them, and
// the UTF-8 "smart text" forms that the widget library may take over with its rich text.
#pragma once

#include "DrawTarget.h"

namespace Qel {

// Lines end at character 10 and the text at 0; each line, also an empty last one, is ascent
// plus descent high. A tab moves to the next multiple of twice the line height; other control
// characters take no room.
Size GetMultilineTextSize(const wchar* text, Font font = StdFont());
// accesskey: the key character in the low 16 bits, a 1-based position in the text in the high
// 16 bits (0: anywhere); the first character that matches it is drawn underlined.
void DrawMultilineText(Draw& w, int x, int y, const wchar* text, Font font = StdFont(),
                       Color ink = DEFAULT_INK, dword accesskey = 0);

// UTF-8 text measured and drawn by the installed smart-text hooks (which may take rich text),
// else as plain multi-line text; cx is the width available.
Size GetSmartTextSize(const char* text, Font font = StdFont(), int cx = INT_MAX);
void DrawSmartText(Draw& w, int x, int y, int cx, const char* text, Font font = StdFont(),
                   Color ink = DEFAULT_INK, dword accesskey = 0);

using SmartTextSizeFn = Size (*)(const char* text, Font font, int cx);
using DrawSmartTextFn = void (*)(Draw& w, int x, int y, int cx, const char* text, Font font, Color ink,
                                 dword accesskey);
void SetSmartTextHooks(SmartTextSizeFn size, DrawSmartTextFn draw);

} // namespace Qel
