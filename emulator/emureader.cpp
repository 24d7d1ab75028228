#include "emulator/emureader.h"

#include <time.h>

#include <algorithm>
#include <cstring>
#include <iterator>

#include "rdrlib/protocol.h"
#include "rdrlib/usercodec.h"

namespace zv {

namespace {

struct TAnswer {
  uint8_t status = kStatusOk;
  std::vector<uint8_t> data;
};

void PutLe32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

const char kFirmware[] = "RDREMU 1.0";

TAnswer Identity(const TEmuReader& r, std::size_t size) {
  TAnswer a;
  a.data.assign(size, 0);
  a.data[0] = static_cast<uint8_t>(r.model);
  a.data[1] = static_cast<uint8_t>(r.memory);
  a.data[2] = static_cast<uint8_t>(r.address);
  PutLe32(&a.data[4], static_cast<uint32_t>(r.users.size()));
  PutLe32(&a.data[8], static_cast<uint32_t>(r.log.size()));
  std::memcpy(&a.data[12], kFirmware, sizeof kFirmware);
  return a;
}

// A punch made up for every request of an endless log: by the reader's first user (42 when it
// has none), a minute after the one before, so that no two are alike.
TAnswer EndlessLog(TEmuReader& r) {
  TAnswer a;
  a.data.assign(28, 0xFF);
  time_t t = 1767225600 + static_cast<time_t>(r.liesTold++) * 60;  // from 2026-01-01 00:00 UTC
  struct tm u{};
  gmtime_r(&t, &u);
  a.data[2] = static_cast<uint8_t>(u.tm_min);
  a.data[3] = static_cast<uint8_t>(u.tm_hour);
  a.data[4] = static_cast<uint8_t>(u.tm_mday);
  a.data[5] = static_cast<uint8_t>(u.tm_mon + 1);
  a.data[6] = static_cast<uint8_t>(u.tm_year % 100);
  PutLe32(&a.data[8], 7);
  NumberToPackedId(r.users.empty() ? 42 : r.users.begin()->first, &a.data[12]);
  PutLe32(&a.data[20], r.liesTold % 100);
  return a;
}

TAnswer DataLog(TEmuReader& r, uint8_t flag, uint8_t sequence, bool& changed) {
  if (r.lie == "endless-log") return EndlessLog(r);
  if (flag == 0) {
    bool retransmission = r.logDelivered && sequence == r.logSequence;
    if (!retransmission && r.logDelivered && !r.log.empty()) {
      r.log.pop_front();  // confirmed by this new request
      changed = true;
    }
  }
  r.logSequence = sequence;
  TAnswer a;
  if (r.log.empty()) {
    a.data.assign(28, 0);  // type 0: end of the log
    r.logDelivered = false;
  } else {
    a.data.assign(r.log.front().begin(), r.log.front().end());
    r.logDelivered = true;
  }
  return a;
}

bool AddUser(TEmuReader& r, const TExtRecord& ext, bool keepExtension) {
  uint64_t id;
  if (!PackedIdToNumber(ext.data(), id)) return false;
  auto it = r.users.find(id);
  if (it == r.users.end()) {
    if (r.users.size() >= r.Capacity()) return false;
    r.users[id] = ext;
  } else if (keepExtension) {
    std::copy(ext.begin(), ext.begin() + 24, it->second.begin());
  } else {
    it->second = ext;
  }
  return true;
}

TAnswer GetBank(const TEmuReader& r, int bank) {
  TAnswer a;
  a.data.assign(4096, 0xFF);
  std::size_t size = static_cast<std::size_t>(r.RecordSize());
  std::size_t perBank = 4096 / size;
  std::size_t first = static_cast<std::size_t>(bank) * perBank;
  if (first >= r.users.size()) {
    if (r.lie == "endless-banks") a.data.assign(4096, 0);  // empty slots, and no end
    return a;
  }
  auto it = r.users.begin();
  std::advance(it, static_cast<std::ptrdiff_t>(first));
  for (std::size_t k = 0; k < perBank && it != r.users.end(); ++k, ++it) {
    uint8_t* slot = &a.data[k * size];
    bool ok = size == 77 ? PackExtUserRecord(it->second.data(), slot)
                         : PackUserRecord(it->second.data(), slot);
    if (!ok) std::memset(slot, 0, size);  // never an early end of the bank
  }
  return a;
}

uint8_t PutBank(TEmuReader& r, const uint8_t* bank) {
  if (r.bankNumber == 0) r.users.clear();  // a full restore starts again with bank 0
  std::size_t size = static_cast<std::size_t>(r.RecordSize());
  for (std::size_t at = 0; at + size <= 4096; at += size) {
    const uint8_t* slot = bank + at;
    if (slot[0] == 0xFF) break;
    TExtRecord ext{};
    bool ok = size == 77 ? UnpackExtUserRecord(slot, ext.data()) : UnpackUserRecord(slot, ext.data());
    if (!ok) return kStatusBadData;
    uint64_t id = 0;
    PackedIdToNumber(ext.data(), id);
    if (id == 0 && std::all_of(ext.begin(), ext.begin() + 5, [](uint8_t b) { return b == 0; }))
      continue;  // an empty slot
    if (!AddUser(r, ext, false)) return kStatusFull;
  }
  return kStatusOk;
}

uint8_t SetTime(TEmuReader& r, const uint8_t* t) {
  if (t[0] > 59 || t[1] > 59 || t[2] > 23 || t[3] < 1 || t[3] > 31 || t[4] < 1 || t[4] > 12 ||
      t[5] > 99)
    return kStatusBadData;
  struct tm want{};
  want.tm_sec = t[0];
  want.tm_min = t[1];
  want.tm_hour = t[2];
  want.tm_mday = t[3];
  want.tm_mon = t[4] - 1;
  want.tm_year = t[5] >= 70 ? t[5] : t[5] + 100;
  time_t now = time(nullptr);
  struct tm local{};
  localtime_r(&now, &local);
  r.clockOffset = static_cast<long long>(timegm(&want)) - static_cast<long long>(timegm(&local));
  std::memcpy(r.timeSent.data(), t, 6);
  return kStatusOk;
}

TAnswer Dispatch(TEmuReader& r, const TFrame& q, bool& changed) {
  TAnswer a;
  const uint8_t* p = q.payload.data();
  int need = RequestPayloadSize(q.command);
  if (need < 0) {
    a.status = kStatusUnknownCommand;
    return a;
  }
  if (q.payload.size() != static_cast<std::size_t>(need)) {
    a.status = kStatusBadLength;
    return a;
  }
  auto needIdle = [&]() {
    if (!r.idle) a.status = kStatusNotIdle;
    return r.idle;
  };
  switch (q.command) {
    case kCmdSelect:
      r.logDelivered = false;  // only what this session received may be confirmed
      return Identity(r, 96);
    case kCmdReaderInfo: return Identity(r, 104);
    case kCmdDataLog: return DataLog(r, p[0], q.sequence, changed);
    case kCmdGetUser: {
      uint64_t id;
      auto it = PackedIdToNumber(p, id) ? r.users.find(id) : r.users.end();
      if (r.lie == "refuse-users") it = r.users.end();
      if (r.lie == "other-user" && !r.users.empty()) {
        // Any user but the one asked for; the only one, under an id that is not decimal.
        auto other = r.users.begin();
        if (other->first == id && std::next(other) != r.users.end()) ++other;
        a.data.assign(other->second.begin(), other->second.begin() + 24);
        if (other->first == id) std::fill(a.data.begin(), a.data.begin() + 5, 0xAB);
        return a;
      }
      if (it == r.users.end()) {
        a.status = kStatusNotFound;
      } else {
        a.data.assign(it->second.begin(), it->second.begin() + 24);
      }
      return a;
    }
    case kCmdPutUser: case kCmdPutExtUser: {
      TExtRecord ext{};
      std::memcpy(ext.data(), p, q.payload.size());
      uint64_t id;
      if (!PackedIdToNumber(p, id) || id == 0) {
        a.status = kStatusBadData;
      } else if (!AddUser(r, ext, q.command == kCmdPutUser)) {
        a.status = kStatusFull;
      } else {
        changed = true;
      }
      return a;
    }
    case kCmdSetExtUserData: {
      uint64_t id;
      auto it = PackedIdToNumber(p, id) ? r.users.find(id) : r.users.end();
      if (it == r.users.end()) {
        a.status = kStatusNotFound;
      } else {
        std::memcpy(it->second.data() + 24, p + 24, 92 - 24);
        changed = true;
      }
      return a;
    }
    case kCmdClearUsers: r.users.clear(); changed = true; return a;
    case kCmdGetSetup: a.data.assign(r.setup.begin(), r.setup.end()); return a;
    case kCmdPutSetup:
      std::memcpy(r.setup.data(), p, 144);
      r.nvramSaved = false;
      changed = true;
      return a;
    case kCmdUpdateNVRam: r.nvramSaved = true; changed = true; return a;
    case kCmdSetTime: a.status = SetTime(r, p); changed = a.status == kStatusOk; return a;
    case kCmdDisplay: std::memcpy(r.display.data(), p, 44); changed = true; return a;
    case kCmdTimeZones: std::memcpy(r.timeZones.data(), p, 2208); changed = true; return a;
    case kCmdBells: std::memcpy(r.bells.data(), p, 400); changed = true; return a;
    case kCmdFkeys: r.fkeys.assign(p, p + 4096); changed = true; return a;
    case kCmdIdle: r.idle = true; changed = true; return a;
    case kCmdResume: r.idle = false; changed = true; return a;
    case kCmdGetBank:
      if (!needIdle()) return a;
      return GetBank(r, p[0] | (p[1] << 8));
    case kCmdBankNumber:
      if (!needIdle()) return a;
      r.bankNumber = p[0] | (p[1] << 8);
      return a;
    case kCmdPutBank:
      if (!needIdle()) return a;
      a.status = PutBank(r, p);
      changed = true;
      return a;
    case kCmdStatus: a.data.assign(4, 0); return a;
    case kCmdAddMessage:
      if (r.messages.size() >= 100) {
        a.status = kStatusFull;
      } else {
        r.messages.emplace_back();
        std::memcpy(r.messages.back().data(), p, 44);
        changed = true;
      }
      return a;
    case kCmdRemoveMessage: {
      auto before = r.messages.size();
      r.messages.erase(std::remove_if(r.messages.begin(), r.messages.end(),
                                      [&](const std::array<uint8_t, 44>& m) {
                                        return std::memcmp(m.data() + 4, p, 5) == 0;
                                      }),
                       r.messages.end());
      if (before == r.messages.size()) a.status = kStatusNotFound;
      changed = true;
      return a;
    }
    case kCmdClearMessages: r.messages.clear(); changed = true; return a;
    default: a.status = kStatusUnknownCommand; return a;
  }
}

}  // namespace

bool HandleRequest(TEmuSite& site, const TFrame& request, std::vector<uint8_t>& out, bool& changed) {
  if (request.command & kResponseBit) return false;
  auto it = site.readers.find(request.address);
  if (it == site.readers.end() || !it->second.online) return false;
  TAnswer a = Dispatch(it->second, request, changed);
  std::vector<uint8_t> payload;
  payload.reserve(1 + a.data.size());
  payload.push_back(a.status);
  if (a.status == kStatusOk) payload.insert(payload.end(), a.data.begin(), a.data.end());
  AppendFrame(out, request.address, static_cast<uint8_t>(request.command | kResponseBit),
              request.sequence, payload.data(), payload.size());
  return true;
}

void ReaderLocalTime(const TEmuReader& reader, struct tm& out) {
  time_t now = time(nullptr);
  struct tm local{};
  localtime_r(&now, &local);
  time_t shifted = timegm(&local) + static_cast<time_t>(reader.clockOffset);
  gmtime_r(&shifted, &out);
}

}  // namespace zv
