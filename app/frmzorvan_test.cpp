// The main window: start-up from the settings, the menu bar, the log window, the close rules.
#include <QAction>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>

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

TEST_F(FrmZorvanTest, MenuBarCarriesNamesCaptionsAndShortcuts) {
  auto w = NewWindow();
  ASSERT_NE(w->findChild<QMenuBar*>("mnuMain"), nullptr);
  std::vector<std::string> menus;
  for (QAction* a : w->mnuMain->actions()) menus.push_back(a->menu()->objectName().toStdString());
  EXPECT_EQ(menus, (std::vector<std::string>{"mniFile", "Edit1", "Maintenance1", "Commands1",
                                             "View1", "Help1"}));
  struct Item { const char* name; const char* caption; const char* keys; };
  for (Item i : {Item{"mniSaveAs", "Save &As...", ""}, Item{"mniExit", "E&xit", ""},
                 Item{"Undo1", "&Undo", "Ctrl+Z"}, Item{"Delete1", "&De&lete", "Del"},
                 Item{"SelectAll1", "Select &All", "Ctrl+A"}, Item{"mniOptions", "&Options", ""},
                 Item{"mniSites", "S&ites...", ""}, Item{"mniTimeZones", "&Time Zones...", ""},
                 Item{"mniGetRawDatabase", "Get &Full Database ", ""},
                 Item{"mniTest", "Test C&ommunications", ""},
                 Item{"mniTodaysPunchs", "&Todays Punches", ""},
                 Item{"mniAbout", "&About...", ""}}) {
    auto* a = w->findChild<QAction*>(i.name);
    ASSERT_NE(a, nullptr) << i.name;
    EXPECT_EQ(a->text().toStdString(), i.caption);
    EXPECT_EQ(a->shortcut().toString().toStdString(), i.keys) << i.name;
  }
  auto* zorvan = w->findChild<QMenu*>("Commands1");
  ASSERT_NE(zorvan, nullptr);
  EXPECT_EQ(zorvan->title().toStdString(), "&Zorvan");
  EXPECT_EQ(zorvan->actions().size(), 8);
  EXPECT_EQ(w->findChild<QMenu*>("mniFile")->actions().size(), 6);  // with the separator
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

TEST_F(FrmZorvanTest, ModemsComeFromTheProgramDirectoryAtStartAndDataDirectoryOnReload) {
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
}

}  // namespace
}  // namespace zv
