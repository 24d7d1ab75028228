// The user database transfers end to end: zorvan32 G, F, R and D against the emulator, read
// back through the command-line log, user.idx / user.dat, user.txt and the emulator's state.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <cstdio>

#include "tests/e2e/e2e_harness.h"
#include "util/fileio.h"

namespace zv::e2e {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

std::string Id10(long long id) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%010lld", id);
  return buf;
}

// A 24-byte record: packed id, template bytes, then authority, reject, time zone.
std::string Record(long long id, int tz = 1, int authority = 2, int reject = 125) {
  std::string r(24, '\0');
  std::string digits = Id10(id);
  for (int i = 0; i < 5; ++i)
    r[i] = static_cast<char>(((digits[2 * i] - '0') << 4) | (digits[2 * i + 1] - '0'));
  for (int i = 5; i < 16; ++i) r[i] = static_cast<char>(i);
  r[16] = static_cast<char>(authority);
  r[20] = static_cast<char>(reject);
  r[21] = static_cast<char>(reject >> 8);
  r[22] = static_cast<char>(tz);
  return r;
}

// Every line of user.idx that names an id names a record written for that id: the record
// lies wholly inside user.dat and carries the same id. Answers the number of such lines.
int ExpectIndexNamesWrittenRecords(const std::string& idx, const std::string& dat) {
  int named = 0;
  std::vector<std::string> lines = Lines(idx);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string id = lines[i];
    while (!id.empty() && id.back() == ' ') id.pop_back();
    if (id == "0" || id.empty()) continue;
    ++named;
    EXPECT_LE(24 * (i + 1), dat.size()) << "line " << i << " " << id;
    if (24 * (i + 1) > dat.size()) continue;
    EXPECT_EQ(dat.substr(24 * i, 5), Record(std::stoll(id)).substr(0, 5)) << "line " << i;
  }
  return named;
}

class UserDbE2eTest : public TE2eTest {
 protected:
  void SetUp() override {
    TE2eTest::SetUp();
    if (!HaveEmulator()) GTEST_SKIP() << "rdremu is not built";
    Env["ZV_BANK_SEND_PAUSE_MS"] = "0";
    Env["ZV_BANK_FAIL_PAUSE_MS"] = "0";
    Emulate({"init", State});
  }
  void AddSite(const std::string& site, int k) {
    Emulate({"add-site", State, "--site", site, "--tcp", Addr(k) + ":3001"});
    sites_.push_back(site + ", , , , , , 0, " + Addr(k) + ", net");
  }
  void AddReader(const std::string& site, int address, int model, int memory = 2) {
    Emulate({"add-reader", State, "--site", site, "--addr", std::to_string(address), "--model",
             std::to_string(model), "--memory", std::to_string(memory)});
    clocks_.push_back(site + ", " + std::to_string(address));
  }
  void AddUsers(const std::string& site, int address, long long first, int count,
                const std::vector<std::string>& extra = {}) {
    std::vector<std::string> a{"add-user", State, "--site", site, "--addr", std::to_string(address),
                               "--user", std::to_string(first), "--count", std::to_string(count)};
    a.insert(a.end(), extra.begin(), extra.end());
    Emulate(a);
  }
  void Serve() {
    ASSERT_TRUE(StartEmulator());
    WriteSites(sites_);
    WriteClocks(clocks_);
  }
  void WriteUsers(const std::vector<std::string>& lines) {
    std::string t = ".ID          TZ   RejectOvr  Reserved  Authority  Comment\r\n";
    for (const auto& l : lines) t += l + "\r\n";
    WriteFile(Data + "user.txt", t);
  }
  // The emulator's state after the server saved it at its exit.
  std::string Show() {
    StopEmulator();
    return Emu({"show", State}).out;
  }
  void ForgetLogs() {
    for (const std::string& n : CommandLineLogNames()) unlink((Data + n).c_str());
    unlink((Data + "Error.Log").c_str());
  }
  // The run ended by itself, with the exit status given (1: an operation reported a failure).
  void ExpectCleanRun(const TRunResult& r, int status = 0) {
    EXPECT_FALSE(r.timedOut) << r.err;
    EXPECT_EQ(r.exitCode, status) << r.out << r.err;
  }
  // The lines of parameter n's section of the command-line log, before its summary line
  // (which the runner tests check).
  std::string Section(int n) {
    std::string log = CommandLineLog();
    std::string start = "Running command line paramter #" + std::to_string(n) + ", ";
    std::string end = "Finished processing command line paramter #" + std::to_string(n) + ", ";
    auto a = log.find(start), b = log.find(end);
    if (a == std::string::npos || b == std::string::npos) return "";
    a = log.find("\r\n", a) + 2;
    std::string s = log.substr(a, b - a);
    std::size_t summary = s.rfind("Summary: ");
    if (summary != std::string::npos && (summary == 0 || s[summary - 1] == '\n')) s.erase(summary);
    return s;
  }

