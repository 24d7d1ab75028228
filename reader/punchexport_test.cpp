// The punch export: a year of punches as polling writes them (range, pivot, row for row), and
// lines edited by hand or damaged (read where they are whole, else reported and skipped).
#include <gtest/gtest.h>

#include <ctime>
#include <sstream>

#include "reader/polling.h"
#include "reader/punchexport.h"

namespace zv {
namespace {

struct TEl {
  std::uint8_t b[kDataLogElementSize] = {};
};

// A type 7 punch (or any type) of user `user` (BCD, up to 4 digits) at the given time.
TEl El(std::int32_t type, std::int32_t code, const std::tm& t, int user, std::uint32_t data) {
  TEl e;
  e.b[2] = static_cast<std::uint8_t>(t.tm_min);
  e.b[3] = static_cast<std::uint8_t>(t.tm_hour);
  e.b[4] = static_cast<std::uint8_t>(t.tm_mday);
  e.b[5] = static_cast<std::uint8_t>(t.tm_mon + 1);
  e.b[6] = static_cast<std::uint8_t>(t.tm_year % 100);
  for (int i = 0; i < 4; ++i) {
    e.b[8 + i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(type) >> (8 * i));
    e.b[20 + i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(code) >> (8 * i));
    e.b[24 + i] = static_cast<std::uint8_t>(data >> (24 - 8 * i));
  }
  e.b[15] = static_cast<std::uint8_t>((user / 1000 % 10) << 4 | (user / 100 % 10));
  e.b[16] = static_cast<std::uint8_t>((user / 10 % 10) << 4 | (user % 10));
  return e;
}

std::tm Day(int year, int month, int day, int hour, int minute) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  timegm(&t);  // normalises day 32 into the next month
  return t;
}

struct TRun {
  std::string csv;
  TExportResult res;
};

TRun Export(const std::string& punch, int from, int to, const std::string* sys = nullptr) {
  std::istringstream p(punch), s(sys ? *sys : "");
  TRun r;
  r.res = ExportPunches(p, "Punch.Log", sys ? &s : nullptr, "Sys.Log", from, to,
                        [&](const std::string& piece) {
                          r.csv += piece;
                          return true;
                        });
  return r;
}

TEST(PunchExport, AYearOfPunchesIsCutByDateRowForRow) {
  // Every day of 2026, three users punching in and out at two clocks, and a type 15 group each
  // Monday; the log as polling writes it, CR LF.
  std::string log, february;
  std::size_t all = 0;
  for (int d = 0; d < 365; ++d) {
    for (int user = 1; user <= 3; ++user) {
      for (int hour : {8, 17}) {
        std::tm t = Day(2026, 1, 1 + d, hour, user * 7);
        TEl e = El(7, hour == 8 ? 0x12 : 0x13, t, user * 100 + 5, user == 2 ? 0xFFFFFFFF : 0x01020304);
        log += PunchLine(std::to_string(user == 3 ? 12 : 1), std::to_string(user), e.b) + "\r\n";
        ++all;
        if (t.tm_mon == 1) {
          char row[128];
          std::snprintf(row, sizeof row, "2026-02-%02d,%02d:%02d,%d,%d,000000%04d,7,%X,%s,\r\n", t.tm_mday,
                        hour, user * 7, user == 3 ? 12 : 1, user, user * 100 + 5, hour == 8 ? 0x12 : 0x13,
                        user == 2 ? "" : "0001020304");
          february += row;
        }
      }
    }
    std::tm t = Day(2026, 1, 1 + d, 12, 0);
    if (t.tm_wday == 1) {
      TType15Group g;
      std::string line;
      TEl first = El(15, 21, t, 42, 0x11223344), second = El(15, 8, t, 42, 0x05001E00),
          third = El(15, 0, t, 42, 0xFFFFFFFF);
      g.Add(" 1", " 1", first.b, line);
      g.Add(" 1", " 1", second.b, line);
      ASSERT_TRUE(g.Add(" 1", " 1", third.b, line));
      log += line + "\r\n";
      ++all;
      if (t.tm_mon == 1)
        february += "2026-02-" + std::string(t.tm_mday < 10 ? "0" : "") + std::to_string(t.tm_mday) +
                    ",12:00,1,1,0000000042,15,8,,+0005:30\r\n";
    }
  }
  TRun feb = Export(log, 20260201, 20260228);
  EXPECT_EQ(feb.res.Damaged, 0u) << feb.res.Messages[0];
  EXPECT_EQ(feb.csv, "date,time,site,clock,user,type,code,data,value\r\n" + february);
  TRun year = Export(log, 20260101, 20261231);
  EXPECT_EQ(year.res.Rows, all);
  EXPECT_EQ(Export(log, 20270101, 20991231).res.Rows, 0u);
}

TEST(PunchExport, TwoDigitYearsPivotAndDatesAreChecked) {
  std::string log;
  for (int y : {1969, 1999, 2000, 2068})
    log += PunchLine("1", "1", El(7, 1, Day(y, 12, 31, 9, 0), 1, 0xFFFFFFFF).b) + "\r\n";
  TRun r = Export(log, 19991231, 20001231);
  EXPECT_EQ(r.csv.substr(r.csv.find('\n') + 1),
            "1999-12-31,09:00,1,1,0000000001,7,01,,\r\n2000-12-31,09:00,1,1,0000000001,7,01,,\r\n");
  EXPECT_EQ(Export(log, 19690101, 20681231).res.Rows, 4u);

  int d = 0;
  EXPECT_TRUE(ParseIsoDate("2024-02-29", d));
  EXPECT_EQ(d, 20240229);
  for (const char* bad : {"2026-02-29", "2026-13-01", "2026-1-01", "26-01-01", "2026/01/01",
                          "2026-01-01x", "", "2026-00-10", "+026-01-01"})
    EXPECT_FALSE(ParseIsoDate(bad, d)) << bad;
}

TEST(PunchExport, HandEditedLinesAreReadAndDamagedOnesReportedByLineNumber) {
  const std::string machine = PunchLine("1", "2", El(7, 0x12, Day(2026, 3, 2, 8, 5), 42, 0xFFFFFFFF).b);
  struct TCase {
    std::string line;
    std::string row;  // the CSV row, or the reason the line is skipped
  } cases[] = {
      {machine, "2026-03-02,08:05,1,2,0000000042,7,12,,"},
      // Edited by hand: padding gone, leading zeros, the trailing fields cut, blanks added.
      {"1,2,12,0000000042,,8,5,3,2,26", "2026-03-02,08:05,1,2,0000000042,7,12,,"},
      {"001 , 02 ,  12 , 42 ,0001020304, 8, 5, 3, 2,26,", "2026-03-02,08:05,1,2,42,7,12,0001020304,"},
      {"", ""},  // blank lines are passed over
      {"   \t", ""},
      // Damaged: each skipped, none guessed.
      {machine.substr(0, 30), "not a punch line (wrong number of fields)"},
      {" 1, 2,12,0000000042,          , 8, 5, 2,30,26,", "no valid date"},
      {" 1, 2,12,0000000042,          ,24, 5, 3, 2,26,", "no valid time"},
      {" 1, 2,12,00000000G2,          , 8, 5, 3, 2,26,", "no valid user id"},
      {" x, 2,12,0000000042,          , 8, 5, 3, 2,26,", "no valid site"},
      {" 1, 2,12,0000000042,          , 8, 5, 3, 2,26,  ,  ,  ,  ,  ,          ,          , junk   ,",
       "not a punch line (text after the punch)"},
      {" 1, 2, 8,0000000042,          , 8,05, 3, 2,26, 8,  , 3, 2,26,0000000042,          ,        ,",
       "not a punch line (a group's first time is incomplete)"},
      {std::string("\0\0\0\0", 4), "not a punch line (wrong number of fields)"},
  };
  std::string log, want = CsvHeader(), messages;
  int n = 0;
  for (const TCase& c : cases) {
    log += c.line + "\r\n";
    ++n;
    if (c.row.rfind("2026", 0) == 0)
      want += c.row + "\r\n";
    else if (!c.row.empty())
      messages += "Punch.Log line " + std::to_string(n) + ": " + c.row + ", skipped\n";
  }
  TRun r = Export(log, 20260101, 20261231);
  EXPECT_EQ(r.csv, want);
  std::string got;
  for (const std::string& m : r.res.Messages) got += m + "\n";
  EXPECT_EQ(got, messages);
  EXPECT_EQ(r.res.Damaged, 8u);
}

TEST(PunchExport, EventsFromTheSystemLogFollowAndAFailedWriteStops) {
  std::string punch = PunchLine("1", "1", El(7, 1, Day(2026, 5, 4, 7, 30), 9, 0xFFFFFFFF).b) + "\r\n";
  std::string sys = EventLine("1", "1", El(3, 0x0102, Day(2026, 5, 4, 7, 31), 9, 0xAABBCCDD).b) + "\r\n" +
                    EventLine("1", "1", El(16, -1, Day(2026, 5, 4, 7, 32), 9, 0xFFFFFFFF).b) + "\r\n" +
                    " 1, 1,  3,0000000009,          , 7:31\r\n";
  TRun r = Export(punch, 20260504, 20260504, &sys);
  EXPECT_EQ(r.csv, CsvHeader() + "2026-05-04,07:30,1,1,0000000009,7,01,,\r\n"
                                 "2026-05-04,07:31,1,1,0000000009,3,,02010000AA,\r\n"
                                 "2026-05-04,07:32,1,1,0000000009,16,,,\r\n");
  ASSERT_EQ(r.res.Messages.size(), 1u);
  EXPECT_EQ(r.res.Messages[0], "Sys.Log line 3: not an event line (wrong number of fields), skipped");

  std::istringstream p(punch);
  TExportResult failed = ExportPunches(p, "Punch.Log", nullptr, "", 0, 99999999,
                                       [](const std::string&) { return false; });
  EXPECT_TRUE(failed.WriteFailed);
}

}  // namespace
}  // namespace zv
