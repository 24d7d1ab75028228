#include "dialogs/recordeditor.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "dialogs/dialoglayout.h"
#include "dialogs/selectionbox.h"

namespace zv {

TRecordEditor::TRecordEditor(QWidget* parent, const char* objectName, const char* caption)
    : QDialog(parent) {
  setObjectName(objectName);
  setWindowTitle(QString::fromLatin1(caption));
  auto button = [this](const char* name, const char* text) {
    auto* b = new QPushButton(QString::fromLatin1(text), this);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
  };
  btnNew = button("btnNew", "New");
  btnSave = button("btnSave", "Save");
  btnDelete = button("btnDelete", "Delete");
  btnClose = button("btnClose", "Close");
  btnClose->setDefault(true);
  buttons_ = new QHBoxLayout;
  buttons_->addWidget(btnNew);
  buttons_->addWidget(btnSave);
  buttons_->addWidget(btnDelete);
  buttons_->addStretch();
  buttons_->addWidget(btnClose);

  connect(btnNew, &QPushButton::clicked, this, [this] { btnNewClick(); });
  connect(btnSave, &QPushButton::clicked, this, [this] { btnSaveClick(); });
  connect(btnDelete, &QPushButton::clicked, this, [this] { btnDeleteClick(); });
  connect(btnClose, &QPushButton::clicked, this, [this] {
    if (FormCloseQuery()) accept();
  });
}

TRecordEditor::~TRecordEditor() {
  // The controls outlive this part of the dialog and may still signal while QWidget frees
  // them; their handlers must not run on what is already gone.
  for (QObject* child : findChildren<QObject*>()) child->disconnect(this);
}

TMsgButton TRecordEditor::QuerySave() {
  return state_.QuerySave([this] { return SaveRecord(); });
}

bool TRecordEditor::SaveRecord() {
  if (TCheck failed = ValidateRecord()) {
    Fail(*failed);
    return false;
  }
  return StoreRecord();
}

bool TRecordEditor::FormCloseQuery() { return QuerySave() != mbCancel; }

void TRecordEditor::PostRefresh(TRefresh p) {
  // Queued on the dialog: it runs once the current handler has returned, and not at all
  // once the dialog is gone.
  QMetaObject::invokeMethod(
      this,
      [this, p] {
        Refresh(p);
        state_.Modified = false;
      },
      Qt::QueuedConnection);
}

void TRecordEditor::btnNewClick() {
  if (QuerySave() == mbCancel) return;
  SelectEntry(SelectionBox(), -1);
  PostRefresh();
}

void TRecordEditor::btnSaveClick() { state_.Modified = !SaveRecord(); }

void TRecordEditor::SelectionClick() { PostRefresh(SelectionBox()); }

void TRecordEditor::FormShow() {
  if (SelectionBox()->count() > 0) SelectEntry(SelectionBox(), 0);
  SelectionClick();
}

void TRecordEditor::WatchEdits(std::initializer_list<QWidget*> controls) {
  auto set = [this] { state_.Modified = true; };
  for (QWidget* w : controls) {
    if (auto* e = qobject_cast<QLineEdit*>(w)) {
      connect(e, &QLineEdit::textChanged, this, set);
    } else if (auto* c = qobject_cast<QComboBox*>(w)) {
      connect(c, &QComboBox::currentIndexChanged, this, set);
      if (c->isEditable()) connect(c, &QComboBox::editTextChanged, this, set);
    } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
      connect(b, &QAbstractButton::clicked, this, set);
    }
  }
}

void TRecordEditor::Fail(const TCheckFailure& failure) {
  ShowWarning(failure.message);
  if (auto* w = findChild<QWidget*>(QString::fromLatin1(failure.focus.c_str()))) w->setFocus();
}

bool TRecordEditor::WriteList(TMyStringList& list) {
  if (list.Save()) return true;
  ShowWarning("Unable to save " + list.FileName + ": " + list.LastError());
  return false;
}

void TRecordEditor::SetBody(QLayout* body) {
  auto* main = new QVBoxLayout(this);
  main->addLayout(body);
  main->addSpacing(4);
  main->addLayout(buttons_);
  main->setSizeConstraint(QLayout::SetMinimumSize);
}

void TRecordEditor::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (shown_) return;
  shown_ = true;
  // Every control exists by now, created in reading order; the buttons come last.
  ReadingTabOrder(this, {btnNew, btnSave, btnDelete, btnClose});
  SelectionBox()->setFocus();
  FormShow();
}

void TRecordEditor::closeEvent(QCloseEvent* e) {
  if (!FormCloseQuery()) {
    e->ignore();
    return;
  }
  // QDialog closes through reject(), which must not ask a second time.
  closing_ = true;
  QDialog::closeEvent(e);
  closing_ = false;
}

void TRecordEditor::reject() {
  if (closing_ || FormCloseQuery()) QDialog::reject();
}

}  // namespace zv
