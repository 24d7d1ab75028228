#include "reader/polling.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "data/clock.h"
#include "data/clocklist.h"
#include "data/site.h"
#include "data/userlist.h"
#include "reader/engine.h"
#include "reader/enginehost.h"
#include "reader/entryops.h"
#include "reader/groupcommit.h"
#include "reader/pendingusers.h"
#include "reader/readerinfo.h"
#include "reader/userdb.h"
#include "reader/walks.h"
#include "util/numbers.h"
#include "util/text.h"

namespace zv {

namespace {

std::int32_t Le32(const std::uint8_t* p) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0]) |
                                   static_cast<std::uint32_t>(p[1]) << 8 |
                                   static_cast<std::uint32_t>(p[2]) << 16 |
                                   static_cast<std::uint32_t>(p[3]) << 24);
}

std::string Hex(const std::uint8_t* p, int n) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string s(static_cast<std::size_t>(n) * 2, '0');
  for (int i = 0; i < n; ++i) {
    s[2 * i] = kDigits[p[i] >> 4];
    s[2 * i + 1] = kDigits[p[i] & 15];
  }
  return s;
}

bool AllFF(const std::uint8_t* p, int n) {
  for (int i = 0; i < n; ++i)
    if (p[i] != 255) return false;
  return true;
}

std::string P2(int v) { return PadLeft(std::to_string(v), 2); }
std::string P3(int v) { return PadLeft(std::to_string(v), 3); }
std::string Z2(int v) { return PadLeft(std::to_string(v), 2, '0'); }

// Offsets of the element's time.
enum { kMinute = 2, kHour = 3, kDay = 4, kMonth = 5, kYear = 6, kId = 12, kCode = 20, kData = 24 };

// "00" and the four data bytes, or ten spaces when they are all 255 (no data).
std::string DataField(const TDataLogElement e) {
  return AllFF(e + kData, 4) ? std::string(10, ' ') : "00" + Hex(e + kData, 4);
}

// The five time fields of a type 15 line: hour, minute (zero-filled), month, day, year.
void PutTime(std::string* f, const TDataLogElement e) {
  f[0] = P2(e[kHour]);
  f[1] = Z2(e[kMinute]);
  f[2] = P2(e[kMonth]);
  f[3] = P2(e[kDay]);
  f[4] = P2(e[kYear]);
}

}  // namespace

std::int32_t ElementType(const TDataLogElement e) { return Le32(e + 8); }
std::int32_t ElementCode(const TDataLogElement e) { return Le32(e + kCode); }

std::string TransLine(const TDataLogElement e) { return Hex(e, kDataLogElementSize); }

std::string EventLine(const std::string& site, const std::string& clock, const TDataLogElement e) {
  std::string x = AllFF(e + kCode, 5) ? std::string(10, ' ') : Hex(e + kCode, 5);
  return PadLeft(site, 2) + "," + PadLeft(clock, 2) + "," + P3(ElementType(e)) + "," +
         Hex(e + kId, 5) + "," + x + "," + P2(e[kHour]) + ":" + Z2(e[kMinute]) + "," +
         P2(e[kMonth]) + "/" + P2(e[kDay]) + "/" + P2(e[kYear]);
}

std::string PunchLine(const std::string& site, const std::string& clock, const TDataLogElement e) {
  std::int32_t code = ElementCode(e);
  char k[8] = "  ";
  if (code >= 0 && code <= 0x99) std::snprintf(k, sizeof k, "%.2X", static_cast<unsigned>(code));
  return PadLeft(site, 2) + "," + PadLeft(clock, 2) + "," + k + "," + Hex(e + kId, 5) + "," +
         DataField(e) + "," + P2(e[kHour]) + "," + P2(e[kMinute]) + "," + P2(e[kMonth]) + "," +
         P2(e[kDay]) + "," + P2(e[kYear]) + "," +
         "  ,  ,  ,  ,  ,          ,          ,        ,";
}

