// The punch export from the settings' directories into a file or standard output, shared by
// `zorvan32 --export-punches` and File > Export Punches. No toolkit: the command line runs it
// without a display and without the window.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

#include "reader/punchexport.h"

namespace zv {

struct TPunchExportJob {
  std::string PunchPath, DataPath;  // trailing "/"
  int From = 0, To = 0;             // yyyymmdd, both included
  bool Events = false;              // the events of Sys.Log too
  std::string File;                 // empty: standard output
};

// Runs the job. A file is replaced whole or not at all. False with `error` when a log cannot
// be read or the output cannot be written; `result` says what was written and skipped.
bool RunPunchExport(const TPunchExportJob& job, TExportResult& result, std::string& error,
                    std::FILE* out = stdout);

// "2 rows exported to FILE, 1 damaged line skipped" (without " to FILE" for standard output).
std::string PunchExportSummary(const TExportResult& result, const std::string& file);

// `zorvan32 --export-punches [--events] FROM TO [FILE]`: true when the parameters ask for it.
bool IsPunchExportRequest(const std::vector<std::string>& params);
// Runs it with the directories of the settings file; messages on standard error. Exit status
// 0 when every line was read, 1 when damaged lines were skipped, 2 when it could not run.
int RunPunchExportCommand(const std::vector<std::string>& params, const std::string& settingsFile,
                          const std::string& defaultDataPath);

}  // namespace zv
