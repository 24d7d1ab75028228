// The Holidays dialog without its widgets: the "mm/dd" lines of the list, the calendar day
// a clicked line stands for, the month moves of its buttons, and Add and Remove on the
// holiday table.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "data/holiday.h"

namespace zv {

struct TCalendarDate {
  int year = 0, month = 0, day = 0;
  bool operator==(const TCalendarDate& o) const {
    return year == o.year && month == o.month && day == o.day;
  }
};

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

// "%0.2d/%0.2d" of month and day.
std::string HolidayText(int month, int day);

// The calendar day for a clicked line "mm/dd" in `year`. 02/29 in a year without it goes
// to 29 February of the next leap year, so that Remove then takes that line as any other.
// None for a line that is no day of any year (02/30 or 04/31 from a hand edit, or no date
// at all): the calendar then stays as it is.
std::optional<TCalendarDate> HolidayCalendarDate(const std::string& line, int year);

// The first day of the month before and after, within the same year (January goes to
// December, December to January).
TCalendarDate PreviousMonth(const TCalendarDate& d);
TCalendarDate NextMonth(const TCalendarDate& d);

// Add and Remove of the list's line for the day: Add when the list does not hold it yet,
// Remove when it does; the list stays sorted and the table follows it. True when something
// changed (zv.cfg is then to be written); `at` is the index of the line added or removed.
bool HolidayAdd(std::vector<std::string>& lines, THoliday& table, int month, int day, int& at);
bool HolidayRemove(std::vector<std::string>& lines, THoliday& table, int month, int day,
                   int& at);

}  // namespace zv
