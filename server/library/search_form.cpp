#include "server/library/search_form.h"

#include <charconv>

#include "encoding/utf8.h"

namespace quilla::server::library {

using encoding::IsValidUtf8;
namespace {

constexpr int kMaxPage = 100000;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<std::string> FormDecode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '+') {
      out += ' ';
    } else if (text[i] == '%') {
      if (i + 2 >= text.size()) return std::nullopt;
      const int high = HexValue(text[i + 1]), low = HexValue(text[i + 2]);
      if (high < 0 || low < 0) return std::nullopt;
      out += static_cast<char>(high * 16 + low);
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

std::optional<SearchForm> ParseSearchForm(std::string_view body) {
  SearchForm form;
  bool has_input = false, has_page = false, has_filter = false, has_type = false;
  while (!body.empty()) {
    const auto amp = body.find('&');
    const std::string_view pair = body.substr(0, amp);
    body = amp == std::string_view::npos ? std::string_view() : body.substr(amp + 1);
    const auto equals = pair.find('=');
    const auto key = FormDecode(pair.substr(0, equals));
    const auto value =
        FormDecode(equals == std::string_view::npos ? std::string_view() : pair.substr(equals + 1));
    if (!key || !value) return std::nullopt;
    if (*key == "input" && !has_input) {
      if (!IsValidUtf8(*value)) return std::nullopt;
      form.input = *value;
      has_input = true;
    } else if (*key == "page" && !has_page) {
      int page = 0;
      const auto [end, error] = std::from_chars(value->data(), value->data() + value->size(), page);
      if (error != std::errc() || end != value->data() + value->size() || page < 1 ||
          page > kMaxPage)
        return std::nullopt;
      form.page = page;
      has_page = true;
    } else if (*key == "filter" && !has_filter) {
      form.filter = *value;
      has_filter = true;
    } else if (*key == "type" && !has_type) {
      form.type = *value;
      has_type = true;
    }
  }
  if (!has_input) return std::nullopt;
  return form;
}

}  // namespace quilla::server::library
