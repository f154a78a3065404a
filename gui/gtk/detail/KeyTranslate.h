// GDK key values become the framework's key codes; the table of the system's hot keys; the
// double-click rule of the backend's button presses.
#pragma once

#include <gui/ctrl/Ctrl.h>

namespace Qel::detail {

// Hardware key code to key value; a key code may appear more than once, the first entry counts.
using KeycodeMap = VectorMap<int, int>;

// Where the translation finds its key code maps; each is asked for only when a key needs it.
struct KeycodeMaps {
	const KeycodeMap& (*latin)();
	const KeycodeMap& (*digits)();
};

// The keymap's keys of group 0 for the key values 1 to 255 (Latin) and "0" to "9" (digits),
// each built once per process from the default display.
const KeycodeMap& LatinKeycodeMap();
const KeycodeMap& DigitKeycodeMap();

struct SpecialKey {
	dword keyval;
	dword code;
};
constexpr int SPECIAL_KEY_COUNT = 30;
extern const SpecialKey SPECIAL_KEYS[SPECIAL_KEY_COUNT];

// The key code of a key event: upper-case letters, the Latin key of a non-Latin layout, the
// special keys, the digit of the digit row under Ctrl or Alt, then the Shift, Ctrl and Alt bits
// of state and the release bit. 0 when the event gives no key (key values past 0x1fffff).
dword TranslateGdkKey(dword keyval, int keycode, dword state, bool release, const KeycodeMaps& maps);

// The system's hot keys: a key code for the translated events, an X11 key code and modifiers
// (Shift, Control, Mod1) for the filter that sees the server's events first.
struct HotKeyEntry {
	Function<void ()> callback;
	dword             key = 0;
	int               x_keycode = 0;
	dword             x_modifiers = 0;
};
Array<HotKeyEntry>& HotKeyTable();
// Runs the first entry whose key is key; false when none has it.
bool RunHotKey(dword key);

// The action of a button press: Ctrl::DOUBLE when the last click was less than 250 ms before
// now, else Ctrl::DOWN. After a double click the next click starts a new pair.
int  ClickAction(dword now);
// The tick of the last click, for tests that start from a known state.
void SetLastClickTime(dword tick);

} // namespace Qel::detail
