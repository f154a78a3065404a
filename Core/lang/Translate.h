// The translation registry: modules' compiled tables, run-time additions, the current language
// per thread, Translate with its per-language caches, and translation files.
//
// A key is English UTF-8 text. "date\vSunday" carries a context before the vertical tab, and
// "date-format\a%2:02d/%3:02d/%1:4d" an identifier before the bell: the default text is what
// follows the separator. A doubled separator stands for one literal character.
#pragma once

#include <Core/container/Index.h>
#include <Core/text/String.h>
#include <Core/text/WString.h>

namespace Qel {

class Stream;
class Mutex;

// One record of a compiled table: code 1 introduces a key (text is the key); a language code
// (with charset 255 in bits 20-27) gives that language's UTF-8 text; code 0 ends the table.
struct TranslationRecord {
	int         language;
	const char* text;
};

void        RegisterTranslationModule(const TranslationRecord* table, const char* name = nullptr);

// The translation for the current language; the pointer stays valid until exit.
const char* Translate(const char* key);
String      TranslateTo(int language, const char* key); // language 0 is the current one
String      TranslateText(const char* key);
// For callers that already hold the translation lock.
const char* TranslateUnlocked(const char* key);
String      TranslateToUnlocked(int language, const char* key);

const char* GetTranslationDefault(const char* key);
const char* TranslationDefaultText(const char* key);

int         GetCurrentLanguage();
void        SetLanguage(int language);

void        SetTranslation(const char* key, int language, const char* text, bool add);
void        SaveTranslationFile(Stream& out, int language, int compare_language = 0);
Index<int>  GetTranslationLanguages();

namespace detail {

Mutex&      TranslationLock();
// Parses translation file text; false on the first syntax error or a bad language.
bool        LoadTranslationText(const char* text);
// The Core's own table, registered once (start-up registers it in its place among the others).
void        RegisterCoreTranslations();

} // namespace detail

} // namespace Qel
