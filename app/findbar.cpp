#include "app/findbar.h"

#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTextCursor>
#include <QTextDocument>

#include "app/bigtextview.h"
#include "app/frmzorvan.h"

namespace zv {

TFindBar::TFindBar(TfrmZorvan& frm) : QToolBar(&frm), frm_(frm) {
  setObjectName("tbFind");
  setWindowTitle(QStringLiteral("Find"));
  setMovable(false);
  setFloatable(false);
  addWidget(new QLabel(QStringLiteral("Find: "), this));
  edtFind = new QLineEdit(this);
  edtFind->setObjectName("edtFind");
  edtFind->setMinimumWidth(edtFind->fontMetrics().horizontalAdvance(QLatin1Char('M')) * 24);
  addWidget(edtFind);
  QAction* next = addAction(QStringLiteral("Next"));
  next->setObjectName("btnFindNext");
  QAction* close = addAction(QStringLiteral("Close"));
  close->setObjectName("btnFindClose");
  connect(next, &QAction::triggered, this, [this] { FindNext(); });
  connect(close, &QAction::triggered, this, &QWidget::hide);
  connect(edtFind, &QLineEdit::returnPressed, this, [this] { FindNext(); });
  edtFind->installEventFilter(this);
  frm.addToolBar(Qt::BottomToolBarArea, this);
  hide();
}

void TFindBar::Open() {
  show();
  edtFind->setFocus();
  edtFind->selectAll();
}

bool TFindBar::eventFilter(QObject* o, QEvent* e) {
  if (o == edtFind && e->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape) {
    hide();
    if (frm_.lbView && frm_.lbView->HasText()) {
      frm_.lbView->setFocus();
    } else {
      frm_.lb->setFocus();
    }
    return true;
  }
  return QToolBar::eventFilter(o, e);
}

bool TFindBar::FindNext() {
  const QString text = edtFind->text();
  if (text.isEmpty()) {
    Open();
    return false;
  }
  bool found;
  if (frm_.lbView && frm_.lbView->HasText()) {
    found = frm_.lbView->FindNext(text);
  } else {
    // From the cursor on, then round from the top.
    found = frm_.lb->find(text);
    if (!found) {
      const QTextCursor keep = frm_.lb->textCursor();
      frm_.lb->moveCursor(QTextCursor::Start);
      found = frm_.lb->find(text);
      if (!found) frm_.lb->setTextCursor(keep);
    }
  }
  if (!found) frm_.statusBar()->showMessage("Cannot find \"" + text + "\"", 5000);
  else frm_.statusBar()->clearMessage();
  return found;
}

}  // namespace zv
