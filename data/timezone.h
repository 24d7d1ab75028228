// TTimeZone: a numbered weekly access window of up to four intervals, each valid on a set
// of weekdays and on holidays, and its 12-byte reader form.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "data/mystringlist.h"

namespace zv {

// Day flags in order Sunday .. Saturday, holiday (index 0 .. 7).
using TDayFlags = std::array<bool, 8>;

class TTimeZone : public TRecord {
 public:
  static constexpr int kIntervals = 4;
  static constexpr std::size_t kReaderBlockSize = 12;

  const std::string& Number() const { return number_; }
  void SetNumber(const std::string& n) { number_ = n; }

  // k is 1 to 4; any other k reads empty and writes nothing.
  std::string Start(int k) const;
  std::string Stop(int k) const;
  void SetStart(int k, const std::string& s);
  void SetStop(int k, const std::string& s);
  // d is 0 (Sunday) to 7 (holiday); out-of-range k or d reads false and writes nothing.
  bool Day(int k, int d) const;
  void SetDay(int k, int d, bool value);
  TDayFlags Days(int k) const;

  // A free interval has neither start nor stop.
  bool IntervalFree(int k) const;
  // Into the first free interval; nothing happens when all four are used.
  void AddInterval(const std::string& start, const std::string& stop, const TDayFlags& days);
  void CopyFrom(const TTimeZone& other);

  // Writes the reader form into area (at most `size` bytes are touched): per interval the
  // start and stop in tenths of an hour and the day mask, or-ed into what is there.
  void ToReaderBlock(std::uint8_t* area, std::size_t size = kReaderBlockSize) const;
  std::array<std::uint8_t, kReaderBlockSize> ToReaderBlock() const;

 private:
  struct TInterval {
    std::string start, stop;
    TDayFlags days{};
  };
  static bool ValidK(int k) { return k >= 1 && k <= kIntervals; }
  std::string number_;
  std::array<TInterval, kIntervals> intervals_;
};

// The day mask of the reader forms: bit d for each set day d (bit 0 Sunday .. bit 7 holiday).
std::uint8_t DayMask(const TDayFlags& days);

}  // namespace zv
