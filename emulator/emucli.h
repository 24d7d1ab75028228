// The command line of rdremu: verbs that create and change a state file, print it, and serve it.
#pragma once
#include <string>
#include <vector>

namespace zv {

// Runs one command line (without the program name); returns the exit code. Output and
// messages go to stdout and stderr.
int RunEmulatorCommand(const std::vector<std::string>& args);

}  // namespace zv
