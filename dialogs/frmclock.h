// TfrmClock: the Clocks dialog, which edits the clocks of each site together with each
// clock's reader configuration, and saves both clock.txt and zv.cfg.
#pragma once
#include <array>
#include <string>

#include "data/clocklist.h"
#include "data/grouplist.h"
#include "data/sitelist.h"
#include "data/zvcfglist.h"
#include "dialogs/clockfields.h"
#include "dialogs/recordeditor.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QRadioButton;

namespace zv {

class TfrmClock : public TRecordEditor {
  Q_OBJECT
 public:
  // Edits `clocks` and `configs`; reads `sites` and `groups` (none: taken as empty) and the
  // menu files of `dataPath`.
  TfrmClock(QWidget* parent, TClockList& clocks, TZvCfgList& configs, TSiteList* sites,
            TGroupList* groups, const std::string& dataPath);

  void cbxSitesClick();
  void cbxClocksClick();
  void btnNewClick() override;
  void btnDeleteClick() override;

  TClockFields Fields() const;
  void ShowFields(const TClockFields& f);

  QComboBox* cbxSites;
  QComboBox* cbxClocks;
  QLineEdit* edtComment;
  QGroupBox* grpPassword;
  QLineEdit *edtSecurity, *edtEnroll, *edtManage, *edtSetup, *edtService;
  QGroupBox* grpDisplay;
  QRadioButton *rad12, *rad24;
  QGroupBox* grpPunch;
  QCheckBox *chkExplicit, *chkDept;
  QLineEdit *edtReject, *edtLock, *edtIdLen, *edtTries;
  QComboBox* cbxBell;
  QComboBox* cbxFKey;
  QGroupBox* grpDST;
  QLineEdit *edtDSTOnMonth, *edtDSTOnDay, *edtDSTOnHour, *edtDSTOnMin;
  QLineEdit *edtDSTOffMonth, *edtDSTOffDay, *edtDSTOffHour, *edtDSTOffMin;
  QGroupBox* grpBeeper;
  QCheckBox* chkBeeper;

 protected:
  QComboBox* SelectionBox() const override { return cbxSites; }
  void SelectionClick() override { cbxSitesClick(); }
  void Refresh(const TRefresh& p) override;
  TCheck ValidateRecord() override;
  bool StoreRecord() override;

 private:
  // The password edits by number 1 (Service) to 5 (Security); the daylight-saving rows.
  std::array<QLineEdit*, 5> Passwords() const;
  std::array<std::array<QLineEdit*, 4>, 2> DlsRows() const;
  void ShowClock(const TClock* clock);

  TClockList& clocks_;
  TZvCfgList& configs_;
  TGroupList* groups_;
};

}  // namespace zv
