// TIniFile: the settings file in the Windows profile-file form ("[Section]" lines and
// "Key=Value" lines), read once and rewritten whole on every change.
#pragma once
#include <string>
#include <vector>

namespace zv {

class TIniFile {
 public:
  // Reads the file; a missing or unreadable one is an empty settings file.
  explicit TIniFile(std::string fileName);

  const std::string& FileName() const { return fileName_; }

  // Section and key names match ignoring ASCII case, as the profile service does.
  bool ValueExists(const std::string& section, const std::string& key) const;
  // The value with its surrounding blanks (and one pair of enclosing quotes) removed;
  // `def` when the key is absent.
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& def) const;
  // A decimal integer; `def` when absent or not a number.
  long long ReadInteger(const std::string& section, const std::string& key, long long def) const;
  // Read as an integer, non-zero meaning true.
  bool ReadBool(const std::string& section, const std::string& key, bool def) const;

  // Each write replaces or appends the key and rewrites the file at once; false when the file
  // cannot be written (the value is kept in memory all the same).
  bool WriteString(const std::string& section, const std::string& key, const std::string& value);
  bool WriteInteger(const std::string& section, const std::string& key, long long value);
  bool WriteBool(const std::string& section, const std::string& key, bool value);

  const std::string& LastError() const { return lastError_; }

 private:
  // Index of the "[section]" line, or -1.
  int FindSection(const std::string& section) const;
  // Index of the key's line within the section, or -1.
  int FindKey(int sectionLine, const std::string& key) const;
  bool Flush();

  std::string fileName_;
  std::vector<std::string> lines_;
  std::string lastError_;
};

}  // namespace zv
