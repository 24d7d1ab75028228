#include "rdrlib/crc.h"

#include <array>

namespace zv {

namespace {
struct TCrcTables {
  std::array<uint8_t, 256> t8{};
  std::array<uint16_t, 256> t16{};
  TCrcTables() {
    for (int i = 0; i < 256; ++i) {
      uint8_t c = static_cast<uint8_t>(i);
      for (int b = 0; b < 8; ++b) c = static_cast<uint8_t>((c & 0x80) ? (c << 1) ^ 0x07 : c << 1);
      t8[i] = c;
      uint16_t w = static_cast<uint16_t>(i << 8);
      for (int b = 0; b < 8; ++b) w = static_cast<uint16_t>((w & 0x8000) ? (w << 1) ^ 0x1021 : w << 1);
      t16[i] = w;
    }
  }
};
const TCrcTables& Tables() {
  static const TCrcTables t;
  return t;
}
}  // namespace

uint8_t Crc8(const uint8_t* data, std::size_t len) {
  const auto& t = Tables().t8;
  uint8_t c = 0;
  for (std::size_t i = 0; i < len; ++i) c = t[c ^ data[i]];
  return c;
}

uint16_t Crc16(const uint8_t* data, std::size_t len) {
  const auto& t = Tables().t16;
  uint16_t c = 0xFFFF;
  for (std::size_t i = 0; i < len; ++i)
    c = static_cast<uint16_t>((c << 8) ^ t[((c >> 8) ^ data[i]) & 0xFF]);
  return c;
}

}  // namespace zv
