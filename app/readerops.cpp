#include "app/readerops.h"

#include <QAction>
#include <QPlainTextEdit>
#include <QStringList>
#include <unistd.h>

#include <cctype>
#include <cstdio>

#include "app/frmoption.h"
#include "app/latin1.h"
#include "app/logwindow.h"
#include "app/frmzorvan.h"
#include "app/shellhost.h"
#include "app/zvapplication.h"
#include "reader/commands.h"
#include "util/datalock.h"
#include "util/msgbox.h"

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

// Another program may have saved a data file since the window read it (a run of another
// user): the operation must work on, and save over, what is on disk now, not the old copy.
void ReloadChangedLists(TfrmZorvan& frm) {
  const std::pair<const char*, const TMyStringList*> lists[] = {
      {"user.txt", frm.Users.get()},   {"site.txt", frm.Sites.get()},
      {"zv.cfg", frm.Configs.get()},   {"group.txt", frm.Groups.get()},
      {"clock.txt", frm.Clocks.get()}};
  for (const auto& [name, list] : lists)
    if (list && list->ChangedOnDisk()) frm.ReloadDataFile(name);
}

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
  std::string selection;
  {
    TfrmOption dlg(&frm, frm.Sites.get(), frm.Clocks.get());
    dlg.setWindowTitle(OptionCaption(letter));
    if (dlg.exec() != QDialog::Accepted) return;
    selection = dlg.Selection;
  }
  // Taken after the choice, so that the dialog keeps nobody else waiting.
  TDataLock lock(frm.DataPath, SaveLockWaitMs());
  if (!lock.Held()) {
    std::string text = lock.Refusal();
    text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    frm.AddLogLine(text + ". Nothing was run.");
    ShowWarning(text + ". Nothing was run.");
    return;
  }
  ReloadChangedLists(frm);
  frm.RunCommand(std::string(1, letter) + selection);
  frm.AddLogLine("Done");
}

void RunCommandLine(TfrmZorvan& frm) {
  {
    TBusyScope busy(frm, false);
    TEngineHostScope scope(frm);
    // The whole run, pauses included, is one turn at the data set: its parameters may depend
    // on each other (C before T), and a script learns at once that it did not run.
    TDataLock lock(frm.DataPath, RunLockWaitMs());
    try {
      frm.Report.DataPath = frm.DataPath;
      if (!lock.Held()) {
        frm.CommandLineRun = true;
        frm.Report.LockRefused = lock.Refusal();
        frm.AddLogLine("Not run: " + lock.Refusal());
        std::fprintf(stderr, "zorvan32: %s; nothing was run\n", lock.Refusal().c_str());
      } else {
        ReloadChangedLists(frm);
        RunCommandLineParameters(frm.Parameters, frm.InterCommandDelay, frm.CommandLineRun,
                                 &frm.Report);
      }
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
  std::string error;
  // A name of its own: a second run ending in the same second must not replace this log.
  std::string name = CreateCommandLineLogFile(frm.DataPath, &error);
  bool ok = !name.empty();
  if (!ok) name = frm.DataPath + CommandLineLogName();
  if (ok && !WriteCommandLineLog(name, lines, &error)) {
    ok = false;
    ::unlink(name.c_str());
  }
  if (!ok) {
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
