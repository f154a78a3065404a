// GDK key values to the framework's key codes, the keymap's key code maps behind that, the
// system's hot keys with their X11 filter, and the double-click rule of button presses.
#include "detail/KeyTranslate.h"
#include "detail/Wnd.h"
#include <gui/detail/Keys.h>
#include <gui/gtk/GtkApp.h>

#include <gdk/gdkx.h>
#include <X11/Xlib.h>

namespace Qel {

using namespace detail;

const SpecialKey detail::SPECIAL_KEYS[SPECIAL_KEY_COUNT] = {
	{0xff08, 0x8},      {0xff09, 0x9},      {0xfe20, 0x9},      {0xff0d, 0xd},      {0xff1b, 0x1b},
	{0x20, 0x20},       {0xffe3, 0x20ffe3}, {0xffe4, 0x20ffe3}, {0xffe1, 0x20ffe1}, {0xffe2, 0x20ffe1},
	{0xffe9, 0x20ffe9}, {0xffea, 0x20ffe9}, {0xff80, 0x20},     {0xff89, 0x9},      {0xff8d, 0xd},
	{0xff91, 0x20ffbe}, {0xff92, 0x20ffbf}, {0xff93, 0x20ffc0}, {0xff94, 0x20ffc1}, {0xff95, 0x20ff50},
	{0xff96, 0x20ff51}, {0xff97, 0x20ff52}, {0xff98, 0x20ff53}, {0xff99, 0x20ff54}, {0xff9a, 0x20ff55},
	{0xff9b, 0x20ff56}, {0xff9c, 0x20ff57}, {0xff9d, 0x20ff50}, {0xff9e, 0x20ff63}, {0xff9f, 0x20ffff},
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
		code = keyval + KEY_DELTA;
	}
	if((state & GDK_SHIFT_MASK) && code != 0x20ffe1)
		code |= KEY_SHIFT;
	if((state & GDK_CONTROL_MASK) && code != 0x20ffe3)
		code |= KEY_CTRL;
	if((state & GDK_MOD1_MASK) && code != 0x20ffe9)
		code |= KEY_ALT;
	if(release)
		code |= KEY_UP;
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
		return 0x80;
	}
	// a third quick click starts a new pair
	sLastClick -= 1000;
	return 0xA0;
}

void detail::SetLastClickTime(dword tick)
{
	GuiLock lock;
	sLastClick = tick;
	sLastClickSet = true;
}

} // namespace Qel
