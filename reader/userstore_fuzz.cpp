// Hand-edited user.idx and user.dat with anything in them, then lookups, stores and frees:
// no crash, a store touches no byte of user.dat outside its own record, and what the store
// holds in memory is what a fresh open of the files reads back.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "reader/userstore.h"

namespace {

const std::string& Dir() {
  static const std::string dir = [] {
    char tmpl[] = "/tmp/zvuserstorefuzz_XXXXXX";
    return std::string(mkdtemp(tmpl)) + "/";
  }();
  return dir;
}

// The parts of an input are separated by two 0xFF bytes (user.dat may hold any byte).
std::string Part(const std::string& all, std::size_t& pos) {
  std::size_t end = all.find("\xFF\xFF", pos);
  if (end == std::string::npos) end = all.size();
  std::string p = all.substr(pos, end - pos);
  pos = end < all.size() ? end + 2 : end;
  return p;
}

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// What Store accepts as an id.
bool Storable(const std::string& id) {
  if (id.empty() || id == "0" || id.find_first_of("\r\n") != std::string::npos) return false;
  return id.front() != ' ' && id.front() != '\t' && id.back() != ' ' && id.back() != '\t';
}

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "userstore_fuzz: %s\n", what);
    abort();
  }
}

// The files read back by a fresh store say what the store in memory says.
void SameAsOnDisk(const zv::TUserStore& s, const std::string& dat, const std::string& idx) {
  zv::TUserStore fresh(dat);
  Check(fresh.LoadIndex(idx) == zv::TUserStore::TIndexLoad::Ok, "index cannot be read back");
  Check(fresh.Count() == s.Count(), "line count differs on disk");
  for (std::size_t i = 0; i < s.Count(); ++i) {
    Check(fresh.IdAt(i) == s.IdAt(i), "a line differs on disk");
    std::uint8_t a[24], b[24];
    s.ReadSlot(i, a);
    fresh.ReadSlot(i, b);
    Check(std::memcmp(a, b, 24) == 0, "a record differs on disk");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string all(reinterpret_cast<const char*>(data), size);
  std::size_t pos = 0;
  std::string idxBytes = Part(all, pos), datBytes = Part(all, pos), ops = Part(all, pos);
  const std::string dat = Dir() + "user.dat", idx = Dir() + "user.idx";
  std::ofstream(idx, std::ios::binary | std::ios::trunc) << idxBytes;
  std::ofstream(dat, std::ios::binary | std::ios::trunc) << datBytes;
  {
    zv::TUserStore s(dat);
    if (s.LoadIndex(idx) != zv::TUserStore::TIndexLoad::Ok) return 0;
    for (std::size_t i = 0; i + 1 < ops.size() && i < 64; i += 2) {
      unsigned char op = static_cast<unsigned char>(ops[i]), arg = static_cast<unsigned char>(ops[i + 1]);
      // An id of the index itself (duplicates, odd bytes) or a plain one.
      std::string id;
      if ((op & 1) && s.Count() > 0)
        id = s.IdAt(arg % s.Count());
      else {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%010u", arg % 24u);
        id = buf;
      }
      std::uint8_t rec[24];
      for (int k = 0; k < 24; ++k) rec[k] = static_cast<std::uint8_t>(arg + k * 7 + i);
      std::uint8_t got[24];
      switch (op >> 1 & 3) {
        case 0:
        case 1: {
          if (!Storable(id)) break;
          std::string before = Slurp(dat);
          if (!s.Store(id, rec, op & 2)) break;
          long long slot = s.SlotOf(id);
          Check(slot >= 0 && s.IsFirstOfId(static_cast<std::size_t>(slot)), "a stored id has no slot");
          Check(s.Read(id, got) && std::memcmp(got, rec, 24) == 0, "a stored record reads back otherwise");
          std::string after = Slurp(dat);
          std::size_t at = static_cast<std::size_t>(slot) * 24;
          Check(after.size() >= before.size(), "user.dat shrank");
          for (std::size_t b = 0; b < after.size(); ++b) {
            bool inside = b >= at && b < at + 24;
            char was = b < before.size() ? before[b] : '\0';
            Check(inside || after[b] == was, "a store wrote outside its record");
          }
          break;
        }
        case 2:
          if (s.Free(id)) Check(s.SlotOf(id) < 0 || s.IdAt(static_cast<std::size_t>(s.SlotOf(id))) == id,
                                "a freed id still has its old slot");
          break;
        default:
          if (s.Read(id, got)) Check(s.SlotOf(id) >= 0, "a read found an id that has no slot");
          break;
      }
    }
    SameAsOnDisk(s, dat, idx);
  }
  std::remove(dat.c_str());
  std::remove(idx.c_str());
  return 0;
}
