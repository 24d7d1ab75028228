#include "rdrlib/link.h"

#include <cstring>
#include <vector>

#include "rdrlib/fdio.h"
#include "rdrlib/protocol.h"
#include "rdrlib/rdrdll32.h"
#include "rdrlib/settings.h"

namespace zv {

int Transact(TChannel& ch, uint8_t address, uint8_t command, const uint8_t* payload,
             std::size_t len, uint8_t* out, std::size_t outLen, const uint8_t* sequence) {
  if (ch.fd < 0) return RDR_ERR_CHANNEL;
  if (ch.broken) return RDR_ERR_CLOSED;
  uint8_t seq = sequence ? *sequence : ++ch.sequence;
  std::vector<uint8_t> frame;
  AppendFrame(frame, address, command, seq, payload, len);

  // Answers that came too late for an earlier request must not be taken for this one.
  DrainInput(ch.fd);
  ch.decoder.Reset();

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
  }
}

}  // namespace zv
