#include "data/recordindex.h"

namespace zv {

std::string LineSafe(const std::string& field) {
  std::string r = field;
  for (char& c : r)
    if (c == '\r' || c == '\n' || c == '\0') c = ' ';
  return r;
}

}  // namespace zv
