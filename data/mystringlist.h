// TMyStringList: the base of every data-file list. A list of text lines, each optionally
// carrying one record that the list owns; loaded when created, saved on request, saved
// once more when destroyed with changes pending, created with its header lines when missing.
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace zv {

// Raised where a file cannot be created or read; a list that lets it out is not built.
class EZvFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
// A file that exists but cannot be read ("Cannot read PATH: reason"): unlike a missing file,
// it is not to be taken as empty.
class EZvUnreadableFile : public EZvFileError {
 public:
  using EZvFileError::EZvFileError;
};

// Every record attached to a list line derives from this.
class TRecord {
 public:
  virtual ~TRecord() = default;
};

// Splits file bytes into lines: a line ends at CR, LF or CR LF; a NUL ends the text; a
// UTF-8 byte-order mark at the start is not part of the first line.
std::vector<std::string> SplitTextLines(const std::string& bytes);
// Field N (from 1) of a table line by the splitting rule: WordAt on the line, then trimmed.
std::string TableField(int n, const std::string& line, const std::string& separators);
// The line text that parsing reads: its first 255 characters, trimmed.
std::string ParseText(const std::string& line);
// A comment line: its parse text is empty or begins with ".".
bool IsCommentLine(const std::string& line);

class TMyStringList {
 public:
  // Stores the name. C++ does not dispatch virtual calls from a base constructor or
  // destructor, so every subclass calls Load() at the end of its constructor and
  // SaveIfModified() at the start of its destructor.
  explicit TMyStringList(std::string fileName);
  virtual ~TMyStringList();
  TMyStringList(const TMyStringList&) = delete;
  TMyStringList& operator=(const TMyStringList&) = delete;

  const std::string FileName;
  bool Modified = false;

  // The plain string-list operations. Replacing or deleting lines through them does not
  // touch Modified; AddObject does.
  int Count() const { return static_cast<int>(lines_.size()); }
  const std::string& Strings(int i) const { return lines_.at(i).text; }
  void SetString(int i, const std::string& text);
  TRecord* Objects(int i) const { return lines_.at(i).obj.get(); }
  // Replaces the record of line i (the old one is freed).
  void SetObject(int i, std::unique_ptr<TRecord> obj);
  // Hands the record of line i to the caller; the line keeps its text and carries none.
  std::unique_ptr<TRecord> TakeObject(int i);
  int Add(const std::string& text);
  virtual int AddObject(const std::string& text, std::unique_ptr<TRecord> obj);
  void Insert(int i, const std::string& text, std::unique_ptr<TRecord> obj = nullptr);
  void Delete(int i);
  void Clear();
  int IndexOfObject(const TRecord* obj) const;

  // Counts every change of the lines or their records, so that a subclass can tell when
  // an index it keeps is stale.
  std::uint64_t Generation() const { return generation_; }
  // Tells the list that a record was changed in place (a key field, say).
  void Touch() { ++generation_; }

  // Hooks, in slot order.
  virtual void HandleEFOpenError();
  virtual void ClearObjects();
  virtual std::unique_ptr<TRecord> ObjFromStr(const std::string& text) = 0;
  virtual void ObjsFromStrs();
  virtual std::string StrFromObj(const TRecord& obj) = 0;
  virtual void StrsFromObjs();
  void Load();
  // Writes the file crash-safely under the data-directory lock; false (Modified kept, old
  // file whole) when it cannot, when another program holds the lock, or when the file was
  // read short (below).
  bool Save();
  // Why the last Load stopped before the end of the file ("read only up to a NUL byte in
  // line 10 (byte 312 of 5000)"); empty when it read the whole file. Such a list is never
  // saved over its file: that would cut off what was not read. A refused Save appends the
  // records added since the load to FileName + ".added" instead (see AddedFileName).
  const std::string& ReadShort() const { return readShort_; }
  std::string AddedFileName() const { return FileName + ".added"; }
  // Why the last Save or HandleEFOpenError failed.
  const std::string& LastError() const { return lastError_; }

  // Whether the file was replaced or changed since this list read or wrote it (another
  // program saved it); false when that cannot be told.
  bool ChangedOnDisk() const;

  // The destructor's save: Save when Modified is set.
  void SaveIfModified();

  // The file's content as Save writes it: every line followed by CR LF.
  std::string Text() const;

 protected:
  // Writes the current lines to FileName; raises EZvFileError when it cannot.
  void WriteLinesOrThrow();
  // Whether each record has a line of its own whose text stands for it alone, so that the
  // records added to a list read short can be kept aside line by line.
  virtual bool OneLinePerRecord() const { return true; }

 private:
  struct Line {
    std::string text;
    std::unique_ptr<TRecord> obj;
  };
  // Appends the records added since the load to the side file; false when it cannot.
  bool KeepAddedAside(int* kept);
  void Forget(const TRecord* obj);

  std::vector<Line> lines_;
  std::uint64_t generation_ = 0;
  std::string lastError_;
  std::array<std::uint64_t, 4> stamp_{};  // of the file when last read or written

  void TakeStamp();
  std::string readShort_;
  // Only for a list read short: the records the file gave, and the text last kept aside for
  // each added record (so repeated saves do not repeat it).
  std::unordered_set<const TRecord*> loaded_;
  std::unordered_map<const TRecord*, std::string> keptAside_;
};

// Creates the file empty when it does not exist; false when it cannot be created.
bool CreateFileIfMissing(const std::string& fileName);

// The append-only file stream of the reader operations' logs and data files.
class TMyFileStream {
 public:
  // Opens for reading and writing, creating the file empty when missing; raises
  // EZvFileError "Unable to create file " + name when it cannot be created, and an
  // EZvFileError of its own when an existing file cannot be opened.
  explicit TMyFileStream(const std::string& fileName);
  ~TMyFileStream();
  TMyFileStream(const TMyFileStream&) = delete;
  TMyFileStream& operator=(const TMyFileStream&) = delete;

  // Appends text + CR LF after the last byte, wherever the position was; true when all
  // bytes were written. A line that cannot be written whole (a full disk) is taken back, so
  // that no part of it stays to run into the next line.
  bool WriteLine(const std::string& text);
  // Makes every byte written so far durable (fdatasync), and, the first time after this
  // stream created its file, the file's directory entry as well: after a power cut the
  // file is there with all of it. False when the system reports a failure.
  bool Sync();
  // Ends a last line that lacks its CR LF (cut short by a power cut), so that the next line
  // starts on one of its own. False when the line end could not be written.
  bool EndLastLine();
  // Record data: read at the stream position, written at the end (the file is opened for
  // appending, so that no program can write over another's lines).
  long long Read(void* buf, long long count);
  long long Write(const void* buf, long long count);
  long long Seek(long long offset, int whence);  // SEEK_SET, SEEK_CUR, SEEK_END
  long long Position() const;
  long long Size() const;
  bool Flush();
  const std::string& FileName() const { return fileName_; }

 private:
  bool EndLastLineLocked();

  std::string fileName_;
  int fd_ = -1;
  // Lines may come from several threads (the lines of an operation worked at once): each
  // line goes in whole. A sync does not hold it, so lines go on being written meanwhile.
  std::mutex mutex_;
  bool created_ = false;  // until the directory entry of the new file was synced
  bool torn_ = false;     // a part line could be neither taken back nor ended
};

// Syncs the files (TMyFileStream::Sync) at the same time, each on a thread of its own that is
// joined before it returns: the file system then commits them together, which costs about
// one sync instead of one per file. Answers the index of the first file that failed, or -1.
int SyncTogether(TMyFileStream* const files[], int count);

}  // namespace zv
