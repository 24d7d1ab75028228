#include "data/group.h"

#include "util/text.h"

namespace zv {

void TGroup::CopyFrom(const TGroup& o) {
  if (this == &o) return;
  SetGroup(o.group_);
  SetSite(o.site_);
  SetClock(o.clock_);
  timeZone_ = o.timeZone_;
  comment_ = o.comment_;
}

std::string TGroup::DisplayLine() const {
  std::string tz = timeZone_;
  if (tz.empty() || tz == "0")
    tz = "Always";
  else if (tz == "61")
    tz = "Never";
  return PadRight(site_, 8) + PadRight(clock_, 9) + PadRight(tz, 10) + comment_;
}

}  // namespace zv
