#include "app/waitingcall.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QThread>
#include <chrono>

namespace zv {

namespace {
// Calls that answer within this time (a reader on a fast line) leave the event loop alone.
constexpr std::chrono::milliseconds kQuietWait{2};
}  // namespace

TWaitingCall::~TWaitingCall() {
  {
    std::lock_guard<std::mutex> lock(mu_);
    stop_ = true;
  }
  cv_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void TWaitingCall::Loop() {
  std::unique_lock<std::mutex> lock(mu_);
  for (;;) {
    cv_.wait(lock, [this] { return job_ != nullptr || stop_; });
    if (job_ == nullptr) return;  // stopped, nothing pending
    const std::function<void()>* job = job_;
    lock.unlock();
    std::exception_ptr error;
    try {
      (*job)();
    } catch (...) {
      error = std::current_exception();
    }
    lock.lock();
    job_ = nullptr;
    error_ = error;
    done_ = true;
    cv_.notify_all();
    // The wake-up is remembered by the dispatcher, so it cannot be lost between the caller's
    // check of done_ and its wait for events.
    if (inEvents_ && dispatcher_) dispatcher_->wakeUp();
  }
}

void TWaitingCall::Run(const std::function<void()>& call,
                       const std::function<void()>& beforeEvents) {
  if (running_) {
    call();
    return;
  }
  running_ = true;
  struct TRunning {
    bool& flag;
    ~TRunning() { flag = false; }
  } running{running_};

  std::unique_lock<std::mutex> lock(mu_);
  if (!thread_.joinable()) thread_ = std::thread([this] { Loop(); });
  dispatcher_ = QThread::currentThread()->eventDispatcher();
  job_ = &call;
  done_ = false;
  error_ = nullptr;
  inEvents_ = false;
  cv_.notify_all();
  if (!cv_.wait_for(lock, kQuietWait, [this] { return done_; })) {
    lock.unlock();
    if (beforeEvents) beforeEvents();
    lock.lock();
    while (!done_) {
      inEvents_ = true;
      lock.unlock();
      if (dispatcher_) {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        lock.lock();
      } else {
        // No event loop on this thread: nothing to keep answering, so just wait.
        lock.lock();
        cv_.wait(lock, [this] { return done_; });
      }
    }
    inEvents_ = false;
  }
  std::exception_ptr error = error_;
  error_ = nullptr;
  lock.unlock();
  if (error) std::rethrow_exception(error);
}

}  // namespace zv
