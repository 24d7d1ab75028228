// Find in the document: a bar at the bottom of the main window (Ctrl+F) with the text to look
// for; Enter and F3 go to the next match over the whole text, from the cursor on and round
// from the top, in the text area and in the view of large documents alike.
#pragma once
#include <QToolBar>

class QLineEdit;

namespace zv {

class TfrmZorvan;

class TFindBar : public QToolBar {
  Q_OBJECT
 public:
  explicit TFindBar(TfrmZorvan& frm);

  // Shows the bar with the text to find selected.
  void Open();
  // Goes to the next match of the text (opens the bar when there is none); false when the
  // document has none, which the status bar then says.
  bool FindNext();

  QLineEdit* edtFind;

 protected:
  bool eventFilter(QObject* o, QEvent* e) override;

 private:
  TfrmZorvan& frm_;
};

}  // namespace zv
