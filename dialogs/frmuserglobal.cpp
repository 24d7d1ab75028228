#include "dialogs/frmuserglobal.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

#include "dialogs/dialoglayout.h"
#include "dialogs/selectionbox.h"

namespace zv {

namespace {

QPushButton* Button(QWidget* parent, const char* name, const char* text) {
  auto* b = new QPushButton(QString::fromLatin1(text), parent);
  b->setObjectName(name);
  b->setAutoDefault(false);
  return b;
}

QListWidget* UserList(QWidget* parent) {
  auto* l = new QListWidget(parent);
  l->setObjectName("lstUsers");
  l->setUniformItemSizes(true);
  const int ch = l->fontMetrics().horizontalAdvance(QLatin1Char('0'));
  l->setMinimumSize(36 * ch, 12 * l->fontMetrics().height());
  return l;
}

void ShowUsers(QListWidget* list, const std::vector<TUser*>& users) {
  TEntries lines;
  lines.reserve(users.size());
  for (TUser* u : users) lines.emplace_back(UserLine(*u), u);
  FillEntries(list, lines);
}

}  // namespace

TfrmSelUser::TfrmSelUser(QWidget* parent) : QDialog(parent) {
  setObjectName("frmSelUser");
  setWindowTitle("Select Users");
  lstUsers = UserList(this);
  lstUsers->setSelectionMode(QAbstractItemView::ExtendedSelection);
  btnSelectAll = Button(this, "btnSelectAll", "Select All");
  btnOk = Button(this, "btnOk", "OK");
  btnOk->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(btnSelectAll);
  buttons->addStretch();
  buttons->addWidget(btnOk);
  auto* main = new QVBoxLayout(this);
  main->addWidget(lstUsers, 1);
  main->addLayout(buttons);
  connect(btnSelectAll, &QPushButton::clicked, this, [this] { btnSelectAllClick(); });
  connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
}

void TfrmSelUser::SetUsers(const std::vector<TUser*>& users) {
  ShowUsers(lstUsers, users);
  btnSelectAllClick();
}

void TfrmSelUser::btnSelectAllClick() { lstUsers->selectAll(); }

std::vector<TUser*> TfrmSelUser::SelectedUsers() const {
  // By the selection's ranges: asking each of many lines whether it is selected would
  // search the ranges once per line.
  std::vector<int> rows;
  for (const QItemSelectionRange& r : lstUsers->selectionModel()->selection())
    for (int row = r.top(); row <= r.bottom(); ++row) rows.push_back(row);
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  std::vector<TUser*> out;
  out.reserve(rows.size());
  for (int row : rows) out.push_back(static_cast<TUser*>(EntryRecord(lstUsers, row)));
  return out;
}

bool TfrmSelUser::AnySelected() const { return lstUsers->selectionModel()->hasSelection(); }

TfrmUserGlobal::TfrmUserGlobal(QWidget* parent) : QDialog(parent) {
  setObjectName("frmUserGlobal");
  setWindowTitle("Global");
  lblText = new QLabel(
      "Place a check in the box next to the items below to specify which fields from the "
      "current record will be applied globally to records in the user file.",
      this);
  lblText->setWordWrap(true);
  const int ch = lblText->fontMetrics().horizontalAdvance(QLatin1Char('0'));
  lblText->setMinimumWidth(40 * ch);
  chkTimeZone = NamedCheck(this, "chkTimeZone", "Time Zone/Group");
  chkReject = NamedCheck(this, "chkReject", "Reject Override");
  chkAuthority = NamedCheck(this, "chkAuthority", "Authority Level");
  chkComment = NamedCheck(this, "chkComment", "Comment");
  btnUsers = Button(this, "btnUsers", "Users");
  btnUsers->setDefault(true);
  btnOk = Button(this, "btnOk", "OK");
  Cancel = Button(this, "Cancel", "Cancel");
  auto* checks = new QVBoxLayout;
  for (QCheckBox* c : {chkTimeZone, chkReject, chkAuthority, chkComment}) checks->addWidget(c);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(btnUsers);
  buttons->addStretch();
  buttons->addWidget(btnOk);
  buttons->addWidget(Cancel);
  auto* main = new QVBoxLayout(this);
  main->addWidget(lblText);
  main->addSpacing(6);
  main->addLayout(checks);
  main->addSpacing(6);
  main->addLayout(buttons);
  main->setSizeConstraint(QLayout::SetMinimumSize);
  SelUser = new TfrmSelUser(this);
  connect(btnUsers, &QPushButton::clicked, this, [this] { btnUsersClick(); });
  connect(btnOk, &QPushButton::clicked, this, [this] { btnOkClick(); });
  connect(Cancel, &QPushButton::clicked, this, &QDialog::reject);
}

TGlobalChoice TfrmUserGlobal::Choice() const {
  TGlobalChoice c;
  c.timeZone = chkTimeZone->isChecked();
  c.reject = chkReject->isChecked();
  c.authority = chkAuthority->isChecked();
  c.comment = chkComment->isChecked();
  return c;
}

void TfrmUserGlobal::btnUsersClick() { SelUser->exec(); }

void TfrmUserGlobal::btnOkClick() {
  if (TCheck failed = GlobalValidate(Choice(), SelUser->AnySelected())) {
    ShowWarning(failed->message);
    if (!failed->focus.empty())
      if (auto* w = findChild<QWidget*>(QString::fromLatin1(failed->focus.c_str()))) w->setFocus();
    return;
  }
  accept();
}

TfrmConfirmUser::TfrmConfirmUser(QWidget* parent) : QDialog(parent) {
  setObjectName("frmConfirmUser");
  setWindowTitle("Confirm");
  Image1 = new QLabel(this);
  Image1->setObjectName("Image1");
  const int icon = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
  Image1->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(icon, icon));
  Image1->setAlignment(Qt::AlignTop);
  lblText = new QLabel("Apply changes to the following users?", this);
  lstUsers = UserList(this);
  // A list to look at, not to work in.
  lstUsers->setFocusPolicy(Qt::NoFocus);
  lstUsers->setSelectionMode(QAbstractItemView::NoSelection);
  // Enter presses the focused button here; the focus starts on Cancel.
  btnCancel = Button(this, "btnCancel", "Cancel");
  btnCancel->setAutoDefault(true);
  btnOk = Button(this, "btnOk", "OK");
  btnOk->setAutoDefault(true);
  btnCancel->setFocus();
  auto* right = new QVBoxLayout;
  right->addWidget(lblText);
  right->addWidget(lstUsers, 1);
  auto* top = new QHBoxLayout;
  top->addWidget(Image1);
  top->addLayout(right, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnOk);
  buttons->addWidget(btnCancel);
  auto* main = new QVBoxLayout(this);
  main->addLayout(top, 1);
  main->addLayout(buttons);
  // Escape answers Cancel, as QDialog's reject does.
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
}

void TfrmConfirmUser::SetUsers(const std::vector<TUser*>& users) { ShowUsers(lstUsers, users); }

}  // namespace zv
