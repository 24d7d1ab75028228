// The Bells dialog's checks and record handling, without widgets.
#include "dialogs/bellfields.h"

#include "dialogs/dialogtest.h"
#include "util/numbers.h"
#include "util/testsupport.h"

namespace zv {
namespace {

TBellFields Good() {
  TBellFields f;
  f.schedule = "7";
  f.time = "08:00";
  f.duration = "5";
  f.days[1] = true;
  return f;
}

// Every message with its focus, in the order the checks run.
TEST(BellFields, ChecksWithMessageAndFocus) {
  const std::string kSchedule =
      "Invalid bell schedule number. Please enter a number from 0 to 32766.";
  const std::string kTime = "Invalid bell time. Please enter a time from 0:00 to 23:59.";
  const std::string kDuration = "Invalid duration. Please enter a number from 1 to 31.";
  struct Case {
    const char* what;
    void (*edit)(TBellFields&);
    std::string message, focus;  // empty message: accepted
  } cases[] = {
      {"good", [](TBellFields&) {}, "", ""},
      {"empty schedule", [](TBellFields& f) { f.schedule = "  "; },
       "Bell schedule number required.", "cbxBells"},
      {"-1", [](TBellFields& f) { f.schedule = "-1"; }, kSchedule, "cbxBells"},
      {"32767", [](TBellFields& f) { f.schedule = "32767"; }, kSchedule, "cbxBells"},
      {"abc", [](TBellFields& f) { f.schedule = "abc"; }, kSchedule, "cbxBells"},
      {"0", [](TBellFields& f) { f.schedule = "0"; }, "", ""},
      {"32766", [](TBellFields& f) { f.schedule = "32766"; }, "", ""},
      {"007, time 1", [](TBellFields& f) { f.schedule = "007"; f.time = "1"; }, "", ""},
      {"empty time", [](TBellFields& f) { f.time = " "; }, "Bell time required.", "edtTime"},
      {"25:00", [](TBellFields& f) { f.time = "25:00"; }, kTime, "edtTime"},
      {"12:60", [](TBellFields& f) { f.time = "12:60"; }, kTime, "edtTime"},
      {"empty duration", [](TBellFields& f) { f.duration = ""; }, "Duration required.",
       "edtDuration"},
      {"duration 33", [](TBellFields& f) { f.duration = "33"; }, kDuration, "edtDuration"},
      // zv.cfg keeps only 1 to 31: 0, 32 and a non-number (read as 0) would not come back.
      {"duration 0", [](TBellFields& f) { f.duration = "0"; }, kDuration, "edtDuration"},
      {"duration 32", [](TBellFields& f) { f.duration = "32"; }, kDuration, "edtDuration"},
      {"duration x", [](TBellFields& f) { f.duration = "x"; }, kDuration, "edtDuration"},
      {"duration 1 and 31", [](TBellFields& f) { f.duration = " 031 "; }, "", ""},
      {"no day", [](TBellFields& f) { f.days = {}; }, "Bell day required.", "CheckBox1"},
      {"holiday only", [](TBellFields& f) { f.days = {}; f.days[7] = true; }, "", ""},
      {"schedule before time", [](TBellFields& f) { f.schedule = ""; f.time = ""; },
       "Bell schedule number required.", "cbxBells"},
  };
  for (const Case& c : cases) {
    TBellFields f = Good();
    c.edit(f);
    ExpectCheck(BellValidate(f), c.message, c.focus, c.what);
  }
}

class BellStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    zv::testing::WriteFile(path, "#bell 7\r\n08:00 5 2 3 4 5 6\r\n#end\r\n#bell 2\r\n#end\r\n");
    configs = std::make_unique<TZvCfgList>(path);
  }
  TBellStored Store(const std::string& schedule, const std::string& time,
                    const std::string& duration, TDayFlags days) {
    TBellFields f;
    f.schedule = schedule;
    f.time = time;
    f.duration = duration;
    f.days = days;
    EXPECT_FALSE(BellValidate(f)) << time;
    return BellStore(*configs, f.schedule, BellFromFields(f));
  }
  zv::testing::TTempDir dir;
  std::string path = dir.file("zv.cfg");
  std::unique_ptr<TZvCfgList> configs;
};

// Saved bells land in their schedule (one bell per time) and read back from zv.cfg the same.
TEST_F(BellStoreTest, SavedSchedulesReadBackTheSame) {
  TBellStored s = Store("007", "8:00", "05", {true, false, false, false, false, false, false, true});
  EXPECT_FALSE(s.scheduleAdded);
  EXPECT_EQ(s.schedule, configs->FindBellSchedule("7"));
  EXPECT_EQ(s.schedule->Count(), 1);  // 8:00 is the 08:00 already there
  EXPECT_EQ(s.bell->BellLine(), "08:00 5 1 8");
  const TDayFlags every{true, true, true, true, true, true, true, true};
  Store("7", "1730", "31", {false, false, false, false, false, false, true, false});
  Store("7", "45", "1", every);
  s = Store(" 00 ", "12:30", "3", {false, true, false, false, false, false, false, false});
  EXPECT_TRUE(s.scheduleAdded);
  EXPECT_EQ(s.schedule->Number(), "0");
  ASSERT_TRUE(configs->Save());

  TZvCfgList reread(path);
  for (const TBellSchedule* saved : configs->BellSchedules()) {
    const TBellSchedule* back = reread.FindBellSchedule(saved->Number());
    ASSERT_NE(back, nullptr) << saved->Number();
    ASSERT_EQ(back->Count(), saved->Count()) << saved->Number();
    for (int i = 0; i < saved->Count(); ++i)
      EXPECT_EQ(back->Items(i)->DisplayLine(), saved->Items(i)->DisplayLine());
  }
  EXPECT_EQ(reread.FindBellSchedule("7")->Items(2)->DisplayLine(),
            "00:45      1   X   X    X    X   X    X   X    X");
}

// Every duration the dialog accepts comes back from zv.cfg; the others are refused.
TEST_F(BellStoreTest, AcceptedDurationsSurviveTheNextLoad) {
  int accepted = 0;
  for (int d = -1; d <= 40; ++d) {
    TBellFields f = Good();
    f.time = MinutesToTime(120 + d);
    f.duration = std::to_string(d);
    if (BellValidate(f)) continue;
    ++accepted;
    BellStore(*configs, "9", BellFromFields(f));
  }
  ASSERT_TRUE(configs->Save());
  TZvCfgList reread(path);
  EXPECT_EQ(accepted, 31);
  EXPECT_EQ(reread.FindBellSchedule("9")->Count(), accepted);
}

}  // namespace
}  // namespace zv
