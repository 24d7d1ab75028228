// What an operation checks before it starts (the data files it needs can be read, and read
// whole where it sends from them) and after it ends (it reached at least one reader).
#pragma once
#include <string>

#include "reader/engine.h"

namespace zv {

// For the operation letter: false, after a failure line naming the file and the reason,
// when a data file the operation needs exists but could not be read, or was read short and
// the operation would send from it. A file read short that is only looked in (site.txt,
// clock.txt) gets a failure line and the operation goes on.
bool DataFilesReady(char operation);
// After the operation of `command` on all sites: a failure line when it reached no reader and
// said nothing of why (no site in site.txt, or no site list).
void ReportNothingReached(const std::string& command, const TEngineTally& before);

}  // namespace zv
