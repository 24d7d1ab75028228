#include "util/clock.h"

#include <cstdio>
#include <cstdlib>
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

bool InstallClockFromEnvironment() {
  const char* text = std::getenv("ZV_TEST_NOW");
  if (!text) return false;
  std::tm t{};
  char extra;
  if (std::sscanf(text, "%d-%d-%d %d:%d:%d%c", &t.tm_year, &t.tm_mon, &t.tm_mday, &t.tm_hour,
                  &t.tm_min, &t.tm_sec, &extra) != 6)
    return false;
  t.tm_year -= 1900;
  t.tm_mon -= 1;
  t.tm_isdst = -1;
  std::time_t start = std::mktime(&t);
  if (start == static_cast<std::time_t>(-1)) return false;
  std::time_t since = std::time(nullptr);
  SetClockForTests([start, since] { return start + (std::time(nullptr) - since); });
  return true;
}

}  // namespace zv
