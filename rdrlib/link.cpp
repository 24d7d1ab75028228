#include "rdrlib/link.h"

#include <unistd.h>

#include <cerrno>

#include <cstring>
#include <string>
#include <vector>

#include "rdrlib/fdio.h"
#include "rdrlib/protocol.h"
#include "rdrlib/rdrdll32.h"
#include "rdrlib/settings.h"

namespace zv {

namespace {
// Looks for the modem's "NO CARRIER" result in what came in, also across two reads.
bool CarrierLost(TChannel& ch, const uint8_t* data, std::size_t len) {
  static const char kNoCarrier[] = "\r\nNO CARRIER\r\n";
  const std::size_t n = sizeof kNoCarrier - 1;
  std::string& tail = ch.modemTail;
  tail.append(reinterpret_cast<const char*>(data), len);
  bool found = tail.find(kNoCarrier) != std::string::npos;
  if (tail.size() > n) tail.erase(0, tail.size() - n);
  return found;
}
}  // namespace

int Transact(TChannel& ch, uint8_t address, uint8_t command, const uint8_t* payload,
             std::size_t len, uint8_t* out, std::size_t outLen, const uint8_t* sequence) {
  if (ch.fd < 0) return RDR_ERR_CHANNEL;
  if (ch.broken) return RDR_ERR_CLOSED;
  uint8_t seq = sequence ? *sequence : ++ch.sequence;
  std::vector<uint8_t> frame;
  AppendFrame(frame, address, command, seq, payload, len);

  // Answers that came too late for an earlier request must not be taken for this one.
  ch.decoder.Reset();
  ch.modemTail.clear();
  uint8_t stale[512];
  for (;;) {
    ssize_t n = ::read(ch.fd, stale, sizeof stale);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    if (ch.modem && CarrierLost(ch, stale, static_cast<std::size_t>(n))) {
      ch.broken = true;
      return RDR_ERR_MODEM_NOCARRIER;
    }
  }
  ch.modemTail.clear();

  std::size_t lineBytes = frame.size() + kFrameOverhead + 1 + outLen;
  TDeadline deadline = DeadlineIn(ResponseTimeoutMs() + LineTimeMs(lineBytes, ch.baud));
  int rc = WriteAll(ch.fd, frame.data(), frame.size(), deadline);
  if (rc != RDR_OK) {
    if (rc == RDR_ERR_CLOSED) ch.broken = true;
    return rc;
  }
  uint8_t buf[4096];
  TFrame answer;
  for (;;) {
    while (ch.decoder.Next(answer)) {
      if (answer.address != address || answer.command != (command | kResponseBit) ||
          answer.sequence != seq)
        continue;  // an echo, another reader's answer or a stale one
      if (answer.payload.empty()) return RDR_ERR_PROTOCOL;
      uint8_t status = answer.payload[0];
      if (status != kStatusOk) return RDR_ERR_READER + status;
      if (answer.payload.size() != 1 + outLen) return RDR_ERR_PROTOCOL;
      if (outLen) std::memcpy(out, answer.payload.data() + 1, outLen);
      return RDR_OK;
    }
    std::size_t got = 0;
    rc = ReadSome(ch.fd, buf, sizeof buf, got, deadline);
    if (rc == RDR_ERR_TIMEOUT) return rc;
    if (rc != RDR_OK) {
      if (rc == RDR_ERR_CLOSED) ch.broken = true;
      return rc;
    }
    ch.decoder.Feed(buf, got);
    if (ch.modem && CarrierLost(ch, buf, got)) {
      // Nothing more will come: fail now rather than after every repeat's timeout. An answer
      // that came just before the carrier went still counts.
      ch.broken = true;
      while (ch.decoder.Next(answer)) {
        if (answer.address == address && answer.command == (command | kResponseBit) &&
            answer.sequence == seq && !answer.payload.empty() && answer.payload[0] == kStatusOk &&
            answer.payload.size() == 1 + outLen) {
          if (outLen) std::memcpy(out, answer.payload.data() + 1, outLen);
          return RDR_OK;
        }
      }
      return RDR_ERR_MODEM_NOCARRIER;
    }
  }
}

}  // namespace zv
