#include "util/numbers.h"

#include <gtest/gtest.h>

namespace zv {

TEST(NumbersTest, NormalizeNumber) {
  EXPECT_EQ(NormalizeNumber("007"), "7");
  EXPECT_EQ(NormalizeNumber("000"), "0");
  EXPECT_EQ(NormalizeNumber("0"), "0");
  EXPECT_EQ(NormalizeNumber(" 12 "), "12");
  EXPECT_EQ(NormalizeNumber("   "), "0");
  EXPECT_EQ(NormalizeNumber(""), "");
  EXPECT_EQ(NormalizeNumber("abc"), "abc");
  EXPECT_EQ(NormalizeNumber("00 7"), "7");
  // Zeros and blanks in turn: normalising once more must change nothing.
  EXPECT_EQ(NormalizeNumber("0\x14\x14" "07"), "7");
  EXPECT_EQ(NormalizeNumber("0 0\t0 5"), "5");
  EXPECT_EQ(NormalizeNumber("0 0 "), "0");
}

TEST(NumbersTest, ValidTimes) {
  for (const char* t : {"0", "23", "0:0", "23:59", "59", "2358", "730", "1:30", "24", "100"})
    EXPECT_TRUE(IsValidTime(t)) << t;
  for (const char* t : {"24:00", "2359", "12:60", "", "abc", "160", "-5", ":", "1:", "9999999999999999999999"})
    EXPECT_FALSE(IsValidTime(t)) << t;
}

TEST(NumbersTest, TimeToMinutesReadsEachForm) {
  EXPECT_EQ(TimeToMinutes("1:30"), 90);
  EXPECT_EQ(TimeToMinutes("130"), 90);
  EXPECT_EQ(TimeToMinutes("90"), 90);
  EXPECT_EQ(TimeToMinutes("7"), 420);
  EXPECT_EQ(TimeToMinutes("45"), 45);
  EXPECT_EQ(TimeToMinutes("1245"), 765);
  EXPECT_EQ(TimeToMinutes("abc"), 0);
  EXPECT_EQ(TimeToMinutes("2359"), 0);
}

TEST(NumbersTest, MinutesToTime) {
  EXPECT_EQ(MinutesToTime(75), "01:15");
  EXPECT_EQ(MinutesToTime(0), "00:00");
  EXPECT_EQ(MinutesToTime(1439), "23:59");
}

TEST(NumbersTest, ColonFields) {
  EXPECT_EQ(JoinColonFields("", "1", "2", "3"), "");
  EXPECT_EQ(JoinColonFields("3", "1", "", "2"), "3:1::2");
  TColonFields f = SplitColonFields("01:02::4");
  EXPECT_EQ(f.a, "1");
  EXPECT_EQ(f.b, "2");
  EXPECT_EQ(f.c, "4");
  EXPECT_EQ(f.d, "");
  TColonFields e = SplitColonFields("");
  EXPECT_EQ(e.a, "");
}

TEST(NumbersTest, InRangeIsInclusive) {
  EXPECT_TRUE(InRange(1, 1, 60));
  EXPECT_TRUE(InRange(60, 1, 60));
  EXPECT_FALSE(InRange(61, 1, 60));
}

}  // namespace zv
