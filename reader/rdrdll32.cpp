#include "reader/rdrdll32.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "reader/enginehost.h"
#include "util/text.h"

namespace zv {

const char* const kRdrEntryPointNames[kEntryPointCount] = {
    "rdrStartupWsock",        "rdrCleanupWsock",        "rdrInitWsock",
    "rdrCloseWsock",          "rdrInstallChannel",      "rdrOpenDirectChannel",
    "rdrOpenModemChannel",    "rdrOpenCustomChannel",   "rdrSetHandReader",
    "rdrCloseChannel",        "rdrCOMGetString",        "rdrCOMPutBuffer",
    "rdrCOMDtr",              "rdrCOMBaudRate",         "rdrSleep",
    "rdrHereIsUserRecord",    "rdrHereIsSetupData",     "rdrClearUserDataBase",
    "rdrHereIsTime",          "rdrSendStatusCRC",       "rdrHereIsDisplayMessage",
    "rdrSetTimeZoneTable",    "rdrHereIsFkeyData",      "rdrTextToID",
    "rdrIDToText",            "rdrGetUserRecord",       "rdrSetBellSchedule",
    "rdrGetSetupData",        "rdrGetDataLogElement",   "rdrSetExtUserData",
    "rdrHereIsExtUserRecord", "rdrAddUserMessage",      "rdrRemoveUserMessage",
    "rdrClearUserMessages",   "rdrSetModemInitString",  "rdrGetDataBank",
    "rdrGetReaderInfo",       "rdrUpdateNVRam",         "rdrEnterIdleMode",
    "rdrResume",              "rdrHereIsBankNumber",    "rdrHereIsDataBank",
    "rdrUserRecordToData",    "rdrDataToUserRecord",    "rdrExtUserRecordToData",
    "rdrDataToExtUserRecord",
};

std::string TRdrDll32::LibraryName = "librdrdll32.so";

namespace {

// Indexes into the entry table (binding order less one).
enum : int {
  eStartupWsock = 0, eCleanupWsock = 1, eInitWsock = 2, eCloseWsock = 3, eInstallChannel = 4,
  eOpenDirectChannel = 5, eOpenModemChannel = 6, eSetHandReader = 8, eCloseChannel = 9,
  eHereIsUserRecord = 15, eHereIsSetupData = 16, eClearUserDataBase = 17, eHereIsTime = 18,
  eHereIsDisplayMessage = 20, eSetTimeZoneTable = 21, eHereIsFkeyData = 22, eTextToID = 23,
  eIDToText = 24, eGetUserRecord = 25, eSetBellSchedule = 26, eGetSetupData = 27,
  eGetDataLogElement = 28, eSetModemInitString = 34, eGetDataBank = 35, eGetReaderInfo = 36,
  eUpdateNVRam = 37, eEnterIdleMode = 38, eResume = 39, eHereIsBankNumber = 40,
  eHereIsDataBank = 41, eUserRecordToData = 42, eDataToUserRecord = 43,
  eExtUserRecordToData = 44, eDataToExtUserRecord = 45,
};

using i32 = std::int32_t;
using u8 = std::uint8_t;
using FnVoid = i32 (*)();
using FnCh = i32 (*)(i32);
using FnInitWsock = i32 (*)(const char*, i32);
using FnChInt = i32 (*)(i32, i32);
using FnModem = i32 (*)(i32, i32, const char*, i32);
using FnChText = i32 (*)(i32, const char*);
using FnHand = i32 (*)(i32, u8, u8*);
using FnChBuf = i32 (*)(i32, u8*);
using FnChConstBuf = i32 (*)(i32, const u8*);
using FnLog = i32 (*)(i32, u8*, i32);
using FnIdToText = i32 (*)(const u8*, char*);
using FnTextToId = i32 (*)(const char*, u8*);
using FnGetUser = i32 (*)(i32, const u8*, u8*);
using FnChIntBuf = i32 (*)(i32, i32, u8*);
using FnConvert = i32 (*)(const u8*, u8*);

template <typename F>
F As(void* p) {
  return reinterpret_cast<F>(p);
}

// Calls `call` until it reports success, at most `attempts` times in a row.
template <typename Call>
bool Attempts(int attempts, Call call) {
  for (int i = 0; i < attempts; ++i)
    if (call() == 0) return true;
  return false;
}

// A call that talks to a reader, run through the host so that its window keeps answering
// while the call waits. The conversions, which never wait, are called directly.
template <typename Call>
auto Waiting(Call call) -> decltype(call()) {
  IEngineHost* host = EngineHost();
  if (!host) return call();
  decltype(call()) r{};
  host->RunWhileWaiting([&] { r = call(); });
  return r;
}

// Attempts, with the whole retry run in one wait.
template <typename Call>
bool Retrying(int attempts, Call call) {
  return Waiting([&] { return Attempts(attempts, call); });
}

int ErrnoOr(int fallback) { return errno != 0 ? errno : fallback; }

// A file that is there but cannot be loaded is not a missing one: it says ENOEXEC (8).
void* TryOpen(const std::string& path, bool& found) {
  errno = 0;
  void* lib = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!lib && path.find('/') != std::string::npos && ::access(path.c_str(), F_OK) == 0) found = true;
  return lib;
}

// Through the loader's search first (LD_LIBRARY_PATH, the program's RUNPATH, the system).
// The RUNPATH is that of the caller of dlopen, which an interposed dlopen (a sanitizer's)
// is not; so the places it names, the program's directory, the installed program's library
// directory and ../lib, are tried as well.
void* OpenLibrary(const std::string& name) {
  bool found = false;
  void* lib = TryOpen(name, found);
  int first = errno;
  if (!lib && name.find('/') == std::string::npos) {
    char exe[4096];
    ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n > 0) {
      std::string dir(exe, static_cast<std::size_t>(n));
      dir.erase(dir.rfind('/') + 1);
      for (const std::string& d : {dir, dir + ZV_PRIVATE_LIBDIR, dir + "../lib/"})
        if (!lib) lib = TryOpen(d + name, found);
    }
  }
  if (!lib) errno = found ? ENOEXEC : first;
  return lib;
}

}  // namespace

