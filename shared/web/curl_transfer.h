#pragma once
// The one place that drives libcurl. WebFetch, HttpGetBytes and WebRequest describe a
// request here and get the response back; this file knows nothing of their defaults.

#include <curl/curl.h>

#include <cstddef>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "web/web_fetch.h"

namespace quilla::web::detail {

// Largest response body kept (after content decoding). A larger body fails the transfer.
inline constexpr std::size_t kMaxBodyBytes = 64u * 1024u * 1024u;

// curl_global_init, exactly once per process, safe to call from any thread.
void EnsureCurlGlobalInit();

struct Transfer {
  std::string method = "GET";  // "GET", "POST", "HEAD", ... as sent on the request line
  std::string url;
  // Complete "Name: value" lines for the server (and a plain-HTTP proxy). "Name:" removes
  // a header curl would add by itself.
  std::vector<std::string> headers;
  // Lines only for the proxy (also on a CONNECT tunnel), never for the server.
  std::vector<std::string> proxy_headers;
  std::optional<std::string> body;  // sent with a Content-Length when present
  bool follow_redirects = true;
  std::string proxy;            // empty: direct, also when the environment names a proxy
  long connect_timeout_ms = 0;  // resolve + connect; 0 = curl's default
  long idle_timeout_s = 0;      // abort after this long without a byte; 0 = never
  long total_timeout_ms = 0;    // whole transfer; 0 = no limit
  // When stop is requested, the transfer ends as a failure (curl looks several times a
  // second while data flows and about once a second while it waits). No token: no check.
  std::stop_token stop;
  // Takes the body instead of TransferResult::body (which then stays empty), without the
  // kMaxBodyBytes limit.
  BodySink* body_sink = nullptr;
};

struct TransferResult {
  bool ok = false;      // a complete response arrived
  long status = 0;      // of the final response
  std::string body;     // content-decoded (empty when a body sink took it)
  std::string headers;  // final response's header lines, each ending in CR LF
};

// Performs the transfer on `handle` (a fresh one when null) and blocks until it ends.
// Leaves no pointer to the transfer's data in a handle that the caller owns.
// Thread-safe for different handles.
TransferResult Perform(CURL* handle, const Transfer& transfer);

}  // namespace quilla::web::detail
