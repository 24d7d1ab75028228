// Support for the lookup indexes that the table lists keep: records that count changes of
// their key fields, so that changing a key in place makes the list rebuild its index.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "data/mystringlist.h"

namespace zv {

// The count of key changes of the records that one list indexes. Shared with the records, so
// that a record that leaves its list or outlives it still counts into live memory.
using TKeyStamp = std::shared_ptr<std::uint64_t>;

// A record with key fields. While a list indexes it, a change of a key field is counted on
// that list's stamp, so that no lookup can answer from a stale index.
class TKeyedRecord : public TRecord {
 public:
  TKeyedRecord() = default;
  // A copy is nobody's record yet: the stamp is not copied.
  TKeyedRecord(const TKeyedRecord&) : TRecord() {}
  TKeyedRecord& operator=(const TKeyedRecord&) { return *this; }

  // Set by the list that indexes the record.
  void SetKeyStamp(const TKeyStamp& stamp) { stamp_ = stamp; }

 protected:
  void KeyChanged() {
    if (stamp_) ++*stamp_;
  }
  // Assigns a key field, telling the owner only when the value really changes.
  void SetKey(std::string& field, const std::string& value) {
    if (field == value) return;
    field = value;
    KeyChanged();
  }

 private:
  TKeyStamp stamp_;
};

// Whether a list's index still describes its lines and records: no line or record was
// added, removed or replaced, and no indexed record's key changed, since it was built.
// It also drives the upkeep that every table list does the same way: rebuilding a stale
// index, extending a current one by an append, and keeping it current across a save.
class TIndexState {
 public:
  bool Current(const TMyStringList& list) const {
    return generation_ == list.Generation() && seenKeyChanges_ == *stamp_;
  }
  void MarkBuilt(const TMyStringList& list) {
    generation_ = list.Generation();
    seenKeyChanges_ = *stamp_;
  }
  const TKeyStamp& Stamp() const { return stamp_; }

  // When stale: `clear` empties the list's index and `add` indexes each record of type R, in
  // file order.
  template <class R, class Clear, class Add>
  void Ensure(const TMyStringList& list, Clear clear, Add add) {
    if (Current(list)) return;
    clear();
    for (int i = 0; i < list.Count(); ++i)
      if (auto* r = static_cast<R*>(list.Objects(i))) Index(r, add);
    MarkBuilt(list);
  }

  // Appends the record with an empty line text and answers it. An append only adds to the
  // end of every file-order answer, so a current index is extended rather than rebuilt
  // (polling appends users one by one).
  template <class R, class Add>
  R* Append(TMyStringList& list, std::unique_ptr<R> record, Add add) {
    const bool current = Current(list);
    R* raw = record.get();
    list.AddObject("", std::move(record));
    if (current) {
      Index(raw, add);
      MarkBuilt(list);
    }
    return raw;
  }

  // The save operation of the table lists: the record that `find` gives for the given one's
  // key takes its fields (and the given one is freed); otherwise the given one is appended.
  // Sets Modified either way and answers the list's record.
  template <class R, class Find, class Add>
  R* Save(TMyStringList& list, std::unique_ptr<R> record, Find find, Add add) {
    if (!record) return nullptr;
    list.Modified = true;
    if (R* found = find(*record)) {
      found->CopyFrom(*record);
      return found;
    }
    return Append(list, std::move(record), add);
  }

  // Runs `regenerate`, which rewrites line texts but leaves every record as it was: a current
  // index stays so.
  template <class F>
  void KeepAcross(const TMyStringList& list, F regenerate) {
    const bool current = Current(list);
    regenerate();
    if (current) MarkBuilt(list);
  }

 private:
  template <class R, class Add>
  void Index(R* record, Add& add) {
    record->SetKeyStamp(stamp_);
    add(record);
  }

  TKeyStamp stamp_ = std::make_shared<std::uint64_t>(0);
  std::uint64_t generation_ = ~std::uint64_t{0};
  std::uint64_t seenKeyChanges_ = 0;
};

// The delete operation of the table lists: removes (and frees) the line carrying the record
// and sets Modified, also when the list does not hold it (that record is left to its owner).
// True when a line was removed.
bool DeleteRecordLine(TMyStringList& list, const TRecord* record);

// An unambiguous map key for several texts (any bytes, commas included).
inline std::string CompositeKey(const std::string& a, const std::string& b) {
  std::string k = std::to_string(a.size());
  k += ':';
  k += a;
  k += b;
  return k;
}
inline std::string CompositeKey(const std::string& a, const std::string& b, const std::string& c) {
  return CompositeKey(a, CompositeKey(b, c));
}

// The first `count` fields of a table line (already cut and trimmed) by the splitting rule,
// with "," as the separator: maximal runs without a comma, each trimmed, missing ones empty,
// an empty field between two commas vanishing. One exception: a line that begins with a
// comma has an empty first field. The writer produces such lines for a record whose first
// field is empty (its padding is trimmed away on reading); skipping that comma would move
// every later field one place to the left on each save and reload.
std::vector<std::string> RecordFields(const std::string& text, int count);

// Replaces the bytes that would break a line of a table file (a CR or LF would split it, a NUL
// would end the file's text on the next load) by spaces.
std::string LineSafe(const std::string& field);

}  // namespace zv
