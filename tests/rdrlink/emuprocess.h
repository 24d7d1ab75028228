// Test helpers: a hermetic temporary directory and environment, and an rdremu process that
// a test seeds through the command line, serves and stops.
#pragma once
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <stdexcept>

#include "util/testsupport.h"

namespace zv {

// Makes a fresh temporary directory, points XDG_* and RDRDLL32_COM1..4 into it (paths that
// do not exist) and sets short library timeouts. Removes the directory at the end.
class THermeticDir {
 public:
  THermeticDir();
  const std::string& Path() const { return dir_.path(); }
 private:
  testing::TTempDir dir_;
};

class TEmuProcess {
 public:
  explicit TEmuProcess(const std::string& dir);
  ~TEmuProcess();
  const std::string& State() const { return state_; }
  // Runs "rdremu VERB STATE ARGS..."; returns its exit code, its standard output in Output().
  int Cli(const std::string& verb, const std::vector<std::string>& args = {});
  const std::string& Output() const { return output_; }
  // Starts "rdremu serve STATE" and waits for its ready line.
  bool Serve();
  // "127.0.0.2:PORT" of a TCP site as served, and its port.
  std::string Endpoint(int site) const;
  int Port(int site) const;
  bool Running() const { return pid_ > 0; }
  void Stop();   // SIGTERM, then wait: the emulator saves its state
  void Kill();   // SIGKILL
  void Freeze(); // SIGSTOP: it stops answering in the middle of whatever it does
  void Thaw();   // SIGCONT
 private:
  std::string state_;
  std::string output_;
  pid_t pid_ = -1;
  int out_ = -1;
  std::map<int, std::string> endpoints_;
};

// Milliseconds since t, for the tests' bounds on how long a failure may take.
using TestClock = std::chrono::steady_clock;
inline long long MsSince(TestClock::time_point t) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(TestClock::now() - t).count();
}

// A little-endian 32-bit number out of a reader buffer.
inline int32_t Le32(const uint8_t* p) {
  return static_cast<int32_t>(p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24));
}

}  // namespace zv
