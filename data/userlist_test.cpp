// Users file: reading rules with the authority check, writing rule, and the lookup by user
// number with its two tests, kept right through every change.
#include <random>

#include "data/tabletest.h"
#include "data/userlist.h"
#include "util/numbers.h"

namespace zv {
namespace {

class UserListTest : public TableFileTest {
 protected:
  static std::unique_ptr<TUser> User(const std::string& id, const std::string& comment = "") {
    auto u = std::make_unique<TUser>();
    u->SetID(id);
    u->SetComment(comment);
    return u;
  }
  static std::vector<TUser*> Users(const TUserList& list) { return Records<TUser>(list); }
  // The lookup as its rule reads, by scanning.
  static TUser* ScanFind(const TUserList& list, const std::string& id) {
    for (TUser* u : Users(list))
      if (u->ID() == id || NormalizeNumber(u->ID()) == id) return u;
    return nullptr;
  }
};

TEST_F(UserListTest, GoldenFileSurvivesLoadAndSaveByteForByte) {
  WriteFile(Path("user.txt"), Golden("user_in.txt"));
  EXPECT_EQ(LoadAndSave<TUserList>("user.txt"), Golden("user_out.txt"));
  // Read back, a written comment is the sixth field like any other: cut at its first ",".
  EXPECT_EQ(LoadAndSave<TUserList>("user.txt"), Golden("user_reload.txt"));
  EXPECT_EQ(LoadAndSave<TUserList>("user.txt"), Golden("user_reload.txt"));
}

TEST_F(UserListTest, AuthorityCheck) {
  WriteFile(Path("user.txt"), Golden("user_in.txt"));
  TUserList list(Path("user.txt"));
  // Adjacent commas move "05" into Reserved, so the comment stands in the authority column.
  EXPECT_EQ(list.FindUser("0001234567")->Authority(), "");
  EXPECT_EQ(list.FindUser("0001234567")->Comment(), "leading zeros ");
  EXPECT_EQ(list.FindUser("42")->Authority(), "");
  EXPECT_EQ(list.FindUser("42")->Comment(), "hello, world");
  EXPECT_EQ(list.FindUser("43")->Comment(), "9 ");
  EXPECT_EQ(list.FindUser("44")->Authority(), "3");
  EXPECT_EQ(list.FindUser("44")->Comment(), "x");
  EXPECT_EQ(list.FindUser("45")->Comment(), "lost ");
  EXPECT_EQ(list.FindUser("49")->Comment(), "c ");
  EXPECT_EQ(list.FindUser("50")->Comment(), "7, c");  // 7 is no authority level
  EXPECT_EQ(list.FindUser("0")->Authority(), "4");
  EXPECT_EQ(list.FindUser("48")->Comment(), std::string(240, 'A'));
  EXPECT_EQ(list.FindUser("46"), nullptr);  // a comment line
}

TEST_F(UserListTest, AuthorityLevelsAreStoredInPlainDecimal) {
  WriteFile(Path("user.txt"), CrLf({"1, 0, 0, , 05, a", "2, 0, 0, , +3, b", "3, 0, 0, , -1, c",
                                    "4, 0, 0, , 6", "5, 0, 0, , 000"}));
  TUserList list(Path("user.txt"));
  EXPECT_EQ(list.FindUser("1")->Authority(), "5");
  EXPECT_EQ(list.FindUser("2")->Authority(), "3");
  EXPECT_EQ(list.FindUser("3")->Comment(), "-1, c");
  EXPECT_EQ(list.FindUser("4")->Comment(), "6 ");
  EXPECT_EQ(list.FindUser("5")->Authority(), "0");
}

TEST_F(UserListTest, UserWithoutIdKeepsItsFieldsThroughSaves) {
  WriteFile(Path("user.txt"), CrLf({", 61, 0, , 2, visitor"}));
  for (int round = 0; round < 3; ++round) {
    TUserList list(Path("user.txt"));
    TUser* u = list.FindUser("");
    ASSERT_NE(u, nullptr);
    EXPECT_EQ(u->TZ(), "61");
    EXPECT_EQ(u->Authority(), "2");
    EXPECT_EQ(list.FindUser("61"), nullptr);
    list.Modified = true;
  }
  EXPECT_EQ(ReadFile(Path("user.txt")),
            CrLf({"           ,  61,         0,         ,         2, visitor"}));
}

TEST_F(UserListTest, FindUserTests) {
  WriteFile(Path("user.txt"), CrLf({"0007, 0, 0, , , zeros", "7, 0, 0, , , plain", "000, 0, 0, , , nil",
                                    "8, 0, 0, , , eight", "0008, 0, 0, , , padded eight"}));
  TUserList list(Path("user.txt"));
  // "7" passes the second test on "0007", which comes first.
  EXPECT_EQ(list.FindUser("7")->Comment(), "zeros");
  EXPECT_EQ(list.FindUser("0007")->Comment(), "zeros");
  EXPECT_EQ(list.FindUser("8")->Comment(), "eight");
  EXPECT_EQ(list.FindUser("0008")->Comment(), "padded eight");
  EXPECT_EQ(list.FindUser("0")->Comment(), "nil");
  EXPECT_EQ(list.FindUser("00"), nullptr);
  EXPECT_EQ(list.FindUser("07"), nullptr);
  EXPECT_EQ(list.FindUser(" 7"), nullptr);
  EXPECT_EQ(list.FindUser(""), nullptr);

  // Without the first line, "7" is the plain one again.
  EXPECT_TRUE(list.DeleteUser(list.FindUser("0007")));
  EXPECT_EQ(list.FindUser("7")->Comment(), "plain");
  EXPECT_EQ(list.FindUser("0007"), nullptr);
}

TEST_F(UserListTest, SaveUserReplacesTheUserTheLookupFinds) {
  TUserList list(Path("user.txt"));
  TUser* padded = list.SaveUser(User("0001234567", "old"));
  TUser* again = list.SaveUser(User("1234567", "new"));
  EXPECT_EQ(again, padded);
  EXPECT_EQ(padded->ID(), "1234567");
  EXPECT_EQ(list.FindUser("0001234567"), nullptr);  // the ID was replaced too
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(padded->PaddedId(), "0001234567");
  EXPECT_EQ(User("12345678901")->PaddedId(), "12345678901");

  TUser u;
  u.SetID("1234567");
  u.SetTZ("0");
  u.SetRejectOvr("0");
  u.SetAuthority("0");
  u.SetComment("Night shift");
  list.SaveUser(u);
  ASSERT_TRUE(list.Save());
  EXPECT_EQ(ReadFile(Path("user.txt")),
            CrLf({TUserList::kHeader1, TUserList::kHeader2,
                  "    1234567,   0,         0,         ,         0, Night shift"}));
}

TEST_F(UserListTest, ReservedIsCarriedThroughCopies) {
  WriteFile(Path("user.txt"), CrLf({"1, 0, 0, R1, 0, a", "2, 0, 0, R2, 0, b"}));
  TUserList list(Path("user.txt"));
  TUser copy = *list.FindUser("1");
  copy.SetID("3");
  list.SaveUser(copy);
  list.FindUser("2")->CopyFrom(copy);  // now a second "3", after the first
  ASSERT_TRUE(list.Save());
  EXPECT_EQ(ReadFile(Path("user.txt")),
            CrLf({"          1,   0,         0,       R1,         0, a",
                  "          3,   0,         0,       R1,         0, a",
                  "          3,   0,         0,       R1,         0, a"}));
  EXPECT_EQ(list.FindUser("3"), Users(list)[1]);
  EXPECT_EQ(list.FindUser("2"), nullptr);
}

// Random adds, saves, deletes, in-place ID edits, plain line operations and reloads, with
// every lookup compared against the rule applied by scanning.
TEST_F(UserListTest, LookupAgreesWithScanThroughRandomChanges) {
  std::mt19937 rng(12345);
  const std::vector<std::string> ids = {"0", "00", "000", "7", "07", "0007", "8", "0008",
                                        "",  " ", "x",  "0x", "10", "010", "1234567", "0001234567"};
  auto pick = [&]() { return ids[rng() % ids.size()]; };
  auto list = std::make_unique<TUserList>(Path("user.txt"));
  for (int step = 0; step < 1500; ++step) {
    std::vector<TUser*> all = Users(*list);
    switch (rng() % 8) {
      case 0:
      case 1:
        list->SaveUser(User(pick(), "s" + std::to_string(step)));
        break;
      case 2:
        if (!all.empty()) list->DeleteUser(all[rng() % all.size()]);
        break;
      case 3:
        if (!all.empty()) all[rng() % all.size()]->SetID(pick());
        break;
      case 4:
        list->Insert(static_cast<int>(rng() % (list->Count() + 1)), "",
                     User(pick(), "i" + std::to_string(step)));
        break;
      case 5:
        if (list->Count() > 0) list->Delete(static_cast<int>(rng() % list->Count()));
        break;
      case 6:
        if (rng() % 3 != 0) break;  // each save flushes to disk: keep them few
        ASSERT_TRUE(list->Save());
        if (rng() % 5 == 0) {
          list.reset();
          list = std::make_unique<TUserList>(Path("user.txt"));
        }
        break;
      default:
        if (!all.empty()) all[rng() % all.size()]->CopyFrom(*User(pick()));
        break;
    }
    for (const auto& id : ids) ASSERT_EQ(list->FindUser(id), ScanFind(*list, id)) << step << " " << id;
  }
}

TEST_F(UserListTest, RecordTakenFromTheListOutlivesIt) {
  std::unique_ptr<TRecord> taken;
  {
    TUserList list(Path("user.txt"));
    TUser* u = list.SaveUser(User("5"));
    ASSERT_EQ(list.FindUser("5"), u);
    taken = list.TakeObject(list.IndexOfObject(u));
    EXPECT_EQ(list.FindUser("5"), nullptr);
    list.Modified = false;
  }
  static_cast<TUser*>(taken.get())->SetID("6");  // must not reach the freed list
  EXPECT_EQ(static_cast<TUser*>(taken.get())->ID(), "6");
}

TEST_F(UserListTest, MissingFileIsCreatedWithHeaderLines) {
  { TUserList list(Path("user.txt")); }
  EXPECT_EQ(ReadFile(Path("user.txt")), CrLf({TUserList::kHeader1, TUserList::kHeader2}));
}

}  // namespace
}  // namespace zv
