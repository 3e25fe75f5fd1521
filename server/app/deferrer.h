#pragma once
// Continuations that run later on the engine's own thread (the short pauses after a song
// starts). The host backs it with a real timer; tests run the continuations by hand.

#include <chrono>
#include <functional>

namespace quilla::server {

class Deferrer {
 public:
  virtual ~Deferrer() = default;
  virtual void RunAfter(std::chrono::milliseconds delay, std::function<void()> continuation) = 0;
};

}  // namespace quilla::server
