// The binding: telling a missing library from an incomplete one, and each call's retry
// and buffer rules, against the stand-in library.
#include "reader/rdrdll32.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "reader/testing/fakehost.h"
#include "util/fileio.h"

namespace zv::test {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

class RdrDll32Test : public EngineTest {};

TEST_F(RdrDll32Test, MissingLibraryAndMissingEntryPointAreToldApart) {
  TRdrDll32::LibraryName = Dir + "nowhere/librdrdll32.so";
  try {
    TRdrDll32 r;
    FAIL() << "loaded a library that is not there";
  } catch (const ERdrDll32Error& e) {
    EXPECT_STREQ(e.what(), "RDRDLL32.DLL load failed with error #2");
  }
  TRdrDll32::LibraryName = "librdrdll32-nowhere.so";  // the loader's search and the program's places
  try {
    TRdrDll32 r;
    FAIL() << "loaded a library that is not there";
  } catch (const ERdrDll32Error& e) {
    EXPECT_STREQ(e.what(), "RDRDLL32.DLL load failed with error #2");
  }
  ASSERT_TRUE(WriteFileAtomic(Dir + "librdrdll32.so", "not a library"));
  TRdrDll32::LibraryName = Dir + "librdrdll32.so";
  try {
    TRdrDll32 r;
    FAIL() << "loaded a file that is no library";
  } catch (const ERdrDll32Error& e) {
    EXPECT_STREQ(e.what(), "RDRDLL32.DLL load failed with error #8");
  }
  TRdrDll32::LibraryName = FAKE_RDR_LACKING_PATH;
  try {
    TRdrDll32 r;
    FAIL() << "bound a library without rdrCOMDtr";
  } catch (const ERdrDll32Error& e) {
    EXPECT_THAT(e.what(), StartsWith("RDRDLL32.DLL initialization failed with error #"));
  }
}

TEST_F(RdrDll32Test, ThreeAttemptsStopAtFirstSuccess) {
  TRdrDll32 r;
  std::uint8_t info[kHandReaderInfoSize];
  Fake.push_results("rdrSetHandReader", 9, 2);
  EXPECT_TRUE(r.SetHandReader(0x103, info));  // low 8 bits: address 3
  EXPECT_EQ(Fake.count("rdrSetHandReader"), 3);
  EXPECT_THAT(Calls(), HasSubstr("rdrSetHandReader(0,3)"));
  EXPECT_EQ(info[0], 0x5A);

  Fake.set_result("rdrClearUserDataBase", 1);
  EXPECT_FALSE(r.ClearUserDataBase());
  EXPECT_EQ(Fake.count("rdrClearUserDataBase"), 3);
}

TEST_F(RdrDll32Test, DataLogElementAsksOnceThenRepeatsTenTimes) {
  TRdrDll32 r;
  std::uint8_t el[kDataLogElementSize];
  Fake.set_result("rdrGetDataLogElement", 1);
  EXPECT_FALSE(r.GetDataLogElement(el));
  EXPECT_EQ(Fake.count("rdrGetDataLogElement"), 11);
  std::string calls = Calls();
  EXPECT_THAT(calls, StartsWith("rdrGetDataLogElement(0)\nrdrGetDataLogElement(1)\n"));
  EXPECT_EQ(calls.find("rdrGetDataLogElement(0)", 1), std::string::npos);
}

TEST_F(RdrDll32Test, SetupIsMadePermanentOnlyAfterItWasAccepted) {
  TRdrDll32 r;
  std::uint8_t setup[kSetupDataSize] = {};
  Fake.set_result("rdrHereIsSetupData", 1);
  EXPECT_FALSE(r.HereIsSetupData(setup));
  EXPECT_EQ(Fake.count("rdrUpdateNVRam"), 0);
  Fake.set_result("rdrHereIsSetupData", 0);
  Fake.set_result("rdrUpdateNVRam", 1);
  EXPECT_FALSE(r.HereIsSetupData(setup));
  EXPECT_EQ(Fake.count("rdrUpdateNVRam"), 1);
}

TEST_F(RdrDll32Test, TextBuffersAndIds) {
  TRdrDll32 r;
  std::uint8_t id[kIdSize];
  std::string text = "x";
  // The stand-in fills all 20 bytes without a terminator.
  EXPECT_TRUE(r.IDToText(id, text));
  EXPECT_EQ(text, std::string(20, '9'));
  Fake.set_result("rdrIDToText", 1);
  EXPECT_FALSE(r.IDToText(id, text));
  EXPECT_EQ(text, "");

  Fake.set_result("rdrTextToID", 1);
  EXPECT_FALSE(r.TextToID("12", id));
  for (auto b : id) EXPECT_EQ(b, 0);

  std::uint8_t rec[kUserRecordSize];
  id[4] = 0x42;  // the stand-in answers with the record of the id asked for; zeros are none
  EXPECT_TRUE(r.GetUserRecord(id, rec));
  Fake.set_result("rdrGetUserRecord", 1);
  EXPECT_FALSE(r.GetUserRecord(id, rec));
  for (auto b : rec) EXPECT_EQ(b, 0);
}

TEST_F(RdrDll32Test, ChannelHandlesAndArguments) {
  TRdrDll32 r;
  EXPECT_TRUE(r.InitWsock(std::string(80, '1'), "abc"));
  EXPECT_THAT(Calls(), HasSubstr("rdrInitWsock(" + std::string(49, '1') + ",0)"));
  EXPECT_EQ(r.Channel(), 11);
  EXPECT_TRUE(r.NetworkSessionOpen());
  Fake.set_result("rdrCloseWsock", 3);
  EXPECT_FALSE(r.CloseWsock());
  EXPECT_EQ(r.Channel(), 0);
  EXPECT_FALSE(r.NetworkSessionOpen());

  EXPECT_TRUE(r.StartupWsock());
  EXPECT_TRUE(r.InstallChannel(1));
  EXPECT_FALSE(r.NetworkStarted());
  EXPECT_TRUE(r.InstallChannel(3));  // a held handle is reused
  EXPECT_EQ(Fake.count("rdrInstallChannel"), 1);
  EXPECT_TRUE(r.OpenModemChannel(2400, std::string(150, '5'), 1));
  EXPECT_THAT(Calls(), HasSubstr("rdrOpenModemChannel(22,2400," + std::string(99, '5') + ",1)"));
  Fake.set_result("rdrCloseChannel", 1);
  EXPECT_FALSE(r.CloseChannel());
  EXPECT_EQ(r.Channel(), 22);
  Fake.set_result("rdrCloseChannel", 0);
  EXPECT_TRUE(r.CloseChannel());
  EXPECT_EQ(r.Channel(), 0);
}

TEST_F(RdrDll32Test, TimeAndDisplayMessageRecords) {
  TRdrDll32 r;
  std::tm t{};
  t.tm_sec = 5; t.tm_min = 4; t.tm_hour = 23; t.tm_mday = 31; t.tm_mon = 11; t.tm_year = 126;
  EXPECT_TRUE(r.HereIsTime(t));
  t.tm_year = 99;
  EXPECT_TRUE(r.HereIsTime(t));
  EXPECT_THAT(Calls(), HasSubstr("rdrHereIsTime(5,4,23,31,12,26)"));
  EXPECT_THAT(Calls(), HasSubstr("rdrHereIsTime(5,4,23,31,12,99)"));

  EXPECT_TRUE(r.HereIsDisplayMessage(0, 2, "TIME SET", ""));
  EXPECT_THAT(Calls(), HasSubstr("rdrHereIsDisplayMessage(TIME SET" + std::string(24, ' ') + ")"));
  Fake.set_result("rdrTextToID", 1);
  EXPECT_FALSE(r.HereIsDisplayMessage(1, 0, "HELLO", "x"));
  EXPECT_EQ(Fake.count("rdrHereIsDisplayMessage"), 1);
}

TEST_F(RdrDll32Test, UnloadForgetsTheChannel) {
  TRdrDll32 r;
  ASSERT_TRUE(r.InstallChannel(0));
  r.Unload();
  EXPECT_FALSE(r.Loaded());
  EXPECT_EQ(r.Channel(), 0);
  r.Unload();  // twice is harmless
}

}  // namespace
}  // namespace zv::test
