#include "data/bell.h"

#include <gtest/gtest.h>

#include <vector>

namespace zv {
namespace {

std::string DaysText(const TBell& b) {
  std::string s;
  for (int d = 0; d < 8; ++d) s += b.Day(d) ? '1' : '0';
  return s;
}

TEST(BellLineReaderTest, AcceptsAndNormalizesGoodLines) {
  TBellSchedule s;
  s.ReadBellLine("8 5");
  s.ReadBellLine("830 05 2 3 4 5 6");
  s.ReadBellLine("07:30 3 2 9 4");     // 9 is not a day
  s.ReadBellLine("23:59 31 1 1 8 x");  // repeated and bad days skipped
  ASSERT_EQ(s.Count(), 4);
  EXPECT_EQ(s.Items(0)->Time(), "08:00");
  EXPECT_EQ(s.Items(0)->Duration(), "5");
  EXPECT_EQ(DaysText(*s.Items(0)), "11111111");  // no day: every day, holidays too
  EXPECT_EQ(s.Items(1)->Time(), "08:30");
  EXPECT_EQ(s.Items(1)->Duration(), "5");
  EXPECT_EQ(DaysText(*s.Items(1)), "01111100");
  EXPECT_EQ(DaysText(*s.Items(2)), "01010000");
  EXPECT_EQ(DaysText(*s.Items(3)), "10000001");
}

TEST(BellLineReaderTest, IgnoresBadTimesAndDurationsAndKeepsDuplicates) {
  TBellSchedule s;
  for (const char* bad : {"8 0", "8 32", "8 x", "8", "25:00 5", "2359 5", "", "abc 5"}) s.ReadBellLine(bad);
  EXPECT_EQ(s.Count(), 0);
  s.ReadBellLine("8:00 1");
  s.ReadBellLine("08:00 2");
  EXPECT_EQ(s.Count(), 2);
  EXPECT_EQ(s.FindBell("08:00")->Duration(), "1");  // the first of the two
  EXPECT_EQ(s.FindBell("8:00"), nullptr);           // compared exactly
}

TEST(BellTest, LineFormsForTheFileAndTheDialog) {
  TBell b;
  TDayFlags weekdays{false, true, true, true, true, true, false, false};
  b.Set("08:00", "5", weekdays);
  EXPECT_EQ(b.BellLine(), "08:00 5 2 3 4 5 6");
  const std::string shown = b.DisplayLine();
  EXPECT_EQ(shown, "08:00      5       X    X    X   X    X         ");
  EXPECT_EQ(shown.size(), 48u);
  b.SetTime("24:00");
  EXPECT_EQ(b.BellLine(), "");
}

TEST(BellScheduleTest, RemoveFreesOnlyItsOwnBells) {
  TBellSchedule s;
  s.ReadBellLine("8 5");
  s.ReadBellLine("9 5");
  TBell stranger;
  EXPECT_FALSE(s.Remove(&stranger));
  EXPECT_TRUE(s.Remove(s.Items(0)));
  ASSERT_EQ(s.Count(), 1);
  EXPECT_EQ(s.Items(0)->Time(), "09:00");
  auto lines = s.DisplayLines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].second, s.Items(0));
}

TEST(BellScheduleTest, ReaderBlockBytesWorkedOutByHand) {
  TBellSchedule s;
  s.ReadBellLine("08:30 5 2 3 4 5 6");  // 30, 8, 5, bits 1-5
  s.ReadBellLine("23:59 31");           // 59, 23, 31, every day
  auto extra = std::make_unique<TBell>();
  extra->Set("bad", "x", TDayFlags{true});  // invalid time and duration: 0, 0, 0, Sunday
  s.Add(std::move(extra));
  std::vector<std::uint8_t> area(TBellSchedule::kReaderBlockSize, 0);
  EXPECT_EQ(s.ToReaderBlock(area.data(), area.size()), 3);
  const std::vector<std::uint8_t> head = {30, 8, 5, 0x3E, 59, 23, 31, 0xFF, 0, 0, 0, 0x01, 0};
  EXPECT_EQ(std::vector<std::uint8_t>(area.begin(), area.begin() + 13), head);
}

TEST(BellScheduleTest, DurationsBeyondAByteAreClampedNotWrapped) {
  TBellSchedule s;
  auto b = std::make_unique<TBell>();
  b->Set("01:00", "300", TDayFlags{});
  s.Add(std::move(b));
  auto n = std::make_unique<TBell>();
  n->Set("02:00", "-4", TDayFlags{});
  s.Add(std::move(n));
  std::uint8_t area[8] = {};
  s.ToReaderBlock(area, sizeof area);
  EXPECT_EQ(area[2], 255);
  EXPECT_EQ(area[6], 0);
}

TEST(BellScheduleTest, MoreThanAHundredBellsNeverWriteOutsideTheBlock) {
  TBellSchedule s;
  for (int i = 0; i < 130; ++i) s.ReadBellLine(std::to_string(i % 24) + ":" + std::to_string(i % 60) + " 1 1");
  // Guard bytes around the 400-byte table must stay untouched.
  std::vector<std::uint8_t> buf(TBellSchedule::kReaderBlockSize + 16, 0xCC);
  std::fill(buf.begin() + 8, buf.begin() + 8 + TBellSchedule::kReaderBlockSize, 0);
  EXPECT_EQ(s.ToReaderBlock(buf.data() + 8, TBellSchedule::kReaderBlockSize), 100);
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(buf[static_cast<std::size_t>(i)], 0xCC);
    EXPECT_EQ(buf[buf.size() - 1 - static_cast<std::size_t>(i)], 0xCC);
  }
  // Bell 99 (the hundredth) is the last one converted: 99 % 24 = 3 h, 99 % 60 = 39 min.
  EXPECT_EQ(buf[8 + 396], 39);
  EXPECT_EQ(buf[8 + 397], 3);
  // A smaller area takes only the bells that fit whole.
  std::uint8_t small[10] = {};
  EXPECT_EQ(s.ToReaderBlock(small, 10), 2);
  EXPECT_EQ(small[8], 0);
  EXPECT_EQ(small[9], 0);
}

}  // namespace
}  // namespace zv
