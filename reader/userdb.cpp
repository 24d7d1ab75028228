#include "reader/userdb.h"

#include <cstdlib>
#include <cstring>

#include "data/clock.h"
#include "data/grouplist.h"
#include "data/site.h"
#include "data/userlist.h"
#include "reader/engine.h"
#include "reader/enginehost.h"
#include "reader/readerinfo.h"
#include "reader/walks.h"
#include "util/numbers.h"
#include "util/text.h"

namespace zv {

namespace {

// Packed bank records: 16 bytes, or 77 for the extended records of model code 2.
constexpr int kExtModel = 2;
constexpr std::size_t kBankRecordSize = 16;
constexpr std::size_t kExtBankRecordSize = 77;
constexpr std::size_t kCommentAt = 42;
constexpr std::size_t kCommentMax = 16;
constexpr std::uint8_t kBankFree = 255;

// Pauses around sending a bank; tests shorten them.
int PauseMs(const char* var, int dflt) {
  const char* v = std::getenv(var);
  return v ? static_cast<int>(StrToIntDef(v, dflt)) : dflt;
}

void Sleep(int ms) {
  if (IEngineHost* host = EngineHost()) host->SleepMs(ms);
}

// Also counted for the summary of a command-line run.
void Progress(const char* operation, long long count, const char* unit) {
  ReportProgress(operation, count, unit);
}

TUserList* Users() { return EngineHost() ? EngineHost()->Users() : nullptr; }
TUserStore& Store() { return *Engine().UserStore; }
TRdrDll32& Rdr() { return *Engine().Rdr; }

// A field of user.txt as a number: 0 (or the default) when it is not one or does not fit.
long long FieldNumber(const std::string& text, long long dflt, long long low, long long high) {
  long long v;
  if (!ParseInt(TrimBlanks(text), v) || v < low || v > high) return dflt;
  return v;
}

std::uint32_t Le32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

bool IdIsEmpty(const std::uint8_t* record) {
  for (std::size_t i = 0; i < kIdSize; ++i)
    if (record[i] != 0) return false;
  return true;
}

int ReaderModel() {
  std::uint8_t info[kReaderInfoSize] = {};
  return Rdr().GetReaderInfo(info) ? info[0] : 0;
}

// Idle mode from a successful EnterIdleMode to the end of the step, however it ends.
class TIdleMode {
 public:
  explicit TIdleMode(const char* enteredText) : entered_(Rdr().EnterIdleMode()) {
    if (entered_) LogClock(enteredText);
  }
  ~TIdleMode() { End(); }
  TIdleMode(const TIdleMode&) = delete;
  TIdleMode& operator=(const TIdleMode&) = delete;
  bool Entered() const { return entered_; }
  void End() {
    if (!entered_) return;
    entered_ = false;
    // A reader left idle takes no punches: a failed resume must not pass for one.
    if (Rdr().Resume()) LogClock("Reader opertation resumed.");
    else LogClockError("Failed to resume reader operation.");
  }

