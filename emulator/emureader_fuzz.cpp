// Fuzzes the emulator's side of the line: arbitrary bytes are decoded and every frame found is
// answered by a reader with users and a log, as rdremu serve does.
#include <cstddef>
#include <cstdint>

#include "emulator/emureader.h"
#include "rdrlib/crc.h"
#include "rdrlib/frame.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zv::TEmuSite site;
  for (int a : {0, 1, 2}) {
    zv::TEmuReader r;
    r.address = a;
    r.model = a;  // model 2 uses 77-byte bank records
    r.log.push_back(zv::TLogElement{});
    zv::TExtRecord u{};
    u[4] = 0x11;
    r.users[11] = u;
    site.readers[a] = r;
  }
  // Two ways in: the raw bytes, and the bytes wrapped as one well-formed request so that the
  // fuzzer reaches every command's handling.
  std::vector<uint8_t> out;
  bool changed = false;
  zv::TFrameDecoder d;
  d.Feed(data, size);
  zv::TFrame f;
  while (d.Next(f)) zv::HandleRequest(site, f, out, changed);
  if (size >= 2) {
    zv::TFrame q;
    q.address = data[0] % 3;
    q.command = data[1];
    q.sequence = 1;
    q.payload.assign(data + 2, data + size);
    std::vector<uint8_t> bytes = zv::EncodeFrame(q);
    zv::TFrameDecoder d2;
    d2.Feed(bytes.data(), bytes.size());
    while (d2.Next(f)) zv::HandleRequest(site, f, out, changed);
  }
  return 0;
}
