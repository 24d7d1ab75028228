// Unattended runs as cron or a systemd timer makes them: the exit status and the summary a
// script reads, runs without a display, the informational parameters, one user's run beside
// another's, and data files that an administrator has linked, closed or edited elsewhere.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <regex>

#include "tests/e2e/e2e_harness.h"
#include "util/fileio.h"

namespace zv::e2e {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

constexpr int kOther = 65534;  // the user that root's tests run the program as

// Every path under a directory with its size and modification time.
std::map<std::string, std::string> Snapshot(const std::string& dir) {
  static std::map<std::string, std::string>* out;
  std::map<std::string, std::string> result;
  out = &result;
  nftw(
      dir.c_str(),
      [](const char* p, const struct stat* st, int, struct FTW*) {
        (*out)[p] = std::to_string(st->st_size) + "@" + std::to_string(st->st_mtim.tv_sec) + "." +
                    std::to_string(st->st_mtim.tv_nsec);
        return 0;
      },
      16, FTW_PHYS);
  return result;
}

ino_t Inode(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

class UnattendedTest : public TE2eTest {
 protected:
  // The summary with the data directory and the log's dated name made fixed.
  std::string Fixed(const std::string& out) const {
    std::string s = std::regex_replace(out, std::regex("[0-9]{8}-[0-9]{6}\\.log"), "DATE.log");
    std::size_t at;
    while ((at = s.find(Data)) != std::string::npos) s.replace(at, Data.size(), "DATA/");
    return s;
  }
  void NeedRoot() {
    if (getuid() != 0) GTEST_SKIP() << "needs root to run the program as a second user";
  }
  // A directory the other user owns.
  std::string OwnedDir(const std::string& name) {
    std::string d = Root + name + "/";
    EXPECT_TRUE(ForceDirectories(d));
    EXPECT_EQ(chown(d.c_str(), kOther, kOther), 0);
    return d;
  }
  void GiveAway(const std::string& path) { EXPECT_EQ(chown(path.c_str(), kOther, kOther), 0) << path; }
};

TEST_F(UnattendedTest, ExitStatusAndSummaryAgainstTheEmulator) {
  if (!HaveEmulator()) GTEST_SKIP() << "rdremu is not built";
  Emulate({"init", State});
  AddTcpSite("1", Addr(2));
  AddTcpSite("12", Addr(3));
  AddReader("1", 1, 2, 1);
  AddReader("1", 5, 0, 2);
  SetOffline("1", 5);
  AddReader("12", 3, 3, 2);
  ASSERT_TRUE(StartEmulator());
  WriteSites({NetSite("1", Addr(2)), NetSite("12", Addr(3)), NetSite("40", Addr(9))});
  WriteClocks({"1, 1", "1, 5", "12, 3", "40, 1"});

  TRunResult r = RunZorvan({"X12"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Fixed(r.out),
            "#1 X12: 1 reader answered\n"
            "Log of the run: DATA/DATE.log\n"
            "Exit status 0: every operation ran without a failure\n");
  EXPECT_EQ(r.err, "");

  r = RunZorvan({"X", "x1#1", "X7"});
  EXPECT_EQ(r.exitCode, 1) << r.err;
  EXPECT_EQ(Fixed(r.out),
            "#1 X: 2 readers answered, 1 did not (Site 1, Clock 5), 1 site not reached (Site 40), "
            "2 failure lines\n"
            "    Site 1, Clock 5: Clock is not responding\n"
            "    Site 40: Failed to connect. IP address " + Addr(9) + "\n"
            "#2 x1#1: 1 reader answered\n"
            "#3 X7: site not found\n"
            "Log of the run: DATA/DATE.log\n"
            "Exit status 1: some operation reported a failure (see DATA/Error.Log)\n");
}

TEST_F(UnattendedTest, OptionsAreReadBeforeAnythingRunsOrIsTouched) {
  Unset = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};
  auto before = Snapshot(Root);
  TRunResult help = RunZorvan({"--help"});
  TRunResult h = RunZorvan({"-h"});
  TRunResult helpFirst = RunZorvan({"--quiet", "-h", "P"});
  TRunResult version = RunZorvan({"--version"});
  TRunResult unknown = RunZorvan({"--qiuet", "P"});
  TRunResult valued = RunZorvan({"--quiet=yes", "P"});
  // Only the harness's files of the program's output are new.
  const std::regex output(".*/run[0-9]+\\.(out|err)");
  for (const auto& [path, stamp] : Snapshot(Root)) {
    if (path + "/" != Root && !std::regex_match(path, output)) {
      EXPECT_EQ(before[path], stamp) << path;
    }
  }
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_THAT(help.out, StartsWith("Usage: zorvan32 [--quiet] [--parallel-lines N] [OPERATION...]\n"));
  EXPECT_THAT(help.out, HasSubstr("Exit status: 0 "));
  EXPECT_EQ(help.err, "");
  EXPECT_EQ(h.exitCode, 0);
  EXPECT_EQ(h.out, help.out);
  EXPECT_EQ(helpFirst.out, help.out);
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_THAT(version.out, StartsWith("zorvan32 (Zorvan Utility) "));
  EXPECT_EQ(unknown.exitCode, 2);
  EXPECT_EQ(unknown.out, "");
  EXPECT_EQ(unknown.err, "zorvan32: unknown option --qiuet (see zorvan32 --help)\n");
  EXPECT_EQ(valued.exitCode, 2);
  EXPECT_EQ(valued.err, "zorvan32: the option --quiet takes no value (see zorvan32 --help)\n");
  EXPECT_TRUE(CommandLineLogNames().empty());

  // After the first operation (or "--") every parameter is an operation, as given.
  TRunResult run = RunZorvan({"--", "--help", "X", "-h"});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_THAT(run.out, HasSubstr("#1 --help: not an operation, nothing run\n"
                                 "#2 X: 0 readers answered, 1 failure line\n"));  // no site
  EXPECT_THAT(run.out, HasSubstr("#3 -h: not an operation, nothing run\n"));
  EXPECT_THAT(CommandLineLog(), HasSubstr("Running command line paramter #1, --help\r\n"));
}

// cron mails whatever a job prints: a quiet run prints the summary only when its status is
// not 0, and the status is the same either way.
TEST_F(UnattendedTest, QuietPrintsOnlyWhenSomeoneMustLook) {
  // A clean run needs a reader that answers: an empty data set is a failure.
  if (!HaveEmulator()) GTEST_SKIP() << "rdremu is not built";
  Emulate({"init", State});
  AddTcpSite("1", Addr(2));
  AddReader("1", 1, 2, 1);
  ASSERT_TRUE(StartEmulator());
  WriteSites({NetSite("1", Addr(2))});
  WriteClocks({"1, 1"});
  TRunResult clean = RunZorvan({"--quiet", "X"});
  EXPECT_EQ(clean.exitCode, 0) << clean.err;
  EXPECT_EQ(clean.out, "");
  EXPECT_EQ(clean.err, "");
  TRunResult failed = RunZorvan({"--quiet", "X7"});
  EXPECT_EQ(failed.exitCode, 1) << failed.err;
  EXPECT_EQ(Fixed(failed.out),
            "#1 X7: site not found\n"
            "Log of the run: DATA/DATE.log\n"
            "Exit status 1: some operation reported a failure\n");
}

// An error that stops the run keeps the name of its operation, and every parameter after it
// is said not to have run. Where Error.Log could not be written, the summary says so and
// lists every failure line instead of sending the reader there.
TEST_F(UnattendedTest, SummaryOfARunStoppedByAnErrorOrWithoutErrorLog) {
  ASSERT_TRUE(ForceDirectories(Data + "Punch.Log"));
  TRunResult r = RunZorvan({"X", "P", "X", "T"});
  EXPECT_EQ(r.exitCode, 2) << r.err;
  EXPECT_EQ(Fixed(r.out),
            "#1 X: 0 readers answered, 1 failure line\n"
            "    No readers selected: DATA/site.txt lists no sites\n"
            "#2 P: stopped by an error: Cannot open file DATA/Punch.Log. Is a directory\n"
            "#3 X: not run\n"
            "#4 T: not run\n"
            "Log of the run: DATA/DATE.log\n"
            "Exit status 2: parameters not run or results not kept (see DATA/Error.Log)\n");

  const std::string gone = Root + "gone/";
  WriteFile(Root + "config/zorvan32.INI", "[Zorvan32]\r\nDataPath=" + gone + "\r\n"
                                          "InterCommandDelay=1\r\nSaveCommandLineLog=0\r\n");
  r = RunZorvan({"X"});
  EXPECT_EQ(r.exitCode, 2) << r.err;
  EXPECT_EQ(r.out, "#1 X: did not start, 1 failure line\n"
                   "    Unable to create file " + gone + "Sys.Log\n"
                   "Exit status 2: parameters not run or results not kept (" + gone +
                   "Error.Log could not be written; the failure lines are above)\n");
}

TEST_F(UnattendedTest, WithoutAnyDisplayVariable) {
  Unset = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};
  TRunResult r = RunZorvan({"X"});
  EXPECT_EQ(r.exitCode, 1) << r.err;  // it ran: on an empty data set, which is no good night
  EXPECT_EQ(r.err, "");  // nothing of the offscreen platform's notices
  EXPECT_THAT(CommandLineLog(), HasSubstr("Finished processing command line paramter #1, X\r\n"));

  // Nobody could see or use a window: one line says so.
  r = RunZorvan({}, 10);
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  EXPECT_THAT(r.err, HasSubstr("no display"));
}

// A display that is named but cannot be opened (the session ended, the X server is gone) is
// as good as none: a run goes offscreen, a start without operations says why. Never Qt's
// abort.
TEST_F(UnattendedTest, WithADisplayThatCannotBeOpened) {
  const std::pair<std::string, std::string> displays[] = {
      {"DISPLAY", ":31999"}, {"WAYLAND_DISPLAY", Root + "no-compositor"}};
  Env.erase("QT_QPA_PLATFORM");
  for (const auto& [variable, value] : displays) {
    Unset = {"QT_QPA_PLATFORM", variable == "DISPLAY" ? "WAYLAND_DISPLAY" : "DISPLAY"};
    Env[variable] = value;
    TRunResult r = RunZorvan({"X"});
    EXPECT_EQ(r.exitCode, 1) << variable << r.err;  // it ran, on an empty data set
    EXPECT_EQ(r.err, "") << variable;
    EXPECT_THAT(r.out, HasSubstr("#1 X: 0 readers answered, 1 failure line\n")) << variable;

    r = RunZorvan({}, 10);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 2) << variable;
    EXPECT_EQ(r.err, "zorvan32: the display " + value + " cannot be opened; give it operations "
                     "to run them unattended, or see zorvan32 --help\n");
    Env.erase(variable);
  }
}

