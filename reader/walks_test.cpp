// The engine frame: logs, the site and clock walks, the three kinds of channel with their
// failure lines, and the communications test, against the stand-in library.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "reader/engine.h"
#include "reader/entryops.h"
#include "reader/testing/fakehost.h"
#include "reader/polling.h"
#include "reader/readerinfo.h"
#include "util/fileio.h"

namespace zv::test {
namespace {

using ::testing::ContainsRegex;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

class WalksTest : public EngineTest {};

// Site lines: site, port, baud, init, dial, phone, tza, ipaddress, description.
const char* kNet5 = "5, , , , , , 0, 127.0.0.2, net";
const char* kSerial6 = "6, 2, , , , , 0, , serial";
const char* kModem7 = "7, 1, 2400, ATZ, 9, 5551234, 0, , modem";

TEST_F(WalksTest, EmptySiteListOpensAndClosesTheLogs) {
  LoadClocks({});
  EXPECT_TRUE(TestSites({}, ""));
  EXPECT_TRUE(Host.Lines.empty());
  EXPECT_EQ(access((Dir + "Sys.Log").c_str(), F_OK), 0);
  EXPECT_EQ(access((Dir + "Error.Log").c_str(), F_OK), 0);
  EXPECT_EQ(Engine().Rdr, nullptr);
  EXPECT_EQ(Engine().ErrorLog, nullptr);
}

TEST_F(WalksTest, SiteWithoutClocksIsReportedWithoutOpeningAChannel) {
  LoadSites({kNet5});
  LoadClocks({"9, 1"});
  EXPECT_TRUE(TestSites(AllSites(), ""));
  EXPECT_THAT(Host.Lines, ElementsAre("Site 5: No readers defined"));
  EXPECT_THAT(ReadFile("Error.Log"),
              ContainsRegex("^[01][0-9]-[0-3][0-9]-[0-9][0-9] [0-2][0-9]:[0-5][0-9]:[0-5][0-9] "
                            "Site 5: No readers defined\r\n$"));
  EXPECT_EQ(Calls(), "");
  EXPECT_EQ(Host.Processed, 1);
}

TEST_F(WalksTest, TestsEveryClockOfEverySiteInFileOrder) {
  LoadSites({kNet5, kSerial6});
  LoadClocks({"5, 1", "6, 0", "5, 2"});
  Fake.set_reader(2, 200, 3, 1);
  Fake.set_reader(0, 0, 0, 0);  // offline
  EXPECT_TRUE(TestSites(AllSites(), ""));
  EXPECT_THAT(Host.Lines,
              ElementsAre("Site 5, Clock 1: Testing communications.",
                          "Site 5, Clock 1: Model ZV4K, Medium 256K", "Site 5, Clock 1: responded.",
                          "Site 5, Clock 2: Testing communications.",
                          "Site 5, Clock 2: Model UNKNOWN, Memory UNKNOWN",
                          "Site 5, Clock 2: responded.", "Site 6, Clock 0: Testing communications.",
                          "Site 6, Clock 0: Clock is not responding"));
  EXPECT_THAT(ReadFile("Error.Log"), HasSubstr(" Site 6, Clock 0: Clock is not responding\r\n"));
  EXPECT_THAT(ReadFile("Error.Log"), Not(HasSubstr("responded")));
  // Network: startup, session, close, pause, clean-up; serial: COM2 is index 1 at 9600.
  EXPECT_THAT(Calls(), HasSubstr("rdrStartupWsock()\nrdrInitWsock(127.0.0.2,3001)\n"));
  EXPECT_THAT(Calls(), HasSubstr("rdrCloseWsock(11)\nrdrCleanupWsock()\n"));
  EXPECT_THAT(Calls(), HasSubstr("rdrInstallChannel(1)\nrdrOpenDirectChannel(22,9600)\n"));
  EXPECT_THAT(Calls(), HasSubstr("rdrCloseChannel(22)\n"));
  EXPECT_THAT(Host.Slept, ElementsAre(150));
}

TEST_F(WalksTest, SelectedClockAndMissingClock) {
  LoadSites({kNet5});
  LoadClocks({"5, 1", "5, 03", "5, 3"});
  EXPECT_TRUE(TestSites(AllSites(), "3"));
  EXPECT_THAT(Window(), HasSubstr("Site 5, Clock 3: responded."));
  EXPECT_THAT(Window(), Not(HasSubstr("Clock 03")));
  EXPECT_THAT(Window(), Not(HasSubstr("Clock 1")));

  Host.Lines.clear();
  Fake.reset();
  EXPECT_TRUE(TestSites(AllSites(), "4"));
  EXPECT_THAT(Host.Lines, ElementsAre("Clock not found 4"));
  EXPECT_THAT(ReadFile("Error.Log"), HasSubstr(" Clock not found 4\r\n"));
  EXPECT_EQ(Fake.count("rdrCloseWsock"), 1);
  EXPECT_EQ(Fake.count("rdrCleanupWsock"), 1);
}

TEST_F(WalksTest, InvalidClockNumbersAreSkippedAndTheNextClockTried) {
  LoadSites({kNet5});
  // A letter, and numbers whose low 8 bits would reach another reader.
  LoadClocks({"5, A", "5, 258", "5, -1", "5, 4"});
  EXPECT_TRUE(TestSites(AllSites(), ""));
  EXPECT_THAT(Host.Lines, ElementsAre("Site 5, Clock A: Invalid Clock No",
                                      "Site 5, Clock 258: Invalid Clock No",
                                      "Site 5, Clock -1: Invalid Clock No",
                                      "Site 5, Clock 4: Testing communications.",
                                      "Site 5, Clock 4: Model ZV4K, Medium 256K",
                                      "Site 5, Clock 4: responded."));
  EXPECT_EQ(Fake.count("rdrSetHandReader"), 1);
}

TEST_F(WalksTest, AllClocksEvenWhenALineHasAnEmptyClockNumber) {
  LoadSites({kNet5});
  LoadClocks({"5, , menu.bin", "5, 1"});
  EXPECT_TRUE(TestSites(AllSites(), ""));
  EXPECT_THAT(Host.Lines, ElementsAre("Site 5, Clock : Invalid Clock No",
                                      "Site 5, Clock 1: Testing communications.",
                                      "Site 5, Clock 1: Model ZV4K, Medium 256K",
                                      "Site 5, Clock 1: responded."));
}

TEST_F(WalksTest, FailedReaderInformationShowsModelZeroAndGoesOn) {
  LoadSites({kNet5});
  LoadClocks({"5, 1"});
  Fake.set_result("rdrGetReaderInfo", 1);
  EXPECT_TRUE(TestSites(AllSites(), ""));
  EXPECT_THAT(Window(), HasSubstr("Site 5, Clock 1: Model ZV2K, Memory UNKNOWN\n"));
  EXPECT_THAT(Window(), HasSubstr("Site 5, Clock 1: responded."));
  EXPECT_EQ(Fake.count("rdrGetReaderInfo"), 3);
}

TEST_F(WalksTest, ChannelFailureLines) {
  LoadSites({kNet5, kSerial6, kModem7, "8, x, fast, , , , 0, 1.2.3.256, odd"});
  LoadClocks({"5, 1", "6, 1", "7, 1", "8, 1"});
  Fake.set_result("rdrStartupWsock", 1);
  Fake.set_result("rdrOpenDirectChannel", 1);
  Fake.set_result("rdrSetModemInitString", 1);
  TestSites(AllSites(), "");
  EXPECT_THAT(Host.Lines, ElementsAre("Site 5: Failed to start ethernet session.",
                                      "Site 6: Failed to connect. Baud ",
                                      "Site 7: Failed to set modem initialization string. ATZ",
                                      "Site 8: Failed to connect. Baud fast"));
  // Bad port text opens COM1, bad baud 9600; an address with 256 is no network address.
  EXPECT_THAT(Calls(), HasSubstr("rdrInstallChannel(0)\nrdrOpenDirectChannel(22,9600)\n"));
  // A channel whose opening failed is released before the next site.
  EXPECT_EQ(Fake.count("rdrInstallChannel"), 3);
  EXPECT_EQ(Fake.count("rdrCloseChannel"), 3);

  Host.Lines.clear();
  Fake.reset();
  Fake.set_result("rdrInitWsock", 0);
  Fake.set_result("rdrOpenModemChannel", 1);
  Fake.set_result("rdrInstallChannel", 0);
  TestSites(AllSites(), "");
  EXPECT_THAT(Host.Lines, ElementsAre("Site 5: Failed to connect. IP address 127.0.0.2",
                                      "Site 6: Failed to initialize COM Port. COM Port 2",
                                      "Site 7: Failed to initialize COM Port. COM Port 1",
                                      "Site 8: Failed to initialize COM Port. COM Port x"));
  EXPECT_EQ(Fake.count("rdrCleanupWsock"), 1);  // the started network is cleaned up

  Host.Lines.clear();
  Fake.reset();
  Fake.set_result("rdrOpenModemChannel", 1);
  TestSites(AllSites(), "1");
  EXPECT_THAT(Window(), HasSubstr("Site 7: Failed to connect. Baud 2400, Phone 5551234\n"));
  EXPECT_THAT(Calls(), HasSubstr("rdrSetModemInitString(22,ATZ)\nrdrOpenModemChannel(22,2400,5551234,1)"));
}

TEST_F(WalksTest, NetworkCloseFailures) {
  LoadSites({kNet5});
  LoadClocks({"5, 1"});
  Fake.set_result("rdrCloseWsock", 1);
  TestSites(AllSites(), "");
  EXPECT_THAT(Window(), HasSubstr("Site 5: Failed to close. IP address 127.0.0.2\n"));
  EXPECT_EQ(Fake.count("rdrCleanupWsock"), 0);
  Host.Lines.clear();
  Fake.reset();
  Fake.set_result("rdrCleanupWsock", 1);
  TestSites(AllSites(), "");
  EXPECT_THAT(Window(), HasSubstr("Site 5: Failed to close ethernet session\n"));
}

TEST_F(WalksTest, LibraryThatCannotBeLoadedStopsTheOperationWithItsText) {
  LoadSites({kNet5});
  LoadClocks({"5, 1"});
  TRdrDll32::LibraryName = FAKE_RDR_LACKING_PATH;
  EXPECT_FALSE(TestSites(AllSites(), ""));
  ASSERT_EQ(Host.Lines.size(), 1u);
  EXPECT_THAT(Host.Lines[0], ::testing::StartsWith("RDRDLL32.DLL initialization failed with error #"));
  EXPECT_THAT(ReadFile("Error.Log"), HasSubstr(" RDRDLL32.DLL initialization failed"));
  EXPECT_EQ(Calls(), "");
  EXPECT_EQ(Engine().Rdr, nullptr);
}

TEST_F(WalksTest, LogLinesWithoutAnOpenErrorLogStillReachTheWindow) {
  LogError("alone");
  LogErrorPlain("plain");
  EXPECT_THAT(Host.Lines, ElementsAre("alone", ": plain"));
}

TEST_F(WalksTest, UserIndexFailuresStopBeforeAnySite) {
  LoadSites({kNet5});
  LoadClocks({"5, 1"});
  ASSERT_EQ(symlink((Dir + "missing/dir/x").c_str(), (Dir + "user.idx").c_str()), 0);
  EXPECT_FALSE(PollSites(AllSites(), ""));
  EXPECT_FALSE(GetUsersSites(AllSites(), ""));
  EXPECT_THAT(Host.Lines, ElementsAre(": Failed to create user index file " + Dir + "user.idx",
                                      ": Failed to open user index file " + Dir + "user.idx"));
  ASSERT_EQ(unlink((Dir + "user.idx").c_str()), 0);
  ASSERT_EQ(mkdir((Dir + "user.idx").c_str(), 0755), 0);
  Host.Lines.clear();
  EXPECT_FALSE(RestoreFullSites(AllSites(), ""));
  EXPECT_THAT(Host.Lines, ElementsAre(": Failed to load user index file " + Dir + "user.idx"));
  EXPECT_EQ(Fake.count("rdrStartupWsock"), 0);
}

TEST_F(WalksTest, PollOpensItsFilesAndLeavesThemOnDisk) {
  LoadSites({kNet5});
  LoadClocks({"5, 1"});
  ASSERT_TRUE(WriteFileAtomic(Dir + "user.idx", "0000000001\r\n0\r\n"));
  EXPECT_TRUE(PollSites(AllSites(), ""));
  for (const char* f : {"Punch.Log", "trans.dat", "user.dat", "Sys.Log"})
    EXPECT_EQ(access((Dir + f).c_str(), F_OK), 0) << f;
  EXPECT_EQ(access((Dir + DailyLogName()).c_str(), F_OK), 0);
  EXPECT_EQ(ReadFile("user.idx"), "0000000001\r\n0\r\n");
  EXPECT_EQ(Engine().UserStore, nullptr);
}

TEST_F(WalksTest, ExtraFileThatCannotBeCreatedIsRaisedAfterTheClose) {
  LoadSites({kNet5});
  LoadClocks({"5, 1"});
  Host.Punch = Dir + "no/such/dir/";
  EXPECT_THROW(PollSites(AllSites(), ""), EZvFileError);
  EXPECT_EQ(Engine().Rdr, nullptr);
  EXPECT_EQ(Engine().SysLog, nullptr);
}

TEST(ReaderInfoTexts, ModelAndMemory) {
  EXPECT_EQ(ReaderModelText(0), "Model ZV2K");
  EXPECT_EQ(ReaderModelText(4), "Model ZKII");
  EXPECT_EQ(ReaderModelText(5), "Model 5");
  EXPECT_EQ(ReaderModelText(14), "Model 14");
  EXPECT_EQ(ReaderModelText(15), "Model SPECIAL");
  EXPECT_EQ(ReaderModelText(16), "Model ERROR");
  EXPECT_EQ(ReaderModelText(17), "Model UNKNOWN");
  EXPECT_EQ(ReaderMemoryText(2), "Large 640K");
  EXPECT_EQ(ReaderMemoryText(3), "Memory UNKNOWN");
}

}  // namespace
}  // namespace zv::test
