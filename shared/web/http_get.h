#pragma once
// A plain HTTP GET for pictures and lyrics files.

#include <atomic>
#include <chrono>
#include <optional>
#include <string>

namespace quilla::web {

// GETs url (http or https, redirects followed, certificate errors accepted) and returns
// the body bytes when the final status is 2xx. Returns nullopt when the transfer fails,
// the status is not 2xx (an error page is no picture), the body exceeds 64 MiB, or the
// whole transfer takes longer than timeout. Blocks the calling thread; thread-safe.
std::optional<std::string> HttpGetBytes(
    const std::string& url, std::chrono::milliseconds timeout = std::chrono::seconds(15));

// The same GET, abandoned once `cancel` turns true (libcurl looks at the flag many times a
// second while data flows and about once a second while it waits), so that a program can
// end without waiting for a slow server. An abandoned GET gives nullopt. `cancel` must
// outlive the call.
std::optional<std::string> HttpGetBytes(const std::string& url, std::chrono::milliseconds timeout,
                                        const std::atomic<bool>& cancel);

}  // namespace quilla::web
