// Key dispatch: hooks, then the focus control and its ancestors, then the focus window's hot
// keys; the access-key underlines that follow Alt; key codes as readable text.
#include <gui/ctrl/Ctrl.h>
#include <gui/base/Settings.h>
#include <gui/ctrl/detail/Focus.h>
#include <gui/input/detail/Keys.h>
#include <gui/input/detail/Mouse.h>

#include <cstdio>

namespace Qel {

using namespace detail;

namespace {

// The first level of a hot-key walk that sees a child take the key logs it, once per key.
bool sHotLogged;

void sLog(const String& s)
{
	StdLog().Put(s.Begin(), s.GetLength());
}

String sHex(dword k)
{
	char buf[16];
	snprintf(buf, sizeof(buf), "%04x", k);
	return buf;
}

// Code points that UTF-8 cannot carry, and the byte escapes that text conversion would write as
// raw bytes, are not characters to show.
bool sShowable(dword c)
{
	return c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF) && !(c >= 0xEE00 && c <= 0xEEFF);
}

void sCatUtf8(String& s, dword c)
{
	if(c < 0x80)
		s.Cat(char(c));
	else if(c < 0x800) {
		s.Cat(char(0xC0 | (c >> 6)));
		s.Cat(char(0x80 | (c & 0x3F)));
	}
	else if(c < 0x10000) {
		s.Cat(char(0xE0 | (c >> 12)));
		s.Cat(char(0x80 | ((c >> 6) & 0x3F)));
		s.Cat(char(0x80 | (c & 0x3F)));
	}
	else {
		s.Cat(char(0xF0 | (c >> 18)));
		s.Cat(char(0x80 | ((c >> 12) & 0x3F)));
		s.Cat(char(0x80 | ((c >> 6) & 0x3F)));
		s.Cat(char(0x80 | (c & 0x3F)));
	}
}

// The key in the default character set, for controls that do not take code points.
dword sConvert(dword key)
{
	dword c = key & 0x1FFFFF;
	if(GetDefaultCharset() >= CHARSET_UTF8 || (key & K_DELTA) || c == 127 || c < 32)
		return key;
	return (key & ~0x1FFFFFu) | dword(FromUnicode((int)c, GetDefaultCharset(), 31) & 0xFF);
}

void sLogKey(dword key)
{
	String s;
	if(key >= K_DELTA) {
		if(key & K_KEYUP)
			s << "  KEYUP ";
		else
			s << "KEY ";
		s << GetKeyDesc(key & ~K_KEYUP);
	}
	else {
		s << "  CHAR '";
		if(sShowable(key))
			sCatUtf8(s, key);
		s << "' (" << (int)key << ")";
	}
	s << "\n";
	sLog(s);
}

} // namespace

const Vector<KeyName>& detail::KeyNames()
{
	static const Vector<KeyName> table = [] {
		Vector<KeyName> t;
		static const char* const letters[] = {
			"key\vA", "key\vB", "key\vC", "key\vD", "key\vE", "key\vF", "key\vG", "key\vH", "key\vI",
			"key\vJ", "key\vK", "key\vL", "key\vM", "key\vN", "key\vO", "key\vP", "key\vQ", "key\vR",
			"key\vS", "key\vT", "key\vU", "key\vV", "key\vW", "key\vX", "key\vY", "key\vZ",
		};
		for(int i = 0; i < 26; i++)
			t.Add({int(K_A) + i, letters[i]});
		static const char* const digits[] = {
			"key\v0", "key\v1", "key\v2", "key\v3", "key\v4", "key\v5", "key\v6", "key\v7", "key\v8", "key\v9",
		};
		for(int i = 0; i < 10; i++)
			t.Add({int(K_0) + i, digits[i]});
		static const char* const functions[] = {
			"key\vF1", "key\vF2", "key\vF3", "key\vF4", "key\vF5", "key\vF6",
			"key\vF7", "key\vF8", "key\vF9", "key\vF10", "key\vF11", "key\vF12",
		};
		for(int i = 0; i < 12; i++)
			t.Add({int(K_F1) + i, functions[i]});
		static const struct { dword code; const char* name; } rest[] = {
			{K_TAB, "key\vTab"}, {K_SPACE, "key\vSpace"}, {K_ENTER, "key\vEnter"}, {K_BACKSPACE, "key\vBackspace"},
			{K_CAPSLOCK, "key\vCaps Lock"}, {K_ESCAPE, "key\vEsc"},
			{K_PAGEUP, "key\vPage Up"}, {K_PAGEDOWN, "key\vPage Down"}, {K_END, "key\vEnd"}, {K_HOME, "key\vHome"},
			{K_LEFT, "key\vLeft"}, {K_UP, "key\vUp"}, {K_RIGHT, "key\vRight"}, {K_DOWN, "key\vDown"},
			{K_INSERT, "key\vInsert"}, {K_DELETE, "key\vDelete"}, {K_BREAK, "key\vBreak"},
			{K_MULTIPLY, "key\vNum[*]"}, {K_ADD, "key\vNum[+]"}, {K_SUBTRACT, "key\vNum[-]"}, {K_DIVIDE, "key\vNum[/]"},
			{K_ALT_KEY, "key\vAlt"}, {K_SHIFT_KEY, "key\vShift"}, {K_CTRL_KEY, "key\vCtrl"},
			{K_PLUS, "key\v[+]"}, {K_MINUS, "key\v[-]"}, {K_COMMA, "key\v[,]"}, {K_PERIOD, "key\v[.]"},
			{K_SEMICOLON, "key\v[;]"}, {K_SLASH, "key\v[/]"}, {K_GRAVE, "key\v[`]"}, {K_LBRACKET, "key\v[[]"},
			{K_BACKSLASH, "key\v[\\]"}, {K_RBRACKET, "key\v[]]"}, {K_QUOTE, "key\v[']"},
			{K_DOUBLECLICK, "key\v[double-click]"}, {K_MOUSEFORWARD, "key\v[Forward]"},
			{K_MOUSEBACKWARD, "key\v[Backward]"},
		};
		for(const auto& k : rest)
			t.Add({int(k.code), k.name});
		t.Add({0, nullptr});
		return t;
	}();
	return table;
}

