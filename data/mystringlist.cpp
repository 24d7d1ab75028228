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

TMyStringList::TMyStringList(std::string fileName) : FileName(std::move(fileName)) {}

TMyStringList::~TMyStringList() = default;

void TMyStringList::SetString(int i, const std::string& text) {
  lines_.at(i).text = text;
  ++generation_;
}

void TMyStringList::SetObject(int i, std::unique_ptr<TRecord> obj) {
  lines_.at(i).obj = std::move(obj);
  ++generation_;
}

std::unique_ptr<TRecord> TMyStringList::TakeObject(int i) {
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
  lines_.erase(lines_.begin() + i);
  ++generation_;
}

void TMyStringList::Clear() {
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
  // Before the read: a change while reading then shows as a change.
  TakeStamp();
  std::string bytes, error;
  switch (ReadWholeFile(FileName, bytes, &error)) {
    case TReadResult::Ok: {
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
      if (PathExists(FileName)) throw EZvFileError(error);
      HandleEFOpenError();
      TakeStamp();
      break;
    case TReadResult::ReadError:
      throw EZvFileError(error);
  }
  ObjsFromStrs();
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

bool TMyStringList::Save() {
  StrsFromObjs();
  // Not while another program runs an operation on the data set or saves this file.
  TDataLock lock(DirectoryOf(FileName), SaveLockWaitMs());
  if (!lock.Held()) {
    lastError_ = lock.Refusal();
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
  if (fd_ >= 0) ::close(fd_);
}

bool TMyFileStream::WriteLine(const std::string& text) {
  std::string data = text + "\r\n";
  const std::size_t put = WriteFully(fd_, data.data(), data.size());
  if (put == data.size()) return true;
  if (put > 0) {
    // Taken back only while it is still the last thing in the file.
    const off_t after = ::lseek(fd_, 0, SEEK_CUR);
    struct stat st;
    if (after >= static_cast<off_t>(put) && ::fstat(fd_, &st) == 0 && st.st_size == after) {
      int rc = ::ftruncate(fd_, after - static_cast<off_t>(put));  // nothing more to do when even that fails
      (void)rc;
    }
  }
  return false;
}

bool TMyFileStream::Sync() {
  int rc;
  do {
    rc = ::fdatasync(fd_);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) return false;
  if (created_) {
    if (!SyncDirectoryOf(fileName_)) return false;
    created_ = false;
  }
  return true;
}

bool TMyFileStream::EndLastLine() {
  off_t end = ::lseek(fd_, 0, SEEK_END);
  if (end <= 0) return end == 0;
  char last = 0;
  if (::pread(fd_, &last, 1, end - 1) != 1) return false;
  if (last == '\n') return true;
  if (last == '\r') return ::write(fd_, "\n", 1) == 1;
  return ::write(fd_, "\r\n", 2) == 2;
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
