#include "app/filedialogs.h"

#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QStringList>
#include <QTreeView>
#include <algorithm>

namespace zv {

namespace {

// The filters in Qt's form. "*.*" becomes "*": on this system a file name need not hold a
// dot. Qt's own dialog matches the patterns in any letter case, as the Windows one did.
const char* const kOpenFilters[] = {"Text files (*.txt)",          "Log files (*.log)",
                                    "Data files (*.dat)",          "Configuration files (*.cfg)",
                                    "Index files (*.idx)",         "All files (*)"};
const char* const kSaveFilters[] = {"Text Files (*.txt)", "All Files (*)"};

template <std::size_t N>
QStringList Filters(const char* const (&f)[N]) {
  QStringList l;
  for (const char* s : f) l << QString::fromLatin1(s);
  return l;
}

}  // namespace

void LayOutFileDialog(QFileDialog& dlg) {
  // Qt's own dialog opens at about 620 by 410 pixels, which cuts its Size, Type and Date
  // columns: room for them, in characters of the font, and the columns as wide as they need.
  dlg.setViewMode(QFileDialog::Detail);
  const QFontMetrics fm = dlg.fontMetrics();
  dlg.resize(std::max(dlg.width(), fm.averageCharWidth() * 110),
             std::max(dlg.height(), fm.height() * 30));
  if (auto* tree = dlg.findChild<QTreeView*>(QStringLiteral("treeView"))) {
    QHeaderView* h = tree->header();
    h->setStretchLastSection(false);
    h->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int c = 1; c < h->count(); ++c)
      h->setSectionResizeMode(c, QHeaderView::ResizeToContents);
  }
}

namespace {

std::string Run(QFileDialog& dlg) {
  LayOutFileDialog(dlg);
  dlg.setDefaultSuffix(QStringLiteral("txt"));
  // The save question of our own (ConfirmOverwrite) asks instead of Qt's.
  dlg.setOption(QFileDialog::DontConfirmOverwrite);
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return "";
  // Paths are the file system's bytes, not Latin-1 text.
  return QFile::encodeName(dlg.selectedFiles().first()).toStdString();
}

class TQtFileDialogs : public IFileDialogs {
 public:
  std::string OpenFile(QWidget* parent, const std::string& dir) override {
    QFileDialog dlg(parent, QStringLiteral("Open"), QFile::decodeName(dir.c_str()));
    dlg.setObjectName("dlgOpen");
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    dlg.setFileMode(QFileDialog::ExistingFile);
    dlg.setNameFilters(Filters(kOpenFilters));
    return Run(dlg);
  }
  std::string SaveFile(QWidget* parent, const std::string& dir,
                       const std::string& proposedName) override {
    QFileDialog dlg(parent, QStringLiteral("Save As"), QFile::decodeName(dir.c_str()));
    dlg.setObjectName("dlgSave");
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setFileMode(QFileDialog::AnyFile);
    dlg.setNameFilters(Filters(kSaveFilters));
    dlg.selectFile(QFile::decodeName(proposedName.c_str()));
    return Run(dlg);
  }
};

TQtFileDialogs qtDialogs;
IFileDialogs* current = nullptr;

}  // namespace

IFileDialogs* SetFileDialogs(IFileDialogs* dialogs) {
  IFileDialogs* previous = current;
  current = dialogs;
  return previous;
}

IFileDialogs& FileDialogs() { return current ? *current : qtDialogs; }

}  // namespace zv
