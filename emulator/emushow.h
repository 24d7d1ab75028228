// The readable form of what a reader was sent (setup block, time, display message, holiday
// and time zone table, bells, function-key menu), decoded field by field for `rdremu show`.
#pragma once
#include <string>

#include "emulator/emustate.h"

namespace zv {

// Lines indented by four spaces, each ending in "\n".
std::string FormatReceived(const TEmuReader& reader);

}  // namespace zv
