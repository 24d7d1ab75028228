// The walk with several lines at once against the same walk one line at a time, over the real
// library and emulator: the files hold the same lines (whole, each clock's in the reader's
// order, new users once), the counts are the same, and the log shows each site as one block.
#include <unistd.h>

#include <algorithm>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "data/clocklist.h"
#include "data/sitelist.h"
#include "data/userlist.h"
#include "reader/commands.h"
#include "reader/engine.h"
#include "reader/enginehost.h"
#include "reader/entryops.h"
#include "reader/groupcommit.h"
#include "reader/linewalk.h"
#include "reader/polling.h"
#include "reader/rdrdll32.h"
#include "reader/testing/fakehost.h"
#include "tests/rdrlink/emuprocess.h"

namespace zv {
namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) out.push_back(line);
  return out;
}

std::vector<std::string> Sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

// What one run left: the files' lines and the counts.
struct TRun {
  std::vector<std::string> log, punches, trans, sys, users, errors;
  std::string userDat;
  std::vector<std::string> notAnswered, notReached;  // as the summary names them
  TEngineTally tally;
  std::uint64_t rounds = 0;
};

// The site a log line is about ("Site 3, Clock 1: ..." or "Site 3: ..."), or "".
std::string SiteOf(const std::string& line) {
  if (line.rfind("Site ", 0) != 0) return "";
  return line.substr(5, line.find_first_of(",:") - 5);
}

class ParallelWalk : public ::testing::Test {
 protected:
  void SetUp() override {
    TRdrDll32::LibraryName = ZV_RDRDLL32_PATH;
    ASSERT_EQ(0, emu_.Cli("init"));
    // Loopback addresses of this process's own, so that runs side by side do not meet.
    const int p = static_cast<int>(getpid());
    net_ = "127." + std::to_string(p / 250 % 200 + 20) + "." + std::to_string(p % 250 + 1) + ".";
    std::string siteTxt = ".site\r\n", clockTxt = ".site clock\r\n";
    // Sites 1 and 2 on serial lines, 3 to 6 on the network, 7 on site 3's network line, 8 on
    // site 1's port; sites 4 and 6 have a reader that never answers, site 9 no reader at all.
    for (int site = 1; site <= 8; ++site) {
      const std::string s = std::to_string(site);
      if (site <= 2) {
        const std::string tty = dir_.Path() + "/tty" + s;
        ::setenv(("RDRDLL32_COM" + s).c_str(), tty.c_str(), 1);
        ASSERT_EQ(0, emu_.Cli("add-site", {"--site", s, "--serial", tty}));
        siteTxt += s + ", " + s + ", 115200, , , , 0, , serial " + s + "\r\n";
      } else if (site == 8) {
        siteTxt += s + ", 1, 115200, , , , 0, , on the port of site 1\r\n";
      } else {
        const std::string ip = net_ + std::to_string(site == 7 ? 3 : site);
        // Site 4 is slow, so that with lines at once its silent reader ends after site 6's.
        if (site != 7) {
          ASSERT_EQ(0, emu_.Cli("add-site", {"--site", s, "--tcp", ip + ":3001", "--delay-ms", site == 4 ? "15" : "0"}));
        }
        siteTxt += s + ", , , , , , 0, " + ip + ", network " + s + "\r\n";
      }
      // Sites 7 and 8 are their lines' second sites: the emulator answers them as site 3's and
      // site 1's readers 5.
      const std::string emuSite = site == 7 ? "3" : site == 8 ? "1" : s;
      for (int addr : {site >= 7 ? 5 : 1, site >= 7 ? 6 : 2}) {
        const std::string a = std::to_string(addr);
        clockTxt += s + ", " + a + "\r\n";
        std::vector<std::string> reader = {"--site", emuSite, "--addr", a};
        if ((site == 4 || site == 6) && addr == 2) reader.push_back("--offline");
        ASSERT_EQ(0, emu_.Cli("add-reader", reader));
        const std::string own = s + a;
        for (const std::string& user : {std::string("77"), own})
          ASSERT_EQ(0, emu_.Cli("add-user", {"--site", emuSite, "--addr", a, "--user", user}));
        ASSERT_EQ(0, emu_.Cli("add-punch", {"--site", emuSite, "--addr", a, "--user", own, "--time",
                                            "2026-01-01 00:00", "--count", std::to_string(20 + site)}));
        ASSERT_EQ(0, emu_.Cli("add-punch", {"--site", emuSite, "--addr", a, "--user", "77", "--time",
                                            "2026-01-02 00:00", "--count", "2"}));
        ASSERT_EQ(0, emu_.Cli("add-group", {"--site", emuSite, "--addr", a, "--subtype", "21", "--user",
                                            "77", "--value", "5", "--byte", "2"}));
        ASSERT_EQ(0, emu_.Cli("add-event", {"--site", emuSite, "--addr", a, "--type", "3", "--user", own}));
      }
    }
    siteTxt += "9, , , , , , 0, " + net_ + "9, no readers\r\n";
    site_ = siteTxt;
    clock_ = clockTxt;
    seed_ = testing::ReadFile(emu_.State());
    ::setenv("RDRDLL32_TIMEOUT_MS", "500", 1);
    ::setenv("ZV_WSOCK_CLOSE_PAUSE_MS", "0", 1);
  }

