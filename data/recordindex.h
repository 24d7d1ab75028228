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

 private:
  TKeyStamp stamp_ = std::make_shared<std::uint64_t>(0);
  std::uint64_t generation_ = ~std::uint64_t{0};
  std::uint64_t seenKeyChanges_ = 0;
};

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
