// The Maintenance menu's Sites and Clocks items open their dialogs on the window's lists.
#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTimer>

#include "app/apptest.h"
#include "dialogs/frmclock.h"
#include "dialogs/frmsite.h"

namespace zv {
namespace {

class SitesClocksMenuTest : public TAppTest {};

TEST_F(SitesClocksMenuTest, ItemsOpenTheirDialogsOnTheWindowsLists) {
  auto w = ShownWindow();
  std::string caption, modems;
  QTimer::singleShot(0, [&] {
    auto* d = qobject_cast<TfrmSite*>(QApplication::activeModalWidget());
    ASSERT_NE(d, nullptr);
    caption = d->windowTitle().toStdString();
    modems = d->cbxInit->itemText(0).toStdString();
    d->cbxSites->setEditText("12");
    d->btnSave->click();
    d->btnClose->click();
  });
  w->mniSites->trigger();
  EXPECT_EQ(caption, "Sites");
  EXPECT_EQ(modems, "AT&F");  // no modem.txt: the one default string
  ASSERT_NE(w->Sites->FindSite("12"), nullptr);

  QTimer::singleShot(0, [&] {
    auto* d = qobject_cast<TfrmClock*>(QApplication::activeModalWidget());
    ASSERT_NE(d, nullptr);
    caption = d->windowTitle().toStdString();
    QCoreApplication::processEvents();
    EXPECT_EQ(d->cbxSites->currentText().toStdString(), "12");
    d->cbxClocks->setEditText("3");
    d->btnSave->click();
    d->btnClose->click();
  });
  w->mniClocks->trigger();
  EXPECT_EQ(caption, "Clocks");
  EXPECT_NE(w->Clocks->FindClock("12", "3"), nullptr);
  EXPECT_NE(w->Configs->FindReaderConfig("12", "3"), nullptr);
  EXPECT_TRUE(boxes.shown.empty());

  // Not while an operation runs.
  w->Busy = true;
  EXPECT_FALSE(AnyOpensADialog({w->mniSites, w->mniClocks}));
}

}  // namespace
}  // namespace zv
