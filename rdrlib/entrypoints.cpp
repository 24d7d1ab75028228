// The exported entry points of librdrdll32.so.
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "rdrlib/channel.h"
#include "rdrlib/fdio.h"
#include "rdrlib/link.h"
#include "rdrlib/modem.h"
#include "rdrlib/protocol.h"
#include "rdrlib/rdrdll32.h"
#include "rdrlib/serialline.h"
#include "rdrlib/settings.h"
#include "rdrlib/tcpconnect.h"
#include "rdrlib/usercodec.h"

using namespace zv;

namespace {

// Runs f on the locked channel of the handle.
template <typename F>
int32_t OnChannel(int32_t handle, F f) {
  TChannelPtr ch = FindChannel(handle);
  if (!ch) return RDR_ERR_CHANNEL;
  std::lock_guard<std::mutex> lock(ch->mu);
  return f(*ch);
}

// One request to the selected reader of the channel.
int32_t ToReader(int32_t handle, uint8_t command, const uint8_t* payload, std::size_t len,
                 uint8_t* out = nullptr, std::size_t outLen = 0) {
  if (len && !payload) return RDR_ERR_ARGUMENT;
  if (outLen && !out) return RDR_ERR_ARGUMENT;
  return OnChannel(handle, [&](TChannel& ch) -> int32_t {
    if (ch.selected < 0) return RDR_ERR_NOREADER;
    return Transact(ch, static_cast<uint8_t>(ch.selected), command, payload, len, out, outLen);
  });
}

int32_t BankRequest(int32_t handle, uint8_t command, int32_t bank, uint8_t* out, std::size_t outLen) {
  if (bank < 0 || bank > 0xFFFF) return RDR_ERR_ARGUMENT;
  uint8_t b[2] = {static_cast<uint8_t>(bank & 0xFF), static_cast<uint8_t>(bank >> 8)};
  return ToReader(handle, command, b, 2, out, outLen);
}

std::string CutText(const char* text, std::size_t max) {
  if (!text) return std::string();
  return std::string(text, strnlen(text, max));
}

}  // namespace

