// The site walk and the clock walk that every reader operation runs in, opening and closing
// the channel to each site, and the common start of every per-clock step.
#pragma once
#include <string>
#include <vector>

namespace zv {

class TSite;

// A per-clock step works on the engine's current clock; false when it failed.
using TClockStep = bool (*)();

// Walks the sites: sites without clocks are reported, the others get their channel opened,
// the clock walk, and their channel closed. Pending events run after each site. With
// `linesAtOnce` and ParallelLines() above 1, up to that many lines are worked at once
// (WalkLines); otherwise the sites are walked in order, one after the other.
void WalkSites(const std::vector<TSite*>& sites, const std::string& clock, TClockStep step,
               bool linesAtOnce = true);
// One site of the walk, at the calling thread's engine.
void WalkSite(TSite* site, const std::string& clock, TClockStep step);
// The clocks of the current site that the selection names; false when one step failed or
// the selected clock does not exist.
bool WalkClocks(const std::string& clock, TClockStep step);

// Port index and baud of the current site, with their defaults.
int SitePortIndex(const TSite& site);
int SiteBaudRate(const TSite& site);
bool OpenSiteChannel();
bool CloseSiteChannel();

// The current clock's number, or -1 (after the invalid-clock line) when it is not a valid one.
int ClockNumberOrInvalid();
// Number check, SetHandReader and the reader information line. False after writing the
// failure line.
bool StartClockStep();

}  // namespace zv
