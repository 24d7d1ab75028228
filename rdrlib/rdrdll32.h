// The C interface of librdrdll32.so, the reader communication library: the 46 entry points
// with their buffer sizes and the status codes they return.
// Threads: the library may be called from several threads at once on different channels;
// calls on one channel are carried out one after the other. rdrStartupWsock and
// rdrCleanupWsock are counted: only the last clean-up closes the network channels.
#pragma once
#include <stdint.h>

#if defined(ZV_RDRDLL32_BUILD)
#define RDRDLL32_API __attribute__((visibility("default")))
#else
#define RDRDLL32_API
#endif

// Buffer sizes, in bytes.
enum {
  RDR_HANDREADER_SIZE = 96,
  RDR_READERINFO_SIZE = 104,
  RDR_DATALOG_SIZE = 28,
  RDR_ID_SIZE = 5,
  RDR_IDTEXT_SIZE = 20,
  RDR_USERRECORD_SIZE = 24,
  RDR_USERDATA_SIZE = 16,
  RDR_EXTUSERRECORD_SIZE = 92,
  RDR_EXTUSERDATA_SIZE = 77,
  RDR_SETUP_SIZE = 144,
  RDR_TIMEZONE_SIZE = 2208,
  RDR_BELL_SIZE = 400,
  RDR_FKEY_SIZE = 4096,
  RDR_TIME_SIZE = 6,
  RDR_DISPLAY_SIZE = 44,
  RDR_BANK_SIZE = 4096,
  RDR_MODEMINIT_MAX = 99,
  RDR_PHONE_MAX = 99,
};

// Status results. 0 is success; rdrInstallChannel and rdrInitWsock return a handle instead
// (0 there means failure).
enum {
  RDR_OK = 0,
  RDR_ERR_ARGUMENT = 1,     // a null buffer or a value out of range
  RDR_ERR_CHANNEL = 2,      // unknown channel handle, or the channel is not open
  RDR_ERR_NOREADER = 3,     // no reader selected with rdrSetHandReader
  RDR_ERR_TIMEOUT = 4,      // no valid answer within the response timeout
  RDR_ERR_IO = 5,           // the line or socket failed
  RDR_ERR_CLOSED = 6,       // the other side closed the connection
  RDR_ERR_PROTOCOL = 7,     // an answer of the wrong size
  RDR_ERR_CONNECT = 8,      // could not connect or open the device
  RDR_ERR_UNSUPPORTED = 9,  // not available on this kind of channel
  RDR_ERR_CONVERT = 10,     // a conversion input that is not valid
  RDR_ERR_MODEM_BUSY = 20,
  RDR_ERR_MODEM_NOCARRIER = 21,
  RDR_ERR_MODEM_NODIALTONE = 22,
  RDR_ERR_MODEM_NOANSWER = 23,
  RDR_ERR_MODEM_ERROR = 24,
  RDR_ERR_MODEM_SILENT = 25,  // the modem gave no recognised answer in time
  RDR_ERR_READER = 32,        // the reader refused; RDR_ERR_READER + its own status
};

