// TfrmExportPunches: File > Export Punches, the punches of a date range from Punch.Log (and
// the events of Sys.Log if asked) into a CSV file for payroll. The dialog stays open with what
// was written and what was skipped, so that a damaged line can be looked up.
#pragma once
#include <QDialog>
#include <functional>
#include <optional>
#include <string>

class QCheckBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace zv {

class TfrmExportPunches : public QDialog {
  Q_OBJECT
 public:
  // The logs' directories, each with a trailing "/".
  TfrmExportPunches(QWidget* parent, std::string punchPath, std::string dataPath);

  // Asks for the file to write (start); none when the user cancels. Tests replace it.
  std::function<std::optional<std::string>(const std::string&)> BrowseFile;

  void btnExportClick();
  void btnFileClick();

  QDateEdit* dtpFrom;
  QDateEdit* dtpTo;
  QCheckBox* chkEvents;
  QLineEdit* edtFile;
  QPushButton* btnFile;
  QLabel* lblResult;
  QPlainTextEdit* memSkipped;  // the damaged lines' messages, shown when there are any
  QPushButton* btnExport;
  QPushButton* btnClose;

 private:
  std::string punchPath_, dataPath_;
};

}  // namespace zv
