// A read-only view of a document too large for the plain text area: the file's bytes are kept
// as they are with an index of line starts, and only the lines on screen are drawn. Lines
// appended to the text area's document while it is shown (log lines) follow the file's lines.
#pragma once
#include <QAbstractScrollArea>
#include <memory>
#include <string>
#include <vector>

class QTextDocument;

namespace zv {

// The lines of file bytes, split as the editor splits them, without copying the bytes.
class TBigText {
 public:
  explicit TBigText(std::string bytes);
  int LineCount() const { return static_cast<int>(begin_.size()); }
  const char* LineData(int i) const { return bytes_.data() + begin_[i]; }
  std::size_t LineLength(int i) const { return length_[i]; }
  std::size_t MaxLineLength() const { return maxLength_; }
  std::size_t ByteSize() const { return bytes_.size(); }
  // Whether line i holds the bytes, ASCII letter case aside.
  bool LineContains(int i, const std::string& lowerNeedle) const;

 private:
  std::string bytes_;
  std::vector<std::size_t> begin_;
  std::vector<unsigned> length_;  // a line of 4 GB or more is cut in the view
  std::size_t maxLength_ = 0;
};

class TBigTextView : public QAbstractScrollArea {
  Q_OBJECT
 public:
  // `tail` is the text area's document: its lines are shown after the big text's.
  TBigTextView(QTextDocument* tail, QWidget* parent = nullptr);
  ~TBigTextView() override;

  // Takes the text to show (none frees it).
  void SetText(std::unique_ptr<TBigText> text);
  bool HasText() const { return text_ != nullptr; }

  int LineCount() const;
  QString Line(int i) const;
  // Characters [from, from + count) of line i: a screen's width of a line of any length.
  QString LineSlice(int i, std::size_t from, std::size_t count) const;
  // The document's file bytes: every line, the tail's included, followed by CR LF.
  std::string Bytes() const;

  // Selects the next line after the selected one (round from the top) that holds the text,
  // letter case aside, and scrolls to it; false when no line does.
  bool FindNext(const QString& text);

  // Selection by whole lines; Copy puts the selected lines on the clipboard.
  void SelectAll();
  void Copy() const;
  QString SelectedText() const;

 protected:
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;

 private:
  void UpdateScrollBars();
  void TailChanged();
  int LineAtY(int y) const;
  int LineHeight() const;
  int BigLines() const { return text_ ? text_->LineCount() : 0; }

  std::unique_ptr<TBigText> text_;
  QTextDocument* tail_;
  std::size_t tailMaxLength_ = 0;
  int anchor_ = -1, current_ = -1;  // the selected lines, anchor_ to current_; none when -1
};

}  // namespace zv
