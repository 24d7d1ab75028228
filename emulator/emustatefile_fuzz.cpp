// Fuzzes the emulator's state file, which people also edit by hand: any text either fails with
// a message or reads into a state that writes and reads back to the same text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "emulator/emustatefile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  zv::TEmuState state;
  std::string error;
  if (!zv::ParseState(text, state, error)) {
    if (error.empty()) std::abort();  // a refusal always says why
    return 0;
  }
  const std::string written = zv::FormatState(state);
  zv::TEmuState again;
  if (!zv::ParseState(written, again, error)) std::abort();  // what we write, we read
  if (zv::FormatState(again) != written) std::abort();       // and it stays the same
  return 0;
}
