// Conversions between user ids as text and their 5 packed bytes, and between user records
// and the packed form that a reader keeps in its data banks (docs/protocol.md says what
// survives the trip).
#pragma once
#include <cstdint>
#include <string>

namespace zv {

// One to ten decimal digits into 5 bytes of packed BCD (two digits a byte, the most
// significant first, padded with leading zeros). False for anything else.
bool TextToPackedId(const char* text, uint8_t id[5]);
// The 10-digit text of a packed id; false when a nibble is not a decimal digit.
bool PackedIdToText(const uint8_t id[5], std::string& text);
// The id as a number, for ordering; false when it is not valid BCD.
bool PackedIdToNumber(const uint8_t id[5], uint64_t& value);
void NumberToPackedId(uint64_t value, uint8_t id[5]);

// 24-byte user record <-> 16 packed bytes. False when the id is not valid BCD (or the packed
// bytes hold an impossible id).
bool PackUserRecord(const uint8_t record[24], uint8_t data[16]);
bool UnpackUserRecord(const uint8_t data[16], uint8_t record[24]);
// 92-byte extended user record <-> 77 packed bytes.
bool PackExtUserRecord(const uint8_t ext[92], uint8_t data[77]);
bool UnpackExtUserRecord(const uint8_t data[77], uint8_t ext[92]);

// Limits of the packed user record fields; larger values are stored as the limit.
constexpr uint32_t kPackedMaxAuthority = 7;
constexpr uint32_t kPackedMaxRejectOverride = 8191;
constexpr int kPackedTemplateBytes = 8;  // record bytes 5 to 12

}  // namespace zv
