// The Time Zones dialog without its widgets: what its controls hold, the zone shown in them
// and taken from them, the entry checks, and the save and delete on the configuration list.
#pragma once
#include <array>
#include <functional>
#include <string>

#include "data/timezone.h"
#include "data/zvcfglist.h"
#include "dialogs/editorcore.h"

namespace zv {

// What the controls hold; interval k (1 to 4) is index k - 1.
struct TTimeZoneFields {
  std::string number;  // cbxTimeZones (editable)
  std::array<std::string, TTimeZone::kIntervals> start, stop;  // edtStartTimeK, edtEndTimeK
  std::array<TDayFlags, TTimeZone::kIntervals> days{};        // CheckBox1 .. CheckBox32
};

// The day columns' headings, d 0 (Sunday) .. 7 (holiday): "Sun" .. "Sat", "Hol".
const char* DayColumn(int d);

// The objectNames of the controls of interval k (1 to 4) and day d (0 Sunday .. 7 holiday):
// the box of row k, column d is CheckBox number 8 (k - 1) + d + 1.
std::string StartEdit(int k);
std::string StopEdit(int k);
std::string DayBox(int k, int d);

// The fields of a zone (none: all empty); the number box is left as on screen.
TTimeZoneFields TimeZoneToFields(const TTimeZone* zone, const TTimeZoneFields& onScreen);
// A fresh zone from the fields: times in their stored form hh:mm.
TTimeZone TimeZoneFromFields(const TTimeZoneFields& f);
// The checks in order; the first failure.
TCheck TimeZoneValidate(const TTimeZoneFields& f);

// The zone stored into the list (copied into the zone with its number, or appended; then
// `added` is set). Answers the list's record. The file is not written. `shown` is the zone
// on screen: when it has the fresh number it takes the fields, so that of two zones with one
// number in a hand-edited file the one edited is the one changed.
TTimeZone* TimeZoneStore(TZvCfgList& configs, const TTimeZone& fresh, TTimeZone* shown,
                         bool& added);

// Delete of the number on screen (trimmed): asked, and on Yes the zone is removed from the
// list after `removing` was told which record goes (none when the number is not in the
// list). The file is not written: a delete is written by the next save.
void TimeZoneDelete(TZvCfgList& configs, const std::string& number,
                    const std::function<void(const TTimeZone*)>& removing);

}  // namespace zv
