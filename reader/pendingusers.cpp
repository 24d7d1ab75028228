#include "reader/pendingusers.h"

#include <unordered_set>

#include "util/fileio.h"
#include "util/numbers.h"

namespace zv {

namespace {

// Sites and clocks as numbers: "07" in clock.txt is the clock 7 of an earlier line.
bool SameClock(const std::string& s1, const std::string& c1, const std::string& s2,
               const std::string& c2) {
  return NormalizeNumber(s1) == NormalizeNumber(s2) && NormalizeNumber(c1) == NormalizeNumber(c2);
}

}  // namespace

TPendingUsers::TPendingUsers(std::string path) : path_(std::move(path)) {
  stream_ = std::make_unique<TMyFileStream>(path_);
  std::string text;
  ReadWholeFile(path_, text);
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find_first_of("\r\n", at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    at = end + 1;
    // Three fields and the closing comma: a line a kill cut short names no id.
    std::size_t a = line.find(','), b = a == std::string::npos ? a : line.find(',', a + 1);
    if (b == std::string::npos || line.size() < b + 3 || line.back() != ',') continue;
    std::string id = line.substr(b + 1, line.size() - b - 2);
    if (id.find(',') != std::string::npos) continue;
    entries_.push_back({line.substr(0, a), line.substr(a + 1, b - a - 1), id});
  }
  stream_->EndLastLine();
}

std::vector<std::string> TPendingUsers::IdsOf(const std::string& site, const std::string& clock) const {
  std::vector<std::string> ids;
  for (const TEntry& e : entries_)
    if (SameClock(e.site, e.clock, site, clock)) ids.push_back(e.id);
  return ids;
}

std::string TPendingUsers::Line(const std::string& site, const std::string& clock,
                                const std::string& id) {
  return site + "," + clock + "," + id + ",";
}

void TPendingUsers::Noted(const std::string& site, const std::string& clock, const std::string& id) {
  entries_.push_back({site, clock, id});
}

bool TPendingUsers::Forget(const std::string& site, const std::string& clock,
                           const std::vector<std::string>& keep) {
  const std::unordered_set<std::string> keeping(keep.begin(), keep.end());
  std::vector<TEntry> kept;
  std::string text;
  for (const TEntry& e : entries_) {
    if (SameClock(e.site, e.clock, site, clock) && !keeping.count(e.id)) continue;
    kept.push_back(e);
    text += Line(e.site, e.clock, e.id) + "\r\n";
  }
  if (kept.size() == entries_.size()) return true;
  // The file is replaced whole, so the stream must follow it to its new self.
  if (!WriteFileAtomic(path_, text)) return false;
  entries_ = std::move(kept);
  try {
    stream_ = std::make_unique<TMyFileStream>(path_);
  } catch (const EZvFileError&) {
    stream_.reset();  // the next line cannot be written, and that ends the clock's poll
    return false;
  }
  return true;
}

}  // namespace zv
