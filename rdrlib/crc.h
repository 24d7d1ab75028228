// Checksums of the reader wire protocol: CRC-8 over a frame header, CRC-16 over a frame.
#pragma once
#include <cstddef>
#include <cstdint>

namespace zv {

// CRC-8, polynomial 0x07, initial value 0.
uint8_t Crc8(const uint8_t* data, std::size_t len);
// CRC-16/CCITT-FALSE: polynomial 0x1021, initial value 0xFFFF.
uint16_t Crc16(const uint8_t* data, std::size_t len);

}  // namespace zv
