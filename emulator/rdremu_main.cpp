// rdremu: the reader emulator (docs/emulator.md).
#include <string>
#include <vector>

#include "emulator/emucli.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return zv::RunEmulatorCommand(args);
}
