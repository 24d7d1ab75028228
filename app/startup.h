// What happens before the window: the command line's options, the informational answers, the
// choice of a display platform for runs without a usable display, and the Qt messages that
// are noise in such a run.
#pragma once
#include <string>
#include <vector>

namespace zv {

// Run: the operations are run (or the window opens without them). Help, Version: answered
// and the program ends with 0. Usage: the options are wrong; `Error` says why, status 2.
enum class TStartRequest { Run, Help, Version, Usage };

// The command line as the program reads it: options first, each beginning with "-", then
// the operations. The first parameter that is no option, or a "--", ends the options; from
// there on every parameter is an operation, as given ("P -h" runs "-h" as one, which names
// no operation). Nothing is run or touched before the whole line has been read.
struct TCommandLine {
  TStartRequest Request = TStartRequest::Run;
  std::string Error;                    // for Usage: the line to print
  std::vector<std::string> Operations;  // the parameters to run, in order
  bool Quiet = false;                   // --quiet: the summary only when the status is not 0
  int ParallelLines = 0;                // --parallel-lines N; 0: as the settings say
};
TCommandLine ParseCommandLine(const std::vector<std::string>& args);

std::string HelpText();
std::string VersionText();

// Decides the display platform before Qt is started, so that a display that cannot be opened
// never ends the program in Qt's abort. An explicit QT_QPA_PLATFORM is obeyed. Otherwise a
// run with operations goes offscreen when neither DISPLAY nor WAYLAND_DISPLAY names a display
// that can be opened; an interactive start cannot, and the answer is false with the line to
// print in `message`.
bool PrepareDisplay(bool haveParameters, std::string* message);

// Keeps the offscreen platform's notices that mean nothing to the reader of a cron mail off
// standard error; every other Qt message is printed as usual.
void InstallQtMessageFilter();

}  // namespace zv
