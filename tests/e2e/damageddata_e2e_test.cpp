// A damaged data set as an unattended run meets it: data files that exist but cannot be read,
// files read short at a NUL, and a selection that reaches no reader. None of it may pass for
// a good night, and nothing the run saw may be lost.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <regex>

#include "tests/e2e/e2e_harness.h"
#include "util/fileio.h"

namespace zv::e2e {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class DamagedDataTest : public TE2eTest {
 protected:
  // The output with the data directory written DATA/.
  std::string Fixed(const std::string& out) const {
    std::string s = out;
    std::size_t at;
    while ((at = s.find(Data)) != std::string::npos) s.replace(at, Data.size(), "DATA/");
    return std::regex_replace(s, std::regex("[0-9]{8}-[0-9]{6}\\.log"), "DATE.log");
  }
  void Fresh() {
    for (const char* f : {"site.txt", "clock.txt", "user.txt", "group.txt", "zv.cfg"}) {
      std::string p = Data + f;
      unlink(p.c_str());
      rmdir(p.c_str());
    }
    WriteSites({});
    WriteClocks({});
  }
};

// Each row: how the data set is damaged, the parameters, the exit status, and the lines the
// summary must hold.
TEST_F(DamagedDataTest, UnreadableShortAndEmptyDataFilesFailTheRun) {
  struct TCase {
    const char* what;
    std::function<void()> damage;
    std::vector<std::string> params;
    int status;
    std::vector<std::string> out;
  };
  auto dir = [this](const char* f) {
    return [this, f] {
      unlink((Data + f).c_str());
      ASSERT_EQ(mkdir((Data + f).c_str(), 0755), 0);
    };
  };
  auto fifo = [this](const char* f) {
    return [this, f] {
      unlink((Data + f).c_str());
      ASSERT_EQ(mkfifo((Data + f).c_str(), 0644), 0);
    };
  };
  auto nul = [this](const char* f, const std::string& head) {
    return [this, f, head] { WriteFile(Data + f, head + std::string("\0", 1) + "\r\n#rdr 2 1\r\n#pw 1 99\r\n"); };
  };
  const TCase cases[] = {
      {"site.txt a directory", dir("site.txt"), {"X"}, 2,
       {"#1 X: did not start, 1 failure line\n"
        "    Cannot read DATA/site.txt: Is a directory\n"}},
      {"site.txt a FIFO nobody writes to", fifo("site.txt"), {"P"}, 2,
       {"    Cannot read DATA/site.txt: not a regular file\n"}},
      {"user.txt a FIFO: P would drop the users it saw", fifo("user.txt"), {"P"}, 2,
       {"    Cannot read DATA/user.txt: not a regular file\n"}},
      {"zv.cfg a directory: C would send the defaults; T needs no zv.cfg", dir("zv.cfg"), {"C", "T"}, 2,
       {"#1 C: did not start, 1 failure line\n"
        "    Cannot read DATA/zv.cfg: Is a directory\n"
        "#2 T: 0 readers answered, 1 failure line\n"
        "    No readers selected: DATA/site.txt lists no sites\n"}},
      {"zv.cfg read short", nul("zv.cfg", ".Zorvan Configurations\r\n#rdr 1 1\r\n"), {"C"}, 2,
       {"    DATA/zv.cfg was read only up to a NUL byte in line 3 (byte offset 34 of 57): nothing "
        "is sent from it until it is mended\n"}},
      {"no sites at all, or not the one named", [] {}, {"P", "R", "x7"}, 1,
       {"#1 P: 0 readers answered, 1 failure line\n"
        "    No readers selected: DATA/site.txt lists no sites\n",
        "#2 R: site not found, 1 failure line\n"
        "    No readers selected: DATA/site.txt lists no sites\n"
        "#3 x7: site not found\n"}},
  };
  WriteSettings(1);
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    Fresh();
    c.damage();
    TRunResult r = RunZorvan(c.params, 30);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, c.status) << r.out << r.err;
    for (const std::string& line : c.out) EXPECT_THAT(Fixed(r.out), HasSubstr(line));
    // The window said it as the data set was loaded, before any operation ran.
    if (c.status == 2) {
      EXPECT_THAT(Fixed(CommandLineLog()), ::testing::ContainsRegex("loaded\r\n(Cannot read|DATA/)"));
    }
    for (const std::string& f : CommandLineLogNames()) unlink((Data + f).c_str());
  }
}

// A poll meets a user.txt with a NUL in its third line: the punches are kept, user.txt is not
// cut off at the NUL, the users the poll saw wait in user.txt.added, and the run says where.
// The same run's C finds the configuration typed with leading zeros ("007", "02").
TEST_F(DamagedDataTest, APollKeepsTheUsersItSawWhenUserTxtWasReadShort) {
  if (!HaveEmulator()) GTEST_SKIP() << "rdremu is not built";
  Emulate({"init", State});
  AddTcpSite("7", Addr(2));
  AddReader("7", 2, 2, 1);
  Emulate({"add-user", State, "--site", "7", "--addr", "2", "--user", "9"});
  Emulate({"add-punch", State, "--site", "7", "--addr", "2", "--user", "9", "--time",
           "2026-12-08 06:00"});
  ASSERT_TRUE(StartEmulator());
  WriteSettings(1);
  WriteSites({NetSite("007", Addr(2))});
  WriteClocks({"007, 02"});
  WriteFile(Data + "empty.bin", "");  // the menu of a clock that names none
  WriteFile(Data + "zv.cfg", ".Zorvan Configurations\r\n#rdr 2 7\r\n#pw 1 4321\r\n#end\r\n");
  const std::string users = std::string(
      ".ID TZ\r\n          1,   0\r\n          2,   0\0\r\n          3,   0\r\n          4,   0\r\n", 81);
  WriteFile(Data + "user.txt", users);

  TRunResult r = RunZorvan({"C", "P"});
  EXPECT_EQ(r.exitCode, 2) << r.out << r.err;
  // Refused after the clock and again at the end of the poll, each time with the same reason.
  const std::string refused = "Failed to save users file DATA/user.txt: read only up to a NUL "
                              "byte in line 3 (byte offset 42 of 81), not saved over so as not "
                              "to cut off the rest; 1 record added since are kept in "
                              "DATA/user.txt.added\n";
  EXPECT_THAT(Fixed(r.out), HasSubstr("#1 C: 1 reader answered\n#2 P: 1 reader answered, "
                                      "1 transaction (Poll), results not saved, 2 failure lines\n"
                                      "    Site 007, Clock 02: " + refused + "    " + refused));
  EXPECT_THAT(CommandLineLog(), Not(HasSubstr("No configuration defined")));
  EXPECT_THAT(Fixed(CommandLineLog()),
              HasSubstr("Users loaded\r\nDATA/user.txt was read only up to a NUL byte in line 3"));
  EXPECT_EQ(ReadFile(Data + "user.txt"), users);
  EXPECT_EQ(ReadFile(Data + "user.txt.added"), "          9,  61,          ,         ,         0, \r\n");
  EXPECT_EQ(Lines(ReadFile(Data + "Punch.Log")).size(), 1u);
}

}  // namespace
}  // namespace zv::e2e
