#pragma once
// Real, small audio files for tests: a tone encoded with FFmpeg's libraries in the
// container and codec that the file name's extension asks for, and tags written with
// TagLib, the way music arrives in a user's folder.

#include <optional>
#include <string>

namespace quilla::testing {

// Writes `seconds` of a sine tone to `path`: .mp3 (LAME), .flac, .ogg (Vorbis), .opus,
// .m4a (AAC) or .wav (PCM). Returns false (with the reason in `error`) when the encoder
// or the file fails.
bool WriteToneFile(const std::string& path, double seconds, std::string* error = nullptr);

struct TestTags {
  std::string title, artist, album, genre;
  std::optional<std::string> lyrics;       // embedded lyrics (USLT, LYRICS, ©lyr)
  std::optional<std::string> cover_bytes;  // embedded front cover

  // Chained setters: TestTags().Title("晴天").Artist("周杰伦").
  TestTags& Title(std::string v) { return title = std::move(v), *this; }
  TestTags& Artist(std::string v) { return artist = std::move(v), *this; }
  TestTags& Album(std::string v) { return album = std::move(v), *this; }
  TestTags& Genre(std::string v) { return genre = std::move(v), *this; }
  TestTags& Lyrics(std::string v) { return lyrics = std::move(v), *this; }
  TestTags& Cover(std::string v) { return cover_bytes = std::move(v), *this; }
};

// Writes the tags into the file at `path` (ID3v2 for .mp3 and .wav, Xiph comments for
// FLAC/Vorbis/Opus, MP4 atoms for .m4a). False when TagLib cannot save them.
bool WriteTags(const std::string& path, const TestTags& tags);

// A few bytes that start like a JPEG file (enough for the library, which only looks at
// the signature) with `marker` inside, so tests can tell pictures apart.
std::string FakeJpeg(const std::string& marker);

}  // namespace quilla::testing
