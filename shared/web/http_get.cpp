#include "web/http_get.h"

#include <algorithm>

#include "web/curl_transfer.h"

namespace quilla::web {

std::optional<std::string> HttpGetBytes(const std::string& url, std::chrono::milliseconds timeout,
                                        std::stop_token stop) {
  detail::Transfer transfer;
  transfer.url = url;
  transfer.stop = std::move(stop);
  // A zero or negative limit would mean "no limit" to curl; one millisecond is the
  // honest reading of "no time at all".
  const long limit_ms =
      static_cast<long>(std::max<std::chrono::milliseconds::rep>(timeout.count(), 1));
  transfer.connect_timeout_ms = limit_ms;
  transfer.total_timeout_ms = limit_ms;
  transfer.headers = {"Accept: */*"};
  detail::TransferResult response = detail::Perform(nullptr, transfer);
  if (!response.ok || response.status < 200 || response.status > 299) return std::nullopt;
  return std::move(response.body);
}

}  // namespace quilla::web
