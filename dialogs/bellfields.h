// The Bells dialog without its widgets: what its controls hold, the bell shown in them and
// taken from them, the entry checks, and the save and deletes on the configuration list.
#pragma once
#include <functional>
#include <string>

#include "data/bell.h"
#include "data/zvcfglist.h"
#include "dialogs/editorcore.h"

namespace zv {

// The durations a bell may have. zv.cfg keeps only these when it is read, so the dialog
// takes no other: a bell saved with 0 or 32 would vanish at the next load.
constexpr long long kBellDurationMin = 1;
constexpr long long kBellDurationMax = 31;

// What the controls hold.
struct TBellFields {
  std::string schedule;  // cbxBells (editable)
  std::string time;      // edtTime
  std::string duration;  // edtDuration
  TDayFlags days{};      // CheckBox1 (Sunday) .. CheckBox8 (holiday)
};

// The objectName of the day box d (0 Sunday .. 7 holiday).
std::string BellDayBox(int d);
// The column headings over the list, aligned with TBell::DisplayLine in a fixed-pitch font.
std::string BellListHeading();

// The fields of a bell (none: all empty); the schedule box is left as on screen.
TBellFields BellToFields(const TBell* bell, const TBellFields& onScreen);
// A fresh bell from the fields: the time as hh:mm, the duration in plain decimal.
TBell BellFromFields(const TBellFields& f);
// The checks in order; the first failure.
TCheck BellValidate(const TBellFields& f);

// Where a save put the bell.
struct TBellStored {
  TBellSchedule* schedule = nullptr;
  TBell* bell = nullptr;
  bool scheduleAdded = false;  // a new schedule was appended to the list
};
// Stores the fresh bell into the schedule numbered by the text (normalised: 007 is 7): into
// the bell with the same time when the schedule has one, else appended; a schedule that
// does not exist is appended to the list first. The file is not written. The schedule and
// bell on screen (either may be none) take the save when they have its number and time, so
// that of two with one key in a hand-edited file the one edited is the one changed.
TBellStored BellStore(TZvCfgList& configs, const std::string& schedule, const TBell& fresh,
                      TBellSchedule* shownSchedule = nullptr, TBell* shownBell = nullptr);

// Delete of the whole schedule: asked, and on Yes `removing` is told, then the schedule
// leaves the list with its bells. True when it was deleted (zv.cfg is then to be written).
bool BellDeleteSchedule(TZvCfgList& configs, TBellSchedule* schedule,
                        const std::function<void(const TBellSchedule*)>& removing);
// Delete of the bell of the schedule whose time is exactly the text (not trimmed nor
// converted): nothing when there is none; else asked, and on Yes `removing` is told, then
// the bell is removed and freed. True when it was deleted.
bool BellDeleteItem(TZvCfgList& configs, TBellSchedule& schedule, const std::string& time,
                    const std::function<void(const TBell*)>& removing);

}  // namespace zv
