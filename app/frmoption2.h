// TfrmOption2: the Options dialog for the data and punch-log directories, the new-user
// restriction, the command-line log switch, the pause between command-line parameters and the
// devices of the serial ports.
#pragma once
#include <QDialog>
#include <array>
#include <functional>
#include <optional>
#include <string>

#include "app/options.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace zv {

class TfrmOption2 : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmOption2(QWidget* parent = nullptr);

  void SetValues(const TOptionValues& v);
  TOptionValues Values() const;

  // Asks for a folder (title, prompt, start); none when the user cancels. Tests replace it.
  std::function<std::optional<std::string>(const std::string&, const std::string&,
                                           const std::string&)>
      BrowseFolder;

  void btnOkClick();
  void btnDataPathClick();
  void btnPunchPathClick();

  QLineEdit* edtDataPath;
  QLineEdit* edtPunchPath;
  QPushButton* btnDataPath;
  QPushButton* btnPunchPath;
  QRadioButton* radAlways;
  QRadioButton* radNever;
  QCheckBox* chkSaveCommandLineLog;
  QSpinBox* spnInterCommandDelay;
  QLineEdit* edtInterCommandDelay;  // the up-down's own edit
  // COM1 to COM4: the device the settings name (empty: the default, shown greyed), and
  // beside it where the port really goes when an environment variable overrides it.
  std::array<QLineEdit*, kSerialPortCount> edtPorts;
  std::array<QLabel*, kSerialPortCount> lblPortsInEffect;
  QPushButton* btnOk;
  QPushButton* btnCancel;
};

}  // namespace zv
