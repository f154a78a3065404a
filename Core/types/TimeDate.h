// Calendar date and date with time of day. Null is the year -32768.
#pragma once

#include <Core/base/Defs.h>

namespace Qel {

class String;
class Stream;

struct Date {
	byte  day   = 0;
	byte  month = 0;
	int16 year  = -32768;

	static constexpr int16 NULL_YEAR = -32768;

	Date() = default;
	Date(int y, int m, int d) : day(byte(d)), month(byte(m)), year(int16(y)) {}

	bool IsNull() const  { return year == NULL_YEAR; }
	bool IsValid() const;

	int  Compare(const Date& b) const;
	uint64 GetHashValue() const;
};

struct Time : Date {
	byte hour   = 0;
	byte minute = 0;
	byte second = 0;

	Time() = default;
	Time(int y, int m, int d, int h = 0, int n = 0, int s = 0)
	:	Date(y, m, d), hour(byte(h)), minute(byte(n)), second(byte(s)) {}
	Time(Date d) : Date(d) {}

	bool IsValid() const { return Date::IsValid() && hour < 24 && minute < 60 && second < 60; }

	int  Compare(const Time& b) const;
	uint64 GetHashValue() const;

	// day, month, year (16 bits), hour, minute, second: seven bytes
	void Serialize(Stream& s);
};

inline bool IsNull(const Date& d) { return d.IsNull(); }

bool IsLeapYear(int year);
int  GetDaysOfMonth(int month, int year);

// Two Null dates (or times) are equal whatever their other fields hold.
bool operator==(const Date& a, const Date& b);
bool operator==(const Time& a, const Time& b);
inline bool operator<(const Date& a, const Date& b)  { return a.Compare(b) < 0; }
inline bool operator>(const Date& a, const Date& b)  { return a.Compare(b) > 0; }
inline bool operator<=(const Date& a, const Date& b) { return a.Compare(b) <= 0; }
inline bool operator>=(const Date& a, const Date& b) { return a.Compare(b) >= 0; }
inline bool operator<(const Time& a, const Time& b)  { return a.Compare(b) < 0; }
inline bool operator>(const Time& a, const Time& b)  { return a.Compare(b) > 0; }
inline bool operator<=(const Time& a, const Time& b) { return a.Compare(b) <= 0; }
inline bool operator>=(const Time& a, const Time& b) { return a.Compare(b) >= 0; }

// Days counted in the proleptic Gregorian calendar, consecutive dates differing by one; 1 January
// 1970 is 719528. Unsigned arithmetic on years shifted far above zero, with years starting on
// 1 March so that the leap day ends them (Neri and Schneider's form).
inline int GetDayNumber(Date d)
{
	const uint32 shift = 1468000;              // years added so that all of them are positive
	const uint32 epoch = 536895458;            // the day count of 1 January 1970 on that scale
	uint32 y = uint32(int(d.year)) + shift;
	uint32 m = d.month;
	uint32 j = m < 3;
	y -= j;
	m = j ? m + 12 : m;
	uint32 c = y / 100;
	uint32 days = 1461 * y / 4 - c + c / 4 + (979 * m - 2919) / 32 + d.day - 1;
	return int(days - epoch) + 719528;
}

// 0 Sunday ... 6 Saturday, for every year a Date holds.
inline int DayOfWeek(Date d)
{
	// shifted by a multiple of 7 past the lowest day number, so the remainder is never negative
	return int(unsigned(GetDayNumber(d) + 6 + 7 * 2000000) % 7);
}

// Date settings of the calling thread; the main thread also sets the process-wide ones that
// threads without their own use. Longer texts are cut (127 characters for the format, 63 for
// the others).
void   SetDateFormat(const char* format);
void   SetDateScan(const char* scan);
void   SetDateFilter(const char* filter);
String GetDateFormat();
String GetDateScan();
String GetDateFilter();

namespace detail {
// The calling thread's own date format; empty when it has none (GetDateFormat then gives the
// process-wide one).
const char* ThreadDateFormat();
} // namespace detail

// Local offset from UTC in minutes, east positive; computed once.
int    GetTimeZone();

} // namespace Qel
