// The command line outside the reader operations: the payroll export (no window, no reader
// operation, the exit status telling damaged lines apart), and the help and manual pages that
// must name every variable and file the programs read.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <dirent.h>
#include <unistd.h>

#include <regex>
#include <set>

#include "tests/e2e/e2e_harness.h"
#include "util/fileio.h"

namespace zv::e2e {
namespace {

using ::testing::HasSubstr;

class CommandLineTest : public TE2eTest {};

TEST_F(CommandLineTest, ExportPunchesWritesCsvWithoutAWindowOrAReaderOperation) {
  WriteFile(Data + "Punch.Log",
            " 1, 2,12,0000000042,          , 8, 5, 3, 1,26,  ,  ,  ,  ,  ,          ,          ,        ,\r\n"
            " 1, 2,12,0000000042,          , 8, 5,13, 1,26,  ,  ,  ,  ,  ,          ,          ,        ,\r\n"
            " 1, 2,13,0000000042,0001020304,17,30, 3,31,26,  ,  ,  ,  ,  ,          ,          ,        ,\r\n"
            " 1, 2,12,0000000042,          , 8, 0, 4, 1,26,  ,  ,  ,  ,  ,          ,          ,        ,\r\n");
  WriteFile(Data + "Sys.Log", " 1, 2, 16,0000000042,          , 9:15, 3/ 2/26\r\n");
  Unset = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};
  Env.erase("QT_QPA_PLATFORM");

  TRunResult r = RunZorvan({"--export-punches", "2026-03-01", "2026-03-31"});
  EXPECT_EQ(r.exitCode, 1) << r.err;
  EXPECT_EQ(r.out, "date,time,site,clock,user,type,code,data,value\r\n"
                   "2026-03-01,08:05,1,2,0000000042,7,12,,\r\n"
                   "2026-03-31,17:30,1,2,0000000042,7,13,0001020304,\r\n");
  EXPECT_THAT(r.err, HasSubstr("Punch.Log line 2: no valid date, skipped\n"));

  std::string csv = Root + "march.csv";
  r = RunZorvan({"--export-punches", "--events", "2026-03-02", "2026-04-01", csv});
  EXPECT_EQ(r.exitCode, 1) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(ReadFile(csv), "date,time,site,clock,user,type,code,data,value\r\n"
                           "2026-03-31,17:30,1,2,0000000042,7,13,0001020304,\r\n"
                           "2026-04-01,08:00,1,2,0000000042,7,12,,\r\n"
                           "2026-03-02,09:15,1,2,0000000042,16,,,\r\n");

  // Bad dates, a range backwards, a log that is not there: nothing written, status 2.
  for (const std::vector<std::string>& bad :
       {std::vector<std::string>{"--export-punches", "2026-02-30", "2026-03-01"},
        {"--export-punches", "2026-03-02", "2026-03-01"},
        {"--export-punches", "2026-03-01"},
        {"--export-punches", "03/01/26", "2026-03-31"}}) {
    r = RunZorvan(bad);
    EXPECT_EQ(r.exitCode, 2) << bad[1];
    EXPECT_THAT(r.err, HasSubstr("usage: zorvan32 --export-punches"));
  }
  // Never over the log it reads, by whatever name.
  const std::string log = ReadFile(Data + "Punch.Log");
  ASSERT_EQ(0, ::symlink((Data + "Punch.Log").c_str(), (Root + "alias.csv").c_str()));
  for (const std::string& over : {Data + "Punch.Log", Root + "alias.csv"}) {
    r = RunZorvan({"--export-punches", "2026-03-01", "2026-03-31", over});
    EXPECT_EQ(r.exitCode, 2) << over;
    EXPECT_THAT(r.err, HasSubstr("will not write over " + Data + "Punch.Log"));
  }
  EXPECT_EQ(ReadFile(Data + "Punch.Log"), log);
  std::remove((Data + "Punch.Log").c_str());
  r = RunZorvan({"--export-punches", "2026-03-01", "2026-03-31", csv});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_THAT(r.err, HasSubstr("cannot read " + Data + "Punch.Log"));
  EXPECT_THAT(ReadFile(csv), HasSubstr("2026-04-01,08:00"));  // the old export kept whole
  EXPECT_EQ(CommandLineLog(), "");  // no run, so no log of one
  EXPECT_FALSE(FileExists(Data + "Error.Log"));
}

// Every variable a program reads by name, from the sources.
std::set<std::string> VariablesRead() {
  // The ports' variables are named by a pattern: the texts name the first and the last.
  std::set<std::string> vars = {"RDRDLL32_COM1", "RDRDLL32_COM4"};
  const std::string root = std::string(ZV_E2E_SOURCE_DIR) + "/../../";
  // The variable's name as the first argument of whatever reads it.
  const std::regex read(R"(\b(getenv|EnvMs|PauseMs|XdgDir|Set)\("([A-Z][A-Z0-9_]+)\")");
  for (const char* dir : {"app", "reader", "rdrlib", "util", "data", "emulator"}) {
    DIR* d = opendir((root + dir).c_str());
    if (!d) continue;
    while (dirent* e = readdir(d)) {
      std::string n = e->d_name;
      if (n.size() < 5 || n.compare(n.size() - 4, 4, ".cpp") != 0 || n.find("_test") != std::string::npos ||
          n.find("_fuzz") != std::string::npos)
        continue;
      std::string text;
      ReadWholeFile(root + dir + "/" + n, text);
      for (std::sregex_iterator m(text.begin(), text.end(), read), end; m != end; ++m)
        vars.insert((*m)[2]);
    }
    closedir(d);
  }
  return vars;
}

TEST_F(CommandLineTest, HelpAndManualPagesNameEveryVariableAndFile) {
  std::set<std::string> vars = VariablesRead();
  EXPECT_TRUE(vars.count("RDRDLL32_MODEM_GUARD_MS"));
  const std::string man = ReadFile(std::string(ZV_E2E_SOURCE_DIR) + "/../../packaging/zorvan32.1");
  TRunResult help = RunZorvan({"--help"});
  for (const std::string& v : vars) {
    EXPECT_NE(man.find(v), std::string::npos) << "zorvan32(1) does not name " << v;
    // The tests' own hooks are for the manual page alone.
    if (v.rfind("ZV_", 0) != 0) {
      EXPECT_NE(help.out.find(v), std::string::npos) << "--help does not name " << v;
    }
  }
  for (const char* f : {"zorvan32.INI", "[Ports]", "modem.txt", "site.txt", "clock.txt", "group.txt",
                        "user.txt", "zv.cfg", "user.dat", "user.idx", "Punch.Log", "Sys.Log",
                        "Error.Log", "trans.dat"}) {
    EXPECT_NE(man.find(f), std::string::npos) << "zorvan32(1) does not name " << f;
    EXPECT_NE(help.out.find(f), std::string::npos) << "--help does not name " << f;
  }
  const std::string emuMan = ReadFile(std::string(ZV_E2E_SOURCE_DIR) + "/../../packaging/rdremu.1");
  EXPECT_THAT(emuMan, HasSubstr(".SH ENVIRONMENT"));
  EXPECT_THAT(emuMan, HasSubstr(".SH FILES"));
  EXPECT_THAT(emuMan, HasSubstr("\\-\\-version"));
}

}  // namespace
}  // namespace zv::e2e
