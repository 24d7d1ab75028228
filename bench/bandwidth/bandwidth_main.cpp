// rdr_bandwidth: seeds an emulated reader with N data log elements, serves it with rdremu and
// fetches them all through librdrdll32.so as the program polls, reporting elements per second.
//   rdr_bandwidth [--count N] [--line tcp|serial] [--baud B]
// On a serial line paced to B baud it also reports the most the line allows: one request and
// one answer frame per element, 10 bits a byte.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "rdrlib/frame.h"
#include "rdrlib/rdrdll32.h"

extern char** environ;

namespace {

pid_t Spawn(const std::vector<std::string>& args, int* outFd) {
  int p[2] = {-1, -1};
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  if (outFd) {
    if (pipe2(p, O_CLOEXEC) != 0) return -1;
    posix_spawn_file_actions_adddup2(&fa, p[1], 1);
  }
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawn(&pid, argv[0], &fa, nullptr, argv.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&fa);
  if (outFd) {
    close(p[1]);
    *outFd = p[0];
  }
  return pid;
}

int Run(const std::vector<std::string>& args) {
  pid_t pid = Spawn(args, nullptr);
  int st = 0;
  if (pid < 0 || waitpid(pid, &st, 0) < 0) return -1;
  return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

}  // namespace

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
  char tmpl[] = "/tmp/rdr_bandwidth.XXXXXX";
  if (!mkdtemp(tmpl)) return 1;
  std::string dir = tmpl, state = dir + "/bench.state", tty = dir + "/ttyBench";
  const std::string emu = ZV_RDREMU_PATH;
  if (Run({emu, "init", state}) != 0) return 1;
  if (line == "tcp") {
    if (Run({emu, "add-site", state, "--site", "1", "--tcp", "127.0.0.2:0"}) != 0) return 1;
  } else {
    if (Run({emu, "add-site", state, "--site", "1", "--serial", tty, "--baud", std::to_string(baud)}) != 0)
      return 1;
  }
  if (Run({emu, "add-reader", state, "--site", "1", "--addr", "1"}) != 0 ||
      Run({emu, "add-punch", state, "--site", "1", "--addr", "1", "--user", "42", "--count",
           std::to_string(count)}) != 0)
    return 1;

  int out = -1;
  pid_t server = Spawn({emu, "serve", state}, &out);
  std::string got;
  int port = 0;
  while (got.find("ready\n") == std::string::npos) {
    pollfd p{out, POLLIN, 0};
    if (poll(&p, 1, 10000) <= 0) return 1;
    char buf[256];
    ssize_t n = read(out, buf, sizeof buf);
    if (n <= 0) return 1;
    got.append(buf, static_cast<size_t>(n));
  }
  std::size_t at = got.find("tcp 127.0.0.2:");
  if (at != std::string::npos) port = std::atoi(got.c_str() + at + 14);

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
    kill(server, SIGTERM);
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
  kill(server, SIGTERM);
  int st;
  waitpid(server, &st, 0);
  std::string rm = "rm -rf '" + dir + "'";
  if (std::system(rm.c_str()) != 0) return 1;

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
