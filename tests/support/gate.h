#pragma once
// A one-shot gate that threads wait at until the test opens it. Stand-ins for slow outside
// services hold their answer on one, so that a test decides when "eight seconds" have
// passed instead of waiting for them; the test can also wait until someone has arrived.

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stop_token>

namespace quilla::testing {

class Gate {
 public:
  // Lets every waiter through, now and later.
  void Open() {
    {
      std::lock_guard lock(mutex_);
      open_ = true;
    }
    changed_.notify_all();
  }
  bool is_open() const {
    std::lock_guard lock(mutex_);
    return open_;
  }

  // Arrives and waits until the gate opens.
  void Wait() {
    std::unique_lock lock(mutex_);
    Arrive();
    changed_.wait(lock, [this] { return open_; });
  }
  // Arrives and waits until the gate opens; false when `timeout` passed first (a test
  // that forgot to open it ends instead of hanging).
  bool Wait(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    Arrive();
    return changed_.wait_for(lock, timeout, [this] { return open_; });
  }
  // Arrives and waits until the gate opens or `stop` is requested; true when it opened.
  bool Wait(std::stop_token stop) {
    std::unique_lock lock(mutex_);
    Arrive();
    return changed_.wait(lock, stop, [this] { return open_; });
  }

  // How many waits have begun so far.
  int arrivals() const {
    std::lock_guard lock(mutex_);
    return arrivals_;
  }
  // Waits until `count` waits have begun; false when that did not happen within `timeout`.
  bool WaitForArrivals(int count, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return arrivals_ >= count; });
  }

 private:
  void Arrive() {
    ++arrivals_;
    changed_.notify_all();
  }

  mutable std::mutex mutex_;
  std::condition_variable_any changed_;
  bool open_ = false;
  int arrivals_ = 0;
};

}  // namespace quilla::testing
