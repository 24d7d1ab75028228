// Polling end to end: zorvan32 P against the emulator, read back through Punch.Log, the
// day's log, Sys.Log, trans.dat, user.txt, user.idx and user.dat; and the promise that no
// punch is lost when the program is killed, the line drops or the disk fills up.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <ctime>
#include <cstdlib>
#include <map>
#include <random>
#include <set>

#include "tests/e2e/e2e_harness.h"
#include "util/fileio.h"

namespace zv::e2e {
namespace {

using ::testing::HasSubstr;

std::string Golden(const std::string& name) {
  std::string s;
  ReadWholeFile(std::string(ZV_E2E_SOURCE_DIR) + "/golden/" + name, s);
  return s;
}

std::string HexOf(const std::string& bytes) {
  static const char d[] = "0123456789ABCDEF";
  std::string s;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    s += d[static_cast<unsigned char>(bytes[i]) >> 4];
    s += d[static_cast<unsigned char>(bytes[i]) & 15];
    if (i % 24 == 23) s += "\n";
  }
  return s;
}

class PollTest : public TE2eTest {
 protected:
  void SetUp() override {
    TE2eTest::SetUp();
    if (!HaveEmulator()) GTEST_SKIP() << "rdremu is not built";
  }
  void Settings(const std::string& extra) {
    WriteFile(Root + "config/zorvan32.INI",
              "[Zorvan32]\r\nDataPath=" + Data + "\r\nInterCommandDelay=0\r\nSaveCommandLineLog=1\r\n" + extra);
  }
  // Site 1 on TCP with one reader at address 1 holding `punches` punches of user 42, one
  // minute apart: every punch line is different.
  void OneReaderWithPunches(int punches, const std::vector<std::string>& siteOptions = {}) {
    Emulate({"init", State});
    std::vector<std::string> site{"add-site", State, "--site", "1", "--tcp", Addr(2) + ":3001"};
    site.insert(site.end(), siteOptions.begin(), siteOptions.end());
    Emulate(site);
    Emulate({"add-reader", State, "--site", "1", "--addr", "1"});
    Emulate({"add-user", State, "--site", "1", "--addr", "1", "--user", "42"});
    if (punches > 0)
      Emulate({"add-punch", State, "--site", "1", "--addr", "1", "--user", "42", "--time",
               "2026-01-01 00:00", "--count", std::to_string(punches)});
    WriteSites({"1, , , , , , 0, " + Addr(2) + ", net"});
    WriteClocks({"1, 1"});
    Settings("");
  }
  // Each of the `punches` punch lines is in Punch.Log at least once; answers the duplicates.
  int ExpectEveryPunchOnce(int punches) {
    std::map<std::string, int> seen;
    for (const std::string& l : Lines(ReadFile(Data + "Punch.Log"))) ++seen[l];
    int duplicates = 0, total = 0;
    for (const auto& [line, n] : seen) {
      EXPECT_EQ(line.size(), 92u) << "a torn line: " << line;
      duplicates += n - 1;
      total += 1;
    }
    EXPECT_EQ(total, punches);
    return duplicates;
  }
  void ExpectPollFailingMidwayLosesNothing(const std::string& fault);
  // Runs zorvan32 with no command-line log of an earlier run left beside it.
  TRunResult RunFresh(const std::vector<std::string>& params) {
    for (const std::string& n : CommandLineLogNames()) unlink((Data + n).c_str());
    return RunZorvan(params);
  }
  // The lines of the command-line log between the first "Running" and the last "Finished".
  std::string RunLines() {
    std::string log = CommandLineLog();
    auto a = log.find("Running command line"), b = log.rfind("Finished processing");
    return a == std::string::npos || b == std::string::npos ? log : log.substr(a, b - a);
  }
};

// Every line format of the poll in one go: punches, events, the three shapes of type 15
// groups, an unknown type, an empty log, a wide site number, users seen and stored.
TEST_F(PollTest, EveryLineOfAPollByteForByte) {
  Emulate({"init", State});
  Emulate({"add-site", State, "--site", "1", "--tcp", Addr(2) + ":3001"});
  Emulate({"add-site", State, "--site", "123", "--tcp", Addr(3) + ":3001"});
  Emulate({"add-reader", State, "--site", "1", "--addr", "1", "--model", "2"});
  Emulate({"add-reader", State, "--site", "1", "--addr", "2", "--model", "1"});
  Emulate({"add-reader", State, "--site", "1", "--addr", "3", "--offline"});
  Emulate({"add-reader", State, "--site", "123", "--addr", "10"});
  const std::string r2[] = {"--site", "1", "--addr", "2"};
  auto at = [&](std::vector<std::string> v) {
    v.insert(v.begin() + 2, std::begin(r2), std::end(r2));
    Emulate(v);
  };
  at({"add-user", State, "--user", "42", "--tz", "1", "--authority", "4", "--template", "0102030405060708090A0B"});
  at({"add-user", State, "--user", "7", "--authority", "1"});
  at({"add-user", State, "--user", "44", "--authority", "2"});
  at({"add-punch", State, "--user", "42", "--code", "18", "--time", "2026-12-08 08:05"});
  at({"add-punch", State, "--user", "42", "--code", "200", "--data", "01020304", "--time", "2026-12-08 17:30"});
  at({"add-punch", State, "--user", "7", "--code", "153", "--time", "2026-01-09 07:00"});
  at({"add-event", State, "--type", "1", "--user", "43", "--time", "2026-12-08 09:01"});
  at({"add-event", State, "--type", "3", "--user", "42", "--code", "-1", "--time", "2026-12-08 09:02"});
  at({"add-event", State, "--type", "16", "--user", "44", "--code", "258", "--data", "0A0B0C0D", "--time", "2026-12-08 19:03"});
  at({"add-group", State, "--subtype", "21", "--user", "42", "--code", "8", "--value", "5", "--byte", "30",
      "--data", "01020304", "--time", "2026-12-08 10:00"});
  at({"add-group", State, "--subtype", "21", "--user", "42", "--code", "3", "--value", "-12", "--byte", "30",
      "--time", "2026-12-08 10:01"});
  at({"add-group", State, "--subtype", "4", "--user", "42", "--code", "100", "--data", "11223344",
      "--time", "2026-12-08 10:02"});
  at({"add-raw", State, "--hex", "0102030405060708630000000000000042FFFFFF0000000000000000"});
  Emulate({"add-punch", State, "--site", "123", "--addr", "10", "--user", "9", "--time", "2026-12-08 06:00"});
  ASSERT_TRUE(StartEmulator());
  WriteSites({"1, , , , , , 0, " + Addr(2) + ", net", "123, , , , , , 0, " + Addr(3) + ", wide"});
  WriteClocks({"1, 1", "1, 2", "1, 3", "123, 10"});
  Settings("NewUserRestriction=0\r\n");
  // User 7 is known under a number with zeros; a free slot and user 7's slot in the index.
  WriteFile(Data + "user.txt", ".ID\r\n.--\r\n       0007,  12,       100,         ,         1, Known\r\n");
  WriteFile(Data + "user.idx", "0\r\n0000000007\r\n");
  WriteFile(Data + "user.dat", std::string(48, '\xEE'));

  std::string before = DayLogName();
  TRunResult r = RunZorvan({"P", "P00102"});
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(r.exitCode, 1) << r.err;  // clock 3 does not answer
  std::string day = DayLogName() == before ? before : (FileExists(Data + before) ? before : DayLogName());

  EXPECT_EQ(RunLines(), Golden("poll_window.txt"));
  EXPECT_EQ(ReadFile(Data + "Punch.Log"), Golden("poll_punch.txt"));
  EXPECT_EQ(ReadFile(Data + day), Golden("poll_punch.txt"));
  EXPECT_EQ(ReadFile(Data + "Sys.Log"), Golden("poll_sys.txt"));
  EXPECT_EQ(ReadFile(Data + "trans.dat"), Golden("poll_trans.txt"));
  // 42 took the free slot, 7 kept its own, 44 came at the end; 43 is not enrolled.
  EXPECT_EQ(ReadFile(Data + "user.idx"), "0000000042\r\n0000000007\r\n0000000044\r\n");
  EXPECT_EQ(HexOf(ReadFile(Data + "user.dat")), Golden("poll_userdat.txt"));
  EXPECT_EQ(ReadFile(Data + "user.txt"), Golden("poll_users.txt"));
  EXPECT_THAT(ErrorLog(), HasSubstr("Site 1, Clock 3: Clock is not responding\r\n"));
}

// The program killed at random moments of a poll, then a poll to the end: every punch
// arrives, at most one twice for each kill (the one in flight), and the user of every punch
// is kept: after a kill in user.txt or among the pending users, after the last poll in
// user.txt and user.idx. The moments are chosen by how far the poll has come, so that they
// fall inside it however fast the disk is.
TEST_F(PollTest, KilledAtRandomMomentsLosesNoPunchAndNoUser) {
  const int kPunches = 400, kUsers = 20;
  OneReaderWithPunches(0);
  Emulate({"add-user", State, "--site", "1", "--addr", "1", "--user", "1000", "--count", std::to_string(kUsers)});
  for (int u = 0; u < kUsers; ++u)
    Emulate({"add-punch", State, "--site", "1", "--addr", "1", "--user", std::to_string(1000 + u),
             "--time", "2026-01-01 00:00", "--count", std::to_string(kPunches / kUsers)});
  ASSERT_TRUE(StartEmulator());
  std::mt19937 rng(static_cast<unsigned>(getpid()));
  std::uniform_int_distribution<long long> bytes(1, kPunches * 94 / 4);
  long long target = 0;
  int kills = 0;
  for (int i = 0; i < 3; ++i) {
    target += bytes(rng);
    TRunResult r = RunZorvanUntilPunchLogHolds({"P"}, target);
    ASSERT_TRUE(r.killed) << "the poll ended before its kill";
    ++kills;
    ExpectPunchersKept(true);
  }
  TRunResult r = RunFresh({"P"});
  ASSERT_FALSE(r.timedOut);
  EXPECT_THAT(RunLines(), HasSubstr("Site 1, Clock 1: Number of transactions received: "));
  EXPECT_LE(ExpectEveryPunchOnce(kPunches), kills);
  ExpectPunchersKept(false);
  EXPECT_EQ(UsersIn(ReadFile(Data + "user.idx"), 0).size(), static_cast<std::size_t>(kUsers));
  EXPECT_EQ(ReadFile(Data + "users.pending"), "");
}

// A line that drops or a reader that stops answering midway: the lines written so far stay,
// "Failed to receive all transactions", the users seen stay pending, the next clock is tried;
// a later poll brings the rest, at most one punch twice (the one in flight), and keeps them.
void PollTest::ExpectPollFailingMidwayLosesNothing(const std::string& fault) {
  OneReaderWithPunches(300, {fault, "200"});
  Emulate({"add-reader", State, "--site", "1", "--addr", "2"});
  WriteClocks({"1, 1", "1, 2"});
  ASSERT_TRUE(StartEmulator());
  ASSERT_FALSE(RunFresh({"P"}).timedOut);
  EXPECT_THAT(RunLines(), HasSubstr("Site 1, Clock 1: Failed to receive all transactions\r\n"
                                    "Site 1, Clock 1: Failed to get the user records of 1 seen "
                                    "users: the reader did not answer; they are asked for again "
                                    "at the next poll\r\n"
                                    "Site 1, Clock 2: Polling.\r\n"));
  EXPECT_THAT(ErrorLog(), HasSubstr("Site 1, Clock 1: Failed to receive all transactions\r\n"));
  std::size_t partial = Lines(ReadFile(Data + "Punch.Log")).size();
  EXPECT_GT(partial, 150u);
  EXPECT_LT(partial, 200u);
  ExpectPunchersKept(true);
  // The rest fits in the answers of one connection.
  ASSERT_FALSE(RunFresh({"P1#1"}).timedOut);
  EXPECT_THAT(RunLines(), HasSubstr("Site 1, Clock 1: Number of transactions received: "));
  EXPECT_LE(ExpectEveryPunchOnce(300), 1);
  ExpectPunchersKept(false);
}

TEST_F(PollTest, LineDroppingMidwayLosesNothing) { ExpectPollFailingMidwayLosesNothing("--drop-after"); }
TEST_F(PollTest, ReaderFallingSilentMidwayLosesNothing) {
  ExpectPollFailingMidwayLosesNothing("--mute-after");
}

// A reader that never sends the end of its log: the poll of that clock stops once it has
// taken more than the reader's memory can hold, each punch on disk, and the next clock is
// polled.
TEST_F(PollTest, ReaderThatNeverEndsItsLogIsStoppedAtItsMemory) {
  OneReaderWithPunches(0);
  Emulate({"set-reader", State, "--site", "1", "--addr", "1", "--lie", "endless-log"});
  Emulate({"add-reader", State, "--site", "1", "--addr", "2"});
  Emulate({"add-punch", State, "--site", "1", "--addr", "2", "--user", "42", "--time", "2026-01-01 00:00"});
  WriteClocks({"1, 1", "1, 2"});
  ASSERT_TRUE(StartEmulator());
  TRunResult r = RunZorvan({"P"}, 200);
  ASSERT_FALSE(r.timedOut);
  EXPECT_EQ(r.exitCode, 1) << r.out;
  const std::string failure =
      "Site 1, Clock 1: Failed to receive all transactions: more than the reader's memory holds (8192)\r\n";
  EXPECT_THAT(RunLines(), HasSubstr(failure + "Site 1, Clock 2: Polling.\r\n"));
  EXPECT_THAT(RunLines(), HasSubstr("Site 1, Clock 2: Number of transactions received: 1."));
  EXPECT_THAT(ErrorLog(), HasSubstr(failure));
  EXPECT_EQ(ExpectEveryPunchOnce(8193 + 1), 0);
  EXPECT_THAT(ReadFile(Data + "user.txt"), HasSubstr("         42,"));
}

// A full disk: the poll ends with a failure line, nothing written before is lost, no line
// is torn, and once there is room the next poll brings the rest, each punch once.
TEST_F(PollTest, FullDiskEndsWithAFailureLineAndLosesNothing) {
  OneReaderWithPunches(300);
  ASSERT_TRUE(StartEmulator());
  FileSizeLimit = 10000;
  TRunResult r = RunZorvan({"P"});
  ASSERT_FALSE(r.timedOut) << r.err;
  EXPECT_EQ(r.exitCode, 1) << r.err;
  std::string failure = "Site 1, Clock 1: Error writing to " + Data + "Punch.Log\r\n";
  EXPECT_THAT(RunLines(), HasSubstr(failure));
  EXPECT_THAT(ErrorLog(), HasSubstr(failure));
  std::size_t partial = Lines(ReadFile(Data + "Punch.Log")).size();
  EXPECT_EQ(partial, 10000u / 94);
  FileSizeLimit = 0;
  ASSERT_FALSE(RunFresh({"P"}).timedOut);
  EXPECT_EQ(ExpectEveryPunchOnce(300), 0);
}

// A users file that cannot be saved after the poll is reported, not lost in silence.
TEST_F(PollTest, FailedSaveOfTheUsersFileIsReported) {
  OneReaderWithPunches(1);
  ASSERT_TRUE(StartEmulator());
  std::string users = ".ID\r\n.--\r\n";
  for (int i = 0; i < 40; ++i) users += "       " + std::to_string(1000 + i) + ",   0,         0,         ,         0, \r\n";
  WriteFile(Data + "user.txt", users);
  FileSizeLimit = static_cast<long long>(users.size()) + 10;
  TRunResult r = RunZorvan({"P"});
  ASSERT_FALSE(r.timedOut) << r.err;
  std::string failure = "Failed to save users file " + Data + "user.txt: ";
  EXPECT_THAT(RunLines(), HasSubstr(failure));
  EXPECT_THAT(ErrorLog(), HasSubstr(failure));
  EXPECT_EQ(ReadFile(Data + "user.txt"), users);
  // The users the poll found are not kept: a script must not take it for a good night.
  EXPECT_EQ(r.exitCode, 2) << r.out;
  EXPECT_THAT(r.out, HasSubstr(", results not saved, "));
}

}  // namespace
}  // namespace zv::e2e
