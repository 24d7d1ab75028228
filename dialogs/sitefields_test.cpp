// The Sites dialog's checks and record handling, without widgets.
#include "dialogs/sitefields.h"

#include "dialogs/dialogtest.h"


namespace zv {
namespace {

TSiteFields Good() {
  TSiteFields f;
  f.site = "12";
  f.desc = "Main gate";
  return f;
}

// Every message with its focus, in the order the checks run.
TEST(SiteFields, ChecksWithMessageAndFocus) {
  const std::string kSite = "Invalid site number. Please enter a number from 1 to 999.";
  const std::string kIp = "Invalid IP byte. Please enter a number from 0 to 255.";
  struct Case {
    const char* what;
    void (*edit)(TSiteFields&);
    std::string message, focus;  // empty message: accepted
  } cases[] = {
      {"good", [](TSiteFields&) {}, "", ""},
      {"empty box", [](TSiteFields& f) { f.site = "  "; }, "Must enter a site number.", "cbxSites"},
      {"0", [](TSiteFields& f) { f.site = "0"; }, kSite, "cbxSites"},
      {"1000", [](TSiteFields& f) { f.site = "1000"; }, kSite, "cbxSites"},
      {"abc", [](TSiteFields& f) { f.site = "abc"; }, kSite, "cbxSites"},
      {"-5", [](TSiteFields& f) { f.site = "-5"; }, kSite, "cbxSites"},
      {"07 passes", [](TSiteFields& f) { f.site = " 07 "; }, "", ""},
      {"999", [](TSiteFields& f) { f.site = "999"; }, "", ""},
      {"init comma", [](TSiteFields& f) { f.init = "AT&F,X"; },
       "Commas not allowed in modem initialization string.", "cbxInit"},
      {"phone commas", [](TSiteFields& f) { f.phone = " 9,,5551234 "; }, "", ""},
      {"phone dash", [](TSiteFields& f) { f.phone = "555-1234"; },
       "Invalid phone number. No punctuation or special characters allowed.", "edtPhone"},
      {"ip 10...", [](TSiteFields& f) { f.ip = {"10", "", "", ""}; }, kIp, "edtIP2"},
      {"ip ..7.", [](TSiteFields& f) { f.ip = {"", "", "7", ""}; }, "", ""},
      {"ip 256", [](TSiteFields& f) { f.ip = {"256", "1", "1", "1"}; }, kIp, "edtIP1"},
      {"ip x", [](TSiteFields& f) { f.ip = {"1", "x", "1", "1"}; }, kIp, "edtIP2"},
      {"ip last empty", [](TSiteFields& f) { f.ip = {"1", "2", "3", " "}; }, kIp, "edtIP4"},
      {"ip 3 bad after empty 1", [](TSiteFields& f) { f.ip = {"", "", "-1", ""}; }, kIp, "edtIP3"},
      {"description comma", [](TSiteFields& f) { f.desc = "Gate, north"; },
       "Commas not allowed in description.", "edtDesc"},
      // The first failure wins.
      {"site before phone", [](TSiteFields& f) { f.site = "0"; f.phone = "x"; }, kSite, "cbxSites"},
  };
  for (const Case& c : cases) {
    TSiteFields f = Good();
    c.edit(f);
    ExpectCheck(SiteValidate(f), c.message, c.focus, c.what);
  }
  // A selected entry passes the first check even when its text were empty.
  TSiteFields selected;
  selected.siteSelected = true;
  EXPECT_EQ(SiteValidate(selected)->message, kSite);
}

// A stored site as the controls show it, and the site the controls give back.
TEST(SiteFields, RecordToControlsAndBack) {
  const std::vector<std::string> inits{"AT&F", "ATZ"};
  struct Case {
    const char *tza, *port, *baud, *init, *ip;
    int tz, com, baudAt;
    const char *initShown, *ip1, *ip4;
    bool initSelected;
    const char *tzaSaved, *portSaved, *baudSaved, *initSaved, *ipSaved;
  } cases[] = {
      {"0", "1", "9600", "at&f", "10.0.0.7", 23, 0, 3, "AT&F", "10", "7", true, "0", "1", "9600",
       "AT&F", "10.0.0.7"},
      {"-23", "4", "1200", "ATDT", "1..2.3.4", 0, 3, 0, "ATDT", "1", "4", false, "-23", "4", "1200",
       "ATDT", "1.2.3.4"},
      // Nonsense from a hand-edited file: no crash; what is no entry shows nothing.
      {"abc", "x", "zz", "", "", 23, 0, 3, "", "", "", false, "0", "1", "9600", "", ""},
      {"05", "5", "300", "", "007.1.1.1", 28, -1, -1, "", "007", "1", false, "5", "", "", "",
       "7.1.1.1"},
      {"", "", "", "", "", -1, -1, -1, "", "", "", false, "", "", "", "", ""},
  };
  for (const Case& c : cases) {
    TSite s;
    s.SetSite("12");
    s.SetTza(c.tza);
    s.SetPort(c.port);
    s.SetBaud(c.baud);
    s.SetInit(c.init);
    s.SetIpAddress(c.ip);
    s.SetDial("9,,");
    s.SetDescription("Lobby");
    TSiteFields onScreen;
    onScreen.site = "12";
    onScreen.siteSelected = true;
    TSiteFields f = SiteToFields(&s, inits, onScreen);
    EXPECT_EQ(f.tz, c.tz) << c.tza;
    EXPECT_EQ(f.com, c.com) << c.port;
    EXPECT_EQ(f.baud, c.baudAt) << c.baud;
    EXPECT_EQ(f.init, c.initShown);
    EXPECT_EQ(f.initSelected, c.initSelected);
    EXPECT_EQ(f.ip[0], c.ip1);
    EXPECT_EQ(f.ip[3], c.ip4);
    EXPECT_EQ(f.dial, "9,,");
    EXPECT_EQ(f.site, "12");
    TSite back = SiteFromFields(f);
    EXPECT_EQ(back.Tza(), c.tzaSaved) << c.tza;
    EXPECT_EQ(back.Port(), c.portSaved);
    EXPECT_EQ(back.Baud(), c.baudSaved);
    EXPECT_EQ(back.Init(), c.initSaved);
    EXPECT_EQ(back.IpAddress(), c.ipSaved);
    EXPECT_EQ(back.StoredDial(), "9**");
    EXPECT_EQ(back.Description(), "Lobby");
  }
  // No site: everything empty, the site box as it was.
  TSiteFields typed;
  typed.site = "44";
  TSiteFields none = SiteToFields(nullptr, inits, typed);
  EXPECT_EQ(none.site, "44");
  EXPECT_EQ(none.tz, -1);
  EXPECT_TRUE(none.desc.empty() && none.ip[0].empty());
}

TEST(SiteFields, StoreAndDelete) {
  zv::testing::TTempDir dir;
  zv::testing::WriteFile(dir.file("site.txt"), "    1, , , , , , , , One\r\n    2, , , , , , , , Two\r\n");
  zv::testing::WriteFile(dir.file("clock.txt"), "    1,     3,          , Door\r\n");
  TSiteList sites(dir.file("site.txt"));
  TClockList clocks(dir.file("clock.txt"));
  TSite fresh;
  fresh.SetSite("2");
  fresh.SetDescription("Second");
  bool added = true;
  TSite* two = SiteStore(sites, fresh, nullptr, added);
  EXPECT_FALSE(added);
  EXPECT_EQ(two, sites.FindSite("2"));
  EXPECT_EQ(two->Description(), "Second");
  fresh.SetSite("02");
  EXPECT_NE(SiteStore(sites, fresh, two, added), two);
  EXPECT_TRUE(added);  // "02" is another site than "2"

  TScriptedMessageBoxes boxes;
  std::vector<const TSite*> removed;
  auto removing = [&](const TSite* s) { removed.push_back(s); };
  // Refused while a clock uses the site: no question, no refresh.
  EXPECT_FALSE(SiteDelete(sites, &clocks, " 1 ", removing));
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"Site 1 has clock assignments. You must first "
                                                    "delete all clocks assigned to this site."});
  boxes.Answer(mbNo);
  EXPECT_TRUE(SiteDelete(sites, &clocks, "2", removing));
  EXPECT_NE(sites.FindSite("2"), nullptr);
  boxes.Answer(mbYes);
  EXPECT_TRUE(SiteDelete(sites, &clocks, "2", removing));
  EXPECT_EQ(sites.FindSite("2"), nullptr);
  EXPECT_EQ(boxes.Texts().back(), "Are you sure you want to permanently delete site number 2?");
  boxes.Answer(mbYes);
  EXPECT_TRUE(SiteDelete(sites, nullptr, "77", removing));  // not listed: nothing to remove
  EXPECT_EQ(removed, (std::vector<const TSite*>{two, nullptr}));
  EXPECT_TRUE(SiteDelete(sites, &clocks, "  ", removing));  // empty: only the refresh
  EXPECT_EQ(boxes.shown.size(), 4u);
}

}  // namespace
}  // namespace zv
