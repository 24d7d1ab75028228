#include "rdrlib/frame.h"

#include <algorithm>
#include <cstring>

#include "rdrlib/crc.h"

namespace zv {

void AppendFrame(std::vector<uint8_t>& out, uint8_t address, uint8_t command, uint8_t sequence,
                 const uint8_t* payload, std::size_t len) {
  len = std::min(len, kMaxFramePayload);
  std::size_t at = out.size();
  out.resize(at + kFrameOverhead + len);
  uint8_t* p = out.data() + at;
  p[0] = kFrameSync;
  p[1] = address;
  p[2] = command;
  p[3] = sequence;
  p[4] = static_cast<uint8_t>(len & 0xFF);
  p[5] = static_cast<uint8_t>(len >> 8);
  p[6] = Crc8(p + 1, 5);
  if (len) std::memcpy(p + kFrameHeaderSize, payload, len);
  uint16_t crc = Crc16(p + 1, kFrameHeaderSize - 1 + len);
  p[kFrameHeaderSize + len] = static_cast<uint8_t>(crc & 0xFF);
  p[kFrameHeaderSize + len + 1] = static_cast<uint8_t>(crc >> 8);
}

std::vector<uint8_t> EncodeFrame(const TFrame& frame) {
  std::vector<uint8_t> out;
  AppendFrame(out, frame.address, frame.command, frame.sequence, frame.payload.data(),
              frame.payload.size());
  return out;
}

void TFrameDecoder::Feed(const uint8_t* data, std::size_t len) {
  if (!len) return;
  Compact();
  buf_.insert(buf_.end(), data, data + len);
}

void TFrameDecoder::Compact() {
  if (start_ == 0) return;
  if (start_ >= buf_.size()) {
    buf_.clear();
  } else if (start_ > 4096 || start_ * 2 > buf_.size()) {
    buf_.erase(buf_.begin(), buf_.begin() + static_cast<std::ptrdiff_t>(start_));
  } else {
    return;
  }
  start_ = 0;
}

bool TFrameDecoder::Next(TFrame& frame) {
  for (;;) {
    // Skip to the next sync byte.
    std::size_t i = start_;
    while (i < buf_.size() && buf_[i] != kFrameSync) ++i;
    discarded_ += i - start_;
    start_ = i;
    if (buf_.size() - start_ < kFrameHeaderSize) {
      Compact();
      return false;
    }
    const uint8_t* p = buf_.data() + start_;
    std::size_t len = static_cast<std::size_t>(p[4]) | (static_cast<std::size_t>(p[5]) << 8);
    if (Crc8(p + 1, 5) != p[6] || len > kMaxFramePayload) {
      ++start_;
      ++discarded_;
      continue;
    }
    std::size_t total = kFrameOverhead + len;
    if (buf_.size() - start_ < total) {
      Compact();
      return false;  // wait for the rest
    }
    uint16_t crc = Crc16(p + 1, kFrameHeaderSize - 1 + len);
    uint16_t got = static_cast<uint16_t>(p[kFrameHeaderSize + len] |
                                         (p[kFrameHeaderSize + len + 1] << 8));
    if (crc != got) {
      ++start_;
      ++discarded_;
      continue;
    }
    frame.address = p[1];
    frame.command = p[2];
    frame.sequence = p[3];
    frame.payload.assign(p + kFrameHeaderSize, p + kFrameHeaderSize + len);
    start_ += total;
    Compact();
    return true;
  }
}

void TFrameDecoder::DropStalled() {
  if (start_ < buf_.size()) {
    ++start_;
    ++discarded_;
  }
}

void TFrameDecoder::Reset() {
  discarded_ += buf_.size() - start_;
  buf_.clear();
  start_ = 0;
}

}  // namespace zv
