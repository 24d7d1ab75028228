// The Time Zones dialog's checks and record handling, without widgets.
#include "dialogs/timezonefields.h"

#include "dialogs/dialogtest.h"
#include "util/testsupport.h"

namespace zv {
namespace {

TTimeZoneFields Good() {
  TTimeZoneFields f;
  f.number = "12";
  f.start[0] = "08:00";
  f.stop[0] = "17:00";
  return f;
}

// Every message with its focus, in the order the checks run.
TEST(TimeZoneFields, ChecksWithMessageAndFocus) {
  const std::string kNumber = "Invalid time zone number. Please enter a number from 1 to 60.";
  const std::string kOrder = "Invalid start/end time. Start time must be ealier than end time.";
  struct Case {
    const char* what;
    void (*edit)(TTimeZoneFields&);
    std::string message, focus;  // empty message: accepted
  } cases[] = {
      {"good", [](TTimeZoneFields&) {}, "", ""},
      {"empty number", [](TTimeZoneFields& f) { f.number = " "; }, "Time zone number required.",
       "cbxTimeZones"},
      {"0", [](TTimeZoneFields& f) { f.number = "0"; }, kNumber, "cbxTimeZones"},
      {"61", [](TTimeZoneFields& f) { f.number = "61"; }, kNumber, "cbxTimeZones"},
      {"abc", [](TTimeZoneFields& f) { f.number = "abc"; }, kNumber, "cbxTimeZones"},
      {"1 and 60", [](TTimeZoneFields& f) { f.number = "60"; f.start[1] = "1"; f.stop[1] = "1"; },
       "", ""},
      {"bad start", [](TTimeZoneFields& f) { f.start[0] = "8x"; f.stop[0] = ""; },
       "Invalid start time.", "edtStartTime1"},
      {"start without stop", [](TTimeZoneFields& f) { f.stop[0] = "  "; }, "End  time required.",
       "edtEndTime1"},
      {"stop 24:00", [](TTimeZoneFields& f) { f.stop[0] = "24:00"; }, "Invalid end time.",
       "edtEndTime1"},
      {"stop 12:60", [](TTimeZoneFields& f) { f.stop[0] = "12:60"; }, "Invalid end time.",
       "edtEndTime1"},
      {"stop 23:59", [](TTimeZoneFields& f) { f.stop[0] = "23:59"; }, "", ""},
      {"stop without start", [](TTimeZoneFields& f) { f.stop[2] = "9:00"; },
       "Start time required.", "edtStartTime3"},
      {"stop before start", [](TTimeZoneFields& f) { f.start[3] = "17:00"; f.stop[3] = "08:00"; },
       kOrder, "edtStartTime4"},
      {"stop equal to start", [](TTimeZoneFields& f) { f.start[1] = "8"; f.stop[1] = "08:00"; },
       "", ""},
      {"days without times", [](TTimeZoneFields& f) { f.days[2].fill(true); }, "", ""},
      {"nothing but a number", [](TTimeZoneFields& f) { f.start[0] = f.stop[0] = ""; }, "", ""},
      // The first failure wins: the number, then interval by interval.
      {"number before times", [](TTimeZoneFields& f) { f.number = ""; f.start[0] = "x"; },
       "Time zone number required.", "cbxTimeZones"},
      {"interval 2 before 3",
       [](TTimeZoneFields& f) { f.stop[1] = "1:00"; f.start[2] = "x"; },
       "Start time required.", "edtStartTime2"},
  };
  for (const Case& c : cases) {
    TTimeZoneFields f = Good();
    c.edit(f);
    ExpectCheck(TimeZoneValidate(f), c.message, c.focus, c.what);
  }
  EXPECT_EQ(DayBox(1, 0), "CheckBox1");
  EXPECT_EQ(DayBox(4, 7), "CheckBox32");
}

// A zone saved from the fields is written to zv.cfg and read back as the same zone; the
// times in their stored form, the number as zv.cfg reads it.
TEST(TimeZoneFields, SavedZoneReadsBackTheSame) {
  zv::testing::TTempDir dir;
  const std::string path = dir.file("zv.cfg");
  zv::testing::WriteFile(path, "#tz 7\r\n01:00 02:00 1\r\n#end\r\n#tz 9\r\n03:00 04:00 2\r\n#end\r\n");
  TZvCfgList configs(path);
  TTimeZoneFields f;
  f.number = " 07 ";
  f.start = {"8", "45", "12:30", "1"};
  f.stop = {"1700", "1:00", "12:30", "23:59"};
  f.days[0] = {false, true, true, true, true, true, false, false};
  f.days[1] = {true, false, false, false, false, false, false, true};
  f.days[3].fill(true);
  ASSERT_FALSE(TimeZoneValidate(f));
  const TTimeZone fresh = TimeZoneFromFields(f);
  EXPECT_EQ(fresh.Number(), "7");
  EXPECT_EQ(fresh.Start(1), "08:00");
  EXPECT_EQ(fresh.Stop(1), "17:00");
  EXPECT_EQ(fresh.Start(2), "00:45");
  bool added = true;
  TTimeZone* stored = TimeZoneStore(configs, fresh, nullptr, added);
  EXPECT_FALSE(added);  // into zone 7, not a second one
  EXPECT_EQ(stored, configs.FindTimeZone("7"));
  ASSERT_TRUE(configs.Save());

  TZvCfgList reread(path);
  ASSERT_EQ(reread.TimeZones().size(), 2u);
  const TTimeZoneFields back = TimeZoneToFields(reread.FindTimeZone("7"), TTimeZoneFields{});
  const TTimeZoneFields want = TimeZoneToFields(stored, TTimeZoneFields{});
  EXPECT_EQ(back.start, want.start);
  EXPECT_EQ(back.stop, want.stop);
  EXPECT_EQ(back.days, want.days);
  EXPECT_EQ(back.stop[3], "23:59");

  // Of two zones 4 in a hand-edited file, the one on screen takes the save.
  zv::testing::WriteFile(path, "#tz 4\r\n01:00 02:00 1\r\n#end\r\n#tz 4\r\n03:00 04:00 2\r\n#end\r\n");
  TZvCfgList twice(path);
  TTimeZone* second = twice.TimeZones()[1];
  TTimeZoneFields edited = TimeZoneToFields(second, TTimeZoneFields{});
  edited.number = "4";
  edited.stop[0] = "05:00";
  EXPECT_EQ(TimeZoneStore(twice, TimeZoneFromFields(edited), second, added), second);
  EXPECT_FALSE(added);
  EXPECT_EQ(twice.TimeZones()[0]->Stop(1), "02:00");
  EXPECT_EQ(second->Stop(1), "05:00");
  EXPECT_TRUE(twice.Modified);
}

}  // namespace
}  // namespace zv
