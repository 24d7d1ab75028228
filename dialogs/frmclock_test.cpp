// The Clocks dialog through its real widgets, on hand-edited data files.
#include "dialogs/frmclock.h"

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>

#include "dialogs/dialogtest.h"

namespace zv {
namespace {

const char kClocks[] =
    ".site  clock  menu        comment\r\n"
    ".----  -----  ----------  -----------\r\n"
    "   12,     3,  MENU1.BIN, Front door\r\n"
    "   12,     4,          , Back\r\n"
    "    5,     1,   gone.bin, Lobby\r\n"
    "   12,   abc\r\n";
const char kConfig[] =
    ".Zorvan Configurations\r\n"
    "\r\n"
    "#rdr 3 12\r\n#pw 1 11\r\n#pw 5 55\r\n#rej 100\r\n#bpr 0\r\n#tam 2\r\n#dng 7\r\n"
    "#dls 4:1:2:0 10:31:3:0\r\n#hrt 0\r\n#end\r\n"
    "\r\n"
    "#rdr 1 5\r\n#rej banana\r\n#bpr 9\r\n#end\r\n"
    "\r\n"
    "#bell 7\r\n#end\r\n"
    "\r\n"
    "#bell 2\r\n#end\r\n";

class FrmClock : public TDialogTest {
 protected:
  void SetUp() override {
    Write("site.txt", "   12, , , , , , , , Main\r\n    5, , , , , , , , Lobby\r\n");
    Write("clock.txt", kClocks);
    Write("zv.cfg", kConfig);
    Write("group.txt", "   100,   12,     4,        0, G\r\n");
    for (const char* f : {"MENU1.BIN", "Menu2.bin", "empty.bin"}) Write(f, "");
    sites = std::make_unique<TSiteList>(Path("site.txt"));
    clocks = std::make_unique<TClockList>(Path("clock.txt"));
    configs = std::make_unique<TZvCfgList>(Path("zv.cfg"));
    groups = std::make_unique<TGroupList>(Path("group.txt"));
    dlg = std::make_unique<TfrmClock>(nullptr, *clocks, *configs, sites.get(), groups.get(),
                                      Dir());
    dlg->show();
    Settle();
  }
  QLineEdit* Edit(const char* name) { return Child<QLineEdit>(dlg.get(), name); }
  QComboBox* Combo(const char* name) { return Child<QComboBox>(dlg.get(), name); }
  void Click(const char* button) {
    Child<QPushButton>(dlg.get(), button)->click();
    Settle();
  }

