#pragma once
// Waiting for a condition that another thread makes true. Tests wait for an event this
// way (a message arrived, a file was written), never for a fixed time to pass; the
// deadline only ends a test that would otherwise hang.

#include <chrono>
#include <thread>

namespace quilla::testing {

// Checks `done` every few milliseconds until it holds or `timeout` has passed; returns its
// last value. For code that runs a Qt event loop, use the window tests' WaitUntil, which
// keeps the loop turning.
template <typename Predicate>
bool WaitUntil(Predicate done, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return done();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

}  // namespace quilla::testing
