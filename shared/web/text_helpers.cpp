#include "web/text_helpers.h"

#include <algorithm>
#include <cstdint>
#include <random>

#include "encoding/utf8.h"
#include "web/quote_word.h"

namespace quilla::web {
namespace {

using encoding::AppendUtf8;

char FoldAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Position of needle in text at or after `from`, npos if absent. Folding ASCII letters is
// safe on UTF-8: the bytes of a multi-byte character are never ASCII.
size_t Find(std::string_view text, std::string_view needle, size_t from, bool ignore_case) {
  if (from > text.size()) return std::string_view::npos;
  if (!ignore_case) return text.find(needle, from);
  auto it = std::search(text.begin() + from, text.end(), needle.begin(), needle.end(),
                        [](char a, char b) { return FoldAscii(a) == FoldAscii(b); });
  return it == text.end() && !needle.empty() ? std::string_view::npos
                                             : static_cast<size_t>(it - text.begin());
}

size_t StartIndex(int start) {
  return start > 1 ? static_cast<size_t>(start - 1) : 0;
}

std::mt19937& Generator() {
  thread_local std::mt19937 generator{std::random_device{}()};
  return generator;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The value of `count` hex digits at text[at], or -1.
int32_t HexAt(std::string_view text, size_t at, size_t count) {
  if (at + count > text.size()) return -1;
  int32_t value = 0;
  for (size_t i = 0; i < count; ++i) {
    int digit = HexValue(text[at + i]);
    if (digit < 0) return -1;
    value = value * 16 + digit;
  }
  return value;
}

// The escapes of unescape start with "%"; UnUnicode reads a backslash as one too.
struct EscapeStarts {
  bool backslash;
  bool Has(char c) const { return c == '%' || (backslash && c == '\\'); }
  std::string_view chars() const { return backslash ? "\\%" : "%"; }
};

}  // namespace

std::string TextBetween(std::string_view text, std::string_view left, std::string_view right,
                        int start, bool ignore_case) {
  const std::string left_marker = detail::ReplaceQuoteWord(left);
  const std::string right_marker = detail::ReplaceQuoteWord(right);
  if (left_marker.empty()) return "";
  size_t at = Find(text, left_marker, StartIndex(start), ignore_case);
  if (at == std::string_view::npos) return "";
  const size_t content = at + left_marker.size();
  size_t end = Find(text, right_marker, content, ignore_case);
  if (end == std::string_view::npos) return "";
  return std::string(text.substr(content, end - content));
}

int AllTextsBetween(std::string_view text, std::string_view left, std::string_view right,
                    std::vector<std::string>& out, const AllTextsBetweenOptions& options) {
  out.clear();
  if (left.empty()) return 0;
  size_t from = StartIndex(options.start);
  while (true) {
    size_t at = Find(text, left, from, options.ignore_case);
    if (at == std::string_view::npos) break;
    const size_t content = at + left.size();
    size_t end = Find(text, right, content, options.ignore_case);
    if (end == std::string_view::npos) break;
    std::string item;
    if (options.include_left) item += left;
    item += options.prefix;
    item += text.substr(content, end - content);
    item += options.suffix;
    if (options.include_right) item += right;
    if (options.max_length <= 0 || item.size() < static_cast<size_t>(options.max_length)) {
      out.push_back(std::move(item));
    }
    from = content;
  }
  return static_cast<int>(out.size());
}

std::string UrlEncode(std::string_view text, bool keep_safe, bool as_utf8) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  if (text.empty()) return "";
  const std::string bytes = as_utf8 ? std::string(text) : Utf8ToGbk(text);
  std::string out;
  out.reserve(bytes.size() * 3);
  for (char c : bytes) {
    const bool safe = c == '-' || c == '.' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
                      (c >= 'a' && c <= 'z');
    if (keep_safe && safe) {
      out += c;
    } else {
      const auto byte = static_cast<unsigned char>(c);
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 0x0F];
    }
  }
  return out;
}

int RandomNumber(int minimum, int maximum) {
  if (maximum == 0) maximum = 2147483647;
  if (maximum < minimum) std::swap(minimum, maximum);
  return std::uniform_int_distribution<int>(minimum, maximum)(Generator());
}

std::string RandomText(int length) {
  std::string out;
  if (length <= 0) return out;
  out.reserve(static_cast<size_t>(length));
  for (int i = 0; i < length; ++i) {
    switch (RandomNumber(1, 3)) {
      case 1:
        out += static_cast<char>(RandomNumber('0', '9'));
        break;
      case 2:
        out += static_cast<char>(RandomNumber('A', 'Z'));
        break;
      default:
        out += static_cast<char>(RandomNumber('a', 'z'));
        break;
    }
  }
  return out;
}

namespace {

// JavaScript's unescape over UTF-8 text, with the escape starts of `starts`: an escape
// start that begins no escape becomes a "%".
std::string UnescapeWith(std::string_view text, EscapeStarts starts) {
  std::string out;
  out.reserve(text.size());
  // A high surrogate waiting for its partner, 0 when none.
  uint32_t pending_high = 0;
  auto flush_pending = [&] {
    if (pending_high != 0) AppendUtf8(out, 0xFFFD);
    pending_high = 0;
  };
  auto emit_unit = [&](uint32_t unit) {
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      flush_pending();
      pending_high = unit;
    } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
      if (pending_high != 0) {
        AppendUtf8(out, 0x10000 + ((pending_high - 0xD800) << 10) + (unit - 0xDC00));
        pending_high = 0;
      } else {
        AppendUtf8(out, 0xFFFD);
      }
    } else {
      flush_pending();
      AppendUtf8(out, unit);
    }
  };

  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (starts.Has(c)) {
      if (i + 1 < text.size() && (text[i + 1] == 'u' || text[i + 1] == 'U')) {
        // unescape only knows a lower-case "u"; the upper-case one is no escape.
        if (text[i + 1] == 'u') {
          int32_t unit = HexAt(text, i + 2, 4);
          if (unit >= 0) {
            emit_unit(static_cast<uint32_t>(unit));
            i += 6;
            continue;
          }
        }
      } else {
        int32_t unit = HexAt(text, i + 1, 2);
        if (unit >= 0) {
          emit_unit(static_cast<uint32_t>(unit));
          i += 3;
          continue;
        }
      }
      flush_pending();
      out += '%';
      ++i;
      continue;
    }
    flush_pending();
    // Plain text: copy up to the next escape start.
    size_t next = text.find_first_of(starts.chars(), i);
    if (next == std::string_view::npos) next = text.size();
    out.append(text.substr(i, next - i));
    i = next;
  }
  flush_pending();
  return out;
}

}  // namespace

std::string UnUnicode(std::string_view text) {
  return UnescapeWith(text, {.backslash = true});
}

std::string Unescape(std::string_view text) {
  return UnescapeWith(text, {.backslash = false});
}

std::string_view TrimBlanks(std::string_view text, std::string_view blanks) {
  const std::size_t first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

}  // namespace quilla::web
