#include "rdrlib/fdio.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "rdrlib/rdrdll32.h"

namespace zv {

TDeadline DeadlineIn(int ms) { return TClock::now() + std::chrono::milliseconds(ms); }

int MsLeft(TDeadline deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TClock::now()).count();
  if (left <= 0) return 0;
  return left > 1000000 ? 1000000 : static_cast<int>(left);
}

bool SetNonBlocking(int fd) {
  int fl = ::fcntl(fd, F_GETFL);
  return fl >= 0 && ::fcntl(fd, F_SETFL, fl | O_NONBLOCK) == 0;
}

namespace {
bool IsSocket(int fd) {
  struct stat st;
  return ::fstat(fd, &st) == 0 && S_ISSOCK(st.st_mode);
}
}  // namespace

int WriteAll(int fd, const uint8_t* data, std::size_t len, TDeadline deadline) {
  bool sock = IsSocket(fd);
  std::size_t done = 0;
  while (done < len) {
    ssize_t n = sock ? ::send(fd, data + done, len - done, MSG_NOSIGNAL)
                     : ::write(fd, data + done, len - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      int left = MsLeft(deadline);
      if (left == 0) return RDR_ERR_TIMEOUT;
      struct pollfd p{fd, POLLOUT, 0};
      int r = ::poll(&p, 1, left);
      if (r < 0 && errno != EINTR) return RDR_ERR_IO;
      if (r > 0 && (p.revents & (POLLERR | POLLNVAL))) return RDR_ERR_IO;
      if (r > 0 && (p.revents & POLLHUP) && !(p.revents & POLLOUT)) return RDR_ERR_CLOSED;
      continue;
    }
    if (n < 0 && (errno == EPIPE || errno == ECONNRESET || errno == EIO)) return RDR_ERR_CLOSED;
    return RDR_ERR_IO;
  }
  return RDR_OK;
}

int ReadSome(int fd, uint8_t* buf, std::size_t cap, std::size_t& got, TDeadline deadline) {
  got = 0;
  for (;;) {
    ssize_t n = ::read(fd, buf, cap);
    if (n > 0) {
      got = static_cast<std::size_t>(n);
      return RDR_OK;
    }
    if (n == 0) return RDR_ERR_CLOSED;
    if (errno == EINTR) continue;
    if (errno == EIO || errno == ECONNRESET) return RDR_ERR_CLOSED;  // pty or peer gone
    if (errno != EAGAIN && errno != EWOULDBLOCK) return RDR_ERR_IO;
    int left = MsLeft(deadline);
    if (left == 0) return RDR_ERR_TIMEOUT;
    struct pollfd p{fd, POLLIN, 0};
    int r = ::poll(&p, 1, left);
    if (r < 0 && errno != EINTR) return RDR_ERR_IO;
    if (r > 0 && (p.revents & POLLNVAL)) return RDR_ERR_IO;
    if (r == 0) return RDR_ERR_TIMEOUT;
  }
}

void DrainInput(int fd) {
  uint8_t junk[512];
  for (;;) {
    ssize_t n = ::read(fd, junk, sizeof junk);
    if (n > 0) continue;
    if (n < 0 && errno == EINTR) continue;
    return;
  }
}

}  // namespace zv
