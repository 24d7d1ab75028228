#include "dialogs/bellfields.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "util/numbers.h"
#include "dialogs/timezonefields.h"
#include "util/text.h"

namespace zv {

std::string BellDayBox(int d) { return "CheckBox" + std::to_string(d + 1); }

std::string BellListHeading() {
  // The same column widths as the display line: time 5, duration 7, then the days.
  static const int kWidths[8] = {4, 4, 5, 5, 4, 5, 4, 5};
  std::string s = PadRight("Time", 5) + PadLeft("Dur", 7);
  for (int d = 0; d < 8; ++d) s += PadLeft(DayColumn(d), kWidths[d]);
  return s;
}

TBellFields BellToFields(const TBell* bell, const TBellFields& onScreen) {
  TBellFields f;
  f.schedule = onScreen.schedule;
  if (!bell) return f;
  f.time = bell->Time();
  f.duration = bell->Duration();
  f.days = bell->Days();
  return f;
}

TBell BellFromFields(const TBellFields& f) {
  TBell b;
  b.Set(MinutesToTime(TimeToMinutes(Trimmed(f.time))), std::to_string(ValueOf(f.duration, 0)),
        f.days);
  return b;
}

TCheck BellValidate(const TBellFields& f) {
  if (!Filled(f.schedule)) return Fails("Bell schedule number required.", "cbxBells");
  const long long n = ValueOf(f.schedule, -1);
  if (n < 0 || n > 32766)
    return Fails("Invalid bell schedule number. Please enter a number from 0 to 32766.",
                 "cbxBells");
  if (!Filled(f.time)) return Fails("Bell time required.", "edtTime");
  if (!IsValidTime(Trimmed(f.time)))
    return Fails("Invalid bell time. Please enter a time from 0:00 to 23:59.", "edtTime");
  if (!Filled(f.duration)) return Fails("Duration required.", "edtDuration");
  const long long d = ValueOf(f.duration, 0);
  if (d < kBellDurationMin || d > kBellDurationMax)
    return Fails("Invalid duration. Please enter a number from 1 to 31.", "edtDuration");
  // zv.cfg reads a bell line without days as ringing every day: a bell saved with no day
  // would come back ringing on all of them.
  bool anyDay = false;
  for (bool d : f.days) anyDay = anyDay || d;
  if (!anyDay) return Fails("Bell day required.", BellDayBox(0));
  return std::nullopt;
}

TBellStored BellStore(TZvCfgList& configs, const std::string& schedule, const TBell& fresh,
                      TBellSchedule* shownSchedule, TBell* shownBell) {
  TBellStored s;
  const std::string number = NormalizeNumber(Trimmed(schedule));
  const std::vector<TBellSchedule*> all = configs.BellSchedules();
  if (shownSchedule && shownSchedule->Number() == number &&
      std::find(all.begin(), all.end(), shownSchedule) != all.end())
    s.schedule = shownSchedule;
  else
    s.schedule = configs.FindBellSchedule(number);
  if (!s.schedule) {
    auto created = std::make_unique<TBellSchedule>();
    created->SetNumber(number);
    s.schedule = created.get();
    configs.AddObject("", std::move(created));
    s.scheduleAdded = true;
  }
  const bool shownHere = shownBell && s.schedule->IndexOf(shownBell) >= 0;
  s.bell = shownHere && shownBell->Time() == fresh.Time() ? shownBell
                                                          : s.schedule->FindBell(fresh.Time());
  if (s.bell) {
    s.bell->CopyFrom(fresh);
  } else {
    auto bell = std::make_unique<TBell>();
    bell->CopyFrom(fresh);
    s.bell = s.schedule->Add(std::move(bell));
  }
  configs.Modified = true;
  return s;
}

bool BellDeleteSchedule(TZvCfgList& configs, TBellSchedule* schedule,
                        const std::function<void(const TBellSchedule*)>& removing) {
  if (!schedule) return false;
  if (AskQuestion("Are you sure you want to permanently delete bell schedule number " +
                      schedule->Number() + "?",
                  mbYes | mbNo) != mbYes)
    return false;
  removing(schedule);
  configs.DeleteBellSchedule(schedule);
  return true;
}

bool BellDeleteItem(TZvCfgList& configs, TBellSchedule& schedule, const std::string& time,
                    const std::function<void(const TBell*)>& removing) {
  TBell* bell = schedule.FindBell(time);
  if (!bell) return false;
  if (AskQuestion("Are you sure you want to permanently delete bell item for " + bell->Time() +
                      "?",
                  mbYes | mbNo) != mbYes)
    return false;
  removing(bell);
  schedule.Remove(bell);
  configs.Modified = true;
  return true;
}

}  // namespace zv