void EncodeTimeRecord(const std::tm& t, std::uint8_t out[kTimeRecordSize]) {
  int year = t.tm_year + 1900;
  out[0] = static_cast<u8>(t.tm_sec);
  out[1] = static_cast<u8>(t.tm_min);
  out[2] = static_cast<u8>(t.tm_hour);
  out[3] = static_cast<u8>(t.tm_mday);
  out[4] = static_cast<u8>(t.tm_mon + 1);
  out[5] = static_cast<u8>(year < 2000 ? year - 1900 : year - 2000);
}

TRdrDll32::TRdrDll32() {
  lib_ = OpenLibrary(LibraryName);
  if (!lib_) {
    // dlopen leaves errno from its failed open(); a file not found is 2.
    throw ERdrDll32Error("RDRDLL32.DLL load failed with error #" + std::to_string(ErrnoOr(ENOENT)));
  }
  ClearEntries();
  for (int i = 0; i < kEntryPointCount; ++i) {
    errno = 0;
    ::dlerror();
    void* p = ::dlsym(lib_, kRdrEntryPointNames[i]);
    if (!p) {
      int code = ErrnoOr(ENOSYS);
      ::dlclose(lib_);
      lib_ = nullptr;
      ClearEntries();
      throw ERdrDll32Error("RDRDLL32.DLL initialization failed with error #" + std::to_string(code));
    }
    entries_[i] = p;
  }
}

TRdrDll32::~TRdrDll32() {
  try {
    Unload();
  } catch (const ERdrDll32Error&) {
    // A destructor cannot report it; the engine's close calls Unload() itself first.
  }
}

void TRdrDll32::Unload() {
  if (lib_) {
    void* lib = lib_;
    lib_ = nullptr;
    channel_ = 0;
    errno = 0;
    if (::dlclose(lib) != 0) {
      ClearEntries();
      throw ERdrDll32Error("RDRDLL32.DLL free rdr32.dll failed with error #" +
                           std::to_string(ErrnoOr(EINVAL)));
    }
    ClearEntries();
  }
  channel_ = 0;
}

void TRdrDll32::ClearEntries() {
  for (auto& e : entries_) e = nullptr;
}

bool TRdrDll32::StartupWsock() {
  auto fn = As<FnVoid>(Entry(eStartupWsock));
  networkStarted_ = Waiting([&] { return fn(); }) == 0;
  return networkStarted_;
}

bool TRdrDll32::InitWsock(const std::string& address, const std::string& port) {
  char addr[50] = {};
  std::strncpy(addr, address.c_str(), sizeof addr - 1);
  i32 p = static_cast<i32>(StrToIntDef(port, 0));
  auto fn = As<FnInitWsock>(Entry(eInitWsock));
  channel_ = Waiting([&] { return fn(addr, p); });
  sessionOpen_ = channel_ != 0;
  return sessionOpen_;
}

bool TRdrDll32::CloseWsock() {
  auto fn = As<FnCh>(Entry(eCloseWsock));
  i32 r = Waiting([&] { return fn(channel_); });
  channel_ = 0;
  sessionOpen_ = false;
  return r == 0;
}

