#include "app/options.h"

#include "app/settings.h"
#include "util/fileio.h"

namespace zv {

TOptionCheck CheckOptions(const TOptionValues& v) {
  TOptionCheck c;
  if (v.DataPath.empty() || !DirectoryExists(v.DataPath)) {
    c.Field = TOptionField::DataPath;
    c.Message = "Data Path: " + v.DataPath + ", not a valid directory.";
  } else if (v.PunchPath.empty() || !DirectoryExists(v.PunchPath)) {
    c.Field = TOptionField::PunchPath;
    c.Message = "Punch Log Path: " + v.PunchPath + ", not a valid directory.";
  }
  return c;
}

bool DirectoryChanged(const std::string& oldDir, const std::string& newDir) {
  return WithoutDelimiter(oldDir) != WithoutDelimiter(newDir);
}

}  // namespace zv
