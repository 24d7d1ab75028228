#include "reader/testing/fakehost.h"

#include <dlfcn.h>
#include <stdlib.h>

#include "reader/engine.h"
#include "reader/rdrdll32.h"
#include "util/fileio.h"

namespace zv::test {

void EngineTest::SetUp() {
  char tmpl[] = "/tmp/zvreader_XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  Dir = std::string(tmpl) + "/";
  for (const char* v : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"})
    setenv(v, (Dir + v).c_str(), 1);
  for (int i = 1; i <= 4; ++i)
    setenv(("RDRDLL32_COM" + std::to_string(i)).c_str(), (Dir + "nocom").c_str(), 1);
  Host.Data = Dir;
  Host.Punch = Dir;
  SetEngineHost(&Host);
  TRdrDll32::LibraryName = FAKE_RDR_PATH;
  // Our own reference keeps the stand-in's state alive across the engine's load and unload.
  fakeHandle_ = dlopen(FAKE_RDR_PATH, RTLD_NOW);
  ASSERT_NE(fakeHandle_, nullptr) << dlerror();
  Fake.reset = reinterpret_cast<void (*)()>(dlsym(fakeHandle_, "fake_reset"));
  Fake.set_result = reinterpret_cast<void (*)(const char*, std::int32_t)>(dlsym(fakeHandle_, "fake_set_result"));
  Fake.push_results = reinterpret_cast<void (*)(const char*, std::int32_t, int)>(dlsym(fakeHandle_, "fake_push_results"));
  Fake.set_reader = reinterpret_cast<void (*)(int, int, int, int)>(dlsym(fakeHandle_, "fake_set_reader"));
  Fake.calls = reinterpret_cast<const char* (*)()>(dlsym(fakeHandle_, "fake_calls"));
  Fake.count = reinterpret_cast<int (*)(const char*)>(dlsym(fakeHandle_, "fake_count"));
  Fake.push_element = reinterpret_cast<void (*)(const std::uint8_t*)>(dlsym(fakeHandle_, "fake_push_element"));
  Fake.reset();
  setenv("ZV_WSOCK_CLOSE_PAUSE_MS", "150", 1);
}

void EngineTest::TearDown() {
  EngineClose();
  SetEngineHost(nullptr);
  Host.UserList.reset();
  Host.ConfigList.reset();
  Host.ClockList.reset();
  Host.SiteList.reset();
  if (fakeHandle_) dlclose(fakeHandle_);
  TRdrDll32::LibraryName = "librdrdll32.so";
  std::string cmd = "rm -rf '" + Dir + "'";
  if (system(cmd.c_str()) != 0) {
  }
}

void EngineTest::LoadSites(const std::vector<std::string>& lines) {
  std::string text = ".site  port  baud  init    dial      phone     tza     ipaddress     description\r\n";
  for (const auto& l : lines) text += l + "\r\n";
  ASSERT_TRUE(WriteFileAtomic(Dir + "site.txt", text));
  Host.SiteList = std::make_unique<TSiteList>(Dir + "site.txt");
}

void EngineTest::LoadClocks(const std::vector<std::string>& lines) {
  std::string text = ".site  clock  menu        comment\r\n";
  for (const auto& l : lines) text += l + "\r\n";
  ASSERT_TRUE(WriteFileAtomic(Dir + "clock.txt", text));
  Host.ClockList = std::make_unique<TClockList>(Dir + "clock.txt");
}

std::vector<TSite*> EngineTest::AllSites() const {
  return Host.SiteList ? Host.SiteList->GetSites() : std::vector<TSite*>();
}

std::string EngineTest::ReadFile(const std::string& name) const {
  std::string out;
  ReadWholeFile(Dir + name, out);
  return out;
}

std::string EngineTest::Window() const {
  std::string out;
  for (const auto& l : Host.Lines) out += l + "\n";
  return out;
}

}  // namespace zv::test
