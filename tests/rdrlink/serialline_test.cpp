// The reader library against the emulator over pseudo-terminal serial lines and emulated
// modems: several readers on one line, dialling and its failures, slow lines and line faults.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "emulator/emustatefile.h"
#include "rdrlib/rdrdll32.h"
#include "rdrlib/serialline.h"
#include "tests/rdrlink/emuprocess.h"

namespace zv {
namespace {

using Clock = TestClock;

class SerialLine : public ::testing::Test {
 protected:
  THermeticDir dir;
  TEmuProcess emu{dir.Path()};
  int32_t ch = 0;

  std::string Tty(int n) { return dir.Path() + "/tty" + std::to_string(n); }
  // Site n on COMn, a pseudo terminal; with a phone number it is a modem line.
  void AddSite(int n, std::vector<std::string> extra = {}) {
    std::vector<std::string> args = {"--site", std::to_string(n), "--serial", Tty(n)};
    args.insert(args.end(), extra.begin(), extra.end());
    ASSERT_EQ(0, emu.Cli("add-site", args));
    ::setenv(("RDRDLL32_COM" + std::to_string(n)).c_str(), Tty(n).c_str(), 1);
  }
  void AddReader(int site, int addr, int punches) {
    ASSERT_EQ(0, emu.Cli("add-reader", {"--site", std::to_string(site), "--addr", std::to_string(addr)}));
    if (punches) {
      ASSERT_EQ(0, emu.Cli("add-punch", {"--site", std::to_string(site), "--addr", std::to_string(addr),
                                         "--user", std::to_string(addr * 100), "--time", "2026-01-01 00:00",
                                         "--count", std::to_string(punches)}));
    }
  }
  void OpenDirect(int port, int baud = 9600) {
    ch = rdrInstallChannel(port - 1);
    ASSERT_NE(0, ch);
    ASSERT_EQ(0, rdrOpenDirectChannel(ch, baud));
  }
  void TearDown() override {
    if (ch) rdrCloseChannel(ch);
  }
  bool Poll(uint8_t* e) {
    if (rdrGetDataLogElement(ch, e, 0) == 0) return true;
    for (int i = 0; i < 10; ++i)
      if (rdrGetDataLogElement(ch, e, 1) == 0) return true;
    return false;
  }
  // Polls the reader to its end; the minutes of the punches, or -1 at the end on a failure.
  std::vector<int> PollAll(uint8_t addr) {
    std::vector<int> got;
    uint8_t info[RDR_HANDREADER_SIZE], e[RDR_DATALOG_SIZE];
    if (rdrSetHandReader(ch, addr, info) != 0) return {-1};
    for (int guard = 0; guard < 1000; ++guard) {
      if (!Poll(e)) {
        got.push_back(-1);
        return got;
      }
      if (Le32(e + 8) == 0) return got;
      got.push_back(e[3] * 60 + e[2]);
    }
    return got;
  }
  static std::vector<int> Minutes(int n) {
    std::vector<int> v;
    for (int i = 0; i < n; ++i) v.push_back(i);
    return v;
  }
};

TEST_F(SerialLine, SeveralReadersShareADirectLine) {
  ASSERT_EQ(0, emu.Cli("init"));
  AddSite(1);
  AddReader(1, 1, 3);
  AddReader(1, 2, 5);
  AddReader(1, 254, 0);
  ASSERT_TRUE(emu.Serve());
  OpenDirect(1);
  EXPECT_EQ(Minutes(3), PollAll(1));
  EXPECT_EQ(Minutes(5), PollAll(2));
  EXPECT_EQ(std::vector<int>{}, PollAll(254));
  uint8_t info[RDR_HANDREADER_SIZE];
  EXPECT_NE(0, rdrSetHandReader(ch, 3, info));  // nobody at 3
  // Raw line access works on a serial channel.
  EXPECT_EQ(0, rdrCOMBaudRate(ch, 4800));
  EXPECT_NE(0, rdrCOMBaudRate(ch, 1234));
  EXPECT_EQ(0, rdrCOMPutBuffer(ch, "", 0));
  EXPECT_EQ(0, rdrCloseChannel(ch));
  EXPECT_NE(0, rdrCloseChannel(ch));  // closed once only
  ch = 0;
}

TEST_F(SerialLine, MissingOrUnusableDevicesFailCleanly) {
  ch = rdrInstallChannel(1);  // RDRDLL32_COM2 names a path that does not exist
  ASSERT_NE(0, ch);
  EXPECT_EQ(RDR_ERR_CONNECT, rdrOpenDirectChannel(ch, 9600));
  uint8_t info[RDR_HANDREADER_SIZE];
  EXPECT_EQ(RDR_ERR_CHANNEL, rdrSetHandReader(ch, 1, info));
  std::string plain = dir.Path() + "/plainfile";
  int fd = ::open(plain.c_str(), O_CREAT | O_WRONLY, 0600);
  ::close(fd);
  ::setenv("RDRDLL32_COM3", plain.c_str(), 1);
  int32_t other = rdrInstallChannel(2);
  EXPECT_EQ(RDR_ERR_CONNECT, rdrOpenDirectChannel(other, 9600));  // not a terminal
  EXPECT_EQ(0, rdrCloseChannel(other));
  EXPECT_EQ(0, rdrInstallChannel(-1));
  ASSERT_EQ(0, emu.Cli("init"));
  AddSite(4);
  ASSERT_TRUE(emu.Serve());
  int32_t odd = rdrInstallChannel(3);
  EXPECT_EQ(RDR_ERR_ARGUMENT, rdrOpenDirectChannel(odd, 1234));  // no such baud rate
  EXPECT_EQ(0, rdrCloseChannel(odd));
}

TEST_F(SerialLine, ALineInUseIsRefusedAndLeftUntouched) {
  // A pseudo terminal of the test's own: the master side sees whatever is sent on the line.
  int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(master, 0);
  ASSERT_EQ(0, ::grantpt(master));
  ASSERT_EQ(0, ::unlockpt(master));
  std::string slave = ::ptsname(master);
  ::setenv("RDRDLL32_COM1", slave.c_str(), 1);

  // Another program holds the line, as serial programs do, with a lock on the device.
  int other = ::open(slave.c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(other, 0);
  ASSERT_EQ(0, ::flock(other, LOCK_EX));
  ch = rdrInstallChannel(0);
  EXPECT_EQ(RDR_ERR_CONNECT, rdrOpenDirectChannel(ch, 9600));
  uint8_t info[RDR_HANDREADER_SIZE];
  EXPECT_NE(0, rdrSetHandReader(ch, 1, info));
  char b[64];
  EXPECT_EQ(-1, ::read(master, b, sizeof b)) << "bytes were sent on a line in use";
  ::close(other);

  // Free again: taken; and a second channel of this program on it is refused meanwhile.
  ASSERT_EQ(0, rdrOpenDirectChannel(ch, 9600));
  int32_t second = rdrInstallChannel(0);
  EXPECT_EQ(RDR_ERR_CONNECT, rdrOpenDirectChannel(second, 9600));
  EXPECT_EQ(0, rdrCloseChannel(ch));
  ch = 0;
  EXPECT_EQ(0, rdrOpenDirectChannel(second, 9600));
  EXPECT_EQ(0, rdrCloseChannel(second));
  ::close(master);
}

TEST(UucpLock, HeldOnlyByALiveProcessOtherThanThisOne) {
  testing::TTempDir tmp;
  const std::string locks = tmp.path() + "/lock", dev = tmp.path() + "/ttyUSB7";
  ::mkdir(locks.c_str(), 0755);
  testing::WriteFile(dev, "");
  // A link to the device (as /dev/serial/by-id/... are) is locked under the device's name.
  ASSERT_EQ(0, ::symlink(dev.c_str(), (tmp.path() + "/by-id").c_str()));
  pid_t dead = ::fork();
  if (dead == 0) ::_exit(0);
  ::waitpid(dead, nullptr, 0);
  const int parent = static_cast<int>(::getppid()), self = static_cast<int>(::getpid());
  char ascii[16];
  struct TCase {
    std::string content;
    bool held;
  } cases[] = {
      {"", false},
      {(std::snprintf(ascii, sizeof ascii, "%10d\n", parent), ascii), true},
      {std::string(reinterpret_cast<const char*>(&parent), 4), true},  // the binary form
      {(std::snprintf(ascii, sizeof ascii, "%10d\n", static_cast<int>(dead)), ascii), false},
      {(std::snprintf(ascii, sizeof ascii, "%10d\n", self), ascii), false},
      {"garbage\n", false},
  };
  for (const TCase& c : cases) {
    testing::WriteFile(locks + "/LCK..ttyUSB7", c.content);
    EXPECT_EQ(c.held, UucpLockHeld(tmp.path() + "/by-id", {tmp.path() + "/none", locks}))
        << "lock file \"" << c.content << "\"";
  }
  ::unlink((locks + "/LCK..ttyUSB7").c_str());
  EXPECT_FALSE(UucpLockHeld(dev, {locks}));
}

TEST_F(SerialLine, AModemDialsTheSitesNumberAndHangsUpForTheNext) {
  ASSERT_EQ(0, emu.Cli("init"));
  AddSite(1, {"--phone", "5551234"});
  AddReader(1, 1, 2);
  AddReader(1, 2, 1);
  ASSERT_TRUE(emu.Serve());
  ch = rdrInstallChannel(0);
  ASSERT_NE(0, ch);
  ASSERT_EQ(0, rdrSetModemInitString(ch, "ATZ"));
  ASSERT_EQ(0, rdrOpenModemChannel(ch, 9600, "555-1234", 1));
  EXPECT_EQ(Minutes(2), PollAll(1));
  EXPECT_EQ(Minutes(1), PollAll(2));
  EXPECT_EQ(0, rdrCloseChannel(ch));
  // After the hang-up the modem takes the next call; a wrong number is not answered.
  ch = rdrInstallChannel(0);
  auto t0 = Clock::now();
  EXPECT_EQ(RDR_ERR_MODEM_NOANSWER, rdrOpenModemChannel(ch, 9600, "5559999", 1));
  EXPECT_LT(MsSince(t0), 4000);
  ASSERT_EQ(0, rdrOpenModemChannel(ch, 9600, "5551234", 1));
  EXPECT_EQ(std::vector<int>{}, PollAll(1));
}

TEST_F(SerialLine, DiallingFailuresEndWithinTheirBounds) {
  ASSERT_EQ(0, emu.Cli("init"));
  AddSite(1, {"--phone", "1", "--modem-answer", "BUSY"});
  AddSite(2, {"--phone", "2", "--modem-answer", "NO CARRIER"});
  AddSite(3, {"--phone", "3", "--modem-answer", "SILENT"});
  AddSite(4, {"--phone", "4", "--modem-answer", "NO DIALTONE"});
  ASSERT_TRUE(emu.Serve());
  struct { int port; const char* init; int want; } cases[] = {
      {1, "", RDR_ERR_MODEM_BUSY},
      {2, "ATZ", RDR_ERR_MODEM_NOCARRIER},
      {3, "ATZ", RDR_ERR_MODEM_SILENT},  // no OK to the initialisation string
      {3, "", RDR_ERR_MODEM_SILENT},     // no answer to the dial
      {4, "", RDR_ERR_MODEM_NODIALTONE},
  };
  for (const auto& c : cases) {
    int32_t h = rdrInstallChannel(c.port - 1);
    ASSERT_NE(0, h);
    if (*c.init) {
      ASSERT_EQ(0, rdrSetModemInitString(h, c.init));
    }
    auto t0 = Clock::now();
    EXPECT_EQ(c.want, rdrOpenModemChannel(h, 9600, std::to_string(c.port).c_str(), 1)) << c.port;
    EXPECT_LT(MsSince(t0), 4000) << c.port;
    uint8_t info[RDR_HANDREADER_SIZE];
    EXPECT_NE(0, rdrSetHandReader(h, 1, info));
    EXPECT_EQ(0, rdrCloseChannel(h));
  }
  int32_t h = rdrInstallChannel(0);
  EXPECT_EQ(RDR_ERR_ARGUMENT, rdrOpenModemChannel(h, 9600, "", 1));
  EXPECT_EQ(0, rdrCloseChannel(h));
}

TEST_F(SerialLine, ASlowLineGetsTheTimeItsFramesNeed) {
  ASSERT_EQ(0, emu.Cli("init"));
  AddSite(1, {"--baud", "38400"});
  AddReader(1, 1, 0);
  ASSERT_EQ(0, emu.Cli("add-user", {"--site", "1", "--addr", "1", "--user", "1", "--count", "300"}));
  ASSERT_TRUE(emu.Serve());
  OpenDirect(1, 38400);
  uint8_t info[RDR_HANDREADER_SIZE];
  ASSERT_EQ(0, rdrSetHandReader(ch, 1, info));
  ASSERT_EQ(0, rdrEnterIdleMode(ch));
  // 4106 bytes at 3840 a second: far beyond the 300 ms answer timeout of this test, yet it
  // arrives, because the line time of the frames is added.
  std::vector<uint8_t> bank(RDR_BANK_SIZE);
  auto t0 = Clock::now();
  ASSERT_EQ(0, rdrGetDataBank(ch, 0, bank.data()));
  EXPECT_GE(MsSince(t0), 800);  // the line is really paced
  EXPECT_NE(0xFF, bank[255 * 16]);
  EXPECT_EQ(0, rdrResume(ch));
}

TEST_F(SerialLine, DelaysGarbageAndDamageAreRecoveredWithoutLoss) {
  ASSERT_EQ(0, emu.Cli("init"));
  AddSite(1, {"--delay-ms", "50", "--garbage", "40"});
  AddSite(2, {"--corrupt-every", "3", "--garbage", "7"});
  AddReader(1, 1, 12);
  AddReader(2, 1, 12);
  ::setenv("RDRDLL32_TIMEOUT_MS", "150", 1);
  ASSERT_TRUE(emu.Serve());
  OpenDirect(1);
  EXPECT_EQ(Minutes(12), PollAll(1));
  rdrCloseChannel(ch);
  OpenDirect(2);
  EXPECT_EQ(Minutes(12), PollAll(1));
}

TEST_F(SerialLine, AnAnswerLaterThanTheTimeoutFailsWithinItsBound) {
  ASSERT_EQ(0, emu.Cli("init"));
  AddSite(1, {"--delay-ms", "400"});
  AddReader(1, 1, 3);
  ::setenv("RDRDLL32_TIMEOUT_MS", "100", 1);
  ASSERT_TRUE(emu.Serve());
  OpenDirect(1);
  uint8_t info[RDR_HANDREADER_SIZE];
  auto t0 = Clock::now();
  EXPECT_EQ(RDR_ERR_TIMEOUT, rdrSetHandReader(ch, 1, info));
  EXPECT_LT(MsSince(t0), 2500);
}

TEST_F(SerialLine, AReaderThatStopsAnsweringOrALineThatDropsLosesNoPunch) {
  ASSERT_EQ(0, emu.Cli("init"));
  AddSite(1, {"--mute-after", "6"});
  AddSite(2, {"--drop-after", "5"});
  AddReader(1, 1, 10);
  AddReader(2, 1, 10);
  ::setenv("RDRDLL32_TIMEOUT_MS", "100", 1);
  ASSERT_TRUE(emu.Serve());
  OpenDirect(1);
  auto t0 = Clock::now();
  std::vector<int> got = PollAll(1);
  EXPECT_LT(MsSince(t0), 5000);
  ASSERT_FALSE(got.empty());
  EXPECT_EQ(-1, got.back());  // ended by a failure
  std::size_t delivered = got.size() - 1;
  rdrCloseChannel(ch);
  ch = 0;

  // The dropping line: open it again after each drop until the log is empty.
  std::vector<int> all;
  for (int round = 0; round < 20; ++round) {
    OpenDirect(2);
    std::vector<int> part = PollAll(1);
    bool failed = !part.empty() && part.back() == -1;
    if (failed) part.pop_back();
    all.insert(all.end(), part.begin(), part.end());
    rdrCloseChannel(ch);
    ch = 0;
    if (!failed) break;
  }
  std::set<int> distinct(all.begin(), all.end());
  EXPECT_EQ(10u, distinct.size());

  emu.Stop();
  TEmuState st;
  std::string err;
  ASSERT_TRUE(LoadStateFile(emu.State(), st, err)) << err;
  // The muted reader keeps all it could not hand over and the last one it did, which no
  // request confirmed.
  EXPECT_EQ(10u, st.FindReader(1, 1)->log.size() + delivered - 1);
  EXPECT_TRUE(st.FindReader(2, 1)->log.empty());
}

TEST_F(SerialLine, AModemThatDropsTheCarrierLosesNoPunch) {
  ASSERT_EQ(0, emu.Cli("init"));
  AddSite(1, {"--phone", "77", "--drop-after", "6"});
  AddReader(1, 3, 12);
  ::setenv("RDRDLL32_TIMEOUT_MS", "100", 1);
  ASSERT_TRUE(emu.Serve());
  std::vector<int> all;
  bool done = false;
  for (int call = 0; call < 10 && !done; ++call) {
    ch = rdrInstallChannel(0);
    ASSERT_EQ(0, rdrOpenModemChannel(ch, 9600, "77", 1)) << call;
    std::vector<int> part = PollAll(3);
    done = part.empty() || part.back() != -1;
    if (!done) part.pop_back();
    all.insert(all.end(), part.begin(), part.end());
    EXPECT_EQ(0, rdrCloseChannel(ch));
    ch = 0;
  }
  ASSERT_TRUE(done);
  EXPECT_EQ(12u, std::set<int>(all.begin(), all.end()).size());
}

}  // namespace
}  // namespace zv
