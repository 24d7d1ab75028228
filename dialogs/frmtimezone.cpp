#include "dialogs/frmtimezone.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "dialogs/dialoglayout.h"
#include "dialogs/selectionbox.h"

namespace zv {

TfrmTimeZone::TfrmTimeZone(QWidget* parent, TZvCfgList& configs)
    : TRecordEditor(parent, "frmTimeZone", "Time Zones"), configs_(configs) {
  // Created in reading order, which is the tab order: each row from its start to "Hol".
  cbxTimeZones = NamedCombo(this, "cbxTimeZones");
  MakeEditable(cbxTimeZones, 2);
  SetCharsWide(cbxTimeZones, 3);
  QBoxLayout* top = KeyRow("Time Zone:", cbxTimeZones);

  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(10);
  auto heading = [this, grid](const char* text, int column) {
    auto* l = new QLabel(QString::fromLatin1(text), this);
    grid->addWidget(l, 0, column, Qt::AlignHCenter);
  };
  heading("Start", 1);
  heading("Stop", 2);
  for (int d = 0; d < 8; ++d) heading(DayColumn(d), d + 3);
  for (int k = 1; k <= TTimeZone::kIntervals; ++k) {
    QLineEdit*& start = edtStartTime[k - 1];
    QLineEdit*& stop = edtEndTime[k - 1];
    start = NamedEdit(this, StartEdit(k).c_str());
    stop = NamedEdit(this, StopEdit(k).c_str());
    for (QLineEdit* e : {start, stop}) {
      e->setMaxLength(5);
      SetCharsWide(e, 5);
    }
    const std::string row = "Time " + std::to_string(k) + ":";
    grid->addWidget(Buddy(row.c_str(), start), k, 0);
    grid->addWidget(start, k, 1);
    grid->addWidget(stop, k, 2);
    for (int d = 0; d < 8; ++d) {
      QCheckBox* box = NamedCheck(this, DayBox(k, d).c_str(), "");
      box->setAccessibleName(QString::fromLatin1(row.c_str()) + QLatin1Char(' ') +
                             QString::fromLatin1(DayColumn(d)));
      CheckBox[k - 1][d] = box;
      grid->addWidget(box, k, d + 3, Qt::AlignHCenter);
    }
  }
  auto* body = new QVBoxLayout;
  body->addLayout(top);
  body->addSpacing(6);
  body->addLayout(grid);
  SetBody(body);

  btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
  btnCancel->setObjectName("btnCancel");
  btnCancel->setAutoDefault(false);
  ButtonRow()->insertWidget(ButtonRow()->count() - 1, btnCancel);

  for (TTimeZone* z : configs_.TimeZones()) AddEntry(cbxTimeZones, z->Number(), z, true);

  for (int k = 0; k < TTimeZone::kIntervals; ++k) {
    WatchEdits({edtStartTime[k], edtEndTime[k]});
    for (QCheckBox* box : CheckBox[k]) WatchEdits({box});
  }
  connect(cbxTimeZones, &QComboBox::activated, this, [this] { cbxTimeZonesClick(); });
  connect(btnCancel, &QPushButton::clicked, this, [this] { btnCancelClick(); });
}

void TfrmTimeZone::showEvent(QShowEvent* e) {
  TRecordEditor::showEvent(e);
  // Cancel sits between Delete and Close in the row, and so in the tab order.
  QWidget::setTabOrder(btnDelete, btnCancel);
  QWidget::setTabOrder(btnCancel, btnClose);
}

void TfrmTimeZone::cbxTimeZonesClick() { PostRefresh(); }

void TfrmTimeZone::btnCancelClick() { PostRefresh(); }

TTimeZoneFields TfrmTimeZone::Fields() const {
  TTimeZoneFields f;
  f.number = TextOf(cbxTimeZones);
  for (int k = 0; k < TTimeZone::kIntervals; ++k) {
    f.start[k] = TextOf(edtStartTime[k]);
    f.stop[k] = TextOf(edtEndTime[k]);
    for (int d = 0; d < 8; ++d) f.days[k][d] = CheckBox[k][d]->isChecked();
  }
  return f;
}

void TfrmTimeZone::ShowFields(const TTimeZoneFields& f) {
  for (int k = 0; k < TTimeZone::kIntervals; ++k) {
    SetText(edtStartTime[k], f.start[k]);
    SetText(edtEndTime[k], f.stop[k]);
    for (int d = 0; d < 8; ++d) CheckBox[k][d]->setChecked(f.days[k][d]);
  }
}

void TfrmTimeZone::Refresh(const TRefresh&) {
  ShowFields(TimeZoneToFields(SelectedRecord<TTimeZone>(cbxTimeZones), Fields()));
}

TCheck TfrmTimeZone::ValidateRecord() { return TimeZoneValidate(Fields()); }

bool TfrmTimeZone::StoreRecord() {
  bool added = false;
  TTimeZone* stored = TimeZoneStore(configs_, TimeZoneFromFields(Fields()),
                                    SelectedRecord<TTimeZone>(cbxTimeZones), added);
  if (added) AddEntry(cbxTimeZones, stored->Number(), stored, true);
  return WriteList(configs_);
}

void TfrmTimeZone::btnDeleteClick() {
  TimeZoneDelete(configs_, TextOf(cbxTimeZones), [this](const TTimeZone* z) {
    const int at = RemoveRecordEntry(cbxTimeZones, z);
    SelectEntry(cbxTimeZones, at > 0 ? at - 1 : -1);
  });
  PostRefresh();
}

}  // namespace zv
