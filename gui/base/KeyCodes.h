// Key codes as Ctrl::Key, Ctrl::HotKey and the key hooks receive them, and the key flags of mouse
// events. A typed character is its code point (below K_DELTA); a key without one is K_DELTA plus
// an upper-case letter or a digit, or plus its X11 key symbol; Tab, Enter, Backspace, Esc and
// Space are their control codes. Modifiers and the release are bits on top, so Ctrl+C is
// K_CTRL | K_C, its release K_KEYUP | K_CTRL | K_C.
#pragma once

#include <Core/Core.h>

namespace Qel {

constexpr dword K_DELTA    = 0x200000;
constexpr dword K_CTRL     = 0x400000;
constexpr dword K_SHIFT    = 0x800000;
constexpr dword K_ALT      = 0x1000000;
constexpr dword K_KEYUP    = 0x4000000;
// The bits above a key: the modifiers and the release.
constexpr dword K_MODIFIERS = K_CTRL | K_SHIFT | K_ALT | K_KEYUP;

constexpr dword K_BACKSPACE = 8;
constexpr dword K_TAB       = 9;
constexpr dword K_ENTER     = 13;
constexpr dword K_ESCAPE    = 27;
constexpr dword K_SPACE     = 32;

constexpr dword K_A = K_DELTA + 'A', K_B = K_DELTA + 'B', K_C = K_DELTA + 'C', K_D = K_DELTA + 'D',
                K_E = K_DELTA + 'E', K_F = K_DELTA + 'F', K_G = K_DELTA + 'G', K_H = K_DELTA + 'H',
                K_I = K_DELTA + 'I', K_J = K_DELTA + 'J', K_K = K_DELTA + 'K', K_L = K_DELTA + 'L',
                K_M = K_DELTA + 'M', K_N = K_DELTA + 'N', K_O = K_DELTA + 'O', K_P = K_DELTA + 'P',
                K_Q = K_DELTA + 'Q', K_R = K_DELTA + 'R', K_S = K_DELTA + 'S', K_T = K_DELTA + 'T',
                K_U = K_DELTA + 'U', K_V = K_DELTA + 'V', K_W = K_DELTA + 'W', K_X = K_DELTA + 'X',
                K_Y = K_DELTA + 'Y', K_Z = K_DELTA + 'Z';

constexpr dword K_0 = K_DELTA + '0', K_1 = K_DELTA + '1', K_2 = K_DELTA + '2', K_3 = K_DELTA + '3',
                K_4 = K_DELTA + '4', K_5 = K_DELTA + '5', K_6 = K_DELTA + '6', K_7 = K_DELTA + '7',
                K_8 = K_DELTA + '8', K_9 = K_DELTA + '9';

constexpr dword K_F1 = K_DELTA + 0xFFBE, K_F2 = K_F1 + 1, K_F3 = K_F1 + 2, K_F4 = K_F1 + 3,
                K_F5 = K_F1 + 4, K_F6 = K_F1 + 5, K_F7 = K_F1 + 6, K_F8 = K_F1 + 7,
                K_F9 = K_F1 + 8, K_F10 = K_F1 + 9, K_F11 = K_F1 + 10, K_F12 = K_F1 + 11;

constexpr dword K_HOME      = K_DELTA + 0xFF50;
constexpr dword K_LEFT      = K_DELTA + 0xFF51;
constexpr dword K_UP        = K_DELTA + 0xFF52;
constexpr dword K_RIGHT     = K_DELTA + 0xFF53;
constexpr dword K_DOWN      = K_DELTA + 0xFF54;
constexpr dword K_PAGEUP    = K_DELTA + 0xFF55;
constexpr dword K_PAGEDOWN  = K_DELTA + 0xFF56;
constexpr dword K_END       = K_DELTA + 0xFF57;
constexpr dword K_INSERT    = K_DELTA + 0xFF63;
constexpr dword K_BREAK     = K_DELTA + 0xFF6B;
constexpr dword K_DELETE    = K_DELTA + 0xFFFF;
constexpr dword K_CAPSLOCK  = K_DELTA + 0xFFE5;

// The modifier keys themselves (pressed alone, they carry no modifier bit of their own).
constexpr dword K_SHIFT_KEY = K_DELTA + 0xFFE1;
constexpr dword K_CTRL_KEY  = K_DELTA + 0xFFE3;
constexpr dword K_ALT_KEY   = K_DELTA + 0xFFE9;

// The numeric pad.
constexpr dword K_MULTIPLY  = K_DELTA + 0xFFAA;
constexpr dword K_ADD       = K_DELTA + 0xFFAB;
constexpr dword K_SUBTRACT  = K_DELTA + 0xFFAD;
constexpr dword K_DIVIDE    = K_DELTA + 0xFFAF;
constexpr dword K_NUMPAD0 = K_DELTA + 0xFFB0, K_NUMPAD1 = K_NUMPAD0 + 1, K_NUMPAD2 = K_NUMPAD0 + 2,
                K_NUMPAD3 = K_NUMPAD0 + 3, K_NUMPAD4 = K_NUMPAD0 + 4, K_NUMPAD5 = K_NUMPAD0 + 5,
                K_NUMPAD6 = K_NUMPAD0 + 6, K_NUMPAD7 = K_NUMPAD0 + 7, K_NUMPAD8 = K_NUMPAD0 + 8,
                K_NUMPAD9 = K_NUMPAD0 + 9;

// Punctuation keys, as they come with Ctrl or Alt.
constexpr dword K_PLUS      = K_DELTA + '+';
constexpr dword K_MINUS     = K_DELTA + '-';
constexpr dword K_COMMA     = K_DELTA + ',';
constexpr dword K_PERIOD    = K_DELTA + '.';
constexpr dword K_SEMICOLON = K_DELTA + ';';
constexpr dword K_SLASH     = K_DELTA + '/';
constexpr dword K_GRAVE     = K_DELTA + '`';
constexpr dword K_LBRACKET  = K_DELTA + '[';
constexpr dword K_BACKSLASH = K_DELTA + '\\';
constexpr dword K_RBRACKET  = K_DELTA + ']';
constexpr dword K_QUOTE     = K_DELTA + '"';

// The pointer's extra buttons arrive as keys; K_DOUBLECLICK names a double click in key lists.
constexpr dword K_DOUBLECLICK   = 0x40000001;
constexpr dword K_MOUSEFORWARD  = 0x40000002;
constexpr dword K_MOUSEBACKWARD = 0x40000003;

// Key flags of mouse events: the modifier bits above, the buttons held, and what the event is.
constexpr dword K_MOUSEMIDDLE = 2;
constexpr dword K_MOUSERIGHT  = 4;
constexpr dword K_MOUSELEFT   = 8;
constexpr dword K_MOUSEDOUBLE = 0x10;
constexpr dword K_MOUSETRIPLE = 0x20;
constexpr dword K_PEN         = 0x80;

} // namespace Qel
