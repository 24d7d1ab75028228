// The View menu's logs: the punch logs, the error and system logs and the raw transactions,
// each loaded into the document, or a line saying there is none.
#pragma once
#include <ctime>
#include <string>

namespace zv {

class TfrmZorvan;

// The daily punch log's file name for a local date: "yyyymmdd" + ".log".
std::string DailyPunchLogName(const std::tm& local);

// Replaces the document by the file `name` of `dir` (found in any letter case), or by the
// single line `missing` when it cannot be opened; the document's name stays. `atEnd` opens it
// at its newest line.
void ShowLogView(TfrmZorvan& frm, const std::string& dir, const std::string& name,
                 const std::string& missing, bool atEnd = false);

void ConnectViewMenus(TfrmZorvan& frm);

}  // namespace zv
