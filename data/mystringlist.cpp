#include "data/mystringlist.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>
#include <thread>

#include "util/datalock.h"
#include "util/fileio.h"
#include "util/text.h"

namespace zv {

std::vector<std::string> SplitTextLines(const std::string& bytes) {
  std::vector<std::string> lines;
  std::size_t end = bytes.find('\0');
  if (end == std::string::npos) end = bytes.size();
  // Editors on other systems start a file with a UTF-8 byte-order mark; it is no text of ours,
  // and left in place it would turn a header into a record and site "13" into another site.
  // A file passed through two such editors may carry several: all go, or every save would
  // uncover the next one and the file would read differently each time.
  std::size_t i = 0;
  while (i + 3 <= end && bytes.compare(i, 3, "\xEF\xBB\xBF") == 0) i += 3;
  while (i < end) {
    std::size_t start = i;
    while (i < end && bytes[i] != '\r' && bytes[i] != '\n') ++i;
    lines.emplace_back(bytes, start, i - start);
    if (i < end && bytes[i] == '\r') {
      ++i;
      if (i < end && bytes[i] == '\n') ++i;  // CR LF is one line end
    } else if (i < end && bytes[i] == '\n') {
      ++i;
    }
  }
  return lines;
}

std::string ParseText(const std::string& line) {
  return TrimBlanks(line.size() > kMaxText ? line.substr(0, kMaxText) : line);
}

bool IsCommentLine(const std::string& line) {
  std::string t = ParseText(line);
  return t.empty() || t[0] == '.';
}

std::string TableField(int n, const std::string& line, const std::string& separators) {
  return TrimBlanks(WordAt(n, line, separators));
}

namespace {

// Where reading stopped short of the end, as a phrase; empty when nothing readable was left
// behind. NULs, blanks and line ends alone after the NUL lose nothing (a power cut can leave
// a tail of zeros), and saving over them mends the file.
std::string ShortReadOf(const std::string& bytes) {
  const std::size_t nul = bytes.find('\0');
  if (nul == std::string::npos) return {};
  std::size_t i = nul;
  while (i < bytes.size() && static_cast<unsigned char>(bytes[i]) < 33) ++i;
  if (i == bytes.size()) return {};
  long long line = 1;
  for (std::size_t k = 0; k < nul; ++k) {
    if (bytes[k] == '\n' || (bytes[k] == '\r' && (k + 1 >= bytes.size() || bytes[k + 1] != '\n')))
      ++line;
  }
  return "read only up to a NUL byte in line " + std::to_string(line) + " (byte offset " +
         std::to_string(nul) + " of " + std::to_string(bytes.size()) + ")";
}

// The system's reason why an existing file could not be read; `err` is errno of the failure.
std::string UnreadableReason(const std::string& path, int err) {
  struct stat st;
  if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode))
    return "not a regular file";
  return std::strerror(err);
}

}  // namespace

TMyStringList::TMyStringList(std::string fileName) : FileName(std::move(fileName)) {}

TMyStringList::~TMyStringList() = default;

void TMyStringList::SetString(int i, const std::string& text) {
  lines_.at(i).text = text;
  ++generation_;
}

void TMyStringList::Forget(const TRecord* obj) {
  if (loaded_.empty() && keptAside_.empty()) return;
  loaded_.erase(obj);
  keptAside_.erase(obj);
}

void TMyStringList::SetObject(int i, std::unique_ptr<TRecord> obj) {
  Forget(lines_.at(i).obj.get());
  lines_.at(i).obj = std::move(obj);
  ++generation_;
}

std::unique_ptr<TRecord> TMyStringList::TakeObject(int i) {
  Forget(lines_.at(i).obj.get());
  ++generation_;
  return std::move(lines_.at(i).obj);
}

int TMyStringList::Add(const std::string& text) {
  lines_.push_back({text, nullptr});
  ++generation_;
  return Count() - 1;
}

