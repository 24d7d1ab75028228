// The shared fixture of the application tests: a private temporary tree with its own XDG
// directories, serial ports that do not exist, and scripted message boxes.
#pragma once
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QTimer>
#include <QTemporaryDir>
#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <string>

#include "util/fileio.h"

#include "app/frmzorvan.h"
#include "app/settings.h"
#include "util/msgbox.h"

namespace zv {

class TAppTest : public ::testing::Test {
 protected:
  TAppTest() {
    root_ = tmp_.path().toStdString() + "/";
    for (const std::string& d : {ConfigHome(), DataHome(), RuntimeDir(), ProgramDir()}) {
      ForceDirectories(d);
    }
    setenv("XDG_CONFIG_HOME", ConfigHome().c_str(), 1);
    setenv("XDG_DATA_HOME", DataHome().c_str(), 1);
    setenv("XDG_RUNTIME_DIR", RuntimeDir().c_str(), 1);
    for (int n = 1; n <= 4; ++n) {
      std::string var = "RDRDLL32_COM" + std::to_string(n);
      setenv(var.c_str(), (root_ + "no-such-port" + std::to_string(n)).c_str(), 1);
    }
  }

  // The paths a window of this test uses.
  TAppPaths Paths() const {
    TAppPaths p;
    p.ProgramPath = ProgramDir();
    p.SettingsFile = SettingsFileFor("zorvan32");
    p.DefaultDataPath = DefaultDataDirectory();
    return p;
  }
  std::string Root() const { return root_; }
  std::string ConfigHome() const { return root_ + "config/"; }
  std::string DataHome() const { return root_ + "share/"; }
  std::string RuntimeDir() const { return root_ + "run/"; }
  std::string ProgramDir() const { return root_ + "prog/"; }
  std::string SettingsFile() const { return ConfigHome() + "zorvan32.INI"; }

  void WriteSettings(const std::string& text) { WriteFile(SettingsFile(), text); }
  void WriteFile(const std::string& path, const std::string& bytes) {
    ASSERT_TRUE(WriteFileAtomic(path, bytes)) << path;
  }
  std::string ReadFile(const std::string& path) {
    std::string s;
    ReadWholeFile(path, s);
    return s;
  }
  // A directory under the test's root, created; with a trailing "/".
  std::string MakeDir(const std::string& name) {
    std::string d = root_ + name + "/";
    ForceDirectories(d);
    return d;
  }

  // A main window built on this test's paths (not shown).
  std::unique_ptr<TfrmZorvan> NewWindow() { return std::make_unique<TfrmZorvan>(Paths()); }
  // Built and shown: the data set loaded and the posted calls run.
  std::unique_ptr<TfrmZorvan> ShownWindow() {
    auto w = NewWindow();
    w->show();
    QCoreApplication::processEvents();
    return w;
  }

  // Triggers each item and answers whether any of them opened a modal dialog (closing it).
  static bool AnyOpensADialog(std::initializer_list<QAction*> items) {
    bool opened = false;
    for (QAction* item : items) {
      QTimer::singleShot(0, [&] {
        if (auto* d = QApplication::activeModalWidget()) {
          opened = true;
          d->close();
        }
      });
      item->trigger();
      QCoreApplication::processEvents();
    }
    return opened;
  }

  TScriptedMessageBoxes boxes;

 private:
  QTemporaryDir tmp_;
  std::string root_;
};

}  // namespace zv