String GetKeyDesc(dword key)
{
	if(key == 0)
		return String();
	String s;
	if(key & K_KEYUP)
		s << Translate("key\vUP ");
	if(key & K_CTRL)
		s << Translate("key\vCtrl+");
	if(key & K_ALT)
		s << Translate("key\vAlt+");
	if(key & K_SHIFT)
		s << Translate("key\vShift+");
	dword k = key & ~K_MODIFIERS;
	if(k >= 33 && k < K_DELTA && sShowable(k)) {
		sCatUtf8(s, k);
		return s;
	}
	if(k >= K_NUMPAD0 && k <= K_NUMPAD9) {
		s << "Num " << int(k - K_NUMPAD0);
		return s;
	}
	for(const KeyName& n : KeyNames()) {
		if(!n.name)
			break;
		if(dword(n.code) == k)
			return s << Translate(n.name);
	}
	return s << sHex(k);
}

bool Ctrl::DispatchKey(dword key, int count)
{
	GuiLock lock;
	FocusState& f = Focus();
	// a key right after the focus control was destroyed goes where the focus went from it
	TakeDeferredFocus();
	if(GetGuiAltShowsAccessKeys())
		if(Ctrl* a = GetActiveCtrl())
			a->ShowAccessKeys(CurrentEventState() & K_ALT);
	Ptr<Ctrl> focus = f.focus_ctrl;
	// by index: a hook may install further hooks
	const Vector<KeyHook>& hooks = f.key_hooks;
	for(int i = 0; i < hooks.GetCount(); i++)
		if(hooks[i](focus, key, count))
			return true;
	dword converted = sConvert(key);
	focus = f.focus_ctrl;
	if(!focus)
		return false;
	if(UserLogOn())
		sLogKey(key);
	Ptr<Ctrl> last;
	for(Ptr<Ctrl> q = focus; q;) {
		last = q;
		if(q->IsEnabled() && q->Key(q->IsUnicodeKeys() ? key : converted, count)) {
			if(UserLogOn())
				sLog("  -> " + Desc(q) + "\n");
			return true;
		}
		if(!q || q->IsTopLevel() || !q->GetParent())
			break;
		q = q->GetParent();
	}
	if(!last)
		return false;
	sHotLogged = false;
	return last->HotKey(key);
}

bool Ctrl::HotKey(dword key)
{
	GuiLock lock;
	if(!IsEnabled() || !IsVisibleDeep())
		return false;
	for(Ptr<Ctrl> q = GetFirstChild(); q;) {
		if(q->IsOpen() && q->IsVisibleDeep() && q->IsEnabled() && q->HotKey(key)) {
			if(UserLogOn() && !sHotLogged) {
				sHotLogged = true;
				sLog("  HOT-> " + (q ? Name(q) : String("NULL")) + "\n");
			}
			return true;
		}
		q = q ? q->GetNext() : nullptr;
	}
	return false;
}

void Ctrl::ShowAccessKeys(bool show)
{
	GuiLock lock;
	if(!GetGuiAltShowsAccessKeys() || bool(flags & AKEYS) == show)
		return;
	SetFlag(AKEYS, show);
	RefreshAccessKeysDeep();
}

void Ctrl::RefreshAccessKeysDeep()
{
	GuiLock lock;
	if(GetAccessKeys())
		Refresh();
	for(Ctrl* q = firstchild; q; q = q->GetNext())
		if(!q->IsTopLevel())
			q->RefreshAccessKeysDeep();
}

} // namespace Qel
