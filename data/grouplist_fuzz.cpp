// Fuzz target: loading and saving group.txt, its entry lookups and its deletions.
#include "data/grouplist.h"
#include "data/tablefuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zv;
  FuzzTableFile<TGroupList, TGroup>("group.txt", data, size,
                                    [](TGroupList& list, const std::vector<TGroup*>& entries) {
    for (std::size_t i = 0; i < entries.size() && i < 64; ++i) {
      const TGroup* e = entries[i];
      TGroup* first = nullptr;
      for (TGroup* o : entries)
        if (o->Group() == e->Group() && o->Site() == e->Site() && o->Clock() == e->Clock()) {
          first = o;
          break;
        }
      if (list.FindEntry(e->Group(), e->Site(), e->Clock()) != first ||
          !list.ClockInAnyGroup(e->Site(), e->Clock()))
        abort();
      (void)list.GetTimeZone(e->Group(), e->Site(), e->Clock());
      (void)e->DisplayLine();
    }
  });
  // The deletions on a fresh copy: afterwards nothing of the group is left.
  TGroupList list(FuzzFile("group.txt"));
  auto entries = FuzzRecords<TGroup>(list);
  if (!entries.empty()) {
    std::string group = entries[0]->Group(), site = entries.back()->Site();
    list.DeleteGroupAtSite(group, site);
    for (TGroup* g : FuzzRecords<TGroup>(list))
      if (g->Group() == group && g->Site() == site) abort();
    list.DeleteGroup(group);
    std::vector<TGroup*> left;
    list.GetGroupEntries(group, left);
    if (!left.empty()) abort();
  }
  list.Modified = false;
  return 0;
}
