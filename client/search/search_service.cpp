#include "client/search/search_service.h"

#include <algorithm>

#include "client/search/search_page.h"
#include "web/cancellable_fetch.h"
#include "web/text_helpers.h"

namespace quilla::client {
namespace {

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::string_view Trim(std::string_view text) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

std::optional<ServiceAddress> ParseServiceAddress(std::string_view text) {
  text = Trim(text);
  ServiceAddress service{"http", ""};
  if (const size_t mark = text.find("://"); mark != std::string_view::npos) {
    service.scheme = Lower(text.substr(0, mark));
    if (service.scheme != "http" && service.scheme != "https") return std::nullopt;
    text.remove_prefix(mark + 3);
  }
  text = text.substr(0, text.find_first_of("/?#"));
  const bool bad_host =
      text.empty() || text.front() == ':' || std::any_of(text.begin(), text.end(), [](char c) {
        return static_cast<unsigned char>(c) <= 0x20 || c == 0x7F || c == '@';
      });
  if (bad_host) return std::nullopt;
  service.authority = std::string(text);
  return service;
}

std::string SearchServiceUrl(const ServiceAddress& service) {
  return service.scheme + "://" + service.authority + "/";
}

std::string SearchFormBody(std::string_view text, std::string_view source, int page) {
  return "input=" + web::UrlEncode(text, /*keep_safe=*/true, /*as_utf8=*/true) +
         "&filter=name&type=" + std::string(source) + "&page=" + std::to_string(page);
}

std::string SearchHeaderBlock(const ServiceAddress& service) {
  const std::string root = SearchServiceUrl(service);
  const std::string lines[] = {
      "POST / HTTP/1.1",
      "Host: " + service.authority,
      "Connection: keep-alive",
      "Content-Length: 42",
      "Accept: application/json, text/javascript, */*; q=0.01",
      "Origin: " + root,
      "X-Requested-With: XMLHttpRequest",
      "User-Agent: Mozilla/5.0 (Windows NT 6.1; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) "
      "Chrome/55.0.2883.87 Safari/537.36",
      "Content-Type: application/x-www-form-urlencoded; charset=UTF-8",
      "Referer: " + root,
      "Accept-Encoding: gzip, deflate",
      "Accept-Language: zh-CN,zh;q=0.8",
  };
  std::string block;
  for (const std::string& line : lines) {
    if (!block.empty()) block += "\r\n";
    block += line;
  }
  return block;
}

std::string FetchSearchAnswer(const ServiceAddress& service, const std::string& form_body,
                              const std::atomic<bool>& cancel) {
  web::WebFetchOptions options;
  options.method = web::kPost;
  options.body_text = form_body;
  options.extra_headers = SearchHeaderBlock(service);
  web::WebFetchResult result =
      web::CancellableFetch(SearchServiceUrl(service), cancel, std::move(options), kMaxAnswerBytes);
  // Decoding gzip can make more of fewer bytes: the limit holds for what is kept too.
  if (!result.ok || result.body.size() > kMaxAnswerBytes) return {};
  return std::move(result.body);
}

}  // namespace quilla::client
