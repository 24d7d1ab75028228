#include "dialogs/groupfields.h"

#include <unordered_set>

namespace zv {

const std::vector<std::string>& GroupTimeZoneEntries() {
  static const std::vector<std::string> entries = [] {
    std::vector<std::string> v{"Always"};
    for (int n = 1; n <= 60; ++n) v.push_back(std::to_string(n));
    v.push_back("Never");
    return v;
  }();
  return entries;
}

std::vector<std::pair<std::string, TGroup*>> GroupNumbers(TGroupList& groups) {
  std::vector<std::pair<std::string, TGroup*>> out;
  std::unordered_set<std::string> seen;
  for (int i = 0; i < groups.Count(); ++i) {
    auto* g = static_cast<TGroup*>(groups.Objects(i));
    if (g && seen.insert(g->Group()).second) out.emplace_back(g->Group(), g);
  }
  return out;
}

int GroupTimeZonePosition(const std::string& timeZone) {
  if (timeZone.empty()) return -1;
  const long long v = ValueOf(timeZone, -1);
  return v >= 0 && v <= 61 ? static_cast<int>(v) : -1;
}

TGroup GroupFromFields(const TGroupFields& f) {
  TGroup g;
  g.SetGroup(Trimmed(f.group));
  g.SetSite(Trimmed(f.site));
  g.SetClock(Trimmed(f.clock));
  g.SetTimeZone(f.timeZone >= 0 ? std::to_string(f.timeZone) : std::string());
  g.SetComment(f.comment);
  return g;
}

TCheck GroupValidate(const TGroupFields& f) {
  if (!f.groupSelected && Trimmed(f.group).empty())
    return Fails("Must enter a group number.", "cbxGroups");
  const long long group = ValueOf(f.group, 0);
  if (group < 100 || group > 255)
    return Fails("Invalid group number. Please enter a number from 100 to 255.", "cbxGroups");
  if (!f.siteSelected) return Fails("Must select a site.", "cbxSites");
  if (!f.clockSelected) return Fails("Must select a clock.", "cbxClocks");
  return NoCommas(f.comment, "comment", "edtComment");
}

TGroup* GroupStore(TGroupList& groups, const TGroup& fresh, TGroup* shown, bool& added) {
  if (shown && shown->Group() == fresh.Group() && shown->Site() == fresh.Site() &&
      shown->Clock() == fresh.Clock() && groups.IndexOfObject(shown) >= 0) {
    added = false;
    shown->CopyFrom(fresh);
    groups.Modified = true;
    return shown;
  }
  added = groups.FindEntry(fresh.Group(), fresh.Site(), fresh.Clock()) == nullptr;
  return groups.SaveEntry(fresh);
}

void GroupDelete(TGroupList& groups, const std::string& group, const std::string& site,
                 const std::string& clock) {
  const std::string g = Trimmed(group), s = Trimmed(site), c = Trimmed(clock);
  if (!c.empty()) {
    if (AskQuestion("Are you sure you want to remove site number " + s + ", clock number " + c +
                        " from group number " + g + "?",
                    mbYes | mbNo) != mbYes)
      return;
    if (TGroup* entry = groups.FindEntry(g, s, c)) groups.DeleteEntry(entry);
  } else if (!s.empty()) {
    if (AskQuestion("Are you sure you want to remove all entries for site number " + s +
                        " from group number " + g + "?",
                    mbYes | mbNo) != mbYes)
      return;
    groups.DeleteGroupAtSite(g, s);
  } else if (!g.empty()) {
    if (AskQuestion("Are you sure you want to remove all entries for group number " + g + "?",
                    mbYes | mbNo) != mbYes)
      return;
    groups.DeleteGroup(g);
  }
}

}  // namespace zv
