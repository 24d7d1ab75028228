#include "app/runoptions.h"

#include "app/settings.h"
#include "util/text.h"

namespace zv {

namespace {
const char kParallelLines[] = "--parallel-lines";
}  // namespace

bool TakeRunOptions(std::vector<std::string>& params, TRunOptions& options, std::string& error) {
  const std::string eq = std::string(kParallelLines) + "=";
  for (std::size_t i = 0; i < params.size() && !params[i].empty() && params[i][0] == '-';) {
    std::string value;
    std::size_t taken;
    if (params[i] == kParallelLines) {
      if (i + 1 >= params.size()) {
        error = std::string("zorvan32: ") + kParallelLines + " needs a number of lines (1 to " +
                std::to_string(kMaxParallelLines) + ")";
        return false;
      }
      value = params[i + 1];
      taken = 2;
    } else if (params[i].compare(0, eq.size(), eq) == 0) {
      value = params[i].substr(eq.size());
      taken = 1;
    } else {
      ++i;
      continue;
    }
    long long n;
    if (!ParseInt(value, n) || n < 1 || n > kMaxParallelLines) {
      error = std::string("zorvan32: ") + kParallelLines + " takes a number of lines from 1 to " +
              std::to_string(kMaxParallelLines) + ", not \"" + value + "\"";
      return false;
    }
    options.ParallelLines = static_cast<int>(n);
    params.erase(params.begin() + static_cast<long>(i), params.begin() + static_cast<long>(i + taken));
  }
  return true;
}

}  // namespace zv
