#include "rdrlib/settings.h"

#include <cstdlib>

namespace zv {

namespace {
int EnvMs(const char* name, int def) {
  const char* v = std::getenv(name);
  if (!v || !*v) return def;
  char* end = nullptr;
  long n = std::strtol(v, &end, 10);
  if (*end != '\0' || n < 1 || n > 3600 * 1000) return def;
  return static_cast<int>(n);
}
}  // namespace

int ResponseTimeoutMs() { return EnvMs("RDRDLL32_TIMEOUT_MS", 3000); }
int ConnectTimeoutMs() { return EnvMs("RDRDLL32_CONNECT_TIMEOUT_MS", 5000); }
int ModemTimeoutMs() { return EnvMs("RDRDLL32_MODEM_TIMEOUT_MS", 3000); }
int DialTimeoutMs() { return EnvMs("RDRDLL32_DIAL_TIMEOUT_MS", 60000); }

int LineTimeMs(std::size_t bytes, int baud) {
  if (baud <= 0) return 0;
  return static_cast<int>((static_cast<long long>(bytes) * 10 * 1000 + baud - 1) / baud);
}

}  // namespace zv
