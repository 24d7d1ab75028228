// userdb_bench: time of the user database transfers as the users grow.
//   userdb_bench [--small N] [--large M] [--reps K]   (default 3000, 30000, best of 3)
// The files live under $TMPDIR: on a disk each stored record costs two fdatasyncs, whose pace
// a shared machine varies; on tmpfs (TMPDIR=/dev/shm) what remains is the program's own work.
// For each size: an emulated reader holding that many users; F (all records in data banks)
// into an empty user.dat / user.idx, then R (clear and restore one by one) from them, through
// the engine and the real library over loopback, then G (the users of user.txt one by one) into
// an empty store and D (all of them in data banks) from it (best of K). Then bulk stores of that many
// new ids into an index of as many free lines, the two sizes in turns. Prints the times and
// the large / small ratios (linear: the ratio of the sizes).
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "data/clocklist.h"
#include "data/grouplist.h"
#include "data/site.h"
#include "data/sitelist.h"
#include "data/userlist.h"
#include "reader/engine.h"
#include "reader/enginehost.h"
#include "reader/entryops.h"
#include "reader/userstore.h"
#include "tests/rdrlink/emuprocess.h"
#include "util/fileio.h"

namespace {

using Clock = std::chrono::steady_clock;
double Since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

struct TBenchHost : zv::IEngineHost {
  void AddLogLine(const std::string&) override { ++lines; }
  void ProcessMessages() override {}
  void SleepMs(int) override {}
  std::string DataPath() const override { return data; }
  std::string PunchPath() const override { return data; }
  zv::TSiteList* Sites() const override { return sites.get(); }
  zv::TClockList* Clocks() const override { return clocks.get(); }
  zv::TUserList* Users() const override { return users.get(); }
  zv::TGroupList* Groups() const override { return groups.get(); }
  long long lines = 0;
  std::string data;
  std::unique_ptr<zv::TSiteList> sites;
  std::unique_ptr<zv::TClockList> clocks;
  std::unique_ptr<zv::TUserList> users;
  std::unique_ptr<zv::TGroupList> groups;
};

struct TTimes {
  double f = 0, r = 0, g = 0, d = 0, store = 0;
  // Cost of one record write and one index line write, each synced, measured before the
  // phase: what storing one user costs the disk at that moment.
  double fSync = 0, storeSync = 0;
};

// Seconds per pair of synced writes (24 bytes to one file, 12 to another), over k pairs.
double SyncPairCost(const std::string& dir, int k = 200) {
  int a = ::open((dir + "sync.a").c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
  int b = ::open((dir + "sync.b").c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
  char buf[24] = {};
  auto t0 = Clock::now();
  for (int i = 0; i < k; ++i) {
    if (::pwrite(a, buf, 24, 24 * i) != 24 || ::fdatasync(a) != 0) break;
    if (::pwrite(b, buf, 12, 12 * i) != 12 || ::fdatasync(b) != 0) break;
  }
  double s = Since(t0) / k;
  ::close(a);
  ::close(b);
  return s;
}

bool Check(bool ok, const char* what) {
  if (!ok) std::fprintf(stderr, "userdb_bench: %s failed\n", what);
  return ok;
}

bool RunSize(int n, int reps, TTimes& t) {
  zv::THermeticDir hermetic;
  std::string dir = hermetic.Path() + "/";
  std::string data = dir + "data/";
  if (!zv::ForceDirectories(data)) return false;
  // An address of our own on loopback: the engine always connects to port 3001.
  int pid = static_cast<int>(getpid());
  std::string ip = "127." + std::to_string(pid / 250 % 250 + 1) + "." + std::to_string(pid % 250 + 1) + ".9";
  zv::TEmuProcess emu(hermetic.Path());
  if (!Check(emu.Cli("init") == 0 && emu.Cli("add-site", {"--site", "1", "--tcp", ip + ":3001"}) == 0 &&
                 emu.Cli("add-reader", {"--site", "1", "--addr", "1", "--memory", "2"}) == 0 &&
                 emu.Cli("add-user", {"--site", "1", "--addr", "1", "--user", "1000000", "--count",
                                      std::to_string(n), "--template", "0102030405060708090A0B"}) == 0,
             "seeding the emulator") ||
      !Check(emu.Serve(), "starting the emulator"))
    return false;
  zv::WriteFileAtomic(data + "site.txt", "1, , , , , , 0, " + ip + ", net\r\n");
  zv::WriteFileAtomic(data + "clock.txt", "1, 1\r\n");
  TBenchHost host;
  host.data = data;
  host.sites = std::make_unique<zv::TSiteList>(data + "site.txt");
  host.clocks = std::make_unique<zv::TClockList>(data + "clock.txt");
  host.users = std::make_unique<zv::TUserList>(data + "user.txt");
  host.groups = std::make_unique<zv::TGroupList>(data + "group.txt");
  zv::SetEngineHost(&host);
  zv::TRdrDll32::LibraryName = ZV_RDRDLL32_PATH;
  std::vector<zv::TSite*> sites = host.sites->GetSites();

  // Each phase runs `reps` times; the fastest run counts (the machine is shared).
  t.f = t.r = t.g = t.d = 1e30;
  t.fSync = SyncPairCost(dir);
  for (int rep = 0; rep < reps; ++rep) {
    unlink((data + "user.idx").c_str());
    unlink((data + "user.dat").c_str());
    host.users.reset();
    unlink((data + "user.txt").c_str());
    host.users = std::make_unique<zv::TUserList>(data + "user.txt");
    host.lines = 0;
    auto t0 = Clock::now();
    zv::GetFullSites(sites, "");
    t.f = std::min(t.f, Since(t0));
    long long fLines = host.lines;
    if (!Check(host.users->Count() >= n && fLines >= 2LL * n, "F")) return false;
    t0 = Clock::now();
    zv::RestoreUsersSites(sites, "");
    t.r = std::min(t.r, Since(t0));
    if (!Check(host.lines - fLines >= n, "R")) return false;
    // G of the users F put into user.txt, into an empty store; then D from what G stored.
    unlink((data + "user.idx").c_str());
    unlink((data + "user.dat").c_str());
    long long rLines = host.lines;
    t0 = Clock::now();
    zv::GetUsersSites(sites, "");
    t.g = std::min(t.g, Since(t0));
    if (!Check(host.lines - rLines >= n, "G")) return false;
    t0 = Clock::now();
    zv::RestoreFullSites(sites, "");
    t.d = std::min(t.d, Since(t0));
  }
  zv::SetEngineHost(nullptr);

  return true;
}

// New ids into two indexes full of free lines, of `small` and `large` lines, each change on
// disk before the next. The two are filled in turns, a tenth at a time, so that both see the
// same moments of the disk.
bool BulkStores(int small, int large, TTimes& a, TTimes& b) {
  zv::testing::TTempDir dir;
  struct TOne {
    int n;
    TTimes* t;
    std::unique_ptr<zv::TUserStore> store;
    int done = 0;
  } both[2] = {{small, &a, nullptr}, {large, &b, nullptr}};
  for (TOne& o : both) {
    std::string base = dir.file("bulk" + std::to_string(o.n));
    std::string idx, dat(24u * o.n, '\0');
    for (int i = 0; i < o.n; ++i) idx += "0\r\n";
    zv::WriteFileAtomic(base + ".idx", idx);
    zv::WriteFileAtomic(base + ".dat", dat);
    o.store = std::make_unique<zv::TUserStore>(base + ".dat");
    if (!Check(o.store->LoadIndex(base + ".idx") == zv::TUserStore::TIndexLoad::Ok, "loading"))
      return false;
    o.t->store = 0;
    o.t->storeSync = SyncPairCost(dir.path() + "/");
  }
  std::string rec(24, '\x11');
  char id[16];
  for (int turn = 1; turn <= 10; ++turn) {
    for (TOne& o : both) {
      int until = static_cast<int>(static_cast<long long>(o.n) * turn / 10);
      auto t0 = Clock::now();
      for (; o.done < until; ++o.done) {
        std::snprintf(id, sizeof id, "%010d", 2000000 + o.done);
        if (!Check(o.store->Store(id, rec), "store")) return false;
      }
      o.t->store += Since(t0);
    }
  }
  return Check(both[1].store->Count() == static_cast<std::size_t>(large), "bulk store");
}

}  // namespace

int main(int argc, char** argv) {
  int small = 3000, large = 30000, reps = 3;
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string k = argv[i];
    if (k == "--small") small = std::atoi(argv[i + 1]);
    else if (k == "--large") large = std::atoi(argv[i + 1]);
    else if (k == "--reps") reps = std::atoi(argv[i + 1]);
  }
  if (small < 1 || large < small || reps < 1) {
    std::fprintf(stderr, "usage: userdb_bench [--small N] [--large M] [--reps K]\n");
    return 2;
  }
  // The pause between a bank's number and the bank is the reader's, not the program's work:
  // without it D shows what the program does (set the variable to measure with it).
  setenv("ZV_BANK_SEND_PAUSE_MS", "0", 0);
  TTimes a, b;
  if (!RunSize(small, reps, a) || !RunSize(large, reps, b) || !BulkStores(small, large, a, b))
    return 1;
  auto row = [](const char* what, int n, double s, double sync) {
    std::printf("%-30s %6d users %8.2f s %8.1f us/user", what, n, s, 1e6 * s / n);
    if (sync > 0) std::printf("   (a synced record + index line here: %.1f us)", 1e6 * sync);
    std::printf("\n");
  };
  row("F (get all, data banks)", small, a.f, a.fSync);
  row("F (get all, data banks)", large, b.f, b.fSync);
  row("R (clear, restore one by one)", small, a.r, 0);
  row("R (clear, restore one by one)", large, b.r, 0);
  row("G (users of user.txt)", small, a.g, 0);
  row("G (users of user.txt)", large, b.g, 0);
  row("D (all records in data banks)", small, a.d, 0);
  row("D (all records in data banks)", large, b.d, 0);
  row("store into free lines", small, a.store, a.storeSync);
  row("store into free lines", large, b.store, b.storeSync);
  double sizes = static_cast<double>(large) / small;
  std::printf("ratio %d / %d users (linear: %.1f): F %.2f, R %.2f, G %.2f, D %.2f, store %.2f\n",
              large, small, sizes, b.f / a.f, b.r / a.r, b.g / a.g, b.d / a.d, b.store / a.store);
  return 0;
}
