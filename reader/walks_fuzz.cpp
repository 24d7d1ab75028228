// Hand-edited site.txt and clock.txt with anything in them, and any selection, run through
// the communications test against the stand-in library: no crash, no hang.
#include <dlfcn.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
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

namespace {

struct TQuietHost : zv::IEngineHost {
  void AddLogLine(const std::string&) override {}
  void ProcessMessages() override {}
  void SleepMs(int) override {}
  std::string DataPath() const override { return Dir; }
  std::string PunchPath() const override { return Dir; }
  zv::TSiteList* Sites() const override { return SiteList.get(); }
  zv::TClockList* Clocks() const override { return ClockList.get(); }
  zv::TUserList* Users() const override { return nullptr; }
  std::string Dir;
  std::unique_ptr<zv::TSiteList> SiteList;
  std::unique_ptr<zv::TClockList> ClockList;
};

TQuietHost& Host() {
  static TQuietHost* host = [] {
    auto* h = new TQuietHost;
    char tmpl[] = "/tmp/zvwalksfuzz_XXXXXX";
    h->Dir = std::string(mkdtemp(tmpl)) + "/";
    for (int i = 1; i <= 4; ++i)
      setenv(("RDRDLL32_COM" + std::to_string(i)).c_str(), (h->Dir + "nocom").c_str(), 1);
    zv::TRdrDll32::LibraryName = FAKE_RDR_PATH;
    // The fuzzer keeps coverage counters of the stand-in library: it must never be unmapped.
    dlopen(FAKE_RDR_PATH, RTLD_NOW | RTLD_NODELETE);
    zv::SetEngineHost(h);
    return h;
  }();
  return *host;
}

std::string Part(const std::string& all, std::size_t& pos) {
  std::size_t end = all.find('\0', pos);
  if (end == std::string::npos) end = all.size();
  std::string p = all.substr(pos, end - pos);
  pos = end < all.size() ? end + 1 : end;
  return p;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TQuietHost& h = Host();
  std::string all(reinterpret_cast<const char*>(data), size);
  std::size_t pos = 0;
  std::string sites = Part(all, pos), clocks = Part(all, pos), selection = Part(all, pos);
  std::ofstream(h.Dir + "site.txt", std::ios::binary | std::ios::trunc) << sites;
  std::ofstream(h.Dir + "clock.txt", std::ios::binary | std::ios::trunc) << clocks;
  h.SiteList.reset();
  h.ClockList.reset();
  try {
    h.SiteList = std::make_unique<zv::TSiteList>(h.Dir + "site.txt");
    h.ClockList = std::make_unique<zv::TClockList>(h.Dir + "clock.txt");
  } catch (const std::exception&) {
  }
  zv::RunCommand("X" + selection);
  // Keep the logs from growing over a long run.
  unlink((h.Dir + "Error.Log").c_str());
  unlink((h.Dir + "Sys.Log").c_str());
  return 0;
}
