// The main of the application tests: one offscreen application object for the whole program.
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/zvapplication.h"

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  zv::TZvApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
