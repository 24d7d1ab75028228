#include "app/editor.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QAction>
#include <QDesktopServices>
#include <memory>
#include <QDir>
#include <QFile>
#include <QUrl>
#include <QLabel>
#include <QPlainTextEdit>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTextCursor>
#include <QTextDocument>

#include "app/aboutbox.h"
#include "app/bigtextview.h"
#include "app/documenttext.h"
#include "app/filedialogs.h"
#include "app/findbar.h"
#include "app/frmzorvan.h"
#include "app/latin1.h"
#include "app/userslist.h"
#include "app/views.h"
#include "util/datalock.h"
#include "util/fileio.h"
#include "util/msgbox.h"
#include "util/text.h"

namespace zv {

namespace {

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa, sb;
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

std::string StartFolder() {
  char buf[4096];
  if (!::getcwd(buf, sizeof buf)) return "./";
  std::string d = buf;
  if (d.empty() || d.back() != '/') d += '/';
  return d;
}

// The text area sits in a stack with the view of large documents, made when first needed so
// that a run without large files keeps the text area as the window's only content.
TBigTextView* LargeView(TfrmZorvan& f) {
  if (f.lbView) return f.lbView;
  QWidget* area = f.takeCentralWidget();
  auto* stack = new QStackedWidget(&f);
  stack->setObjectName("lbStack");
  stack->addWidget(area);
  f.lbView = new TBigTextView(f.lb->document(), stack);
  stack->addWidget(f.lbView);
  f.setCentralWidget(stack);
  return f.lbView;
}

bool LargeShown(const TfrmZorvan& f) { return f.lbView && f.lbView->HasText(); }

// The large view cannot change text: it says so in the status bar, and the items that would
// change text are disabled rather than doing nothing.
void ShowReadOnly(TfrmZorvan& f, bool readOnly) {
  auto* label = f.statusBar()->findChild<QLabel*>("lblReadOnly");
  if (!label && readOnly) {
    label = new QLabel(QStringLiteral("Read-only: too large to edit here"), f.statusBar());
    label->setObjectName("lblReadOnly");
    f.statusBar()->addPermanentWidget(label);
  }
  if (label) label->setVisible(readOnly);
  for (QAction* a : {f.Undo1, f.Cut1, f.Paste1, f.Delete1}) a->setEnabled(!readOnly);
}

void ShowTextArea(TfrmZorvan& f) {
  if (!f.lbView) return;
  ShowReadOnly(f, false);
  f.lbView->SetText(nullptr);
  auto* stack = static_cast<QStackedWidget*>(f.centralWidget());
  stack->setCurrentWidget(f.lb);
  if (f.isActiveWindow()) f.lb->setFocus();
}

}  // namespace

std::string ManualPath(const std::string& programPath) {
  return programPath + "../share/doc/zorvan32/README.md";
}

void ShowManual(TfrmZorvan& f) {
  const std::string path = ManualPath(f.ProgramPath);
  if (!FileExists(path)) {
    ShowWarning("The manual is not installed: " + path);
    return;
  }
  QDesktopServices::openUrl(QUrl::fromLocalFile(QFile::decodeName(path.c_str())));
}

std::size_t& LargeDocumentBytes() {
  static std::size_t bytes = 4u << 20;
  return bytes;
}

std::string BareFileName(const std::string& path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

TSystemFileKind SystemFileKind(const std::string& name) {
  if (name == "user.idx" || name == "user.dat") return TSystemFileKind::Protected;
  for (const char* n : {"user.txt", "site.txt", "modem.txt", "zv.cfg", "group.txt", "clock.txt"}) {
    if (name == n) return TSystemFileKind::Confirmed;
  }
  return TSystemFileKind::None;
}

std::string TfrmZorvan::DocumentBytes() const {
  if (LargeShown(*this)) return lbView->Bytes();
  return BytesFromDocument(*lb->document());
}

void TfrmZorvan::SetDocumentBytes(std::string bytes) {
  if (bytes.size() <= LargeDocumentBytes()) {
    ShowTextArea(*this);
    lb->setPlainText(DocumentTextFromBytes(bytes));
    return;
  }
  TBigTextView* view = LargeView(*this);
  // The text area stays behind the view, empty: log lines that arrive meanwhile go there and
  // the view shows them after the file's lines.
  lb->clear();
  view->SetText(std::make_unique<TBigText>(std::move(bytes)));
  static_cast<QStackedWidget*>(centralWidget())->setCurrentWidget(view);
  ShowReadOnly(*this, true);
  if (isActiveWindow()) view->setFocus();
}

void TfrmZorvan::SetDocumentLines(const std::vector<std::string>& lines) {
  std::string joined;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i) joined += '\n';
    joined += lines[i];
  }
  ShowTextArea(*this);
  lb->setPlainText(Latin1(joined));
}

bool TfrmZorvan::QuerySaveEditor() {
  if (!lb->document()->isModified()) return true;
  switch (AskQuestion("The text in the file " + CurrentFileName + " has changed.\n\n"
                      "Do you want to save the changes?",
                      mbYes | mbNo | mbCancel)) {
    case mbYes: return SaveEditorTo(DocumentFolder + CurrentFileName);
    case mbNo: return true;
    default: return false;
  }
}

