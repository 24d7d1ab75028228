#include "dialogs/frmclock.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "dialogs/dialoglayout.h"
#include "dialogs/selectionbox.h"

namespace zv {

namespace {

// Radio buttons of one group that may both be clear ("not set").
void SetRadios(QRadioButton* a, bool onA, QRadioButton* b, bool onB) {
  for (QRadioButton* r : {a, b}) r->setAutoExclusive(false);
  a->setChecked(onA);
  b->setChecked(onB && !onA);
  for (QRadioButton* r : {a, b}) r->setAutoExclusive(true);
}

Qt::CheckState CheckStateOf(TTriState t) {
  return t == TTriState::Grey ? Qt::PartiallyChecked
                              : t == TTriState::Checked ? Qt::Checked : Qt::Unchecked;
}

TTriState TriStateOf(Qt::CheckState s) {
  return s == Qt::PartiallyChecked ? TTriState::Grey
                                   : s == Qt::Checked ? TTriState::Checked : TTriState::Unchecked;
}

}  // namespace

TfrmClock::TfrmClock(QWidget* parent, TClockList& clocks, TZvCfgList& configs,
                     TSiteList* sites, TGroupList* groups, const std::string& dataPath)
    : TRecordEditor(parent, "frmClock", "Clocks"),
      clocks_(clocks),
      configs_(configs),
      groups_(groups) {
  // Created in reading order, which is the tab order.
  cbxSites = NamedCombo(this, "cbxSites");
  SetCharsWide(cbxSites, 5);
  cbxClocks = NamedCombo(this, "cbxClocks");
  MakeEditable(cbxClocks);
  SetCharsWide(cbxClocks, 4);
  edtComment = NamedEdit(this, "edtComment");
  SetCharsWide(edtComment, 20);
  auto* top = new QHBoxLayout;
  top->addWidget(Buddy("Site:", cbxSites));
  top->addWidget(cbxSites);
  top->addSpacing(8);
  top->addWidget(Buddy("Clock No:", cbxClocks));
  top->addWidget(cbxClocks);
  top->addSpacing(8);
  top->addWidget(Buddy("Comment:", edtComment));
  top->addWidget(edtComment, 1);

  grpPassword = NamedGroup(this, "grpPassword", "Passwords");
  auto* pw = new QFormLayout(grpPassword);
  AddEditRows(grpPassword, pw, 8,
              {{&edtSecurity, "edtSecurity", "Security:"},
               {&edtEnroll, "edtEnroll", "Enrollment:"},
               {&edtManage, "edtManage", "Management:"},
               {&edtSetup, "edtSetup", "Setup:"},
               {&edtService, "edtService", "Service:"}});
  pw->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);

  auto* settings = new QFormLayout;
  AddEditRows(this, settings, 6,
              {{&edtReject, "edtReject", "Reject Threshold:"},
               {&edtLock, "edtLock", "Lock Control:"},
               {&edtIdLen, "edtIdLen", "ID Length:"},
               {&edtTries, "edtTries", "Access Tries:"}});
  cbxBell = NamedCombo(this, "cbxBell");
  SetCharsWide(cbxBell, 6);
  for (TBellSchedule* b : configs_.BellSchedules()) AddEntry(cbxBell, b->Number(), b);
  settings->addRow(Buddy("Bell Schedule:", cbxBell), cbxBell);
  cbxFKey = NamedCombo(this, "cbxFKey");
  SetCharsWide(cbxFKey, 10);
  for (const std::string& f : MenuFileEntries(dataPath)) AddEntry(cbxFKey, f);
  settings->addRow(Buddy("Function Keys:", cbxFKey), cbxFKey);

  grpDisplay = NamedGroup(this, "grpDisplay", "Display");
  rad12 = NamedRadio(grpDisplay, "rad12", "12 Hour");
  rad24 = NamedRadio(grpDisplay, "rad24", "24 Hour");
  auto* display = new QVBoxLayout(grpDisplay);
  display->addWidget(rad12);
  display->addWidget(rad24);

  grpPunch = NamedGroup(this, "grpPunch", "Punch Mode");
  chkExplicit = NamedCheck(grpPunch, "chkExplicit", "Explicit Punch");
  chkDept = NamedCheck(grpPunch, "chkDept", "Department Code");
  auto* punch = new QVBoxLayout(grpPunch);
  punch->addWidget(chkExplicit);
  punch->addWidget(chkDept);

