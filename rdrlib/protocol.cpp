#include "rdrlib/protocol.h"

namespace zv {

int RequestPayloadSize(uint8_t command) {
  switch (command) {
    case kCmdSelect: case kCmdReaderInfo: case kCmdClearUsers: case kCmdGetSetup:
    case kCmdUpdateNVRam: case kCmdIdle: case kCmdResume: case kCmdStatus:
    case kCmdClearMessages:
      return 0;
    case kCmdDataLog: return 1;
    case kCmdGetUser: case kCmdRemoveMessage: return 5;
    case kCmdPutUser: return 24;
    case kCmdPutSetup: return 144;
    case kCmdSetTime: return 6;
    case kCmdDisplay: case kCmdAddMessage: return 44;
    case kCmdTimeZones: return 2208;
    case kCmdBells: return 400;
    case kCmdFkeys: case kCmdPutBank: return 4096;
    case kCmdGetBank: case kCmdBankNumber: return 2;
    case kCmdPutExtUser: case kCmdSetExtUserData: return 92;
    default: return -1;
  }
}

int ResponseDataSize(uint8_t command) {
  switch (command) {
    case kCmdSelect: return 96;
    case kCmdReaderInfo: return 104;
    case kCmdDataLog: return 28;
    case kCmdGetUser: return 24;
    case kCmdGetSetup: return 144;
    case kCmdGetBank: return 4096;
    case kCmdStatus: return 4;
    default: return 0;
  }
}

}  // namespace zv
