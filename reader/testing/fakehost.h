// Test support for the engine: a host that records the window lines, a temporary data
// directory, and the controls of the stand-in reader library.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "data/clocklist.h"
#include "data/grouplist.h"
#include "data/site.h"
#include "data/sitelist.h"
#include "data/userlist.h"
#include "data/zvcfglist.h"
#include "reader/enginehost.h"

namespace zv::test {

class TFakeHost : public IEngineHost {
 public:
  void AddLogLine(const std::string& text) override { Lines.push_back(text); }
  void ProcessMessages() override { ++Processed; }
  void SleepMs(int ms) override { Slept.push_back(ms); }
  void Progress(const char* operation, long long count, const char* unit) override {
    Progressed.push_back(std::string(operation) + " " + std::to_string(count) + " " + unit);
  }
  bool KeepClockResults(std::string& error) override {
    ++Kept;
    return SaveChangedUsers(UserList.get(), error);
  }
  std::string DataPath() const override { return Data; }
  std::string PunchPath() const override { return Punch; }
  TSiteList* Sites() const override { return SiteList.get(); }
  TClockList* Clocks() const override { return ClockList.get(); }
  TUserList* Users() const override { return UserList.get(); }
  TGroupList* Groups() const override { return GroupList.get(); }
  TZvCfgList* Configs() const override { return ConfigList.get(); }

  std::vector<std::string> Lines;
  int Processed = 0;
  int Kept = 0;  // clocks whose results the engine asked to keep
  std::vector<int> Slept;
  std::vector<std::string> Progressed;
  std::string Data, Punch;
  std::unique_ptr<TSiteList> SiteList;
  std::unique_ptr<TClockList> ClockList;
  std::unique_ptr<TUserList> UserList;
  std::unique_ptr<TGroupList> GroupList;
  std::unique_ptr<TZvCfgList> ConfigList;
};

// The controls that the stand-in library exports besides the entry points.
struct TFakeRdr {
  void (*reset)();
  void (*set_result)(const char*, std::int32_t);
  void (*push_results)(const char*, std::int32_t, int);
  void (*set_reader)(int, int, int, int);
  const char* (*calls)();
  int (*count)(const char*);
  void (*push_element)(const std::uint8_t*);
};

// A fresh data directory, the host installed, the library pointed at the stand-in.
class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Writes site.txt / clock.txt lines (after the header) and loads the lists.
  void LoadSites(const std::vector<std::string>& lines);
  void LoadClocks(const std::vector<std::string>& lines);
  std::vector<TSite*> AllSites() const;
  std::string ReadFile(const std::string& name) const;
  std::string Calls() const { return Fake.calls(); }
  // Every window line joined by "\n".
  std::string Window() const;

  std::string Dir;
  TFakeHost Host;
  TFakeRdr Fake{};
  void* fakeHandle_ = nullptr;
};

}  // namespace zv::test
