#pragma once
// One search result as the music search service returns it.

#include <string>

namespace quilla::client {

// All fields are UTF-8 and already decoded (DecodeJsonText).
struct SongRecord {
  std::string title;    // "title"
  std::string artist;   // "author"
  std::string url;      // "url": where the song can be played or downloaded
  std::string picture;  // "pic": the cover image
  // "lrc": LRC text, or kNoLyricsText when the service has none.
  std::string lyrics;
  bool operator==(const SongRecord&) const = default;
};

// What a song without lyrics carries in its lyrics field.
inline constexpr std::string_view kNoLyricsText = "No lyrics that match the song.";

}  // namespace quilla::client
