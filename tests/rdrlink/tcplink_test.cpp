// The reader library against the emulator over loopback TCP: every entry point, the data
// log delivery, and the failures (nothing listening, a silent or vanished emulator, an
// offline reader).
#include <arpa/inet.h>
#include <dlfcn.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

#include <chrono>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "emulator/emustatefile.h"
#include "rdrlib/frame.h"
#include "rdrlib/protocol.h"
#include "rdrlib/rdrdll32.h"
#include "tests/rdrlink/emuprocess.h"

namespace zv {
namespace {

using Clock = TestClock;

class TcpLink : public ::testing::Test {
 protected:
  THermeticDir dir;
  TEmuProcess emu{dir.Path()};
  int32_t ch = 0;

  void Seed() {
    ASSERT_EQ(0, emu.Cli("init"));
    ASSERT_EQ(0, emu.Cli("add-site", {"--site", "1", "--tcp", "127.0.0.2:0"}));
    ASSERT_EQ(0, emu.Cli("add-reader", {"--site", "1", "--addr", "5", "--model", "2", "--memory", "1"}));
    ASSERT_EQ(0, emu.Cli("add-reader", {"--site", "1", "--addr", "9", "--offline"}));
  }
  void Connect() {
    ASSERT_TRUE(emu.Serve());
    ASSERT_EQ(0, rdrStartupWsock());
    ch = rdrInitWsock("127.0.0.2", emu.Port(1));
    ASSERT_NE(0, ch);
  }
  void Select(uint8_t addr) {
    uint8_t buf[RDR_HANDREADER_SIZE];
    ASSERT_EQ(0, rdrSetHandReader(ch, addr, buf));
  }
  void TearDown() override {
    if (ch) rdrCloseWsock(ch);
    rdrCleanupWsock();
  }
  TEmuState Saved() {
    emu.Stop();
    TEmuState st;
    std::string err;
    EXPECT_TRUE(LoadStateFile(emu.State(), st, err)) << err;
    return st;
  }
  // Polls as the program does: one new request, then up to ten repeats.
  bool Poll(uint8_t* e) {
    std::memset(e, 0, RDR_DATALOG_SIZE);
    if (rdrGetDataLogElement(ch, e, 0) == 0) return true;
    for (int i = 0; i < 10; ++i)
      if (rdrGetDataLogElement(ch, e, 1) == 0) return true;
    return false;
  }
};

TEST(RdrExports, AllFortySixEntryPointsAreExported) {
  const char* names[] = {
      "rdrStartupWsock", "rdrCleanupWsock", "rdrInitWsock", "rdrCloseWsock", "rdrInstallChannel",
      "rdrOpenDirectChannel", "rdrOpenModemChannel", "rdrOpenCustomChannel", "rdrSetHandReader",
      "rdrCloseChannel", "rdrCOMGetString", "rdrCOMPutBuffer", "rdrCOMDtr", "rdrCOMBaudRate",
      "rdrSleep", "rdrHereIsUserRecord", "rdrHereIsSetupData", "rdrClearUserDataBase",
      "rdrHereIsTime", "rdrSendStatusCRC", "rdrHereIsDisplayMessage", "rdrSetTimeZoneTable",
      "rdrHereIsFkeyData", "rdrTextToID", "rdrIDToText", "rdrGetUserRecord", "rdrSetBellSchedule",
      "rdrGetSetupData", "rdrGetDataLogElement", "rdrSetExtUserData", "rdrHereIsExtUserRecord",
      "rdrAddUserMessage", "rdrRemoveUserMessage", "rdrClearUserMessages", "rdrSetModemInitString",
      "rdrGetDataBank", "rdrGetReaderInfo", "rdrUpdateNVRam", "rdrEnterIdleMode", "rdrResume",
      "rdrHereIsBankNumber", "rdrHereIsDataBank", "rdrUserRecordToData", "rdrDataToUserRecord",
      "rdrExtUserRecordToData", "rdrDataToExtUserRecord"};
  ASSERT_EQ(46u, sizeof names / sizeof names[0]);
  void* lib = dlopen(ZV_RDRDLL32_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(nullptr, lib) << dlerror();
  for (const char* n : names) EXPECT_NE(nullptr, dlsym(lib, n)) << n;
  EXPECT_EQ(nullptr, dlsym(lib, "_ZN2zv9TransactERNS_8TChannelEhhPKhmPhmS4_"));
  dlclose(lib);
}

TEST_F(TcpLink, NothingListeningFailsWithinTheConnectTimeout) {
  THermeticDir d;
  auto t0 = Clock::now();
  EXPECT_EQ(0, rdrInitWsock("127.0.0.2", 1));  // refused at once
  EXPECT_EQ(0, rdrInitWsock("not an address", 3001));
  EXPECT_EQ(0, rdrInitWsock(nullptr, 3001));
  EXPECT_EQ(0, rdrInitWsock("127.0.0.2", 70000));
  EXPECT_LT(MsSince(t0), 5000);
  EXPECT_NE(0, rdrCloseWsock(12345));
  uint8_t buf[RDR_HANDREADER_SIZE];
  EXPECT_NE(0, rdrSetHandReader(12345, 1, buf));
}

TEST_F(TcpLink, SelectsOnlyAnsweringReadersAndReadsTheirInfo) {
  Seed();
  Connect();
  uint8_t info[RDR_READERINFO_SIZE];
  EXPECT_EQ(RDR_ERR_NOREADER, rdrGetReaderInfo(ch, info));  // nothing selected yet
  uint8_t buf[RDR_HANDREADER_SIZE];
  auto t0 = Clock::now();
  EXPECT_NE(0, rdrSetHandReader(ch, 9, buf));    // offline: no answer
  EXPECT_NE(0, rdrSetHandReader(ch, 6, buf));    // no such reader
  EXPECT_LT(MsSince(t0), 5000);
  EXPECT_EQ(RDR_ERR_ARGUMENT, rdrSetHandReader(ch, 170, buf));
  EXPECT_EQ(RDR_ERR_ARGUMENT, rdrSetHandReader(ch, 255, buf));
  EXPECT_NE(0, rdrGetReaderInfo(ch, info));      // a failed selection selects nothing
  Select(5);
  ASSERT_EQ(0, rdrGetReaderInfo(ch, info));
  EXPECT_EQ(2, info[0]);
  EXPECT_EQ(1, info[1]);
  EXPECT_EQ(0, rdrSendStatusCRC(ch));
}

TEST_F(TcpLink, DeliversTheWholeLogInOrderAndEmptiesIt) {
  Seed();
  ASSERT_EQ(0, emu.Cli("add-punch", {"--site", "1", "--addr", "5", "--user", "42", "--code", "18",
                                     "--time", "2026-03-30 08:05", "--count", "3"}));
  ASSERT_EQ(0, emu.Cli("add-event", {"--site", "1", "--addr", "5", "--type", "3", "--time", "2026-03-30 09:00"}));
  ASSERT_EQ(0, emu.Cli("add-group", {"--site", "1", "--addr", "5", "--subtype", "21", "--code", "8",
                                     "--value", "5", "--byte", "30", "--user", "7"}));
  Connect();
  Select(5);
  uint8_t e[RDR_DATALOG_SIZE];
  std::vector<int> types;
  for (int guard = 0; guard < 20; ++guard) {
    ASSERT_TRUE(Poll(e));
    types.push_back(Le32(e + 8));
    if (types.back() == 0) break;
    if (types.size() == 1) {
      EXPECT_EQ(5, e[2]);
      EXPECT_EQ(8, e[3]);
      EXPECT_EQ(30, e[4]);
      EXPECT_EQ(3, e[5]);
      EXPECT_EQ(26, e[6]);
      EXPECT_EQ(18, Le32(e + 20));
      char text[RDR_IDTEXT_SIZE];
      ASSERT_EQ(0, rdrIDToText(e + 12, text));
      EXPECT_STREQ("0000000042", text);
    }
  }
  EXPECT_EQ((std::vector<int>{7, 7, 7, 3, 15, 15, 15, 0}), types);
  // Asking again after the end gives the end again and confirms nothing more.
  ASSERT_TRUE(Poll(e));
  EXPECT_EQ(0, Le32(e + 8));
  rdrCloseWsock(ch);
  ch = 0;
  EXPECT_TRUE(Saved().FindReader(1, 5)->log.empty());
}

TEST_F(TcpLink, AnElementLeavesTheReaderOnlyWhenConfirmed) {
  Seed();
  ASSERT_EQ(0, emu.Cli("add-punch", {"--site", "1", "--addr", "5", "--user", "1", "--count", "2"}));
  Connect();
  Select(5);
  uint8_t e[RDR_DATALOG_SIZE];
  ASSERT_EQ(0, rdrGetDataLogElement(ch, e, 0));
  ASSERT_EQ(0, rdrGetDataLogElement(ch, e, 1));  // the same one again
  // The session ends before the next request confirms it.
  rdrCloseWsock(ch);
  ch = rdrInitWsock("127.0.0.2", emu.Port(1));
  ASSERT_NE(0, ch);
  Select(5);
  // A new session's first request confirms nothing it did not receive itself.
  int count = 0;
  for (;;) {
    ASSERT_TRUE(Poll(e));
    if (Le32(e + 8) == 0) break;
    ++count;
  }
  EXPECT_EQ(2, count);
}

TEST_F(TcpLink, UserRecordsSetupAndTablesReachTheReader) {
  Seed();
  ASSERT_EQ(0, emu.Cli("add-user", {"--site", "1", "--addr", "5", "--user", "42", "--tz", "3",
                                    "--authority", "4", "--template", "0102030405060708090A0B"}));
  Connect();
  Select(5);
  uint8_t id[RDR_ID_SIZE], rec[RDR_USERRECORD_SIZE];
  ASSERT_EQ(0, rdrTextToID("42", id));
  ASSERT_EQ(0, rdrGetUserRecord(ch, id, rec));
  EXPECT_EQ(0, std::memcmp(rec, id, 5));
  EXPECT_EQ(1, rec[5]);
  EXPECT_EQ(4, Le32(rec + 16));
  EXPECT_EQ(3, rec[22]);
  ASSERT_EQ(0, rdrTextToID("43", id));
  EXPECT_NE(0, rdrGetUserRecord(ch, id, rec));  // unknown user

  uint8_t put[RDR_USERRECORD_SIZE] = {};
  ASSERT_EQ(0, rdrTextToID("1234567890", put));
  put[22] = 7;
  EXPECT_EQ(0, rdrHereIsUserRecord(ch, put));
  uint8_t zero[RDR_USERRECORD_SIZE] = {};
  EXPECT_NE(0, rdrHereIsUserRecord(ch, zero));  // an empty record is refused

  uint8_t setup[RDR_SETUP_SIZE];
  ASSERT_EQ(0, rdrGetSetupData(ch, setup));
  EXPECT_EQ(125, setup[50]);
  setup[50] = 99;
  ASSERT_EQ(0, rdrHereIsSetupData(ch, setup));
  ASSERT_EQ(0, rdrUpdateNVRam(ch));

  std::vector<uint8_t> tz(RDR_TIMEZONE_SIZE, 0), bells(RDR_BELL_SIZE, 0), fkeys(RDR_FKEY_SIZE, 0);
  tz[1488] = 80;
  bells[0] = 30;
  fkeys[4095] = 0x5A;
  EXPECT_EQ(0, rdrSetTimeZoneTable(ch, tz.data()));
  EXPECT_EQ(0, rdrSetBellSchedule(ch, bells.data()));
  EXPECT_EQ(0, rdrHereIsFkeyData(ch, fkeys.data()));
  uint8_t t[RDR_TIME_SIZE] = {0, 0, 12, 1, 1, 99};  // 1999-01-01 12:00:00
  EXPECT_EQ(0, rdrHereIsTime(ch, t));
  uint8_t bad[RDR_TIME_SIZE] = {0, 61, 12, 1, 1, 5};
  EXPECT_NE(0, rdrHereIsTime(ch, bad));
  uint8_t msg[RDR_DISPLAY_SIZE];
  std::memset(msg, 0xEE, sizeof msg);
  msg[0] = 0;
  msg[1] = msg[2] = msg[3] = 0;
  msg[4] = 2;
  std::memcpy(msg + 9, "TIME SET                        ", 32);
  EXPECT_EQ(0, rdrHereIsDisplayMessage(ch, msg));
  EXPECT_EQ(0, rdrAddUserMessage(ch, msg));
  EXPECT_EQ(0, rdrClearUserMessages(ch));

  rdrCloseWsock(ch);
  ch = 0;
  TEmuState st = Saved();
  TEmuReader* r = st.FindReader(1, 5);
  ASSERT_NE(nullptr, r);
  EXPECT_EQ(2u, r->users.size());
  EXPECT_EQ(7, r->users.at(1234567890ULL)[22]);
  EXPECT_EQ(99, r->setup[50]);
  EXPECT_TRUE(r->nvramSaved);
  EXPECT_EQ(80, r->timeZones[1488]);
  EXPECT_EQ(30, r->bells[0]);
  EXPECT_EQ(0x5A, r->fkeys[4095]);
  EXPECT_EQ(0, std::memcmp(r->display.data(), msg, sizeof msg));
  EXPECT_LT(r->clockOffset, -20LL * 365 * 86400);  // set back to 1999
}

TEST_F(TcpLink, ClearsTheUserDatabase) {
  Seed();
  ASSERT_EQ(0, emu.Cli("add-user", {"--site", "1", "--addr", "5", "--user", "1", "--count", "10"}));
  Connect();
  Select(5);
  EXPECT_EQ(0, rdrClearUserDataBase(ch));
  rdrCloseWsock(ch);
  ch = 0;
  EXPECT_TRUE(Saved().FindReader(1, 5)->users.empty());
}

TEST_F(TcpLink, DataBanksGoBothWaysInIdleModeOnly) {
  Seed();
  // Model 2 packs 53 extended records in a bank: 60 users fill bank 0 and part of bank 1.
  ASSERT_EQ(0, emu.Cli("add-user", {"--site", "1", "--addr", "5", "--user", "100", "--count", "60",
                                    "--tz", "2", "--comment", "Night shift"}));
  Connect();
  Select(5);
  std::vector<uint8_t> bank(RDR_BANK_SIZE);
  EXPECT_NE(0, rdrGetDataBank(ch, 0, bank.data()));  // not idle
  ASSERT_EQ(0, rdrEnterIdleMode(ch));
  ASSERT_EQ(0, rdrGetDataBank(ch, 0, bank.data()));
  uint8_t ext[RDR_EXTUSERRECORD_SIZE];
  ASSERT_EQ(0, rdrDataToExtUserRecord(bank.data() + 52 * 77, ext));
  char text[RDR_IDTEXT_SIZE];
  ASSERT_EQ(0, rdrIDToText(ext, text));
  EXPECT_STREQ("0000000152", text);
  EXPECT_STREQ("Night shift", reinterpret_cast<char*>(ext + 42));
  std::vector<uint8_t> bank1(RDR_BANK_SIZE);
  ASSERT_EQ(0, rdrGetDataBank(ch, 1, bank1.data()));
  EXPECT_NE(0xFF, bank1[6 * 77]);
  EXPECT_EQ(0xFF, bank1[7 * 77]);
  std::vector<uint8_t> bank2(RDR_BANK_SIZE);
  ASSERT_EQ(0, rdrGetDataBank(ch, 2, bank2.data()));
  EXPECT_EQ(0xFF, bank2[0]);
  EXPECT_EQ(RDR_ERR_ARGUMENT, rdrGetDataBank(ch, 70000, bank2.data()));

  // Restore bank 0 alone: the reader then holds its 53 users.
  ASSERT_EQ(0, rdrHereIsBankNumber(ch, 0));
  ASSERT_EQ(0, rdrHereIsDataBank(ch, bank.data()));
  ASSERT_EQ(0, rdrHereIsBankNumber(ch, 1));
  std::vector<uint8_t> empty(RDR_BANK_SIZE, 0xFF);
  ASSERT_EQ(0, rdrHereIsDataBank(ch, empty.data()));
  ASSERT_EQ(0, rdrResume(ch));
  EXPECT_NE(0, rdrHereIsBankNumber(ch, 0));
  rdrCloseWsock(ch);
  ch = 0;
  TEmuState st = Saved();
  TEmuReader* r = st.FindReader(1, 5);
  EXPECT_EQ(53u, r->users.size());
  EXPECT_FALSE(r->idle);
  EXPECT_EQ(2, r->users.at(152)[22]);
}

TEST_F(TcpLink, SeveralConnectionsOneAfterAnother) {
  Seed();
  Connect();
  for (int i = 0; i < 3; ++i) {
    Select(5);
    EXPECT_EQ(0, rdrCloseWsock(ch));
    EXPECT_EQ(0, rdrCleanupWsock());
    ASSERT_EQ(0, rdrStartupWsock());
    ch = rdrInitWsock("127.0.0.2", emu.Port(1));
    ASSERT_NE(0, ch);
  }
  // Two channels at once.
  int32_t second = rdrInitWsock("127.0.0.2", emu.Port(1));
  ASSERT_NE(0, second);
  uint8_t buf[RDR_HANDREADER_SIZE];
  EXPECT_EQ(0, rdrSetHandReader(second, 5, buf));
  Select(5);
  EXPECT_EQ(0, rdrCloseWsock(second));
}

TEST_F(TcpLink, AnEmulatorThatStopsAnsweringEndsEachCallWithinItsTimeout) {
  Seed();
  Connect();
  Select(5);
  emu.Freeze();
  uint8_t e[RDR_DATALOG_SIZE];
  auto t0 = Clock::now();
  EXPECT_EQ(RDR_ERR_TIMEOUT, rdrGetDataLogElement(ch, e, 0));
  std::vector<uint8_t> bank(RDR_BANK_SIZE);
  EXPECT_NE(0, rdrGetDataBank(ch, 0, bank.data()));
  EXPECT_LT(MsSince(t0), 4000);
  emu.Thaw();
  // The late answers are not taken for the next request's.
  uint8_t info[RDR_READERINFO_SIZE];
  EXPECT_EQ(0, rdrGetReaderInfo(ch, info));
  EXPECT_EQ(2, info[0]);
}

TEST_F(TcpLink, AnEmulatorThatGoesAwayFailsAtOnce) {
  Seed();
  Connect();
  Select(5);
  emu.Kill();
  uint8_t info[RDR_READERINFO_SIZE];
  auto t0 = Clock::now();
  EXPECT_NE(0, rdrGetReaderInfo(ch, info));
  EXPECT_NE(0, rdrGetReaderInfo(ch, info));
  EXPECT_LT(MsSince(t0), 2500);
  EXPECT_EQ(0, rdrCloseWsock(ch));
  ch = 0;
}

TEST_F(TcpLink, NoPunchIsLostWhenAnswersAreCorrupted) {
  Seed();
  ::setenv("RDRDLL32_TIMEOUT_MS", "100", 1);  // each damaged answer costs one timeout
  ASSERT_EQ(0, emu.Cli("set-site", {"--site", "1", "--corrupt-every", "4"}));
  ASSERT_EQ(0, emu.Cli("add-punch", {"--site", "1", "--addr", "5", "--user", "1", "--count", "30"}));
  Connect();
  Select(5);
  uint8_t e[RDR_DATALOG_SIZE];
  std::vector<int> minutes;
  for (int guard = 0; guard < 100; ++guard) {
    ASSERT_TRUE(Poll(e));
    if (Le32(e + 8) == 0) break;
    minutes.push_back(e[3] * 60 + e[2]);
  }
  // Every element once, in order: a repeat fetches the one whose answer was damaged.
  ASSERT_EQ(30u, minutes.size());
  for (std::size_t i = 1; i < minutes.size(); ++i) EXPECT_EQ((minutes[i - 1] + 1) % 1440, minutes[i]);
}

TEST_F(TcpLink, ADroppedConnectionDuringALongPollLosesNothing) {
  Seed();
  ASSERT_EQ(0, emu.Cli("set-site", {"--site", "1", "--drop-after", "9"}));
  ASSERT_EQ(0, emu.Cli("add-punch", {"--site", "1", "--addr", "5", "--user", "1",
                                     "--time", "2026-01-01 00:00", "--count", "40"}));
  Connect();
  std::vector<int> got;
  int sessions = 0;
  bool done = false;
  uint8_t e[RDR_DATALOG_SIZE];
  while (!done && sessions < 40) {
    ++sessions;
    uint8_t buf[RDR_HANDREADER_SIZE];
    if (rdrSetHandReader(ch, 5, buf) == 0) {
      while (Poll(e)) {
        if (Le32(e + 8) == 0) {
          done = true;
          break;
        }
        got.push_back(e[3] * 60 + e[2]);
      }
    }
    rdrCloseWsock(ch);
    ch = rdrInitWsock("127.0.0.2", emu.Port(1));
    ASSERT_NE(0, ch);
  }
  ASSERT_TRUE(done);
  std::set<int> distinct(got.begin(), got.end());
  EXPECT_EQ(40u, distinct.size());  // none lost
  // At most the element in flight when a connection dropped comes twice.
  EXPECT_LE(got.size() - distinct.size(), static_cast<std::size_t>(sessions));
  for (std::size_t i = 1; i < got.size(); ++i) EXPECT_LE(got[i] - got[i - 1], 1);
}

int RawConnect(int port) {
  int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(static_cast<uint16_t>(port));
  ::inet_pton(AF_INET, "127.0.0.2", &sa.sin_addr);
  if (::connect(s, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
    ::close(s);
    return -1;
  }
  return s;
}

TEST_F(TcpLink, HostileClientsNeitherCrashNorStopTheEmulator) {
  Seed();
  ASSERT_TRUE(emu.Serve());
  // Noise, a header that promises the longest payload and never delivers it, a frame for a
  // command that does not exist, and requests of the wrong length, each on its own connection.
  std::vector<std::vector<uint8_t>> attacks;
  std::vector<uint8_t> noise(5000);
  for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<uint8_t>(i * 131 + 7);
  attacks.push_back(noise);
  std::vector<uint8_t> longHeader = EncodeFrame(TFrame{5, kCmdPutBank, 1, std::vector<uint8_t>(4100)});
  longHeader.resize(100);
  attacks.push_back(longHeader);
  attacks.push_back(EncodeFrame(TFrame{5, 0x55, 1, {1, 2, 3}}));
  attacks.push_back(EncodeFrame(TFrame{5, kCmdGetBank, 1, {1, 2, 3}}));
  attacks.push_back(EncodeFrame(TFrame{5, kCmdPutBank, 1, std::vector<uint8_t>(4096, 0x11)}));
  for (const auto& a : attacks) {
    int s = RawConnect(emu.Port(1));
    ASSERT_GE(s, 0);
    ASSERT_EQ(static_cast<ssize_t>(a.size()), ::send(s, a.data(), a.size(), MSG_NOSIGNAL));
    ::close(s);
  }
  ASSERT_EQ(0, rdrStartupWsock());
  ch = rdrInitWsock("127.0.0.2", emu.Port(1));
  ASSERT_NE(0, ch);
  Select(5);
  uint8_t info[RDR_READERINFO_SIZE];
  EXPECT_EQ(0, rdrGetReaderInfo(ch, info));
}

TEST_F(TcpLink, AnEmulatorThatFreezesInTheMiddleOfAnAnswerFailsWithinTheTimeout) {
  Seed();
  // A TCP site paced to 38400 baud: a data bank takes about a second to come through.
  ASSERT_EQ(0, emu.Cli("set-site", {"--site", "1", "--baud", "38400"}));
  ::setenv("RDRDLL32_TIMEOUT_MS", "1500", 1);
  Connect();
  Select(5);
  ASSERT_EQ(0, rdrEnterIdleMode(ch));
  std::thread freezer([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    emu.Freeze();
  });
  std::vector<uint8_t> bank(RDR_BANK_SIZE);
  auto t0 = Clock::now();
  EXPECT_EQ(RDR_ERR_TIMEOUT, rdrGetDataBank(ch, 0, bank.data()));
  freezer.join();
  EXPECT_LT(MsSince(t0), 5000);
  emu.Thaw();
}

TEST_F(TcpLink, OneEmulatorPlaysSeveralSites) {
  Seed();
  ASSERT_EQ(0, emu.Cli("add-site", {"--site", "2", "--tcp", "127.0.0.3:0"}));
  ASSERT_EQ(0, emu.Cli("add-reader", {"--site", "2", "--addr", "5", "--model", "4"}));
  Connect();
  int32_t other = rdrInitWsock("127.0.0.3", emu.Port(2));
  ASSERT_NE(0, other);
  uint8_t buf[RDR_HANDREADER_SIZE], info[RDR_READERINFO_SIZE];
  Select(5);
  ASSERT_EQ(0, rdrSetHandReader(other, 5, buf));
  ASSERT_EQ(0, rdrGetReaderInfo(ch, info));
  EXPECT_EQ(2, info[0]);
  ASSERT_EQ(0, rdrGetReaderInfo(other, info));
  EXPECT_EQ(4, info[0]);  // the reader of the other site, same address
  EXPECT_NE(0, rdrSetHandReader(other, 9, buf));  // site 2 has no reader 9
  // The network clean-up closes every network channel still open.
  EXPECT_EQ(0, rdrCleanupWsock());
  EXPECT_EQ(RDR_ERR_CHANNEL, rdrGetReaderInfo(other, info));
  EXPECT_EQ(RDR_ERR_CHANNEL, rdrCloseWsock(ch));
  ch = 0;
}

TEST_F(TcpLink, ChannelCallsThatNeedASerialLineFailCleanly) {
  Seed();
  Connect();
  char buf[16];
  EXPECT_EQ(RDR_ERR_UNSUPPORTED, rdrCOMPutBuffer(ch, "AT\r", 3));
  EXPECT_EQ(RDR_ERR_UNSUPPORTED, rdrCOMGetString(ch, buf, sizeof buf, 10));
  EXPECT_EQ(RDR_ERR_UNSUPPORTED, rdrCOMDtr(ch, 1));
  EXPECT_EQ(RDR_ERR_UNSUPPORTED, rdrCOMBaudRate(ch, 9600));
  EXPECT_EQ(RDR_ERR_UNSUPPORTED, rdrOpenDirectChannel(ch, 9600));
  EXPECT_EQ(RDR_ERR_UNSUPPORTED, rdrOpenCustomChannel(ch, ""));
  EXPECT_EQ(RDR_ERR_UNSUPPORTED, rdrSetModemInitString(ch, "ATZ"));
  EXPECT_EQ(0, rdrSleep(1));
  EXPECT_EQ(RDR_ERR_ARGUMENT, rdrGetDataLogElement(ch, nullptr, 0));
}

}  // namespace
}  // namespace zv
