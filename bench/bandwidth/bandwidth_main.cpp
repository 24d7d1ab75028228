// rdr_bandwidth: seeds an emulated reader with N data log elements, serves it with rdremu and
// fetches them all through librdrdll32.so as the program polls, reporting elements per second.
//   rdr_bandwidth [--count N] [--line tcp|serial] [--baud B]
// On a serial line paced to B baud it also reports the most the line allows: one request and
// one answer frame per element, 10 bits a byte.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "rdrlib/frame.h"
#include "rdrlib/rdrdll32.h"
#include "tests/rdrlink/emuprocess.h"
#include "util/testsupport.h"

int main(int argc, char** argv) {
  long count = 100000;
  std::string line = "tcp";
  int baud = 9600;
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string k = argv[i];
    if (k == "--count") count = std::atol(argv[i + 1]);
    else if (k == "--line") line = argv[i + 1];
    else if (k == "--baud") baud = std::atoi(argv[i + 1]);
  }
  if (count < 1 || (line != "tcp" && line != "serial")) {
    std::fprintf(stderr, "usage: rdr_bandwidth [--count N] [--line tcp|serial] [--baud B]\n");
    return 2;
  }
  zv::testing::TTempDir dir;
  const std::string tty = dir.file("ttyBench");
  zv::TEmuProcess emu(dir.path());
  if (emu.Cli("init") != 0) return 1;
  if (line == "tcp") {
    if (emu.Cli("add-site", {"--site", "1", "--tcp", "127.0.0.2:0"}) != 0) return 1;
  } else {
    if (emu.Cli("add-site", {"--site", "1", "--serial", tty, "--baud", std::to_string(baud)}) != 0) return 1;
  }
  if (emu.Cli("add-reader", {"--site", "1", "--addr", "1"}) != 0 ||
      emu.Cli("add-punch", {"--site", "1", "--addr", "1", "--user", "42", "--count", std::to_string(count)}) != 0)
    return 1;
  if (!emu.Serve()) return 1;
  const int port = line == "tcp" ? emu.Port(1) : 0;

  int32_t ch = 0;
  if (line == "tcp") {
    rdrStartupWsock();
    ch = rdrInitWsock("127.0.0.2", port);
  } else {
    setenv("RDRDLL32_COM1", tty.c_str(), 1);
    ch = rdrInstallChannel(0);
    if (ch && rdrOpenDirectChannel(ch, baud) != 0) ch = 0;
  }
  uint8_t info[RDR_HANDREADER_SIZE], e[RDR_DATALOG_SIZE];
  if (!ch || rdrSetHandReader(ch, 1, info) != 0) {
    std::fprintf(stderr, "rdr_bandwidth: cannot reach the emulated reader\n");
    return 1;
  }
  auto t0 = std::chrono::steady_clock::now();
  long received = 0, repeats = 0;
  for (;;) {
    int rc = rdrGetDataLogElement(ch, e, 0);
    for (int r = 0; rc != 0 && r < 10; ++r, ++repeats) rc = rdrGetDataLogElement(ch, e, 1);
    if (rc != 0) {
      std::fprintf(stderr, "rdr_bandwidth: failed after %ld elements\n", received);
      break;
    }
    if (e[8] == 0 && e[9] == 0 && e[10] == 0 && e[11] == 0) break;
    ++received;
  }
  double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  if (line == "tcp") {
    rdrCloseWsock(ch);
    rdrCleanupWsock();
  } else {
    rdrCloseChannel(ch);
  }
  emu.Stop();

  const double perElement = (zv::kFrameOverhead + 1) + (zv::kFrameOverhead + 1 + RDR_DATALOG_SIZE);
  std::printf("line %s%s: %ld elements in %.3f s, %.0f elements/s, %ld repeats\n", line.c_str(),
              line == "serial" ? (" " + std::to_string(baud) + " baud").c_str() : "", received, secs,
              received / secs, repeats);
  if (line == "serial") {
    double limit = baud / 10.0 / perElement;
    std::printf("line limit %.2f elements/s (%.0f bytes an element), reached %.1f %%\n", limit,
                perElement, 100.0 * received / secs / limit);
  }
  return received == count ? 0 : 1;
}