#ifdef __cplusplus
extern "C" {
#endif

// Network channel.
RDRDLL32_API int32_t rdrStartupWsock(void);
RDRDLL32_API int32_t rdrCleanupWsock(void);
RDRDLL32_API int32_t rdrInitWsock(const char* address, int32_t port);
RDRDLL32_API int32_t rdrCloseWsock(int32_t channel);

// Serial and modem channels.
RDRDLL32_API int32_t rdrInstallChannel(int32_t portIndex);
RDRDLL32_API int32_t rdrOpenDirectChannel(int32_t channel, int32_t baud);
RDRDLL32_API int32_t rdrOpenModemChannel(int32_t channel, int32_t baud, const char* phone, int32_t mode);
RDRDLL32_API int32_t rdrOpenCustomChannel(int32_t channel, const char* settings);
RDRDLL32_API int32_t rdrSetHandReader(int32_t channel, uint8_t address, uint8_t* buffer96);
RDRDLL32_API int32_t rdrCloseChannel(int32_t channel);

// Raw line access (serial and modem channels only).
RDRDLL32_API int32_t rdrCOMGetString(int32_t channel, char* buffer, int32_t size, int32_t timeoutMs);
RDRDLL32_API int32_t rdrCOMPutBuffer(int32_t channel, const char* buffer, int32_t length);
RDRDLL32_API int32_t rdrCOMDtr(int32_t channel, int32_t on);
RDRDLL32_API int32_t rdrCOMBaudRate(int32_t channel, int32_t baud);
RDRDLL32_API int32_t rdrSleep(int32_t milliseconds);

// Reader operations on the selected reader of the channel.
RDRDLL32_API int32_t rdrHereIsUserRecord(int32_t channel, const uint8_t* record24);
RDRDLL32_API int32_t rdrHereIsSetupData(int32_t channel, const uint8_t* setup144);
RDRDLL32_API int32_t rdrClearUserDataBase(int32_t channel);
RDRDLL32_API int32_t rdrHereIsTime(int32_t channel, const uint8_t* time6);
RDRDLL32_API int32_t rdrSendStatusCRC(int32_t channel);
RDRDLL32_API int32_t rdrHereIsDisplayMessage(int32_t channel, const uint8_t* message44);
RDRDLL32_API int32_t rdrSetTimeZoneTable(int32_t channel, const uint8_t* table2208);
RDRDLL32_API int32_t rdrHereIsFkeyData(int32_t channel, const uint8_t* data4096);

// Id conversions (no channel).
RDRDLL32_API int32_t rdrTextToID(const char* text, uint8_t* id5);
RDRDLL32_API int32_t rdrIDToText(const uint8_t* id5, char* text20);

RDRDLL32_API int32_t rdrGetUserRecord(int32_t channel, const uint8_t* id5, uint8_t* record24);
RDRDLL32_API int32_t rdrSetBellSchedule(int32_t channel, const uint8_t* table400);
RDRDLL32_API int32_t rdrGetSetupData(int32_t channel, uint8_t* setup144);
// repeat 0 confirms the element delivered before and asks for the next; 1 asks for it again.
RDRDLL32_API int32_t rdrGetDataLogElement(int32_t channel, uint8_t* element28, int32_t repeat);
RDRDLL32_API int32_t rdrSetExtUserData(int32_t channel, const uint8_t* extRecord92);
RDRDLL32_API int32_t rdrHereIsExtUserRecord(int32_t channel, const uint8_t* extRecord92);
RDRDLL32_API int32_t rdrAddUserMessage(int32_t channel, const uint8_t* message44);
RDRDLL32_API int32_t rdrRemoveUserMessage(int32_t channel, const uint8_t* id5);
RDRDLL32_API int32_t rdrClearUserMessages(int32_t channel);
RDRDLL32_API int32_t rdrSetModemInitString(int32_t channel, const char* init);
RDRDLL32_API int32_t rdrGetDataBank(int32_t channel, int32_t bank, uint8_t* bank4096);
RDRDLL32_API int32_t rdrGetReaderInfo(int32_t channel, uint8_t* info104);
RDRDLL32_API int32_t rdrUpdateNVRam(int32_t channel);
RDRDLL32_API int32_t rdrEnterIdleMode(int32_t channel);
RDRDLL32_API int32_t rdrResume(int32_t channel);
RDRDLL32_API int32_t rdrHereIsBankNumber(int32_t channel, int32_t bank);
RDRDLL32_API int32_t rdrHereIsDataBank(int32_t channel, const uint8_t* bank4096);

// Packed data-bank form of the user records (no channel).
RDRDLL32_API int32_t rdrUserRecordToData(const uint8_t* record24, uint8_t* data16);
RDRDLL32_API int32_t rdrDataToUserRecord(const uint8_t* data16, uint8_t* record24);
RDRDLL32_API int32_t rdrExtUserRecordToData(const uint8_t* extRecord92, uint8_t* data77);
RDRDLL32_API int32_t rdrDataToExtUserRecord(const uint8_t* data77, uint8_t* extRecord92);

#ifdef __cplusplus
}
#endif
