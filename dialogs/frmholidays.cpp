#include "dialogs/frmholidays.h"

#include <QCalendarWidget>
#include <QDate>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/latin1.h"
#include "util/clock.h"
#include "util/msgbox.h"

namespace zv {

TfrmHolidays::TfrmHolidays(QWidget* parent, TZvCfgList& configs)
    : QDialog(parent), configs_(configs) {
  setObjectName("frmHolidays");
  setWindowTitle(QStringLiteral("Holidays"));
  auto button = [this](const char* name, const QString& text) {
    auto* b = new QPushButton(text, this);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
  };

  // Created in reading order, which is the tab order.
  auto* lblHolidays = new QLabel(QStringLiteral("Holidays"), this);
  lstHolidays = new QListWidget(this);
  lstHolidays->setObjectName("lstHolidays");
  lstHolidays->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lblHolidays->setBuddy(lstHolidays);
  lstHolidays->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("00/00")) + 48);
  lstHolidays->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("00/00")) * 3);

  btnDecMonth = button("btnDecMonth", QStringLiteral("<"));
  btnDecMonth->setToolTip(QStringLiteral("previous month"));
  lblMonth = new QLabel(this);
  lblMonth->setObjectName("lblMonth");
  lblMonth->setAlignment(Qt::AlignCenter);
  lblYear = new QLabel(this);
  lblYear->setObjectName("lblYear");
  lblYear->setAlignment(Qt::AlignCenter);
  btnIncMonth = button("btnIncMonth", QStringLiteral(">"));
  btnIncMonth->setToolTip(QStringLiteral("next month"));
  for (QPushButton* b : {btnDecMonth, btnIncMonth})
    b->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("<")) + 24);

  cal = new QCalendarWidget(this);
  cal->setObjectName("cal");
  cal->setFirstDayOfWeek(Qt::Sunday);
  // The month is changed by the buttons above it, and the year stays.
  cal->setNavigationBarVisible(false);
  cal->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
  cal->setHorizontalHeaderFormat(QCalendarWidget::ShortDayNames);

  btnSave = button("btnSave", QStringLiteral("Add"));
  btnDelete = button("btnDelete", QStringLiteral("Remove"));
  btnClose = button("btnClose", QStringLiteral("Close"));
  btnClose->setDefault(true);

  auto* left = new QVBoxLayout;
  left->addWidget(lblHolidays);
  left->addWidget(lstHolidays, 1);
  auto* nav = new QHBoxLayout;
  nav->addWidget(btnDecMonth);
  auto* title = new QVBoxLayout;
  title->addWidget(lblMonth);
  title->addWidget(lblYear);
  nav->addLayout(title, 1);
  nav->addWidget(btnIncMonth);
  auto* right = new QVBoxLayout;
  right->addLayout(nav);
  right->addWidget(cal, 1);
  auto* top = new QHBoxLayout;
  top->addLayout(left);
  top->addLayout(right, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(btnSave);
  buttons->addWidget(btnDelete);
  buttons->addStretch();
  buttons->addWidget(btnClose);
  auto* main = new QVBoxLayout(this);
  main->addLayout(top, 1);
  main->addSpacing(4);
  main->addLayout(buttons);

  connect(cal, &QCalendarWidget::selectionChanged, this, [this] { calChange(); });
  connect(cal, &QCalendarWidget::currentPageChanged, this, [this] { calChange(); });
  connect(btnDecMonth, &QPushButton::clicked, this, [this] { btnDecMonthClick(); });
  connect(btnIncMonth, &QPushButton::clicked, this, [this] { btnIncMonthClick(); });
  connect(btnSave, &QPushButton::clicked, this, [this] { btnSaveClick(); });
  connect(btnDelete, &QPushButton::clicked, this, [this] { btnDeleteClick(); });
  connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);
  connect(lstHolidays, &QListWidget::itemClicked, this, [this] { lstHolidaysClick(); });
  // A click, or arrow keys moving the selection; not the focus arriving in the list.
  connect(lstHolidays, &QListWidget::itemSelectionChanged, this, [this] { lstHolidaysClick(); });

  // FormCreate: 1 January of the current year.
  SetCalendarDate(TCalendarDate{LocalNow().tm_year + 1900, 1, 1});
  calChange();
}

TCalendarDate TfrmHolidays::CalendarDate() const {
  const QDate d = cal->selectedDate();
  return TCalendarDate{d.year(), d.month(), d.day()};
}

void TfrmHolidays::SetCalendarDate(const TCalendarDate& d) {
  const QDate date(d.year, d.month, d.day);
  cal->setSelectedDate(date);
  cal->setCurrentPage(d.year, d.month);
}

void TfrmHolidays::calChange() {
  const QDate d = cal->selectedDate();
  lblYear->setText(QString::number(d.year()));
  lblMonth->setText(QLocale().monthName(d.month(), QLocale::ShortFormat));
}

void TfrmHolidays::btnDecMonthClick() { SetCalendarDate(PreviousMonth(CalendarDate())); }
void TfrmHolidays::btnIncMonthClick() { SetCalendarDate(NextMonth(CalendarDate())); }

void TfrmHolidays::Write() {
  if (!configs_.Save())
    ShowWarning("Unable to save " + configs_.FileName + ": " + configs_.LastError());
}

void TfrmHolidays::btnSaveClick() {
  const TCalendarDate d = CalendarDate();
  int at = 0;
  if (!HolidayAdd(lines_, *configs_.GetHolidays(), d.month, d.day, at)) return;
  {
    const QSignalBlocker block(lstHolidays);
    lstHolidays->insertItem(at, Latin1(lines_[static_cast<std::size_t>(at)]));
  }
  configs_.Modified = true;
  Write();
}

void TfrmHolidays::btnDeleteClick() {
  const TCalendarDate d = CalendarDate();
  int at = 0;
  if (!HolidayRemove(lines_, *configs_.GetHolidays(), d.month, d.day, at)) return;
  {
    const QSignalBlocker block(lstHolidays);
    delete lstHolidays->takeItem(at);
  }
  configs_.Modified = true;
  Write();
}

void TfrmHolidays::lstHolidaysClick() {
  QListWidgetItem* current = lstHolidays->currentItem();
  if (!current) return;
  if (auto d = HolidayCalendarDate(Latin1Bytes(current->text()), LocalNow().tm_year + 1900))
    SetCalendarDate(*d);
}

void TfrmHolidays::FormShow() {
  configs_.GetHolidays()->ListDates(lines_);
  const QSignalBlocker block(lstHolidays);
  lstHolidays->clear();
  for (const std::string& l : lines_) lstHolidays->addItem(Latin1(l));
  lstHolidays->setFocus();
}

void TfrmHolidays::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (shown_) return;
  shown_ = true;
  FormShow();
}

}  // namespace zv
