// TWaitingCall: runs a blocking call on a helper thread while the calling (window) thread
// keeps turning its event loop, so the window repaints and answers while a reader is silent
// or a modem dials. One call at a time; the caller gets control back only when it is done.
#pragma once
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

class QAbstractEventDispatcher;

namespace zv {

class TWaitingCall {
 public:
  TWaitingCall() = default;
  // Ends the helper thread; a call still running is waited for.
  ~TWaitingCall();
  TWaitingCall(const TWaitingCall&) = delete;
  TWaitingCall& operator=(const TWaitingCall&) = delete;

  // Runs `call` on the helper thread and returns when it has finished, raising its error if
  // it raised one. A call that ends within a couple of milliseconds costs no event processing;
  // one that takes longer first runs `beforeEvents` (once), then lets events run until it
  // ends. A call made from inside those events runs directly, as nothing can overlap it.
  void Run(const std::function<void()>& call, const std::function<void()>& beforeEvents);

 private:
  void Loop();

  std::mutex mu_;
  std::condition_variable cv_;
  const std::function<void()>* job_ = nullptr;
  bool done_ = false;
  bool stop_ = false;
  bool inEvents_ = false;  // the caller waits in its event loop and must be woken
  bool running_ = false;   // a Run is in progress (guards against nesting)
  std::exception_ptr error_;
  QAbstractEventDispatcher* dispatcher_ = nullptr;
  std::thread thread_;
};

}  // namespace zv
