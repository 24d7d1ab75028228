// TUserList: the users file user.txt, one enrolled person per line, with its lookup by user
// number (exactly as written, or without leading zeros).
#pragma once
#include <memory>
#include <string>
#include <unordered_map>

#include "data/mystringlist.h"
#include "data/recordindex.h"
#include "data/user.h"

namespace zv {

class TUserList : public TMyStringList {
 public:
  static const char* const kHeader1;
  static const char* const kHeader2;

  // Loads the file, creating it with its header lines when missing.
  explicit TUserList(std::string fileName);
  ~TUserList() override;

  void HandleEFOpenError() override;
  std::unique_ptr<TRecord> ObjFromStr(const std::string& text) override;
  std::string StrFromObj(const TRecord& obj) override;
  void StrsFromObjs() override;

  // The first user in file order whose ID equals the text, or whose ID without leading zeros
  // (NormalizeNumber) equals it; nullptr when none. "7" finds "0007"; "0007" does not find "7".
  TUser* FindUser(const std::string& id);
  // The user FindUser gives for the given ID takes the given fields; else the given user is
  // appended. Answers the list's record. Sets Modified.
  TUser* SaveUser(std::unique_ptr<TUser> user);
  TUser* SaveUser(const TUser& user);
  // Removes (and frees) the line carrying this record; a record the list does not hold is
  // left to its owner. Sets Modified. True when a line was removed.
  bool DeleteUser(const TUser* user);

 private:
  void EnsureIndex();
  void IndexOne(TUser* user);

  TIndexState index_;
  // Search text -> the first user in file order that either test accepts for it. Filling it
  // in file order with "first one wins" gives exactly that user for every text.
  std::unordered_map<std::string, TUser*> byId_;
};

}  // namespace zv