bool TType15Group::Add(const std::string& site, const std::string& clock, const TDataLogElement e,
                       std::string& line) {
  std::string* f = fields_ - 1;  // f[1] to f[19], as the fields are numbered in the line
  if (counter_ == 0) {
    for (std::string& s : fields_) s.clear();
    f[1] = PadLeft(site, 2);
    f[2] = PadLeft(clock, 2);
    f[16] = Hex(e + kId, 5);
    PutTime(f + 11, e);
    subType_ = ElementCode(e);
    f[17] = subType_ == 21 ? "00" + Hex(e + kData, 4) : std::string(10, ' ');
    counter_ = 1;
    return false;
  }
  if (counter_ == 1) {
    f[4] = Hex(e + kId, 5);
    PutTime(f + 6, e);
    f[18] = std::string(8, ' ');
    f[19].clear();
    std::int32_t code = ElementCode(e);
    f[3] = code >= 0 && code <= 99 ? P2(code) : "  ";
    if (subType_ == 21) {
      int v = static_cast<std::int16_t>(e[kData] | e[kData + 1] << 8);
      int w = e[kData + 2];
      char buf[32];
      std::snprintf(buf, sizeof buf, code == 8 ? "%.4d:%.2d" : "%.4d.%.2d", v, w);
      (code == 8 ? f[18] : f[19]) = (v >= 0 ? "+" : "") + std::string(buf);
      counter_ = 2;
      return false;
    }
  }
  f[5] = DataField(e);
  line = f[1];
  for (int i = 2; i <= 19; ++i) line += "," + f[i];
  counter_ = 0;
  return true;
}

namespace {

// The users seen but not kept yet, while a poll runs (nullptr otherwise). Its lines are
// written and its file replaced only through ElementCommits(), which keeps the lines that
// several lines write at once apart.
TPendingUsers* gPending = nullptr;

// Where each clock comes in the walk in site order, and which clock stored each user's record
// and added each user in this poll. With lines at once the clocks end in any order; the
// outcome must still be that of the walk in site order: the last clock's record in user.dat,
// the first clock's fields in the users list. Used on the program's thread only.
using TRank = std::pair<std::size_t, std::size_t>;  // site, clock
struct TPollRanks {
  std::unordered_map<const TSite*, std::size_t> sites;
  std::unordered_map<const TClock*, std::size_t> clocks;
  struct TUserRanks {
    TRank stored{}, added{};
    bool wasStored = false, wasAdded = false;
  };
  std::unordered_map<std::string, TUserRanks> users;

  TRank Current() const {
    const TEngineState& e = Engine();
    auto s = sites.find(e.CurrentSite);
    auto c = clocks.find(e.CurrentClock);
    return {s == sites.end() ? 0 : s->second, c == clocks.end() ? 0 : c->second};
  }
};
TPollRanks* gRanks = nullptr;

// The lines of one element, written in order and then made durable together. The reader
// takes the element as delivered when the next one is asked for, so everything here must be
// on disk before that: a kill or a power cut can then cost at most a second copy of the
// element in flight, never the element. Other lines' elements share the syncs.
class TElementWriter {
 public:
  void Write(TMyFileStream* f, const std::string& line) { lines_.push_back({f, line, {}}); }
  // The id's line in users.pending, noted there once written: the pending users file may be
  // replaced by another line between elements, so it is looked up as the element is written.
  // It goes before the element's other lines: a kill between two of them must not leave a
  // punch in Punch.Log whose user is kept nowhere.
  void WritePending(const std::string& site, const std::string& clock, const std::string& id) {
    lines_.insert(lines_.begin(), {nullptr, TPendingUsers::Line(site, clock, id), {site, clock, id}});
  }
  // Writes and syncs every line; false (after the failure line) when a write or a sync failed.
  bool Commit() {
    std::string failed;
    const bool ok = ElementCommits().Commit(
        [this](std::vector<TMyFileStream*>& written, std::string& failed) {
          for (const TLine& l : lines_) {
            const bool pending = !l.pending[2].empty();
            TMyFileStream* f = pending ? gPending->Stream() : l.file;
            if (!f || !f->WriteLine(l.text)) {
              failed = f ? f->FileName() : std::string("a file that is not open");
              return false;
            }
            if (pending) gPending->Noted(l.pending[0], l.pending[1], l.pending[2]);
            if (std::find(written.begin(), written.end(), f) == written.end()) written.push_back(f);
          }
          return true;
        },
        failed);
    if (!ok) LogClockError("Error writing to " + failed);
    return ok;
  }

