// How the communications test's walk scales with the installation: sites × clocks through
// the walks, with a stand-in library that answers at once, so that only the engine's own
// work is measured (lookups, log lines, channel bookkeeping). Prints microseconds per clock.
#include <dlfcn.h>
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include "data/clocklist.h"
#include "data/site.h"
#include "data/sitelist.h"
#include "data/userlist.h"
#include "reader/commands.h"
#include "reader/enginehost.h"
#include "reader/rdrdll32.h"
#include "reader/readerinfo.h"

namespace {

struct TCountingHost : zv::IEngineHost {
  void AddLogLine(const std::string&) override { ++lines; }
  void ProcessMessages() override {}
  void SleepMs(int) override {}
  std::string DataPath() const override { return dir; }
  std::string PunchPath() const override { return dir; }
  zv::TSiteList* Sites() const override { return sites.get(); }
  zv::TClockList* Clocks() const override { return clocks.get(); }
  zv::TUserList* Users() const override { return nullptr; }
  std::string dir;
  std::unique_ptr<zv::TSiteList> sites;
  std::unique_ptr<zv::TClockList> clocks;
  long lines = 0;
};

void Run(TCountingHost& h, int nSites, int clocksPerSite) {
  {
    std::ofstream s(h.dir + "site.txt", std::ios::binary | std::ios::trunc);
    std::ofstream c(h.dir + "clock.txt", std::ios::binary | std::ios::trunc);
    for (int i = 1; i <= nSites; ++i) {
      s << i << ", , , , , , 0, 127.0." << (i / 250) << "." << (i % 250 + 1) << ", site\r\n";
      for (int k = 0; k < clocksPerSite; ++k) c << i << ", " << k << "\r\n";
    }
  }
  h.sites = std::make_unique<zv::TSiteList>(h.dir + "site.txt");
  h.clocks = std::make_unique<zv::TClockList>(h.dir + "clock.txt");
  h.lines = 0;
  auto t0 = std::chrono::steady_clock::now();
  zv::RunCommand("X");
  double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  long clocks = static_cast<long>(nSites) * clocksPerSite;
  std::printf("%5d sites x %3d clocks = %7ld clocks: %8.3f s, %6.2f us per clock, %ld lines\n",
              nSites, clocksPerSite, clocks, s, s * 1e6 / clocks, h.lines);
  // One selected clock of the last site: the lookup must not walk the list.
  t0 = std::chrono::steady_clock::now();
  for (int i = 0; i < 1000; ++i) zv::RunCommand("X" + std::to_string(nSites) + "#1");
  s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  std::printf("      X%d#1, 1000 times: %6.2f us per run\n", nSites, s * 1e3);
}

}  // namespace

int main() {
  setenv("ZV_WSOCK_CLOSE_PAUSE_MS", "0", 1);
  TCountingHost h;
  char tmpl[] = "/tmp/zvwalksbench_XXXXXX";
  h.dir = std::string(mkdtemp(tmpl)) + "/";
  zv::TRdrDll32::LibraryName = FAKE_RDR_PATH;
  // The stand-in keeps a record of every call; one handle of our own keeps it loaded.
  void* keep = dlopen(FAKE_RDR_PATH, RTLD_NOW);
  auto reset = reinterpret_cast<void (*)()>(dlsym(keep, "fake_reset"));
  zv::SetEngineHost(&h);
  for (auto [sites, clocks] : {std::pair{10, 10}, std::pair{100, 10}, std::pair{999, 10},
                               std::pair{100, 100}}) {
    if (reset) reset();
    Run(h, sites, clocks);
  }
  zv::SetEngineHost(nullptr);
  std::string cmd = "rm -rf '" + h.dir + "'";
  return system(cmd.c_str()) == 0 ? 0 : 1;
}
