#include "app/bigtextview.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <algorithm>
#include <limits>

#include "app/documenttext.h"

namespace zv {

namespace {
// The text area's document margin, so that a file reads the same in either.
constexpr int kMargin = 4;
}  // namespace

TBigText::TBigText(std::string bytes) : bytes_(std::move(bytes)) {
  // A punch log line is some 50 bytes; reserving for that avoids most regrowth.
  begin_.reserve(bytes_.size() / 40 + 1);
  length_.reserve(bytes_.size() / 40 + 1);
  const std::size_t cap = std::numeric_limits<unsigned>::max();
  ForEachTextLine(bytes_, [&](std::size_t begin, std::size_t length) {
    begin_.push_back(begin);
    length_.push_back(static_cast<unsigned>(std::min(length, cap)));
    maxLength_ = std::max(maxLength_, length);
  });
  begin_.shrink_to_fit();
  length_.shrink_to_fit();
}

bool TBigText::LineContains(int i, const std::string& lowerNeedle) const {
  const char* b = LineData(i);
  const char* e = b + LineLength(i);
  auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  return std::search(b, e, lowerNeedle.begin(), lowerNeedle.end(),
                     [&](char x, char y) { return fold(x) == y; }) != e;
}

TBigTextView::TBigTextView(QTextDocument* tail, QWidget* parent)
    : QAbstractScrollArea(parent), tail_(tail) {
  setObjectName("lbView");
  setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  setFrameShape(QFrame::NoFrame);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setCursor(Qt::IBeamCursor);
  viewport()->setBackgroundRole(QPalette::Base);
  connect(tail_, &QTextDocument::contentsChanged, this, &TBigTextView::TailChanged);
}

TBigTextView::~TBigTextView() = default;

void TBigTextView::SetText(std::unique_ptr<TBigText> text) {
  text_ = std::move(text);
  tailMaxLength_ = 0;
  anchor_ = current_ = -1;
  verticalScrollBar()->setValue(0);
  horizontalScrollBar()->setValue(0);
  UpdateScrollBars();
  viewport()->update();
}

int TBigTextView::LineCount() const { return BigLines() + DocumentLineCount(*tail_); }

QString TBigTextView::Line(int i) const {
  if (i < BigLines()) {
    return QString::fromLatin1(text_->LineData(i), static_cast<qsizetype>(text_->LineLength(i)));
  }
  return tail_->findBlockByNumber(i - BigLines()).text();
}

QString TBigTextView::LineSlice(int i, std::size_t from, std::size_t count) const {
  if (i >= BigLines()) {
    return Line(i).mid(static_cast<qsizetype>(from), static_cast<qsizetype>(count));
  }
  const std::size_t length = text_->LineLength(i);
  if (from >= length) return QString();
  return QString::fromLatin1(text_->LineData(i) + from,
                             static_cast<qsizetype>(std::min(count, length - from)));
}

std::string TBigTextView::Bytes() const {
  std::string out;
  if (text_) {
    out.reserve(text_->ByteSize() + 2 * static_cast<std::size_t>(text_->LineCount()));
    for (int i = 0; i < text_->LineCount(); ++i) {
      out.append(text_->LineData(i), text_->LineLength(i));
      out += "\r\n";
    }
  }
  out += BytesFromDocument(*tail_);
  return out;
}

bool TBigTextView::FindNext(const QString& text) {
  const int count = LineCount();
  if (count == 0 || text.isEmpty()) return false;
  std::string needle = text.toLatin1().toStdString();
  for (char& c : needle)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  const int start = current_ >= 0 ? current_ + 1 : 0;
  for (int k = 0; k < count; ++k) {
    const int i = (start + k) % count;
    const bool hit = i < BigLines() ? text_->LineContains(i, needle)
                                    : Line(i).contains(text, Qt::CaseInsensitive);
    if (!hit) continue;
    anchor_ = current_ = i;
    QScrollBar* v = verticalScrollBar();
    if (i < v->value() || i >= v->value() + v->pageStep()) v->setValue(i - v->pageStep() / 2);
    viewport()->update();
    return true;
  }
  return false;
}

void TBigTextView::SelectAll() {
  anchor_ = 0;
  current_ = LineCount() - 1;
  viewport()->update();
}

QString TBigTextView::SelectedText() const {
  if (anchor_ < 0 || current_ < 0) return QString();
  int from = std::min(anchor_, current_), to = std::max(anchor_, current_);
  to = std::min(to, LineCount() - 1);
  QString s;
  for (int i = from; i <= to; ++i) {
    s += Line(i);
    if (i < to) s += QLatin1Char('\n');
  }
  return s;
}

void TBigTextView::Copy() const {
  if (anchor_ < 0) return;
  QApplication::clipboard()->setText(SelectedText());
}

int TBigTextView::LineHeight() const { return std::max(1, fontMetrics().lineSpacing()); }

void TBigTextView::UpdateScrollBars() {
  const int rows = std::max(1, (viewport()->height() - kMargin) / LineHeight());
  verticalScrollBar()->setRange(0, std::max(0, LineCount() - rows));
  verticalScrollBar()->setPageStep(rows);
  verticalScrollBar()->setSingleStep(1);
  const std::size_t chars = std::max(text_ ? text_->MaxLineLength() : 0, tailMaxLength_);
  const int charWidth = std::max(1, fontMetrics().horizontalAdvance(QLatin1Char('M')));
  const long long width = static_cast<long long>(chars) * charWidth + charWidth + 2 * kMargin;
  const long long room = std::numeric_limits<int>::max() / 2;
  horizontalScrollBar()->setRange(0, static_cast<int>(std::max(0LL, std::min(room, width) -
                                                                        viewport()->width())));
  horizontalScrollBar()->setPageStep(viewport()->width());
  horizontalScrollBar()->setSingleStep(charWidth);
}

void TBigTextView::TailChanged() {
  // Log lines arrive one at a time at the end: the last line is the only new width. Follow
  // them when the view was showing the end, as the text area does.
  QScrollBar* v = verticalScrollBar();
  const bool atEnd = v->value() >= v->maximum();
  QTextBlock last = tail_->lastBlock();
  tailMaxLength_ = std::max(tailMaxLength_, static_cast<std::size_t>(last.length()));
  UpdateScrollBars();
  if (atEnd) v->setValue(v->maximum());
  viewport()->update();
}

void TBigTextView::resizeEvent(QResizeEvent* e) {
  QAbstractScrollArea::resizeEvent(e);
  UpdateScrollBars();
}

void TBigTextView::paintEvent(QPaintEvent*) {
  QPainter p(viewport());
  const int h = LineHeight();
  const int ascent = fontMetrics().ascent();
  const int charWidth = std::max(1, fontMetrics().horizontalAdvance(QLatin1Char('M')));
  const int first = verticalScrollBar()->value();
  const int count = LineCount();
  const int rows = viewport()->height() / h + 1;
  // Only the columns on screen are drawn, so a very long line costs no more than a short one.
  const int firstChar = horizontalScrollBar()->value() / charWidth;
  const int x = kMargin + firstChar * charWidth - horizontalScrollBar()->value();
  const int chars = viewport()->width() / charWidth + 2;
  const int selFrom = anchor_ < 0 ? -1 : std::min(anchor_, current_);
  const int selTo = anchor_ < 0 ? -1 : std::max(anchor_, current_);
  for (int r = 0; r < rows && first + r < count; ++r) {
    const int i = first + r;
    const int y = kMargin + r * h;
    const bool selected = i >= selFrom && i <= selTo;
    if (selected) {
      p.fillRect(0, y, viewport()->width(), h, palette().highlight());
      p.setPen(palette().color(QPalette::HighlightedText));
    } else {
      p.setPen(palette().color(QPalette::Text));
    }
    p.drawText(x, y + ascent, LineSlice(i, firstChar, chars));
  }
}

void TBigTextView::keyPressEvent(QKeyEvent* e) {
  QScrollBar* v = verticalScrollBar();
  QScrollBar* hb = horizontalScrollBar();
  const bool ctrl = e->modifiers() & Qt::ControlModifier;
  switch (e->key()) {
    case Qt::Key_Up: v->triggerAction(QAbstractSlider::SliderSingleStepSub); break;
    case Qt::Key_Down: v->triggerAction(QAbstractSlider::SliderSingleStepAdd); break;
    case Qt::Key_PageUp: v->triggerAction(QAbstractSlider::SliderPageStepSub); break;
    case Qt::Key_PageDown: v->triggerAction(QAbstractSlider::SliderPageStepAdd); break;
    case Qt::Key_Left: hb->triggerAction(QAbstractSlider::SliderSingleStepSub); break;
    case Qt::Key_Right: hb->triggerAction(QAbstractSlider::SliderSingleStepAdd); break;
    case Qt::Key_Home: (ctrl ? v : hb)->setValue(0); break;
    case Qt::Key_End:
      if (ctrl) v->setValue(v->maximum());
      else hb->setValue(hb->maximum());
      break;
    default:
      // Typing has no place in a read-only view: say so as a text field that refuses does.
      if (!e->text().isEmpty() && !ctrl) QApplication::beep();
      QAbstractScrollArea::keyPressEvent(e);
      return;
  }
  e->accept();
}

int TBigTextView::LineAtY(int y) const {
  const int i = verticalScrollBar()->value() + std::max(0, y - kMargin) / LineHeight();
  return std::min(i, LineCount() - 1);
}

void TBigTextView::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  const int i = LineAtY(e->position().toPoint().y());
  if (i < 0) return;
  if (!(e->modifiers() & Qt::ShiftModifier) || anchor_ < 0) anchor_ = i;
  current_ = i;
  viewport()->update();
}

void TBigTextView::mouseMoveEvent(QMouseEvent* e) {
  if (!(e->buttons() & Qt::LeftButton) || anchor_ < 0) return;
  const int y = e->position().toPoint().y();
  // Dragging past an edge scrolls on.
  QScrollBar* v = verticalScrollBar();
  if (y < 0) v->triggerAction(QAbstractSlider::SliderSingleStepSub);
  if (y > viewport()->height()) v->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  const int i = LineAtY(std::min(y, viewport()->height() - 1));
  if (i >= 0 && i != current_) {
    current_ = i;
    viewport()->update();
  }
}

}  // namespace zv
