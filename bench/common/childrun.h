// A benchmark's run of a program as a child: its wall time (less the time it was paused for
// probes) and its peak resident memory.
#pragma once
#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace zv {
namespace bench {

struct TChildRun {
  double seconds = 0;  // wall time, less the time it was paused for probes
  long maxRssKb = 0;
  bool ok = false;     // exit status 0
};

// Something measured while the child is paused (SIGSTOP), every `every` seconds of its run.
struct TProbe {
  double every = 0;
  std::function<void()> run;
};

// Runs the program with the parameters, its output to /dev/null (the offscreen platform's
// chatter, the run's summary).
TChildRun RunChild(const std::string& program, const std::vector<std::string>& params,
                   const TProbe& probe = {});

// Seconds since t.
double SecondsSince(std::chrono::steady_clock::time_point t);

}  // namespace bench
}  // namespace zv
