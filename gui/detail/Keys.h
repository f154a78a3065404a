// Key codes as dispatch sees them: a typed character is its code point; other keys are KEY_DELTA
// plus a letter or digit or an X11 key symbol; modifiers and the release are high bits.
#pragma once

#include "../Ctrl.h"

namespace Qel::detail {

constexpr dword KEY_DELTA = 0x200000;
constexpr dword KEY_CTRL  = 0x400000;
constexpr dword KEY_SHIFT = 0x800000;
constexpr dword KEY_ALT   = 0x1000000;
constexpr dword KEY_UP    = 0x4000000;

// The pointer's extra buttons, delivered as keys.
constexpr dword KEY_MOUSE_FORWARD  = 0x40000002;
constexpr dword KEY_MOUSE_BACKWARD = 0x40000003;

// A key and the translation key of its name ("key\vEnter").
struct KeyName {
	int         code;
	const char* name;
};

// The names GetKeyDesc knows, ended by a record with code 0; made at start-up.
const Vector<KeyName>& KeyNames();

} // namespace Qel::detail
