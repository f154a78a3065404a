#include "TimeDate.h"
#include "Format.h"
#include "Lang.h"
#include "Stream.h"
#include "String.h"
#include "Thread.h"
#include "Translate.h"
#include "Value.h"

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

int GetDayNumber(Date d)
{
	static const int before[13] = { 0, 0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334 };
	int year = d.year;
	int q = (year >= 0 ? year / 400 : (year - 399) / 400) - 2;
	int y = year - 400 * q; // always positive, so the quotients below round down
	int month = d.month >= 1 && d.month <= 12 ? d.month : 0;
	return 146097 * q + 365 * y + (y - 1) / 4 - (y - 1) / 100 + (y - 1) / 400 + before[month] + d.day
	       + (month >= 3 && IsLeapYear(year));
}

int DayOfWeek(Date d)
{
	int r = (GetDayNumber(d) + 6) % 7;
	return r < 0 ? r + 7 : r; // day numbers of early years are negative
}

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
	strncpy(t, s ? s : "", N - 1);
	t[N - 1] = '\0';
}

template <int N>
void sSet(char (sDateSettings::*field)[N], const char* s)
{
	sCopy(tDate.*field, s);
	if(Thread::IsMain()) {
		Mutex::Lock __(sDateLock);
		sCopy(sProcessDate.*field, s);
	}
}

template <int N>
String sGet(char (sDateSettings::*field)[N])
{
	if(*(tDate.*field))
		return String(tDate.*field);
	Mutex::Lock __(sDateLock);
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

String FormatDate(Date d)
{
	if(d.IsNull())
		return String();
	Value arg[4] = { int(d.year), int(d.month), int(d.day), DayOfWeek(d) };
	if(*tDate.format)
		return detail::FormatValues(GetCurrentLanguage(), tDate.format, arg, 4);
	return detail::FormatValues(GetCurrentLanguage(), ~GetDateFormat(), arg, 4);
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
	Mutex::Lock __(lock);
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
