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
#include <string>

#include "rdrlib/fdio.h"
#include "rdrlib/rdrdll32.h"

namespace zv {

bool ParseIpv4(const char* address, uint32_t& ip) {
  // Only numeric addresses: a name lookup could block beyond any timeout.
  if (!address) return false;
  std::size_t n = strnlen(address, 50);
  if (n == 50) return false;
  std::string text(address, n);
  std::size_t b = text.find_first_not_of(" \t");
  std::size_t e = text.find_last_not_of(" \t");
  if (b == std::string::npos) return false;
  text = text.substr(b, e - b + 1);
  ip = 0;
  std::size_t at = 0;
  for (int part = 0; part < 4; ++part) {
    std::size_t dot = text.find('.', at);
    std::string p = text.substr(at, dot == std::string::npos ? std::string::npos : dot - at);
    if (p.empty() || p.size() > 3 || p.find_first_not_of("0123456789") != std::string::npos) return false;
    int v = std::stoi(p);
    if (v > 255) return false;
    ip = (ip << 8) | static_cast<uint32_t>(v);
    if (part < 3) {
      if (dot == std::string::npos) return false;
      at = dot + 1;
    } else if (dot != std::string::npos) {
      return false;  // a fifth part or a trailing dot: not an address to guess at
    }
  }
  return true;
}

int ConnectTcp(const char* address, int32_t port, int timeoutMs, int& fd) {
  fd = -1;
  if (!address || port <= 0 || port > 65535) return RDR_ERR_ARGUMENT;
  uint32_t ip = 0;
  if (!ParseIpv4(address, ip)) return RDR_ERR_ARGUMENT;
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(static_cast<uint16_t>(port));
  sa.sin_addr.s_addr = htonl(ip);

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
