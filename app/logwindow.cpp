#include "app/logwindow.h"

#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace zv {

TLogWindow::TLogWindow(QPlainTextEdit* lb) : lb_(lb) {
  QObject::connect(lb_->document(), &QTextDocument::contentsChanged, lb_, [this] {
    if (!flushing_) endsWithLogLine_ = false;
  });
}

void TLogWindow::SetGathering(bool on) {
  if (!on) Flush();
  gathering_ = on;
}

void TLogWindow::AddLine(const std::string& text) {
  if (pendingLines_ > 0) pending_ += QLatin1Char('\n');
  pending_ += QLatin1String(text.data(), static_cast<qsizetype>(text.size()));
  if (++pendingLines_ >= kMaxGathered) Flush();
  LetEventsRun(!gathering_);
}

void TLogWindow::Flush() {
  if (pendingLines_ == 0) return;
  QTextDocument* doc = lb_->document();
  // The lines of an operation are no edit of the person's: never an undo step (which would
  // take them out of the log), so the undo history ends here.
  flushing_ = true;
  doc->setUndoRedoEnabled(false);
  if (!endsWithLogLine_ && doc->blockCount() > 1 && doc->lastBlock().length() <= 1) {
    // The empty line after a file's last line end is where the next line goes.
    QTextCursor end(doc);
    end.movePosition(QTextCursor::End);
    end.deletePreviousChar();
  }
  // One append of several lines: each "\n" starts a new block, as separate appends would.
  lb_->appendPlainText(pending_);
  doc->setUndoRedoEnabled(true);
  doc->setModified(true);
  flushing_ = false;
  endsWithLogLine_ = true;
  pending_.clear();
  pendingLines_ = 0;
}

void TLogWindow::LetEventsRun(bool force) {
  TClock::time_point now = TClock::now();
  if (!force && now - lastEvents_ < kInterval) return;
  Flush();
  // Stamped first: a line written by an event handler in there needs no round of its own.
  lastEvents_ = now;
  QCoreApplication::processEvents();
}

}  // namespace zv
