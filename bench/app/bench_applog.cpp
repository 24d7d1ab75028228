// Appending log lines to the main window offscreen, with a growing log: each line repaints
// and lets events run, so its cost must not grow with the log.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <cstdlib>

#include "app/frmzorvan.h"

namespace {

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
  for (long i = 0; i < state.range(0); ++i) {
    w.lb->appendPlainText(QStringLiteral("Site 1, Clock 2: 12-08-26 01:02:03 punch 0000012345"));
  }
  // Let the prefilled log lay out and paint once, so that only the lines added are timed.
  QCoreApplication::processEvents();
  for (auto _ : state) {
    w.AddLogLine("Site 1, Clock 2: 12-08-26 01:02:03 punch 0000012345");
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AddLogLine)->Arg(0)->Arg(20000)->Arg(100000)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
