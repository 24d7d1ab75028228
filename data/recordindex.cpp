#include "data/recordindex.h"

#include "util/text.h"

namespace zv {

std::vector<std::string> RecordFields(const std::string& in, int count) {
  std::vector<std::string> fields;
  if (count <= 0) return fields;
  fields.reserve(static_cast<std::size_t>(count));
  const std::string s = in.size() > kMaxText ? in.substr(0, kMaxText) : in;
  std::size_t i = 0;
  if (!s.empty() && s[0] == ',') {
    fields.emplace_back();
    i = 1;
  }
  while (static_cast<int>(fields.size()) < count) {
    while (i < s.size() && s[i] == ',') ++i;
    if (i >= s.size()) break;
    std::size_t start = i;
    while (i < s.size() && s[i] != ',') ++i;
    fields.push_back(TrimBlanks(s.substr(start, i - start)));
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
