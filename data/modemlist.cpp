#include "data/modemlist.h"

#include "data/mystringlist.h"
#include "util/fileio.h"

namespace zv {

std::vector<std::string> LoadModemList(const std::string& fileName) {
  std::string bytes;
  if (ReadWholeFile(fileName, bytes) != TReadResult::Ok) return {"AT&F"};
  return SplitTextLines(bytes);
}

}  // namespace zv
