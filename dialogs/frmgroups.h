// TfrmGroups: the Groups dialog, which edits group membership: for each group the clocks that
// belong to it, each with the time zone that applies to the group's users there.
#pragma once
#include <string>

#include "data/clocklist.h"
#include "data/grouplist.h"
#include "data/sitelist.h"
#include "dialogs/groupfields.h"
#include "dialogs/recordeditor.h"

class QComboBox;
class QLineEdit;
class QListWidget;

namespace zv {

class TfrmGroups : public TRecordEditor {
  Q_OBJECT
 public:
  // Edits `groups`; reads `sites` and `clocks` (none: taken as empty).
  TfrmGroups(QWidget* parent, TGroupList& groups, TSiteList* sites, TClockList* clocks);

  void cbxGroupsClick();
  void cbxSitesClick();
  void cbxClocksClick();
  void lstItemsClick();
  void btnNewClick() override;
  void btnSaveClick() override;
  void btnDeleteClick() override;

  TGroupFields Fields() const;

  QComboBox* cbxGroups;
  QComboBox* cbxSites;
  QComboBox* cbxClocks;
  QComboBox* cbxTimeZone;
  QLineEdit* edtComment;
  QListWidget* lstItems;

 protected:
  QComboBox* SelectionBox() const override { return cbxGroups; }
  void SelectionClick() override { cbxGroupsClick(); }
  // Opens on no group and an empty list.
  void FormShow() override;
  void Refresh(const TRefresh& p) override;
  TCheck ValidateRecord() override;
  bool StoreRecord() override;

 private:
  void ShowGroup();
  void FillClocks();
  void ShowEntry(const TGroup* entry);
  void ClearEntryFields();

  TGroupList& groups_;
  TClockList* clocks_;
};

}  // namespace zv
