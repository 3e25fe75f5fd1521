#pragma once
// One complete synchronous HTTP request with the browser-like defaults that the web services
// we talk to expect (search form, speech synthesis), plus the cookie helpers around it.

#include <curl/curl.h>

#include <optional>
#include <string>
#include <string_view>

namespace quilla::web {

// Methods by number; any other number means kGet.
enum WebMethod : int {
  kGet = 0,
  kPost = 1,
  kHead = 2,
  kPut = 3,
  kOptions = 4,
  kDelete = 5,
  kTrace = 6,
  kConnect = 7,
};

// Takes a response body as it arrives, for bodies that belong in a file rather than in
// memory. Called on the thread that performs the request, never after it has returned.
class BodySink {
 public:
  virtual ~BodySink() = default;
  // A new response begins (after a redirect or an interim answer): whatever was written
  // so far belonged to another response and is to be forgotten.
  virtual void Restart() = 0;
  // The next bytes of the body (content-decoded). Returning false stops the transfer,
  // which then fails.
  virtual bool Write(std::string_view bytes) = 0;
};

// Everything but the URL, with the defaults a caller gets when it leaves a value out.
struct WebFetchOptions {
  int method = kGet;  // 0..7 (WebMethod); anything else is GET
  // Sent as its bytes when body_bytes is empty (may be empty).
  std::string body_text;
  // Sent as the "Cookie" header when present (and used for merging, below).
  std::optional<std::string> cookies;
  // Header lines separated by CR LF. "Host", "Connection" and "Content-Length" lines are
  // dropped: the HTTP layer sends the right values itself, so a stale fixed length can
  // never cut or pad the body. An "Accept-Encoding" line is sent as given and a gzip or
  // deflate response body is then decoded.
  std::string extra_headers;
  bool no_redirects = false;  // redirects are followed unless this is set
  std::string body_bytes;     // sent instead of body_text when not empty
  std::string proxy;          // "host:port"; empty = direct connection
  // Seconds per phase (resolve+connect, then each wait for data): t > 0 gives t s,
  // 0 or a negative value other than -1 gives 15 s, -1 keeps the request object's own
  // defaults (60 s to connect, 30 s without data).
  int timeout_seconds = 15;
  std::string proxy_user, proxy_password;
  // 1: when proxy and proxy_user are both set, send "Proxy-Authorization: Basic ..." to
  // the proxy (the GBK bytes of user + ":" + password, Base64).
  int proxy_authorization = 1;
  // Used instead of a new handle when set; the call sets every option it relies on and
  // leaves no pointer to its own data behind. Options it does not use (a progress callback
  // for cancelling, say) stay as the caller set them. The caller keeps ownership and must
  // not use the handle on another thread during the call.
  CURL* existing_handle = nullptr;
  // When cookies were given: cookies_received = MergeCookies(cookies, cookies received).
  bool merge_cookies = true;
  // When set, the body goes to the sink as it arrives and WebFetchResult::body stays
  // empty; the 64 MiB limit on kept bodies does not apply (the sink sets its own). The
  // caller keeps ownership; the sink must outlive the call.
  BodySink* body_sink = nullptr;
};

struct WebFetchResult {
  std::string body;              // response body bytes (decoded if gzip/deflate)
  std::string response_headers;  // final response's header lines, each ending in CR LF
  int status = 0;                // HTTP status of the final response; no status is an error
  std::string cookies_received;  // "a=1; b=2" from the Set-Cookie lines (see WebFetch)
  bool ok = false;               // the transfer completed (any status)
};

// How a timeout_seconds value becomes limits: t > 0 gives t s to connect (name lookup
// included) and t s without a byte arriving or leaving; 0 or a negative value other than
// -1 gives 15 s; -1 gives the request object's own defaults, 60 s and 30 s.
struct WebFetchTimeouts {
  long connect_ms = 0;
  long idle_seconds = 0;
};
WebFetchTimeouts TimeoutsForSeconds(int timeout_seconds);

// Performs the request and blocks until it completes, fails or times out. On any failure
// (cannot connect, time-out, body larger than 64 MiB, bad URL) the result is empty with
// ok == false; nothing is thrown. Only http and https URLs are fetched. Certificate
// errors (unknown authority, wrong name, expired) are accepted on purpose: the services
// we talk to are known to have broken certificates. Thread-safe: every call owns its
// handle unless options.existing_handle is given.
WebFetchResult WebFetch(const std::string& url, const WebFetchOptions& options = {});

// The cookies valid after a response: received items (minus those whose value ends in
// "=deleted"), then every sent item whose name was not received; spaces removed, items
// joined with "; ", exact duplicates dropped. MergeCookies("a=1; b=2", "b=3; c=deleted")
// == "b=3; a=1". Pure function, thread-safe.
std::string MergeCookies(std::string_view sent, std::string_view received);

// The value of the first line of `headers` (lines "Name: value" ending in CR LF, as
// WebFetchResult::response_headers holds them) whose name equals `name` ignoring ASCII
// case, without surrounding blanks; empty when there is none. Pure function, thread-safe.
std::string ResponseHeader(std::string_view headers, std::string_view name);

// Splits text at separator, keeps the first occurrence of each exact item and joins them
// with separator again. An empty separator returns text unchanged. Thread-safe.
std::string RemoveDuplicateItems(std::string_view text, std::string_view separator);

// Standard Base64 (A-Z a-z 0-9 + /, "=" padding); empty input gives "". Thread-safe.
std::string Base64Encode(std::string_view bytes);

}  // namespace quilla::web
