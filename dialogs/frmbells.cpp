#include "dialogs/frmbells.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

#include "dialogs/dialoglayout.h"
#include "dialogs/selectionbox.h"
#include "dialogs/timezonefields.h"

namespace zv {

TfrmBells::TfrmBells(QWidget* parent, TZvCfgList& configs)
    : TRecordEditor(parent, "frmBells", "Bells"), configs_(configs) {
  // Created in reading order, which is the tab order.
  cbxBells = NamedCombo(this, "cbxBells");
  MakeEditable(cbxBells, 5);
  SetCharsWide(cbxBells, 6);
  QBoxLayout* top = KeyRow("Bell Schedule:", cbxBells);

  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(10);
  edtTime = NamedEdit(this, "edtTime");
  edtDuration = NamedEdit(this, "edtDuration");
  for (QLineEdit* e : {edtTime, edtDuration}) SetShortEdit(e, 5);
  grid->addWidget(Buddy("Time", edtTime), 0, 0, Qt::AlignHCenter);
  grid->addWidget(Buddy("Duration", edtDuration), 0, 1, Qt::AlignHCenter);
  grid->addWidget(edtTime, 1, 0);
  grid->addWidget(edtDuration, 1, 1);
  for (int d = 0; d < 8; ++d) {
    CheckBox[d] = NamedCheck(this, BellDayBox(d).c_str(), "");
    CheckBox[d]->setAccessibleName(QString::fromLatin1(DayColumn(d)));
    grid->addWidget(new QLabel(QString::fromLatin1(DayColumn(d)), this), 0, d + 2,
                    Qt::AlignHCenter);
    grid->addWidget(CheckBox[d], 1, d + 2, Qt::AlignHCenter);
  }
  grid->setColumnStretch(10, 1);

  // The list lines are columns of characters, so list and heading share a fixed-pitch font.
  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  fixed.setPointSizeF(font().pointSizeF());
  lblHeading = new QLabel(QString::fromLatin1(BellListHeading().c_str()), this);
  lblHeading->setFont(fixed);
  lstBells = new QListWidget(this);
  lstBells->setObjectName("lstBells");
  lstBells->setFont(fixed);
  const int lineWidth =
      QFontMetrics(fixed).horizontalAdvance(QString(BellListHeading().size() + 2, QLatin1Char('0')));
  lstBells->setMinimumWidth(lineWidth + 2 * lstBells->frameWidth() + 24);
  lstBells->setMinimumHeight(QFontMetrics(fixed).height() * 10);
  lblHeading->setContentsMargins(lstBells->frameWidth() + 2, 0, 0, 0);

  auto* body = new QVBoxLayout;
  body->addLayout(top);
  body->addSpacing(6);
  body->addLayout(grid);
  body->addSpacing(6);
  body->addWidget(lblHeading);
  body->setSpacing(4);
  body->addWidget(lstBells, 1);
  SetBody(body);

  for (TBellSchedule* s : configs_.BellSchedules()) AddEntry(cbxBells, s->Number(), s, true);

  // Only a failed save sets Modified here, so no control is watched.
  connect(cbxBells, &QComboBox::activated, this, [this] { cbxBellsClick(); });
  connect(lstBells, &QListWidget::itemClicked, this, [this] { lstBellsClick(); });
  // A click, or arrow keys moving the selection; not the focus arriving in the list.
  connect(lstBells, &QListWidget::itemSelectionChanged, this, [this] {
    if (lstBells->currentRow() >= 0) lstBellsClick();
  });
  focusWatch_ = connect(qApp, &QApplication::focusChanged, this,
                        [this](QWidget* old, QWidget*) { OnExitControl(old); });
}

// The controls are freed after this part of the dialog, and each one freed may move the
// focus: the watch must end first.
TfrmBells::~TfrmBells() { disconnect(focusWatch_); }

void TfrmBells::OnExitControl(QWidget* old) {
  if (!old || !isAncestorOf(old)) return;
  // The edit inside an editable combo box stands for the box.
  for (QWidget* p = old->parentWidget(); p && p != this; p = p->parentWidget())
    if (qobject_cast<QComboBox*>(p)) old = p;
  lastLeft_ = old;
}

void TfrmBells::cbxBellsClick() {
  itemToShow_ = nullptr;
  PostRefresh(TRefresh{nullptr, SelectedRecord<TBellSchedule>(cbxBells)});
}

void TfrmBells::lstBellsClick() {
  PostRefresh(TRefresh{nullptr, SelectedRecord<TBell>(lstBells)});
}

void TfrmBells::btnNewClick() { PostRefresh(); }

TBellFields TfrmBells::Fields() const {
  TBellFields f;
  f.schedule = TextOf(cbxBells);
  f.time = TextOf(edtTime);
  f.duration = TextOf(edtDuration);
  for (int d = 0; d < 8; ++d) f.days[d] = CheckBox[d]->isChecked();
  return f;
}

void TfrmBells::ShowFields(const TBellFields& f) {
  SetText(edtTime, f.time);
  SetText(edtDuration, f.duration);
  for (int d = 0; d < 8; ++d) CheckBox[d]->setChecked(f.days[d]);
}

void TfrmBells::ListItems(const TBellSchedule* schedule) {
  const QSignalBlocker block(lstBells);
  lstBells->clear();
  if (!schedule) return;
  for (const auto& [line, bell] : schedule->DisplayLines()) AddEntry(lstBells, line, bell, true);
}

void TfrmBells::Refresh(const TRefresh& p) {
  // The record is known by the entry that carries it, so a record freed since the refresh
  // was posted is never touched.
  TBell* bell = nullptr;
  TBellSchedule* schedule = nullptr;
  if (int i = IndexOfRecord(lstBells, p.record); i >= 0)
    bell = static_cast<TBell*>(EntryRecord(lstBells, i));
  else if (int j = IndexOfRecord(cbxBells, p.record); j >= 0)
    schedule = static_cast<TBellSchedule*>(EntryRecord(cbxBells, j));
  if (bell) {
    itemToShow_ = bell;
  } else if (schedule) {
    SelectEntry(cbxBells, IndexOfRecord(cbxBells, schedule));
    ListItems(schedule);
  } else {
    // Nothing, or the box: no schedule picked lists nothing.
    if (!p.control) SelectEntry(cbxBells, -1);
    ListItems(nullptr);
    if (cbxBells->count() == 0) SetText(cbxBells, "");
    else ListItems(SelectedRecord<TBellSchedule>(cbxBells));
  }
  // A bell stays listed while shown; one gone meanwhile is not shown.
  if (itemToShow_ && IndexOfRecord(lstBells, itemToShow_) < 0) itemToShow_ = nullptr;
  ShowFields(BellToFields(itemToShow_, Fields()));
  itemToShow_ = nullptr;
}

TCheck TfrmBells::ValidateRecord() { return BellValidate(Fields()); }

bool TfrmBells::StoreRecord() {
  const TBellFields f = Fields();
  const TBellStored s = BellStore(configs_, f.schedule, BellFromFields(f),
                                  SelectedRecord<TBellSchedule>(cbxBells),
                                  SelectedRecord<TBell>(lstBells));
  if (s.scheduleAdded) AddEntry(cbxBells, s.schedule->Number(), s.schedule, true);
  const bool written = WriteList(configs_);
  itemToShow_ = s.bell;
  PostRefresh(TRefresh{nullptr, s.schedule});
  return written;
}

void TfrmBells::btnDeleteClick() {
  TBellSchedule* schedule = SelectedRecord<TBellSchedule>(cbxBells);
  if (!lastLeft_ || !schedule) return;
  if (lastLeft_ == cbxBells) {
    if (!BellDeleteSchedule(configs_, schedule, [this](const TBellSchedule* s) {
          const int at = RemoveRecordEntry(cbxBells, s);
          SelectEntry(cbxBells, cbxBells->count() == 0 ? -1 : at > 0 ? at - 1 : 0);
        }))
      return;
    WriteList(configs_);
    PostRefresh(TRefresh{nullptr, SelectedRecord<TBellSchedule>(cbxBells)});
    return;
  }
  if (!BellDeleteItem(configs_, *schedule, TextOf(edtTime), [this](const TBell* b) {
        const QSignalBlocker block(lstBells);
        delete lstBells->takeItem(IndexOfRecord(lstBells, b));
      }))
    return;
  WriteList(configs_);
  PostRefresh(TRefresh{nullptr, schedule});
}

}  // namespace zv
