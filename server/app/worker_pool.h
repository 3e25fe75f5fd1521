#pragma once
// A few worker threads for the engine's blocking calls (see BackgroundWork).

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <stop_token>
#include <thread>
#include <vector>

#include "server/app/background_work.h"

namespace quilla::server {

class WorkerPool final : public BackgroundWork {
 public:
  // Starts `threads` workers (at least one).
  explicit WorkerPool(int threads = 2);
  ~WorkerPool() override;  // Stop()
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  // Any thread; never blocks. Jobs start in the order they were handed in, as soon as a
  // worker is free. After Stop the job is dropped.
  void Run(std::function<void(std::stop_token stop)> job) override;

  // Any thread but a worker: requests stop of the jobs under way, drops the jobs not yet
  // begun and joins the workers. Returns as soon as the jobs under way have returned (a
  // job that honours its stop token returns promptly). Idempotent.
  void Stop();

 private:
  void Work(std::stop_token stop);

  std::mutex mutex_;
  std::condition_variable_any wake_;
  std::deque<std::function<void(std::stop_token)>> jobs_;
  std::vector<std::jthread> workers_;
  bool stopped_ = false;
};

}  // namespace quilla::server
