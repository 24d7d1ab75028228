#include "reader/userstore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "data/mystringlist.h"
#include "util/fileio.h"

namespace zv {

namespace {

// Blanks and control characters at both ends, as the table files trim their fields; the
// whole line is looked at, however long.
std::string TrimLine(const std::string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) < 33) ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) < 33) --e;
  return s.substr(b, e - b);
}

}  // namespace

bool IsFreeIndexLine(const std::string& line) { return TrimLine(line) == "0"; }

TUserStore::TUserStore(const std::string& dataFileName) : dataName_(dataFileName) {
  if (!PathExists(dataFileName)) {
    dataFd_ = ::open(dataFileName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (dataFd_ < 0 && errno != EEXIST) throw EZvFileError("Unable to create file " + dataFileName);
    if (dataFd_ >= 0) return;
  }
  dataFd_ = ::open(dataFileName.c_str(), O_RDWR | O_CLOEXEC);
  if (dataFd_ < 0)
    throw EZvFileError("Cannot open file " + dataFileName + ". " + std::strerror(errno));
}

TUserStore::~TUserStore() {
  if (dataFd_ >= 0) ::close(dataFd_);
  if (indexFd_ >= 0) ::close(indexFd_);
}

TUserStore::TIndexLoad TUserStore::LoadIndex(const std::string& indexFileName) {
  indexName_ = indexFileName;
  if (!CreateFileIfMissing(indexFileName)) return TIndexLoad::CannotCreate;
  std::string bytes;
  if (ReadWholeFile(indexFileName, bytes) != TReadResult::Ok) return TIndexLoad::CannotRead;
  lines_.clear();
  offsets_.clear();
  // Lines end at CR LF, CR or LF; a last line without an end counts too. Only a file whose
  // every line ends with CR LF can be changed in place; any other is written whole first.
  ownForm_ = true;
  std::size_t start = 0, i = 0, n = bytes.size();
  while (i < n) {
    char c = bytes[i];
    if (c != '\r' && c != '\n') {
      ++i;
      continue;
    }
    lines_.push_back(bytes.substr(start, i - start));
    offsets_.push_back(start);
    if (c == '\r' && i + 1 < n && bytes[i + 1] == '\n') {
      i += 2;
    } else {
      ownForm_ = false;
      ++i;
    }
    start = i;
  }
  if (start < n) {
    lines_.push_back(bytes.substr(start));
    offsets_.push_back(start);
    ownForm_ = false;
  }
  indexSize_ = n;
  Reindex();
  ReopenIndex();
  return TIndexLoad::Ok;
}

void TUserStore::ReopenIndex() {
  if (indexFd_ >= 0) ::close(indexFd_);
  // A read-only index still serves the reads; its writes then fail and say so.
  indexFd_ = ::open(indexName_.c_str(), O_RDWR | O_CLOEXEC);
}

void TUserStore::Reindex() {
  slotOf_.clear();
  free_.clear();
  slotOf_.reserve(lines_.size());
  for (std::size_t i = 0; i < lines_.size(); ++i) IndexLine(i);
}

void TUserStore::IndexLine(std::size_t slot) {
  std::string id = TrimLine(lines_[slot]);
  if (id == "0") {
    free_.insert(slot);
  } else if (!id.empty()) {
    auto it = slotOf_.find(id);
    // The first line of an id is its slot; a later duplicate of a hand-edited file is not.
    if (it == slotOf_.end() || it->second > slot) slotOf_[id] = slot;
  }
}

void TUserStore::UnindexLine(std::size_t slot) {
  std::string id = TrimLine(lines_[slot]);
  if (id == "0") {
    free_.erase(slot);
    return;
  }
  auto it = slotOf_.find(id);
  if (it == slotOf_.end() || it->second != slot) return;
  slotOf_.erase(it);
  // A duplicate further down (hand-edited) becomes the id's slot.
  for (std::size_t i = slot + 1; i < lines_.size(); ++i) {
    if (TrimLine(lines_[i]) == id) {
      slotOf_[id] = i;
      break;
    }
  }
}

std::string TUserStore::IdAt(std::size_t slot) const {
  if (slot >= lines_.size()) return std::string();
  std::string id = TrimLine(lines_[slot]);
  return id == "0" ? std::string() : id;
}

long long TUserStore::SlotOf(const std::string& idText) const {
  auto it = slotOf_.find(idText);
  return it == slotOf_.end() ? -1 : static_cast<long long>(it->second);
}

bool TUserStore::IsFirstOfId(std::size_t slot) const {
  std::string id = IdAt(slot);
  return !id.empty() && SlotOf(id) == static_cast<long long>(slot);
}

bool TUserStore::ReadSlot(std::size_t slot, std::uint8_t record[kRecordSize]) const {
  std::memset(record, 0, kRecordSize);
  std::uint8_t buf[kRecordSize];
  std::size_t got = 0;
  off_t at = static_cast<off_t>(slot * kRecordSize);
  while (got < kRecordSize) {
    ssize_t r = ::pread(dataFd_, buf + got, kRecordSize - got, at + static_cast<off_t>(got));
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) return false;
    if (r == 0) break;
    got += static_cast<std::size_t>(r);
  }
  // Part of a record is no record: the file ends inside it.
  if (got == kRecordSize) std::memcpy(record, buf, kRecordSize);
  return true;
}

