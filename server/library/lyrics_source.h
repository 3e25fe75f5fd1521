#pragma once
// A song's lyrics: an .lrc file beside it (UTF-8, UTF-16 with a byte-order mark, or GBK,
// told apart by their bytes), else the lyrics embedded in the file.

#include <optional>
#include <string>
#include <string_view>

#include "server/library/song.h"

namespace quilla::server::library {

// The text of a lyrics file as UTF-8 with CR LF line ends: a UTF-8 or UTF-16 byte-order
// mark decides; without one, valid UTF-8 is taken as it is and anything else is read as
// GBK. nullopt when the text is empty or only white space. Pure.
std::optional<std::string> DecodeLyricsText(std::string_view bytes);

// The lyrics of `song`: "<stem>.lrc" (or .LRC) beside the file first, then the embedded
// lyrics when the index saw some. nullopt when there are none. Reads the disk on every
// call, so an .lrc added later counts at once. Thread-safe.
std::optional<std::string> FindLyrics(const LibrarySong& song);

}  // namespace quilla::server::library
