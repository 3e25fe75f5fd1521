#pragma once
// A stand-in for a GUI thread's event loop without a toolkit: other threads post tasks,
// the test thread runs them in posting order while it waits for what it expects; and
// timers that fire only when the test says so.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

namespace quilla::testing {

class TaskQueue {
 public:
  // Thread-safe.
  void Post(std::function<void()> task) {
    std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(task));
    cv_.notify_all();
  }

  // A poster for code that takes std::function<void(std::function<void()>)>.
  std::function<void(std::function<void()>)> Poster() {
    return [this](std::function<void()> task) { Post(std::move(task)); };
  }

  // Runs posted tasks on the calling thread, waiting for more, until `done` holds after a
  // task (or before the first); false when `timeout` passed first.
  template <typename Predicate>
  bool RunUntil(Predicate done, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
      std::function<void()> task;
      {
        std::unique_lock lock(mutex_);
        if (!cv_.wait_until(lock, deadline, [this] { return !tasks_.empty(); })) return done();
        task = std::move(tasks_.front());
        tasks_.pop_front();
      }
      task();
    }
    return true;
  }

  // Runs the tasks posted so far (not those they post); returns how many ran.
  std::size_t RunPending() {
    std::deque<std::function<void()>> batch;
    {
      std::lock_guard lock(mutex_);
      batch.swap(tasks_);
    }
    for (auto& task : batch) task();
    return batch.size();
  }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<std::function<void()>> tasks_;
};

// Delayed tasks recorded with their delay; the test fires them (on its own thread).
class ManualTimers {
 public:
  std::function<void(std::chrono::milliseconds, std::function<void()>)> PostAfter() {
    return [this](std::chrono::milliseconds delay, std::function<void()> task) {
      delays_.push_back(delay);
      pending_.push_back(std::move(task));
    };
  }
  // Every delay asked for so far, in order.
  const std::vector<std::chrono::milliseconds>& delays() const { return delays_; }
  std::size_t pending() const { return pending_.size(); }
  // Runs the oldest pending task as if its time had come; false when none is pending.
  bool FireNext() {
    if (pending_.empty()) return false;
    auto task = std::move(pending_.front());
    pending_.pop_front();
    task();
    return true;
  }

 private:
  std::vector<std::chrono::milliseconds> delays_;
  std::deque<std::function<void()>> pending_;
};

}  // namespace quilla::testing