bool TRdrDll32::CleanupWsock() {
  networkStarted_ = false;
  auto fn = As<FnVoid>(Entry(eCleanupWsock));
  return Waiting([&] { return fn(); }) == 0;
}

bool TRdrDll32::InstallChannel(int portIndex) {
  networkStarted_ = false;
  sessionOpen_ = false;
  if (channel_ == 0) {
    auto fn = As<FnCh>(Entry(eInstallChannel));
    channel_ = Waiting([&] { return fn(portIndex); });
  }
  return channel_ != 0;
}

bool TRdrDll32::CloseChannel() {
  auto fn = As<FnCh>(Entry(eCloseChannel));
  if (Waiting([&] { return fn(channel_); }) != 0) return false;
  channel_ = 0;
  return true;
}

bool TRdrDll32::OpenDirectChannel(int baud) {
  auto fn = As<FnChInt>(Entry(eOpenDirectChannel));
  return Waiting([&] { return fn(channel_, baud); }) == 0;
}

bool TRdrDll32::OpenModemChannel(int baud, const std::string& phone, int mode) {
  char number[100] = {};
  std::strncpy(number, phone.c_str(), sizeof number - 1);
  auto fn = As<FnModem>(Entry(eOpenModemChannel));
  return Waiting([&] { return fn(channel_, baud, number, mode); }) == 0;
}

bool TRdrDll32::SetModemInitString(const std::string& text) {
  auto fn = As<FnChText>(Entry(eSetModemInitString));
  return Waiting([&] { return fn(channel_, text.c_str()); }) == 0;
}

bool TRdrDll32::SetHandReader(int address, std::uint8_t info[kHandReaderInfoSize]) {
  std::memset(info, 0, kHandReaderInfoSize);
  auto fn = As<FnHand>(Entry(eSetHandReader));
  return Retrying(3, [&] { return fn(channel_, static_cast<u8>(address & 0xFF), info); });
}

bool TRdrDll32::GetReaderInfo(std::uint8_t buffer[kReaderInfoSize]) {
  auto fn = As<FnChBuf>(Entry(eGetReaderInfo));
  return Retrying(3, [&] { return fn(channel_, buffer); });
}

bool TRdrDll32::GetDataLogElement(std::uint8_t buffer[kDataLogElementSize]) {
  std::memset(buffer, 0, kDataLogElementSize);
  auto fn = As<FnLog>(Entry(eGetDataLogElement));
  return Waiting([&] {
    if (fn(channel_, buffer, 0) == 0) return true;
    // A repeat asks for the same element again, so a lost answer never skips one.
    return Attempts(10, [&] { return fn(channel_, buffer, 1); });
  });
}

bool TRdrDll32::IDToText(const std::uint8_t id[kIdSize], std::string& text) {
  char buf[kIdTextSize + 1] = {};
  if (As<FnIdToText>(Entry(eIDToText))(id, buf) != 0) {
    text.clear();
    return false;
  }
  buf[kIdTextSize] = '\0';  // a library that fills all 20 bytes must not run us off the end
  text = buf;
  return true;
}

bool TRdrDll32::TextToID(const std::string& text, std::uint8_t id[kIdSize]) {
  if (As<FnTextToId>(Entry(eTextToID))(text.c_str(), id) == 0) return true;
  std::memset(id, 0, kIdSize);
  return false;
}

bool TRdrDll32::GetUserRecord(const std::uint8_t id[kIdSize], std::uint8_t record[kUserRecordSize]) {
  std::memset(record, 0, kUserRecordSize);
  auto fn = As<FnGetUser>(Entry(eGetUserRecord));
  int rc = 0;
  // The library's codes below 32 are its own (line, timeout, channel); from 32 on the reader
  // answered with a status of its own.
  userUnanswered_ = !Retrying(3, [&] { return rc = fn(channel_, id, record); }) && rc < 32;
  if (rc != 0) return false;
  for (std::size_t i = 0; i < kIdSize; ++i)
    if (record[i] != 0) return true;
  return false;
}

bool TRdrDll32::HereIsUserRecord(const std::uint8_t record[kUserRecordSize]) {
  auto fn = As<FnChConstBuf>(Entry(eHereIsUserRecord));
  return Retrying(3, [&] { return fn(channel_, record); });
}

bool TRdrDll32::ClearUserDataBase() {
  auto fn = As<FnCh>(Entry(eClearUserDataBase));
  return Retrying(3, [&] { return fn(channel_); });
}

bool TRdrDll32::GetSetupData(std::uint8_t buffer[kSetupDataSize]) {
  auto fn = As<FnChBuf>(Entry(eGetSetupData));
  return Waiting([&] {
    return Attempts(3, [&] {
      std::memset(buffer, 0, kSetupDataSize);
      return fn(channel_, buffer);
    });
  });
}

