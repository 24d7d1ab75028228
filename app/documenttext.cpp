#include "app/documenttext.h"

#include <QTextBlock>
#include <QTextDocument>

namespace zv {

QString DocumentTextFromBytes(const std::string& bytes) {
  std::string joined;
  joined.reserve(bytes.size());
  bool first = true;
  ForEachTextLine(bytes, [&](std::size_t begin, std::size_t length) {
    if (!first) joined += '\n';
    first = false;
    joined.append(bytes, begin, length);
  });
  return QString::fromLatin1(joined.data(), static_cast<qsizetype>(joined.size()));
}

int DocumentLineCount(const QTextDocument& doc) {
  // A document always holds one block; an empty one is no line.
  if (doc.blockCount() == 1 && doc.firstBlock().length() <= 1) return 0;
  return doc.blockCount();
}

std::string BytesFromDocument(const QTextDocument& doc) {
  std::string out;
  if (DocumentLineCount(doc) == 0) return out;
  out.reserve(static_cast<std::size_t>(doc.characterCount()) + 2 * doc.blockCount());
  for (QTextBlock b = doc.firstBlock(); b.isValid(); b = b.next()) {
    out += b.text().toLatin1().toStdString();
    out += "\r\n";
  }
  return out;
}

}  // namespace zv
