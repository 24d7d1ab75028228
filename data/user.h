// TUser: one enrolled person of user.txt: user number, access restriction, reject threshold
// override, authority level and comment.
#pragma once
#include <string>

#include "data/recordindex.h"

namespace zv {

class TUser : public TKeyedRecord {
 public:
  TUser() = default;
  TUser(const TUser& other) : TKeyedRecord() { CopyFrom(other); }
  TUser& operator=(const TUser& other) {
    CopyFrom(other);
    return *this;
  }

  const std::string& ID() const { return id_; }
  void SetID(const std::string& v) { SetKey(id_, v); }
  const std::string& TZ() const { return tz_; }
  void SetTZ(const std::string& v) { tz_ = v; }
  const std::string& RejectOvr() const { return rejectOvr_; }
  void SetRejectOvr(const std::string& v) { rejectOvr_ = v; }
  const std::string& Authority() const { return authority_; }
  void SetAuthority(const std::string& v) { authority_ = v; }
  const std::string& Comment() const { return comment_; }
  void SetComment(const std::string& v) { comment_ = v; }

  // The ID zero-filled on the left to 10 characters (never cut).
  std::string PaddedId() const;
  // Copies all six fields, Reserved included.
  void CopyFrom(const TUser& other);

 private:
  friend class TUserList;  // the only reader and writer of Reserved
  std::string id_, tz_, rejectOvr_, reserved_, authority_, comment_;
};

}  // namespace zv
