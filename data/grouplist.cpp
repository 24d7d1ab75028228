#include "data/grouplist.h"

#include <algorithm>
#include <unordered_set>

#include "data/recordindex.h"
#include "util/text.h"

namespace zv {

const char* const TGroupList::kHeader1 = ".group, site, clock, timezone, comment";
const char* const TGroupList::kHeader2 = ".-----, ----, -----, --------, -------------";

TGroupList::TGroupList(std::string fileName) : TMyStringList(std::move(fileName)) { Load(); }

TGroupList::~TGroupList() { SaveIfModified(); }

void TGroupList::HandleEFOpenError() {
  Add(kHeader1);
  Add(kHeader2);
  TMyStringList::HandleEFOpenError();
}

std::unique_ptr<TRecord> TGroupList::ObjFromStr(const std::string& text) {
  std::vector<std::string> f = RecordFields(text, 5);
  auto g = std::make_unique<TGroup>();
  g->SetGroup(f[0]);
  g->SetSite(f[1]);
  g->SetClock(f[2]);
  g->SetTimeZone(f[3]);
  g->SetComment(f[4]);
  return g;
}

std::string TGroupList::StrFromObj(const TRecord& obj) {
  const auto& g = static_cast<const TGroup&>(obj);
  std::string r;
  r.reserve(48);
  r += PadLeft(LineSafe(g.Group()), 6) + ", ";
  r += PadLeft(LineSafe(g.Site()), 4) + ", ";
  r += PadLeft(LineSafe(g.Clock()), 5) + ", ";
  r += PadLeft(LineSafe(g.TimeZone()), 8) + ", ";
  r += LineSafe(g.Comment());
  return r;
}

void TGroupList::IndexOne(TGroup* g) {
  byEntry_.emplace(CompositeKey(g->Group(), g->Site(), g->Clock()), g);  // keeps the first
  ++clockEntries_[CompositeKey(g->Site(), g->Clock())];
  byGroup_[g->Group()].push_back(g);
}

void TGroupList::StrsFromObjs() {
  index_.KeepAcross(*this, [this] { TMyStringList::StrsFromObjs(); });
}

void TGroupList::EnsureIndex() {
  index_.Ensure<TGroup>(*this, [this] {
    byEntry_.clear();
    clockEntries_.clear();
    byGroup_.clear();
  }, [this](TGroup* r) { IndexOne(r); });
}

void TGroupList::GetGroupEntries(const std::string& group, std::vector<TGroup*>& out) {
  EnsureIndex();
  auto it = byGroup_.find(group);
  if (it == byGroup_.end()) return;
  out.insert(out.end(), it->second.begin(), it->second.end());
}

TGroup* TGroupList::FindEntry(const std::string& group, const std::string& site,
                              const std::string& clock) {
  EnsureIndex();
  auto it = byEntry_.find(CompositeKey(group, site, clock));
  return it == byEntry_.end() ? nullptr : it->second;
}

TGroup* TGroupList::SaveEntry(std::unique_ptr<TGroup> entry) {
  auto find = [this](const TGroup& r) { return FindEntry(r.Group(), r.Site(), r.Clock()); };
  return index_.Save(*this, std::move(entry), find, [this](TGroup* r) { IndexOne(r); });
}

TGroup* TGroupList::SaveEntry(const TGroup& entry) {
  return SaveEntry(std::make_unique<TGroup>(entry));
}

bool TGroupList::DeleteEntry(const TGroup* entry) { return DeleteRecordLine(*this, entry); }

void TGroupList::RemoveEntries(const std::vector<TGroup*>& entries) {
  if (entries.empty()) return;
  std::unordered_set<const TRecord*> doomed(entries.begin(), entries.end());
  std::vector<int> rows;
  for (int i = 0; i < Count(); ++i)
    if (doomed.count(Objects(i))) rows.push_back(i);
  // From the end, so that removing a line does not move the ones still to go.
  for (auto it = rows.rbegin(); it != rows.rend(); ++it) Delete(*it);
}

void TGroupList::DeleteGroupAtSite(const std::string& group, const std::string& site) {
  Modified = true;
  std::vector<TGroup*> all, matching;
  GetGroupEntries(group, all);
  for (TGroup* g : all)
    if (g->Site() == site) matching.push_back(g);
  RemoveEntries(matching);
}

void TGroupList::DeleteGroup(const std::string& group) {
  Modified = true;
  std::vector<TGroup*> all;
  GetGroupEntries(group, all);
  RemoveEntries(all);
}

int TGroupList::GetTimeZone(const std::string& group, const std::string& site,
                            const std::string& clock) {
  TGroup* g = FindEntry(group, site, clock);
  if (!g) return -1;
  long long v = StrToIntDef(g->TimeZone(), 0);
  // Out of the int range is as good as not a number.
  if (v < -2147483647LL || v > 2147483647LL) return 0;
  return static_cast<int>(v);
}

bool TGroupList::ClockInAnyGroup(const std::string& site, const std::string& clock) {
  EnsureIndex();
  return clockEntries_.count(CompositeKey(site, clock)) != 0;
}

}  // namespace zv
