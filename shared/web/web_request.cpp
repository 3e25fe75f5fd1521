#include "web/web_request.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <string_view>

#include "encoding/gbk.h"
#include "web/curl_transfer.h"

namespace quilla::web {
namespace {

// What the request object uses until told otherwise.
constexpr long kDefaultConnectTimeoutMs = 60000;
constexpr long kDefaultIdleTimeoutS = 30;
constexpr const char* kUserAgent = "Mozilla/4.0 (compatible; Win32; WinHttp.WinHttpRequest.5)";

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// The charset parameter of the final response's Content-Type, lower-cased, "" if none.
std::string CharsetOf(std::string_view headers) {
  std::string lower = Lower(headers);
  size_t line_start = 0;
  while (line_start < lower.size()) {
    size_t line_end = lower.find("\r\n", line_start);
    if (line_end == std::string::npos) line_end = lower.size();
    std::string_view line(lower.data() + line_start, line_end - line_start);
    line_start = line_end + 2;
    if (!line.starts_with("content-type:")) continue;
    size_t at = line.find("charset=");
    if (at == std::string_view::npos) return "";
    std::string_view value = line.substr(at + 8);
    while (!value.empty() && (value.front() == ' ' || value.front() == '"')) value.remove_prefix(1);
    size_t end = value.find_first_of("\"; \t");
    return std::string(value.substr(0, end));
  }
  return "";
}

}  // namespace

struct WebRequest::State {
  CURL* handle = nullptr;
  bool open = false;
  detail::Transfer transfer;
  detail::TransferResult response;
  long connect_timeout_ms = kDefaultConnectTimeoutMs;
  long idle_timeout_s = kDefaultIdleTimeoutS;

  ~State() {
    if (handle != nullptr) curl_easy_cleanup(handle);
  }
};

WebRequest::WebRequest() : state_(std::make_unique<State>()) {}
WebRequest::~WebRequest() = default;

bool WebRequest::Create() {
  if (state_->handle != nullptr) return true;
  detail::EnsureCurlGlobalInit();
  state_->handle = curl_easy_init();
  return state_->handle != nullptr;
}

bool WebRequest::Open(std::string method, std::string url, bool asynchronous) {
  state_->open = false;
  state_->response = {};
  if (state_->handle == nullptr || asynchronous || url.empty()) return false;
  state_->transfer = {};
  state_->transfer.method = method.empty() ? "GET" : std::move(method);
  state_->transfer.url = std::move(url);
  state_->transfer.headers = {"Accept: */*", std::string("User-Agent: ") + kUserAgent};
  state_->open = true;
  return true;
}

bool WebRequest::Send(std::stop_token stop) {
  if (!state_->open) return false;
  state_->transfer.connect_timeout_ms = state_->connect_timeout_ms;
  state_->transfer.idle_timeout_s = state_->idle_timeout_s;
  state_->transfer.stop = std::move(stop);
  state_->response = detail::Perform(state_->handle, state_->transfer);
  state_->transfer.stop = {};
  return state_->response.ok;
}

std::string WebRequest::ResponseText() const {
  const std::string& body = state_->response.body;
  const std::string charset = CharsetOf(state_->response.headers);
  if (charset == "gbk" || charset == "gb2312" || charset == "gb18030") {
    return encoding::GbkToUtf8(body);
  }
  return body;
}

int WebRequest::Status() const {
  return static_cast<int>(state_->response.status);
}

void WebRequest::SetTimeout(std::chrono::milliseconds timeout) {
  if (timeout.count() <= 0) {
    state_->connect_timeout_ms = kDefaultConnectTimeoutMs;
    state_->idle_timeout_s = kDefaultIdleTimeoutS;
    return;
  }
  state_->connect_timeout_ms = static_cast<long>(timeout.count());
  // curl measures a stall in whole seconds; round up so a limit is never shorter.
  state_->idle_timeout_s = static_cast<long>((timeout.count() + 999) / 1000);
}

}  // namespace quilla::web
