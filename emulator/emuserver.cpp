#include "emulator/emuserver.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "emulator/emureader.h"
#include "emulator/emustatefile.h"
#include "rdrlib/fdio.h"

namespace zv {

namespace {
int gSignalPipe[2] = {-1, -1};

void OnSignal(int) {
  if (gSignalPipe[1] >= 0) {
    char c = 1;
    ssize_t r = ::write(gSignalPipe[1], &c, 1);
    (void)r;
  }
}

using std::chrono::milliseconds;

constexpr std::size_t kMaxBacklog = 1 << 20;  // unread answer bytes a connection may hold
constexpr std::size_t kMaxConnections = 256;
using TSteady = std::chrono::steady_clock;

bool ParseHostPort(const std::string& text, sockaddr_in& sa) {
  std::size_t colon = text.rfind(':');
  if (colon == std::string::npos) return false;
  std::string host = text.substr(0, colon);
  char* end = nullptr;
  long port = std::strtol(text.c_str() + colon + 1, &end, 10);
  if (*end != '\0' || port < 0 || port > 65535) return false;  // 0: any free port
  sa = sockaddr_in{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(static_cast<uint16_t>(port));
  return ::inet_pton(AF_INET, host.c_str(), &sa.sin_addr) == 1;
}

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return s;
}

std::string DigitsOf(const std::string& s) {
  std::string d;
  for (char c : s)
    if (c >= '0' && c <= '9') d += c;
  return d;
}
}  // namespace

TEmuServer::TEmuServer(TEmuState& state, std::string statePath)
    : state_(state), statePath_(std::move(statePath)) {
  if (gSignalPipe[0] < 0 && ::pipe2(gSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
    gSignalPipe[0] = gSignalPipe[1] = -1;
  }
}

TEmuServer::~TEmuServer() {
  for (auto& c : conns_)
    if (c.fd >= 0) ::close(c.fd);
  for (auto& l : lines_) {
    if (l.listenFd >= 0) ::close(l.listenFd);
    if (l.slaveFd >= 0) ::close(l.slaveFd);
    if (!l.link.empty()) ::unlink(l.link.c_str());
  }
}

void TEmuServer::InstallSignalHandlers() {
  struct sigaction sa{};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  ::sigaction(SIGTERM, &sa, nullptr);
  ::sigaction(SIGINT, &sa, nullptr);
  ::signal(SIGPIPE, SIG_IGN);
}

void TEmuServer::Stop() { OnSignal(0); }

std::vector<std::string> TEmuServer::Endpoints() const {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < lines_.size() && i < state_.sites.size(); ++i) {
    const TEmuSite& s = state_.sites[i];
    if (lines_[i].endpoint.empty()) continue;
    out.push_back("site " + std::to_string(s.number) + (s.tcp.empty() ? " serial " : " tcp ") +
                  lines_[i].endpoint);
  }
  return out;
}

bool TEmuServer::OpenPty(std::size_t site, std::string& error) {
  TLine& l = lines_[site];
  const std::string& path = state_.sites[site].serial;
  int m = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  char name[128];
  if (m < 0 || ::grantpt(m) != 0 || ::unlockpt(m) != 0 || ::ptsname_r(m, name, sizeof name) != 0) {
    error = std::string("cannot open a pseudo terminal: ") + std::strerror(errno);
    if (m >= 0) ::close(m);
    return false;
  }
  int s = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (s >= 0) {
    termios t;
    if (::tcgetattr(s, &t) == 0) {
      ::cfmakeraw(&t);
      ::tcsetattr(s, TCSANOW, &t);
    }
  }
  struct stat st;
  if (::lstat(path.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
    error = "site " + std::to_string(state_.sites[site].number) + ": " + path +
            " exists and is not a link";
    ::close(m);
    if (s >= 0) ::close(s);
    return false;
  }
  // The link is replaced in one step, so that a line opened again at once never finds the
  // path missing or still pointing at the old terminal.
  std::string fresh = path + ".new";
  ::unlink(fresh.c_str());
  if (::symlink(name, fresh.c_str()) != 0 || ::rename(fresh.c_str(), path.c_str()) != 0) {
    error = "cannot link " + path + ": " + std::strerror(errno);
    ::unlink(fresh.c_str());
    ::close(m);
    if (s >= 0) ::close(s);
    return false;
  }
  if (l.slaveFd >= 0) ::close(l.slaveFd);
  l.slaveFd = s;
  l.link = path;
  l.endpoint = path;
  TConn c;
  c.fd = m;
  c.site = site;
  c.pty = true;
  conns_.push_back(std::move(c));
  return true;
}

bool TEmuServer::Start(std::string& error) {
  lines_.assign(state_.sites.size(), TLine());
  for (std::size_t i = 0; i < state_.sites.size(); ++i) {
    const TEmuSite& s = state_.sites[i];
    if (!s.tcp.empty()) {
      sockaddr_in sa;
      if (!ParseHostPort(s.tcp, sa)) {
        error = "site " + std::to_string(s.number) + ": bad address " + s.tcp;
        return false;
      }
      int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
      int one = 1;
      ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
      if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 ||
          ::listen(fd, 16) != 0) {
        error = "site " + std::to_string(s.number) + ": cannot listen on " + s.tcp + ": " +
                std::strerror(errno);
        if (fd >= 0) ::close(fd);
        return false;
      }
      lines_[i].listenFd = fd;
      sockaddr_in bound{};
      socklen_t blen = sizeof bound;
      if (::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &blen) == 0) {
        char host[INET_ADDRSTRLEN] = "";
        ::inet_ntop(AF_INET, &bound.sin_addr, host, sizeof host);
        lines_[i].endpoint = std::string(host) + ":" + std::to_string(ntohs(bound.sin_port));
      }
    } else if (!s.serial.empty()) {
      if (!OpenPty(i, error)) return false;
    }
  }
  lastSave_ = TSteady::now();
  return true;
}

