// Filling a sorted selection box with N records (the Users dialog lists every user), and
// opening the Sites dialog on a full site list: the cost per entry must not grow with N.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <cstdlib>
#include <string>

#include "dialogs/frmsite.h"
#include "dialogs/selectionbox.h"
#include "util/testsupport.h"

namespace {

// Numbers in an order far from sorted, as user IDs come from polling.
std::string Key(long i) { return std::to_string((i * 7919) % 1000003); }

void BM_FillSortedBox(benchmark::State& state) {
  for (auto _ : state) {
    QComboBox box;
    zv::MakeEditable(&box);
    for (long i = 0; i < state.range(0); ++i) zv::AddEntry(&box, Key(i), nullptr, true);
    benchmark::DoNotOptimize(box.count());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_FillSortedBox)->Arg(1000)->Arg(20000)->Unit(benchmark::kMillisecond);

void BM_OpenSites(benchmark::State& state) {
  zv::testing::TTempDir dir;
  std::string text;
  for (long i = 1; i <= state.range(0); ++i)
    text += "  " + std::to_string(i) + ",    1, 9600, AT&F, , , 0, , Site " + std::to_string(i) + "\r\n";
  zv::testing::WriteFile(dir.file("site.txt"), text);
  zv::TSiteList sites(dir.file("site.txt"));
  for (auto _ : state) {
    zv::TfrmSite dlg(nullptr, sites, nullptr, {"AT&F", "ATZ"});
    dlg.show();
    QApplication::processEvents();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_OpenSites)->Arg(10)->Arg(999)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
