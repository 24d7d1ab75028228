// THoliday: the year-less holiday table (month 1-12 by day 1-31), its zv.cfg month lines
// and the reader's 1488-byte holiday block.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "data/mystringlist.h"

namespace zv {

class THoliday : public TRecord {
 public:
  static constexpr std::size_t kReaderBlockSize = 12 * 31 * 4;

  // Months 1 to 12, days 1 to 31; anything else is ignored (reads false).
  void SetHoliday(int month, int day);
  void ClearHoliday(int month, int day);
  bool IsHoliday(int month, int day) const;
  bool MonthHasHolidays(int month) const;

  // Clears the list and adds "mm/dd" for every holiday, in month and day order.
  void ListDates(std::vector<std::string>& list) const;
  // Reads a zv.cfg month line "month day day ..."; the first bad day ends it.
  void ReadLine(const std::string& line);
  // "12 25 26", or empty when the month has no holiday.
  std::string MonthLine(int month) const;

  // 12 x 31 entries of 32 bits (least significant byte first), 1 for a holiday; touches
  // no byte at or beyond `size`.
  void ToReaderBlock(std::uint8_t* area, std::size_t size = kReaderBlockSize) const;

 private:
  static bool Valid(int month, int day) { return month >= 1 && month <= 12 && day >= 1 && day <= 31; }
  std::array<std::array<bool, 31>, 12> days_{};
};

}  // namespace zv
