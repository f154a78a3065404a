// Dates as text: day and month names in a language, dates and times written by the thread's
// date settings (TimeDate.h) or by a pattern, and the language-dependent parts that the Format
// engine asks for.
#pragma once

#include <Core/types/TimeDate.h>

namespace Qel {

class String;

// Names in the language (0 the current one); day 0 is Sunday, month 0 January. Numbers out of
// range give an empty text.
String DayName(int day, int language = 0);
String ShortDayName(int day, int language = 0);
String MonthName(int month, int language = 0);
String ShortMonthName(int month, int language = 0);

// With the thread's date format: %1 year, %2 month, %3 day, %4 day of week.
String FormatDate(Date d);
String FormatTime(Time t, bool seconds = true);
// The fields D M Y h H m s (doubled: two digits; three or more Y: the whole year), <am/pm> by
// the hour, ` before a character writes it as it is.
String FormatDateByPattern(Time t, const char* pattern);

namespace detail {

// Points the Format engine's language-dependent parts (names, separators, dates) at this code.
void   InstallLanguageFormatHooks();

} // namespace detail

} // namespace Qel
