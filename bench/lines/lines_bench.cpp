// lines_bench: zorvan32 P over many sites, one line at a time against several at once
// (--parallel-lines), each measured in this run:
//   - serial: S sites on emulated serial lines at B baud, M punches each, against one such site
//     polled alone;
//   - network: N Ethernet sites on loopback, K punches each (every element synced): elements a
//     second and peak memory, one line against N;
//   - silent: T Ethernet sites of which Q never answer, against the slowest site polled alone.
// Each time is the run's less that of a run with nothing to do (start-up, the pause after the
// parameter), so that only the lines' work is compared.
//   lines_bench [--serial-sites S] [--serial-punches M] [--baud B] [--net-sites N]
//               [--net-punches K] [--silent-sites T] [--silent Q] [--silent-punches P]
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/common/childrun.h"
#include "tests/rdrlink/emuprocess.h"

namespace {

using zv::bench::TChildRun;

void WriteText(const std::string& path, const std::string& text) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f) {
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
  }
}

// A loopback network of this process's own (127.A.B.x), so that runs side by side do not meet.
std::string NetAddress(int site) {
  int p = static_cast<int>(getpid());
  return "127." + std::to_string(p / 250 % 200 + 20) + "." + std::to_string(p % 250 + 1) + "." +
         std::to_string(site);
}

struct TSiteSpec {
  bool serial = false;
  bool silent = false;  // its reader never answers
  long punches = 0;
};

// A data directory and an emulator with the sites, one reader (address 1) each.
class TInstall {
 public:
  explicit TInstall(const std::vector<TSiteSpec>& sites, int baud) : sites_(sites) {
    mkdir(data_.c_str(), 0755);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("RDRDLL32_TIMEOUT_MS", "3000", 1);
    WriteText(root_ + "zorvan32.INI", "[Zorvan32]\r\nDataPath=" + data_ +
                                          "\r\nInterCommandDelay=0\r\nSaveCommandLineLog=0\r\n");
    std::string siteTxt = ".site\r\n", clockTxt = ".site clock\r\n";
    ok_ = emu_.Cli("init") == 0;
    for (std::size_t i = 0; i < sites.size() && ok_; ++i) {
      const TSiteSpec& s = sites[i];
      std::string n = std::to_string(i + 1);
      if (s.serial) {
        std::string tty = env_.Path() + "/tty" + n;
        setenv(("RDRDLL32_COM" + n).c_str(), tty.c_str(), 1);
        siteTxt += n + ", " + n + ", " + std::to_string(baud) + ", , , , 0, , line " + n + "\r\n";
        ok_ = emu_.Cli("add-site", {"--site", n, "--serial", tty, "--baud", std::to_string(baud)}) == 0;
      } else {
        siteTxt += n + ", , , , , , 0, " + NetAddress(static_cast<int>(i + 1)) + ", site " + n + "\r\n";
        ok_ = emu_.Cli("add-site", {"--site", n, "--tcp", NetAddress(static_cast<int>(i + 1)) + ":3001"}) == 0;
      }
      clockTxt += n + ", 1\r\n";
      std::vector<std::string> reader = {"--site", n, "--addr", "1"};
      if (s.silent) reader.push_back("--offline");
      ok_ = ok_ && emu_.Cli("add-reader", reader) == 0;
      ok_ = ok_ && (s.punches == 0 ||
                    emu_.Cli("add-punch", {"--site", n, "--addr", "1", "--user", "42", "--time",
                                           "2026-01-01 00:00", "--count", std::to_string(s.punches)}) == 0);
    }
    WriteText(data_ + "site.txt", siteTxt);
    WriteText(data_ + "clock.txt", clockTxt);
    if (ok_) empty_ = Run({"Q"}, -1).seconds;
  }
  bool Ok() const { return ok_; }

  // One run of the parameters (site selection in `select`, "" every site) with the reader logs
  // as seeded; its time less that of a run with nothing to do. `lines` 0 gives no option.
  TChildRun Poll(const std::string& select, int lines) {
    long want = 0;
    for (std::size_t i = 0; i < sites_.size(); ++i)
      if (select.empty() || select == std::to_string(i + 1)) want += sites_[i].silent ? 0 : sites_[i].punches;
    std::vector<std::string> params;
    if (lines > 0) params = {"--parallel-lines", std::to_string(lines)};
    params.push_back("P" + select);
    TChildRun r = Run(params, want);
    r.seconds = std::max(r.seconds - empty_, 1e-3);
    return r;
  }

 private:
  TChildRun Run(const std::vector<std::string>& params, long wantPunches) {
    for (const char* f : {"Punch.Log", "trans.dat", "Sys.Log", "user.dat", "user.idx", "user.txt"})
      unlink((data_ + f).c_str());
    if (std::system(("rm -f '" + data_ + "'2*.log").c_str()) != 0) {
    }
    // The emulator starts from the seeded state each time: a poll empties the readers.
    std::string state = zv::testing::ReadFile(emu_.State());
    if (!emu_.Serve()) return {};
    TChildRun r = zv::bench::RunChild(ZV_ZORVAN32, params);
    emu_.Stop();
    WriteText(emu_.State(), state);
    if (wantPunches >= 0) {
      long lines = 0;
      for (char c : zv::testing::ReadFile(data_ + "Punch.Log")) lines += c == '\n';
      if (lines != wantPunches) {
        std::fprintf(stderr, "lines_bench: %ld punches polled of %ld\n", lines, wantPunches);
        r.ok = false;
      }
    }
    return r;
  }

