#include "data/holiday.h"

#include <cstdio>

#include "util/numbers.h"
#include "util/text.h"

namespace zv {

void THoliday::SetHoliday(int month, int day) {
  if (Valid(month, day)) days_[month - 1][day - 1] = true;
}

void THoliday::ClearHoliday(int month, int day) {
  if (Valid(month, day)) days_[month - 1][day - 1] = false;
}

bool THoliday::IsHoliday(int month, int day) const { return Valid(month, day) && days_[month - 1][day - 1]; }

bool THoliday::MonthHasHolidays(int month) const {
  if (month < 1 || month > 12) return false;
  for (bool b : days_[month - 1])
    if (b) return true;
  return false;
}

void THoliday::ListDates(std::vector<std::string>& list) const {
  list.clear();
  for (int m = 1; m <= 12; ++m) {
    for (int d = 1; d <= 31; ++d) {
      if (!days_[m - 1][d - 1]) continue;
      char buf[16];
      std::snprintf(buf, sizeof buf, "%02d/%02d", m, d);
      list.emplace_back(buf);
    }
  }
}

void THoliday::ReadLine(const std::string& line) {
  const std::string cut = line.size() > kMaxText ? line.substr(0, kMaxText) : line;
  long long month;
  if (!ParseInt(TableField(1, cut, " "), month) || !InRange(month, 1, 12)) return;
  for (int f = 2; f <= 31; ++f) {
    long long day;
    if (!ParseInt(TableField(f, cut, " "), day) || !InRange(day, 1, 31)) return;
    SetHoliday(static_cast<int>(month), static_cast<int>(day));
  }
}

std::string THoliday::MonthLine(int month) const {
  if (!MonthHasHolidays(month)) return std::string();
  std::string s = std::to_string(month);
  for (int d = 1; d <= 31; ++d)
    if (days_[month - 1][d - 1]) s += " " + std::to_string(d);
  return s;
}

void THoliday::ToReaderBlock(std::uint8_t* area, std::size_t size) const {
  if (!area) return;
  for (std::size_t e = 0; e < 12 * 31; ++e) {
    const bool set = days_[e / 31][e % 31];
    for (std::size_t b = 0; b < 4; ++b) {
      const std::size_t at = 4 * e + b;
      if (at >= size) return;
      area[at] = static_cast<std::uint8_t>(b == 0 && set ? 1 : 0);
    }
  }
}

}  // namespace zv
