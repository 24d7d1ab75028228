// Serial ports named in the settings file ([Ports] with COM1=/dev/ttyUSB0) and how they reach
// the reader library, which finds port n by the variable RDRDLL32_COMn: the program sets the
// variable of each port that the environment it was started with leaves unset, so that a
// variable given by hand still wins.
#pragma once
#include <array>
#include <string>

#include "app/inifile.h"

namespace zv {

constexpr int kSerialPortCount = 4;  // a site's port is 1 to 4
constexpr const char* kPortsSection = "Ports";

// The device named for COM1 to COM4 (index 0 is COM1); empty when the settings name none.
using TPortDevices = std::array<std::string, kSerialPortCount>;

TPortDevices ReadPortSettings(const TIniFile& ini);

enum class TPortSource { Environment, Settings, Default };
struct TPortInEffect {
  std::string Device;
  TPortSource Source;
};
// The device the library opens for COM `port` (1 to 4) with these settings, and why.
TPortInEffect PortInEffect(int port, const TPortDevices& settings);
// "RDRDLL32_COM" + port.
std::string PortVariable(int port);

// Sets (or clears again) RDRDLL32_COMn for each port that the starting environment left unset.
// Only between operations: the library reads the variables when a site's line is installed.
void HandPortsToLibrary(const TPortDevices& settings);

}  // namespace zv
