// TClockList: the clocks file clock.txt, one reader per line, with its lookups by site and
// by site and clock number.
#pragma once
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "data/clock.h"
#include "data/mystringlist.h"
#include "data/recordindex.h"

namespace zv {

class TClockList : public TMyStringList {
 public:
  static const char* const kHeader1;
  static const char* const kHeader2;

  // Loads the file, creating it with its header lines when missing.
  explicit TClockList(std::string fileName);
  ~TClockList() override;

  void HandleEFOpenError() override;
  std::unique_ptr<TRecord> ObjFromStr(const std::string& text) override;
  std::string StrFromObj(const TRecord& obj) override;
  void StrsFromObjs() override;

  // For every clock of the site in file order: its clock number and the record.
  void GetClockNames(const std::string& site, std::vector<std::pair<std::string, TClock*>>& out);
  // Appends every clock of the site in file order.
  void GetClocks(const std::string& site, std::vector<TClock*>& out);
  std::vector<TClock*> GetClocks(const std::string& site) {
    std::vector<TClock*> out;
    GetClocks(site, out);
    return out;
  }
  // The first clock in file order with exactly this site and clock number, or nullptr.
  TClock* FindClock(const std::string& site, const std::string& clock);
  // A clock with the same site and number takes the given fields; else the given clock is
  // appended. Answers the list's record. Sets Modified.
  TClock* SaveClock(std::unique_ptr<TClock> clock);
  TClock* SaveClock(const TClock& clock);
  // Removes (and frees) the line carrying this record; a record the list does not hold is
  // left to its owner. Sets Modified. True when a line was removed.
  bool DeleteClock(const TClock* clock);
  bool SiteHasClocks(const std::string& site);

 private:
  void EnsureIndex();
  void IndexOne(TClock* clock);

  TIndexState index_;
  std::unordered_map<std::string, TClock*> byClock_;
  std::unordered_map<std::string, std::vector<TClock*>> bySite_;
};

}  // namespace zv
