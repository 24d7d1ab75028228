// The Time Zones dialog through its real widgets, on a hand-edited zv.cfg.
#include "dialogs/frmtimezone.h"

#include <QCheckBox>
#include <QPushButton>

#include "dialogs/dialogtest.h"

namespace zv {
namespace {

const char kConfig[] =
    "#tz 12\r\n08:00 17:00 2 3 4 5 6\r\n#end\r\n"
    "#tz 3\r\n07:00 07:30 1 8\r\n22:00 23:00\r\n#end\r\n"
    "#tz 20\r\n06:00 06:10 7\r\n#end\r\n";

class FrmTimeZone : public TDialogTest {
 protected:
  void SetUp() override {
    Write("zv.cfg", kConfig);
    configs = std::make_unique<TZvCfgList>(Path("zv.cfg"));
    dlg = std::make_unique<TfrmTimeZone>(nullptr, *configs);
    dlg->show();
    Settle();
  }
  QLineEdit* Edit(const char* name) { return Child<QLineEdit>(dlg.get(), name); }
  QCheckBox* Box(const char* name) { return Child<QCheckBox>(dlg.get(), name); }
  void Click(const char* button) {
    Child<QPushButton>(dlg.get(), button)->click();
    Settle();
  }
  std::unique_ptr<TZvCfgList> configs;
  std::unique_ptr<TfrmTimeZone> dlg;
};

TEST_F(FrmTimeZone, WalkThroughTheControls) {
  auto* cbx = Child<QComboBox>(dlg.get(), "cbxTimeZones");
  EXPECT_EQ(Entries(cbx), (std::vector<std::string>{"12", "20", "3"}));  // sorted as text
  EXPECT_EQ(FocusName(dlg.get()), "cbxTimeZones");
  // Row by row from the start to "Hol", then the buttons as they stand.
  std::vector<std::string> stops{"cbxTimeZones"};
  for (int k = 1; k <= 4; ++k) {
    stops.push_back(StartEdit(k));
    stops.push_back(StopEdit(k));
    for (int d = 0; d < 8; ++d) stops.push_back(DayBox(k, d));
  }
  for (const char* b : {"btnNew", "btnSave", "btnDelete", "btnCancel", "btnClose"}) stops.push_back(b);
  EXPECT_EQ(TabStops(dlg.get(), cbx), stops);
  EXPECT_EQ(TextOf(Edit("edtStartTime1")), "08:00");
  EXPECT_TRUE(Box("CheckBox2")->isChecked());   // row 1, Monday
  EXPECT_FALSE(Box("CheckBox1")->isChecked());  // row 1, Sunday
  EXPECT_FALSE(dlg->Modified());

  Pick(cbx, "3");
  EXPECT_EQ(TextOf(Edit("edtEndTime1")), "07:30");
  EXPECT_TRUE(Box("CheckBox8")->isChecked());    // row 1, holiday
  EXPECT_EQ(TextOf(Edit("edtStartTime2")), "22:00");
  EXPECT_FALSE(Box("CheckBox9")->isChecked());   // a line without days: none
  EXPECT_EQ(TextOf(Edit("edtStartTime3")), "");

  // A failed check: its message and focus, nothing written, the change kept.
  Box("CheckBox32")->click();
  EXPECT_TRUE(dlg->Modified());
  Edit("edtStartTime4")->setText("17:00");
  Edit("edtEndTime4")->setText("8");
  Click("btnSave");
  EXPECT_EQ(boxes.Texts().back(),
            "Invalid start/end time. Start time must be ealier than end time.");
  EXPECT_EQ(FocusName(dlg.get()), "edtStartTime4");
  EXPECT_TRUE(dlg->Modified());
  EXPECT_EQ(Read("zv.cfg"), kConfig);

  // Cancel drops the changes on screen and shows the stored zone again, asking nothing.
  const std::size_t shown = boxes.shown.size();
  Click("btnCancel");
  EXPECT_EQ(boxes.shown.size(), shown);
  EXPECT_TRUE(dlg->isVisible());
  EXPECT_EQ(TextOf(Edit("edtStartTime4")), "");
  EXPECT_FALSE(Box("CheckBox32")->isChecked());
  EXPECT_FALSE(dlg->Modified());

  // Saved in the stored form; a new number typed over the shown zone adds a zone.
  Edit("edtStartTime3")->setText(" 45 ");
  Edit("edtEndTime3")->setText("1700");
  Box("CheckBox17")->click();
  cbx->setEditText("07");
  Click("btnSave");
  EXPECT_FALSE(dlg->Modified());
  EXPECT_EQ(Entries(cbx), (std::vector<std::string>{"12", "20", "3", "7"}));
  EXPECT_EQ(TextOf(cbx), "07");  // the selection is not changed
  EXPECT_EQ(Read("zv.cfg"),
            ".Zorvan Configurations\r\n\r\n\r\n"
            "#tz 12\r\n08:00 17:00 2 3 4 5 6\r\n#end\r\n\r\n\r\n"
            "#tz 3\r\n07:00 07:30 1 8\r\n22:00 23:00\r\n#end\r\n\r\n\r\n"
            "#tz 20\r\n06:00 06:10 7\r\n#end\r\n\r\n\r\n"
            "#tz 7\r\n07:00 07:30 1 8\r\n22:00 23:00\r\n00:45 17:00 1\r\n#end\r\n\r\n");
  // Unsaved changes: Close asks; No closes without writing.
  Edit("edtStartTime1")->setText("9");
  boxes.Answer(mbNo);
  Click("btnClose");
  EXPECT_FALSE(dlg->isVisible());
  EXPECT_EQ(configs->FindTimeZone("7")->Start(1), "07:00");
}

// Deleting the first entry leaves nothing selected and empty fields; deleting another
// selects the one before it. A delete is written by the next save.
TEST_F(FrmTimeZone, DeleteSelectsTheEntryBefore) {
  auto* cbx = Child<QComboBox>(dlg.get(), "cbxTimeZones");
  Pick(cbx, "3");
  boxes.Answer(mbYes);
  Click("btnDelete");
  EXPECT_EQ(boxes.Texts().back(), "Are you sure you want to permanently delete time zone number 3?");
  EXPECT_EQ(Entries(cbx), (std::vector<std::string>{"12", "20"}));
  EXPECT_EQ(TextOf(cbx), "20");
  EXPECT_EQ(TextOf(Edit("edtStartTime1")), "06:00");
  EXPECT_EQ(configs->FindTimeZone("3"), nullptr);
  EXPECT_EQ(Read("zv.cfg"), kConfig);

  Pick(cbx, "12");
  boxes.Answer(mbYes);
  Click("btnDelete");
  EXPECT_EQ(Entries(cbx), std::vector<std::string>{"20"});
  EXPECT_EQ(SelectedIndex(cbx), -1);
  EXPECT_EQ(TextOf(cbx), "");
  EXPECT_EQ(TextOf(Edit("edtStartTime1")), "");
  EXPECT_FALSE(Box("CheckBox2")->isChecked());

  // No keeps the zone; a number that is in no entry is asked about and changes nothing.
  Pick(cbx, "20");
  boxes.Answer(mbNo);
  Click("btnDelete");
  EXPECT_EQ(cbx->count(), 1);
  cbx->setEditText("44");
  boxes.Answer(mbYes);
  Click("btnDelete");
  EXPECT_EQ(cbx->count(), 1);
  EXPECT_EQ(TextOf(cbx), "");
  ASSERT_TRUE(configs->Save());
  EXPECT_EQ(Read("zv.cfg"), ".Zorvan Configurations\r\n\r\n\r\n#tz 20\r\n06:00 06:10 7\r\n#end\r\n\r\n");
}

}  // namespace
}  // namespace zv
