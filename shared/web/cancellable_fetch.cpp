#include "web/cancellable_fetch.h"

#include <curl/curl.h>

#include <memory>

namespace quilla::web {
namespace {

struct EasyDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};

struct AbortRule {
  const std::atomic<bool>* cancel;
  std::uint64_t max_download_bytes;  // 0: no limit
  const FetchProgress* on_progress;  // may be empty
};

int AbortWhenCancelled(void* data, curl_off_t total, curl_off_t downloaded, curl_off_t,
                       curl_off_t) {
  const auto* rule = static_cast<const AbortRule*>(data);
  if (rule->cancel->load()) return 1;
  if (*rule->on_progress) {
    (*rule->on_progress)(static_cast<std::uint64_t>(downloaded), static_cast<std::uint64_t>(total));
  }
  return rule->max_download_bytes > 0 &&
                 static_cast<std::uint64_t>(downloaded) > rule->max_download_bytes
             ? 1
             : 0;
}

}  // namespace

WebFetchResult CancellableFetch(const std::string& url, const std::atomic<bool>& cancel,
                                WebFetchOptions options, std::uint64_t max_download_bytes,
                                const FetchProgress& on_progress) {
  if (cancel.load()) return {};
  std::unique_ptr<CURL, EasyDeleter> handle(curl_easy_init());
  if (!handle) return {};
  AbortRule rule{&cancel, max_download_bytes, &on_progress};
  // WebFetch sets the options of the request itself and leaves these alone.
  curl_easy_setopt(handle.get(), CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(handle.get(), CURLOPT_XFERINFOFUNCTION, &AbortWhenCancelled);
  curl_easy_setopt(handle.get(), CURLOPT_XFERINFODATA, &rule);
  options.existing_handle = handle.get();
  return WebFetch(url, options);
}

}  // namespace quilla::web
