// TfrmHolidays: the Holidays dialog, which marks the days of the year (month and day, no
// year) on which the holiday columns of time zones and bells apply. A day is picked on a
// calendar and added to or removed from the list; every change is written to zv.cfg at once.
#pragma once
#include <QDialog>
#include <string>
#include <vector>

#include "data/zvcfglist.h"
#include "dialogs/holidayfields.h"

class QCalendarWidget;
class QLabel;
class QListWidget;
class QPushButton;

namespace zv {

class TfrmHolidays : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmHolidays(QWidget* parent, TZvCfgList& configs);

  void calChange();
  void btnDecMonthClick();
  void btnIncMonthClick();
  // Add and Remove act on the calendar's day, not on the lines selected in the list.
  void btnSaveClick();
  void btnDeleteClick();
  void lstHolidaysClick();

  // The calendar's day.
  TCalendarDate CalendarDate() const;
  void SetCalendarDate(const TCalendarDate& d);

  QListWidget* lstHolidays;
  QCalendarWidget* cal;
  QLabel* lblYear;
  QLabel* lblMonth;
  QPushButton* btnDecMonth;
  QPushButton* btnIncMonth;
  QPushButton* btnSave;
  QPushButton* btnDelete;
  QPushButton* btnClose;

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  void FormShow();
  void Write();

  TZvCfgList& configs_;
  // The list's lines, kept in the order the list shows them.
  std::vector<std::string> lines_;
  bool shown_ = false;
};

}  // namespace zv
