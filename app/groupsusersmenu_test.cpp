// The Maintenance menu's Groups and Users items open their dialogs on the window's lists.
#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTimer>

#include "app/apptest.h"
#include "dialogs/frmgroups.h"
#include "dialogs/frmusers.h"

namespace zv {
namespace {

class GroupsUsersMenuTest : public TAppTest {};

TEST_F(GroupsUsersMenuTest, ItemsOpenTheirDialogsOnTheWindowsLists) {
  auto w = ShownWindow();
  std::string caption;
  QTimer::singleShot(0, [&] {
    auto* d = qobject_cast<TfrmUsers*>(QApplication::activeModalWidget());
    ASSERT_NE(d, nullptr);
    caption = d->windowTitle().toStdString();
    d->cbxUsers->setEditText("4711");
    d->btnSave->click();
    d->btnClose->click();
  });
  w->mniUsers->trigger();
  EXPECT_EQ(caption, "Users");
  EXPECT_NE(w->Users->FindUser("4711"), nullptr);

  QTimer::singleShot(0, [&] {
    auto* d = qobject_cast<TfrmGroups*>(QApplication::activeModalWidget());
    ASSERT_NE(d, nullptr);
    caption = d->windowTitle().toStdString();
    d->btnClose->click();
  });
  w->mniGroups->trigger();
  EXPECT_EQ(caption, "Groups");
  EXPECT_TRUE(boxes.shown.empty());

  // Not while an operation runs.
  w->Busy = true;
  EXPECT_FALSE(AnyOpensADialog({w->mniUsers, w->mniGroups}));
}

}  // namespace
}  // namespace zv
