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
// Replaces how ShowErrorBox shows the text (tests); none restores the error box. Returns the old.
using TErrorBox = void (*)(const char* text);
TErrorBox SetErrorBox(TErrorBox box);

}  // namespace zv
