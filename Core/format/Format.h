// Format: the positional, typed text formatter ("%d of %s: %2nf"), its formatter registry,
// the variadic front ends with their argument packers, and printf-style Sprintf.
#pragma once

#include <Core/base/Defs.h>
#include <Core/text/String.h>
#include <Core/container/Vector.h>
#include <Core/value/Value.h>

#include <cstdarg>

namespace Qel {

struct Formatting {
	int    language = 0;
	Value  arg;
	String format;
	String id;
};

typedef String (*Formatter)(const Formatting& fmt);

void   RegisterFormatter(int type, const char* id, Formatter f);
void   RegisterNumberFormatters(int type);
void   RegisterStdFormatters();

String Format(int language, const char* s, const Vector<Value>& args);
String Format(const char* s, const Vector<Value>& args);

String StdFormat(const Value& q);
void   TrimCharCount(String& s, int n);

String VSprintf(const char* fmt, va_list args);
String Sprintf(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

namespace detail {

String FormatValues(int language, const char* s, const Value* args, int count);

// Standard formatters that the engine recognises for its inline fast paths.
String StdIntFormatter(const Formatting& f);
String StdTextFormatter(const Formatting& f);
void   RegisterStdFormattersBody();

// What the formatters need to know about languages. The language and date code installs its
// own functions here; until then every language formats as English (United States).
struct FormatLanguageHooks {
	int         (*current_language)() = nullptr;
	const char* (*translate)(const char* text) = nullptr;
	// what: 0 month (n 0..11), 1 short month, 2 day of week (n 0..6, 0 = Sunday), 3 short day
	String      (*name)(int what, int n, int language) = nullptr;
	void        (*separators)(int language, String& decimal_point, String& thousands) = nullptr;
	// text of a Date or Time argument of the empty id
	String      (*date_time)(const Value& v, int language) = nullptr;
};

FormatLanguageHooks& GetFormatLanguageHooks();

int         FormatCurrentLanguage();
const char* FormatTranslate(const char* text);
String      FormatName(int what, int n, int language);
String      FormatToCase(const String& s, bool upper, int language);
void        FormatSeparators(int language, String& decimal_point, String& thousands);
String      FormatDateTime(const Value& v, int language);

// A number text of FormatDouble with the thousands separator between groups of three integer
// digits and the decimal separator in place of the point; the "l" forms of n and v use it.
String      FormatDoubleSeparated(double x, int precision, dword flags, const char* thousands,
                                  const char* decimal_point);

} // namespace detail

// Argument packers of the front ends: each stores one argument as a Value at the cursor and
// returns the cursor advanced by one item.
inline Value* PackFormatArg(Value* at, int x)           { *at = Value(x); return at + 1; }
inline Value* PackFormatArg(Value* at, byte x)          { *at = Value(int(x)); return at + 1; }
inline Value* PackFormatArg(Value* at, short x)         { *at = Value(int(x)); return at + 1; }
inline Value* PackFormatArg(Value* at, double x)        { *at = Value(x); return at + 1; }
inline Value* PackFormatArg(Value* at, const String& x) { *at = Value(x); return at + 1; }
inline Value* PackFormatArg(Value* at, const char* x)   { *at = Value(x); return at + 1; }
inline Value* PackFormatArg(Value* at, const Value& x)  { *at = x; return at + 1; }
template <class T>
Value* PackFormatArg(Value* at, const T& x)             { *at = Value(x); return at + 1; }

inline Value* PackFormatArgs(Value* at)                 { return at; }
template <class T, class... Rest>
Value* PackFormatArgs(Value* at, const T& x, const Rest&... rest)
{
	return PackFormatArgs(PackFormatArg(at, x), rest...);
}

template <class T, class... Rest>
String Format(const char* s, const T& arg, const Rest&... rest)
{
	Value args[1 + sizeof...(Rest)];
	PackFormatArgs(args, arg, rest...);
	return detail::FormatValues(detail::FormatCurrentLanguage(), s, args, 1 + sizeof...(Rest));
}

inline String FormatArgs(const char* s, int a, int b, int c, int d)
{
	return Format(s, a, b, c, d);
}

} // namespace Qel
