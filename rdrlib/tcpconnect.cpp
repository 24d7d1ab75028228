#include "rdrlib/tcpconnect.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "rdrlib/fdio.h"
#include "rdrlib/rdrdll32.h"

namespace zv {

int ConnectTcp(const char* address, int32_t port, int timeoutMs, int& fd) {
  fd = -1;
  if (!address || port <= 0 || port > 65535) return RDR_ERR_ARGUMENT;
  // Only numeric addresses: a name lookup could block beyond any timeout.
  char text[50];
  std::size_t n = strnlen(address, sizeof text);
  if (n == sizeof text) return RDR_ERR_ARGUMENT;
  std::memcpy(text, address, n);
  text[n] = '\0';
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(static_cast<uint16_t>(port));
  if (::inet_pton(AF_INET, text, &sa.sin_addr) != 1) return RDR_ERR_ARGUMENT;

  int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (s < 0) return RDR_ERR_IO;
  int r = ::connect(s, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
  if (r < 0 && errno != EINPROGRESS) {
    ::close(s);
    return RDR_ERR_CONNECT;
  }
  if (r < 0) {
    TDeadline deadline = DeadlineIn(timeoutMs);
    for (;;) {
      struct pollfd p{s, POLLOUT, 0};
      int pr = ::poll(&p, 1, MsLeft(deadline));
      if (pr < 0 && errno == EINTR) continue;
      if (pr <= 0) {
        ::close(s);
        return pr == 0 ? RDR_ERR_TIMEOUT : RDR_ERR_IO;
      }
      break;
    }
    int err = 0;
    socklen_t len = sizeof err;
    if (::getsockopt(s, SOL_SOCKET, SO_ERROR, &err, &len) < 0 || err != 0) {
      ::close(s);
      return RDR_ERR_CONNECT;
    }
  }
  int one = 1;
  ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  fd = s;
  return RDR_OK;
}

}  // namespace zv
