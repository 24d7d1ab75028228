// Several programs on one data directory: two users' runs polling at once, and a run that
// finds the data directory taken.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <map>
#include <set>

#include "tests/e2e/e2e_harness.h"
#include "util/datalock.h"
#include "util/fileio.h"

namespace zv::e2e {
namespace {

using ::testing::HasSubstr;

constexpr int kOther = 65534;  // the second user when the tests run as root
constexpr int kUsers = 60, kPunchesEach = 5;

class ConcurrentTest : public TE2eTest {
 protected:
  // Site `site` with one reader holding kUsers users' punches, none of them in user.txt yet.
  void ReaderOfSite(const std::string& site, int addr) {
    AddTcpSite(site, Addr(addr));
    AddReader(site, 1, 2, 1);
    Emulate({"add-user", State, "--site", site, "--addr", "1", "--user", site + "100", "--count",
             std::to_string(kUsers)});
    for (int u = 0; u < kUsers; ++u)
      Emulate({"add-punch", State, "--site", site, "--addr", "1", "--user", site + std::to_string(100 + u),
               "--time", "2026-12-08 06:00", "--count", std::to_string(kPunchesEach)});
  }
  std::string Ini() const {
    return "[Zorvan32]\r\nDataPath=" + Data +
           "\r\nInterCommandDelay=0\r\nSaveCommandLineLog=1\r\nNewUserRestriction=0\r\n";
  }
  // Each line of the file once (but for the reader's end-of-log element, once a clock).
  void ExpectEachLineOnce(const std::string& name, std::size_t distinct) {
    std::vector<std::string> lines;
    for (const std::string& l : Lines(ReadFile(Data + name)))
      if (l != std::string(56, '0')) lines.push_back(l);
    std::set<std::string> seen(lines.begin(), lines.end());
    EXPECT_EQ(seen.size(), distinct) << name;
    EXPECT_EQ(lines.size(), distinct) << name << ": lines twice";
  }
};

// Two accounts (or cron and another user's window) poll two sites into one data directory at
// once: the second waits its turn, and every punch and every new user is kept exactly once.
TEST_F(ConcurrentTest, TwoUsersPollingOneDataDirectoryAtOnce) {
  if (!HaveEmulator()) GTEST_SKIP() << "rdremu is not built";
  // Without root the second run is a second program of the same user (a runtime directory
  // of its own, so that the one-instance lock lets it run).
  const bool asOther = getuid() == 0;
  Emulate({"init", State});
  ReaderOfSite("11", 2);
  ReaderOfSite("12", 3);
  ASSERT_TRUE(StartEmulator());
  WriteSites({NetSite("11", Addr(2)), NetSite("12", Addr(3))});
  WriteClocks({"11, 1", "12, 1"});
  WriteFile(Root + "config/zorvan32.INI", Ini());
  // A data directory both may write; the files each run creates stay writable by the other.
  ASSERT_EQ(chmod(Root.c_str(), 0755), 0);
  ASSERT_EQ(chmod(Data.c_str(), 0777), 0);
  for (const char* f : {"site.txt", "clock.txt"}) ASSERT_EQ(chmod((Data + f).c_str(), 0666), 0);
  const mode_t oldMask = umask(0);
  Env["ZV_LOCK_WAIT"] = "120";

  TStarted first = StartZorvan({"P11"});
  std::map<std::string, std::string> mine = Env;
  const std::string other = Root + "other/";
  for (const char* d : {"", "config", "share", "run"}) ASSERT_TRUE(ForceDirectories(other + d));
  WriteFile(other + "config/zorvan32.INI", Ini());
  for (const char* d : {"", "config", "share", "run", "config/zorvan32.INI"}) {
    if (asOther) {
      ASSERT_EQ(chown((other + d).c_str(), kOther, kOther), 0);
    }
  }
  ASSERT_EQ(chmod((other + "run").c_str(), 0700), 0);
  Env["XDG_CONFIG_HOME"] = other + "config";
  Env["XDG_DATA_HOME"] = other + "share";
  Env["XDG_RUNTIME_DIR"] = other + "run";
  RunAsUid = asOther ? kOther : -1;
  TStarted second = StartZorvan({"P12"});
  RunAsUid = -1;
  Env = mine;
  TRunResult a = Wait(first, 150), b = Wait(second, 150);
  umask(oldMask);

  for (const TRunResult* r : {&a, &b}) {
    EXPECT_EQ(r->exitCode, 0) << r->out << r->err;
    EXPECT_THAT(r->out, HasSubstr(": 1 reader answered, " + std::to_string(kUsers * kPunchesEach) +
                                  " transactions (Poll)"));
  }
  const std::size_t punches = 2 * kUsers * kPunchesEach;
  ExpectEachLineOnce("Punch.Log", punches);
  EXPECT_EQ(ReadFile(Data + "Punch.Log"), ReadFile(Data + DayLogName()));
  ExpectEachLineOnce("trans.dat", punches);
  // Every new user of both sites in user.txt and in user.idx.
  std::string users = ReadFile(Data + "user.txt"), index = ReadFile(Data + "user.idx");
  for (const char* site : {"11", "12"})
    for (int u = 0; u < kUsers; ++u) {
      std::string id = site + std::to_string(100 + u);
      EXPECT_THAT(users, HasSubstr(" " + id + ",")) << id;
      EXPECT_THAT(index, HasSubstr(std::string(10 - id.size(), '0') + id + "\r\n")) << id;
    }
  std::vector<std::string> logs = CommandLineLogNames();
  ASSERT_EQ(logs.size(), 2u);
  std::string both = ReadFile(Data + logs[0]) + ReadFile(Data + logs[1]);
  EXPECT_THAT(both, HasSubstr("paramter #1, P11\r\n"));
  EXPECT_THAT(both, HasSubstr("paramter #1, P12\r\n"));

  // A run that cannot get its turn within its wait runs nothing, says who holds the data
  // directory, and ends with status 2.
  TDataLock held(Data, 0);
  ASSERT_TRUE(held.Held());
  Env["ZV_LOCK_WAIT"] = "1";
  TRunResult refused = RunZorvan({"P", "X"});
  const std::string why = "the data directory " + Data + " is in use by pid " +
                          std::to_string(getpid()) + " (user ";
  EXPECT_EQ(refused.exitCode, 2);
  EXPECT_THAT(refused.err, HasSubstr("zorvan32: " + why));
  EXPECT_THAT(refused.err, HasSubstr("; nothing was run\n"));
  EXPECT_THAT(refused.out, HasSubstr("Not run: " + why));
  EXPECT_THAT(refused.out, ::testing::Not(HasSubstr("#1 P")));
  ExpectEachLineOnce("Punch.Log", punches);
  EXPECT_EQ(CommandLineLogNames().size(), 3u);
}

}  // namespace
}  // namespace zv::e2e