  TRun Run(int lines, const char* operation) {
    const std::string data = dir_.Path() + "/data" + std::to_string(++runs_) + "/";
    ::mkdir(data.c_str(), 0755);
    testing::WriteFile(data + "site.txt", site_);
    testing::WriteFile(data + "clock.txt", clock_);
    testing::WriteFile(emu_.State(), seed_);
    TRun r;
    if (!emu_.Serve()) {
      ADD_FAILURE() << "emulator";
      return r;
    }
    {
      // The lists as the program loads them, for the run's own data directory.
      test::TFakeHost host;
      host.Data = host.Punch = data;
      host.SiteList = std::make_unique<TSiteList>(data + "site.txt");
      host.ClockList = std::make_unique<TClockList>(data + "clock.txt");
      host.UserList = std::make_unique<TUserList>(data + "user.txt");
      SetEngineHost(&host);
      SetParallelLines(lines);
      const TEngineTally before = Tally();
      const std::uint64_t rounds = ElementCommits().Rounds();
      TParameterReport report;
      RunReported(operation, report);
      r.notAnswered = report.NotAnswered;
      r.notReached = report.NotReached;
      r.tally = TallySince(before, Tally());
      r.rounds = ElementCommits().Rounds() - rounds;
      r.log = host.Lines;
      SetEngineHost(nullptr);
      SetParallelLines(1);
    }
    emu_.Stop();
    r.punches = Lines(testing::ReadFile(data + "Punch.Log"));
    r.trans = Lines(testing::ReadFile(data + "trans.dat"));
    r.sys = Lines(testing::ReadFile(data + "Sys.Log"));
    r.users = Lines(testing::ReadFile(data + "user.txt"));
    r.userDat = testing::ReadFile(data + "user.dat");
    for (const std::string& e : Lines(testing::ReadFile(data + "Error.Log"))) r.errors.push_back(e.substr(18));
    return r;
  }

  THermeticDir dir_;
  TEmuProcess emu_{dir_.Path()};
  std::string net_, site_, clock_, seed_;
  int runs_ = 0;
};

void ExpectSameTally(const TRun& one, const TRun& many) {
  const TEngineTally& a = one.tally;
  const TEngineTally& b = many.tally;
  // The summary names them in site order, however the lines' ends fall.
  EXPECT_EQ(one.notAnswered, many.notAnswered);
  EXPECT_EQ(one.notReached, many.notReached);
  EXPECT_EQ(a.FailureLines, b.FailureLines);
  EXPECT_EQ(a.ReadersAnswered, b.ReadersAnswered);
  EXPECT_EQ(a.ReadersFailed, b.ReadersFailed);
  EXPECT_EQ(a.SitesNotReached, b.SitesNotReached);
  EXPECT_EQ(a.NotInErrorLog, b.NotInErrorLog);
}

// Each site's lines come together, and every site's lines are there.
void ExpectBlocks(const std::vector<std::string>& oneLine, const std::vector<std::string>& many) {
  EXPECT_EQ(Sorted(oneLine), Sorted(many));
  std::vector<std::string> order;
  std::map<std::string, std::vector<std::string>> bySite;
  for (const std::string& line : many) {
    const std::string site = SiteOf(line);
    if (site.empty()) continue;
    if (order.empty() || order.back() != site) {
      EXPECT_EQ(0u, std::count(order.begin(), order.end(), site)) << "site " << site << " in two blocks";
      order.push_back(site);
    }
    bySite[site].push_back(line);
  }
  // Within a site, the order of one line at a time.
  for (auto& [site, lines] : bySite) {
    std::vector<std::string> want;
    for (const std::string& line : oneLine)
      if (SiteOf(line) == site) want.push_back(line);
    EXPECT_EQ(want, lines) << "site " << site;
  }
}

