// The shared fixture of the dialog tests: a private data directory, scripted message boxes,
// and the posted refreshes run to their end.
#pragma once
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <string>
#include <vector>

#include "dialogs/editorcore.h"
#include "dialogs/selectionbox.h"
#include "util/msgbox.h"
#include "util/testsupport.h"

namespace zv {

// A check's result against the expected message and focus (an empty message: accepted).
inline void ExpectCheck(const TCheck& r, const std::string& message, const std::string& focus,
                        const char* what) {
  if (message.empty()) {
    EXPECT_FALSE(r) << what << ": " << r->message;
  } else {
    ASSERT_TRUE(r) << what;
    EXPECT_EQ(*r, (TCheckFailure{message, focus})) << what;
  }
}

class TDialogTest : public ::testing::Test {
 protected:
  std::string Dir() const { return dir_.dir(); }
  std::string Path(const std::string& name) const { return dir_.file(name); }
  void Write(const std::string& name, const std::string& bytes) {
    zv::testing::WriteFile(dir_.file(name), bytes);
  }
  std::string Read(const std::string& name) const { return zv::testing::ReadFile(dir_.file(name)); }

  // Runs the posted refreshes, and those they post in turn.
  static void Settle() {
    for (int i = 0; i < 4; ++i) QApplication::processEvents();
  }
  // A pick of the entry with this text, as the user makes it.
  static void Pick(QComboBox* box, const std::string& text) {
    const int i = FindEntry(box, text);
    ASSERT_GE(i, 0) << text;
    box->setCurrentIndex(i);
    emit box->activated(i);
    Settle();
  }
  static std::vector<std::string> Entries(const QComboBox* box) {
    std::vector<std::string> v;
    for (int i = 0; i < box->count(); ++i) v.push_back(EntryText(box, i));
    return v;
  }
  // The control of the dialog with this objectName, which must exist.
  template <class W>
  static W* Child(QWidget* dlg, const char* name) {
    auto* w = dlg->findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  // The objectNames of the controls that Tab visits, from the first control on.
  static std::vector<std::string> TabStops(QWidget* dlg, QWidget* first) {
    std::vector<std::string> names;
    QWidget* w = first;
    do {
      if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(dlg) && !w->objectName().isEmpty())
        names.push_back(w->objectName().toStdString());
      w = w->nextInFocusChain();
    } while (w && w != first);
    return names;
  }
  static std::string FocusName(QWidget* dlg) {
    QWidget* w = dlg->focusWidget();
    return w ? w->objectName().toStdString() : std::string();
  }

  TScriptedMessageBoxes boxes;

 private:
  zv::testing::TTempDir dir_;
};

}  // namespace zv
