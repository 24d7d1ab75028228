// The Clocks dialog without its widgets: what its controls hold, the clock and reader
// configuration shown in them and taken from them, the entry checks, the function-key
// files offered, and the save and delete on the clock and configuration lists.
#pragma once
#include <array>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "data/clocklist.h"
#include "data/grouplist.h"
#include "data/readerconfig.h"
#include "data/zvcfglist.h"
#include "dialogs/editorcore.h"

namespace zv {

// A check box with a third, grey state.
enum class TTriState { Unchecked, Grey, Checked };

// What the controls hold. Drop-down lists hold their selected entry's text ("" none).
struct TClockFields {
  std::string site;   // cbxSites
  std::string clock;  // cbxClocks (editable)
  bool clockSelected = false;
  std::string fkey;     // cbxFKey
  std::string comment;  // edtComment
  // Passwords by number: [0] Service (edtService) ... [4] Security (edtSecurity).
  std::array<std::string, TReaderConfig::kPasswords> passwords;
  std::string reject, lock, idLen, tries;  // edtReject, edtLock, edtIdLen, edtTries
  TTriState beeper = TTriState::Grey;      // chkBeeper
  bool explicitPunch = false, dept = false;  // chkExplicit, chkDept
  bool rad12 = false, rad24 = false;
  std::string bell;  // cbxBell
  // Month, day, hour, minute of the "On:" and "Off:" rows.
  std::array<std::string, 4> dlsOn, dlsOff;
};

// The objectNames of the password edits by number 1 (Service) to 5 (Security).
const char* PasswordEdit(int number);
// The objectNames of the daylight-saving edits: row 0 "On:", 1 "Off:"; part 0 month .. 3 minute.
const char* DlsEdit(int row, int part);

// The fields that the refresh shows for a clock and its configuration (either may be none).
// Without a clock the clock number is emptied; with one the boxes stay as on screen. A
// beeper text that is none of "", "0" and "1" leaves the box as on screen.
TClockFields ClockToFields(const TClock* clock, const TReaderConfig* config,
                           const TClockFields& onScreen);
// A fresh clock and configuration from the fields.
std::pair<TClock, TReaderConfig> ClockFromFields(const TClockFields& f);
// The checks in order; the first failure.
TCheck ClockValidate(const TClockFields& f);
// The password rule alone: the objectName to focus when two passwords are equal, else "".
std::string PasswordCollision(const std::array<std::string, TReaderConfig::kPasswords>& pw);

// The entries of cbxFKey: nothing when the directory has no "*.BIN" file (any case);
// otherwise an empty entry, then each such file's name in lower case, "empty.bin" left out.
std::vector<std::string> MenuFileEntries(const std::string& dataPath);

// The clock and its configuration stored into the lists (each copied into the record with
// its site and clock number, or appended); `added` is set when the clock was appended.
// Answers the clock list's record. The files are not written. `shown` is the clock on
// screen: when it has the fresh site and number it is the one that takes the fields (of two
// equal clocks in a hand-edited file, the one edited).
TClock* ClockStore(TClockList& clocks, TZvCfgList& configs, const TClock& clock,
                   const TReaderConfig& config, TClock* shown, bool& added);

// Delete of the clock on screen (site and clock trimmed): refused while a group names it
// (the warning is shown and the answer is false: no refresh); else asked, and on Yes the
// clock and its configuration are removed from the lists after `removing` was told which
// clock record goes (none when it is not in the list). True: the dialog refreshes.
bool ClockDelete(TClockList& clocks, TZvCfgList& configs, TGroupList* groups,
                 const std::string& site, const std::string& clock,
                 const std::function<void(const TClock*)>& removing);

}  // namespace zv
