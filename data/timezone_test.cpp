#include "data/timezone.h"

#include <gtest/gtest.h>

namespace zv {
namespace {

TDayFlags DaysOf(std::initializer_list<int> days) {  // days numbered 1 Sunday .. 8 holiday
  TDayFlags f{};
  for (int d : days) f[static_cast<std::size_t>(d - 1)] = true;
  return f;
}

TEST(TimeZoneTest, OutOfRangeIntervalsAndDaysReadEmptyAndWriteNothing) {
  TTimeZone z;
  for (int k : {0, 5, -1}) {
    z.SetStart(k, "08:00");
    z.SetStop(k, "09:00");
    z.SetDay(k, 0, true);
    EXPECT_EQ(z.Start(k), "");
    EXPECT_EQ(z.Stop(k), "");
    EXPECT_FALSE(z.Day(k, 0));
  }
  z.SetDay(1, 8, true);
  z.SetDay(1, -1, true);
  EXPECT_EQ(z.Days(1), TDayFlags{});
  for (int k = 1; k <= 4; ++k) EXPECT_TRUE(z.IntervalFree(k));
}

TEST(TimeZoneTest, AddIntervalFillsFreeSlotsInOrderAndDropsTheFifth) {
  TTimeZone z;
  z.SetStop(2, "10:00");  // a stop alone makes the slot used
  z.AddInterval("01:00", "02:00", DaysOf({1}));
  z.AddInterval("03:00", "04:00", DaysOf({2}));
  z.AddInterval("05:00", "06:00", DaysOf({3}));
  EXPECT_EQ(z.Start(1), "01:00");
  EXPECT_EQ(z.Start(2), "");
  EXPECT_EQ(z.Stop(2), "10:00");
  EXPECT_EQ(z.Start(3), "03:00");
  EXPECT_EQ(z.Start(4), "05:00");
  EXPECT_TRUE(z.Day(4, 2));
  TTimeZone before;
  before.CopyFrom(z);
  z.AddInterval("07:00", "08:00", DaysOf({4}));
  for (int k = 1; k <= 4; ++k) {
    EXPECT_EQ(z.Start(k), before.Start(k));
    EXPECT_EQ(z.Stop(k), before.Stop(k));
    EXPECT_EQ(z.Days(k), before.Days(k));
  }
}

TEST(TimeZoneTest, CopyFromTakesNumberTimesAndAllDayFlags) {
  TTimeZone a, b;
  a.SetNumber("12");
  a.AddInterval("08:00", "12:00", DaysOf({2, 8}));
  a.SetDay(4, 6, true);
  b.AddInterval("00:00", "23:59", DaysOf({1, 2, 3, 4, 5, 6, 7, 8}));
  b.CopyFrom(a);
  EXPECT_EQ(b.Number(), "12");
  EXPECT_EQ(b.Start(1), "08:00");
  EXPECT_EQ(b.Days(1), DaysOf({2, 8}));
  EXPECT_TRUE(b.Day(4, 6));
}

TEST(TimeZoneTest, ReaderBlockBytesWorkedOutByHand) {
  TTimeZone z;
  z.SetNumber("3");
  z.AddInterval("08:05", "17:00", DaysOf({2, 3, 4, 5, 6}));  // 485/6 = 80, 1020/6 = 170
  z.AddInterval("7:5", "23:59", DaysOf({1, 8}));             // 425/6 = 70, 1439/6 = 239
  z.SetDay(3, 6, true);                                      // days without times
  z.SetStart(4, "abc");                                      // invalid: 0
  z.SetStop(4, "0:05");                                      // 5/6 = 0
  const std::array<std::uint8_t, 12> want = {80, 170, 0x3E, 70, 239, 0x81, 0, 0, 0x40, 0, 0, 0};
  EXPECT_EQ(z.ToReaderBlock(), want);
}

TEST(TimeZoneTest, ReaderBlockOrsMasksIntoTheAreaAndStaysInsideIt) {
  TTimeZone z;
  z.AddInterval("01:00", "02:00", DaysOf({1}));
  std::uint8_t area[14];
  std::fill(std::begin(area), std::end(area), 0xA0);
  z.ToReaderBlock(area, 12);
  EXPECT_EQ(area[0], 10);
  EXPECT_EQ(area[1], 20);
  EXPECT_EQ(area[2], 0xA1);  // mask bits added to what the caller put there
  EXPECT_EQ(area[12], 0xA0);
  EXPECT_EQ(area[13], 0xA0);
  std::uint8_t small[4] = {0, 0, 0, 0x55};
  z.ToReaderBlock(small, 3);
  EXPECT_EQ(small[3], 0x55);
}

}  // namespace
}  // namespace zv
