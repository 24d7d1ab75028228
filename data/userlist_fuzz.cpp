// Fuzz target: loading and saving user.txt, and its lookup by user number.
#include "data/tablefuzz.h"
#include "data/userlist.h"
#include "util/numbers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zv;
  FuzzTableFile<TUserList, TUser>("user.txt", data, size,
                                  [](TUserList& list, const std::vector<TUser*>& users) {
    for (std::size_t i = 0; i < users.size() && i < 64; ++i) {
      for (const std::string& q : {users[i]->ID(), NormalizeNumber(users[i]->ID())}) {
        TUser* first = nullptr;
        for (TUser* u : users)
          if (u->ID() == q || NormalizeNumber(u->ID()) == q) {
            first = u;
            break;
          }
        if (list.FindUser(q) != first) abort();
      }
    }
  });
  return 0;
}
