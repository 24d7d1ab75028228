// Command strings (an operation letter and a site/clock selection): the selection parser,
// the resolving of sites, the runners, and the loop of a command-line run. The window shell
// calls these; they use only the engine host.
#pragma once
#include <string>
#include <vector>

namespace zv {

class TSite;
class IEngineHost;

struct TSelection {
  std::string Site;   // empty: all sites
  std::string Clock;  // empty: all clocks of each site
};

// Splits a selection text ("", "12", "00102", "12#3") into its site and clock texts.
TSelection ParseSelection(const std::string& text);
// The sites a site text names: all of them for an empty text, else the one found (or none).
std::vector<TSite*> ResolveSites(const std::string& siteText);

void RunPoll(const std::string& command);
void RunConfig(const std::string& command);
void RunRestore(const std::string& command);
void RunGet(const std::string& command);
void RunTime(const std::string& command);
void RunTest(const std::string& command);
// Dispatches on the first character; false when it names no operation.
bool RunCommand(const std::string& command);

// The site part and clock part that the selection dialog's OK yields, from the two boxes'
// texts ("All" or a number). Empty site with a non-empty clock is refused by the caller.
std::string SelectionFromChoice(const std::string& siteText, const std::string& clockText,
                                bool* clockWithoutSite);

// Runs each parameter as one command with its log lines and the pause after it.
// `commandLineRun` turns true at the first parameter.
void RunCommandLineParameters(const std::vector<std::string>& params, int interCommandDelay,
                              bool& commandLineRun);

// "yyyymmdd-hhnnss" + ".log" of the current local time.
std::string CommandLineLogName();
// Writes the lines, each ended by CR LF, to the file; false when it cannot.
bool WriteCommandLineLog(const std::string& fileName, const std::vector<std::string>& lines);

}  // namespace zv
