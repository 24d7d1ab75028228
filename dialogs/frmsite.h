// TfrmSite: the Sites dialog, which adds, changes and deletes the sites of site.txt with
// their serial, modem and network settings.
#pragma once
#include <string>
#include <vector>

#include "data/clocklist.h"
#include "data/sitelist.h"
#include "dialogs/recordeditor.h"
#include "dialogs/sitefields.h"

class QComboBox;
class QGroupBox;
class QLineEdit;

namespace zv {

class TfrmSite : public TRecordEditor {
  Q_OBJECT
 public:
  // Edits `sites`; reads `clocks` (none: no site has clocks) and offers `modems`.
  TfrmSite(QWidget* parent, TSiteList& sites, TClockList* clocks,
           const std::vector<std::string>& modems);

  void cbxSitesClick();
  void btnDeleteClick() override;

  // What the controls hold, and back.
  TSiteFields Fields() const;
  void ShowFields(const TSiteFields& f);

  QComboBox* cbxSites;
  QLineEdit* edtDesc;
  QGroupBox* grpTZ;
  QComboBox* cbxTz;
  QGroupBox* grpCom;
  QComboBox* cbxCom;
  QComboBox* cbxBaud;
  QGroupBox* grpModem;
  QComboBox* cbxInit;
  QLineEdit* edtDial;
  QLineEdit* edtPhone;
  QGroupBox* grpNet;
  QLineEdit* edtIP1;
  QLineEdit* edtIP2;
  QLineEdit* edtIP3;
  QLineEdit* edtIP4;

 protected:
  QComboBox* SelectionBox() const override { return cbxSites; }
  void SelectionClick() override { cbxSitesClick(); }
  void Refresh(const TRefresh& p) override;
  TCheck ValidateRecord() override;
  bool StoreRecord() override;

 private:
  TSiteList& sites_;
  TClockList* clocks_;
};

}  // namespace zv