int TMyStringList::AddObject(const std::string& text, std::unique_ptr<TRecord> obj) {
  lines_.push_back({text, std::move(obj)});
  ++generation_;
  Modified = true;
  return Count() - 1;
}

void TMyStringList::Insert(int i, const std::string& text, std::unique_ptr<TRecord> obj) {
  if (i < 0 || i > Count()) throw std::out_of_range("TMyStringList::Insert");
  lines_.insert(lines_.begin() + i, Line{text, std::move(obj)});
  ++generation_;
}

void TMyStringList::Delete(int i) {
  if (i < 0 || i >= Count()) throw std::out_of_range("TMyStringList::Delete");
  Forget(lines_[i].obj.get());
  lines_.erase(lines_.begin() + i);
  ++generation_;
}

void TMyStringList::Clear() {
  loaded_.clear();
  keptAside_.clear();
  lines_.clear();
  ++generation_;
}

int TMyStringList::IndexOfObject(const TRecord* obj) const {
  if (!obj) return -1;
  for (int i = 0; i < Count(); ++i)
    if (lines_[i].obj.get() == obj) return i;
  return -1;
}

void TMyStringList::HandleEFOpenError() { WriteLinesOrThrow(); }

void TMyStringList::ClearObjects() {
  loaded_.clear();
  keptAside_.clear();
  for (auto& l : lines_) l.obj.reset();
  ++generation_;
}

void TMyStringList::ObjsFromStrs() {
  for (int i = 0; i < Count(); ++i) {
    const std::string& text = lines_[i].text;
    if (IsCommentLine(text)) continue;
    lines_[i].obj = ObjFromStr(ParseText(text));
  }
  ++generation_;
}

void TMyStringList::StrsFromObjs() {
  for (auto& l : lines_)
    if (l.obj) l.text = StrFromObj(*l.obj);
  ++generation_;
}

namespace {

// The file's device, inode, size and change time: a save by anyone changes one of them.
std::array<std::uint64_t, 4> StampOf(const std::string& fileName) {
  struct stat st;
  if (::stat(fileName.c_str(), &st) != 0) return {};
  return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
          static_cast<std::uint64_t>(st.st_size),
          static_cast<std::uint64_t>(st.st_ctim.tv_sec) * 1000000000u +
              static_cast<std::uint64_t>(st.st_ctim.tv_nsec)};
}

}  // namespace

void TMyStringList::TakeStamp() { stamp_ = StampOf(FileName); }

bool TMyStringList::ChangedOnDisk() const { return StampOf(FileName) != stamp_; }

void TMyStringList::Load() {
  ClearObjects();
  loaded_.clear();
  keptAside_.clear();
  readShort_.clear();
  // Before the read: a change while reading then shows as a change.
  TakeStamp();
  std::string bytes, error;
  const TReadResult read = ReadWholeFile(FileName, bytes, &error);
  const int err = errno;
  switch (read) {
    case TReadResult::Ok: {
      readShort_ = ShortReadOf(bytes);
      std::vector<std::string> texts = SplitTextLines(bytes);
      bytes.clear();
      bytes.shrink_to_fit();
      lines_.clear();
      lines_.reserve(texts.size());
      for (auto& t : texts) lines_.push_back({std::move(t), nullptr});
      ++generation_;
      break;
    }
    case TReadResult::CannotOpen:
      // Only a missing file is created anew; one that exists but cannot be opened (no
      // permission, a socket) must not be replaced by an empty table.
      if (PathExists(FileName))
        throw EZvUnreadableFile("Cannot read " + FileName + ": " + UnreadableReason(FileName, err));
      HandleEFOpenError();
      TakeStamp();
      break;
    case TReadResult::ReadError:
      throw EZvUnreadableFile("Cannot read " + FileName + ": " + UnreadableReason(FileName, err));
  }
  ObjsFromStrs();
  if (!readShort_.empty())
    for (const auto& l : lines_)
      if (l.obj) loaded_.insert(l.obj.get());
  Modified = false;
}

