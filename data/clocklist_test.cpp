// Clocks file: reading and writing rules and the lookups by site and by clock.
#include <random>

#include "data/clocklist.h"
#include "data/tabletest.h"

namespace zv {
namespace {

class ClockListTest : public TableFileTest {};

TEST_F(ClockListTest, GoldenFileSurvivesLoadAndSaveByteForByte) {
  WriteFile(Path("clock.txt"), Golden("clock_in.txt"));
  EXPECT_EQ(LoadAndSave<TClockList>("clock.txt"), Golden("clock_out.txt"));
  // What the program wrote reads back to the same bytes.
  EXPECT_EQ(LoadAndSave<TClockList>("clock.txt"), Golden("clock_out.txt"));
}

TEST_F(ClockListTest, LookupsFollowFileOrder) {
  WriteFile(Path("clock.txt"), Golden("clock_in.txt"));
  TClockList list(Path("clock.txt"));
  // "3" and "03" are different clocks; of the two (12, 3) the first line wins.
  EXPECT_EQ(list.FindClock("12", "3")->Comment(), "Front door");
  EXPECT_EQ(list.FindClock("12", "03")->Menu(), "averylongmenu.bin");
  EXPECT_EQ(list.FindClock("12", "03")->Comment(), "Shifted");
  EXPECT_EQ(list.FindClock("0007", "1")->Site(), "0007");
  EXPECT_EQ(list.FindClock("7", "1")->Site(), "7");
  EXPECT_EQ(list.FindClock("12", "4"), nullptr);

  std::vector<TClock*> clocks;
  list.GetClocks("12", clocks);
  ASSERT_EQ(clocks.size(), 3u);
  EXPECT_EQ(clocks[0]->Comment(), "Front door");
  EXPECT_EQ(clocks[1]->Clock(), "03");
  EXPECT_EQ(clocks[2]->Menu(), "x");

  std::vector<TClock*> none{clocks[0]};
  list.GetClocks("99", none);
  EXPECT_EQ(none.size(), 1u);  // left as it was

  std::vector<std::pair<std::string, TClock*>> names;
  list.GetClockNames("12", names);
  ASSERT_EQ(names.size(), 3u);
  EXPECT_EQ(names[1].first, "03");
  EXPECT_EQ(names[1].second, clocks[1]);

  EXPECT_TRUE(list.SiteHasClocks("12"));
  EXPECT_TRUE(list.SiteHasClocks(""));  // the line of commas is a clock of site ""
  EXPECT_FALSE(list.SiteHasClocks("99"));
}

TEST_F(ClockListTest, SaveAndDeleteKeepLookupsRight) {
  TClockList list(Path("clock.txt"));
  EXPECT_FALSE(list.SiteHasClocks("12"));
  auto c = std::make_unique<TClock>();
  c->SetSite("12");
  c->SetClock("3");
  c->SetMenu("menu1.bin");
  c->SetComment("Front door");
  TClock* front = list.SaveClock(std::move(c));
  EXPECT_TRUE(list.Modified);
  EXPECT_TRUE(list.SiteHasClocks("12"));

  TClock other;
  other.SetSite("12");
  other.SetClock("4");
  TClock* back = list.SaveClock(other);
  TClock change = *front;
  change.SetComment("Main door");
  EXPECT_EQ(list.SaveClock(change), front);
  EXPECT_EQ(front->Comment(), "Main door");

  ASSERT_TRUE(list.Save());
  EXPECT_EQ(ReadFile(Path("clock.txt")),
            CrLf({TClockList::kHeader1, TClockList::kHeader2, "   12,     3,  menu1.bin, Main door",
                  "   12,     4,           , "}));

  // Moving a clock to another site in place is seen by every lookup.
  back->SetSite("13");
  std::vector<TClock*> at12;
  list.GetClocks("12", at12);
  EXPECT_EQ(at12, std::vector<TClock*>{front});
  EXPECT_EQ(list.FindClock("13", "4"), back);

  EXPECT_TRUE(list.DeleteClock(front));
  EXPECT_FALSE(list.SiteHasClocks("12"));
  EXPECT_EQ(list.FindClock("12", "3"), nullptr);
  EXPECT_FALSE(list.DeleteClock(&other));
  EXPECT_EQ(list.FindClock("13", "4"), back);
}

// Random changes, with every lookup compared against its rule by scanning.
TEST_F(ClockListTest, LookupsAgreeWithScanThroughRandomChanges) {
  std::mt19937 rng(99);
  const std::vector<std::string> sites = {"1", "01", "2", ""}, numbers = {"3", "03", "4"};
  auto pick = [&](const std::vector<std::string>& v) { return v[rng() % v.size()]; };
  auto list = std::make_unique<TClockList>(Path("clock.txt"));
  auto clocks = [&]() { return Records<TClock>(*list); };
  for (int step = 0; step < 800; ++step) {
    std::vector<TClock*> all = clocks();
    TClock* any = all.empty() ? nullptr : all[rng() % all.size()];
    switch (rng() % 6) {
      case 0:
      case 1: {
        TClock c;
        c.SetSite(pick(sites));
        c.SetClock(pick(numbers));
        c.SetComment(std::to_string(step));
        list->SaveClock(c);
        break;
      }
      case 2:
        if (any) list->DeleteClock(any);
        break;
      case 3:
        if (any) any->SetClock(pick(numbers));
        break;
      case 4:
        if (list->Count() > 0) list->Delete(static_cast<int>(rng() % list->Count()));
        break;
      default:
        if (rng() % 5 == 0) {
          ASSERT_TRUE(list->Save());
          list.reset();
          list = std::make_unique<TClockList>(Path("clock.txt"));
        }
        break;
    }
    all = clocks();
    for (const auto& s : sites) {
      std::vector<TClock*> want, got;
      for (TClock* c : all)
        if (c->Site() == s) want.push_back(c);
      list->GetClocks(s, got);
      ASSERT_EQ(got, want) << step;
      ASSERT_EQ(list->SiteHasClocks(s), !want.empty()) << step;
      for (const auto& n : numbers) {
        TClock* first = nullptr;
        for (TClock* c : want)
          if (c->Clock() == n) {
            first = c;
            break;
          }
        ASSERT_EQ(list->FindClock(s, n), first) << step;
      }
    }
  }
}

TEST_F(ClockListTest, MissingFileIsCreatedWithHeaderLines) {
  { TClockList list(Path("clock.txt")); }
  EXPECT_EQ(ReadFile(Path("clock.txt")), CrLf({TClockList::kHeader1, TClockList::kHeader2}));
}

}  // namespace
}  // namespace zv
