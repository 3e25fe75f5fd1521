#include "server/voice/cancellable_fetch.h"

#include <curl/curl.h>

#include <memory>

namespace quilla::server {
namespace {

struct EasyDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};

int AbortWhenCancelled(void* flag, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  return static_cast<const std::atomic<bool>*>(flag)->load() ? 1 : 0;
}

}  // namespace

web::WebFetchResult CancellableFetch(const std::string& url, const std::atomic<bool>& cancel,
                                     web::WebFetchOptions options) {
  if (cancel.load()) return {};
  std::unique_ptr<CURL, EasyDeleter> handle(curl_easy_init());
  if (!handle) return {};
  // WebFetch sets the options of the request itself and leaves these alone.
  curl_easy_setopt(handle.get(), CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(handle.get(), CURLOPT_XFERINFOFUNCTION, &AbortWhenCancelled);
  curl_easy_setopt(handle.get(), CURLOPT_XFERINFODATA,
                   const_cast<void*>(static_cast<const void*>(&cancel)));
  options.existing_handle = handle.get();
  return web::WebFetch(url, options);
}

}  // namespace quilla::server