 private:
  std::vector<std::string> sites_, clocks_;
};

TEST_F(UserDbE2eTest, GetUsersOfTheFileThenAllRecordsInBanksOfBothSizes) {
  AddSite("1", 2);
  AddReader("1", 1, 0);  // 16-byte records: 260 users, two banks
  AddReader("1", 2, 2);  // 77-byte records: 55 users, two banks
  AddReader("1", 3, 0);  // no users: the first bank starts with 255
  AddUsers("1", 1, 100000, 260, {"--tz", "3", "--authority", "4", "--reject", "130"});
  AddUsers("1", 2, 200000, 55, {"--tz", "5", "--authority", "2", "--comment", "Night shift"});
  Serve();
  WriteUsers({"100000,  9, , , 1, Known", "42, 1, , , 1, not in the reader"});
  // Two free slots around an id the readers do not know.
  WriteFile(Data + "user.idx", "0\r\n0000000007\r\n0\r\n");
  WriteFile(Data + "user.dat", Record(1) + Record(7) + Record(2));

  TRunResult run = RunZorvan({"G1#1", "F1"});
  ExpectCleanRun(run);
  // What the summary makes of the counts the operations report.
  EXPECT_THAT(run.out, HasSubstr("#1 G1#1: 1 reader answered, 1 user (Get)\n"
                                 "#2 F1: 3 readers answered, 315 users (Get)\n"));
  const std::string c1 = "Site 1, Clock 1: ", c2 = "Site 1, Clock 2: ", c3 = "Site 1, Clock 3: ";
  EXPECT_EQ(Section(1), c1 + "Getting user records for users in USER.TXT.\r\n" + c1 +
                            "Model ZV2K, Large 640K\r\n" + c1 + "0000100000 received template.\r\n" +
                            c1 + "0000000042 no template received!\r\n");
  std::string want = c1 + "Getting all user records in reader.\r\n" + c1 + "Model ZV2K, Large 640K\r\n" +
                     c1 + "reader in idle mode while getting user templates from reader.\r\n";
  for (long long id = 100000; id < 100260; ++id) {
    if (id != 100000) want += c1 + Id10(id) + " added.\r\n";
    want += c1 + Id10(id) + " handtemplate updated.\r\n";
  }
  want += c1 + "Reader opertation resumed.\r\n" + c1 + "Users found 260\r\n";
  want += c2 + "Getting all user records in reader.\r\n" + c2 + "Model ZV4K, Large 640K\r\n" + c2 +
          "reader in idle mode while getting user templates from reader.\r\n";
  for (long long id = 200000; id < 200055; ++id)
    want += c2 + Id10(id) + " added.\r\n" + c2 + Id10(id) + " handtemplate updated.\r\n";
  want += c2 + "Reader opertation resumed.\r\n" + c2 + "Users found 55\r\n";
  want += c3 + "Getting all user records in reader.\r\n" + c3 + "Model ZV2K, Large 640K\r\n" + c3 +
          "reader in idle mode while getting user templates from reader.\r\n" + c3 +
          "Reader opertation resumed.\r\n" + c3 + "Users found 0\r\n";
  EXPECT_EQ(Section(2), want);
  EXPECT_EQ(ErrorLog(), "");

  // G appended its user; F took the two free lines first, then the end.
  std::string idx = ReadFile(Data + "user.idx"), dat = ReadFile(Data + "user.dat");
  std::vector<std::string> lines = Lines(idx);
  ASSERT_EQ(lines.size(), 2u + 259 + 55);
  EXPECT_EQ(lines[0], "0000100001");
  EXPECT_EQ(lines[1], "0000000007");
  EXPECT_EQ(lines[2], "0000100002");
  EXPECT_EQ(lines[3], "0000100000");
  EXPECT_EQ(lines[4], "0000100003");
  EXPECT_EQ(lines.back(), "0000200054");
  EXPECT_EQ(ExpectIndexNamesWrittenRecords(idx, dat), 2 + 259 + 55);
  EXPECT_EQ(dat.size(), 24u * lines.size());
  EXPECT_EQ(dat.substr(24 + 5, 11), Record(7).substr(5, 11));  // untouched

  // New users carry the reader's fields; the known one keeps its own.
  std::string users = ReadFile(Data + "user.txt");
  EXPECT_THAT(users, HasSubstr("     100000,   9,          ,         ,         1, Known\r\n"));
  EXPECT_THAT(users, HasSubstr("     100001,   3,       130,         ,         4, \r\n"));
  EXPECT_THAT(users, HasSubstr("     200054,   5,       125,         ,         2, Night shift\r\n"));
  EXPECT_THAT(Show(), Not(HasSubstr("idle yes")));
}