 private:
  bool entered_;
};

// The comment of an extended record: bytes 42 to 57 up to the first zero. Control bytes
// become blanks, so that the users file keeps one user a line.
std::string ExtComment(const std::uint8_t* ext) {
  std::string s;
  for (std::size_t i = 0; i < kCommentMax && ext[kCommentAt + i] != 0; ++i) {
    unsigned char c = ext[kCommentAt + i];
    s += c < 32 || c == 127 ? ' ' : static_cast<char>(c);
  }
  return s;
}

// ---- G ----

bool GetUsersWork() {
  TUserList* users = Users();
  long long done = 0, asked = 0;
  int unansweredInRow = 0;
  for (int i = 0; users && i < users->Count(); ++i) {
    auto* user = dynamic_cast<TUser*>(users->Objects(i));
    if (!user) continue;
    std::uint8_t id[kIdSize];
    std::uint8_t record[kUserRecordSize];
    Rdr().TextToID(user->ID(), id);  // a failed conversion leaves an all-zero id
    std::string key = user->PaddedId();
    ++asked;
    if (!GetOwnUserRecord(id, record)) {
      LogClock(key + " no template received!");
      // A dead line would otherwise pass every later user through the same timeouts and
      // end as if the reader simply lacked them.
      if (Rdr().UserRecordUnanswered() && ++unansweredInRow >= kMaxUnansweredUsers) return false;
      continue;
    }
    unansweredInRow = 0;
    // A new id gets a new line at the end; free lines are left to the placing rule of F.
    if (!Store().Store(key, record, false)) {
      LogClockError("Error writing to user DB, user " + user->ID());
      return false;
    }
    LogClock(key + " received template.");
    Progress("Get", ++done, "users");
  }
  // Not one of the users it was asked for: a reader that refuses them all got nothing.
  return done > 0 || asked == 0;
}

// ---- F ----

enum class TBankResult { More, End, Failed };

TBankResult ReadBankRecords(int bank, const std::uint8_t* data, std::size_t size, bool ext,
                            long long& found) {
  TUserList* users = Users();
  for (std::size_t at = 0; at + size <= kDataBankSize && data[at] != kBankFree; at += size) {
    std::uint8_t record[kUserRecordSize] = {};
    std::uint8_t extRecord[kExtUserRecordSize] = {};
    bool ok = ext ? Rdr().DataToExtUserRecord(data + at, extRecord)
                  : Rdr().DataToUserRecord(data + at, record);
    if (!ok) {
      LogClockError("Error parsing databank " + std::to_string(bank));
      return TBankResult::Failed;
    }
    if (ext) std::memcpy(record, extRecord, kUserRecordSize);
    std::string idText;
    if (IdIsEmpty(record) || !Rdr().IDToText(record, idText)) continue;
    ++found;
    std::string id = NormalizeNumber(idText);
    TUser* user = users ? users->FindUser(id) : nullptr;
    TUser fresh;
    if (!user) {
      fresh.SetID(id);
      fresh.SetTZ(std::to_string(record[22]));
      fresh.SetAuthority(std::to_string(static_cast<std::int32_t>(Le32(record + 16))));
      fresh.SetRejectOvr(std::to_string(record[20] | (record[21] << 8)));
      fresh.SetComment(ext ? ExtComment(extRecord) : std::string());
      user = users ? users->SaveUser(fresh) : &fresh;
      LogClock(user->PaddedId() + " added.");
    }
    if (!Store().Store(idText, record)) {
      LogClockError("Error writing to user DB, user " + user->ID());
      return TBankResult::Failed;
    }
    LogClock(user->PaddedId() + " handtemplate updated.");
    Progress("Get", found, "users");
  }
  return data[0] == kBankFree ? TBankResult::End : TBankResult::More;
}

// Reads banks 0, 1, ... until one starts with 255. A bank that cannot be read is skipped
// with a line; after kMaxFailedBankReads of them in a row the reader is taken to be gone.
// Banks beyond those that the reader's whole memory fills (and the one that ends them) are
// never asked for: a reader whose banks never end would otherwise keep F going for hours.
bool ReadAllBanks(std::size_t size, bool ext, long long& found) {
  std::uint8_t data[kDataBankSize];
  int failedInRow = 0;
  const long long perBank = static_cast<long long>(kDataBankSize / size);
  const long long records = ReaderMemoryRecords(ShownMemoryCode());
  const long long most = (records + perBank - 1) / perBank + 1;
  for (int bank = 0; bank <= 0xFFFF; ++bank) {
    if (bank >= most) {
      LogClockError("More banks than the reader's memory holds (" + std::to_string(most) +
                    "); reading stopped.");
      return false;
    }
    std::memset(data, kBankFree, sizeof data);
    if (!Rdr().GetDataBank(bank, data)) {
      LogClockError("Failed to read bank number " + std::to_string(bank) + ".");
      if (++failedInRow >= kMaxFailedBankReads) return false;
      continue;
    }
    failedInRow = 0;
    TBankResult r = ReadBankRecords(bank, data, size, ext, found);
    if (r == TBankResult::Failed) return false;
    if (r == TBankResult::End) return true;
  }
  return true;
}

// ---- R and D ----

// The record of index line `slot`, ready to send: false when the line is skipped (free,
// blank, a later duplicate, no such user, no time zone for this clock, no record stored).
bool PrepareRecord(std::size_t slot, TUser*& user, std::uint8_t record[kUserRecordSize]) {
  TUserList* users = Users();
  if (!users || !Store().IsFirstOfId(slot)) return false;
  std::string line = Store().IdAt(slot);
  user = users->FindUser(NormalizeNumber(line));
  if (!user) return false;
  long long tz = FieldNumber(user->TZ(), 0, -2147483647LL, 2147483647LL);
  if (tz > 99) {
    TGroupList* groups = EngineHost() ? EngineHost()->Groups() : nullptr;
    TClock* clock = Engine().CurrentClock;
    tz = groups && clock ? groups->GetTimeZone(user->TZ(), clock->Site(), clock->Clock())
                         : -1;
  }
  if (tz < 0 || tz > 255) return false;
  if (!Store().ReadSlot(slot, record)) {
    // A template that cannot be read is not sent as an empty one, and the run says so.
    LogClockError("Failed to read user template " + line);
    return false;
  }
  // Nothing stored there (a cleared record): a reader would take it for an empty one.
  if (IdIsEmpty(record)) return false;
  std::uint32_t reject =
      static_cast<std::uint32_t>(FieldNumber(user->RejectOvr(), 125, 0, 0xFFFF));
  auto authority = static_cast<std::uint32_t>(
      static_cast<std::int32_t>(FieldNumber(user->Authority(), 0, -2147483647LL - 1, 2147483647LL)));
  record[20] = static_cast<std::uint8_t>(reject);
  record[21] = static_cast<std::uint8_t>(reject >> 8);
  record[22] = static_cast<std::uint8_t>(tz);
  for (int i = 0; i < 4; ++i) record[16 + i] = static_cast<std::uint8_t>(authority >> (8 * i));
  LogClock("Adding " + line + ".");
  return true;
}

bool RestoreUsersWork() {
  LogClock("Clearing user database before restore.");
  if (!Rdr().ClearUserDataBase()) {
    LogClockError("Failed to clear user database before restore.");
    return false;
  }
  LogClock("User database cleared.");
  long long sent = 0;
  for (std::size_t i = 0; i < Store().Count(); ++i) {
    TUser* user = nullptr;
    std::uint8_t record[kUserRecordSize];
    if (!PrepareRecord(i, user, record)) continue;
    if (!Rdr().HereIsUserRecord(record)) {
      LogClockError("Failed to download user template " + user->ID());
      return false;
    }
    Progress("Restore", ++sent, "users");
  }
  return true;
}

// Packs the record into the bank slot; a record the library cannot pack is not sent (its
// slot stays free, since a half-written one could end the bank early).
bool PackRecord(const TUser& user, const std::uint8_t record[kUserRecordSize], bool ext,
                std::uint8_t* slot, std::size_t size) {
  bool ok;
  if (ext) {
    std::uint8_t extRecord[kExtUserRecordSize] = {};
    std::memcpy(extRecord, record, kUserRecordSize);
    std::string comment = TrimBlanks(user.Comment()).substr(0, kCommentMax);
    std::memcpy(extRecord + kCommentAt, comment.data(), comment.size());
    ok = Rdr().ExtUserRecordToData(extRecord, slot);
  } else {
    ok = Rdr().UserRecordToData(record, slot);
  }
  if (!ok) {
    std::memset(slot, kBankFree, size);
    LogClockError("Failed to download user template " + user.ID());
  }
  return ok;
}

bool RestoreFullWork(std::size_t size, bool ext) {
  std::uint8_t bank[kDataBankSize];
  std::memset(bank, kBankFree, sizeof bank);
  int number = 0;
  std::size_t inBank = 0;
  auto full = [&]() { return inBank * size + size > kDataBankSize; };
  auto next = [&]() {
    if (!SendBank(number, bank)) return false;
    std::memset(bank, kBankFree, sizeof bank);
    ++number;
    inBank = 0;
    Progress("Restore", number, "banks");
    return true;
  };
  for (std::size_t i = 0; i < Store().Count(); ++i) {
    TUser* user = nullptr;
    std::uint8_t record[kUserRecordSize];
    if (!PrepareRecord(i, user, record)) continue;
    if (full() && !next()) return false;
    if (PackRecord(*user, record, ext, bank + inBank * size, size)) ++inBank;
  }
  if (full() && !next()) return false;
  // The last bank goes too, empty or not: a bank of 255 ends the reader's user memory.
  if (!SendBank(number, bank)) return false;
  Progress("Restore", number + 1, "banks");
  return true;
}

}  // namespace

bool GetOwnUserRecord(const std::uint8_t id[kIdSize], std::uint8_t record[kUserRecordSize]) {
  return Rdr().GetUserRecord(id, record) && !IdIsEmpty(record) &&
         std::memcmp(record, id, kIdSize) == 0;
}

bool SendBank(int bank, const std::uint8_t data[kDataBankSize]) {
  if (!Rdr().HereIsBankNumber(bank)) {
    LogClockError("Failed to set bank number " + std::to_string(bank) + ".");
    return false;
  }
  Sleep(PauseMs("ZV_BANK_SEND_PAUSE_MS", 500));
  if (Rdr().HereIsDataBank(data)) return true;
  LogClockError("Failed to download bank number " + std::to_string(bank) + ".");
  Sleep(PauseMs("ZV_BANK_FAIL_PAUSE_MS", 5000));
  return false;
}

bool GetUsersClock() {
  LogClock("Getting user records for users in USER.TXT.");
  bool ok = StartClockStep();
  if (ok && !GetUsersWork()) {
    LogClockError("Failed to retrieve user templates");
    ok = false;
  }
  if (!ok) LogClockError("Failed to get user records.");
  return ok;
}

bool GetFullClock() {
  LogClock("Getting all user records in reader.");
  if (!StartClockStep()) return false;
  bool ext = ReaderModel() == kExtModel;
  long long found = 0;
  bool ok = true;
  {
    TIdleMode idle("reader in idle mode while getting user templates from reader.");
    // Banks are read only in idle mode: without it nothing was got, which is no success.
    ok = idle.Entered() && ReadAllBanks(ext ? kExtBankRecordSize : kBankRecordSize, ext, found);
  }
  if (ok) {
    LogClock("Users found " + std::to_string(found));
  } else {
    LogClockError("Failed to retrieve user templates");
  }
  // The users it added, in user.txt before the next clock: a kill must not lose them.
  KeepClockResults();
  return ok;
}

bool RestoreUsersClock() {
  if (!StartClockStep()) return false;
  // Without the users file every line would be skipped, and the reader cleared of all.
  if (Users() && RestoreUsersWork()) return true;
  LogClockError("Failed to download user templates");
  return false;
}

bool RestoreFullClock() {
  if (!StartClockStep()) return false;
  bool ext = ReaderModel() == kExtModel;
  bool ok = Users() != nullptr;  // as for R: no users file, no empty banks over the reader's
  if (ok) {
    TIdleMode idle("reader in idle mode while sending user templates to reader.");
    ok = idle.Entered() && RestoreFullWork(ext ? kExtBankRecordSize : kBankRecordSize, ext);
  }
  if (ok) return true;
  LogClockError("Failed to download user templates");
  return false;
}

}  // namespace zv
