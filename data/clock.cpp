#include "data/clock.h"

namespace zv {

void TClock::CopyFrom(const TClock& o) {
  if (this == &o) return;
  SetSite(o.site_);
  SetClock(o.clock_);
  menu_ = o.menu_;
  comment_ = o.comment_;
}

}  // namespace zv
