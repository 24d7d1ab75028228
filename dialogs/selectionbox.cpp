#include "dialogs/selectionbox.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QStandardItemModel>
#include <QVariant>
#include <algorithm>

#include "app/latin1.h"
#include "util/text.h"

namespace zv {

namespace {

QVariant Carry(TRecord* record) {
  return QVariant::fromValue(reinterpret_cast<quintptr>(record));
}
TRecord* Carried(const QVariant& v) { return reinterpret_cast<TRecord*>(v.value<quintptr>()); }

// Text order of the sorted boxes: ASCII letters without regard to case, then bytes.
bool SortsBefore(const std::string& a, const std::string& b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

// Where a sorted box takes a new text: after every entry that does not sort behind it. The
// entries are in order, so a binary search finds it (the Users dialog lists every user).
template <class TextAt>
int SortedPosition(const std::string& text, int count, TextAt textAt) {
  int low = 0, high = count;
  while (low < high) {
    const int mid = low + (high - low) / 2;
    if (SortsBefore(text, textAt(mid))) {
      high = mid;
    } else {
      low = mid + 1;
    }
  }
  return low;
}

// Enter in an editable box picks the entry whose text was typed, as a pick from the list
// would; it is not the dialog's default button (Close), which would lose the dialog. A text
// that is no entry stays as typed.
class TEnterPicks : public QObject {
 public:
  explicit TEnterPicks(QComboBox* box) : QObject(box), box_(box) {}

 protected:
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() != QEvent::KeyPress) return false;
    const int key = static_cast<QKeyEvent*>(e)->key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
    if (box_->view()->isVisible()) return false;  // the open list picks by itself
    const int i = box_->findText(box_->currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (i >= 0) {
      box_->setCurrentIndex(i);
      emit box_->activated(i);
    }
    return true;
  }

 private:
  QComboBox* box_;
};

}  // namespace

void MakeEditable(QComboBox* box, int maxLength) {
  box->setEditable(true);
  box->setInsertPolicy(QComboBox::NoInsert);
  box->setCompleter(nullptr);
  // Leaving the box with a typed text that equals an entry would pick that entry (and drop
  // the fields on screen unasked); only a pick from the list, or Enter, is a pick here.
  QObject::disconnect(box->lineEdit(), &QLineEdit::editingFinished, box, nullptr);
  if (maxLength > 0) box->lineEdit()->setMaxLength(maxLength);
  auto* enter = new TEnterPicks(box);
  box->installEventFilter(enter);
  box->lineEdit()->installEventFilter(enter);
}

int AddEntry(QComboBox* box, const std::string& text, TRecord* record, bool sorted) {
  int at = box->count();
  if (sorted) at = SortedPosition(text, box->count(), [box](int i) { return EntryText(box, i); });
  // Inserting must not move the selection nor touch a text being typed.
  const QString typed = box->currentText();
  const bool none = box->currentIndex() < 0;
  const QSignalBlocker block(box);
  box->insertItem(at, Latin1(text), Carry(record));
  if (none) box->setCurrentIndex(-1);  // an empty box selects its first entry by itself
  if (box->isEditable() && box->currentText() != typed) box->setEditText(typed);
  return at;
}

int AddEntry(QListWidget* list, const std::string& text, TRecord* record, bool sorted) {
  int at = list->count();
  if (sorted)
    at = SortedPosition(text, list->count(),
                             [list](int i) { return Latin1Bytes(list->item(i)->text()); });
  auto* item = new QListWidgetItem(Latin1(text));
  item->setData(Qt::UserRole, Carry(record));
  list->insertItem(at, item);
  return at;
}

void FillEntries(QComboBox* box, TEntries entries, bool sorted) {
  // The order AddEntry would give them one by one: stable, so equal texts keep theirs.
  if (sorted)
    std::stable_sort(entries.begin(), entries.end(),
                     [](const auto& a, const auto& b) { return SortsBefore(a.first, b.first); });
  const QSignalBlocker block(box);
  box->clear();
  auto* model = qobject_cast<QStandardItemModel*>(box->model());
  QList<QStandardItem*> items;
  items.reserve(static_cast<qsizetype>(entries.size()));
  for (const auto& [text, record] : entries) {
    auto* item = new QStandardItem(Latin1(text));
    item->setData(Carry(record), Qt::UserRole);
    items.append(item);
  }
  if (model) {
    model->invisibleRootItem()->appendRows(items);
  } else {
    for (QStandardItem* item : items) {
      box->addItem(item->text(), item->data(Qt::UserRole));
      delete item;
    }
  }
  box->setCurrentIndex(-1);
  if (box->isEditable()) box->setEditText(QString());
  if (auto* view = qobject_cast<QListView*>(box->view())) view->setUniformItemSizes(true);
}

void FillEntries(QListWidget* list, const TEntries& entries) {
  const QSignalBlocker block(list);
  list->clear();
  list->setUniformItemSizes(true);
  for (const auto& [text, record] : entries) {
    auto* item = new QListWidgetItem(Latin1(text));
    item->setData(Qt::UserRole, Carry(record));
    list->addItem(item);
  }
}

int SelectedIndex(const QComboBox* box) {
  const int i = box->currentIndex();
  if (i < 0) return -1;
  if (box->isEditable() && box->currentText() != box->itemText(i)) return -1;
  return i;
}

TRecord* EntryRecord(const QComboBox* box, int index) {
  if (index < 0 || index >= box->count()) return nullptr;
  return Carried(box->itemData(index));
}

TRecord* EntryRecord(const QListWidget* list, int index) {
  if (index < 0 || index >= list->count()) return nullptr;
  return Carried(list->item(index)->data(Qt::UserRole));
}

int IndexOfRecord(const QComboBox* box, const TRecord* record) {
  if (!record) return -1;
  for (int i = 0; i < box->count(); ++i)
    if (EntryRecord(box, i) == record) return i;
  return -1;
}

int IndexOfRecord(const QListWidget* list, const TRecord* record) {
  if (!record) return -1;
  for (int i = 0; i < list->count(); ++i)
    if (EntryRecord(list, i) == record) return i;
  return -1;
}

int RemoveRecordEntry(QComboBox* box, const TRecord* record) {
  const int i = IndexOfRecord(box, record);
  if (i >= 0) {
    const QSignalBlocker block(box);
    box->removeItem(i);
  }
  return i;
}

int FindEntry(const QComboBox* box, const std::string& text, bool ignoreCase) {
  for (int i = 0; i < box->count(); ++i) {
    const std::string t = EntryText(box, i);
    if (ignoreCase ? EqualsIgnoreCaseAscii(t, text) : t == text) return i;
  }
  return -1;
}

void SelectEntry(QComboBox* box, int index) {
  if (index >= box->count()) index = -1;
  box->setCurrentIndex(index);
  if (index < 0 && box->isEditable()) box->setEditText(QString());
}

std::string TextOf(const QComboBox* box) { return Latin1Bytes(box->currentText()); }
std::string TextOf(const QLineEdit* edit) { return Latin1Bytes(edit->text()); }
std::string EntryText(const QComboBox* box, int index) {
  return Latin1Bytes(box->itemText(index));
}
void SetText(QLineEdit* edit, const std::string& text) { edit->setText(Latin1(text)); }
void SetText(QComboBox* editableBox, const std::string& text) {
  editableBox->setEditText(Latin1(text));
}

}  // namespace zv
