// A stand-in reader library for the engine's unit tests: exports the 46 entry points,
// records every call, and answers as the test tells it through the fake_* functions.
// Built once whole and once lacking one entry point.
#include <cstdint>
#include <cstring>
#include <deque>
#include <map>
#include <string>

namespace {

struct Reader {
  int model = 2, memory = 1;
  bool online = true;
};

struct State {
  std::string calls;
  std::map<std::string, int> count;
  std::map<std::string, std::int32_t> result;              // lasting answer
  std::map<std::string, std::deque<std::int32_t>> queued;  // next answers
  std::map<int, Reader> readers;
  int selected = -1;
  std::deque<std::string> elements;  // data log, delivered one per successful request
};

State& S() {
  static State s;
  return s;
}

std::int32_t Answer(const std::string& name, std::int32_t dflt, const std::string& args = "") {
  State& s = S();
  s.calls += name + "(" + args + ")\n";
  ++s.count[name];
  auto q = s.queued.find(name);
  if (q != s.queued.end() && !q->second.empty()) {
    std::int32_t v = q->second.front();
    q->second.pop_front();
    return v;
  }
  auto r = s.result.find(name);
  return r != s.result.end() ? r->second : dflt;
}

std::string I(long long v) { return std::to_string(v); }

}  // namespace

#define API extern "C" __attribute__((visibility("default")))
using i32 = std::int32_t;
using u8 = std::uint8_t;

API void fake_reset() { S() = State(); }
API void fake_set_result(const char* name, i32 value) { S().result[name] = value; }
API void fake_push_results(const char* name, i32 value, int n) {
  for (int i = 0; i < n; ++i) S().queued[name].push_back(value);
}
API void fake_set_reader(int address, int model, int memory, int online) {
  S().readers[address] = Reader{model, memory, online != 0};
}
API const char* fake_calls() { return S().calls.c_str(); }
API int fake_count(const char* name) { return S().count[name]; }

