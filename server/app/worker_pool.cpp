#include "server/app/worker_pool.h"

#include <algorithm>

namespace quilla::server {

WorkerPool::WorkerPool(int threads) {
  for (int i = 0; i < std::max(threads, 1); ++i) {
    workers_.emplace_back([this](std::stop_token stop) { Work(stop); });
  }
}

WorkerPool::~WorkerPool() {
  Stop();
}

void WorkerPool::Run(std::function<void(std::stop_token stop)> job) {
  {
    std::lock_guard lock(mutex_);
    if (stopped_) return;
    jobs_.push_back(std::move(job));
  }
  wake_.notify_one();
}

void WorkerPool::Stop() {
  {
    std::lock_guard lock(mutex_);
    if (stopped_) return;
    stopped_ = true;
    jobs_.clear();
  }
  for (auto& worker : workers_) worker.request_stop();
  for (auto& worker : workers_) worker.join();
}

void WorkerPool::Work(std::stop_token stop) {
  while (true) {
    std::function<void(std::stop_token)> job;
    {
      std::unique_lock lock(mutex_);
      // Wakes on a new job and on the stop request alike.
      if (!wake_.wait(lock, stop, [this] { return !jobs_.empty(); })) return;
      job = std::move(jobs_.front());
      jobs_.pop_front();
    }
    job(stop);
  }
}

}  // namespace quilla::server
