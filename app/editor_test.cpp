// The main window as editor and viewer: the save question and the untitled names, the guarded
// system files, bytes through a load and a save, failed saves, the views, the large view, the
// Users List report and the About box.
#include <QApplication>
#include <QClipboard>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QDesktopServices>
#include <QFileInfo>
#include <QLineEdit>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTest>

#include "app/aboutbox.h"
#include "app/apptest.h"
#include "app/bigtextview.h"
#include "app/editor.h"
#include "app/filedialogs.h"
#include "app/findbar.h"
#include "app/latin1.h"
#include "util/clock.h"
#include "util/text.h"

namespace zv {
namespace {

const char* const kQuestion =
    "The text in the file untitled.txt has changed.\n\nDo you want to save the changes?";

// 7 December 2026, 03:15 local time.
std::time_t Dec7At0315() {
  std::tm day{};
  day.tm_year = 2026 - 1900;
  day.tm_mon = 11;
  day.tm_mday = 7;
  day.tm_hour = 3;
  day.tm_min = 15;
  day.tm_isdst = -1;
  return std::mktime(&day);
}

class EditorTest : public TAppTest {
 protected:
  std::unique_ptr<TfrmZorvan> Window() {
    auto w = ShownWindow();
    data_ = w->DataPath;
    return w;
  }
  static std::string Text(TfrmZorvan& w) { return Latin1Bytes(w.lb->toPlainText()); }
  static std::string Caption(TfrmZorvan& w) { return w.windowTitle().toStdString(); }
  static bool Modified(TfrmZorvan& w) { return w.lb->document()->isModified(); }

  std::string data_;
  TScriptedFileDialogs dialogs;
};

TEST_F(EditorTest, SaveQuestionAndUntitledNames) {
  auto w = Window();
  // The load lines are no change. Save of the fresh document is Save As in the data
  // directory, proposing its name.
  EXPECT_FALSE(Modified(*w));
  w->mniSave->trigger();
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_TRUE(dialogs.shown[0].save);
  EXPECT_EQ(dialogs.shown[0].dir, data_);
  EXPECT_EQ(dialogs.shown[0].proposedName, "untitled.txt");
  w->AddLogLine("Site 1: responded.");  // as an operation writes
  boxes.Answer(mbCancel);
  w->mniNew->trigger();
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{kQuestion});
  EXPECT_EQ(boxes.shown[0].buttons, unsigned{mbYes | mbNo | mbCancel});
  EXPECT_EQ(w->CurrentFileName, "untitled.txt");
  EXPECT_NE(Text(*w).find("Site 1: responded."), std::string::npos);

  boxes.Answer(mbNo);
  w->mniNew->trigger();
  EXPECT_EQ(Caption(*w), "Zorvan Utility - untitled2.txt");
  EXPECT_EQ(Text(*w), "");
  EXPECT_FALSE(Modified(*w));
  w->mniNew->trigger();
  EXPECT_EQ(w->CurrentFileName, "untitled3.txt");
  EXPECT_EQ(boxes.shown.size(), 2u);

  // Yes saves the untitled document into the document's folder, under its name.
  std::string folder = MakeDir("docs");
  w->DocumentFolder = folder;
  w->lb->setPlainText("kept");
  w->lb->document()->setModified(true);
  boxes.Answer(mbYes);
  EXPECT_TRUE(w->QuerySaveEditor());
  EXPECT_EQ(ReadFile(folder + "untitled3.txt"), "kept\r\n");