TEST_F(ParallelWalk, PollingSeveralLinesAtOnceKeepsWhatOneLineAtATimeKeeps) {
  const TRun one = Run(1, "P");
  const TRun many = Run(4, "P");
  ExpectSameTally(one, many);
  EXPECT_EQ(14, one.tally.ReadersAnswered);
  EXPECT_EQ(2, one.tally.ReadersFailed);   // the silent readers of sites 4 and 6
  EXPECT_EQ(1, one.tally.SitesNotReached); // site 9
  ExpectBlocks(one.log, many.log);
  EXPECT_EQ(Sorted(one.errors), Sorted(many.errors));
  // The same lines, none torn; a clock's lines in the reader's order (the files' order with
  // one line at a time), which a type 15 line keeps whole.
  EXPECT_EQ(Sorted(one.trans), Sorted(many.trans));
  EXPECT_EQ(Sorted(one.sys), Sorted(many.sys));
  EXPECT_EQ(Sorted(one.punches), Sorted(many.punches));
  auto ofClock = [](const std::vector<std::string>& lines, const std::string& prefix) {
    std::vector<std::string> out;
    for (const std::string& l : lines)
      if (l.rfind(prefix, 0) == 0) out.push_back(l);
    return out;
  };
  for (const std::string& line : one.punches) {
    const std::string prefix = line.substr(0, 6);  // " 3, 1,"
    EXPECT_EQ(ofClock(one.punches, prefix), ofClock(many.punches, prefix)) << prefix;
  }
  // User 77, on every reader, is added once; each reader's own user once.
  EXPECT_EQ(Sorted(one.users), Sorted(many.users));
  EXPECT_EQ(2u + 1u + 14u, many.users.size());  // the silent reader's user unseen
  // Several lines' elements shared their syncs.
  EXPECT_LT(many.rounds, many.trans.size());
}

TEST_F(ParallelWalk, SendingTimeConfigurationAndUsersOnSeveralLinesAtOnceCountsAsOneLineAtATime) {
  for (const char* op : {"T", "C", "R"}) {
    SCOPED_TRACE(op);
    const TRun one = Run(1, op);
    const TRun many = Run(8, op);
    ExpectSameTally(one, many);
    EXPECT_EQ(14, many.tally.ReadersAnswered);
    ExpectBlocks(one.log, many.log);
    EXPECT_EQ(Sorted(one.errors), Sorted(many.errors));
  }
}

// One user on two lines' readers, with different templates and authorities: what is kept is
// what the walk in site order keeps (the last site's template, the first site's fields), however
// the lines' ends fall. Site 1's line is the slower, so with two lines it ends last.
TEST_F(ParallelWalk, AUserOnTwoLinesIsKeptAsOneLineAtATimeKeepsIt) {
  ASSERT_EQ(0, emu_.Cli("init"));
  site_ = ".site\r\n";
  clock_ = ".site clock\r\n";
  for (int site : {1, 2}) {
    const std::string s = std::to_string(site), ip = net_ + s;
    ASSERT_EQ(0, emu_.Cli("add-site", {"--site", s, "--tcp", ip + ":3001", "--delay-ms", site == 1 ? "15" : "0"}));
    ASSERT_EQ(0, emu_.Cli("add-reader", {"--site", s, "--addr", "1"}));
    ASSERT_EQ(0, emu_.Cli("add-user", {"--site", s, "--addr", "1", "--user", "42", "--authority", s,
                                       "--template", "0" + s + "02030405060708090A0B"}));
    ASSERT_EQ(0, emu_.Cli("add-punch", {"--site", s, "--addr", "1", "--user", "99", "--time",
                                        "2026-01-01 00:00", "--count", "30"}));
    ASSERT_EQ(0, emu_.Cli("add-punch", {"--site", s, "--addr", "1", "--user", "42", "--time", "2026-01-02 00:00"}));
    site_ += s + ", , , , , , 0, " + ip + ", network " + s + "\r\n";
    clock_ += s + ", 1\r\n";
  }
  seed_ = testing::ReadFile(emu_.State());
  const TRun one = Run(1, "P");
  const TRun many = Run(2, "P");
  ASSERT_FALSE(one.userDat.empty());
  EXPECT_EQ(one.userDat, many.userDat);
  EXPECT_EQ(one.users, many.users);
  EXPECT_EQ(2u + 1u, many.users.size());
}

TEST(LineOf, SitesOnOnePortOrOneAddressShareALine) {
  // port, dial, address of two sites, and whether they are one line
  struct TCase {
    const char *portA, *dialA, *ipA, *portB, *dialB, *ipB;
    bool same;
  } cases[] = {
      {"1", "", "", "1", "", "", true},
      {"1", "", "", "2", "", "", false},
      {"1", "1", "", "01", "", "", true},  // a modem and a direct line on one port
      {"", "", "10.0.0.7", "", "", "010.000.0.07", true},
      {"", "", "10.0.0.7", "", "", "10.0.0.8", false},
      {"", "", "10.0.0.1", "1", "", "", false},
  };
  for (const TCase& c : cases) {
    TSite a, b;
    a.SetPort(c.portA);
    a.SetDial(c.dialA);
    a.SetIpAddress(c.ipA);
    b.SetPort(c.portB);
    b.SetDial(c.dialB);
    b.SetIpAddress(c.ipB);
    EXPECT_EQ(c.same, LineOf(a) == LineOf(b)) << LineOf(a) << " / " << LineOf(b);
    std::vector<std::vector<TSite*>> lines = GroupByLine({&a, &b, &a});
    ASSERT_EQ(c.same ? 1u : 2u, lines.size());
    EXPECT_EQ(&a, lines[0][0]);  // in the order given
  }
}

}  // namespace
}  // namespace zv