std::chrono::microseconds TEmuServer::ByteTime(const TConn& c) const {
  int baud = state_.sites[c.site].baud;
  if (baud <= 0) return std::chrono::microseconds(0);
  return std::chrono::microseconds(10LL * 1000000 / baud);
}

void TEmuServer::Drop(TConn& c) {
  const TEmuSite& site = state_.sites[c.site];
  if (c.pty && !site.phone.empty()) {
    // A modem drops the carrier and goes back to command mode; the line stays.
    c.modemData = false;
    c.decoder.Reset();
    c.pending.clear();
    c.pendingBytes = 0;
    c.answers = 0;
    c.tx.erase(c.tx.begin(), c.tx.begin() + static_cast<std::ptrdiff_t>(c.txPos));
    c.txPos = 0;
    ModemReply(c, "NO CARRIER");
    return;
  }
  c.closed = true;
}

void TEmuServer::ModemReply(TConn& c, const std::string& text) {
  std::string s = "\r\n" + text + "\r\n";
  TTime now = TSteady::now();
  if (c.txPos >= c.tx.size() && c.txClock < now) c.txClock = now;
  c.tx.insert(c.tx.end(), s.begin(), s.end());
}

void TEmuServer::ModemCommandBytes(TConn& c, const uint8_t* data, std::size_t len) {
  const TEmuSite& site = state_.sites[c.site];
  for (std::size_t i = 0; i < len; ++i) {
    char ch = static_cast<char>(data[i]);
    if (c.modemData) {
      // The rest after a CONNECT is line data.
      Arrive(c, data + i, len - i, TSteady::now());
      return;
    }
    if (ch == '\n') continue;
    if (ch != '\r') {
      if (c.command.size() < 256) c.command += ch;
      continue;
    }
    std::string cmd = Upper(c.command);
    c.command.clear();
    std::size_t b = cmd.find_first_not_of(' ');
    cmd = b == std::string::npos ? "" : cmd.substr(b);
    if (cmd.empty()) continue;
    if (site.modemAnswer == "SILENT") continue;
    if (cmd.compare(0, 2, "AT") != 0) {
      ModemReply(c, "ERROR");
      continue;
    }
    if (cmd.compare(0, 3, "ATD") == 0) {
      if (site.modemAnswer == "BUSY" || site.modemAnswer == "NO CARRIER" ||
          site.modemAnswer == "NO DIALTONE" || site.modemAnswer == "NO ANSWER" ||
          site.modemAnswer == "ERROR") {
        ModemReply(c, site.modemAnswer);
      } else if (DigitsOf(cmd) == DigitsOf(site.phone) && !DigitsOf(site.phone).empty()) {
        ModemReply(c, "CONNECT " + std::to_string(site.baud > 0 ? site.baud : 9600));
        c.modemData = true;
        c.answers = 0;
        c.decoder.Reset();
      } else {
        ModemReply(c, "NO ANSWER");
      }
      continue;
    }
    ModemReply(c, "OK");  // ATZ, ATH, ATE0, any setting
  }
}