  // Cancel in the question keeps the program open at the close.
  w->AddLogLine("more");
  boxes.Answer(mbCancel);
  EXPECT_FALSE(w->close());
  boxes.Answer(mbNo);
  EXPECT_TRUE(w->close());
}

TEST_F(EditorTest, SystemFilesAreGuardedByNameInAnyFolder) {
  auto w = Window();
  std::string other = MakeDir("elsewhere");
  WriteFile(other + "USER.IDX", "0000000001\r\n");
  struct Case {
    std::string path;
    TMsgButton answer;
    bool saved;
    std::string box;
  };
  const std::string replace = "Are you sure you want to replace zorvan system file ";
  for (const Case& c : {
           Case{data_ + "user.dat", mbOK, false, "Can't overwrite zorvan system file user.dat."},
           Case{other + "USER.IDX", mbOK, false, "Can't overwrite zorvan system file user.idx."},
           Case{other + "User.Dat", mbOK, false, "Can't overwrite zorvan system file user.dat."},
           Case{data_ + "site.txt", mbCancel, false,
                replace + "site.txt with contents of the editor."},
           Case{other + "Clock.TXT", mbOK, true,
                replace + "clock.txt with contents of the editor."},
           Case{other + "notes.TXT", mbOK, true, ""},
       }) {
    SCOPED_TRACE(c.path);
    TScriptedMessageBoxes boxes;
    boxes.Answer(c.answer);
    std::string before = ReadFile(c.path);
    w->CurrentFileName = "untitled.txt";
    w->lb->setPlainText("1, 2");
    w->lb->document()->setModified(true);
    w->SaveEditorTo(c.path);
    EXPECT_EQ(boxes.Texts(), c.box.empty() ? std::vector<std::string>{}
                                           : std::vector<std::string>{c.box});
    if (c.saved) {
      // A system file is written under its own lower-case name; another keeps its case.
      std::string name = BareFileName(c.path);
      if (SystemFileKind(LowerAscii(name)) != TSystemFileKind::None) name = LowerAscii(name);
      EXPECT_EQ(ReadFile(other + name), "1, 2\r\n");
      EXPECT_EQ(w->CurrentFileName, name);
      EXPECT_FALSE(Modified(*w));
    } else {
      EXPECT_EQ(ReadFile(c.path), before);
      EXPECT_EQ(w->CurrentFileName, "untitled.txt");
      EXPECT_TRUE(Modified(*w));
      EXPECT_EQ(Text(*w), "1, 2");
    }
  }
  EXPECT_FALSE(FileExists(other + "Clock.TXT"));
}

TEST_F(EditorTest, SavingSiteTxtReloadsTheSiteListOverItsPendingChanges) {
  auto w = Window();
  ASSERT_TRUE(w->Sites);
  // A change the list has not written yet must not overwrite the editor's text on reload.
  w->Sites->Add("  9, pending");
  w->Sites->Modified = true;
  std::string header = ReadFile(data_ + "site.txt");
  w->SetDocumentBytes(header + "  7, Head Office, 127.0.0.2");
  boxes.Answer(mbOK);
  EXPECT_TRUE(w->SaveEditorTo(data_ + "site.txt"));
  const std::string want = header + "  7, Head Office, 127.0.0.2\r\n";
  EXPECT_EQ(ReadFile(data_ + "site.txt"), want);
  ASSERT_TRUE(w->Sites);
  EXPECT_EQ(w->Sites->Text(), want);
  EXPECT_EQ(Caption(*w), "Zorvan Utility - site.txt");
}

TEST_F(EditorTest, OpenSetsNameAndFolderAndSaveAsAsksBeforeOverwriting) {
  auto w = Window();
  std::string dir = MakeDir("C/Data");
  WriteFile(dir + "Site.TXT", "a\r\nb\r\n");
  dialogs.Answer(dir + "Site.TXT");
  w->mniOpen->trigger();
  EXPECT_EQ(dialogs.shown.at(0).dir, data_);
  EXPECT_EQ(Caption(*w), "Zorvan Utility - site.txt");
  EXPECT_EQ(w->DocumentFolder, dir);
  EXPECT_EQ(Text(*w), "a\nb\n");
  EXPECT_FALSE(Modified(*w));

  // Save As onto an existing file asks first; No writes nothing.
  WriteFile(dir + "keep.txt", "old");
  w->lb->setPlainText("new");
  dialogs.Answer(dir + "keep.txt");
  boxes.Answer(mbNo);
  w->mniSaveAs->trigger();
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"The file " + dir +
                                                    "keep.txt already exists. Overwrite the "
                                                    "contents of " + dir + "keep.txt?"});
  EXPECT_EQ(ReadFile(dir + "keep.txt"), "old");
  dialogs.Answer(dir + "keep.txt");
  boxes.Answer(mbYes);
  w->mniSaveAs->trigger();
  EXPECT_EQ(ReadFile(dir + "keep.txt"), "new\r\n");
  EXPECT_EQ(w->CurrentFileName, "keep.txt");

  // A file that cannot be read leaves the document and its name alone.
  boxes.shown.clear();
  dialogs.Answer(dir);  // a directory
  w->mniOpen->trigger();
  EXPECT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(Text(*w), "new");
  EXPECT_EQ(w->CurrentFileName, "keep.txt");
}

