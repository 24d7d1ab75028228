// Fuzz target: loading and saving clock.txt, and its lookups by site and clock.
#include "data/clocklist.h"
#include "data/tablefuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zv;
  FuzzTableFile<TClockList, TClock>("clock.txt", data, size,
                                    [](TClockList& list, const std::vector<TClock*>& clocks) {
    for (std::size_t i = 0; i < clocks.size() && i < 64; ++i) {
      const TClock* c = clocks[i];
      TClock* first = nullptr;
      std::vector<TClock*> atSite;
      for (TClock* o : clocks) {
        if (o->Site() != c->Site()) continue;
        atSite.push_back(o);
        if (!first && o->Clock() == c->Clock()) first = o;
      }
      std::vector<TClock*> got;
      list.GetClocks(c->Site(), got);
      if (list.FindClock(c->Site(), c->Clock()) != first || got != atSite ||
          !list.SiteHasClocks(c->Site()))
        abort();
    }
  });
  return 0;
}
