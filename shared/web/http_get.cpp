#include "web/http_get.h"

#include <algorithm>
#include <memory>

#include "web/curl_transfer.h"

namespace quilla::web {

namespace {

int AbortOnCancel(void* cancel, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  return static_cast<const std::atomic<bool>*>(cancel)->load() ? 1 : 0;
}

std::optional<std::string> Get(CURL* handle, const std::string& url,
                               std::chrono::milliseconds timeout) {
  detail::Transfer transfer;
  transfer.url = url;
  // A zero or negative limit would mean "no limit" to curl; one millisecond is the
  // honest reading of "no time at all".
  const long limit_ms =
      static_cast<long>(std::max<std::chrono::milliseconds::rep>(timeout.count(), 1));
  transfer.connect_timeout_ms = limit_ms;
  transfer.total_timeout_ms = limit_ms;
  transfer.headers = {"Accept: */*"};
  detail::TransferResult response = detail::Perform(handle, transfer);
  if (!response.ok || response.status < 200 || response.status > 299) return std::nullopt;
  return std::move(response.body);
}

struct EasyDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};

}  // namespace

std::optional<std::string> HttpGetBytes(const std::string& url, std::chrono::milliseconds timeout) {
  return Get(nullptr, url, timeout);
}

std::optional<std::string> HttpGetBytes(const std::string& url, std::chrono::milliseconds timeout,
                                        const std::atomic<bool>& cancel) {
  if (cancel.load()) return std::nullopt;
  detail::EnsureCurlGlobalInit();
  std::unique_ptr<CURL, EasyDeleter> handle(curl_easy_init());
  if (!handle) return std::nullopt;
  // Perform sets every option of the GET itself and leaves these alone.
  curl_easy_setopt(handle.get(), CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(handle.get(), CURLOPT_XFERINFOFUNCTION, &AbortOnCancel);
  curl_easy_setopt(handle.get(), CURLOPT_XFERINFODATA,
                   const_cast<void*>(static_cast<const void*>(&cancel)));
  return Get(handle.get(), url, timeout);
}

}  // namespace quilla::web