  std::unique_ptr<TSiteList> sites;
  std::unique_ptr<TClockList> clocks;
  std::unique_ptr<TZvCfgList> configs;
  std::unique_ptr<TGroupList> groups;
  std::unique_ptr<TfrmClock> dlg;
};

TEST_F(FrmClock, OpensOnTheFirstClockOfTheFirstSite) {
  EXPECT_EQ(Entries(Combo("cbxSites")), (std::vector<std::string>{"12", "5"}));
  EXPECT_EQ(Entries(Combo("cbxClocks")), (std::vector<std::string>{"3", "4", "abc"}));
  EXPECT_EQ(Entries(Combo("cbxBell")), (std::vector<std::string>{"7", "2"}));
  EXPECT_EQ(Entries(Combo("cbxFKey")), (std::vector<std::string>{"", "menu1.bin", "menu2.bin"}));
  EXPECT_EQ(FocusName(dlg.get()), "cbxSites");
  EXPECT_EQ(TabStops(dlg.get(), Combo("cbxSites")),
            (std::vector<std::string>{
                "cbxSites", "cbxClocks", "edtComment", "edtSecurity", "edtEnroll", "edtManage",
                "edtSetup", "edtService", "edtReject", "edtLock", "edtIdLen", "edtTries",
                "cbxBell", "cbxFKey", "rad12", "rad24", "chkExplicit", "chkDept", "chkBeeper",
                "edtDSTOnMonth", "edtDSTOnDay", "edtDSTOnHour", "edtDSTOnMin", "edtDSTOffMonth",
                "edtDSTOffDay", "edtDSTOffHour", "edtDSTOffMin", "btnNew", "btnSave",
                "btnDelete", "btnClose"}));
  EXPECT_EQ(TextOf(Combo("cbxClocks")), "3");
  EXPECT_EQ(TextOf(Combo("cbxFKey")), "menu1.bin");  // MENU1.BIN, whatever its case
  EXPECT_EQ(TextOf(Edit("edtComment")), "Front door");
  EXPECT_EQ(TextOf(Edit("edtService")), "11");
  EXPECT_EQ(TextOf(Edit("edtSecurity")), "55");
  EXPECT_EQ(TextOf(Edit("edtSetup")), "");
  EXPECT_EQ(TextOf(Edit("edtReject")), "100");
  EXPECT_EQ(Child<QCheckBox>(dlg.get(), "chkBeeper")->checkState(), Qt::Unchecked);
  EXPECT_FALSE(Child<QCheckBox>(dlg.get(), "chkExplicit")->isChecked());
  EXPECT_TRUE(Child<QCheckBox>(dlg.get(), "chkDept")->isChecked());
  EXPECT_TRUE(Child<QRadioButton>(dlg.get(), "rad24")->isChecked());
  EXPECT_EQ(TextOf(Combo("cbxBell")), "7");
  EXPECT_EQ(TextOf(Edit("edtDSTOffMonth")), "10");
  EXPECT_EQ(TextOf(Edit("edtDSTOnHour")), "2");
  EXPECT_FALSE(dlg->Modified());

  // A clock without configuration: everything empty, the beeper grey.
  Pick(Combo("cbxClocks"), "4");
  EXPECT_EQ(TextOf(Edit("edtComment")), "Back");
  EXPECT_EQ(TextOf(Edit("edtService")), "");
  EXPECT_EQ(Child<QCheckBox>(dlg.get(), "chkBeeper")->checkState(), Qt::PartiallyChecked);
  EXPECT_FALSE(Child<QRadioButton>(dlg.get(), "rad24")->isChecked());
  EXPECT_FALSE(Child<QRadioButton>(dlg.get(), "rad12")->isChecked());
  EXPECT_EQ(Combo("cbxBell")->currentIndex(), -1);

  // Another site: its clocks, unsaved changes dropped without a question. A menu that is
  // not listed shows no selection; nonsense numbers show as read.
  Edit("edtComment")->setText("changed");
  Pick(Combo("cbxSites"), "5");
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(Entries(Combo("cbxClocks")), std::vector<std::string>{"1"});
  EXPECT_EQ(Combo("cbxFKey")->currentIndex(), -1);
  EXPECT_EQ(TextOf(Edit("edtReject")), "BANANA");
  EXPECT_FALSE(dlg->Modified());
}

// Saving: both files in their layout; a clock without configuration gets one; a new clock
// number is appended to the box; other records keep their fields.
TEST_F(FrmClock, SaveWritesBothFiles) {
  Pick(Combo("cbxClocks"), "4");
  Edit("edtReject")->setText("90");
  Child<QRadioButton>(dlg.get(), "rad12")->click();
  Click("btnSave");
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_FALSE(dlg->Modified());
  EXPECT_EQ(Read("clock.txt"),
            ".site  clock  menu        comment\r\n"
            ".----  -----  ----------  -----------\r\n"
            "   12,     3,  MENU1.BIN, Front door\r\n"
            "   12,     4,           , Back\r\n"
            "    5,     1,   gone.bin, Lobby\r\n"
            "   12,   abc,           , \r\n");
  EXPECT_EQ(Read("zv.cfg"),
            ".Zorvan Configurations\r\n\r\n"
            "#rdr 3 12\r\n#pw 1 11\r\n#pw 5 55\r\n#rej 100\r\n#bpr 0\r\n#tam 2\r\n#dng 7\r\n"
            "#dls 4:1:2:0 10:31:3:0\r\n#hrt 0\r\n#end\r\n\r\n"
            "#rdr 1 5\r\n#rej BANANA\r\n#bpr 9\r\n#end\r\n\r\n"
            "#rdr 4 12\r\n#rej 90\r\n#hrt 1\r\n#end\r\n\r\n"
            "#bell 7\r\n#end\r\n\r\n"
            "#bell 2\r\n#end\r\n\r\n");

  // New keeps the site; a bad number is refused at the clock box; a good one is added.
  Edit("edtComment")->setText("x");
  boxes.Answer(mbNo);
  Click("btnNew");
  EXPECT_EQ(TextOf(Combo("cbxSites")), "12");
  EXPECT_EQ(TextOf(Combo("cbxClocks")), "");
  EXPECT_EQ(TextOf(Edit("edtComment")), "");
  Combo("cbxClocks")->setEditText("170");
  Click("btnSave");
  EXPECT_EQ(boxes.Texts().back(),
            "Invalid clock number. Please enter a number from 0 to 254, excluding 170 and 255.");
  EXPECT_EQ(FocusName(dlg.get()), "cbxClocks");
  Combo("cbxClocks")->setEditText("7");
  Edit("edtSetup")->setText("11");
  Edit("edtService")->setText("11");
  Click("btnSave");
  EXPECT_EQ(boxes.Texts().back(), "Each password must be unique.");
  EXPECT_EQ(FocusName(dlg.get()), "edtService");
  Edit("edtSetup")->setText("");
  Combo("cbxFKey")->setCurrentIndex(2);
  Edit("edtDSTOnMonth")->setText("3");
  Click("btnSave");
  EXPECT_EQ(boxes.Texts().back(), "Day required.");
  EXPECT_EQ(FocusName(dlg.get()), "edtDSTOnDay");
  Edit("edtDSTOnMonth")->setText("");
  Click("btnSave");
  EXPECT_EQ(Entries(Combo("cbxClocks")), (std::vector<std::string>{"3", "4", "abc", "7"}));
  EXPECT_EQ(TextOf(Combo("cbxClocks")), "7");
  TClockList reread(Path("clock.txt"));
  ASSERT_NE(reread.FindClock("12", "7"), nullptr);
  EXPECT_EQ(reread.FindClock("12", "7")->Menu(), "menu2.bin");
  TZvCfgList recfg(Path("zv.cfg"));
  ASSERT_NE(recfg.FindReaderConfig("12", "7"), nullptr);
  EXPECT_EQ(recfg.FindReaderConfig("12", "7")->Password(1), "11");
  EXPECT_EQ(recfg.FindReaderConfig("12", "3")->Password(5), "55");
}

TEST_F(FrmClock, CancelAndDelete) {
  Edit("edtComment")->setText("changed");
  boxes.Answer(mbCancel);
  Click("btnClose");
  EXPECT_TRUE(dlg->isVisible());
  boxes.Answer(mbCancel);
  Click("btnNew");
  EXPECT_EQ(TextOf(Edit("edtComment")), "changed");
  EXPECT_EQ(Read("clock.txt"), kClocks);
  EXPECT_EQ(Read("zv.cfg"), kConfig);

  Pick(Combo("cbxClocks"), "4");
  Click("btnDelete");
  EXPECT_EQ(boxes.Texts().back(),
            "Clock 4 is assigned to one or more groups.\nYou must first remove this clock from "
            "all groups.");
  EXPECT_EQ(Entries(Combo("cbxClocks")).size(), 3u);

  Pick(Combo("cbxClocks"), "3");
  boxes.Answer(mbYes);
  Click("btnDelete");
  EXPECT_EQ(Entries(Combo("cbxClocks")), (std::vector<std::string>{"4", "abc"}));
  EXPECT_EQ(TextOf(Combo("cbxClocks")), "4");
  EXPECT_EQ(TextOf(Edit("edtComment")), "Back");
  EXPECT_EQ(clocks->FindClock("12", "3"), nullptr);
  EXPECT_EQ(configs->FindReaderConfig("12", "3"), nullptr);
  EXPECT_TRUE(configs->Modified);

  // The last clock of a site: the site stays, its fields are emptied.
  Pick(Combo("cbxSites"), "5");
  boxes.Answer(mbYes);
  Click("btnDelete");
  EXPECT_EQ(Combo("cbxClocks")->count(), 0);
  EXPECT_EQ(TextOf(Edit("edtComment")), "");
  EXPECT_EQ(Entries(Combo("cbxSites")).size(), 2u);
  boxes.Answer(mbNo);
  dlg->close();
  EXPECT_FALSE(dlg->isVisible());
}

}  // namespace
}  // namespace zv
