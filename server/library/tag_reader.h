#pragma once
// Reading a music file's tags with TagLib: title, artist, album, genre, duration, and the
// embedded cover and lyrics. Names fill in what the tags leave empty.
//
// Chinese MP3s often carry GBK bytes in ID3 fields declared as Latin-1; those fields are
// read as GBK when they are valid GBK holding Chinese characters, as Latin-1 otherwise.
//
// Every function is thread-safe (each opens its own file), blocks on the disk and never
// throws.

#include <optional>
#include <string>

#include "server/library/song.h"

namespace quilla::server::library {

// The song in the file at `path` (size and mtime as given), id 0. Tags that are missing
// come from the file name ("Artist - Title"); a file TagLib cannot read is still indexed
// by its name with duration 0, since the player may well play what TagLib cannot parse.
LibrarySong ReadSongFile(const std::string& path, std::int64_t size, std::int64_t mtime_ns);

// The embedded picture (the front cover when there are several): its bytes, nullopt when
// the file has none or cannot be read.
std::optional<std::string> ReadEmbeddedCover(const std::string& path);

// The embedded lyrics (ID3 USLT, Vorbis/FLAC LYRICS, MP4 ©lyr) as UTF-8; nullopt when
// absent or empty.
std::optional<std::string> ReadEmbeddedLyrics(const std::string& path);

}  // namespace quilla::server::library
