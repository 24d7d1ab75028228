// TBell and TBellSchedule: a numbered list of bells, each ringing at a time of day for a
// duration on chosen days; the zv.cfg line forms and the reader's 400-byte bell table.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "data/mystringlist.h"
#include "data/timezone.h"

namespace zv {

class TBell : public TRecord {
 public:
  const std::string& Time() const { return time_; }
  void SetTime(const std::string& s) { time_ = s; }
  const std::string& Duration() const { return duration_; }
  void SetDuration(const std::string& s) { duration_ = s; }
  // d is 0 (Sunday) to 7 (holiday); out of range reads false and writes nothing.
  bool Day(int d) const { return d >= 0 && d < 8 && days_[d]; }
  void SetDay(int d, bool v) {
    if (d >= 0 && d < 8) days_[d] = v;
  }
  const TDayFlags& Days() const { return days_; }
  void Set(const std::string& time, const std::string& duration, const TDayFlags& days);
  void CopyFrom(const TBell& other);

  // The zv.cfg line, e.g. "08:00 5 2 3 4 5 6"; empty when the time is not valid.
  std::string BellLine() const;
  // The Bells dialog's list line: time, duration in 7, then an X column per day.
  std::string DisplayLine() const;

 private:
  std::string time_, duration_;
  TDayFlags days_{};
};

class TBellSchedule : public TRecord {
 public:
  // The reader's bell table has room for this many bells of 4 bytes each.
  static constexpr int kReaderBells = 100;
  static constexpr std::size_t kReaderBlockSize = 4 * kReaderBells;

  const std::string& Number() const { return number_; }
  void SetNumber(const std::string& n) { number_ = n; }

  int Count() const { return static_cast<int>(bells_.size()); }
  TBell* Items(int i) const { return bells_.at(static_cast<std::size_t>(i)).get(); }
  TBell* Add(std::unique_ptr<TBell> bell);
  int IndexOf(const TBell* bell) const;
  // Removes and frees the bell; false when it is not in this schedule.
  bool Remove(const TBell* bell);
  // Frees every bell.
  void Clear() { bells_.clear(); }

  // The first bell whose time equals the text exactly ("8:00" does not find "08:00").
  TBell* FindBell(const std::string& time) const;
  // Adds the bell that a zv.cfg bell line describes, or ignores the line.
  void ReadBellLine(const std::string& line);
  // The display lines in schedule order, each with its bell, for the dialog's list box.
  std::vector<std::pair<std::string, TBell*>> DisplayLines() const;

  // Writes 4 bytes per bell in schedule order (minute, hour, duration, day mask), touching
  // no byte at or beyond `size`. Only the first kReaderBells (or as many as fit) are
  // converted; returns how many were, so a caller can report the ones left out.
  int ToReaderBlock(std::uint8_t* area, std::size_t size = kReaderBlockSize) const;

 private:
  std::string number_;
  std::vector<std::unique_ptr<TBell>> bells_;
};

}  // namespace zv
