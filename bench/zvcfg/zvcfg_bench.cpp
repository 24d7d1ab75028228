// zv.cfg at installation size: load, save, and the lookups of a configuration download.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "data/zvcfglist.h"
#include "util/fileio.h"

namespace {

std::string TempFile() {
  static std::string dir = [] {
    char tmpl[] = "/tmp/zvcfg-bench-XXXXXX";
    return std::string(mkdtemp(tmpl));
  }();
  return dir + "/zv.cfg";
}

// `readers` reader sections, 60 zones, 20 schedules of 50 bells and a holiday table.
std::string Installation(int readers, bool closed) {
  std::string s = ".Zorvan Configurations\r\n\r\n";
  for (int i = 0; i < readers; ++i) {
    s += "#rdr " + std::to_string(i % 250) + " " + std::to_string(1 + i / 250) + "\r\n";
    s += "#pw 1 1111\r\n#pw 5 5555\r\n#rej 100\r\n#lck 10\r\n#idl 9\r\n#dng 3\r\n";
    s += "#dls 3:8:2:0 11:1:2:0\r\n#hrt 0\r\n";
    if (closed) s += "#end\r\n";
    s += "\r\n";
  }
  for (int z = 1; z <= 60; ++z)
    s += "#tz " + std::to_string(z) + "\r\n08:00 12:00 2 3 4 5 6\r\n13:00 17:00 2 3 4 5 6\r\n#end\r\n\r\n";
  s += "#holiday\r\n1 1\r\n12 25 26\r\n#end\r\n\r\n";
  for (int b = 0; b < 20; ++b) {
    s += "#bell " + std::to_string(b) + "\r\n";
    for (int i = 0; i < 50; ++i) s += std::to_string(6 + i / 4) + ":" + std::to_string(15 * (i % 4)) + " 5 2 3\r\n";
    s += "#end\r\n\r\n";
  }
  return s;
}

void BM_Load(benchmark::State& state) {
  zv::WriteFileAtomic(TempFile(), Installation(static_cast<int>(state.range(0)), true));
  for (auto _ : state) {
    zv::TZvCfgList l(TempFile());
    benchmark::DoNotOptimize(l.Count());
  }
}
BENCHMARK(BM_Load)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

// A hand edit that lost every "#end" of the reader sections: each runs to the next zone.
void BM_LoadUnclosedReaders(benchmark::State& state) {
  zv::WriteFileAtomic(TempFile(), Installation(static_cast<int>(state.range(0)), false));
  for (auto _ : state) {
    zv::TZvCfgList l(TempFile());
    benchmark::DoNotOptimize(l.Count());
  }
}
BENCHMARK(BM_LoadUnclosedReaders)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_Save(benchmark::State& state) {
  zv::WriteFileAtomic(TempFile(), Installation(1000, true));
  zv::TZvCfgList l(TempFile());
  for (auto _ : state) benchmark::DoNotOptimize(l.Save());
}
BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond);

// What a configuration download of every reader looks up: its configuration, zones 1 to
// 60 and its bell schedule.
void BM_DownloadLookups(benchmark::State& state) {
  zv::WriteFileAtomic(TempFile(), Installation(1000, true));
  zv::TZvCfgList l(TempFile());
  for (auto _ : state) {
    for (int i = 0; i < 1000; ++i) {
      auto* c = l.FindReaderConfig(std::to_string(1 + i / 250), std::to_string(i % 250));
      for (int z = 1; z <= 60; ++z) benchmark::DoNotOptimize(l.FindTimeZone(std::to_string(z)));
      benchmark::DoNotOptimize(l.FindBellSchedule(c ? c->BellSchedule() : "0"));
    }
  }
}
BENCHMARK(BM_DownloadLookups)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