TEST_F(UserDbE2eTest, RestoreByRecordAndByBankWithTimeZonesByNumberAndByGroup) {
  AddSite("1", 2);
  AddReader("1", 1, 0);
  AddReader("1", 2, 2);
  AddUsers("1", 1, 555, 3);  // cleared by R, replaced by D
  AddUsers("1", 2, 555, 3);
  Serve();
  WriteUsers({"11, 5, 140, , 3, Eleven", "12, 150, , , 1, by group", "13, 200, , , 1, group lacks clock",
              "14, abc, x, , junk, odd texts", "15, -3, , , 1, never", "17, 1, , , 1, record missing",
              "0018, 1, , , 2, leading zeros"});
  WriteFile(Data + "group.txt", ".group, site, clock, timezone, comment\r\n"
                                "150, 1, 1, 7, day\r\n200, 1, 9, 4, elsewhere\r\n");
  // A free line, users, an id nobody has, and 17 whose record lies beyond user.dat.
  WriteFile(Data + "user.idx",
            "0\r\n0000000011\r\n0000000012\r\n0000000013\r\n0000000014\r\n0000000015\r\n"
            "0000000099\r\n0000000018\r\n0000000017\r\n");
  WriteFile(Data + "user.dat", Record(1) + Record(11) + Record(12) + Record(13) + Record(14) +
                                   Record(15) + Record(99) + Record(18));

  ExpectCleanRun(RunZorvan({"R1", "D1#2"}));
  const std::string c1 = "Site 1, Clock 1: ", c2 = "Site 1, Clock 2: ";
  EXPECT_EQ(Section(1), c1 + "Model ZV2K, Large 640K\r\n" + c1 +
                            "Clearing user database before restore.\r\n" + c1 +
                            "User database cleared.\r\n" + c1 + "Adding 0000000011.\r\n" + c1 +
                            "Adding 0000000012.\r\n" + c1 + "Adding 0000000014.\r\n" + c1 +
                            "Adding 0000000018.\r\n" + c2 + "Model ZV4K, Large 640K\r\n" + c2 +
                            "Clearing user database before restore.\r\n" + c2 +
                            "User database cleared.\r\n" + c2 + "Adding 0000000011.\r\n" + c2 +
                            "Adding 0000000014.\r\n" + c2 + "Adding 0000000018.\r\n");
  EXPECT_EQ(Section(2), c2 + "Model ZV4K, Large 640K\r\n" + c2 +
                            "reader in idle mode while sending user templates to reader.\r\n" + c2 +
                            "Adding 0000000011.\r\n" + c2 + "Adding 0000000014.\r\n" + c2 +
                            "Adding 0000000018.\r\n" + c2 + "Reader opertation resumed.\r\n");
  EXPECT_EQ(ErrorLog(), "");
  std::string show = Show();
  const std::string tpl = "template 05060708090A0B0C0D0E0F";
  EXPECT_THAT(show, HasSubstr("users 4\n"
                              "      user 0000000011 tz 5 authority 3 reject 140 " + tpl + " comment \"\"\n"
                              "      user 0000000012 tz 7 authority 1 reject 125 " + tpl + " comment \"\"\n"
                              "      user 0000000014 tz 0 authority 0 reject 125 " + tpl + " comment \"\"\n"
                              "      user 0000000018 tz 1 authority 2 reject 125 " + tpl + " comment \"\"\n"));
  // The comment travels in the extended record; an authority that is no level was read
  // as part of the comment by the users file.
  EXPECT_THAT(show, HasSubstr("users 3\n"
                              "      user 0000000011 tz 5 authority 3 reject 140 " + tpl + " comment \"Eleven\"\n"
                              "      user 0000000014 tz 0 authority 0 reject 125 " + tpl + " comment \"junk, odd texts\"\n"
                              "      user 0000000018 tz 1 authority 2 reject 125 " + tpl + " comment \"leading zeros\"\n"));
  EXPECT_THAT(show, Not(HasSubstr("idle yes")));
}

