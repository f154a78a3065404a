#include "Translate.h"
#include <Core/container/Array.h>
#include <Core/text/CParser.h>
#include <Core/text/Charset.h>
#include "Lang.h"
#include <Core/container/Map.h>
#include <Core/stream/Stream.h>
#include <Core/thread/Thread.h>
#include <Core/types/TimeDate.h>
#include <Core/text/Utf.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <unistd.h>

namespace Qel {

namespace {

bool sIsSeparator(char c)
{
	return c == '\a' || c == '\v';
}

// A key's identity ends at its first single bell; a doubled bell is part of it.
int sIdentityLength(const char* s)
{
	const char* p = s;
	for(;;) {
		if(*p == '\0')
			break;
		if(*p == '\a') {
			if(p[1] != '\a')
				break;
			p++;
		}
		p++;
	}
	return int(p - s);
}

struct sKey {
	const char* text = nullptr;
	int         len = 0;

	sKey() = default;
	explicit sKey(const char* s) : text(s), len(sIdentityLength(s)) {}
	sKey(const char* s, int n) : text(s), len(n) {}

	qword GetHashValue() const         { return MemoryHash(text, len); }
	bool operator==(const sKey& b) const { return len == b.len && memcmp(text, b.text, len) == 0; }
};

struct sModule {
	String                                     name;
	VectorMap<sKey, Vector<TranslationRecord>> map;
};

// What Translate hands out for one language: by key address, and by key text.
struct sSlot {
	Index<const char*>        key;
	Vector<const char*>       text;
	VectorMap<String, String> by_text;

	void Clear() { key.Clear(); text.Clear(); by_text.Clear(); }
};

struct sConverted {
	int         charset = 0;
	const char* text = nullptr;

