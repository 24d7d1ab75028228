// TUserStore: the user data file user.dat (24-byte reader user records) with its index
// user.idx (line i names record i, "0" a free slot). Every change is on disk when it returns,
// the record always before the index line that names it, so a kill leaves both consistent.
#pragma once
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

namespace zv {

class TUserStore {
 public:
  static constexpr std::size_t kRecordSize = 24;
  // Width a free line is written with, so that an id of this length takes it in place.
  static constexpr std::size_t kIdWidth = 10;

  enum class TIndexLoad { Ok, CannotCreate, CannotRead };

  // Opens user.dat for reading and writing, creating it empty when missing; raises
  // EZvFileError "Unable to create file " + name (or a text of its own for an existing file
  // that cannot be opened).
  explicit TUserStore(const std::string& dataFileName);
  ~TUserStore();
  TUserStore(const TUserStore&) = delete;
  TUserStore& operator=(const TUserStore&) = delete;

  // Creates user.idx when missing and reads it whole.
  TIndexLoad LoadIndex(const std::string& indexFileName);

  // The index lines as they stand (a line's text is what the file holds, blanks kept).
  const std::vector<std::string>& Lines() const { return lines_; }
  std::size_t Count() const { return lines_.size(); }
  // The id a line names: its text without surrounding blanks; "" for a free or blank line.
  std::string IdAt(std::size_t slot) const;
  // The first line naming the id, or -1.
  long long SlotOf(const std::string& idText) const;
  // True when the slot is the first line of its id (a later duplicate line is never written
  // and is not restored).
  bool IsFirstOfId(std::size_t slot) const;

  // Record of a slot; a record not wholly inside user.dat reads as cleared (all zero). False
  // when user.dat could not be read (an input/output error), the record cleared.
  bool ReadSlot(std::size_t slot, std::uint8_t record[kRecordSize]) const;
  // Record of an id; false (record cleared) when the index does not name it or it could not
  // be read.
  bool Read(const std::string& idText, std::uint8_t record[kRecordSize]) const;

  // Places the record for the id: its own slot, else the first free line, else a new line
  // at the end. False when the record (24 bytes) or the index line could not be written; the
  // index then stays as it was. The id must be a non-empty text without line ends, blanks at
  // either end, or the free mark "0".
  bool Store(const std::string& idText, const std::string& record);
  // The same; without `reuseFree` a new id always gets a new line at the end.
  bool Store(const std::string& idText, const std::uint8_t record[kRecordSize],
             bool reuseFree = true);
  // Frees the first line of the id (it reads "0" afterwards). False when the index does not
  // name the id or the line could not be written.
  bool Free(const std::string& idText);

  const std::string& DataFileName() const { return dataName_; }
  const std::string& IndexFileName() const { return indexName_; }

 private:
  bool WriteRecord(std::size_t slot, const std::uint8_t record[kRecordSize]);
  // Changes line `slot` to `text` (or appends when slot == Count()) on disk and in memory.
  bool SetLine(std::size_t slot, const std::string& text);
  bool AppendLine(const std::string& text);
  bool OverwriteLine(std::size_t slot, const std::string& text);
  // Writes the index whole (temporary file and rename) with `slot` changed to `text`.
  bool RewriteWith(std::size_t slot, const std::string& text);
  void ReopenIndex();
  void Reindex();
  void IndexLine(std::size_t slot);
  void UnindexLine(std::size_t slot);

  std::string dataName_, indexName_;
  int dataFd_ = -1;
  int indexFd_ = -1;
  std::vector<std::string> lines_;
  // Byte offset of each line in user.idx; valid while the file is in the store's own form
  // (every line ended by CR LF). Otherwise the next change writes the file whole first.
  std::vector<std::uint64_t> offsets_;
  std::uint64_t indexSize_ = 0;
  bool ownForm_ = false;
  std::unordered_map<std::string, std::size_t> slotOf_;
  // Free lines; the first is the one a new id takes.
  std::set<std::size_t> free_;
};

// True when a line of user.idx marks a free slot ("0", blanks around it allowed).
bool IsFreeIndexLine(const std::string& line);

}  // namespace zv
