// Building blocks of the dialogs' layouts: named controls, labels tied to their control,
// widths in characters of the current font, and the tab order in reading order.
#pragma once
#include <QString>
#include <initializer_list>

class QBoxLayout;
class QCheckBox;
class QFormLayout;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QWidget;

namespace zv {

QComboBox* NamedCombo(QWidget* parent, const char* name);
QLineEdit* NamedEdit(QWidget* parent, const char* name);
QGroupBox* NamedGroup(QWidget* parent, const char* name, const char* title);
QCheckBox* NamedCheck(QWidget* parent, const char* name, const char* text);
QRadioButton* NamedRadio(QWidget* parent, const char* name, const char* text);
// A label for the control (the control's parent is the label's): clicking it or its
// mnemonic, when the text has one, moves to the control.
QLabel* Buddy(const char* text, QWidget* control);
// At least wide enough for `chars` digits of the control's font, so that a larger font
// widens it too; a `fixed` control keeps that width (short numbers).
void SetCharsWide(QWidget* control, int chars, bool fixed = false);
// Labelled edits added as rows of a form, each `chars` digits wide at least.
struct TEditRow {
  QLineEdit** edit;
  const char* name;
  const char* label;
};
void AddEditRows(QWidget* parent, QFormLayout* form, int chars,
                 std::initializer_list<TEditRow> rows);
// An edit of at most `chars` characters, as wide as they need and no wider.
void SetShortEdit(QLineEdit* edit, int chars);
// The row of a dialog's key: the label, the box, and the rest of the row empty.
QBoxLayout* KeyRow(const char* label, QWidget* box);
// Chains the tab order of the window's focusable controls in the order they were created
// (depth first), with the widgets `last` at the end.
void ReadingTabOrder(QWidget* window, std::initializer_list<QWidget*> last);

}  // namespace zv
