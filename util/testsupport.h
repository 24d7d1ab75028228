// Test support shared by the test programs: a temporary directory removed afterwards,
// and small file helpers. Header-only so that it never ends up in a product library.
#pragma once
#include <ftw.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "util/datalock.h"

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

// Another program holding the data-directory lock: a child process that takes it (as `uid`
// when not -1) and holds it for `holdMs` (until killed when 0). Its pid once it holds the
// lock, -1 when it could not take it.
inline pid_t HoldDataLockInChild(const std::string& dir, int holdMs, int uid = -1) {
  int p[2];
  if (pipe(p) != 0) return -1;
  pid_t pid = fork();
  if (pid == 0) {
    close(p[0]);
    if (uid >= 0 && (setgid(uid) != 0 || setuid(uid) != 0)) _exit(3);
    TDataLock lock(dir, 0);
    char ok = lock.Held() ? 'y' : 'n';
    if (write(p[1], &ok, 1) != 1) _exit(4);
    if (holdMs == 0) pause();
    usleep(holdMs * 1000);
    _exit(0);
  }
  close(p[1]);
  char ok = 'n';
  bool held = read(p[0], &ok, 1) == 1 && ok == 'y';
  close(p[0]);
  if (!held && pid > 0) waitpid(pid, nullptr, 0);
  return held ? pid : -1;
}

}  // namespace zv::testing
