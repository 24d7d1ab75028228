// One request and its answer over a channel: frames the request for the selected reader,
// waits for the matching answer within the response timeout and checks it.
#pragma once
#include <cstddef>
#include <cstdint>

#include "rdrlib/channel.h"

namespace zv {

// Sends command with the payload to the reader at address and copies the answer's data
// (exactly outLen bytes are expected) to out. When sequence is not null it is used as the
// frame's sequence number instead of a new one (a repeat of the same request). Returns a
// status of rdrdll32.h. The caller holds the channel's mutex.
int Transact(TChannel& ch, uint8_t address, uint8_t command, const uint8_t* payload,
             std::size_t len, uint8_t* out, std::size_t outLen, const uint8_t* sequence = nullptr);

}  // namespace zv