void TEmuServer::Arrive(TConn& c, const uint8_t* data, std::size_t len, TTime now) {
  const TEmuSite& site = state_.sites[c.site];
  if (c.pty && !site.phone.empty()) {
    if (!c.modemData) {
      ModemCommandBytes(c, data, len);
      return;
    }
    // The escape to command mode: "+++" after a silence, outside any frame.
    bool quiet = now - c.lastRx >= milliseconds(20);
    for (std::size_t i = 0; i < len; ++i) {
      if (data[i] == '+' && (c.plus > 0 || (i == 0 && quiet && !c.decoder.HasPending()))) {
        if (++c.plus == 3) {
          c.plus = 0;
          c.modemData = false;
          c.lastRx = now;
          c.decoder.Reset();
          ModemReply(c, "OK");
          ModemCommandBytes(c, data + i + 1, len - i - 1);
          return;
        }
      } else {
        c.plus = 0;
      }
    }
  }
  if (c.decoder.HasPending() && now - c.lastRx >= milliseconds(500)) c.decoder.DropStalled();
  c.lastRx = now;
  c.decoder.Feed(data, len);
  TFrame f;
  while (!c.closed && c.decoder.Next(f)) Answer(c, f, now);
}

void TEmuServer::Answer(TConn& c, const TFrame& request, TTime now) {
  TEmuSite& site = state_.sites[c.site];
  const TEmuFaults& f = site.faults;
  if (f.muteAfter > 0 && c.answers >= f.muteAfter) return;
  if (c.dropWhenSent) return;
  std::vector<uint8_t> out;
  bool changed = false;
  if (!HandleRequest(site, request, out, changed)) return;
  if (changed) dirty_ = true;
  ++c.answers;
  if (f.corruptEvery > 0 && c.answers % f.corruptEvery == 0 && out.size() > kFrameHeaderSize)
    out[out.size() / 2 + 1] ^= 0x5A;
  if (f.garbage > 0) {
    std::vector<uint8_t> noise;
    for (int i = 0; i < f.garbage; ++i) {
      rng_ = rng_ * 1103515245u + 12345u;
      noise.push_back(static_cast<uint8_t>(rng_ >> 16));
    }
    out.insert(out.begin(), noise.begin(), noise.end());
  }
  if (f.dropAfter > 0 && c.answers >= f.dropAfter) c.dropWhenSent = true;
  // A client that keeps asking but never reads is cut off before its answers pile up.
  if (c.tx.size() - c.txPos + c.pendingBytes > kMaxBacklog) {
    if (!c.pty) {
      c.closed = true;
      return;
    }
    c.tx.clear();  // nobody reads the line: the bytes are lost, as on a wire
    c.txPos = 0;
  }
  c.pendingBytes += out.size();
  c.pending.emplace_back(now + milliseconds(f.delayMs), std::move(out));
}

void TEmuServer::Release(TConn& c, TTime now) {
  while (!c.pending.empty() && c.pending.front().first <= now) {
    auto& bytes = c.pending.front().second;
    if (c.txPos >= c.tx.size() && c.txClock < now) c.txClock = now;  // the line was idle
    c.tx.insert(c.tx.end(), bytes.begin(), bytes.end());
    c.pendingBytes -= bytes.size();
    c.pending.pop_front();
  }
}

