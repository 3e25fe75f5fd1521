#pragma once
// One indexed song: what the library knows of an audio file in the music folder.

#include <cstdint>
#include <string>

namespace quilla::server::library {

// Decimal in every address ("/media/12"). Assigned once per file path and never reused,
// so an address handed out earlier never points at another song.
using SongId = std::int64_t;

struct LibrarySong {
  SongId id = 0;
  std::string path;  // absolute path of the file, as the file system spells it (bytes)
  std::string title, artist, album, genre;  // UTF-8; title never empty
  std::string file_stem;                    // the file name without folder and extension, UTF-8
  std::int64_t duration_ms = 0;
  std::int64_t size = 0;      // bytes, when indexed
  std::int64_t mtime_ns = 0;  // modification time when indexed, ns since the epoch
  bool embedded_cover = false;
  bool embedded_lyrics = false;

  bool operator==(const LibrarySong&) const = default;
};

}  // namespace quilla::server::library
