#include "app/readerops.h"

#include <QAction>
#include <QPlainTextEdit>
#include <QStringList>
#include <cstdio>

#include "app/frmoption.h"
#include "app/latin1.h"
#include "app/logwindow.h"
#include "app/frmzorvan.h"
#include "app/shellhost.h"
#include "app/zvapplication.h"
#include "reader/commands.h"

namespace zv {

namespace {

// Clears Busy and refreshes the menus on every way out, errors included.
class TBusyScope {
 public:
  TBusyScope(TfrmZorvan& frm, bool posted) : frm_(frm), posted_(posted) {
    frm_.Busy = true;
    Refresh();
  }
  ~TBusyScope() {
    frm_.Busy = false;
    Refresh();
  }
  TBusyScope(const TBusyScope&) = delete;
  TBusyScope& operator=(const TBusyScope&) = delete;

 private:
  void Refresh() {
    if (posted_) {
      frm_.PostRefreshMenus();
    } else {
      frm_.RefreshMenus();
    }
  }
  TfrmZorvan& frm_;
  bool posted_;
};

}  // namespace

const char* OptionCaption(char letter) {
  switch (letter) {
    case 'P': return "Poll Option";
    case 'C': return "Config Option";
    case 'R':
    case 'D': return "Restore Option";
    case 'G':
    case 'F': return "Get Option";
    case 'T': return "Time Option";
    case 'X': return "Test Communications Option";
    default: return "";
  }
}

void RunShellCommand(TfrmZorvan& frm, const std::string& command) {
  TEngineHostScope scope(frm);
  TParameterReport report;
  report.Parameter = command;
  RunReported(command, report);
  // Last night at a glance: which readers answered, and which did not.
  if (report.Operation) frm.AddLogLine("Summary: " + report.Outcome());
}

void RunMenuOperation(TfrmZorvan& frm, char letter) {
  TBusyScope busy(frm, true);
  TfrmOption dlg(&frm, frm.Sites.get(), frm.Clocks.get());
  dlg.setWindowTitle(OptionCaption(letter));
  if (dlg.exec() != QDialog::Accepted) return;
  frm.RunCommand(std::string(1, letter) + dlg.Selection);
  frm.AddLogLine("Done");
}

void RunCommandLine(TfrmZorvan& frm) {
  {
    TBusyScope busy(frm, false);
    TEngineHostScope scope(frm);
    try {
      frm.Report.DataPath = frm.DataPath;
      RunCommandLineParameters(frm.Parameters, frm.InterCommandDelay, frm.CommandLineRun,
                               &frm.Report);
    } catch (const std::exception& e) {
      // With someone at the screen the error box shows it and the program stays open. In an
      // unattended run nobody could answer the box or close the program, so the error goes
      // to the log, and the run closes as usual, saving that log.
      if (ErrorBoxCanBeAnswered()) throw;
      frm.AddLogLine(e.what());
    }
  }
  if (frm.CommandLineRun) frm.close();
}

void RefreshMenuTable(TfrmZorvan& frm) {
  bool idle = !frm.Busy;
  frm.mniSites->setEnabled(frm.Sites && idle);
  frm.mniGroups->setEnabled(frm.Groups && idle);
  for (QAction* a : {frm.mniBells, frm.mniHolidays, frm.mniTimeZones})
    a->setEnabled(frm.Configs && idle);
  frm.mniClocks->setEnabled(frm.Clocks && frm.Configs && idle);
  frm.mniUsers->setEnabled(frm.Users && idle);
  for (QAction* a : {frm.mniPoll, frm.mniConfig, frm.mniRestoreDB, frm.mniRestoreFullDatabase,
                     frm.mniGetDB, frm.mniGetRawDatabase, frm.mniSetTime, frm.mniTest,
                     frm.mniListUsers, frm.mniOpen, frm.mniSave, frm.mniSaveAs})
    a->setEnabled(idle);
}

bool WriteCommandLineLogOf(TfrmZorvan& frm) {
  frm.LogWindow->Flush();
  std::vector<std::string> lines;
  const QString text = frm.lb->toPlainText();
  if (!text.isEmpty()) {
    for (const QString& l : text.split(QChar('\n'))) lines.push_back(Latin1Bytes(l));
  }
  std::string name = frm.DataPath + CommandLineLogName();
  std::string error;
  if (!WriteCommandLineLog(name, lines, &error)) {
    // The log is the run's record; a script must learn that it is missing.
    frm.Report.NotSaved.push_back("command-line log " + name + ": " + error);
    std::fprintf(stderr, "zorvan32: unable to save the command-line log %s: %s\n", name.c_str(),
                 error.c_str());
    return false;
  }
  frm.Report.LogFile = name;
  return true;
}

}  // namespace zv
