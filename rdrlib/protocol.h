// Commands and reader status codes of the reader wire protocol (docs/protocol.md), shared by
// the library and the emulator.
#pragma once
#include <cstddef>
#include <cstdint>

namespace zv {

// Request commands; the answer carries the command with kResponseBit set.
enum TRdrCommand : uint8_t {
  kCmdSelect = 0x01,         // -> 96 bytes
  kCmdReaderInfo = 0x02,     // -> 104 bytes
  kCmdDataLog = 0x03,        // flag (1) -> 28 bytes
  kCmdGetUser = 0x04,        // id (5) -> 24 bytes
  kCmdPutUser = 0x05,        // record (24)
  kCmdClearUsers = 0x06,
  kCmdGetSetup = 0x07,       // -> 144 bytes
  kCmdPutSetup = 0x08,       // setup (144)
  kCmdUpdateNVRam = 0x09,
  kCmdSetTime = 0x0A,        // time (6)
  kCmdDisplay = 0x0B,        // message (44)
  kCmdTimeZones = 0x0C,      // table (2208)
  kCmdBells = 0x0D,          // table (400)
  kCmdFkeys = 0x0E,          // data (4096)
  kCmdIdle = 0x0F,
  kCmdResume = 0x10,
  kCmdGetBank = 0x11,        // bank (2) -> 4096 bytes
  kCmdBankNumber = 0x12,     // bank (2)
  kCmdPutBank = 0x13,        // bank data (4096)
  kCmdStatus = 0x14,         // -> 4 bytes: status word
  kCmdPutExtUser = 0x15,     // extended record (92)
  kCmdSetExtUserData = 0x16, // extended record (92)
  kCmdAddMessage = 0x17,     // message (44)
  kCmdRemoveMessage = 0x18,  // id (5)
  kCmdClearMessages = 0x19,
};
constexpr uint8_t kResponseBit = 0x80;

// First payload byte of every answer.
enum TRdrStatus : uint8_t {
  kStatusOk = 0,
  kStatusUnknownCommand = 1,
  kStatusBadLength = 2,
  kStatusNotFound = 3,
  kStatusNotIdle = 4,    // bank transfers need idle mode
  kStatusBadData = 5,
  kStatusFull = 6,
};

// Size of the request payload of a command, or -1 for an unknown command.
int RequestPayloadSize(uint8_t command);
// Size of the data after the status byte in a successful answer.
int ResponseDataSize(uint8_t command);

}  // namespace zv
