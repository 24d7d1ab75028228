// The Groups dialog's checks and its three deletes, without widgets.
#include "dialogs/groupfields.h"

#include <gtest/gtest.h>

#include "util/testsupport.h"

namespace zv {
namespace {

TEST(GroupFields, ChecksWithMessageAndFocus) {
  const std::string kGroup = "Invalid group number. Please enter a number from 100 to 255.";
  struct Case {
    const char* what;
    void (*edit)(TGroupFields&);
    std::string message, focus;  // empty message: accepted
  } cases[] = {
      {"good", [](TGroupFields&) {}, "", ""},
      {"255", [](TGroupFields& f) { f.group = " 255 "; }, "", ""},
      {"no time zone, no comment", [](TGroupFields& f) { f.timeZone = -1; f.comment = ""; }, "", ""},
      {"empty", [](TGroupFields& f) { f.group = " "; }, "Must enter a group number.", "cbxGroups"},
      {"99", [](TGroupFields& f) { f.group = "99"; }, kGroup, "cbxGroups"},
      {"256", [](TGroupFields& f) { f.group = "256"; }, kGroup, "cbxGroups"},
      {"not a number", [](TGroupFields& f) { f.group = "1x0"; }, kGroup, "cbxGroups"},
      {"selected but empty", [](TGroupFields& f) { f.group = ""; f.groupSelected = true; },
       kGroup, "cbxGroups"},
      {"no site", [](TGroupFields& f) { f.siteSelected = false; }, "Must select a site.",
       "cbxSites"},
      {"no clock", [](TGroupFields& f) { f.clockSelected = false; }, "Must select a clock.",
       "cbxClocks"},
      {"comma", [](TGroupFields& f) { f.comment = "Front, left"; },
       "Commas not allowed in comment.", "edtComment"},
      {"group before site", [](TGroupFields& f) { f.group = "1"; f.siteSelected = false; },
       kGroup, "cbxGroups"},
      {"site before clock",
       [](TGroupFields& f) { f.siteSelected = false; f.clockSelected = false; },
       "Must select a site.", "cbxSites"},
  };
  for (const Case& c : cases) {
    TGroupFields f;
    f.group = "100";
    f.site = "1";
    f.siteSelected = true;
    f.clock = "2";
    f.clockSelected = true;
    f.timeZone = 61;
    f.comment = " Front ";
    c.edit(f);
    const TCheck r = GroupValidate(f);
    if (c.message.empty()) {
      EXPECT_FALSE(r) << c.what << ": " << r->message;
    } else {
      ASSERT_TRUE(r) << c.what;
      EXPECT_EQ(*r, (TCheckFailure{c.message, c.focus})) << c.what;
    }
  }
  // Never is stored as 61, the comment as typed, the numbers trimmed.
  TGroupFields f;
  f.group = " 100 ";
  f.site = "1";
  f.clock = "2";
  f.timeZone = 61;
  f.comment = " Back ";
  const TGroup g = GroupFromFields(f);
  EXPECT_EQ(g.Group() + "|" + g.Site() + "|" + g.Clock() + "|" + g.TimeZone() + "|" + g.Comment(),
            "100|1|2|61| Back ");
  EXPECT_EQ(GroupTimeZonePosition(""), -1);
  EXPECT_EQ(GroupTimeZonePosition("61"), 61);
  EXPECT_EQ(GroupTimeZonePosition("62"), -1);
  EXPECT_EQ(GroupTimeZonePosition("x"), -1);
}

// Each delete level with its question; No changes nothing; other groups and sites stay.
TEST(GroupFields, ThreeDeletes) {
  const std::string kFile =
      "   100,    1,     1,        5, a\r\n"
      "   100,   12,     3,         , b\r\n"
      "   120,   12,     3,       61, c\r\n"
      "   100,   12,     4,        0, d\r\n"
      "  0100,   12,     3,         , e\r\n";
  struct Case {
    const char *group, *site, *clock;
    std::string question;
    TMsgButton answer;
    std::string left;  // comments of the entries left, in file order
  } cases[] = {
      {"100", "12", "3",
       "Are you sure you want to remove site number 12, clock number 3 from group number 100?",
       mbYes, "acde"},
      {"100", "12", "3", "", mbNo, "abcde"},
      {"100", "12", "9", "", mbYes, "abcde"},  // no such entry: nothing goes
      {" 100 ", "12", "",
       "Are you sure you want to remove all entries for site number 12 from group number 100?",
       mbYes, "ace"},
      {"100", "", "", "Are you sure you want to remove all entries for group number 100?", mbYes,
       "ce"},
      {"100", "", "", "", mbNo, "abcde"},
      {"", "", "", "", mbYes, "abcde"},  // nothing on screen: nothing asked
  };
  for (const Case& c : cases) {
    zv::testing::TTempDir dir;
    zv::testing::WriteFile(dir.file("group.txt"), kFile);
    TGroupList groups(dir.file("group.txt"));
    TScriptedMessageBoxes boxes;
    boxes.Answer(c.answer);
    GroupDelete(groups, c.group, c.site, c.clock);
    std::string left;
    for (int i = 0; i < groups.Count(); ++i)
      if (auto* g = static_cast<TGroup*>(groups.Objects(i))) left += g->Comment();
    const std::string what = std::string(c.group) + "/" + c.site + "/" + c.clock;
    EXPECT_EQ(left, c.left) << what;
    if (c.answer == mbYes && c.question.empty()) {
      // Asked all the same when a level was chosen, just nothing found.
      EXPECT_EQ(boxes.shown.size(), std::string(c.group).empty() ? 0u : 1u) << what;
    } else if (!c.question.empty()) {
      ASSERT_EQ(boxes.shown.size(), 1u) << what;
      EXPECT_EQ(boxes.shown[0].text, c.question);
      EXPECT_EQ(boxes.shown[0].buttons, unsigned(mbYes | mbNo));
    }
    EXPECT_EQ(zv::testing::ReadFile(dir.file("group.txt")), kFile) << "written only by a save";
  }
}

}  // namespace
}  // namespace zv
