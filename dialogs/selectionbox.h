// Combo boxes and list boxes whose entries carry a record of one of the main window's
// lists, with the "selected entry" of the record editors, and the byte texts of the edits.
#pragma once
#include <QComboBox>
#include <QListWidget>
#include <string>
#include <utility>
#include <vector>

#include "data/mystringlist.h"

class QLineEdit;

namespace zv {

// Makes an editable combo box take the typed text as it is: no completion and no entry
// added by Enter. `maxLength` 0 leaves the length free.
void MakeEditable(QComboBox* box, int maxLength = 0);

// Adds an entry with the text, carrying the record (may be none). A sorted box keeps its
// entries in text order (case-insensitive, as its readers sort); answers the entry's index.
int AddEntry(QComboBox* box, const std::string& text, TRecord* record = nullptr,
             bool sorted = false);
int AddEntry(QListWidget* list, const std::string& text, TRecord* record = nullptr,
             bool sorted = false);
// Replaces all entries at once (a sorted box sorts them as AddEntry would); no selection.
// For boxes of tens of thousands of records: one insert, and a popup that lays out only
// the rows it shows.
using TEntries = std::vector<std::pair<std::string, TRecord*>>;
void FillEntries(QComboBox* box, TEntries entries, bool sorted = false);
void FillEntries(QListWidget* list, const TEntries& entries);

// The selected entry, or -1. In an editable box a text typed over the entry counts as no
// selection, so that a new key typed over a shown record is taken as new.
int SelectedIndex(const QComboBox* box);
// The record the entry carries (none out of range).
TRecord* EntryRecord(const QComboBox* box, int index);
TRecord* EntryRecord(const QListWidget* list, int index);
template <class R>
R* SelectedRecord(const QComboBox* box) {
  return static_cast<R*>(EntryRecord(box, SelectedIndex(box)));
}
template <class R>
R* SelectedRecord(const QListWidget* list) {
  return static_cast<R*>(EntryRecord(list, list->currentRow()));
}
// The entry that carries the record, or -1.
int IndexOfRecord(const QComboBox* box, const TRecord* record);
int IndexOfRecord(const QListWidget* list, const TRecord* record);
// Removes the entry carrying the record; answers its index, or -1 when none did.
int RemoveRecordEntry(QComboBox* box, const TRecord* record);
// The first entry whose text equals the text (optionally without regard to ASCII case).
int FindEntry(const QComboBox* box, const std::string& text, bool ignoreCase = false);
// Selects the entry (-1: none). In an editable box no selection also empties the text.
void SelectEntry(QComboBox* box, int index);

// The texts of the controls as the program's byte strings, and back.
std::string TextOf(const QComboBox* box);
std::string TextOf(const QLineEdit* edit);
std::string EntryText(const QComboBox* box, int index);
void SetText(QLineEdit* edit, const std::string& text);
void SetText(QComboBox* editableBox, const std::string& text);

}  // namespace zv