 private:
  struct TLine {
    TMyFileStream* file;
    std::string text;
    std::string pending[3];  // site, clock and id of a users.pending line
  };
  std::vector<TLine> lines_;
};

// The list of seen ids with a set beside it, so that noting an id costs the same however
// many users the log has.
class TSeenIds {
 public:
  explicit TSeenIds(std::vector<std::string>& list) : list_(list), set_(list.begin(), list.end()) {}
  // Answers the element's id when it is new to the list; "" otherwise.
  std::string Note(const TDataLogElement e) {
    std::string text;
    if (!Engine().Rdr->IDToText(e + kId, text)) return std::string();
    return Add(text) ? text : std::string();
  }
  bool Add(const std::string& text) {
    if (!set_.insert(text).second) return false;
    list_.push_back(text);
    return true;
  }

 private:
  std::vector<std::string>& list_;
  std::unordered_set<std::string> set_;
};


// The per-clock step of the walk: the poll, then the records of the users it saw, then
// user.txt: a kill later in the run must not lose them.
bool PollAndStoreClock() {
  bool ok = PollClock();
  bool stored = true, kept = true;
  std::vector<std::string>* seen = Engine().SeenIds.get();
  // Asked of the reader on the line's own thread; the users list, user.dat and user.txt are
  // shared by every line of the poll, and kept on the program's.
  std::vector<TSeenRecord> records;
  std::vector<std::string> unanswered;
  if (seen && !seen->empty()) records = FetchSeenRecords(unanswered);
  RunWithLists([&] {
    stored = !seen || seen->empty() || StoreSeenRecords(records);
    kept = KeepClockResults();
  });
  if (!stored) ok = false;
  if (!unanswered.empty()) {
    // Their punches are in the logs; the users stay pending for the next poll of this clock.
    LogClockError("Failed to get the user records of " + std::to_string(unanswered.size()) +
                  " seen users: the reader did not answer" +
                  (gPending ? "; they are asked for again at the next poll" : ""));
    ok = false;
  }
  if (kept && stored && gPending) {
    TEngineState& e = Engine();
    bool forgotten = true;
    ElementCommits().Exclusive([&] {
      forgotten = gPending->Forget(e.CurrentSite->Site(), e.CurrentClock->Clock(), unanswered);
    });
    if (!forgotten) LogClockError("Error writing to " + gPending->Path());
  }
  return ok;
}

}  // namespace

bool PollClock() {
  LogClock("Polling.");
  if (!StartClockStep()) return false;
  TEngineState& e = Engine();
  IEngineHost* host = EngineHost();
  if (!e.SeenIds) e.SeenIds = std::make_unique<std::vector<std::string>>();
  const std::string site = e.CurrentSite->Site(), clock = e.CurrentClock->Clock();
  TSeenIds seen(*e.SeenIds);
  // The users a killed poll of this clock saw: the reader has let their punches go.
  if (gPending) {
    std::vector<std::string> ids;
    ElementCommits().Exclusive([&] { ids = gPending->IdsOf(site, clock); });
    for (const std::string& id : ids) seen.Add(id);
  }
  TType15Group group;
  long long count = 0;
  // A reader that never sends the end of its log would keep the run going for ever.
  const long long most = ReaderMemoryRecords(ShownMemoryCode());
  for (;;) {
    TDataLogElement el;
    if (!e.Rdr->GetDataLogElement(el)) {
      LogClockError("Failed to receive all transactions");
      return false;
    }
    TElementWriter out;
    out.Write(e.TransFile.get(), TransLine(el));
    // A new id goes to the pending users with the element, durable before the next request.
    auto note = [&]() {
      std::string id = seen.Note(el);
      if (!id.empty() && gPending) out.WritePending(site, clock, id);
    };
    std::int32_t type = ElementType(el);
    std::string line;
    switch (type) {
      case 0:
        break;
      case 1:
      case 16:
      case 49:
        note();
        out.Write(e.SysLog.get(), EventLine(site, clock, el));
        break;
      case 7:
        line = PunchLine(site, clock, el);
        out.Write(e.PunchLog.get(), line);
        out.Write(e.DailyLog.get(), line);
        note();
        break;
      case 15:
        if (group.Add(site, clock, el, line)) {
          out.Write(e.PunchLog.get(), line);
          out.Write(e.DailyLog.get(), line);
        }
        break;
      default:
        out.Write(e.SysLog.get(), EventLine(site, clock, el));
        break;
    }
    // Not one more element is asked for until this one is safe.
    if (!out.Commit()) return false;
    if (host) host->ProcessMessages();
    if (type != 0) ++count;
    ReportProgress("Poll", count, "transactions");
    if (type == 0) {
      LogClock("Number of transactions received: " + std::to_string(count) + ".");
      return true;
    }
    if (count > most) {
      LogClockError("Failed to receive all transactions: more than the reader's memory holds (" +
                    std::to_string(most) + ")");
      return false;
    }
  }
}

