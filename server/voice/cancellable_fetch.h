#pragma once
// WebFetch that another thread can abort, so a shutdown need not wait for a slow service.

#include <atomic>
#include <string>

#include "web/web_fetch.h"

namespace quilla::server {

// WebFetch(url, options) on a fresh handle of its own (options.existing_handle is
// replaced) that aborts the transfer once `cancel` is true; libcurl looks at the flag
// several times a second and at least once a second while waiting. An aborted or
// refused transfer gives the empty result (ok == false). Blocks; thread-safe.
web::WebFetchResult CancellableFetch(const std::string& url, const std::atomic<bool>& cancel,
                                     web::WebFetchOptions options = {});

}  // namespace quilla::server
