#include "Lang.h"
#include <Core/text/Charset.h>
#include <Core/container/Map.h>
#include <Core/thread/Thread.h>
#include "Translate.h"
#include <Core/text/Unicode.h>
#include <Core/text/Utf.h>

#include <atomic>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <langinfo.h>
#include <locale.h>

namespace Qel {

namespace {

bool sIsAlpha(int c)
{
	return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

int sLetter(int c)
{
	return (c & ~0x20) - 64;
}

// The four letters of a code from the start of s, or 0; *rest is set after the country letters.
int sParseLetters(const char* s, const char** rest)
{
	if(!s || !sIsAlpha(s[0]) || !sIsAlpha(s[1]))
		return 0;
	const char* c = s + 2;
	if(*c == '\0')
		return 0;
	if(!sIsAlpha(*c))
		c++;
	if(!sIsAlpha(c[0]) || !sIsAlpha(c[1]))
		return 0;
	*rest = c + 2;
	return (sLetter(s[0]) << 15) | (sLetter(s[1]) << 10) | (sLetter(c[0]) << 5) | sLetter(c[1]);
}

} // namespace

int ParseLanguageCode(const char* s)
{
	const char* rest = nullptr;
	int code = sParseLetters(s, &rest);
	if(!code)
		return 0;
	const char* blank = strchr(rest, ' ');
	if(!blank)
		return code;
	int charset = CharsetByName(blank + 1);
	return charset ? SetLanguageCharset(code, charset) : 0;
}

String FormatLanguageCode(int code)
{
	// Each letter only while the ones before it are there: a code of two letters reads "EN".
	int letter[4] = { (code >> 15) & 31, (code >> 10) & 31, (code >> 5) & 31, code & 31 };
	String s;
	for(int i = 0; i < 4 && letter[i]; i++) {
		if(i == 2)
			s.Cat('-');
		s.Cat(char(letter[i] + 64));
	}
	if(int charset = (code >> 20) & 255) {
		s.Cat(' ');
		s.Cat(CharsetName(charset));
	}
	return s;
}

int SetLanguageCharset(int code, int charset)
{
	return (code & LNG_LANGUAGE_MASK) | ((charset & 255) << 20);
}

int GetLanguageCharset(int code)
{
	int charset = (code >> 20) & 255;
	return charset ? charset : CHARSET_UTF8;
}

int GetSystemLanguage()
{
	static StaticMutex lock;
	static std::atomic<int> language { 0 };
	int l = language.load(std::memory_order_acquire);
	if(l)
		return l;
	Mutex::Lock guard(lock);
	if((l = language.load(std::memory_order_relaxed)) != 0)
		return l;
	const char* lang = getenv("LANG");
	l = lang ? ParseLanguageCode(lang) : 0;
	if(!l)
		l = LNG_ENGLISH;
	if(const char* dot = lang ? strchr(lang, '.') : nullptr) {
		// "sr_RS.UTF-8@latin": the modifier is no part of the charset name
		const char* e = strchr(dot, '@');
		String name = e ? String(dot + 1, int(e - dot - 1)) : String(dot + 1);
		l = SetLanguageCharset(l, CharsetByName(~name));
	}
	language.store(l, std::memory_order_release);
	return l;
}

const char* InsertThousandsSeparators(const char* s, String& out, const char* separator)
{
	while(*s && !(*s >= '0' && *s <= '9'))
		out.Cat(*s++);
	const char* e = s;
	while(*e >= '0' && *e <= '9')
		e++;
	int n = int(e - s);
	if(n == 0)
		return s;
	int first = (n - 1) % 3 + 1;
	out.Cat(s, first);
	for(s += first; s < e; s += 3) {
		out.Cat(separator);
		out.Cat(s, 3);
	}
	return e;
}

// Collation --------------------------------------------------------------------------------

namespace {

// blank < other < digit < letter
QEL_FORCE_INLINE int sClass(wchar c)
{
	if(c == ' ')
		return 0;
	if(c >= '0' && c <= '9')
		return 2;
	if(c < 2048)
		return detail::UnicodeFlags800[c] & 4 ? 3 : 1;
	return UnicodeIsLetter(int(c)) ? 3 : 1;
}

QEL_FORCE_INLINE int sBase(int upper)
{
	return (int8)(upper < 2048 ? detail::UnicodeAscii800[upper] : UnicodeToAscii(upper));
}

// Letters whose accented forms sort with them in Czech; the others' accents make new letters.
bool sCzechSoftAccent(int base)
{
	switch(base) {
	case 'A': case 'E': case 'I': case 'N': case 'O': case 'T': case 'U': case 'Y':
		return true;
	}
	return false;
}

int sSgn(int a, int b)
{
	return (a > b) - (a < b);
}

struct sLetterKey {
	int  upper;
	int  base;
	bool lower;
};

template <bool CS>
QEL_FORCE_INLINE sLetterKey sReadLetter(const wchar*& s, const wchar* e)
{
	wchar c = *s++;
	if(CS && (c == 'c' || c == 'C') && s < e && (*s == 'h' || *s == 'H')) {
		s++;
		return { 0xFFFF, 'H', c == 'c' };
	}
	int u = c < 2048 ? detail::UnicodeUpper800[c] : ToUpper(int(c));
	return { u, sBase(u), int(c) != u };
}

// Compares the digit runs at a and b by value (leading zeros skipped), advancing both.
int sCompareDigits(const wchar*& a, const wchar* ae, const wchar*& b, const wchar* be)
{
	while(a < ae && *a == '0')
		a++;
	while(b < be && *b == '0')
		b++;
	const wchar* as = a;
	const wchar* bs = b;
	while(a < ae && *a >= '0' && *a <= '9')
		a++;
	while(b < be && *b >= '0' && *b <= '9')
		b++;
	if(a - as != b - bs)
		return a - as < b - bs ? -1 : 1;
	for(; as < a; as++, bs++)
		if(*as != *bs)
			return *as < *bs ? -1 : 1;
	return 0;
}

template <bool CS>
int sCompareText(const wchar* a, int alen, const wchar* b, int blen)
{
	if(alen <= 0)
		return blen <= 0 ? 0 : -1;
	const wchar* ae = a + alen;
	const wchar* be = b + blen;
	int accent = 0;
	int lettercase = 0;
	while(a < ae && b < be) {
		int ka = sClass(*a);
		int kb = sClass(*b);
		if(ka != kb)
			return ka < kb ? -1 : 1;
		if(ka < 2) {
			if(*a != *b)
				return *a < *b ? -1 : 1;
			a++;
			b++;
		}
		else if(ka == 2) {
			if(int q = sCompareDigits(a, ae, b, be))
				return q;
		}
		else {
			sLetterKey x = sReadLetter<CS>(a, ae);
			sLetterKey y = sReadLetter<CS>(b, be);
			if(x.base != y.base)
				return x.base < y.base ? -1 : 1;
			if(x.upper != y.upper) {
				if(CS && !sCzechSoftAccent(x.base))
					return x.upper < y.upper ? -1 : 1;
				if(!accent)
					accent = sSgn(x.upper, y.upper);
			}
			if(x.lower != y.lower && !lettercase)
				lettercase = x.lower ? 1 : -1;
		}
	}
	if(alen != blen)
		return alen < blen ? -1 : 1;
	return accent ? accent : lettercase;
}

} // namespace

int CompareLanguageText(const wchar* a, int alen, const wchar* b, int blen)
{
	return sCompareText<false>(a, alen, b, blen);
}

int detail::CompareLanguageTextCS(const wchar* a, int alen, const wchar* b, int blen)
{
	return sCompareText<true>(a, alen, b, blen);
}

WString GetIndexLetter(const wchar* s, int len)
{
	if(len > 0 && sClass(s[0]) == 3)
		return WString(s, 1);
	return WString();
}

WString detail::GetIndexLetterCS(const wchar* s, int len)
{
	if(len <= 0 || s[0] >= 2048 || !(detail::UnicodeFlags800[s[0]] & 4))
		return WString();
	int u = detail::UnicodeUpper800[s[0]];
	int base = u < 2048 ? detail::UnicodeAscii800[u] : u;
	WString r;
	r.Cat(sCzechSoftAccent(base) ? base : u);
	if(u == 'C' && len > 1 && (s[1] == 'h' || s[1] == 'H'))
		r.Cat('h');
	return r;
}

// Language records ---------------------------------------------------------------------------

const detail::LanguageNameEntry* detail::FindLanguageName(int code)
{
	code &= LNG_LANGUAGE_MASK;
	for(const LanguageNameEntry* e = LanguageNames; e->code; e++)
		if(e->code == code)
			return e;
	return nullptr;
}

namespace {

// Text of the locale in its own encoding, as wide text.
WString sLocaleText(const char* s, int charset)
{
	if(!s)
		return WString();
	return charset == CHARSET_UTF8 ? ToUtf32(s) : ToUnicode(s, (int)strlen(s), charset);
}

String sLocaleString(const char* s, int charset)
{
	if(!s)
		return String();
	return charset == CHARSET_UTF8 ? String(s) : ToCharset(CHARSET_UTF8, String(s), charset);
}

// Opens the system locale of the code ("cs_CZ.utf8", "cs_CZ.UTF-8", then "cs_CZ") without
// touching the process-wide locale.
locale_t sOpenLocale(int code)
{
	char name[32];
	name[0] = char(((code >> 15) & 31) + 'a' - 1);
	name[1] = char(((code >> 10) & 31) + 'a' - 1);
	name[2] = '_';
	name[3] = char(((code >> 5) & 31) + 'A' - 1);
	name[4] = char((code & 31) + 'A' - 1);
	for(const char* suffix : { ".utf8", ".UTF-8", "" }) {
		strcpy(name + 5, suffix);
		if(locale_t loc = newlocale(LC_ALL_MASK, name, (locale_t)0))
			return loc;
	}
	return (locale_t)0;
}

} // namespace

void LanguageInfo::Set(int code)
{
	language = code;
	const detail::LanguageNameEntry* e = detail::FindLanguageName(code);
	if(!e)
		return;
	const char* t1 = strchr(e->text, '\t');
	const char* t2 = strchr(t1 + 1, '\t');
	english_name = String(e->text, int(t1 - e->text));
	native_name = String(t1 + 1, int(t2 - t1 - 1));
	int charset = GetLanguageCharset(code);
	if(charset != CHARSET_UTF8)
		native_name = ToCharset(charset, native_name, CHARSET_UTF8, DEFAULTCHAR);
	if((code & LNG_LANGUAGE_MASK) == LNG_CZECH) {
		getindexletter = detail::GetIndexLetterCS;
		compare = detail::CompareLanguageTextCS;
	}
	decimal_point = ".";
	thousand_separator = ",";
	locale_t loc = sOpenLocale(code);
	if(!loc)
		return;
	// The bare locale name may stand for a locale in an 8-bit encoding: read it in that one.
	const char* codeset = nl_langinfo_l(CODESET, loc);
	int lcs = codeset ? CharsetByName(codeset) : 0;
	if(lcs == 0)
		lcs = GetDefaultCharset();
	decimal_point = sLocaleString(nl_langinfo_l(RADIXCHAR, loc), lcs);
	thousand_separator = sLocaleString(nl_langinfo_l(THOUSEP, loc), lcs);
	for(int i = 0; i < 12; i++) {
		month[i] = sLocaleText(nl_langinfo_l(nl_item(MON_1 + i), loc), lcs);
		short_month[i] = sLocaleText(nl_langinfo_l(nl_item(ABMON_1 + i), loc), lcs);
	}
	for(int i = 0; i < 7; i++) { // DAY_1 is Sunday; the record starts with Monday
		int d = (i + 1) % 7;
		day[i] = sLocaleText(nl_langinfo_l(nl_item(DAY_1 + d), loc), lcs);
		short_day[i] = sLocaleText(nl_langinfo_l(nl_item(ABDAY_1 + d), loc), lcs);
	}
	freelocale(loc);
}

namespace {

StaticMutex sLanguageInfoLock;
std::atomic<const LanguageInfo*> sCurrentLanguageInfo { nullptr };
thread_local const LanguageInfo* tLastLanguageInfo;

// Records live until exit and are never freed: readers hold plain references to them.
VectorMap<int, LanguageInfo*>& sLanguageInfoMap()
{
	static VectorMap<int, LanguageInfo*>* map = new VectorMap<int, LanguageInfo*>;
	return *map;
}

bool sIsLanguage(const LanguageInfo* p, int key)
{
	return p && (p->language & LNG_LANGUAGE_MASK) == key;
}

} // namespace

const LanguageInfo& GetLanguageInfo(int code)
{
	int key = (code ? code : GetCurrentLanguage()) & LNG_LANGUAGE_MASK;
	const LanguageInfo* p = tLastLanguageInfo;
	if(sIsLanguage(p, key))
		return *p;
	p = sCurrentLanguageInfo.load(std::memory_order_acquire);
	if(!sIsLanguage(p, key)) {
		Mutex::Lock guard(sLanguageInfoLock);
		VectorMap<int, LanguageInfo*>& map = sLanguageInfoMap();
		int i = map.Find(key);
		if(i < 0) {
			LanguageInfo* info = new LanguageInfo;
			info->Set(key);
			i = map.FindAdd(key, info);
		}
		p = map[i];
	}
	tLastLanguageInfo = p;
	return *p;
}

void SetCurrentLanguageInfo()
{
	sCurrentLanguageInfo.store(&GetLanguageInfo(GetCurrentLanguage()), std::memory_order_release);
}

const LanguageInfo& GetCurrentLanguageInfo()
{
	const LanguageInfo* p = sCurrentLanguageInfo.load(std::memory_order_acquire);
	return p ? *p : GetLanguageInfo(GetCurrentLanguage());
}

} // namespace Qel
