// Test support shared by the test programs: a temporary directory removed afterwards,
// and small file helpers. Header-only so that it never ends up in a product library.
#pragma once
#include <ftw.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

namespace zv::testing {

class TTempDir {
 public:
  TTempDir() {
    const char* base = getenv("TMPDIR");
    std::string tmpl = std::string(base && *base ? base : "/tmp") + "/zvtest-XXXXXX";
    char buf[4096];
    tmpl.copy(buf, tmpl.size());
    buf[tmpl.size()] = '\0';
    if (!mkdtemp(buf)) throw std::runtime_error("mkdtemp failed");
    path_ = buf;
  }
  ~TTempDir() {
    nftw(
        path_.c_str(),
        [](const char* p, const struct stat*, int, struct FTW*) { return ::remove(p); }, 16,
        FTW_DEPTH | FTW_PHYS);
  }
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;
  // The directory without a trailing "/".
  const std::string& path() const { return path_; }
  // The directory with a trailing "/", as the program's directory texts are.
  std::string dir() const { return path_ + "/"; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

inline std::string ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f << bytes;
}

}  // namespace zv::testing
