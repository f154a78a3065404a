#include "TimeDate.h"
#include <Core/text/String.h>
#include <Core/thread/Thread.h>

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

const char* detail::ThreadDateFormat()  { return tDate.format; }

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

} // namespace Qel
