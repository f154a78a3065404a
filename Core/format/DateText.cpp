#include "DateText.h"
#include "Format.h"
#include <Core/lang/Lang.h>
#include <Core/lang/Translate.h>
#include <Core/text/FormatInt.h>
#include <Core/text/String.h>
#include <Core/value/Value.h>

#include <cstring>

namespace Qel {

// Day numbers and names ------------------------------------------------------------------

namespace {

const char* const sDayKey[] = {
	"date\vSunday", "date\vMonday", "date\vTuesday", "date\vWednesday", "date\vThursday",
	"date\vFriday", "date\vSaturday"
};
const char* const sShortDayKey[] = {
	"date\vSu", "date\vMo", "date\vTu", "date\vWe", "date\vTh", "date\vFr", "date\vSa"
};
const char* const sMonthKey[] = {
	"date\vJanuary", "date\vFebruary", "date\vMarch", "date\vApril", "date\vMay", "date\vJune",
	"date\vJuly", "date\vAugust", "date\vSeptember", "date\vOctober", "date\vNovember",
	"date\vDecember"
};
const char* const sShortMonthKey[] = {
	"sdate\vJan", "sdate\vFeb", "sdate\vMar", "sdate\vApr", "sdate\vMay", "sdate\vJun",
	"sdate\vJul", "sdate\vAug", "sdate\vSep", "sdate\vOct", "sdate\vNov", "sdate\vDec"
};

String sName(const char* const* keys, int count, int i, int language)
{
	if(i < 0 || i >= count)
		return String();
	String s = TranslateTo(language, keys[i]);
	return s.GetLength() ? s : String(GetTranslationDefault(keys[i]));
}

} // namespace

String DayName(int day, int language)        { return sName(sDayKey, 7, day, language); }
String ShortDayName(int day, int language)   { return sName(sShortDayKey, 7, day, language); }
String MonthName(int month, int language)    { return sName(sMonthKey, 12, month, language); }
String ShortMonthName(int month, int language) { return sName(sShortMonthKey, 12, month, language); }

// Text forms -------------------------------------------------------------------------------

namespace {

// Date formats made only of literal text and numeric fields such as "%2:02d" or "%1:4d" are
// compiled once per thread and written directly; they read exactly as the Format engine
// writes them. Any other format goes to the engine.
struct sDateField {
	byte arg;   // 0 year, 1 month, 2 day, 3 day of week; 255 literal text
	byte width;
	bool zero;
	byte len;   // literal text
	char text[24];
};

struct sCompiledFormat {
	char       source[128] = { 1, 0 }; // never a real format, so the first use compiles
	bool       simple = false;
	int        count = 0;
	sDateField field[12];
};

thread_local sCompiledFormat tCompiled;

bool sAddText(sCompiledFormat& c, const char* s, int len)
{
	while(len > 0) {
		if(c.count >= 12)
			return false;
		sDateField& f = c.field[c.count++];
		f.arg = 255;
		f.len = byte(min(len, 24));
		memcpy(f.text, s, f.len);
		s += f.len;
		len -= f.len;
	}
	return true;
}

bool sCompile(sCompiledFormat& c, const char* s)
{
	c.count = 0;
	while(*s) {
		const char* t = s;
		while(*s && *s != '%')
			s++;
		if(!sAddText(c, t, int(s - t)))
			return false;
		if(!*s)
			break;
		s++;
		if(s[0] < '1' || s[0] > '4' || s[1] != ':' || c.count >= 12)
			return false;
		sDateField& f = c.field[c.count++];
		f.arg = byte(s[0] - '1');
		s += 2;
		f.zero = *s == '0';
		int width = 0;
		while(*s >= '0' && *s <= '9' && width < 100)
			width = 10 * width + *s++ - '0';
		if(*s++ != 'd' || width > 20)
			return false;
		// what follows a field must not read as more of the field
		if(*s == '`' || *s == '[' || *s == ':' || (*s >= 'a' && *s <= 'z') || (*s >= 'A' && *s <= 'Z'))
			return false;
		f.width = byte(width);
	}
	return true;
}

char* sPutField(char* t, const sDateField& f, int v)
{
	char h[16];
	char* p = h;
	char* e = h + FormatUnsignedDigits(v < 0 ? 0u - unsigned(v) : unsigned(v), h);
	int len = int(e - p) + (v < 0);
	int pad = f.width - len;
	if(!f.zero)
		for(; pad > 0; pad--)
			*t++ = ' ';
	if(v < 0)
		*t++ = '-';
	for(; pad > 0; pad--)
		*t++ = '0';
	memcpy(t, p, e - p);
	return t + (e - p);
}

} // namespace

String FormatDate(Date d)
{
	if(d.IsNull())
		return String();
	String own;
	const char* format = detail::ThreadDateFormat();
	if(!*format) {
		own = GetDateFormat();
		format = ~own;
	}
	sCompiledFormat& c = tCompiled;
	if(strcmp(c.source, format) != 0) {
		c.simple = sCompile(c, format);
		size_t n = strnlen(format, sizeof(c.source) - 1);
		memmove(c.source, format, n);
		c.source[n] = '\0';
	}
	if(c.simple) {
		int v[4] = { d.year, d.month, d.day, DayOfWeek(d) };
		char h[12 * 24];
		char* t = h;
		for(int i = 0; i < c.count; i++) {
			const sDateField& f = c.field[i];
			if(f.arg == 255) {
				memcpy(t, f.text, f.len);
				t += f.len;
			}
			else
				t = sPutField(t, f, v[f.arg]);
		}
		return String(h, int(t - h));
	}
	Value arg[4] = { int(d.year), int(d.month), int(d.day), DayOfWeek(d) };
	return detail::FormatValues(GetCurrentLanguage(), format, arg, 4);
}

namespace {

// " %02d:%02d:%02d" written directly: two-digit fields read the same in every language.
char* sPut2(char* t, int n)
{
	if(n >= 100) {
		*t++ = char('0' + n / 100);
		n %= 100;
	}
	*t++ = char('0' + n / 10);
	*t++ = char('0' + n % 10);
	return t;
}

} // namespace

String FormatTime(Time t, bool seconds)
{
	if(t.IsNull())
		return String();
	String s = FormatDate(t);
	char h[16];
	char* e = h;
	*e++ = ' ';
	e = sPut2(e, t.hour);
	*e++ = ':';
	e = sPut2(e, t.minute);
	if(seconds) {
		*e++ = ':';
		e = sPut2(e, t.second);
	}
	s.Cat(h, int(e - h));
	return s;
}

namespace {

void sCatNumber(String& r, int n, bool two)
{
	char h[32]; // roomy enough that the 16-byte copy moves stay inside it
	char* t = h;
	if(n < 0) {
		*t++ = '-';
		n = -n;
	}
	else if(two && n < 10) // "%02d": a sign takes the place of the padding zero
		*t++ = '0';
	t += FormatUnsignedDigits(dword(n), t);
	r.Cat(h, int(t - h));
}

} // namespace

String FormatDateByPattern(Time t, const char* s)
{
	if(t.IsNull())
		return String();
	if(!s || !*s)
		return FormatTime(t, true);
	String r;
	while(*s) {
		int c = *s;
		int n = 1;
		if(strchr("DMYhHms", c))
			while(s[n] == c)
				n++;
		switch(c) {
		case 'D': sCatNumber(r, t.day, n > 1); break;
		case 'M': sCatNumber(r, t.month, n > 1); break;
		case 'Y': sCatNumber(r, n > 2 ? t.year : t.year % 100, n == 2); break;
		case 'h': sCatNumber(r, t.hour, n > 1); break;
		case 'H': sCatNumber(r, t.hour == 0 ? 12 : t.hour > 12 ? t.hour - 12 : t.hour, n > 1); break;
		case 'm': sCatNumber(r, t.minute, n > 1); break;
		case 's': sCatNumber(r, t.second, n > 1); break;
		case '<': {
			const char* slash = strchr(s, '/');
			const char* close = slash ? strchr(slash, '>') : nullptr;
			if(!close)
				return r;
			if(t.hour < 12) // 12:00-12:59 is afternoon
				r.Cat(s + 1, int(slash - s - 1));
			else
				r.Cat(slash + 1, int(close - slash - 1));
			n = int(close - s) + 1;
			break;
		}
		case '`':
			if(!s[1])
				return r;
			r.Cat(s[1]);
			n = 2;
			break;
		default:
			r.Cat(c);
		}
		s += n;
	}
	return r;
}

// The formatters' language-dependent parts --------------------------------------------------

namespace {

String sFormatName(int what, int n, int language)
{
	switch(what) {
	case 0: return MonthName(n, language);
	case 1: return ShortMonthName(n, language);
	case 2: return DayName(n, language);
	case 3: return ShortDayName(n, language);
	}
	return String();
}

void sFormatSeparators(int language, String& decimal_point, String& thousands)
{
	const LanguageInfo& info = GetLanguageInfo(language);
	// a language without a record of its own still needs a decimal point
	decimal_point = info.decimal_point.GetLength() ? info.decimal_point : String(".");
	thousands = info.thousand_separator;
}

String sFormatDateTime(const Value& v, int)
{
	if(v.IsNull())
		return String();
	if(v.GetType() == TIME_V)
		return FormatTime(Time(v), true);
	if(v.GetType() == DATE_V)
		return FormatDate(Date(v));
	return v.ToText();
}

} // namespace

void detail::InstallLanguageFormatHooks()
{
	FormatLanguageHooks& h = GetFormatLanguageHooks();
	h.current_language = GetCurrentLanguage;
	h.translate = Translate;
	h.name = sFormatName;
	h.separators = sFormatSeparators;
	h.date_time = sFormatDateTime;
}

} // namespace Qel
