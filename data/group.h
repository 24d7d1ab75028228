// TGroup: one entry of group.txt, the time zone that applies to a group's users at one clock.
#pragma once
#include <string>

#include "data/recordindex.h"

namespace zv {

class TGroup : public TKeyedRecord {
 public:
  TGroup() = default;
  TGroup(const TGroup& other) : TKeyedRecord() { CopyFrom(other); }
  TGroup& operator=(const TGroup& other) {
    CopyFrom(other);
    return *this;
  }

  const std::string& Group() const { return group_; }
  void SetGroup(const std::string& v) { SetKey(group_, v); }
  const std::string& Site() const { return site_; }
  void SetSite(const std::string& v) { SetKey(site_, v); }
  const std::string& Clock() const { return clock_; }
  void SetClock(const std::string& v) { SetKey(clock_, v); }
  const std::string& TimeZone() const { return timeZone_; }
  void SetTimeZone(const std::string& v) { timeZone_ = v; }
  const std::string& Comment() const { return comment_; }
  void SetComment(const std::string& v) { comment_ = v; }

  void CopyFrom(const TGroup& other);
  // The entry as the Groups dialog lists it: site, clock and time zone ("Always", "Never" or
  // the number) in columns of 8, 9 and 10, then the comment.
  std::string DisplayLine() const;

 private:
  std::string group_, site_, clock_, timeZone_, comment_;
};

}  // namespace zv
