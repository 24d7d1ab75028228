#include "rdrlib/usercodec.h"

#include <cstring>

namespace zv {

namespace {
uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
void PutLe32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
bool ValidBcd(const uint8_t id[5]) {
  for (int i = 0; i < 5; ++i)
    if ((id[i] >> 4) > 9 || (id[i] & 0x0F) > 9) return false;
  return true;
}
}  // namespace

bool TextToPackedId(const char* text, uint8_t id[5]) {
  if (!text || !id) return false;
  std::size_t n = std::strlen(text);
  if (n < 1 || n > 10) return false;
  char digits[10];
  std::memset(digits, '0', sizeof digits);
  for (std::size_t i = 0; i < n; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    digits[10 - n + i] = text[i];
  }
  for (int i = 0; i < 5; ++i)
    id[i] = static_cast<uint8_t>(((digits[2 * i] - '0') << 4) | (digits[2 * i + 1] - '0'));
  return true;
}

bool PackedIdToText(const uint8_t id[5], std::string& text) {
  text.clear();
  if (!id || !ValidBcd(id)) return false;
  for (int i = 0; i < 5; ++i) {
    text += static_cast<char>('0' + (id[i] >> 4));
    text += static_cast<char>('0' + (id[i] & 0x0F));
  }
  return true;
}

bool PackedIdToNumber(const uint8_t id[5], uint64_t& value) {
  if (!ValidBcd(id)) return false;
  value = 0;
  for (int i = 0; i < 5; ++i) value = value * 100 + (id[i] >> 4) * 10 + (id[i] & 0x0F);
  return true;
}

void NumberToPackedId(uint64_t value, uint8_t id[5]) {
  value %= 10000000000ULL;
  for (int i = 4; i >= 0; --i) {
    unsigned two = static_cast<unsigned>(value % 100);
    value /= 100;
    id[i] = static_cast<uint8_t>(((two / 10) << 4) | (two % 10));
  }
}

// Packed user record (16 bytes):
//   0..4   id, packed BCD as in the record (so the first byte is never 255)
//   5..12  template bytes 5 to 12 of the record
//   13..15 24-bit little-endian word: bits 0-7 time zone, bits 8-10 authority (0..7),
//          bits 11-23 reject override (0..8191)
bool PackUserRecord(const uint8_t record[24], uint8_t data[16]) {
  if (!record || !data || !ValidBcd(record)) return false;
  std::memcpy(data, record, 5 + kPackedTemplateBytes);
  // A negative authority must not turn into the highest level.
  int32_t signedAuthority = static_cast<int32_t>(Le32(record + 16));
  uint32_t authority = signedAuthority < 0 ? 0 : static_cast<uint32_t>(signedAuthority);
  if (authority > kPackedMaxAuthority) authority = kPackedMaxAuthority;
  uint32_t reject = static_cast<uint32_t>(record[20]) | (static_cast<uint32_t>(record[21]) << 8);
  if (reject > kPackedMaxRejectOverride) reject = kPackedMaxRejectOverride;
  uint32_t word = record[22] | (authority << 8) | (reject << 11);
  data[13] = static_cast<uint8_t>(word);
  data[14] = static_cast<uint8_t>(word >> 8);
  data[15] = static_cast<uint8_t>(word >> 16);
  return true;
}

bool UnpackUserRecord(const uint8_t data[16], uint8_t record[24]) {
  if (!data || !record || !ValidBcd(data)) return false;
  std::memset(record, 0, 24);
  std::memcpy(record, data, 5 + kPackedTemplateBytes);
  uint32_t word = data[13] | (data[14] << 8) | (static_cast<uint32_t>(data[15]) << 16);
  record[22] = static_cast<uint8_t>(word & 0xFF);
  PutLe32(record + 16, (word >> 8) & 0x7);
  uint32_t reject = (word >> 11) & 0x1FFF;
  record[20] = static_cast<uint8_t>(reject);
  record[21] = static_cast<uint8_t>(reject >> 8);
  return true;
}

// Packed extended record (77 bytes): bytes 0..41 of the record as they are, the comment of
// bytes 42..57 (its terminator at 58 is implied), then bytes 59..77.
bool PackExtUserRecord(const uint8_t ext[92], uint8_t data[77]) {
  if (!ext || !data || !ValidBcd(ext)) return false;
  std::memcpy(data, ext, 42);
  std::memcpy(data + 42, ext + 42, 16);
  std::memcpy(data + 58, ext + 59, 19);
  return true;
}

bool UnpackExtUserRecord(const uint8_t data[77], uint8_t ext[92]) {
  if (!data || !ext || !ValidBcd(data)) return false;
  std::memset(ext, 0, 92);
  std::memcpy(ext, data, 42);
  std::memcpy(ext + 42, data + 42, 16);
  ext[58] = 0;
  std::memcpy(ext + 59, data + 58, 19);
  return true;
}

}  // namespace zv