std::string TMyStringList::Text() const {
  std::size_t total = 0;
  for (const auto& l : lines_) total += l.text.size() + 2;
  std::string out;
  out.reserve(total);
  for (const auto& l : lines_) {
    out += l.text;
    out += "\r\n";
  }
  return out;
}

void TMyStringList::WriteLinesOrThrow() {
  if (!WriteFileAtomic(FileName, Text(), &lastError_)) throw EZvFileError(lastError_);
}

bool TMyStringList::KeepAddedAside(int* kept) {
  std::string out;
  std::vector<std::pair<const TRecord*, const std::string*>> fresh;
  *kept = 0;
  for (const auto& l : lines_) {
    if (!l.obj || loaded_.count(l.obj.get())) continue;
    ++*kept;
    auto it = keptAside_.find(l.obj.get());
    if (it != keptAside_.end() && it->second == l.text) continue;
    out += l.text + "\r\n";
    fresh.emplace_back(l.obj.get(), &l.text);
  }
  if (out.empty()) return true;
  const std::string name = AddedFileName();
  const bool existed = PathExists(name);
  // Appended, never rewritten: what an earlier run kept there stays.
  int fd = ::open(name.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  bool ok = fd >= 0 && WriteFully(fd, out.data(), out.size()) == out.size() && ::fdatasync(fd) == 0;
  const int err = errno;
  if (fd >= 0) ::close(fd);
  if (ok && !existed) ok = SyncDirectoryOf(name);
  if (!ok) {
    lastError_ += "; the records added could not be kept in " + name + ": " + std::strerror(err);
    return false;
  }
  for (const auto& [obj, text] : fresh) keptAside_[obj] = *text;
  return true;
}

bool TMyStringList::Save() {
  StrsFromObjs();
  // Not while another program runs an operation on the data set or saves this file.
  TDataLock lock(DirectoryOf(FileName), SaveLockWaitMs());
  if (!lock.Held()) {
    lastError_ = lock.Refusal();
    return false;
  }
  if (!readShort_.empty()) {
    // Writing what was read would cut off every line after the point where reading stopped.
    lastError_ = readShort_ + ", not saved over so as not to cut off the rest";
    int kept = 0;
    if (OneLinePerRecord() && KeepAddedAside(&kept) && kept > 0)
      lastError_ += "; " + std::to_string(kept) + (kept == 1 ? " record" : " records") +
                    " added since are kept in " + AddedFileName();
    return false;
  }
  if (!WriteFileAtomic(FileName, Text(), &lastError_)) return false;
  Modified = false;
  TakeStamp();
  return true;
}

void TMyStringList::SaveIfModified() {
  // A list is freed at close or on a reload: its changes must not vanish without a word.
  if (Modified && !Save())
    std::fprintf(stderr, "zorvan32: unable to save %s: %s\n", FileName.c_str(), lastError_.c_str());
}

bool CreateFileIfMissing(const std::string& fileName) {
  if (PathExists(fileName)) return true;
  int fd = ::open(fileName.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

TMyFileStream::TMyFileStream(const std::string& fileName) : fileName_(fileName) {
  if (!PathExists(fileName)) {
    int fd = ::open(fileName.c_str(), O_RDWR | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) throw EZvFileError("Unable to create file " + fileName);
    if (fd >= 0) {
      fd_ = fd;
      created_ = true;
      return;
    }
  }
  // Appending: a second program writing the same log, even one that takes no lock, can never
  // write over a line of ours, nor we over one of its.
  fd_ = ::open(fileName.c_str(), O_RDWR | O_APPEND | O_CLOEXEC);
  if (fd_ < 0) throw EZvFileError("Cannot open file " + fileName + ". " + std::strerror(errno));
}

TMyFileStream::~TMyFileStream() {
  if (fd_ < 0) return;
  // A part line that could not be ended after its failure gets a last try: the file should
  // end in whole lines for whoever reads or appends to it next.
  if (torn_) EndLastLineLocked();
  ::close(fd_);
}

bool TMyFileStream::WriteLine(const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  // A part line left by an earlier failure is ended first, so that this line is not
  // joined to it.
  if (torn_) {
    if (!EndLastLineLocked()) return false;
    torn_ = false;
  }
  std::string data = text + "\r\n";
  const std::size_t put = WriteFully(fd_, data.data(), data.size());
  if (put == data.size()) return true;
  if (put > 0) {
    // Taken back only while it is still the last thing in the file.
    const off_t after = ::lseek(fd_, 0, SEEK_CUR);
    struct stat st;
    bool takenBack = after >= static_cast<off_t>(put) && ::fstat(fd_, &st) == 0 &&
                     st.st_size == after && ::ftruncate(fd_, after - static_cast<off_t>(put)) == 0;
    // Otherwise the part line is at least ended, now or before the next line.
    if (!takenBack) torn_ = !EndLastLineLocked();
  }
  return false;
}

bool TMyFileStream::Sync() {
  int rc;
  do {
    rc = ::fdatasync(fd_);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) return false;
  bool created;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    created = created_;
  }
  if (created) {
    if (!SyncDirectoryOf(fileName_)) return false;
    std::lock_guard<std::mutex> lock(mutex_);
    created_ = false;
  }
  return true;
}

bool TMyFileStream::EndLastLine() {
  std::lock_guard<std::mutex> lock(mutex_);
  return EndLastLineLocked();
}

bool TMyFileStream::EndLastLineLocked() {
  off_t end = ::lseek(fd_, 0, SEEK_END);
  if (end <= 0) return end == 0;
  char last = 0;
  if (::pread(fd_, &last, 1, end - 1) != 1) return false;
  if (last == '\n') return true;
  // A short write is carried on, as for a line: "\r" alone would still be a half line.
  if (last == '\r') return WriteFully(fd_, "\n", 1) == 1;
  return WriteFully(fd_, "\r\n", 2) == 2;
}

long long TMyFileStream::Read(void* buf, long long count) {
  char* p = static_cast<char*>(buf);
  long long got = 0;
  while (got < count) {
    ssize_t n = ::read(fd_, p + got, static_cast<std::size_t>(count - got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += n;
  }
  return got;
}

long long TMyFileStream::Write(const void* buf, long long count) {
  if (count <= 0) return 0;
  return static_cast<long long>(WriteFully(fd_, buf, static_cast<std::size_t>(count)));
}

long long TMyFileStream::Seek(long long offset, int whence) { return ::lseek(fd_, offset, whence); }

long long TMyFileStream::Position() const { return ::lseek(fd_, 0, SEEK_CUR); }

long long TMyFileStream::Size() const {
  struct stat st;
  return ::fstat(fd_, &st) == 0 ? st.st_size : -1;
}

bool TMyFileStream::Flush() { return ::fsync(fd_) == 0; }

int SyncTogether(TMyFileStream* const files[], int count) {
  std::vector<char> ok(static_cast<std::size_t>(count > 0 ? count : 0), 0);
  std::vector<std::thread> helpers;
  int started = 1;
  try {
    for (; started < count; ++started)
      helpers.emplace_back([&ok, files, started] { ok[started] = files[started]->Sync(); });
  } catch (const std::system_error&) {
    // No thread to be had: the rest are synced here, one after the other.
  }
  if (count > 0) ok[0] = files[0]->Sync();
  for (std::thread& t : helpers) t.join();
  for (int i = started; i < count; ++i) ok[i] = files[i]->Sync();
  for (int i = 0; i < count; ++i)
    if (!ok[i]) return i;
  return -1;
}

}  // namespace zv
