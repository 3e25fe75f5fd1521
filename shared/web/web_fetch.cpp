#include "web/web_fetch.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "encoding/gbk.h"
#include "web/curl_transfer.h"
#include "web/text_helpers.h"

namespace quilla::web {
namespace {

constexpr const char* kMethodNames[] = {"GET",     "POST",   "HEAD",  "PUT",
                                        "OPTIONS", "DELETE", "TRACE", "CONNECT"};
constexpr std::string_view kCrLf = "\r\n";
constexpr int kDefaultTimeoutSeconds = 15;
// What the request object uses when no time-outs are set.
constexpr long kObjectConnectTimeoutMs = 60000;
constexpr long kObjectIdleTimeoutS = 30;

std::string_view TrimSpaces(std::string_view text) {
  return TrimBlanks(text, " \t");
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
           return lower(x) == lower(y);
         });
}

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
}

std::vector<std::string_view> Split(std::string_view text, std::string_view separator) {
  std::vector<std::string_view> items;
  if (separator.empty()) {
    items.push_back(text);
    return items;
  }
  size_t from = 0;
  for (size_t at = text.find(separator); at != std::string_view::npos;
       at = text.find(separator, from)) {
    items.push_back(text.substr(from, at - from));
    from = at + separator.size();
  }
  items.push_back(text.substr(from));
  return items;
}

// The request headers in the order they are set; setting a name again replaces its value,
// as the request object's SetRequestHeader does.
class HeaderSet {
 public:
  void Set(std::string_view name, std::string_view value) {
    // A header name or value with a line break would smuggle further header lines in.
    if (name.empty() || name.find_first_of("\r\n") != std::string_view::npos ||
        value.find_first_of("\r\n") != std::string_view::npos) {
      return;
    }
    auto it = std::find_if(entries_.begin(), entries_.end(),
                           [&](const auto& e) { return EqualsIgnoringCase(e.first, name); });
    if (it == entries_.end()) {
      entries_.emplace_back(std::string(name), std::string(value));
    } else {
      it->second = value;
    }
  }

  bool Has(std::string_view name) const {
    return std::any_of(entries_.begin(), entries_.end(),
                       [&](const auto& e) { return EqualsIgnoringCase(e.first, name); });
  }

  // "Name: value" lines; an empty value sends nothing.
  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    for (const auto& [name, value] : entries_) {
      // The transport computes these itself from the URL and the body.
      if (EqualsIgnoringCase(name, "Host") || EqualsIgnoringCase(name, "Connection") ||
          EqualsIgnoringCase(name, "Content-Length") || value.empty()) {
        continue;
      }
      lines.push_back(name + ": " + value);
    }
    return lines;
  }

 private:
  std::vector<std::pair<std::string, std::string>> entries_;
};

// The header text: the caller's lines plus the defaults a browser would send.
// Presence tests are exact, case-sensitive text searches.
std::string BuildHeaderText(const std::string& url, int method, std::string text) {
  auto lacks = [&text](std::string_view what) { return text.find(what) == std::string::npos; };
  if (text.empty()) {
    text = "Accept: */*";
  } else if (lacks("Accept:")) {
    text += "\r\nAccept: */*";
  }
  if (lacks("Referer:")) text += "\r\nReferer: " + url;
  if (lacks("Accept-Language:")) text += "\r\nAccept-Language: zh-cn";
  if (lacks("User-Agent:")) {
    text += "\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
  }
  if (method == kPost) {
    ReplaceAll(text, "content-type", "Content-Type");
    if (lacks("Content-Type:")) text += "\r\nContent-Type: application/x-www-form-urlencoded";
  }
  return text;
}

// Each line's name is the text before its first ":", its value the text after it, both
// trimmed; lines without ":" give no header.
void ApplyHeaderText(std::string_view text, HeaderSet& headers) {
  for (std::string_view line : Split(text, kCrLf)) {
    if (line.empty()) continue;
    size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    headers.Set(TrimSpaces(line.substr(0, colon)), TrimSpaces(line.substr(colon + 1)));
  }
}

// "name=value" of every "Set-Cookie" line, without its attributes, joined with "; ".
std::string CookiesFromHeaders(std::string_view response_headers) {
  constexpr std::string_view kPrefix = "Set-Cookie:";
  std::string cookies;
  for (std::string_view line : Split(response_headers, kCrLf)) {
    size_t name_end = line.find(": ");
    if (name_end == std::string_view::npos || line.substr(0, name_end) != "Set-Cookie") continue;
    std::string_view rest = line.substr(kPrefix.size());
    size_t semicolon = rest.find(';');
    if (semicolon != std::string_view::npos) rest = rest.substr(0, semicolon);
    cookies.append(TrimSpaces(rest));
    cookies.append("; ");
  }
  if (!cookies.empty()) cookies.resize(cookies.size() - 2);
  return cookies;
}

}  // namespace

WebFetchTimeouts TimeoutsForSeconds(int timeout_seconds) {
  if (timeout_seconds == -1) return {kObjectConnectTimeoutMs, kObjectIdleTimeoutS};
  const long seconds = timeout_seconds > 0 ? timeout_seconds : kDefaultTimeoutSeconds;
  return {seconds * 1000, seconds};
}

