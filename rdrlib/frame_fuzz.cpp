// Fuzzes the frame decoder with arbitrary bytes in arbitrary chunks: every frame it hands out
// must encode back to bytes that decode to the same frame.
#include <cstddef>
#include <cstdint>

#include "rdrlib/frame.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zv::TFrameDecoder d;
  zv::TFrame f;
  size_t at = 0;
  while (at < size) {
    size_t chunk = 1 + (data[at] % 64);
    if (chunk > size - at) chunk = size - at;
    d.Feed(data + at, chunk);
    at += chunk;
    while (d.Next(f)) {
      if (f.payload.size() > zv::kMaxFramePayload) __builtin_trap();
      std::vector<uint8_t> again = zv::EncodeFrame(f);
      zv::TFrameDecoder d2;
      zv::TFrame g;
      d2.Feed(again.data(), again.size());
      if (!d2.Next(g) || g.payload != f.payload || g.address != f.address) __builtin_trap();
    }
    if (at % 7 == 0) d.DropStalled();
  }
  return 0;
}
