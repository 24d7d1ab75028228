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
  c->SetKeyStamp(index_.Stamp());
  byClock_.emplace(CompositeKey(c->Site(), c->Clock()), c);  // keeps the first in file order
  bySite_[c->Site()].push_back(c);
}

void TClockList::StrsFromObjs() {
  // Regenerating the line texts leaves every record as it was: a current index stays so.
  bool current = index_.Current(*this);
  TMyStringList::StrsFromObjs();
  if (current) index_.MarkBuilt(*this);
}

void TClockList::EnsureIndex() {
  if (index_.Current(*this)) return;
  byClock_.clear();
  bySite_.clear();
  for (int i = 0; i < Count(); ++i)
    if (auto* c = static_cast<TClock*>(Objects(i))) IndexOne(c);
  index_.MarkBuilt(*this);
}

TClock* TClockList::Append(std::unique_ptr<TClock> clock) {
  // An append only adds to the end of every file-order answer, so a current index is
  // extended rather than rebuilt.
  bool current = index_.Current(*this);
  TClock* raw = clock.get();
  AddObject("", std::move(clock));
  if (!current) return raw;
  IndexOne(raw);
  index_.MarkBuilt(*this);
  return raw;
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
  if (!clock) return nullptr;
  Modified = true;
  if (TClock* found = FindClock(clock->Site(), clock->Clock())) {
    found->CopyFrom(*clock);
    return found;
  }
  return Append(std::move(clock));
}

TClock* TClockList::SaveClock(const TClock& clock) {
  return SaveClock(std::make_unique<TClock>(clock));
}

bool TClockList::DeleteClock(const TClock* clock) {
  Modified = true;
  int i = IndexOfObject(clock);
  if (i < 0) return false;
  Delete(i);
  return true;
}

bool TClockList::SiteHasClocks(const std::string& site) {
  EnsureIndex();
  return bySite_.count(site) != 0;
}

}  // namespace zv
