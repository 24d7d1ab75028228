// Fuzz target: loading and saving site.txt, and its lookup by site number.
#include "data/sitelist.h"
#include "data/tablefuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zv;
  FuzzTableFile<TSiteList, TSite>("site.txt", data, size,
                                  [](TSiteList& list, const std::vector<TSite*>& sites) {
    for (std::size_t i = 0; i < sites.size() && i < 64; ++i) {
      TSite* first = nullptr;
      for (TSite* s : sites)
        if (s->Site() == sites[i]->Site()) {
          first = s;
          break;
        }
      if (list.FindSite(sites[i]->Site()) != first) abort();
      (void)sites[i]->ConnectionType();
    }
  });
  return 0;
}
