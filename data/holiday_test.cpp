#include "data/holiday.h"

#include <gtest/gtest.h>

#include <vector>

namespace zv {
namespace {

TEST(HolidayLineReaderTest, MonthThenDaysUntilTheFirstBadOne) {
  THoliday h;
  h.ReadLine("2 30 31");     // any day 1 to 31 in any month
  h.ReadLine("13 1");        // no such month
  h.ReadLine("12 25 x 26");  // x ends the line
  h.ReadLine("3 0 5");       // 0 ends it at once
  h.ReadLine("x 4");
  std::vector<std::string> dates{"stale"};
  h.ListDates(dates);
  EXPECT_EQ(dates, (std::vector<std::string>{"02/30", "02/31", "12/25"}));
}

TEST(HolidayTest, ListDatesAndMonthLinesAreInDateOrder) {
  THoliday h;
  h.SetHoliday(12, 26);
  h.SetHoliday(12, 25);
  h.SetHoliday(1, 1);
  h.SetHoliday(0, 1);   // ignored
  h.SetHoliday(1, 32);  // ignored
  std::vector<std::string> dates;
  h.ListDates(dates);
  EXPECT_EQ(dates, (std::vector<std::string>{"01/01", "12/25", "12/26"}));
  EXPECT_EQ(h.MonthLine(12), "12 25 26");
  EXPECT_EQ(h.MonthLine(1), "1 1");
  EXPECT_EQ(h.MonthLine(2), "");
  EXPECT_FALSE(h.MonthHasHolidays(13));
  h.ClearHoliday(12, 25);
  EXPECT_EQ(h.MonthLine(12), "12 26");
}

TEST(HolidayTest, ReaderBlockEntriesWorkedOutByHand) {
  THoliday h;
  h.SetHoliday(1, 1);    // entry 0, byte 0
  h.SetHoliday(2, 30);   // entry 31 + 29 = 60, byte 240
  h.SetHoliday(12, 31);  // entry 11 * 31 + 30 = 371, byte 1484
  std::vector<std::uint8_t> area(THoliday::kReaderBlockSize + 4, 0xEE);
  h.ToReaderBlock(area.data(), THoliday::kReaderBlockSize);
  EXPECT_EQ(THoliday::kReaderBlockSize, 1488u);
  for (std::size_t i = 0; i < THoliday::kReaderBlockSize; ++i) {
    const std::uint8_t want = (i == 0 || i == 240 || i == 1484) ? 1 : 0;
    ASSERT_EQ(area[i], want) << "byte " << i;
  }
  for (std::size_t i = THoliday::kReaderBlockSize; i < area.size(); ++i) EXPECT_EQ(area[i], 0xEE);
}

}  // namespace
}  // namespace zv
