// GDK key values to the framework's key codes, the keymap's key code maps behind that, the
// system's hot keys with their X11 filter, and the double-click rule of button presses.
#include "detail/KeyTranslate.h"
#include "detail/Wnd.h"
#include <gui/input/detail/Keys.h>
#include <gui/gtk/GtkApp.h>

#include <gdk/gdkx.h>
#include <X11/Xlib.h>

namespace Qel {

using namespace detail;

const SpecialKey detail::SPECIAL_KEYS[SPECIAL_KEY_COUNT] = {
	{0xff08, K_BACKSPACE},  {0xff09, K_TAB},        {0xfe20, K_TAB},        {0xff0d, K_ENTER},
	{0xff1b, K_ESCAPE},     {0x20, K_SPACE},        {0xffe3, K_CTRL_KEY},   {0xffe4, K_CTRL_KEY},
	{0xffe1, K_SHIFT_KEY},  {0xffe2, K_SHIFT_KEY},  {0xffe9, K_ALT_KEY},    {0xffea, K_ALT_KEY},
	// the numeric pad's own Space, Tab, Enter, F1-F4 and cursor keys
	{0xff80, K_SPACE},      {0xff89, K_TAB},        {0xff8d, K_ENTER},      {0xff91, K_F1},
	{0xff92, K_F2},         {0xff93, K_F3},         {0xff94, K_F4},         {0xff95, K_HOME},
	{0xff96, K_LEFT},       {0xff97, K_UP},         {0xff98, K_RIGHT},      {0xff99, K_DOWN},
	{0xff9a, K_PAGEUP},     {0xff9b, K_PAGEDOWN},   {0xff9c, K_END},        {0xff9d, K_HOME},
	{0xff9e, K_INSERT},     {0xff9f, K_DELETE},
};

namespace {

// The keys of group 0 that type the key values lo to hi, in that order.
KeycodeMap sBuildMap(int lo, int hi)
{
	KeycodeMap map;
	GdkDisplay* d = gdk_display_get_default();
	GdkKeymap* keymap = d ? gdk_keymap_get_for_display(d) : nullptr;
	if(!keymap)
		return map;
	for(int keyval = lo; keyval <= hi; keyval++) {
		GdkKeymapKey* keys = nullptr;
		gint n = 0;
		if(!gdk_keymap_get_entries_for_keyval(keymap, keyval, &keys, &n))
			continue;
		for(int i = 0; i < n; i++)
			if(keys[i].group == 0)
				map.Add((int)keys[i].keycode, keyval);
		g_free(keys);
	}
	return map;
}

dword sLastClick;
bool  sLastClickSet;

GdkFilterReturn sHotKeyFilter(GdkXEvent* xevent, GdkEvent*, gpointer)
{
	const XEvent* e = (const XEvent*)xevent;
	if(e->type != KeyPress)
		return GDK_FILTER_CONTINUE;
	return Guarded<GdkFilterReturn>(GDK_FILTER_CONTINUE, [&] {
		dword mods = e->xkey.state & (ShiftMask | ControlMask | Mod1Mask);
		Array<HotKeyEntry>& table = HotKeyTable();
		for(int i = 0; i < table.GetCount(); i++)
			if(table[i].x_keycode == (int)e->xkey.keycode && table[i].x_modifiers == mods) {
				Function<void ()> cb = table[i].callback; // the callback may change the table
				if(cb)
					cb();
				return GDK_FILTER_REMOVE;
			}
		return GDK_FILTER_CONTINUE;
	});
}

} // namespace

// Built at the first key that needs them (the initialisation of a local static is guarded, and
// checked without a lock afterwards: every key past Latin-1 asks for the map).
const KeycodeMap& detail::LatinKeycodeMap()
{
	static const KeycodeMap map = sBuildMap(1, 255);
	return map;
}

const KeycodeMap& detail::DigitKeycodeMap()
{
	static const KeycodeMap map = sBuildMap('0', '9');
	return map;
}

dword detail::TranslateGdkKey(dword keyval, int keycode, dword state, bool release, const KeycodeMaps& maps)
{
	if(keyval > 0x1fffff)
		return 0;
	if(keyval >= 'a' && keyval <= 'z')
		keyval -= 32;
	// a Cyrillic or Greek layout names the Latin key on the same place
	if(keyval >= 257) {
		const KeycodeMap& latin = maps.latin();
		int i = latin.Find(keycode);
		if(i >= 0)
			keyval = (dword)latin[i];
	}
	dword code = 0;
	for(const SpecialKey& k : SPECIAL_KEYS)
		if(k.keyval == keyval) {
			code = k.code;
			break;
		}
	if(!code) {
		// Ctrl or Alt with the digit row means the digit even where the row types other characters
		if(state & (GDK_CONTROL_MASK | GDK_MOD1_MASK)) {
			const KeycodeMap& digits = maps.digits();
			int i = digits.Find(keycode);
			if(i >= 0)
				keyval = (dword)digits[i];
		}
		code = keyval + K_DELTA;
	}
	if((state & GDK_SHIFT_MASK) && code != K_SHIFT_KEY)
		code |= K_SHIFT;
	if((state & GDK_CONTROL_MASK) && code != K_CTRL_KEY)
		code |= K_CTRL;
	if((state & GDK_MOD1_MASK) && code != K_ALT_KEY)
		code |= K_ALT;
	if(release)
		code |= K_KEYUP;
	return code;
}

Array<HotKeyEntry>& detail::HotKeyTable()
{
	static Array<HotKeyEntry> table;
	return table;
}

bool detail::RunHotKey(dword key)
{
	GuiLock lock;
	Array<HotKeyEntry>& table = HotKeyTable();
	for(int i = 0; i < table.GetCount(); i++)
		if(table[i].key == key) {
			Function<void ()> cb = table[i].callback;
			if(cb)
				cb();
			return true;
		}
	return false;
}

void detail::InstallHotKeyFilter()
{
	gdk_window_add_filter(nullptr, sHotKeyFilter, nullptr);
}

int detail::ClickAction(dword now)
{
	GuiLock lock;
	if(!sLastClickSet) {
		sLastClick = now - 100000;
		sLastClickSet = true;
	}
	if(int(now - sLastClick) > 249) {
		sLastClick = now;
		return Ctrl::DOWN;
	}
	// a third quick click starts a new pair
	sLastClick -= 1000;
	return Ctrl::DOUBLE;
}

void detail::SetLastClickTime(dword tick)
{
	GuiLock lock;
	sLastClick = tick;
	sLastClickSet = true;
}

} // namespace Qel
