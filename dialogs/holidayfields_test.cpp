// The Holidays dialog's day rules and list handling, without widgets.
#include "dialogs/holidayfields.h"

#include <gtest/gtest.h>

#include "data/zvcfglist.h"
#include "util/testsupport.h"

namespace zv {
namespace {

// The calendar day a clicked line stands for, 02/29 and impossible days included.
TEST(HolidayFields, CalendarDayOfALine) {
  struct Case {
    const char* line;
    int year;
    std::optional<TCalendarDate> want;
  } cases[] = {
      {"07/04", 2026, TCalendarDate{2026, 7, 4}},
      {"12/31", 2026, TCalendarDate{2026, 12, 31}},
      {"02/29", 2028, TCalendarDate{2028, 2, 29}},
      {"02/29", 2026, TCalendarDate{2028, 2, 29}},  // the next leap year
      {"02/29", 2097, TCalendarDate{2104, 2, 29}},  // 2100 has no 29 February
      {"02/28", 2026, TCalendarDate{2026, 2, 28}},
      {"02/30", 2028, std::nullopt},  // no year has it: the calendar stays
      {"04/31", 2026, std::nullopt},
      {"13/01", 2026, std::nullopt},
      {"00/05", 2026, std::nullopt},
      {"", 2026, std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(HolidayCalendarDate(c.line, c.year), c.want) << c.line;

  // The month buttons stay in the year and go to the first of the month.
  EXPECT_EQ(PreviousMonth({2026, 1, 15}), (TCalendarDate{2026, 12, 1}));
  EXPECT_EQ(NextMonth({2026, 12, 31}), (TCalendarDate{2026, 1, 1}));
  EXPECT_EQ(NextMonth({2026, 1, 31}), (TCalendarDate{2026, 2, 1}));
}

// Add and Remove keep the list sorted and once per day, the table following; what they
// leave reads back from zv.cfg as the same list.
TEST(HolidayFields, AddAndRemoveReadBack) {
  zv::testing::TTempDir dir;
  const std::string path = dir.file("zv.cfg");
  zv::testing::WriteFile(path, "#holiday\r\n2 30\r\n#end\r\n");
  TZvCfgList configs(path);
  THoliday& table = *configs.GetHolidays();
  std::vector<std::string> lines;
  table.ListDates(lines);
  ASSERT_EQ(lines, std::vector<std::string>{"02/30"});
  int at = -1;
  EXPECT_TRUE(HolidayAdd(lines, table, 12, 25, at));
  EXPECT_EQ(at, 1);
  EXPECT_FALSE(HolidayAdd(lines, table, 12, 25, at));  // listed once
  EXPECT_TRUE(HolidayAdd(lines, table, 7, 4, at));
  EXPECT_EQ(at, 1);
  EXPECT_TRUE(HolidayAdd(lines, table, 1, 1, at));
  EXPECT_TRUE(HolidayAdd(lines, table, 2, 29, at));
  EXPECT_FALSE(HolidayRemove(lines, table, 3, 1, at));  // not listed: nothing
  EXPECT_TRUE(HolidayRemove(lines, table, 7, 4, at));
  EXPECT_EQ(at, 3);
  EXPECT_FALSE(table.IsHoliday(7, 4));
  EXPECT_EQ(lines, (std::vector<std::string>{"01/01", "02/29", "02/30", "12/25"}));
  std::vector<std::string> fromTable;
  table.ListDates(fromTable);
  EXPECT_EQ(fromTable, lines);

  ASSERT_TRUE(configs.Save());
  TZvCfgList reread(path);
  std::vector<std::string> back;
  reread.GetHolidays()->ListDates(back);
  EXPECT_EQ(back, lines);
  EXPECT_EQ(reread.Holidays().size(), 1u);
}

}  // namespace
}  // namespace zv
