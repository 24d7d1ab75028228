// The Maintenance menu's Time Zones, Bells and Holidays items open their dialogs on the
// window's configuration list.
#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "app/apptest.h"
#include "dialogs/frmbells.h"
#include "dialogs/frmholidays.h"
#include "dialogs/frmtimezone.h"

namespace zv {
namespace {

class TzBellsMenuTest : public TAppTest {};

TEST_F(TzBellsMenuTest, ItemsOpenTheirDialogsOnTheConfigurationList) {
  auto w = ShownWindow();
  std::vector<std::string> captions;
  QTimer::singleShot(0, [&] {
    auto* d = qobject_cast<TfrmTimeZone*>(QApplication::activeModalWidget());
    ASSERT_NE(d, nullptr);
    captions.push_back(d->windowTitle().toStdString());
    d->cbxTimeZones->setEditText("5");
    d->edtStartTime[0]->setText("8");
    d->edtEndTime[0]->setText("9");
    d->btnSave->click();
    d->btnClose->click();
  });
  w->mniTimeZones->trigger();
  QTimer::singleShot(0, [&] {
    auto* d = qobject_cast<TfrmBells*>(QApplication::activeModalWidget());
    ASSERT_NE(d, nullptr);
    captions.push_back(d->windowTitle().toStdString());
    d->cbxBells->setEditText("3");
    d->edtTime->setText("8");
    d->edtDuration->setText("5");
    d->CheckBox[1]->setChecked(true);
    d->btnSave->click();
    d->btnClose->click();
  });
  w->mniBells->trigger();
  QTimer::singleShot(0, [&] {
    auto* d = qobject_cast<TfrmHolidays*>(QApplication::activeModalWidget());
    ASSERT_NE(d, nullptr);
    captions.push_back(d->windowTitle().toStdString());
    d->cal->setSelectedDate(QDate(2026, 12, 25));
    d->btnSave->click();
    d->btnClose->click();
  });
  w->mniHolidays->trigger();
  EXPECT_EQ(captions, (std::vector<std::string>{"Time Zones", "Bells", "Holidays"}));
  EXPECT_TRUE(boxes.shown.empty()) << boxes.Texts().front();
  ASSERT_NE(w->Configs->FindTimeZone("5"), nullptr);
  ASSERT_NE(w->Configs->FindBellSchedule("3"), nullptr);
  EXPECT_TRUE(w->Configs->GetHolidays()->IsHoliday(12, 25));

  // Not while an operation runs.
  w->Busy = true;
  EXPECT_FALSE(AnyOpensADialog({w->mniTimeZones, w->mniBells, w->mniHolidays}));
}

}  // namespace
}  // namespace zv
