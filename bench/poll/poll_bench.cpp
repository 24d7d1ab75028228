// poll_bench: zorvan32 P polling N punches from rdremu over loopback, against
//   - the durable limit: the writes and syncs of one element alone (its trans.dat line and
//     its two punch lines, each file synced), measured here in the same run;
//   - the library's raw bandwidth: the same elements fetched with nothing written;
// then M punches over a serial line paced at B baud against that line's limit; and the
// program's peak memory (getrusage of the child) for 1,000 punches and for N.
//   poll_bench [--count N] [--serial-count M] [--baud B]
// ZV_POLL_BENCH_PLATFORM=xcb (on a display, e.g. under xvfb-run) polls with the window shown,
// so that its library calls wait on the helper thread; the default is offscreen.
// The poll's own time is the run's time less that of a run with an empty log (start-up,
// channel, the pause after the command), so only the elements are counted. The durable limit
// is sampled all through the big poll, with the program paused meanwhile (SIGSTOP).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/common/childrun.h"
#include "data/mystringlist.h"
#include "rdrlib/frame.h"
#include "rdrlib/rdrdll32.h"
#include "reader/polling.h"
#include "tests/rdrlink/emuprocess.h"

namespace {

using Clock = std::chrono::steady_clock;

using zv::bench::SecondsSince;
using zv::bench::TChildRun;
using zv::bench::TProbe;

// One run of zorvan32 with the parameters.
TChildRun RunZorvan(const std::vector<std::string>& params, const TProbe& probe = {}) {
  return zv::bench::RunChild(ZV_ZORVAN32, params, probe);
}

void WriteText(const std::string& path, const std::string& text) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f) {
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
  }
}

// A data directory with one site on the given line and one clock, and the settings.
struct TInstall {
  zv::THermeticDir env;
  std::string root = env.Path() + "/";
  std::string data = root + "data/";
  zv::TEmuProcess emu{env.Path()};

  bool Setup(const std::string& siteLine) {
    mkdir(data.c_str(), 0755);
    const char* platform = getenv("ZV_POLL_BENCH_PLATFORM");
    setenv("QT_QPA_PLATFORM", platform ? platform : "offscreen", 1);
    // The library's default: a poll paused for a probe must not see its request time out.
    setenv("RDRDLL32_TIMEOUT_MS", "3000", 1);
    WriteText(root + "zorvan32.INI", "[Zorvan32]\r\nDataPath=" + data +
                                         "\r\nInterCommandDelay=0\r\nSaveCommandLineLog=0\r\n");
    WriteText(data + "site.txt", ".site\r\n" + siteLine + "\r\n");
    WriteText(data + "clock.txt", ".site clock\r\n1, 1\r\n");
    return emu.Cli("init") == 0;
  }
  void Clean() {
    for (const char* f : {"Punch.Log", "trans.dat", "Sys.Log", "user.dat", "user.idx"})
      unlink((data + f).c_str());
    std::string cmd = "rm -f '" + data + "'2*.log";
    if (std::system(cmd.c_str()) != 0) {
    }
  }
  bool Punches(long n) {
    return n == 0 || emu.Cli("add-punch", {"--site", "1", "--addr", "1", "--user", "42", "--time",
                                           "2026-01-01 00:00", "--count", std::to_string(n)}) == 0;
  }
  // The poll of n punches: its own time (less an empty poll's) and the run's peak memory.
  TChildRun Poll(long n, const TProbe& probe = {}) {
    emu.Stop();
    Clean();
    TChildRun empty = RunPolled(0, {});
    Clean();
    if (!Punches(n)) return {};
    TChildRun full = RunPolled(n, probe);
    full.seconds -= empty.seconds;
    return full;
  }

 private:
  TChildRun RunPolled(long n, const TProbe& probe) {
    if (!emu.Serve()) return {};
    TChildRun r = RunZorvan({"P"}, probe);
    emu.Stop();
    std::string punches = zv::testing::ReadFile(data + "Punch.Log");
    long lines = 0;
    for (char c : punches) lines += c == '\n';
    if (lines != n) {
      std::fprintf(stderr, "poll_bench: %ld punches polled of %ld\n", lines, n);
      r.ok = false;
    }
    return r;
  }
};

// The writes and syncs of one punch alone: its trans.dat line and its two punch lines, the
// three files synced together, as the poll does before it asks for the next. The files are
// kept from one sample to the next, growing as the poll's do.
class TDurableProbe {
 public:
  explicit TDurableProbe(const std::string& dir)
      : dir_(dir), trans_(dir + "bench-trans.dat"), punch_(dir + "bench-punch.log"),
        daily_(dir + "bench-daily.log") {}
  ~TDurableProbe() {
    for (const char* f : {"bench-trans.dat", "bench-punch.log", "bench-daily.log"})
      unlink((dir_ + f).c_str());
  }
  void Run(long n) {
    std::uint8_t e[zv::kDataLogElementSize] = {};
    e[8] = 7;
    e[16] = 0x42;
    e[24] = e[25] = e[26] = e[27] = 255;
    auto t0 = Clock::now();
    for (long i = 0; i < n; ++i) {
      e[2] = static_cast<std::uint8_t>(i % 60);
      std::string line = zv::PunchLine("1", "1", e);
      trans_.WriteLine(zv::TransLine(e));
      punch_.WriteLine(line);
      daily_.WriteLine(line);
      zv::TMyFileStream* files[] = {&trans_, &punch_, &daily_};
      zv::SyncTogether(files, 3);
    }
    seconds_ += SecondsSince(t0);
    count_ += n;
  }
  void Reset() {
    seconds_ = 0;
    count_ = 0;
  }
  // Elements a second over every sample.
  double Rate() const { return count_ / seconds_; }
  long Count() const { return count_; }

