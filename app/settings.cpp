#include "app/settings.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <cstdlib>

namespace zv {

namespace {

// An XDG base directory: the variable when it holds an absolute path, else $HOME + fallback.
std::string XdgDir(const char* var, const char* homeRelative) {
  const char* v = std::getenv(var);
  if (v && v[0] == '/') return v;
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : "/tmp") + homeRelative;
}

}  // namespace

std::string SettingsFileFor(const std::string& exeName) {
  std::string base = exeName;
  std::size_t slash = base.rfind('/');
  if (slash != std::string::npos) base = base.substr(slash + 1);
  std::size_t dot = base.rfind('.');
  if (dot != std::string::npos && dot > 0) base = base.substr(0, dot);
  return WithDelimiter(XdgDir("XDG_CONFIG_HOME", "/.config")) + base + ".INI";
}

std::string DefaultDataDirectory() {
  return WithDelimiter(XdgDir("XDG_DATA_HOME", "/.local/share")) + "zorvan32/";
}

TAppPaths DefaultAppPaths() {
  TAppPaths p;
  QFileInfo exe(QCoreApplication::applicationFilePath());
  p.ProgramPath = WithDelimiter(QFile::encodeName(exe.absolutePath()).toStdString());
  p.SettingsFile = SettingsFileFor(QFile::encodeName(exe.fileName()).toStdString());
  p.DefaultDataPath = DefaultDataDirectory();
  return p;
}

std::string WithDelimiter(const std::string& dir) {
  if (!dir.empty() && dir.back() == '/') return dir;
  return dir + "/";
}

std::string WithoutDelimiter(const std::string& dir) {
  // The root directory keeps its "/": an empty text would read back as no directory at all.
  if (dir.size() > 1 && dir.back() == '/') return dir.substr(0, dir.size() - 1);
  return dir;
}

int ClampInterCommandDelay(long long seconds) {
  if (seconds < 1) return 1;
  if (seconds > 60) return 60;
  return static_cast<int>(seconds);
}

int ClampParallelLines(long long lines) {
  if (lines < 1) return 1;
  if (lines > kMaxParallelLines) return kMaxParallelLines;
  return static_cast<int>(lines);
}

TSettingsValues ReadSettings(const TIniFile& ini, const std::string& defaultDataPath) {
  TSettingsValues v;
  std::string data = ini.ReadString(kSettingsSection, "DataPath", "");
  v.DataPath = data.empty() ? WithDelimiter(defaultDataPath) : WithDelimiter(data);
  std::string punch = ini.ReadString(kSettingsSection, "PunchPath", "");
  v.PunchPath = punch.empty() ? v.DataPath : WithDelimiter(punch);
  long long nur = ini.ReadInteger(kSettingsSection, "NewUserRestriction", kDefaultNewUserRestriction);
  // Stored as a 32-bit value; anything outside reads as the default.
  v.NewUserRestriction = (nur < -2147483648LL || nur > 2147483647LL)
                             ? kDefaultNewUserRestriction
                             : static_cast<int>(nur);
  v.SaveCommandLineLog = ini.ReadBool(kSettingsSection, "SaveCommandLineLog", true);
  v.InterCommandDelay = ClampInterCommandDelay(
      ini.ReadInteger(kSettingsSection, "InterCommandDelay", kDefaultInterCommandDelay));
  v.ParallelLines =
      ClampParallelLines(ini.ReadInteger(kSettingsSection, "ParallelLines", kDefaultParallelLines));
  return v;
}

}  // namespace zv
