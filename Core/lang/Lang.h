// Language codes, the per-language record with its locale data, and language-aware collation.
//
// A language code packs four letters of 5 bits each (letter - 64): bits 15-19 and 10-14 the
// language, bits 5-9 and 0-4 the country; bits 20-27 hold a character set number (0 none).
// EN-US is 178867. Two codes denote the same language when bits 10-19 agree.
#pragma once

#include <Core/text/String.h>
#include <Core/text/WString.h>

namespace Qel {

constexpr int LNG_(int a, int b, int c, int d)
{
	return ((a - 64) << 15) | ((b - 64) << 10) | ((c - 64) << 5) | (d - 64);
}

constexpr int LNG_ENGLISH = LNG_('E', 'N', 'U', 'S'); // 178867
constexpr int LNG_CZECH   = LNG_('C', 'S', 'C', 'Z'); // 117882
constexpr int LNG_LANGUAGE_MASK = 0xFFFFF;            // the four letters
constexpr int LNG_NO_COUNTRY    = 0xFFC00;            // the two letters of the language

int    ParseLanguageCode(const char* s);
String FormatLanguageCode(int code);
int    SetLanguageCharset(int code, int charset);
int    GetLanguageCharset(int code);
int    GetSystemLanguage();

// Copies the number text at s into out with separator between groups of three integer digits;
// returns the position after the digit run (the caller copies the rest, such as decimals).
const char* InsertThousandsSeparators(const char* s, String& out, const char* separator);

int     CompareLanguageText(const wchar* a, int alen, const wchar* b, int blen);
WString GetIndexLetter(const wchar* s, int len);

struct LanguageInfo {
	int     language = 0;
	String  english_name;
	String  native_name;
	String  decimal_point;
	String  thousand_separator;
	WString month[12], short_month[12];
	WString day[7], short_day[7];      // Monday first

	WString (*getindexletter)(const wchar* s, int len) = Qel::GetIndexLetter;
	int     (*compare)(const wchar* a, int alen, const wchar* b, int blen) = Qel::CompareLanguageText;

	int Compare(const WString& a, const WString& b) const
	{
		return compare(a.Begin(), a.GetLength(), b.Begin(), b.GetLength());
	}
	WString GetIndexLetter(const WString& s) const { return getindexletter(s.Begin(), s.GetLength()); }

	void Set(int code);

	LanguageInfo() = default;
	LanguageInfo(int code) { Set(code); }
	LanguageInfo(const LanguageInfo&) = delete;
	LanguageInfo& operator=(const LanguageInfo&) = delete;
	~LanguageInfo() = default;
};

// The record of a language, built on first request and kept for the life of the process;
// 0 is the current language.
const LanguageInfo& GetLanguageInfo(int code = 0);
// Makes the record of the current language the process-wide current one.
void SetCurrentLanguageInfo();
const LanguageInfo& GetCurrentLanguageInfo();

namespace detail {

struct LanguageNameEntry {
	int         code;
	const char* text; // English name, tab, native name (UTF-8), tab, Windows id (2 bytes, high first)
};

extern const LanguageNameEntry LanguageNames[];
extern const int LanguageNameCount;

// The first entry for the code (charset bits ignored), or null.
const LanguageNameEntry* FindLanguageName(int code);

int     CompareLanguageTextCS(const wchar* a, int alen, const wchar* b, int blen);
WString GetIndexLetterCS(const wchar* s, int len);

} // namespace detail

} // namespace Qel
