// Support for the lookup indexes that the table lists keep: records that know the list that
// indexes them, so that changing a key field in place makes the list rebuild its index.
#pragma once
#include <string>
#include <vector>

#include "data/mystringlist.h"

namespace zv {

// A record with key fields. While a list indexes it, a change of a key field tells that list
// (TMyStringList::Touch), so that no lookup can answer from a stale index.
class TKeyedRecord : public TRecord {
 public:
  TKeyedRecord() = default;
  // A copy is nobody's record yet: the owner is not copied.
  TKeyedRecord(const TKeyedRecord&) : TRecord() {}
  TKeyedRecord& operator=(const TKeyedRecord&) { return *this; }

  // Set by the list that owns and indexes the record.
  void SetOwner(TMyStringList* owner) { owner_ = owner; }

 protected:
  void KeyChanged() {
    if (owner_) owner_->Touch();
  }
  // Assigns a key field, telling the owner only when the value really changes.
  void SetKey(std::string& field, const std::string& value) {
    if (field == value) return;
    field = value;
    KeyChanged();
  }

 private:
  TMyStringList* owner_ = nullptr;
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
