#include "app/qtmessageboxes.h"

#include <QApplication>
#include <QMessageBox>

#include "app/latin1.h"

namespace zv {

void TQtMessageBoxes::Warning(const std::string& text) {
  QMessageBox::warning(QApplication::activeWindow(), QStringLiteral("Warning"), Latin1(text),
                       QMessageBox::Ok);
}

TMsgButton TQtMessageBoxes::Question(const std::string& text, TMsgButtons buttons) {
  QMessageBox::StandardButtons qb;
  if (buttons & mbYes) qb |= QMessageBox::Yes;
  if (buttons & mbNo) qb |= QMessageBox::No;
  if (buttons & mbOK) qb |= QMessageBox::Ok;
  if (buttons & mbCancel) qb |= QMessageBox::Cancel;
  if (!qb) qb = QMessageBox::Ok;
  QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), Latin1(text), qb,
                  QApplication::activeWindow());
  box.exec();
  // A box closed without a button press counts as Cancel.
  QAbstractButton* clicked = box.clickedButton();
  if (!clicked) return mbCancel;
  switch (box.standardButton(clicked)) {
    case QMessageBox::Yes: return mbYes;
    case QMessageBox::No: return mbNo;
    case QMessageBox::Ok: return (buttons & mbOK) ? mbOK : mbCancel;
    default: return mbCancel;
  }
}

}  // namespace zv
