#include "data/timezone.h"

#include "util/numbers.h"

namespace zv {

std::string TTimeZone::Start(int k) const { return ValidK(k) ? intervals_[k - 1].start : std::string(); }

std::string TTimeZone::Stop(int k) const { return ValidK(k) ? intervals_[k - 1].stop : std::string(); }

void TTimeZone::SetStart(int k, const std::string& s) {
  if (ValidK(k)) intervals_[k - 1].start = s;
}

void TTimeZone::SetStop(int k, const std::string& s) {
  if (ValidK(k)) intervals_[k - 1].stop = s;
}

bool TTimeZone::Day(int k, int d) const {
  return ValidK(k) && d >= 0 && d < 8 && intervals_[k - 1].days[d];
}

void TTimeZone::SetDay(int k, int d, bool value) {
  if (ValidK(k) && d >= 0 && d < 8) intervals_[k - 1].days[d] = value;
}

TDayFlags TTimeZone::Days(int k) const { return ValidK(k) ? intervals_[k - 1].days : TDayFlags{}; }

bool TTimeZone::IntervalFree(int k) const {
  return ValidK(k) && intervals_[k - 1].start.empty() && intervals_[k - 1].stop.empty();
}

void TTimeZone::AddInterval(const std::string& start, const std::string& stop, const TDayFlags& days) {
  for (auto& iv : intervals_) {
    if (iv.start.empty() && iv.stop.empty()) {
      iv.start = start;
      iv.stop = stop;
      iv.days = days;
      return;
    }
  }
}

void TTimeZone::CopyFrom(const TTimeZone& other) {
  number_ = other.number_;
  intervals_ = other.intervals_;
}

std::uint8_t DayMask(const TDayFlags& days) {
  std::uint8_t m = 0;
  for (int d = 0; d < 8; ++d)
    if (days[d]) m = static_cast<std::uint8_t>(m | (1u << d));
  return m;
}

void TTimeZone::ToReaderBlock(std::uint8_t* area, std::size_t size) const {
  if (!area) return;
  for (int k = 0; k < kIntervals; ++k) {
    const TInterval& iv = intervals_[k];
    // Tenths of an hour: at most 1439 / 6 = 239, so it always fits a byte.
    const std::uint8_t bytes[3] = {static_cast<std::uint8_t>(TimeToMinutes(iv.start) / 6),
                                   static_cast<std::uint8_t>(TimeToMinutes(iv.stop) / 6),
                                   DayMask(iv.days)};
    for (int b = 0; b < 3; ++b) {
      std::size_t at = static_cast<std::size_t>(3 * k + b);
      if (at >= size) return;
      area[at] = b == 2 ? static_cast<std::uint8_t>(area[at] | bytes[b]) : bytes[b];
    }
  }
}

std::array<std::uint8_t, TTimeZone::kReaderBlockSize> TTimeZone::ToReaderBlock() const {
  std::array<std::uint8_t, kReaderBlockSize> a{};
  ToReaderBlock(a.data(), a.size());
  return a;
}

}  // namespace zv
