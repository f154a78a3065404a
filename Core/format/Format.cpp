#include "Format.h"
#include <Core/text/Utf.h>
#include <Core/thread/Thread.h>
#include <Core/text/FormatInt.h>
#include <Core/detail/FormatBuf.h>
#include <Core/text/Charset.h>
#include <Core/lang/Lang.h>

#include <atomic>
#include <climits>
#include <cstdio>

namespace Qel {

namespace detail {

FormatLanguageHooks& GetFormatLanguageHooks()
{
	static FormatLanguageHooks hooks;
	return hooks;
}

int FormatCurrentLanguage()
{
	auto f = GetFormatLanguageHooks().current_language;
	return f ? f() : LNG_ENGLISH;
}

// Without a translation the text of a key is what follows its context ("\v") or id ("\a").
const char* FormatTranslate(const char* text)
{
	if(auto f = GetFormatLanguageHooks().translate)
		return f(text);
	for(const char* p = text; *p; p++)
		if(*p == '\v' || *p == '\a')
			return p + 1;
	return text;
}

String FormatName(int what, int n, int language)
{
	if(auto f = GetFormatLanguageHooks().name)
		return f(what, n, language);
	static const char* const month[] = {
		"January", "February", "March", "April", "May", "June", "July",
		"August", "September", "October", "November", "December"
	};
	static const char* const day[] = {
		"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"
	};
	if(what < 2 && n >= 0 && n < 12)
		return String(month[n], what == 0 ? (int)strlen(month[n]) : 3);
	if(what >= 2 && what < 4 && n >= 0 && n < 7)
		return String(day[n], what == 2 ? (int)strlen(day[n]) : 2);
	return String();
}

// Case changes work in the language's character set (UTF-8 when the code names none).
String FormatToCase(const String& s, bool upper, int language)
{
	int charset = (language >> 20) & 255;
	if(charset == 0)
		charset = CHARSET_UTF8;
	return upper ? ToUpper(s, charset) : ToLower(s, charset);
}

void FormatSeparators(int language, String& decimal_point, String& thousands)
{
	if(auto f = GetFormatLanguageHooks().separators) {
		f(language, decimal_point, thousands);
		return;
	}
	decimal_point = ".";
	thousands = ",";
}

String FormatDateTime(const Value& v, int language)
{
	if(auto f = GetFormatLanguageHooks().date_time)
		return f(v, language);
	return v.IsNull() ? String() : v.ToText();
}

} // namespace detail

// Formatter registry: an open-addressed table keyed by (id, type). Look-ups take no lock; an
// entry is published by storing its formatter last, and a grown table replaces the old one,
// which stays allocated (chained) so that a reader still walking it is safe.
namespace {

struct sEntry {
	std::atomic<Formatter> f { nullptr };
	dword  hash = 0;
	int    type = 0;
	String id;
};

struct sTable {
	int     mask = 0;
	int     count = 0;
	sEntry* slot = nullptr;
	sTable* prev = nullptr;
};

std::atomic<sTable*> sRegistry { nullptr };

StaticMutex sRegistryMutex;

QEL_FORCE_INLINE dword sHash(const char* id, int len, int type)
{
	dword h = 2166136261u;
	for(int i = 0; i < len; i++)
		h = (h ^ (byte)id[i]) * 16777619u;
	h ^= dword(type) * 0x9E3779B1u;
	return h ^ (h >> 15);
}

QEL_FORCE_INLINE Formatter sFind(const sTable* t, const char* id, int len, int type, dword h)
{
	for(int i = h & t->mask;; i = (i + 1) & t->mask) {
		const sEntry& e = t->slot[i];
		Formatter f = e.f.load(std::memory_order_acquire);
		if(!f)
			return nullptr;
		if(e.hash == h && e.type == type && e.id.GetLength() == len && memcmp(~e.id, id, len) == 0)
			return f;
	}
}

Formatter sLookup(const char* id, int len, int type)
{
	const sTable* t = sRegistry.load(std::memory_order_acquire);
	return t ? sFind(t, id, len, type, sHash(id, len, type)) : nullptr;
}

void sInsert(sTable* t, const String& id, int type, dword h, Formatter f)
{
	int i = h & t->mask;
	while(t->slot[i].f.load(std::memory_order_relaxed))
		i = (i + 1) & t->mask;
	sEntry& e = t->slot[i];
	e.hash = h;
	e.type = type;
	e.id = id;
	e.f.store(f, std::memory_order_release);
	t->count++;
}

} // namespace

void RegisterFormatter(int type, const char* id, Formatter f)
{
	if(!f)
		return;
	Mutex::Lock lock(sRegistryMutex);
	int len = (int)strlen(id);
	dword h = sHash(id, len, type);
	sTable* t = sRegistry.load(std::memory_order_relaxed);
	if(t && sFind(t, id, len, type, h))
		return; // the first registration of a key stays
	if(!t || 2 * (t->count + 1) > t->mask + 1) {
		sTable* n = new sTable;
		int size = t ? 2 * (t->mask + 1) : 256;
		n->mask = size - 1;
		n->slot = new sEntry[size];
		n->prev = t;
		if(t)
			for(int i = 0; i <= t->mask; i++)
				if(Formatter g = t->slot[i].f.load(std::memory_order_relaxed))
					sInsert(n, t->slot[i].id, t->slot[i].type, t->slot[i].hash, g);
		sRegistry.store(n, std::memory_order_release);
		t = n;
	}
	sInsert(t, String(id), type, h, f);
}

void RegisterStdFormatters()
{
	static std::atomic<dword> done { 0 };
	if(done.load(std::memory_order_acquire) & 1)
		return;
	static StaticMutex m;
	Mutex::Lock lock(m);
	if(done.load(std::memory_order_relaxed) & 1)
		return;
	detail::RegisterStdFormattersBody();
	done.store(1, std::memory_order_release);
}

namespace {

// Characters are code points of UTF-8 text, else bytes.
bool sUtf8()
{
	return GetDefaultCharset() == CHARSET_UTF8;
}

QEL_FORCE_INLINE bool sIsAlpha(char c)
{
	return (unsigned)((c | 0x20) - 'a') < 26u;
}


void sCatInt(detail::FormatBuf& out, int v)
{
	char h[16];
	out.Cat(h, PutDecimal(h, v) - h);
}

int sArgInt(const Value& v)
{
	switch(v.GetType()) {
	case 1: case 2: case 10: case 11: case 13:
		return v.IsNull() ? INT_NULL : v.ToInt();
	}
	return INT_NULL;
}

// Pads or cuts one formatted field as its alignment asks and appends it.
void sCatAligned(detail::FormatBuf& out, const char* s, int len, int align, int width)
{
	if(width > 1000) {
		out.Cat(s, len);
		out.Cat("<invalid padding>");
		return;
	}
	if(!align) {
		out.Cat(s, len);
		return;
	}
	bool utf8 = sUtf8();
	int count = utf8 ? Utf32Len(s, len) : len;
	if(width > count) {
		int pad = width - count;
		int before = align == '>' ? pad : align == '=' ? pad / 2 : 0;
		out.Cat(' ', before);
		out.Cat(s, len);
		out.Cat(' ', pad - before);
	}
	else
		out.Cat(s, utf8 ? Utf8CharsToBytes(s, len, max(width, 0)) : max(width, 0));
}

} // namespace

void TrimCharCount(String& s, int n)
{
	n = sUtf8() ? Utf8CharsToBytes(~s, s.GetLength(), max(n, 0)) : max(n, 0);
	if(n < s.GetLength())
		s.Trim(n);
}

String detail::FormatValues(int language, const char* s, const Value* args, int argc)
{
	RegisterStdFormatters();
	FormatBuf out;
	int64 pos = 0; // 64 bits: a position taken from an argument may be any int
	for(;;) {
		const char* b = s;
		while(*s && *s != '%')
			s++;
		out.Cat(b, s - b);
		if(!*s)
			break;
		if(*++s == '%') {
			out.Cat('%');
			s++;
			continue;
		}
		FormatBuf opt;
		const char* pending = s;
		int number = 0;
		int width = 0;
		int align = 0;
		bool hasnull = false;
		String nulltext;
		const char* id = nullptr;
		for(;;) {
			char c = *s;
			if(c >= '0' && c <= '9') {
				number = number > 100000000 ? INT_MAX / 2 : number * 10 + (c - '0');
				s++;
			}
			else if(c == ':' || c == '$') {
				pos = (int64)number - 1;
				pending = ++s;
				number = 0;
			}
			else if(c == '<' || c == '>' || c == '=') {
				align = c;
				width = number;
				pending = ++s;
				number = 0;
			}
			else if(c == '*') {
				opt.Cat(pending, s - pending);
				int n = pos >= 0 && pos < argc ? sArgInt(args[pos]) : INT_NULL;
				pos++;
				c = *++s;
				if(c && strchr(":$<=>", c))
					number = n;
				else if(n != INT_NULL)
					sCatInt(opt, n);
				pending = s;
			}
			else if(c == '[') {
				opt.Cat(pending, s - pending);
				b = ++s;
				while(*s && *s != ']')
					s++;
				opt.Cat(b, s - b);
				if(*s)
					s++;
				pending = s;
				if(*s != '~' && !sIsAlpha(*s)) {
					id = s;
					break;
				}
			}
			else if(c == '~') {
				nulltext = String(opt.Begin(), opt.GetLength());
				opt.SetLength(0);
				hasnull = true;
				pending = ++s;
			}
			else if(c == '`' || c == '\0' || sIsAlpha(c)) {
				opt.Cat(pending, s - pending);
				id = s;
				break;
			}
			else {
				s++;
				number = 0;
			}
		}
		while(sIsAlpha(*s))
			s++;
		int idlen = int(s - id);
		if(pos < 0 || pos >= argc) {
			out.Cat("<invalid pos=");
			char h[24];
			out.Cat(h, snprintf(h, sizeof(h), "%lld", (long long)pos));
			out.Cat('>');
			if(*s == '`')
				s++;
			continue;
		}
		const Value& arg = args[pos];
		if(hasnull && arg.IsNull()) {
			if(*s == '`')
				s++;
			sCatAligned(out, ~nulltext, nulltext.GetLength(), align, width);
			pos++;
			continue;
		}
		int type = arg.GetType();
		Formatter f;
		for(;;) {
			f = sLookup(id, idlen, type);
			if(!f)
				f = sLookup(id, idlen, 7);
			if(f || idlen == 0)
				break;
			idlen--;
		}
		s = id + idlen;
		if(*s == '`')
			s++;
		if(f == &detail::StdIntFormatter && opt.GetLength() == 0 && type == 1 && !align && width <= 1000) {
			int v = arg.ToInt();
			if(v != INT_NULL) // the int Null prints nothing
				sCatInt(out, v);
		}
		else if(f == &detail::StdTextFormatter && opt.GetLength() == 0 && type == 3 && !align && width <= 1000) {
			const String& t = arg.To<String>();
			out.Cat(~t, t.GetLength());
		}
		else if(f) {
			Formatting fmt;
			fmt.language = language;
			fmt.arg = arg;
			fmt.format = String(opt.Begin(), opt.GetLength());
			fmt.id = String(id, idlen);
			String r = (*f)(fmt);
			sCatAligned(out, ~r, r.GetLength(), align, width);
		}
		pos++;
	}
	return String(out.Begin(), out.GetLength());
}

String Format(int language, const char* s, const Vector<Value>& args)
{
	return detail::FormatValues(language, s, args.begin(), args.GetCount());
}

String Format(const char* s, const Vector<Value>& args)
{
	return detail::FormatValues(detail::FormatCurrentLanguage(), s, args.begin(), args.GetCount());
}

// Never cuts the text: when the first buffer is too small it formats again, straight into the
// result, at the size that the first pass reported. A text that no String can hold (its length
// and terminator pass the int range) gives the empty String.
String VSprintf(const char* fmt, va_list args)
{
	char buffer[1500];
	va_list again;
	va_copy(again, args);
	int n = vsnprintf(buffer, sizeof(buffer), fmt, args);
	if(n < 0 || n == INT_MAX) {
		va_end(again);
		return String();
	}
	if(n < (int)sizeof(buffer)) {
		va_end(again);
		return String(buffer, n);
	}
	StringBuffer b;
	b.SetLength(n); // the block has room for the terminator that vsnprintf writes
	vsnprintf(b.Begin(), (size_t)n + 1, fmt, again);
	va_end(again);
	return String(b);
}

String Sprintf(const char* fmt, ...)
{
	va_list args;
	va_start(args, fmt);
	String s = VSprintf(fmt, args);
	va_end(args);
	return s;
}

} // namespace Qel
