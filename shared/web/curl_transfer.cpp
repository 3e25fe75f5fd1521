#include "web/curl_transfer.h"

#include <memory>
#include <mutex>
#include <stdexcept>
#include <string_view>

namespace quilla::web::detail {
namespace {

struct SlistDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using Slist = std::unique_ptr<curl_slist, SlistDeleter>;

struct EasyDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using Easy = std::unique_ptr<CURL, EasyDeleter>;

Slist MakeSlist(const std::vector<std::string>& lines) {
  curl_slist* list = nullptr;
  for (const std::string& line : lines) {
    curl_slist* grown = curl_slist_append(list, line.c_str());
    if (grown == nullptr) {
      curl_slist_free_all(list);
      throw std::bad_alloc();
    }
    list = grown;
  }
  return Slist(list);
}

// Browsers send non-ASCII bytes and spaces of an address percent-encoded; curl sends the
// URL as it is, which servers reject.
std::string EscapeUrl(std::string_view url) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(url.size());
  for (char ch : url) {
    auto byte = static_cast<unsigned char>(ch);
    if (byte <= 0x20 || byte >= 0x7F) {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 0x0F];
    } else {
      out += ch;
    }
  }
  return out;
}

struct Sink {
  std::string body;
  std::string headers;
  bool too_large = false;
  BodySink* target = nullptr;  // takes the body instead of `body` when set
};

size_t WriteBody(char* data, size_t size, size_t count, void* user) {
  auto* sink = static_cast<Sink*>(user);
  size_t n = size * count;
  if (sink->target != nullptr) {
    return sink->target->Write(std::string_view(data, n)) ? n : 0;
  }
  if (sink->body.size() + n > kMaxBodyBytes) {
    sink->too_large = true;
    return 0;  // makes curl stop with CURLE_WRITE_ERROR
  }
  sink->body.append(data, n);
  return n;
}

size_t WriteHeader(char* data, size_t size, size_t count, void* user) {
  auto* sink = static_cast<Sink*>(user);
  size_t n = size * count;
  std::string_view line(data, n);
  if (line.starts_with("HTTP/")) {
    // A new response begins (after a redirect, a 1xx or a proxy's CONNECT answer): only
    // the final response's headers count.
    sink->headers.clear();
    sink->body.clear();
    if (sink->target != nullptr) sink->target->Restart();
    return n;
  }
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  if (line.empty()) return n;
  if (sink->headers.size() + line.size() > kMaxBodyBytes) return 0;
  sink->headers.append(line);
  sink->headers.append("\r\n");
  return n;
}

int AbortWhenStopped(void* token, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  return static_cast<const std::stop_token*>(token)->stop_requested() ? 1 : 0;
}

}  // namespace

void EnsureCurlGlobalInit() {
  static std::once_flag once;
  std::call_once(once, [] {
    if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
      throw std::runtime_error("curl_global_init failed");
    }
  });
}

