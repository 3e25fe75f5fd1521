#pragma once
// Where the engine's blocking calls run: the radio service's web round trips and the
// lyrics downloads happen on workers, never on the engine thread, and their results come
// back to the engine thread as posted events.

#include <functional>
#include <stop_token>
#include <utility>

#include "server/app/deferrer.h"

namespace quilla::server {

class BackgroundWork {
 public:
  virtual ~BackgroundWork() = default;
  // Any thread; never blocks. Runs `job` on a worker thread; jobs may run at the same time
  // as each other, in no promised order. `stop` is requested when the workers shut down: a
  // job that waits on the network gives up then. Jobs not yet begun at shutdown are dropped.
  virtual void Run(std::function<void(std::stop_token stop)> job) = 0;
};

// Runs `step(stop)` on a worker of `work` and hands its result to `then` on the engine
// thread through `engine`. Nothing is handed back when the workers shut down meanwhile.
// `engine` must outlive the workers (the host owns both).
template <typename Step, typename Then>
void RunThenPost(BackgroundWork& work, Deferrer& engine, Step step, Then then) {
  work.Run([&engine, step = std::move(step), then = std::move(then)](std::stop_token stop) mutable {
    auto result = step(stop);
    if (stop.stop_requested()) return;
    engine.Post([then = std::move(then), result = std::move(result)]() mutable {
      then(std::move(result));
    });
  });
}

}  // namespace quilla::server
