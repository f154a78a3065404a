// UTF-8, UTF-16 and UTF-32 conversions. A byte that is not part of valid UTF-8 travels as the
// escape character U+EE00 + byte and is written back as that byte, so any byte string round-trips.
#pragma once

#include <Core/base/Defs.h>

namespace Qel {

using char16 = uint16;

class String;
class WString;
template <class T> class Vector;

constexpr wchar UTF_ESCAPE = 0xEE00;

inline bool IsUtfEscape(wchar c)                 { return (c & 0xFFFFFF00) == UTF_ESCAPE; }

int Utf32Len(const char* s, int len);             // characters ToUtf32 makes of these bytes
int Utf8CharsToBytes(const char* s, int len, int n); // bytes of the first n of those characters
int Utf32Len(const char16* s, int len);           // characters ToUtf32 makes of these units
int Utf8Len(const wchar* s, int len);             // bytes ToUtf8 makes of these characters
int Utf16Len(const wchar* s, int len);            // units ToUtf16 makes of these characters

namespace detail {

// Raw cores. t must have room for len characters; returns the number written.
int    Utf8ToUtf32(wchar* t, const char* s, int len);
// t must have room for Utf8Len(s, len) bytes; returns the end of what was written.
char*  Utf32ToUtf8(char* t, const wchar* s, int len);
// t must have room for Utf16Len(s, len) units.
char16* Utf32ToUtf16(char16* t, const wchar* s, int len);
// t must have room for len characters; returns the number written.
int    Utf16ToUtf32(wchar* t, const char16* s, int len);

} // namespace detail

String  ToUtf8(const wchar* s, int len);
String  ToUtf8(const wchar* s);
String  ToUtf8(const WString& s);
String  ToUtf8(wchar c);
WString ToUtf32(const char* s, int len);
WString ToUtf32(const char* s);
WString ToUtf32(const String& s);
WString ToUtf32(const char16* s, int len);
WString ToUtf32(const Vector<char16>& s);
Vector<char16> ToUtf16(const wchar* s, int len);
Vector<char16> ToUtf16(const WString& s);
Vector<char16> ToUtf16(const char* s, int len);   // from UTF-8
String  ToUtf8(const char16* s, int len);         // from UTF-16

} // namespace Qel
