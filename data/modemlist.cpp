#include "data/modemlist.h"

#include "data/mystringlist.h"
#include "util/fileio.h"

namespace zv {

std::vector<std::string> LoadModemList(const std::string& fileName) {
  std::string bytes;
  if (ReadWholeFile(fileName, bytes) != TReadResult::Ok) return {"AT&F"};
  return SplitTextLines(bytes);
}

std::string ModemFileName(const std::string& dataPath, const std::string& programPath) {
  const std::string own = dataPath + "modem.txt";
  return FileExists(own) ? own : programPath + "modem.txt";
}

}  // namespace zv
