#include "server/radio/lyrics_text.h"

namespace quilla::server {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsContinuation(unsigned char byte) {
  return (byte & 0xC0) == 0x80;
}

// Length of the well-formed sequence that starts at text[i], or 0 when there is none
// (the ranges of the second byte rule out overlong forms, surrogates and code points
// above U+10FFFF).
std::size_t SequenceLength(std::string_view text, std::size_t i) {
  const auto at = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
  const unsigned char lead = at(0);
  std::size_t length = 0;
  unsigned char second_min = 0x80, second_max = 0xBF;
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) second_min = 0xA0;
    if (lead == 0xED) second_max = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) second_min = 0x90;
    if (lead == 0xF4) second_max = 0x8F;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  if (at(1) < second_min || at(1) > second_max) return 0;
  for (std::size_t k = 2; k < length; ++k) {
    if (!IsContinuation(at(k))) return 0;
  }
  return length;
}

}  // namespace

std::string LyricsText(std::string_view bytes) {
  bytes = bytes.substr(0, bytes.find('\0'));
  if (bytes.starts_with(kByteOrderMark)) bytes.remove_prefix(kByteOrderMark.size());
  std::string text;
  text.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    const std::size_t length = SequenceLength(bytes, i);
    if (length == 0) {
      text += kReplacement;
      ++i;
    } else {
      text.append(bytes.substr(i, length));
      i += length;
    }
  }
  return text;
}

}  // namespace quilla::server
