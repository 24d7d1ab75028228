// The Users dialog and its bulk change through their real widgets.
#include "dialogs/frmusers.h"

#include <QApplication>
#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <functional>

#include "dialogs/dialogtest.h"
#include "dialogs/frmuserglobal.h"

namespace zv {
namespace {

const char kUsers[] =
    ".ID          TZ   RejectOvr  Reserved  Authority  Comment\r\n"
    "          5,   1,         0,         ,         0, Five\r\n"
    " 0000000123, 120,        40,     keep,         3, Night shift\r\n"
    "         77,  61,          ,         ,          , Seven\r\n"
    "       1000,  99,       300,         ,         9\r\n";
const char kIndex[] = "0000000005\r\n0000000123\r\n0000000077\r\n";

class FrmUsers : public TDialogTest {
 protected:
  void SetUp() override {
    Write("user.txt", kUsers);
    Write("user.idx", kIndex);
    Write("group.txt", "   120,    1,     1,        5, \r\n");
    users = std::make_unique<TUserList>(Path("user.txt"));
    groups = std::make_unique<TGroupList>(Path("group.txt"));
    dlg = std::make_unique<TfrmUsers>(nullptr, *users, groups.get(), Dir());
    dlg->show();
    Settle();
  }
  void Click(QPushButton* b) {
    b->click();
    Settle();
  }
  // Acts on the dialog of class D once it is the modal one (a nested exec runs it).
  template <class D>
  static void WhenModal(std::function<void(D*)> act, int tries = 2000) {
    QTimer::singleShot(0, [act, tries] {
      if (auto* d = qobject_cast<D*>(QApplication::activeModalWidget())) {
        act(d);
      } else if (tries > 0) {
        WhenModal<D>(act, tries - 1);
      } else {
        ADD_FAILURE() << "no such modal dialog";
        if (QWidget* w = QApplication::activeModalWidget()) w->close();
      }
    });
  }
  static std::vector<std::string> Lines(const QListWidget* l) {
    std::vector<std::string> v;
    for (int i = 0; i < l->count(); ++i) v.push_back(l->item(i)->text().toStdString());
    return v;
  }
  std::unique_ptr<TUserList> users;
  std::unique_ptr<TGroupList> groups;
  std::unique_ptr<TfrmUsers> dlg;
};

TEST_F(FrmUsers, WalkSaveAndDelete) {
  EXPECT_EQ(Entries(dlg->cbxUsers),
            (std::vector<std::string>{"0000000123", "1000", "5", "77"}));
  EXPECT_EQ(FocusName(dlg.get()), "cbxUsers");
  EXPECT_EQ(TabStops(dlg.get(), dlg->cbxUsers),
            (std::vector<std::string>{"cbxUsers", "cbxRestric", "cbxReject", "cbxAuthority",
                                      "edtComment", "btnNew", "btnSave", "btnDelete",
                                      "btnGlobal", "btnClose"}));
  // The first user; its group is offered because the group list has it.
  EXPECT_EQ(TextOf(dlg->cbxRestric), "120");
  EXPECT_EQ(TextOf(dlg->cbxReject), "40");
  EXPECT_EQ(TextOf(dlg->cbxAuthority), "Management");
  EXPECT_EQ(TextOf(dlg->edtComment), "Night shift");
  EXPECT_EQ(dlg->cbxRestric->count(), 63);
  Pick(dlg->cbxUsers, "1000");  // values no entry carries show nothing
  EXPECT_EQ(dlg->cbxRestric->currentIndex() + dlg->cbxReject->currentIndex() +
                dlg->cbxAuthority->currentIndex(),
            -3);
  EXPECT_FALSE(dlg->Modified());

  // Changing only the authority raises the save question on Close.
  Pick(dlg->cbxUsers, "77");
  EXPECT_EQ(TextOf(dlg->cbxRestric), "Never");
  dlg->cbxAuthority->setCurrentIndex(5);
  boxes.Answer(mbCancel);
  Click(dlg->btnClose);
  EXPECT_EQ(boxes.Texts().back(), "Save changes to the current record?");
  EXPECT_TRUE(dlg->isVisible());

  // Refused numbers: the message, the focus, nothing written.
  for (const char* bad : {"12a", " 12", ""}) {
    dlg->cbxUsers->setEditText(bad);
    Click(dlg->btnSave);
    EXPECT_EQ(boxes.Texts().back(), *bad ? "Invalid user number. Please enter a number from 0 to "
                                           "9999999999"
                                         : "Must enter a user number.")
        << bad;
    EXPECT_EQ(FocusName(dlg.get()), "cbxUsers");
  }
  EXPECT_EQ(Read("user.txt"), kUsers);

  // 123 finds the user stored as 0000000123 and overwrites it; no new entry.
  dlg->cbxUsers->setEditText("123");
  dlg->cbxRestric->setCurrentIndex(0);
  dlg->edtComment->setText("  Day  ");
  Click(dlg->btnSave);
  EXPECT_FALSE(dlg->Modified());
  EXPECT_EQ(dlg->cbxUsers->count(), 4);
  EXPECT_EQ(Read("user.txt"),
            ".ID          TZ   RejectOvr  Reserved  Authority  Comment\r\n"
            "          5,   1,         0,         ,         0, Five\r\n"
            "        123,   0,          ,     keep,         5, Day\r\n"
            "         77,  61,          ,         ,          , Seven\r\n"
            "       1000,  99,       300,         ,          , 9 \r\n");
  // The box shows the number as stored now.
  EXPECT_EQ(Entries(dlg->cbxUsers), (std::vector<std::string>{"1000", "123", "5", "77"}));
  // A new number is added to the box, in its place.
  dlg->cbxUsers->setEditText("42");
  Click(dlg->btnSave);
  EXPECT_EQ(Entries(dlg->cbxUsers),
            (std::vector<std::string>{"1000", "123", "42", "5", "77"}));

  // Deleting the third entry selects the second, the first selects the new first; the
  // user.idx line of the padded number becomes free, the others stay.
  Pick(dlg->cbxUsers, "42");
  boxes.Answer(mbYes);
  Click(dlg->btnDelete);
  EXPECT_EQ(boxes.Texts().back(), "Are you sure you want to permanently delete user number 42?");
  EXPECT_EQ(TextOf(dlg->cbxUsers), "123");
  Pick(dlg->cbxUsers, "1000");
  boxes.Answer(mbYes);
  Click(dlg->btnDelete);
  EXPECT_EQ(TextOf(dlg->cbxUsers), "123");
  Pick(dlg->cbxUsers, "123");
  boxes.Answer(mbYes);
  Click(dlg->btnDelete);
  EXPECT_EQ(TextOf(dlg->cbxUsers), "5");
  EXPECT_EQ(TextOf(dlg->cbxRestric), "1");
  EXPECT_EQ(Read("user.idx"), "0000000005\r\n0         \r\n0000000077\r\n");
  EXPECT_EQ(users->FindUser("123"), nullptr);
  EXPECT_TRUE(users->Modified);

  // New: no user, empty fields, the focus in the number box.
  dlg->edtComment->setText("x");
  boxes.Answer(mbNo);
  dlg->btnGlobal->setFocus();
  Click(dlg->btnNew);
  EXPECT_EQ(TextOf(dlg->cbxUsers) + TextOf(dlg->edtComment), "");
  EXPECT_EQ(FocusName(dlg.get()), "cbxUsers");
  EXPECT_FALSE(dlg->Modified());
}

// A bulk change cancelled at the save question, in the Global dialog or in Confirm changes
// nothing; the Global dialog's two refusals keep it open.
TEST_F(FrmUsers, BulkChangeCancelledAtEachStep) {
  const std::string before = Read("user.txt");
  auto unchanged = [&](const char* step) {
    EXPECT_EQ(Read("user.txt"), before) << step;
    EXPECT_EQ(users->FindUser("5")->Comment(), "Five") << step;
    EXPECT_EQ(users->FindUser("77")->Authority(), "") << step;
  };
  // 1. The save question.
  dlg->edtComment->setText("unsaved");
  boxes.Answer(mbCancel);
  bool opened = false;
  QTimer::singleShot(0, [&] {
    if (QWidget* w = QApplication::activeModalWidget()) {
      opened = true;
      w->close();
    }
  });
  dlg->OnGlobal();
  Settle();
  EXPECT_FALSE(opened);
  unchanged("save question");
  boxes.shown.clear();
  // 2. The Global dialog: nothing checked, then no user selected, then Cancel.
  boxes.Answer(mbNo);
  WhenModal<TfrmUserGlobal>([&](TfrmUserGlobal* g) {
    EXPECT_FALSE(g->chkTimeZone->isChecked() || g->chkReject->isChecked() ||
                 g->chkAuthority->isChecked() || g->chkComment->isChecked());
    g->btnOk->click();
    EXPECT_TRUE(g->isVisible());
    g->chkComment->setChecked(true);
    WhenModal<TfrmSelUser>([](TfrmSelUser* s) {
      EXPECT_EQ(s->lstUsers->selectedItems().size(), 4);  // all selected at first
      s->lstUsers->clearSelection();
      s->close();  // no Cancel: the selection made stays
    });
    g->btnUsers->click();
    g->btnOk->click();
    EXPECT_TRUE(g->isVisible());
    EXPECT_EQ(FocusName(g), "btnUsers");
    g->Cancel->click();
  });
  dlg->OnGlobal();
  EXPECT_EQ(boxes.Texts(),
            (std::vector<std::string>{
                "Save changes to the current record?", "Must choose an item to apply.",
                "No users selected. Please select a user to apply changes to."}));
  unchanged("Global");
  // 3. Confirm (the screen still holds the unsaved comment: asked again).
  boxes.Answer(mbNo);
  bool confirmShown = false;
  WhenModal<TfrmUserGlobal>([&](TfrmUserGlobal* g) {
    g->chkComment->setChecked(true);
    g->chkAuthority->setChecked(true);
    WhenModal<TfrmConfirmUser>([&confirmShown](TfrmConfirmUser* c) {
      confirmShown = true;
      EXPECT_EQ(c->lstUsers->count(), 4);
      EXPECT_EQ(c->lstUsers->focusPolicy(), Qt::NoFocus);
      c->btnCancel->click();
    });
    g->btnOk->click();
  });
  dlg->OnGlobal();
  EXPECT_TRUE(confirmShown);
  unchanged("Confirm");
}

// OK applies exactly the checked fields of the stored template to exactly the selected
// users, and writes user.txt.
TEST_F(FrmUsers, BulkChangeAppliesCheckedFieldsToSelectedUsers) {
  Pick(dlg->cbxUsers, "0000000123");
  dlg->edtComment->setText("not saved");  // the stored user is the template
  boxes.Answer(mbNo);
  std::vector<std::string> confirmed;
  WhenModal<TfrmUserGlobal>([&](TfrmUserGlobal* g) {
    g->chkTimeZone->setChecked(true);
    g->chkComment->setChecked(true);
    WhenModal<TfrmSelUser>([](TfrmSelUser* s) {
      EXPECT_EQ(Lines(s->lstUsers),
                (std::vector<std::string>{"0000000005 Five", "0000000123 Night shift",
                                          "0000000077 Seven", "0000001000 9 "}));
      s->lstUsers->clearSelection();
      s->lstUsers->item(3)->setSelected(true);
      s->lstUsers->item(0)->setSelected(true);
      s->btnOk->click();
    });
    g->btnUsers->click();
    WhenModal<TfrmConfirmUser>([&](TfrmConfirmUser* c) {
      confirmed = Lines(c->lstUsers);
      c->btnOk->click();
    });
    g->btnOk->click();
  });
  dlg->OnGlobal();
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"Save changes to the current record?"});
  EXPECT_EQ(confirmed, (std::vector<std::string>{"0000000005 Five", "0000001000 9 "}));
  EXPECT_EQ(Read("user.txt"),
            ".ID          TZ   RejectOvr  Reserved  Authority  Comment\r\n"
            "          5, 120,         0,         ,         0, Night shift\r\n"
            " 0000000123, 120,        40,     keep,         3, Night shift\r\n"
            "         77,  61,          ,         ,          , Seven\r\n"
            "       1000, 120,       300,         ,          , Night shift\r\n");
  EXPECT_FALSE(users->Modified);
}

}  // namespace
}  // namespace zv
