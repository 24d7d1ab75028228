// The wall clock of the program, behind one function so that tests can set the time (a year
// end, a midnight) instead of waiting for it.
#pragma once
#include <ctime>
#include <functional>

namespace zv {

// Seconds since the epoch: the system's time unless a test installed a clock.
std::time_t Now();
// The local broken-down time of Now().
std::tm LocalNow();

// Installs a clock (an empty function restores the system's); answers the previous one.
std::function<std::time_t()> SetClockForTests(std::function<std::time_t()> clock);

// For tests that run the program as a separate process: when the environment variable
// ZV_TEST_NOW holds a local time "YYYY-MM-DD HH:MM:SS", the clock starts there and runs on
// with the system's. Answers whether it did; a text in any other form changes nothing.
bool InstallClockFromEnvironment();

// Restores the previous clock when it leaves scope.
class TTestClock {
 public:
  explicit TTestClock(std::time_t fixed)
      : previous_(SetClockForTests([fixed] { return fixed; })) {}
  explicit TTestClock(std::function<std::time_t()> clock)
      : previous_(SetClockForTests(std::move(clock))) {}
  ~TTestClock() { SetClockForTests(previous_); }
  TTestClock(const TTestClock&) = delete;
  TTestClock& operator=(const TTestClock&) = delete;

 private:
  std::function<std::time_t()> previous_;
};

}  // namespace zv