  grpBeeper = NamedGroup(this, "grpBeeper", "Keypad Beeper");
  chkBeeper = NamedCheck(grpBeeper, "chkBeeper", "");
  chkBeeper->setTristate(true);
  chkBeeper->setAccessibleName("Keypad Beeper");
  auto* beeper = new QVBoxLayout(grpBeeper);
  beeper->addWidget(chkBeeper);

  grpDST = NamedGroup(this, "grpDST", "Daylight Savings Time");
  auto* dst = new QGridLayout(grpDST);
  const char* columns[] = {"Month", "Day", "Hour", "Minute"};
  for (int c = 0; c < 4; ++c) dst->addWidget(new QLabel(columns[c], grpDST), 0, c + 1);
  QLineEdit** rows[2][4] = {{&edtDSTOnMonth, &edtDSTOnDay, &edtDSTOnHour, &edtDSTOnMin},
                            {&edtDSTOffMonth, &edtDSTOffDay, &edtDSTOffHour, &edtDSTOffMin}};
  for (int r = 0; r < 2; ++r) {
    for (int c = 0; c < 4; ++c) {
      *rows[r][c] = NamedEdit(grpDST, DlsEdit(r, c));
      SetCharsWide(*rows[r][c], 4, true);
      dst->addWidget(*rows[r][c], r + 1, c + 1);
    }
    dst->addWidget(Buddy(r == 0 ? "On:" : "Off:", *rows[r][0]), r + 1, 0);
  }
  dst->setColumnStretch(5, 1);

  auto* options = new QVBoxLayout;
  options->addWidget(grpDisplay);
  options->addWidget(grpPunch);
  options->addWidget(grpBeeper);
  options->addStretch();
  auto* middle = new QHBoxLayout;
  middle->addWidget(grpPassword);
  middle->addLayout(settings);
  middle->addLayout(options);
  auto* body = new QVBoxLayout;
  body->addLayout(top);
  body->addLayout(middle);
  body->addWidget(grpDST);
  SetBody(body);

  if (sites) {
    std::vector<TSite*> all;
    sites->GetSites(all);
    for (TSite* s : all) AddEntry(cbxSites, s->Site(), s, true);
  }
  SetRadios(rad12, false, rad24, false);
  chkBeeper->setCheckState(Qt::PartiallyChecked);

  WatchEdits({edtComment, edtSecurity, edtEnroll, edtManage, edtSetup, edtService, edtReject,
              edtLock, edtIdLen, edtTries, cbxBell, cbxFKey, edtDSTOnMonth, edtDSTOnDay,
              edtDSTOnHour, edtDSTOnMin, edtDSTOffMonth, edtDSTOffDay, edtDSTOffHour,
              edtDSTOffMin, chkBeeper, chkExplicit, chkDept, rad12, rad24});
  connect(cbxSites, &QComboBox::activated, this, [this] { cbxSitesClick(); });
  connect(cbxClocks, &QComboBox::activated, this, [this] { cbxClocksClick(); });
}

std::array<QLineEdit*, 5> TfrmClock::Passwords() const {
  return {edtService, edtSetup, edtManage, edtEnroll, edtSecurity};
}

std::array<std::array<QLineEdit*, 4>, 2> TfrmClock::DlsRows() const {
  return {{{edtDSTOnMonth, edtDSTOnDay, edtDSTOnHour, edtDSTOnMin},
           {edtDSTOffMonth, edtDSTOffDay, edtDSTOffHour, edtDSTOffMin}}};
}

void TfrmClock::cbxSitesClick() { PostRefresh(cbxSites); }
void TfrmClock::cbxClocksClick() { PostRefresh(cbxClocks); }