TEST_F(UserDbE2eTest, RestoreInBanksFillsThemToTheLastWholeRecord) {
  AddSite("1", 2);
  AddReader("1", 1, 0);  // 256 records: bank 0 full, then an empty bank 1
  AddReader("1", 2, 2);  // 54 records of 77 bytes: 53 in bank 0, the 54th in bank 1
  Serve();
  std::vector<std::string> users;
  std::string idx, dat;
  for (long long id = 1; id <= 256; ++id) {
    users.push_back(std::to_string(id) + ", " + (id <= 54 ? "1" : "150") + ", , , 1, u");
    idx += Id10(id) + "\r\n";
    dat += Record(id);
  }
  WriteUsers(users);
  WriteFile(Data + "group.txt", ".group, site, clock, timezone, comment\r\n150, 1, 1, 2, only clock 1\r\n");
  WriteFile(Data + "user.idx", idx);
  WriteFile(Data + "user.dat", dat);
  TRunResult r = RunZorvan({"D1"});
  ExpectCleanRun(r);
  // Each clock's two banks, the last one (empty, or with the 54th record) among them.
  EXPECT_THAT(r.out, HasSubstr("#1 D1: 2 readers answered, 4 banks (Restore)\n"));
  EXPECT_EQ(ErrorLog(), "");
  std::string show = Show();
  EXPECT_THAT(show, HasSubstr("users 256\n"));
  EXPECT_THAT(show, HasSubstr("users 54\n"));
  EXPECT_THAT(show, HasSubstr("user 0000000256 tz 2 "));
  EXPECT_THAT(show, HasSubstr("user 0000000054 tz 1 "));
  EXPECT_THAT(show, Not(HasSubstr("idle yes")));
}

TEST_F(UserDbE2eTest, FailedTransfersEndTheClockResumeTheReaderAndTheWalkGoesOn) {
  AddSite("1", 2);
  AddSite("2", 3);
  AddReader("1", 1, 0);
  AddReader("2", 1, 0);
  AddUsers("1", 1, 42, 2);
  AddUsers("2", 1, 42, 2);
  // Site 1 answers the bank number and then no more: the bank, and the resume, fail.
  Emulate({"set-site", State, "--site", "1", "--mute-after", "5"});
  Serve();
  WriteUsers({"42, 1, , , 1, a", "43, 1, , , 1, b"});
  WriteFile(Data + "user.idx", "0000000042\r\n0000000043\r\n");
  WriteFile(Data + "user.dat", Record(42) + Record(43));
  ExpectCleanRun(RunZorvan({"D"}), 1);
  const std::string c1 = "Site 1, Clock 1: ", c2 = "Site 2, Clock 1: ";
  EXPECT_EQ(Section(1), c1 + "Model ZV2K, Large 640K\r\n" + c1 +
                            "reader in idle mode while sending user templates to reader.\r\n" + c1 +
                            "Adding 0000000042.\r\n" + c1 + "Adding 0000000043.\r\n" + c1 +
                            "Failed to download bank number 0.\r\n" + c1 +
                            "Failed to resume reader operation.\r\n" + c1 +
                            "Failed to download user templates\r\n" + c2 + "Model ZV2K, Large 640K\r\n" +
                            c2 + "reader in idle mode while sending user templates to reader.\r\n" + c2 +
                            "Adding 0000000042.\r\n" + c2 + "Adding 0000000043.\r\n" + c2 +
                            "Reader opertation resumed.\r\n");
  std::vector<std::string> errors = Lines(ErrorLog());
  ASSERT_EQ(errors.size(), 3u);
  EXPECT_THAT(errors[0], HasSubstr(" " + c1 + "Failed to download bank number 0."));

  // A user.dat that cannot take a record: F stops at the first, and still resumes.
  ASSERT_EQ(unlink((Data + "user.dat").c_str()), 0);
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  ASSERT_EQ(symlink("/dev/full", (Data + "user.dat").c_str()), 0);
  ForgetLogs();
  ExpectCleanRun(RunZorvan({"F2"}), 1);
  EXPECT_EQ(Section(1), c2 + "Getting all user records in reader.\r\n" + c2 + "Model ZV2K, Large 640K\r\n" +
                            c2 + "reader in idle mode while getting user templates from reader.\r\n" + c2 +
                            "Error writing to user DB, user 42\r\n" + c2 +
                            "Reader opertation resumed.\r\n" + c2 + "Failed to retrieve user templates\r\n");
  EXPECT_EQ(ReadFile(Data + "user.idx"), "0000000042\r\n0000000043\r\n");
  EXPECT_THAT(Show(), HasSubstr("site 2 tcp"));
}

