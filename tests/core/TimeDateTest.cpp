#include <Core/Core.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <thread>
#include <vector>

using namespace Qel;

TEST(TimeDate, LeapYears)
{
	EXPECT_FALSE(IsLeapYear(1900));
	EXPECT_TRUE(IsLeapYear(2000));
	EXPECT_TRUE(IsLeapYear(2024));
	EXPECT_FALSE(IsLeapYear(2023));
	EXPECT_TRUE(IsLeapYear(0));
	EXPECT_TRUE(IsLeapYear(-4));
	EXPECT_FALSE(IsLeapYear(-100));
	EXPECT_TRUE(IsLeapYear(-400));
}

TEST(TimeDate, DaysOfWeek)
{
	EXPECT_EQ(DayOfWeek(Date(2000, 1, 1)), 6);
	EXPECT_EQ(DayOfWeek(Date(2024, 2, 29)), 4);
	EXPECT_EQ(DayOfWeek(Date(2026, 12, 5)), 6);
	EXPECT_EQ(GetDayNumber(Date(1970, 1, 1)), 719528);
	EXPECT_EQ(GetDayNumber(Date(2024, 3, 1)) - GetDayNumber(Date(2024, 2, 28)), 2);
	EXPECT_EQ(GetDayNumber(Date(2023, 3, 1)) - GetDayNumber(Date(2023, 2, 28)), 1);
}

// Every year a Date holds, negative ones included, against the standard calendar.
TEST(TimeDate, DayNumbersAgreeWithTheStandardCalendar)
{
	using namespace std::chrono;
	std::vector<int> years;
	for(int y = -32767; y <= 32767; y += 97)
		years.push_back(y);
	for(int y : { -32767, -401, -400, -101, -100, -5, -4, -1, 0, 1, 1582, 1900, 2000, 32766, 32767 })
		years.push_back(y);
	int64 base = GetDayNumber(Date(1970, 1, 1));
	for(int y : years)
		for(int m = 1; m <= 12; m++)
			for(int d : { 1, 28, GetDaysOfMonth(m, y) }) {
				sys_days sd = year(y) / month(m) / day(d);
				Date x(y, m, d);
				ASSERT_EQ(GetDayNumber(x) - base, sd.time_since_epoch().count()) << y << "-" << m << "-" << d;
				int dow = DayOfWeek(x);
				ASSERT_EQ(dow, (int)weekday(sd).c_encoding()) << y << "-" << m << "-" << d;
			}
}

TEST(TimeDate, Names)
{
	int en = LNG_ENGLISH;
	EXPECT_EQ(DayName(0, en), "Sunday");
	EXPECT_EQ(DayName(6, en), "Saturday");
	EXPECT_EQ(DayName(7, en), "");
	EXPECT_EQ(DayName(-1, en), "");
	EXPECT_EQ(ShortDayName(3, en), "We");
	EXPECT_EQ(MonthName(0, en), "January");
	EXPECT_EQ(MonthName(12, en), "");
	EXPECT_EQ(ShortMonthName(11, en), "Dec");
	EXPECT_EQ(MonthName(0, LNG_('X', 'Y', 'Z', 'W')), "January");
	EXPECT_EQ(DayName(0, LNG_CZECH), "ned\xC4\x9Ble");
	EXPECT_EQ(ShortDayName(4, LNG_CZECH), "\xC4\x8Dt");
	EXPECT_EQ(MonthName(11, LNG_CZECH | (255 << 20)), "prosinec");
	EXPECT_EQ(MonthName(5, LNG_('D', 'E', 'A', 'T')), "Juni");
}

TEST(TimeDate, FormatsWithTheThreadsSettings)
{
	EXPECT_EQ(FormatDate(Date()), "");
	EXPECT_EQ(FormatTime(Time(), true), "");
	EXPECT_EQ(FormatDate(Date(2026, 12, 5)), "12/05/2026");
	EXPECT_EQ(FormatDate(Date(33, 1, 2)), "01/02/  33");
	EXPECT_EQ(FormatTime(Time(2026, 12, 5, 14, 5, 9), true), "12/05/2026 14:05:09");
	EXPECT_EQ(FormatTime(Time(2026, 12, 5, 14, 5, 9), false), "12/05/2026 14:05");

	String old = GetDateFormat();
	SetDateFormat("%3:02d.%2:02d.%1:04d");
	EXPECT_EQ(FormatDate(Date(2026, 12, 5)), "05.12.2026");
	SetDateFormat("%4:day %3:d");
	EXPECT_EQ(FormatDate(Date(2026, 12, 5)), "saturday 5");

	// a thread of its own keeps the process-wide setting until it sets one
	String other, own;
	std::thread t([&] {
		other = FormatDate(Date(2026, 12, 5));
		SetDateFormat("%1:d");
		own = FormatDate(Date(2026, 12, 5));
	});
	t.join();
	EXPECT_EQ(other, "saturday 5");
	EXPECT_EQ(own, "2026");
	EXPECT_EQ(FormatDate(Date(2026, 12, 5)), "saturday 5");

	String longer(String("%1:d"));
	while(longer.GetLength() < 300)
		longer.Cat('x');
	SetDateFormat(~longer);
	EXPECT_EQ(GetDateFormat().GetLength(), 127);
	SetDateFormat(~old);
	EXPECT_EQ(FormatDate(Date(2026, 12, 5)), "12/05/2026");
}

