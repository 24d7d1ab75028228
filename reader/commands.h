// Command strings (an operation letter and a site/clock selection): the selection parser,
// the resolving of sites, the runners, and the loop of a command-line run. The window shell
// calls these; they use only the engine host.
#pragma once
#include <string>
#include <utility>
#include <vector>

#include "reader/engine.h"

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

// True when the command's first character names an operation (P, C, R, D, G, F, T, X).
bool IsOperation(const std::string& command);

// What one parameter of a command-line run did, for the run's summary and exit status.
struct TParameterReport {
  std::string Parameter;   // as given
  bool Operation = false;  // its first character names an operation
  bool NotRun = false;     // an error stopped the run before it
  TEngineTally Tally;      // what its operation reported
  // "57 transactions (Poll)": what the operation counted, summed over its clocks, in the
  // order first reported; empty for an operation that reports no counts.
  std::vector<std::pair<std::string, long long>> Counts;
  std::vector<std::string> Failures;  // its failure lines, as in the window
  std::string Escaped;                // the text of an error that ended the run here
  // Kept as the operation runs: the reader steps ended, the readers that did not answer
  // ("Site 1, Clock 2") and the sites not reached ("Site 3").
  long long ReadersDone = 0;
  std::vector<std::string> NotAnswered;
  std::vector<std::string> NotReached;

  // What it did in the summary's words, e.g. "2 readers answered, 1 did not (Site 1, Clock 2),
  // 57 transactions (Poll), 1 failure line"; for the window as well as the summary.
  std::string Outcome() const;
};

// Runs one command string, taking down in `report` what its operation did; the host is told
// when it starts and ends. An error that escapes is noted in the report and passed on. Every
// operation ends with "Summary: " + its Outcome() in the log window.
void RunReported(const std::string& command, TParameterReport& report);

// A command-line run as a script sees it: the exit status and the summary on standard output.
struct TRunReport {
  std::vector<TParameterReport> Parameters;
  // What could not be kept at the close ("command-line log ...: reason").
  std::vector<std::string> NotSaved;
  std::string LogFile;   // the saved command-line log, when one was saved
  std::string DataPath;  // where Error.Log is
  std::string LockRefused;  // why no parameter was run: the data directory in use

  // 0 every operation ran and wrote no failure line; 1 some operation reported a failure
  // (a failure line, a site that is not in the site list); 2 a parameter could not be run
  // (no operation, the library or its logs could not be opened, an error escaped, the data
  // directory in use by another program) or a result
  // could not be kept (user.txt, the command-line log).
  int ExitStatus() const;
  // "#2 P12: 1 reader answered, 57 transactions (Poll)" and its failure lines below, each
  // line ended by "\n"; `index` counts from 0.
  std::string ParameterSummary(std::size_t index) const;
  // "Exit status 1: some operation reported a failure (see DATA/Error.Log)", with "\n".
  std::string StatusLine() const;
  // Every parameter's part, what was not saved, the log of the run and the status line.
  std::string Summary() const;
};

// Runs each parameter as one command with its log lines and the pause after it.
// `commandLineRun` turns true at the first parameter. With a report, what each parameter
// did is added to it; an error that escapes a parameter is noted there, the parameters after
// it are added as not run, and the error is passed on.
void RunCommandLineParameters(const std::vector<std::string>& params, int interCommandDelay,
                              bool& commandLineRun, TRunReport* report = nullptr);

// "yyyymmdd-hhnnss" + ".log" of the current local time.
std::string CommandLineLogName();
// Creates the empty file dataPath + CommandLineLogName(), or, when another run has that name,
// the same with "-2", "-3", ... before ".log"; its name, or "" (with the reason) when none
// could be created.
std::string CreateCommandLineLogFile(const std::string& dataPath, std::string* error = nullptr);
// Writes the lines, each ended by CR LF, to the file; false when it cannot.
bool WriteCommandLineLog(const std::string& fileName, const std::vector<std::string>& lines,
                         std::string* error = nullptr);

}  // namespace zv
