#pragma once
// How work comes back to the engine's own thread: events posted from any thread (the
// results of the workers and of the audio player), and continuations after a short pause
// (the row removal after a song starts). The host backs both with its event loop; tests
// run them by hand.

#include <chrono>
#include <functional>

namespace quilla::server {

class Deferrer {
 public:
  virtual ~Deferrer() = default;
  // Any thread; never blocks. Queues `event` to run on the engine thread after everything
  // queued before it. Events posted once the host has shut down are dropped.
  virtual void Post(std::function<void()> event) = 0;
  // Engine thread; never blocks. Runs `continuation` on the engine thread once `delay` has
  // passed, between other events (never in the middle of one).
  virtual void RunAfter(std::chrono::milliseconds delay, std::function<void()> continuation) = 0;
};

}  // namespace quilla::server
