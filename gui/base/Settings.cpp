#include "Settings.h"

namespace Qel {

namespace {

// tag keeps settings with equal defaults apart
template <int tag, class T, T (*make)()>
struct Setting {
	static inline byte state;
	static inline byte registered;
	static inline T    value;

	static void Reset()
	{
		if(state == 0) {
			value = make();
			state = 1;
		}
	}
	static T Get()
	{
		if(state == 0) {
			RegisterThemeReset(&state, &registered, Reset);
			Reset();
		}
		return value;
	}
	static void Set(T v)
	{
		Get(); // registers it
		state = 2;
		value = v;
	}
};

template <int v> int  sInt()  { return v; }
template <bool v> bool sBool() { return v; }
int sScrollBarSize()           { return 17 << IsHiDpiMode(); }

using GuiStyle       = Setting<0, int, sInt<1>>;
using PopupEffect    = Setting<1, int, sInt<1>>;
using ToolTips       = Setting<2, bool, sBool<true>>;
using ToolTipDelay   = Setting<3, int, sInt<1000>>;
using DropShadows    = Setting<4, bool, sBool<true>>;
using AltAccessKeys  = Setting<5, bool, sBool<true>>;
using KeepAccessKeys = Setting<6, bool, sBool<false>>;
using DragDistance   = Setting<7, int, sInt<4>>;
using DoubleClick    = Setting<8, int, sInt<500>>;
using WheelLines     = Setting<9, int, sInt<3>>;
using ScrollBarSize  = Setting<10, int, sScrollBarSize>;
using ArrowSize      = Setting<11, int, GetGuiScrollBarSize>;
using MinSizeMargin  = Setting<12, int, sInt<0>>;
using ButtonOrder    = Setting<13, int, sInt<0>>;

} // namespace

int  GetGuiStyle()                 { return GuiStyle::Get(); }
void SetGuiStyle(int style)        { GuiStyle::Set(style); }
int  GetGuiPopupEffect()           { return PopupEffect::Get(); }
void SetGuiPopupEffect(int effect) { PopupEffect::Set(effect); }
bool GetGuiToolTips()              { return ToolTips::Get(); }
int  GetGuiToolTipDelay()          { return ToolTipDelay::Get(); }
bool GetGuiDropShadows()           { return DropShadows::Get(); }
bool GetGuiAltShowsAccessKeys()    { return AltAccessKeys::Get(); }
bool GetGuiKeepAccessKeys()        { return KeepAccessKeys::Get(); }
int  GetGuiDragDistance()          { return DragDistance::Get(); }
int  GetGuiDoubleClickTime()       { return DoubleClick::Get(); }
int  GetGuiWheelScrollLines()      { return WheelLines::Get(); }
int  GetGuiScrollBarSize()         { return ScrollBarSize::Get(); }
int  GetGuiScrollBarArrowSize()    { return ArrowSize::Get(); }
int  GetGuiMinSizeMargin()         { return MinSizeMargin::Get(); }
int  GetGuiDialogButtonOrder()     { return ButtonOrder::Get(); }
void SetGuiDialogButtonOrder(int order) { ButtonOrder::Set(order); }

} // namespace Qel
