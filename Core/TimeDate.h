// Calendar date and date with time of day. Null is the year -32768.
#pragma once

#include "Defs.h"

namespace Qel {

class String;

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

String FormatDate(Date d);
String FormatTime(Time t, bool seconds = true);

} // namespace Qel