TClockFields TfrmClock::Fields() const {
  TClockFields f;
  f.site = TextOf(cbxSites);
  f.clock = TextOf(cbxClocks);
  f.clockSelected = SelectedIndex(cbxClocks) >= 0;
  f.fkey = TextOf(cbxFKey);
  f.comment = TextOf(edtComment);
  for (int i = 0; i < 5; ++i) f.passwords[i] = TextOf(Passwords()[i]);
  f.reject = TextOf(edtReject);
  f.lock = TextOf(edtLock);
  f.idLen = TextOf(edtIdLen);
  f.tries = TextOf(edtTries);
  f.beeper = TriStateOf(chkBeeper->checkState());
  f.explicitPunch = chkExplicit->isChecked();
  f.dept = chkDept->isChecked();
  f.rad12 = rad12->isChecked();
  f.rad24 = rad24->isChecked();
  f.bell = TextOf(cbxBell);
  for (int c = 0; c < 4; ++c) {
    f.dlsOn[c] = TextOf(DlsRows()[0][c]);
    f.dlsOff[c] = TextOf(DlsRows()[1][c]);
  }
  return f;
}

void TfrmClock::ShowFields(const TClockFields& f) {
  if (f.clock.empty() && !f.clockSelected) SelectEntry(cbxClocks, -1);
  SelectEntry(cbxFKey, FindEntry(cbxFKey, f.fkey, true));
  SetText(edtComment, f.comment);
  for (int i = 0; i < 5; ++i) SetText(Passwords()[i], f.passwords[i]);
  SetText(edtReject, f.reject);
  SetText(edtLock, f.lock);
  SetText(edtIdLen, f.idLen);
  SetText(edtTries, f.tries);
  chkBeeper->setCheckState(CheckStateOf(f.beeper));
  chkExplicit->setChecked(f.explicitPunch);
  chkDept->setChecked(f.dept);
  SetRadios(rad12, f.rad12, rad24, f.rad24);
  SelectEntry(cbxBell, f.bell.empty() ? -1 : FindEntry(cbxBell, f.bell));
  for (int c = 0; c < 4; ++c) {
    SetText(DlsRows()[0][c], f.dlsOn[c]);
    SetText(DlsRows()[1][c], f.dlsOff[c]);
  }
}

void TfrmClock::ShowClock(const TClock* clock) {
  const TReaderConfig* config =
      clock ? configs_.FindReaderConfig(clock->Site(), clock->Clock()) : nullptr;
  ShowFields(ClockToFields(clock, config, Fields()));
}

void TfrmClock::Refresh(const TRefresh& p) {
  if (p.control == cbxSites) {
    {
      const QSignalBlocker block(cbxClocks);
      cbxClocks->clear();
    }
    if (SelectedIndex(cbxSites) < 0) return;
    std::vector<std::pair<std::string, TClock*>> names;
    clocks_.GetClockNames(Trimmed(TextOf(cbxSites)), names);
    for (auto& [number, clock] : names) AddEntry(cbxClocks, number, clock);
    PostRefresh(cbxClocks);
  } else if (p.control == cbxClocks) {
    if (cbxClocks->count() == 0) {
      ShowClock(nullptr);
      return;
    }
    if (SelectedIndex(cbxClocks) < 0) SelectEntry(cbxClocks, 0);
    ShowClock(SelectedRecord<TClock>(cbxClocks));
  } else {
    ShowClock(nullptr);
  }
}

TCheck TfrmClock::ValidateRecord() { return ClockValidate(Fields()); }

bool TfrmClock::StoreRecord() {
  const auto [clock, config] = ClockFromFields(Fields());
  bool added = false;
  TClock* stored =
      ClockStore(clocks_, configs_, clock, config, SelectedRecord<TClock>(cbxClocks), added);
  if (added) AddEntry(cbxClocks, stored->Clock(), stored);
  // Both files, also when the first cannot be written: each holds its own records.
  const bool clocksWritten = WriteList(clocks_);
  const bool configsWritten = WriteList(configs_);
  return clocksWritten && configsWritten;
}

void TfrmClock::btnNewClick() {
  if (QuerySave() == mbCancel) return;
  SelectEntry(cbxClocks, -1);
  PostRefresh();
}

void TfrmClock::btnDeleteClick() {
  const bool refresh = ClockDelete(clocks_, configs_, groups_, TextOf(cbxSites),
                                   TextOf(cbxClocks), [this](const TClock* c) {
                                     RemoveRecordEntry(cbxClocks, c);
                                     SelectEntry(cbxClocks, cbxClocks->count() > 0 ? 0 : -1);
                                   });
  if (refresh) PostRefresh(cbxClocks);
}

}  // namespace zv
