// The Clocks dialog's checks, value codes and record handling, without widgets.
#include "dialogs/clockfields.h"

#include "dialogs/dialogtest.h"


namespace zv {
namespace {

TClockFields Good() {
  TClockFields f;
  f.site = "12";
  f.clock = "3";
  return f;
}

void Dls(TClockFields& f, std::array<std::string, 4> on, std::array<std::string, 4> off) {
  f.dlsOn = on;
  f.dlsOff = off;
}

// Every message with its focus, in the order the checks run.
TEST(ClockFields, ChecksWithMessageAndFocus) {
  const std::string kClock =
      "Invalid clock number. Please enter a number from 0 to 254, excluding 170 and 255.";
  const std::string kMonth = "Invalid month. Please enter a value from 1 to 12.";
  const std::string kDay = "Invalid day. Please enter a value from 1 to 31.";
  const std::string kHour = "Invalid hour. Please enter a value from 1 to 23.";
  const std::string kMinute = "Invalid minute. Please enter a value from 0 to 59.";
  using F = TClockFields;
  struct Case {
    const char* what;
    void (*edit)(F&);
    std::string message, focus;  // empty message: accepted
  } cases[] = {
      {"good", [](F&) {}, "", ""},
      {"no clock", [](F& f) { f.clock = " "; }, "Must enter a clock number.", "cbxClocks"},
      {"0", [](F& f) { f.clock = "0"; }, "", ""},
      {"254", [](F& f) { f.clock = "254"; }, "", ""},
      {"170", [](F& f) { f.clock = "170"; }, kClock, "cbxClocks"},
      {"255", [](F& f) { f.clock = "255"; }, kClock, "cbxClocks"},
      {"256", [](F& f) { f.clock = "256"; }, kClock, "cbxClocks"},
      {"-1", [](F& f) { f.clock = "-1"; }, kClock, "cbxClocks"},
      {"x", [](F& f) { f.clock = "x"; }, kClock, "cbxClocks"},
      {"passwords", [](F& f) { f.passwords = {"11", "", "11", "", ""}; },
       "Each password must be unique.", "edtService"},
      {"reject empty", [](F& f) { f.reject = " "; }, "", ""},
      {"reject 29", [](F& f) { f.reject = "29"; },
       "Invalid reject threshold. Please enter a value from 30 to 250.", "edtReject"},
      {"reject x", [](F& f) { f.reject = "x"; },
       "Invalid reject threshold. Please enter a value from 30 to 250.", "edtReject"},
      {"reject 250", [](F& f) { f.reject = " 250 "; }, "", ""},
      {"lock -1", [](F& f) { f.lock = "-1"; },
       "Invalid lock control time. Please enter a value from 0 to 20000.", "edtLock"},
      {"lock 0", [](F& f) { f.lock = "0"; }, "", ""},
      {"idlen 12", [](F& f) { f.idLen = "12"; },
       "Invalid id length. Please enter a value from 1 to 11.", "edtIdLen"},
      {"tries 0", [](F& f) { f.tries = "0"; },
       "Invalid access tries value. Please enter a value from 1 to 250.", "edtTries"},
      {"dls complete", [](F& f) { Dls(f, {"4", "1", "2", "0"}, {"10", "31", "23", "59"}); }, "", ""},
      {"dls skipped", [](F& f) { Dls(f, {"", "x", "0", "99"}, {"", "x", "", ""}); }, "", ""},
      {"start month only", [](F& f) { Dls(f, {"3", "", "", ""}, {"", "", "", ""}); },
       "Day required.", "edtDSTOnDay"},
      {"end month only", [](F& f) { Dls(f, {"", "", "", ""}, {"3", "", "", ""}); },
       "Month required.", "edtDSTOnMonth"},
      {"start month 13", [](F& f) { Dls(f, {"13", "1", "1", "0"}, {"1", "1", "1", "0"}); }, kMonth,
       "edtDSTOnMonth"},
      {"start day 32", [](F& f) { Dls(f, {"1", "32", "1", "0"}, {"1", "1", "1", "0"}); }, kDay,
       "edtDSTOnDay"},
      {"start hour empty", [](F& f) { Dls(f, {"1", "1", "", "0"}, {"1", "1", "1", "0"}); },
       "Hour required.", "edtDSTOnHour"},
      {"start hour 0", [](F& f) { Dls(f, {"1", "1", "0", "0"}, {"1", "1", "1", "0"}); }, kHour,
       "edtDSTOnHour"},
      {"start minute empty", [](F& f) { Dls(f, {"1", "1", "1", ""}, {"1", "1", "1", "0"}); },
       "Minite required.", "edtDSTOnMin"},
      {"start minute 60", [](F& f) { Dls(f, {"1", "1", "1", "60"}, {"1", "1", "1", "0"}); },
       kMinute, "edtDSTOnMin"},
      {"end month empty", [](F& f) { Dls(f, {"1", "1", "1", "0"}, {"", "1", "1", "0"}); },
       "Month Required.", "edtDSTOffMonth"},
      {"end month x", [](F& f) { Dls(f, {"1", "1", "1", "0"}, {"x", "1", "1", "0"}); }, kMonth,
       "edtDSTOffMonth"},
      {"end day empty", [](F& f) { Dls(f, {"1", "1", "1", "0"}, {"1", "", "1", "0"}); },
       "Day required.", "edtDSTOffDay"},
      {"end day 0", [](F& f) { Dls(f, {"1", "1", "1", "0"}, {"1", "0", "1", "0"}); }, kDay,
       "edtDSTOffDay"},
      {"end hour empty", [](F& f) { Dls(f, {"1", "1", "1", "0"}, {"1", "1", "", "0"}); },
       "Hour required.", "edtDSTOffHour"},
      {"end hour 24", [](F& f) { Dls(f, {"1", "1", "1", "0"}, {"1", "1", "24", "0"}); }, kHour,
       "edtDSTOffHour"},
      {"end minute empty", [](F& f) { Dls(f, {"1", "1", "1", "0"}, {"1", "1", "1", " "}); },
       "Minute Required.", "edtDSTOffMin"},
      {"end minute x", [](F& f) { Dls(f, {"1", "1", "1", "0"}, {"1", "1", "1", "x"}); }, kMinute,
       "edtDSTOffMin"},
      {"comment comma", [](F& f) { f.comment = "Front, left"; }, "Commas not allowed in comment.",
       "edtComment"},
      {"first failure wins", [](F& f) { f.clock = "170"; f.reject = "1"; }, kClock, "cbxClocks"},
  };
  for (const Case& c : cases) {
    TClockFields f = Good();
    c.edit(f);
    ExpectCheck(ClockValidate(f), c.message, c.focus, c.what);
  }
}

// Passwords by number: Service, Setup, Management, Enrollment, Security.
TEST(ClockFields, PasswordUniqueness) {
  struct Case {
    std::array<std::string, 5> pw;
    std::string focus;
  } cases[] = {
      {{"", "", "", "", ""}, ""},
      {{"1", "2", "3", "4", "5"}, ""},
      {{"12", "", "", "", "12"}, "edtService"},  // both filled: the earlier one
      {{"", "7", "", " 7", ""}, "edtSetup"},      // compared trimmed
      {{"2", "", "", "", ""}, "edtService"},      // collides with the empty Setup
      {{"", "", "", "", "1"}, "edtSecurity"},     // the filled one of the pair
      {{"9", "9", "9", "", ""}, "edtSetup"},      // the last equal pair (3, 2) decides
      {{"", "", "", "a", "A"}, ""},               // exact texts
  };
  for (const Case& c : cases)
    EXPECT_EQ(PasswordCollision(c.pw), c.focus) << c.pw[0] << "|" << c.pw[1] << "|" << c.pw[4];
}

// The value codes between the controls and the configuration, both ways.
TEST(ClockFields, ValueCodes) {
  struct Shown {
    const char *beeper, *mode, *hours;
    TTriState tri;
    bool ex, dept, r12, r24;
    const char *beeperBack, *modeBack, *hoursBack;
  } cases[] = {
      {"", "", "", TTriState::Grey, false, false, false, false, "", "", ""},
      {"1", "1", "1", TTriState::Checked, true, false, true, false, "1", "1", "1"},
      {"0", "2", "0", TTriState::Unchecked, false, true, false, true, "0", "2", "0"},
      {"0", "3", "00", TTriState::Unchecked, true, true, false, true, "0", "3", "0"},
      {"0", "0", "x", TTriState::Unchecked, false, false, false, false, "0", "", ""},
      // An unknown beeper text leaves the box as it was (grey here); any other mode is both.
      {"7", "x", "2", TTriState::Grey, true, true, false, false, "", "3", ""},
  };
  for (const Shown& c : cases) {
    TClock clock;
    clock.SetSite("12");
    clock.SetClock("3");
    TReaderConfig cfg;
    cfg.SetBeeper(c.beeper);
    cfg.SetPunchMode(c.mode);
    cfg.SetHourDisplay(c.hours);
    TClockFields onScreen = Good();
    onScreen.beeper = TTriState::Grey;
    TClockFields f = ClockToFields(&clock, &cfg, onScreen);
    EXPECT_EQ(f.beeper, c.tri) << c.beeper;
    EXPECT_EQ(f.explicitPunch, c.ex) << c.mode;
    EXPECT_EQ(f.dept, c.dept) << c.mode;
    EXPECT_EQ(f.rad12, c.r12) << c.hours;
    EXPECT_EQ(f.rad24, c.r24) << c.hours;
    const TReaderConfig back = ClockFromFields(f).second;
    EXPECT_EQ(back.Beeper(), c.beeperBack);
    EXPECT_EQ(back.PunchMode(), c.modeBack);
    EXPECT_EQ(back.HourDisplay(), c.hoursBack);
  }
  // The other fields go through unchanged (numbers as typed; the daylight-saving parts joined).
  TClockFields f = Good();
  f.clock = " 3 ";
  f.fkey = " menu1.bin";
  f.comment = "  Front door ";
  f.passwords = {"01", "", "3", "", " 5"};
  f.reject = " 80";
  f.bell = "7";
  Dls(f, {"4", "1", "2", "0"}, {"10", "31", "3", "0"});
  auto [clock, cfg] = ClockFromFields(f);
  EXPECT_EQ(clock.Clock(), "3");
  EXPECT_EQ(clock.Menu(), "menu1.bin");
  EXPECT_EQ(clock.Comment(), "  Front door ");
  EXPECT_EQ(cfg.Site(), "12");
  EXPECT_EQ(cfg.Clock(), "3");
  EXPECT_EQ(cfg.Password(1), "01");
  EXPECT_EQ(cfg.Password(5), " 5");
  EXPECT_EQ(cfg.RejectThreshold(), " 80");
  EXPECT_EQ(cfg.BellSchedule(), "7");
  EXPECT_EQ(cfg.DlsStart(), "4:1:2:0");
  EXPECT_EQ(cfg.DlsEnd(), "10:31:3:0");
  TClockFields shown = ClockToFields(&clock, &cfg, f);
  EXPECT_EQ(shown.dlsOff, (std::array<std::string, 4>{"10", "31", "3", "0"}));
  EXPECT_EQ(shown.passwords[0], "01");
  // No clock and no configuration: every field empty, the beeper grey, the site kept.
  TClockFields none = ClockToFields(nullptr, nullptr, f);
  EXPECT_EQ(none.site, "12");
  EXPECT_TRUE(none.clock.empty() && none.comment.empty() && none.reject.empty());
  EXPECT_EQ(none.beeper, TTriState::Grey);
}

TEST(ClockFields, MenuFilesOfTheDataDirectory) {
  zv::testing::TTempDir dir;
  EXPECT_TRUE(MenuFileEntries(dir.dir()).empty());
  zv::testing::WriteFile(dir.file("EMPTY.BIN"), "");
  EXPECT_EQ(MenuFileEntries(dir.dir()), std::vector<std::string>{""});
  for (const char* n : {"Menu2.Bin", "menu1.bin", "MENU1.BIN", "notes.txt", "bin"})
    zv::testing::WriteFile(dir.file(n), "");
  mkdir(dir.file("dir.bin").c_str(), 0700);
  EXPECT_EQ(MenuFileEntries(dir.dir()),
            (std::vector<std::string>{"", "menu1.bin", "menu2.bin"}));
  EXPECT_TRUE(MenuFileEntries(dir.dir() + "missing/").empty());
}

// Saving writes both records; deleting removes both; a clock in a group stays.
TEST(ClockFields, StoreAndDelete) {
  zv::testing::TTempDir dir;
  zv::testing::WriteFile(dir.file("clock.txt"),
                         "   12,     3,          , Door\r\n   12,     4,          , Back\r\n");
  zv::testing::WriteFile(dir.file("zv.cfg"), "#rdr 4 12\r\n#rej 100\r\n#end\r\n");
  zv::testing::WriteFile(dir.file("group.txt"), "   100,   12,     4,        0, G\r\n");
  TClockList clocks(dir.file("clock.txt"));
  TZvCfgList configs(dir.file("zv.cfg"));
  TGroupList groups(dir.file("group.txt"));

  TClockFields f = Good();  // clock 3: in clock.txt, without a configuration
  f.reject = "90";
  auto [clock, cfg] = ClockFromFields(f);
  bool added = true;
  TClock* three = ClockStore(clocks, configs, clock, cfg, nullptr, added);
  EXPECT_FALSE(added);
  EXPECT_EQ(three, clocks.FindClock("12", "3"));
  ASSERT_NE(configs.FindReaderConfig("12", "3"), nullptr);
  EXPECT_EQ(configs.FindReaderConfig("12", "3")->RejectThreshold(), "90");
  f.clock = "9";  // neither record exists
  auto [clock9, cfg9] = ClockFromFields(f);
  ClockStore(clocks, configs, clock9, cfg9, three, added);  // shown 3, saved as 9
  EXPECT_TRUE(added);
  EXPECT_NE(clocks.FindClock("12", "9"), nullptr);
  EXPECT_NE(configs.FindReaderConfig("12", "9"), nullptr);

  TScriptedMessageBoxes boxes;
  std::vector<const TClock*> removed;
  auto removing = [&](const TClock* c) { removed.push_back(c); };
  EXPECT_FALSE(ClockDelete(clocks, configs, &groups, "12", "4", removing));
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"Clock 4 is assigned to one or more groups.\n"
                                                    "You must first remove this clock from all "
                                                    "groups."});
  EXPECT_NE(configs.FindReaderConfig("12", "4"), nullptr);
  boxes.Answer(mbNo);
  EXPECT_TRUE(ClockDelete(clocks, configs, &groups, "12", "3", removing));
  EXPECT_EQ(boxes.Texts().back(),
            "Are you sure you want to permanently delete clock number 3, at site number 12?");
  EXPECT_NE(clocks.FindClock("12", "3"), nullptr);
  boxes.Answer(mbYes);
  EXPECT_TRUE(ClockDelete(clocks, configs, nullptr, " 12", "3 ", removing));
  EXPECT_EQ(clocks.FindClock("12", "3"), nullptr);
  EXPECT_EQ(configs.FindReaderConfig("12", "3"), nullptr);
  EXPECT_EQ(removed, std::vector<const TClock*>{three});
  EXPECT_TRUE(ClockDelete(clocks, configs, &groups, "", "3", removing));  // nothing asked
  EXPECT_EQ(boxes.shown.size(), 3u);
}

}  // namespace
}  // namespace zv
