#include "dialogs/dialoglayout.h"

#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <algorithm>
#include <initializer_list>
#include <vector>

namespace zv {

QComboBox* NamedCombo(QWidget* parent, const char* name) {
  auto* c = new QComboBox(parent);
  c->setObjectName(name);
  c->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  return c;
}

QLineEdit* NamedEdit(QWidget* parent, const char* name) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(name);
  return e;
}

QGroupBox* NamedGroup(QWidget* parent, const char* name, const char* title) {
  auto* g = new QGroupBox(QString::fromLatin1(title), parent);
  g->setObjectName(name);
  return g;
}

QCheckBox* NamedCheck(QWidget* parent, const char* name, const char* text) {
  auto* c = new QCheckBox(QString::fromLatin1(text), parent);
  c->setObjectName(name);
  return c;
}

QRadioButton* NamedRadio(QWidget* parent, const char* name, const char* text) {
  auto* r = new QRadioButton(QString::fromLatin1(text), parent);
  r->setObjectName(name);
  return r;
}

QLabel* Buddy(const char* text, QWidget* control) {
  auto* l = new QLabel(QString::fromLatin1(text), control->parentWidget());
  l->setBuddy(control);
  return l;
}

void SetCharsWide(QWidget* control, int chars, bool fixed) {
  // The frame and, for a combo box, its arrow come on top of the text.
  const int text = control->fontMetrics().horizontalAdvance(QString(chars, QLatin1Char('0')));
  const int extra = qobject_cast<QComboBox*>(control) ? 40 : 12;
  control->setMinimumWidth(text + extra);
  if (fixed) control->setMaximumWidth(text + extra);
}

void AddEditRows(QWidget* parent, QFormLayout* form, int chars,
                 std::initializer_list<TEditRow> rows) {
  for (const TEditRow& r : rows) {
    *r.edit = NamedEdit(parent, r.name);
    SetCharsWide(*r.edit, chars);
    form->addRow(Buddy(r.label, *r.edit), *r.edit);
  }
}

void SetShortEdit(QLineEdit* edit, int chars) {
  edit->setMaxLength(chars);
  SetCharsWide(edit, chars, true);
}

QBoxLayout* KeyRow(const char* label, QWidget* box) {
  auto* row = new QHBoxLayout;
  row->addWidget(Buddy(label, box));
  row->addWidget(box);
  row->addStretch();
  return row;
}

void ReadingTabOrder(QWidget* window, std::initializer_list<QWidget*> last) {
  std::vector<QWidget*> order;
  for (QWidget* w : window->findChildren<QWidget*>()) {
    if (!(w->focusPolicy() & Qt::TabFocus)) continue;
    if (std::find(last.begin(), last.end(), w) != last.end()) continue;
    // The parts of a combo box or spin box (its edit, its popup) are not stops of their own.
    bool part = false;
    for (QWidget* p = w->parentWidget(); p && p != window; p = p->parentWidget())
      part = part || qobject_cast<QComboBox*>(p) || qobject_cast<QAbstractSpinBox*>(p);
    if (!part) order.push_back(w);
  }
  order.insert(order.end(), last.begin(), last.end());
  for (std::size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

}  // namespace zv
