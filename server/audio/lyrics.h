#pragma once
// Finding the lyrics line of the current second in LRC-style text ([mm:ss.xx]words).
// Byte-based: works on UTF-8 text because "[" and "]" never occur inside a multi-byte
// character there.

#include <string>
#include <string_view>

namespace quilla::server {

// Splits `lyrics` at every "[" and returns, of the last piece that contains `key` (plain,
// case-sensitive), the text after the last "]" that follows the last occurrence of `key` in
// that piece, up to the next "[" (line breaks included). "" when no piece matches. A line
// with several tags carries its words only on its last tag. Pure, thread-safe.
std::string FindLyricLine(std::string_view lyrics, std::string_view key);

// The part of `text` after the last occurrence of `marker` (case-sensitive); "" when
// `marker` does not occur. Pure, thread-safe.
std::string TextAfterLast(std::string_view text, std::string_view marker);

}  // namespace quilla::server
