#include "app/serialports.h"

#include <cstdlib>

namespace zv {

namespace {

// The variables as the program found them, taken before it sets any of its own.
const TPortDevices& StartingEnvironment() {
  static const TPortDevices env = [] {
    TPortDevices e;
    for (int n = 1; n <= kSerialPortCount; ++n) {
      const char* v = std::getenv(PortVariable(n).c_str());
      if (v && *v) e[n - 1] = v;
    }
    return e;
  }();
  return env;
}

}  // namespace

std::string PortVariable(int port) { return "RDRDLL32_COM" + std::to_string(port); }

TPortDevices ReadPortSettings(const TIniFile& ini) {
  TPortDevices d;
  for (int n = 1; n <= kSerialPortCount; ++n)
    d[n - 1] = ini.ReadString(kPortsSection, "COM" + std::to_string(n), "");
  return d;
}

TPortInEffect PortInEffect(int port, const TPortDevices& settings) {
  const std::string& env = StartingEnvironment()[port - 1];
  if (!env.empty()) return {env, TPortSource::Environment};
  if (!settings[port - 1].empty()) return {settings[port - 1], TPortSource::Settings};
  return {"/dev/ttyS" + std::to_string(port - 1), TPortSource::Default};
}

void HandPortsToLibrary(const TPortDevices& settings) {
  for (int n = 1; n <= kSerialPortCount; ++n) {
    if (!StartingEnvironment()[n - 1].empty()) continue;
    const std::string var = PortVariable(n);
    if (settings[n - 1].empty())
      ::unsetenv(var.c_str());
    else
      ::setenv(var.c_str(), settings[n - 1].c_str(), 1);
  }
}

}  // namespace zv
