#include "util/fileio.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "util/text.h"

namespace zv {

namespace {
void SetError(std::string* error, const std::string& what) {
  if (error) *error = what + ": " + std::strerror(errno);
}
}  // namespace

TReadResult ReadWholeFile(const std::string& path, std::string& out, std::string* error) {
  out.clear();
  // Non-blocking, so that a FIFO in place of a data file cannot hang the program.
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    SetError(error, "cannot open " + path);
    return TReadResult::CannotOpen;
  }
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    SetError(error, "not a regular file: " + path);
    ::close(fd);
    return TReadResult::ReadError;
  }
  if (st.st_size > 0) out.reserve(static_cast<std::size_t>(st.st_size));
  std::vector<char> buf(1 << 16);
  for (;;) {
    ssize_t n = ::read(fd, buf.data(), buf.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      SetError(error, "cannot read " + path);
      ::close(fd);
      out.clear();
      return TReadResult::ReadError;
    }
    if (n == 0) break;
    out.append(buf.data(), static_cast<std::size_t>(n));
  }
  ::close(fd);
  return TReadResult::Ok;
}

std::string DirectoryOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return "./";
  return path.substr(0, slash + 1);
}

std::string ResolveLinks(const std::string& path) {
  std::string p = path;
  // As many hops as the system allows before it gives up on a loop.
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (::lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return p;
    std::vector<char> buf(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 4096) + 1);
    ssize_t n = ::readlink(p.c_str(), buf.data(), buf.size());
    if (n < 0 || static_cast<std::size_t>(n) >= buf.size()) return p;
    std::string target(buf.data(), static_cast<std::size_t>(n));
    p = target[0] == '/' ? target : DirectoryOf(p) + target;
  }
  return p;
}

namespace {

// Overwrites the file where it is, for when it cannot be replaced: every name and every
// attribute stays. The room is claimed before the first byte changes, so that a full disk
// fails the save without harming the old content.
bool WriteInPlace(const std::string& path, const std::string& content, std::string* error) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) {
    SetError(error, "cannot open " + path + " for writing");
    return false;
  }
  auto fail = [&](const std::string& what) {
    SetError(error, what);
    ::close(fd);
    return false;
  };
  struct stat st;
  if (::fstat(fd, &st) != 0) return fail("cannot examine " + path);
  off_t size = static_cast<off_t>(content.size());
  if (size > st.st_size) {
    int rc = ::posix_fallocate(fd, 0, size);
    if (rc != 0 && rc != EOPNOTSUPP && rc != EINVAL) {
      errno = rc;
      return fail("no room to write " + path);
    }
  }
  if (WriteFully(fd, content.data(), content.size()) != content.size()) return fail("cannot write " + path);
  if (::ftruncate(fd, size) != 0) return fail("cannot shorten " + path);
  if (::fsync(fd) != 0) return fail("cannot flush " + path);
  if (::close(fd) != 0) {
    SetError(error, "cannot close " + path);
    return false;
  }
  return true;
}

}  // namespace

bool WriteFileAtomic(const std::string& given, const std::string& content, std::string* error) {
  // The administrator's link stays; the file it names is the one that changes.
  const std::string path = ResolveLinks(given);
  struct stat old;
  const bool exists = ::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode);
  // A file with several names would keep the old content under the others. (One the process
  // may not write is replaced as any other file, as it always was.)
  if (exists && old.st_nlink > 1 && ::access(path.c_str(), W_OK) == 0)
    return WriteInPlace(path, content, error);

  std::string tmpl = DirectoryOf(path) + ".zvtmp-XXXXXX";
  std::vector<char> name(tmpl.begin(), tmpl.end());
  name.push_back('\0');
  int fd = ::mkstemp(name.data());
  if (fd < 0) {
    // A directory the administrator closed to us, with the file itself left writable.
    if (exists && (errno == EACCES || errno == EPERM) && ::access(path.c_str(), W_OK) == 0)
      return WriteInPlace(path, content, error);
    SetError(error, "cannot create a temporary file beside " + path);
    return false;
  }
  auto fail = [&](const std::string& what) {
    SetError(error, what);
    ::close(fd);
    ::unlink(name.data());
    return false;
  };
  // Keep the old file's owner, group and permissions, as far as we may set them; a new file
  // gets the usual ones under the umask. The owner first: changing it can clear mode bits.
  mode_t mode;
  if (exists) {
    mode = old.st_mode & 07777;
    if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
      int rc = ::fchown(fd, static_cast<uid_t>(-1), old.st_gid);  // a group of ours, at least
      (void)rc;
    }
  } else {
    mode_t um = ::umask(0);
    ::umask(um);
    mode = 0666 & ~um;
  }
  if (::fchmod(fd, mode) != 0) return fail("cannot set permissions on " + path);
  if (WriteFully(fd, content.data(), content.size()) != content.size()) return fail("cannot write " + path);
  if (::fsync(fd) != 0) return fail("cannot flush " + path);
  if (::close(fd) != 0) {
    SetError(error, "cannot close " + path);
    ::unlink(name.data());
    return false;
  }
  if (::rename(name.data(), path.c_str()) != 0) {
    SetError(error, "cannot replace " + path);
    ::unlink(name.data());
    return false;
  }
  // The rename is durable only once the directory is: until then a power cut may bring the
  // old file back, so a failure here is a failed save (the new content stays in place).
  if (!SyncDirectoryOf(path)) {
    SetError(error, "cannot flush the directory of " + path);
    return false;
  }
  return true;
}

std::size_t WriteFully(int fd, const void* data, std::size_t n) {
  const char* p = static_cast<const char*>(data);
  std::size_t put = 0;
  while (put < n) {
    ssize_t w = ::write(fd, p + put, n - put);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) break;
    put += static_cast<std::size_t>(w);
  }
  return put;
}

bool WriteFullyAt(int fd, const void* data, std::size_t n, std::uint64_t at) {
  if (fd < 0) return false;
  const char* p = static_cast<const char*>(data);
  while (n > 0) {
    ssize_t w = ::pwrite(fd, p, n, static_cast<off_t>(at));
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    p += w;
    n -= static_cast<std::size_t>(w);
    at += static_cast<std::uint64_t>(w);
  }
  return true;
}

bool SyncDirectoryOf(const std::string& path) {
  int dfd = ::open(DirectoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd < 0) return false;
  const bool ok = ::fsync(dfd) == 0;
  ::close(dfd);
  return ok;
}

bool FileExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool PathExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

bool ForceDirectories(const std::string& path) {
  if (path.empty()) return false;
  if (DirectoryExists(path)) return true;
  std::string p = path;
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  std::size_t slash = p.rfind('/');
  if (slash != std::string::npos && slash > 0) ForceDirectories(p.substr(0, slash));
  if (::mkdir(p.c_str(), 0777) != 0 && errno != EEXIST) return false;
  return DirectoryExists(p);
}

std::string FindFileIgnoreCase(const std::string& dir, const std::string& name,
                               bool* ambiguous) {
  if (ambiguous) *ambiguous = false;
  std::string exact = dir + name;
  if (PathExists(exact)) return exact;
  DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
  if (!d) return exact;
  std::string found;
  while (dirent* e = ::readdir(d)) {
    if (!EqualsIgnoreCaseAscii(e->d_name, name)) continue;
    if (found.empty()) {
      found = dir + e->d_name;
      if (!ambiguous) break;
    } else {
      // The order of a directory listing is no choice between two files.
      *ambiguous = true;
      found.clear();
      break;
    }
  }
  ::closedir(d);
  return found.empty() ? exact : found;
}

}  // namespace zv
