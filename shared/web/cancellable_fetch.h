#pragma once
// WebFetch that another thread can abort, so a shutdown or a newer request need not wait
// for a slow service, and that can refuse an answer too large to be of use.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "web/web_fetch.h"

namespace quilla::web {

// How far a transfer has come: the body bytes received so far and the total the server
// announced (0 when it did not say). Both start again at 0 when a redirect is followed.
// Called on the transferring thread, several times a second while bytes flow and at
// least once a second while they do not.
using FetchProgress = std::function<void(std::uint64_t received, std::uint64_t total)>;

// WebFetch(url, options) on a fresh handle of its own (options.existing_handle is
// replaced) that aborts the transfer once `cancel` is true; libcurl looks at the flag
// several times a second and at least once a second while waiting. With
// max_download_bytes > 0 the transfer is also aborted as soon as more bytes than that
// have arrived. An aborted or refused transfer gives the empty result (ok == false).
// `on_progress`, when given, follows the transfer. Blocks; thread-safe.
WebFetchResult CancellableFetch(const std::string& url, const std::atomic<bool>& cancel,
                                WebFetchOptions options = {}, std::uint64_t max_download_bytes = 0,
                                const FetchProgress& on_progress = {});

}  // namespace quilla::web