API i32 rdrStartupWsock() { return Answer("rdrStartupWsock", 0); }
API i32 rdrCleanupWsock() { return Answer("rdrCleanupWsock", 0); }
API i32 rdrInitWsock(const char* addr, i32 port) {
  return Answer("rdrInitWsock", 11, std::string(addr) + "," + I(port));
}
API i32 rdrCloseWsock(i32 ch) { return Answer("rdrCloseWsock", 0, I(ch)); }
API i32 rdrInstallChannel(i32 port) { return Answer("rdrInstallChannel", 22, I(port)); }
API i32 rdrOpenDirectChannel(i32 ch, i32 baud) {
  return Answer("rdrOpenDirectChannel", 0, I(ch) + "," + I(baud));
}
API i32 rdrOpenModemChannel(i32 ch, i32 baud, const char* phone, i32 mode) {
  return Answer("rdrOpenModemChannel", 0, I(ch) + "," + I(baud) + "," + phone + "," + I(mode));
}
API i32 rdrOpenCustomChannel() { return Answer("rdrOpenCustomChannel", 1); }
API i32 rdrSetHandReader(i32 ch, u8 address, u8* buf) {
  std::int32_t r = Answer("rdrSetHandReader", 0, I(ch) + "," + I(address));
  auto it = S().readers.find(address);
  if (r == 0 && it != S().readers.end() && !it->second.online) r = 5;
  if (r == 0) S().selected = address;
  if (buf) std::memset(buf, 0x5A, 96);
  return r;
}
API i32 rdrCloseChannel(i32 ch) { return Answer("rdrCloseChannel", 0, I(ch)); }
API i32 rdrCOMGetString() { return 1; }
API i32 rdrCOMPutBuffer() { return 1; }
#ifndef FAKE_LACK_ENTRY
API i32 rdrCOMDtr() { return 1; }
#endif
API i32 rdrCOMBaudRate() { return 1; }
API i32 rdrSleep() { return 1; }
API i32 rdrHereIsUserRecord(i32, const u8*) { return Answer("rdrHereIsUserRecord", 0); }
API i32 rdrHereIsSetupData(i32, const u8*) { return Answer("rdrHereIsSetupData", 0); }
API i32 rdrClearUserDataBase(i32) { return Answer("rdrClearUserDataBase", 0); }
API i32 rdrHereIsTime(i32, const u8* t) {
  std::string a;
  for (int i = 0; i < 6; ++i) a += (i ? "," : "") + I(t[i]);
  return Answer("rdrHereIsTime", 0, a);
}
API i32 rdrSendStatusCRC() { return 1; }
API i32 rdrHereIsDisplayMessage(i32, const u8* m) {
  return Answer("rdrHereIsDisplayMessage", 0, std::string(reinterpret_cast<const char*>(m) + 9, 32));
}
API i32 rdrSetTimeZoneTable(i32, const u8*) { return Answer("rdrSetTimeZoneTable", 0); }
API i32 rdrHereIsFkeyData(i32, const u8*) { return Answer("rdrHereIsFkeyData", 0); }
API i32 rdrTextToID(const char* text, u8* id) {
  i32 r = Answer("rdrTextToID", 0, text);
  if (r == 0) std::memset(id, 1, 5);
  else std::memset(id, 0x77, 5);
  return r;
}
API i32 rdrIDToText(const u8*, char* text) {
  i32 r = Answer("rdrIDToText", 0);
  // Fills every byte of the buffer: the binding must not read past it.
  std::memset(text, '9', 20);
  return r;
}
// The record of the id asked for.
API i32 rdrGetUserRecord(i32, const u8* id, u8* rec) {
  i32 r = Answer("rdrGetUserRecord", 0);
  if (r == 0) std::memcpy(rec, id, 5);
  return r;
}
API i32 rdrSetBellSchedule(i32, const u8*) { return Answer("rdrSetBellSchedule", 0); }
API i32 rdrGetSetupData(i32, u8* b) {
  b[0] = 0x33;
  return Answer("rdrGetSetupData", 0);
}
API void fake_push_element(const u8* e) {
  S().elements.emplace_back(reinterpret_cast<const char*>(e), 28);
}
API i32 rdrGetDataLogElement(i32, u8* e, i32 repeat) {
  i32 r = Answer("rdrGetDataLogElement", 0, I(repeat));
  if (r == 0 && !S().elements.empty()) {
    std::memcpy(e, S().elements.front().data(), 28);
    S().elements.pop_front();
  }
  return r;
}
API i32 rdrSetExtUserData() { return 1; }
API i32 rdrHereIsExtUserRecord() { return 1; }
API i32 rdrAddUserMessage() { return 1; }
API i32 rdrRemoveUserMessage() { return 1; }
API i32 rdrClearUserMessages() { return 1; }
API i32 rdrSetModemInitString(i32 ch, const char* t) {
  return Answer("rdrSetModemInitString", 0, I(ch) + "," + t);
}
// Bank 0 holds empty records (all zero), every later bank is left as the caller filled it.
API i32 rdrGetDataBank(i32, i32 bank, u8* data) {
  if (bank == 0 && data) std::memset(data, 0, 4096);
  return Answer("rdrGetDataBank", 0, I(bank));
}
API i32 rdrGetReaderInfo(i32, u8* info) {
  i32 r = Answer("rdrGetReaderInfo", 0);
  auto it = S().readers.find(S().selected);
  Reader rd = it != S().readers.end() ? it->second : Reader();
  if (r == 0) {
    info[0] = static_cast<u8>(rd.model);
    info[1] = static_cast<u8>(rd.memory);
  }
  return r;
}
API i32 rdrUpdateNVRam(i32) { return Answer("rdrUpdateNVRam", 0); }
API i32 rdrEnterIdleMode(i32) { return Answer("rdrEnterIdleMode", 0); }
API i32 rdrResume(i32) { return Answer("rdrResume", 0); }
API i32 rdrHereIsBankNumber(i32, i32 bank) { return Answer("rdrHereIsBankNumber", 0, I(bank)); }
API i32 rdrHereIsDataBank(i32, const u8*) { return Answer("rdrHereIsDataBank", 0); }
API i32 rdrUserRecordToData(const u8*, u8*) { return Answer("rdrUserRecordToData", 0); }
API i32 rdrDataToUserRecord(const u8*, u8*) { return Answer("rdrDataToUserRecord", 0); }
API i32 rdrExtUserRecordToData(const u8*, u8*) { return Answer("rdrExtUserRecordToData", 0); }
API i32 rdrDataToExtUserRecord(const u8*, u8*) { return Answer("rdrDataToExtUserRecord", 0); }
