// Frames of the reader wire protocol and the decoder that finds them in a byte stream,
// skipping garbage and rejecting frames that are cut short, too long or corrupted.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace zv {

constexpr uint8_t kFrameSync = 0xAA;           // never a reader address
constexpr std::size_t kFrameHeaderSize = 7;    // sync, address, command, sequence, length(2), check
constexpr std::size_t kFrameTrailerSize = 2;   // CRC-16
constexpr std::size_t kFrameOverhead = kFrameHeaderSize + kFrameTrailerSize;
constexpr std::size_t kMaxFramePayload = 4100;  // a data bank and its status byte fit

struct TFrame {
  uint8_t address = 0;
  uint8_t command = 0;
  uint8_t sequence = 0;
  std::vector<uint8_t> payload;
};

// The bytes of a frame on the line. The payload is cut to kMaxFramePayload.
std::vector<uint8_t> EncodeFrame(const TFrame& frame);
void AppendFrame(std::vector<uint8_t>& out, uint8_t address, uint8_t command, uint8_t sequence,
                 const uint8_t* payload, std::size_t len);

// Collects bytes and hands out whole, checked frames. Memory stays bounded whatever it is fed.
class TFrameDecoder {
 public:
  void Feed(const uint8_t* data, std::size_t len);
  // The next whole valid frame, if any.
  bool Next(TFrame& frame);
  // Called after a silence while a frame is pending: the pending header was garbage that
  // happened to look like one, so skip it and look further.
  void DropStalled();
  bool HasPending() const { return start_ < buf_.size(); }
  void Reset();
  // Bytes skipped as garbage or as parts of bad frames so far.
  std::size_t Discarded() const { return discarded_; }

 private:
  void Compact();
  std::vector<uint8_t> buf_;
  std::size_t start_ = 0;
  std::size_t discarded_ = 0;
};

}  // namespace zv