	qword GetHashValue() const               { return CombineHash(charset, (qword)(uintptr_t)text); }
	bool operator==(const sConverted& b) const { return charset == b.charset && text == b.text; }
};

// Texts that live until exit: keys and translations copied at run time and converted texts.
// Small ones are cut from shared blocks. Nothing here is ever freed, since callers may hold
// pointers into it for as long as they like; so every text is kept once, and setting or
// reloading the same texts again costs nothing new.
class sArena {
	Vector<char*> blocks;
	char*         ptr = nullptr;
	char*         lim = nullptr;
	Index<sKey>   texts;

public:
	const char* Copy(const char* s, int len)
	{
		int i = texts.Find(sKey(s, len));
		if(i >= 0)
			return texts[i].text;
		char* t;
		if(len + 1 >= 1024) {
			t = new char[len + 1];
			blocks.Add(t);
		}
		else {
			if(lim - ptr < len + 1) {
				ptr = new char[4096];
				lim = ptr + 4096;
				blocks.Add(ptr);
			}
			t = ptr;
			ptr += len + 1;
		}
		memcpy(t, s, len);
		t[len] = '\0';
		texts.Add(sKey(t, len));
		return t;
	}
	const char* Copy(const String& s) { return Copy(~s, s.GetLength()); }
};

struct sRegistry {
	Array<sModule>                    modules;
	Index<int>                        languages;
	Array<sSlot>                      slots;
	int                               cache_limit = 1;
	sArena                            arena;
	VectorMap<sConverted, const char*> converted;
	VectorMap<String, const char*>    defaults; // collapsed default texts of unregistered keys
};

StaticMutex sLock;

// Created on first use and never destroyed: translations may be asked for during exit.
sRegistry& sReg()
{
	static sRegistry* r = new sRegistry;
	return *r;
}

thread_local int    tLanguage;
thread_local sSlot* tSlot;
std::atomic<int>    sDefaultLanguage { LNG_ENGLISH };
sSlot*              sDefaultSlot;

// The default text: after the first single separator, with doubled separators collapsed.
// Sets *collapse when a copy is needed.
const char* sDefaultStart(const char* key, bool* collapse)
{
	const char* p = key;
	bool doubled = false;
	while(*p) {
		if(sIsSeparator(*p)) {
			if(p[1] != *p)
				break;
			doubled = true;
			p++;
		}
		p++;
	}
	const char* s = *p ? p + 1 : key;
	if(collapse) {
		*collapse = false;
		for(const char* q = s; *q && !*collapse; q++)
			*collapse = sIsSeparator(*q) && q[1] == *q;
		if(!*p && doubled)
			*collapse = true;
	}
	return s;
}

String sCollapse(const char* s)
{
	String r;
	for(; *s; s++) {
		r.Cat(*s);
		if(sIsSeparator(*s) && s[1] == *s)
			s++;
	}
	return r;
}

const char* sDefaultText(const char* key, bool memo)
{
	bool collapse;
	const char* s = sDefaultStart(key, &collapse);
	if(!collapse)
		return s;
	sRegistry& reg = sReg();
	if(memo) {
		int i = reg.defaults.Find(key);
		if(i >= 0)
			return reg.defaults[i];
	}
	const char* t = reg.arena.Copy(sCollapse(s));
	if(memo)
		reg.defaults.Add(key, t);
	return t;
}

// The UTF-8 text of a key for a language: that language and country first, then the same
// language of any country, then the default text.
const char* sLookup(int language, const char* key)
{
	sRegistry& reg = sReg();
	sKey k(key);
	for(int mask : { LNG_LANGUAGE_MASK, LNG_NO_COUNTRY })
		for(const sModule& m : reg.modules) {
			int i = m.map.Find(k);
			if(i >= 0)
				for(const TranslationRecord& r : m.map[i])
					if(((r.language ^ language) & mask) == 0)
						return r.text;
		}
	return sDefaultText(key, true);
}

// The text in the language's charset; converted texts are kept, one per text and charset.
const char* sInCharset(int language, const char* text)
{
	int charset = GetLanguageCharset(language);
	if(charset == CHARSET_UTF8)
		return text;
	sRegistry& reg = sReg();
	sConverted c { charset, text };
	int i = reg.converted.Find(c);
	if(i < 0)
		i = reg.converted.FindAdd(c, reg.arena.Copy(ToCharset(charset, String(text), CHARSET_UTF8, DEFAULTCHAR)));
	return reg.converted[i];
}

sSlot& sCurrentSlot()
{
	if(tSlot)
		return *tSlot;
	if(sDefaultSlot)
		return *sDefaultSlot;
	sRegistry& reg = sReg();
	int s = reg.languages.FindAdd(sDefaultLanguage.load());
	while(reg.slots.GetCount() <= s)
		reg.slots.Add();
	sDefaultSlot = &reg.slots[s];
	return *sDefaultSlot;
}

} // namespace

Mutex& detail::TranslationLock()
{
	return sLock.Get();
}

const char* GetTranslationDefault(const char* key)
{
	return sDefaultStart(key, nullptr);
}

const char* TranslationDefaultText(const char* key)
{
	Mutex::Lock guard(sLock);
	return sDefaultText(key, false);
}

void RegisterTranslationModule(const TranslationRecord* table, const char* name)
{
	Mutex::Lock guard(sLock);
	sRegistry& reg = sReg();
	sModule& m = reg.modules.Add();
	m.name = name ? name : "";
	Vector<TranslationRecord>* list = nullptr;
	for(; table->language; table++) {
		if(table->language == 1) {
			sKey k(table->text);
			int i = m.map.Find(k);
			if(i < 0)
				i = m.map.FindAdd(k);
			list = &m.map[i];
			list->Add({ LNG_ENGLISH, sDefaultText(table->text, false) });
		}
		else if(list && table->text && *table->text)
			list->Add({ table->language, table->text });
	}
}

int GetCurrentLanguage()
{
	return tLanguage ? tLanguage : sDefaultLanguage.load(std::memory_order_relaxed);
}

const char* TranslateUnlocked(const char* key)
{
	sSlot& slot = sCurrentSlot();
	int i = slot.key.Find(key);
	if(i >= 0)
		return slot.text[i];
	int language = GetCurrentLanguage();
	const char* text = sInCharset(language, sLookup(language, key));
	slot.key.Add(key);
	slot.text.Add(text);
	return text;
}

const char* Translate(const char* key)
{
	Mutex::Lock guard(sLock);
	return TranslateUnlocked(key);
}

String TranslateToUnlocked(int language, const char* key)
{
	if(language == 0)
		language = GetCurrentLanguage();
	const char* text = sLookup(language, key);
	int charset = GetLanguageCharset(language);
	return charset == CHARSET_UTF8 ? String(text) : ToCharset(charset, String(text), CHARSET_UTF8, DEFAULTCHAR);
}

String TranslateTo(int language, const char* key)
{
	Mutex::Lock guard(sLock);
	return TranslateToUnlocked(language, key);
}

String TranslateText(const char* key)
{
	Mutex::Lock guard(sLock);
	sSlot& slot = sCurrentSlot();
	String k(key);
	int i = slot.by_text.Find(k);
	if(i < 0)
		i = slot.by_text.FindAdd(k, TranslateToUnlocked(0, key));
	return slot.by_text[i];
}

void SetLanguage(int language)
{
	{
		Mutex::Lock guard(sLock);
		sRegistry& reg = sReg();
		tLanguage = language;
		int s = reg.languages.FindAdd(language);
		while(reg.slots.GetCount() <= s)
			reg.slots.Add();
		tSlot = &reg.slots[s];
		if(Thread::IsMain()) {
			sDefaultLanguage.store(language, std::memory_order_relaxed);
			sDefaultSlot = tSlot;
		}
		// Too many languages in play: start the caches afresh. The texts they pointed to stay.
		if(s > reg.cache_limit) {
			reg.cache_limit *= 2;
			for(sSlot& x : reg.slots)
				x.Clear();
		}
		SetCurrentLanguageInfo();
	}
	SetDateFormat(~TranslateTo(language, "date-format\a%2:02d/%3:02d/%1:4d"));
	SetDateScan(~TranslateTo(language, "date-scan\amdy"));
	SetDateFilter(~TranslateTo(language, "date-filter\aA/\a .-"));
}

void SetTranslation(const char* key, int language, const char* text, bool add)
{
	Mutex::Lock guard(sLock);
	sRegistry& reg = sReg();
	int charset = GetLanguageCharset(language);
	String utf8 = charset == CHARSET_UTF8 ? String(text) : ToCharset(CHARSET_UTF8, String(text), charset);
	language = SetLanguageCharset(language, CHARSET_UTF8);
	sKey k(key);
	for(sModule& m : reg.modules) {
		int i = m.map.Find(k);
		if(i < 0)
			continue;
		const char* t = reg.arena.Copy(utf8);
		for(TranslationRecord& r : m.map[i])
			if(r.language == language) {
				r.text = t;
				return;
			}
		m.map[i].Add({ language, t });
		return;
	}
	if(!add)
		return;
	if(reg.modules.GetCount() == 0)
		reg.modules.Add();
	sModule& m = reg.modules.Top();
	Vector<TranslationRecord>& list = m.map[m.map.FindAdd(sKey(reg.arena.Copy(key, (int)strlen(key))))];
	list.Add({ language, reg.arena.Copy(utf8) });
}

Index<int> GetTranslationLanguages()
{
	Mutex::Lock guard(sLock);
	Index<int> result;
	for(const sModule& m : sReg().modules)
		for(int i = 0; i < m.map.GetCount(); i++)
			for(const TranslationRecord& r : m.map[i])
				result.FindAdd(r.language);
	return result;
}

// Translation files -----------------------------------------------------------------------

void SaveTranslationFile(Stream& out, int language, int compare_language)
{
	Mutex::Lock guard(sLock);
	out.Put("LANGUAGE ");
	out.Put(AsCString(FormatLanguageCode(language)));
	out.Put(";\r\n");
	for(const sModule& m : sReg().modules) {
		out.Put("// ");
		out.Put(m.name);
		out.Put("\r\n");
		for(int i = 0; i < m.map.GetCount(); i++) {
			const char* key = m.map.GetKey(i).text;
			if(compare_language) {
				// continuation lines stay inside the comment, so the file still reads back
				out.Put("// ");
				out.Put(AsCString(TranslateToUnlocked(compare_language, key), 60, "//\t", ASCSTRING_SMART));
				out.Put("\r\n");
			}
			out.Put(AsCString(key, key + strlen(key), 70));
			out.Put(",\r\n\t");
			out.Put(AsCString(TranslateToUnlocked(language, key), 60, "\t", ASCSTRING_SMART));
			out.Put(";\r\n\r\n");
		}
	}
}

namespace {

// True when the blanks and comments from s to the end leave a "/*" comment open: the parser
// takes such a comment as running to the end, but in a file it means the file was cut.
bool sEndsInOpenComment(const char* s)
{
	while(*s) {
		if(s[0] == '/' && s[1] == '/')
			s += strcspn(s, "\n");
		else if(s[0] == '/' && s[1] == '*') {
			const char* e = strstr(s + 2, "*/");
			if(!e)
				return true;
			s = e + 2;
		}
		else
			s++;
	}
	return false;
}

} // namespace

bool detail::LoadTranslationText(const char* text)
{
	try {
		CParser p(text);
		while(!p.IsEof()) {
			p.PassId("LANGUAGE");
			int language = ParseLanguageCode(~p.ReadString());
			if(!language)
				return false;
			p.PassChar(';');
			while(p.IsChar('\"')) {
				String key = p.ReadString();
				p.PassChar(',');
				String text = p.ReadString();
				SetTranslation(~key, language, ~text, false);
				p.PassChar(';');
			}
		}
		if(sEndsInOpenComment(p.GetSpacePtr()))
			return false;
	}
	catch(const CParser::Error&) {
		return false;
	}
	return true;
}

namespace {

// The Core's own translations and the start-up language are in place before main, whatever
// else the program links.
[[maybe_unused]] const bool sCoreTranslations = (
	detail::RegisterCoreTranslations(),
	SetLanguage(LNG_ENGLISH),
	true
);

} // namespace

} // namespace Qel
