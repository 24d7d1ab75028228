#include "dialogs/clockfields.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>

#include "util/text.h"

namespace zv {

const char* PasswordEdit(int number) {
  static const char* const names[] = {"edtService", "edtSetup", "edtManage", "edtEnroll",
                                      "edtSecurity"};
  return number >= 1 && number <= 5 ? names[number - 1] : "";
}

const char* DlsEdit(int row, int part) {
  static const char* const names[2][4] = {
      {"edtDSTOnMonth", "edtDSTOnDay", "edtDSTOnHour", "edtDSTOnMin"},
      {"edtDSTOffMonth", "edtDSTOffDay", "edtDSTOffHour", "edtDSTOffMin"}};
  return names[row & 1][part & 3];
}

TClockFields ClockToFields(const TClock* clock, const TReaderConfig* config,
                           const TClockFields& onScreen) {
  TClockFields f;
  f.site = onScreen.site;
  f.beeper = onScreen.beeper;
  if (clock) {
    f.clock = onScreen.clock;
    f.clockSelected = onScreen.clockSelected;
    f.fkey = clock->Menu();
    f.comment = clock->Comment();
  }
  if (!config) {
    f.beeper = TTriState::Grey;
    return f;
  }
  for (int n = 1; n <= TReaderConfig::kPasswords; ++n) f.passwords[n - 1] = config->Password(n);
  f.reject = config->RejectThreshold();
  f.lock = config->LockControl();
  f.idLen = config->IdLength();
  f.tries = config->AccessTries();
  const std::string& beeper = config->Beeper();
  if (beeper.empty()) f.beeper = TTriState::Grey;
  if (beeper == "1") f.beeper = TTriState::Checked;
  if (beeper == "0") f.beeper = TTriState::Unchecked;
  const std::string& mode = config->PunchMode();
  if (!mode.empty() && mode != "0") {
    f.explicitPunch = mode != "2";
    f.dept = mode != "1";
  }
  const long long hours = ValueOf(config->HourDisplay(), -1);
  f.rad12 = hours == 1;
  f.rad24 = hours == 0;
  f.bell = config->BellSchedule();
  const TColonFields on = config->GetDlsStart(), off = config->GetDlsEnd();
  f.dlsOn = {on.a, on.b, on.c, on.d};
  f.dlsOff = {off.a, off.b, off.c, off.d};
  return f;
}

std::pair<TClock, TReaderConfig> ClockFromFields(const TClockFields& f) {
  TClock c;
  c.SetSite(Trimmed(f.site));
  c.SetClock(Trimmed(f.clock));
  c.SetMenu(Trimmed(f.fkey));
  c.SetComment(f.comment);
  TReaderConfig r;
  r.SetSite(c.Site());
  r.SetClock(c.Clock());
  for (int n = 1; n <= TReaderConfig::kPasswords; ++n) r.SetPassword(n, f.passwords[n - 1]);
  r.SetRejectThreshold(f.reject);
  r.SetLockControl(f.lock);
  r.SetIdLength(f.idLen);
  r.SetAccessTries(f.tries);
  r.SetBeeper(f.beeper == TTriState::Grey ? "" : f.beeper == TTriState::Checked ? "1" : "0");
  r.SetPunchMode(f.explicitPunch && f.dept ? "3" : f.dept ? "2" : f.explicitPunch ? "1" : "");
  r.SetHourDisplay(f.rad12 ? "1" : f.rad24 ? "0" : "");
  r.SetBellSchedule(f.bell);
  r.SetDlsStart(f.dlsOn[0], f.dlsOn[1], f.dlsOn[2], f.dlsOn[3]);
  r.SetDlsEnd(f.dlsOff[0], f.dlsOff[1], f.dlsOff[2], f.dlsOff[3]);
  return {c, r};
}

std::string PasswordCollision(const std::array<std::string, TReaderConfig::kPasswords>& pw) {
  // An empty password stands for its own number, so empty ones never collide.
  std::array<std::string, TReaderConfig::kPasswords> key;
  std::array<bool, TReaderConfig::kPasswords> filled;
  for (int i = 0; i < TReaderConfig::kPasswords; ++i) {
    key[i] = Trimmed(pw[i]);
    filled[i] = !key[i].empty();
    if (!filled[i]) key[i] = std::to_string(i + 1);
  }
  int focus = -1;
  for (int outer = 0; outer < TReaderConfig::kPasswords; ++outer)
    for (int inner = 0; inner < TReaderConfig::kPasswords; ++inner)
      if (inner != outer && key[inner] == key[outer])
        focus = filled[inner] ? inner : outer;  // the filled one; both filled: the inner
  return focus < 0 ? std::string() : PasswordEdit(focus + 1);
}

namespace {

// One row of the daylight-saving checks: month, day, hour, minute.
TCheck DlsRow(const std::array<std::string, 4>& p, int row) {
  struct Part {
    const char* required;
    long long def, low, high;
    const char* invalid;
  };
  static const Part parts[4] = {
      {"Month required.", 0, 1, 12, "Invalid month. Please enter a value from 1 to 12."},
      {"Day required.", 0, 1, 31, "Invalid day. Please enter a value from 1 to 31."},
      {"Hour required.", -1, 1, 23, "Invalid hour. Please enter a value from 1 to 23."},
      {"Minite required.", -1, 0, 59, "Invalid minute. Please enter a value from 0 to 59."},
  };
  // The "Off:" row words two of its messages differently.
  static const char* const offRequired[4] = {"Month Required.", "Day required.",
                                             "Hour required.", "Minute Required."};
  for (int i = 0; i < 4; ++i) {
    const Part& part = parts[i];
    const char* focus = DlsEdit(row, i);
    if (!Filled(p[i])) return Fails(row == 0 ? part.required : offRequired[i], focus);
    const long long v = ValueOf(p[i], part.def);
    if (v < part.low || v > part.high) return Fails(part.invalid, focus);
  }
  return std::nullopt;
}

}  // namespace

TCheck ClockValidate(const TClockFields& f) {
  if (!f.clockSelected && !Filled(f.clock)) return Fails("Must enter a clock number.", "cbxClocks");
  const long long clock = ValueOf(f.clock, -1);
  if (clock < 0 || clock > 254 || clock == 170 || clock == 255)
    return Fails(
        "Invalid clock number. Please enter a number from 0 to 254, excluding 170 and 255.",
        "cbxClocks");
  const std::string collision = PasswordCollision(f.passwords);
  if (!collision.empty()) return Fails("Each password must be unique.", collision);
  if (FilledOutside(f.reject, 29, 30, 250))
    return Fails("Invalid reject threshold. Please enter a value from 30 to 250.", "edtReject");
  if (FilledOutside(f.lock, -1, 0, 20000))
    return Fails("Invalid lock control time. Please enter a value from 0 to 20000.", "edtLock");
  if (FilledOutside(f.idLen, 0, 1, 11))
    return Fails("Invalid id length. Please enter a value from 1 to 11.", "edtIdLen");
  if (FilledOutside(f.tries, 0, 1, 250))
    return Fails("Invalid access tries value. Please enter a value from 1 to 250.", "edtTries");
  if (Filled(f.dlsOn[0]) || Filled(f.dlsOff[0])) {
    if (TCheck c = DlsRow(f.dlsOn, 0)) return c;
    if (TCheck c = DlsRow(f.dlsOff, 1)) return c;
  }
  return NoCommas(f.comment, "comment", "edtComment");
}

std::vector<std::string> MenuFileEntries(const std::string& dataPath) {
  std::vector<std::string> names;
  bool any = false;
  if (DIR* dir = opendir(dataPath.empty() ? "." : dataPath.c_str())) {
    while (const dirent* e = readdir(dir)) {
      const std::string name = e->d_name;
      const std::string lower = LowerAscii(name);
      if (lower.size() < 4 || lower.compare(lower.size() - 4, 4, ".bin") != 0) continue;
      struct stat st;
      if (stat((dataPath + name).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
      any = true;
      if (lower != "empty.bin") names.push_back(lower);
    }
    closedir(dir);
  }
  if (!any) return {};
  // The directory's own order differs between file systems; by name is the same everywhere.
  // Names that differ only in case are one entry.
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  names.insert(names.begin(), std::string());
  return names;
}

TClock* ClockStore(TClockList& clocks, TZvCfgList& configs, const TClock& clock,
                   const TReaderConfig& config, TClock* shown, bool& added) {
  added = false;
  TClock* stored = nullptr;
  if (shown && shown->Site() == clock.Site() && shown->Clock() == clock.Clock() &&
      clocks.IndexOfObject(shown) >= 0) {
    shown->CopyFrom(clock);
    clocks.Modified = true;
    stored = shown;
  } else {
    added = clocks.FindClock(clock.Site(), clock.Clock()) == nullptr;
    stored = clocks.SaveClock(clock);
  }
  configs.SaveReaderConfig(std::make_unique<TReaderConfig>(config));
  return stored;
}

bool ClockDelete(TClockList& clocks, TZvCfgList& configs, TGroupList* groups,
                 const std::string& site, const std::string& clock,
                 const std::function<void(const TClock*)>& removing) {
  const std::string s = Trimmed(site), c = Trimmed(clock);
  if (s.empty() || c.empty()) return true;
  if (groups && groups->ClockInAnyGroup(s, c)) {
    ShowWarning("Clock " + c + " is assigned to one or more groups.\n" +
                "You must first remove this clock from all groups.");
    return false;
  }
  if (AskQuestion("Are you sure you want to permanently delete clock number " + c +
                      ", at site number " + s + "?",
                  mbYes | mbNo) != mbYes)
    return true;
  TClock* found = clocks.FindClock(s, c);
  removing(found);
  if (found) clocks.DeleteClock(found);
  if (TReaderConfig* cfg = configs.FindReaderConfig(s, c)) configs.DeleteReaderConfig(cfg);
  return true;
}

}  // namespace zv
