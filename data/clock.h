// TClock: one reader of clock.txt, identified by its site and its clock number at that site.
#pragma once
#include <string>

#include "data/recordindex.h"

namespace zv {

class TClock : public TKeyedRecord {
 public:
  TClock() = default;
  TClock(const TClock& other) : TKeyedRecord() { CopyFrom(other); }
  TClock& operator=(const TClock& other) {
    CopyFrom(other);
    return *this;
  }

  const std::string& Site() const { return site_; }
  void SetSite(const std::string& v) { SetKey(site_, v); }
  const std::string& Clock() const { return clock_; }
  void SetClock(const std::string& v) { SetKey(clock_, v); }
  const std::string& Menu() const { return menu_; }
  void SetMenu(const std::string& v) { menu_ = v; }
  const std::string& Comment() const { return comment_; }
  void SetComment(const std::string& v) { comment_ = v; }

  void CopyFrom(const TClock& other);

 private:
  std::string site_, clock_, menu_, comment_;
};

}  // namespace zv
