// TRecordEditor: what every record editor dialog of the Maintenance menu shares. A modal
// dialog that shows one record of a main-window list at a time, with New, Save, Delete and
// Close, the save question, the refresh that the dialog posts to itself after a pick, and
// the report of a failed check. A dialog states only its controls and its differences.
#pragma once
#include <QDialog>
#include <initializer_list>
#include <string>

#include "data/mystringlist.h"
#include "dialogs/editorcore.h"

class QBoxLayout;
class QComboBox;
class QLayout;
class QPushButton;

namespace zv {

// The refresh message's parameter: nothing (0), the selection box whose pick is to be
// shown, or a record to show.
struct TRefresh {
  const QObject* control = nullptr;
  TRecord* record = nullptr;
};

class TRecordEditor : public QDialog {
  Q_OBJECT
 public:

  ~TRecordEditor() override;

  bool Modified() const { return state_.Modified; }
  void SetModified(bool m) { state_.Modified = m; }

  // No without changes; else the save question (Yes saves; a failed save gives Cancel).
  TMsgButton QuerySave();
  // The checks; on a failure its message and focus, false. Else the record is stored.
  bool SaveRecord();
  // Whether the dialog may close now (the save question did not end in Cancel).
  bool FormCloseQuery();
  // Posts the refresh message: it runs after the current handler, then Modified is cleared.
  void PostRefresh(TRefresh p = TRefresh());
  void PostRefresh(const QObject* control) { PostRefresh(TRefresh{control, nullptr}); }

  // The buttons' handlers. New: the save question, then no selection and empty fields.
  // Save: Modified is left set when the save fails. Delete is each dialog's own.
  virtual void btnNewClick();
  virtual void btnSaveClick();
  virtual void btnDeleteClick() = 0;
  // Escape goes through the save question as the close box does.
  void reject() override;

  QPushButton* btnNew;
  QPushButton* btnSave;
  QPushButton* btnDelete;
  QPushButton* btnClose;

 protected:
  TRecordEditor(QWidget* parent, const char* objectName, const char* caption);

  // The box that lists the records: it has the focus when the dialog opens, New clears its
  // selection, and picking an entry runs SelectionClick.
  virtual QComboBox* SelectionBox() const = 0;
  // A pick in the selection box (and the end of FormShow): posts the refresh with the box.
  virtual void SelectionClick();
  // When first shown: selects the first entry when there is one, then SelectionClick.
  virtual void FormShow();
  // The refresh message: show the record picked (or empty fields). Modified is cleared after.
  virtual void Refresh(const TRefresh& p) = 0;
  // The entry checks in their order; the first failure.
  virtual TCheck ValidateRecord() = 0;
  // After the checks passed: a fresh record from the controls into the list (copied into
  // the record with its key, else appended and given an entry), and the list's file written.
  virtual bool StoreRecord() = 0;

  // These controls set Modified when changed: edits and combo boxes on change, check boxes
  // and radio buttons on click.
  void WatchEdits(std::initializer_list<QWidget*> controls);
  // Shows the failure's message, then puts the focus on its control.
  void Fail(const TCheckFailure& failure);
  // Writes the list's file; a failure is said, and answers false.
  bool WriteList(TMyStringList& list);
  // Lays the dialog out: the body, then the row of New, Save, Delete and Close.
  void SetBody(QLayout* body);
  // The row of buttons, for a dialog that adds its own.
  QBoxLayout* ButtonRow() const { return buttons_; }

  void showEvent(QShowEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

 private:
  TEditorState state_;
  QBoxLayout* buttons_;
  bool shown_ = false;
  bool closing_ = false;
};

}  // namespace zv
