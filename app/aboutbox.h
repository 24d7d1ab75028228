// TfrmAbout: Help > About, the program's icon, name, version and legal notice.
#pragma once
#include <QDialog>

class QIcon;
class QLabel;
class QPushButton;

namespace zv {

// The texts the About box shows, as the version resource of the Windows program held them.
extern const char* const kFileDescription;
extern const char* const kLegalCopyright;
// "Version " + the project's version.
const char* VersionText();
// The program's icon at every size it is drawn in, for the windows and the About box.
QIcon ProgramIcon();

class TfrmAbout : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmAbout(QWidget* parent = nullptr);

  QLabel* imgIcon;
  QLabel* lblProductName;
  QLabel* lblVersion;
  QLabel* lblCopyright;
  QPushButton* btnOk;
};

// Shows the About box modally over the window.
void ShowAboutBox(QWidget* parent);

}  // namespace zv
