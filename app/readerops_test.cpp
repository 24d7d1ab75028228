// The reader operations in the main window: the selection dialog, the eight Zorvan menu
// items with Busy and the menu refresh, and the command-line log file.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <functional>

#include <signal.h>
#include <sys/wait.h>

#include "app/apptest.h"
#include "app/frmoption.h"
#include "app/progressstatus.h"
#include "app/readerops.h"
#include "app/zvapplication.h"
#include "reader/commands.h"
#include "reader/engine.h"
#include "reader/rdrdll32.h"
#include "util/testsupport.h"

namespace zv {
namespace {

class ShellReaderOpsTest : public TAppTest {
 protected:
  // A data directory with sites 1 and 7 (7 with clocks 3 and 12) and a window on it.
  std::unique_ptr<TfrmZorvan> WindowWithSites() {
    data_ = MakeDir("data");
    WriteFile(data_ + "site.txt", "    1, , , , , , 0, , one\r\n    7, , , , , , 0, , seven\r\n");
    WriteFile(data_ + "clock.txt", "    7,     3\r\n    7,    12\r\n");
    WriteSettings("[Zorvan32]\r\nDataPath=" + data_ + "\r\n");
    return ShownWindow();
  }
  // Runs `act` on the selection dialog as soon as it is shown modally.
  void OnDialog(std::function<void(TfrmOption&)> act) {
    // A short delay lets the dialog's own loop run what was posted before it opened.
    QTimer::singleShot(30, [act] {
      for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* d = qobject_cast<TfrmOption*>(w); d && d->isVisible()) {
          act(*d);
          return;
        }
      }
      ADD_FAILURE() << "no selection dialog";
    });
  }
  // The unit tests' stand-in library, which answers every reader as a ZV4K.
  void UseStandInLibrary() {
    std::string exe = QCoreApplication::applicationDirPath().toStdString();
    TRdrDll32::LibraryName = exe + "/../reader/fake_full/librdrdll32.so";
  }
  std::string Text(TfrmZorvan& w) { return w.lb->toPlainText().toStdString(); }
  std::string data_;
};

