// What happens before the window: the two informational parameters, the choice of a display
// platform for runs without a display, and the Qt messages that are noise in such a run.
#pragma once
#include <string>
#include <vector>

namespace zv {

// "--help" or "--version" as the only parameter (these exact words) is answered and ends the
// program; anything else, those words among other parameters included, is a run.
enum class TStartRequest { Run, Help, Version };
TStartRequest StartRequestOf(const std::vector<std::string>& params);
std::string HelpText();
std::string VersionText();

// Where neither DISPLAY nor WAYLAND_DISPLAY is set and no platform was chosen
// (QT_QPA_PLATFORM): a run with parameters goes offscreen by itself; an interactive start
// cannot, and the answer is false with the line to print in `message`.
bool PrepareDisplay(bool haveParameters, std::string* message);

// Keeps the offscreen platform's notices that mean nothing to the reader of a cron mail off
// standard error; every other Qt message is printed as usual.
void InstallQtMessageFilter();

}  // namespace zv
