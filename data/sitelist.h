// TSiteList: the sites file site.txt, one site per line, with its lookup by site number.
#pragma once
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "data/mystringlist.h"
#include "data/recordindex.h"
#include "data/site.h"

namespace zv {

class TSiteList : public TMyStringList {
 public:
  static const char* const kHeader1;
  static const char* const kHeader2;

  // Loads the file, creating it with its header lines when missing.
  explicit TSiteList(std::string fileName);
  ~TSiteList() override;

  void HandleEFOpenError() override;
  std::unique_ptr<TRecord> ObjFromStr(const std::string& text) override;
  std::string StrFromObj(const TRecord& obj) override;
  void StrsFromObjs() override;

  // The first site in file order with exactly this number, or nullptr.
  TSite* FindSite(const std::string& site);
  // A site with the same number takes the given fields; else the given site is appended.
  // Answers the list's record. Sets Modified.
  TSite* SaveSite(std::unique_ptr<TSite> site);
  TSite* SaveSite(const TSite& site);
  // Removes (and frees) the line carrying this record; a record the list does not hold is
  // left to its owner. Sets Modified. True when a line was removed.
  bool DeleteSite(const TSite* site);
  // Appends every site in file order.
  void GetSites(std::vector<TSite*>& out) const;
  std::vector<TSite*> GetSites() const {
    std::vector<TSite*> out;
    GetSites(out);
    return out;
  }

 private:
  void EnsureIndex();
  void IndexOne(TSite* site);

  TIndexState index_;
  std::unordered_map<std::string, TSite*> bySite_;
};

}  // namespace zv