void TEmuServer::ReadConn(TConn& c, TTime now) {
  uint8_t buf[8192];
  for (;;) {
    ssize_t n = ::read(c.fd, buf, sizeof buf);
    if (n > 0) {
      if (ByteTime(c).count() > 0) {
        if (c.rxRaw.empty() && c.rxClock < now) c.rxClock = now;
        c.rxRaw.insert(c.rxRaw.end(), buf, buf + n);
      } else {
        Arrive(c, buf, static_cast<std::size_t>(n), now);
      }
      if (c.closed) return;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
    if (c.pty && n < 0 && errno == EIO) return;  // nobody has the line open
    c.closed = true;
    return;
  }
}

void TEmuServer::WriteConn(TConn& c, TTime now) {
  auto bt = ByteTime(c);
  while (c.txPos < c.tx.size()) {
    std::size_t allowed = c.tx.size() - c.txPos;
    if (bt.count() > 0) {
      auto due = (now - c.txClock) / bt;
      if (due <= 0) break;
      allowed = std::min<std::size_t>(allowed, static_cast<std::size_t>(due));
    }
    ssize_t n = ::write(c.fd, c.tx.data() + c.txPos, allowed);
    if (n > 0) {
      c.txPos += static_cast<std::size_t>(n);
      if (bt.count() > 0) c.txClock += bt * n;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
    if (!c.pty) c.closed = true;
    else c.tx.clear(), c.txPos = 0;  // nobody reads the line: the bytes are lost, as on a wire
    return;
  }
  if (c.txPos >= c.tx.size()) {
    c.tx.clear();
    c.txPos = 0;
    if (c.dropWhenSent && c.pending.empty()) {
      c.dropWhenSent = false;
      Drop(c);
    }
  }
}

void TEmuServer::SaveNow() {
  if (statePath_.empty()) return;
  std::string err;
  if (!SaveStateFile(statePath_, state_, err)) std::fprintf(stderr, "rdremu: %s\n", err.c_str());
  dirty_ = false;
  lastSave_ = TSteady::now();
}

bool TEmuServer::Run(std::string& error) {
  std::vector<pollfd> fds;
  bool stop = false;
  while (!stop) {
    TTime now = TSteady::now();
    // Bytes due on paced lines, answers due after their delay, the next save.
    TTime wake = now + milliseconds(250);
    if (dirty_) wake = std::min(wake, lastSave_ + milliseconds(1000));
    for (auto& c : conns_) {
      auto bt = ByteTime(c);
      if (!c.rxRaw.empty()) wake = std::min(wake, c.rxClock + bt);
      if (!c.pending.empty()) wake = std::min(wake, c.pending.front().first);
      if (c.txPos < c.tx.size() && bt.count() > 0) wake = std::min(wake, c.txClock + bt);
    }
    fds.clear();
    fds.push_back({gSignalPipe[0], POLLIN, 0});
    for (auto& l : lines_) fds.push_back({l.listenFd, POLLIN, 0});
    for (auto& c : conns_) {
      short ev = POLLIN;
      if (c.txPos < c.tx.size() && ByteTime(c).count() == 0) ev |= POLLOUT;
      fds.push_back({c.fd, ev, 0});
    }
    // Microsecond waits: a paced line wakes for every few bytes, and whole milliseconds
    // would cost a visible share of a 9600-baud line.
    auto waitUs = std::chrono::duration_cast<std::chrono::microseconds>(wake - now).count();
    if (waitUs < 0) waitUs = 0;
    timespec ts{static_cast<time_t>(waitUs / 1000000), static_cast<long>((waitUs % 1000000) * 1000)};
    int r = ::ppoll(fds.data(), fds.size(), &ts, nullptr);
    if (r < 0 && errno != EINTR) {
      error = std::string("poll: ") + std::strerror(errno);
      SaveNow();
      return false;
    }
    now = TSteady::now();
    if (fds[0].revents & POLLIN) stop = true;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
      if (!(fds[1 + i].revents & POLLIN)) continue;
      for (;;) {
        int cfd = ::accept4(lines_[i].listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (cfd < 0) break;
        if (conns_.size() >= kMaxConnections) {
          ::close(cfd);
          continue;
        }
        int one = 1;
        ::setsockopt(cfd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        TConn c;
        c.fd = cfd;
        c.site = i;
        c.lastRx = now;
        conns_.push_back(std::move(c));
      }
    }
    std::size_t base = 1 + lines_.size();
    for (std::size_t i = 0; i < conns_.size(); ++i) {
      TConn& c = conns_[i];
      if (i + base < fds.size()) {
        short re = fds[i + base].revents;
        // A pseudo terminal that nobody holds reports a hang-up; its line stays ours.
        if (re & (POLLIN | ((!c.pty) ? (POLLHUP | POLLERR) : 0))) ReadConn(c, now);
      }
      auto bt = ByteTime(c);
      if (!c.rxRaw.empty() && !c.closed) {
        std::size_t n = 0;
        while (n < c.rxRaw.size() && c.rxClock + bt <= now) {
          c.rxClock += bt;
          ++n;
        }
        if (n) {
          std::vector<uint8_t> chunk(c.rxRaw.begin(), c.rxRaw.begin() + static_cast<std::ptrdiff_t>(n));
          c.rxRaw.erase(c.rxRaw.begin(), c.rxRaw.begin() + static_cast<std::ptrdiff_t>(n));
          Arrive(c, chunk.data(), chunk.size(), now);
        }
      }
      if (!c.closed) Release(c, now);
      if (!c.closed) WriteConn(c, now);
    }
    // Closed connections go; a direct pseudo-terminal line that was dropped opens anew.
    for (std::size_t i = 0; i < conns_.size();) {
      if (!conns_[i].closed) {
        ++i;
        continue;
      }
      std::size_t site = conns_[i].site;
      int fd = conns_[i].fd;
      if (conns_[i].pty) {
        // The new line is in place before the old one hangs up.
        std::string err;
        if (!OpenPty(site, err)) std::fprintf(stderr, "rdremu: %s\n", err.c_str());
      }
      ::close(fd);
      conns_.erase(conns_.begin() + static_cast<std::ptrdiff_t>(i));
    }
    if (dirty_ && TSteady::now() - lastSave_ >= milliseconds(1000)) SaveNow();
  }
  SaveNow();
  return true;
}

}  // namespace zv
