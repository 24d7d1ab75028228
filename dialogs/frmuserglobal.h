// The three small dialogs of the Users dialog's bulk change: TfrmUserGlobal (which fields),
// TfrmSelUser (which users) and TfrmConfirmUser (a last look at the users that will change).
#pragma once
#include <QDialog>
#include <vector>

#include "data/user.h"
#include "dialogs/userfields.h"

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace zv {

// Select Users: every user, many lines selectable. No Cancel: however it closes, the
// selection made stays.
class TfrmSelUser : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmSelUser(QWidget* parent);

  // One line per user, in this order, all selected.
  void SetUsers(const std::vector<TUser*>& users);
  // The users of the selected lines, in list order.
  std::vector<TUser*> SelectedUsers() const;
  bool AnySelected() const;
  void btnSelectAllClick();

  QListWidget* lstUsers;
  QPushButton* btnSelectAll;
  QPushButton* btnOk;
};

// Global: the fields to apply, and the Users button to the Select Users dialog it owns.
class TfrmUserGlobal : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmUserGlobal(QWidget* parent);

  TGlobalChoice Choice() const;
  void btnUsersClick();
  // Closes with OK once a field and a user are chosen.
  void btnOkClick();

  TfrmSelUser* SelUser;
  QLabel* lblText;
  QCheckBox* chkTimeZone;
  QCheckBox* chkReject;
  QCheckBox* chkAuthority;
  QCheckBox* chkComment;
  QPushButton* btnUsers;
  QPushButton* btnOk;
  QPushButton* Cancel;
};

// Confirm: the users that will change; OK applies, Cancel (and Escape) ends with nothing
// changed.
class TfrmConfirmUser : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmConfirmUser(QWidget* parent);

  void SetUsers(const std::vector<TUser*>& users);

  QLabel* Image1;
  QLabel* lblText;
  QListWidget* lstUsers;
  QPushButton* btnCancel;
  QPushButton* btnOk;
};

}  // namespace zv
