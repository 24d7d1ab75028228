// TGroupList: the groups file group.txt, one entry (group, site, clock, time zone) per line,
// with its lookups by entry, by clock and by group.
#pragma once
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "data/group.h"
#include "data/mystringlist.h"
#include "data/recordindex.h"

namespace zv {

class TGroupList : public TMyStringList {
 public:
  static const char* const kHeader1;
  static const char* const kHeader2;

  // Loads the file, creating it with its header lines when missing.
  explicit TGroupList(std::string fileName);
  ~TGroupList() override;

  void HandleEFOpenError() override;
  std::unique_ptr<TRecord> ObjFromStr(const std::string& text) override;
  std::string StrFromObj(const TRecord& obj) override;
  void StrsFromObjs() override;

  // Appends every entry of the group in file order.
  void GetGroupEntries(const std::string& group, std::vector<TGroup*>& out);
  // The first entry in file order with exactly this group, site and clock, or nullptr.
  TGroup* FindEntry(const std::string& group, const std::string& site, const std::string& clock);
  // An entry with the same group, site and clock takes the given fields; else the given one
  // is appended. Answers the list's record. Sets Modified.
  TGroup* SaveEntry(std::unique_ptr<TGroup> entry);
  TGroup* SaveEntry(const TGroup& entry);
  // Removes (and frees) the line carrying this entry; an entry the list does not hold is
  // left alone. Sets Modified. True when a line was removed.
  bool DeleteEntry(const TGroup* entry);
  // Removes every entry of the group at the site / every entry of the group. Set Modified.
  void DeleteGroupAtSite(const std::string& group, const std::string& site);
  void DeleteGroup(const std::string& group);
  // The entry's time zone as a number (0 when it is not one), or -1 without such an entry.
  int GetTimeZone(const std::string& group, const std::string& site, const std::string& clock);
  // True when any entry names this clock.
  bool ClockInAnyGroup(const std::string& site, const std::string& clock);

 private:
  void EnsureIndex();
  void IndexOne(TGroup* entry);
  // Removes the lines of these entries (each an entry of this list) in one pass.
  void RemoveEntries(const std::vector<TGroup*>& entries);

  TIndexState index_;
  std::unordered_map<std::string, TGroup*> byEntry_;
  std::unordered_map<std::string, int> clockEntries_;
  std::unordered_map<std::string, std::vector<TGroup*>> byGroup_;
};

}  // namespace zv