bool TfrmZorvan::SaveEditorTo(const std::string& path) {
  const std::string bare = BareFileName(path);
  const std::string name = LowerAscii(bare);
  const TSystemFileKind kind = SystemFileKind(name);
  if (kind == TSystemFileKind::Protected) {
    ShowWarning("Can't overwrite zorvan system file " + name + ".");
    return false;
  }
  if (kind == TSystemFileKind::Confirmed && Busy) {
    // The reload would free the list that the running operation is walking.
    ShowWarning("Can't replace zorvan system file " + name +
                " while an operation is running. Save it again when the operation has "
                "finished.");
    return false;
  }
  std::string target = path;
  if (kind == TSystemFileKind::Confirmed) {
    if (AskQuestion("Are you sure you want to replace zorvan system file " + name +
                        " with contents of the editor.",
                    mbOK | mbCancel) != mbOK) {
      return false;
    }
    // The data file of that name in the folder, whatever its letter case: a second file
    // differing only in case would be one the program never reads.
    target = FindFileIgnoreCase(DirectoryOf(path), name);
  }
  // A data file is replaced, and its list reloaded, under the data directory's lock, so that
  // no operation or save of another program comes in between.
  std::unique_ptr<TDataLock> lock;
  if (kind == TSystemFileKind::Confirmed) {
    lock = std::make_unique<TDataLock>(DirectoryOf(target), SaveLockWaitMs());
    if (!lock->Held()) {
      ShowWarning("Unable to save " + path + ": " + lock->Refusal());
      return false;
    }
  }
  // Temporary file renamed over the old one: a full disk or a kill leaves the old file whole.
  if (!WriteFileAtomic(target, DocumentBytes())) {
    AddLogLine("Failed to save " + path);
    return false;
  }
  CurrentFileName = kind == TSystemFileKind::Confirmed ? name : bare;
  UpdateCaption();
  lb->document()->setModified(false);
  if (kind != TSystemFileKind::Confirmed) return true;
  // The administrator chose the editor's text for this file: pending changes of the old list
  // must not be written over it when the list is freed for the reload.
  if (SameFile(target, DataPath + name)) {
    TMyStringList* list = nullptr;
    if (name == "user.txt") list = Users.get();
    if (name == "site.txt") list = Sites.get();
    if (name == "zv.cfg") list = Configs.get();
    if (name == "group.txt") list = Groups.get();
    if (name == "clock.txt") list = Clocks.get();
    if (list) list->Modified = false;
  }
  return ReloadDataFile(name);
}

bool TfrmZorvan::ConfirmOverwrite(const std::string& path) {
  return AskQuestion("The file " + path + " already exists. Overwrite the contents of " + path +
                         "?",
                     mbYes | mbNo) == mbYes;
}

void TfrmZorvan::mniNewClick() {
  if (!QuerySaveEditor()) return;
  CurrentFileName = NextUntitledName();
  UpdateCaption();
  ShowTextArea(*this);
  lb->clear();
  lb->document()->setModified(false);
}

void TfrmZorvan::mniOpenClick() {
  if (!QuerySaveEditor()) return;
  std::string path = FileDialogs().OpenFile(this, DataPath);
  if (!path.empty()) {
    DocumentFolder = DirectoryOf(path);
    std::string bytes, error;
    if (ReadWholeFile(path, bytes, &error) != TReadResult::Ok) {
      // The document and its name stay as they were.
      ShowWarning("Cannot open file " + path + ": " + error);
    } else {
      SetDocumentBytes(std::move(bytes));
      CurrentFileName = LowerAscii(BareFileName(path));
      UpdateCaption();
    }
  }
  lb->document()->setModified(false);
}

void TfrmZorvan::mniSaveClick() {
  if (CurrentFileName.empty() || CurrentFileName.find("untitled") != std::string::npos) {
    mniSaveAsClick();
    return;
  }
  SaveEditorTo(DocumentFolder + CurrentFileName);
}

void TfrmZorvan::mniSaveAsClick() {
  std::string path = FileDialogs().SaveFile(this, DataPath, CurrentFileName);
  if (path.empty()) return;
  DocumentFolder = DirectoryOf(path);
  if (PathExists(path) && !ConfirmOverwrite(path)) return;
  SaveEditorTo(path);
}

void ConnectEditorMenus(TfrmZorvan& f) {
  f.DocumentFolder = StartFolder();
  TfrmZorvan* w = &f;
  QPlainTextEdit* lb = f.lb;
  auto on = [w](QAction* a, auto fn) { QObject::connect(a, &QAction::triggered, w, fn); };
  on(f.mniNew, [w] { w->mniNewClick(); });
  on(f.mniOpen, [w] { w->mniOpenClick(); });
  on(f.mniSave, [w] { w->mniSaveClick(); });
  on(f.mniSaveAs, [w] { w->mniSaveAsClick(); });
  // The large view is read-only: it copies and selects, the editing commands leave it be.
  on(f.Undo1, [w, lb] {
    if (!LargeShown(*w) && lb->document()->isUndoAvailable()) lb->undo();
  });
  on(f.Cut1, [w, lb] {
    if (!LargeShown(*w)) lb->cut();
  });
  on(f.Copy1, [w, lb] {
    if (LargeShown(*w)) w->lbView->Copy();
    else lb->copy();
  });
  on(f.Paste1, [w, lb] {
    if (!LargeShown(*w)) lb->paste();
  });
  on(f.Delete1, [w, lb] {
    if (LargeShown(*w)) return;
    QTextCursor c = lb->textCursor();
    c.removeSelectedText();
    lb->setTextCursor(c);
  });
  on(f.SelectAll1, [w, lb] {
    if (LargeShown(*w)) w->lbView->SelectAll();
    else lb->selectAll();
  });
  f.FindBar = new TFindBar(f);
  on(f.mniFind, [w] { w->FindBar->Open(); });
  on(f.mniFindNext, [w] { w->FindBar->FindNext(); });
  ConnectViewMenus(f);
  on(f.mniListUsers, [w] { ShowUsersList(*w); });
  on(f.mniManual, [w] { ShowManual(*w); });
  on(f.mniAbout, [w] { ShowAboutBox(w); });
}

}  // namespace zv
