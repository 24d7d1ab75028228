// Test support for the table-file tests: a private temporary directory per test and helpers
// to write and read files byte for byte.
#pragma once
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "data/mystringlist.h"

namespace zv {

class TableFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/zvdata_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    dir_ += "/";
    for (const char* v : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"})
      setenv(v, dir_.c_str(), 1);
    for (const char* v : {"RDRDLL32_COM1", "RDRDLL32_COM2", "RDRDLL32_COM3", "RDRDLL32_COM4"})
      setenv(v, (dir_ + "no-such-port").c_str(), 1);
  }
  void TearDown() override {
    std::string cmd = "rm -rf '" + dir_ + "'";
    if (std::system(cmd.c_str()) != 0) ADD_FAILURE() << "cannot remove " << dir_;
  }

  std::string Path(const std::string& name) const { return dir_ + name; }

  static void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f << bytes;
  }
  static std::string ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
  }
  // The lines joined with CR LF after each, as the program writes them.
  static std::string CrLf(const std::vector<std::string>& lines) {
    std::string r;
    for (const auto& l : lines) r += l + "\r\n";
    return r;
  }
  // The records of the list's lines, in file order.
  template <class R>
  static std::vector<R*> Records(const TMyStringList& list) {
    std::vector<R*> r;
    for (int i = 0; i < list.Count(); ++i)
      if (list.Objects(i)) r.push_back(static_cast<R*>(list.Objects(i)));
    return r;
  }
  // A hand-written file kept beside the tests.
  static std::string Golden(const std::string& name) {
    return ReadFile(std::string(ZV_TEST_SOURCE_DIR) + "/golden/" + name);
  }

  // Loads the file as a list of kind L, saves it and answers the bytes written; "" (and a
  // failure) when the save fails.
  template <class L>
  std::string LoadAndSave(const std::string& name) const {
    {
      L list(Path(name));
      if (!list.Save()) {
        ADD_FAILURE() << "cannot save " << name << ": " << list.LastError();
        return "";
      }
    }
    return ReadFile(Path(name));
  }

  std::string dir_;
};

}  // namespace zv
