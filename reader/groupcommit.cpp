#include "reader/groupcommit.h"

#include "data/mystringlist.h"

namespace zv {

bool TGroupCommit::Commit(const TWrite& write, std::string& failed) {
  std::unique_lock<std::mutex> lock(mutex_);
  std::vector<TMyFileStream*> written;
  const bool wrote = write(written, failed);
  dirty_.insert(written.begin(), written.end());
  // A failed write still has its round: the lines before it are made durable as well.
  const std::uint64_t ticket = ++written_;
  auto waiting = waiting_.insert(ticket);
  while (synced_ < ticket) {
    if (syncing_) {
      done_.wait(lock);
    } else {
      RunRound(lock);
    }
  }
  waiting_.erase(waiting);
  if (!wrote) return false;
  for (const TFailedRound& r : failed_) {
    if (ticket >= r.from && ticket <= r.to) {
      failed = r.file;
      return false;
    }
  }
  return true;
}

void TGroupCommit::RunRound(std::unique_lock<std::mutex>& lock) {
  syncing_ = true;
  const std::uint64_t from = synced_ + 1, to = written_;
  std::vector<TMyFileStream*> files(dirty_.begin(), dirty_.end());
  dirty_.clear();
  ++rounds_;
  // Writers go on meanwhile; what they write waits for the next round.
  lock.unlock();
  const int bad = SyncTogether(files.data(), static_cast<int>(files.size()));
  lock.lock();
  if (bad >= 0) {
    // Whatever the round covered is in doubt: every element in it is reported failed.
    failed_.push_back({from, to, files[static_cast<std::size_t>(bad)]->FileName()});
  }
  // Failures that no waiting writer can ask about any more are dropped.
  const std::uint64_t oldest = waiting_.empty() ? written_ + 1 : *waiting_.begin();
  while (!failed_.empty() && failed_.front().to < oldest) failed_.erase(failed_.begin());
  synced_ = to;
  syncing_ = false;
  done_.notify_all();
}

void TGroupCommit::Exclusive(const std::function<void()>& work) {
  std::unique_lock<std::mutex> lock(mutex_);
  while (syncing_ || !dirty_.empty() || synced_ < written_) {
    if (syncing_) {
      done_.wait(lock);
    } else {
      RunRound(lock);
    }
  }
  work();
}

std::uint64_t TGroupCommit::Rounds() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return rounds_;
}

TGroupCommit& ElementCommits() {
  static TGroupCommit commits;
  return commits;
}

}  // namespace zv
