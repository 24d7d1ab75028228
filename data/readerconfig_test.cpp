#include "data/readerconfig.h"

#include <gtest/gtest.h>

namespace zv {
namespace {

TEST(ReaderConfigTest, DaylightSavingPartsAreJoinedAndSplit) {
  TReaderConfig c;
  c.SetDlsStart("4", "1", "2", "0");
  EXPECT_EQ(c.DlsStart(), "4:1:2:0");
  TColonFields f = c.GetDlsStart();
  EXPECT_EQ(f.a, "4");
  EXPECT_EQ(f.b, "1");
  EXPECT_EQ(f.c, "2");
  EXPECT_EQ(f.d, "0");

  c.SetDlsEnd("04", "01", "02", "00");  // parts are stored as given
  EXPECT_EQ(c.DlsEnd(), "04:01:02:00");
  f = c.GetDlsEnd();
  EXPECT_EQ(f.a + "|" + f.b + "|" + f.c + "|" + f.d, "4|1|2|0");
  EXPECT_EQ(c.DlsValue(), "4:1:2:0 04:01:02:00");

  c.SetDlsEnd("4", "", "2", "0");  // the empty part vanishes when split
  f = c.GetDlsEnd();
  EXPECT_EQ(f.a + "|" + f.b + "|" + f.c + "|" + f.d, "4|2|0|");
}

TEST(ReaderConfigTest, StartWithoutMonthIsStoredEmptyAndNotWritten) {
  TReaderConfig c;
  c.SetDlsStart("", "1", "2", "0");
  c.SetDlsEnd("10", "1", "2", "0");
  EXPECT_EQ(c.DlsStart(), "");
  EXPECT_EQ(c.DlsValue(), "");
}

TEST(ReaderConfigTest, PasswordsByNumberAndCopyFromTakesAllSeventeenTexts) {
  TReaderConfig a;
  a.SetSite("12");
  a.SetClock("3");
  for (int n = 1; n <= 5; ++n) a.SetPassword(n, "00" + std::to_string(n));
  a.SetPassword(0, "x");
  a.SetPassword(6, "x");
  EXPECT_EQ(a.Password(0), "");
  EXPECT_EQ(a.Password(6), "");
  a.SetRejectThreshold("100");
  a.SetLockControl("10");
  a.SetBeeper("1");
  a.SetIdLength("9");
  a.SetPunchMode("3");
  a.SetAccessTries("6");
  a.SetBellSchedule("7");
  a.SetDlsStart("3", "8", "2", "0");
  a.SetDlsEnd("11", "1", "2", "0");
  a.SetHourDisplay("1");

  TReaderConfig b;
  b.SetPassword(2, "keep?");
  b.CopyFrom(a);
  EXPECT_EQ(b.Site(), "12");
  EXPECT_EQ(b.Clock(), "3");
  for (int n = 1; n <= 5; ++n) EXPECT_EQ(b.Password(n), "00" + std::to_string(n));
  EXPECT_EQ(b.RejectThreshold(), "100");
  EXPECT_EQ(b.LockControl(), "10");
  EXPECT_EQ(b.Beeper(), "1");
  EXPECT_EQ(b.IdLength(), "9");
  EXPECT_EQ(b.PunchMode(), "3");
  EXPECT_EQ(b.AccessTries(), "6");
  EXPECT_EQ(b.BellSchedule(), "7");
  EXPECT_EQ(b.HourDisplay(), "1");
  EXPECT_EQ(b.DlsStart(), "3:8:2:0");
  EXPECT_EQ(b.DlsEnd(), "11:1:2:0");
}

}  // namespace
}  // namespace zv
