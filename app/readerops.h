// The reader operations as the main window runs them: the eight items of the Zorvan menu
// with their selection dialog, the command-line run with its pauses and close, the menu
// refresh table, and the command-line log file.
#pragma once
#include <string>

namespace zv {

class TfrmZorvan;

// The selection dialog's caption for an operation letter ("" for none).
const char* OptionCaption(char letter);
// Busy, the selection dialog, the command and "Done"; Busy cleared again whatever happens.
void RunMenuOperation(TfrmZorvan& frm, char letter);
// Runs one command string with the window as the engine's host.
void RunShellCommand(TfrmZorvan& frm, const std::string& command);
// Every parameter as one command, the pauses, and the close after the last one.
void RunCommandLine(TfrmZorvan& frm);
// The enabled state of the menu items, from the lists and Busy.
void RefreshMenuTable(TfrmZorvan& frm);
// Writes lb to DataPath + "yyyymmdd-hhnnss.log"; false when it cannot be written.
bool WriteCommandLineLogOf(TfrmZorvan& frm);

}  // namespace zv
