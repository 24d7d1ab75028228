#include "app/qtmessageboxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

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
  // Closing the box counts as Cancel. Without a Cancel button Qt would have Escape and the
  // close box press No, or the only button there is; a hidden button takes that part instead.
  QPushButton* closed = nullptr;
  if (!(buttons & mbCancel)) {
    closed = box.addButton(QString(), QMessageBox::RejectRole);
    closed->hide();
    box.setEscapeButton(closed);
  }
  box.exec();
  QAbstractButton* clicked = box.clickedButton();
  if (!clicked || clicked == closed) return mbCancel;
  switch (box.standardButton(clicked)) {
    case QMessageBox::Yes: return mbYes;
    case QMessageBox::No: return mbNo;
    case QMessageBox::Ok: return (buttons & mbOK) ? mbOK : mbCancel;
    default: return mbCancel;
  }
}

}  // namespace zv