TEST(TimeDate, DateByPattern)
{
	Time t(2024, 3, 5, 14, 7, 9);
	EXPECT_EQ(FormatDateByPattern(t, "DD.MM.YYYY hh:mm"), "05.03.2024 14:07");
	EXPECT_EQ(FormatDateByPattern(t, "H:mm"), "2:07");
	EXPECT_EQ(FormatDateByPattern(t, "<am/pm>"), "pm");
	EXPECT_EQ(FormatDateByPattern(Time(2024, 3, 5, 12, 0, 0), "<am/pm>"), "pm");
	EXPECT_EQ(FormatDateByPattern(Time(2024, 3, 5, 11, 59, 0), "<am/pm>"), "am");
	EXPECT_EQ(FormatDateByPattern(Time(2024, 3, 5, 0, 0, 0), "HH"), "12");
	EXPECT_EQ(FormatDateByPattern(t, "D/M/Y YY DDD ss s"), "5/3/24 24 05 09 9");
	EXPECT_EQ(FormatDateByPattern(t, "`D`M x<a"), "DM x");
	EXPECT_EQ(FormatDateByPattern(t, ""), "03/05/2024 14:07:09");
	EXPECT_EQ(FormatDateByPattern(Time(), "DD"), "");
	EXPECT_EQ(FormatDateByPattern(Time(-5, 3, 5), "YY YYYY"), "-5 -5"); // as "%02d" writes it
	EXPECT_EQ(FormatDate(Date(987, 12, 31)), "12/31/ 987");
}

TEST(TimeDate, FormatEngineShowsDatesInTheSettings)
{
	EXPECT_EQ(Format("%", Date(2026, 12, 5)), "12/05/2026");
	EXPECT_EQ(Format("%", Time(2026, 12, 5, 1, 2, 3)), "12/05/2026 01:02:03");
	EXPECT_EQ(Format("%", Date()), "");
	EXPECT_EQ(Format("%MON %dy", 12, 1), "DEC mo");
}

TEST(TimeDate, NumberSeparatorsOfTheLanguage)
{
	Vector<Value> x;
	x.Add(1234.5);
	// a code without a record of its own still keeps its decimal point
	EXPECT_EQ(Format(LNG_('X', 'Y', 'Z', 'W'), "%1nlf", x), "1234.5");
	EXPECT_EQ(Format(LNG_ENGLISH, "%1nlf", x), "1,234.5");
	locale_t loc = newlocale(LC_ALL_MASK, "de_DE.UTF-8", (locale_t)0);
	if(!loc)
		GTEST_SKIP() << "de_DE.UTF-8 locale not installed";
	freelocale(loc);
	EXPECT_EQ(Format(LNG_('D', 'E', 'D', 'E'), "%1nlf", x), "1.234,5");
}

TEST(TimeDate, TimeSerialisesInSevenBytes)
{
	Time t(-1234, 7, 31, 23, 59, 58);
	StringStream out;
	out % t;
	String data = out.GetResult();
	ASSERT_EQ(data.GetLength(), 7);
	EXPECT_EQ(data, String("\x1F\x07\x2E\xFB\x17\x3B\x3A", 7));
	StringStream in(data);
	Time u;
	in % u;
	EXPECT_EQ(u, t);
	EXPECT_EQ(u.hour, 23);
	EXPECT_FALSE(in.IsError());
}

TEST(TimeDateDeathTest, TimeZoneOfTheProcess)
{
	GTEST_FLAG_SET(death_test_style, "threadsafe");
	struct { const char* tz; int minutes; } zones[] = {
		{ "<+02>-2", 120 }, { "<-0530>5:30", -330 }, { "<+0545>-5:45", 345 },
		{ "<-0330>3:30", -210 }, { "UTC0", 0 }
	};
	for(auto z : zones)
		EXPECT_EXIT({
			setenv("TZ", z.tz, 1);
			tzset();
			// threads asking at once all see the one value
			std::atomic<int> bad { 0 };
			std::vector<std::thread> v;
			for(int i = 0; i < 4; i++)
				v.emplace_back([&] { if(GetTimeZone() != z.minutes) bad++; });
			for(auto& t : v)
				t.join();
			_exit(bad == 0 && GetTimeZone() == z.minutes ? 0 : 1);
		}, testing::ExitedWithCode(0), "") << z.tz;
}

// Simple formats take a shortcut past the Format engine; the text must be the same.
TEST(TimeDate, FormatDateReadsAsTheFormatEngine)
{
	String old = GetDateFormat();
	const char* formats[] = {
		"%2:02d/%3:02d/%1:4d", "%3:02d.%2:02d.%1:04d", "%1:04d.%2:02d.%3:02d.", "%1:d-%2:d-%3:d %4:d",
		"x%3:5dy%1:010dz", "%% %1:d", "%1:dx", "%4:day, %3:d", "%2:month %1:d", "%1:02d`x", "%1:[a]d",
		"plain", "", "%2:02d%", "%9:d", "%1:d%2:d%3:d%1:d%2:d%3:d%1:d%2:d%3:d%1:d%2:d%3:d%4:d"
	};
	Date dates[] = { Date(2026, 12, 5), Date(33, 1, 2), Date(-1, 3, 4), Date(-32767, 12, 31), Date(32767, 1, 1) };
	for(const char* f : formats) {
		SetDateFormat(f);
		for(Date d : dates)
			EXPECT_EQ(FormatDate(d), Format(f, int(d.year), int(d.month), int(d.day), DayOfWeek(d)))
				<< f << " " << d.year;
	}
	SetDateFormat(~old);
}
