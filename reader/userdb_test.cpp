// The data bank steps against the stand-in library: which records go into which bank, the
// pauses, and the lines and the resume of every way the step can end. The transfers of real
// records run end to end against the emulator (tests/e2e).
#include "reader/userdb.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

#include "reader/engine.h"
#include "reader/entryops.h"
#include "reader/testing/fakehost.h"
#include "util/fileio.h"

namespace zv {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

class UserDbTest : public test::EngineTest {
 protected:
  // n users with ids 1..n in user.txt, user.idx and user.dat; reader 1 of the given model.
  void Prepare(int n, int model) {
    LoadSites({"5, , , , , , 0, 127.0.0.2, net"});
    LoadClocks({"5, 1"});
    std::string users = ".ID\r\n", idx, dat;
    for (int i = 1; i <= n; ++i) {
      users += std::to_string(i) + ", 1, , , 0, c" + std::to_string(i) + "\r\n";
      char id[11];
      std::snprintf(id, sizeof id, "%010d", i);
      idx += std::string(id) + "\r\n";
      std::string rec(24, '\0');
      rec[3] = static_cast<char>(i >> 8);  // any non-zero id
      rec[4] = static_cast<char>(i);
      dat += rec;
    }
    ASSERT_TRUE(WriteFileAtomic(Dir + "user.txt", users));
    ASSERT_TRUE(WriteFileAtomic(Dir + "user.idx", idx));
    ASSERT_TRUE(WriteFileAtomic(Dir + "user.dat", dat));
    Host.UserList = std::make_unique<TUserList>(Dir + "user.txt");
    Fake.set_reader(1, model, 0, 1);
  }