bool TUserStore::Read(const std::string& idText, std::uint8_t record[kRecordSize]) const {
  long long slot = SlotOf(idText);
  if (slot < 0) {
    std::memset(record, 0, kRecordSize);
    return false;
  }
  return ReadSlot(static_cast<std::size_t>(slot), record);
}

bool TUserStore::WriteRecord(std::size_t slot, const std::uint8_t record[kRecordSize]) {
  if (!WriteFullyAt(dataFd_, reinterpret_cast<const char*>(record), kRecordSize,
                  slot * kRecordSize))
    return false;
  return ::fdatasync(dataFd_) == 0;
}

bool TUserStore::Store(const std::string& idText, const std::string& record) {
  if (record.size() < kRecordSize) return false;
  return Store(idText, reinterpret_cast<const std::uint8_t*>(record.data()));
}

bool TUserStore::Store(const std::string& idText, const std::uint8_t record[kRecordSize],
                       bool reuseFree) {
  if (idText.empty() || TrimLine(idText) != idText || IsFreeIndexLine(idText) ||
      idText.find_first_of("\r\n") != std::string::npos)
    return false;
  long long own = SlotOf(idText);
  if (own >= 0) return WriteRecord(static_cast<std::size_t>(own), record);
  std::size_t slot = free_.empty() || !reuseFree ? lines_.size() : *free_.begin();
  // The record first: an index line never names a record that is not on disk.
  if (!WriteRecord(slot, record)) return false;
  return SetLine(slot, idText);
}

bool TUserStore::Free(const std::string& idText) {
  long long slot = SlotOf(idText);
  if (slot < 0) return false;
  return SetLine(static_cast<std::size_t>(slot), "0");
}

bool TUserStore::SetLine(std::size_t slot, const std::string& text) {
  bool ok;
  if (slot == lines_.size()) {
    ok = ownForm_ ? AppendLine(text) : RewriteWith(slot, text);
  } else if (ownForm_ && text.size() <= lines_[slot].size()) {
    ok = OverwriteLine(slot, text);
  } else {
    ok = RewriteWith(slot, text);
  }
  return ok;
}

bool TUserStore::AppendLine(const std::string& text) {
  std::string bytes = text + "\r\n";
  if (!WriteFullyAt(indexFd_, bytes.data(), bytes.size(), indexSize_) || ::fdatasync(indexFd_) != 0) {
    // Leave no half line behind that a later load would read as an id.
    if (indexFd_ >= 0 && ::ftruncate(indexFd_, static_cast<off_t>(indexSize_)) == 0)
      ::fdatasync(indexFd_);
    return false;
  }
  lines_.push_back(text);
  offsets_.push_back(indexSize_);
  indexSize_ += bytes.size();
  IndexLine(lines_.size() - 1);
  return true;
}

bool TUserStore::OverwriteLine(std::size_t slot, const std::string& text) {
  // Same length as the line it replaces, padded with blanks, so nothing else moves.
  std::string padded = text;
  padded.resize(lines_[slot].size(), ' ');
  if (!WriteFullyAt(indexFd_, padded.data(), padded.size(), offsets_[slot]) ||
      ::fdatasync(indexFd_) != 0) {
    // The line may now hold part of the new text on disk; make it whole again, which also
    // tells whether the file can still be trusted in place.
    if (!WriteFullyAt(indexFd_, lines_[slot].data(), lines_[slot].size(), offsets_[slot]))
      ownForm_ = false;
    return false;
  }
  UnindexLine(slot);
  lines_[slot] = padded;
  IndexLine(slot);
  return true;
}

bool TUserStore::RewriteWith(std::size_t slot, const std::string& text) {
  std::vector<std::string> next = lines_;
  if (slot == next.size()) next.push_back(text);
  else next[slot] = text;
  // Free lines get the width of an id, so that the ids that take them later are written in
  // place instead of rewriting the whole file each time.
  std::string content;
  std::size_t total = 0;
  for (std::string& line : next) {
    if (line.size() < kIdWidth && IsFreeIndexLine(line)) line = "0" + std::string(kIdWidth - 1, ' ');
    total += line.size() + 2;
  }
  content.reserve(total);
  std::vector<std::uint64_t> offsets;
  offsets.reserve(next.size());
  for (const std::string& line : next) {
    offsets.push_back(content.size());
    content += line;
    content += "\r\n";
  }
  if (!WriteFileAtomic(indexName_, content)) return false;
  if (slot < lines_.size()) UnindexLine(slot);
  lines_ = std::move(next);
  offsets_ = std::move(offsets);
  indexSize_ = content.size();
  ownForm_ = true;
  if (slot < lines_.size()) IndexLine(slot);
  ReopenIndex();
  return true;
}

}  // namespace zv
