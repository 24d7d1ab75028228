#include "data/user.h"

#include "util/text.h"

namespace zv {

std::string TUser::PaddedId() const { return PadLeft(id_, 10, '0'); }

void TUser::CopyFrom(const TUser& o) {
  if (this == &o) return;
  SetID(o.id_);
  tz_ = o.tz_;
  rejectOvr_ = o.rejectOvr_;
  reserved_ = o.reserved_;
  authority_ = o.authority_;
  comment_ = o.comment_;
}

}  // namespace zv
