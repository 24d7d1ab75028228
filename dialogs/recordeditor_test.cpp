// The shared editor behaviour through a minimal editor of one list of names.
#include "dialogs/recordeditor.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <memory>
#include <vector>

#include "dialogs/selectionbox.h"

namespace zv {
namespace {

struct TName : TRecord {
  std::string name, note;
};

class TfrmNames : public TRecordEditor {
 public:
  explicit TfrmNames(std::vector<std::unique_ptr<TName>>& names)
      : TRecordEditor(nullptr, "frmNames", "Names"), names_(names) {
    cbxNames = new QComboBox(this);
    cbxNames->setObjectName("cbxNames");
    MakeEditable(cbxNames);
    edtNote = new QLineEdit(this);
    edtNote->setObjectName("edtNote");
    for (auto& n : names_) AddEntry(cbxNames, n->name, n.get(), true);
    auto* form = new QFormLayout;
    form->addRow("Name:", cbxNames);
    form->addRow("Note:", edtNote);
    SetBody(form);
    WatchEdits({edtNote});
    connect(cbxNames, &QComboBox::activated, this, [this] { SelectionClick(); });
  }
  void btnDeleteClick() override {}
  QComboBox* cbxNames;
  QLineEdit* edtNote;
  int refreshes = 0, stores = 0;

 protected:
  QComboBox* SelectionBox() const override { return cbxNames; }
  void Refresh(const TRefresh&) override {
    ++refreshes;
    auto* n = SelectedRecord<TName>(cbxNames);
    SetText(edtNote, n ? n->note : "");
  }
  TCheck ValidateRecord() override {
    if (Trimmed(TextOf(edtNote)) == "bad") return Fails("Bad note.", "edtNote");
    return std::nullopt;
  }
  bool StoreRecord() override {
    ++stores;
    return true;
  }

 private:
  std::vector<std::unique_ptr<TName>>& names_;
};

class RecordEditor : public ::testing::Test {
 protected:
  RecordEditor() {
    for (const char* n : {"b", "a", "C"}) {
      names.push_back(std::make_unique<TName>());
      names.back()->name = n;
      names.back()->note = std::string("note ") + n;
    }
    dlg = std::make_unique<TfrmNames>(names);
    dlg->show();
    QApplication::processEvents();
  }
  std::vector<std::unique_ptr<TName>> names;
  std::unique_ptr<TfrmNames> dlg;
  TScriptedMessageBoxes boxes;
};

TEST_F(RecordEditor, OpensOnTheFirstRecordSortedAsText) {
  EXPECT_EQ(TextOf(dlg->cbxNames), "a");
  EXPECT_EQ(TextOf(dlg->edtNote), "note a");
  EXPECT_EQ(dlg->cbxNames->itemText(2), "C");
  EXPECT_EQ(dlg->refreshes, 1);
  EXPECT_FALSE(dlg->Modified());  // the refresh's own changes do not count
  EXPECT_EQ(dlg->focusWidget(), dlg->cbxNames);
  EXPECT_EQ(dlg->btnClose->text(), "Close");
  EXPECT_TRUE(dlg->btnClose->isDefault());
}

// The refresh is posted: it has not run when the handler returns.
TEST_F(RecordEditor, PickPostsTheRefresh) {
  dlg->cbxNames->setCurrentIndex(2);
  emit dlg->cbxNames->activated(2);
  EXPECT_EQ(TextOf(dlg->edtNote), "note a");
  QApplication::processEvents();
  EXPECT_EQ(TextOf(dlg->edtNote), "note C");
}

// Typing a key over a shown record means no selection; picking drops edits unasked.
TEST_F(RecordEditor, TypedKeyIsNoSelection) {
  dlg->cbxNames->setEditText("zz");
  EXPECT_EQ(SelectedIndex(dlg->cbxNames), -1);
  // Leaving the box with the text of another entry is no pick.
  dlg->edtNote->setText("kept");
  dlg->cbxNames->setEditText("C");
  emit dlg->cbxNames->lineEdit()->editingFinished();
  QApplication::processEvents();
  EXPECT_EQ(TextOf(dlg->edtNote), "kept");
  EXPECT_EQ(SelectedIndex(dlg->cbxNames), -1);
  EXPECT_EQ(dlg->refreshes, 1);
  dlg->SetModified(false);
  EXPECT_FALSE(dlg->Modified());  // typing a key is not a change
  dlg->edtNote->setText("changed");
  EXPECT_TRUE(dlg->Modified());
  dlg->cbxNames->setCurrentIndex(1);
  emit dlg->cbxNames->activated(1);
  QApplication::processEvents();
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(TextOf(dlg->edtNote), "note b");
  EXPECT_FALSE(dlg->Modified());
}

// Close, Escape and New after a change: what each answer of the save question does.
TEST_F(RecordEditor, SaveQuestionOnCloseAndNew) {
  dlg->edtNote->setText("changed");
  boxes.Answer(mbCancel);
  dlg->btnClose->click();
  EXPECT_TRUE(dlg->isVisible());
  boxes.Answer(mbCancel);
  dlg->reject();  // Escape
  EXPECT_TRUE(dlg->isVisible());
  boxes.Answer(mbCancel);
  dlg->btnNew->click();
  QApplication::processEvents();
  EXPECT_EQ(TextOf(dlg->cbxNames), "a");
  EXPECT_EQ(TextOf(dlg->edtNote), "changed");
  EXPECT_EQ(dlg->stores, 0);

  // Yes with a failing check: its message, its focus, the dialog stays, Modified stays.
  dlg->edtNote->setText("bad");
  dlg->cbxNames->setFocus();
  boxes.Answer(mbYes);
  dlg->btnClose->click();
  EXPECT_TRUE(dlg->isVisible());
  EXPECT_EQ(boxes.Texts().back(), "Bad note.");
  EXPECT_EQ(dlg->focusWidget(), dlg->edtNote);
  EXPECT_TRUE(dlg->Modified());

  // No on New: no selection, empty fields.
  boxes.Answer(mbNo);
  dlg->btnNew->click();
  QApplication::processEvents();
  EXPECT_EQ(TextOf(dlg->cbxNames), "");
  EXPECT_EQ(TextOf(dlg->edtNote), "");
  EXPECT_FALSE(dlg->Modified());
  EXPECT_EQ(dlg->stores, 0);

  // Save: stored, Modified cleared; then Close asks nothing.
  dlg->edtNote->setText("good");
  dlg->btnSave->click();
  EXPECT_EQ(dlg->stores, 1);
  EXPECT_FALSE(dlg->Modified());
  const size_t asked = boxes.shown.size();
  dlg->btnClose->click();
  EXPECT_FALSE(dlg->isVisible());
  EXPECT_EQ(boxes.shown.size(), asked);
  EXPECT_EQ(dlg->result(), QDialog::Accepted);
}

TEST_F(RecordEditor, CloseBoxAsksOnce) {
  dlg->edtNote->setText("changed");
  boxes.Answer(mbNo);
  dlg->close();
  EXPECT_FALSE(dlg->isVisible());
  EXPECT_EQ(boxes.shown.size(), 1u);
}

}  // namespace
}  // namespace zv