// The demonstration without a display, as README promises it: the log of the run and what
// the poll wrote, and status 0, the one reader that is offline by design being all that failed.
TEST_F(UnattendedTest, DemoWithoutADisplay) {
  if (!HaveEmulator()) GTEST_SKIP() << "rdremu is not built";
  Unset = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};
  Env["ZV_DEMO_DIR"] = Root + "demo";
  const std::string script = std::string(ZV_E2E_SOURCE_DIR) + "/../../scripts/demo.sh";
  TRunResult r = Wait(Start("/bin/bash", {script, ZV_BUILD_DIR}), 120);
  EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
  for (const char* part :
       {"demo: the log of the run, ", "Finished processing command line paramter #2, P\r\n",
        "demo: Punch.Log\n", "demo: Sys.Log\n", "demo: user.txt\n", "demo: user.idx\n",
        "#2 P: 6 readers answered, 1 did not (Site 1, Clock 3), 17 transactions (Poll), 1 failure line\n",
        "demo: status 1 because site 1, clock 3 is offline, as designed"})
    EXPECT_THAT(r.out, HasSubstr(part));
}

// cron sets no runtime directory; each user's lock is then in a directory of that user's own,
// so neither another user's run nor a planted directory keeps a nightly poll out.
TEST_F(UnattendedTest, TwoUsersSideBySideWithoutRuntimeDirectory) {
  NeedRoot();
  if (DirectoryExists("/run/user/0")) GTEST_SKIP() << "root has a session: its lock is there";
  ASSERT_EQ(chmod(Root.c_str(), 0755), 0);
  std::string tmp = Root + "tmp";
  ASSERT_TRUE(ForceDirectories(tmp));
  ASSERT_EQ(chmod(tmp.c_str(), 01777), 0);
  Env["TMPDIR"] = tmp;
  Unset = {"XDG_RUNTIME_DIR"};

  // The other user: settings, data and XDG directories of its own, a longer pause.
  std::string other = OwnedDir("other");
  std::string otherData = OwnedDir("other/data");
  WriteFile(other + "zorvan32.INI",
            "[Zorvan32]\r\nDataPath=" + otherData + "\r\nInterCommandDelay=3\r\n");
  GiveAway(other + "zorvan32.INI");
  std::map<std::string, std::string> mine = Env;
  Env["XDG_CONFIG_HOME"] = other;
  Env["XDG_DATA_HOME"] = other;
  RunAsUid = kOther;
  TStarted theirs = StartZorvan({"X"});
  RunAsUid = -1;
  Env = mine;
  // Wait until the other run holds its lock.
  std::string theirLock = tmp + "/zorvan32-" + std::to_string(kOther) + "/Zorvan32Mutex";
  for (int i = 0; i < 200 && !FileExists(theirLock); ++i) usleep(20000);
  ASSERT_TRUE(FileExists(theirLock));

  // Both run, each on its empty data set (status 1: no readers selected), neither kept out.
  TRunResult r = RunZorvan({"X"});
  EXPECT_EQ(r.exitCode, 1) << r.err;
  EXPECT_THAT(r.out, HasSubstr("#1 X: 0 readers answered, 1 failure line\n"));
  TRunResult t = Wait(theirs);
  EXPECT_EQ(t.exitCode, 1) << t.err;
  struct stat st;
  ASSERT_EQ(lstat((tmp + "/zorvan32-0").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_EQ(st.st_uid, 0u);

  // A directory of our name made by someone else is not trusted: the run goes ahead alone.
  ASSERT_EQ(std::system(("rm -rf '" + tmp + "/zorvan32-0'").c_str()), 0);
  ASSERT_EQ(mkdir((tmp + "/zorvan32-0").c_str(), 0777), 0);
  GiveAway(tmp + "/zorvan32-0");
  r = RunZorvan({"X"});
  EXPECT_EQ(r.exitCode, 1) << r.err;
  EXPECT_THAT(r.err, HasSubstr("running without the one-instance lock"));
  EXPECT_FALSE(PathExists(tmp + "/zorvan32-0/Zorvan32Mutex"));
}

TEST_F(UnattendedTest, PollAddsUsersThroughALinkAndReadsAByteOrderMark) {
  if (!HaveEmulator()) GTEST_SKIP() << "rdremu is not built";
  // Site 13's reader has a punch of user 9, whom user.txt does not know yet.
  Emulate({"init", State});
  AddTcpSite("13", Addr(2));
  AddReader("13", 1, 2, 1);
  Emulate({"add-user", State, "--site", "13", "--addr", "1", "--user", "9"});
  Emulate({"add-punch", State, "--site", "13", "--addr", "1", "--user", "9", "--time",
           "2026-12-08 06:00"});
  ASSERT_TRUE(StartEmulator());
  // site.txt as a Windows editor saves it; user.txt a link into a directory shared with
  // other tools.
  WriteFile(Data + "site.txt", "\xEF\xBB\xBF.site  port  baud\r\n13, , , , , , 0, " + Addr(2) +
                                   ", net\r\n");
  WriteClocks({"13, 1"});
  std::string shared = Root + "shared/";
  ASSERT_TRUE(ForceDirectories(shared));
  WriteFile(shared + "users.txt", ".users\r\n");
  ASSERT_EQ(chmod((shared + "users.txt").c_str(), 0640), 0);
  ASSERT_EQ(symlink("../shared/users.txt", (Data + "user.txt").c_str()), 0);

  TRunResult r = RunZorvan({"P13"});
  EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
  EXPECT_THAT(r.out, HasSubstr("#1 P13: 1 reader answered, 1 transaction (Poll)\n"));
  EXPECT_THAT(CommandLineLog(), Not(HasSubstr("Site not found")));
  // The poll saved user.txt: through the link, which stays, into its target.
  struct stat st;
  ASSERT_EQ(lstat((Data + "user.txt").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  ASSERT_EQ(stat((shared + "users.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  std::vector<std::string> users = Lines(ReadFile(shared + "users.txt"));
  ASSERT_EQ(users.size(), 2u);
  EXPECT_EQ(users[0], ".users");
  EXPECT_EQ(users[1], "          9,  61,          ,         ,         0, ");  // the new user
}

// The administrator closed the data directory to the program's user and left the files it
// must write open to it: the users file is written in place, the log of the run cannot be
// made, and the run says so and ends with status 2.
TEST_F(UnattendedTest, ClosedDataDirectoryWithWritableFiles) {
  NeedRoot();
  ASSERT_EQ(chmod(Root.c_str(), 0755), 0);
  std::string punch = OwnedDir("punch");
  std::string config = OwnedDir("otherconfig");
  WriteFile(config + "zorvan32.INI",
            "[Zorvan32]\r\nDataPath=" + Data + "\r\nPunchPath=" + punch + "\r\nInterCommandDelay=1\r\n");
  for (const char* f : {"group.txt", "user.txt", "zv.cfg", "Sys.Log", "Error.Log", "trans.dat",
                        "user.dat", "user.idx"})
    WriteFile(Data + f, std::string(f) == "user.txt" ? ".users\r\n" : "");
  for (const char* f : {"site.txt", "clock.txt", "group.txt", "user.txt", "zv.cfg", "Sys.Log",
                        "Error.Log", "trans.dat", "user.dat", "user.idx"})
    GiveAway(Data + f);
  ASSERT_EQ(chmod(Data.c_str(), 0755), 0);  // root's, closed to the other user
  ino_t users = Inode(Data + "user.txt");
  Env["XDG_CONFIG_HOME"] = config;
  Env["XDG_DATA_HOME"] = config;
  RunAsUid = kOther;
  TRunResult r = RunZorvan({"P"});
  RunAsUid = -1;
  EXPECT_EQ(r.exitCode, 2) << r.out << r.err;
  EXPECT_THAT(r.err, HasSubstr("unable to save the command-line log " + Data));
  EXPECT_THAT(Fixed(r.out), HasSubstr("Not saved: command-line log DATA/DATE.log: "));
  EXPECT_THAT(r.out, HasSubstr("#1 P: 0 readers answered, 1 failure line\n"));
  EXPECT_EQ(Inode(Data + "user.txt"), users);  // written where it is
  EXPECT_EQ(ReadFile(Data + "user.txt"), ".users\r\n");
  EXPECT_TRUE(CommandLineLogNames().empty());
}

}  // namespace
}  // namespace zv::e2e
