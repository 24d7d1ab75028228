// The main of the dialog tests: one offscreen application object for the whole program,
// with XDG directories of its own.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>
#include <string>
#include <sys/stat.h>

#include "util/testsupport.h"

int main(int argc, char** argv) {
  zv::testing::TTempDir home;
  for (const char* var : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"}) {
    const std::string dir = home.file(var);
    mkdir(dir.c_str(), 0700);
    setenv(var, dir.c_str(), 1);
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
