#include "app/frmoption.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVariant>

#include "app/latin1.h"
#include "data/clock.h"
#include "data/clocklist.h"
#include "data/site.h"
#include "data/sitelist.h"
#include "reader/commands.h"
#include "util/msgbox.h"
#include "util/text.h"

#include <algorithm>

namespace zv {

namespace {
// Where each site entry keeps its number text ("All" for all).
constexpr int kNumberRole = Qt::UserRole + 1;
}  // namespace

TfrmOption::TfrmOption(QWidget* parent, TSiteList* sites, TClockList* clocks)
    : QDialog(parent), clocks_(clocks) {
  setObjectName("frmOption");
  auto* grid = new QGridLayout(this);
  auto* lblSite = new QLabel("Site:", this);
  auto* lblClock = new QLabel("Clock:", this);
  cbxSite = new QComboBox(this);
  cbxSite->setObjectName("cbxSite");
  cbxSite->setEditable(false);
  cbxClock = new QComboBox(this);
  cbxClock->setObjectName("cbxClock");
  cbxClock->setEditable(false);
  Button1 = new QPushButton("OK", this);
  Button1->setObjectName("Button1");
  Button1->setDefault(true);
  Button2 = new QPushButton("Cancel", this);
  Button2->setObjectName("Button2");
  grid->addWidget(lblSite, 0, 0);
  grid->addWidget(cbxSite, 0, 1);
  grid->addWidget(lblClock, 1, 0);
  grid->addWidget(cbxClock, 1, 1);
  auto* buttons = new QHBoxLayout();
  buttons->addStretch();
  buttons->addWidget(Button1);
  buttons->addWidget(Button2);
  grid->addLayout(buttons, 2, 0, 1, 2);
  layout()->setSizeConstraint(QLayout::SetFixedSize);

  cbxSite->addItem("All", QVariant::fromValue<quintptr>(0));
  cbxSite->setItemData(0, QStringLiteral("All"), kNumberRole);
  int widest = 0;
  if (sites) {
    for (TSite* s : sites->GetSites()) {
      QString text = EntryText(s->Site(), s->Description());
      cbxSite->addItem(text, QVariant::fromValue(reinterpret_cast<quintptr>(s)));
      cbxSite->setItemData(cbxSite->count() - 1, Latin1(s->Site()), kNumberRole);
      widest = std::max(widest, int(text.size()));
      if (clocks) {
        for (TClock* c : clocks->GetClocks(s->Site()))
          widest = std::max(widest, int(EntryText(c->Clock(), c->Comment()).size()));
      }
    }
  }
  // Both boxes as wide as the longest entry of either (within reason), so that the dialog
  // keeps its size while the clock box is filled anew for each site.
  for (QComboBox* box : {cbxSite, cbxClock}) {
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(std::clamp(widest, 12, 48));
  }
  cbxSite->setCurrentIndex(0);
  cbxSiteChange();
  connect(cbxSite, qOverload<int>(&QComboBox::currentIndexChanged), this,
          &TfrmOption::cbxSiteChange);
  connect(Button1, &QPushButton::clicked, this, &TfrmOption::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
}

QString TfrmOption::EntryText(const std::string& number, const std::string& description) {
  std::string d = TrimBlanks(description);
  if (d.empty()) return Latin1(number);
  return Latin1(number + "  " + d);
}

void TfrmOption::cbxSiteChange() {
  cbxClock->clear();
  cbxClock->addItem("All", QStringLiteral("All"));
  auto* site = reinterpret_cast<TSite*>(cbxSite->currentData().value<quintptr>());
  if (site && clocks_) {
    for (TClock* c : clocks_->GetClocks(site->Site()))
      cbxClock->addItem(EntryText(c->Clock(), c->Comment()), Latin1(c->Clock()));
  }
  cbxClock->setCurrentIndex(0);
  // The list may be wider than the box: long descriptions are shown whole there.
  for (QComboBox* box : {cbxSite, cbxClock})
    box->view()->setMinimumWidth(box->view()->sizeHintForColumn(0) + 24);
}

void TfrmOption::Button1Click() {
  // The number of each entry, as the boxes showed it before descriptions were added.
  bool clockWithoutSite = false;
  std::string sel = SelectionFromChoice(Latin1Bytes(cbxSite->currentData(kNumberRole).toString()),
                                        Latin1Bytes(cbxClock->currentData().toString()),
                                        &clockWithoutSite);
  if (clockWithoutSite) {
    ShowWarning("You have selected a clock. Please select a site");
    return;
  }
  Selection = sel;
  accept();
}

void TfrmOption::changeEvent(QEvent* e) {
  QDialog::changeEvent(e);
  if (e->type() != QEvent::WindowTitleChange) return;
  // Title bars commonly use a bold face, and keep room for their buttons. The layout fixes
  // the dialog's size, so the room goes to the column of the boxes.
  QFont f = font();
  f.setBold(true);
  int needed = QFontMetrics(f).horizontalAdvance(windowTitle()) + 140;
  auto* grid = static_cast<QGridLayout*>(layout());
  QLayoutItem* label = grid->itemAtPosition(0, 0);
  QMargins m = grid->contentsMargins();
  int other = (label ? label->sizeHint().width() : 0) + grid->horizontalSpacing() + m.left() + m.right();
  grid->setColumnMinimumWidth(1, std::max(0, needed - other));
}

}  // namespace zv
