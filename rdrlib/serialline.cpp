#include "rdrlib/serialline.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>

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
    ::close(f);
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