extern "C" {

int32_t rdrStartupWsock(void) {
  StartNetwork();
  return RDR_OK;
}

int32_t rdrCleanupWsock(void) {
  // Lines polled at once each start and clean up the network: only the last clean-up may
  // close the network channels, or one line would cut the others off.
  StopNetwork();
  return RDR_OK;
}

int32_t rdrInitWsock(const char* address, int32_t port) {
  int fd = -1;
  if (ConnectTcp(address, port, ConnectTimeoutMs(), fd) != RDR_OK) return 0;
  auto ch = std::make_shared<TChannel>();
  ch->kind = TChannel::TKind::Tcp;
  ch->fd = fd;
  return AddChannel(ch);
}

int32_t rdrCloseWsock(int32_t channel) {
  TChannelPtr ch = FindChannel(channel);
  if (!ch || ch->kind != TChannel::TKind::Tcp) return RDR_ERR_CHANNEL;
  // Two threads closing the same handle: only the one that took it out closes it.
  if (RemoveChannel(channel) != ch) return RDR_ERR_CHANNEL;
  std::lock_guard<std::mutex> lock(ch->mu);
  ch->CloseFd();
  return RDR_OK;
}

int32_t rdrInstallChannel(int32_t portIndex) {
  if (portIndex < 0 || portIndex > 255) return 0;
  auto ch = std::make_shared<TChannel>();
  ch->kind = TChannel::TKind::Serial;
  ch->portIndex = portIndex;
  ch->device = SerialDevicePath(portIndex);
  return AddChannel(ch);
}

int32_t rdrOpenDirectChannel(int32_t channel, int32_t baud) {
  return OnChannel(channel, [&](TChannel& ch) -> int32_t {
    if (ch.kind != TChannel::TKind::Serial) return RDR_ERR_UNSUPPORTED;
    ch.CloseFd();
    ch.broken = false;
    ch.selected = -1;
    int fd = -1;
    int rc = OpenSerialLine(ch.device, baud, fd);
    if (rc != RDR_OK) return rc;
    ch.fd = fd;
    ch.baud = baud;
    ch.modem = false;
    return RDR_OK;
  });
}

int32_t rdrOpenModemChannel(int32_t channel, int32_t baud, const char* phone, int32_t mode) {
  std::string number = CutText(phone, RDR_PHONE_MAX);
  return OnChannel(channel, [&](TChannel& ch) -> int32_t {
    if (ch.kind != TChannel::TKind::Serial) return RDR_ERR_UNSUPPORTED;
    if (number.empty()) return RDR_ERR_ARGUMENT;
    ch.CloseFd();
    ch.broken = false;
    ch.selected = -1;
    int fd = -1;
    int rc = OpenSerialLine(ch.device, baud, fd);
    if (rc != RDR_OK) return rc;
    SetDtr(fd, true);
    rc = DialModem(fd, baud, ch.modemInit, number);
    if (rc != RDR_OK) {
      HangUpModem(fd, false);
      CloseSerialLine(fd);
      return rc;
    }
    ch.fd = fd;
    ch.baud = baud;
    ch.modem = true;
    return RDR_OK;
  });
}

int32_t rdrOpenCustomChannel(int32_t channel, const char* settings) {
  return FindChannel(channel) ? RDR_ERR_UNSUPPORTED : RDR_ERR_CHANNEL;
}

int32_t rdrSetHandReader(int32_t channel, uint8_t address, uint8_t* buffer96) {
  return OnChannel(channel, [&](TChannel& ch) -> int32_t {
    ch.selected = -1;
    ch.logRetry = false;
    // 170 is the frame start and 255 is kept free: neither is a reader's address.
    if (address == kFrameSync || address == 255) return RDR_ERR_ARGUMENT;
    uint8_t info[RDR_HANDREADER_SIZE];
    int rc = Transact(ch, address, kCmdSelect, nullptr, 0, info, sizeof info);
    if (rc != RDR_OK) return rc;
    if (buffer96) std::memcpy(buffer96, info, sizeof info);
    ch.selected = address;
    return RDR_OK;
  });
}

int32_t rdrCloseChannel(int32_t channel) {
  TChannelPtr ch = RemoveChannel(channel);
  if (!ch) return RDR_ERR_CHANNEL;
  std::lock_guard<std::mutex> lock(ch->mu);
  if (ch->modem && ch->fd >= 0) HangUpModem(ch->fd, !ch->broken);
  ch->CloseFd();
  return RDR_OK;
}

int32_t rdrCOMGetString(int32_t channel, char* buffer, int32_t size, int32_t timeoutMs) {
  if (!buffer || size < 1) return RDR_ERR_ARGUMENT;
  buffer[0] = '\0';
  return OnChannel(channel, [&](TChannel& ch) -> int32_t {
    if (ch.kind != TChannel::TKind::Serial) return RDR_ERR_UNSUPPORTED;
    if (ch.fd < 0) return RDR_ERR_CHANNEL;
    TDeadline deadline = DeadlineIn(timeoutMs < 0 ? 0 : timeoutMs);
    int32_t n = 0;
    while (n < size - 1) {
      uint8_t c;
      std::size_t got = 0;
      int rc = ReadSome(ch.fd, &c, 1, got, deadline);
      if (rc != RDR_OK) break;
      if (c == '\r' || c == '\n') {
        if (n > 0) break;
        continue;
      }
      buffer[n++] = static_cast<char>(c);
    }
    buffer[n] = '\0';
    return n > 0 ? RDR_OK : RDR_ERR_TIMEOUT;
  });
}

int32_t rdrCOMPutBuffer(int32_t channel, const char* buffer, int32_t length) {
  if (!buffer || length < 0) return RDR_ERR_ARGUMENT;
  return OnChannel(channel, [&](TChannel& ch) -> int32_t {
    if (ch.kind != TChannel::TKind::Serial) return RDR_ERR_UNSUPPORTED;
    if (ch.fd < 0) return RDR_ERR_CHANNEL;
    return WriteAll(ch.fd, reinterpret_cast<const uint8_t*>(buffer), static_cast<std::size_t>(length),
                    DeadlineIn(ResponseTimeoutMs() + LineTimeMs(static_cast<std::size_t>(length), ch.baud)));
  });
}

int32_t rdrCOMDtr(int32_t channel, int32_t on) {
  return OnChannel(channel, [&](TChannel& ch) -> int32_t {
    if (ch.kind != TChannel::TKind::Serial) return RDR_ERR_UNSUPPORTED;
    if (ch.fd < 0) return RDR_ERR_CHANNEL;
    return SetDtr(ch.fd, on != 0) ? RDR_OK : RDR_ERR_IO;
  });
}

int32_t rdrCOMBaudRate(int32_t channel, int32_t baud) {
  return OnChannel(channel, [&](TChannel& ch) -> int32_t {
    if (ch.kind != TChannel::TKind::Serial) return RDR_ERR_UNSUPPORTED;
    if (ch.fd < 0) return RDR_ERR_CHANNEL;
    if (!SetLineBaud(ch.fd, baud)) return RDR_ERR_ARGUMENT;
    ch.baud = baud;
    return RDR_OK;
  });
}

int32_t rdrSleep(int32_t milliseconds) {
  if (milliseconds < 0) return RDR_ERR_ARGUMENT;
  timespec ts{milliseconds / 1000, (milliseconds % 1000) * 1000000L};
  while (nanosleep(&ts, &ts) != 0) {
  }
  return RDR_OK;
}

int32_t rdrHereIsUserRecord(int32_t channel, const uint8_t* record24) {
  return ToReader(channel, kCmdPutUser, record24, RDR_USERRECORD_SIZE);
}
int32_t rdrHereIsSetupData(int32_t channel, const uint8_t* setup144) {
  return ToReader(channel, kCmdPutSetup, setup144, RDR_SETUP_SIZE);
}
int32_t rdrClearUserDataBase(int32_t channel) { return ToReader(channel, kCmdClearUsers, nullptr, 0); }
int32_t rdrHereIsTime(int32_t channel, const uint8_t* time6) {
  return ToReader(channel, kCmdSetTime, time6, RDR_TIME_SIZE);
}
int32_t rdrSendStatusCRC(int32_t channel) {
  uint8_t status[4];
  return ToReader(channel, kCmdStatus, nullptr, 0, status, sizeof status);
}
int32_t rdrHereIsDisplayMessage(int32_t channel, const uint8_t* message44) {
  return ToReader(channel, kCmdDisplay, message44, RDR_DISPLAY_SIZE);
}
int32_t rdrSetTimeZoneTable(int32_t channel, const uint8_t* table2208) {
  return ToReader(channel, kCmdTimeZones, table2208, RDR_TIMEZONE_SIZE);
}
int32_t rdrHereIsFkeyData(int32_t channel, const uint8_t* data4096) {
  return ToReader(channel, kCmdFkeys, data4096, RDR_FKEY_SIZE);
}

int32_t rdrTextToID(const char* text, uint8_t* id5) {
  if (!id5) return RDR_ERR_ARGUMENT;
  if (!text) {
    std::memset(id5, 0, RDR_ID_SIZE);
    return RDR_ERR_ARGUMENT;
  }
  // Read at most 11 characters: a longer text is refused without scanning it all.
  char copy[12];
  std::size_t n = strnlen(text, 11);
  std::memcpy(copy, text, n);
  copy[n] = '\0';
  if (!TextToPackedId(copy, id5)) {
    std::memset(id5, 0, RDR_ID_SIZE);
    return RDR_ERR_CONVERT;
  }
  return RDR_OK;
}

int32_t rdrIDToText(const uint8_t* id5, char* text20) {
  if (!text20) return RDR_ERR_ARGUMENT;
  text20[0] = '\0';
  std::string t;
  if (!id5 || !PackedIdToText(id5, t)) return id5 ? RDR_ERR_CONVERT : RDR_ERR_ARGUMENT;
  std::memcpy(text20, t.c_str(), t.size() + 1);
  return RDR_OK;
}

int32_t rdrGetUserRecord(int32_t channel, const uint8_t* id5, uint8_t* record24) {
  return ToReader(channel, kCmdGetUser, id5, RDR_ID_SIZE, record24, RDR_USERRECORD_SIZE);
}
int32_t rdrSetBellSchedule(int32_t channel, const uint8_t* table400) {
  return ToReader(channel, kCmdBells, table400, RDR_BELL_SIZE);
}
int32_t rdrGetSetupData(int32_t channel, uint8_t* setup144) {
  return ToReader(channel, kCmdGetSetup, nullptr, 0, setup144, RDR_SETUP_SIZE);
}

int32_t rdrGetDataLogElement(int32_t channel, uint8_t* element28, int32_t repeat) {
  if (!element28) return RDR_ERR_ARGUMENT;
  return OnChannel(channel, [&](TChannel& ch) -> int32_t {
    if (ch.selected < 0) return RDR_ERR_NOREADER;
    uint8_t flag;
    uint8_t seq;
    if (repeat && ch.logRetry) {
      // The failed request goes out again unchanged: if the reader did get it, it answers
      // with the same element instead of confirming one more.
      flag = ch.logFlag;
      seq = ch.logSequence;
    } else {
      flag = repeat ? 1 : 0;
      seq = ++ch.sequence;
    }
    int rc = Transact(ch, static_cast<uint8_t>(ch.selected), kCmdDataLog, &flag, 1, element28,
                      RDR_DATALOG_SIZE, &seq);
    ch.logRetry = rc != RDR_OK;
    ch.logSequence = seq;
    ch.logFlag = flag;
    return rc;
  });
}

int32_t rdrSetExtUserData(int32_t channel, const uint8_t* extRecord92) {
  return ToReader(channel, kCmdSetExtUserData, extRecord92, RDR_EXTUSERRECORD_SIZE);
}
int32_t rdrHereIsExtUserRecord(int32_t channel, const uint8_t* extRecord92) {
  return ToReader(channel, kCmdPutExtUser, extRecord92, RDR_EXTUSERRECORD_SIZE);
}
int32_t rdrAddUserMessage(int32_t channel, const uint8_t* message44) {
  return ToReader(channel, kCmdAddMessage, message44, RDR_DISPLAY_SIZE);
}
int32_t rdrRemoveUserMessage(int32_t channel, const uint8_t* id5) {
  return ToReader(channel, kCmdRemoveMessage, id5, RDR_ID_SIZE);
}
int32_t rdrClearUserMessages(int32_t channel) { return ToReader(channel, kCmdClearMessages, nullptr, 0); }

int32_t rdrSetModemInitString(int32_t channel, const char* init) {
  std::string text = CutText(init, RDR_MODEMINIT_MAX);
  return OnChannel(channel, [&](TChannel& ch) -> int32_t {
    if (ch.kind != TChannel::TKind::Serial) return RDR_ERR_UNSUPPORTED;
    ch.modemInit = text;
    return RDR_OK;
  });
}

int32_t rdrGetDataBank(int32_t channel, int32_t bank, uint8_t* bank4096) {
  if (!bank4096) return RDR_ERR_ARGUMENT;
  return BankRequest(channel, kCmdGetBank, bank, bank4096, RDR_BANK_SIZE);
}
int32_t rdrGetReaderInfo(int32_t channel, uint8_t* info104) {
  return ToReader(channel, kCmdReaderInfo, nullptr, 0, info104, RDR_READERINFO_SIZE);
}
int32_t rdrUpdateNVRam(int32_t channel) { return ToReader(channel, kCmdUpdateNVRam, nullptr, 0); }
int32_t rdrEnterIdleMode(int32_t channel) { return ToReader(channel, kCmdIdle, nullptr, 0); }
int32_t rdrResume(int32_t channel) { return ToReader(channel, kCmdResume, nullptr, 0); }
int32_t rdrHereIsBankNumber(int32_t channel, int32_t bank) {
  return BankRequest(channel, kCmdBankNumber, bank, nullptr, 0);
}
int32_t rdrHereIsDataBank(int32_t channel, const uint8_t* bank4096) {
  return ToReader(channel, kCmdPutBank, bank4096, RDR_BANK_SIZE);
}

int32_t rdrUserRecordToData(const uint8_t* record24, uint8_t* data16) {
  return PackUserRecord(record24, data16) ? RDR_OK : RDR_ERR_CONVERT;
}
int32_t rdrDataToUserRecord(const uint8_t* data16, uint8_t* record24) {
  return UnpackUserRecord(data16, record24) ? RDR_OK : RDR_ERR_CONVERT;
}
int32_t rdrExtUserRecordToData(const uint8_t* extRecord92, uint8_t* data77) {
  return PackExtUserRecord(extRecord92, data77) ? RDR_OK : RDR_ERR_CONVERT;
}
int32_t rdrDataToExtUserRecord(const uint8_t* data77, uint8_t* extRecord92) {
  return UnpackExtUserRecord(data77, extRecord92) ? RDR_OK : RDR_ERR_CONVERT;
}

}  // extern "C"
