// Lines worked at once: the sites of an operation grouped by the line they are reached over
// (a serial port, with or without a modem on it, or an Ethernet reader's address), and up to N
// of those lines worked at the same time, each on a thread of its own with its own channel.
// The sites of one line are worked one after another, in the order given. Each site's window
// lines and reports are held until the site ends, then handed to the program's thread in the
// order sites end, so that the log shows every site as one block.
#pragma once
#include <string>
#include <vector>

#include "reader/walks.h"

namespace zv {

class TSite;

// The line a site is reached over: "port N" for a serial or modem site (N its port index),
// "ip A.B.C.D" for an Ethernet site (its four numbers, however they are written).
std::string LineOf(const TSite& site);
// The sites grouped by line: the lines in the order their first site comes, each line's
// sites in the order given.
std::vector<std::vector<TSite*>> GroupByLine(const std::vector<TSite*>& sites);

// Walks the sites with up to `lines` lines at once, as WalkSites does one by one. False,
// with nothing done, when there is only one line to work: the caller then walks the sites
// itself. An error that ends a line (raised in a step) ends the walk once the sites under
// way have ended, and is raised here.
bool WalkLines(const std::vector<TSite*>& sites, const std::string& clock, TClockStep step,
               int lines);

}  // namespace zv
