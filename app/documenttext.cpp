#include "app/documenttext.h"

#include <QTextBlock>
#include <QTextDocument>

namespace zv {

QString DocumentTextFromBytes(const std::string& bytes) {
  // Every line end becomes one "\n", the last one included: a file that ends with a line end
  // shows an empty last line, where typing starts a new record instead of joining the last.
  std::string text;
  text.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c == '\r') {
      if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
      text += '\n';
    } else {
      text += c;
    }
  }
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

int DocumentLineCount(const QTextDocument& doc) {
  // An empty last block is the place after the last line end, not a line.
  const int blocks = doc.blockCount();
  return doc.lastBlock().length() <= 1 ? blocks - 1 : blocks;
}

std::string BytesFromDocument(const QTextDocument& doc) {
  std::string out;
  const int lines = DocumentLineCount(doc);
  out.reserve(static_cast<std::size_t>(doc.characterCount()) + 2 * doc.blockCount());
  QTextBlock b = doc.firstBlock();
  for (int i = 0; i < lines; ++i, b = b.next()) {
    out += b.text().toLatin1().toStdString();
    out += "\r\n";
  }
  return out;
}

}  // namespace zv