 private:
  std::string dir_;
  zv::TMyFileStream trans_, punch_, daily_;
  double seconds_ = 0;
  long count_ = 0;
};

// Elements a second that the library fetches with nothing written.
double RawBandwidth(TInstall& in, const std::string& address, long n) {
  in.emu.Stop();
  if (!in.Punches(n) || !in.emu.Serve()) return 0;
  rdrStartupWsock();
  int32_t ch = rdrInitWsock(address.c_str(), 3001);
  uint8_t info[RDR_HANDREADER_SIZE], e[RDR_DATALOG_SIZE];
  if (!ch || rdrSetHandReader(ch, 1, info) != 0) return 0;
  auto t0 = Clock::now();
  long got = 0;
  for (;;) {
    int rc = rdrGetDataLogElement(ch, e, 0);
    for (int r = 0; rc != 0 && r < 10; ++r) rc = rdrGetDataLogElement(ch, e, 1);
    if (rc != 0 || (e[8] | e[9] | e[10] | e[11]) == 0) break;
    ++got;
  }
  double s = SecondsSince(t0);
  rdrCloseWsock(ch);
  rdrCleanupWsock();
  in.emu.Stop();
  return got == n ? n / s : 0;
}

}  // namespace

int main(int argc, char** argv) {
  // The program stops polling a reader that sends more than its memory holds: 40,960
  // elements for the largest memory, which the loopback reader has.
  const long kMostElements = 40960;
  long count = 40000, serialCount = 300;
  int baud = 9600;
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string k = argv[i];
    if (k == "--count") count = std::atol(argv[i + 1]);
    else if (k == "--serial-count") serialCount = std::atol(argv[i + 1]);
    else if (k == "--baud") baud = std::atoi(argv[i + 1]);
  }
  if (count < 1 || count > kMostElements || serialCount < 1 || baud < 300) {
    std::fprintf(stderr, "usage: poll_bench [--count N (at most 40960)] [--serial-count M] [--baud B]\n");
    return 2;
  }
  const std::string address = "127.0." + std::to_string(getpid() / 250 % 250 + 1) + "." +
                              std::to_string(getpid() % 250 + 1);
  int rc = 0;

  {
    TInstall net;
    if (!net.Setup("1, , , , , , 0, " + address + ", bench") ||
        net.emu.Cli("add-site", {"--site", "1", "--tcp", address + ":3001"}) != 0 ||
        net.emu.Cli("add-reader", {"--site", "1", "--addr", "1", "--memory", "2"}) != 0) {
      std::fprintf(stderr, "poll_bench: cannot set up the emulator\n");
      return 1;
    }
    TChildRun small = net.Poll(1000);
    // The disk is shared and its speed changes from one second to the next: the limit is
    // sampled all through the poll, with the program paused, 300 elements every 2 s.
    TDurableProbe durableProbe(net.data);
    durableProbe.Run(300);  // the files' first sync (their directory entry) is not counted
    durableProbe.Reset();
    TProbe probe{2.0, [&] { durableProbe.Run(300); }};
    TChildRun big = net.Poll(count, probe);
    if (durableProbe.Count() == 0) probe.run();
    double durable = durableProbe.Rate();
    long probed = durableProbe.Count();
    double raw = RawBandwidth(net, address, count < 20000 ? count : 20000);
    double polled = count / big.seconds;
    rc |= small.ok && big.ok ? 0 : 1;
    std::printf("loopback: %ld punches polled in %.2f s: %.0f elements/s\n", count, big.seconds, polled);
    std::printf("  durable limit (3 lines written, 3 files synced together, %ld elements sampled during "
                "the poll): %.0f elements/s; poll reaches %.2f of it\n", probed, durable, polled / durable);
    std::printf("  library raw bandwidth: %.0f elements/s; poll reaches %.2f of it\n", raw, polled / raw);
    std::printf("  both in a row (1/(1/durable + 1/raw)): %.0f elements/s; poll reaches %.2f of it\n",
                1 / (1 / durable + 1 / raw), polled * (1 / durable + 1 / raw));
    std::printf("peak memory: 1000 punches %ld KiB, %ld punches %ld KiB: %.2f x\n", small.maxRssKb,
                count, big.maxRssKb, static_cast<double>(big.maxRssKb) / small.maxRssKb);
  }
  {
    TInstall line;
    const std::string tty = line.env.Path() + "/ttyBench";
    setenv("RDRDLL32_COM1", tty.c_str(), 1);
    if (!line.Setup("1, 1, " + std::to_string(baud) + ", , , , 0, , bench") ||
        line.emu.Cli("add-site", {"--site", "1", "--serial", tty, "--baud", std::to_string(baud)}) != 0 ||
        line.emu.Cli("add-reader", {"--site", "1", "--addr", "1"}) != 0) {
      std::fprintf(stderr, "poll_bench: cannot set up the emulated line\n");
      return 1;
    }
    TChildRun paced = line.Poll(serialCount);
    rc |= paced.ok ? 0 : 1;
    const double perElement = (zv::kFrameOverhead + 1) + (zv::kFrameOverhead + 1 + RDR_DATALOG_SIZE);
    double limit = baud / 10.0 / perElement;
    double polled = serialCount / paced.seconds;
    std::printf("serial line at %d baud: %ld punches polled in %.2f s: %.2f elements/s\n", baud,
                serialCount, paced.seconds, polled);
    std::printf("  line limit %.2f elements/s (%.0f bytes an element); poll reaches %.3f of it\n", limit,
                perElement, polled / limit);
  }
  return rc;
}
