#pragma once
// Which addresses the client fetches for its user: http and https ones, nothing else.

#include <string_view>

namespace quilla::client {

// Whether `address` starts with "http://" or "https://" (scheme in any case) and has
// something after it. Pure.
constexpr bool IsWebAddress(std::string_view address) {
  auto starts_with = [address](std::string_view scheme) {
    if (address.size() <= scheme.size()) return false;
    for (std::size_t i = 0; i < scheme.size(); ++i) {
      char c = address[i];
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      if (c != scheme[i]) return false;
    }
    return true;
  };
  return starts_with("http://") || starts_with("https://");
}

}  // namespace quilla::client
