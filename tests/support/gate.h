#pragma once
// A gate that threads wait at until the test opens it: a stand-in service holds its
// answer at the gate while the test looks at the half-done state.

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace quilla::testing {

class Gate {
 public:
  // Lets every waiter through, now and later. Thread-safe.
  void Open() {
    std::lock_guard lock(mutex_);
    open_ = true;
    cv_.notify_all();
  }
  // Waits until the gate is open; false when `timeout` passed first (a test that forgot
  // to open it ends instead of hanging).
  bool Wait(std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    std::unique_lock lock(mutex_);
    return cv_.wait_for(lock, timeout, [this] { return open_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  bool open_ = false;
};

}  // namespace quilla::testing
