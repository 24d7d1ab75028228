#include "util/datalock.h"

#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>

#include "util/fileio.h"

namespace zv {

const char* const kDataLockName = "zv.lock";

namespace {

struct TEntry {
  int fd = -1;
  bool writable = false;
  int count = 0;
};

std::mutex gMutex;
std::map<std::string, TEntry> gHeld;  // by the directory's real path
int gSaveWaitMs = 2000;

std::string UserName() {
  char buf[1024];
  passwd pw;
  passwd* found = nullptr;
  if (getpwuid_r(geteuid(), &pw, buf, sizeof buf, &found) == 0 && found) return found->pw_name;
  return std::to_string(geteuid());
}

// Who the file names as its holder, when that process still lives.
std::string HolderOf(int fd) {
  char buf[256];
  ssize_t n = ::pread(fd, buf, sizeof buf - 1, 0);
  if (n > 0) {
    buf[n] = '\0';
    char* end = nullptr;
    long pid = std::strtol(buf, &end, 10);
    if (pid > 0 && end != buf && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM)) {
      std::string user(end);
      while (!user.empty() && (user.front() == ' ')) user.erase(0, 1);
      while (!user.empty() && (user.back() == '\n' || user.back() == ' ')) user.pop_back();
      std::string who = "pid " + std::to_string(pid);
      if (!user.empty()) who += " (user " + user + ")";
      return who;
    }
  }
  return "another program";
}

// Opens the lock file, creating it when missing with the directory's read and write bits, so
// that everyone who may write the directory may take it whatever the creator's umask. -1 with
// `missing` set when there is none and none can be made.
int OpenLockFile(const std::string& path, mode_t dirMode, bool& writable, bool& missing,
                 std::string& error) {
  missing = false;
  for (int attempt = 0; attempt < 3; ++attempt) {
    // Never through a link: another user could point it at a file of ours.
    const int flags = O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
    int fd = ::open(path.c_str(), O_RDWR | flags);
    writable = fd >= 0;
    if (fd < 0 && (errno == EACCES || errno == EROFS)) fd = ::open(path.c_str(), O_RDONLY | flags);
    if (fd >= 0) return fd;
    if (errno != ENOENT) {
      error = std::strerror(errno);
      return -1;
    }
    // Made under a name of its own and given its mode before it appears under the real name:
    // another user opening it a moment after it appeared must not find it closed to them.
    const std::string temp = path + "." + std::to_string(::getpid());
    ::unlink(temp.c_str());  // left by a killed program of the same pid
    fd = ::open(temp.c_str(), O_RDWR | O_CREAT | O_EXCL | flags, 0600);
    if (fd < 0) {
      missing = true;
      return -1;
    }
    writable = true;
    if (::fchmod(fd, dirMode & 0666) != 0) {
      // Kept as it is: the lock works for this user, and another user's message names it.
    }
    const bool linked = ::link(temp.c_str(), path.c_str()) == 0;
    const int linkError = errno;
    ::unlink(temp.c_str());
    if (linked) return fd;
    ::close(fd);
    if (linkError == EEXIST) continue;  // made by another program just now
    // A file system without hard links: made in place, its mode set a moment later.
    fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | flags, dirMode & 0666);
    if (fd >= 0) {
      if (::fchmod(fd, dirMode & 0666) != 0) {
      }
      return fd;
    }
    if (errno == EEXIST) continue;
    missing = true;
    return -1;
  }
  error = std::strerror(errno);
  return -1;
}

}  // namespace

TDataLock::TDataLock(const std::string& dir, int waitMs) {
  std::string shown = dir.empty() ? std::string("./") : dir;
  if (shown.back() != '/') shown += '/';
  char* real = ::realpath(shown.c_str(), nullptr);
  if (!real) return;  // no directory: the write that follows fails and says so
  std::string key = real;
  std::free(real);
  std::lock_guard<std::mutex> guard(gMutex);
  auto it = gHeld.find(key);
  if (it != gHeld.end()) {
    ++it->second.count;
    key_ = key;
    return;
  }
  struct stat ds;
  if (::stat(key.c_str(), &ds) != 0 || !S_ISDIR(ds.st_mode)) return;
  const std::string path = (key == "/" ? key : key + "/") + kDataLockName;
  bool writable = false, missing = false;
  std::string error;
  int fd = OpenLockFile(path, ds.st_mode, writable, missing, error);
  if (fd < 0) {
    if (!missing) refusal_ = "the lock file " + path + " cannot be used: " + error;
    return;
  }
  struct stat fs;
  if (::fstat(fd, &fs) != 0 || !S_ISREG(fs.st_mode)) {
    ::close(fd);
    refusal_ = "the lock file " + path + " is not a regular file";
    return;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) break;
    if (errno == EINTR) continue;
    if (errno != EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline) {
      refusal_ = errno == EWOULDBLOCK
                     ? "the data directory " + shown + " is in use by " + HolderOf(fd)
                     : "the lock file " + path + " cannot be locked: " + std::strerror(errno);
      ::close(fd);
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  // A file with other names may be someone's data: it is locked, not written.
  writable = writable && fs.st_nlink == 1;
  if (writable) {
    std::string me = std::to_string(::getpid()) + " " + UserName() + "\n";
    if (::ftruncate(fd, 0) == 0) WriteFullyAt(fd, me.data(), me.size(), 0);
  }
  gHeld[key] = TEntry{fd, writable, 1};
  key_ = key;
}

TDataLock::~TDataLock() {
  if (key_.empty()) return;
  std::lock_guard<std::mutex> guard(gMutex);
  auto it = gHeld.find(key_);
  if (it == gHeld.end() || --it->second.count > 0) return;
  // The name goes with the lock, so that a stale one is never read as the holder.
  if (it->second.writable && ::ftruncate(it->second.fd, 0) != 0) {
  }
  ::close(it->second.fd);
  gHeld.erase(it);
}

int SaveLockWaitMs() { return gSaveWaitMs; }

void SetSaveLockWaitMs(int ms) { gSaveWaitMs = ms; }

int RunLockWaitMs() {
  const char* env = std::getenv("ZV_LOCK_WAIT");
  if (env && *env) {
    char* end = nullptr;
    long s = std::strtol(env, &end, 10);
    if (*end == '\0' && s >= 0 && s <= INT_MAX / 1000) return static_cast<int>(s * 1000);
  }
  return 30000;
}

}  // namespace zv
