#pragma once
// How the client's background work (avatar fetches, song downloads) reaches the GUI
// thread. A Qt program posts to its event loop; a test pushes onto a queue that it drains.

#include <functional>

namespace quilla::client {

struct WorkerHost {
  // Runs `task` later on the GUI thread, after every task posted before it. Called from
  // worker threads (must be thread-safe), never after the object it was given to is gone.
  std::function<void(std::function<void()>)> post;
};

}  // namespace quilla::client
