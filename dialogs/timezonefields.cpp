#include "dialogs/timezonefields.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "util/numbers.h"

namespace zv {

const char* DayColumn(int d) {
  static const char* const kColumns[8] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Hol"};
  return d >= 0 && d < 8 ? kColumns[d] : "";
}

std::string StartEdit(int k) { return "edtStartTime" + std::to_string(k); }
std::string StopEdit(int k) { return "edtEndTime" + std::to_string(k); }
std::string DayBox(int k, int d) { return "CheckBox" + std::to_string(8 * (k - 1) + d + 1); }

TTimeZoneFields TimeZoneToFields(const TTimeZone* zone, const TTimeZoneFields& onScreen) {
  TTimeZoneFields f;
  f.number = onScreen.number;
  if (!zone) return f;
  for (int k = 1; k <= TTimeZone::kIntervals; ++k) {
    f.start[k - 1] = zone->Start(k);
    f.stop[k - 1] = zone->Stop(k);
    f.days[k - 1] = zone->Days(k);
  }
  return f;
}

namespace {

std::string StoredTime(const std::string& text) {
  return Filled(text) ? MinutesToTime(TimeToMinutes(Trimmed(text))) : std::string();
}

}  // namespace

TTimeZone TimeZoneFromFields(const TTimeZoneFields& f) {
  TTimeZone z;
  // zv.cfg reads "#tz 07" back as zone 7, so 07 is stored as 7: as typed it would become a
  // second zone 7 at the next load, hidden behind the first.
  z.SetNumber(NormalizeNumber(Trimmed(f.number)));
  for (int k = 1; k <= TTimeZone::kIntervals; ++k) {
    z.SetStart(k, StoredTime(f.start[k - 1]));
    z.SetStop(k, StoredTime(f.stop[k - 1]));
    for (int d = 0; d < 8; ++d) z.SetDay(k, d, f.days[k - 1][d]);
  }
  return z;
}

TCheck TimeZoneValidate(const TTimeZoneFields& f) {
  if (!Filled(f.number)) return Fails("Time zone number required.", "cbxTimeZones");
  const long long n = ValueOf(f.number, 0);
  if (n < 1 || n > 60)
    return Fails("Invalid time zone number. Please enter a number from 1 to 60.",
                 "cbxTimeZones");
  for (int k = 1; k <= TTimeZone::kIntervals; ++k) {
    const std::string start = Trimmed(f.start[k - 1]), stop = Trimmed(f.stop[k - 1]);
    if (!start.empty() && !IsValidTime(start)) return Fails("Invalid start time.", StartEdit(k));
    if (!start.empty() && stop.empty()) return Fails("End  time required.", StopEdit(k));
    if (!stop.empty() && !IsValidTime(stop)) return Fails("Invalid end time.", StopEdit(k));
    if (!stop.empty() && start.empty()) return Fails("Start time required.", StartEdit(k));
    if (TimeToMinutes(stop) < TimeToMinutes(start))
      return Fails("Invalid start/end time. Start time must be ealier than end time.",
                   StartEdit(k));
  }
  return std::nullopt;
}

TTimeZone* TimeZoneStore(TZvCfgList& configs, const TTimeZone& fresh, TTimeZone* shown,
                         bool& added) {
  added = false;
  const std::vector<TTimeZone*> zones = configs.TimeZones();
  if (shown && shown->Number() == fresh.Number() &&
      std::find(zones.begin(), zones.end(), shown) != zones.end()) {
    shown->CopyFrom(fresh);
    configs.Modified = true;
    return shown;
  }
  added = configs.FindTimeZone(fresh.Number()) == nullptr;
  auto zone = std::make_unique<TTimeZone>();
  zone->CopyFrom(fresh);
  return configs.SaveTimeZone(std::move(zone));
}

void TimeZoneDelete(TZvCfgList& configs, const std::string& number,
                    const std::function<void(const TTimeZone*)>& removing) {
  const std::string n = Trimmed(number);
  if (n.empty()) return;
  if (AskQuestion("Are you sure you want to permanently delete time zone number " + n + "?",
                  mbYes | mbNo) != mbYes)
    return;
  // Looked up as it is stored (see TimeZoneFromFields).
  const TTimeZone* found = configs.FindTimeZone(NormalizeNumber(n));
  removing(found);
  if (found) configs.DeleteTimeZone(found);
}

}  // namespace zv
