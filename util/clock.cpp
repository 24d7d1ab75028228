#include "util/clock.h"

#include <utility>

namespace zv {

namespace {
std::function<std::time_t()>& Installed() {
  static std::function<std::time_t()> clock;
  return clock;
}
}  // namespace

std::time_t Now() {
  const auto& clock = Installed();
  return clock ? clock() : std::time(nullptr);
}

std::tm LocalNow() {
  std::time_t now = Now();
  std::tm t{};
  localtime_r(&now, &t);
  return t;
}

std::function<std::time_t()> SetClockForTests(std::function<std::time_t()> clock) {
  return std::exchange(Installed(), std::move(clock));
}

}  // namespace zv
