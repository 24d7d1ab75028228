#include "data/clocklist.h"

#include "data/recordindex.h"
#include "util/text.h"

namespace zv {

const char* const TClockList::kHeader1 = ".site  clock  menu        comment";
const char* const TClockList::kHeader2 = ".----  -----  ----------  -----------";

TClockList::TClockList(std::string fileName) : TMyStringList(std::move(fileName)) { Load(); }

TClockList::~TClockList() { SaveIfModified(); }

void TClockList::HandleEFOpenError() {
  Add(kHeader1);
  Add(kHeader2);
  TMyStringList::HandleEFOpenError();
}

std::unique_ptr<TRecord> TClockList::ObjFromStr(const std::string& text) {
  std::vector<std::string> f = RecordFields(text, 4);
  auto c = std::make_unique<TClock>();
  c->SetSite(f[0]);
  c->SetClock(f[1]);
  c->SetMenu(f[2]);
  c->SetComment(f[3]);
  return c;
}

std::string TClockList::StrFromObj(const TRecord& obj) {
  const auto& c = static_cast<const TClock&>(obj);
  std::string r;
  r.reserve(48);
  r += PadLeft(LineSafe(c.Site()), 5) + ", ";
  r += PadLeft(LineSafe(c.Clock()), 5) + ", ";
  r += PadLeft(LineSafe(c.Menu()), 10) + ", ";
  r += LineSafe(c.Comment());
  return r;
}

void TClockList::IndexOne(TClock* c) {
  byClock_.emplace(CompositeKey(c->Site(), c->Clock()), c);  // keeps the first in file order
  bySite_[c->Site()].push_back(c);
}

void TClockList::StrsFromObjs() {
  index_.KeepAcross(*this, [this] { TMyStringList::StrsFromObjs(); });
}

void TClockList::EnsureIndex() {
  index_.Ensure<TClock>(*this, [this] {
    byClock_.clear();
    bySite_.clear();
  }, [this](TClock* r) { IndexOne(r); });
}

void TClockList::GetClockNames(const std::string& site,
                               std::vector<std::pair<std::string, TClock*>>& out) {
  EnsureIndex();
  auto it = bySite_.find(site);
  if (it == bySite_.end()) return;
  for (TClock* c : it->second) out.emplace_back(c->Clock(), c);
}

void TClockList::GetClocks(const std::string& site, std::vector<TClock*>& out) {
  EnsureIndex();
  auto it = bySite_.find(site);
  if (it == bySite_.end()) return;
  out.insert(out.end(), it->second.begin(), it->second.end());
}

TClock* TClockList::FindClock(const std::string& site, const std::string& clock) {
  EnsureIndex();
  auto it = byClock_.find(CompositeKey(site, clock));
  return it == byClock_.end() ? nullptr : it->second;
}

TClock* TClockList::SaveClock(std::unique_ptr<TClock> clock) {
  return index_.Save(
      *this, std::move(clock), [this](const TClock& r) { return FindClock(r.Site(), r.Clock()); },
      [this](TClock* r) { IndexOne(r); });
}

TClock* TClockList::SaveClock(const TClock& clock) {
  return SaveClock(std::make_unique<TClock>(clock));
}

bool TClockList::DeleteClock(const TClock* clock) { return DeleteRecordLine(*this, clock); }

bool TClockList::SiteHasClocks(const std::string& site) {
  EnsureIndex();
  return bySite_.count(site) != 0;
}

}  // namespace zv
