// Polling (P): fetching the readers' data log element by element into Punch.Log, the day's
// log, Sys.Log and trans.dat, each element on disk before the next is asked for; then
// storing the records of the users seen and adding the unknown ones to the users list.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "reader/rdrdll32.h"

namespace zv {

class TSite;

using TDataLogElement = std::uint8_t[kDataLogElementSize];

// Transaction type (offset 8) and code (offset 20) of an element.
std::int32_t ElementType(const TDataLogElement e);
std::int32_t ElementCode(const TDataLogElement e);

// The lines of one element. `site` and `clock` are the texts as the files hold them; the
// functions pad them.
std::string TransLine(const TDataLogElement e);
std::string EventLine(const std::string& site, const std::string& clock, const TDataLogElement e);
std::string PunchLine(const std::string& site, const std::string& clock, const TDataLogElement e);

// Collects the two or three elements of a type 15 group into its one line.
class TType15Group {
 public:
  // Adds the next element of the group; true with the line when the group is complete.
  bool Add(const std::string& site, const std::string& clock, const TDataLogElement e,
           std::string& line);
  void Reset() { counter_ = 0; }
  int Counter() const { return counter_; }

 private:
  int counter_ = 0;
  std::int32_t subType_ = 0;
  std::string fields_[19];
};

// The per-clock step of polling: true when the reader reported the end of its log.
bool PollClock();
// The records of the seen users, in two halves: first those the current reader gives for the
// seen ids (those it has), asked on the line's own thread. The ids it did not answer for go to
// `unanswered`, and after kMaxUnansweredUsers of them in a row the rest too, unasked: a dead
// line must not hold the run for every user, nor lose them.
struct TSeenRecord {
  std::string idText;
  std::array<std::uint8_t, kUserRecordSize> record;
};
std::vector<TSeenRecord> FetchSeenRecords(std::vector<std::string>& unanswered);
// Then stores them where the lists live and adds the unknown users to the users list; clears
// the list of seen ids. False, the list kept, when a record could not be written.
bool StoreSeenRecords(const std::vector<TSeenRecord>& records);
// Entry operation of polling.
bool PollSites(const std::vector<TSite*>& sites, const std::string& clock);

}  // namespace zv
