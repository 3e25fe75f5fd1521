#pragma once
// Turning the bytes of a downloaded lyrics file into text that is safe to keep, show and
// send on.

#include <string>
#include <string_view>

namespace quilla::server {

// Lyrics files are UTF-8. The result is valid UTF-8 whatever the bytes are: it ends before
// the first zero byte (as the text has always been read), a leading byte-order mark is
// dropped, and every byte that does not belong to a well-formed UTF-8 sequence (stray
// continuation bytes, truncated or overlong sequences, surrogates, values above U+10FFFF)
// becomes U+FFFD. Pure function; thread-safe.
std::string LyricsText(std::string_view bytes);

}  // namespace quilla::server
