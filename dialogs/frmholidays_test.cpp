// The Holidays dialog through its real widgets, on a hand-edited zv.cfg.
#include "dialogs/frmholidays.h"

#include <QCalendarWidget>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "dialogs/dialogtest.h"
#include "util/clock.h"

namespace zv {
namespace {

class FrmHolidays : public TDialogTest {
 protected:
  void Open() {
    configs = std::make_unique<TZvCfgList>(Path("zv.cfg"));
    dlg = std::make_unique<TfrmHolidays>(nullptr, *configs);
    dlg->show();
    Settle();
    lst = Child<QListWidget>(dlg.get(), "lstHolidays");
  }
  void Click(const char* button) {
    Child<QPushButton>(dlg.get(), button)->click();
    Settle();
  }
  std::vector<std::string> Lines() const {
    std::vector<std::string> v;
    for (int i = 0; i < lst->count(); ++i) v.push_back(lst->item(i)->text().toStdString());
    return v;
  }
  void ClickLine(const std::string& text) {
    const auto found = lst->findItems(QString::fromStdString(text), Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << text;
    lst->setCurrentItem(found.front());
    emit lst->itemClicked(found.front());
    Settle();
  }
  std::string Label(const char* name) {
    return Child<QLabel>(dlg.get(), name)->text().toStdString();
  }
  // 15 June 2026, noon: a year without 29 February.
  TTestClock clock{std::time_t{1781524800}};
  std::unique_ptr<TZvCfgList> configs;
  std::unique_ptr<TfrmHolidays> dlg;
  QListWidget* lst = nullptr;
};

TEST_F(FrmHolidays, WalkThroughTheControls) {
  Write("zv.cfg", "#holiday\r\n12 25\r\n2 29 30\r\n7 4\r\n#end\r\n");
  Open();
  EXPECT_EQ(Lines(), (std::vector<std::string>{"02/29", "02/30", "07/04", "12/25"}));
  EXPECT_EQ(FocusName(dlg.get()), "lstHolidays");
  auto* cal = Child<QCalendarWidget>(dlg.get(), "cal");
  EXPECT_EQ(cal->selectedDate(), QDate(2026, 1, 1));
  EXPECT_EQ(Label("lblYear"), "2026");
  EXPECT_EQ(Label("lblMonth"), QLocale().monthName(1, QLocale::ShortFormat).toStdString());

  // From January "previous month" shows December of the same year.
  Click("btnDecMonth");
  EXPECT_EQ(cal->selectedDate(), QDate(2026, 12, 1));
  EXPECT_EQ(Label("lblYear"), "2026");
  Click("btnIncMonth");
  EXPECT_EQ(cal->selectedDate(), QDate(2026, 1, 1));

  // A listed day on the calendar, then removed.
  ClickLine("07/04");
  EXPECT_EQ(cal->selectedDate(), QDate(2026, 7, 4));
  Click("btnDelete");
  EXPECT_EQ(Lines(), (std::vector<std::string>{"02/29", "02/30", "12/25"}));
  // 02/29 goes to the next leap year, so that Remove takes it too.
  ClickLine("02/29");
  EXPECT_EQ(cal->selectedDate(), QDate(2028, 2, 29));
  EXPECT_EQ(Label("lblYear"), "2028");
  Click("btnDelete");
  // 02/30 is on no calendar: the calendar stays, and Remove does not take another day.
  ClickLine("02/30");
  EXPECT_EQ(cal->selectedDate(), QDate(2028, 2, 29));
  Click("btnDelete");
  EXPECT_EQ(Lines(), (std::vector<std::string>{"02/30", "12/25"}));
  EXPECT_EQ(Read("zv.cfg"), ".Zorvan Configurations\r\n\r\n#holiday\r\n2 30\r\n12 25\r\n#end\r\n\r\n");

  // Added in any order, listed in month and day order, each once; written at once.
  cal->setSelectedDate(QDate(2026, 12, 25));
  Click("btnSave");
  cal->setSelectedDate(QDate(2026, 1, 1));
  Click("btnSave");
  Click("btnSave");
  EXPECT_EQ(Lines(), (std::vector<std::string>{"01/01", "02/30", "12/25"}));
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(Read("zv.cfg"),
            ".Zorvan Configurations\r\n\r\n#holiday\r\n1 1\r\n2 30\r\n12 25\r\n#end\r\n\r\n");
  // Removing a day that is not listed changes nothing.
  cal->setSelectedDate(QDate(2026, 3, 1));
  Click("btnDelete");
  EXPECT_EQ(lst->count(), 3);
  Click("btnClose");
  EXPECT_FALSE(dlg->isVisible());
}

TEST_F(FrmHolidays, NoHolidayTableYet) {
  Write("zv.cfg", "#tz 1\r\n08:00 09:00 2\r\n#end\r\n");
  Open();
  EXPECT_EQ(lst->count(), 0);
  Child<QCalendarWidget>(dlg.get(), "cal")->setSelectedDate(QDate(2026, 5, 1));
  Click("btnSave");
  TZvCfgList reread(Path("zv.cfg"));
  std::vector<std::string> dates;
  reread.GetHolidays()->ListDates(dates);
  EXPECT_EQ(dates, std::vector<std::string>{"05/01"});
  EXPECT_NE(reread.FindTimeZone("1"), nullptr);
}

}  // namespace
}  // namespace zv
