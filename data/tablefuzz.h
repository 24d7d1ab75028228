// Shared driver of the table-file fuzz targets: loads arbitrary bytes as a file, checks the
// lookups against a scan, and saves and reloads until the file is stable.
#pragma once
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "data/mystringlist.h"

namespace zv {

// The file a fuzz target loads, in a private directory removed when the target ends.
inline const std::string& FuzzFile(const char* name) {
  struct TDir {
    std::string dir, path;
    ~TDir() {
      ::unlink(path.c_str());
      ::rmdir(dir.c_str());
    }
  };
  static const TDir d = [name] {
    // Memory-backed when there is one: every save flushes its file to disk.
    char tmpl[] = "/dev/shm/zvfuzz_XXXXXX";
    if (access("/dev/shm", W_OK) != 0) std::snprintf(tmpl, sizeof tmpl, "/tmp/zvfuzz_XXXXXX");
    if (!mkdtemp(tmpl)) abort();
    return TDir{tmpl, std::string(tmpl) + "/" + name};
  }();
  return d.path;
}

inline void FuzzWrite(const std::string& path, const uint8_t* data, size_t size) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

inline std::string FuzzRead(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

template <class R>
std::vector<R*> FuzzRecords(const TMyStringList& list) {
  std::vector<R*> r;
  for (int i = 0; i < list.Count(); ++i)
    if (list.Objects(i)) r.push_back(static_cast<R*>(list.Objects(i)));
  return r;
}

// Loads the bytes as a file of kind L with records R; `check` (list, records) checks the
// lookups. Aborts on any broken property.
template <class L, class R, class Check>
void FuzzTableFile(const char* name, const uint8_t* data, size_t size, Check check) {
  const std::string& path = FuzzFile(name);
  FuzzWrite(path, data, size);
  std::size_t kept;
  {
    L list(path);
    auto records = FuzzRecords<R>(list);
    check(list, records);
    // A file read short is never saved over: the save fails and the bytes stay.
    if (!list.ReadShort().empty()) {
      if (list.Save() || FuzzRead(path) != std::string(reinterpret_cast<const char*>(data), size))
        abort();
      list.Modified = false;
      return;
    }
    if (!list.Save()) abort();
    // A record survives a reload unless its line now reads as a comment (a first field
    // beginning with "."), also once the reader drops the byte-order marks that a first line
    // written with a field of such bytes begins with.
    kept = 0;
    for (int i = 0; i < list.Count(); ++i) {
      std::string line = list.Strings(i);
      if (i == 0)
        while (line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
      if (list.Objects(i) && !IsCommentLine(line)) ++kept;
    }
  }
  std::string previous = FuzzRead(path);
  // A first field made of blanks and byte-order marks loses a layer at every load (the marks
  // at the start of a file are dropped, then the blanks are trimmed): such a file need not
  // settle, the records must only survive.
  const bool peels = previous.compare(0, 3, "\xEF\xBB\xBF") == 0;
  for (int round = 0; round < 4; ++round) {
    {
      L list(path);
      if (round == 0 && FuzzRecords<R>(list).size() != kept) abort();
      check(list, FuzzRecords<R>(list));
      if (!list.Save()) abort();
    }
    std::string now = FuzzRead(path);
    if (now == previous || peels) return;
    previous = now;
  }
  // Saving and reloading must settle, except where a written line is longer than the part of
  // a line that is read: the cut field is then cut again on every round.
  std::size_t start = 0;
  while (start < previous.size()) {
    std::size_t end = previous.find("\r\n", start);
    if (end == std::string::npos) end = previous.size();
    if (end - start > 255) return;
    start = end + 2;
  }
  abort();
}

}  // namespace zv
