// Groups file: reading and writing rules, the entry lookups and the multi-entry deletions.
#include <random>

#include "data/grouplist.h"
#include "data/tabletest.h"

namespace zv {
namespace {

class GroupListTest : public TableFileTest {
 protected:
  static std::unique_ptr<TGroup> Entry(const std::string& g, const std::string& s,
                                       const std::string& c, const std::string& tz = "") {
    auto e = std::make_unique<TGroup>();
    e->SetGroup(g);
    e->SetSite(s);
    e->SetClock(c);
    e->SetTimeZone(tz);
    return e;
  }
};

TEST_F(GroupListTest, GoldenFileSurvivesLoadAndSaveByteForByte) {
  WriteFile(Path("group.txt"), Golden("group_in.txt"));
  EXPECT_EQ(LoadAndSave<TGroupList>("group.txt"), Golden("group_out.txt"));
  // What the program wrote reads back to the same bytes.
  EXPECT_EQ(LoadAndSave<TGroupList>("group.txt"), Golden("group_out.txt"));
}

TEST_F(GroupListTest, LookupsAndTimeZones) {
  WriteFile(Path("group.txt"), Golden("group_in.txt"));
  TGroupList list(Path("group.txt"));
  EXPECT_EQ(list.FindEntry("100", "12", "3")->Comment(), "Front");  // first of two
  EXPECT_EQ(list.FindEntry("0100", "12", "3")->Comment(), "empty tz");
  EXPECT_EQ(list.FindEntry("100", "13", "1"), nullptr);  // a comment line
  EXPECT_EQ(list.GetTimeZone("100", "12", "3"), 5);
  EXPECT_EQ(list.GetTimeZone("0100", "12", "3"), 0);
  EXPECT_EQ(list.GetTimeZone("100", "12", "4"), 61);
  EXPECT_EQ(list.GetTimeZone("100", "12", "5"), -1);
  EXPECT_TRUE(list.ClockInAnyGroup("12", "4"));
  EXPECT_FALSE(list.ClockInAnyGroup("13", "1"));
  std::vector<TGroup*> g100;
  list.GetGroupEntries("100", g100);
  ASSERT_EQ(g100.size(), 3u);
  EXPECT_EQ(g100[2]->Comment(), "duplicate");
}

TEST_F(GroupListTest, TimeZoneThatIsNoNumberCountsAsAlways) {
  TGroupList list(Path("group.txt"));
  list.SaveEntry(Entry("100", "1", "1", "abc"));
  list.SaveEntry(Entry("100", "1", "2", "99999999999999999999"));
  EXPECT_EQ(list.GetTimeZone("100", "1", "1"), 0);
  EXPECT_EQ(list.GetTimeZone("100", "1", "2"), 0);
}

TEST_F(GroupListTest, DeleteGroupAtSiteLeavesOtherSitesAndGroups) {
  TGroupList list(Path("group.txt"));
  list.SaveEntry(Entry("100", "12", "1"));
  list.SaveEntry(Entry("101", "12", "1"));
  list.SaveEntry(Entry("100", "13", "1"));
  list.SaveEntry(Entry("100", "12", "2"));
  list.SaveEntry(Entry("0100", "12", "3"));
  ASSERT_TRUE(list.Save());
  list.DeleteGroupAtSite("100", "12");
  EXPECT_TRUE(list.Modified);
  EXPECT_EQ(list.FindEntry("100", "12", "1"), nullptr);
  EXPECT_EQ(list.FindEntry("100", "12", "2"), nullptr);
  EXPECT_NE(list.FindEntry("101", "12", "1"), nullptr);
  EXPECT_NE(list.FindEntry("100", "13", "1"), nullptr);
  EXPECT_NE(list.FindEntry("0100", "12", "3"), nullptr);
  EXPECT_TRUE(list.ClockInAnyGroup("12", "1"));
  EXPECT_FALSE(list.ClockInAnyGroup("12", "2"));

  list.DeleteGroup("100");
  EXPECT_EQ(list.FindEntry("100", "13", "1"), nullptr);
  EXPECT_EQ(list.Count(), 4);  // two headers, 101 and 0100
  ASSERT_TRUE(list.Save());
  EXPECT_EQ(ReadFile(Path("group.txt")),
            CrLf({TGroupList::kHeader1, TGroupList::kHeader2, "   101,   12,     1,         , ",
                  "  0100,   12,     3,         , "}));
}

TEST_F(GroupListTest, SaveDeleteAndInPlaceEdits) {
  TGroupList list(Path("group.txt"));
  TGroup* e = list.SaveEntry(Entry("100", "12", "3", "5"));
  auto change = Entry("100", "12", "3", "61");
  change->SetComment("Front");
  EXPECT_EQ(list.SaveEntry(std::move(change)), e);
  EXPECT_EQ(e->TimeZone(), "61");
  EXPECT_EQ(list.Count(), 3);

  e->SetClock("4");
  EXPECT_EQ(list.FindEntry("100", "12", "3"), nullptr);
  EXPECT_EQ(list.FindEntry("100", "12", "4"), e);
  EXPECT_FALSE(list.ClockInAnyGroup("12", "3"));

  TGroup stranger = *e;
  EXPECT_FALSE(list.DeleteEntry(&stranger));
  EXPECT_EQ(list.FindEntry("100", "12", "4"), e);
  EXPECT_TRUE(list.DeleteEntry(e));
  EXPECT_FALSE(list.ClockInAnyGroup("12", "4"));
}

// Random changes of every kind, with every lookup compared against its rule by scanning.
TEST_F(GroupListTest, LookupsAgreeWithScanThroughRandomChanges) {
  std::mt19937 rng(777);
  const std::vector<std::string> groups = {"100", "0100", "101"}, sites = {"1", "01", "2"},
                                 clocks = {"3", "03", "4"};
  auto pick = [&](const std::vector<std::string>& v) { return v[rng() % v.size()]; };
  auto list = std::make_unique<TGroupList>(Path("group.txt"));
  auto entries = [&]() { return Records<TGroup>(*list); };
  for (int step = 0; step < 800; ++step) {
    std::vector<TGroup*> all = entries();
    TGroup* any = all.empty() ? nullptr : all[rng() % all.size()];
    switch (rng() % 8) {
      case 0:
      case 1:
        list->SaveEntry(Entry(pick(groups), pick(sites), pick(clocks), std::to_string(step % 62)));
        break;
      case 2:
        if (any) list->DeleteEntry(any);
        break;
      case 3:
        if (any) any->SetSite(pick(sites));
        break;
      case 4:
        list->DeleteGroupAtSite(pick(groups), pick(sites));
        break;
      case 5:
        if (rng() % 4 == 0) list->DeleteGroup(pick(groups));
        break;
      case 6:
        list->Insert(static_cast<int>(rng() % (list->Count() + 1)), "",
                     Entry(pick(groups), pick(sites), pick(clocks), "x"));
        break;
      default:
        if (rng() % 5 == 0) {
          ASSERT_TRUE(list->Save());
          list.reset();
          list = std::make_unique<TGroupList>(Path("group.txt"));
        }
        break;
    }
    all = entries();
    for (const auto& g : groups) {
      std::vector<TGroup*> want, got;
      for (TGroup* e : all)
        if (e->Group() == g) want.push_back(e);
      list->GetGroupEntries(g, got);
      ASSERT_EQ(got, want) << step;
      for (const auto& s : sites)
        for (const auto& c : clocks) {
          TGroup* first = nullptr;
          bool clockUsed = false;
          for (TGroup* e : all) {
            if (e->Site() != s || e->Clock() != c) continue;
            clockUsed = true;
            if (!first && e->Group() == g) first = e;
          }
          ASSERT_EQ(list->FindEntry(g, s, c), first) << step;
          ASSERT_EQ(list->ClockInAnyGroup(s, c), clockUsed) << step;
        }
    }
  }
}

TEST_F(GroupListTest, DisplayLine) {
  auto e = Entry("100", "1", "2", "6");
  e->SetComment("Front");
  EXPECT_EQ(e->DisplayLine(), "1       2        6         Front");
  e->SetTimeZone("");
  EXPECT_EQ(e->DisplayLine(), "1       2        Always    Front");
  e->SetTimeZone("0");
  EXPECT_EQ(e->DisplayLine(), "1       2        Always    Front");
  e->SetTimeZone("61");
  EXPECT_EQ(e->DisplayLine(), "1       2        Never     Front");
  e->SetSite("123456789");
  EXPECT_EQ(e->DisplayLine(), "1234567892        Never     Front");
}

TEST_F(GroupListTest, MissingFileIsCreatedWithHeaderLines) {
  { TGroupList list(Path("group.txt")); }
  EXPECT_EQ(ReadFile(Path("group.txt")), CrLf({TGroupList::kHeader1, TGroupList::kHeader2}));
}

}  // namespace
}  // namespace zv
