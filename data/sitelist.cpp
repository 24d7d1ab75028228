#include "data/sitelist.h"

#include "data/recordindex.h"
#include "util/text.h"

namespace zv {

const char* const TSiteList::kHeader1 =
    ".site  port  baud  init    dial      phone     tza     ipaddress     description";
const char* const TSiteList::kHeader2 =
    ".----  ----  ----  -----  ------  -----------  ---  ---------------  -----------";

TSiteList::TSiteList(std::string fileName) : TMyStringList(std::move(fileName)) { Load(); }

TSiteList::~TSiteList() { SaveIfModified(); }

void TSiteList::HandleEFOpenError() {
  Add(kHeader1);
  Add(kHeader2);
  TMyStringList::HandleEFOpenError();
}

std::unique_ptr<TRecord> TSiteList::ObjFromStr(const std::string& text) {
  std::vector<std::string> f = RecordFields(text, 9);
  auto s = std::make_unique<TSite>();
  s->SetSite(f[0]);
  s->SetPort(f[1]);
  s->SetBaud(f[2]);
  s->SetInit(f[3]);
  s->SetStoredDial(f[4]);
  s->SetStoredPhone(f[5]);
  s->SetTza(f[6]);
  s->SetIpAddress(f[7]);
  s->SetDescription(f[8]);
  s->NormalizeIp();
  return s;
}

std::string TSiteList::StrFromObj(const TRecord& obj) {
  const auto& s = static_cast<const TSite&>(obj);
  std::string r;
  r.reserve(96);
  r += PadLeft(LineSafe(s.Site()), 5) + ", ";
  r += PadLeft(LineSafe(s.Port()), 4) + ", ";
  r += PadLeft(LineSafe(s.Baud()), 4) + ", ";
  r += PadLeft(LineSafe(s.Init()), 5) + ", ";
  r += PadLeft(LineSafe(s.StoredDial()), 6) + ", ";
  r += PadLeft(LineSafe(s.StoredPhone()), 11) + ", ";
  r += PadLeft(LineSafe(s.Tza()), 3) + ", ";
  r += PadLeft(LineSafe(s.IpAddress()), 15) + ", ";
  r += LineSafe(s.Description());
  return r;
}

void TSiteList::StrsFromObjs() {
  index_.KeepAcross(*this, [this] { TMyStringList::StrsFromObjs(); });
}

void TSiteList::IndexOne(TSite* s) {
  bySite_.emplace(s->Site(), s);  // emplace keeps the first in file order
}

void TSiteList::EnsureIndex() {
  index_.Ensure<TSite>(*this, [this] {
    bySite_.clear();
    bySite_.reserve(static_cast<std::size_t>(Count()));
  }, [this](TSite* s) { IndexOne(s); });
}

TSite* TSiteList::FindSite(const std::string& site) {
  EnsureIndex();
  auto it = bySite_.find(site);
  return it == bySite_.end() ? nullptr : it->second;
}

TSite* TSiteList::SaveSite(std::unique_ptr<TSite> site) {
  return index_.Save(
      *this, std::move(site), [this](const TSite& r) { return FindSite(r.Site()); },
      [this](TSite* r) { IndexOne(r); });
}

TSite* TSiteList::SaveSite(const TSite& site) { return SaveSite(std::make_unique<TSite>(site)); }

bool TSiteList::DeleteSite(const TSite* site) { return DeleteRecordLine(*this, site); }

void TSiteList::GetSites(std::vector<TSite*>& out) const {
  for (int i = 0; i < Count(); ++i)
    if (auto* s = static_cast<TSite*>(Objects(i))) out.push_back(s);
}

}  // namespace zv