WebFetchResult WebFetch(const std::string& url, const WebFetchOptions& options) {
  const int method = options.method >= kGet && options.method <= kConnect ? options.method : kGet;
  detail::Transfer transfer;
  transfer.method = kMethodNames[method];
  transfer.url = url;
  transfer.follow_redirects = !options.no_redirects;
  transfer.proxy = options.proxy;

  const WebFetchTimeouts timeouts = TimeoutsForSeconds(options.timeout_seconds);
  transfer.connect_timeout_ms = timeouts.connect_ms;
  transfer.idle_timeout_s = timeouts.idle_seconds;

  if (!options.proxy.empty() && !options.proxy_user.empty() && options.proxy_authorization == 1) {
    const std::string credentials =
        encoding::Utf8ToGbk(options.proxy_user + ":" + options.proxy_password);
    transfer.proxy_headers.push_back("Proxy-Authorization: Basic " + Base64Encode(credentials));
  }

  HeaderSet headers;
  if (options.cookies) headers.Set("Cookie", *options.cookies);
  ApplyHeaderText(BuildHeaderText(url, method, options.extra_headers), headers);
  transfer.headers = headers.Lines();
  // The request object asks for no content encoding unless the caller does.
  if (!headers.Has("Accept-Encoding")) transfer.headers.push_back("Accept-Encoding:");

  transfer.body_sink = options.body_sink;
  if (!options.body_bytes.empty()) {
    transfer.body = options.body_bytes;
  } else if (!options.body_text.empty() || method == kPost || method == kPut) {
    transfer.body = options.body_text;
  }

  detail::TransferResult response = detail::Perform(options.existing_handle, transfer);
  WebFetchResult result;
  if (!response.ok) return result;
  result.ok = true;
  result.body = std::move(response.body);
  result.response_headers = std::move(response.headers);
  result.status = static_cast<int>(response.status);
  result.cookies_received = CookiesFromHeaders(result.response_headers);
  if (options.merge_cookies && options.cookies) {
    result.cookies_received = MergeCookies(*options.cookies, result.cookies_received);
  }
  return result;
}

std::string MergeCookies(std::string_view sent, std::string_view received) {
  auto items_of = [](std::string_view text) {
    std::string no_spaces;
    for (char c : text) {
      if (c != ' ') no_spaces += c;
    }
    std::vector<std::string> items;
    for (std::string_view item : Split(no_spaces, ";")) {
      if (!item.empty()) items.emplace_back(item);
    }
    return items;
  };
  auto name_of = [](std::string_view item) { return TrimSpaces(item.substr(0, item.find('='))); };

  std::vector<std::string> merged = items_of(received);
  const size_t received_count = merged.size();
  for (std::string& item : items_of(sent)) {
    bool was_received =
        std::any_of(merged.begin(), merged.begin() + received_count,
                    [&](const std::string& r) { return name_of(r) == name_of(item); });
    if (!was_received) merged.push_back(std::move(item));
  }
  std::string joined;
  for (const std::string& item : merged) {
    if (std::string_view(item).ends_with("=deleted")) continue;
    joined += item;
    joined += "; ";
  }
  if (!joined.empty()) joined.resize(joined.size() - 2);
  return RemoveDuplicateItems(joined, "; ");
}

std::string ResponseHeader(std::string_view headers, std::string_view name) {
  for (std::string_view line : Split(headers, kCrLf)) {
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    if (EqualsIgnoringCase(TrimSpaces(line.substr(0, colon)), name)) {
      return std::string(TrimSpaces(line.substr(colon + 1)));
    }
  }
  return {};
}

std::string RemoveDuplicateItems(std::string_view text, std::string_view separator) {
  if (separator.empty()) return std::string(text);
  std::vector<std::string_view> kept;
  for (std::string_view item : Split(text, separator)) {
    if (std::find(kept.begin(), kept.end(), item) == kept.end()) kept.push_back(item);
  }
  std::string joined;
  for (size_t i = 0; i < kept.size(); ++i) {
    if (i > 0) joined += separator;
    joined += kept[i];
  }
  return joined;
}

std::string Base64Encode(std::string_view bytes) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    uint32_t group = (uint32_t(uint8_t(bytes[i])) << 16) | (uint32_t(uint8_t(bytes[i + 1])) << 8) |
                     uint32_t(uint8_t(bytes[i + 2]));
    out += kAlphabet[(group >> 18) & 63];
    out += kAlphabet[(group >> 12) & 63];
    out += kAlphabet[(group >> 6) & 63];
    out += kAlphabet[group & 63];
  }
  const size_t left = bytes.size() - i;
  if (left > 0) {
    uint32_t group = uint32_t(uint8_t(bytes[i])) << 16;
    if (left == 2) group |= uint32_t(uint8_t(bytes[i + 1])) << 8;
    out += kAlphabet[(group >> 18) & 63];
    out += kAlphabet[(group >> 12) & 63];
    out += left == 2 ? kAlphabet[(group >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

}  // namespace quilla::web