bool TRdrDll32::HereIsSetupData(const std::uint8_t buffer[kSetupDataSize]) {
  auto fn = As<FnChConstBuf>(Entry(eHereIsSetupData));
  auto update = As<FnCh>(Entry(eUpdateNVRam));
  return Waiting([&] {
    if (!Attempts(3, [&] { return fn(channel_, buffer); })) return false;
    return update(channel_) == 0;
  });
}

bool TRdrDll32::SetTimeZoneTable(const std::uint8_t table[kTimeZoneTableSize]) {
  auto fn = As<FnChConstBuf>(Entry(eSetTimeZoneTable));
  return Retrying(3, [&] { return fn(channel_, table); });
}

bool TRdrDll32::SetBellSchedule(const std::uint8_t table[kBellTableSize]) {
  auto fn = As<FnChConstBuf>(Entry(eSetBellSchedule));
  return Retrying(3, [&] { return fn(channel_, table); });
}

bool TRdrDll32::HereIsTime(const std::tm& localTime) {
  u8 rec[kTimeRecordSize];
  EncodeTimeRecord(localTime, rec);
  auto fn = As<FnChConstBuf>(Entry(eHereIsTime));
  return Retrying(3, [&] { return fn(channel_, rec); });
}

bool TRdrDll32::HereIsDisplayMessage(std::int32_t kind, std::uint8_t value, const std::string& text,
                                     const std::string& idText) {
  u8 rec[kDisplayMessageSize];
  std::memset(rec, 0xEE, sizeof rec);
  u8 k[4] = {static_cast<u8>(kind), static_cast<u8>(kind >> 8), static_cast<u8>(kind >> 16),
             static_cast<u8>(kind >> 24)};
  std::memcpy(rec, k, 4);
  if (kind == 0) {
    rec[4] = value;
  } else if (!TextToID(idText, rec + 4)) {
    return false;
  }
  for (std::size_t i = 0; i < 32; ++i) rec[9 + i] = i < text.size() ? static_cast<u8>(text[i]) : ' ';
  auto fn = As<FnChConstBuf>(Entry(eHereIsDisplayMessage));
  return Retrying(3, [&] { return fn(channel_, rec); });
}

bool TRdrDll32::HereIsFkeyData(const std::uint8_t data[kFkeyDataSize]) {
  u8 copy[kFkeyDataSize];
  std::memcpy(copy, data, sizeof copy);
  auto fn = As<FnChConstBuf>(Entry(eHereIsFkeyData));
  return Retrying(3, [&] { return fn(channel_, copy); });
}

bool TRdrDll32::HereIsBankNumber(int bank) {
  auto fn = As<FnChInt>(Entry(eHereIsBankNumber));
  return Retrying(3, [&] { return fn(channel_, bank); });
}

bool TRdrDll32::HereIsDataBank(const std::uint8_t bank[kDataBankSize]) {
  auto fn = As<FnChConstBuf>(Entry(eHereIsDataBank));
  return Retrying(3, [&] { return fn(channel_, bank); });
}

bool TRdrDll32::GetDataBank(int bank, std::uint8_t bank_data[kDataBankSize]) {
  auto fn = As<FnChIntBuf>(Entry(eGetDataBank));
  return Retrying(3, [&] { return fn(channel_, bank, bank_data); });
}

bool TRdrDll32::EnterIdleMode() {
  auto fn = As<FnCh>(Entry(eEnterIdleMode));
  return Retrying(3, [&] { return fn(channel_); });
}

bool TRdrDll32::Resume() {
  auto fn = As<FnCh>(Entry(eResume));
  return Retrying(3, [&] { return fn(channel_); });
}

bool TRdrDll32::UserRecordToData(const std::uint8_t record[kUserRecordSize], std::uint8_t* destination) {
  return As<FnConvert>(Entry(eUserRecordToData))(record, destination) == 0;
}

bool TRdrDll32::DataToUserRecord(const std::uint8_t* source, std::uint8_t record[kUserRecordSize]) {
  return As<FnConvert>(Entry(eDataToUserRecord))(source, record) == 0;
}

bool TRdrDll32::ExtUserRecordToData(const std::uint8_t* record, std::uint8_t* destination) {
  return As<FnConvert>(Entry(eExtUserRecordToData))(record, destination) == 0;
}

bool TRdrDll32::DataToExtUserRecord(const std::uint8_t* source, std::uint8_t* record) {
  return As<FnConvert>(Entry(eDataToExtUserRecord))(source, record) == 0;
}

}  // namespace zv
