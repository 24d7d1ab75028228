// The writer of zv.cfg: the whole file is regenerated from the records, readers first,
// then time zones, holiday tables and bell schedules, with every tag in lower case.
#include "data/zvcfglist.h"

namespace zv {

namespace {

void AddIfSet(std::vector<std::string>& out, const char* tag, const std::string& value) {
  if (!value.empty()) out.push_back(std::string(tag) + " " + value);
}

std::vector<std::string> ReaderSection(const TReaderConfig& c) {
  std::vector<std::string> out;
  out.push_back("#rdr " + c.Clock() + " " + c.Site());
  for (int n = 1; n <= TReaderConfig::kPasswords; ++n)
    if (!c.Password(n).empty()) out.push_back("#pw " + std::to_string(n) + " " + c.Password(n));
  AddIfSet(out, "#rej", c.RejectThreshold());
  AddIfSet(out, "#lck", c.LockControl());
  AddIfSet(out, "#bpr", c.Beeper());
  AddIfSet(out, "#idl", c.IdLength());
  AddIfSet(out, "#tam", c.PunchMode());
  AddIfSet(out, "#try", c.AccessTries());
  AddIfSet(out, "#dng", c.BellSchedule());
  AddIfSet(out, "#dls", c.DlsValue());
  AddIfSet(out, "#hrt", c.HourDisplay());
  out.push_back("#end");
  return out;
}

std::vector<std::string> TimeZoneSection(const TTimeZone& z) {
  std::vector<std::string> out;
  for (int k = 1; k <= TTimeZone::kIntervals; ++k) {
    if (z.Start(k).empty()) continue;
    std::string s = z.Start(k) + " " + z.Stop(k);
    for (int d = 0; d < 8; ++d)
      if (z.Day(k, d)) s += " " + std::to_string(d + 1);
    out.push_back(s);
  }
  // A zone without any start is left out of the file.
  if (out.empty()) return out;
  out.insert(out.begin(), "#tz " + z.Number());
  out.insert(out.begin(), "");
  out.push_back("#end");
  return out;
}

std::vector<std::string> HolidaySection(const THoliday& h) {
  std::vector<std::string> out{"#holiday"};
  for (int m = 1; m <= 12; ++m)
    if (h.MonthHasHolidays(m)) out.push_back(h.MonthLine(m));
  out.push_back("#end");
  return out;
}

std::vector<std::string> BellSection(const TBellSchedule& b) {
  std::vector<std::string> out{"#bell " + b.Number()};
  for (int i = 0; i < b.Count(); ++i) {
    std::string line = b.Items(i)->BellLine();
    if (!line.empty()) out.push_back(line);
  }
  out.push_back("#end");
  return out;
}

}  // namespace

void TZvCfgList::StrsFromObjs() {
  std::vector<std::unique_ptr<TRecord>> records;
  for (int i = 0; i < Count(); ++i)
    if (Objects(i)) records.push_back(TakeObject(i));
  for (auto& d : detached_) records.push_back(std::move(d));
  detached_.clear();
  Clear();
  Add(".Zorvan Configurations");
  Add("");

  // Each record ends up on the empty line after its section, so pointers held by the
  // dialogs stay valid across a save.
  auto emit = [this](const std::vector<std::string>& section, std::unique_ptr<TRecord> rec) {
    for (const auto& s : section) Add(s);
    Insert(Count(), "", std::move(rec));
  };
  auto take = [&records](auto pick, auto write) {
    for (auto& r : records)
      if (r)
        if (auto* p = pick(r.get())) write(*p, r);
  };
  take([](TRecord* r) { return dynamic_cast<TReaderConfig*>(r); },
       [&](TReaderConfig& c, std::unique_ptr<TRecord>& r) { emit(ReaderSection(c), std::move(r)); });
  take([](TRecord* r) { return dynamic_cast<TTimeZone*>(r); },
       [&](TTimeZone& z, std::unique_ptr<TRecord>& r) {
         std::vector<std::string> section = TimeZoneSection(z);
         // A zone that is not in the file leaves no line behind either, so that the
         // file reads and writes back byte for byte.
         if (section.empty())
           detached_.push_back(std::move(r));
         else
           emit(section, std::move(r));
       });
  take([](TRecord* r) { return dynamic_cast<THoliday*>(r); },
       [&](THoliday& h, std::unique_ptr<TRecord>& r) { emit(HolidaySection(h), std::move(r)); });
  take([](TRecord* r) { return dynamic_cast<TBellSchedule*>(r); },
       [&](TBellSchedule& b, std::unique_ptr<TRecord>& r) { emit(BellSection(b), std::move(r)); });
  // A record of any other kind has no form in this file either.
  for (auto& r : records)
    if (r) detached_.push_back(std::move(r));
  Touch();
}

}  // namespace zv
