#include "TimeDate.h"
#include <Core/text/FormatInt.h>
#include <Core/format/Format.h>
#include <Core/lang/Lang.h>
#include <Core/stream/Stream.h>
#include <Core/text/String.h>
#include <Core/thread/Thread.h>
#include <Core/lang/Translate.h>
#include <Core/value/Value.h>

#include <atomic>
#include <climits>
#include <cstring>
#include <ctime>

namespace Qel {

bool IsLeapYear(int year)
{
	return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int GetDaysOfMonth(int month, int year)
{
	static const byte days[12] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
	if(month < 1 || month > 12)
		return 0;
	return days[month - 1] + (month == 2 && IsLeapYear(year));
}

bool Date::IsValid() const
{
	return !IsNull() && day >= 1 && day <= GetDaysOfMonth(month, year);
}

namespace {

template <class T>
int Sgn(T a, T b)
{
	return (a > b) - (a < b);
}

} // namespace

int Date::Compare(const Date& b) const
{
	if(IsNull() || b.IsNull())
		return Sgn(!IsNull(), !b.IsNull());
	if(int q = Sgn(year, b.year))
		return q;
	if(int q = Sgn(month, b.month))
		return q;
	return Sgn(day, b.day);
}

int Time::Compare(const Time& b) const
{
	if(int q = Date::Compare(b))
		return q;
	if(IsNull())
		return 0;
	if(int q = Sgn(hour, b.hour))
		return q;
	if(int q = Sgn(minute, b.minute))
		return q;
	return Sgn(second, b.second);
}

bool operator==(const Date& a, const Date& b)
{
	return a.IsNull() ? b.IsNull() : a.day == b.day && a.month == b.month && a.year == b.year;
}

bool operator==(const Time& a, const Time& b)
{
	return (const Date&)a == (const Date&)b && (a.IsNull() ||
	       (a.hour == b.hour && a.minute == b.minute && a.second == b.second));
}

// A Date and the midnight Time of the same day hash alike; the year enters the Time hash only
// through its low 10 bits, and the Date hash uses the same bits for the same reason.
uint64 Date::GetHashValue() const
{
	return uint64(int64(int32(uint32(16384 * day + 524288 * month) + 4194304u * uint32(year & 1023))));
}

uint64 Time::GetHashValue() const
{
	uint32 h = second + 32 * minute + 1024 * (16 * day + hour) + 524288u * (8 * uint32(year & 1023) + month);
	return uint64(int64(int32(h)));
}

void Time::Serialize(Stream& s)
{
	s % day % month % year % hour % minute % second;
}

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

// Date settings ----------------------------------------------------------------------------

namespace {

struct sDateSettings {
	char format[128];
	char scan[64];
	char filter[64];
};

// The process-wide copy is written by the main thread and read by threads without their own.
StaticMutex            sDateLock;
sDateSettings          sProcessDate = { "%2:02d/%3:02d/%1:4d", "mdy", "A/\a .-" };
thread_local sDateSettings tDate;

template <int N>
void sCopy(char (&t)[N], const char* s)
{
	size_t n = s ? strnlen(s, N - 1) : 0;
	if(n)
		memmove(t, s, n);
	t[n] = '\0';
}

template <int N>
void sSet(char (sDateSettings::*field)[N], const char* s)
{
	sCopy(tDate.*field, s);
	if(Thread::IsMain()) {
		Mutex::Lock guard(sDateLock);
		sCopy(sProcessDate.*field, s);
	}
}

template <int N>
String sGet(char (sDateSettings::*field)[N])
{
	if(*(tDate.*field))
		return String(tDate.*field);
	Mutex::Lock guard(sDateLock);
	return String(sProcessDate.*field);
}

} // namespace

void SetDateFormat(const char* format) { sSet(&sDateSettings::format, format); }
void SetDateScan(const char* scan)     { sSet(&sDateSettings::scan, scan); }
void SetDateFilter(const char* filter) { sSet(&sDateSettings::filter, filter); }
String GetDateFormat()                 { return sGet(&sDateSettings::format); }
String GetDateScan()                   { return sGet(&sDateSettings::scan); }
String GetDateFilter()                 { return sGet(&sDateSettings::filter); }

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
	const char* format = tDate.format;
	if(!*format) {
		own = GetDateFormat();
		format = ~own;
	}
	sCompiledFormat& c = tCompiled;
	if(strcmp(c.source, format) != 0) {
		c.simple = sCompile(c, format);
		sCopy(c.source, format);
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

// Time zone --------------------------------------------------------------------------------

namespace {

Time sReadTime(bool utc)
{
	time_t now = time(nullptr);
	struct tm tm;
	if(now == 0 || !(utc ? gmtime_r(&now, &tm) : localtime_r(&now, &tm)))
		return Time();
	return Time(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
}

int64 sSeconds(Time t)
{
	return int64(GetDayNumber(t)) * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

} // namespace

int GetTimeZone()
{
	// One word holds both the value and whether it is known.
	static std::atomic<int> zone { INT_MIN };
	static StaticMutex lock;
	int z = zone.load(std::memory_order_acquire);
	if(z != INT_MIN)
		return z;
	Mutex::Lock guard(lock);
	if((z = zone.load(std::memory_order_relaxed)) != INT_MIN)
		return z;
	for(;;) {
		Time l1 = sReadTime(false);
		Time u = sReadTime(true);
		Time l2 = sReadTime(false);
		Time l3 = sReadTime(false);
		if(l1 == l3) {
			z = int((sSeconds(l2) - sSeconds(u)) / 60);
			break;
		}
	}
	zone.store(z, std::memory_order_release);
	return z;
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
