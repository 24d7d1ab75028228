#include "util/msgbox.h"

#include <gtest/gtest.h>

namespace zv {

TEST(MsgBoxTest, ScriptedBoxesRecordAndAnswerInOrder) {
  TScriptedMessageBoxes boxes;
  boxes.Answer(mbYes);
  ShowWarning("Bad input");
  EXPECT_EQ(AskQuestion("Delete?", mbYes | mbNo), mbYes);
  EXPECT_EQ(AskSaveRecord(), mbCancel);  // script used up: the fallback answers
  ASSERT_EQ(boxes.shown.size(), 3u);
  EXPECT_EQ(boxes.shown[0].icon, TMsgIcon::Warning);
  EXPECT_EQ(boxes.shown[0].buttons, unsigned(mbOK));
  EXPECT_EQ(boxes.shown[1].icon, TMsgIcon::Question);
  EXPECT_EQ(boxes.shown[2].text, "Save changes to the current record?");
  EXPECT_EQ(boxes.shown[2].buttons, unsigned(mbYes | mbNo | mbCancel));
}

TEST(MsgBoxTest, NestedScriptsRestoreThePreviousOne) {
  TScriptedMessageBoxes outer;
  {
    TScriptedMessageBoxes inner;
    ShowWarning("inner");
    EXPECT_EQ(inner.shown.size(), 1u);
  }
  ShowWarning("outer");
  EXPECT_EQ(outer.Texts(), std::vector<std::string>{"outer"});
}

TEST(MsgBoxTest, WithoutBoxesAQuestionIsCancelled) {
  IMessageBoxes* old = SetMessageBoxes(nullptr);
  EXPECT_EQ(AskQuestion("?", mbYes | mbNo), mbCancel);
  SetMessageBoxes(old);
}

}  // namespace zv
