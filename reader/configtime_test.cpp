// Send configuration and send time against the stand-in library: which failure stops the
// step where, the time a reader gets at calendar edges, and menu files that must not be read.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>

#include "reader/configtime.h"
#include "reader/engine.h"
#include "reader/entryops.h"
#include "reader/testing/fakehost.h"
#include "util/clock.h"
#include "util/fileio.h"

namespace zv::test {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class ConfigTimeTest : public EngineTest {
 protected:
  void OneClock(const std::string& tza, const std::string& menu = "") {
    LoadSites({"5, , , , , , " + tza + ", 127.0.0.2, net"});
    LoadClocks({"5, 1, " + menu});
  }
};

// Expected lines after the reader information line, "|" between lines.
struct TFailureCase {
  const char* op;        // "C" or "T"
  const char* failing;   // entry point that reports failure every time ("" none)
  const char* lines;
  const char* notCalled; // an entry point that must not be reached after the failure
};

TEST_F(ConfigTimeTest, FailuresStopTheStepInOrder) {
  const TFailureCase cases[] = {
      {"C", "", "Retrieving setup for modification.|WARNING: No configuration defined, using defaults.|"
                "Sending updated configuration.|Configuration sent.|Downloading timezones.|"
                "Downloading bell schedule.|No menu specified, clearing existing menu.", ""},
      {"C", "rdrGetSetupData", "Retrieving setup for modification.|Failed to retrive setup for modification.|"
                               "Failed to download configuration", "rdrHereIsSetupData"},
      {"C", "rdrHereIsSetupData", "Retrieving setup for modification.|WARNING: No configuration defined, using defaults.|"
                                  "Sending updated configuration.|Failed to download setup after modification.|"
                                  "Failed to download configuration", "rdrUpdateNVRam"},
      {"C", "rdrUpdateNVRam", "Retrieving setup for modification.|WARNING: No configuration defined, using defaults.|"
                              "Sending updated configuration.|Failed to download setup after modification.|"
                              "Failed to download configuration", "rdrSetTimeZoneTable"},
      {"C", "rdrSetTimeZoneTable", "Configuration sent.|Downloading timezones.|Failed to download configuration",
       "rdrSetBellSchedule"},
      {"C", "rdrSetBellSchedule", "Downloading timezones.|Downloading bell schedule.|Failed to download configuration",
       "rdrHereIsFkeyData"},
      {"C", "rdrHereIsFkeyData", "Downloading bell schedule.|No menu specified, clearing existing menu.|"
                                 "Failed to download menu", ""},
      {"T", "", "Sending time and date.|Downloading time and date.|Time and date sent.", ""},
      {"T", "rdrHereIsTime", "Sending time and date.|Downloading time and date.|Failed to set time",
       "rdrHereIsDisplayMessage"},
      // The display message's result does not count.
      {"T", "rdrHereIsDisplayMessage", "Sending time and date.|Downloading time and date.|Time and date sent.", ""},
  };
  ASSERT_TRUE(WriteFileAtomic(Dir + "empty.bin", ""));
  for (const TFailureCase& c : cases) {
    SCOPED_TRACE(std::string(c.op) + " failing " + c.failing);
    Fake.reset();
    Host.Lines.clear();
    OneClock("0");
    if (*c.failing) Fake.set_result(c.failing, 1);
    std::vector<TSite*> sites = AllSites();
    EXPECT_TRUE(*c.op == 'C' ? ConfigureSites(sites, "") : SetTimeSites(sites, ""));
    std::string want;
    for (const char* p = c.lines; *p;) {
      const char* bar = std::strchr(p, '|');
      std::string line(p, bar ? bar : p + std::strlen(p));
      want += "Site 5, Clock 1: " + line + "\n";
      p = bar ? bar + 1 : p + std::strlen(p);
    }
    EXPECT_THAT(Window(), HasSubstr(want));
    std::string last = want.substr(want.rfind("Site 5", want.size() - 2));
    if (last.find("Failed") != std::string::npos) {
      // Failures are in Error.Log as well; progress lines are not.
      EXPECT_THAT(ReadFile("Error.Log"), HasSubstr(last.substr(0, last.size() - 1) + "\r\n"));
      EXPECT_THAT(ReadFile("Error.Log"), Not(HasSubstr("Downloading")));
    }
    if (*c.notCalled) {
      EXPECT_EQ(Fake.count(c.notCalled), 0);
    }
    EngineClose();
  }
}

// The reader gets the site's wall-clock time: local time plus the site's hours, across
// midnight, month and year ends, in both directions; 1999 and 2005 as two digits.
TEST_F(ConfigTimeTest, SiteTimeAtCalendarEdges) {
  struct {
    int y, mo, d, h, mi, s;
    const char* tza;
    const char* record;  // second, minute, hour, day, month, year
  } cases[] = {
      {1999, 12, 31, 23, 30, 15, "1", "15,30,0,1,1,0"},
      {2000, 1, 1, 0, 30, 0, "-1", "0,30,23,31,12,99"},
      {2005, 3, 1, 0, 10, 59, "-1", "59,10,23,28,2,5"},
      {2004, 2, 28, 23, 0, 0, "2", "0,0,1,29,2,4"},   // a leap day
      {2026, 4, 30, 22, 5, 0, "+3", "0,5,1,1,5,26"},   // a month end forward
      {2026, 12, 8, 12, 0, 0, "-36", "0,0,0,7,12,26"},
      {2026, 12, 8, 12, 0, 0, "", "0,0,12,8,12,26"},
      {2026, 12, 8, 12, 0, 0, "x", "0,0,12,8,12,26"},
      {2026, 12, 8, 12, 0, 0, "99999999999", "0,0,12,8,12,26"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("tza ") + c.tza + " at " + std::to_string(c.y) + "-" + std::to_string(c.mo));
    Fake.reset();
    Host.Lines.clear();
    std::tm t{};
    t.tm_year = c.y - 1900;
    t.tm_mon = c.mo - 1;
    t.tm_mday = c.d;
    t.tm_hour = c.h;
    t.tm_min = c.mi;
    t.tm_sec = c.s;
    t.tm_isdst = -1;
    TTestClock clock(std::mktime(&t));
    OneClock(c.tza);
    EXPECT_TRUE(SetTimeSites(AllSites(), ""));
    EXPECT_THAT(Calls(), HasSubstr(std::string("rdrHereIsTime(") + c.record + ")\n" +
                                   "rdrHereIsDisplayMessage(TIME SET" + std::string(24, ' ') + ")\n"));
    EngineClose();
  }
}

TEST_F(ConfigTimeTest, AYearTheRecordCannotHoldIsNotSent) {
  std::tm t{};
  t.tm_year = 2099 - 1900;
  t.tm_mon = 11;
  t.tm_mday = 31;
  t.tm_hour = 12;
  t.tm_isdst = -1;
  TTestClock clock(std::mktime(&t));
  OneClock("2147483647");
  EXPECT_TRUE(SetTimeSites(AllSites(), ""));
  EXPECT_THAT(Window(), HasSubstr("Site 5, Clock 1: Failed to set time\n"));
  EXPECT_EQ(Fake.count("rdrHereIsTime"), 0);
}

TEST_F(ConfigTimeTest, MenuFiles) {
  std::string big(5000, 'B');
  big[4095] = 'E';
  ASSERT_TRUE(WriteFileAtomic(Dir + "Short.BIN", "F1"));
  ASSERT_TRUE(WriteFileAtomic(Dir + "big.bin", big));
  ASSERT_TRUE(ForceDirectories(Dir + "sub/"));
  ASSERT_TRUE(ForceDirectories(Dir + "menudir.bin/"));
  ASSERT_TRUE(WriteFileAtomic(Dir + "sub/in.bin", "SUB"));
  ASSERT_EQ(mkfifo((Dir + "pipe.bin").c_str(), 0600), 0);
  struct {
    const char* name;
    bool ok;
    const char* head;  // the block's first bytes
  } cases[] = {
      {"short.bin", true, "F1\0\0"},      // found whatever its case, zeros after its end
      {"big.bin", true, "BBBB"},
      {"missing.bin", false, ""},
      {"menudir.bin", false, ""},
      {"pipe.bin", false, ""},           // a FIFO nobody writes to: refused, not waited on
      {"sub/in.bin", false, ""},         // would leave the directory the name is joined to
      {"../big.bin", false, ""},
      {"..", false, ""},
      {"sub\\in.bin", false, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::uint8_t block[kFkeyDataSize];
    std::memset(block, 0x77, sizeof block);
    std::string dir = std::string(c.name).rfind("../", 0) == 0 ? Dir + "sub/" : Dir;
    EXPECT_EQ(ReadMenuBlock(dir, c.name, block), c.ok);
    EXPECT_EQ(std::memcmp(block, c.ok ? c.head : "\0\0\0\0", 4), 0);
  }
  std::uint8_t block[kFkeyDataSize];
  ASSERT_TRUE(ReadMenuBlock(Dir, "big.bin", block));
  EXPECT_EQ(block[4095], 'E');
  ASSERT_TRUE(ReadMenuBlock(Dir, "short.bin", block));
  for (std::size_t i = 2; i < kFkeyDataSize; ++i) ASSERT_EQ(block[i], 0) << i;
  EXPECT_EQ(MenuFileName("  Menu1.BIN "), "menu1.bin");
  EXPECT_EQ(MenuFileName("   "), "empty.bin");
}

}  // namespace
}  // namespace zv::test
