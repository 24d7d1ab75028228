#include "data/site.h"

#include "data/mystringlist.h"
#include "util/text.h"

namespace zv {

namespace {
std::string Exchange(const std::string& s, char from, char to) {
  std::string r = s;
  for (char& c : r)
    if (c == from) c = to;
  return r;
}
}  // namespace

std::string TSite::Dial() const { return Exchange(dial_, '*', ','); }
void TSite::SetDial(const std::string& v) { dial_ = Exchange(v, ',', '*'); }
std::string TSite::Phone() const { return Exchange(phone_, '*', ','); }
void TSite::SetPhone(const std::string& v) { phone_ = Exchange(v, ',', '*'); }

void TSite::CopyFrom(const TSite& o) {
  if (this == &o) return;
  SetSite(o.site_);
  port_ = o.port_;
  baud_ = o.baud_;
  init_ = o.init_;
  dial_ = o.dial_;
  phone_ = o.phone_;
  tza_ = o.tza_;
  ip_ = o.ip_;
  description_ = o.description_;
}

bool TSite::IsValidIp() const {
  for (int n = 1; n <= 4; ++n) {
    long long v = StrToIntDef(TableField(n, ip_, "."), -1);
    if (v < 0 || v > 255) return false;
  }
  return true;
}

int TSite::ConnectionType() const {
  if (IsValidIp()) return 3;
  if (!dial_.empty()) return 1;
  return 0;
}

void TSite::NormalizeIp() {
  if (!IsValidIp() && description_.empty()) {
    description_ = ip_;
    ip_.clear();
  }
}

}  // namespace zv
