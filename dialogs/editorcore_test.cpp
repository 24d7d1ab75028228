#include "dialogs/editorcore.h"

#include <gtest/gtest.h>

namespace zv {
namespace {

// The save question: what is asked, what is saved and what the caller is told.
TEST(EditorState, QuerySave) {
  struct Case {
    bool modified;
    TMsgButton answer;
    bool saveOk;
    TMsgButton result;
    bool asked, saved;
  } cases[] = {
      {false, mbYes, true, mbNo, false, false},   // nothing changed: nothing asked
      {true, mbYes, true, mbYes, true, true},     // saved
      {true, mbYes, false, mbCancel, true, true}, // a failed save keeps the dialog
      {true, mbNo, true, mbNo, true, false},      // changes dropped
      {true, mbCancel, true, mbCancel, true, false},
  };
  for (const Case& c : cases) {
    TScriptedMessageBoxes boxes;
    boxes.Answer(c.answer);
    TEditorState st;
    st.Modified = c.modified;
    bool saved = false;
    TMsgButton r = st.QuerySave([&] {
      saved = true;
      return c.saveOk;
    });
    EXPECT_EQ(r, c.result) << c.modified << " " << c.answer;
    EXPECT_EQ(saved, c.saved);
    ASSERT_EQ(boxes.shown.size(), c.asked ? 1u : 0u);
    if (c.asked) {
      EXPECT_EQ(boxes.shown[0].text, "Save changes to the current record?");
      EXPECT_EQ(boxes.shown[0].buttons, unsigned(mbYes | mbNo | mbCancel));
    }
  }
}

TEST(EditorCore, NumbersAndTexts) {
  EXPECT_EQ(ValueOf(" 42\t", -1), 42);
  EXPECT_EQ(ValueOf("4 2", -1), -1);
  EXPECT_EQ(ValueOf("", 29), 29);
  EXPECT_EQ(ValueOf("0x10", 7), 7);
  EXPECT_EQ(ValueOf("99999999999999999999", 5), 5);  // overflow is no number
  EXPECT_FALSE(FilledOutside("  ", 29, 30, 250));      // empty: the check is skipped
  EXPECT_TRUE(FilledOutside("abc", 29, 30, 250));      // filled, default out of range
  EXPECT_FALSE(FilledOutside(" 30 ", 29, 30, 250));
  EXPECT_TRUE(FilledOutside("251", 29, 30, 250));
  EXPECT_EQ(NoCommas("a,b", "comment", "edtComment"),
            Fails("Commas not allowed in comment.", "edtComment"));
  EXPECT_EQ(NoCommas("a;b", "comment", "edtComment"), std::nullopt);
}

}  // namespace
}  // namespace zv
