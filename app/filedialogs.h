// The editor's Open and Save As dialogs, behind one interface: the application uses Qt's file
// dialogs, tests install TScriptedFileDialogs, so that no test ever waits on a dialog.
#pragma once
#include <deque>
#include <string>
#include <vector>

class QWidget;

class QFileDialog;

namespace zv {

class IFileDialogs {
 public:
  virtual ~IFileDialogs() = default;
  // The chosen file's path, or "" when the dialog was cancelled.
  virtual std::string OpenFile(QWidget* parent, const std::string& dir) = 0;
  virtual std::string SaveFile(QWidget* parent, const std::string& dir,
                               const std::string& proposedName) = 0;
};

// Installs the dialogs used from now on (none: Qt's); answers the previous ones.
IFileDialogs* SetFileDialogs(IFileDialogs* dialogs);
IFileDialogs& FileDialogs();

// Records what each dialog was shown with and answers from a script ("" when none is left);
// installs itself while alive.
class TScriptedFileDialogs : public IFileDialogs {
 public:
  struct Shown {
    bool save;
    std::string dir, proposedName;
  };
  TScriptedFileDialogs() : previous_(SetFileDialogs(this)) {}
  ~TScriptedFileDialogs() override { SetFileDialogs(previous_); }
  std::string OpenFile(QWidget*, const std::string& dir) override {
    shown.push_back({false, dir, ""});
    return Next();
  }
  std::string SaveFile(QWidget*, const std::string& dir, const std::string& name) override {
    shown.push_back({true, dir, name});
    return Next();
  }
  void Answer(const std::string& path) { answers_.push_back(path); }
  std::vector<Shown> shown;

 private:
  std::string Next() {
    if (answers_.empty()) return "";
    std::string a = answers_.front();
    answers_.pop_front();
    return a;
  }
  std::deque<std::string> answers_;
  IFileDialogs* previous_;
};

// Gives Qt's Open and Save As dialogs room for their columns and each column its width.
void LayOutFileDialog(QFileDialog& dlg);

}  // namespace zv
