// TGroupCommit: makes the lines of the elements that several lines write at once durable
// together. Each element's lines are written whole, then its writer waits until a sync round
// that began after the writes has ended: one round of syncs covers every element written
// before it, whatever line wrote it. With one line this is a write and a sync per element.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace zv {

class TMyFileStream;

class TGroupCommit {
 public:
  // Writes the lines of one element through `write`, under the lock that keeps elements
  // whole: it appends each file it wrote to `written` and answers false, with the file's
  // name in `failed`, when a write failed. Then waits for the sync round that covers them.
  // True when every line is durable; otherwise `failed` names the file that failed.
  using TWrite = std::function<bool(std::vector<TMyFileStream*>& written, std::string& failed)>;
  bool Commit(const TWrite& write, std::string& failed);

  // Runs `work` while no element is being written or synced and every written one is
  // durable: `work` may then replace a file that elements are written to.
  void Exclusive(const std::function<void()>& work);

  // Sync rounds run so far (for tests and benchmarks: fewer rounds than elements means
  // rounds were shared).
  std::uint64_t Rounds() const;

 private:
  // Runs one round for everything written so far; called and returns with the lock held.
  void RunRound(std::unique_lock<std::mutex>& lock);

  struct TFailedRound {
    std::uint64_t from, to;  // the tickets it covered
    std::string file;
  };
  mutable std::mutex mutex_;
  std::condition_variable done_;
  std::uint64_t written_ = 0;  // tickets handed out: one per element written
  std::uint64_t synced_ = 0;   // every ticket up to here has had its round
  std::uint64_t rounds_ = 0;
  bool syncing_ = false;
  std::set<TMyFileStream*> dirty_;
  std::vector<TFailedRound> failed_;
  std::multiset<std::uint64_t> waiting_;  // tickets whose writers have not looked yet
};

// The one of the program: every element of every line goes through it.
TGroupCommit& ElementCommits();

}  // namespace zv
