// The reader library called from several threads at once, one channel each, as lines polled
// at once call it: every thread gets its own reader's elements, whole and in order, whatever
// the others do meanwhile (open, close, clean up the network).
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "rdrlib/rdrdll32.h"
#include "tests/rdrlink/emuprocess.h"

namespace zv {
namespace {

struct TLine {
  int site = 0;
  bool serial = false;
  int punches = 0;
  int32_t channel = 0;
  std::vector<int> minutes;  // of each element polled; -1 ends a failed poll
  bool codesRight = true;    // every element carried this site's punch code
  int openRc = -1;
};

// Opens the line's channel, polls its reader to the end, closes the channel: what one line of
// a poll does, with the network started and cleaned up around it.
void PollLine(TLine& l, const std::string& address, int port, std::atomic<int>& ready) {
  ready.fetch_sub(1);
  while (ready.load() > 0) std::this_thread::yield();
  if (l.serial) {
    l.channel = rdrInstallChannel(l.site - 1);
    l.openRc = l.channel ? rdrOpenDirectChannel(l.channel, 115200) : -2;
  } else {
    rdrStartupWsock();
    l.channel = rdrInitWsock(address.c_str(), port);
    l.openRc = l.channel ? 0 : -2;
  }
  uint8_t info[RDR_HANDREADER_SIZE], e[RDR_DATALOG_SIZE];
  if (l.openRc == 0 && rdrSetHandReader(l.channel, 1, info) == 0) {
    for (int guard = 0; guard <= l.punches; ++guard) {
      int rc = rdrGetDataLogElement(l.channel, e, 0);
      for (int r = 0; rc != 0 && r < 10; ++r) rc = rdrGetDataLogElement(l.channel, e, 1);
      if (rc != 0) {
        l.minutes.push_back(-1);
        break;
      }
      if (Le32(e + 8) == 0) break;
      l.minutes.push_back(e[3] * 60 + e[2]);
      if (e[20] != l.site) l.codesRight = false;
    }
  } else {
    l.minutes.push_back(-1);
  }
  if (l.serial) {
    if (l.channel) rdrCloseChannel(l.channel);
  } else {
    if (l.channel) rdrCloseWsock(l.channel);
    rdrCleanupWsock();
  }
}

TEST(LibraryThreads, LinesPolledAtOnceEachGetTheirOwnElementsWhole) {
  THermeticDir dir;
  TEmuProcess emu{dir.Path()};
  ASSERT_EQ(0, emu.Cli("init"));
  // Sites 1 and 2 on serial lines, 3 to 8 over the network. Site 3 has little to give, so its
  // line ends and cleans up the network while the others are still at work.
  std::vector<TLine> lines;
  for (int site = 1; site <= 8; ++site) {
    TLine l;
    l.site = site;
    l.serial = site <= 2;
    l.punches = site == 3 ? 2 : 40 + site;
    std::string s = std::to_string(site);
    if (l.serial) {
      std::string tty = dir.Path() + "/tty" + s;
      ASSERT_EQ(0, emu.Cli("add-site", {"--site", s, "--serial", tty}));
      ::setenv(("RDRDLL32_COM" + s).c_str(), tty.c_str(), 1);
    } else {
      ASSERT_EQ(0, emu.Cli("add-site", {"--site", s, "--tcp", "127.0.0." + std::to_string(10 + site) + ":0"}));
    }
    ASSERT_EQ(0, emu.Cli("add-reader", {"--site", s, "--addr", "1"}));
    ASSERT_EQ(0, emu.Cli("add-punch", {"--site", s, "--addr", "1", "--user", "7", "--code", s, "--time",
                                       "2026-01-01 00:00", "--count", std::to_string(l.punches)}));
    lines.push_back(l);
  }
  ::setenv("RDRDLL32_TIMEOUT_MS", "2000", 1);
  ASSERT_TRUE(emu.Serve());

  std::atomic<int> ready{static_cast<int>(lines.size()) + 1};
  std::vector<std::thread> threads;
  for (TLine& l : lines) {
    std::string address = "127.0.0." + std::to_string(10 + l.site);
    int port = l.serial ? 0 : emu.Port(l.site);
    threads.emplace_back([&l, address, port, &ready] { PollLine(l, address, port, ready); });
  }
  // Meanwhile the handle table is busy with channels that open, fail and close.
  threads.emplace_back([&ready] {
    ready.fetch_sub(1);
    for (int i = 0; i < 200; ++i) {
      int32_t c = rdrInstallChannel(200);
      rdrOpenDirectChannel(c, 9600);  // no such device: fails
      rdrCloseChannel(c);
      uint8_t id[RDR_ID_SIZE];
      char text[RDR_IDTEXT_SIZE];
      rdrTextToID("12345", id);
      rdrIDToText(id, text);
    }
  });
  for (auto& t : threads) t.join();

  std::vector<int32_t> seen;
  for (const TLine& l : lines) {
    SCOPED_TRACE("site " + std::to_string(l.site));
    EXPECT_EQ(0, l.openRc);
    std::vector<int> want;
    for (int i = 0; i < l.punches; ++i) want.push_back(i);
    EXPECT_EQ(want, l.minutes);
    EXPECT_TRUE(l.codesRight);
    for (int32_t h : seen) EXPECT_NE(h, l.channel);  // no handle given to two channels
    seen.push_back(l.channel);
  }
  // Every channel was closed by its own thread; nothing is left behind.
  for (const TLine& l : lines)
    EXPECT_EQ(RDR_ERR_CHANNEL, l.serial ? rdrCloseChannel(l.channel) : rdrCloseWsock(l.channel));
}

}  // namespace
}  // namespace zv
