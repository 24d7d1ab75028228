// The reader operations end to end: zorvan32 started offscreen with parameters, against
// the emulator over TCP, a pseudo-terminal serial line and the emulated modem, read back
// through the command-line log file, Error.Log and Sys.Log.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/e2e/e2e_harness.h"
#include "util/fileio.h"

namespace zv::e2e {
namespace {

using ::testing::ContainsRegex;
using ::testing::HasSubstr;
using ::testing::Not;

const char* kStamp = "[01][0-9]-[0-3][0-9]-[0-9][0-9] [0-2][0-9]:[0-5][0-9]:[0-5][0-9] ";

class ReaderOpsTest : public TE2eTest {
 protected:
  // Copies zorvan32 into a directory of its own, with the given library beside it (or none).
  std::string ZorvanWithLibrary(const std::string& library) {
    std::string dir = Root + "bin/";
    EXPECT_TRUE(ForceDirectories(dir));
    std::string exe = dir + "zorvan32";
    std::string bytes;
    ReadWholeFile(ZV_ZORVAN32, bytes);
    WriteFile(exe, bytes);
    chmod(exe.c_str(), 0755);
    if (!library.empty()) {
      ReadWholeFile(library, bytes);
      WriteFile(dir + "librdrdll32.so", bytes);
    }
    return exe;
  }

