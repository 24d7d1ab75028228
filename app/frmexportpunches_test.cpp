// File > Export Punches: the menu item opens it; it writes the range to the file, lists the
// damaged lines it skipped, and refuses a backward range or no file with a warning.
#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include "app/apptest.h"
#include "app/frmexportpunches.h"

namespace zv {
namespace {

class ExportPunchesTest : public TAppTest {};

TEST_F(ExportPunchesTest, WritesTheRangeAndListsWhatItSkipped) {
  std::string dir = MakeDir("punches");
  WriteFile(dir + "Punch.Log",
            " 1, 2,12,0000000042,          , 8, 5, 3, 1,26,  ,  ,  ,  ,  ,          ,          ,        ,\r\n"
            " 1, 2,12,00000000\x01" "2,          , 8, 5, 3, 1,26,  ,  ,  ,  ,  ,          ,          ,        ,\r\n"
            " 1, 2,13,0000000042,          ,17, 0, 4, 1,26,  ,  ,  ,  ,  ,          ,          ,        ,\r\n");
  WriteFile(dir + "Sys.Log", " 1, 2, 16,0000000042,          , 9:15, 3/ 2/26\r\n");
  TfrmExportPunches d(nullptr, dir, dir);
  d.show();
  d.dtpFrom->setDate(QDate(2026, 3, 1));
  d.dtpTo->setDate(QDate(2026, 3, 31));
  d.chkEvents->setChecked(true);

  d.btnExport->click();  // no file yet
  d.dtpFrom->setDate(QDate(2026, 4, 1));
  d.edtFile->setText(QString::fromStdString(Root() + "out.csv"));
  d.btnExport->click();  // backwards
  ASSERT_EQ(boxes.Texts(), (std::vector<std::string>{"Please choose the file to write.",
                                                     "The first day comes after the last."}));
  EXPECT_FALSE(FileExists(Root() + "out.csv"));

  d.dtpFrom->setDate(QDate(2026, 3, 1));
  d.btnExport->click();
  EXPECT_EQ(boxes.Texts().size(), 2u);
  EXPECT_EQ(ReadFile(Root() + "out.csv"), "date,time,site,clock,user,type,code,data,value\r\n"
                                          "2026-03-01,08:05,1,2,0000000042,7,12,,\r\n"
                                          "2026-03-02,09:15,1,2,0000000042,16,,,\r\n");
  EXPECT_EQ(d.lblResult->text().toStdString(),
            "2 rows exported to " + Root() + "out.csv, 1 damaged line skipped, listed below.");
  EXPECT_TRUE(d.memSkipped->isVisible());
  EXPECT_EQ(d.memSkipped->toPlainText().toStdString(),
            dir + "Punch.Log line 2: no valid user id, skipped\n");
  EXPECT_TRUE(d.isVisible());  // open until closed, the list at hand
}

TEST_F(ExportPunchesTest, TheFileMenuOpensItWithTheWindowsDirectories) {
  auto w = ShownWindow();
  bool seen = false;
  QTimer::singleShot(0, [&] {
    auto* d = w->findChild<TfrmExportPunches*>("frmExportPunches");
    seen = d != nullptr && d->isVisible();
    if (d) d->btnClose->click();
  });
  w->mniExportPunches->trigger();
  EXPECT_TRUE(seen);
}

}  // namespace
}  // namespace zv
