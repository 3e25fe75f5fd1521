#include "client/requests/request_limiter.h"

namespace quilla::client {

bool RequestLimiter::TryRequest(std::int32_t interval_s) {
  const auto now = now_();
  if (first_request_pending_) {
    first_request_pending_ = false;
    last_request_ = now;
    return true;
  }
  const auto gap_s = std::chrono::duration_cast<std::chrono::seconds>(now - last_request_).count();
  if (gap_s < interval_s) return false;
  last_request_ = now;
  return true;
}

}  // namespace quilla::client
