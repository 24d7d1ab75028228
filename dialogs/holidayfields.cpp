#include "dialogs/holidayfields.h"

#include <algorithm>
#include <cstdio>

#include "util/text.h"

namespace zv {

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

std::string HolidayText(int month, int day) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d/%02d", month, day);
  return buf;
}

std::optional<TCalendarDate> HolidayCalendarDate(const std::string& line, int year) {
  const long long month = StrToIntDef(WordAt(1, line, "/"), 0);
  const long long day = StrToIntDef(WordAt(2, line, "/"), 0);
  if (month < 1 || month > 12 || day < 1) return std::nullopt;
  if (month == 2 && day == 29) {
    while (!IsLeapYear(year)) ++year;
  }
  if (day > DaysInMonth(year, static_cast<int>(month))) return std::nullopt;
  return TCalendarDate{year, static_cast<int>(month), static_cast<int>(day)};
}

TCalendarDate PreviousMonth(const TCalendarDate& d) {
  return TCalendarDate{d.year, d.month == 1 ? 12 : d.month - 1, 1};
}

TCalendarDate NextMonth(const TCalendarDate& d) {
  return TCalendarDate{d.year, d.month == 12 ? 1 : d.month + 1, 1};
}

bool HolidayAdd(std::vector<std::string>& lines, THoliday& table, int month, int day,
                int& at) {
  const std::string text = HolidayText(month, day);
  auto it = std::lower_bound(lines.begin(), lines.end(), text);
  if (it != lines.end() && *it == text) return false;
  at = static_cast<int>(it - lines.begin());
  lines.insert(it, text);
  table.SetHoliday(month, day);
  return true;
}

bool HolidayRemove(std::vector<std::string>& lines, THoliday& table, int month, int day,
                   int& at) {
  const std::string text = HolidayText(month, day);
  auto it = std::lower_bound(lines.begin(), lines.end(), text);
  if (it == lines.end() || *it != text) return false;
  at = static_cast<int>(it - lines.begin());
  lines.erase(it);
  table.ClearHoliday(month, day);
  return true;
}

}  // namespace zv
