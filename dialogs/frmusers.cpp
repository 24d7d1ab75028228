#include "dialogs/frmusers.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialogs/dialoglayout.h"
#include "dialogs/frmuserglobal.h"
#include "dialogs/selectionbox.h"

namespace zv {

namespace {

std::vector<TUser*> AllUsers(TUserList& users) {
  std::vector<TUser*> all;
  all.reserve(static_cast<std::size_t>(users.Count()));
  for (int i = 0; i < users.Count(); ++i)
    if (auto* u = static_cast<TUser*>(users.Objects(i))) all.push_back(u);
  return all;
}

}  // namespace

TfrmUsers::TfrmUsers(QWidget* parent, TUserList& users, TGroupList* groups, std::string dataPath)
    : TRecordEditor(parent, "frmUsers", "Users"),
      users_(users),
      dataPath_(std::move(dataPath)),
      restric_(UserRestricEntries(groups)) {
  cbxUsers = NamedCombo(this, "cbxUsers");
  MakeEditable(cbxUsers, 10);
  // Sized for ten digits, not by its entries: measuring every one of many thousands of
  // users would hold up the opening.
  cbxUsers->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  cbxUsers->setMinimumContentsLength(11);
  cbxRestric = NamedCombo(this, "cbxRestric");
  for (const TValueEntry& e : restric_) AddEntry(cbxRestric, e.text);
  cbxReject = NamedCombo(this, "cbxReject");
  for (const TValueEntry& e : UserRejectEntries()) AddEntry(cbxReject, e.text);
  cbxAuthority = NamedCombo(this, "cbxAuthority");
  for (const std::string& e : UserAuthorityEntries()) AddEntry(cbxAuthority, e);
  for (QComboBox* box : {cbxRestric, cbxReject}) box->setMaxVisibleItems(16);
  edtComment = NamedEdit(this, "edtComment");
  SetCharsWide(edtComment, 28);

  auto* fields = new QGridLayout;
  const std::pair<const char*, QWidget*> rows[] = {{"User ID:", cbxUsers},
                                                   {"Time Zone/Group:", cbxRestric},
                                                   {"Reject Override:", cbxReject},
                                                   {"Authority Level:", cbxAuthority},
                                                   {"Comment:", edtComment}};
  int row = 0;
  for (const auto& [label, control] : rows) {
    fields->addWidget(Buddy(label, control), row, 0);
    fields->addWidget(control, row++, 1, control == edtComment ? Qt::Alignment() : Qt::AlignLeft);
  }
  fields->setColumnStretch(1, 1);
  SetBody(fields);

  btnGlobal = new QPushButton("Global", this);
  btnGlobal->setObjectName("btnGlobal");
  btnGlobal->setAutoDefault(false);
  ButtonRow()->insertWidget(3, btnGlobal);

  TEntries entries;
  entries.reserve(static_cast<std::size_t>(users_.Count()));
  for (TUser* u : AllUsers(users_)) entries.emplace_back(u->ID(), u);
  FillEntries(cbxUsers, std::move(entries), true);

  WatchEdits({cbxRestric, cbxReject, cbxAuthority, edtComment});
  connect(cbxUsers, &QComboBox::activated, this, [this] { cbxUsersClick(); });
  connect(btnGlobal, &QPushButton::clicked, this, [this] { OnGlobal(); });
}

void TfrmUsers::showEvent(QShowEvent* e) {
  TRecordEditor::showEvent(e);
  // Global stands between Delete and Close in the row, and so in the tab order.
  setTabOrder(btnDelete, btnGlobal);
}

void TfrmUsers::cbxUsersClick() { PostRefresh(); }

TUserFields TfrmUsers::Fields() const {
  TUserFields f;
  f.id = TextOf(cbxUsers);
  f.idSelected = SelectedIndex(cbxUsers) >= 0;
  f.restric = cbxRestric->currentIndex();
  f.reject = cbxReject->currentIndex();
  f.authority = cbxAuthority->currentIndex();
  f.comment = TextOf(edtComment);
  return f;
}

void TfrmUsers::ShowFields(const TUserFields& f) {
  SelectEntry(cbxRestric, f.restric);
  SelectEntry(cbxReject, f.reject);
  SelectEntry(cbxAuthority, f.authority);
  SetText(edtComment, f.comment);
}

void TfrmUsers::Refresh(const TRefresh&) {
  ShowFields(UserToFields(SelectedRecord<TUser>(cbxUsers), restric_, Fields()));
}

TCheck TfrmUsers::ValidateRecord() { return UserValidate(Fields()); }

bool TfrmUsers::StoreRecord() {
  const TUser fresh = UserFromFields(Fields(), restric_);
  bool added = false, renamed = false;
  TUser* stored = UserStore(users_, fresh, SelectedRecord<TUser>(cbxUsers), added, &renamed);
  // A number found without its leading zeros is stored as typed now; its entry follows, so
  // that the box never offers a number that the list no longer holds.
  if (renamed) RemoveRecordEntry(cbxUsers, stored);
  if (added || renamed) AddEntry(cbxUsers, stored->ID(), stored, true);
  return WriteList(users_);
}

void TfrmUsers::btnNewClick() {
  if (QuerySave() != mbCancel) {
    SelectEntry(cbxUsers, -1);
    PostRefresh();
  }
  cbxUsers->setFocus();
}

void TfrmUsers::btnDeleteClick() {
  UserDelete(users_, TextOf(cbxUsers), dataPath_, [this](const TUser* u) {
    const int removed = RemoveRecordEntry(cbxUsers, u);
    int select = -1;
    if (cbxUsers->count() > 0) select = removed > 0 ? removed - 1 : 0;
    SelectEntry(cbxUsers, select);
  });
  PostRefresh();
}

void TfrmUsers::OnGlobal() {
  if (QuerySave() == mbCancel) return;
  // The stored user, not what the screen may hold unsaved.
  const TUser* tmpl = SelectedRecord<TUser>(cbxUsers);
  if (!tmpl) return;
  TfrmUserGlobal global(this);
  global.SelUser->SetUsers(AllUsers(users_));
  if (global.exec() != QDialog::Accepted) return;
  const std::vector<TUser*> chosen = global.SelUser->SelectedUsers();
  TfrmConfirmUser confirm(this);
  confirm.SetUsers(chosen);
  if (confirm.exec() != QDialog::Accepted) return;
  ApplyGlobal(*tmpl, global.Choice(), chosen);
  users_.Modified = true;
  WriteList(users_);
}

}  // namespace zv
