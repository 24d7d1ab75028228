// How an emulated reader answers the requests of the wire protocol.
#pragma once
#include <cstdint>
#include <vector>

#include "emulator/emustate.h"
#include "rdrlib/frame.h"

namespace zv {

// Lets the reader of the site at the request's address answer it: appends the answer frame
// to out and returns true; false when no online reader has that address (or the frame is
// not a request). changed is set when the request altered state that is saved.
bool HandleRequest(TEmuSite& site, const TFrame& request, std::vector<uint8_t>& out, bool& changed);

// The reader's clock as a local broken-down time.
void ReaderLocalTime(const TEmuReader& reader, struct tm& out);

}  // namespace zv
