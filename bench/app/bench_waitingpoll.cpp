// What waiting for the reader library on the helper thread costs a poll: N data log elements
// fetched from the emulator over loopback through TRdrDll32, with the main window's host, once
// with each call made directly (no display) and once through the helper thread (a window
// someone sees); each also with the durable writes of a poll (three files written and
// fdatasync'ed per element), which set the pace of a real poll. Ratios are of one run.
//   bench_waitingpoll [--count N]
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/frmzorvan.h"
#include "app/shellhost.h"
#include "reader/rdrdll32.h"
#include "tests/rdrlink/emuprocess.h"

namespace {

struct TSyncedFiles {
  int fd[3];
  explicit TSyncedFiles(const std::string& dir) {
    for (int i = 0; i < 3; ++i)
      fd[i] = ::open((dir + "f" + std::to_string(i)).c_str(), O_CREAT | O_WRONLY | O_APPEND, 0600);
  }
  ~TSyncedFiles() {
    for (int f : fd) ::close(f);
  }
  void Element() {
    for (int f : fd) {
      if (::write(f, "0123456789abcdef0123456789abcdef0123456789abcdef\r\n", 50) < 0) std::abort();
      ::fdatasync(f);
    }
  }
};

// Elements per second of a poll of the next `count` elements of the reader.
double Poll(int port, long count, TSyncedFiles* files) {
  zv::TRdrDll32 rdr;
  std::uint8_t info[zv::kHandReaderInfoSize], e[zv::kDataLogElementSize];
  if (!rdr.StartupWsock() || !rdr.InitWsock("127.0.0.2", std::to_string(port)) ||
      !rdr.SetHandReader(1, info)) {
    std::fprintf(stderr, "bench_waitingpoll: cannot reach the emulated reader\n");
    std::exit(1);
  }
  auto t0 = std::chrono::steady_clock::now();
  long received = 0;
  while (received < count && rdr.GetDataLogElement(e) && (e[8] | e[9] | e[10] | e[11]) != 0) {
    ++received;
    if (files) files->Element();
  }
  double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  rdr.CloseWsock();
  rdr.CleanupWsock();
  if (received != count) std::fprintf(stderr, "bench_waitingpoll: %ld of %ld\n", received, count);
  return received / secs;
}

}  // namespace

int main(int argc, char** argv) {
  long count = 5000;
  for (int i = 1; i + 1 < argc; i += 2)
    if (std::string(argv[i]) == "--count") count = std::atol(argv[i + 1]);
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  QTemporaryDir tmp;
  std::string root = tmp.path().toStdString() + "/";
  zv::TRdrDll32::LibraryName = ZV_RDRDLL32_PATH;
  zv::TEmuProcess emu(root);
  if (emu.Cli("init") != 0 || emu.Cli("add-site", {"--site", "1", "--tcp", "127.0.0.2:0"}) != 0 ||
      emu.Cli("add-reader", {"--site", "1", "--addr", "1"}) != 0 ||
      emu.Cli("add-punch", {"--site", "1", "--addr", "1", "--user", "42", "--count",
                            std::to_string(4 * count)}) != 0 ||
      !emu.Serve())
    return 1;
  const int port = emu.Port(1);
  zv::TAppPaths p;
  p.ProgramPath = root;
  p.SettingsFile = root + "zorvan32.INI";
  p.DefaultDataPath = root + "data/";
  zv::TfrmZorvan w(p);
  w.show();
  TSyncedFiles files(root);
  zv::TEngineHostScope scope(w);
  for (bool durable : {false, true}) {
    zv::SetCallThreading(zv::TCallThreading::Never);
    double direct = Poll(port, count, durable ? &files : nullptr);
    zv::SetCallThreading(zv::TCallThreading::Always);
    double helper = Poll(port, count, durable ? &files : nullptr);
    std::printf("%-26s direct %8.0f elements/s, helper thread %8.0f elements/s: %.3f\n",
                durable ? "with the durable writes:" : "library alone:", direct, helper,
                helper / direct);
  }
  emu.Stop();
  return 0;
}
