// TfrmZorvan: the main window. It owns the settings and the data set for the whole run, is
// the log window of the reader operations (lb) and holds the menus of every part.
#pragma once
#include <QMainWindow>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/inifile.h"
#include "data/clocklist.h"
#include "data/grouplist.h"
#include "data/sitelist.h"
#include "data/userlist.h"
#include "data/zvcfglist.h"
#include "app/options.h"
#include "app/settings.h"
#include "reader/commands.h"

class QAction;
class QMenu;
class QMenuBar;
class QPlainTextEdit;

namespace zv {

class TBigTextView;
class TFindBar;
class TLogWindow;
class TProgressStatus;

class TfrmZorvan : public QMainWindow {
  Q_OBJECT
 public:
  // Reads the settings; the data set is loaded when the window is first shown.
  explicit TfrmZorvan(const TAppPaths& paths, QWidget* parent = nullptr);
  TfrmZorvan();  // the running executable's paths
  ~TfrmZorvan() override;

  // Fields, in the order the rest of the program knows them.
  bool Busy = false;
  std::unique_ptr<TIniFile> Settings;
  std::string ProgramPath;
  std::string DataPath;
  std::string CurrentFileName;
  std::string PunchPath;
  int InterCommandDelay = kDefaultInterCommandDelay;
  TPortDevices PortDevices;  // [Ports] of the settings, handed to the reader library
  // Lines a reader operation works at once: the ParallelLines setting, or the command line's.
  int ParallelLines = kDefaultParallelLines;
  std::vector<std::string> Modems;
  // The data set; none while its file cannot be loaded.
  std::unique_ptr<TSiteList> Sites;
  std::unique_ptr<TZvCfgList> Configs;
  std::unique_ptr<TClockList> Clocks;
  std::unique_ptr<TGroupList> Groups;
  std::unique_ptr<TUserList> Users;
  // Why a data file's list is none although its file exists, by bare name ("site.txt"):
  // the operations that need it refuse to run (reader/preflight.h).
  std::map<std::string, std::string> LoadFailures;
  int UntitledCount = 0;
  bool CommandLineRun = false;
  // The SaveCommandLineLog setting (the method of that name writes the log file).
  bool AutoSaveCommandLineLog = true;
  // The new-user restriction handed to the reader operations (0 Always, 61 Never).
  int NewUserRestriction = kDefaultNewUserRestriction;
  // The command-line parameters, as bytes, in order.
  std::vector<std::string> Parameters;
  // What the command-line run did: its exit status and summary for a script.
  TRunReport Report;

  // Appends a line to lb, marks it modified and lets pending events run.
  void AddLogLine(const std::string& text);
  // Frees and reloads the list of a data file; see the table in the .cpp.
  bool ReloadDataFile(const std::string& name);
  // The list of a data file by its bare name ("site.txt"); nullptr when none or not loaded.
  const TMyStringList* DataList(const std::string& name) const;
  void UpdateCaption();
  // The next untitled document name: "untitled.txt", then "untitled2.txt", ...
  std::string NextUntitledName();

  // The selection parser, and a command string run through its operation's runner.
  TSelection ParseSelection(const std::string& text) const { return zv::ParseSelection(text); }
  void RunCommand(const std::string& command);

  // Private message 1090: the enabled state of the menu items.
  void RefreshMenus();
  void PostRefreshMenus();
  // Private message 1092: the command-line run, posted once when first shown.
  void StartCommandLineRun();
  // Writes lb as the command-line log in the data directory at the close of a run.
  void SaveCommandLineLog();

  // The Options dialog's OK: writes the settings that changed and reloads what they move.
  void ApplyOptions(const TOptionValues& v);
  TOptionValues CurrentOptions() const;

  QPlainTextEdit* lb;
  // How lines reach lb during an operation, and the status bar line of its progress.
  std::unique_ptr<TLogWindow> LogWindow;
  TProgressStatus* ProgressStatus;
  QMenuBar* mnuMain;
  QMenu *mniFile, *Edit1, *Maintenance1, *Commands1, *View1, *Help1;
  QAction *mniNew, *mniOpen, *mniSave, *mniSaveAs, *mniExit;
  QAction* mniExportPunches;
  QAction *Undo1, *Cut1, *Copy1, *Paste1, *Delete1, *SelectAll1, *mniFind, *mniFindNext,
      *mniOptions;
  QAction *mniSites, *mniBells, *mniHolidays, *mniClocks, *mniGroups, *mniUsers, *mniTimeZones;
  QAction *mniPoll, *mniRestoreDB, *mniRestoreFullDatabase, *mniGetDB, *mniGetRawDatabase,
      *mniSetTime, *mniConfig, *mniTest;
  QAction *mniListUsers, *mniPunchLog, *mniTodaysPunchs, *mniErrorLog, *mniSystemLog,
      *mniTransactionData;
  QAction *mniManual, *mniAbout;
  // Find in the document (Ctrl+F, F3).
  TFindBar* FindBar = nullptr;

  // The editor (editor.cpp): the folder that Save writes CurrentFileName into, the save
  // question, the guarded save, and the document as file bytes.
  std::string DocumentFolder;
  bool QuerySaveEditor();
  bool SaveEditorTo(const std::string& path);
  bool ConfirmOverwrite(const std::string& path);
  std::string DocumentBytes() const;
  // Replace the document; a large file goes to lbView, which shows it read-only.
  void SetDocumentBytes(std::string bytes);
  void SetDocumentLines(const std::vector<std::string>& lines);
  void mniNewClick();
  void mniOpenClick();
  void mniSaveClick();
  void mniSaveAsClick();
  void mniExportPunchesClick();
  TBigTextView* lbView = nullptr;

  // Brings the window to the front, restored, when a second start asks for it.
  void BringToFront();

  void mniOptionsClick();
  void mniSitesClick();
  void mniBellsClick();
  void mniHolidaysClick();
  void mniClocksClick();
  void mniGroupsClick();
  void mniUsersClick();
  void mniTimeZonesClick();

 protected:
  void showEvent(QShowEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

 private:
  void CreateMenus();
  void LoadDataSet();
  template <class TList>
  bool Reload(std::unique_ptr<TList>& list, const std::string& name);

  bool shown_ = false;
};

}  // namespace zv
