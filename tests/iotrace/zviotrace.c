/* A preload library for the reliability suite. It watches the file calls a process makes on
 * one directory (the data directory) and, as asked through the environment:
 *   ZV_IO_DIR=DIR          the directory watched (absolute); nothing happens without it
 *   ZV_IO_LOG=FILE         appends one line per event to FILE (see below)
 *   ZV_IO_FAIL_AT=K        the K-th watched call (counted from 1) fails without being made
 *   ZV_IO_FAIL_CALL=NAME   instead, the first watched call of this name ("pread", "fsync")
 *   ZV_IO_FAIL_PATH=TEXT   ... whose path ends with TEXT, fails
 *   ZV_IO_FAIL_ERRNO=N     with this errno (default EIO)
 * The events, one per line:
 *   C n call path          the n-th watched call ("F n call path" when it was the one failed)
 *   N ino path             a file created           O ino path    an existing file opened
 *   W ino offset hex       bytes written            T ino length  a file cut to a length
 *   S ino                  a file synced            D dir         a directory synced
 *   R old new              a rename                 U path        an unlink
 *   B ino tid              a file's sync begun      X tid         bytes about to go out over
 *                                                               a socket (a request to a reader)
 * Writes and creations are logged after the call succeeds, a socket send before it is made
 * and a sync only once it returned, so that the record never shows a sync earlier than it
 * was, nor a request later. Threads share one lock. W, B, S and X end with the thread's id:
 * with several threads a sync covers only what was written before it began (B), and a
 * request confirms only its own thread's writes. */
/* The wrappers replace the calls the fortified headers would inline. */
#undef _FORTIFY_SOURCE
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <sys/uio.h>
#include <unistd.h>

#define MAXFD 4096

static char g_dir[PATH_MAX];
static size_t g_dirlen;
static int g_log = -1;
static long g_failat;
static int g_errno = EIO;
static long g_count;
static const char* g_failcall;
static const char* g_failpath;
static int g_failed;
static pthread_mutex_t g_lock = PTHREAD_MUTEX_INITIALIZER;
/* 0: not watched; 1: a watched file; 2: a watched directory. */
static unsigned char g_kind[MAXFD];
static unsigned long g_ino[MAXFD];

