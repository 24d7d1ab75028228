// The data-directory lock: one program at a time runs reader operations or saves data files
// in a data directory, whichever user runs it. An advisory lock (flock) on the file zv.lock
// inside the directory, so a killed holder never leaves it taken; the holder's pid and user
// are written into the file for the message of the one that has to wait.
#pragma once
#include <string>

namespace zv {

// The lock file's name inside a data directory.
extern const char* const kDataLockName;

class TDataLock {
 public:
  // Takes the lock of `dir` (with or without a trailing "/"), trying for up to `waitMs`.
  // Taken again in the same process it only counts, so an operation may save its files.
  TDataLock(const std::string& dir, int waitMs);
  ~TDataLock();
  TDataLock(const TDataLock&) = delete;
  TDataLock& operator=(const TDataLock&) = delete;

  // False when another program holds the lock (or the lock file cannot be used); Refusal()
  // then says so. True also when the directory has no lock file and none can be made there
  // (missing, read-only): nobody else can write there either, and the write itself reports.
  bool Held() const { return refusal_.empty(); }
  // "the data directory /d/ is in use by pid 123 (user ann)".
  const std::string& Refusal() const { return refusal_; }

 private:
  std::string key_;  // the registry entry this lock counts on; empty when none
  std::string refusal_;
};

// The wait of a save of a data file and of an operation started from a window (someone is
// looking at a window that cannot repaint meanwhile: short), and of a command-line run
// (ZV_LOCK_WAIT seconds when set, else 30).
int SaveLockWaitMs();
int RunLockWaitMs();
// For tests.
void SetSaveLockWaitMs(int ms);

}  // namespace zv
