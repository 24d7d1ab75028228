#include "reader/readerinfo.h"

#include "reader/engine.h"
#include "reader/walks.h"

namespace zv {

std::string ReaderModelText(int code) {
  static const char* const kNamed[] = {"Model ZV2K", "Model ZV3K", "Model ZV4K", "Model ZKCR",
                                       "Model ZKII"};
  if (code >= 0 && code <= 4) return kNamed[code];
  if (code >= 5 && code <= 14) return "Model " + std::to_string(code);
  if (code == 15) return "Model SPECIAL";
  if (code == 16) return "Model ERROR";
  return "Model UNKNOWN";
}

std::string ReaderMemoryText(int code) {
  switch (code) {
    case 0: return "Small 128K";
    case 1: return "Medium 256K";
    case 2: return "Large 640K";
    default: return "Memory UNKNOWN";
  }
}

long long ReaderMemoryBytes(int code) {
  switch (code) {
    case 0: return 128 * 1024;
    case 1: return 256 * 1024;
    default: return 640 * 1024;
  }
}

long long ReaderMemoryRecords(int code) { return ReaderMemoryBytes(code) / 16; }

int ShownMemoryCode() { return Engine().ShownMemoryCode; }

void ShowReaderInfo() {
  std::uint8_t info[kReaderInfoSize] = {};
  std::string memory = "Memory UNKNOWN";
  int model = 0;
  TEngineState& e = Engine();
  e.ShownMemoryCode = -1;
  if (e.Rdr->GetReaderInfo(info)) {
    memory = ReaderMemoryText(info[1]);
    model = info[0];
    e.ShownMemoryCode = info[1];
  }
  LogClock(ReaderModelText(model) + ", " + memory);
}

bool TestClock() {
  int n = ClockNumberOrInvalid();
  if (n < 0) return false;
  LogClock("Testing communications.");
  std::uint8_t info[kHandReaderInfoSize];
  if (!Engine().Rdr->SetHandReader(n, info)) {
    LogClockNotResponding();
    return false;
  }
  ShowReaderInfo();
  LogClock("responded.");
  return true;
}

bool TestSites(const std::vector<TSite*>& sites, const std::string& clock) {
  if (!EngineOpen()) return false;
  TEngineSession session;
  WalkSites(sites, clock, TestClock);
  return true;
}

}  // namespace zv