  // The bank calls in order, runs of record conversions counted: "53 records, bank 0, ...".
  std::string BankCalls() const {
    std::istringstream in(Calls());
    std::string line, out;
    int run = 0;
    auto flush = [&]() {
      if (run) out += (out.empty() ? "" : ", ") + std::to_string(run) + " records";
      run = 0;
    };
    while (std::getline(in, line)) {
      if (line.rfind("rdrUserRecordToData", 0) == 0 || line.rfind("rdrExtUserRecordToData", 0) == 0) {
        ++run;
      } else if (line.rfind("rdrHereIsBankNumber(", 0) == 0) {
        flush();
        out += (out.empty() ? "bank " : ", bank ") + line.substr(20, line.size() - 21);
      }
    }
    flush();
    return out;
  }
};

TEST_F(UserDbTest, RecordsFillBanksToTheLastWholeSlotAndTheLastBankAlwaysGoes) {
  struct {
    int users, model;
    const char* banks;
  } cases[] = {
      {0, 0, "bank 0"},
      {255, 0, "255 records, bank 0"},
      {256, 0, "256 records, bank 0, bank 1"},
      {257, 0, "256 records, bank 0, 1 records, bank 1"},
      {52, 2, "52 records, bank 0"},
      {53, 2, "53 records, bank 0, bank 1"},
      {54, 2, "53 records, bank 0, 1 records, bank 1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.users) + " users, model " + std::to_string(c.model));
    Fake.reset();
    Host.Lines.clear();
    Host.Slept.clear();
    Prepare(c.users, c.model);
    EXPECT_TRUE(RestoreFullSites(AllSites(), ""));
    EXPECT_EQ(BankCalls(), c.banks);
    EXPECT_EQ(Fake.count("rdrResume"), 1);
    EXPECT_EQ(Host.Lines.back(), "Site 5, Clock 1: Reader opertation resumed.");
    // Half a second before each bank, and the network close pause.
    std::vector<int> want(Fake.count("rdrHereIsBankNumber"), 500);
    want.push_back(150);
    EXPECT_THAT(Host.Slept, ElementsAreArray(want));
  }
}

TEST_F(UserDbTest, EveryEndingOfABankStepResumesTheReader) {
  Prepare(2, 0);
  const std::string p = "Site 5, Clock 1: ";
  const std::vector<std::string> restoreStart = {
      p + "Model ZV2K, Small 128K", p + "reader in idle mode while sending user templates to reader.",
      p + "Adding 0000000001.", p + "Adding 0000000002."};
  struct {
    const char* name;
    const char* entry;
    int fails;  // answers of failure, as many as the retries use up
    int steps;  // 0: D, 1: F
    std::vector<std::string> tail;
    std::vector<int> slept;
  } cases[] = {
      {"bank refused", "rdrHereIsDataBank", 3, 0,
       {p + "Failed to download bank number 0.", p + "Reader opertation resumed.",
        p + "Failed to download user templates"},
       {500, 5000, 150}},
      {"bank number refused", "rdrHereIsBankNumber", 3, 0,
       {p + "Failed to set bank number 0.", p + "Reader opertation resumed.",
        p + "Failed to download user templates"},
       {150}},
      {"resume refused", "rdrResume", 3, 0, {p + "Failed to resume reader operation."}, {500, 150}},
      {"bank reads fail", "rdrGetDataBank", 9, 1,
       {p + "Failed to read bank number 0.", p + "Failed to read bank number 1.",
        p + "Failed to read bank number 2.", p + "Reader opertation resumed.",
        p + "Failed to retrieve user templates"},
       {150}},
      {"a bank read fails once, then the bank ends the reading", "rdrGetDataBank", 3, 1,
       {p + "Failed to read bank number 0.", p + "Reader opertation resumed.", p + "Users found 0"},
       {150}},
      {"a record that cannot be parsed", "rdrDataToUserRecord", 1, 1,
       {p + "Error parsing databank 0", p + "Reader opertation resumed.",
        p + "Failed to retrieve user templates"},
       {150}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Fake.reset();
    Fake.set_reader(1, 0, 0, 1);
    Fake.push_results(c.entry, 1, c.fails);
    Host.Lines.clear();
    Host.Slept.clear();
    if (c.steps == 1) {
      EXPECT_TRUE(GetFullSites(AllSites(), ""));
    } else {
      EXPECT_TRUE(RestoreFullSites(AllSites(), ""));
    }
    std::vector<std::string> want;
    if (c.steps == 0) {
      want = restoreStart;
    } else {
      want = {p + "Getting all user records in reader.", p + "Model ZV2K, Small 128K",
              p + "reader in idle mode while getting user templates from reader."};
    }
    want.insert(want.end(), c.tail.begin(), c.tail.end());
    EXPECT_THAT(Host.Lines, ElementsAreArray(want));
    EXPECT_THAT(Host.Slept, ElementsAreArray(c.slept));
    EXPECT_GE(Fake.count("rdrResume"), 1);
  }

  // Idle mode refused (a dropped line, a busy reader): nothing is sent or read, and each step
  // says it failed rather than "Users found 0".
  Fake.reset();
  Fake.set_reader(1, 0, 0, 1);
  Fake.set_result("rdrEnterIdleMode", 1);
  Host.Lines.clear();
  EXPECT_TRUE(RestoreFullSites(AllSites(), ""));
  EXPECT_TRUE(GetFullSites(AllSites(), ""));
  EXPECT_THAT(Host.Lines, ElementsAre(p + "Model ZV2K, Small 128K", p + "Failed to download user templates",
                                      p + "Getting all user records in reader.", p + "Model ZV2K, Small 128K",
                                      p + "Failed to retrieve user templates"));
  EXPECT_EQ(Fake.count("rdrHereIsBankNumber") + Fake.count("rdrGetDataBank") + Fake.count("rdrResume"), 0);
}

TEST_F(UserDbTest, RecordByRecordFailureLines) {
  Prepare(2, 0);
  const std::string p = "Site 5, Clock 1: ";
  struct {
    const char* entry;
    int fails;
    bool get;
    std::vector<std::string> want;
  } cases[] = {
      {"rdrClearUserDataBase", 3, false,
       {p + "Model ZV2K, Small 128K", p + "Clearing user database before restore.",
        p + "Failed to clear user database before restore.", p + "Failed to download user templates"}},
      {"rdrHereIsUserRecord", 3, false,
       {p + "Model ZV2K, Small 128K", p + "Clearing user database before restore.",
        p + "User database cleared.", p + "Adding 0000000001.",
        p + "Failed to download user template 1", p + "Failed to download user templates"}},
      {"rdrGetUserRecord", 3, true,
       {p + "Getting user records for users in USER.TXT.", p + "Model ZV2K, Small 128K",
        p + "0000000001 no template received!", p + "0000000002 received template."}},
      {"rdrSetHandReader", 3, true,
       {p + "Getting user records for users in USER.TXT.", p + "Clock is not responding",
        p + "Failed to get user records."}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.entry);
    Host.UserList = std::make_unique<TUserList>(Dir + "user.txt");
    Fake.reset();
    Fake.set_reader(1, 0, 0, 1);
    Fake.push_results(c.entry, 1, c.fails);
    Host.Lines.clear();
    EXPECT_TRUE(c.get ? GetUsersSites(AllSites(), "") : RestoreUsersSites(AllSites(), ""));
    EXPECT_THAT(Host.Lines, ElementsAreArray(c.want));
  }

  // G on a line that gives no answers ends after a few users; users the reader refuses
  // (its own status, from 32 on) do not end it, however many there are in a row, but a
  // reader that refused every one of them got nothing: a failure of the clock.
  for (int code : {4, 35}) {
    SCOPED_TRACE(code);
    Prepare(5, 0);
    Fake.reset();
    Fake.set_reader(1, 0, 0, 1);
    Fake.push_results("rdrGetUserRecord", code, 15);
    Host.Lines.clear();
    GetUsersSites(AllSites(), "");
    std::vector<std::string> want{p + "Getting user records for users in USER.TXT.", p + "Model ZV2K, Small 128K"};
    for (int i = 1; i <= (code == 4 ? 3 : 5); ++i) want.push_back(p + "000000000" + std::to_string(i) + " no template received!");
    want.push_back(p + "Failed to retrieve user templates");
    want.push_back(p + "Failed to get user records.");
    EXPECT_THAT(Host.Lines, ElementsAreArray(want));
  }

  // No users file: the reader is neither cleared nor sent empty banks.
  Fake.reset();
  Fake.set_reader(1, 0, 0, 1);
  Host.UserList.reset();
  Host.Lines.clear();
  EXPECT_TRUE(RestoreUsersSites(AllSites(), ""));
  EXPECT_TRUE(RestoreFullSites(AllSites(), ""));
  EXPECT_THAT(Host.Lines, ElementsAre(p + "Model ZV2K, Small 128K", p + "Failed to download user templates",
                                      p + "Model ZV2K, Small 128K", p + "Failed to download user templates"));
  EXPECT_EQ(Fake.count("rdrClearUserDataBase") + Fake.count("rdrEnterIdleMode") +
                Fake.count("rdrHereIsBankNumber"),
            0);
}

}  // namespace
}  // namespace zv
