#include "app/frmoption.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVariant>

#include "app/latin1.h"
#include "reader/commands.h"
#include "reader/records.h"
#include "util/msgbox.h"

namespace zv {

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
  if (sites) {
    for (TSite* s : SitesOf(*sites))
      cbxSite->addItem(Latin1(SiteNo(*s)), QVariant::fromValue(reinterpret_cast<quintptr>(s)));
  }
  cbxSite->setCurrentIndex(0);
  cbxSiteChange();
  connect(cbxSite, qOverload<int>(&QComboBox::currentIndexChanged), this,
          &TfrmOption::cbxSiteChange);
  connect(Button1, &QPushButton::clicked, this, &TfrmOption::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmOption::cbxSiteChange() {
  cbxClock->clear();
  cbxClock->addItem("All");
  auto* site = reinterpret_cast<TSite*>(cbxSite->currentData().value<quintptr>());
  if (site && clocks_) {
    for (TClock* c : ClocksOf(*clocks_, SiteNo(*site))) cbxClock->addItem(Latin1(ClockNo(*c)));
  }
  cbxClock->setCurrentIndex(0);
}

void TfrmOption::Button1Click() {
  bool clockWithoutSite = false;
  std::string sel = SelectionFromChoice(Latin1Bytes(cbxSite->currentText()), Latin1Bytes(cbxClock->currentText()),
                                        &clockWithoutSite);
  if (clockWithoutSite) {
    ShowWarning("You have selected a clock. Please select a site");
    return;
  }
  Selection = sel;
  accept();
}

}  // namespace zv
