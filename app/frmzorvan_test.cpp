// The main window: start-up from the settings, the menu bar, the log window, the close rules.
#include <QAction>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextCursor>
#include <set>

#include "app/apptest.h"

namespace zv {
namespace {

class FrmZorvanTest : public TAppTest {};

TEST_F(FrmZorvanTest, NoSettingsFileGivesDefaultsAndCreatesTheDataDirectory) {
  auto w = ShownWindow();
  std::string data = DataHome() + "zorvan32/";
  EXPECT_EQ(w->DataPath, data);
  EXPECT_EQ(w->PunchPath, data);
  EXPECT_TRUE(DirectoryExists(data));
  EXPECT_EQ(w->ProgramPath, ProgramDir());
  EXPECT_EQ(w->InterCommandDelay, 2);
  EXPECT_TRUE(w->AutoSaveCommandLineLog);
  EXPECT_EQ(w->NewUserRestriction, 61);
  EXPECT_FALSE(w->Busy);
  EXPECT_FALSE(w->CommandLineRun);
  EXPECT_EQ(w->windowTitle().toStdString(), "Zorvan Utility - untitled.txt");
  EXPECT_EQ(w->CurrentFileName, "untitled.txt");
  EXPECT_EQ(w->UntitledCount, 1);
  // Reading settings never creates the file; only Options writes it.
  EXPECT_FALSE(FileExists(SettingsFile()));
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_FALSE(w->lb->document()->isModified());
}

TEST_F(FrmZorvanTest, SettingsAreReadAndNormalised) {
  std::string data = MakeDir("Data/Site1");
  std::string punch = MakeDir("Punch");
  WriteSettings("[Zorvan32]\r\nDataPath=" + data.substr(0, data.size() - 1) +
                "\r\nPunchPath=" + punch + "\r\nNewUserRestriction=0\r\n"
                "SaveCommandLineLog=0\r\nInterCommandDelay=7\r\n");
  auto w = NewWindow();
  EXPECT_EQ(w->DataPath, data);  // case kept, one trailing "/" added
  EXPECT_EQ(w->PunchPath, punch);
  EXPECT_EQ(w->NewUserRestriction, 0);
  EXPECT_FALSE(w->AutoSaveCommandLineLog);
  EXPECT_EQ(w->InterCommandDelay, 7);
  // The default data directory is not made when the settings name another one.
  EXPECT_FALSE(DirectoryExists(DataHome() + "zorvan32"));
}

TEST_F(FrmZorvanTest, PunchPathFollowsDataPathWhenAbsent) {
  std::string data = MakeDir("d");
  WriteSettings("[Zorvan32]\nDataPath=" + data + "\n");
  auto w = NewWindow();
  EXPECT_EQ(w->PunchPath, data);
}

TEST_F(FrmZorvanTest, InterCommandDelayIsClampedAndDefaulted) {
  struct Case { const char* text; int want; };
  for (Case c : {Case{"0", 1}, Case{"90", 60}, Case{"abc", 2}, Case{"-5", 1}, Case{"60", 60},
                 Case{"1", 1}, Case{"", 2}, Case{"99999999999999", 60}}) {
    WriteSettings(std::string("[Zorvan32]\r\nInterCommandDelay=") + c.text + "\r\n");
    auto w = NewWindow();
    EXPECT_EQ(w->InterCommandDelay, c.want) << "value \"" << c.text << "\"";
  }
}

TEST_F(FrmZorvanTest, UnreadableSettingsFileGivesDefaults) {
  // A directory where the file should be: it cannot be read as a file.
  ForceDirectories(SettingsFile());
  auto w = NewWindow();
  EXPECT_EQ(w->DataPath, DataHome() + "zorvan32/");
  EXPECT_EQ(w->InterCommandDelay, 2);
  EXPECT_TRUE(w->AutoSaveCommandLineLog);
  EXPECT_EQ(w->NewUserRestriction, 61);
}

TEST_F(FrmZorvanTest, BinarySettingsFileDoesNotCrash) {
  static const char kJunk[] = "\0\xff[Zorvan32\n=\n\x01InterCommandDelay=5\r";
  std::string junk(kJunk, sizeof kJunk - 1);
  WriteSettings(junk + "[Zorvan32]\nInterCommandDelay=9\n");
  auto w = NewWindow();
  EXPECT_GE(w->InterCommandDelay, 1);
  EXPECT_LE(w->InterCommandDelay, 60);
}

// The whole menu bar as the administrator sees it: "name caption [keys]" per item, "-" for a
// separator, one text per menu, so an item out of order or a lost separator shows at once.
TEST_F(FrmZorvanTest, MenuBarCarriesNamesCaptionsShortcutsAndOrder) {
  auto w = NewWindow();
  ASSERT_NE(w->findChild<QMenuBar*>("mnuMain"), nullptr);
  std::vector<std::string> got;
  for (QAction* m : w->mnuMain->actions()) {
    QMenu* menu = m->menu();
    ASSERT_NE(menu, nullptr);
    std::string text = menu->objectName().toStdString() + " " + menu->title().toStdString() + ":";
    for (QAction* a : menu->actions()) {
      if (a->isSeparator()) {
        text += " -;";
        continue;
      }
      text += " " + a->objectName().toStdString() + " " + a->text().toStdString();
      if (!a->shortcut().isEmpty()) text += " [" + a->shortcut().toString().toStdString() + "]";
      text += ";";
    }
    got.push_back(text);
  }
  EXPECT_EQ(got, (std::vector<std::string>{
      "mniFile &File: mniNew &New [Ctrl+N]; mniOpen &Open... [Ctrl+O]; mniSave &Save [Ctrl+S];"
      " mniSaveAs Save &As...; -; mniExportPunches &Export Punches...; -;"
      " mniExit E&xit [Ctrl+Q];",
      "Edit1 E&dit: Undo1 &Undo [Ctrl+Z]; -; Cut1 Cu&t [Ctrl+X]; Copy1 &Copy [Ctrl+C];"
      " Paste1 &Paste [Ctrl+V]; Delete1 &De&lete [Del]; -; SelectAll1 Select &All [Ctrl+A]; -;"
      " mniFind &Find... [Ctrl+F]; mniFindNext Find &Next [F3]; -; mniOptions &Options;",
      "Maintenance1 &Maintenance: mniSites S&ites...; mniBells &Bells...;"
      " mniHolidays &Holidays...; mniClocks &Clocks...; mniGroups &Groups...;"
      " mniUsers &Users...; mniTimeZones &Time Zones...;",
      "Commands1 &Zorvan: mniPoll &Poll...; mniRestoreDB &Restore Database...;"
      " mniRestoreFullDatabase Restore Full &Database; mniGetDB &Get Database...;"
      " mniGetRawDatabase Get &Full Database ; mniSetTime Send &Time...;"
      " mniConfig Send &Config...; mniTest Test C&ommunications;",
      "View1 &View: mniListUsers &Users List; mniPunchLog &Punch Log;"
      " mniTodaysPunchs &Todays Punches; mniErrorLog &Error Log; mniSystemLog &System Log;"
      " mniTransactionData Transaction &Data;",
      "Help1 &Help: mniManual &Manual [F1]; mniAbout &About...;"}));
  // No key is given to two items.
  std::set<QString> keys;
  for (QAction* a : w->findChildren<QAction*>()) {
    if (a->shortcut().isEmpty()) continue;
    EXPECT_TRUE(keys.insert(a->shortcut().toString()).second) << a->shortcut().toString().toStdString();
  }
}

TEST_F(FrmZorvanTest, AddLogLineAppendsLinesAndMarksModified) {
  auto w = ShownWindow();
  w->lb->clear();
  w->lb->document()->setModified(false);
  w->AddLogLine("first");
  w->AddLogLine(std::string("caf\xe9", 4));
  w->AddLogLine("");
  EXPECT_TRUE(w->lb->document()->isModified());
  EXPECT_EQ(w->lb->toPlainText().toLatin1().toStdString(), std::string("first\ncaf\xe9\n", 11));
}

TEST_F(FrmZorvanTest, CaptionWithoutFileName) {
  auto w = ShownWindow();
  w->CurrentFileName = "";
  w->UpdateCaption();
  EXPECT_EQ(w->windowTitle().toStdString(), "Zorvan Utility");
  EXPECT_EQ(w->NextUntitledName(), "untitled2.txt");
}

TEST_F(FrmZorvanTest, CloseIsRefusedWhileBusy) {
  auto w = ShownWindow();
  w->Busy = true;
  EXPECT_FALSE(w->close());
  EXPECT_TRUE(w->isVisible());
  w->Busy = false;
  EXPECT_TRUE(w->close());
}

// modem.txt of the data directory, else the installed default beside the program: an edit
// of it takes effect at once and is still there after a restart.
TEST_F(FrmZorvanTest, ModemsComeFromTheDataDirectoryElseTheProgramDirectory) {
  {
    auto w = ShownWindow();
    EXPECT_EQ(w->Modems, std::vector<std::string>{"AT&F"});
  }
  WriteFile(ProgramDir() + "modem.txt", "ATZ\r\nAT&F1\r\n");
  auto w = ShownWindow();
  EXPECT_EQ(w->Modems, (std::vector<std::string>{"ATZ", "AT&F1"}));
  WriteFile(w->DataPath + "modem.txt", "ATX4\n");
  EXPECT_TRUE(w->ReloadDataFile("modem.txt"));
  EXPECT_EQ(w->Modems, std::vector<std::string>{"ATX4"});
  EXPECT_FALSE(w->ReloadDataFile("nothing.txt"));
  EXPECT_FALSE(w->ReloadDataFile("MODEM.TXT"));
  w.reset();
  w = ShownWindow();
  EXPECT_EQ(w->Modems, std::vector<std::string>{"ATX4"});
  ASSERT_EQ(unlink((w->DataPath + "modem.txt").c_str()), 0);
  EXPECT_TRUE(w->ReloadDataFile("modem.txt"));
  EXPECT_EQ(w->Modems, (std::vector<std::string>{"ATZ", "AT&F1"}));
}

TEST_F(FrmZorvanTest, MissingOrUnusableDataDirectoryIsQuiet) {
  WriteFile(Root() + "plainfile", "x");
  for (std::string dir : {Root() + "does/not/exist", Root() + "plainfile"}) {
    WriteSettings("[Zorvan32]\r\nDataPath=" + dir + "\r\n");
    auto w = ShownWindow();
    EXPECT_EQ(w->DataPath, dir + "/");
    EXPECT_TRUE(w->lb->toPlainText().isEmpty()) << w->lb->toPlainText().toStdString();
    EXPECT_TRUE(boxes.shown.empty());
    for (QAction* a : w->Maintenance1->actions()) EXPECT_FALSE(a->isEnabled()) << dir;
    // Nothing is created where the administrator's directory should be.
    EXPECT_FALSE(DirectoryExists(Root() + "does"));
  }
}

TEST_F(FrmZorvanTest, EditCommandsActOnTheTextArea) {
  auto w = ShownWindow();
  w->lb->setPlainText("hello world");
  w->SelectAll1->trigger();
  EXPECT_EQ(w->lb->textCursor().selectedText().toStdString(), "hello world");
  w->Delete1->trigger();
  EXPECT_TRUE(w->lb->toPlainText().isEmpty());
  w->Undo1->trigger();
  EXPECT_EQ(w->lb->toPlainText().toStdString(), "hello world");
  // The menu's Del shortcut must not take the key from the text area's own deleting.
  w->activateWindow();
  w->lb->setFocus();
  QTextCursor c = w->lb->textCursor();
  c.setPosition(0);
  w->lb->setTextCursor(c);
  QTest::keyClick(w->lb, Qt::Key_Delete);
  EXPECT_EQ(w->lb->toPlainText().toStdString(), "ello world");
  QTest::keyClick(w->lb, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(w->lb->toPlainText().toStdString(), "hello world");
}

TEST_F(FrmZorvanTest, OperationItemsStayEnabledWhileIdleAndAlwaysItemsAlways) {
  auto w = ShownWindow();
  for (QAction* a : {w->mniNew, w->mniExit, w->mniOptions, w->mniAbout, w->mniPunchLog}) {
    EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
  }
  w->Busy = true;
  w->RefreshMenus();
  for (QAction* a : {w->mniNew, w->mniExit, w->mniOptions, w->mniAbout, w->mniPunchLog}) {
    EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
  }
  for (QAction* a : w->Maintenance1->actions()) EXPECT_FALSE(a->isEnabled());
  // Options stays enabled, but says why it opens nothing.
  EXPECT_FALSE(AnyOpensADialog({w->mniOptions}));
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{
                               "Options cannot be changed while an operation is running. Choose "
                               "Options again when the operation has finished."});
}

// The lines of lb.
std::vector<std::string> LogLines(const TfrmZorvan& w) {
  std::vector<std::string> lines;
  for (const QString& l : w.lb->toPlainText().split('\n')) lines.push_back(l.toStdString());
  if (lines.size() == 1 && lines[0].empty()) lines.clear();
  return lines;
}

const std::vector<std::string> kLoadLines = {"Sites loaded", "Configurations loaded",
                                             "Clocks loaded", "Groups loaded", "Users loaded"};

TEST_F(FrmZorvanTest, EmptyDataDirectoryGetsTheFiveFilesAndTheFiveLoadLines) {
  auto w = ShownWindow();
  EXPECT_EQ(LogLines(*w), kLoadLines);
  EXPECT_FALSE(w->lb->document()->isModified());
  ASSERT_TRUE(w->Sites && w->Configs && w->Clocks && w->Groups && w->Users);
  EXPECT_EQ(ReadFile(w->DataPath + "site.txt"),
            std::string(TSiteList::kHeader1) + "\r\n" + TSiteList::kHeader2 + "\r\n");
  EXPECT_EQ(ReadFile(w->DataPath + "user.txt"),
            std::string(TUserList::kHeader1) + "\r\n" + TUserList::kHeader2 + "\r\n");
  for (const char* f : {"zv.cfg", "clock.txt", "group.txt"}) {
    EXPECT_TRUE(FileExists(w->DataPath + f)) << f;
  }
  for (QAction* a : w->Maintenance1->actions()) EXPECT_TRUE(a->isEnabled());
  // The modem list is read, never created.
  EXPECT_FALSE(FileExists(w->DataPath + "modem.txt"));
}

TEST_F(FrmZorvanTest, EachListLoadsOnItsOwn) {
  std::string data = DataHome() + "zorvan32/";
  ForceDirectories(data + "clock.txt");  // a directory in the place of a data file
  static const char kBinary[] = "\x01\x02\xff\xfe,,,\0\r\n\0\0garbage";
  WriteFile(data + "group.txt", std::string(kBinary, sizeof kBinary - 1));
  WriteFile(data + "user.txt", std::string(300000, 'x') + "\r\n" + std::string(5000, ','));
  auto w = ShownWindow();
  EXPECT_EQ(w->Clocks, nullptr);
  EXPECT_NE(w->Sites, nullptr);
  EXPECT_NE(w->Configs, nullptr);
  std::vector<std::string> want = {"Sites loaded", "Configurations loaded"};
  if (w->Groups) want.push_back("Groups loaded");
  if (w->Users) want.push_back("Users loaded");
  // Below the load lines: what cannot be read, and what was read short and will not be saved.
  want.push_back("Cannot read " + data + "clock.txt: Is a directory");
  want.push_back(data + "group.txt was read only up to a NUL byte in line 1 (byte offset 7 of 19): "
                 "it will not be saved over until it is mended");
  EXPECT_EQ(LogLines(*w), want);
  EXPECT_EQ(w->LoadFailures, (std::map<std::string, std::string>{
                                 {"clock.txt", "Cannot read " + data + "clock.txt: Is a directory"}}));
  EXPECT_TRUE(boxes.shown.empty());
  // Clocks need both the clock and the configuration list.
  EXPECT_FALSE(w->mniClocks->isEnabled());
  EXPECT_TRUE(w->mniBells->isEnabled());
  w->mniClocks->trigger();  // does nothing without its list
}

TEST_F(FrmZorvanTest, MenusFollowBusyAndTheLists) {
  auto w = ShownWindow();
  w->Busy = true;
  w->RefreshMenus();
  for (QAction* a : w->Maintenance1->actions()) EXPECT_FALSE(a->isEnabled());
  w->Busy = false;
  w->PostRefreshMenus();
  EXPECT_FALSE(w->mniSites->isEnabled());  // posted: not yet
  QCoreApplication::processEvents();
  for (QAction* a : w->Maintenance1->actions()) EXPECT_TRUE(a->isEnabled());
  w->Configs.reset();
  w->RefreshMenus();
  for (QAction* a : {w->mniBells, w->mniHolidays, w->mniTimeZones, w->mniClocks}) {
    EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
  }
  EXPECT_TRUE(w->mniSites->isEnabled());
  EXPECT_TRUE(w->mniUsers->isEnabled());
  EXPECT_TRUE(w->mniGroups->isEnabled());
}

TEST_F(FrmZorvanTest, ReloadDataFileReplacesTheListAndSavesPendingChanges) {
  auto w = ShownWindow();
  std::string user = w->DataPath + "user.txt";
  std::string before = ReadFile(user);
  w->Users->Add("  .a comment the old list still had to write");
  w->Users->Modified = true;
  EXPECT_TRUE(w->ReloadDataFile("user.txt"));
  EXPECT_NE(w->Users.get(), nullptr);
  EXPECT_NE(ReadFile(user), before);  // written when the old list was freed
  EXPECT_EQ(w->Users->Strings(w->Users->Count() - 1),
            "  .a comment the old list still had to write");
  // A file that cannot be loaded any more leaves the list none; the result says so.
  std::remove((w->DataPath + "site.txt").c_str());
  ForceDirectories(w->DataPath + "site.txt");
  EXPECT_FALSE(w->ReloadDataFile("site.txt"));
  EXPECT_EQ(w->Sites, nullptr);
  EXPECT_TRUE(w->mniSites->isEnabled());  // until the next refresh
  w->mniSites->trigger();                 // and then it does nothing
  w->RefreshMenus();
  EXPECT_FALSE(w->mniSites->isEnabled());
  EXPECT_TRUE(w->ReloadDataFile("zv.cfg"));
  EXPECT_TRUE(w->ReloadDataFile("group.txt"));
  EXPECT_TRUE(w->ReloadDataFile("clock.txt"));
  // Reloading writes no load line; only a file that cannot be read is told.
  std::vector<std::string> want = kLoadLines;
  want.push_back("Cannot read " + w->DataPath + "site.txt: Is a directory");
  EXPECT_EQ(LogLines(*w), want);
}

TEST_F(FrmZorvanTest, DestroyingTheWindowWritesUnsavedLists) {
  std::string user, site;
  {
    auto w = ShownWindow();
    user = w->DataPath + "user.txt";
    site = w->DataPath + "site.txt";
    w->Users->Add(".kept");
    w->Users->Modified = true;
    w->Sites->Add(".not saved");  // without Modified nothing is written
  }
  EXPECT_NE(ReadFile(user).find(".kept\r\n"), std::string::npos);
  EXPECT_EQ(ReadFile(site).find(".not saved"), std::string::npos);
}

TEST_F(FrmZorvanTest, NewDataDirectoryInOptionsCreatesItsFilesWithoutLogLines) {
  auto w = ShownWindow();
  std::string fresh = MakeDir("fresh");
  TOptionValues v = w->CurrentOptions();
  v.DataPath = fresh;
  w->ApplyOptions(v);
  for (const char* f : {"site.txt", "zv.cfg", "group.txt", "clock.txt", "user.txt"}) {
    EXPECT_TRUE(FileExists(fresh + f)) << f;
  }
  EXPECT_FALSE(FileExists(fresh + "modem.txt"));
  EXPECT_EQ(w->Sites->FileName, fresh + "site.txt");
  EXPECT_EQ(LogLines(*w), kLoadLines);
}

}  // namespace
}  // namespace zv
