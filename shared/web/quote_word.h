#pragma once
// "#引号" lets a marker or pattern that sits inside a quoted string literal of the
// calling code name a double quote without escaping it.

#include <string>
#include <string_view>

namespace quilla::web::detail {

inline constexpr std::string_view kQuoteWord = "#引号";

// text with every kQuoteWord replaced by a double quote.
inline std::string ReplaceQuoteWord(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t at = text.find(kQuoteWord); at != std::string_view::npos;
       at = text.find(kQuoteWord)) {
    out.append(text.substr(0, at));
    out += '"';
    text.remove_prefix(at + kQuoteWord.size());
  }
  out.append(text);
  return out;
}

}  // namespace quilla::web::detail
