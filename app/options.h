// The values of the Options dialog and its checks, apart from the widgets so that they can be
// run without a window.
#pragma once
#include <string>

#include "app/serialports.h"

namespace zv {

struct TOptionValues {
  std::string DataPath;   // as typed, without a trailing "/" when filled from the settings
  std::string PunchPath;
  bool NewUserNever = true;  // "Never" selected; else "Always"
  bool SaveCommandLineLog = true;
  int InterCommandDelay = 2;
  TPortDevices Ports;  // the devices the settings name for COM1 to COM4; empty for none
};

enum class TOptionField { None, DataPath, PunchPath };

struct TOptionCheck {
  TOptionField Field = TOptionField::None;  // the control to focus; None when all is well
  std::string Message;
};

// Stops at the first directory that does not exist.
TOptionCheck CheckOptions(const TOptionValues& v);

// True when the two directory texts name different directories for the settings: compared
// exactly after removing one trailing "/" from each.
bool DirectoryChanged(const std::string& oldDir, const std::string& newDir);

}  // namespace zv
