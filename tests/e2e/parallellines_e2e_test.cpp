// Polling several lines at once, end to end: an installation of Ethernet readers at several
// addresses, two sites sharing one serial port, two sites dialling one modem, a busy modem
// and an address nobody answers, run once one line at a time and once with several lines.
// Whatever the number of lines, the files must hold the same lines: the same per clock in
// the reader's order, the same users once each, the same summary counts, and the log of the
// run each site's lines in one block.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <unistd.h>
#include <map>
#include <random>
#include <regex>
#include <set>

#include "tests/e2e/e2e_harness.h"
#include "util/fileio.h"

namespace zv::e2e {
namespace {

using TBlocks = std::map<std::string, std::vector<std::string>>;

std::string Trim(const std::string& s) {
  std::size_t a = s.find_first_not_of(' '), b = s.find_last_not_of(' ');
  return a == std::string::npos ? "" : s.substr(a, b - a + 1);
}

// Punch.Log, the day's log and Sys.Log begin each line with "site,clock,": the lines of each
// clock in the order they stand.
TBlocks ByClock(const std::string& text) {
  TBlocks out;
  for (const std::string& l : Lines(text)) {
    std::size_t a = l.find(','), b = a == std::string::npos ? a : l.find(',', a + 1);
    std::string key = b == std::string::npos ? "?" : Trim(l.substr(0, a)) + "," + Trim(l.substr(a + 1, b - a - 1));
    out[key].push_back(l);
  }
  return out;
}

// The user number of a line of trans.dat (the element's bytes 12 to 16).
std::string TransUser(const std::string& line) { return line.size() == 56 ? line.substr(24, 10) : ""; }

// trans.dat has no clock in its lines: a line whose user punched at one clock alone (as
// Punch.Log and Sys.Log of the run one line at a time tell) is that clock's, in order; the
// rest are compared as a multiset.
TBlocks TransByClock(const std::string& trans, const std::string& punchAndSys) {
  std::map<std::string, std::set<std::string>> clocksOf;
  for (const auto& [clock, lines] : ByClock(punchAndSys))
    for (const std::string& l : lines) {
      std::size_t a = l.find(',');
      a = a == std::string::npos ? a : l.find(',', a + 1);
      a = a == std::string::npos ? a : l.find(',', a + 1);
      if (a != std::string::npos && l.size() >= a + 11) clocksOf[l.substr(a + 1, 10)].insert(clock);
    }
  TBlocks out;
  for (const std::string& l : Lines(trans)) {
    auto it = clocksOf.find(TransUser(l));
    out[it != clocksOf.end() && it->second.size() == 1 ? *it->second.begin() : "?"].push_back(l);
  }
  std::sort(out["?"].begin(), out["?"].end());
  return out;
}

// A line of the log of the run that belongs to a site: "Site 7, Clock 1: ..." or "Site 9: ...".
std::string SiteOf(const std::string& line) {
  if (line.rfind("Site ", 0) != 0) return "";
  std::size_t e = line.find_first_of(",:", 5);
  return e == std::string::npos ? "" : line.substr(5, e - 5);
}

// The log of the run, split into its parameters: the lines outside the sites in order (the
// summaries name readers and sites in site order, however the lines end), and each site's
// lines as one block, which must stand together.
struct TRunLog {
  std::vector<std::string> frame;
  std::vector<TBlocks> sites;     // per parameter
  std::vector<std::string> torn;  // sites whose lines are not one block
};

TRunLog SplitRunLog(const std::string& log) {
  TRunLog out;
  std::set<std::string> ended;
  std::string current;
  for (const std::string& l : Lines(log)) {
    std::string site = SiteOf(l);
    if (l.rfind("Running command line", 0) == 0) {
      out.sites.emplace_back();
      ended.clear();
      current.clear();
    }
    if (site.empty()) {
      out.frame.push_back(l);
      if (!current.empty()) ended.insert(current);
      current.clear();
      continue;
    }
    if (out.sites.empty()) out.sites.emplace_back();
    if (site != current) {
      if (!current.empty()) ended.insert(current);
      if (ended.count(site)) out.torn.push_back(site + " at \"" + l + "\"");
      current = site;
    }
    out.sites.back()[site].push_back(l);
  }
  return out;
}

// What the run printed, without the name of the run's log: the summary of each parameter as
// it stands, its failure lines (indented, in the order they happened) sorted.
std::vector<std::string> Printed(const std::string& out) {
  std::vector<std::string> lines;
  std::size_t failures = 0;  // where the current parameter's failure lines begin
  for (const std::string& l : Lines(out)) {
    if (l.rfind("Log of the run: ", 0) == 0) continue;
    if (l.rfind("    ", 0) != 0) failures = lines.size() + 1;
    lines.push_back(l);
    std::sort(lines.begin() + static_cast<std::ptrdiff_t>(std::min(failures, lines.size())), lines.end());
  }
  return lines;
}

// Error.Log's lines without their time stamps, sorted.
std::vector<std::string> ErrorLines(const std::string& text) {
  std::vector<std::string> out;
  for (const std::string& l : Lines(text)) {
    std::size_t at = l.find("Site ");
    out.push_back(at == std::string::npos ? l : l.substr(at));
  }
  std::sort(out.begin(), out.end());
  return out;
}

// user.idx with user.dat: each id's record (24 bytes as hex), and the ids that stand twice.
std::map<std::string, std::string> StoredUsers(const std::string& idx, const std::string& dat,
                                               std::vector<std::string>& twice) {
  static const char d[] = "0123456789ABCDEF";
  std::map<std::string, std::string> out;
  std::vector<std::string> ids = Lines(idx);
  for (std::size_t i = 0; i < ids.size(); ++i) {
    std::string id = Trim(ids[i]);
    if (id.empty() || id == "0") continue;
    std::string hex;
    for (std::size_t k = 24 * i; k < 24 * i + 24 && k < dat.size(); ++k) {
      hex += d[static_cast<unsigned char>(dat[k]) >> 4];
      hex += d[static_cast<unsigned char>(dat[k]) & 15];
    }
    if (out.count(id)) twice.push_back(id);
    out[id] = hex;
  }
  return out;
}

// user.txt's user lines sorted, and the numbers that stand twice.
std::vector<std::string> UserLines(const std::string& text, std::vector<std::string>& twice) {
  std::vector<std::string> out;
  std::set<long long> seen;
  for (const std::string& l : Lines(text)) {
    if (l.empty() || l[0] == '.') continue;
    out.push_back(l);
    if (!seen.insert(std::atoll(l.c_str())).second) twice.push_back(l);
  }
  std::sort(out.begin(), out.end());
  return out;
}

struct TLinesCase {
  const char* name;
  std::vector<std::string> options;  // before the parameters
  std::string settings;              // more lines of [Zorvan32]
};
void PrintTo(const TLinesCase& c, std::ostream* os) { *os << c.name; }

class ParallelLinesTest : public TE2eTest, public ::testing::WithParamInterface<TLinesCase> {
 protected:
  void SetUp() override {
    TE2eTest::SetUp();
    if (!HaveEmulator()) GTEST_SKIP() << "rdremu is not built";
    if (!EmulatorOffers("--phone")) GTEST_SKIP() << "rdremu has no modem";
  }
  void Settings(const std::string& extra) {
    WriteFile(Root + "config/zorvan32.INI", "[Zorvan32]\r\nDataPath=" + Data +
                                                "\r\nInterCommandDelay=0\r\nSaveCommandLineLog=1\r\n"
                                                "NewUserRestriction=0\r\n" + extra);
  }
  void At(const std::string& site, int addr, std::vector<std::string> verb) {
    verb.insert(verb.begin() + 2, {"--site", site, "--addr", std::to_string(addr)});
    Emulate(verb);
  }
  void Punches(const std::string& site, int addr, int firstUser, int users, int each,
               const std::string& day) {
    for (int u = 0; u < users; ++u)
      At(site, addr, {"add-punch", State, "--user", std::to_string(firstUser + u), "--time", day + " 06:00",
                      "--count", std::to_string(each)});
  }
  // The installation (the emulator's state and the data directory's files).
  void Install();
  // The files a run leaves, read back, and the data directory emptied for the next run.
  struct TOutcome {
    TRunResult run;
    std::string log, punch, day, sys, trans, errors, users, idx, dat, pending;
  };
  TOutcome RunOnce(const std::vector<std::string>& options, const std::string& settings);
  std::string siteTxt_, clockTxt_, userTxt_;
};

// User 42 is enrolled on the readers of five lines, each time with another template and
// authority: what is kept must not depend on which line ends first.
std::vector<std::string> User42(const std::string& state, int k) {
  return {"add-user", state, "--user", "42", "--tz", "1", "--authority", std::to_string(k % 5),
          "--template", "0" + std::to_string(k) + "02030405060708090A0B"};
}

void ParallelLinesTest::Install() {
  const std::string com1 = Root + "com1", com2 = Root + "com2", com3 = Root + "com3";
  Env["RDRDLL32_COM1"] = com1;
  Env["RDRDLL32_COM2"] = com2;
  Env["RDRDLL32_COM3"] = com3;
  Emulate({"init", State});
  // Site 3: the longest line, first in site.txt, so that with several lines the others end
  // before it.
  Emulate({"add-site", State, "--site", "3", "--tcp", Addr(4) + ":3001", "--delay-ms", "5"});
  AddReader("3", 5, 2, 1);
  At("3", 5, {"add-user", State, "--user", "300", "--count", "10"});
  Punches("3", 5, 300, 10, 12, "2026-12-01");
  At("3", 5, User42(State, 5));
  At("3", 5, {"add-punch", State, "--user", "42", "--time", "2026-12-08 07:00"});
  // Site 1: every kind of element, an offline reader; user 42 enrolled here and at 2, 7, 8.
  Emulate({"add-site", State, "--site", "1", "--tcp", Addr(2) + ":3001", "--delay-ms", "2"});
  AddReader("1", 1, 2, 0);
  AddReader("1", 2, 1, 0);
  Emulate({"add-reader", State, "--site", "1", "--addr", "3", "--offline"});
  At("1", 1, User42(State, 1));
  At("1", 1, {"add-user", State, "--user", "100", "--count", "5"});
  Punches("1", 1, 100, 5, 6, "2026-12-02");
  At("1", 1, {"add-punch", State, "--user", "42", "--code", "18", "--time", "2026-12-08 08:05"});
  At("1", 2, {"add-user", State, "--user", "7", "--authority", "1"});
  At("1", 2, {"add-user", State, "--user", "44", "--authority", "2"});
  At("1", 2, {"add-punch", State, "--user", "7", "--code", "153", "--time", "2026-01-09 07:00"});
  At("1", 2, {"add-event", State, "--type", "1", "--user", "43", "--time", "2026-12-08 09:01"});
  At("1", 2, {"add-event", State, "--type", "16", "--user", "44", "--code", "258", "--data", "0A0B0C0D",
              "--time", "2026-12-08 19:03"});
  At("1", 2, {"add-group", State, "--subtype", "21", "--user", "44", "--code", "8", "--value", "5", "--byte",
              "30", "--data", "01020304", "--time", "2026-12-08 10:00"});
  At("1", 2, {"add-group", State, "--subtype", "4", "--user", "44", "--code", "100", "--data", "11223344",
              "--time", "2026-12-08 10:02"});
  At("1", 2, {"add-punch", State, "--user", "44", "--time", "2026-12-08 10:03", "--count", "3"});
  // Site 2: a second Ethernet line.
  Emulate({"add-site", State, "--site", "2", "--tcp", Addr(3) + ":3001", "--delay-ms", "2"});
  AddReader("2", 1, 2, 1);
  At("2", 1, User42(State, 2));
  At("2", 1, {"add-user", State, "--user", "200", "--count", "4"});
  Punches("2", 1, 200, 4, 8, "2026-12-03");
  At("2", 1, {"add-punch", State, "--user", "42", "--time", "2026-12-08 12:00", "--count", "2"});
  // Sites 7 and 17 share the serial port COM1: the emulator's site 7 answers for both.
  Emulate({"add-site", State, "--site", "7", "--serial", com1});
  for (int a : {1, 2, 3}) AddReader("7", a, 2, 1);
  At("7", 1, User42(State, 3));
  At("7", 1, {"add-user", State, "--user", "700", "--count", "3"});
  Punches("7", 1, 700, 3, 7, "2026-12-04");
  At("7", 1, {"add-punch", State, "--user", "42", "--time", "2026-12-08 13:00"});
  At("7", 2, {"add-user", State, "--user", "720", "--count", "2"});
  Punches("7", 2, 720, 2, 5, "2026-12-04");
  At("7", 3, {"add-user", State, "--user", "1700", "--count", "2"});
  Punches("7", 3, 1700, 2, 6, "2026-12-05");
  // Site 8 behind a modem on COM2; site 9's modem on COM3 is busy; nothing answers site 10.
  Emulate({"add-site", State, "--site", "8", "--serial", com2, "--phone", "5551234"});
  AddReader("8", 2, 1, 2);
  At("8", 2, User42(State, 4));
  At("8", 2, {"add-user", State, "--user", "800", "--count", "3"});
  Punches("8", 2, 800, 3, 5, "2026-12-06");
  At("8", 2, {"add-punch", State, "--user", "42", "--time", "2026-12-08 14:00"});
  // Site 18 dials the same modem on COM2: its reader is the emulator's site 8, address 3.
  AddReader("8", 3, 2, 1);
  At("8", 3, {"add-user", State, "--user", "1800", "--count", "2"});
  Punches("8", 3, 1800, 2, 4, "2026-12-07");
  Emulate({"add-site", State, "--site", "9", "--serial", com3, "--phone", "5559999", "--modem-answer", "BUSY"});
  AddReader("9", 1, 0, 0);

  WriteSites({NetSite("3", Addr(4)), NetSite("1", Addr(2)), NetSite("2", Addr(3)),
              "7, 1, 9600, , , , 0, , serial", "17, 1, 9600, , , , 0, , serial shared",
              "8, 2, 9600, AT&F, 9, 5551234, 0, , modem",
              "18, 2, 9600, AT&F, 9, 5551234, 0, , modem shared", "9, 3, 2400, , 9, 5559999, 0, , busy modem",
              NetSite("10", Addr(5))});
  WriteClocks({"3, 5", "1, 1", "1, 2", "1, 3", "2, 1", "7, 1", "7, 2", "17, 3", "8, 2", "18, 3", "9, 1", "10, 1"});
  // User 7 is known already; the rest are new.
  WriteFile(Data + "user.txt", ".ID\r\n.--\r\n       0007,  12,       100,         ,         1, Known\r\n");
  siteTxt_ = ReadFile(Data + "site.txt");
  clockTxt_ = ReadFile(Data + "clock.txt");
  userTxt_ = ReadFile(Data + "user.txt");
  ASSERT_EQ(std::system(("cp '" + State + "' '" + State + ".orig'").c_str()), 0);
}

ParallelLinesTest::TOutcome ParallelLinesTest::RunOnce(const std::vector<std::string>& options,
                                                       const std::string& settings) {
  TOutcome o;
  // A fresh data directory and the emulator as it was installed.
  EXPECT_EQ(std::system(("rm -rf '" + Data + "' && mkdir '" + Data + "' && cp '" + State + ".orig' '" +
                         State + "'").c_str()), 0);
  WriteFile(Data + "site.txt", siteTxt_);
  WriteFile(Data + "clock.txt", clockTxt_);
  WriteFile(Data + "user.txt", userTxt_);
  Settings(settings);
  if (!StartEmulator()) return o;
  std::vector<std::string> params = options;
  for (const char* p : {"X", "P", "P1"}) params.push_back(p);
  const std::string before = DayLogName();
  o.run = RunZorvan(params, 120);
  StopEmulator();
  std::string day = DayLogName() == before || FileExists(Data + before) ? before : DayLogName();
  o.log = CommandLineLog();
  o.punch = ReadFile(Data + "Punch.Log");
  o.day = ReadFile(Data + day);
  o.sys = ReadFile(Data + "Sys.Log");
  o.trans = ReadFile(Data + "trans.dat");
  o.errors = ErrorLog();
  o.users = ReadFile(Data + "user.txt");
  o.idx = ReadFile(Data + "user.idx");
  o.dat = ReadFile(Data + "user.dat");
  o.pending = ReadFile(Data + "users.pending");
  return o;
}

// Every text file the poll appends to ends with a whole line.
void ExpectWholeLines(const std::string& name, const std::string& text) {
  EXPECT_TRUE(text.empty() || (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0))
      << name << " ends in a half line";
  for (const std::string& l : Lines(text)) EXPECT_FALSE(l.empty()) << name << " holds an empty line";
}

TEST_P(ParallelLinesTest, SeveralLinesWriteWhatOneLineWrites) {
  Install();
  if (HasFatalFailure()) return;
  // One line at a time: the option wins over the setting for its run.
  const TOutcome one = RunOnce({"--parallel-lines", "1"}, "ParallelLines=8\r\n");
  // One line again would only repeat the first run.
  const bool several = GetParam().options != std::vector<std::string>{"--parallel-lines", "1"};
  const TOutcome many = several ? RunOnce(GetParam().options, GetParam().settings) : one;
  ASSERT_FALSE(one.run.timedOut);
  ASSERT_FALSE(many.run.timedOut);

  // One line at a time, the log of the run as it has always been.
  {
    std::string log = one.log;
    auto a = log.find("Running command line"), b = log.rfind("Finished processing");
    log = a == std::string::npos || b == std::string::npos ? log : log.substr(a, b - a);
    log = std::regex_replace(log, std::regex(R"(127\.\d+\.\d+\.)"), "127.x.x.");
    std::string path = std::string(ZV_E2E_SOURCE_DIR) + "/golden/lines_window.txt";
    if (std::getenv("ZV_UPDATE_GOLDEN")) WriteFile(path, log);
    EXPECT_EQ(ReadFile(path), log) << "compare with " << path << " (ZV_UPDATE_GOLDEN=1 rewrites it)";
  }
  EXPECT_EQ(one.run.exitCode, 1) << one.run.out << one.run.err;

  // With several lines: the same status, the same lines of every file.
  EXPECT_EQ(many.run.exitCode, one.run.exitCode) << many.run.out << many.run.err;
  for (const auto* f : {&many.punch, &many.day, &many.sys, &many.trans, &many.users, &many.idx})
    ExpectWholeLines("a file", *f);
  EXPECT_EQ(ByClock(many.punch), ByClock(one.punch)) << "Punch.Log";
  EXPECT_EQ(ByClock(many.day), ByClock(one.day)) << "the day's log";
  EXPECT_EQ(many.day, many.punch) << "the day's log differs from Punch.Log";
  EXPECT_EQ(ByClock(many.sys), ByClock(one.sys)) << "Sys.Log";
  EXPECT_EQ(TransByClock(many.trans, one.punch + one.sys), TransByClock(one.trans, one.punch + one.sys))
      << "trans.dat";
  EXPECT_EQ(ErrorLines(many.errors), ErrorLines(one.errors)) << "Error.Log";
  // Each user once, whichever line saw it first.
  std::vector<std::string> twice;
  EXPECT_EQ(UserLines(many.users, twice), UserLines(one.users, twice)) << "user.txt";
  EXPECT_EQ(StoredUsers(many.idx, many.dat, twice), StoredUsers(one.idx, one.dat, twice))
      << "user.idx and user.dat";
  EXPECT_THAT(twice, ::testing::IsEmpty()) << "users stored twice";
  EXPECT_EQ(many.pending, "");
  EXPECT_EQ(one.pending, "");
  // The log of the run: each site's lines one block, the same blocks, the same summaries.
  TRunLog a = SplitRunLog(one.log), b = SplitRunLog(many.log);
  EXPECT_THAT(b.torn, ::testing::IsEmpty()) << many.log;
  EXPECT_THAT(a.torn, ::testing::IsEmpty()) << one.log;
  EXPECT_EQ(b.frame, a.frame);
  ASSERT_EQ(b.sites.size(), a.sites.size());
  for (std::size_t p = 0; p < a.sites.size(); ++p) EXPECT_EQ(b.sites[p], a.sites[p]) << "parameter " << p + 1;
  EXPECT_EQ(Printed(many.run.out), Printed(one.run.out)) << "the summary printed";
}

// The program killed at random moments while four lines (three Ethernet readers, one serial
// line) are polled at once, then a poll to the end: each punch arrives, each line doubles at
// most one punch a kill, and the user of every punch is kept (after a kill in user.txt or
// among the pending users, at the end in user.txt and user.idx).
class ParallelKillTest : public TE2eTest {};

TEST_F(ParallelKillTest, KilledWhileSeveralLinesWorkLosesNoPunchAndNoUser) {
  if (!HaveEmulator() || !EmulatorOffers("--serial")) GTEST_SKIP() << "rdremu is not built or serves no serial line";
  const int kSites = 4, kUsers = 10, kEach = 15;
  Env["RDRDLL32_COM1"] = Root + "com1";
  Emulate({"init", State});
  std::vector<std::string> sites, clocks;
  for (int s = 1; s <= kSites; ++s) {
    const std::string site = std::to_string(s);
    if (s == kSites) {
      Emulate({"add-site", State, "--site", site, "--serial", Root + "com1"});
      sites.push_back(site + ", 1, 9600, , , , 0, , serial");
    } else {
      AddTcpSite(site, Addr(1 + s));
      sites.push_back(NetSite(site, Addr(1 + s)));
    }
    clocks.push_back(site + ", 1");
    AddReader(site, 1, 2, 1);
    Emulate({"add-user", State, "--site", site, "--addr", "1", "--user", std::to_string(s * 100), "--count",
               std::to_string(kUsers)});
    for (int u = 0; u < kUsers; ++u)
      Emulate({"add-punch", State, "--site", site, "--addr", "1", "--user", std::to_string(s * 100 + u),
                 "--time", "2026-01-01 00:00", "--count", std::to_string(kEach)});
  }
  WriteSites(sites);
  WriteClocks(clocks);
  WriteFile(Root + "config/zorvan32.INI", "[Zorvan32]\r\nDataPath=" + Data +
                                                   "\r\nInterCommandDelay=0\r\nSaveCommandLineLog=0\r\n"
                                                   "NewUserRestriction=0\r\nParallelLines=4\r\n");
  ASSERT_TRUE(StartEmulator());
  auto wholeLines = [&] {
    std::string punches = ReadFile(Data + "Punch.Log");
    ExpectWholeLines("Punch.Log", punches);
    for (const std::string& l : Lines(punches)) EXPECT_EQ(l.size(), 92u) << "a torn line: " << l;
  };
  std::mt19937 rng(static_cast<unsigned>(getpid()));
  const long long total = 94LL * kSites * kUsers * kEach;
  std::uniform_int_distribution<long long> bytes(94, total / 4);
  long long target = 0;
  const int kills = 3;
  for (int i = 0; i < kills; ++i) {
    target += bytes(rng);
    TRunResult r = RunZorvanUntilPunchLogHolds({"P"}, target);
    ASSERT_TRUE(r.killed) << "the poll ended before its kill";
    wholeLines();
    ExpectPunchersKept(true);
  }
  TRunResult r = RunZorvan({"P"});
  ASSERT_FALSE(r.timedOut);
  EXPECT_EQ(r.exitCode, 0) << r.out;
  wholeLines();
  ExpectPunchersKept(false);
  for (const auto& [clock, lines] : ByClock(ReadFile(Data + "Punch.Log"))) {
    std::set<std::string> distinct(lines.begin(), lines.end());
    EXPECT_EQ(distinct.size(), static_cast<std::size_t>(kUsers * kEach)) << "clock " << clock;
    EXPECT_LE(lines.size() - distinct.size(), static_cast<std::size_t>(kills)) << "clock " << clock;
  }
  EXPECT_EQ(ByClock(ReadFile(Data + "Punch.Log")).size(), static_cast<std::size_t>(kSites));
  EXPECT_EQ(UsersIn(ReadFile(Data + "user.idx"), 0).size(), static_cast<std::size_t>(kSites * kUsers));
  EXPECT_EQ(ReadFile(Data + "users.pending"), "");
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ParallelLinesTest,
    ::testing::Values(TLinesCase{"OneLine", {"--parallel-lines", "1"}, ""},
                      TLinesCase{"FourLinesByOption", {"--parallel-lines", "4"}, ""},
                      TLinesCase{"EightLinesBySetting", {}, "ParallelLines=8\r\n"}),
    [](const ::testing::TestParamInfo<TLinesCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zv::e2e
