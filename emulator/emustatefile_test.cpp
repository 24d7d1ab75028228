// The state file: what is written is read back the same, and a damaged file is named precisely.
#include "emulator/emustatefile.h"

#include <gtest/gtest.h>

namespace zv {
namespace {

TEST(EmuStateFile, RoundTripsSitesReadersUsersAndLog) {
  TEmuState s;
  s.sites.emplace_back();
  TEmuSite& site = s.sites.back();
  site.number = 7;
  site.serial = "/tmp/x";
  site.phone = "5551234";
  site.modemAnswer = "NO CARRIER";
  site.baud = 2400;
  site.faults.dropAfter = 3;
  TEmuReader& r = site.readers[12];
  r.address = 12;
  r.model = 2;
  r.online = false;
  r.clockOffset = -3600;
  r.fkeys[100] = 9;
  TExtRecord u{};
  u[4] = 0x42;
  u[60] = 1;
  r.users[42] = u;
  TLogElement e{};
  e[8] = 7;
  r.log.push_back(e);
  r.log.push_back(e);
  std::string text = FormatState(s);
  TEmuState back;
  std::string err;
  ASSERT_TRUE(ParseState(text, back, err)) << err;
  EXPECT_EQ(text, FormatState(back));
  EXPECT_EQ(2u, back.FindReader(7, 12)->log.size());
  EXPECT_EQ("NO CARRIER", back.FindSite(7)->modemAnswer);
}

TEST(EmuStateFile, NamesTheLineOfAnError) {
  TEmuState s;
  std::string err;
  EXPECT_FALSE(ParseState("something else\n", s, err));
  EXPECT_FALSE(ParseState("rdremu-state 1\nsite 1\n  reader 3\n    log 00FF\n", s, err));
  EXPECT_NE(std::string::npos, err.find("line 4")) << err;
  EXPECT_FALSE(ParseState("rdremu-state 1\nreader 3\n", s, err));
  EXPECT_FALSE(ParseState("rdremu-state 1\nsite 1\n  reader 170\n", s, err));
  EXPECT_FALSE(ParseState("rdremu-state 1\nsite 1\nsite 1\n", s, err));
  EXPECT_FALSE(ParseState("", s, err));
  EXPECT_TRUE(ParseState("rdremu-state 1\r\n# comment\r\nsite 1\r\n", s, err)) << err;
  // Blanks and stray carriage returns an editor leaves after a value are not part of it.
  ASSERT_TRUE(ParseState("rdremu-state 1\nsite 1\n  tcp 127.0.0.1:9 \t\r\r\n", s, err)) << err;
  EXPECT_EQ("127.0.0.1:9", s.sites.at(0).tcp);
}

}  // namespace
}  // namespace zv