std::vector<TSeenRecord> FetchSeenRecords(std::vector<std::string>& unanswered) {
  TEngineState& e = Engine();
  std::vector<TSeenRecord> records;
  if (!e.SeenIds) return records;
  int unansweredInRow = 0;
  for (const std::string& idText : *e.SeenIds) {
    if (unansweredInRow >= kMaxUnansweredUsers) {
      unanswered.push_back(idText);
      continue;
    }
    TSeenRecord r{idText, {}};
    std::uint8_t id[kIdSize];
    if (!e.Rdr->TextToID(idText, id)) continue;
    if (GetOwnUserRecord(id, r.record.data())) {
      records.push_back(std::move(r));
      unansweredInRow = 0;
    } else if (e.Rdr->UserRecordUnanswered()) {
      unanswered.push_back(idText);
      ++unansweredInRow;
    }
  }
  return records;
}

bool StoreSeenRecords(const std::vector<TSeenRecord>& records) {
  TEngineState& e = Engine();
  IEngineHost* host = EngineHost();
  TUserList* users = host ? host->Users() : nullptr;
  if (!e.SeenIds) return true;
  const TRank rank = gRanks ? gRanks->Current() : TRank{};
  for (const TSeenRecord& seen : records) {
    const std::string& idText = seen.idText;
    const std::uint8_t* record = seen.record.data();
    std::string number = NormalizeNumber(idText);
    TPollRanks::TUserRanks none;
    TPollRanks::TUserRanks& r = gRanks ? gRanks->users[number] : none;
    TUser* known = users ? users->FindUser(number) : nullptr;
    // Added by a clock later in site order (its line was quicker): this one's fields win.
    const bool earlier = known && r.wasAdded && rank < r.added;
    if (users && (!known || earlier)) {
      auto user = std::make_unique<TUser>();
      if (known) *user = *known;
      user->SetID(number);
      user->SetTZ(std::to_string(NewUserRestriction()));
      user->SetAuthority(std::to_string(Le32(record + 16)));
      users->SaveUser(std::move(user));
      r.added = rank;
      r.wasAdded = true;
    }
    // A clock later in site order has stored its record already: that one is kept.
    if (r.wasStored && rank < r.stored) continue;
    r.stored = rank;
    r.wasStored = true;
    if (!e.UserStore || !e.UserStore->Store(idText, record)) {
      // Kept in the list, the id is stored again after the next clock.
      LogClockError("Error writing to user DB, user " + number);
      return false;
    }
  }
  e.SeenIds->clear();
  return true;
}

bool PollSites(const std::vector<TSite*>& sites, const std::string& clock) {
  if (!EngineOpen()) return false;
  TEngineSession session;
  OpenPollFiles();
  if (!OpenUserFiles("create")) return false;
  // A data directory closed to the program (its files made writable one by one) need not
  // stop the poll: the users are then kept after each clock only.
  std::unique_ptr<TPendingUsers> pending;
  try {
    pending = std::make_unique<TPendingUsers>(
        (EngineHost() ? EngineHost()->DataPath() : std::string()) + "users.pending");
  } catch (const EZvFileError& err) {
    LogWindow(std::string(err.what()) + ": the users a poll sees are kept after each clock only.");
  }
  TPollRanks ranks;
  for (std::size_t i = 0; i < sites.size(); ++i) ranks.sites.emplace(sites[i], i);
  if (TClockList* clocks = EngineHost() ? EngineHost()->Clocks() : nullptr)
    for (int i = 0; i < clocks->Count(); ++i)
      ranks.clocks.emplace(static_cast<const TClock*>(clocks->Objects(i)), static_cast<std::size_t>(i));
  struct TInstalled {
    TInstalled(TPendingUsers* p, TPollRanks* r) {
      gPending = p;
      gRanks = r;
    }
    ~TInstalled() {
      gPending = nullptr;
      gRanks = nullptr;
    }
  } installed(pending.get(), &ranks);
  WalkSites(sites, clock, PollAndStoreClock);
  return true;
}

}  // namespace zv
