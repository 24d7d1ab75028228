// Fuzz target for loading zv.cfg: no content may crash the load, and what the writer writes
// must load and write back byte for byte the same.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "data/zvcfglist.h"
#include "util/fileio.h"

namespace {

// A private directory, in memory where there is one: every run writes the file four times.
char gDir[64];

void RemoveDir() {
  ::unlink((std::string(gDir) + "/zv.cfg").c_str());
  ::rmdir(gDir);
}

const char* Dir() {
  if (!gDir[0]) {
    std::snprintf(gDir, sizeof gDir, "%s/zvcfg-fuzz-XXXXXX", ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp");
    if (!mkdtemp(gDir)) abort();
    atexit(RemoveDir);
  }
  return gDir;
}

// Loads the bytes as zv.cfg, saves them, and answers the file the writer wrote.
std::string Regenerate(const std::string& bytes, bool* readShort = nullptr) {
  const std::string file = std::string(Dir()) + "/zv.cfg";
  if (!zv::WriteFileAtomic(file, bytes)) abort();
  zv::TZvCfgList list(file);
  // Lookups and the holiday table must be safe on whatever was read.
  list.FindReaderConfig("1", "1");
  list.FindTimeZone("1");
  list.FindBellSchedule("0");
  if (!list.ReadShort().empty()) {
    // Never saved over: the save fails and the bytes stay.
    std::string kept;
    if (list.Save() || zv::ReadWholeFile(file, kept) != zv::TReadResult::Ok || kept != bytes) abort();
    list.Modified = false;
    if (readShort) *readShort = true;
    return bytes;
  }
  if (!list.Save()) abort();
  std::string out;
  if (zv::ReadWholeFile(file, out) != zv::TReadResult::Ok) abort();
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  bool readShort = false;
  const std::string first = Regenerate(std::string(reinterpret_cast<const char*>(data), size), &readShort);
  if (readShort) return 0;
  const std::string second = Regenerate(first);
  if (first != second) {
    std::fprintf(stderr, "written file does not read back the same:\n--- first\n%s\n--- second\n%s\n",
                 first.c_str(), second.c_str());
    abort();
  }
  return 0;
}
