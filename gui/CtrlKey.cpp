// Key dispatch: hooks, then the focus control and its ancestors, then the focus window's hot
// keys; the access-key underlines that follow Alt; key codes as readable text.
#include "Ctrl.h"
#include "Settings.h"
#include "detail/Focus.h"
#include "detail/Keys.h"
#include "detail/Mouse.h"

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
	if(GetDefaultCharset() >= CHARSET_UTF8 || (key & KEY_DELTA) || c == 127 || c < 32)
		return key;
	return (key & ~0x1FFFFFu) | dword(FromUnicode((int)c, GetDefaultCharset(), 31) & 0xFF);
}

void sLogKey(dword key)
{
	String s;
	if(key > 0x1FFFFF) {
		if(key & KEY_UP)
			s << "  KEYUP ";
		else
			s << "KEY ";
		s << GetKeyDesc(key & ~KEY_UP);
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
			t.Add({0x200041 + i, letters[i]});
		static const char* const digits[] = {
			"key\v0", "key\v1", "key\v2", "key\v3", "key\v4", "key\v5", "key\v6", "key\v7", "key\v8", "key\v9",
		};
		for(int i = 0; i < 10; i++)
			t.Add({0x200030 + i, digits[i]});
		static const char* const functions[] = {
			"key\vF1", "key\vF2", "key\vF3", "key\vF4", "key\vF5", "key\vF6",
			"key\vF7", "key\vF8", "key\vF9", "key\vF10", "key\vF11", "key\vF12",
		};
		for(int i = 0; i < 12; i++)
			t.Add({0x20FFBE + i, functions[i]});
		static const KeyName rest[] = {
			{9, "key\vTab"}, {0x20, "key\vSpace"}, {13, "key\vEnter"}, {8, "key\vBackspace"},
			{0x20FFE5, "key\vCaps Lock"}, {27, "key\vEsc"},
			{0x20FF55, "key\vPage Up"}, {0x20FF56, "key\vPage Down"}, {0x20FF57, "key\vEnd"}, {0x20FF50, "key\vHome"},
			{0x20FF51, "key\vLeft"}, {0x20FF52, "key\vUp"}, {0x20FF53, "key\vRight"}, {0x20FF54, "key\vDown"},
			{0x20FF63, "key\vInsert"}, {0x20FFFF, "key\vDelete"}, {0x20FF6B, "key\vBreak"},
			{0x20FFAA, "key\vNum[*]"}, {0x20FFAB, "key\vNum[+]"}, {0x20FFAD, "key\vNum[-]"}, {0x20FFAF, "key\vNum[/]"},
			{0x20FFE9, "key\vAlt"}, {0x20FFE1, "key\vShift"}, {0x20FFE3, "key\vCtrl"},
			{0x20002B, "key\v[+]"}, {0x20002D, "key\v[-]"}, {0x20002C, "key\v[,]"}, {0x20002E, "key\v[.]"},
			{0x20003B, "key\v[;]"}, {0x20002F, "key\v[/]"}, {0x200060, "key\v[`]"}, {0x20005B, "key\v[[]"},
			{0x20005C, "key\v[\\]"}, {0x20005D, "key\v[]]"}, {0x200022, "key\v[']"},
			{(int)0x40000001, "key\v[double-click]"}, {(int)0x40000002, "key\v[Forward]"},
			{(int)0x40000003, "key\v[Backward]"},
		};
		for(const KeyName& k : rest)
			t.Add(k);
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
	if(key & KEY_UP)
		s << Translate("key\vUP ");
	if(key & KEY_CTRL)
		s << Translate("key\vCtrl+");
	if(key & KEY_ALT)
		s << Translate("key\vAlt+");
	if(key & KEY_SHIFT)
		s << Translate("key\vShift+");
	dword k = key & ~(KEY_UP | KEY_CTRL | KEY_ALT | KEY_SHIFT);
	if(k >= 33 && k <= 0x1FFFFF && sShowable(k)) {
		sCatUtf8(s, k);
		return s;
	}
	if(k >= 0x20FFB0 && k < 0x20FFBA) {
		s << "Num " << int(k - 0x20FFB0);
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
			a->ShowAccessKeys(CurrentEventState() & 0x8);
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
