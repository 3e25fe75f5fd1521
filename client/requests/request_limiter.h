#pragma once
// The client's own limit on how often its user may request songs: the server announces
// the minimum gap ("时间间隔") and each client keeps to it.

#include <chrono>
#include <cstdint>
#include <functional>

namespace quilla::client {

// A monotonic clock: setting the computer's clock back must not refuse every request
// until the clock has caught up again.
using MonotonicClock = std::function<std::chrono::steady_clock::time_point()>;

// Not thread-safe: used on the GUI thread.
class RequestLimiter {
 public:
  explicit RequestLimiter(MonotonicClock now = &std::chrono::steady_clock::now)
      : now_(std::move(now)) {}

  // Whether a request may go now with `interval_s` as the minimum gap. The first request
  // of a run always may. After that the gap from the last accepted request, in whole
  // seconds, must be at least the interval (a gap equal to it is enough). An accepted
  // request becomes the last one; a refused attempt does not count.
  bool TryRequest(std::int32_t interval_s);

 private:
  MonotonicClock now_;
  bool first_request_pending_ = true;
  std::chrono::steady_clock::time_point last_request_{};
};

}  // namespace quilla::client
