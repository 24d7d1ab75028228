// The application object and the Qt message boxes.
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <stdexcept>

#include "app/apptest.h"
#include "app/qtmessageboxes.h"
#include "app/zvapplication.h"

namespace zv {
namespace {

std::vector<std::string> g_errors;
void RecordError(const char* text) { g_errors.push_back(text); }

class Thrower : public QObject {
 protected:
  bool event(QEvent* e) override {
    if (e->type() == QEvent::User) throw std::runtime_error("Unable to create file /x/Sys.Log");
    return QObject::event(e);
  }
};

TEST(ZvApplicationTest, EscapedErrorIsShownAndTheProgramGoesOn) {
  g_errors.clear();
  TErrorBox old = SetErrorBox(&RecordError);
  Thrower t;
  QCoreApplication::postEvent(&t, new QEvent(QEvent::User));
  QCoreApplication::processEvents();
  SetErrorBox(old);
  EXPECT_EQ(g_errors, std::vector<std::string>{"Unable to create file /x/Sys.Log"});
  // The loop still delivers events afterwards.
  bool ran = false;
  QMetaObject::invokeMethod(qApp, [&] { ran = true; }, Qt::QueuedConnection);
  QCoreApplication::processEvents();
  EXPECT_TRUE(ran);
}

enum class TClose { Reject, Escape, CloseBox };

// Presses a button of the message box that opens next; none closes it the given way.
void AnswerNextBox(std::optional<QMessageBox::StandardButton> button, std::string* text,
                   TClose how = TClose::Reject) {
  QTimer::singleShot(0, [button, text, how] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    *text = box->text().toLatin1().toStdString();
    if (button) {
      box->button(*button)->click();
    } else if (how == TClose::Escape) {
      QTest::keyClick(box, Qt::Key_Escape);
    } else if (how == TClose::CloseBox) {
      box->close();
    } else {
      box->reject();
    }
  });
}

TEST(QtMessageBoxesTest, AnswersAreTheButtonsPressed) {
  TQtMessageBoxes boxes;
  std::string text;
  AnswerNextBox(QMessageBox::No, &text);
  EXPECT_EQ(boxes.Question(std::string("Save caf\xe9?", 10), mbYes | mbNo | mbCancel), mbNo);
  EXPECT_EQ(text, std::string("Save caf\xe9?", 10));
  AnswerNextBox(QMessageBox::Ok, &text);
  EXPECT_EQ(boxes.Question("Go on?", mbOK | mbCancel), mbOK);
  AnswerNextBox(std::nullopt, &text);
  EXPECT_EQ(boxes.Question("Closed?", mbYes | mbNo | mbCancel), mbCancel);
  AnswerNextBox(QMessageBox::Ok, &text);
  boxes.Warning("Data Path: x, not a valid directory.");
  EXPECT_EQ(text, "Data Path: x, not a valid directory.");
}

// Qt alone would answer No (or the only button) when a box without Cancel is closed.
TEST(QtMessageBoxesTest, ClosingAnyBoxCountsAsCancel) {
  TQtMessageBoxes boxes;
  std::string text;
  for (TMsgButtons set : {TMsgButtons(mbYes | mbNo), TMsgButtons(mbOK), mbYes | mbNo | mbCancel, mbOK | mbCancel}) {
    for (TClose how : {TClose::Escape, TClose::CloseBox, TClose::Reject}) {
      AnswerNextBox(std::nullopt, &text, how);
      EXPECT_EQ(boxes.Question("Delete?", set), mbCancel)
          << "buttons " << set << ", way " << static_cast<int>(how);
    }
  }
  AnswerNextBox(QMessageBox::No, &text);
  EXPECT_EQ(boxes.Question("Delete?", mbYes | mbNo), mbNo);
  AnswerNextBox(QMessageBox::Ok, &text);
  EXPECT_EQ(boxes.Question("Go on?", mbOK), mbOK);
}

}  // namespace
}  // namespace zv
