// 8-bit character sets: the registry of numbered sets, the default set, conversions between
// them, UTF-8 and Unicode, and case mapping of 8-bit text.
//
// Numbers: 0 the current default set, 1..88 the registered 8-bit sets, 253 ASCII by
// transliteration (as a conversion target only), 255 UTF-8. Any other number stands for the
// default set. Bytes a set leaves undefined travel as the escape characters U+EE00 + byte.
#pragma once

#include <Core/base/Defs.h>

namespace Qel {

class String;
class WString;

constexpr int CHARSET_DEFAULT = 0;
constexpr int CHARSET_TOASCII = 253;
constexpr int CHARSET_UTF8    = 255;
constexpr int DEFAULTCHAR     = 31;   // written for characters the target set cannot hold

void   SetDefaultCharset(int charset);
int    GetDefaultCharset();
String CharsetName(int charset);
int    CharsetCount();
int    CharsetByName(const char* name);
int    CharsetNameFilter(int c);

int  ToUnicode(int chr, int charset);
int  FromUnicode(int code, int charset, int defchar = DEFAULTCHAR);

void ToUnicodeBuffer(wchar* t, const char* s, int len, int charset);
void FromUnicodeBuffer(char* t, const wchar* s, int len, int charset, int defchar = DEFAULTCHAR);
void ConvertCharsetBuffer(char* t, int tcharset, const char* s, int scharset, int len);
void ToUpperBuffer(char* t, const char* s, int len, int charset = CHARSET_DEFAULT);
void ToLowerBuffer(char* t, const char* s, int len, int charset = CHARSET_DEFAULT);

WString ToUnicode(const char* s, int len, int charset);
WString ToUnicode(const String& s, int charset);
String  FromUnicode(const wchar* s, int len, int charset, int defchar = DEFAULTCHAR);
String  FromUnicode(const WString& s, int charset = CHARSET_DEFAULT, int defchar = DEFAULTCHAR);
String  ToCharset(int tcharset, const String& s, int scharset = CHARSET_DEFAULT, int defchar = DEFAULTCHAR);

WString ToUpper(const WString& s);
WString ToLower(const WString& s);
String  ToUpper(const String& s, int charset = CHARSET_DEFAULT);
String  ToLower(const String& s, int charset = CHARSET_DEFAULT);
// A literal is a String here, not a WString.
String  ToUpper(const char* s, int charset = CHARSET_DEFAULT);
String  ToLower(const char* s, int charset = CHARSET_DEFAULT);

namespace detail {

const char* CharsetNameText(int charset);
int  ResolveCharset(int charset, bool toascii);
void ConvertCharsetBufferDef(char* t, int tcharset, const char* s, int scharset, int len, int defchar);

} // namespace detail

} // namespace Qel
