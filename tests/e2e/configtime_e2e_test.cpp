// Send configuration (C) and send time (T) end to end: zorvan32 against the emulator, read
// back through the log window's file, Error.Log, the emulator's state and `rdremu show`.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <regex>

#include "tests/e2e/e2e_harness.h"
#include "util/fileio.h"

namespace zv::e2e {
namespace {

using ::testing::HasSubstr;

std::string NetSite(const std::string& site, const std::string& tza, int k) {
  return site + ", , , , , , " + tza + ", " + Addr(k) + ", net";
}

std::string MinutesText(int minutes) {
  char buf[16];  // room for any int, so that no build warns of a cut
  std::snprintf(buf, sizeof buf, "%02d:%02d", minutes / 60, minutes % 60);
  return buf;
}

std::string Crlf(const std::vector<std::string>& lines) {
  std::string t;
  for (const auto& l : lines) t += l + "\r\n";
  return t;
}

class ConfigTimeE2e : public TE2eTest {
 protected:
  void SetUp() override {
    TE2eTest::SetUp();
    if (!HaveEmulator()) GTEST_SKIP() << "rdremu is not built";
    Emulate({"init", State});
  }
  void Site(const std::string& site, int k, const std::vector<std::string>& faults = {}) {
    std::vector<std::string> a{"add-site", State, "--site", site, "--tcp", Addr(k) + ":3001"};
    a.insert(a.end(), faults.begin(), faults.end());
    Emulate(a);
  }
  void Reader(const std::string& site, int addr) {
    Emulate({"add-reader", State, "--site", site, "--addr", std::to_string(addr), "--model", "2", "--memory", "1"});
  }
  // `rdremu show` with the readers' running clocks masked.
  std::string Show() {
    TRunResult r = Emu({"show", State});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    std::string out = std::regex_replace(r.out, std::regex(R"(clock \S+ \S+ \(offset [-+]\d+ s\))"), "clock (running)");
    return std::regex_replace(out, std::regex(R"(tcp 127\.\d+\.\d+\.)"), "tcp 127.x.x.");
  }
  // The 144 setup bytes of a reader as the emulator keeps them.
  std::string SetupHex(int site, int addr) {
    std::vector<std::string> lines = Lines(ReadFile(State));
    bool inSite = false, inReader = false;
    for (std::string l : lines) {
      l.erase(0, l.find_first_not_of(' '));
      if (l.rfind("site ", 0) == 0) inSite = l == "site " + std::to_string(site), inReader = false;
      else if (l.rfind("reader ", 0) == 0) inReader = inSite && l == "reader " + std::to_string(addr);
      else if (inReader && l.rfind("setup ", 0) == 0) return l.substr(6);
    }
    return "";
  }
  void CompareWithGolden(const std::string& name, const std::string& actual) {
    std::string path = std::string(ZV_E2E_SOURCE_DIR) + "/golden/" + name;
    if (std::getenv("ZV_UPDATE_GOLDEN")) WriteFile(path, actual);
    EXPECT_EQ(ReadFile(path), actual) << "compare with " << path << " (ZV_UPDATE_GOLDEN=1 rewrites it)";
  }
};

// One site with a reader of every kind of configuration and menu, hand-edited nonsense
// included; one whose reader stops answering once it delivered its setup; one that stops
// before. The window's lines, Error.Log and everything each reader received are compared
// with one golden file.
TEST_F(ConfigTimeE2e, ConfigurationOfEveryKindOfClock) {
  Site("1", 2);
  for (int a = 1; a <= 9; ++a) Reader("1", a);
  Site("2", 3, {"--mute-after", "3"});
  Reader("2", 1);
  Site("3", 4, {"--mute-after", "2"});
  Reader("3", 1);
  // Bytes of reader 1's setup that the program does not manage must come back as they were.
  std::string state = ReadFile(State);
  std::size_t at = state.find("setup ") + 6;
  for (int off : {52, 87, 90, 111, 118, 124, 138, 139}) state.replace(at + 2 * off, 2, "AB");
  WriteFile(State, state);
  ASSERT_TRUE(StartEmulator());

  WriteSites({NetSite("1", "0", 2), NetSite("2", "0", 3), NetSite("3", "0", 4)});
  WriteClocks({"1, 1, Menu1.BIN", "1, 2", "1, 3, ../secret.bin", "1, 4, sub/menu.bin",
               "1, 5, menudir", "1, 6, pipe.bin", "1, 7, missing.bin", "1, 8,  big.bin ",
               "1, 9, dup.bin", "2, 1", "3, 1"});
  const std::string cfg = Crlf({
      ".Zorvan Configurations", "#rdr 1 1", "#pw 1 007", "#pw 2 0", "#pw 3 2147483647",
      "#pw 4 -12", "#pw 5 9999999999", "#rej 70000", "#lck 20000", "#bpr 0", "#idl 300",
      "#tam 3", "#try 250", "#dng 4", "#dls 3:30:2:0 10:26:3:30", "#hrt 1", "#end",
      ". letters, signs and numbers too wide for anything", "#rdr 3 1", "#pw 1 abc",
      "#pw 2 -", "#rej x", "#lck -1", "#idl 99999999999", "#dng 99", "#dls 4:0:2:0 x",
      "#hrt -1", "#end", "#rdr 4 1", "#dls 13:1:25:61 :::", "#end",
      "#tz 1", "08:00 17:00 2 3 4 5 6", "12:00 12:30 1 7 8", "#end", "#tz 60", "00:00 23:59",
      "#end", "#tz 61", "08:00 09:00 2", "#end", "#holiday", "1 1", "2 30 31", "12 25 26",
      "#end", "#bell 4", "08:00 5 2 3 4 5 6", "12:30 3", "17:00 31 8", "#end"});
  // Schedule 99, of reader 3, has more bells than a reader holds.
  std::string bells = "#bell 99\r\n";
  for (int m = 0; m < 120; ++m) bells += MinutesText(m) + " 1 2\r\n";
  bells += "#end\r\n";
  WriteFile(Data + "zv.cfg", cfg + bells);
  std::string menu = "F1 IN   F2 OUT  ";
  menu += std::string("\0\xFF\x01", 3) + "END";
  WriteFile(Data + "MENU1.bin", menu);
  WriteFile(Root + "secret.bin", "SECRET");
  ASSERT_TRUE(ForceDirectories(Data + "sub/"));
  WriteFile(Data + "sub/menu.bin", "SUB");
  ASSERT_TRUE(ForceDirectories(Data + "menudir/"));
  ASSERT_EQ(mkfifo((Data + "pipe.bin").c_str(), 0600), 0);
  std::string big(5000, 'B');
  big[4095] = 'E';
  big[4096] = 'X';  // beyond the block
  WriteFile(Data + "big.bin", big);
  WriteFile(Data + "empty.bin", "");
  // No dup.bin, and two names that differ only in case: neither is the one meant.
  WriteFile(Data + "Dup.bin", "ONE");
  WriteFile(Data + "DUP.BIN", "TWO");

  Env["ZV_TEST_NOW"] = "2026-03-15 10:00:00";
  TRunResult r = RunZorvan({"C"});
  ASSERT_FALSE(r.timedOut) << r.err;
  StopEmulator();

  std::string errors;
  for (const std::string& l : Lines(ErrorLog())) errors += std::regex_replace(l, std::regex(R"(^\d\d-\d\d-\d\d \d\d:\d\d:\d\d )"), "") + "\n";
  std::string window;
  for (const std::string& l : Lines(CommandLineLog()))
    if (l.rfind("Site ", 0) == 0) window += l + "\n";
  std::string summary = std::regex_replace(r.out, std::regex("[0-9]{8}-[0-9]{6}\\.log"), "DATE.log");
  for (std::size_t at; (at = summary.find(Data)) != std::string::npos;) summary.replace(at, Data.size(), "DATA/");
  CompareWithGolden("configtime_c.txt", "--- window\n" + window + "--- Error.Log\n" + errors +
                                            "--- summary\n" + summary + "--- rdremu show\n" + Show());
  // Sending reads zv.cfg and never rewrites it.
  EXPECT_EQ(ReadFile(Data + "zv.cfg"), cfg + bells);

  // The setup block byte by byte: passwords as decimal text padded with zeros, numbers
  // little-endian in their width, daylight-saving dates with the current year.
  struct {
    int site, addr, offset;
    const char* hex;
  } bytes[] = {
      {1, 1, 0, "35000000000000000000"},   // 9999999999 is beyond 32 bits: Security's default
      {1, 1, 10, "2D313200000000000000"},  // -12
      {1, 1, 20, "32313437343833363437"},  // 2147483647, all ten places
      {1, 1, 30, "30000000000000000000"},  // 0
      {1, 1, 40, "37000000000000000000"},  // 007 without its zeros
      {1, 1, 50, "7011"},                  // 70000 in 16 bits
      {1, 1, 52, "AB"}, {1, 1, 87, "AB"}, {1, 1, 88, "204E"}, {1, 1, 90, "AB"},
      {1, 1, 111, "AB"}, {1, 1, 112, "00000000"}, {1, 1, 116, "2C03"},  // 300 in 8 bits, punch 3
      {1, 1, 118, "AB"}, {1, 1, 124, "ABFA"},  // tries 250
      {1, 1, 126, "000002" "1E031A"},         // 3:30:2:0 in 2026
      {1, 1, 132, "001E03" "1A0A1A"},         // 10:26:3:30
      {1, 1, 138, "ABAB01000000"},            // 12-hour display
      {2, 1, 0, "35000000000000000000"},      // a reader whose setup never came back: untouched
      {1, 2, 0, "35000000000000000000" "34000000000000000000" "33000000000000000000"
                "32000000000000000000" "31000000000000000000" "7D00"},
      {1, 2, 88, "0A00"}, {1, 2, 112, "010000000B00"}, {1, 2, 125, "06" "000000000000" "000000000000"},
      {1, 2, 140, "00000000"},
      {1, 3, 30, "32000000000000000000" "31000000000000000000" "7D00"},  // "-", "abc", "x"
      {1, 3, 88, "FFFF"}, {1, 3, 116, "0B"},                           // -1; 99999999999
      {1, 3, 126, "000000000000"},                                     // day 0: six zeros
      {1, 3, 140, "FFFFFFFF"},
      {1, 4, 126, "003D19010D1A" "000000000000"},  // values past their range, stored as given
  };
  for (const auto& b : bytes) {
    std::string hex = SetupHex(b.site, b.addr);
    ASSERT_EQ(hex.size(), 288u) << b.site << "/" << b.addr;
    EXPECT_EQ(hex.substr(2 * static_cast<std::size_t>(b.offset), std::strlen(b.hex)), b.hex)
        << "site " << b.site << " reader " << b.addr << " offset " << b.offset;
  }
}

// The year 1999 ends one hour earlier at a site an hour behind and has ended at a site an
// hour ahead; 2005 is sent as 5 across a month end. A clock without menu and no empty.bin.
TEST_F(ConfigTimeE2e, TimeAtYearAndMonthEndsAndNoEmptyMenu) {
  Site("1", 2);
  Reader("1", 1);
  Site("2", 3);
  Reader("2", 1);
  Site("3", 4);
  Reader("3", 1);
  ASSERT_TRUE(StartEmulator());
  WriteSites({NetSite("1", "-1", 2), NetSite("2", "1", 3), NetSite("3", "-1", 4)});
  WriteClocks({"1, 1", "2, 1", "3, 1"});

  Env["ZV_TEST_NOW"] = "1999-12-31 23:30:00";
  TRunResult r = RunZorvan({"C1", "T"});
  ASSERT_FALSE(r.timedOut) << r.err;
  std::string log = CommandLineLog();
  EXPECT_THAT(log, HasSubstr("Site 1, Clock 1: Downloading bell schedule.\r\n"
                             "Site 1, Clock 1: No menu specified, clearing existing menu.\r\n"
                             "Site 1, Clock 1: Failed to download menu\r\n"));
  EXPECT_THAT(log, HasSubstr("Site 2, Clock 1: Sending time and date.\r\n"
                             "Site 2, Clock 1: Downloading time and date.\r\n"
                             "Site 2, Clock 1: Time and date sent.\r\n"));
  // The program's own stamps follow its clock too.
  EXPECT_EQ(CommandLineLogNames().at(0).substr(0, 13), "19991231-2330");

  for (const std::string& n : CommandLineLogNames()) unlink((Data + n).c_str());
  Env["ZV_TEST_NOW"] = "2005-03-01 00:10:00";
  r = RunZorvan({"T3"});
  ASSERT_FALSE(r.timedOut) << r.err;
  StopEmulator();

  std::string show = Show();
  std::string times;
  const std::regex timeLine(R"(time sent .*)");
  for (auto it = std::sregex_iterator(show.begin(), show.end(), timeLine);
       it != std::sregex_iterator(); ++it)
    times += std::regex_replace(it->str(), std::regex(R"(:\d\d \[\d+)"), ":ss [ss") + "\n";
  EXPECT_EQ(times,
            "time sent 12/31/99 22:30:ss [ss 30 22 31 12 99]\n"
            "time sent 01/01/00 00:30:ss [ss 30 0 1 1 0]\n"
            "time sent 02/28/05 23:10:ss [ss 10 23 28 2 5]\n");
  EXPECT_THAT(show, HasSubstr("display kind 0 value 2 \"TIME SET\""));
}

}  // namespace
}  // namespace zv::e2e
