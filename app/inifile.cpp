#include "app/inifile.h"

#include "data/mystringlist.h"
#include "util/fileio.h"
#include "util/text.h"

namespace zv {

namespace {

// The section name of a "[name]" line, or false when the line is not one.
bool SectionName(const std::string& line, std::string& name) {
  std::string t = TrimBlanks(line);
  if (t.size() < 2 || t.front() != '[') return false;
  std::size_t close = t.find(']');
  if (close == std::string::npos) return false;
  name = TrimBlanks(t.substr(1, close - 1));
  return true;
}

// Splits a "key=value" line; false for lines without "=" and comments.
bool KeyValue(const std::string& line, std::string& key, std::string& value) {
  std::string t = TrimBlanks(line);
  if (t.empty() || t[0] == ';') return false;
  std::size_t eq = t.find('=');
  if (eq == std::string::npos) return false;
  key = TrimBlanks(t.substr(0, eq));
  value = TrimBlanks(t.substr(eq + 1));
  return true;
}

}  // namespace

TIniFile::TIniFile(std::string fileName) : fileName_(std::move(fileName)) {
  std::string bytes;
  if (ReadWholeFile(fileName_, bytes) == TReadResult::Ok) lines_ = SplitTextLines(bytes);
}

int TIniFile::FindSection(const std::string& section) const {
  std::string name;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (SectionName(lines_[i], name) && EqualsIgnoreCaseAscii(name, section)) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

int TIniFile::FindKey(int sectionLine, const std::string& key) const {
  std::string name, k, v;
  for (std::size_t i = static_cast<std::size_t>(sectionLine) + 1; i < lines_.size(); ++i) {
    if (SectionName(lines_[i], name)) break;
    if (KeyValue(lines_[i], k, v) && EqualsIgnoreCaseAscii(k, key)) return static_cast<int>(i);
  }
  return -1;
}

bool TIniFile::ValueExists(const std::string& section, const std::string& key) const {
  int s = FindSection(section);
  return s >= 0 && FindKey(s, key) >= 0;
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& def) const {
  int s = FindSection(section);
  if (s < 0) return def;
  int k = FindKey(s, key);
  if (k < 0) return def;
  std::string name, value;
  KeyValue(lines_[k], name, value);
  if (value.size() >= 2 && ((value.front() == '"' && value.back() == '"') ||
                            (value.front() == '\'' && value.back() == '\''))) {
    value = value.substr(1, value.size() - 2);
  }
  return value;
}

long long TIniFile::ReadInteger(const std::string& section, const std::string& key,
                                long long def) const {
  if (!ValueExists(section, key)) return def;
  return StrToIntDef(ReadString(section, key, ""), def);
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

bool TIniFile::WriteString(const std::string& section, const std::string& key,
                           const std::string& value) {
  // A line break in a value would split it into a second key on the next read.
  std::string v;
  for (char c : value) {
    if (c != '\r' && c != '\n') v += c;
  }
  std::string line = key + "=" + v;
  // The file may have been edited by hand since it was read: change only this key of what
  // is on disk now, as the profile service does.
  std::string bytes;
  if (ReadWholeFile(fileName_, bytes) == TReadResult::Ok) lines_ = SplitTextLines(bytes);
  int s = FindSection(section);
  if (s < 0) {
    lines_.push_back("[" + section + "]");
    lines_.push_back(line);
  } else {
    int k = FindKey(s, key);
    if (k >= 0) {
      lines_[k] = line;
    } else {
      // After the section's last key, so that blank lines before the next section stay there.
      std::size_t at = static_cast<std::size_t>(s) + 1;
      std::string name, kk, vv;
      for (std::size_t i = at; i < lines_.size(); ++i) {
        if (SectionName(lines_[i], name)) break;
        if (KeyValue(lines_[i], kk, vv)) at = i + 1;
      }
      lines_.insert(lines_.begin() + static_cast<long>(at), line);
    }
  }
  return Flush();
}

bool TIniFile::WriteInteger(const std::string& section, const std::string& key, long long value) {
  return WriteString(section, key, std::to_string(value));
}

bool TIniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
  return WriteString(section, key, value ? "1" : "0");
}

bool TIniFile::Flush() {
  std::string text;
  for (const std::string& l : lines_) text += l + "\r\n";
  // Settings are changed rarely and by hand too; never leave a half-written file. A settings
  // file kept elsewhere behind a symbolic link is written where it is, and the link stays.
  std::string target = ResolveLinks(fileName_);
  ForceDirectories(DirectoryOf(target));
  return WriteFileAtomic(target, text, &lastError_);
}

}  // namespace zv