TEST_F(ShellReaderOpsTest, SelectionDialogOffersSitesAndTheirClocks) {
  auto w = WindowWithSites();
  TfrmOption dlg(w.get(), w->Sites.get(), w->Clocks.get());
  ASSERT_EQ(dlg.cbxSite->count(), 3);
  EXPECT_EQ(dlg.cbxSite->currentText(), "All");
  EXPECT_EQ(dlg.cbxClock->count(), 1);
  dlg.Button1Click();
  EXPECT_EQ(dlg.Selection, "");
  EXPECT_EQ(dlg.result(), QDialog::Accepted);

  dlg.cbxSite->setCurrentIndex(2);
  ASSERT_EQ(dlg.cbxClock->count(), 3);
  EXPECT_EQ(dlg.cbxClock->itemText(2), "12");
  dlg.Button1Click();
  EXPECT_EQ(dlg.Selection, "007");
  dlg.cbxClock->setCurrentIndex(1);
  dlg.Button1Click();
  EXPECT_EQ(dlg.Selection, "00703");
  dlg.cbxSite->setCurrentIndex(1);  // a site without clocks
  EXPECT_EQ(dlg.cbxClock->count(), 1);
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(ShellReaderOpsTest, SelectionDialogWithoutLists) {
  TfrmOption dlg(nullptr, nullptr, nullptr);
  EXPECT_EQ(dlg.cbxSite->count(), 1);
  EXPECT_EQ(dlg.cbxClock->count(), 1);
}

TEST_F(ShellReaderOpsTest, MenuOperationIsBusyWhileTheDialogIsOpenAndEndsWithDone) {
  auto w = WindowWithSites();
  bool busyInside = false, pollEnabledInside = true, sitesEnabledInside = true;
  QString caption;
  OnDialog([&](TfrmOption& d) {
    busyInside = w->Busy;
    pollEnabledInside = w->mniPoll->isEnabled();
    sitesEnabledInside = w->mniSites->isEnabled();
    caption = d.windowTitle();
    d.cbxSite->setCurrentIndex(2);
    d.cbxClock->setCurrentIndex(2);
    d.Button1->click();
  });
  UseStandInLibrary();
  w->mniTest->trigger();
  TRdrDll32::LibraryName = "librdrdll32.so";
  EXPECT_TRUE(busyInside);
  EXPECT_FALSE(pollEnabledInside);
  EXPECT_FALSE(sitesEnabledInside);
  EXPECT_EQ(caption, "Test Communications Option");
  EXPECT_FALSE(w->Busy);
  // X00712: clock 12 of site 7 alone, then "Done".
  std::string text = Text(*w);
  EXPECT_NE(text.find("Site 7, Clock 12: responded.\nSummary: 1 reader answered\nDone"),
            std::string::npos)
      << text;
  EXPECT_EQ(text.find("Clock 3:"), std::string::npos) << text;
  EXPECT_EQ(text.substr(text.size() - 4), "Done");
  QCoreApplication::processEvents();
  EXPECT_TRUE(w->mniPoll->isEnabled());
}

// While another program holds the data directory a menu operation says who and runs nothing;
// once it is free, the operation works on the site list that program saved meanwhile.
TEST_F(ShellReaderOpsTest, MenuOperationTakesTurnsWithOtherPrograms) {
  auto w = WindowWithSites();
  UseStandInLibrary();
  pid_t holder = testing::HoldDataLockInChild(data_, 0);
  ASSERT_GT(holder, 0);
  OnDialog([](TfrmOption& d) { d.Button1->click(); });
  w->mniTest->trigger();
  kill(holder, SIGKILL);
  waitpid(holder, nullptr, 0);
  std::string refusal = "The data directory " + data_ + " is in use by pid " +
                        std::to_string(holder) + " (user ";
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text.rfind(refusal, 0), 0u) << boxes.shown[0].text;
  EXPECT_NE(boxes.shown[0].text.find("). Nothing was run."), std::string::npos);
  EXPECT_EQ(Text(*w).find("responded"), std::string::npos);

  WriteFile(data_ + "site.txt", "    9, , , , , , 0, , nine\r\n");
  WriteFile(data_ + "clock.txt", "    9,     1\r\n");
  QCoreApplication::processEvents();  // the menus enabled again
  OnDialog([](TfrmOption& d) { d.Button1->click(); });
  w->mniTest->trigger();
  TRdrDll32::LibraryName = "librdrdll32.so";
  std::string text = Text(*w);
  EXPECT_NE(text.find("Site 9, Clock 1: responded.\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("Site 7, Clock"), std::string::npos) << text;
}

// Every operation ends with its summary line, in the summary's words; the status bar has
// followed it to its end.
TEST_F(ShellReaderOpsTest, MenuOperationEndsWithItsSummaryAndTheStatusBarFollowsIt) {
  auto w = WindowWithSites();
  OnDialog([](TfrmOption& d) { d.Button1->click(); });
  UseStandInLibrary();
  w->mniTest->trigger();
  TRdrDll32::LibraryName = "librdrdll32.so";
  std::string text = Text(*w);
  EXPECT_NE(text.find("Site 7, Clock 12: responded.\n"
                      "Summary: 2 readers answered, 1 site not reached (Site 1), 1 failure line\n"
                      "Done"),
            std::string::npos)
      << text;
  EXPECT_EQ(w->ProgressStatus->Shown(), "Test Communications: 2 of 2 readers");
}

TEST_F(ShellReaderOpsTest, CancelledDialogRunsAndLogsNothing) {
  auto w = WindowWithSites();
  std::string before = Text(*w);
  OnDialog([](TfrmOption& d) { d.Button2->click(); });
  w->mniRestoreDB->trigger();
  EXPECT_EQ(Text(*w), before);
  EXPECT_FALSE(w->Busy);
}

TEST_F(ShellReaderOpsTest, MenuRefreshTable) {
  auto w = WindowWithSites();
  w->RefreshMenus();
  for (QAction* a : {w->mniSites, w->mniClocks, w->mniUsers, w->mniPoll, w->mniTest,
                     w->mniListUsers, w->mniOpen, w->mniSaveAs})
    EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
  w->Busy = true;
  w->RefreshMenus();
  for (QAction* a : {w->mniSites, w->mniGroups, w->mniBells, w->mniClocks, w->mniUsers,
                     w->mniPoll, w->mniConfig, w->mniRestoreDB, w->mniRestoreFullDatabase,
                     w->mniGetDB, w->mniGetRawDatabase, w->mniSetTime, w->mniTest,
                     w->mniListUsers, w->mniOpen, w->mniSave, w->mniSaveAs})
    EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
  for (QAction* a : {w->mniNew, w->mniExit, w->mniOptions, w->mniPunchLog, w->mniAbout})
    EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
  w->Busy = false;
  w->Sites.reset();
  w->RefreshMenus();
  EXPECT_FALSE(w->mniSites->isEnabled());
  EXPECT_TRUE(w->mniPoll->isEnabled());
}

TEST_F(ShellReaderOpsTest, CommandLineLogHoldsTheWholeTextArea) {
  auto w = WindowWithSites();
  w->AddLogLine("Running command line paramter #1, X");
  ASSERT_TRUE(WriteCommandLineLogOf(*w));
  QStringList logs = QDir(QString::fromStdString(data_))
                         .entryList({"????????" "-??????.log"}, QDir::Files);
  ASSERT_EQ(logs.size(), 1);
  std::string log = ReadFile(data_ + logs[0].toStdString());
  EXPECT_EQ(log.rfind("Sites loaded\r\n", 0), 0u) << log;
  EXPECT_NE(log.find("\r\nRunning command line paramter #1, X\r\n"), std::string::npos) << log;
  w->DataPath = data_ + "gone/";
  EXPECT_FALSE(WriteCommandLineLogOf(*w));
}

TEST_F(ShellReaderOpsTest, ErrorEscapingAParameterEndsTheRunWithoutTheClose) {
  auto w = WindowWithSites();
  w->PunchPath = data_ + "no/such/dir/";  // the punch log cannot be created
  w->Parameters = {"p", "x"};
  w->InterCommandDelay = 1;
  // The engine needs a library to get as far as the punch log.
  UseStandInLibrary();
  // Someone at the screen: the error reaches the error box.
  TErrorBox old = SetErrorBox([](const char*) {});
  EXPECT_THROW(w->StartCommandLineRun(), EZvFileError);
  SetErrorBox(old);
  TRdrDll32::LibraryName = "librdrdll32.so";
  EXPECT_FALSE(w->Busy);
  EXPECT_TRUE(w->mniPoll->isEnabled());
  EXPECT_TRUE(w->isVisible());
  std::string text = Text(*w);
  EXPECT_NE(text.find("Running command line paramter #1, p"), std::string::npos);
  EXPECT_EQ(text.find("Running command line paramter #2"), std::string::npos) << text;
}

TEST_F(ShellReaderOpsTest, UnattendedErrorGoesToTheLogAndTheRunStillCloses) {
  auto w = WindowWithSites();
  w->PunchPath = data_ + "no/such/dir/";
  w->Parameters = {"p", "x"};
  w->InterCommandDelay = 1;
  UseStandInLibrary();
  ASSERT_FALSE(ErrorBoxCanBeAnswered());  // offscreen, no error box installed
  EXPECT_NO_THROW(w->StartCommandLineRun());
  TRdrDll32::LibraryName = "librdrdll32.so";
  EXPECT_FALSE(w->Busy);
  EXPECT_FALSE(w->isVisible());  // closed, as a command-line run does
  std::string text = Text(*w);
  EXPECT_NE(text.find("Unable to create file " + data_ + "no/such/dir/"), std::string::npos) << text;
  EXPECT_EQ(text.find("Running command line paramter #2"), std::string::npos) << text;
  QStringList logs = QDir(QString::fromStdString(data_))
                         .entryList({"????????" "-??????.log"}, QDir::Files);
  EXPECT_EQ(logs.size(), 1);  // the log of the run, error included, is saved
  // A script learns that the run stopped there.
  ASSERT_EQ(w->Report.Parameters.size(), 2u);
  EXPECT_EQ(w->Report.Parameters[0].Escaped, "Unable to create file " + data_ + "no/such/dir/Punch.Log");
  EXPECT_TRUE(w->Report.Parameters[0].Operation);
  EXPECT_TRUE(w->Report.Parameters[1].NotRun);
  EXPECT_EQ(w->Report.ExitStatus(), 2);
  EXPECT_EQ(w->Report.LogFile, data_ + logs.value(0).toStdString());
}

TEST_F(ShellReaderOpsTest, DuringTheCommandLineRunItemsAreDisabledAndExitRefused) {
  auto w = WindowWithSites();
  w->Parameters = {"q"};
  w->InterCommandDelay = 1;
  bool pollEnabled = true, sitesEnabled = true, exitEnabled = false, closed = true;
  // Runs at the first pending-event processing inside the run (a log line or the pause).
  QTimer::singleShot(0, [&] {
    pollEnabled = w->mniPoll->isEnabled();
    sitesEnabled = w->mniSites->isEnabled();
    exitEnabled = w->mniExit->isEnabled();
    closed = w->close();
  });
  w->StartCommandLineRun();
  EXPECT_FALSE(pollEnabled);
  EXPECT_FALSE(sitesEnabled);
  EXPECT_TRUE(exitEnabled);
  EXPECT_FALSE(closed);
  EXPECT_TRUE(w->CommandLineRun);
  EXPECT_FALSE(w->isVisible());  // closed by itself after the pause
  EXPECT_NE(Text(*w).find("Waiting 1 seconds between commands."), std::string::npos);
}

// The editor's document is a changed site.txt; while Test Communications walks the sites, a
// view asks to save it. Saving would reload the site list and free the sites under the walk.
TEST_F(ShellReaderOpsTest, SystemFileIsNotReplacedWhileAnOperationWalksItsList) {
  data_ = MakeDir("data");
  const std::string sites = "    1, , , , , , 0, 127.0.0.2, one\r\n    2, , , , , , 0, 127.0.0.3, two\r\n";
  WriteFile(data_ + "site.txt", sites);
  WriteFile(data_ + "clock.txt", "    1,     1\r\n    2,     1\r\n");
  WriteSettings("[Zorvan32]\r\nDataPath=" + data_ + "\r\n");
  auto w = ShownWindow();
  w->SetDocumentBytes(sites + "    9, , , , , , 0, , nine\r\n");
  w->CurrentFileName = "site.txt";
  w->DocumentFolder = data_;
  w->lb->document()->setModified(true);
  bool asked = false;
  QTimer probe;
  QObject::connect(&probe, &QTimer::timeout, [&] {
    if (asked || !Engine().CurrentSite) return;
    asked = true;
    boxes.Answer(mbYes);  // save the changes
    boxes.Answer(mbOK);   // replace the system file
    w->mniErrorLog->trigger();
  });
  probe.start(0);
  OnDialog([](TfrmOption& d) { d.Button1->click(); });
  UseStandInLibrary();
  w->mniTest->trigger();
  TRdrDll32::LibraryName = "librdrdll32.so";
  probe.stop();
  ASSERT_TRUE(asked);
  ASSERT_EQ(boxes.shown.size(), 2u);
  EXPECT_EQ(boxes.shown[1].text,
            "Can't replace zorvan system file site.txt while an operation is running. Save it "
            "again when the operation has finished.");
  EXPECT_EQ(ReadFile(data_ + "site.txt"), sites);
  EXPECT_TRUE(w->lb->document()->isModified());
  std::string text = Text(*w);
  EXPECT_NE(text.find("    9, , , , , , 0, , nine"), std::string::npos);  // still the document
  EXPECT_NE(text.find("Site 2, Clock 1: responded."), std::string::npos) << text;
  // Once idle, the same save goes through and reloads the list.
  boxes.Answer(mbOK);
  EXPECT_TRUE(w->SaveEditorTo(data_ + "site.txt"));
  EXPECT_NE(w->Sites->FindSite("9"), nullptr);
}

TEST_F(ShellReaderOpsTest, ParseSelectionOnTheWindow) {
  auto w = WindowWithSites();
  TSelection s = w->ParseSelection("012#3");
  EXPECT_EQ(s.Site, "012");
  EXPECT_EQ(s.Clock, "3");
}

}  // namespace
}  // namespace zv
