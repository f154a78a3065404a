// Process-wide GUI settings that the theme may change. Each is a theme value: made with its
// default on first use, forgotten by ResetThemeValues, made again by ApplyThemeResets unless the
// skin set it in between.
#pragma once

#include <draw/Draw.h>

namespace Qel {

int  GetGuiStyle();              // drawing variant of buttons, options and menus (1 or 2)
void SetGuiStyle(int style);
int  GetGuiPopupEffect();        // how popups and menus open
void SetGuiPopupEffect(int effect);
bool GetGuiToolTips();
int  GetGuiToolTipDelay();       // ms
bool GetGuiDropShadows();
bool GetGuiAltShowsAccessKeys(); // access keys underlined only while Alt is held
bool GetGuiKeepAccessKeys();     // no automatic assignment where controls bring their own
int  GetGuiDragDistance();       // pixels
int  GetGuiDoubleClickTime();    // ms
int  GetGuiWheelScrollLines();
int  GetGuiScrollBarSize();      // pixels
int  GetGuiScrollBarArrowSize(); // pixels; the scroll-bar size when it was made
int  GetGuiMinSizeMargin();
int  GetGuiDialogButtonOrder();  // how prompts order their buttons (0 by default)
void SetGuiDialogButtonOrder(int order);

// This backend always opens popups without an effect.
constexpr bool BackendDisablesPopupEffect() { return true; }

} // namespace Qel
