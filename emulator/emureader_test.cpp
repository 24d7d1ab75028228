// How an emulated reader answers: data log confirmation and repeats, banks, refusals.
#include "emulator/emureader.h"

#include <gtest/gtest.h>

#include "rdrlib/protocol.h"
#include "rdrlib/usercodec.h"

namespace zv {
namespace {

class EmuReader : public ::testing::Test {
 protected:
  TEmuSite site;
  void SetUp() override {
    TEmuReader r;
    r.address = 3;
    for (int i = 1; i <= 3; ++i) {
      TLogElement e{};
      e[8] = 7;
      e[2] = static_cast<uint8_t>(i);  // minute marks the element
      r.log.push_back(e);
    }
    site.readers[3] = r;
  }
  // The answer's payload, empty when nothing answered.
  std::vector<uint8_t> Ask(uint8_t cmd, std::vector<uint8_t> payload, uint8_t seq, uint8_t addr = 3) {
    TFrame q;
    q.address = addr;
    q.command = cmd;
    q.sequence = seq;
    q.payload = payload;
    std::vector<uint8_t> out;
    bool changed = false;
    if (!HandleRequest(site, q, out, changed)) return {};
    TFrameDecoder d;
    d.Feed(out.data(), out.size());
    TFrame a;
    EXPECT_TRUE(d.Next(a));
    EXPECT_EQ(cmd | kResponseBit, a.command);
    EXPECT_EQ(seq, a.sequence);
    return a.payload;
  }
  int Minute(uint8_t flag, uint8_t seq) {
    auto p = Ask(kCmdDataLog, {flag}, seq);
    EXPECT_EQ(29u, p.size());
    return p.size() == 29 ? p[1 + 2] : -1;
  }
};

TEST_F(EmuReader, ANewRequestConfirmsARepeatDoesNotAndARetransmissionIsRecognised) {
  Ask(kCmdSelect, {}, 1);
  EXPECT_EQ(1, Minute(0, 2));
  EXPECT_EQ(1, Minute(1, 3));   // repeat
  EXPECT_EQ(2, Minute(0, 4));   // confirms 1
  EXPECT_EQ(2, Minute(0, 4));   // the same request again: its answer was lost
  EXPECT_EQ(3u, site.readers[3].log.size() + 1);
  EXPECT_EQ(3, Minute(0, 5));
  EXPECT_EQ(0, Minute(0, 6));   // end: 3 confirmed
  EXPECT_TRUE(site.readers[3].log.empty());
}

TEST_F(EmuReader, SelectingAgainConfirmsNothingTheNewSessionDidNotReceive) {
  Ask(kCmdSelect, {}, 1);
  EXPECT_EQ(1, Minute(0, 2));
  Ask(kCmdSelect, {}, 9);
  EXPECT_EQ(1, Minute(0, 10));  // 1 again, not lost
  EXPECT_EQ(3u, site.readers[3].log.size());
}

TEST_F(EmuReader, AbsentAndOfflineReadersAndAnswersAreNotAnswered) {
  EXPECT_TRUE(Ask(kCmdSelect, {}, 1, 4).empty());
  site.readers[3].online = false;
  EXPECT_TRUE(Ask(kCmdSelect, {}, 1).empty());
  site.readers[3].online = true;
  EXPECT_TRUE(Ask(kCmdSelect | kResponseBit, {}, 1).empty());
}

TEST_F(EmuReader, RefusesUnknownCommandsWrongLengthsAndBankTransfersOutsideIdle) {
  EXPECT_EQ((std::vector<uint8_t>{kStatusUnknownCommand}), Ask(0x7E, {}, 1));
  EXPECT_EQ((std::vector<uint8_t>{kStatusBadLength}), Ask(kCmdDataLog, {}, 1));
  EXPECT_EQ((std::vector<uint8_t>{kStatusNotIdle}), Ask(kCmdGetBank, {0, 0}, 1));
  std::vector<uint8_t> badTime = {0, 0, 25, 1, 1, 1};
  EXPECT_EQ((std::vector<uint8_t>{kStatusBadData}), Ask(kCmdSetTime, badTime, 2));
}

TEST_F(EmuReader, BankZeroReplacesTheUsersAndLaterBanksAdd) {
  TEmuReader& r = site.readers[3];
  for (uint64_t id : {5, 6}) {
    TExtRecord u{};
    NumberToPackedId(id, u.data());
    r.users[id] = u;
  }
  Ask(kCmdIdle, {}, 1);
  std::vector<uint8_t> bank(4096, 0xFF);
  uint8_t rec[24] = {};
  NumberToPackedId(77, rec);
  rec[22] = 9;
  ASSERT_TRUE(PackUserRecord(rec, bank.data()));
  Ask(kCmdBankNumber, {0, 0}, 2);
  EXPECT_EQ((std::vector<uint8_t>{kStatusOk}), Ask(kCmdPutBank, bank, 3));
  ASSERT_EQ(1u, r.users.size());
  EXPECT_EQ(9, r.users.at(77)[22]);
  NumberToPackedId(78, rec);
  ASSERT_TRUE(PackUserRecord(rec, bank.data()));
  Ask(kCmdBankNumber, {1, 0}, 4);
  Ask(kCmdPutBank, bank, 5);
  EXPECT_EQ(2u, r.users.size());
  // Reading bank 0 gives both, then the end mark.
  auto p = Ask(kCmdGetBank, {0, 0}, 6);
  ASSERT_EQ(4097u, p.size());
  uint8_t back[24];
  ASSERT_TRUE(UnpackUserRecord(&p[1 + 16], back));
  uint64_t id = 0;
  PackedIdToNumber(back, id);
  EXPECT_EQ(78u, id);
  EXPECT_EQ(0xFF, p[1 + 32]);
}

}  // namespace
}  // namespace zv
