// TZvApplication: the Qt application object. An error that escapes an operation is shown in
// an error box and the program keeps running.
#pragma once
#include <QApplication>

namespace zv {

class TZvApplication : public QApplication {
 public:
  TZvApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

// Shows the text of an error that escaped an operation (an error box unless replaced).
void ShowErrorBox(const char* text);
// False when nobody can answer an error box: no replacement is installed and the program runs
// without a display (the offscreen or minimal platform of an unattended run).
bool ErrorBoxCanBeAnswered();
// Replaces how ShowErrorBox shows the text (tests); none restores the error box. Returns the old.
using TErrorBox = void (*)(const char* text);
TErrorBox SetErrorBox(TErrorBox box);

}  // namespace zv
