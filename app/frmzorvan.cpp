#include "app/frmzorvan.h"

#include "app/readerops.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QMetaObject>
#include <QPlainTextEdit>
#include <QShowEvent>
#include <QTextCursor>

#include "app/editor.h"
#include "app/frmexportpunches.h"
#include "app/frmoption2.h"
#include "app/logwindow.h"
#include "app/progressstatus.h"
#include "app/zvapplication.h"
#include "app/latin1.h"
#include "data/modemlist.h"
#include "dialogs/frmbells.h"
#include "dialogs/frmclock.h"
#include "dialogs/frmgroups.h"
#include "dialogs/frmholidays.h"
#include "dialogs/frmsite.h"
#include "dialogs/frmtimezone.h"
#include "dialogs/frmusers.h"
#include "reader/engine.h"
#include "util/fileio.h"
#include "util/msgbox.h"

namespace zv {

namespace {

QAction* Item(QMenu* menu, const char* name, const char* caption,
              const QKeySequence& shortcut = QKeySequence()) {
  QAction* a = menu->addAction(QString::fromLatin1(caption));
  a->setObjectName(name);
  if (!shortcut.isEmpty()) a->setShortcut(shortcut);
  return a;
}

QMenu* Menu(QMenuBar* bar, const char* name, const char* caption) {
  QMenu* m = bar->addMenu(QString::fromLatin1(caption));
  m->setObjectName(name);
  return m;
}

// A list on its file, or none when its constructor lets any error out. A file that exists
// but cannot be read leaves its reason in `failures` under the bare name.
template <class TList>
std::unique_ptr<TList> NewList(const std::string& dir, const std::string& name,
                               std::map<std::string, std::string>& failures) {
  failures.erase(name);
  try {
    return std::make_unique<TList>(dir + name);
  } catch (const EZvUnreadableFile& e) {
    failures[name] = e.what();
  } catch (...) {
  }
  return nullptr;
}

// What the administrator must hear about a data file as it was loaded: it could not be read,
// or it was read short and will not be saved over. Empty when all is well.
std::string LoadProblem(const TMyStringList* list, const std::map<std::string, std::string>& failures,
                        const std::string& name) {
  auto f = failures.find(name);
  if (f != failures.end()) return f->second;
  if (list && !list->ReadShort().empty())
    return list->FileName + " was " + list->ReadShort() +
           ": it will not be saved over until it is mended";
  return {};
}

}  // namespace

TfrmZorvan::TfrmZorvan() : TfrmZorvan(DefaultAppPaths()) {}

TfrmZorvan::TfrmZorvan(const TAppPaths& paths, QWidget* parent) : QMainWindow(parent) {
  setObjectName("frmZorvan");
  resize(640, 480);

  lb = new QPlainTextEdit(this);
  lb->setObjectName("lb");
  lb->setLineWrapMode(QPlainTextEdit::NoWrap);
  lb->setFrameShape(QFrame::NoFrame);
  lb->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  lb->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  lb->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  setCentralWidget(lb);
  LogWindow = std::make_unique<TLogWindow>(lb);
  ProgressStatus = new TProgressStatus(statusBar());
  CreateMenus();

  // Creation: settings first, lists none until the window is shown.
  Settings = std::make_unique<TIniFile>(paths.SettingsFile);
  ProgramPath = WithDelimiter(paths.ProgramPath);
  // The default data directory is ours to create; one the administrator named is not.
  bool haveDataPath = !Settings->ReadString(kSettingsSection, "DataPath", "").empty();
  if (!haveDataPath) ForceDirectories(paths.DefaultDataPath);
  TSettingsValues v = ReadSettings(*Settings, paths.DefaultDataPath);
  DataPath = v.DataPath;
  PunchPath = v.PunchPath;
  NewUserRestriction = v.NewUserRestriction;
  SetNewUserRestriction(NewUserRestriction);
  AutoSaveCommandLineLog = v.SaveCommandLineLog;
  InterCommandDelay = v.InterCommandDelay;
  ParallelLines = v.ParallelLines;
  PortDevices = ReadPortSettings(*Settings);
  HandPortsToLibrary(PortDevices);

  Busy = false;
  lb->clear();
  UntitledCount = 0;
  CommandLineRun = false;
}

TfrmZorvan::~TfrmZorvan() {
  // The lists go first, each writing its file when it holds unsaved changes; then the settings.
  Sites.reset();
  Modems.clear();
  Clocks.reset();
  Configs.reset();
  Groups.reset();
  Users.reset();
  Settings.reset();
}

void TfrmZorvan::CreateMenus() {
  mnuMain = menuBar();
  mnuMain->setObjectName("mnuMain");

  mniFile = Menu(mnuMain, "mniFile", "&File");
  // The desktop's usual keys where the menus have none of their own.
  mniNew = Item(mniFile, "mniNew", "&New", QKeySequence(Qt::CTRL | Qt::Key_N));
  mniOpen = Item(mniFile, "mniOpen", "&Open...", QKeySequence(Qt::CTRL | Qt::Key_O));
  mniSave = Item(mniFile, "mniSave", "&Save", QKeySequence(Qt::CTRL | Qt::Key_S));
  mniSaveAs = Item(mniFile, "mniSaveAs", "Save &As...");
  mniFile->addSeparator();
  mniExportPunches = Item(mniFile, "mniExportPunches", "&Export Punches...");
  mniFile->addSeparator();
  mniExit = Item(mniFile, "mniExit", "E&xit", QKeySequence(Qt::CTRL | Qt::Key_Q));

  Edit1 = Menu(mnuMain, "Edit1", "E&dit");
  Undo1 = Item(Edit1, "Undo1", "&Undo", QKeySequence(Qt::CTRL | Qt::Key_Z));
  Edit1->addSeparator();
  Cut1 = Item(Edit1, "Cut1", "Cu&t", QKeySequence(Qt::CTRL | Qt::Key_X));
  Copy1 = Item(Edit1, "Copy1", "&Copy", QKeySequence(Qt::CTRL | Qt::Key_C));
  Paste1 = Item(Edit1, "Paste1", "&Paste", QKeySequence(Qt::CTRL | Qt::Key_V));
  Delete1 = Item(Edit1, "Delete1", "&De&lete", QKeySequence(Qt::Key_Delete));
  Edit1->addSeparator();
  SelectAll1 = Item(Edit1, "SelectAll1", "Select &All", QKeySequence(Qt::CTRL | Qt::Key_A));
  Edit1->addSeparator();
  mniFind = Item(Edit1, "mniFind", "&Find...", QKeySequence(Qt::CTRL | Qt::Key_F));
  mniFindNext = Item(Edit1, "mniFindNext", "Find &Next", QKeySequence(Qt::Key_F3));
  Edit1->addSeparator();
  mniOptions = Item(Edit1, "mniOptions", "&Options");

  Maintenance1 = Menu(mnuMain, "Maintenance1", "&Maintenance");
  mniSites = Item(Maintenance1, "mniSites", "S&ites...");
  mniBells = Item(Maintenance1, "mniBells", "&Bells...");
  mniHolidays = Item(Maintenance1, "mniHolidays", "&Holidays...");
  mniClocks = Item(Maintenance1, "mniClocks", "&Clocks...");
  mniGroups = Item(Maintenance1, "mniGroups", "&Groups...");
  mniUsers = Item(Maintenance1, "mniUsers", "&Users...");
  mniTimeZones = Item(Maintenance1, "mniTimeZones", "&Time Zones...");

  Commands1 = Menu(mnuMain, "Commands1", "&Zorvan");
  mniPoll = Item(Commands1, "mniPoll", "&Poll...");
  mniRestoreDB = Item(Commands1, "mniRestoreDB", "&Restore Database...");
  mniRestoreFullDatabase = Item(Commands1, "mniRestoreFullDatabase", "Restore Full &Database");
  mniGetDB = Item(Commands1, "mniGetDB", "&Get Database...");
  mniGetRawDatabase = Item(Commands1, "mniGetRawDatabase", "Get &Full Database ");
  mniSetTime = Item(Commands1, "mniSetTime", "Send &Time...");
  mniConfig = Item(Commands1, "mniConfig", "Send &Config...");
  mniTest = Item(Commands1, "mniTest", "Test C&ommunications");

  View1 = Menu(mnuMain, "View1", "&View");
  mniListUsers = Item(View1, "mniListUsers", "&Users List");
  mniPunchLog = Item(View1, "mniPunchLog", "&Punch Log");
  mniTodaysPunchs = Item(View1, "mniTodaysPunchs", "&Todays Punches");
  mniErrorLog = Item(View1, "mniErrorLog", "&Error Log");
  mniSystemLog = Item(View1, "mniSystemLog", "&System Log");
  mniTransactionData = Item(View1, "mniTransactionData", "Transaction &Data");

  Help1 = Menu(mnuMain, "Help1", "&Help");
  mniManual = Item(Help1, "mniManual", "&Manual", QKeySequence(Qt::Key_F1));
  mniAbout = Item(Help1, "mniAbout", "&About...");

  connect(mniExit, &QAction::triggered, this, &QWidget::close);
  // File, Edit, View and Help.
  ConnectEditorMenus(*this);
  connect(mniOptions, &QAction::triggered, this, &TfrmZorvan::mniOptionsClick);
  connect(mniExportPunches, &QAction::triggered, this, &TfrmZorvan::mniExportPunchesClick);
  connect(mniSites, &QAction::triggered, this, &TfrmZorvan::mniSitesClick);
  connect(mniBells, &QAction::triggered, this, &TfrmZorvan::mniBellsClick);
  connect(mniHolidays, &QAction::triggered, this, &TfrmZorvan::mniHolidaysClick);
  connect(mniClocks, &QAction::triggered, this, &TfrmZorvan::mniClocksClick);
  connect(mniGroups, &QAction::triggered, this, &TfrmZorvan::mniGroupsClick);
  connect(mniUsers, &QAction::triggered, this, &TfrmZorvan::mniUsersClick);
  connect(mniTimeZones, &QAction::triggered, this, &TfrmZorvan::mniTimeZonesClick);
  // The Zorvan menu: each item asks for a site and a clock, then runs its operation.
  const std::pair<QAction*, char> operations[] = {
      {mniPoll, 'P'}, {mniRestoreDB, 'R'}, {mniRestoreFullDatabase, 'D'}, {mniGetDB, 'G'},
      {mniGetRawDatabase, 'F'}, {mniSetTime, 'T'}, {mniConfig, 'C'}, {mniTest, 'X'}};
  for (const auto& [item, letter] : operations) {
    const char l = letter;
    connect(item, &QAction::triggered, this, [this, l] { RunMenuOperation(*this, l); });
  }
}

void TfrmZorvan::AddLogLine(const std::string& text) {
  // The reader operations run on this thread: the line lets the window repaint and take input.
  LogWindow->AddLine(text);
}

void TfrmZorvan::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  if (shown_) return;
  shown_ = true;
  LoadDataSet();
}

