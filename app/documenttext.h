// The editor's document as file bytes: lines end at CR, LF or CR LF when read and are written
// back each followed by CR LF, every other byte kept (Latin-1 where the text meets Qt).
#pragma once
#include <QString>
#include <string>

class QTextDocument;

namespace zv {

// Calls `line(begin, length)` for each line of the bytes. A last line without a line end
// counts only when it is not empty, so "a\r\n" and "a" are both one line.
template <class F>
void ForEachTextLine(const std::string& bytes, F&& line) {
  const std::size_t n = bytes.size();
  std::size_t start = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const char c = bytes[i];
    if (c != '\r' && c != '\n') continue;
    line(start, i - start);
    if (c == '\r' && i + 1 < n && bytes[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < n) line(start, n - start);
}

// The text the plain text area shows for file bytes: every line end as "\n", so that a file
// ending with a line end shows an empty last line.
QString DocumentTextFromBytes(const std::string& bytes);
// The file bytes of a text document: every line followed by CR LF, an empty last line (the
// place after the last line end) writing nothing; so bytes with CR LF line ends come back
// exactly. Reads the blocks' raw text, since toPlainText() turns byte A0 into a blank.
std::string BytesFromDocument(const QTextDocument& doc);
// The number of lines of a document in the sense above (0 for an empty one).
int DocumentLineCount(const QTextDocument& doc);

}  // namespace zv
