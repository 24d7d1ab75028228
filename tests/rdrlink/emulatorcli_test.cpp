// The rdremu command line as the program's tests and the demo use it: seeding, refusing bad
// input with a message, printing, and saving while it serves.
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "emulator/emustatefile.h"
#include "rdrlib/rdrdll32.h"
#include "tests/rdrlink/emuprocess.h"
#include "util/fileio.h"

namespace zv {
namespace {

class EmulatorCli : public ::testing::Test {
 protected:
  THermeticDir dir;
  TEmuProcess emu{dir.Path()};
  void SetUp() override {
    ASSERT_EQ(0, emu.Cli("init"));
    ASSERT_EQ(0, emu.Cli("add-site", {"--site", "3", "--tcp", "127.0.0.2:0"}));
    ASSERT_EQ(0, emu.Cli("add-reader", {"--site", "3", "--addr", "0", "--model", "1", "--memory", "2"}));
  }
};

TEST_F(EmulatorCli, ShowPrintsWhatWasSeeded) {
  ASSERT_EQ(0, emu.Cli("add-user", {"--site", "3", "--addr", "0", "--user", "0000000042", "--tz", "5",
                                    "--authority", "2", "--template", "A1B2"}));
  ASSERT_EQ(0, emu.Cli("add-punch", {"--site", "3", "--addr", "0", "--user", "42", "--code", "18",
                                     "--time", "2026-12-24 17:05"}));
  ASSERT_EQ(0, emu.Cli("set-offline", {"--site", "3", "--addr", "0"}));
  ASSERT_EQ(0, emu.Cli("show"));
  const std::string& out = emu.Output();
  EXPECT_NE(std::string::npos, out.find("site 3 tcp 127.0.0.2:0")) << out;
  EXPECT_NE(std::string::npos, out.find("reader 0: model 1 ZV3K, memory 2, offline")) << out;
  EXPECT_NE(std::string::npos, out.find("user 0000000042 tz 5 authority 2 reject 125 template A1B2")) << out;
  EXPECT_NE(std::string::npos, out.find("type 7 user 0000000042 12/24/26 17:05 code 18 data FFFFFFFF")) << out;
}

TEST_F(EmulatorCli, RefusesBadInputAndLeavesTheStateAsItWas) {
  std::string before, after;
  ASSERT_EQ(TReadResult::Ok, ReadWholeFile(emu.State(), before));
  EXPECT_EQ(2, emu.Cli("add-reader", {"--site", "3", "--addr", "170"}));
  EXPECT_EQ(2, emu.Cli("add-reader", {"--site", "3", "--addr", "255"}));
  EXPECT_EQ(2, emu.Cli("add-reader", {"--site", "3", "--addr", "0"}));  // exists
  EXPECT_EQ(2, emu.Cli("add-reader", {"--site", "4", "--addr", "1"}));  // no such site
  EXPECT_EQ(2, emu.Cli("add-punch", {"--site", "3", "--addr", "0", "--user", "12345678901"}));
  EXPECT_EQ(2, emu.Cli("add-punch", {"--site", "3", "--addr", "0", "--user", "1", "--time", "2026-13-01 00:00"}));
  EXPECT_EQ(2, emu.Cli("add-user", {"--site", "3", "--addr", "0", "--user", "1", "--template", "XYZ"}));
  EXPECT_EQ(2, emu.Cli("set-site", {"--site", "3", "--modem-answer", "MAYBE"}));
  EXPECT_EQ(2, emu.Cli("add-site", {"--site", "9"}));
  EXPECT_EQ(2, emu.Cli("add-site", {"--site", "9", "--tcp", "127.0.0.2:0", "--baud"}));
  // Options the emulator does not know, and stray words, are refused rather than ignored.
  EXPECT_EQ(2, emu.Cli("add-site", {"--site", "9", "--tcp", "127.0.0.2:0", "--bogus", "1"}));
  EXPECT_EQ(2, emu.Cli("add-site", {"--site", "9", "--tcp", "127.0.0.2:0", "stray"}));
  EXPECT_EQ(2, emu.Cli("add-reader", {"--site", "3", "--addr", "1", "--offline=yes"}));
  ASSERT_EQ(TReadResult::Ok, ReadWholeFile(emu.State(), after));
  EXPECT_EQ(before, after);
}

TEST_F(EmulatorCli, TakesOptionsInEveryStandardFormAndAnswersVersionAndHelp) {
  // --opt=value, and a value that starts with a minus.
  ASSERT_EQ(0, emu.Cli("add-site", {"--site=9", "--tcp=127.0.0.3:0", "--baud", "1200"}));
  ASSERT_EQ(0, emu.Cli("set-reader", {"--site", "3", "--addr=0", "--clock-offset", "-3600", "--offline"}));
  ASSERT_EQ(0, emu.Cli("add-punch", {"--site", "3", "--addr", "0", "--user", "7", "--code=-2",
                                     "--time", "2026-01-02 03:04"}));
  ASSERT_EQ(0, emu.Cli("show"));
  EXPECT_NE(std::string::npos, emu.Output().find("site 9 tcp 127.0.0.3:0 baud 1200")) << emu.Output();
  EXPECT_NE(std::string::npos, emu.Output().find("offline, idle no")) << emu.Output();
  EXPECT_NE(std::string::npos, emu.Output().find("(offset -3600 s)")) << emu.Output();
  EXPECT_NE(std::string::npos, emu.Output().find("01/02/26 03:04 code -2")) << emu.Output();

  EXPECT_EQ(0, emu.Cli("--version"));
  EXPECT_EQ(emu.Output().rfind("rdremu ", 0), 0u) << emu.Output();
  for (const char* help : {"--help", "-h", "help"}) {
    EXPECT_EQ(0, emu.Cli(help)) << help;
    EXPECT_NE(std::string::npos, emu.Output().find("usage: rdremu VERB STATE")) << help;
  }
}

TEST_F(EmulatorCli, ServingSavesWithinASecondOfAChangeAndAtTheEnd) {
  ASSERT_EQ(0, emu.Cli("add-punch", {"--site", "3", "--addr", "0", "--user", "1", "--count", "3"}));
  ASSERT_TRUE(emu.Serve());
  ASSERT_EQ(0, rdrStartupWsock());
  int32_t ch = rdrInitWsock("127.0.0.2", emu.Port(3));
  ASSERT_NE(0, ch);
  uint8_t buf[RDR_HANDREADER_SIZE], e[RDR_DATALOG_SIZE];
  ASSERT_EQ(0, rdrSetHandReader(ch, 0, buf));
  for (int i = 0; i < 4; ++i) ASSERT_EQ(0, rdrGetDataLogElement(ch, e, 0));
  EXPECT_EQ(0, e[8]);
  std::size_t left = 99;
  for (int tries = 0; tries < 30 && left != 0; ++tries) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    TEmuState st;
    std::string err;
    if (LoadStateFile(emu.State(), st, err)) left = st.FindReader(3, 0)->log.size();
  }
  EXPECT_EQ(0u, left);  // saved while still serving
  rdrCloseWsock(ch);
  rdrCleanupWsock();
  emu.Stop();
  ASSERT_EQ(0, emu.Cli("show"));
  EXPECT_NE(std::string::npos, emu.Output().find("log 0"));
}

}  // namespace
}  // namespace zv
