#pragma once
// The name a downloaded song gets in "下载的歌曲": its title made safe, and an extension
// that says what the server sent.

#include <cstddef>
#include <string>
#include <string_view>

namespace quilla::client {

// The longest stem of a song's file name, in bytes (the extension comes on top).
inline constexpr std::size_t kMaxSongStemBytes = 200;
// The stem of a song whose title leaves nothing.
inline constexpr std::string_view kUnnamedSong = "未命名";

// The song title (UTF-8) as a file name stem that stays inside its folder: "/", "\\",
// NUL, the control characters (C0, DEL, C1) and : * ? " < > | (which Windows file names
// cannot hold) become "_"; leading dots and blanks (spaces, also U+3000) are dropped; the
// result is cut to kMaxSongStemBytes without splitting a character; an empty result is
// kUnnamedSong. Pure.
std::string SafeSongStem(std::string_view title);

// The file extension (with its dot) for a response's Content-Type: ".mp3" for
// audio/mpeg, ".flac", ".ogg", ".m4a" and ".wav" for their types (and their usual aliases),
// ".mp3" for any other or no type. Parameters and case are ignored. Pure.
std::string_view SongExtensionFor(std::string_view content_type);

}  // namespace quilla::client
