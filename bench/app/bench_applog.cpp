// Appending log lines to the main window offscreen, with a growing log: the line of a reader
// operation (through the engine's host, as a poll writes its punches) and a line outside any
// operation. Lines of an operation must cost little while the window still repaints several
// times a second: the paints of the text area are counted and reported per second. The second
// argument is work (in microseconds, spinning) between two lines, as an operation does
// between its lines; with none, the lines come faster than any reader could send them.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEvent>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <chrono>
#include <cstdlib>
#include <functional>

#include "app/frmzorvan.h"
#include "app/shellhost.h"
#include "app/waitingcall.h"
#include "reader/enginehost.h"

namespace {

const char* const kLine = "Site 1, Clock 2: 12-08-26 01:02:03 punch 0000012345";

class TPaintCounter : public QObject {
 public:
  int Paints = 0;
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) ++Paints;
    return false;
  }
};

template <bool kInOperation>
void BM_AddLogLine(benchmark::State& state) {
  QTemporaryDir tmp;
  std::string root = tmp.path().toStdString() + "/";
  zv::TAppPaths p;
  p.ProgramPath = root;
  p.SettingsFile = root + "zorvan32.INI";
  p.DefaultDataPath = root + "data/";
  zv::TfrmZorvan w(p);
  w.show();
  // Start from a log that already holds state.range(0) lines.
  for (long i = 0; i < state.range(0); ++i) w.lb->appendPlainText(QString::fromLatin1(kLine));
  // Let the prefilled log lay out and paint once, so that only the lines added are timed.
  QCoreApplication::processEvents();
  TPaintCounter paints;
  w.lb->viewport()->installEventFilter(&paints);
  auto start = std::chrono::steady_clock::now();
  {
    std::unique_ptr<zv::TEngineHostScope> scope;
    if (kInOperation) scope = std::make_unique<zv::TEngineHostScope>(w);
    const auto work = std::chrono::microseconds(state.range(1));
    for (auto _ : state) {
      if (work.count() > 0) {
        auto until = std::chrono::steady_clock::now() + work;
        while (std::chrono::steady_clock::now() < until) {
        }
      }
      if (kInOperation) {
        zv::EngineHost()->AddLogLine(kLine);
      } else {
        w.AddLogLine(kLine);
      }
    }
  }
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  state.SetItemsProcessed(state.iterations());
  state.counters["paints_per_s"] = paints.Paints / seconds;
}
BENCHMARK_TEMPLATE(BM_AddLogLine, true)->Name("BM_AddLogLine_InOperation")
    ->Args({0, 0})->Args({100000, 0})->Args({100000, 100})->Unit(benchmark::kMicrosecond);
BENCHMARK_TEMPLATE(BM_AddLogLine, false)->Name("BM_AddLogLine_Alone")
    ->Args({0, 0})->Args({100000, 0})->Unit(benchmark::kMicrosecond);

// What running a library call on the helper thread adds to a call that answers at once (a
// reader on a fast line): the hand-over and back, against calling it directly.
void BM_LibraryCall(benchmark::State& state) {
  zv::TWaitingCall waiting;
  volatile int sink = 0;
  std::function<void()> call = [&] { sink = sink + 1; };
  for (auto _ : state) {
    if (state.range(0)) {
      waiting.Run(call, nullptr);
    } else {
      call();
    }
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LibraryCall)->Arg(0)->Arg(1)->ArgName("helper_thread")->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
