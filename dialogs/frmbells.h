// TfrmBells: the Bells dialog, which edits the bell schedules of zv.cfg: one schedule with
// the time-ordered list of its bells, one bell at a time in the fields.
#pragma once
#include <QPointer>
#include <array>

#include "data/zvcfglist.h"
#include "dialogs/bellfields.h"
#include "dialogs/recordeditor.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;

namespace zv {

class TfrmBells : public TRecordEditor {
  Q_OBJECT
 public:
  explicit TfrmBells(QWidget* parent, TZvCfgList& configs);
  ~TfrmBells() override;

  void cbxBellsClick();
  void lstBellsClick();
  // New asks nothing: it clears the schedule, the list and the fields.
  void btnNewClick() override;
  // The schedule when the schedule box was the control last left, else the bell whose time
  // the time edit shows.
  void btnDeleteClick() override;
  // The control that most recently lost the input focus (none before any did).
  QWidget* LastLeftControl() const { return lastLeft_; }

  TBellFields Fields() const;
  void ShowFields(const TBellFields& f);

  QComboBox* cbxBells;
  QLineEdit* edtTime;
  QLineEdit* edtDuration;
  std::array<QCheckBox*, 8> CheckBox;  // Sunday .. holiday
  QLabel* lblHeading;
  QListWidget* lstBells;

 protected:
  QComboBox* SelectionBox() const override { return cbxBells; }
  void SelectionClick() override { cbxBellsClick(); }
  void Refresh(const TRefresh& p) override;
  TCheck ValidateRecord() override;
  bool StoreRecord() override;

 private:
  void OnExitControl(QWidget* old);
  void ListItems(const TBellSchedule* schedule);

  TZvCfgList& configs_;
  TBell* itemToShow_ = nullptr;
  QPointer<QWidget> lastLeft_;
  QMetaObject::Connection focusWatch_;
};

}  // namespace zv
