// TfrmTimeZone: the Time Zones dialog, which adds, changes and deletes the time zones of
// zv.cfg, each with four intervals of start, stop and day boxes.
#pragma once
#include <array>

#include "data/zvcfglist.h"
#include "dialogs/recordeditor.h"
#include "dialogs/timezonefields.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace zv {

class TfrmTimeZone : public TRecordEditor {
  Q_OBJECT
 public:
  explicit TfrmTimeZone(QWidget* parent, TZvCfgList& configs);

  void cbxTimeZonesClick();
  void btnDeleteClick() override;
  // Drops the changes on screen: the selected zone is shown again (or empty fields).
  void btnCancelClick();

  TTimeZoneFields Fields() const;
  void ShowFields(const TTimeZoneFields& f);

  QComboBox* cbxTimeZones;
  // By interval: [0] is "Time 1:".
  std::array<QLineEdit*, TTimeZone::kIntervals> edtStartTime, edtEndTime;
  // By interval and day (0 Sunday .. 7 holiday).
  std::array<std::array<QCheckBox*, 8>, TTimeZone::kIntervals> CheckBox;
  QPushButton* btnCancel;

 protected:
  QComboBox* SelectionBox() const override { return cbxTimeZones; }
  void SelectionClick() override { cbxTimeZonesClick(); }
  void Refresh(const TRefresh& p) override;
  TCheck ValidateRecord() override;
  bool StoreRecord() override;
  void showEvent(QShowEvent* e) override;

 private:
  TZvCfgList& configs_;
};

}  // namespace zv
