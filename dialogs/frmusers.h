// TfrmUsers: the Users dialog, which edits the enrolled users of user.txt one by one, and
// through its Global button applies chosen fields of the shown user to many users at once.
#pragma once
#include <string>
#include <vector>

#include "data/grouplist.h"
#include "data/userlist.h"
#include "dialogs/recordeditor.h"
#include "dialogs/userfields.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace zv {

class TfrmUsers : public TRecordEditor {
  Q_OBJECT
 public:
  // Edits `users` and frees deleted users' slots in the user.idx of `dataPath`; offers the
  // group numbers of `groups` (none: no groups).
  TfrmUsers(QWidget* parent, TUserList& users, TGroupList* groups, std::string dataPath);

  void cbxUsersClick();
  void btnNewClick() override;
  void btnDeleteClick() override;
  // The bulk change: fields of the shown (stored) user onto the users chosen.
  void OnGlobal();

  TUserFields Fields() const;
  void ShowFields(const TUserFields& f);

  QComboBox* cbxUsers;
  QComboBox* cbxRestric;
  QComboBox* cbxReject;
  QComboBox* cbxAuthority;
  QLineEdit* edtComment;
  QPushButton* btnGlobal;

 protected:
  QComboBox* SelectionBox() const override { return cbxUsers; }
  void SelectionClick() override { cbxUsersClick(); }
  void Refresh(const TRefresh& p) override;
  TCheck ValidateRecord() override;
  bool StoreRecord() override;
  void showEvent(QShowEvent* e) override;

 private:
  TUserList& users_;
  std::string dataPath_;
  std::vector<TValueEntry> restric_;
};

}  // namespace zv