// Readers that lie: banks that never end stop F once the reader's memory is read through; a
// record for another user than the one asked for is not kept; a reader that gives none of the
// users asked for fails the clock. Nothing wrong reaches user.idx or user.dat.
TEST_F(UserDbE2eTest, LyingReadersAreBoundedAndTheirRecordsRefused) {
  AddSite("1", 2);
  AddReader("1", 1, 0, 0);  // 128K: 8192 records of 16 bytes, 32 banks and the end
  AddReader("1", 2, 0, 0);
  AddReader("1", 3, 0, 0);
  AddUsers("1", 1, 500, 3);
  AddUsers("1", 2, 600, 2);
  AddUsers("1", 3, 600, 2);
  Emulate({"set-reader", State, "--site", "1", "--addr", "1", "--lie", "endless-banks"});
  Emulate({"set-reader", State, "--site", "1", "--addr", "2", "--lie", "other-user"});
  Emulate({"set-reader", State, "--site", "1", "--addr", "3", "--lie", "refuse-users"});
  Serve();
  WriteUsers({"600, 1, , , 1, a", "601, 1, , , 1, b"});
  TRunResult run = RunZorvan({"F1#1", "G1#2", "G1#3"});
  ExpectCleanRun(run, 1);
  const std::string c1 = "Site 1, Clock 1: ", c2 = "Site 1, Clock 2: ", c3 = "Site 1, Clock 3: ";
  EXPECT_THAT(Section(1), HasSubstr(c1 + "0000000502 handtemplate updated.\r\n" + c1 +
                                    "More banks than the reader's memory holds (33); reading stopped.\r\n" +
                                    c1 + "Reader opertation resumed.\r\n" + c1 +
                                    "Failed to retrieve user templates\r\n"));
  // F added its three users to user.txt: G asks for them too.
  for (int n : {2, 3}) {
    const std::string& c = n == 2 ? c2 : c3;
    std::string want = c + "Getting user records for users in USER.TXT.\r\n" + c + "Model ZV2K, Small 128K\r\n";
    for (int id : {600, 601, 500, 501, 502}) want += c + Id10(id) + " no template received!\r\n";
    EXPECT_EQ(Section(n), want + c + "Failed to retrieve user templates\r\n" + c + "Failed to get user records.\r\n");
  }
  EXPECT_EQ(ReadFile(Data + "user.idx"), "0000000500\r\n0000000501\r\n0000000502\r\n");
  EXPECT_EQ(ExpectIndexNamesWrittenRecords(ReadFile(Data + "user.idx"), ReadFile(Data + "user.dat")), 3);
  EXPECT_THAT(Show(), Not(HasSubstr("idle yes")));
}

TEST_F(UserDbE2eTest, KilledGetFullLeavesIndexAndRecordsConsistent) {
  AddSite("1", 2);
  AddReader("1", 1, 0);
  AddUsers("1", 1, 500000, 600);
  Serve();
  WriteFile(Data + "user.idx", "0\r\n0\r\n0\r\n");
  // Killed midway, at two moments; whatever it had done by then is consistent.
  for (std::size_t killAt : {30u, 300u}) {
    pid_t pid = fork();
    if (pid == 0) {
      for (const auto& [k, v] : Env) setenv(k.c_str(), v.c_str(), 1);
      int devnull = open("/dev/null", O_WRONLY);
      dup2(devnull, 1);
      dup2(devnull, 2);
      execl(ZV_ZORVAN32, ZV_ZORVAN32, "F", static_cast<char*>(nullptr));
      _exit(127);
    }
    ASSERT_GT(pid, 0);
    for (int i = 0; i < 3000 && Lines(ReadFile(Data + "user.idx")).size() < killAt; ++i)
      usleep(10000);
    kill(pid, SIGKILL);
    int status;
    waitpid(pid, &status, 0);
    std::string idx = ReadFile(Data + "user.idx"), dat = ReadFile(Data + "user.dat");
    int named = ExpectIndexNamesWrittenRecords(idx, dat);
    EXPECT_GE(named, static_cast<int>(killAt));
    EXPECT_LT(named, 600) << "not killed midway";
  }
  ForgetLogs();
  ExpectCleanRun(RunZorvan({"F"}, 60));
  EXPECT_THAT(Section(1), HasSubstr("Site 1, Clock 1: Users found 600\r\n"));
  std::string idx = ReadFile(Data + "user.idx"), dat = ReadFile(Data + "user.dat");
  EXPECT_EQ(ExpectIndexNamesWrittenRecords(idx, dat), 600);
  EXPECT_EQ(Lines(idx).size(), 600u);
  EXPECT_THAT(Show(), Not(HasSubstr("idle yes")));
}

}  // namespace
}  // namespace zv::e2e
