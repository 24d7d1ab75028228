// The Bells dialog through its real widgets, on a hand-edited zv.cfg.
#include "dialogs/frmbells.h"

#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>

#include "dialogs/dialogtest.h"

namespace zv {
namespace {

const char kConfig[] =
    "#bell 7\r\n17:00 5 2 3 4 5 6\r\n8 10\r\n12:30 3 8\r\n#end\r\n"
    "#bell 2\r\n06:00 1 1\r\n#end\r\n";

class FrmBells : public TDialogTest {
 protected:
  void SetUp() override {
    Write("zv.cfg", kConfig);
    configs = std::make_unique<TZvCfgList>(Path("zv.cfg"));
    dlg = std::make_unique<TfrmBells>(nullptr, *configs);
    dlg->show();
    dlg->activateWindow();
    Settle();
    cbx = Child<QComboBox>(dlg.get(), "cbxBells");
    lst = Child<QListWidget>(dlg.get(), "lstBells");
  }
  QLineEdit* Edit(const char* name) { return Child<QLineEdit>(dlg.get(), name); }
  void Click(const char* button) {
    auto* b = Child<QPushButton>(dlg.get(), button);
    b->setFocus();  // as a click with the mouse takes it
    b->click();
    Settle();
  }
  std::vector<std::string> Lines() const {
    std::vector<std::string> v;
    for (int i = 0; i < lst->count(); ++i) v.push_back(lst->item(i)->text().toStdString());
    return v;
  }
  void ClickLine(int row) {
    lst->setCurrentRow(row);
    emit lst->itemClicked(lst->item(row));
    Settle();
  }
  std::unique_ptr<TZvCfgList> configs;
  std::unique_ptr<TfrmBells> dlg;
  QComboBox* cbx = nullptr;
  QListWidget* lst = nullptr;
};

TEST_F(FrmBells, ListSaveAndNew) {
  EXPECT_EQ(Entries(cbx), (std::vector<std::string>{"2", "7"}));
  EXPECT_EQ(FocusName(dlg.get()), "cbxBells");
  EXPECT_EQ(TabStops(dlg.get(), cbx),
            (std::vector<std::string>{"cbxBells", "edtTime", "edtDuration", "CheckBox1",
                                      "CheckBox2", "CheckBox3", "CheckBox4", "CheckBox5",
                                      "CheckBox6", "CheckBox7", "CheckBox8", "lstBells", "btnNew",
                                      "btnSave", "btnDelete", "btnClose"}));
  EXPECT_EQ(TextOf(cbx), "2");
  Pick(cbx, "7");
  // In time order, whatever the order in the file.
  EXPECT_EQ(Lines(), (std::vector<std::string>{
                         "08:00     10   X   X    X    X   X    X   X    X",
                         "12:30      3                                   X",
                         "17:00      5       X    X    X   X    X         "}));
  EXPECT_EQ(TextOf(Edit("edtTime")), "");
  ClickLine(2);
  EXPECT_EQ(TextOf(Edit("edtTime")), "17:00");
  EXPECT_EQ(TextOf(Edit("edtDuration")), "5");
  EXPECT_TRUE(Child<QCheckBox>(dlg.get(), "CheckBox2")->isChecked());

  // 8:00 is the 08:00 already there: it is replaced, not added; the saved bell shows.
  Edit("edtTime")->setText("8:00");
  Edit("edtDuration")->setText("031");
  Click("btnSave");
  EXPECT_TRUE(boxes.shown.empty()) << boxes.Texts().front();
  EXPECT_EQ(lst->count(), 3);
  EXPECT_EQ(Lines()[0], "08:00     31       X    X    X   X    X         ");
  EXPECT_EQ(TextOf(Edit("edtTime")), "08:00");
  // A new schedule number makes a schedule and selects it.
  cbx->setEditText("0040");
  Edit("edtTime")->setText("23:59");
  Click("btnSave");
  EXPECT_EQ(Entries(cbx), (std::vector<std::string>{"2", "40", "7"}));
  EXPECT_EQ(TextOf(cbx), "40");
  EXPECT_EQ(Lines(), std::vector<std::string>{"23:59     31       X    X    X   X    X         "});
  TZvCfgList reread(Path("zv.cfg"));
  ASSERT_NE(reread.FindBellSchedule("40"), nullptr);
  EXPECT_EQ(reread.FindBellSchedule("7")->FindBell("08:00")->Duration(), "31");

  // A failed save is the one change that makes Close ask.
  Edit("edtDuration")->setText("32");
  Click("btnSave");
  EXPECT_EQ(boxes.Texts().back(), "Invalid duration. Please enter a number from 1 to 31.");
  EXPECT_EQ(FocusName(dlg.get()), "edtDuration");
  EXPECT_TRUE(dlg->Modified());
  // New asks nothing and clears schedule, list and fields.
  const std::size_t shown = boxes.shown.size();
  Click("btnNew");
  EXPECT_EQ(boxes.shown.size(), shown);
  EXPECT_EQ(TextOf(cbx), "");
  EXPECT_EQ(lst->count(), 0);
  EXPECT_EQ(TextOf(Edit("edtDuration")), "");
  EXPECT_FALSE(dlg->Modified());
  Edit("edtTime")->setText("9");
  Click("btnClose");  // edits alone do not ask
  EXPECT_EQ(boxes.shown.size(), shown);
  EXPECT_FALSE(dlg->isVisible());
}

// Delete acts on the schedule when its box was the control last left, else on the bell
// whose time the time edit shows exactly.
TEST_F(FrmBells, DeleteByTheControlLastLeft) {
  Pick(cbx, "7");
  ClickLine(1);
  Edit("edtTime")->setFocus();
  boxes.Answer(mbYes);
  Click("btnDelete");
  EXPECT_EQ(boxes.Texts().back(), "Are you sure you want to permanently delete bell item for 12:30?");
  EXPECT_EQ(lst->count(), 2);
  EXPECT_EQ(configs->FindBellSchedule("7")->FindBell("12:30"), nullptr);
  EXPECT_NE(Read("zv.cfg").find("#bell 7\r\n17:00 5 2 3 4 5 6\r\n08:00 10 1 2 3 4 5 6 7 8\r\n#end"),
            std::string::npos);  // written at once
  EXPECT_EQ(TextOf(cbx), "7");

  // A time retyped as 8:00 is not the stored 08:00: nothing is asked or deleted.
  ClickLine(0);
  Edit("edtTime")->setText("8:00");
  const std::size_t shown = boxes.shown.size();
  Click("btnDelete");
  EXPECT_EQ(boxes.shown.size(), shown);
  EXPECT_EQ(lst->count(), 2);

  // From the schedule box: the whole schedule; the entry before it is selected.
  cbx->setFocus();
  Pick(cbx, "7");
  boxes.Answer(mbNo);
  Click("btnDelete");
  EXPECT_EQ(boxes.Texts().back(),
            "Are you sure you want to permanently delete bell schedule number 7?");
  EXPECT_EQ(cbx->count(), 2);
  cbx->setFocus();
  boxes.Answer(mbYes);
  Click("btnDelete");
  EXPECT_EQ(Entries(cbx), std::vector<std::string>{"2"});
  EXPECT_EQ(TextOf(cbx), "2");
  EXPECT_EQ(Lines(), std::vector<std::string>{"06:00      1   X                                "});
  EXPECT_EQ(Read("zv.cfg").find("#bell 7"), std::string::npos);
  // The first and last: nothing is left selected.
  cbx->setFocus();
  boxes.Answer(mbYes);
  Click("btnDelete");
  EXPECT_EQ(cbx->count(), 0);
  EXPECT_EQ(TextOf(cbx), "");
  EXPECT_EQ(lst->count(), 0);
}

}  // namespace
}  // namespace zv
