#include "data/bell.h"

#include <algorithm>

#include "data/mystringlist.h"
#include "util/numbers.h"
#include "util/text.h"

namespace zv {

void TBell::Set(const std::string& time, const std::string& duration, const TDayFlags& days) {
  time_ = time;
  duration_ = duration;
  days_ = days;
}

void TBell::CopyFrom(const TBell& other) { Set(other.time_, other.duration_, other.days_); }

std::string TBell::BellLine() const {
  if (!IsValidTime(time_)) return std::string();
  std::string s = time_ + " " + duration_;
  for (int d = 0; d < 8; ++d)
    if (days_[d]) s += " " + std::to_string(d + 1);
  return s;
}

std::string TBell::DisplayLine() const {
  // Column widths from Sunday to holiday, matching the dialog's headings.
  static const int kWidths[8] = {4, 4, 5, 5, 4, 5, 4, 5};
  std::string s = time_ + PadLeft(duration_, 7);
  for (int d = 0; d < 8; ++d) s += PadLeft(days_[d] ? "X" : " ", kWidths[d]);
  return s;
}

TBell* TBellSchedule::Add(std::unique_ptr<TBell> bell) {
  if (!bell) return nullptr;
  bells_.push_back(std::move(bell));
  return bells_.back().get();
}

int TBellSchedule::IndexOf(const TBell* bell) const {
  for (std::size_t i = 0; i < bells_.size(); ++i)
    if (bells_[i].get() == bell) return static_cast<int>(i);
  return -1;
}

bool TBellSchedule::Remove(const TBell* bell) {
  int i = IndexOf(bell);
  if (i < 0) return false;
  bells_.erase(bells_.begin() + i);
  return true;
}

TBell* TBellSchedule::FindBell(const std::string& time) const {
  for (const auto& b : bells_)
    if (b->Time() == time) return b.get();
  return nullptr;
}

void TBellSchedule::ReadBellLine(const std::string& line) {
  const std::string cut = line.size() > kMaxText ? line.substr(0, kMaxText) : line;
  const std::string timeText = TableField(1, cut, " ");
  if (!IsValidTime(timeText)) return;
  long long duration;
  if (!ParseInt(TableField(2, cut, " "), duration) || !InRange(duration, 1, 31)) return;
  TDayFlags days{};
  bool any = false;
  for (int f = 3; f <= 10; ++f) {
    long long d;
    if (ParseInt(TableField(f, cut, " "), d) && InRange(d, 1, 8)) {
      days[static_cast<std::size_t>(d - 1)] = true;
      any = true;
    }
  }
  // A bell that names no day rings every day, holidays included.
  if (!any) days.fill(true);
  auto bell = std::make_unique<TBell>();
  bell->Set(MinutesToTime(TimeToMinutes(timeText)), std::to_string(duration), days);
  bells_.push_back(std::move(bell));
}

std::vector<std::pair<std::string, TBell*>> TBellSchedule::DisplayLines() const {
  std::vector<std::pair<std::string, TBell*>> out;
  out.reserve(bells_.size());
  for (const auto& b : bells_) out.emplace_back(b->DisplayLine(), b.get());
  return out;
}

int TBellSchedule::ToReaderBlock(std::uint8_t* area, std::size_t size) const {
  if (!area) return 0;
  const std::size_t fit = std::min<std::size_t>(size / 4, kReaderBells);
  const std::size_t n = std::min(fit, bells_.size());
  for (std::size_t i = 0; i < n; ++i) {
    const TBell& b = *bells_[i];
    const int minutes = TimeToMinutes(b.Time());
    // A duration beyond a byte would wrap to a wrong one; the reader gets the nearest.
    const long long dur = std::clamp<long long>(StrToIntDef(b.Duration(), 0), 0, 255);
    std::uint8_t* p = area + 4 * i;
    p[0] = static_cast<std::uint8_t>(minutes % 60);
    p[1] = static_cast<std::uint8_t>(minutes / 60);
    p[2] = static_cast<std::uint8_t>(dur);
    p[3] = static_cast<std::uint8_t>(p[3] | DayMask(b.Days()));
  }
  return static_cast<int>(n);
}

}  // namespace zv
