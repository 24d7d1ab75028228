// Where the program's single-byte texts meet Qt: Latin-1 both ways, so every byte survives.
#pragma once
#include <QString>
#include <string>

namespace zv {

inline QString Latin1(const std::string& s) {
  return QString::fromLatin1(s.data(), static_cast<int>(s.size()));
}
inline std::string Latin1Bytes(const QString& s) { return s.toLatin1().toStdString(); }

}  // namespace zv
