#include "TimeDate.h"
#include "FormatInt.h"
#include "String.h"

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

namespace {

char* PutNumber(char* t, int n, int width)
{
	if(n < 0) {
		*t++ = '-';
		n = -n;
	}
	char h[12];
	int len = FormatUnsignedDigits(dword(n), h);
	for(; len < width; width--)
		*t++ = '0';
	std::memcpy(t, h, len);
	return t + len;
}

char* PutDate(char* t, Date d)
{
	t = PutNumber(t, d.month, 2);
	*t++ = '/';
	t = PutNumber(t, d.day, 2);
	*t++ = '/';
	for(int y = d.year < 0 ? -d.year : d.year, n = d.year < 0; n < 3 && y < 1000; n++, y *= 10)
		*t++ = ' ';
	return PutNumber(t, d.year, 0);
}

} // namespace

String FormatDate(Date d)
{
	if(d.IsNull())
		return String();
	char h[32];
	return String(h, PutDate(h, d));
}

String FormatTime(Time t, bool seconds)
{
	if(t.IsNull())
		return String();
	char h[48];
	char* e = PutDate(h, t);
	*e++ = ' ';
	e = PutNumber(e, t.hour, 2);
	*e++ = ':';
	e = PutNumber(e, t.minute, 2);
	if(seconds) {
		*e++ = ':';
		e = PutNumber(e, t.second, 2);
	}
	return String(h, e);
}

} // namespace Qel
