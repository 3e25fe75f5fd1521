#pragma once
// UTF-8 decoding and encoding by code point. Header-only, so build-time tools share it.

#include <string>
#include <string_view>

namespace quilla::encoding {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

// Decodes the code point at text[pos] and moves pos past it. A malformed, overlong or
// truncated sequence and a surrogate give U+FFFD and advance by one byte, so decoding
// always makes progress. Precondition: pos < text.size().
inline char32_t NextCodePoint(std::string_view text, std::size_t& pos) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(pos);
  if (lead < 0x80) {
    ++pos;
    return lead;
  }
  const int extra = lead >= 0xF5 ? -1 : lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 ? 1 : -1;
  if (extra < 0 || pos + extra >= text.size()) {
    ++pos;
    return kReplacementCharacter;
  }
  char32_t cp = lead & (0x3F >> extra);
  for (int k = 1; k <= extra; ++k) {
    const unsigned char next = byte(pos + k);
    if ((next & 0xC0) != 0x80) {
      ++pos;
      return kReplacementCharacter;
    }
    cp = (cp << 6) | (next & 0x3F);
  }
  static constexpr char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
  if (cp < kSmallest[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++pos;
    return kReplacementCharacter;
  }
  pos += extra + 1;
  return cp;
}

inline void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// True when every byte of text belongs to a well-formed UTF-8 sequence.
inline bool IsValidUtf8(std::string_view text) {
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t before = pos;
    if (NextCodePoint(text, pos) == kReplacementCharacter &&
        text.substr(before, 3) != "\xEF\xBF\xBD")
      return false;
  }
  return true;
}

inline std::u32string DecodeUtf8(std::string_view text) {
  std::u32string out;
  out.reserve(text.size());
  for (std::size_t pos = 0; pos < text.size();) out += NextCodePoint(text, pos);
  return out;
}

inline std::string EncodeUtf8(std::u32string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char32_t cp : text) AppendUtf8(out, cp);
  return out;
}

}  // namespace quilla::encoding