void TfrmZorvan::LoadDataSet() {
  // Each step stands alone: a list that fails to load stays none and writes no line. The log
  // lines let events run, so the menus wait for their first refresh: no command may act on a
  // data set that is half loaded.
  mnuMain->setEnabled(false);
  Modems = LoadModemList(ModemFileName(DataPath, ProgramPath));
  auto& f = LoadFailures;
  if ((Sites = NewList<TSiteList>(DataPath, "site.txt", f))) AddLogLine("Sites loaded");
  if ((Configs = NewList<TZvCfgList>(DataPath, "zv.cfg", f))) AddLogLine("Configurations loaded");
  if ((Clocks = NewList<TClockList>(DataPath, "clock.txt", f))) AddLogLine("Clocks loaded");
  if ((Groups = NewList<TGroupList>(DataPath, "group.txt", f))) AddLogLine("Groups loaded");
  if ((Users = NewList<TUserList>(DataPath, "user.txt", f))) AddLogLine("Users loaded");
  std::string problems;
  for (const char* name : {"site.txt", "zv.cfg", "clock.txt", "group.txt", "user.txt"}) {
    std::string p = LoadProblem(DataList(name), f, name);
    if (p.empty()) continue;
    AddLogLine(p);
    problems += p + "\n";
  }
  // Someone at the screen is told at once; an unattended run has the lines in its log, and
  // each operation that needs such a file says so again.
  if (!problems.empty() && Parameters.empty() && ErrorBoxCanBeAnswered())
    QMetaObject::invokeMethod(this, [problems] { ShowWarning(problems); }, Qt::QueuedConnection);
  // The load lines are not changes of the document.
  lb->document()->setModified(false);
  CurrentFileName = NextUntitledName();
  UpdateCaption();
  mnuMain->setEnabled(true);
  RefreshMenus();
  QMetaObject::invokeMethod(this, [this] { StartCommandLineRun(); }, Qt::QueuedConnection);
}