  std::vector<TSiteSpec> sites_;
  zv::THermeticDir env_;
  std::string root_ = env_.Path() + "/";
  std::string data_ = root_ + "data/";
  zv::TEmuProcess emu_{env_.Path()};
  bool ok_ = false;
  double empty_ = 0;
};

long Arg(int argc, char** argv, const char* name, long def) {
  for (int i = 1; i + 1 < argc; ++i)
    if (std::string(argv[i]) == name) return std::atol(argv[i + 1]);
  return def;
}

}  // namespace

int main(int argc, char** argv) {
  const long serialSites = Arg(argc, argv, "--serial-sites", 8), serialPunches = Arg(argc, argv, "--serial-punches", 300);
  const long baud = Arg(argc, argv, "--baud", 9600);
  const long netSites = Arg(argc, argv, "--net-sites", 16), netPunches = Arg(argc, argv, "--net-punches", 5000);
  const long silentSites = Arg(argc, argv, "--silent-sites", 20), silent = Arg(argc, argv, "--silent", 5);
  const long silentPunches = Arg(argc, argv, "--silent-punches", 500);
  if (serialSites < 1 || serialSites > 64 || netSites < 1 || netSites > 64 || silentSites < 2 ||
      silentSites > 64 || silent < 1 || silent >= silentSites || baud < 300) {
    std::fprintf(stderr, "lines_bench: sites 1 to 64, at least one silent and one answering site\n");
    return 2;
  }
  int rc = 0;
  auto check = [&rc](const TChildRun& r) {
    if (!r.ok) rc = 1;
    return r;
  };

  {
    std::vector<TSiteSpec> sites(serialSites, TSiteSpec{true, false, serialPunches});
    TInstall in(sites, static_cast<int>(baud));
    if (!in.Ok()) {
      std::fprintf(stderr, "lines_bench: cannot set up the serial sites\n");
      return 1;
    }
    TChildRun alone = check(in.Poll("1", 0));
    TChildRun one = check(in.Poll("", 1));
    TChildRun many = check(in.Poll("", static_cast<int>(serialSites)));
    std::printf("serial: %ld sites at %ld baud, %ld punches each\n", serialSites, baud, serialPunches);
    std::printf("  one site alone %.2f s; one line at a time %.2f s (%.2f x); %ld lines %.2f s (%.2f x)\n",
                alone.seconds, one.seconds, one.seconds / alone.seconds, serialSites, many.seconds,
                many.seconds / alone.seconds);
  }
  {
    std::vector<TSiteSpec> sites(netSites, TSiteSpec{false, false, netPunches});
    TInstall in(sites, 0);
    if (!in.Ok()) {
      std::fprintf(stderr, "lines_bench: cannot set up the network sites\n");
      return 1;
    }
    const double total = static_cast<double>(netSites * netPunches);
    TChildRun one = check(in.Poll("", 1));
    TChildRun many = check(in.Poll("", static_cast<int>(netSites)));
    std::printf("network: %ld sites, %ld punches each\n", netSites, netPunches);
    std::printf("  one line %.0f elements/s, %ld KiB; %ld lines %.0f elements/s (%.2f x), %ld KiB (%.2f x)\n",
                total / one.seconds, one.maxRssKb, netSites, total / many.seconds,
                one.seconds / many.seconds, many.maxRssKb,
                static_cast<double>(many.maxRssKb) / static_cast<double>(one.maxRssKb));
  }
  {
    // The silent sites come first, as a walk in site order meets them.
    std::vector<TSiteSpec> sites;
    for (long i = 0; i < silentSites; ++i) sites.push_back(TSiteSpec{false, i < silent, silentPunches});
    TInstall in(sites, 0);
    if (!in.Ok()) {
      std::fprintf(stderr, "lines_bench: cannot set up the sites with silent readers\n");
      return 1;
    }
    TChildRun quiet = in.Poll("1", 0);  // fails, as it should: its reader never answers
    TChildRun live = check(in.Poll(std::to_string(silentSites), 0));
    TChildRun all = in.Poll("", static_cast<int>(silentSites));
    double slowest = std::max(quiet.seconds, live.seconds);
    std::printf("silent: %ld sites, %ld of them silent, %ld punches each other\n", silentSites, silent,
                silentPunches);
    std::printf("  slowest site alone %.2f s (silent %.2f s, answering %.2f s); %ld lines %.2f s (%.2f x)\n",
                slowest, quiet.seconds, live.seconds, silentSites, all.seconds, all.seconds / slowest);
  }
  return rc;
}
