#pragma once
// The music search service: where it is, and one page request to it (a form POST to its
// root path with the header block a browser's search page sends).

#include <atomic>
#include <optional>
#include <string>
#include <string_view>

namespace quilla::client {

// A base address as configured: scheme, host and optional port.
struct ServiceAddress {
  std::string scheme;     // "http" or "https"
  std::string authority;  // host, or host:port
  bool operator==(const ServiceAddress&) const = default;
};

// Reads a base address: "http://host", "https://host:8443", or a bare "host[:port]" (taken
// as http). Blanks around it are ignored, and so are a path, query or fragment after the
// host (the service answers on its root path). std::nullopt for an empty text, another
// scheme, an empty host, or a host with blanks, control characters or "@" in it.
std::optional<ServiceAddress> ParseServiceAddress(std::string_view text);

// The address a page request goes to: the service's root path.
std::string SearchServiceUrl(const ServiceAddress& service);

// "input=" + the UTF-8 bytes of `text` percent-encoded (letters, digits, "-" and "."
// kept) + "&filter=name&type=" + source + "&page=" + page in decimal.
std::string SearchFormBody(std::string_view text, std::string_view source, int page);

// The twelve header lines of a page request, joined by CR LF with none after the last;
// Host, Origin and Referer carry the service's authority. (The HTTP layer sends the real
// host, connection and length itself; the fixed "Content-Length: 42" line of the block is
// never sent as such.)
std::string SearchHeaderBlock(const ServiceAddress& service);

// Posts `form_body` to the service and returns the answer's body bytes as they came;
// empty when the request fails, times out (15 s a phase), is cancelled through `cancel`
// or brings more than kMaxAnswerBytes. Blocks; thread-safe.
std::string FetchSearchAnswer(const ServiceAddress& service, const std::string& form_body,
                              const std::atomic<bool>& cancel);

}  // namespace quilla::client