std::string TfrmZorvan::NextUntitledName() {
  ++UntitledCount;
  if (UntitledCount == 1) return "untitled.txt";
  return "untitled" + std::to_string(UntitledCount) + ".txt";
}

void TfrmZorvan::UpdateCaption() {
  if (CurrentFileName.empty()) {
    setWindowTitle("Zorvan Utility");
  } else {
    setWindowTitle("Zorvan Utility - " + Latin1(CurrentFileName));
  }
}

// Reloads the list of a data file after the file changed on disk or the data directory moved.
// The old list is freed first, writing its unsaved changes. No log line, no menu refresh.
template <class TList>
bool TfrmZorvan::Reload(std::unique_ptr<TList>& list, const std::string& name) {
  list.reset();
  list = NewList<TList>(DataPath, name, LoadFailures);
  std::string problem = LoadProblem(list.get(), LoadFailures, name);
  if (!problem.empty()) AddLogLine(problem);
  return list != nullptr;
}

const TMyStringList* TfrmZorvan::DataList(const std::string& name) const {
  if (name == "site.txt") return Sites.get();
  if (name == "zv.cfg") return Configs.get();
  if (name == "clock.txt") return Clocks.get();
  if (name == "group.txt") return Groups.get();
  if (name == "user.txt") return Users.get();
  return nullptr;
}

