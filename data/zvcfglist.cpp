#include "data/zvcfglist.h"

#include "util/fileio.h"
#include "util/numbers.h"

namespace zv {

TZvCfgList::TZvCfgList(std::string fileName) : TMyStringList(std::move(fileName)) { Load(); }

TZvCfgList::~TZvCfgList() {
  SaveIfModified();
  ClearObjects();
}

void TZvCfgList::HandleEFOpenError() {
  // Called for a missing file only: the base refuses one that exists but cannot be opened.
  Add(".Zorvan Configurations");
  TMyStringList::HandleEFOpenError();
}

void TZvCfgList::ClearObjects() {
  for (int i = 0; i < Count(); ++i)
    if (auto* s = dynamic_cast<TBellSchedule*>(Objects(i))) s->Clear();
  detached_.clear();
  TMyStringList::ClearObjects();
}

std::unique_ptr<TRecord> TZvCfgList::ObjFromStr(const std::string&) { return nullptr; }

std::string TZvCfgList::StrFromObj(const TRecord&) { return std::string(); }

const TZvCfgList::TKinds& TZvCfgList::Kinds() const {
  if (kinds_.generation == Generation()) return kinds_;
  TKinds k;
  k.generation = Generation();
  std::vector<TRecord*> all;
  all.reserve(static_cast<std::size_t>(Count()) + detached_.size());
  for (int i = 0; i < Count(); ++i)
    if (Objects(i)) all.push_back(Objects(i));
  for (const auto& d : detached_) all.push_back(d.get());
  for (TRecord* r : all) {
    if (auto* c = dynamic_cast<TReaderConfig*>(r))
      k.readers.push_back(c);
    else if (auto* z = dynamic_cast<TTimeZone*>(r))
      k.zones.push_back(z);
    else if (auto* b = dynamic_cast<TBellSchedule*>(r))
      k.bells.push_back(b);
    else if (auto* h = dynamic_cast<THoliday*>(r))
      k.holidays.push_back(h);
  }
  kinds_ = std::move(k);
  return kinds_;
}

std::vector<TReaderConfig*> TZvCfgList::ReaderConfigs() const { return Kinds().readers; }
std::vector<TTimeZone*> TZvCfgList::TimeZones() const { return Kinds().zones; }
std::vector<TBellSchedule*> TZvCfgList::BellSchedules() const { return Kinds().bells; }
std::vector<THoliday*> TZvCfgList::Holidays() const { return Kinds().holidays; }

// The kind lists hold live pointers, so a key changed in place is still compared as it is.
namespace {

// NormalizeNumber(text) == normal, without building the text: a download looks up every
// clock among every section.
bool NumberIs(const std::string& text, const std::string& normal) {
  if (text.empty()) return normal.empty();
  std::size_t b = 0, e = text.size();
  while (b < e && (text[b] == '0' || static_cast<unsigned char>(text[b]) < 33)) ++b;
  while (e > b && static_cast<unsigned char>(text[e - 1]) < 33) --e;
  if (b == e) return normal == "0";
  return text.compare(b, e - b, normal) == 0;
}

}  // namespace

TReaderConfig* TZvCfgList::FindReaderConfig(const std::string& site, const std::string& clock) const {
  // Reading writes a section's numbers without leading zeros, clock.txt keeps them as typed.
  const std::string s = NormalizeNumber(site), c = NormalizeNumber(clock);
  for (TReaderConfig* r : Kinds().readers)
    if (NumberIs(r->Site(), s) && NumberIs(r->Clock(), c)) return r;
  return nullptr;
}

TTimeZone* TZvCfgList::FindTimeZone(const std::string& number) const {
  for (TTimeZone* z : Kinds().zones)
    if (z->Number() == number) return z;
  return nullptr;
}

TBellSchedule* TZvCfgList::FindBellSchedule(const std::string& number) const {
  for (TBellSchedule* s : Kinds().bells)
    if (s->Number() == number) return s;
  return nullptr;
}

TReaderConfig* TZvCfgList::SaveReaderConfig(std::unique_ptr<TReaderConfig> config) {
  if (!config) return nullptr;
  Modified = true;
  // Handing back a record the list already owns must not free it.
  if (Owns(config.get())) return config.release();
  if (TReaderConfig* found = FindReaderConfig(config->Site(), config->Clock())) {
    found->CopyFrom(*config);
    return found;
  }
  TReaderConfig* p = config.get();
  AddObject("", std::move(config));
  return p;
}

TTimeZone* TZvCfgList::SaveTimeZone(std::unique_ptr<TTimeZone> zone) {
  if (!zone) return nullptr;
  Modified = true;
  if (Owns(zone.get())) return zone.release();
  if (TTimeZone* found = FindTimeZone(zone->Number())) {
    found->CopyFrom(*zone);
    return found;
  }
  TTimeZone* p = zone.get();
  AddObject("", std::move(zone));
  return p;
}

bool TZvCfgList::Owns(const TRecord* rec) const {
  if (!rec) return false;
  if (IndexOfObject(rec) >= 0) return true;
  for (const auto& d : detached_)
    if (d.get() == rec) return true;
  return false;
}

bool TZvCfgList::Remove(const TRecord* rec) {
  if (!rec) return false;
  int i = IndexOfObject(rec);
  if (i >= 0) {
    Delete(i);
    return true;
  }
  for (auto it = detached_.begin(); it != detached_.end(); ++it) {
    if (it->get() == rec) {
      detached_.erase(it);
      Touch();
      return true;
    }
  }
  return false;
}

void TZvCfgList::DeleteReaderConfig(const TReaderConfig* config) {
  Remove(config);
  Modified = true;
}

void TZvCfgList::DeleteTimeZone(const TTimeZone* zone) {
  Remove(zone);
  Modified = true;
}

void TZvCfgList::DeleteBellSchedule(const TBellSchedule* schedule) {
  if (!Owns(schedule)) return;
  const_cast<TBellSchedule*>(schedule)->Clear();
  Remove(schedule);
  // Marked too, so that a deletion whose immediate save failed is still written at exit.
  Modified = true;
}

THoliday* TZvCfgList::GetHolidays() {
  const auto& k = Kinds();
  if (!k.holidays.empty()) return k.holidays.front();
  auto h = std::make_unique<THoliday>();
  THoliday* p = h.get();
  AddObject("", std::move(h));
  return p;
}

}  // namespace zv
