#include "data/recordindex.h"

#include "util/text.h"

namespace zv {

std::vector<std::string> RecordFields(const std::string& s, int count) {
  std::vector<std::string> fields;
  if (count <= 0) return fields;
  fields.reserve(static_cast<std::size_t>(count));
  // Indexes into the text rather than copies: every line of a large file passes here.
  const std::size_t end = s.size() > kMaxText ? kMaxText : s.size();
  auto blank = [&s](std::size_t k) { return static_cast<unsigned char>(s[k]) < 33; };
  std::size_t i = 0;
  if (end > 0 && s[0] == ',') {
    fields.emplace_back();
    i = 1;
  }
  while (static_cast<int>(fields.size()) < count) {
    while (i < end && s[i] == ',') ++i;
    if (i >= end) break;
    std::size_t b = i;
    while (i < end && s[i] != ',') ++i;
    std::size_t e = i;
    while (b < e && blank(b)) ++b;
    while (e > b && blank(e - 1)) --e;
    fields.emplace_back(s, b, e - b);
  }
  fields.resize(static_cast<std::size_t>(count));
  return fields;
}

bool DeleteRecordLine(TMyStringList& list, const TRecord* record) {
  list.Modified = true;
  const int i = list.IndexOfObject(record);
  if (i < 0) return false;
  list.Delete(i);
  return true;
}

std::string LineSafe(const std::string& field) {
  std::string r = field;
  for (char& c : r)
    if (c == '\r' || c == '\n' || c == '\0') c = ' ';
  return r;
}

}  // namespace zv
