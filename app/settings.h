// The program's settings: where the settings file and the data directory are, and how the
// keys of section [Zorvan32] are read and normalised.
#pragma once
#include <string>

#include "app/inifile.h"

namespace zv {

constexpr const char* kSettingsSection = "Zorvan32";

// Where the program's files are on this machine.
struct TAppPaths {
  std::string ProgramPath;      // the executable's directory, with a trailing "/"
  std::string SettingsFile;     // full name of the settings file
  std::string DefaultDataPath;  // used when the settings name no data directory; trailing "/"
};

// $XDG_CONFIG_HOME (else ~/.config) + "/" + `exeName` with its extension replaced by ".INI".
std::string SettingsFileFor(const std::string& exeName);
// $XDG_DATA_HOME (else ~/.local/share) + "/zorvan32/".
std::string DefaultDataDirectory();
// The paths of the running executable (Qt must be initialised).
TAppPaths DefaultAppPaths();

// A directory text with exactly one trailing "/" added when it has none; its case is kept.
std::string WithDelimiter(const std::string& dir);
// The text without one trailing "/"; the root directory "/" stays as it is.
std::string WithoutDelimiter(const std::string& dir);

constexpr int kDefaultInterCommandDelay = 2;
constexpr int kDefaultNewUserRestriction = 61;
// The pause between command-line parameters is kept between 1 and 60 seconds.
int ClampInterCommandDelay(long long seconds);

constexpr int kDefaultParallelLines = 1;
constexpr int kMaxParallelLines = 64;
// Lines a reader operation works at once: 1 to 64 (one thread and descriptor set each).
int ClampParallelLines(long long lines);

struct TSettingsValues {
  std::string DataPath;   // trailing "/"
  std::string PunchPath;  // trailing "/"
  int NewUserRestriction = kDefaultNewUserRestriction;
  bool SaveCommandLineLog = true;
  int InterCommandDelay = kDefaultInterCommandDelay;
  int ParallelLines = kDefaultParallelLines;
};

// Reads the keys with their defaults and rules. An empty DataPath or PunchPath value
// counts as absent: it would otherwise make the root directory the data directory.
TSettingsValues ReadSettings(const TIniFile& ini, const std::string& defaultDataPath);

}  // namespace zv