#define REAL(name, ret, ...)                                 \
  static ret (*real_##name)(__VA_ARGS__);                    \
  static void load_##name(void) {                            \
    if (!real_##name) *(void**)&real_##name = dlsym(RTLD_NEXT, #name); \
  }

REAL(open, int, const char*, int, ...)
REAL(openat, int, int, const char*, int, ...)
REAL(mkstemp, int, char*)
REAL(mkstemp64, int, char*)
REAL(mkostemp, int, char*, int)
REAL(read, ssize_t, int, void*, size_t)
REAL(write, ssize_t, int, const void*, size_t)
REAL(pread, ssize_t, int, void*, size_t, off_t)
REAL(pwrite, ssize_t, int, const void*, size_t, off_t)
REAL(writev, ssize_t, int, const struct iovec*, int)
REAL(send, ssize_t, int, const void*, size_t, int)
REAL(sendto, ssize_t, int, const void*, size_t, int, const struct sockaddr*, socklen_t)
REAL(sendmsg, ssize_t, int, const struct msghdr*, int)
REAL(fsync, int, int)
REAL(fdatasync, int, int)
REAL(ftruncate, int, int, off_t)
REAL(ftruncate64, int, int, off_t)
REAL(close, int, int)
REAL(rename, int, const char*, const char*)
REAL(renameat, int, int, const char*, int, const char*)
REAL(unlink, int, const char*)
REAL(unlinkat, int, int, const char*, int)

__attribute__((constructor)) static void zv_init(void) {
  const char* dir = getenv("ZV_IO_DIR");
  if (!dir || dir[0] != '/') return;
  snprintf(g_dir, sizeof g_dir, "%s", dir);
  g_dirlen = strlen(g_dir);
  while (g_dirlen > 1 && g_dir[g_dirlen - 1] == '/') g_dir[--g_dirlen] = 0;
  const char* log = getenv("ZV_IO_LOG");
  if (log) g_log = (int)syscall(SYS_openat, AT_FDCWD, log, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  const char* at = getenv("ZV_IO_FAIL_AT");
  if (at) g_failat = atol(at);
  g_failcall = getenv("ZV_IO_FAIL_CALL");
  g_failpath = getenv("ZV_IO_FAIL_PATH");
  const char* en = getenv("ZV_IO_FAIL_ERRNO");
  if (en && atoi(en) > 0) g_errno = atoi(en);
}

static long tid(void) { return (long)syscall(SYS_gettid); }

static void emit(const char* fmt, ...) {
  if (g_log < 0) return;
  char buf[512];
  va_list ap;
  va_start(ap, fmt);
  int n = vsnprintf(buf, sizeof buf, fmt, ap);
  va_end(ap);
  if (n < 0) return;
  if ((size_t)n >= sizeof buf) n = sizeof buf - 1;
  syscall(SYS_write, g_log, buf, (size_t)n);
}

/* A write's bytes in hex, in one record line of any length. */
static void emit_write(unsigned long ino, long long off, const void* data, size_t n) {
  if (g_log < 0) return;
  static const char hex[] = "0123456789abcdef";
  char head[64];
  int h = snprintf(head, sizeof head, "W %lu %lld ", ino, off);
  char tail[32];
  int t = snprintf(tail, sizeof tail, " %ld\n", tid());
  size_t len = (size_t)h + 2 * n + (size_t)t;
  char* line = malloc(len);
  if (!line) return;
  memcpy(line, head, (size_t)h);
  const unsigned char* p = data;
  for (size_t i = 0; i < n; ++i) {
    line[h + 2 * i] = hex[p[i] >> 4];
    line[h + 2 * i + 1] = hex[p[i] & 15];
  }
  memcpy(line + h + 2 * n, tail, (size_t)t);
  syscall(SYS_write, g_log, line, len);
  free(line);
}

/* The absolute form of a path (relative to the working directory or to dirfd). */
static void absolute(int dirfd, const char* path, char* out) {
  if (path[0] == '/') {
    snprintf(out, PATH_MAX, "%s", path);
    return;
  }
  char base[PATH_MAX];
  if (dirfd == AT_FDCWD) {
    if (!getcwd(base, sizeof base)) base[0] = 0;
  } else {
    char link[64];
    snprintf(link, sizeof link, "/proc/self/fd/%d", dirfd);
    ssize_t n = readlink(link, base, sizeof base - 1);
    base[n > 0 ? n : 0] = 0;
  }
  /* A path too long to tell is no path of ours. */
  if (snprintf(out, PATH_MAX, "%s/%s", base, path) >= PATH_MAX) out[0] = 0;
}

static int inside(const char* abs) {
  if (!(g_dirlen && strncmp(abs, g_dir, g_dirlen) == 0 && (abs[g_dirlen] == '/' || abs[g_dirlen] == 0)))
    return 0;
  /* The data-directory lock file (and the private name it is made under) holds only who
     holds the lock, for the refusal text; the lock itself is the flock, so its writes are
     no data of ours to fail or to keep. */
  const char* base = strrchr(abs + g_dirlen, '/');
  return !(base && strncmp(base + 1, "zv.lock", 7) == 0);
}

static int ends_with(const char* s, const char* end) {
  size_t n = strlen(s), m = strlen(end);
  return n >= m && strcmp(s + n - m, end) == 0;
}

/* Counts a watched call; true when it is the one to fail (errno set). Called under the lock. */
static int counted(const char* call, const char* path) {
  ++g_count;
  int fail = g_count == g_failat;
  if (g_failcall && !g_failed && strcmp(call, g_failcall) == 0 &&
      (!g_failpath || (path && ends_with(path, g_failpath))))
    fail = g_failed = 1;
  emit("%c %ld %s %s\n", fail ? 'F' : 'C', g_count, call, path ? path : "");
  if (fail) errno = g_errno;
  return fail;
}

static int watched(int fd) { return fd >= 0 && fd < MAXFD && g_kind[fd]; }

static const char* fdpath(int fd, char* out) {
  char link[64];
  snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  ssize_t n = readlink(link, out, PATH_MAX - 1);
  out[n > 0 ? n : 0] = 0;
  return out;
}

static void note_open(int fd, const char* abs, int created) {
  struct stat st;
  if (fd < 0 || fd >= MAXFD || fstat(fd, &st) != 0) return;
  g_kind[fd] = S_ISDIR(st.st_mode) ? 2 : 1;
  g_ino[fd] = (unsigned long)st.st_ino;
  if (g_kind[fd] == 1) emit("%c %lu %s\n", created ? 'N' : 'O', g_ino[fd], abs);
}

static int do_open(int dirfd, const char* path, int flags, mode_t mode, int at) {
  char abs[PATH_MAX];
  if (!g_dirlen || !path) goto plain;
  absolute(dirfd, path, abs);
  if (!inside(abs)) goto plain;
  pthread_mutex_lock(&g_lock);
  if (counted("open", abs)) {
    pthread_mutex_unlock(&g_lock);
    return -1;
  }
  struct stat before;
  const int existed = stat(abs, &before) == 0;
  int fd;
  if (at) {
    load_openat();
    fd = real_openat(dirfd, path, flags, mode);
  } else {
    load_open();
    fd = real_open(path, flags, mode);
  }
  if (fd >= 0) note_open(fd, abs, !existed);
  pthread_mutex_unlock(&g_lock);
  return fd;
plain:
  if (at) {
    load_openat();
    return real_openat(dirfd, path, flags, mode);
  }
  load_open();
  return real_open(path, flags, mode);
}

#define MODE_ARG(flags)                                       \
  mode_t mode = 0;                                            \
  if ((flags) & (O_CREAT | __O_TMPFILE)) {                    \
    va_list ap;                                               \
    va_start(ap, flags);                                      \
    mode = (mode_t)va_arg(ap, int);                           \
    va_end(ap);                                               \
  }

int open(const char* path, int flags, ...) {
  MODE_ARG(flags)
  return do_open(AT_FDCWD, path, flags, mode, 0);
}
int open64(const char* path, int flags, ...) {
  MODE_ARG(flags)
  return do_open(AT_FDCWD, path, flags, mode, 0);
}
int openat(int dirfd, const char* path, int flags, ...) {
  MODE_ARG(flags)
  return do_open(dirfd, path, flags, mode, 1);
}
int openat64(int dirfd, const char* path, int flags, ...) {
  MODE_ARG(flags)
  return do_open(dirfd, path, flags, mode, 1);
}

static int do_mkstemp(char* tmpl, int flags, int which) {
  char abs[PATH_MAX];
  absolute(AT_FDCWD, tmpl, abs);
  const int mine = inside(abs);
  if (mine) {
    pthread_mutex_lock(&g_lock);
    if (counted("mkstemp", abs)) {
      pthread_mutex_unlock(&g_lock);
      return -1;
    }
  }
  int fd;
  if (which == 0) {
    load_mkstemp();
    fd = real_mkstemp(tmpl);
  } else if (which == 1) {
    load_mkstemp64();
    fd = real_mkstemp64(tmpl);
  } else {
    load_mkostemp();
    fd = real_mkostemp(tmpl, flags);
  }
  if (mine) {
    if (fd >= 0) {
      absolute(AT_FDCWD, tmpl, abs);
      note_open(fd, abs, 1);
    }
    pthread_mutex_unlock(&g_lock);
  }
  return fd;
}
int mkstemp(char* t) { return do_mkstemp(t, 0, 0); }
int mkstemp64(char* t) { return do_mkstemp(t, 0, 1); }
int mkostemp(char* t, int flags) { return do_mkstemp(t, flags, 2); }

static int is_socket(int fd) {
  struct stat st;
  return fstat(fd, &st) == 0 && S_ISSOCK(st.st_mode);
}

static ssize_t do_read(int fd, void* buf, size_t n, off_t off, int positioned) {
  if (watched(fd)) {
    char p[PATH_MAX];
    pthread_mutex_lock(&g_lock);
    int fail = counted(positioned ? "pread" : "read", fdpath(fd, p));
    pthread_mutex_unlock(&g_lock);
    if (fail) return -1;
  }
  if (positioned) {
    load_pread();
    return real_pread(fd, buf, n, off);
  }
  load_read();
  return real_read(fd, buf, n);
}
ssize_t read(int fd, void* buf, size_t n) { return do_read(fd, buf, n, 0, 0); }
ssize_t pread(int fd, void* buf, size_t n, off_t off) { return do_read(fd, buf, n, off, 1); }
ssize_t pread64(int fd, void* buf, size_t n, off_t off) { return do_read(fd, buf, n, off, 1); }

static ssize_t do_write(int fd, const void* buf, size_t n, off_t off, int positioned) {
  if (!watched(fd)) {
    if (g_log >= 0 && fd > 2 && is_socket(fd)) emit("X %ld\n", tid());
    if (positioned) {
      load_pwrite();
      return real_pwrite(fd, buf, n, off);
    }
    load_write();
    return real_write(fd, buf, n);
  }
  char p[PATH_MAX];
  pthread_mutex_lock(&g_lock);
  if (counted(positioned ? "pwrite" : "write", fdpath(fd, p))) {
    pthread_mutex_unlock(&g_lock);
    return -1;
  }
  ssize_t w;
  if (positioned) {
    load_pwrite();
    w = real_pwrite(fd, buf, n, off);
    if (w > 0) emit_write(g_ino[fd], (long long)off, buf, (size_t)w);
  } else {
    load_write();
    w = real_write(fd, buf, n);
    if (w > 0) emit_write(g_ino[fd], (long long)lseek(fd, 0, SEEK_CUR) - w, buf, (size_t)w);
  }
  int e = errno;
  pthread_mutex_unlock(&g_lock);
  errno = e;
  return w;
}
ssize_t write(int fd, const void* buf, size_t n) { return do_write(fd, buf, n, 0, 0); }
ssize_t pwrite(int fd, const void* buf, size_t n, off_t off) { return do_write(fd, buf, n, off, 1); }
ssize_t pwrite64(int fd, const void* buf, size_t n, off_t off) { return do_write(fd, buf, n, off, 1); }

ssize_t writev(int fd, const struct iovec* iov, int cnt) {
  load_writev();
  if (!watched(fd)) {
    if (g_log >= 0 && fd > 2 && is_socket(fd)) emit("X %ld\n", tid());
    return real_writev(fd, iov, cnt);
  }
  /* Watched files are written with write and pwrite; a vector is written piece by piece. */
  ssize_t total = 0;
  for (int i = 0; i < cnt; ++i) {
    ssize_t w = do_write(fd, iov[i].iov_base, iov[i].iov_len, 0, 0);
    if (w < 0) return total ? total : -1;
    total += w;
    if ((size_t)w < iov[i].iov_len) break;
  }
  return total;
}

ssize_t send(int fd, const void* buf, size_t n, int flags) {
  load_send();
  if (g_log >= 0) emit("X %ld\n", tid());
  return real_send(fd, buf, n, flags);
}
ssize_t sendto(int fd, const void* buf, size_t n, int flags, const struct sockaddr* a, socklen_t l) {
  load_sendto();
  if (g_log >= 0) emit("X %ld\n", tid());
  return real_sendto(fd, buf, n, flags, a, l);
}
ssize_t sendmsg(int fd, const struct msghdr* m, int flags) {
  load_sendmsg();
  if (g_log >= 0) emit("X %ld\n", tid());
  return real_sendmsg(fd, m, flags);
}

static int do_sync(int fd, int data) {
  if (!watched(fd)) {
    if (data) {
      load_fdatasync();
      return real_fdatasync(fd);
    }
    load_fsync();
    return real_fsync(fd);
  }
  char p[PATH_MAX];
  pthread_mutex_lock(&g_lock);
  int fail = counted(data ? "fdatasync" : "fsync", fdpath(fd, p));
  if (!fail && g_kind[fd] == 1) emit("B %lu %ld\n", g_ino[fd], tid());
  pthread_mutex_unlock(&g_lock);
  if (fail) return -1;
  int rc;
  if (data) {
    load_fdatasync();
    rc = real_fdatasync(fd);
  } else {
    load_fsync();
    rc = real_fsync(fd);
  }
  int e = errno;
  pthread_mutex_lock(&g_lock);
  if (rc == 0) {
    if (g_kind[fd] == 2) emit("D %s\n", p);
    else emit("S %lu %ld\n", g_ino[fd], tid());
  }
  pthread_mutex_unlock(&g_lock);
  errno = e;
  return rc;
}
int fsync(int fd) { return do_sync(fd, 0); }
int fdatasync(int fd) { return do_sync(fd, 1); }

static int do_ftruncate(int fd, off_t len, int big) {
  if (!watched(fd)) {
    if (big) {
      load_ftruncate64();
      return real_ftruncate64(fd, len);
    }
    load_ftruncate();
    return real_ftruncate(fd, len);
  }
  char p[PATH_MAX];
  pthread_mutex_lock(&g_lock);
  if (counted("ftruncate", fdpath(fd, p))) {
    pthread_mutex_unlock(&g_lock);
    return -1;
  }
  int rc;
  if (big) {
    load_ftruncate64();
    rc = real_ftruncate64(fd, len);
  } else {
    load_ftruncate();
    rc = real_ftruncate(fd, len);
  }
  int e = errno;
  if (rc == 0) emit("T %lu %lld\n", g_ino[fd], (long long)len);
  pthread_mutex_unlock(&g_lock);
  errno = e;
  return rc;
}
int ftruncate(int fd, off_t len) { return do_ftruncate(fd, len, 0); }
int ftruncate64(int fd, off_t len) { return do_ftruncate(fd, len, 1); }

int close(int fd) {
  load_close();
  if (!watched(fd)) return real_close(fd);
  char p[PATH_MAX];
  pthread_mutex_lock(&g_lock);
  int fail = counted("close", fdpath(fd, p));
  /* A failed close still frees the descriptor, as it does on Linux. */
  g_kind[fd] = 0;
  int rc = real_close(fd);
  int e = errno;
  pthread_mutex_unlock(&g_lock);
  if (fail) {
    errno = g_errno;
    return -1;
  }
  errno = e;
  return rc;
}

static int do_rename(int ofd, const char* from, int nfd, const char* to, int at) {
  char a[PATH_MAX], b[PATH_MAX];
  absolute(ofd, from, a);
  absolute(nfd, to, b);
  const int mine = inside(a) || inside(b);
  if (mine) {
    pthread_mutex_lock(&g_lock);
    if (counted("rename", b)) {
      pthread_mutex_unlock(&g_lock);
      return -1;
    }
  }
  int rc;
  if (at) {
    load_renameat();
    rc = real_renameat(ofd, from, nfd, to);
  } else {
    load_rename();
    rc = real_rename(from, to);
  }
  if (mine) {
    int e = errno;
    if (rc == 0) emit("R %s %s\n", a, b);
    pthread_mutex_unlock(&g_lock);
    errno = e;
  }
  return rc;
}
int rename(const char* from, const char* to) { return do_rename(AT_FDCWD, from, AT_FDCWD, to, 0); }
int renameat(int ofd, const char* from, int nfd, const char* to) { return do_rename(ofd, from, nfd, to, 1); }

static int do_unlink(int dirfd, const char* path, int flags, int at) {
  char a[PATH_MAX];
  absolute(dirfd, path, a);
  const int mine = inside(a) && !(flags & AT_REMOVEDIR);
  if (mine) {
    pthread_mutex_lock(&g_lock);
    if (counted("unlink", a)) {
      pthread_mutex_unlock(&g_lock);
      return -1;
    }
  }
  int rc;
  if (at) {
    load_unlinkat();
    rc = real_unlinkat(dirfd, path, flags);
  } else {
    load_unlink();
    rc = real_unlink(path);
  }
  if (mine) {
    int e = errno;
    if (rc == 0) emit("U %s\n", a);
    pthread_mutex_unlock(&g_lock);
    errno = e;
  }
  return rc;
}
int unlink(const char* path) { return do_unlink(AT_FDCWD, path, 0, 0); }
int unlinkat(int dirfd, const char* path, int flags) { return do_unlink(dirfd, path, flags, 1); }