bool TfrmZorvan::ReloadDataFile(const std::string& name) {
  if (name == "user.txt") return Reload(Users, name);
  if (name == "site.txt") return Reload(Sites, name);
  if (name == "modem.txt") {
    // Looked up as at start, so that an edit counts the same now and after a restart.
    Modems = LoadModemList(ModemFileName(DataPath, ProgramPath));
    return true;
  }
  if (name == "zv.cfg") return Reload(Configs, name);
  if (name == "group.txt") return Reload(Groups, name);
  if (name == "clock.txt") return Reload(Clocks, name);
  return false;
}

void TfrmZorvan::RefreshMenus() { RefreshMenuTable(*this); }

void TfrmZorvan::PostRefreshMenus() {
  QMetaObject::invokeMethod(this, [this] { RefreshMenus(); }, Qt::QueuedConnection);
}

void TfrmZorvan::StartCommandLineRun() { RunCommandLine(*this); }

void TfrmZorvan::SaveCommandLineLog() { WriteCommandLineLogOf(*this); }

void TfrmZorvan::RunCommand(const std::string& command) { RunShellCommand(*this, command); }

void TfrmZorvan::closeEvent(QCloseEvent* e) {
  if (Busy) {
    e->ignore();
    return;
  }
  if (!CommandLineRun) {
    if (!QuerySaveEditor()) {
      e->ignore();
      return;
    }
  } else if (AutoSaveCommandLineLog) {
    SaveCommandLineLog();
  }
  e->accept();
}

void TfrmZorvan::BringToFront() {
  setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
  showNormal();
  raise();
  activateWindow();
}

TOptionValues TfrmZorvan::CurrentOptions() const {
  TOptionValues v;
  v.DataPath = WithoutDelimiter(DataPath);
  v.PunchPath = WithoutDelimiter(PunchPath);
  v.InterCommandDelay = InterCommandDelay;
  v.NewUserNever = NewUserRestriction != 0;
  v.SaveCommandLineLog = AutoSaveCommandLineLog;
  v.Ports = PortDevices;
  return v;
}

