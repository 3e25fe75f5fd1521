#pragma once
// A plain HTTP GET for pictures and lyrics files.

#include <chrono>
#include <optional>
#include <stop_token>
#include <string>

namespace quilla::web {

// GETs url (http or https, redirects followed, certificate errors accepted) and returns
// the body bytes when the final status is 2xx. Returns nullopt when the transfer fails,
// the status is not 2xx (an error page is no picture), the body exceeds 64 MiB, the whole
// transfer takes longer than timeout, or stop is requested (the transfer then ends within
// about a second). Blocks the calling thread; thread-safe.
std::optional<std::string> HttpGetBytes(
    const std::string& url, std::chrono::milliseconds timeout = std::chrono::seconds(15),
    std::stop_token stop = {});

}  // namespace quilla::web
