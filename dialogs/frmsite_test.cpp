// The Sites dialog through its real widgets, on a hand-edited site.txt.
#include "dialogs/frmsite.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cstdio>
#include <unistd.h>

#include "dialogs/dialogtest.h"
#include "util/datalock.h"

namespace zv {
namespace {

const char kSites[] =
    ".site  port  baud  init    dial      phone     tza     ipaddress     description\r\n"
    ".----  ----  ----  -----  ------  -----------  ---  ---------------  -----------\r\n"
    "   12,    2, 9600,      ,       ,            ,   0,                , Main gate\r\n"
    "abc, x, zz, at&f\r\n"
    "\t. a comment stays\r\n"
    "    5, 1, 9600, AT&F, 9**, 5551234, -3, 10.0.0.5, Lobby\r\n"
    "    5, , , , , , , , Second five\r\n"
    ", 1, 9600\r\n";

class FrmSite : public TDialogTest {
 protected:
  void SetUp() override {
    Write("site.txt", kSites);
    Write("clock.txt", "    5,     1,          , Door\r\n");
    sites = std::make_unique<TSiteList>(Path("site.txt"));
    clocks = std::make_unique<TClockList>(Path("clock.txt"));
  }
  std::unique_ptr<TfrmSite> Open() {
    auto d = std::make_unique<TfrmSite>(nullptr, *sites, clocks.get(),
                                        std::vector<std::string>{"ATZ", "AT&F"});
    d->show();
    Settle();
    return d;
  }
  std::unique_ptr<TSiteList> sites;
  std::unique_ptr<TClockList> clocks;
};

TEST_F(FrmSite, WalkThroughTheControls) {
  auto dlg = Open();
  auto* cbxSites = Child<QComboBox>(dlg.get(), "cbxSites");
  auto* edtDesc = Child<QLineEdit>(dlg.get(), "edtDesc");
  auto* cbxInit = Child<QComboBox>(dlg.get(), "cbxInit");
  // Every record shows, nonsense and duplicates included, sorted as text.
  EXPECT_EQ(Entries(cbxSites), (std::vector<std::string>{"", "12", "5", "5", "abc"}));
  EXPECT_EQ(Entries(cbxInit), (std::vector<std::string>{"AT&F", "ATZ"}));
  EXPECT_EQ(Entries(Child<QComboBox>(dlg.get(), "cbxTz")).size(), 47u);
  EXPECT_EQ(FocusName(dlg.get()), "cbxSites");
  EXPECT_FALSE(dlg->Modified());
  EXPECT_EQ(TabStops(dlg.get(), cbxSites),
            (std::vector<std::string>{"cbxSites", "edtDesc", "cbxTz", "cbxCom", "cbxBaud",
                                      "cbxInit", "edtDial", "edtPhone", "edtIP1", "edtIP2",
                                      "edtIP3", "edtIP4", "btnNew", "btnSave", "btnDelete",
                                      "btnClose"}));

  Pick(cbxSites, "abc");  // port x reads as COM 1, baud zz as 9600, at&f as the entry
  EXPECT_EQ(TextOf(Child<QComboBox>(dlg.get(), "cbxCom")), "COM 1");
  EXPECT_EQ(TextOf(Child<QComboBox>(dlg.get(), "cbxBaud")), "9600");
  EXPECT_EQ(TextOf(cbxInit), "AT&F");

  Pick(cbxSites, "5");  // the first of the two
  EXPECT_EQ(TextOf(edtDesc), "Lobby");
  EXPECT_EQ(TextOf(Child<QLineEdit>(dlg.get(), "edtDial")), "9,,");
  EXPECT_EQ(TextOf(Child<QComboBox>(dlg.get(), "cbxTz")), "-3");
  EXPECT_EQ(TextOf(Child<QLineEdit>(dlg.get(), "edtIP4")), "5");
  EXPECT_FALSE(dlg->Modified());

  // A bad entry: its message, its focus, nothing written.
  Child<QLineEdit>(dlg.get(), "edtPhone")->setText("555-1234");
  EXPECT_TRUE(dlg->Modified());
  Child<QPushButton>(dlg.get(), "btnSave")->click();
  EXPECT_EQ(boxes.Texts().back(),
            "Invalid phone number. No punctuation or special characters allowed.");
  EXPECT_EQ(FocusName(dlg.get()), "edtPhone");
  EXPECT_TRUE(dlg->Modified());
  EXPECT_EQ(Read("site.txt"), kSites);

  // Cancel at the save question changes nothing; No drops the change.
  boxes.Answer(mbCancel);
  Child<QPushButton>(dlg.get(), "btnClose")->click();
  EXPECT_TRUE(dlg->isVisible());
  EXPECT_EQ(Read("site.txt"), kSites);
  EXPECT_EQ(TextOf(Child<QLineEdit>(dlg.get(), "edtPhone")), "555-1234");
  boxes.Answer(mbNo);
  Child<QPushButton>(dlg.get(), "btnClose")->click();
  EXPECT_FALSE(dlg->isVisible());
  EXPECT_EQ(Read("site.txt"), kSites);
}

// A new number typed over a shown site saves a new site with the shown fields; the file
// keeps its comments and the other records' fields, in the column layout.
TEST_F(FrmSite, SaveUnderANewNumber) {
  auto dlg = Open();
  auto* cbxSites = Child<QComboBox>(dlg.get(), "cbxSites");
  Pick(cbxSites, "12");
  cbxSites->setEditText(" 30 ");
  EXPECT_FALSE(dlg->Modified());  // a key typed is no change
  Child<QComboBox>(dlg.get(), "cbxInit")->setEditText("at&f");
  Child<QLineEdit>(dlg.get(), "edtIP1")->setText("10");
  Child<QLineEdit>(dlg.get(), "edtIP2")->setText("1");
  Child<QLineEdit>(dlg.get(), "edtIP3")->setText("0");
  Child<QLineEdit>(dlg.get(), "edtIP4")->setText("007");
  Child<QPushButton>(dlg.get(), "btnSave")->click();
  EXPECT_TRUE(boxes.shown.empty()) << boxes.Texts().front();
  EXPECT_FALSE(dlg->Modified());
  EXPECT_EQ(Entries(cbxSites), (std::vector<std::string>{"", "12", "30", "5", "5", "abc"}));
  EXPECT_EQ(TextOf(cbxSites), " 30 ");  // the selection is not changed
  EXPECT_EQ(Read("site.txt"),
            ".site  port  baud  init    dial      phone     tza     ipaddress     description\r\n"
            ".----  ----  ----  -----  ------  -----------  ---  ---------------  -----------\r\n"
            "   12,    2, 9600,      ,       ,            ,   0,                , Main gate\r\n"
            "  abc,    x,   zz,  at&f,       ,            ,    ,                , \r\n"
            "\t. a comment stays\r\n"
            "    5,    1, 9600,  AT&F,    9**,     5551234,  -3,        10.0.0.5, Lobby\r\n"
            "    5,     ,     ,      ,       ,            ,    ,                , Second five\r\n"
            "     ,    1, 9600,      ,       ,            ,    ,                , \r\n"
            "   30,    2, 9600,  at&f,       ,            ,   0,        10.1.0.7, Main gate\r\n");
  // Saving under the number of the second 5 overwrites the first 5 only.
  Pick(cbxSites, "12");
  cbxSites->setEditText("5");
  Child<QLineEdit>(dlg.get(), "edtDesc")->setText("Moved");
  Child<QPushButton>(dlg.get(), "btnSave")->click();
  TSiteList reread(Path("site.txt"));
  std::vector<TSite*> all;
  reread.GetSites(all);
  ASSERT_EQ(all.size(), 6u);
  EXPECT_EQ(all[2]->Description(), "Moved");
  EXPECT_EQ(all[2]->IpAddress(), "");
  EXPECT_EQ(all[3]->Description(), "Second five");
  EXPECT_EQ(all[0]->Description(), "Main gate");

  // The second of two sites with one number, edited and saved, is the one that changes.
  cbxSites->setCurrentIndex(4);
  emit cbxSites->activated(4);
  Settle();
  EXPECT_EQ(TextOf(Child<QLineEdit>(dlg.get(), "edtDesc")), "Second five");
  Child<QLineEdit>(dlg.get(), "edtDesc")->setText("Second, edited");
  Child<QPushButton>(dlg.get(), "btnSave")->click();
  EXPECT_EQ(boxes.Texts().back(), "Commas not allowed in description.");
  EXPECT_EQ(FocusName(dlg.get()), "edtDesc");
  Child<QLineEdit>(dlg.get(), "edtDesc")->setText("Second edited");
  Child<QPushButton>(dlg.get(), "btnSave")->click();
  TSiteList again(Path("site.txt"));
  all.clear();
  again.GetSites(all);
  EXPECT_EQ(all[2]->Description(), "Moved");
  EXPECT_EQ(all[3]->Description(), "Second edited");
}

TEST_F(FrmSite, DeleteAndNew) {
  auto dlg = Open();
  auto* cbxSites = Child<QComboBox>(dlg.get(), "cbxSites");
  Pick(cbxSites, "5");
  Child<QPushButton>(dlg.get(), "btnDelete")->click();
  Settle();
  EXPECT_EQ(boxes.Texts().back(),
            "Site 5 has clock assignments. You must first delete all clocks assigned to this "
            "site.");
  EXPECT_EQ(TextOf(Child<QLineEdit>(dlg.get(), "edtDesc")), "Lobby");
  Pick(cbxSites, "12");
  boxes.Answer(mbYes);
  Child<QPushButton>(dlg.get(), "btnDelete")->click();
  Settle();
  EXPECT_EQ(Entries(cbxSites), (std::vector<std::string>{"", "5", "5", "abc"}));
  EXPECT_EQ(sites->FindSite("12"), nullptr);
  EXPECT_TRUE(sites->Modified);
  EXPECT_EQ(Read("site.txt"), kSites);  // a delete is written by the next save
  EXPECT_EQ(SelectedIndex(cbxSites), 0);

  Pick(cbxSites, "abc");
  Child<QLineEdit>(dlg.get(), "edtDesc")->setText("x");
  boxes.Answer(mbNo);
  Child<QPushButton>(dlg.get(), "btnNew")->click();
  Settle();
  EXPECT_EQ(TextOf(cbxSites), "");
  EXPECT_EQ(TextOf(Child<QLineEdit>(dlg.get(), "edtDesc")), "");
  EXPECT_EQ(Child<QComboBox>(dlg.get(), "cbxCom")->currentIndex(), -1);
  EXPECT_FALSE(dlg->Modified());
}

// Enter in the editable site box picks the typed site; it does not close the dialog through
// the default button, which stays Close for the other controls.
TEST_F(FrmSite, EnterInTheSiteBoxPicksTheTypedSite) {
  auto dlg = Open();
  auto* cbxSites = Child<QComboBox>(dlg.get(), "cbxSites");
  auto* edtDesc = Child<QLineEdit>(dlg.get(), "edtDesc");
  dlg->activateWindow();
  cbxSites->setFocus();
  for (const char* typed : {"12", "abc", "99"}) {
    SCOPED_TRACE(typed);
    cbxSites->lineEdit()->selectAll();
    QTest::keyClicks(cbxSites->lineEdit(), typed);
    QTest::keyClick(cbxSites->lineEdit(), Qt::Key_Return);
    Settle();
    ASSERT_TRUE(dlg->isVisible());
    EXPECT_EQ(TextOf(cbxSites), typed);
  }
  // "99" is no site: the fields of the last pick stay, the text as typed.
  EXPECT_EQ(TextOf(edtDesc), "");
  EXPECT_EQ(SelectedIndex(cbxSites), -1);
  cbxSites->lineEdit()->selectAll();
  QTest::keyClicks(cbxSites->lineEdit(), "12");
  QTest::keyClick(cbxSites, Qt::Key_Enter);
  Settle();
  EXPECT_EQ(TextOf(edtDesc), "Main gate");
  EXPECT_TRUE(Child<QPushButton>(dlg.get(), "btnClose")->isDefault());
  QTest::keyClick(edtDesc, Qt::Key_Return);
  EXPECT_FALSE(dlg->isVisible());
}

TEST_F(FrmSite, EmptyListAndNoClockList) {
  Write("site.txt", "");
  sites = std::make_unique<TSiteList>(Path("site.txt"));
  auto dlg = std::make_unique<TfrmSite>(nullptr, *sites, nullptr, std::vector<std::string>{});
  dlg->show();
  Settle();
  auto* cbxSites = Child<QComboBox>(dlg.get(), "cbxSites");
  EXPECT_EQ(cbxSites->count(), 0);
  EXPECT_EQ(TextOf(Child<QLineEdit>(dlg.get(), "edtDesc")), "");
  Child<QPushButton>(dlg.get(), "btnSave")->click();
  EXPECT_EQ(boxes.Texts().back(), "Must enter a site number.");
  cbxSites->setEditText("1");
  Child<QPushButton>(dlg.get(), "btnSave")->click();
  EXPECT_EQ(Entries(cbxSites), std::vector<std::string>{"1"});
  boxes.Answer(mbYes);
  Child<QPushButton>(dlg.get(), "btnDelete")->click();  // no clock list: no clock uses it
  Settle();
  EXPECT_EQ(cbxSites->count(), 0);

  // A file that cannot be written: said, and the save counts as failed.
  for (const char* f : {"site.txt", "clock.txt", kDataLockName}) std::remove(Path(f).c_str());
  ASSERT_EQ(rmdir(Dir().c_str()), 0);
  cbxSites->setEditText("2");
  Child<QPushButton>(dlg.get(), "btnSave")->click();
  EXPECT_EQ(boxes.Texts().back().rfind("Unable to save " + Path("site.txt") + ": ", 0), 0u)
      << boxes.Texts().back();
  EXPECT_TRUE(dlg->Modified());
  EXPECT_TRUE(sites->Modified);
}

}  // namespace
}  // namespace zv