TEST_F(EditorTest, EveryByteButLineEndsSurvivesLoadAndSave) {
  auto w = Window();
  std::string bytes;
  for (int b = 0; b < 256; ++b) {
    if (b == '\r' || b == '\n') continue;
    bytes += static_cast<char>(b);
    if (b % 64 == 63) bytes += "\r\n";
  }
  // Every kind of line end reads as one; the save writes CR LF, and the last line gets one.
  std::string file = bytes + "\nlf\rcr\r\n\r\nlast";
  std::string want = bytes + "\r\nlf\r\ncr\r\n\r\nlast\r\n";
  std::string dir = MakeDir("bytes");
  WriteFile(dir + "all.dat", file);
  for (std::size_t large : {std::size_t{4} << 20, std::size_t{16}}) {
    SCOPED_TRACE(large);
    LargeDocumentBytes() = large;
    dialogs.Answer(dir + "all.dat");
    w->mniOpen->trigger();
    EXPECT_EQ(w->DocumentBytes(), want);
    EXPECT_TRUE(w->SaveEditorTo(dir + "copy.dat"));
    EXPECT_EQ(ReadFile(dir + "copy.dat"), want);
  }
  LargeDocumentBytes() = std::size_t{4} << 20;
}

// A file that ends with a line end shows an empty last line: typing after Ctrl+End starts a
// new record rather than joining the last one, and the bytes of an unchanged file come back
// exactly. Log lines go into that empty line, and are never undo steps.
TEST_F(EditorTest, TypingAfterTheLastLineEndStartsANewLineAndLogLinesAreNoUndoSteps) {
  auto w = Window();
  std::string dir = MakeDir("typing");
  struct Case {
    std::string file, typed, saved;
  };
  for (const Case& c : {Case{"  1, one\r\n", "  9, nine", "  1, one\r\n  9, nine\r\n"},
                        Case{"  1, one\r\n\r\n", "", "  1, one\r\n\r\n"},
                        Case{"\r\n", "", "\r\n"},
                        Case{"  1, one", "x", "  1, onex\r\n"},
                        Case{"a\nb\r", "c", "a\r\nb\r\nc\r\n"}}) {
    SCOPED_TRACE(c.file);
    WriteFile(dir + "in.txt", c.file);
    dialogs.Answer(dir + "in.txt");
    w->mniOpen->trigger();
    w->activateWindow();
    w->lb->setFocus();
    QTest::keyClick(w->lb, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(w->lb, QString::fromLatin1(c.typed.c_str()));
    EXPECT_TRUE(w->SaveEditorTo(dir + "out.txt"));
    EXPECT_EQ(ReadFile(dir + "out.txt"), c.saved);
  }
  WriteFile(dir + "in.txt", "  1, one\r\n");
  dialogs.Answer(dir + "in.txt");
  w->mniOpen->trigger();
  QTest::keyClick(w->lb, Qt::Key_End, Qt::ControlModifier);
  QTest::keyClicks(w->lb, "typed");
  w->AddLogLine("Site 1, Clock 1: responded.");
  w->AddLogLine("Done");
  EXPECT_EQ(Text(*w), "  1, one\ntyped\nSite 1, Clock 1: responded.\nDone");
  w->Undo1->trigger();
  QTest::keyClick(w->lb, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Text(*w), "  1, one\ntyped\nSite 1, Clock 1: responded.\nDone");
  // What is typed after them can be undone again, and only that.
  QTest::keyClick(w->lb, Qt::Key_End, Qt::ControlModifier);
  QTest::keyClicks(w->lb, "!");
  w->Undo1->trigger();
  EXPECT_EQ(Text(*w), "  1, one\ntyped\nSite 1, Clock 1: responded.\nDone");
  // A log line after a loaded file's final line end takes the empty last line.
  w->SetDocumentBytes("a\r\n");
  w->AddLogLine("Done");
  EXPECT_EQ(w->DocumentBytes(), "a\r\nDone\r\n");
  w->AddLogLine("");  // an empty log line is a line of its own
  w->AddLogLine("x");
  EXPECT_EQ(w->DocumentBytes(), "a\r\nDone\r\n\r\nx\r\n");
}

TEST_F(EditorTest, FailedSaveIsReportedInTheDocumentAndKeepsTheOldFile) {
  auto w = Window();
  std::string dir = MakeDir("fail");
  ForceDirectories(dir + "adir.txt");  // a directory where the file would go
  WriteFile(dir + "site.txt", "old site\r\n");
  // The site.txt check: renaming over a file that the program may not replace.
  for (const std::string& path :
       {dir + "adir.txt", dir + "missing/x.txt", std::string("/proc/version")}) {
    SCOPED_TRACE(path);
    w->lb->setPlainText("text");
    w->lb->document()->setModified(false);
    EXPECT_FALSE(w->SaveEditorTo(path));
    EXPECT_EQ(Text(*w), "text\nFailed to save " + path);
    EXPECT_TRUE(Modified(*w));
    EXPECT_EQ(w->CurrentFileName, "untitled.txt");
  }
  EXPECT_TRUE(DirectoryExists(dir + "adir.txt"));
  // A failed save in the close's question keeps the program open.
  w->DocumentFolder = dir + "missing/";
  boxes.Answer(mbYes);
  EXPECT_FALSE(w->close());
}

TEST_F(EditorTest, ViewsShowTheLogsOrTheirMissingTexts) {
  auto w = Window();
  TTestClock clock(Dec7At0315());
  w->CurrentFileName = "notes.txt";
  w->UpdateCaption();
  struct Case {
    QAction* item;
    std::string file;  // created in the punch or data directory when not empty
    std::string bytes;
    std::string shown;
  };
  for (const Case& c : {
           Case{w->mniPunchLog, "Punch.Log", "p1\r\np2\r\n", "p1\np2\n"},
           Case{w->mniTodaysPunchs, "", "", "no punches"},
           Case{w->mniTodaysPunchs, "20261207.log", "today\r\n", "today\n"},
           Case{w->mniErrorLog, "", "", "no errors"},
           Case{w->mniErrorLog, "ERROR.LOG", "", ""},
           Case{w->mniSystemLog, "Sys.Log", "s\r\n", "s\n"},
           Case{w->mniSystemLog, "", "", "s\n"},  // Sys.Log is still there
           Case{w->mniTransactionData, "", "", "no transaction data"},
       }) {
    SCOPED_TRACE(c.item->objectName().toStdString() + " " + c.file);
    if (!c.file.empty()) WriteFile(data_ + c.file, c.bytes);
    w->AddLogLine("an operation's line");  // the view asks before replacing it
    boxes.Answer(mbNo);
    c.item->trigger();
    EXPECT_EQ(Text(*w), c.shown);
    EXPECT_FALSE(Modified(*w));
  }
  EXPECT_EQ(boxes.shown.size(), 8u);
  EXPECT_EQ(Caption(*w), "Zorvan Utility - notes.txt");
  // Cancel leaves the document as it was.
  w->AddLogLine("x");
  boxes.Answer(mbCancel);
  w->mniPunchLog->trigger();
  EXPECT_EQ(Text(*w), "no transaction data\nx");

  // The error log opens at its newest line, in the text area and in the large view.
  std::string errors;
  for (int i = 0; i < 300; ++i) errors += "12-07-26 03:15:00 Site 1, Clock " + std::to_string(i) + ": x\r\n";
  WriteFile(data_ + "ERROR.LOG", errors);
  for (std::size_t large : {std::size_t{4} << 20, std::size_t{64}}) {
    LargeDocumentBytes() = large;
    boxes.Answer(mbNo);
    w->mniErrorLog->trigger();
    if (large == 64) {
      ASSERT_TRUE(w->lbView && w->lbView->HasText());
      QScrollBar* v = w->lbView->verticalScrollBar();
      EXPECT_GT(v->maximum(), 0);
      EXPECT_EQ(v->value(), v->maximum());
    } else {
      EXPECT_TRUE(w->lb->textCursor().atEnd());
      EXPECT_GT(w->lb->verticalScrollBar()->value(), 0);
    }
  }
  LargeDocumentBytes() = std::size_t{4} << 20;
}

TEST_F(EditorTest, LargeFileIsShownReadOnlyAndKeepsLogLinesAndSaves) {
  auto w = Window();
  LargeDocumentBytes() = 64;
  std::string log;
  for (int i = 0; i < 50; ++i) {
    log += "12-07-26 03:15:00 Site 1 Clock 2 0000000" + std::to_string(100 + i) + "\r\n";
  }
  WriteFile(data_ + "Punch.Log", log);
  w->mniPunchLog->trigger();
  ASSERT_NE(w->lbView, nullptr);
  EXPECT_EQ(static_cast<QStackedWidget*>(w->centralWidget())->currentWidget(), w->lbView);
  EXPECT_EQ(w->lbView->LineCount(), 50);
  EXPECT_EQ(w->lbView->LineSlice(0, 9, 8).toStdString(), "03:15:00");
  EXPECT_EQ(w->lbView->LineSlice(0, 40, 99).toStdString(), "100");
  EXPECT_FALSE(Modified(*w));
  EXPECT_EQ(w->findChild<QPlainTextEdit*>("lb"), w->lb);

  // Log lines follow the file's lines and count as a change; the save writes them all.
  w->AddLogLine("Done");
  EXPECT_TRUE(Modified(*w));
  EXPECT_EQ(w->lbView->LineCount(), 51);
  EXPECT_EQ(w->lbView->Line(50).toStdString(), "Done");
  std::string dir = MakeDir("big");
  EXPECT_TRUE(w->SaveEditorTo(dir + "punch.txt"));
  EXPECT_EQ(ReadFile(dir + "punch.txt"), log + "Done\r\n");

  // It says it is read-only, and the items that would change text are off.
  auto* readOnly = w->findChild<QLabel*>("lblReadOnly");
  ASSERT_NE(readOnly, nullptr);
  EXPECT_TRUE(readOnly->isVisibleTo(w.get()));
  for (QAction* a : {w->Undo1, w->Cut1, w->Paste1, w->Delete1}) EXPECT_FALSE(a->isEnabled());
  EXPECT_TRUE(w->Copy1->isEnabled() && w->SelectAll1->isEnabled());
  // Editing commands leave it alone; Select All and Copy take every line.
  w->Paste1->trigger();
  w->Delete1->trigger();
  w->SelectAll1->trigger();
  w->Copy1->trigger();
  QString copied = QApplication::clipboard()->text();
  EXPECT_EQ(copied.count(QLatin1Char('\n')), 50);
  EXPECT_TRUE(copied.endsWith(QLatin1String("\nDone")));
  EXPECT_EQ(w->DocumentBytes(), log + "Done\r\n");

  // A small document goes back to the text area.
  w->mniNew->trigger();
  EXPECT_EQ(static_cast<QStackedWidget*>(w->centralWidget())->currentWidget(), w->lb);
  EXPECT_FALSE(w->lbView->HasText());
  EXPECT_FALSE(readOnly->isVisibleTo(w.get()));
  for (QAction* a : {w->Undo1, w->Cut1, w->Paste1, w->Delete1}) EXPECT_TRUE(a->isEnabled());
  EXPECT_EQ(w->DocumentBytes(), "");
  LargeDocumentBytes() = std::size_t{4} << 20;
}

// Find (Ctrl+F, then Enter or F3) goes from match to match over the whole text and round
// from the top, letter case aside, in the text area and in the large view.
TEST_F(EditorTest, FindGoesToEachMatchInTheTextAreaAndTheLargeView) {
  auto w = Window();
  std::string log;
  for (int i = 0; i < 40; ++i)
    log += "Site " + std::to_string(i) + ", Clock 1: " +
           (i % 10 == 3 ? "Clock is NOT responding" : "responded.") + "\r\n";
  WriteFile(data_ + "Sys.Log", log);
  for (std::size_t large : {std::size_t{4} << 20, std::size_t{64}}) {
    SCOPED_TRACE(large);
    LargeDocumentBytes() = large;
    w->mniSystemLog->trigger();
    w->activateWindow();
    w->mniFind->trigger();
    ASSERT_TRUE(w->FindBar->isVisible());
    QTest::keyClicks(w->FindBar->edtFind, "not resp");
    QTest::keyClick(w->FindBar->edtFind, Qt::Key_Return);
    auto selected = [&] {
      if (large == 64) return w->lbView->SelectedText().toStdString();
      return w->lb->textCursor().block().text().toStdString();
    };
    std::vector<std::string> seen = {selected()};
    for (int k = 0; k < 4; ++k) {
      w->mniFindNext->trigger();
      seen.push_back(selected());
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"Site 3, Clock 1: Clock is NOT responding",
                                              "Site 13, Clock 1: Clock is NOT responding",
                                              "Site 23, Clock 1: Clock is NOT responding",
                                              "Site 33, Clock 1: Clock is NOT responding",
                                              "Site 3, Clock 1: Clock is NOT responding"}));
    w->FindBar->edtFind->setText("nowhere");
    EXPECT_FALSE(w->FindBar->FindNext());
    EXPECT_EQ(w->statusBar()->currentMessage().toStdString(), "Cannot find \"nowhere\"");
    QTest::keyClick(w->FindBar->edtFind, Qt::Key_Escape);
    EXPECT_FALSE(w->FindBar->isVisible());
  }
  LargeDocumentBytes() = std::size_t{4} << 20;
}