TransferResult Perform(CURL* handle, const Transfer& transfer) {
  EnsureCurlGlobalInit();
  Easy owned;
  if (handle == nullptr) {
    owned.reset(curl_easy_init());
    if (!owned) return {};
    handle = owned.get();
  }

  Sink sink;
  sink.target = transfer.body_sink;
  const std::string url = EscapeUrl(transfer.url);
  std::vector<std::string> header_lines = transfer.headers;
  bool has_content_type = false;
  for (const std::string& line : header_lines) {
    if (line.size() >= 13 && curl_strnequal(line.c_str(), "Content-Type:", 13)) {
      has_content_type = true;
    }
  }
  // curl would label any body as a form; a request object sends only the caller's type.
  if (transfer.body && !has_content_type) header_lines.push_back("Content-Type:");
  // No "Expect: 100-continue" round trip for larger bodies.
  header_lines.push_back("Expect:");
  Slist headers = MakeSlist(header_lines);
  Slist proxy_headers = MakeSlist(transfer.proxy_headers);

  curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
  curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(handle, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, transfer.follow_redirects ? 1L : 0L);
  curl_easy_setopt(handle, CURLOPT_MAXREDIRS, 10L);
  curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 0L);
  curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 0L);
  curl_easy_setopt(handle, CURLOPT_PROXY_SSL_VERIFYPEER, 0L);
  curl_easy_setopt(handle, CURLOPT_PROXY_SSL_VERIFYHOST, 0L);
  curl_easy_setopt(handle, CURLOPT_PROXY, transfer.proxy.c_str());
  curl_easy_setopt(handle, CURLOPT_NOPROXY, "");
  // Decode every content encoding curl knows; whether one is asked for is up to the
  // caller's own Accept-Encoding header (curl's is removed unless the caller sends one).
  curl_easy_setopt(handle, CURLOPT_ACCEPT_ENCODING, "");
  curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers.get());
  curl_easy_setopt(handle, CURLOPT_PROXYHEADER, proxy_headers.get());
  curl_easy_setopt(handle, CURLOPT_HEADEROPT, static_cast<long>(CURLHEADER_SEPARATE));
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &WriteBody);
  curl_easy_setopt(handle, CURLOPT_WRITEDATA, &sink);
  curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, &WriteHeader);
  curl_easy_setopt(handle, CURLOPT_HEADERDATA, &sink);
  curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, transfer.connect_timeout_ms);
  curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, transfer.total_timeout_ms);
  curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, transfer.idle_timeout_s > 0 ? 1L : 0L);
  curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, transfer.idle_timeout_s);

  // The method: start from a plain GET, then shape it.
  curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, static_cast<const char*>(nullptr));
  if (transfer.method == "HEAD") {
    curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
  } else if (transfer.method == "POST") {
    curl_easy_setopt(handle, CURLOPT_POST, 1L);
  } else if (transfer.method != "GET" || transfer.body) {
    curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, transfer.method.c_str());
  }
  if (transfer.body && transfer.method != "HEAD") {
    curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE,
                     static_cast<curl_off_t>(transfer.body->size()));
    curl_easy_setopt(handle, CURLOPT_POSTFIELDS, transfer.body->data());
  } else if (transfer.method == "POST") {
    curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(0));
    curl_easy_setopt(handle, CURLOPT_POSTFIELDS, "");
  }

  const bool stoppable = transfer.stop.stop_possible();
  if (stoppable) {
    if (transfer.stop.stop_requested()) return {};
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &AbortWhenStopped);
    curl_easy_setopt(handle, CURLOPT_XFERINFODATA,
                     const_cast<void*>(static_cast<const void*>(&transfer.stop)));
  }

  CURLcode code = curl_easy_perform(handle);

  TransferResult result;
  long status = 0;
  curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);

  // Nothing of this call may outlive it inside a caller's handle.
  curl_easy_setopt(handle, CURLOPT_HTTPHEADER, static_cast<curl_slist*>(nullptr));
  curl_easy_setopt(handle, CURLOPT_PROXYHEADER, static_cast<curl_slist*>(nullptr));
  curl_easy_setopt(handle, CURLOPT_WRITEDATA, static_cast<void*>(nullptr));
  curl_easy_setopt(handle, CURLOPT_HEADERDATA, static_cast<void*>(nullptr));
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, static_cast<curl_write_callback>(nullptr));
  curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, static_cast<curl_write_callback>(nullptr));
  curl_easy_setopt(handle, CURLOPT_POSTFIELDS, static_cast<const char*>(nullptr));
  curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, static_cast<const char*>(nullptr));
  curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L);
  if (stoppable) {
    // A caller's own progress options are left alone when no token was given.
    curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION,
                     static_cast<curl_xferinfo_callback>(nullptr));
    curl_easy_setopt(handle, CURLOPT_XFERINFODATA, static_cast<void*>(nullptr));
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 1L);
  }

  if (code != CURLE_OK || sink.too_large) return result;
  result.ok = true;
  result.status = status;
  result.body = std::move(sink.body);
  result.headers = std::move(sink.headers);
  return result;
}

}  // namespace quilla::web::detail
