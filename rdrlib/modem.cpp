#include "rdrlib/modem.h"

#include <time.h>

#include <cstdlib>
#include <cstring>

#include "rdrlib/fdio.h"
#include "rdrlib/rdrdll32.h"
#include "rdrlib/serialline.h"
#include "rdrlib/settings.h"

namespace zv {

namespace {

int GuardMs() {
  const char* v = std::getenv("RDRDLL32_MODEM_GUARD_MS");
  if (v && *v) {
    char* end = nullptr;
    long n = std::strtol(v, &end, 10);
    if (*end == '\0' && n >= 0 && n <= 10000) return static_cast<int>(n);
  }
  return 1000;
}

void SleepMs(int ms) {
  timespec ts{ms / 1000, (ms % 1000) * 1000000L};
  while (nanosleep(&ts, &ts) != 0) {
  }
}

enum class TReply { Ok, Connect, Busy, NoCarrier, NoDialtone, NoAnswer, Error, None };

TReply Classify(const std::string& line) {
  if (line == "OK") return TReply::Ok;
  if (line.compare(0, 7, "CONNECT") == 0) return TReply::Connect;
  if (line == "BUSY") return TReply::Busy;
  if (line == "NO CARRIER") return TReply::NoCarrier;
  if (line == "NO DIALTONE" || line == "NO DIAL TONE") return TReply::NoDialtone;
  if (line == "NO ANSWER") return TReply::NoAnswer;
  if (line == "ERROR") return TReply::Error;
  return TReply::None;  // the echo of our command, or noise
}

// Sends the command and waits for a final result line until the timeout.
TReply Command(int fd, int baud, const std::string& cmd, int timeoutMs) {
  DrainInput(fd);
  std::string out = cmd + "\r";
  TDeadline deadline = DeadlineIn(timeoutMs + LineTimeMs(out.size() + 64, baud));
  if (WriteAll(fd, reinterpret_cast<const uint8_t*>(out.data()), out.size(), deadline) != RDR_OK)
    return TReply::None;
  std::string line;
  for (;;) {
    uint8_t buf[64];
    std::size_t got = 0;
    if (ReadSome(fd, buf, sizeof buf, got, deadline) != RDR_OK) return TReply::None;
    for (std::size_t i = 0; i < got; ++i) {
      char c = static_cast<char>(buf[i]);
      if (c == '\r' || c == '\n') {
        TReply r = Classify(line);
        line.clear();
        if (r != TReply::None) return r;
      } else if (line.size() < 256) {
        line += c;
      }
    }
  }
}

int StatusOf(TReply r) {
  switch (r) {
    case TReply::Ok: case TReply::Connect: return RDR_OK;
    case TReply::Busy: return RDR_ERR_MODEM_BUSY;
    case TReply::NoCarrier: return RDR_ERR_MODEM_NOCARRIER;
    case TReply::NoDialtone: return RDR_ERR_MODEM_NODIALTONE;
    case TReply::NoAnswer: return RDR_ERR_MODEM_NOANSWER;
    case TReply::Error: return RDR_ERR_MODEM_ERROR;
    default: return RDR_ERR_MODEM_SILENT;
  }
}

}  // namespace

int DialModem(int fd, int baud, const std::string& init, const std::string& phone) {
  if (!init.empty()) {
    TReply r = Command(fd, baud, init, ModemTimeoutMs());
    if (r != TReply::Ok) return r == TReply::None ? RDR_ERR_MODEM_SILENT : StatusOf(r == TReply::Connect ? TReply::Error : r);
  }
  TReply r = Command(fd, baud, "ATDT" + phone, DialTimeoutMs());
  if (r == TReply::Connect) return RDR_OK;
  if (r == TReply::Ok) return RDR_ERR_MODEM_NOCARRIER;  // no connection was made
  return StatusOf(r);
}

void HangUpModem(int fd, bool connected) {
  if (connected) {
    int guard = GuardMs();
    SleepMs(guard);
    const uint8_t escape[] = {'+', '+', '+'};
    if (WriteAll(fd, escape, sizeof escape, DeadlineIn(1000)) != RDR_OK) {
      SetDtr(fd, false);
      return;
    }
    SleepMs(guard);
  }
  Command(fd, 0, "ATH", ModemTimeoutMs());
  SetDtr(fd, false);
}

}  // namespace zv