void TfrmZorvan::ApplyOptions(const TOptionValues& v) {
  // Every change is written at once; a write that fails is told once, since the change would
  // otherwise be lost silently at the next start.
  bool written = true;
  auto write = [&](const char* key, const std::string& value) {
    written = Settings->WriteString(kSettingsSection, key, value) && written;
  };
  if (DirectoryChanged(DataPath, v.DataPath)) {
    std::string dir = WithoutDelimiter(v.DataPath);
    write("DataPath", dir);
    DataPath = WithDelimiter(dir);
    for (const char* f : {"user.txt", "site.txt", "zv.cfg", "group.txt", "clock.txt"}) {
      ReloadDataFile(f);
    }
  }
  if (DirectoryChanged(PunchPath, v.PunchPath)) {
    std::string dir = WithoutDelimiter(v.PunchPath);
    write("PunchPath", dir);
    PunchPath = WithDelimiter(dir);
  }
  NewUserRestriction = v.NewUserNever ? 61 : 0;
  SetNewUserRestriction(NewUserRestriction);
  write("NewUserRestriction", std::to_string(NewUserRestriction));
  if (v.SaveCommandLineLog != AutoSaveCommandLineLog) {
    AutoSaveCommandLineLog = v.SaveCommandLineLog;
    write("SaveCommandLineLog", AutoSaveCommandLineLog ? "1" : "0");
  }
  if (v.InterCommandDelay != InterCommandDelay) {
    InterCommandDelay = ClampInterCommandDelay(v.InterCommandDelay);
    write("InterCommandDelay", std::to_string(InterCommandDelay));
  }
  if (v.Ports != PortDevices) {
    for (int n = 1; n <= kSerialPortCount; ++n)
      if (v.Ports[n - 1] != PortDevices[n - 1])
        written = Settings->WriteString(kPortsSection, "COM" + std::to_string(n), v.Ports[n - 1]) &&
                  written;
    PortDevices = v.Ports;
    HandPortsToLibrary(PortDevices);
  }
  if (!written) {
    ShowWarning("Unable to save the settings to " + Settings->FileName() + ": " +
                Settings->LastError());
  }
}

void TfrmZorvan::mniExportPunchesClick() {
  // A poll that runs appends to Punch.Log: its last line could be read half written.
  if (Busy) return;
  TfrmExportPunches dlg(this, PunchPath, DataPath);
  dlg.exec();
}

void TfrmZorvan::mniOptionsClick() {
  // A run in progress reads the lists that a new data directory would free under it.
  if (Busy) {
    ShowWarning("Options cannot be changed while an operation is running. Choose Options "
                "again when the operation has finished.");
    return;
  }
  TfrmOption2 dlg(this);
  dlg.SetValues(CurrentOptions());
  if (dlg.exec() != QDialog::Accepted) return;
  ApplyOptions(dlg.Values());
}

// Each maintenance item opens its dialog modally and frees it afterwards; the dialogs come
// with their own work. An item does nothing while the list its dialog needs is none.
void TfrmZorvan::mniSitesClick() {
  if (!Sites || Busy) return;
  TfrmSite dlg(this, *Sites, Clocks.get(), Modems);
  dlg.exec();
}
void TfrmZorvan::mniBellsClick() {
  if (!Configs || Busy) return;
  TfrmBells dlg(this, *Configs);
  dlg.exec();
}
void TfrmZorvan::mniHolidaysClick() {
  if (!Configs || Busy) return;
  TfrmHolidays dlg(this, *Configs);
  dlg.exec();
}
void TfrmZorvan::mniClocksClick() {
  // Each clock is saved with its reader configuration, so both lists are needed.
  if (!Clocks || !Configs || Busy) return;
  TfrmClock dlg(this, *Clocks, *Configs, Sites.get(), Groups.get(), DataPath);
  dlg.exec();
}
void TfrmZorvan::mniGroupsClick() {
  if (!Groups || Busy) return;
  TfrmGroups dlg(this, *Groups, Sites.get(), Clocks.get());
  dlg.exec();
}
void TfrmZorvan::mniUsersClick() {
  if (!Users || Busy) return;
  TfrmUsers dlg(this, *Users, Groups.get(), DataPath);
  dlg.exec();
}
void TfrmZorvan::mniTimeZonesClick() {
  if (!Configs || Busy) return;
  TfrmTimeZone dlg(this, *Configs);
  dlg.exec();
}

}  // namespace zv