  // The run ended by itself with the exit status a script would see.
  void ExpectRun(const TRunResult& r, int status) {
    EXPECT_FALSE(r.timedOut) << r.err;
    EXPECT_EQ(r.exitCode, status) << r.out << r.err;
  }
};

TEST_F(ReaderOpsTest, MissingOrIncompleteLibraryStopsTheOperationNotTheProgram) {
  WriteSites({NetSite("1", Addr(2))});
  WriteClocks({"1, 1"});
  TRunResult r = RunZorvan({"X", "x1"}, 40, ZorvanWithLibrary(""));
  ExpectRun(r, 2);
  EXPECT_THAT(r.out, HasSubstr("#1 X: did not start, 1 failure line\n"
                               "    RDRDLL32.DLL load failed with error #2\n"
                               "#2 x1: did not start, 1 failure line\n"));
  std::string log = CommandLineLog();
  EXPECT_THAT(log, HasSubstr("Running command line paramter #1, X\r\n"
                             "RDRDLL32.DLL load failed with error #2\r\n"
                             "Summary: did not start, 1 failure line\r\n"
                             "Finished processing command line paramter #1, X\r\n"));
  EXPECT_THAT(log, HasSubstr("Finished processing command line paramter #2, x1\r\n"));
  EXPECT_THAT(log, Not(HasSubstr("Testing communications.")));
  EXPECT_THAT(ErrorLog(), ContainsRegex(std::string(kStamp) + "RDRDLL32.DLL load failed"));

  ASSERT_EQ(unlink((Data + CommandLineLogNames()[0]).c_str()), 0);
  r = RunZorvan({"X"}, 40, ZorvanWithLibrary(ZV_FAKE_LACKING));
  ExpectRun(r, 2);
  EXPECT_THAT(CommandLineLog(), HasSubstr("\r\nRDRDLL32.DLL initialization failed with error #"));
  EXPECT_THAT(CommandLineLog(), HasSubstr("Finished processing command line paramter #1, X\r\n"));
}

TEST_F(ReaderOpsTest, TwoParametersWithTheirPausesThenTheClose) {
  TRunResult r = RunZorvan({"x", " q "});
  ExpectRun(r, 2);  // " q " names no operation
  EXPECT_GE(r.seconds, 2.0);  // two pauses of a second each come before the close
  // The run's own lines, in order, and nothing after the last pause.
  std::vector<std::string> lines = Lines(CommandLineLog()), run;
  for (const auto& l : lines)
    if (l.rfind("Running", 0) == 0 || l.rfind("Finished", 0) == 0 || l.rfind("Waiting", 0) == 0)
      run.push_back(l);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "Waiting 1 seconds between commands.");
  EXPECT_THAT(run, ::testing::ElementsAre(
                        "Running command line paramter #1, x",
                        "Finished processing command line paramter #1, x",
                        "Waiting 1 seconds between commands.",
                        "Running command line paramter #2,  q ",
                        "Finished processing command line paramter #2,  q ",
                        "Waiting 1 seconds between commands."));
  // The start-up load lines are in the saved log too.
  EXPECT_THAT(CommandLineLog(), HasSubstr("Sites loaded\r\n"));
}

TEST_F(ReaderOpsTest, NoLogFileWhenSwitchedOff) {
  WriteSettings(1, false);
  ExpectRun(RunZorvan({"Q"}), 2);
  EXPECT_TRUE(CommandLineLogNames().empty());
}

TEST_F(ReaderOpsTest, SiteNotFoundAndNoSitesFoundWithoutReaderContact) {
  WriteSites({"007, , , , , , 0, " + Addr(2) + ", net"});
  WriteClocks({"007, 1"});
  ExpectRun(RunZorvan({"P007", "R999", "PABC"}), 1);
  std::string log = CommandLineLog();
  EXPECT_THAT(log, HasSubstr("\r\nSite not found 7\r\n"));
  EXPECT_THAT(log, HasSubstr("\r\nNo sites found.\r\n"));
  EXPECT_THAT(log, HasSubstr("\r\nSite not found 0\r\n"));
}

TEST_F(ReaderOpsTest, SitesWhoseLineDoesNotOpen) {
  if (!FileExists(std::string(ZV_APP_DIR) + "/librdrdll32.so")) GTEST_SKIP() << "librdrdll32.so is not built";
  // Nothing listens on the address; the serial ports are paths that do not exist; a site
  // edited by hand with nonsense in every field.
  WriteSites({NetSite("1", Addr(9)), "2, 1, 9600, , , , 0, , serial",
              "3, 2, 2400, ATZ, 9, 5551234, 0, , modem",
              "4, -7, 99999999999, ~, , , x, 1.2.3.256.7, junk",
              "5, abc, 12ab, , , , 0, 300.1.1.1, junk"});
  WriteClocks({"1, 1", "2, 1", "3, 1", "4, 1", "5, 1"});
  TRunResult r = RunZorvan({"X"});
  ExpectRun(r, 1);
  std::string log = CommandLineLog();
  EXPECT_THAT(log, HasSubstr("\r\nSite 1: Failed to connect. IP address " + Addr(9) + "\r\n"));
  // The serial ports lead nowhere: installing a channel works, opening it does not.
  EXPECT_THAT(log, HasSubstr("\r\nSite 2: Failed to connect. Baud 9600\r\n"
                             "Site 3: Failed to connect. Baud 2400, Phone 5551234\r\n"
                             "Site 4: Failed to initialize COM Port. COM Port -7\r\n"
                             "Site 5: Failed to connect. Baud 12ab\r\n"));
  EXPECT_THAT(log, Not(HasSubstr("Testing communications.")));
  EXPECT_THAT(ErrorLog(), ContainsRegex(std::string(kStamp) + "Site 1: Failed to connect. IP address "));
}

// --- against the emulator -------------------------------------------------------------

class EmulatedTest : public ReaderOpsTest {
 protected:
  void SetUp() override {
    ReaderOpsTest::SetUp();
    if (!HaveEmulator()) GTEST_SKIP() << "rdremu is not built";
  }
  // Two sites on TCP: 1 with readers 1 (ZV4K), 2 (ZV3K) and 5 offline; 12 with reader 3.
  void TwoTcpSites() {
    Emulate({"init", State});
    AddTcpSite("1", Addr(2));
    AddTcpSite("12", Addr(3));
    AddReader("1", 1, 2, 1);
    AddReader("1", 2, 1, 0);
    AddReader("1", 5, 0, 2);
    SetOffline("1", 5);
    AddReader("12", 3, 3, 2);
    ASSERT_TRUE(StartEmulator());
    WriteSites({NetSite("1", Addr(2)), NetSite("12", Addr(3))});
    WriteClocks({"1, 1", "1, 2", "1, 5", "12, 3"});
  }
};

TEST_F(EmulatedTest, TestAllSitesOverTcp) {
  TwoTcpSites();
  ExpectRun(RunZorvan({"X"}), 1);  // clock 5 is offline
  std::string log = CommandLineLog();
  EXPECT_THAT(log, HasSubstr("Site 1, Clock 1: Testing communications.\r\n"
                             "Site 1, Clock 1: Model ZV4K, Medium 256K\r\n"
                             "Site 1, Clock 1: responded.\r\n"
                             "Site 1, Clock 2: Testing communications.\r\n"
                             "Site 1, Clock 2: Model ZV3K, Small 128K\r\n"
                             "Site 1, Clock 2: responded.\r\n"
                             "Site 1, Clock 5: Testing communications.\r\n"
                             "Site 1, Clock 5: Clock is not responding\r\n"
                             "Site 12, Clock 3: Testing communications.\r\n"
                             "Site 12, Clock 3: Model ZKCR, Large 640K\r\n"
                             "Site 12, Clock 3: responded.\r\n"));
  EXPECT_THAT(ErrorLog(), ContainsRegex(std::string(kStamp) + "Site 1, Clock 5: Clock is not responding\r\n"));
  EXPECT_THAT(ErrorLog(), Not(HasSubstr("responded")));
  EXPECT_TRUE(FileExists(Data + "Sys.Log"));
}

// The section of the command-line log that belongs to parameter n.
std::string Section(const std::string& log, int n) {
  std::string start = "Running command line paramter #" + std::to_string(n) + ",";
  std::string end = "Finished processing command line paramter #" + std::to_string(n) + ",";
  auto a = log.find(start), b = log.find(end);
  return a == std::string::npos || b == std::string::npos ? std::string() : log.substr(a, b - a);
}

TEST_F(EmulatedTest, SelectionFormsSiteAndFixedWidth) {
  TwoTcpSites();
  ExpectRun(RunZorvan({"X1", "X00102", "x001"}), 1);
  std::string log = CommandLineLog();
  // X1: every clock of site 1 and nothing of site 12.
  EXPECT_THAT(Section(log, 1), HasSubstr("Site 1, Clock 1: responded."));
  EXPECT_THAT(Section(log, 1), HasSubstr("Site 1, Clock 2: responded."));
  EXPECT_THAT(Section(log, 1), Not(HasSubstr("Site 12")));
  // X00102: site 1, clock 2 alone.
  EXPECT_THAT(Section(log, 2), HasSubstr("Site 1, Clock 2: responded."));
  EXPECT_THAT(Section(log, 2), Not(HasSubstr("Clock 1:")));
  EXPECT_THAT(Section(log, 2), Not(HasSubstr("Clock 5:")));
  // x001: site 1, upper-cased.
  EXPECT_THAT(Section(log, 3), HasSubstr("Site 1, Clock 1: responded."));
}

TEST_F(EmulatedTest, SelectionFormsWithHash) {
  TwoTcpSites();
  ExpectRun(RunZorvan({"X12#3", "X#3", "X12#03"}), 1);
  std::string log = CommandLineLog();
  // X12#3: site 12, clock 3.
  EXPECT_THAT(Section(log, 1), HasSubstr("Site 12, Clock 3: responded."));
  EXPECT_THAT(Section(log, 1), Not(HasSubstr("Site 1,")));
  // X#3: all sites and all clocks.
  EXPECT_THAT(Section(log, 2), HasSubstr("Site 1, Clock 1: responded."));
  EXPECT_THAT(Section(log, 2), HasSubstr("Site 12, Clock 3: responded."));
  // X12#03: the clock text becomes 3.
  EXPECT_THAT(Section(log, 3), HasSubstr("Site 12, Clock 3: responded."));
}

TEST_F(EmulatedTest, SiteWithoutClocksMissingClockAndClockThatIsNoNumber) {
  TwoTcpSites();
  WriteSites({NetSite("1", Addr(2)), NetSite("12", Addr(3)), NetSite("40", Addr(4))});
  WriteClocks({"1, 1", "1, 2", "1, 5", "12, 3", "12, A"});
  ExpectRun(RunZorvan({"X40", "X1#3", "X12"}), 1);
  std::string log = CommandLineLog();
  EXPECT_THAT(log, HasSubstr("\r\nSite 40: No readers defined\r\n"));
  EXPECT_THAT(log, HasSubstr("\r\nClock not found 3\r\n"));
  EXPECT_THAT(log, HasSubstr("\r\nSite 12, Clock A: Invalid Clock No\r\n"));
  EXPECT_THAT(log, HasSubstr("Site 12, Clock 3: responded."));
  std::string err = ErrorLog();
  EXPECT_THAT(err, ContainsRegex(std::string(kStamp) + "Site 40: No readers defined\r\n"));
  EXPECT_THAT(err, ContainsRegex(std::string(kStamp) + "Clock not found 3\r\n"));
  EXPECT_THAT(err, ContainsRegex(std::string(kStamp) + "Site 12, Clock A: Invalid Clock No\r\n"));
}

TEST_F(EmulatedTest, OperationsWalkAndKeepTheirFiles) {
  TwoTcpSites();
  WriteFile(Data + "empty.bin", "");  // the menu that clears a clock's menu
  ExpectRun(RunZorvan({"P", "C12#3"}), 1);  // clock 5 does not answer the poll
  for (const char* f : {"Punch.Log", "trans.dat", "user.dat", "user.idx", "Sys.Log", "Error.Log"})
    EXPECT_TRUE(FileExists(Data + f)) << f;
  // Only the offline clock fails.
  for (const std::string& l : Lines(CommandLineLog())) {
    if (l.find("Failed") != std::string::npos) {
      EXPECT_THAT(l, HasSubstr("Clock 5: "));
    }
  }
}

// Serial line and modem: the emulator links a pseudo terminal where COM1 points.
TEST_F(EmulatedTest, TestOverSerialLineAndModem) {
  if (!EmulatorOffers("--serial")) GTEST_SKIP() << "rdremu does not serve serial lines yet";
  std::string com1 = Root + "com1", com2 = Root + "com2", com3 = Root + "com3";
  Env["RDRDLL32_COM1"] = com1;
  Env["RDRDLL32_COM2"] = com2;
  Env["RDRDLL32_COM3"] = com3;
  Emulate({"init", State});
  Emulate({"add-site", State, "--site", "7", "--serial", com1});
  AddReader("7", 0, 2, 1);
  AddReader("7", 4, 4, 0);
  bool modem = EmulatorOffers("--phone");
  if (modem) {
    Emulate({"add-site", State, "--site", "8", "--serial", com2, "--phone", "5551234"});
    AddReader("8", 2, 1, 2);
    // A line whose far end is busy.
    Emulate({"add-site", State, "--site", "9", "--serial", com3, "--phone", "5559999",
             "--modem-answer", "BUSY"});
    AddReader("9", 1, 0, 0);
  }
  ASSERT_TRUE(StartEmulator());
  WriteSites({"7, 1, 9600, , , , 0, , serial", "8, 2, 9600, AT&F, 9, 5551234, 0, , modem",
              "9, 3, 2400, , 9, 5559999, 0, , busy modem"});
  WriteClocks({"7, 0", "7, 4", "8, 2", "9, 1"});
  ExpectRun(RunZorvan({"X7", "X8", "X9"}), modem ? 1 : 0);
  std::string log = CommandLineLog();
  EXPECT_THAT(log, HasSubstr("Site 7, Clock 0: Model ZV4K, Medium 256K\r\nSite 7, Clock 0: responded.\r\n"));
  EXPECT_THAT(log, HasSubstr("Site 7, Clock 4: Model ZKII, Small 128K\r\nSite 7, Clock 4: responded.\r\n"));
  if (modem) {
    EXPECT_THAT(log, HasSubstr("Site 8, Clock 2: Model ZV3K, Large 640K\r\nSite 8, Clock 2: responded.\r\n"));
    EXPECT_THAT(log, HasSubstr("\r\nSite 9: Failed to connect. Baud 2400, Phone 5559999\r\n"));
    EXPECT_THAT(ErrorLog(), ContainsRegex(std::string(kStamp) + "Site 9: Failed to connect. Baud 2400"));
  } else {
    std::fprintf(stderr, "rdremu has no modem yet: the modem half is skipped\n");
  }
}

// The settings name the serial ports; a variable in the environment still wins; a line that
// another program holds is the site's failure, and the run goes on with the next site.
TEST_F(EmulatedTest, SerialPortsFromTheSettingsTheEnvironmentWinningAndALineInUse) {
  const std::string a = Root + "tty-a", b = Root + "tty-b", c = Root + "tty-c";
  Emulate({"init", State});
  Emulate({"add-site", State, "--site", "7", "--serial", a});
  Emulate({"add-site", State, "--site", "8", "--serial", b});
  Emulate({"add-site", State, "--site", "9", "--serial", c});
  for (const char* site : {"7", "8", "9"}) AddReader(site, 1, 2, 1);
  ASSERT_TRUE(StartEmulator());
  Env.erase("RDRDLL32_COM1");
  Unset.push_back("RDRDLL32_COM1");                 // COM1: the settings' device
  Env["RDRDLL32_COM2"] = Root + "nocom2";           // COM2: the environment's, which fails
  Env.erase("RDRDLL32_COM3");
  Unset.push_back("RDRDLL32_COM3");                 // COM3: the settings' device, held
  WriteFile(Root + "config/zorvan32.INI",
            "[Zorvan32]\r\nDataPath=" + Data + "\r\nInterCommandDelay=1\r\n[Ports]\r\nCOM1=" + a +
                "\r\nCOM2=" + b + "\r\nCOM3=" + c + "\r\n");
  int other = ::open(c.c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(other, 0);
  ASSERT_EQ(0, ::flock(other, LOCK_EX));
  WriteSites({"7, 1, 9600, , , , 0, , settings", "8, 2, 9600, , , , 0, , environment",
              "9, 3, 9600, , , , 0, , in use"});
  WriteClocks({"7, 1", "8, 1", "9, 1"});
  ExpectRun(RunZorvan({"X"}), 1);
  ::close(other);
  std::string log = CommandLineLog();
  EXPECT_THAT(log, HasSubstr("Site 7, Clock 1: responded.\r\n"));
  EXPECT_THAT(log, HasSubstr("\r\nSite 8: Failed to connect. Baud 9600\r\n"));
  EXPECT_THAT(log, HasSubstr("\r\nSite 9: Failed to connect. Baud 9600\r\n"));
  EXPECT_THAT(log, Not(HasSubstr("Site 9, Clock 1")));
}

}  // namespace
}  // namespace zv::e2e
