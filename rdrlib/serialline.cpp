#include "rdrlib/serialline.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "rdrlib/rdrdll32.h"

namespace zv {

std::string SerialDevicePath(int portIndex) {
  std::string var = "RDRDLL32_COM" + std::to_string(portIndex + 1);
  const char* v = std::getenv(var.c_str());
  if (v && *v) return v;
  return "/dev/ttyS" + std::to_string(portIndex);
}

namespace {
speed_t SpeedOf(int baud) {
  switch (baud) {
    case 300: return B300;
    case 600: return B600;
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    default: return 0;
  }
}
}  // namespace

bool SetLineBaud(int fd, int baud) {
  speed_t sp = SpeedOf(baud);
  if (!sp) return false;
  termios t;
  if (::tcgetattr(fd, &t) != 0) return false;
  ::cfsetispeed(&t, sp);
  ::cfsetospeed(&t, sp);
  return ::tcsetattr(fd, TCSANOW, &t) == 0;
}

bool UucpLockHeld(const std::string& device, const std::vector<std::string>& lockDirs) {
  // The lock is named after the device itself, whatever link led to it (/dev/serial/by-id/...).
  char real[PATH_MAX];
  std::string name = ::realpath(device.c_str(), real) ? real : device;
  name.erase(0, name.rfind('/') + 1);
  for (const std::string& dir : lockDirs) {
    int f = ::open((dir + "/LCK.." + name).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (f < 0) continue;
    char buf[32] = {};
    ssize_t n = ::read(f, buf, sizeof buf - 1);
    ::close(f);
    long pid = 0;
    if (n == 4) {
      int binary;  // the old binary form: the pid as an int
      std::memcpy(&binary, buf, 4);
      pid = binary;
    } else if (n > 0) {
      pid = std::strtol(buf, nullptr, 10);
    }
    if (pid <= 0 || pid == static_cast<long>(::getpid())) continue;
    if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM) return true;
  }
  return false;
}

namespace {
// Another program on the same line would interleave its bytes with ours and garble both
// conversations. The lock on the open device is what current serial programs take; TIOCEXCL
// keeps out any later open by an ordinary user; old ones announce themselves with a lock file.
bool TakeLine(int fd, const std::string& device) {
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) return false;
  if (UucpLockHeld(device, {"/run/lock", "/var/lock"})) return false;
  ::ioctl(fd, TIOCEXCL);
  return true;
}
}  // namespace

void CloseSerialLine(int fd) {
  if (fd < 0) return;
  // A serial close waits until pending output has gone out, which on a slow line can take
  // half a minute: what is still unsent is of no use to anyone, so it is dropped.
  ::tcflush(fd, TCIOFLUSH);
  // The exclusive mode outlives this descriptor while another holds the terminal open (the
  // emulator keeps its side of a pseudo terminal): give it back, so the next open succeeds.
  ::ioctl(fd, TIOCNXCL);
  ::close(fd);
}

int OpenSerialLine(const std::string& device, int baud, int& fd) {
  fd = -1;
  speed_t sp = SpeedOf(baud);
  if (!sp) return RDR_ERR_ARGUMENT;
  int f = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (f < 0) return RDR_ERR_CONNECT;
  termios t;
  if (!::isatty(f) || ::tcgetattr(f, &t) != 0) {
    ::close(f);
    return RDR_ERR_CONNECT;
  }
  // Before any setting is changed: the other program's line stays as it has it.
  if (!TakeLine(f, device)) {
    ::close(f);
    return RDR_ERR_CONNECT;
  }
  ::cfmakeraw(&t);
  t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
  t.c_cflag |= CS8 | CLOCAL | CREAD;
  t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  // With VMIN 0 an empty read returns 0, which would look like a hang-up; with VMIN 1 and
  // O_NONBLOCK it reports EAGAIN, and 0 only when the line is really gone.
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;
  ::cfsetispeed(&t, sp);
  ::cfsetospeed(&t, sp);
  if (::tcsetattr(f, TCSANOW, &t) != 0) {
    CloseSerialLine(f);
    return RDR_ERR_CONNECT;
  }
  ::tcflush(f, TCIOFLUSH);
  fd = f;
  return RDR_OK;
}

bool SetDtr(int fd, bool on) {
  int bits = TIOCM_DTR;
  return ::ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &bits) == 0;
}

}  // namespace zv