// Help > Manual (F1) opens the installed manual, or says where it should be.
TEST_F(EditorTest, ManualOpensTheInstalledReadme) {
  auto w = Window();
  w->mniManual->trigger();
  ASSERT_EQ(boxes.Texts().size(), 1u);
  EXPECT_EQ(boxes.Texts()[0],
            "The manual is not installed: " + ProgramDir() + "../share/doc/zorvan32/README.md");
  std::string doc = Root() + "share/doc/zorvan32/";
  ForceDirectories(doc);
  WriteFile(doc + "README.md", "# Zorvan Utility\n");
  QTextBrowser opened;
  QDesktopServices::setUrlHandler("file", &opened, "setSource");
  w->mniManual->trigger();
  QDesktopServices::unsetUrlHandler("file");
  EXPECT_EQ(boxes.Texts().size(), 1u);
  EXPECT_EQ(QFileInfo(opened.source().toLocalFile()).canonicalFilePath().toStdString(),
            QFileInfo(QString::fromStdString(doc + "README.md")).canonicalFilePath().toStdString());
}

TEST_F(EditorTest, UsersListReportMatchesByteForByte) {
  auto w = Window();
  WriteFile(data_ + "user.txt", ReadFile(data_ + "user.txt") +
                                    "       123,    61,    0, , 0, Smith\r\n"
                                    "        45,     0,  125, , 5, Special Hand\r\n"
                                    "        7a,     0,     , , 0, letters\r\n"
                                    "       200,   150,  abc, , 0, group\r\n"
                                    "       300,     2,     , , 0, short record\r\n"
                                    ". a comment line\r\n"
                                    "12345678901, 99999999999, 3, , 0, \r\n");
  ASSERT_TRUE(w->ReloadDataFile("user.txt"));
  // Index lines: a free slot, 45, 7A in upper case, 200, and 300 whose record is cut short.
  WriteFile(data_ + "user.idx", "0\r\n0000000045\r\n000000007A\r\n0000000200\r\n0000000300\r\n");
  std::string dat(24 * 4 + 10, '\0');
  dat[24 * 1 + 5] = '\xff';  // 45: a special template
  WriteFile(data_ + "user.dat", dat);
  TTestClock clock(Dec7At0315());
  w->CurrentFileName = "notes.txt";
  w->UpdateCaption();
  w->mniListUsers->trigger();
  const std::string pad(18, ' ');
  EXPECT_EQ(Text(*w),
            pad + "User List 12/07/26 03:15" + pad + "\n"
            "\n"
            "User Id     Template  Restriction    Reject  Comment\n"
            "----------  --------  ------------  -------  -----------------------------------\n"
            "0000000045  Special   Always Punch      125  Special Hand\n"
            "000000007a  Yes       Always Punch  Default  letters\n"
            "0000000123  No        Never Punch   Default  Smith\n"
            "0000000200  Yes       150           Default  group\n"
            "0000000300  No        2             Default  short record\n"
            "12345678901  No        Always Punch        3  ");
  EXPECT_FALSE(Modified(*w));
  EXPECT_EQ(Caption(*w), "Zorvan Utility - notes.txt");
  EXPECT_EQ(ReadFile(data_ + "user.dat"), dat);  // only read

  // Without user.dat and user.idx: made empty, every template "No".
  std::remove((data_ + "user.dat").c_str());
  std::remove((data_ + "user.idx").c_str());
  w->mniListUsers->trigger();
  EXPECT_NE(Text(*w).find("0000000045  No        Always Punch"), std::string::npos);
  EXPECT_TRUE(FileExists(data_ + "user.dat"));
  EXPECT_FALSE(FileExists(data_ + "user.idx"));
}

TEST_F(EditorTest, AboutBoxShowsIconNameVersionAndNotice) {
  TfrmAbout about;
  EXPECT_FALSE(about.imgIcon->pixmap().isNull());
  // Every size the package installs is in the program, and the windows carry the icon.
  EXPECT_EQ(ProgramIcon().availableSizes().size(), 7);
  EXPECT_EQ(about.windowIcon().cacheKey(), QApplication::windowIcon().cacheKey());
  EXPECT_FALSE(about.windowIcon().isNull());
  EXPECT_EQ(about.lblProductName->text().toStdString(), "Zorvan Utility");
  EXPECT_TRUE(about.lblProductName->font().bold());
  EXPECT_EQ(about.lblVersion->text().toStdString(), "Version " ZV_PROJECT_VERSION);
  EXPECT_FALSE(about.lblCopyright->text().isEmpty());
  EXPECT_EQ(about.btnOk->text().toStdString(), "OK");
  EXPECT_TRUE(about.btnOk->isDefault());
  about.show();
  about.btnOk->click();
  EXPECT_EQ(about.result(), QDialog::Accepted);
}

}  // namespace
}  // namespace zv
