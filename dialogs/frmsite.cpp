#include "dialogs/frmsite.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

#include "dialogs/dialoglayout.h"
#include "dialogs/selectionbox.h"

namespace zv {

TfrmSite::TfrmSite(QWidget* parent, TSiteList& sites, TClockList* clocks,
                   const std::vector<std::string>& modems)
    : TRecordEditor(parent, "frmSite", "Sites"), sites_(sites), clocks_(clocks) {
  // Created in reading order, which is the tab order.
  cbxSites = NamedCombo(this, "cbxSites");
  MakeEditable(cbxSites);
  SetCharsWide(cbxSites, 6);
  edtDesc = NamedEdit(this, "edtDesc");
  SetCharsWide(edtDesc, 24);
  auto* top = new QGridLayout;
  top->addWidget(Buddy("Site:", cbxSites), 0, 0);
  top->addWidget(cbxSites, 0, 1);
  top->addWidget(Buddy("Description:", edtDesc), 0, 2);
  top->addWidget(edtDesc, 0, 3);
  top->setColumnStretch(3, 1);

  grpTZ = NamedGroup(this, "grpTZ", "");
  cbxTz = NamedCombo(grpTZ, "cbxTz");
  for (const std::string& e : SiteTzEntries()) AddEntry(cbxTz, e);
  auto* tzRow = new QHBoxLayout(grpTZ);
  tzRow->addWidget(Buddy("Time Zone Adjust:", cbxTz));
  tzRow->addWidget(cbxTz);
  tzRow->addStretch();

  grpCom = NamedGroup(this, "grpCom", "Communications");
  cbxCom = NamedCombo(grpCom, "cbxCom");
  for (const std::string& e : SiteComEntries()) AddEntry(cbxCom, e);
  cbxBaud = NamedCombo(grpCom, "cbxBaud");
  for (const std::string& e : SiteBaudEntries()) AddEntry(cbxBaud, e);
  auto* comRow = new QHBoxLayout(grpCom);
  comRow->addWidget(Buddy("COM Port:", cbxCom));
  comRow->addWidget(cbxCom);
  comRow->addSpacing(12);
  comRow->addWidget(Buddy("Baud Rate:", cbxBaud));
  comRow->addWidget(cbxBaud);
  comRow->addStretch();

  grpModem = NamedGroup(this, "grpModem", "Modem");
  cbxInit = NamedCombo(grpModem, "cbxInit");
  MakeEditable(cbxInit);
  for (const std::string& m : modems) AddEntry(cbxInit, m, nullptr, true);
  SetCharsWide(cbxInit, 30);
  edtDial = NamedEdit(grpModem, "edtDial");
  edtPhone = NamedEdit(grpModem, "edtPhone");
  auto* modem = new QGridLayout(grpModem);
  modem->addWidget(Buddy("Modem Initialization:", cbxInit), 0, 0);
  modem->addWidget(cbxInit, 0, 1, 1, 3);
  modem->addWidget(Buddy("Modem Dial:", edtDial), 1, 0);
  modem->addWidget(edtDial, 1, 1);
  modem->addWidget(Buddy("Telephone Number", edtPhone), 1, 2);
  modem->addWidget(edtPhone, 1, 3);
  modem->setColumnStretch(1, 1);
  modem->setColumnStretch(3, 1);

  grpNet = NamedGroup(this, "grpNet", "Network");
  auto* net = new QHBoxLayout(grpNet);
  QLineEdit** ips[] = {&edtIP1, &edtIP2, &edtIP3, &edtIP4};
  for (int n = 0; n < 4; ++n) {
    *ips[n] = NamedEdit(grpNet, ("edtIP" + std::to_string(n + 1)).c_str());
    SetCharsWide(*ips[n], 4, true);
    (*ips[n])->setAlignment(Qt::AlignRight);
  }
  net->addWidget(Buddy("Address:", edtIP1));
  for (int n = 0; n < 4; ++n) {
    if (n) net->addWidget(new QLabel(".", grpNet));
    net->addWidget(*ips[n]);
  }
  net->addStretch();

  auto* middle = new QHBoxLayout;
  middle->addWidget(grpTZ);
  middle->addWidget(grpCom, 1);
  auto* body = new QVBoxLayout;
  body->addLayout(top);
  body->addLayout(middle);
  body->addWidget(grpModem);
  body->addWidget(grpNet);
  SetBody(body);

  for (TSite* s : [&] {
         std::vector<TSite*> v;
         sites_.GetSites(v);
         return v;
       }())
    AddEntry(cbxSites, s->Site(), s, true);

  WatchEdits({edtDesc, cbxTz, cbxCom, cbxBaud, cbxInit, edtDial, edtPhone, edtIP1, edtIP2,
              edtIP3, edtIP4});
  connect(cbxSites, &QComboBox::activated, this, [this] { cbxSitesClick(); });
}

void TfrmSite::cbxSitesClick() { PostRefresh(cbxSites); }

TSiteFields TfrmSite::Fields() const {
  TSiteFields f;
  f.site = TextOf(cbxSites);
  f.siteSelected = SelectedIndex(cbxSites) >= 0;
  f.desc = TextOf(edtDesc);
  f.tz = cbxTz->currentIndex();
  f.com = cbxCom->currentIndex();
  f.baud = cbxBaud->currentIndex();
  f.init = TextOf(cbxInit);
  f.initSelected = SelectedIndex(cbxInit) >= 0;
  f.dial = TextOf(edtDial);
  f.phone = TextOf(edtPhone);
  f.ip = {TextOf(edtIP1), TextOf(edtIP2), TextOf(edtIP3), TextOf(edtIP4)};
  return f;
}

void TfrmSite::ShowFields(const TSiteFields& f) {
  SetText(edtDesc, f.desc);
  cbxTz->setCurrentIndex(f.tz);
  cbxCom->setCurrentIndex(f.com);
  cbxBaud->setCurrentIndex(f.baud);
  if (f.initSelected) {
    SelectEntry(cbxInit, FindEntry(cbxInit, f.init));
  } else {
    SelectEntry(cbxInit, -1);
    SetText(cbxInit, f.init);
  }
  SetText(edtDial, f.dial);
  SetText(edtPhone, f.phone);
  SetText(edtIP1, f.ip[0]);
  SetText(edtIP2, f.ip[1]);
  SetText(edtIP3, f.ip[2]);
  SetText(edtIP4, f.ip[3]);
}

void TfrmSite::Refresh(const TRefresh&) {
  std::vector<std::string> inits;
  for (int i = 0; i < cbxInit->count(); ++i) inits.push_back(EntryText(cbxInit, i));
  ShowFields(SiteToFields(SelectedRecord<TSite>(cbxSites), inits, Fields()));
}

TCheck TfrmSite::ValidateRecord() { return SiteValidate(Fields()); }

bool TfrmSite::StoreRecord() {
  const TSite fresh = SiteFromFields(Fields());
  bool added = false;
  TSite* stored = SiteStore(sites_, fresh, SelectedRecord<TSite>(cbxSites), added);
  if (added) AddEntry(cbxSites, stored->Site(), stored, true);
  return WriteList(sites_);
}

void TfrmSite::btnDeleteClick() {
  const bool refresh = SiteDelete(sites_, clocks_, TextOf(cbxSites), [this](const TSite* s) {
    RemoveRecordEntry(cbxSites, s);
    SelectEntry(cbxSites, cbxSites->count() > 0 ? 0 : -1);
  });
  if (refresh) PostRefresh(cbxSites);
}

}  // namespace zv
